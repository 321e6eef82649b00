// The parent-process watchdog with real processes under Wine: watchdog_driver.exe starts
// watchdog_parent.exe, which starts Quorvane.exe as a GPU child, and reports how and
// when the child ended. The stand-in's event log tells a child that CEF let finish
// ("ChildProcessEnded") from one the watchdog cut short.
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "wine/harness.h"

namespace {

using harness::Json;

const char kLongChildMs[] = "60000";  // far past every bound: only the watchdog ends it early
const char kShortChildMs[] = "300";

struct Outcome {
  int driverExitCode = -1;
  std::string output;
  std::map<std::string, std::string> report;  // the driver's key=value lines
  std::vector<Json> events;                   // the child's event log

  bool has(const std::string& event) const {
    for (const Json& e : events) {
      if (e.value("event", "") == event) {
        return true;
      }
    }
    return false;
  }
  std::string value(const std::string& key) const {
    auto found = report.find(key);
    return found == report.end() ? "" : found->second;
  }
};

Outcome runScenario(const std::string& scenario, const std::string& childMs) {
  const std::string log = harness::scratchDir() + "/events.jsonl";
  harness::Result r = harness::runWine(
      {harness::testProgram("watchdog_driver"), scenario,
       harness::windowsPath(harness::quorvaneExe()), "C:\\X", "--type=gpu-process"},
      {{"CEF_STANDIN_LOG", log}, {"CEF_STANDIN_CHILD_MS", childMs}});

  Outcome outcome;
  outcome.driverExitCode = r.exitCode;
  outcome.output = r.output;
  std::istringstream lines(r.output);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();  // the Windows runtime writes text lines with CR LF
    }
    const size_t eq = line.find('=');
    if (eq != std::string::npos) {
      outcome.report[line.substr(0, eq)] = line.substr(eq + 1);
    }
  }
  outcome.events = harness::readEventLog(log, r.output);
  return outcome;
}

// The parent ends while the child is inside CefExecuteProcess: the child ends at once with
// exit code 0, without CEF finishing its work.
class ParentEnds : public testing::TestWithParam<const char*> {};

TEST_P(ParentEnds, ChildEndsWithExitCodeZero) {
  const std::string scenario = GetParam();
  Outcome o = runScenario(scenario, kLongChildMs);
  ASSERT_EQ(o.driverExitCode, 0) << o.output;
  ASSERT_EQ(o.value("child_reached_cef"), "") << "the child never reached CEF:\n" << o.output;
  EXPECT_EQ(o.value("parent_exit_code"), scenario == "terminate" ? "9" : "0") << o.output;
  ASSERT_EQ(o.value("child_timed_out"), "") << "the child outlived its parent:\n" << o.output;
  EXPECT_EQ(o.value("child_exit_code"), "0") << o.output;

  EXPECT_TRUE(o.has("CefExecuteProcess"));
  EXPECT_FALSE(o.has("ChildProcessEnded")) << "CEF's work ran to its end: no watchdog fired";

  // Reported, not asserted: the target is well under a second.
  std::cout << "[ watchdog ] parent " << scenario << ": child ended " << o.value("delay_ms")
            << " ms after its parent\n";
  RecordProperty("delay_ms", o.value("delay_ms"));
}

INSTANTIATE_TEST_SUITE_P(Watchdog,
                         ParentEnds,
                         testing::Values("exit", "terminate"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param == std::string("exit") ? "Normally"
                                                                                : "Terminated");
                         });

// The child's own work ends first: it leaves through the normal path, exit code 0, while
// its parent still runs.
TEST(Watchdog, ChildThatFinishesFirstExitsNormally) {
  Outcome o = runScenario("child-first", kShortChildMs);
  ASSERT_EQ(o.driverExitCode, 0) << o.output;
  EXPECT_EQ(o.value("parent_running_at_child_end"), "1") << o.output;
  EXPECT_EQ(o.value("child_exit_code"), "0") << o.output;
  EXPECT_TRUE(o.has("ChildProcessEnded"));
}

// The parent is gone before the child runs any code: no watchdog, and the child does its
// work to the end.
TEST(Watchdog, ChildWhoseParentIsAlreadyGoneStartsNormally) {
  Outcome o = runScenario("orphan", kShortChildMs);
  ASSERT_EQ(o.driverExitCode, 0) << o.output;
  ASSERT_EQ(o.value("parent_gone_before_child_start"), "1") << o.output;
  EXPECT_EQ(o.value("child_exit_code"), "0") << o.output;
  EXPECT_TRUE(o.has("CefExecuteProcess"));
  EXPECT_TRUE(o.has("ChildProcessEnded")) << "the child was cut short";
}

}  // namespace
