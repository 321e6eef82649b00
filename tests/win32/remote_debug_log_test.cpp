// The browser process's one log call of start-up, seen through a configured logger.
#include <gtest/gtest.h>

#include <regex>

#include "host/remote_debugging.h"
#include "logging/RecordingSink.h"
#include "logging/RootLogger.h"

namespace {

TEST(RemoteDebugLog, OneInfoLineAtLine307WithTheRestoredLiterals) {
  auto sink = std::make_shared<zelto::testing::RecordingSink>();
  zelto::RootLogger::Settings settings;
  settings.enabled = true;
  settings.sinks.push_back(sink);
  zelto::RootLogger logger(settings);

  logRemoteDebugEnabled(logger);
  logger.flush();

  const auto entries = sink->entries();
  ASSERT_EQ(entries.size(), 1u);
  const zelto::LogComponents& record = entries[0].record;
  EXPECT_EQ(record.message, "CEF remote debug port enabled");
  EXPECT_EQ(record.level, "Info");
  EXPECT_EQ(record.line, 307);
  EXPECT_EQ(record.file, "remote_debugging.cpp");
  EXPECT_EQ(record.function, "void logRemoteDebugEnabled(RootLogger&)");
  EXPECT_EQ(record.threadId, GetCurrentThreadId());
  EXPECT_TRUE(std::regex_match(
      entries[0].line,
      std::regex(
          R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z <Info> \[\d+\] remote_debugging\.cpp:307 )"
          R"(void logRemoteDebugEnabled\(RootLogger&\):CEF remote debug port enabled)")))
      << entries[0].line;
}

}  // namespace
