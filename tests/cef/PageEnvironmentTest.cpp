// What a page's script environment gives beyond the language, and the frames it makes:
// the document's iframes and their child frames, ExecuteJavaScript, and which context is
// current and which entered while a native function runs.
#include <functional>
#include <string>

#include <gmock/gmock.h>

#include "cef/RendererFixture.h"
#include "include/cef_v8.h"
#include "src/base/utf.h"
#include "src/v8/run.h"

namespace {

using cef_standin::Browser;
using cef_standin::Frame;
using cef_standin::PageSource;
using renderer_test::RendererFixture;

// A handler that runs a function, and counts its own end.
class FunctionHandler : public CefV8Handler {
 public:
  FunctionHandler(std::function<CefRefPtr<CefV8Value>()> body, int* gone)
      : body_(std::move(body)), gone_(gone) {}
  ~FunctionHandler() override {
    if (gone_) {
      ++*gone_;
    }
  }
  bool Execute(const CefString&,
               CefRefPtr<CefV8Value>,
               const CefV8ValueList&,
               CefRefPtr<CefV8Value>& retval,
               CefString&) override {
    retval = body_();
    return true;
  }

 private:
  std::function<CefRefPtr<CefV8Value>()> body_;
  int* gone_;
  IMPLEMENT_REFCOUNTING(FunctionHandler);
};

class PageEnvironmentTest : public RendererFixture {
 protected:
  // The completion value of `source` in the frame's page, as a string.
  static std::string Run(CefRefPtr<Frame> frame, const std::string& source) {
    const cef_standin::script::RunResult run =
        cef_standin::script::RunInFrame(frame.get(), cef_standin::Utf8ToUtf16(source), u"test.js");
    if (run.outcome != cef_standin::script::Outcome::kCompleted) {
      return std::string("(") + cef_standin::script::OutcomeName(run.outcome) + ") " +
             cef_standin::Utf16ToUtf8(run.exception.message.data(), run.exception.message.size());
    }
    return run.value->IsString() ? run.value->GetStringValue().ToString() : "(not a string)";
  }

  // A function made in the frame's context, put on `window`'s page as `name`.
  void Define(CefRefPtr<Frame> in,
              CefRefPtr<Frame> on,
              const std::string& name,
              std::function<CefRefPtr<CefV8Value>()> body,
              int* gone = nullptr) {
    CefRefPtr<CefV8Context> context = renderer.ContextOf(in);
    ASSERT_TRUE(context->Enter());
    CefRefPtr<CefV8Value> function =
        CefV8Value::CreateFunction(name, new FunctionHandler(body, gone));
    context->Exit();
    CefRefPtr<CefV8Context> target = renderer.ContextOf(on);
    ASSERT_TRUE(target->Enter());
    target->GetGlobal()->SetValue(name, function, V8_PROPERTY_ATTRIBUTE_NONE);
    target->Exit();
  }

  static PageSource Page(std::vector<PageSource::Part> parts, std::u16string onload = u"") {
    PageSource page;
    page.parts = std::move(parts);
    page.bodyOnload = std::move(onload);
    return page;
  }
  static PageSource::Part Script(std::u16string source) {
    return {PageSource::Part::Kind::kScript, std::move(source), u""};
  }
  static PageSource::Part IFrame(std::u16string src, std::u16string id) {
    return {PageSource::Part::Kind::kFrame, std::move(src), std::move(id)};
  }
};

TEST_F(PageEnvironmentTest, AnIFrameOfThePageLoadsItsChildFrameBeforeTheParentEndsLoading) {
  renderer.AddPage(u"http://t/child.html",
                   Page({Script(u"var mark = 'child of ' + parent.name;")}));
  renderer.AddPage(u"http://t/main.html",
                   Page({Script(u"var name = 'main'; var before = document.getElementById('f');"),
                         IFrame(u"http://t/child.html", u"f"), Script(u"var after = 1;")},
                        u"var loaded = document.getElementById('f').contentWindow.mark;"));
  CefRefPtr<Browser> other = renderer.CreateBrowser(2);
  CefRefPtr<Frame> top = other->mainFrame();
  renderer.LoadPage(top, u"http://t/main.html");

  ASSERT_EQ(other->GetFrameCount(), 2u);
  CefRefPtr<Frame> inner = other->FindFrame("f");
  ASSERT_TRUE(inner);
  EXPECT_EQ(inner->GetURL().ToString(), "http://t/child.html");
  EXPECT_EQ(inner->GetParent()->GetIdentifier(), top->GetIdentifier());
  EXPECT_EQ(Run(top, "[before, after, loaded, window.parent === window].join()"),
            ",1,child of main,true");
  // The child's page has its own document, and its parent is the main frame's window.
  EXPECT_EQ(
      Run(inner, "[document.getElementById('f'), parent.name, parent.parent === parent].join()"),
      ",main,true");
  EXPECT_EQ(renderer.TakeLoadEnd(), inner);
  EXPECT_EQ(renderer.TakeLoadEnd(), top);
  EXPECT_EQ(renderer.TakeLoadEnd(), nullptr);
}

TEST_F(PageEnvironmentTest, RemovingAnIFrameReleasesItsPageAndDetachesItsFrame) {
  renderer.AddPage(u"http://t/child.html", Page({Script(u"var mark = 'child';")}));
  EXPECT_EQ(
      Run(main,
          "var el = document.createElement('iframe'); el.id = 'c'; el.src = 'http://t/child.html';"
          "var loads = 0; el.onload = function () { ++loads; };"
          "document.body.appendChild(el); [loads, el.contentWindow.mark].join()"),
      "0,child");
  renderer.RunPostedTasks();  // the iframe's onload runs as a task
  EXPECT_EQ(Run(main, "String(loads)"), "1");
  CefRefPtr<Frame> inner = browser->FindFrame("c");
  ASSERT_TRUE(inner && renderer.ContextOf(inner));
  CefRefPtr<CefV8Context> released = renderer.ContextOf(inner);

  EXPECT_EQ(
      Run(main,
          "var w = el.contentWindow; document.body.removeChild(el);"
          "[el.contentWindow, el.parentElement, document.getElementById('c'), w.mark].join()"),
      ",,,child");
  EXPECT_FALSE(released->IsValid());
  EXPECT_FALSE(inner->IsValid());
  EXPECT_EQ(browser->FindFrame("c"), nullptr);
  // A page may remove its own frame, and its script goes on to its end.
  EXPECT_EQ(Run(main, "document.body.appendChild(el); 'again'"), "again");
  CefRefPtr<Frame> again = browser->FindFrame("c");
  ASSERT_TRUE(again);
  EXPECT_EQ(Run(again,
                "var p = parent; p.document.body.removeChild(p.document.getElementById('c'));"
                "var after = []; for (var i = 0; i < 1000; ++i) after.push({i: i}); "
                "String(after.length) + ' ' + typeof document"),
            "1000 object");
  EXPECT_FALSE(again->IsValid());
  renderer.RunPostedTasks();  // its onload still runs: it belongs to the main page
  EXPECT_EQ(Run(main, "String(loads)"), "2");
  // Removing it again is the DOM's NotFoundError, not a crash.
  EXPECT_THAT(Run(main, "document.body.removeChild(el)"),
              ::testing::HasSubstr("The node to be removed is not a child of this node"));
}

TEST_F(PageEnvironmentTest, ANativeFunctionRunsInItsOwnContextWhileTheEnteredOneStays) {
  bool current = false;
  bool entered = false;
  Define(child, main, "probe", [&] {
    current = CefV8Context::GetCurrentContext()->IsSame(renderer.ContextOf(child));
    entered = CefV8Context::GetEnteredContext()->IsSame(renderer.ContextOf(main));
    return CefV8Value::CreateString("ran");
  });
  EXPECT_EQ(Run(main, "probe()"), "ran");
  EXPECT_TRUE(current);
  EXPECT_TRUE(entered);
}

TEST_F(PageEnvironmentTest, AFunctionOfAPageReleasedWhileScriptRunsStillRunsItsHandler) {
  int gone = 0;
  bool currentValid = true;
  Define(
      child, main, "alive",
      [&] {
        currentValid = CefV8Context::GetCurrentContext()->IsValid();
        return CefV8Value::CreateString("yes");
      },
      &gone);
  Define(main, main, "dropChild", [&] {
    renderer.ReleaseContext(child);
    return CefV8Value::CreateString("dropped");
  });

  EXPECT_EQ(Run(main, "dropChild() + ' ' + alive()"), "dropped yes");
  EXPECT_FALSE(currentValid);
  // Once the run is over, the released page's handler is let go.
  EXPECT_EQ(gone, 1);
}

// What browsers take without complaint, a page's timers take too.
TEST_F(PageEnvironmentTest, TimersTakeOddArgumentsAsBrowsersDo) {
  EXPECT_EQ(Run(main,
                "var ran = []; clearTimeout(); clearTimeout('x'); clearTimeout(99);"
                "var a = setTimeout(function () { ran.push('negative'); }, -5);"
                "var b = setTimeout(function () { ran.push('NaN'); }, 'soon');"
                "var c = setTimeout(); [a, b, c].join()"),
            "1,2,3");
  renderer.RunPostedTasks();
  EXPECT_EQ(Run(main, "ran.join()"), "negative,NaN");
}

// A timer that sets itself again without a delay waits 4 ms from the sixth time on, as in
// browsers: running the thread's due tasks comes to an end.
TEST_F(PageEnvironmentTest, ATimerThatSetsItselfAgainLetsTheThreadGoOn) {
  Run(main, "var ticks = 0; (function tick() { ++ticks; setTimeout(tick, 0); })(); ''");
  renderer.RunPostedTasks();
  // Six at once; a slow machine may find a 4 ms one due as well, now and then.
  EXPECT_EQ(Run(main, "String(ticks >= 6 && ticks < 1000)"), "true");
}

TEST_F(PageEnvironmentTest, ExecuteJavaScriptRunsAtOnceOrOnceTheFrameHasItsFirstContext) {
  main->ExecuteJavaScript("var now = 'at once';", "http://t/a.js", 1);
  EXPECT_EQ(Run(main, "now"), "at once");

  CefRefPtr<Frame> late = browser->AddFrame("late");
  late->ExecuteJavaScript("var early = 'queued';", "http://t/b.js", 1);
  renderer.CreateContext(late);
  EXPECT_EQ(Run(late, "early"), "queued");

  // A page that is gone runs nothing.
  renderer.ReleaseContext(child);
  child->ExecuteJavaScript("parent.gone = 'ran';", "http://t/c.js", 1);
  EXPECT_EQ(Run(main, "typeof gone"), "undefined");
}

}  // namespace
