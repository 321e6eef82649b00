// Quorvane.exe as a renderer under Wine whose pages run real JavaScript: page scripts call
// the bridge with whatever values JavaScript has, use the router's cefQuery, meet the
// renderer commands, and misbehave. What a page saw it keeps in a variable that a last
// script step returns, so the "Script" event shows it.
#include <gmock/gmock.h>

#include "wine/harness.h"

namespace {

using harness::Json;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A browser with a nested frame; the main page keeps what it sees in `seen`.
const std::string kPages =
    R"steps({"op":"browser","id":1}
{"op":"frame","browser":1,"name":"child"}
{"op":"body","browser":1,"text":"Hello"}
{"op":"context","browser":1,"frame":"main","scripts":["var seen = [];"]}
{"op":"context","browser":1,"frame":"child"}
)steps";

harness::Result runPages(const std::string& steps) {
  return harness::runQuorvane({{"C:\\X", "--type=renderer"}, {}, kPages + steps});
}

// The "Script" events of runs named `name`.
std::vector<Json> scripts(const harness::Result& result, const std::string& name) {
  std::vector<Json> runs;
  for (const Json& event : result.named("Script")) {
    if (event["name"] == name) {
      runs.push_back(event);
    }
  }
  return runs;
}

// The completion value of the one script named `name`, as {"kind", "value"}.
Json resultOf(const harness::Result& result, const std::string& name) {
  std::vector<Json> runs = scripts(result, name);
  if (runs.size() != 1) {
    ADD_FAILURE() << runs.size() << " runs of " << name << "\n" << result.output;
    return Json();
  }
  EXPECT_EQ(runs[0]["outcome"], "completed") << runs[0].dump();
  return runs[0].value("result", Json());
}

// The bridge messages that left for the browser process, as "name args".
std::vector<std::string> sent(const harness::Result& result) {
  std::vector<std::string> lines;
  for (const Json& event : result.named("SendProcessMessage")) {
    lines.push_back(event["name"].get<std::string>() + " " + event["args"].dump());
  }
  return lines;
}

TEST(PageScriptTest, PageScriptsRunAfterTheBridgeIsInstalledAndStepsRunInTheSamePage) {
  harness::Result result = runPages(
      R"steps({"op":"script","browser":1,"frame":"main","name":"look.js","source":"seen.push(typeof ecmShare, typeof cefQuery, window === this, window.window === window); seen.join()"}
{"op":"script","browser":1,"frame":"child","name":"child.js","source":"typeof seen"}
)steps");

  harness::expectPlayedOut(result);
  EXPECT_EQ(resultOf(result, "page-1.js"), Json({{"kind", "undefined"}}));
  EXPECT_EQ(resultOf(result, "look.js"),
            Json({{"kind", "string"}, {"value", "function,function,true,true"}}));
  // Each frame's page is a window of its own.
  EXPECT_EQ(resultOf(result, "child.js"), Json({{"kind", "string"}, {"value", "undefined"}}));
}

// The bridge's conversion of every kind of value JavaScript has: numbers all travel as
// doubles (V8 calls every number a double; a list holds no NaN or infinity, which become
// 0, as in Chromium's values), strings as UTF-8 with a lone surrogate replaced (U+FFFD),
// and what is neither bool, number nor string uses its index up unwritten.
TEST(PageScriptTest, BridgeCallsFromScriptConvertRealValues) {
  harness::Result result = runPages(
      R"steps({"op":"script","browser":1,"frame":"main","source":"filesDropped('a', 2, {})"}
{"op":"script","browser":1,"frame":"main","source":"ecmShare(7, 2147483648, -0, 4294967295, -1, 0.5, Infinity, -Infinity)"}
{"op":"script","browser":1,"frame":"main","source":"ecmToken('nul\\u0000inside', '\\ud800x', '', true, false)"}
{"op":"script","browser":1,"frame":"main","source":"ecmError(null, undefined, [1], function () {}, new Date(0), 'last')"}
{"op":"script","browser":1,"frame":"main","source":"ecmCancel(NaN); contextMenu(); embApps({}, [])"}
)steps");

  harness::expectPlayedOut(result);
  EXPECT_THAT(
      sent(result),
      ElementsAre(
          R"(filesDropped [{"type":"string","value":"a"},{"type":"double","value":2.0}])",
          R"(ecmShare [{"type":"double","value":7.0},{"type":"double","value":2147483648.0},)"
          R"({"type":"double","value":-0.0},{"type":"double","value":4294967295.0},)"
          R"({"type":"double","value":-1.0},{"type":"double","value":0.5},)"
          R"({"type":"double","value":0.0},{"type":"double","value":0.0}])",
          R"(ecmToken [{"type":"string","value":"nul\u0000inside"},)"
          R"({"type":"string","value":")"
          "\xEF\xBF\xBD"
          R"(x"},{"type":"string","value":""},)"
          R"({"type":"bool","value":true},{"type":"bool","value":false}])",
          R"(ecmError [{"type":"null"},{"type":"null"},{"type":"null"},{"type":"null"},)"
          R"({"type":"null"},{"type":"string","value":"last"}])",
          R"(ecmCancel [{"type":"double","value":0.0}])", R"(contextMenu [])", R"(embApps [])"));
  // Every call returns undefined to the page and throws nothing.
  for (const Json& run : result.named("Script")) {
    EXPECT_EQ(run["outcome"], "completed") << run.dump();
  }
}

// The page does what JavaScript lets it do with the bridge functions: read arguments
// whose getters throw (the bridge reads no property), call one with `new` or another
// receiver, keep a reference to one it deletes, replace one with its own.
TEST(PageScriptTest, ThePageUsesTheBridgeFunctionsAsJavaScriptAllows) {
  harness::Result result = runPages(
      R"steps({"op":"script","browser":1,"frame":"main","name":"getter.js","source":"var o = {}; Object.defineProperty(o, 'x', {get: function () { throw new Error('read'); }}); var p = {valueOf: function () { throw new Error('valueOf'); }, toString: function () { throw new Error('toString'); }}; filesDropped(o, p, 'after')"}
{"op":"script","browser":1,"frame":"main","name":"new.js","source":"var made = new openTab('n'); typeof made"}
{"op":"script","browser":1,"frame":"main","name":"receiver.js","source":"ecmShare.call({not: 'window'}, 'r'); ecmShare.apply(null, ['s'])"}
{"op":"script","browser":1,"frame":"main","name":"kept.js","source":"var keep = ecmCancel; delete window.ecmCancel; keep('kept'); [typeof ecmCancel, 'ecmCancel' in window].join()"}
{"op":"script","browser":1,"frame":"main","name":"replaced.js","source":"window.ecmToken = function (v) { seen.push('mine ' + v); return 'own'; }; ecmToken('t') + ' ' + seen.join()"}
{"op":"script","browser":1,"frame":"child","name":"nested.js","source":"filesDropped('from the child')"}
{"op":"globals","browser":1,"frame":"main"}
)steps");

  harness::expectPlayedOut(result);
  EXPECT_THAT(sent(result),
              ElementsAre(R"(filesDropped [{"type":"null"},{"type":"null"},)"
                          R"({"type":"string","value":"after"}])",
                          R"(openTab [{"type":"string","value":"n"}])",
                          R"(ecmShare [{"type":"string","value":"r"}])",
                          R"(ecmShare [{"type":"string","value":"s"}])",
                          R"(ecmCancel [{"type":"string","value":"kept"}])",
                          R"(filesDropped [{"type":"string","value":"from the child"}])"));
  // Sent through the main frame whatever frame called.
  for (const Json& message : result.named("SendProcessMessage")) {
    EXPECT_EQ(message["frame"], "main");
  }
  EXPECT_EQ(resultOf(result, "getter.js"), Json({{"kind", "undefined"}}));
  EXPECT_EQ(resultOf(result, "new.js"), Json({{"kind", "string"}, {"value", "object"}}));
  EXPECT_EQ(resultOf(result, "kept.js"), Json({{"kind", "string"}, {"value", "undefined,false"}}));
  EXPECT_EQ(resultOf(result, "replaced.js"), Json({{"kind", "string"}, {"value", "own mine t"}}));
  const Json names = result.only("Globals")["names"];
  EXPECT_EQ(std::count(names.begin(), names.end(), "ecmCancel"), 0);
  EXPECT_EQ(std::count(names.begin(), names.end(), "ecmToken"), 1);
}

// cefQuery from a page: one-off and persistent queries with their callbacks, a cancel, a
// callback that throws (an event, and the next answer still arrives), and a page that
// goes while a query is open (the router cancels it).
TEST(PageScriptTest, CefQueryFromAPageScript) {
  harness::Result result = runPages(
      R"steps({"op":"script","browser":1,"frame":"main","name":"ask.js","source":"var ids = []; ids.push(cefQuery({request: 'ping', onSuccess: function (r) { seen.push('ok ' + r); }, onFailure: function (c, m) { seen.push('fail ' + c + ' ' + m); }})); ids.push(cefQuery({request: 'feed', persistent: true, onSuccess: function (r) { seen.push('tick ' + r); if (r === 'bad') throw new Error('callback'); }, onFailure: function (c, m) { seen.push('end ' + c + ' ' + m); }})); ids.push(cefQuery({request: 'never'})); cefQueryCancel(ids[2]); ids.join()"}
{"op":"answer","browser":1,"request":1,"success":true,"response":"pong"}
{"op":"answer","browser":1,"request":2,"success":true,"response":"1"}
{"op":"answer","browser":1,"request":2,"success":true,"response":"bad"}
{"op":"answer","browser":1,"request":2,"success":true,"response":"2"}
{"op":"answer","browser":1,"request":2,"success":false,"error_code":-3,"error_message":"closed"}
{"op":"answer","browser":1,"request":3,"success":true,"response":"cancelled"}
{"op":"script","browser":1,"frame":"main","name":"saw.js","source":"seen.join('|')"}
{"op":"script","browser":1,"frame":"child","name":"open.js","source":"cefQuery({request: 'left open', persistent: true})"}
{"op":"release","browser":1,"frame":"child"}
)steps");

  harness::expectPlayedOut(result);
  EXPECT_EQ(resultOf(result, "ask.js"), Json({{"kind", "string"}, {"value", "1,2,3"}}));
  EXPECT_EQ(resultOf(result, "saw.js"),
            Json({{"kind", "string"}, {"value", "ok pong|tick 1|tick bad|tick 2|end -3 closed"}}));
  EXPECT_THAT(
      sent(result),
      ElementsAre(R"(cefQueryMsg [{"type":"int","value":1},{"type":"int","value":1},)"
                  R"({"type":"string","value":"ping"},{"type":"bool","value":false}])",
                  R"(cefQueryMsg [{"type":"int","value":1},{"type":"int","value":2},)"
                  R"({"type":"string","value":"feed"},{"type":"bool","value":true}])",
                  R"(cefQueryMsg [{"type":"int","value":1},{"type":"int","value":3},)"
                  R"({"type":"string","value":"never"},{"type":"bool","value":false}])",
                  R"(cefQueryCancelMsg [{"type":"int","value":1},{"type":"int","value":3}])",
                  R"(cefQueryMsg [{"type":"int","value":2},{"type":"int","value":4},)"
                  R"({"type":"string","value":"left open"},{"type":"bool","value":true}])",
                  R"(cefQueryCancelMsg [{"type":"int","value":2},{"type":"int","value":0}])"));
}

// Script that goes wrong is an event of the page, and the page goes on: a syntax error,
// a throw, and scripts that would never end are stopped at their limits.
TEST(PageScriptTest, BadScriptsAreEventsAndThePageGoesOn) {
  harness::Result result = runPages(
      R"steps({"op":"script","browser":1,"frame":"main","name":"syntax.js","source":"var = 1"}
{"op":"script","browser":1,"frame":"main","name":"throws.js","source":"seen.push('before');\nthrow new TypeError('on line two')"}
{"op":"script","browser":1,"frame":"main","name":"loop.js","time_limit_ms":300,"source":"for (;;) {}"}
{"op":"script","browser":1,"frame":"main","name":"catching.js","time_limit_ms":300,"source":"for (;;) { try { for (;;) {} } catch (e) {} }"}
{"op":"script","browser":1,"frame":"main","name":"recursion.js","source":"(function down() { down(); })()"}
{"op":"script","browser":1,"frame":"main","name":"memory.js","memory_limit_kb":8192,"source":"var hoard = []; for (var s = 'x';; s += s) hoard.push(s)"}
{"op":"script","browser":1,"frame":"main","name":"after.js","source":"seen.push('after'); ecmShare('still here'); seen.join()"}
)steps");

  harness::expectPlayedOut(result);
  struct Case {
    const char* name;
    const char* outcome;
  };
  for (const Case& c : {Case{"syntax.js", "exception"}, Case{"throws.js", "exception"},
                        Case{"loop.js", "time limit"}, Case{"catching.js", "time limit"},
                        Case{"recursion.js", "stack limit"}, Case{"memory.js", "memory limit"}}) {
    std::vector<Json> runs = scripts(result, c.name);
    ASSERT_EQ(runs.size(), 1u) << c.name;
    EXPECT_EQ(runs[0]["outcome"], c.outcome) << runs[0].dump();
    EXPECT_TRUE(runs[0].contains("exception")) << runs[0].dump();
  }
  const Json thrown = scripts(result, "throws.js")[0]["exception"];
  EXPECT_THAT(thrown["message"].get<std::string>(), ::testing::HasSubstr("on line two"));
  EXPECT_EQ(thrown["script"], "throws.js");
  EXPECT_EQ(thrown["line"], 2);
  EXPECT_EQ(thrown["source_line"], "throw new TypeError('on line two')");
  EXPECT_EQ(resultOf(result, "after.js"), Json({{"kind", "string"}, {"value", "before,after"}}));
  EXPECT_THAT(sent(result), ElementsAre(R"(ecmShare [{"type":"string","value":"still here"}])"));
}

// A page's timers: due ones run after the step that set them, in order, with their
// arguments; a cleared one never runs; a later one runs once a wait has let it fall due;
// one that throws is an event and the next still runs; one whose page went never runs.
TEST(PageScriptTest, TimersRunAsTasksOfTheirPageAndNotOnceItIsGone) {
  harness::Result result = runPages(
      R"steps({"op":"script","browser":1,"frame":"main","name":"timers.js","source":"var fired = []; setTimeout(function (a, b) { fired.push(a + b); }, 0, 'x', 1); var gone = setTimeout(function () { fired.push('cleared'); }, 0); clearTimeout(gone); window.setTimeout(function () { fired.push('later'); }, 1500); setTimeout(function () { throw new Error('tick'); }, 0); setTimeout('fired.push(\"text\")', 0); fired.length"}
{"op":"script","browser":1,"frame":"child","name":"orphan.js","source":"setTimeout(function () { parent.fired.push('orphan'); }, 1000); 'set'"}
{"op":"release","browser":1,"frame":"child"}
{"op":"script","browser":1,"frame":"main","name":"soon.js","source":"fired.join()"}
{"op":"wait","ms":2500}
{"op":"script","browser":1,"frame":"main","name":"late.js","source":"fired.join()"}
)steps");

  harness::expectPlayedOut(result);
  EXPECT_EQ(resultOf(result, "timers.js"), Json({{"kind", "int"}, {"value", 0}}));
  EXPECT_EQ(resultOf(result, "soon.js"), Json({{"kind", "string"}, {"value", "x1,text"}}));
  // The child's timer fell due after its page was released: it never ran.
  EXPECT_EQ(resultOf(result, "late.js"), Json({{"kind", "string"}, {"value", "x1,text,later"}}));
  std::vector<Json> thrown = scripts(result, "setTimeout 4");
  ASSERT_EQ(thrown.size(), 1u) << result.output;
  EXPECT_EQ(thrown[0]["outcome"], "exception");
  EXPECT_THAT(thrown[0]["exception"]["message"].get<std::string>(), ::testing::HasSubstr("tick"));
}

// An iframe the page makes gets a frame with its own page (and the bridge), and goes
// with it when removed; alert() is an event.
TEST(PageScriptTest, APageMakesAndRemovesAnIFrameAndAlerts) {
  harness::Result result = runPages(
      R"steps({"op":"script","browser":1,"frame":"main","name":"make.js","source":"var el = document.createElement('iframe'); el.id = 'inner'; el.src = 'about:blank'; el.onload = function () { seen.push('loaded'); }; document.body.appendChild(el); seen.push(typeof el.contentWindow.ecmShare, el.contentWindow.parent === window); 1"}
{"op":"script","browser":1,"frame":"main","name":"remove.js","source":"document.body.removeChild(el); seen.push(el.contentWindow); alert('seen ' + seen.join()); seen.join()"}
)steps");

  harness::expectPlayedOut(result);
  EXPECT_EQ(resultOf(result, "remove.js"),
            Json({{"kind", "string"}, {"value", "function,true,loaded,"}}));
  std::vector<std::string> pages;
  for (const Json& event : result.events) {
    if (event.value("frame", "") == "inner") {
      pages.push_back(event["event"].get<std::string>());
    }
  }
  EXPECT_THAT(pages, ElementsAre("OnContextCreated", "OnLoadEnd", "OnContextReleased"));
  const Json alert = result.only("Alert");
  EXPECT_EQ(alert["frame"], "main");
  EXPECT_EQ(alert["text"], "seen function,true,loaded,");
}

// A page that floods the bridge: every call is a message, none is lost.
TEST(PageScriptTest, AHundredThousandBridgeCallsAllArrive) {
  harness::Result result = runPages(
      R"steps({"op":"script","browser":1,"frame":"main","name":"flood.js","time_limit_ms":600000,"source":"for (var i = 0; i < 100000; i++) ecmToken(i); i"}
)steps");

  harness::expectPlayedOut(result);
  EXPECT_EQ(resultOf(result, "flood.js"), Json({{"kind", "int"}, {"value", 100000}}));
  std::vector<Json> messages = result.named("SendProcessMessage");
  ASSERT_EQ(messages.size(), 100000u);
  EXPECT_EQ(messages.back()["args"], Json::parse(R"([{"type":"double","value":99999.0}])"));
}

// The renderer commands while the page's script is at work: the capture answers between
// script steps and the page's state is untouched; terminateProc ends the process at once,
// with a persistent query still open and script still to come.
TEST(PageScriptTest, RendererCommandsBesideThePagesScript) {
  harness::Result result = runPages(
      R"steps({"op":"script","browser":1,"frame":"main","source":"cefQuery({request: 'open', persistent: true, onSuccess: function (r) { seen.push(r); }}); seen.push('one')"}
{"op":"message","browser":1,"frame":"main","source":"browser","name":"getDocumentBody","args":["17"]}
{"op":"answer","browser":1,"request":1,"success":true,"response":"answered"}
{"op":"script","browser":1,"frame":"main","name":"state.js","source":"seen.join()"}
{"op":"message","browser":1,"frame":"main","source":"browser","name":"terminateProc"}
{"op":"script","browser":1,"frame":"main","name":"never.js","source":"ecmShare('never')"}
)steps");

  EXPECT_EQ(result.exitCode, 0) << result.output;
  EXPECT_EQ(resultOf(result, "state.js"), Json({{"kind", "string"}, {"value", "one,answered"}}));
  EXPECT_THAT(scripts(result, "never.js"), IsEmpty());
  EXPECT_THAT(sent(result), ElementsAre(::testing::StartsWith("cefQueryMsg "),
                                        R"(getDocumentFinished [{"type":"string","value":"17"},)"
                                        R"({"type":"string","value":"Hello"}])"));
  EXPECT_EQ(result.events.back()["event"], "ProcessExiting");
}

// Malformed script steps are scenario errors; the steps after them still play.
TEST(PageScriptTest, MalformedScriptStepsAreScenarioErrors) {
  harness::Result result = runPages(
      R"steps({"op":"script","browser":1,"frame":"main"}
{"op":"script","browser":1,"frame":"main","source":42}
{"op":"script","browser":1,"frame":"main","source":"1","time_limit_ms":0}
{"op":"context","browser":1,"frame":"child","scripts":"not a list"}
{"op":"browser","id":2}
{"op":"script","browser":2,"frame":"main","source":"1"}
{"op":"script","browser":1,"frame":"main","name":"fine.js","source":"6 * 7"}
)steps");

  EXPECT_EQ(result.exitCode, 0) << result.output;
  std::vector<int> lines;
  for (const Json& error : result.named("ScenarioError")) {
    lines.push_back(error["line"].get<int>());
  }
  EXPECT_THAT(lines, ElementsAre(6, 7, 8, 9, 11));
  EXPECT_EQ(resultOf(result, "fine.js"), Json({{"kind", "int"}, {"value", 42}}));
}

}  // namespace
