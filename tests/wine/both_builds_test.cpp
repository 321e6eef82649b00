// One scenario, two builds: the stand-in build (build/win32) and the real-SDK build
// beside the libcef.dll double (make cef-test) write the same event log. Runs only under
// make cef-test, where both executables exist.
#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>

#include "wine/harness.h"

namespace {

using harness::Json;

// Every kind of step, the router's own calls included, and steps that cannot be played.
const std::string kScenario =
    R"({"op":"browser","id":1}
{"op":"frame","browser":1,"name":"child"}
{"op":"body","browser":1,"text":"Hello <b>world</b>"}
{"op":"body","browser":1,"frame":"child","text":"inner"}
{"op":"context","browser":1,"frame":"main"}
{"op":"context","browser":1,"frame":"child"}
{"op":"globals","browser":1,"frame":"child"}
{"op":"call","browser":1,"frame":"child","function":"filesDropped","args":["a",2.5,true,{"$":"undefined"},-1,4294967295,{"$":"number","value":"-0"}]}
{"op":"call","browser":1,"frame":"main","function":"ecmShare","args":[{"$":"utf16","units":[55296,65]},null,{"$":"date"},[1,2],{"k":"v"}]}
{"op":"call","browser":1,"frame":"main","function":"cefQuery","args":[{"request":"ping","persistent":true,"onSuccess":{"$":"function","name":"ok"},"onFailure":{"$":"function","name":"ko"}}]}
{"op":"call","browser":1,"frame":"child","function":"cefQuery","args":[{"request":"second"}]}
{"op":"call","browser":1,"frame":"child","function":"cefQueryCancel","args":[2]}
{"op":"call","browser":1,"frame":"child","function":"cefQueryCancel","args":[99]}
{"op":"answer","browser":1,"request":1,"success":true,"response":"first"}
{"op":"answer","browser":1,"request":1,"success":true,"response":{"$":"utf16","units":[56320,66]}}
{"op":"answer","browser":1,"request":2,"success":true,"response":"cancelled already"}
{"op":"answer","browser":1,"request":1,"success":false,"error_code":-7,"error_message":"done"}
{"op":"answer","browser":1,"request":1,"success":true,"response":"after the end"}
{"op":"call","browser":1,"frame":"main","function":"cefQuery","args":[]}
{"op":"call","browser":1,"frame":"main","function":"cefQuery","args":[{"persistent":true}]}
{"op":"call","browser":1,"frame":"main","function":"noSuchFunction","args":[]}
{"op":"message","browser":1,"frame":"child","source":"browser","name":"getDocumentBody","args":["17"]}
{"op":"message","browser":1,"frame":"main","source":"renderer","name":"getDocumentBody","args":["18"]}
{"op":"message","browser":1,"frame":"main","source":"browser","name":"somethingElse","args":[1,[true,{"a":null}]]}
{"op":"document","browser":1,"frame":"main","present":false}
{"op":"message","browser":1,"frame":"main","source":"browser","name":"getDocumentBody","args":["19"]}
{"op":"document","browser":1,"frame":"main","present":true}
{"op":"body","browser":1,"text":null}
{"op":"message","browser":1,"frame":"main","source":"browser","name":"getDocumentBody","args":["20"]}
{"op":"main_frame","browser":1,"available":false}
{"op":"call","browser":1,"frame":"child","function":"ecmToken","args":["away"]}
{"op":"call","browser":1,"frame":"main","function":"ecmToken","args":["unplayable"]}
{"op":"main_frame","browser":1,"available":true}
{"op":"context","browser":1,"frame":"main"}
{"op":"browser","id":2}
{"op":"context","browser":2,"frame":"main"}
{"op":"call","browser":2,"frame":"main","function":"openTab","args":["x"]}
{"op":"call","browser":1,"frame":"child","function":"cefQuery","args":[{"request":"late","onSuccess":{"$":"function","name":"late"}}]}
{"op":"release","browser":1,"frame":"child"}
{"op":"answer","browser":1,"request":3,"success":true,"response":"to a page gone"}
{"op":"release","browser":1,"frame":"child"}
{"op":"destroy","browser":1}
{"op":"call","browser":2,"frame":"main","function":"openTab","args":["y"]}
{"op":"nonsense"}
not json
)";

// The events, with the executable's own path taken out of command lines.
std::vector<Json> normalised(const harness::Result& result, const std::string& exe) {
  std::vector<Json> events = result.events;
  for (Json& event : events) {
    if (event.contains("command_line")) {
      std::string line = event["command_line"].get<std::string>();
      const size_t at = line.find(exe);
      if (at != std::string::npos) {
        line.replace(at, exe.size(), "<exe>");
      }
      event["command_line"] = line;
    }
  }
  return events;
}

harness::Result runBoth(const std::string& exeDir, const harness::Launch& launch) {
  setenv("QUORVANE_EXE_DIR", exeDir.c_str(), 1);
  return harness::runQuorvane(launch);
}

class BothBuilds : public testing::Test {
 protected:
  void SetUp() override {
    if (!harness::realCef()) {
      GTEST_SKIP() << "only under make cef-test";
    }
    doubleDir_ = harness::exeDir();
    standinDir_ = harness::win32BuildDir();
    ASSERT_TRUE(std::filesystem::exists(standinDir_ + "/Quorvane.exe"));
  }
  void TearDown() override {
    if (!doubleDir_.empty()) {
      setenv("QUORVANE_EXE_DIR", doubleDir_.c_str(), 1);
    }
  }

  void expectSameEvents(const harness::Launch& launch) {
    harness::Result standin = runBoth(standinDir_, launch);
    harness::Result real = runBoth(doubleDir_, launch);
    EXPECT_EQ(standin.exitCode, real.exitCode);
    const std::vector<Json> a =
        normalised(standin, harness::windowsPath(std::filesystem::canonical(standinDir_).string()));
    const std::vector<Json> b =
        normalised(real, harness::windowsPath(std::filesystem::canonical(doubleDir_).string()));
    ASSERT_FALSE(a.empty()) << standin.output;
    for (size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
      ASSERT_EQ(i < a.size() ? a[i].dump() : "(none)", i < b.size() ? b[i].dump() : "(none)")
          << "event " << i << " (stand-in build left, real-SDK build right)";
    }
  }

  std::string doubleDir_;
  std::string standinDir_;
};

TEST_F(BothBuilds, ARendererScenarioGivesTheSameEvents) {
  expectSameEvents({{"C:\\X", "--type=renderer"}, {}, kScenario});
}

// Pages as JavaScript: the bridge and the router driven from page scripts, callbacks that
// throw, scripts stopped at their limits.
TEST_F(BothBuilds, APageScriptScenarioGivesTheSameEvents) {
  expectSameEvents({{"C:\\X", "--type=renderer"},
                    {},
                    R"steps({"op":"browser","id":1}
{"op":"frame","browser":1,"name":"child"}
{"op":"body","browser":1,"text":"Hello"}
{"op":"context","browser":1,"frame":"main","scripts":["var seen = [];","filesDropped('a', 2, {}, -0, 2147483648, '\\ud800', null, new Date(0))"]}
{"op":"context","browser":1,"frame":"child","scripts":[{"name":"child.js","source":"cefQuery({request: 'feed', persistent: true, onSuccess: function (r) { if (r === 'bad') throw new Error(r); }})"}]}
{"op":"script","browser":1,"frame":"main","source":"var id = cefQuery({request: 'ping', onSuccess: function (r) { seen.push(r); }, onFailure: function (c, m) { seen.push(c + m); }}); new openTab('n'); ecmShare.call({}, id); delete window.ecmCancel; window.ecmToken = function () { return 'own'; }; ecmToken()"}
{"op":"answer","browser":1,"request":1,"success":true,"response":"bad"}
{"op":"answer","browser":1,"request":1,"success":true,"response":"good"}
{"op":"answer","browser":1,"request":2,"success":false,"error_code":-2,"error_message":"no"}
{"op":"call","browser":1,"frame":"main","function":"ecmError","args":["from a call step",1]}
{"op":"script","browser":1,"frame":"main","name":"limit.js","time_limit_ms":200,"source":"for (;;) {}"}
{"op":"script","browser":1,"frame":"main","name":"throws.js","source":"throw new TypeError('boom')"}
{"op":"globals","browser":1,"frame":"main"}
{"op":"script","browser":1,"frame":"main","name":"saw.js","source":"seen.join()"}
{"op":"release","browser":1,"frame":"child"}
)steps"});
}

TEST_F(BothBuilds, TerminateProcEndsBothAlike) {
  expectSameEvents({{"C:\\X", "--type=renderer"},
                    {},
                    R"({"op":"browser","id":1}
{"op":"context","browser":1,"frame":"main"}
{"op":"call","browser":1,"frame":"main","function":"cefQuery","args":[{"request":"left pending"}]}
{"op":"message","browser":1,"source":"browser","name":"terminateProc"}
)"});
}

TEST_F(BothBuilds, BrowserAndOtherChildrenGiveTheSameEvents) {
  expectSameEvents({{"C:\\App"}, {}, ""});
  expectSameEvents({{"C:\\App", "--type=gpu-process"}, {{"CEF_STANDIN_EXIT_CODE", "3"}}, ""});
  expectSameEvents({{"C:\\App", "--type=crashpad-handler"}, {}, ""});
}

// The double's own bookkeeping: a library user that releases a struct once too often,
// or never, is reported in the event log; a clean one is not.
TEST_F(BothBuilds, TheDoubleReportsReferenceFaults) {
  const std::string library = harness::windowsPath(doubleDir_ + "/libcef.dll");
  struct Case {
    const char* mode;
    std::vector<std::string> faults;  // "problem: object(s)"
    int exitCode = 0;                 // 3: the double cannot answer the call and ends
  };
  for (const Case& c :
       {Case{"twice", {"released too often: \"cef_process_message_t\""}},
        Case{"leak", {"still referenced: {\"cef_process_message_t\":1}"}}, Case{"clean", {}},
        // A late release still faults, and lands on no other object.
        Case{"late", {"released too often: \"cef_process_message_t\""}},
        Case{"null", {"null where CEF requires a struct: \"cef_process_message_t\""}, 3},
        Case{"size", {"has size 20, not 24: \"cef_task_t\""}},
        Case{"thread",
             {"used on another thread than the renderer thread it was handed out on: "
              "\"cef_v8value_t\""}}}) {
    SCOPED_TRACE(c.mode);
    const std::string log = harness::scratchDir() + "/events.jsonl";
    harness::Result run = harness::runWine({harness::testProgram("double_misuse"), library, c.mode},
                                           {{"CEF_STANDIN_LOG", log}});
    ASSERT_EQ(run.exitCode, c.exitCode) << run.output;
    std::vector<std::string> faults;
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) {
      Json event = Json::parse(line, nullptr, false);
      if (event.value("event", "") == "ReferenceFault") {
        faults.push_back(event.value("problem", "") + ": " +
                         (event.contains("object") ? event["object"] : event["objects"]).dump());
      }
    }
    EXPECT_EQ(faults, c.faults);
  }
}

}  // namespace
