// The libcef.dll double driven through CEF's C API by programs of ours: its threads, task
// runners, waitable events, message loop and shutdown (double_threads.exe), and a
// renderer's V8 objects with accessor and interceptor, and browser validity
// (double_v8_probe.exe, built beside the double). Run only under make cef-test, where the
// double exists. Neither may make the double report a reference fault or an unmodeled
// call.
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
    std::vector<Json> events;
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) {
      events.push_back(Json::parse(line, nullptr, false));
      const std::string name = events.back().value("event", "");
      EXPECT_NE(name, "ReferenceFault") << line;
      EXPECT_NE(name, "Unmodeled") << line;
    }
    return events;
  }
};

TEST_F(DoubleApi, TheThreadExportsRunTasksOnTheirThreadsAndGiveEveryTaskBack) {
  std::string library = "Z:" + harness::exeDir() + "/libcef.dll";
  for (char& c : library) {
    c = c == '/' ? '\\' : c;
  }
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
  const std::string scenario = harness::scratchDir() + "/scenario.jsonl";
  std::ofstream(scenario) << R"({"op":"browser","id":1}
{"op":"context","browser":1,"frame":"main"}
{"op":"destroy","browser":1}
)";
  std::vector<Json> events = run({harness::exeDir() + "/double_v8_probe.exe", "--type=renderer"},
                                 {{"CEF_STANDIN_SCENARIO", scenario}});
  EXPECT_FALSE(events.empty());
}

}  // namespace
