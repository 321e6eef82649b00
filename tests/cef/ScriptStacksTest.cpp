// Where script is, as the stand-in tells C++: CefV8StackTrace::GetCurrent from a handler,
// the stack an uncaught exception carries to OnUncaughtException, and extensions
// registered with CefRegisterExtension run in every new context.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "include/cef_app.h"
#include "include/cef_v8.h"
#include "src/page/script.h"
#include "src/v8/uncaught_exception.h"
#include "standin/renderer_process.h"

namespace {

using cef_standin::Browser;
using cef_standin::Frame;
using cef_standin::RendererProcess;

// Calls `body` from the handler of every function it is bound to.
class CallHandler : public CefV8Handler {
 public:
  explicit CallHandler(std::function<void(const CefString&)> body) : body_(std::move(body)) {}
  bool Execute(const CefString& name,
               CefRefPtr<CefV8Value>,
               const CefV8ValueList&,
               CefRefPtr<CefV8Value>& retval,
               CefString&) override {
    body_(name);
    retval = CefV8Value::CreateInt(3);
    return true;
  }

 private:
  std::function<void(const CefString&)> body_;
  IMPLEMENT_REFCOUNTING(CallHandler);
};

// "name@script:line:column" for each frame, with "eval" and "new" marks.
std::vector<std::string> Describe(CefRefPtr<CefV8StackTrace> trace) {
  std::vector<std::string> lines;
  for (int i = 0; trace && i < trace->GetFrameCount(); ++i) {
    CefRefPtr<CefV8StackFrame> frame = trace->GetFrame(i);
    lines.push_back(frame->GetFunctionName().ToString() + "@" + frame->GetScriptName().ToString() +
                    ":" + std::to_string(frame->GetLineNumber()) + ":" +
                    std::to_string(frame->GetColumn()) + (frame->IsEval() ? " eval" : ""));
  }
  return lines;
}

// A renderer whose application records what its handler hears.
class Recorder : public CefApp, public CefRenderProcessHandler {
 public:
  CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override { return this; }
  void OnUncaughtException(CefRefPtr<CefBrowser>,
                           CefRefPtr<CefFrame> frame,
                           CefRefPtr<CefV8Context> context,
                           CefRefPtr<CefV8Exception> exception,
                           CefRefPtr<CefV8StackTrace> stackTrace) override {
    EXPECT_TRUE(context->IsSame(frame->GetV8Context()));
    uncaught.push_back(exception->GetMessage().ToString());
    stacks.push_back(Describe(stackTrace));
  }

  std::vector<std::string> uncaught;
  std::vector<std::vector<std::string>> stacks;

 private:
  IMPLEMENT_REFCOUNTING(Recorder);
};

class ScriptStacksTest : public ::testing::Test {
 protected:
  // A renderer asked for stacks of `frames` frames, with a browser and a main frame.
  void Open(int frames) {
    cef_standin::SetBrowserUncaughtExceptionStackSize(frames);
    renderer = std::make_unique<RendererProcess>(app.get());
    browser = renderer->CreateBrowser(1);
    main = browser->mainFrame();
    main->LoadURL("http://tests/page");
    renderer->CreateContext(main);
  }
  ~ScriptStacksTest() override {
    renderer.reset();
    cef_standin::SetBrowserUncaughtExceptionStackSize(0);
  }

  void RunPage(const char16_t* source) {
    cef_standin::RunPageScript(main, {source, u"http://tests/page", {}});
  }

  CefRefPtr<Recorder> app = new Recorder();
  std::unique_ptr<RendererProcess> renderer;
  CefRefPtr<Browser> browser;
  CefRefPtr<Frame> main;
};

TEST_F(ScriptStacksTest, TheCurrentStackHasTheScriptsFramesWithLinesAndColumns) {
  Open(0);
  CefRefPtr<CefV8StackTrace> trace;
  int limit = 10;
  CefRefPtr<CefV8Context> context = main->GetV8Context();
  ASSERT_TRUE(context->Enter());
  context->GetGlobal()->SetValue(
      "where", CefV8Value::CreateFunction("where", new CallHandler([&](const CefString&) {
                                            trace = CefV8StackTrace::GetCurrent(limit);
                                          })),
      V8_PROPERTY_ATTRIBUTE_NONE);
  context->Exit();
  CefRefPtr<CefV8Value> retval;
  CefRefPtr<CefV8Exception> exception;
  const std::string code =
      "function inner() { return window.where(); }\n"
      "function outer() { [1].forEach(function each() { inner(); }); }\n"
      "outer();\n"
      "eval('\\n  inner()');";
  ASSERT_TRUE(context->Eval(code, "", 0, retval, exception));
  // The last call: from code that eval ran (its lines its own, its source not kept, so no
  // column), which the top level called.
  EXPECT_EQ(Describe(trace), (std::vector<std::string>{"inner@:1:34", "@:2:0 eval", "@:4:1"}));

  // The earlier call, through a native forEach (not a frame, but named as the callee);
  // at most `limit` frames, innermost first.
  limit = 3;
  ASSERT_TRUE(context->Eval("outer()", "again.js", 1, retval, exception));
  EXPECT_EQ(Describe(trace),
            (std::vector<std::string>{"inner@:1:34", "each@:2:50", "outer@:2:24"}));

  // Outside any script: a trace with no frames.
  EXPECT_EQ(CefV8StackTrace::GetCurrent(10)->GetFrameCount(), 0);
}

// V8 keeps the frame of a function whose last act is a call: `outer` is still there.
TEST_F(ScriptStacksTest, ACallInTailPositionKeepsItsCallersFrame) {
  Open(0);
  CefRefPtr<CefV8StackTrace> trace;
  CefRefPtr<CefV8Context> context = main->GetV8Context();
  ASSERT_TRUE(context->Enter());
  context->GetGlobal()->SetValue(
      "where", CefV8Value::CreateFunction("where", new CallHandler([&](const CefString&) {
                                            trace = CefV8StackTrace::GetCurrent(10);
                                          })),
      V8_PROPERTY_ATTRIBUTE_NONE);
  context->Exit();
  CefRefPtr<CefV8Value> retval;
  CefRefPtr<CefV8Exception> exception;
  ASSERT_TRUE(
      context->Eval("function inner() { where(); }\nfunction outer() { return inner(); }\nouter();",
                    "tail.js", 1, retval, exception));
  EXPECT_EQ(Describe(trace),
            (std::vector<std::string>{"inner@tail.js:1:20", "outer@tail.js:2:27", "@tail.js:3:1"}));
}

// A page's script that throws is uncaught: the handler hears it with V8's wording and the
// frames where the error was made, at most as many as the renderer was asked for.
TEST_F(ScriptStacksTest, AnUncaughtExceptionCarriesTheStackWhereItWasMade) {
  Open(2);
  RunPage(
      u"function test() { test2(); }\nfunction test2() { inner(); }\n"
      u"function inner() { asd(); }\ntest();");
  RunPage(u"try { asd(); } catch (e) {}\nthrow 'plain';");
  ASSERT_EQ(app->uncaught, (std::vector<std::string>{"Uncaught ReferenceError: asd is not defined",
                                                     "Uncaught plain"}));
  EXPECT_EQ(app->stacks[0], (std::vector<std::string>{"inner@http://tests/page:3:0",
                                                      "test2@http://tests/page:2:20"}));
  // A thrown value that is no error carries no stack.
  EXPECT_TRUE(app->stacks[1].empty());
}

TEST_F(ScriptStacksTest, NobodyHearsOfUncaughtExceptionsUnlessAsked) {
  Open(0);
  RunPage(u"asd();");
  EXPECT_TRUE(app->uncaught.empty());
}

// An extension runs in each new context before the application hears of it, its native
// declarations calling its handler; one that throws leaves the others running. They go
// with the renderer.
TEST_F(ScriptStacksTest, ExtensionsRunInEveryNewContextAndGoWithTheRenderer) {
  Open(0);
  std::vector<std::string> calls;
  auto handler = [&calls](const CefString& name) { calls.push_back(name.ToString()); };
  ASSERT_TRUE(CefRegisterExtension("v8/broken", "throw new Error('no');", nullptr));
  ASSERT_TRUE(CefRegisterExtension("v8/test",
                                   "native function hello();\nnative  function\tagain(a, b) ;\nvar "
                                   "fromExtension = hello() + again();",
                                   new CallHandler(handler)));
  CefRefPtr<Frame> child = browser->AddFrame("child");
  renderer->CreateContext(child);
  EXPECT_EQ(calls, (std::vector<std::string>{"hello", "again"}));
  CefRefPtr<CefV8Value> retval;
  CefRefPtr<CefV8Exception> exception;
  ASSERT_TRUE(
      child->GetV8Context()->Eval("fromExtension + typeof hello", "", 1, retval, exception));
  EXPECT_EQ(retval->GetStringValue().ToString(), "6function");

  renderer.reset();
  calls.clear();
  Open(0);
  EXPECT_TRUE(calls.empty());
}

}  // namespace
