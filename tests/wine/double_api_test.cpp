// The libcef.dll double driven through CEF's C API by programs of ours: its threads, task
// runners, waitable events, message loop and shutdown (double_threads.exe), and a
// renderer's V8 objects with accessor and interceptor, and browser validity
// (double_v8_probe.exe, built beside the double). Run only under make cef-test, where the
// double exists. Neither may make the double report a reference fault or an unmodeled
// call, but where the probe misuses V8 on purpose.
#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>

#include "wine/harness.h"

namespace {

using harness::Json;

class DoubleApi : public testing::Test {
 protected:
  void SetUp() override {
    if (!harness::realCef()) {
      GTEST_SKIP() << "only under make cef-test";
    }
  }

  // Runs the program with an event log; returns the events, none of them the double's
  // own reports.
  std::vector<Json> run(const std::vector<std::string>& argv, harness::Env env) {
    const std::string log = harness::scratchDir() + "/events.jsonl";
    env["CEF_STANDIN_LOG"] = log;
    harness::Result result = harness::runWine(argv, env);
    EXPECT_EQ(result.exitCode, 0) << result.output;
    return harness::readEventLog(log, result.output);
  }

  // A scenario of one page: a browser, a context in its main frame, the browser destroyed.
  static std::string onePage() {
    const std::string scenario = harness::scratchDir() + "/scenario.jsonl";
    std::ofstream(scenario) << R"({"op":"browser","id":1}
{"op":"context","browser":1,"frame":"main"}
{"op":"destroy","browser":1}
)";
    return scenario;
  }
};

TEST_F(DoubleApi, TheThreadExportsRunTasksOnTheirThreadsAndGiveEveryTaskBack) {
  const std::string library = harness::windowsPath(harness::exeDir() + "/libcef.dll");
  std::vector<std::string> seen;
  for (const Json& event : run({harness::testProgram("double_threads"), library}, {})) {
    const std::string name = event.value("event", "");
    if (name != "PostTask" || event.value("accepted", false)) {
      seen.push_back(name);
    }
  }
  EXPECT_THAT(seen,
              ::testing::ElementsAre("CefInitialize", "PostTask", "PostTask", "CefRunMessageLoop",
                                     "CefQuitMessageLoop", "PostTask", "CefShutdown"));
}

TEST_F(DoubleApi, ARendererKeepsAndCallsItsAccessorAndInterceptorUntilThePageGoes) {
  std::vector<Json> events = run({harness::exeDir() + "/double_v8_probe.exe", "--type=renderer"},
                                 {{"CEF_STANDIN_SCENARIO", onePage()}});
  EXPECT_FALSE(events.empty());
}

// A renderer that ends itself inside a call (as terminateProc does) still has its
// references judged: what that call was given is rightly held, a context kept past its
// release in an earlier call is a leak.
TEST_F(DoubleApi, EndingInsideACallStillReportsWhatEarlierCallsLeft) {
  const std::string scenario = harness::scratchDir() + "/scenario.jsonl";
  std::ofstream(scenario) << R"({"op":"browser","id":1}
{"op":"context","browser":1,"frame":"main"}
{"op":"release","browser":1,"frame":"main"}
{"op":"message","browser":1,"frame":"main","source":"browser","name":"bye"}
)";
  for (const auto& [mode, expected] : std::vector<std::pair<std::string, std::string>>{
           {"exit-clean", ""}, {"exit-leak", R"({"cef_v8context_t":1})"}}) {
    SCOPED_TRACE(mode);
    const std::string log = harness::scratchDir() + "/" + mode + ".jsonl";
    harness::Result result =
        harness::runWine({harness::exeDir() + "/double_v8_probe.exe", "--type=renderer", mode},
                         {{"CEF_STANDIN_SCENARIO", scenario}, {"CEF_STANDIN_LOG", log}});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    std::string faults;
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) {
      const Json event = Json::parse(line, nullptr, false);
      if (event.value("event", "") == "ReferenceFault") {
        EXPECT_EQ(event.value("problem", ""), "still referenced") << line;
        EXPECT_TRUE(event.value("inside_a_call", false)) << line;
        faults += event.value("objects", Json()).dump();
      }
    }
    EXPECT_EQ(faults, expected) << result.output;
  }
}

// CEF refuses V8 misused through its C API: eval without a slot for its result or its
// exception runs nothing, and no date, array buffer or stack trace is made off the
// renderer's thread. The double refuses the same and reports each.
TEST_F(DoubleApi, MisusedV8IsRefusedAndReported) {
  const std::string log = harness::scratchDir() + "/events.jsonl";
  harness::Result result =
      harness::runWine({harness::exeDir() + "/double_v8_probe.exe", "--type=renderer", "misuse"},
                       {{"CEF_STANDIN_SCENARIO", onePage()}, {"CEF_STANDIN_LOG", log}});
  EXPECT_EQ(result.exitCode, 0) << result.output;
  std::vector<std::string> faults;
  std::ifstream in(log);
  for (std::string line; std::getline(in, line);) {
    const Json event = Json::parse(line, nullptr, false);
    if (event.value("event", "") == "ReferenceFault") {
      faults.push_back(event.value("object", "") + ": " + event.value("problem", ""));
    }
  }
  const std::string offThread = " called on another thread than the renderer thread";
  EXPECT_THAT(faults, ::testing::ElementsAre(
                          "cef_v8context_t: eval given no slot for its result or its exception",
                          "cef_v8context_t: eval given no slot for its result or its exception",
                          "cef_v8value_t: cef_v8value_create_date" + offThread,
                          "cef_v8value_t: cef_v8value_create_array_buffer" + offThread,
                          "cef_v8stack_trace_t: cef_v8stack_trace_get_current" + offThread))
      << result.output;
}

}  // namespace
