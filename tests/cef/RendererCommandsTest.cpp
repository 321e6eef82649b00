// The commands the browser process sends to a renderer, and the DOM capture.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <ostream>

#include <gmock/gmock.h>

#include "cef/DomVisitor.h"
#include "cef/RendererFixture.h"

namespace renderer_test {
namespace {

using cef_standin::IncomingMessage;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

using RendererCommandsTest = RendererFixture;

struct Capture {
  const char* request;  // the request's arguments (JSON)
  std::optional<std::u16string> body;
  const char* reply;  // the reply's arguments
};

void PrintTo(const Capture& capture, std::ostream* out) {
  *out << capture.request << " / " << capture.reply;
}

class DocumentCaptureTest : public RendererFixture,
                            public ::testing::WithParamInterface<Capture> {};

TEST_P(DocumentCaptureTest, RepliesWithTheEchoAndTheBodyText) {
  main->SetBodyText(GetParam().body);

  // The answer CEF gets is the router's, not the command's.
  EXPECT_FALSE(
      renderer.Deliver(main, PID_BROWSER, IncomingMessage("getDocumentBody", GetParam().request)));
  EXPECT_THAT(Sent(main), ElementsAre(std::string("getDocumentFinished ") + GetParam().reply));
}

INSTANTIATE_TEST_SUITE_P(
    RendererCommands,
    DocumentCaptureTest,
    ::testing::Values(
        Capture{R"(["17"])", u"Hello",
                R"([{"type":"string","value":"17"},{"type":"string","value":"Hello"}])"},
        Capture{R"(["e", "further entries are not read"])", u"x",
                R"([{"type":"string","value":"e"},{"type":"string","value":"x"}])"},
        // Entry 0 is read as a string: missing or of another type, it echoes "".
        Capture{"[]", u"x", R"([{"type":"string","value":""},{"type":"string","value":"x"}])"},
        Capture{"[17]", u"x", R"([{"type":"string","value":""},{"type":"string","value":"x"}])"},
        Capture{"[null, \"1\"]", u"x",
                R"([{"type":"string","value":""},{"type":"string","value":"x"}])"},
        Capture{"[[\"nested\"]]", u"x",
                R"([{"type":"string","value":""},{"type":"string","value":"x"}])"},
        // An empty body, and a document without one, both give "".
        Capture{R"(["1"])", u"", R"([{"type":"string","value":"1"},{"type":"string","value":""}])"},
        Capture{R"(["1"])", std::nullopt,
                R"([{"type":"string","value":"1"},{"type":"string","value":""}])"},
        // The text, not the markup.
        Capture{R"(["1"])", u"<b> & Grüße 😀",
                R"([{"type":"string","value":"1"},{"type":"string","value":"<b> & Grüße 😀"}])"}));

TEST_F(RendererCommandsTest, EachRequestGetsItsOwnReply) {
  main->SetBodyText(std::u16string(u"Main"));
  renderer.Deliver(main, PID_BROWSER, IncomingMessage("getDocumentBody", R"(["a"])"));
  main->SetBodyText(std::u16string(u"Changed"));
  renderer.Deliver(main, PID_BROWSER, IncomingMessage("getDocumentBody", R"(["b"])"));

  EXPECT_THAT(Sent(main), ElementsAre(R"(getDocumentFinished [{"type":"string","value":"a"},)"
                                      R"({"type":"string","value":"Main"}])",
                                      R"(getDocumentFinished [{"type":"string","value":"b"},)"
                                      R"({"type":"string","value":"Changed"}])"));
}

TEST_F(RendererCommandsTest, ARequestThroughANestedFrameReadsTheMainDocument) {
  main->SetBodyText(std::u16string(u"Main"));
  renderer.Deliver(child, PID_BROWSER, IncomingMessage("getDocumentBody", R"(["n"])"));

  EXPECT_THAT(Sent(main), ElementsAre(R"(getDocumentFinished [{"type":"string","value":"n"},)"
                                      R"({"type":"string","value":"Main"}])"));
  EXPECT_THAT(Sent(child), IsEmpty());
}

TEST_F(RendererCommandsTest, TheReplyGoesToTheRequestsBrowserNotTheBridgeBrowser) {
  CefRefPtr<Browser> second = renderer.CreateBrowser(2);
  second->mainFrame()->SetBodyText(std::u16string(u"Second"));
  renderer.Deliver(second->mainFrame(), PID_BROWSER,
                   IncomingMessage("getDocumentBody", R"(["2"])"));

  EXPECT_THAT(Sent(second->mainFrame()),
              ElementsAre(R"(getDocumentFinished [{"type":"string","value":"2"},)"
                          R"({"type":"string","value":"Second"}])"));
  EXPECT_THAT(Sent(main), IsEmpty());
}

TEST_F(RendererCommandsTest, CommandsAreHonouredOnlyExactlyAndOnlyFromTheBrowserProcess) {
  struct Ignored {
    CefProcessId source;
    const char* name;
  };
  for (const Ignored& message :
       {Ignored{PID_RENDERER, "getDocumentBody"}, Ignored{PID_RENDERER, "terminateProc"},
        Ignored{PID_BROWSER, "GetDocumentBody"}, Ignored{PID_BROWSER, "getdocumentbody"},
        Ignored{PID_BROWSER, "getDocumentBody "}, Ignored{PID_BROWSER, "TerminateProc"},
        Ignored{PID_BROWSER, ""}}) {
    SCOPED_TRACE(message.name);
    // Not honoured, and not the router's either: the process goes on, nothing is sent.
    EXPECT_FALSE(renderer.Deliver(main, message.source, IncomingMessage(message.name, R"(["1"])")));
  }
  EXPECT_THAT(Sent(main), IsEmpty());
}

TEST_F(RendererCommandsTest, EveryMessageIsOfferedToTheRouterWhoseAnswerIsReturned) {
  // The page asks through the router; the browser's answer is the router's message.
  cef_standin::CallResult query =
      renderer.Call(main, "cefQuery", cef_standin::PageArguments(R"([{"request": "ping"}])"));
  ASSERT_TRUE(query.retval && query.retval->IsInt());
  ASSERT_EQ(Sent(main).size(), 1u);
  const int contextId = main->sent()[0].arguments->GetInt(0);
  const std::string answer = "[" + std::to_string(contextId) + ", " +
                             std::to_string(query.retval->GetIntValue()) + ", true, \"pong\"]";

  EXPECT_TRUE(renderer.Deliver(main, PID_BROWSER, IncomingMessage("cefQueryMsg", answer)));
  EXPECT_TRUE(renderer.Deliver(main, PID_RENDERER, IncomingMessage("cefQueryMsg")));
  EXPECT_EQ(
      app->OnProcessMessageReceived(browser, main, PID_BROWSER, IncomingMessage("somethingElse")),
      false);
}

TEST_F(RendererCommandsTest, TerminateFromTheBrowserProcessEndsTheProcessNormally) {
  EXPECT_EXIT(
      {
        std::atexit([] { std::fputs("exit handlers ran", stderr); });
        renderer.Deliver(main, PID_BROWSER, IncomingMessage("terminateProc"));
        std::fputs("still running", stderr);
        std::_Exit(3);
      },
      ::testing::ExitedWithCode(0), "exit handlers ran");
}

TEST_F(RendererCommandsTest, NoMainFrameWhenTheRequestArrivesMeansNoReply) {
  browser->SetMainFrameAvailable(false);
  EXPECT_FALSE(
      renderer.Deliver(child, PID_BROWSER, IncomingMessage("getDocumentBody", R"(["1"])")));
  browser->SetMainFrameAvailable(true);
  EXPECT_THAT(Sent(main), IsEmpty());
  EXPECT_THAT(Sent(child), IsEmpty());
}

TEST_F(RendererCommandsTest, ALaterVisitStillAnswersTheRequest) {
  // CEF may run the visitor after the message has been handled: the reply then still
  // carries the request's echo, through the request's browser.
  main->DeferDomVisits(true);
  main->SetBodyText(std::u16string(u"Later"));
  renderer.Deliver(main, PID_BROWSER, IncomingMessage("getDocumentBody", R"(["kept"])"));
  EXPECT_THAT(Sent(main), IsEmpty());

  EXPECT_EQ(main->RunDeferredDomVisits(), 1u);
  EXPECT_THAT(Sent(main), ElementsAre(R"(getDocumentFinished [{"type":"string","value":"kept"},)"
                                      R"({"type":"string","value":"Later"}])"));
}

TEST_F(RendererCommandsTest, NoMainFrameWhenTheReplyIsDueMeansNoReply) {
  main->DeferDomVisits(true);
  renderer.Deliver(main, PID_BROWSER, IncomingMessage("getDocumentBody", R"(["1"])"));
  browser->SetMainFrameAvailable(false);
  EXPECT_EQ(main->RunDeferredDomVisits(), 1u);
  browser->SetMainFrameAvailable(true);
  EXPECT_THAT(Sent(main), IsEmpty());
}

TEST(DomVisitorTest, AnEmptyCallbackOrNoDocumentDoNotThrow) {
  std::string text = "unset";
  CefRefPtr<EmbeddedBrowser::CEF::Core::DomVisitor> visitor =
      new EmbeddedBrowser::CEF::Core::DomVisitor([&text](const std::string& t) { text = t; });
  visitor->Visit(nullptr);
  EXPECT_EQ(text, "");

  CefRefPtr<EmbeddedBrowser::CEF::Core::DomVisitor> empty =
      new EmbeddedBrowser::CEF::Core::DomVisitor(nullptr);
  EXPECT_NO_THROW(empty->Visit(nullptr));
}

TEST(DomVisitorTest, TheLastReferenceDeletesTheVisitorAndItsCallback) {
  auto held = std::make_shared<int>(0);
  std::weak_ptr<int> watch = held;
  CefRefPtr<EmbeddedBrowser::CEF::Core::DomVisitor> visitor =
      new EmbeddedBrowser::CEF::Core::DomVisitor([held](const std::string&) {});
  held.reset();
  EXPECT_TRUE(visitor->HasOneRef());
  {
    CefRefPtr<CefDOMVisitor> second = visitor.get();
    EXPECT_FALSE(visitor->HasOneRef());
    EXPECT_TRUE(visitor->HasAtLeastOneRef());
  }
  EXPECT_FALSE(watch.expired());
  visitor = nullptr;
  EXPECT_TRUE(watch.expired());
}

}  // namespace
}  // namespace renderer_test
