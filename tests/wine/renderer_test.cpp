// Quorvane.exe as a renderer under Wine, driven by the stand-in's scenario player: bridge
// calls, the document capture, the terminate command and hostile input.
#include <gmock/gmock.h>

#include "wine/harness.h"

namespace {

using harness::Json;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::vector<std::string> kRendererArgs = {"C:\\X", "--type=renderer"};

// A browser with a nested frame, a page in each, and the main document's body.
const std::string kPage =
    R"({"op":"browser","id":1}
{"op":"frame","browser":1,"name":"child"}
{"op":"body","browser":1,"text":"Hello"}
{"op":"context","browser":1,"frame":"main"}
{"op":"context","browser":1,"frame":"child"}
)";

harness::Result runRenderer(const std::string& steps) {
  return harness::runQuorvane({kRendererArgs, {}, kPage + steps});
}

// The messages that left for the browser process, as "frame name args".
std::vector<std::string> sentMessages(const harness::Result& result) {
  std::vector<std::string> lines;
  for (const Json& event : result.named("SendProcessMessage")) {
    EXPECT_EQ(event["target"], "browser");
    lines.push_back(event["frame"].get<std::string>() + " " + event["name"].get<std::string>() +
                    " " + event["args"].dump());
  }
  return lines;
}

TEST(RendererTest, BridgeCallWithMixedArgumentsArrivesAsTheTableSays) {
  harness::Result result = runRenderer(
      R"({"op":"globals","browser":1,"frame":"child"}
{"op":"call","browser":1,"frame":"child","function":"filesDropped","args":["a",2.5,true,{"$":"undefined"},"b",{"$":"invalid"},7,{"$":"object"}]}
)");

  harness::expectPlayedOut(result);
  EXPECT_THAT(result.only("Globals")["names"],
              ElementsAre("bitmojiApp", "cefQuery", "cefQueryCancel", "contextMenu", "ecmCancel",
                          "ecmError", "ecmShare", "ecmToken", "embApps", "filesDropped",
                          "focusedMessageLoaded", "notifyRequestReady", "onKeyEventHappened",
                          "onMouseDownEventHappened", "openTab", "tanduAppExtensions"));
  // Sent through the main frame although the nested frame called.
  EXPECT_THAT(sentMessages(result),
              ElementsAre(R"(main filesDropped [{"type":"string","value":"a"},)"
                          R"({"type":"double","value":2.5},{"type":"bool","value":true},)"
                          R"({"type":"null"},{"type":"string","value":"b"},)"
                          R"({"type":"double","value":7.0}])"));
  Json execute = result.only("Execute");
  EXPECT_EQ(execute["frame"], "child");
  EXPECT_EQ(execute["handled"], true);
  EXPECT_EQ(execute["retval_set"], false);
  EXPECT_EQ(execute["exception"], "");
}

TEST(RendererTest, GetDocumentBodyIsAnsweredWithTheEchoAndTheBodyText) {
  harness::Result result = runRenderer(
      R"({"op":"message","browser":1,"frame":"child","source":"browser","name":"getDocumentBody","args":["17"]}
{"op":"body","browser":1,"text":null}
{"op":"message","browser":1,"frame":"main","source":"browser","name":"getDocumentBody","args":["18"]}
{"op":"message","browser":1,"frame":"main","source":"renderer","name":"getDocumentBody","args":["19"]}
)");

  harness::expectPlayedOut(result);
  EXPECT_THAT(sentMessages(result),
              ElementsAre(R"(main getDocumentFinished [{"type":"string","value":"17"},)"
                          R"({"type":"string","value":"Hello"}])",
                          R"(main getDocumentFinished [{"type":"string","value":"18"},)"
                          R"({"type":"string","value":""}])"));
  // CEF gets the router's answer: not its message, so not handled.
  for (const Json& received : result.named("OnProcessMessageReceived")) {
    EXPECT_EQ(received["handled"], false);
  }
}

TEST(RendererTest, ACrossSiteMainFrameLeavesCallsAndCapturesUnanswered) {
  // The main frame moves to another process (its page's context goes with it); the
  // nested frame stays here. Then it comes back with a new page.
  harness::Result result = runRenderer(
      R"({"op":"main_frame","browser":1,"available":false}
{"op":"call","browser":1,"frame":"child","function":"ecmShare","args":["while away"]}
{"op":"message","browser":1,"frame":"child","source":"browser","name":"getDocumentBody","args":["1"]}
{"op":"main_frame","browser":1,"available":true}
{"op":"context","browser":1,"frame":"main"}
{"op":"call","browser":1,"frame":"child","function":"ecmShare","args":["back"]}
{"op":"message","browser":1,"frame":"child","source":"browser","name":"getDocumentBody","args":["2"]}
)");

  harness::expectPlayedOut(result);
  // Nothing went out while the main frame was away: no bridge message, no reply with a
  // text this process could not read.
  EXPECT_THAT(sentMessages(result),
              ElementsAre(R"(main ecmShare [{"type":"string","value":"back"}])",
                          R"(main getDocumentFinished [{"type":"string","value":"2"},)"
                          R"({"type":"string","value":"Hello"}])"));
  std::vector<Json> calls = result.named("Execute");
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0]["handled"], false);
  EXPECT_EQ(calls[0]["exception"], "");
  EXPECT_EQ(calls[1]["handled"], true);
  for (const Json& received : result.named("OnProcessMessageReceived")) {
    EXPECT_EQ(received["handled"], false);
  }
  EXPECT_EQ(result.named("VisitDOM").size(), 1u);
  EXPECT_EQ(result.named("OnContextReleased").size(), 1u);
}

TEST(RendererTest, AStepOnAMainFrameInAnotherProcessIsAScenarioError) {
  harness::Result result = runRenderer(
      R"({"op":"main_frame","browser":1,"available":false}
{"op":"call","browser":1,"frame":"main","function":"ecmShare","args":[]}
)");

  EXPECT_EQ(result.exitCode, 0) << result.output;
  Json error = result.only("ScenarioError");
  EXPECT_EQ(error["line"], 7);
  EXPECT_THAT(error["reason"].get<std::string>(), ::testing::HasSubstr("another process"));
  EXPECT_THAT(result.named("Execute"), IsEmpty());
}

TEST(RendererTest, ReleasedPageCancelsItsQueriesAndAFrameWithoutDocumentGetsNoReply) {
  harness::Result result = runRenderer(
      R"({"op":"call","browser":1,"frame":"main","function":"cefQuery","args":[{"request":"ping"}]}
{"op":"release","browser":1,"frame":"main"}
{"op":"document","browser":1,"frame":"main","present":false}
{"op":"message","browser":1,"frame":"child","source":"browser","name":"getDocumentBody","args":["3"]}
)");

  harness::expectPlayedOut(result);
  EXPECT_THAT(sentMessages(result),
              ElementsAre(R"(main cefQueryMsg [{"type":"int","value":1},{"type":"int","value":1},)"
                          R"({"type":"string","value":"ping"},{"type":"bool","value":false}])",
                          R"(main cefQueryCancelMsg [{"type":"int","value":1},)"
                          R"({"type":"int","value":0}])"));
  // CEF visits the frame but never calls the visitor without a document: no reply.
  EXPECT_EQ(result.only("VisitDOM")["has_document"], false);
}

TEST(RendererTest, RouterAnswersRunThePagesCallbacksAsCefsRouterDoes) {
  harness::Result result = runRenderer(
      R"({"op":"call","browser":1,"frame":"child","function":"cefQuery","args":[{"request":"ping","onSuccess":{"$":"function","name":"pong"},"onFailure":{"$":"function","name":"fail"}}]}
{"op":"answer","browser":1,"request":1,"success":true,"response":"ok"}
{"op":"call","browser":1,"frame":"main","function":"cefQuery","args":[{"request":"feed","persistent":true,"onSuccess":{"$":"function","name":"tick"},"onFailure":{"$":"function","name":"end"}}]}
{"op":"answer","browser":1,"request":2,"success":true,"response":"1"}
{"op":"answer","browser":1,"request":2,"success":true,"response":{"$":"utf16","units":[55296]}}
{"op":"answer","browser":1,"request":2,"success":false,"error_code":-1,"error_message":"closed"}
{"op":"answer","browser":1,"request":2,"success":true,"response":"after the failure"}
{"op":"answer","browser":1,"request":1,"success":true,"response":"twice"}
{"op":"call","browser":1,"frame":"main","function":"cefQuery","args":[{"request":"late","onSuccess":{"$":"function","name":"late"}}]}
{"op":"release","browser":1,"frame":"main"}
{"op":"answer","browser":1,"request":3,"success":true,"response":"to a page gone"}
{"op":"answer","browser":1,"request":99,"success":true,"response":"never asked"}
)");

  EXPECT_EQ(result.exitCode, 0) << result.output;
  // Only the answer to a query never sent cannot be played.
  EXPECT_EQ(result.only("ScenarioError")["line"], 17);
  std::vector<std::string> called;
  for (const Json& call : result.named("ExecuteFunction")) {
    EXPECT_EQ(call["native"], false);
    called.push_back(call["frame"].get<std::string>() + " " + call["function"].get<std::string>() +
                     " " + call["args"].dump());
  }
  EXPECT_THAT(
      called,
      ElementsAre(R"(child pong [{"kind":"string","value":"ok"}])",
                  R"(main tick [{"kind":"string","value":"1"}])",
                  R"(main tick [{"kind":"string","value":"�"}])",
                  R"(main end [{"kind":"int","value":-1},{"kind":"string","value":"closed"}])"));
  // Every answer is the router's message, posted as a task to the renderer thread.
  std::vector<Json> answers;
  for (const Json& received : result.named("OnProcessMessageReceived")) {
    EXPECT_EQ(received["name"], "cefQueryMsg");
    EXPECT_EQ(received["source"], "browser");
    EXPECT_EQ(received["handled"], true);
    answers.push_back(received);
  }
  EXPECT_EQ(answers.size(), 7u);
  EXPECT_EQ(result.named("PostTask").size(), 7u);
  for (const Json& posted : result.named("PostTask")) {
    EXPECT_EQ(posted["thread"], "renderer");
    EXPECT_EQ(posted["accepted"], true);
  }
  EXPECT_EQ(answers[0]["frame"], "child");
  EXPECT_EQ(answers[1]["frame"], "main");
}

TEST(RendererTest, AnAnswerStepThatMeansNoRouterAnswerIsAScenarioError) {
  harness::Result result = runRenderer(
      R"({"op":"call","browser":1,"frame":"main","function":"cefQuery","args":[{"request":"q"}]}
{"op":"answer","browser":1,"request":1}
{"op":"answer","browser":1,"request":1,"success":true}
{"op":"answer","browser":1,"request":1,"success":true,"response":5}
{"op":"answer","browser":1,"request":1,"success":false,"error_code":1.5,"error_message":"x"}
{"op":"answer","browser":1,"request":1,"success":false,"error_code":1,"error_message":null}
{"op":"answer","browser":2,"request":1,"success":true,"response":"x"}
)");

  EXPECT_EQ(result.exitCode, 0) << result.output;
  std::vector<int> lines;
  for (const Json& error : result.named("ScenarioError")) {
    lines.push_back(error["line"].get<int>());
  }
  EXPECT_THAT(lines, ElementsAre(7, 8, 9, 10, 11, 12));
  EXPECT_THAT(result.named("OnProcessMessageReceived"), IsEmpty());
  EXPECT_THAT(result.named("PostTask"), IsEmpty());
}

TEST(RendererTest, TerminateProcFromTheBrowserEndsTheProcessWithExitCodeZero) {
  harness::Result result = runRenderer(
      R"({"op":"message","browser":1,"source":"renderer","name":"terminateProc"}
{"op":"call","browser":1,"frame":"main","function":"ecmShare","args":["before"]}
{"op":"message","browser":1,"source":"browser","name":"terminateProc"}
{"op":"call","browser":1,"frame":"main","function":"ecmShare","args":["after"]}
)");

  EXPECT_EQ(result.exitCode, 0) << result.output;
  // Ended inside the command, through the normal exit path, and nothing after it ran.
  EXPECT_EQ(result.events.back()["event"], "ProcessExiting");
  EXPECT_EQ(result.events.back()["during"], "OnProcessMessageReceived(\"terminateProc\")");
  EXPECT_THAT(result.named("ChildProcessEnded"), IsEmpty());
  EXPECT_THAT(sentMessages(result),
              ElementsAre(R"(main ecmShare [{"type":"string","value":"before"}])"));
  // The one from the renderer source went to the router, which does not know it.
  Json received = result.only("OnProcessMessageReceived");
  EXPECT_EQ(received["source"], "renderer");
  EXPECT_EQ(received["handled"], false);
}

TEST(RendererTest, HostileInputNeitherCrashesNorReachesThePage) {
  std::string thousand;
  for (int i = 0; i < 1000; ++i) {
    thousand += (i == 0 ? "" : ",") + std::string(i % 2 ? "\"s\"" : "{\"$\":\"array\"}");
  }
  const std::string tenMegabytes(10 * 1024 * 1024, 'x');
  harness::Result result = runRenderer(
      R"({"op":"call","browser":1,"frame":"main","function":"embApps","args":[)" + thousand +
      R"(]}
{"op":"call","browser":1,"frame":"main","function":"openTab","args":[")" +
      tenMegabytes +
      R"("]}
{"op":"call","browser":1,"frame":"main","function":"ecmToken","args":[null,{"$":"undefined"},{"$":"object"},{"$":"array"},{"$":"function"},{"$":"date"},{"$":"invalid"},{"a":[1,{"b":2}]},[[]],{"$":"number","value":"NaN"},{"$":"number","value":"-Infinity"},4294967295,true]}
{"op":"call","browser":1,"frame":"main","function":"ecmError","args":[{"$":"utf16","units":[55296]},{"$":"utf16","units":[65,57343,56320,55357,56832]}]}
{"op":"message","browser":1,"source":"browser","name":"getDocumentBody"}
{"op":"message","browser":1,"source":"browser","name":"getDocumentBody","args":[17,"x"]}
{"op":"message","browser":1,"source":"browser","name":"getDocumentBody","args":[{"k":"v"}]}
)");

  harness::expectPlayedOut(result);
  for (const Json& execute : result.named("Execute")) {
    SCOPED_TRACE(execute["function"].get<std::string>());
    EXPECT_EQ(execute["handled"], true);
    EXPECT_EQ(execute["retval_set"], false);
    EXPECT_EQ(execute["exception"], "");
  }
  std::vector<Json> sent = result.named("SendProcessMessage");
  ASSERT_EQ(sent.size(), 7u) << result.output;

  // 1,000 arguments: arrays take their index, the last string closes the list.
  ASSERT_EQ(sent[0]["args"].size(), 1000u);
  EXPECT_EQ(sent[0]["args"][0], Json::parse(R"({"type":"null"})"));
  EXPECT_EQ(sent[0]["args"][999], Json::parse(R"({"type":"string","value":"s"})"));
  EXPECT_EQ(sent[1]["args"][0]["value"].get<std::string>().size(), tenMegabytes.size());
  // Every kind: the invalid one takes no index, the rest but numbers and bools read null;
  // NaN and -Infinity arrive as 0, all a message's list keeps of them.
  EXPECT_EQ(sent[2]["args"],
            Json::parse(R"([{"type":"null"},{"type":"null"},{"type":"null"},{"type":"null"},)"
                        R"({"type":"null"},{"type":"null"},{"type":"null"},{"type":"null"},)"
                        R"({"type":"double","value":0.0},{"type":"double","value":0.0},)"
                        R"({"type":"double","value":4294967295.0},{"type":"bool","value":true}])"));
  // Unpaired surrogates arrive as U+FFFD: message strings are held in UTF-8.
  EXPECT_EQ(sent[3]["args"], Json::parse(R"([{"type":"string","value":"\ufffd"},)"
                                         R"({"type":"string","value":"A\ufffd\ufffd😀"}])"));
  // No arguments, or a non-string entry 0: the echo is empty.
  for (size_t i = 4; i < 7; ++i) {
    EXPECT_EQ(sent[i]["name"], "getDocumentFinished");
    EXPECT_EQ(sent[i]["args"],
              Json::parse(R"([{"type":"string","value":""},{"type":"string","value":"Hello"}])"));
  }
}

}  // namespace
