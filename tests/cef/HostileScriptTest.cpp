// Page script that is hostile to the engine under it: a page that replaces `Date` or its
// `Symbol.hasInstance`, a Proxy over an array, inherited getters on `Array.prototype`, a
// timer that removes its own frame, a handler's exception at the memory limit, a fatal
// error inside a nested run. The renderer survives each, as a real one does, and no page
// script runs outside a run.
#include <functional>
#include <string>
#include <vector>

#include <duktape.h>
#include <gmock/gmock.h>

#include "cef/RendererFixture.h"
#include "include/cef_v8.h"
#include "src/base/utf.h"
#include "src/v8/context.h"
#include "src/v8/run.h"

namespace {

using cef_standin::Frame;
using cef_standin::PageSource;
using cef_standin::script::Engine;
using cef_standin::script::Limits;
using cef_standin::script::Outcome;
using cef_standin::script::OutcomeName;
using cef_standin::script::RunInFrame;
using cef_standin::script::RunResult;
using renderer_test::RendererFixture;

// Counts its calls and what it was given; answers `answer`, or throws `thrown`.
class Probe : public CefV8Handler, public CefV8Accessor, public CefV8Interceptor {
 public:
  int calls = 0;
  std::vector<std::string> kinds;  // of the receiver/object, then the arguments
  std::string thrown;
  std::function<void()> body;

  static std::string Kind(const CefRefPtr<CefV8Value>& value) {
    if (!value) {
      return "null";
    }
    if (value->IsDate()) {
      return "date";
    }
    if (value->IsArray()) {
      return "array";
    }
    if (value->IsFunction()) {
      return "function";
    }
    if (value->IsObject()) {
      return "object";
    }
    return "other";
  }
  void Saw(const CefRefPtr<CefV8Value>& object, CefString& exception) {
    ++calls;
    kinds.push_back(Kind(object));
    if (body) {
      body();
    }
    exception = thrown;
  }

  bool Execute(const CefString&,
               CefRefPtr<CefV8Value> object,
               const CefV8ValueList& arguments,
               CefRefPtr<CefV8Value>& retval,
               CefString& exception) override {
    Saw(object, exception);
    for (const auto& argument : arguments) {
      kinds.push_back(Kind(argument));
    }
    retval = CefV8Value::CreateString("ran");
    return true;
  }
  bool Get(const CefString&,
           const CefRefPtr<CefV8Value> object,
           CefRefPtr<CefV8Value>& retval,
           CefString& exception) override {
    Saw(object, exception);
    retval = CefV8Value::CreateString("ran");
    return true;
  }
  bool Get(int, const CefRefPtr<CefV8Value>, CefRefPtr<CefV8Value>&, CefString&) override {
    return false;
  }
  bool Set(const CefString&,
           const CefRefPtr<CefV8Value> object,
           const CefRefPtr<CefV8Value>,
           CefString& exception) override {
    Saw(object, exception);
    return true;
  }
  bool Set(int, const CefRefPtr<CefV8Value>, const CefRefPtr<CefV8Value>, CefString&) override {
    return false;
  }
  IMPLEMENT_REFCOUNTING(Probe);
};

class HostileScriptTest : public RendererFixture {
 protected:
  RunResult Run(CefRefPtr<Frame> frame,
                const std::string& source,
                const Limits& limits = Limits(),
                const std::u16string& name = u"hostile.js") {
    return RunInFrame(frame.get(), cef_standin::Utf8ToUtf16(source), name, limits);
  }
  // The completion value as a string, or the outcome and message.
  std::string Text(CefRefPtr<Frame> frame, const std::string& source) {
    const RunResult run = Run(frame, source);
    if (run.outcome != Outcome::kCompleted) {
      return std::string("(") + OutcomeName(run.outcome) + ") " +
             cef_standin::Utf16ToUtf8(run.exception.message.data(), run.exception.message.size());
    }
    return run.value->IsString() ? run.value->GetStringValue().ToString() : "(not a string)";
  }
  // Puts `value`, made by `make` in the main frame's context, on its window as `name`.
  void Put(const std::string& name, std::function<CefRefPtr<CefV8Value>()> make) {
    CefRefPtr<CefV8Context> context = main->GetV8Context();
    ASSERT_TRUE(context->Enter());
    context->GetGlobal()->SetValue(name, make(), V8_PROPERTY_ATTRIBUTE_NONE);
    context->Exit();
  }
  static PageSource Page(std::u16string script) {
    PageSource page;
    page.parts = {{PageSource::Part::Kind::kScript, std::move(script), u""}};
    return page;
  }
};

// Whatever the page made of `Date` and `Symbol.hasInstance`, a value is what it is: a date
// stays a date with its own time, anything else is an object, and none of the page's
// functions runs while C++ looks at the value.
struct DateCase {
  const char* name;
  const char* page;   // run first
  const char* value;  // then its completion value is looked at
  const char* kind;
  double ms;  // a date's time
};

class PageDateTest : public HostileScriptTest, public ::testing::WithParamInterface<DateCase> {};

TEST_P(PageDateTest, AValueIsWhatItIsWhateverThePageDidToDate) {
  const DateCase& c = GetParam();
  ASSERT_EQ(Run(main, std::string("var sneaked = 0;") + c.page).outcome, Outcome::kCompleted);
  const RunResult run = Run(main, c.value);
  ASSERT_EQ(run.outcome, Outcome::kCompleted) << OutcomeName(run.outcome);
  EXPECT_EQ(Probe::Kind(run.value), c.kind);
  if (run.value->IsDate()) {
    EXPECT_EQ(run.value->GetDateValue().GetDoubleT(), c.ms / 1000);
  }
  // The same through Eval, and after both no page function ran behind the page's back.
  CefRefPtr<CefV8Value> retval;
  CefRefPtr<CefV8Exception> exception;
  ASSERT_TRUE(main->GetV8Context()->Eval(c.value, "eval.js", 1, retval, exception));
  EXPECT_EQ(Probe::Kind(retval), c.kind);
  EXPECT_EQ(Text(main, "String(sneaked)"), "0");
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    PageDateTest,
    ::testing::Values(
        DateCase{"DateIsANumber", "Date = 5;", "({a: 1})", "object", 0},
        DateCase{"DateIsAnotherFunction",
                 "var kept = new Date(1234000); Date = function () { ++sneaked; };", "kept", "date",
                 1234000},
        DateCase{"HasInstanceIsThePages",
                 "Object.defineProperty(Date, Symbol.hasInstance, {value: function () {"
                 " ++sneaked; for (;;) {} }});",
                 "[{}, 1][0]", "object", 0},
        DateCase{"GetTimeIsThePages",
                 "var mine = new Date(5000); Date.prototype.getTime = function () {"
                 " ++sneaked; return 99; }; mine.getTime = Date.prototype.getTime;",
                 "mine", "date", 5000},
        DateCase{"AProxyOfADateIsAnObject", "var proxied = new Proxy(new Date(0), {});", "proxied",
                 "object", 0}),
    [](const ::testing::TestParamInfo<DateCase>& info) { return std::string(info.param.name); });

// A page that replaced `Date` still calls a native function, an accessor and an
// interceptor with its objects, and the function's context is current only while it runs.
TEST_F(HostileScriptTest, NativeCallsTakeThePagesObjectsAfterDateIsReplaced) {
  CefRefPtr<Probe> probe = new Probe();
  Put("probe", [&] { return CefV8Value::CreateFunction("probe", probe.get()); });
  Put("withAccessor", [&] {
    CefRefPtr<CefV8Value> object = CefV8Value::CreateObject(probe.get(), nullptr);
    object->SetValue("acc", V8_ACCESS_CONTROL_DEFAULT, V8_PROPERTY_ATTRIBUTE_NONE);
    return object;
  });
  Put("intercepted", [&] { return CefV8Value::CreateObject(nullptr, probe.get()); });
  EXPECT_EQ(Text(main,
                 "Date = 5; var r = [probe({}, [], function () {}), withAccessor.acc,"
                 " intercepted.x]; withAccessor.acc = {}; intercepted.y = {}; r.join()"),
            "ran,ran,ran");
  EXPECT_EQ(probe->calls, 5);
  // A plain call's receiver is undefined (Duktape's native functions are strict).
  EXPECT_THAT(probe->kinds, ::testing::ElementsAre("other", "object", "array", "function", "object",
                                                   "object", "object", "object"));
  EXPECT_FALSE(CefV8Context::InContext());
}

// V8 tells a Proxy from an array: a Proxy over an array is an object, and nothing reads
// its length through its traps.
TEST_F(HostileScriptTest, AProxyOverAnArrayIsNoArray) {
  CefRefPtr<CefV8Context> context = main->GetV8Context();
  CefRefPtr<CefV8Value> retval;
  CefRefPtr<CefV8Exception> exception;
  ASSERT_TRUE(
      context->Eval("var traps = 0; new Proxy([1, 2, 3], {get: function (t, k) { ++traps;"
                    " throw new Error('trap'); }})",
                    "p.js", 1, retval, exception));
  EXPECT_FALSE(retval->IsArray());
  EXPECT_TRUE(retval->IsObject());
  EXPECT_EQ(retval->GetArrayLength(), 0);
  // Handed to a native function, the same.
  CefRefPtr<Probe> probe = new Probe();
  probe->body = [&] { EXPECT_EQ(retval->GetArrayLength(), 0); };
  Put("probe", [&] { return CefV8Value::CreateFunction("probe", probe.get()); });
  EXPECT_EQ(Text(main, "probe(new Proxy([1], {get: function () { throw 1; }})) + traps"), "ran0");
  EXPECT_THAT(probe->kinds, ::testing::ElementsAre("other", "object"));
  // A real array's length is read as it is.
  ASSERT_TRUE(context->Eval("[1, 2, 3]", "a.js", 1, retval, exception));
  EXPECT_TRUE(retval->IsArray());
  EXPECT_EQ(retval->GetArrayLength(), 3);
}

// A handler's exception whose text no longer fits the run's memory: the run ends at its
// limit, and the handler's frame is not skipped (its context is not left current).
TEST_F(HostileScriptTest, AHandlersExceptionAtTheMemoryLimit) {
  CefRefPtr<Probe> probe = new Probe();
  probe->thrown = std::string(1 << 20, 'x');
  Put("probe", [&] { return CefV8Value::CreateFunction("probe", probe.get()); });
  const RunResult run = Run(main, "probe();", Limits{5000, 256u << 10});
  EXPECT_EQ(probe->calls, 1);
  EXPECT_EQ(run.outcome, Outcome::kMemoryLimit) << OutcomeName(run.outcome);
  EXPECT_FALSE(CefV8Context::InContext());
  EXPECT_EQ(Text(main, "'next'"), "next");
}

// A timer's entry is its own data: the page's Array.prototype getters and setters never
// see it, and the timer runs its function.
TEST_F(HostileScriptTest, ATimerIsNotReadThroughThePagesPrototypes) {
  EXPECT_EQ(Text(main,
                 "var seen = 0, ran = '';"
                 "[0, 1, 2].forEach(function (i) { Object.defineProperty(Array.prototype, i, {"
                 " get: function () { ++seen; throw new Error('getter'); },"
                 " set: function () { ++seen; }, configurable: true }); });"
                 "setTimeout(function (a, b) { ran += a + b + ','; }, 0, 'x', 'y');"
                 "setTimeout('ran += \"text\"', 0); ''"),
            "");
  renderer.RunPostedTasks();
  EXPECT_EQ(Text(main, "ran + ' ' + seen"), "xy,text 0");
}

// A frame's timer removes the frame itself: the run ends, the frame's page goes, and
// nothing of it is touched afterwards.
TEST_F(HostileScriptTest, ATimerThatRemovesItsOwnFrame) {
  renderer.AddPage(u"http://t/self.html",
                   Page(u"setTimeout(function () { var p = parent, d = p.document;"
                        u" d.body.removeChild(d.getElementById('s')); p.done = 1; }, 0);"));
  EXPECT_EQ(Text(main,
                 "var el = document.createElement('iframe'); el.id = 's';"
                 "el.src = 'http://t/self.html'; document.body.appendChild(el); 'in'"),
            "in");
  CefRefPtr<Frame> inner = browser->FindFrame("s");
  ASSERT_TRUE(inner);
  renderer.RunPostedTasks();
  EXPECT_FALSE(inner->IsValid());
  EXPECT_EQ(Text(main, "String(window.done)"), "1");
}

// What a native function throws is placed where the script called it, as V8 places it:
// the script, the line of the call and its text; nothing of the engine's own sources.
TEST_F(HostileScriptTest, ANativeFunctionsThrowIsPlacedAtTheCall) {
  CefRefPtr<Probe> probe = new Probe();
  probe->thrown = "Invalid arguments; expecting a single object";
  Put("query", [&] { return CefV8Value::CreateFunction("query", probe.get()); });
  const RunResult run = Run(main, "var a = 1;\n  query(7);\n", Limits(), u"http://t/page.js");
  ASSERT_EQ(run.outcome, Outcome::kThrew);
  EXPECT_EQ(cef_standin::Utf16ToUtf8(run.exception.message.data(), run.exception.message.size()),
            "Uncaught Error: Invalid arguments; expecting a single object");
  EXPECT_EQ(run.exception.scriptName, u"http://t/page.js");
  EXPECT_EQ(run.exception.line, 2);
  EXPECT_EQ(run.exception.sourceLine, u"  query(7);");
  EXPECT_EQ(run.exception.stack.find(u".cpp"), std::u16string::npos);
  EXPECT_EQ(run.exception.stack.find(u".c:"), std::u16string::npos);

  // Eval's exception says the same, from a function of the script too.
  CefRefPtr<CefV8Value> retval;
  CefRefPtr<CefV8Exception> exception;
  EXPECT_FALSE(
      main->GetV8Context()->Eval("function f() {\n  var r = query(7);\n  return r;\n}\nf();",
                                 "http://t/eval.js", 10, retval, exception));
  ASSERT_TRUE(exception);
  EXPECT_EQ(exception->GetScriptResourceName().ToString(), "http://t/eval.js");
  EXPECT_EQ(exception->GetLineNumber(), 11);
  EXPECT_EQ(exception->GetSourceLine().ToString(), "  var r = query(7);");
  // And what script sees of it.
  EXPECT_EQ(Text(main, "try { query(7); } catch (e) { e.fileName + ':' + e.lineNumber }"),
            "hostile.js:1");
}

// A fatal error inside a nested run (a run a handler started) gives the heap up; the
// outer run ends with it, and runs of a new page have their limits armed again.
TEST_F(HostileScriptTest, AFatalErrorInANestedRun) {
  auto* context = dynamic_cast<cef_standin::V8Context*>(main->GetV8Context().get());
  ASSERT_TRUE(context);
  duk_context* thread = Engine::Get().Thread(context->environment());
  ASSERT_TRUE(thread);
  duk_push_global_object(thread);
  duk_push_c_function(
      thread,
      [](duk_context* ctx) -> duk_ret_t {
        duk_fatal(ctx, "injected");
        return 0;
      },
      0);
  duk_put_prop_string(thread, -2, "fatal");
  duk_pop(thread);
  CefRefPtr<Probe> probe = new Probe();
  RunResult nested;
  probe->body = [&] {
    nested = cef_standin::script::RunInContext(main->GetV8Context(), u"fatal()", u"nested.js", 1);
  };
  Put("probe", [&] { return CefV8Value::CreateFunction("probe", probe.get()); });
  const RunResult outer = Run(main, "probe(); 'after'");
  EXPECT_EQ(nested.outcome, Outcome::kFatal);
  EXPECT_EQ(outer.outcome, Outcome::kFatal);
  ASSERT_EQ(Engine::Get().depth(), 0);
  EXPECT_FALSE(CefV8Context::InContext());

  CefRefPtr<Frame> fresh = browser->AddFrame("fresh");
  renderer.CreateContext(fresh);
  EXPECT_EQ(Run(fresh, "for (;;) {}", Limits{100, 64u << 20}).outcome, Outcome::kTimeLimit);
}

}  // namespace
