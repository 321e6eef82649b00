// The stand-in's V8 objects on the script engine's heap: what C++ makes is what script
// sees (no copies), accessors and interceptors answer script, what they throw reaches the
// page as an Error and the C++ caller as the value's exception, and a function's
// exception is kept on it or rethrown into the calling script. Dates keep the calendar
// time C++ gave them, and nothing of V8 is made off the renderer's thread.
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>

#include "cef/RendererFixture.h"
#include "include/cef_v8.h"

namespace {

using renderer_test::EnteredMainFixture;

// Answers reads of `answer` with 7, throws `thrown` when set, records the rest.
class Recorder : public CefV8Accessor, public CefV8Interceptor {
 public:
  std::string thrown;
  std::vector<std::string> calls;

  bool Get(const CefString& name,
           const CefRefPtr<CefV8Value> /*object*/,
           CefRefPtr<CefV8Value>& retval,
           CefString& exception) override {
    calls.push_back("get " + name.ToString());
    exception = thrown;
    if (name == "answer") {
      retval = CefV8Value::CreateInt(7);
    }
    return true;
  }
  bool Get(int index,
           const CefRefPtr<CefV8Value> /*object*/,
           CefRefPtr<CefV8Value>& /*retval*/,
           CefString& exception) override {
    calls.push_back("get #" + std::to_string(index));
    exception = thrown;
    return true;
  }
  bool Set(const CefString& name,
           const CefRefPtr<CefV8Value> /*object*/,
           const CefRefPtr<CefV8Value> /*value*/,
           CefString& exception) override {
    calls.push_back("set " + name.ToString());
    exception = thrown;
    return true;
  }
  bool Set(int index,
           const CefRefPtr<CefV8Value> /*object*/,
           const CefRefPtr<CefV8Value> /*value*/,
           CefString& exception) override {
    calls.push_back("set #" + std::to_string(index));
    exception = thrown;
    return true;
  }
  IMPLEMENT_REFCOUNTING(Recorder);
};

// Throws "nope", or calls its first argument rethrowing what that throws.
class Thrower : public CefV8Handler {
 public:
  bool Execute(const CefString&,
               CefRefPtr<CefV8Value>,
               const CefV8ValueList& arguments,
               CefRefPtr<CefV8Value>& retval,
               CefString& exception) override {
    if (arguments.empty() || !arguments[0]->IsFunction()) {
      exception = "nope";
      return true;
    }
    arguments[0]->SetRethrowExceptions(true);
    retval = arguments[0]->ExecuteFunction(nullptr, {});
    sawException = arguments[0]->HasException();
    return true;
  }
  bool sawException = false;
  IMPLEMENT_REFCOUNTING(Thrower);
};

class V8HeapObjectsTest : public EnteredMainFixture {
 protected:
};

TEST_F(V8HeapObjectsTest, WhatCppMakesIsWhatScriptSees) {
  CefRefPtr<CefV8Value> object = CefV8Value::CreateObject(nullptr, nullptr);
  CefRefPtr<CefV8Value> function = CefV8Value::CreateFunction("f", new Thrower());
  window->SetValue("o", object, V8_PROPERTY_ATTRIBUTE_NONE);
  window->SetValue("f", function, V8_PROPERTY_ATTRIBUTE_NONE);
  window->SetValue("g", function, V8_PROPERTY_ATTRIBUTE_NONE);
  ASSERT_TRUE(object->SetUserData(new Thrower()));
  // Set after it reached the window, seen there; and one function under two names.
  object->SetValue("later", CefV8Value::CreateInt(1), V8_PROPERTY_ATTRIBUTE_NONE);
  object->SetValue("hidden", CefV8Value::CreateInt(2), V8_PROPERTY_ATTRIBUTE_DONTENUM);
  object->SetValue("fixed", CefV8Value::CreateInt(3),
                   static_cast<CefV8Value::PropertyAttribute>(V8_PROPERTY_ATTRIBUTE_READONLY |
                                                              V8_PROPERTY_ATTRIBUTE_DONTDELETE));
  EXPECT_EQ(Eval("o.fixed = 9; delete o.fixed; [o.later, Object.keys(o), o.fixed, f === g].join()"),
            "1,later,fixed,3,true");
  EXPECT_FALSE(object->DeleteValue("fixed"));
  EXPECT_TRUE(object->DeleteValue("later"));
  // Back from script: the same object, with its user data and handler.
  CefRefPtr<CefV8Value> back = window->GetValue("o");
  EXPECT_TRUE(back->IsSame(object));
  EXPECT_TRUE(back->IsUserCreated());
  EXPECT_NE(back->GetUserData(), nullptr);
  EXPECT_NE(window->GetValue("g")->GetFunctionHandler(), nullptr);
  EXPECT_EQ(window->GetValue("g")->GetFunctionName().ToString(), "f");
  // An array made with a length has holes.
  CefRefPtr<CefV8Value> array = CefV8Value::CreateArray(2);
  EXPECT_EQ(array->GetArrayLength(), 2);
  EXPECT_FALSE(array->HasValue(0));
}

TEST_F(V8HeapObjectsTest, AccessorsAndInterceptorsAnswerScriptAndTheirThrowsAreErrors) {
  CefRefPtr<Recorder> accessor = new Recorder();
  CefRefPtr<Recorder> interceptor = new Recorder();
  CefRefPtr<CefV8Value> withAccessor = CefV8Value::CreateObject(accessor.get(), nullptr);
  ASSERT_TRUE(
      withAccessor->SetValue("answer", V8_ACCESS_CONTROL_DEFAULT, V8_PROPERTY_ATTRIBUTE_NONE));
  CefRefPtr<CefV8Value> intercepted = CefV8Value::CreateObject(nullptr, interceptor.get());
  window->SetValue("a", withAccessor, V8_PROPERTY_ATTRIBUTE_NONE);
  window->SetValue("i", intercepted, V8_PROPERTY_ATTRIBUTE_NONE);

  EXPECT_EQ(Eval("a.answer = 1; i.x = 2; i[3] = 4; [a.answer, i.answer, i.x, i[3], 'answer' in i, "
                 "'y' in i].join()"),
            "7,7,2,4,true,false");
  EXPECT_THAT(accessor->calls, ::testing::ElementsAre("set answer", "get answer"));
  EXPECT_THAT(interceptor->calls, ::testing::ElementsAre("set x", "set #3", "get answer", "get x",
                                                         "get #3", "get answer", "get y"));

  accessor->thrown = "accessor says no";
  interceptor->thrown = "interceptor says no";
  const std::string caught =
      "function caught(f) { try { f(); return 'no'; } catch (e) { return (e instanceof Error) + "
      "' ' + e.message; } }";
  EXPECT_EQ(Eval(caught + "[caught(function () { return a.answer; }), caught(function () { i.x = "
                          "1; }), caught(function () { return i[0]; })].join()"),
            "true accessor says no,true interceptor says no,true interceptor says no");
  // From C++ the read fails, and the object tells what was thrown until a read succeeds.
  EXPECT_EQ(withAccessor->GetValue("answer"), nullptr);
  ASSERT_TRUE(withAccessor->HasException());
  EXPECT_EQ(withAccessor->GetException()->GetMessage().ToString(),
            "Uncaught Error: accessor says no");
  EXPECT_FALSE(intercepted->SetValue("x", CefV8Value::CreateInt(1), V8_PROPERTY_ATTRIBUTE_NONE));
  EXPECT_TRUE(intercepted->HasException());
  accessor->thrown.clear();
  EXPECT_EQ(withAccessor->GetValue("answer")->GetIntValue(), 7);
  EXPECT_FALSE(withAccessor->HasException());
}

TEST_F(V8HeapObjectsTest, AFunctionsExceptionIsKeptOnItOrRethrownIntoTheCallingScript) {
  CefRefPtr<Thrower> thrower = new Thrower();
  CefRefPtr<CefV8Value> function = CefV8Value::CreateFunction("thrower", thrower.get());
  window->SetValue("thrower", function, V8_PROPERTY_ATTRIBUTE_NONE);

  // Called from C++: null, and the exception on the function value.
  EXPECT_EQ(function->ExecuteFunction(nullptr, {}), nullptr);
  ASSERT_TRUE(function->HasException());
  EXPECT_EQ(function->GetException()->GetMessage().ToString(), "Uncaught Error: nope");
  EXPECT_TRUE(function->ClearException());
  EXPECT_FALSE(function->HasException());

  // A handler calling a page function that throws, rethrowing: the page's catch sees it.
  EXPECT_EQ(Eval("try { thrower(function () { throw new TypeError('inner'); }); 'no' } "
                 "catch (e) { e.name + ' ' + e.message }"),
            "TypeError inner");
  EXPECT_TRUE(thrower->sawException);
}

// A calendar time's fields, in the order cef_time_t has them.
std::vector<int> Fields(const CefTime& time) {
  return {time.year, time.month,  time.day_of_week, time.day_of_month,
          time.hour, time.minute, time.second,      time.millisecond};
}

CefTime March4th2021() {
  CefTime time;
  time.year = 2021;
  time.month = 3;
  time.day_of_week = 1;  // as given: it was a Thursday (4)
  time.day_of_month = 4;
  time.hour = 5;
  time.minute = 6;
  time.second = 7;
  time.millisecond = 8;
  return time;
}

// As CEF does: a date needs no context, and gives back the calendar time it was made
// with, field for field, a wrong weekday or an impossible month included. Script sees the
// Date of that time; a Date from script is the calendar time of its milliseconds.
TEST_F(V8HeapObjectsTest, ADateGivesBackTheCalendarTimeItWasMadeWith) {
  context->Exit();
  CefTime impossible = March4th2021();
  impossible.month = 13;
  for (const CefTime& time : {March4th2021(), impossible}) {
    CefRefPtr<CefV8Value> date = CefV8Value::CreateDate(time);
    ASSERT_TRUE(date);
    EXPECT_TRUE(date->IsDate());
    EXPECT_EQ(Fields(date->GetDateValue()), Fields(time));
  }
  // Any other value's date is the epoch, a Thursday.
  EXPECT_EQ(Fields(CefV8Value::CreateInt(1)->GetDateValue()),
            (std::vector<int>{1970, 1, 4, 1, 0, 0, 0, 0}));

  ASSERT_TRUE(context->Enter());
  window->SetValue("d", CefV8Value::CreateDate(March4th2021()), V8_PROPERTY_ATTRIBUTE_NONE);
  EXPECT_EQ(Eval("d.toISOString()"), "2021-03-04T05:06:07.008Z");
  CefRefPtr<CefV8Value> fromScript;
  CefRefPtr<CefV8Exception> exception;
  ASSERT_TRUE(context->Eval("new Date(Date.UTC(2000, 1, 29, 23, 59, 58, 999))", "", 1, fromScript,
                            exception));
  ASSERT_TRUE(fromScript->IsDate());
  EXPECT_EQ(Fields(fromScript->GetDateValue()),
            (std::vector<int>{2000, 2, 2, 29, 23, 59, 58, 999}));
}

// V8 lives on the renderer's thread only: elsewhere no date, array buffer or stack trace
// is made, even while the renderer's thread has a context entered.
TEST_F(V8HeapObjectsTest, OffTheRendererThreadNoDateArrayBufferOrStackTraceIsMade) {
  char memory[8] = {};
  std::vector<bool> made;
  std::thread([&] {
    made.push_back(CefV8Value::CreateDate(March4th2021()) != nullptr);
    made.push_back(CefV8Value::CreateArrayBuffer(memory, sizeof memory, nullptr) != nullptr);
    made.push_back(CefV8StackTrace::GetCurrent(10) != nullptr);
  }).join();
  EXPECT_EQ(made, (std::vector<bool>{false, false, false}));
  EXPECT_TRUE(CefV8Value::CreateDate(March4th2021()));
  EXPECT_TRUE(CefV8Value::CreateArrayBuffer(memory, sizeof memory, nullptr));
  EXPECT_TRUE(CefV8StackTrace::GetCurrent(10));
}

}  // namespace
