// The stand-in's script engine (cef-standin/src/script/): limits that end a runaway
// script with a named outcome, numbers and strings of real script values, and Eval's
// exceptions.
#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "cef/RendererFixture.h"
#include "include/cef_v8.h"
#include "src/v8/run.h"

namespace {

using cef_standin::script::Limits;
using cef_standin::script::Outcome;
using cef_standin::script::OutcomeName;
using cef_standin::script::RunInFrame;
using renderer_test::RendererFixture;

class ScriptEngineTest : public RendererFixture {
 protected:
  // The completion value of `code` in the main frame, failing the test on an exception.
  CefRefPtr<CefV8Value> Eval(const std::string& code) {
    CefRefPtr<CefV8Value> retval;
    CefRefPtr<CefV8Exception> exception;
    EXPECT_TRUE(main->GetV8Context()->Eval(code, "test.js", 1, retval, exception))
        << code << ": " << (exception ? exception->GetMessage().ToString() : "");
    return retval;
  }
};

struct Runaway {
  const char* name;
  const char* source;
  Limits limits;
  Outcome outcome;
};

class ScriptLimitTest : public ScriptEngineTest, public ::testing::WithParamInterface<Runaway> {};

TEST_P(ScriptLimitTest, EndsWithTheNamedOutcomeAndTheNextScriptStillRuns) {
  const Runaway& runaway = GetParam();
  auto result =
      RunInFrame(main.get(),
                 std::u16string(runaway.source,
                                runaway.source + std::char_traits<char>::length(runaway.source)),
                 u"runaway.js", runaway.limits);
  EXPECT_STREQ(OutcomeName(result.outcome), OutcomeName(runaway.outcome))
      << result.exception.message.size();
  EXPECT_FALSE(result.value);

  auto next = RunInFrame(main.get(), u"6 * 7", u"next.js");
  ASSERT_EQ(next.outcome, Outcome::kCompleted);
  EXPECT_EQ(next.value->GetIntValue(), 42);
}

INSTANTIATE_TEST_SUITE_P(
    Runaways,
    ScriptLimitTest,
    ::testing::Values(
        // A loop that also swallows the timeout's RangeError cannot go on either.
        Runaway{"EndlessLoop", "for (;;) { try { for (;;) {} } catch (e) {} }",
                Limits{150, 64u << 20}, Outcome::kTimeLimit},
        Runaway{"EndlessRecursion", "function f(n) { return f(n + 1) + 1; } f(0);",
                Limits{5000, 64u << 20}, Outcome::kStackLimit},
        Runaway{"EndlessAllocation",
                "var keep = []; for (;;) { keep.push(new Array(65536).join('x') + keep.length); }",
                Limits{20000, 4u << 20}, Outcome::kMemoryLimit}),
    [](const ::testing::TestParamInfo<Runaway>& info) { return std::string(info.param.name); });

TEST_F(ScriptEngineTest, NumbersAreTypedAsV8TypesThem) {
  CefRefPtr<CefV8Value> one = Eval("1");
  EXPECT_TRUE(one->IsInt() && one->IsUInt() && one->IsDouble());
  EXPECT_EQ(one->GetIntValue(), 1);

  CefRefPtr<CefV8Value> big = Eval("Math.pow(2, 31)");
  EXPECT_TRUE(big->IsUInt() && big->IsDouble());
  EXPECT_EQ(big->GetUIntValue(), 2147483648u);

  for (const char* code : {"-0", "0/0", "1/0", "-1/0", "0.5", "Math.pow(2, 32)"}) {
    CefRefPtr<CefV8Value> value = Eval(code);
    EXPECT_TRUE(value->IsDouble()) << code;
    EXPECT_FALSE(value->IsInt()) << code;
    EXPECT_FALSE(value->IsUInt()) << code;
  }
  EXPECT_TRUE(std::signbit(Eval("-0")->GetDoubleValue()));
  EXPECT_TRUE(std::isnan(Eval("0/0")->GetDoubleValue()));
  EXPECT_EQ(Eval("-1/0")->GetDoubleValue(), -INFINITY);
}

TEST_F(ScriptEngineTest, StringsWithNulAndLoneSurrogatesRoundTrip) {
  const std::u16string units = {u'a', 0, u'b', 0xD800, u'c', 0xDC01, 0xD83D, 0xDE00};
  // Literally in the source, and spelled with escapes.
  auto literal = RunInFrame(main.get(), u"'" + units + u"'", u"s.js");
  ASSERT_EQ(literal.outcome, Outcome::kCompleted);
  EXPECT_EQ(literal.value->GetStringValue().ToString16(), units);
  EXPECT_EQ(Eval("'a\\u0000b\\ud800c\\udc01\\ud83d\\ude00'")->GetStringValue().ToString16(), units);
  EXPECT_EQ(Eval("'a\\u0000b\\ud800c'.length")->GetIntValue(), 5);
}

TEST_F(ScriptEngineTest, EvalReportsWhatWasThrownAndWhere) {
  CefRefPtr<CefV8Value> retval;
  CefRefPtr<CefV8Exception> exception;
  EXPECT_FALSE(main->GetV8Context()->Eval("var a = 1;\nthrow new TypeError('boom');", "page.js", 10,
                                          retval, exception));
  EXPECT_FALSE(retval);
  ASSERT_TRUE(exception);
  EXPECT_EQ(exception->GetMessage().ToString(), "Uncaught TypeError: boom");
  EXPECT_EQ(exception->GetScriptResourceName().ToString(), "page.js");
  EXPECT_EQ(exception->GetLineNumber(), 11);
  EXPECT_EQ(exception->GetSourceLine().ToString(), "throw new TypeError('boom');");
}

TEST_F(ScriptEngineTest, EachFrameHasItsOwnWindowThatNamesItself) {
  EXPECT_TRUE(Eval("window === this && window.window === window")->GetBoolValue());
  Eval("var mine = 'main'");
  CefRefPtr<CefV8Value> retval;
  CefRefPtr<CefV8Exception> exception;
  EXPECT_TRUE(child->GetV8Context()->Eval("typeof mine", "", 1, retval, exception));
  EXPECT_EQ(retval->GetStringValue().ToString(), "undefined");
}

TEST_F(ScriptEngineTest, NothingRunsInAReleasedContext) {
  CefRefPtr<CefV8Context> context = main->GetV8Context();
  renderer.ReleaseContext(main);
  CefRefPtr<CefV8Value> retval;
  CefRefPtr<CefV8Exception> exception;
  EXPECT_FALSE(context->Eval("1", "", 1, retval, exception));
  EXPECT_FALSE(retval);
  EXPECT_FALSE(exception);
  EXPECT_EQ(RunInFrame(main.get(), u"1", u"x.js").outcome, Outcome::kNoContext);
}

// A page's function that C++ keeps (as the router keeps a query's callbacks) runs in its
// page when called later; what it throws stays with the function value.
TEST_F(ScriptEngineTest, APageFunctionKeptByCppRunsWhenCalledLater) {
  CefRefPtr<CefV8Value> function = Eval(
      "var seen = []; (function (x) { seen.push(x); if (x === 'bad') throw new Error('thrown'); "
      "return x + '!'; })");
  ASSERT_TRUE(function && function->IsFunction());
  CefRefPtr<CefV8Context> context = main->GetV8Context();
  CefRefPtr<CefV8Value> result =
      function->ExecuteFunctionWithContext(context, nullptr, {CefV8Value::CreateString("a")});
  ASSERT_TRUE(result);
  EXPECT_EQ(result->GetStringValue().ToString(), "a!");
  EXPECT_FALSE(function->HasException());
  EXPECT_FALSE(
      function->ExecuteFunctionWithContext(context, nullptr, {CefV8Value::CreateString("bad")}));
  ASSERT_TRUE(function->HasException());
  EXPECT_NE(function->GetException()->GetMessage().ToString().find("thrown"), std::string::npos);
  EXPECT_EQ(Eval("seen.join()")->GetStringValue().ToString(), "a,bad");
}

// A native function's handler that sets an exception text throws an Error into the page;
// one that answers a value returns it.
TEST_F(ScriptEngineTest, AHandlersAnswerAndExceptionReachThePage) {
  class Handler : public CefV8Handler {
   public:
    bool Execute(const CefString&,
                 CefRefPtr<CefV8Value>,
                 const CefV8ValueList& arguments,
                 CefRefPtr<CefV8Value>& retval,
                 CefString& exception) override {
      if (arguments.empty()) {
        exception = "nope";
      } else {
        retval = CefV8Value::CreateInt(arguments[0]->GetIntValue() * 2);
      }
      return true;
    }
    IMPLEMENT_REFCOUNTING(Handler);
  };
  CefRefPtr<CefV8Context> context = main->GetV8Context();
  ASSERT_TRUE(context->Enter());
  context->GetGlobal()->SetValue("twice", CefV8Value::CreateFunction("twice", new Handler()),
                                 V8_PROPERTY_ATTRIBUTE_NONE);
  context->Exit();
  EXPECT_EQ(Eval("twice(21)")->GetIntValue(), 42);
  EXPECT_EQ(Eval("try { twice(); 'no' } catch (e) { (e instanceof Error) + ' ' + e.message }")
                ->GetStringValue()
                .ToString(),
            "true nope");
}

}  // namespace
