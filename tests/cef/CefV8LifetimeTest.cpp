// The life of V8 objects and browsers in the stand-in's renderer, and objects made with
// an accessor or interceptor: what a program sees of them.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gmock/gmock.h>

#include "cef/RendererFixture.h"
#include "include/cef_v8.h"

namespace {

using renderer_test::RendererFixture;
using ::testing::ElementsAre;

// Counts its own destruction, so that a test can see who still holds it.
struct Tracked {
  explicit Tracked(int* gone) : gone_(gone) {}
  ~Tracked() { ++*gone_; }
  int* gone_;
};

class CountingHandler : public CefV8Handler {
 public:
  explicit CountingHandler(int* gone) : tracked_(gone) {}
  bool Execute(const CefString&,
               CefRefPtr<CefV8Value>,
               const CefV8ValueList&,
               CefRefPtr<CefV8Value>&,
               CefString&) override {
    return false;
  }

 private:
  Tracked tracked_;
  IMPLEMENT_REFCOUNTING(CountingHandler);
};

// Keeps what it is given and logs every call as "get x", "set 2=…".
class Recorder : public CefV8Accessor, public CefV8Interceptor {
 public:
  explicit Recorder(int* gone = nullptr) : gone_(gone) {}
  ~Recorder() override {
    if (gone_) {
      ++*gone_;
    }
  }

  bool Get(const CefString& name,
           const CefRefPtr<CefV8Value>,
           CefRefPtr<CefV8Value>& retval,
           CefString& exception) override {
    return Answer("get " + name.ToString(), retval, exception);
  }
  bool Get(int index,
           const CefRefPtr<CefV8Value>,
           CefRefPtr<CefV8Value>& retval,
           CefString& exception) override {
    return Answer("get #" + std::to_string(index), retval, exception);
  }
  bool Set(const CefString& name,
           const CefRefPtr<CefV8Value>,
           const CefRefPtr<CefV8Value> value,
           CefString& exception) override {
    return Store("set " + name.ToString(), value, exception);
  }
  bool Set(int index,
           const CefRefPtr<CefV8Value>,
           const CefRefPtr<CefV8Value> value,
           CefString& exception) override {
    return Store("set #" + std::to_string(index), value, exception);
  }

  std::vector<std::string> calls;
  std::map<std::string, int> answers;  // "get x" -> the int it answers with
  std::string thrown;                  // thrown by every call when not empty
  bool handled = true;

 private:
  bool Answer(const std::string& call, CefRefPtr<CefV8Value>& retval, CefString& exception) {
    calls.push_back(call);
    auto found = answers.find(call);
    if (found != answers.end()) {
      retval = CefV8Value::CreateInt(found->second);
    }
    if (!thrown.empty()) {
      exception = thrown;
    }
    return handled;
  }
  bool Store(const std::string& call, CefRefPtr<CefV8Value> value, CefString& exception) {
    calls.push_back(call + "=" + std::to_string(value->GetIntValue()));
    if (!thrown.empty()) {
      exception = thrown;
    }
    return handled;
  }

  int* gone_;
  IMPLEMENT_REFCOUNTING(Recorder);
};

class V8LifetimeTest : public RendererFixture {
 protected:
  // Runs the function with the main frame's context entered.
  void InMain(const std::function<void()>& function) {
    CefRefPtr<CefV8Context> context = renderer.ContextOf(main);
    ASSERT_TRUE(context->Enter());
    function();
    context->Exit();
  }
};

TEST_F(V8LifetimeTest, ObjectsKeptPastTheirContextsReleaseAreInvalidAndTheirMethodsFail) {
  int gone = 0;
  CefRefPtr<CefV8Value> object, array, function, window, primitive;
  InMain([&] {
    object = CefV8Value::CreateObject(new Recorder(&gone), nullptr);
    array = CefV8Value::CreateArray(2);
    function = CefV8Value::CreateFunction("f", new CountingHandler(&gone));
    window = renderer.ContextOf(main)->GetGlobal();
    primitive = CefV8Value::CreateString("kept");
    ASSERT_TRUE(object->SetUserData(new CountingHandler(&gone)));
    ASSERT_TRUE(object->SetValue("child", array, V8_PROPERTY_ATTRIBUTE_NONE));
  });
  // A page's own object, handed over in a call, belongs to that page too.
  CefV8ValueList pageArguments = cef_standin::PageArguments(R"([{"a": 1}])");
  renderer.Call(main, "filesDropped", pageArguments);
  CefRefPtr<CefV8Value> pageObject = pageArguments[0];
  ASSERT_TRUE(object->IsValid() && pageObject->IsValid());

  renderer.ReleaseContext(main);

  for (const CefRefPtr<CefV8Value>& value : {object, array, function, window, pageObject}) {
    EXPECT_FALSE(value->IsValid());
    EXPECT_TRUE(value->IsObject());  // the kind stays, as in CEF
    EXPECT_FALSE(value->SetValue("x", primitive, V8_PROPERTY_ATTRIBUTE_NONE));
    EXPECT_FALSE(value->SetValue(0, primitive));
    EXPECT_EQ(value->GetValue("a"), nullptr);
    EXPECT_EQ(value->GetValue(0), nullptr);
    EXPECT_FALSE(value->HasValue("a"));
    EXPECT_FALSE(value->DeleteValue("a"));
    std::vector<CefString> keys;
    EXPECT_FALSE(value->GetKeys(keys));
    EXPECT_FALSE(value->SetUserData(nullptr));
    EXPECT_EQ(value->GetUserData(), nullptr);
    EXPECT_FALSE(value->IsUserCreated());
  }
  EXPECT_EQ(function->GetFunctionHandler(), nullptr);
  EXPECT_EQ(function->GetFunctionName().ToString(), "");
  EXPECT_EQ(array->GetArrayLength(), 0);
  // Values that are not objects belong to no context.
  EXPECT_TRUE(primitive->IsValid());
  EXPECT_EQ(primitive->GetStringValue().ToString(), "kept");
  // The accessor, the handler and the user data went with the context.
  EXPECT_EQ(gone, 3);

  // The other page's context is untouched.
  CefRefPtr<CefV8Context> other = renderer.ContextOf(child);
  ASSERT_TRUE(other->Enter());
  EXPECT_TRUE(other->GetGlobal()->IsValid());
  EXPECT_TRUE(CefV8Value::CreateObject(nullptr, nullptr)->IsValid());
  other->Exit();
}

TEST_F(V8LifetimeTest, AFunctionOfAReleasedPageRunsNothing) {
  int gone = 0;
  CefRefPtr<CefV8Value> function;
  InMain([&] { function = CefV8Value::CreateFunction("f", new CountingHandler(&gone)); });
  renderer.ReleaseContext(main);

  CefRefPtr<CefV8Context> other = renderer.ContextOf(child);
  ASSERT_TRUE(other->Enter());
  EXPECT_EQ(function->ExecuteFunction(nullptr, {}), nullptr);
  EXPECT_EQ(function->ExecuteFunctionWithContext(other, nullptr, {}), nullptr);
  other->Exit();
}

TEST_F(V8LifetimeTest, AnAccessorReadsAndWritesItsPropertiesUntilTheContextGoes) {
  int gone = 0;
  CefRefPtr<Recorder> accessor = new Recorder(&gone);
  accessor->answers["get val"] = 20;
  CefRefPtr<CefV8Value> object;
  InMain([&] {
    CefRefPtr<CefV8Value> plain = CefV8Value::CreateObject(nullptr, nullptr);
    EXPECT_FALSE(plain->SetValue("val", V8_ACCESS_CONTROL_DEFAULT, V8_PROPERTY_ATTRIBUTE_NONE));

    object = CefV8Value::CreateObject(accessor.get(), nullptr);
    EXPECT_FALSE(object->HasValue("val"));
    EXPECT_TRUE(object->SetValue("val", V8_ACCESS_CONTROL_DEFAULT, V8_PROPERTY_ATTRIBUTE_NONE));
    EXPECT_TRUE(
        object->SetValue("fixed", V8_ACCESS_CONTROL_DEFAULT, V8_PROPERTY_ATTRIBUTE_READONLY));
    EXPECT_TRUE(object->HasValue("val"));

    EXPECT_TRUE(object->SetValue("val", CefV8Value::CreateInt(7), V8_PROPERTY_ATTRIBUTE_NONE));
    EXPECT_EQ(object->GetValue("val")->GetIntValue(), 20);
    // Read-only: no setter; a getter without an answer gives undefined.
    EXPECT_TRUE(object->SetValue("fixed", CefV8Value::CreateInt(8), V8_PROPERTY_ATTRIBUTE_NONE));
    EXPECT_TRUE(object->GetValue("fixed")->IsUndefined());
    // Other properties are plain ones.
    EXPECT_TRUE(object->SetValue("plain", CefV8Value::CreateInt(9), V8_PROPERTY_ATTRIBUTE_NONE));
    EXPECT_EQ(object->GetValue("plain")->GetIntValue(), 9);
    EXPECT_TRUE(object->GetValue("none")->IsUndefined());

    // Throwing fails the call; a false answer gives undefined.
    accessor->thrown = "no";
    EXPECT_EQ(object->GetValue("val"), nullptr);
    EXPECT_FALSE(object->SetValue("val", CefV8Value::CreateInt(1), V8_PROPERTY_ATTRIBUTE_NONE));
    accessor->thrown.clear();
    accessor->handled = false;
    EXPECT_TRUE(object->GetValue("val")->IsUndefined());
  });
  EXPECT_THAT(accessor->calls,
              ElementsAre("set val=7", "get val", "get fixed", "get val", "set val=1", "get val"));
  accessor = nullptr;
  EXPECT_EQ(gone, 0);  // the object, still held, keeps it
  renderer.ReleaseContext(main);
  EXPECT_EQ(gone, 1);
}

TEST_F(V8LifetimeTest, AnInterceptorSeesEveryAccessByNameOrIndexFirst) {
  CefRefPtr<Recorder> interceptor = new Recorder();
  CefRefPtr<Recorder> accessor = new Recorder();
  interceptor->answers["get mine"] = 1;
  interceptor->answers["get #3"] = 3;
  accessor->answers["get acc"] = 2;
  InMain([&] {
    CefRefPtr<CefV8Value> object = CefV8Value::CreateObject(accessor.get(), interceptor.get());
    ASSERT_TRUE(object->SetValue("acc", V8_ACCESS_CONTROL_DEFAULT, V8_PROPERTY_ATTRIBUTE_NONE));

    // Writes reach the interceptor and then go on: to the accessor, or as own properties.
    EXPECT_TRUE(object->SetValue("acc", CefV8Value::CreateInt(5), V8_PROPERTY_ATTRIBUTE_NONE));
    EXPECT_TRUE(object->SetValue("own", CefV8Value::CreateInt(6), V8_PROPERTY_ATTRIBUTE_NONE));
    EXPECT_TRUE(object->SetValue(4, CefV8Value::CreateInt(4)));
    EXPECT_TRUE(object->SetValue("7", CefV8Value::CreateInt(7), V8_PROPERTY_ATTRIBUTE_NONE));
    // A definition with attributes reaches neither.
    EXPECT_TRUE(
        object->SetValue("defined", CefV8Value::CreateInt(8), V8_PROPERTY_ATTRIBUTE_DONTENUM));

    // Reads: the interceptor's answer wins; without one, the property as it is.
    EXPECT_EQ(object->GetValue("mine")->GetIntValue(), 1);
    EXPECT_EQ(object->GetValue("acc")->GetIntValue(), 2);
    EXPECT_EQ(object->GetValue("own")->GetIntValue(), 6);
    EXPECT_EQ(object->GetValue(3)->GetIntValue(), 3);
    EXPECT_EQ(object->GetValue("4")->GetIntValue(), 4);
    EXPECT_TRUE(object->HasValue("mine"));
    EXPECT_FALSE(object->HasValue(9));

    interceptor->thrown = "no";
    EXPECT_EQ(object->GetValue("own"), nullptr);
    EXPECT_EQ(object->GetValue(3), nullptr);
    EXPECT_FALSE(object->SetValue("own", CefV8Value::CreateInt(1), V8_PROPERTY_ATTRIBUTE_NONE));
    EXPECT_FALSE(object->SetValue(1, CefV8Value::CreateInt(1)));
  });
  EXPECT_THAT(interceptor->calls,
              ElementsAre("set acc=5", "set own=6", "set #4=4", "set #7=7", "get mine", "get acc",
                          "get own", "get #3", "get #4", "get mine", "get #9", "get own", "get #3",
                          "set own=1", "set #1=1"));
  EXPECT_THAT(accessor->calls, ElementsAre("set acc=5", "get acc"));
}

TEST_F(V8LifetimeTest, ADestroyedBrowserIsInvalid) {
  CefRefPtr<CefBrowser> kept = browser.get();
  EXPECT_TRUE(kept->IsValid());
  renderer.DestroyBrowser(browser);
  EXPECT_FALSE(kept->IsValid());
  EXPECT_EQ(kept->GetMainFrame(), nullptr);
}

}  // namespace
