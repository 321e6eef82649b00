#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "logging/LoggerFixture.h"
#include "logging/RootLogger.h"

namespace {

using zelto::RootLogger;
using zelto::testing::LoggerTest;

TEST(RootLoggerInstance, EveryThreadGetsTheSameInstance) {
  std::vector<RootLogger*> seen(8, nullptr);
  std::vector<std::thread> threads;
  for (auto& slot : seen) {
    threads.emplace_back([&slot] { slot = &RootLogger::instance(); });
  }
  for (auto& thread : threads) {
    thread.join();
  }
  for (RootLogger* logger : seen) {
    EXPECT_EQ(logger, &RootLogger::instance());
  }
}

TEST_F(LoggerTest, ProcessWideInstanceDropsEveryCallBeforeMakingARecord) {
  // A record would read the clock and the formatter; a dropped call touches neither.
  std::atomic<int> clockReads{0};
  zelto::nowMillisecondsFunction = [&clockReads] {
    ++clockReads;
    return int64_t{0};
  };
  zelto::strftimeFunction = [&clockReads](char*, std::size_t, const char*,
                                          const std::tm*) -> std::size_t {
    ++clockReads;
    return 0;
  };
  for (int32_t level : {INT_MIN, -1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, INT_MAX}) {
    RootLogger::instance().log("dropped", static_cast<Level>(level), 1, "a.cpp", "f");
  }
  EXPECT_EQ(clockReads.load(), 0);
}

TEST(RootLoggerLevels, PrintedNames) {
  const std::pair<int32_t, const char*> names[] = {
      {1, "Trace"},    {2, "Detail"},        {3, "Debug"},         {4, "Info"},    {5, "Warn"},
      {6, "Error"},    {7, "Private"},       {8, "Test"},          {0, "Unknown"}, {9, "Unknown"},
      {-1, "Unknown"}, {INT_MIN, "Unknown"}, {INT_MAX, "Unknown"},
  };
  for (const auto& [level, name] : names) {
    EXPECT_STREQ(RootLogger::levelName(level), name) << level;
  }
}

// Which of the levels -1 to 10 a configuration lets through.
TEST_F(LoggerTest, FilterTests) {
  struct Case {
    const char* name;
    RootLogger::Settings settings;
    std::set<int32_t> passing;
  };
  auto with = [](auto change) {
    RootLogger::Settings settings;
    change(settings);
    return settings;
  };
  const Case cases[] = {
      {"as created", {}, {}},
      {"verbose but disabled",
       with([](auto& s) {
         s.verbose = true;
         s.privateEnabled = true;
       }),
       {}},
      {"enabled", with([](auto& s) { s.enabled = true; }), {2, 3, 4, 5, 6, 8, 9, 10}},
      {"enabled, verbose",
       with([](auto& s) {
         s.enabled = true;
         s.verbose = true;
       }),
       {-1, 0, 1, 2, 3, 4, 5, 6, 8, 9, 10}},
      {"enabled, private",
       with([](auto& s) {
         s.enabled = true;
         s.privateEnabled = true;
       }),
       {2, 3, 4, 5, 6, 7, 8, 9, 10}},
      {"minimum Warn",
       with([](auto& s) {
         s.enabled = true;
         s.minimumLevel = RootLogger::Warn;
       }),
       {5, 6, 8, 9, 10}},
      {"minimum Warn, verbose",
       with([](auto& s) {
         s.enabled = true;
         s.minimumLevel = RootLogger::Warn;
         s.verbose = true;
       }),
       {-1, 0, 1, 2, 3, 4, 5, 6, 8, 9, 10}},
      {"floor Warn overrides verbose and private",
       with([](auto& s) {
         s.enabled = true;
         s.verbose = true;
         s.privateEnabled = true;
         s.levelFloor = RootLogger::Warn;
       }),
       {5, 6, 7, 8, 9, 10}},
      {"floor 9",
       with([](auto& s) {
         s.enabled = true;
         s.levelFloor = 9;
       }),
       {9, 10}},
      {"negative floor",
       with([](auto& s) {
         s.enabled = true;
         s.verbose = true;
         s.levelFloor = -1;
       }),
       {-1, 0, 1, 2, 3, 4, 5, 6, 8, 9, 10}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    mSink = std::make_shared<zelto::testing::RecordingSink>();
    auto logger = makeLogger(c.settings);
    for (int32_t level = -1; level <= 10; ++level) {
      logger->log(std::to_string(level), static_cast<Level>(level), 1, "a.cpp", "f");
    }
    logger->flush();
    std::set<int32_t> passed;
    for (const std::string& message : mSink->messages()) {
      passed.insert(std::stoi(message));
    }
    EXPECT_EQ(passed, c.passing);
  }
}

TEST_F(LoggerTest, ThrowingClockStampsTheEpoch) {
  zelto::nowMillisecondsFunction = []() -> int64_t { throw std::runtime_error("no clock"); };
  auto logger = makeLogger(enabledSettings());
  logger->log("m", RootLogger::Info, 1, "a.cpp", "f");
  logger->flush();
  ASSERT_EQ(mSink->entries().size(), 1u);
  EXPECT_EQ(mSink->entries()[0].record.timestamp, "1970-01-01T00:00:00.000Z");
}

TEST_F(LoggerTest, EmptyFormatterDropsTheRecordSilently) {
  auto logger = makeLogger(enabledSettings());
  const auto formatter = zelto::strftimeFunction;
  zelto::strftimeFunction = nullptr;
  logger->log("lost", RootLogger::Error, 1, "a.cpp", "f");
  zelto::strftimeFunction = formatter;
  logger->log("kept", RootLogger::Error, 1, "a.cpp", "f");
  EXPECT_EQ(logger->counts().totalLines, 1u);
  EXPECT_EQ(mSink->messages(), std::vector<std::string>{"kept"});
}

TEST_F(LoggerTest, MaskWordsThatWouldNeverGoAwayAreRefused) {
  for (const char* word : {"", "*", "****", "********"}) {
    SCOPED_TRACE(word);
    RootLogger::Settings settings = enabledSettings();
    settings.maskWords = {"fine", word};
    EXPECT_THROW(RootLogger{settings}, std::invalid_argument);
  }
  for (const char* word : {"*********", "a*", "*a*"}) {
    SCOPED_TRACE(word);
    RootLogger::Settings settings = enabledSettings();
    settings.maskWords = {word};
    EXPECT_NO_THROW(RootLogger{settings});
  }
}

}  // namespace
