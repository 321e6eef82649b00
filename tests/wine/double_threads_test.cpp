// The libcef.dll double's threads, task runners, waitable events, message loop and
// shutdown, driven through its C exports by a program of ours (double_threads.exe).
// Runs only under make cef-test, where the double exists.
#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>

#include "wine/harness.h"

namespace {

using harness::Json;

TEST(DoubleThreads, TheCExportsRunTasksOnTheirThreadsAndGiveEveryTaskBack) {
  if (!harness::realCef()) {
    GTEST_SKIP() << "only under make cef-test";
  }
  std::string library = "Z:" + harness::exeDir() + "/libcef.dll";
  for (char& c : library) {
    c = c == '/' ? '\\' : c;
  }
  const std::string log = harness::scratchDir() + "/events.jsonl";
  harness::Result run = harness::runWine({harness::testProgram("double_threads"), library},
                                         {{"CEF_STANDIN_LOG", log}});
  EXPECT_EQ(run.exitCode, 0) << run.output;

  std::vector<std::string> seen;
  std::ifstream in(log);
  for (std::string line; std::getline(in, line);) {
    Json event = Json::parse(line, nullptr, false);
    const std::string name = event.value("event", "");
    // The double's own reports: none may appear.
    EXPECT_NE(name, "ReferenceFault") << line;
    EXPECT_NE(name, "Unmodeled") << line;
    if (name != "PostTask" || event.value("accepted", false)) {
      seen.push_back(name);
    }
  }
  EXPECT_THAT(seen,
              ::testing::ElementsAre("CefInitialize", "PostTask", "PostTask", "CefRunMessageLoop",
                                     "CefQuitMessageLoop", "PostTask", "CefShutdown"));
}

}  // namespace
