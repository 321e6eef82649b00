#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "logging/LogRecord.h"
#include "logging/LoggerFixture.h"
#include "logging/RootLogger.h"
#include "logging/ThreadId.h"

namespace {

using zelto::RootLogger;
using zelto::testing::LoggerTest;
using zelto::testing::RecordingSink;
using zelto::testing::ScopedTimeZone;

TEST_F(LoggerTest, LineAndRecordOfAnAcceptedCall) {
  auto logger = makeLogger(enabledSettings());
  logger->log("m", RootLogger::Info, 307, "src/a.cpp", "f");
  logger->flush();

  const auto entries = mSink->entries();
  ASSERT_EQ(entries.size(), 1u);
  const std::string caller = std::to_string(zelto::currentThreadId());
  EXPECT_EQ(entries[0].line, "2024-03-05T14:07:09.042Z <Info> [" + caller + "] a.cpp:307 f:m");
  const zelto::LogComponents& record = entries[0].record;
  EXPECT_EQ(record.timestamp, "2024-03-05T14:07:09.042Z");
  EXPECT_EQ(record.level, "Info");
  EXPECT_EQ(record.threadId, zelto::currentThreadId());  // the caller's, not the worker's
  EXPECT_EQ(record.file, "a.cpp");
  EXPECT_EQ(record.function, "f");
  EXPECT_EQ(record.message, "m");
  EXPECT_EQ(record.line, 307);
}

TEST_F(LoggerTest, LocalTimeAndUnusualValuesInTheLine) {
  ScopedTimeZone zone("CET-1");
  RootLogger::Settings settings = enabledSettings();
  settings.useLocalTime = true;
  settings.verbose = true;
  auto logger = makeLogger(settings);
  logger->log("", static_cast<RootLogger::Level>(0), -12, "", "");
  logger->log("a:b\nc", static_cast<RootLogger::Level>(9), 0, "x/", "ns::g()");
  logger->flush();

  const std::string id = std::to_string(zelto::currentThreadId());
  EXPECT_EQ(mSink->lines(),
            (std::vector<std::string>{
                "2024-03-05T15:07:09.042+0100 <Unknown> [" + id + "] :-12 :",
                "2024-03-05T15:07:09.042+0100 <Unknown> [" + id + "] :0 ns::g():a:b\nc"}));
}

// A record keeps its texts in a buffer of its own and moves them to one heap block when
// they do not fit; either way every text arrives whole, and the records a pool reuses
// never carry a previous record's text.
TEST_F(LoggerTest, TextsOfAnyLengthArriveWhole) {
  const std::size_t room = zelto::LogRecord::kInlineText - 24;  // after the timestamp
  struct Case {
    std::string file, function, message;
  };
  const Case cases[] = {
      {"a.cpp", "f", std::string(room - 6, 'm')},  // fills the buffer exactly
      {"a.cpp", "f", std::string(room - 5, 'm')},  // one character too many
      {"a.cpp", std::string(300, 'g'), "m"},
      {std::string(400, 'p'), "f", std::string(5000, 'x')},
      {"a.cpp", "f", ""},
      {"a.cpp", "f", "short"},
  };
  auto logger = makeLogger(enabledSettings());
  for (const Case& c : cases) {
    logger->log(c.message, RootLogger::Info, 1, "dir/" + c.file, c.function);
  }
  logger->flush();
  const auto entries = mSink->entries();
  ASSERT_EQ(entries.size(), std::size(cases));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(entries[i].record.file, cases[i].file) << i;
    EXPECT_EQ(entries[i].record.function, cases[i].function) << i;
    EXPECT_EQ(entries[i].record.message, cases[i].message) << i;
    EXPECT_EQ(entries[i].record.timestamp, "2024-03-05T14:07:09.042Z") << i;
  }
}

TEST_F(LoggerTest, FileNameIsThePartAfterTheLastSeparator) {
  const std::pair<const char*, const char*> cases[] = {
      {"D:\\src\\a\\b.cpp", "b.cpp"},
      {"src/a/b.cpp", "b.cpp"},
      {"src/a\\b.cpp", "b.cpp"},
      {"src\\a/b.cpp", "b.cpp"},
      {"b.cpp", "b.cpp"},
      {"src/", ""},
      {"\\", ""},
      {"", ""},
      {"//server/share/c.h", "c.h"},
  };
  auto logger = makeLogger(enabledSettings());
  for (const auto& [argument, name] : cases) {
    logger->log("m", RootLogger::Info, 1, argument, "f");
  }
  logger->flush();
  const auto entries = mSink->entries();
  ASSERT_EQ(entries.size(), std::size(cases));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(entries[i].record.file, cases[i].second) << cases[i].first;
  }
}

TEST_F(LoggerTest, MaskWordsAreReplacedInTheMessageOnly) {
  struct Case {
    std::vector<std::string> words;
    std::string message;
    std::string masked;
  };
  const Case cases[] = {
      {{"alice"}, "user alice met alice", "user ******** met ********"},
      {{"alice"}, "alicealice", "****************"},
      {{"alice"}, "Alice", "Alice"},
      {{"alice", "bob"}, "bob saw alice", "******** saw ********"},
      {{"ab", "b"}, "abc b", "********c ********"},  // in order: "ab" goes before "b"
      {{"b", "ab"}, "abc", "a********c"},
      {{"a*"}, "aa*", std::string(15, '*')},  // re-found across the mask
      {{"*********"}, "x**********y", "x********y"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    mSink = std::make_shared<RecordingSink>();
    RootLogger::Settings settings = enabledSettings();
    settings.maskWords = c.words;
    auto logger = makeLogger(settings);
    logger->log(c.message, RootLogger::Info, 1, "alice.cpp", "alice");
    logger->flush();
    const auto entries = mSink->entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].record.message, c.masked);
    EXPECT_EQ(entries[0].record.function, "alice");
    EXPECT_EQ(entries[0].line.substr(entries[0].line.size() - c.masked.size()), c.masked);
  }
}

TEST_F(LoggerTest, CountsEveryLevelButTraceDetailAndPrivate) {
  RootLogger::Settings settings = enabledSettings();
  settings.verbose = true;
  settings.privateEnabled = true;
  auto logger = makeLogger(settings);
  for (int32_t level : {1, 2, 7}) {
    logger->log("uncounted", static_cast<RootLogger::Level>(level), 5, "a.cpp", "f");
  }
  logger->log("one", RootLogger::Info, 10, "src/a.cpp", "f");
  logger->log("two", RootLogger::Error, 10, "a.cpp", "g");
  logger->log("three", RootLogger::Debug, 11, "a.cpp", "f");
  logger->log("four", static_cast<RootLogger::Level>(0), 10, "b.cpp", "f");
  logger->log("five", static_cast<RootLogger::Level>(9), -3, "b.cpp", "f");
  logger->log("six", RootLogger::Warn, 10, "a.cpp", "h");  // back to a location seen before

  const RootLogger::Counts counts = logger->counts();
  const auto lines = mSink->lines();
  ASSERT_EQ(lines.size(), 9u);  // the uncounted lines reached the sink all the same
  uint64_t countedBytes = 0;
  for (std::size_t i = 3; i < lines.size(); ++i) {
    countedBytes += lines[i].size();
  }
  EXPECT_EQ(counts.byLocation,
            (std::map<std::string, uint32_t>{
                {"a.cpp: 10", 3}, {"a.cpp: 11", 1}, {"b.cpp: 10", 1}, {"b.cpp: -3", 1}}));
  EXPECT_EQ(counts.byFile, (std::map<std::string, uint32_t>{{"a.cpp", 4}, {"b.cpp", 2}}));
  EXPECT_EQ(counts.totalLines, 6u);
  EXPECT_EQ(counts.totalBytes, countedBytes);
}

TEST_F(LoggerTest, RecordWithoutSinksIsStillCounted) {
  RootLogger logger(enabledSettings());
  logger.log("m", RootLogger::Warn, 307, "a.cpp", "f");
  const std::string line = "2024-03-05T14:07:09.042Z <Warn> [" +
                           std::to_string(zelto::currentThreadId()) + "] a.cpp:307 f:m";
  const RootLogger::Counts counts = logger.counts();
  EXPECT_EQ(counts.totalLines, 1u);
  EXPECT_EQ(counts.totalBytes, line.size());
}

TEST_F(LoggerTest, TaggedFileGoesToTheTaggedSinkAlone) {
  struct Case {
    const char* file;
    bool tagged;
  };
  const Case cases[] = {
      {"KVR", true},      {"src/KVR", true}, {"C:\\x\\KVR", true}, {"kvr", false},
      {"KVR.cpp", false}, {"xKVR", false},   {"KVR/", false},      {"KVR ", false},
  };
  for (bool route : {true, false}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.file) + (route ? " routed" : " not routed"));
      mSink = std::make_shared<RecordingSink>();
      auto tagged = std::make_shared<RecordingSink>();
      RootLogger::Settings settings = enabledSettings();
      settings.routeTagged = route;
      settings.taggedSink = tagged;
      auto logger = makeLogger(settings);
      logger->log("m", RootLogger::Info, 1, c.file, "f");
      EXPECT_EQ(logger->counts().totalLines, 1u);
      const bool toTagged = route && c.tagged;
      EXPECT_EQ(tagged->entries().size(), toTagged ? 1u : 0u);
      EXPECT_EQ(mSink->entries().size(), toTagged ? 0u : 1u);
    }
  }
}

TEST_F(LoggerTest, RoutingWithoutATaggedSinkWritesTheTaggedFileNowhere) {
  RootLogger::Settings settings = enabledSettings();
  settings.routeTagged = true;
  auto logger = makeLogger(settings);
  logger->log("m", RootLogger::Info, 1, "KVR", "f");
  logger->log("m", RootLogger::Info, 1, "other", "f");
  EXPECT_EQ(logger->counts().totalLines, 2u);
  ASSERT_EQ(mSink->entries().size(), 1u);
  EXPECT_EQ(mSink->entries()[0].record.file, "other");
}

TEST_F(LoggerTest, SinksAreCalledInOrderUntilOneThrows) {
  std::vector<std::string> order;
  auto first = std::make_shared<RecordingSink>([&order](auto&) { order.push_back("first"); });
  auto failing = std::make_shared<RecordingSink>([&order](const RecordingSink::Entry& entry) {
    order.push_back("failing");
    if (entry.record.message == "boom") {
      throw std::runtime_error("sink refused the line");
    }
  });
  auto last = std::make_shared<RecordingSink>([&order](auto&) { order.push_back("last"); });
  RootLogger::Settings settings = enabledSettings();
  settings.sinks = {first, failing, last};
  auto logger = makeLogger(settings);

  logger->log("boom", RootLogger::Info, 1, "a.cpp", "f");
  // The queue reports the failure as a record of its own, added once the failed task
  // has ended: the second flush waits for it too.
  logger->flush();
  logger->flush();
  logger->log("fine", RootLogger::Info, 2, "a.cpp", "f");
  const RootLogger::Counts counts = logger->counts();
  EXPECT_EQ(counts.totalLines, 2u);
  EXPECT_EQ(counts.byLocation.count("a.cpp: 1"), 0u);
  EXPECT_EQ(order, (std::vector<std::string>{"first", "failing", "first", "failing", "last",
                                             "first", "failing", "last"}));
  const auto reports = last->entries();
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[1].record.message, "fine");
  EXPECT_EQ(reports[0].record.message,
            "Encountered an exception while running a task: sink refused the line with a task "
            "name of logMessage");
  EXPECT_EQ(reports[0].record.level, "Error");
}

TEST_F(LoggerTest, SinkThatAlwaysThrowsDoesNotKeepTheWorkerBusy) {
  auto failing =
      std::make_shared<RecordingSink>([](auto&) { throw std::runtime_error("sink is broken"); });
  RootLogger::Settings settings = enabledSettings();
  settings.sinks = {failing};
  auto logger = makeLogger(settings);
  logger->log("m", RootLogger::Info, 1, "a.cpp", "f");
  for (int i = 0; i < 3; ++i) {
    logger->flush();
  }
  // The line, then the report of its failure, whose own failure is not reported again.
  EXPECT_EQ(failing->entries().size(), 2u);
  EXPECT_EQ(logger->counts().totalLines, 0u);
}

TEST_F(LoggerTest, FailureOfARecordThatASinkLoggedIsReported) {
  RootLogger* logger = nullptr;
  auto echoing = std::make_shared<RecordingSink>([&logger](const RecordingSink::Entry& entry) {
    if (entry.record.message == "first") {
      logger->log("second", RootLogger::Info, 2, "a.cpp", "f");
    }
  });
  auto failing = std::make_shared<RecordingSink>([](const RecordingSink::Entry& entry) {
    if (entry.record.message == "second") {
      throw std::runtime_error("sink refused the line");
    }
  });
  auto last = std::make_shared<RecordingSink>();
  RootLogger::Settings settings = enabledSettings();
  settings.sinks = {echoing, failing, last};
  auto owned = makeLogger(settings);
  logger = owned.get();

  logger->log("first", RootLogger::Info, 1, "a.cpp", "f");
  // "first", then "second" (queued by the sink), then the report of its failure.
  for (int i = 0; i < 3; ++i) {
    logger->flush();
  }
  EXPECT_EQ(last->messages(),
            (std::vector<std::string>{
                "first",
                "Encountered an exception while running a task: sink refused the line "
                "with a task name of logMessage"}));
}

TEST_F(LoggerTest, SinkMayReadTheCountersOnTheWorker) {
  std::vector<uint64_t> seen;
  RootLogger* target = nullptr;
  auto reading =
      std::make_shared<RecordingSink>([&](auto&) { seen.push_back(target->counts().totalLines); });
  RootLogger::Settings settings = enabledSettings();
  settings.sinks = {reading};
  auto logger = makeLogger(settings);
  target = logger.get();
  logger->log("a", RootLogger::Info, 1, "a.cpp", "f");
  logger->log("b", RootLogger::Info, 1, "a.cpp", "f");
  logger->flush();
  EXPECT_EQ(seen, (std::vector<uint64_t>{0, 1}));  // counting follows the sinks
}

TEST_F(LoggerTest, LinesFromManyThreadsArriveOnceInEachThreadsOrder) {
  constexpr int kThreads = 4;
  constexpr int kPerThread = 250;
  auto logger = makeLogger(enabledSettings());
  std::vector<uint32_t> ids(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      ids[t] = zelto::currentThreadId();
      for (int i = 0; i < kPerThread; ++i) {
        logger->log(std::to_string(t) + ":" + std::to_string(i), RootLogger::Info, i, "a.cpp", "f");
      }
    });
  }
  for (auto& thread : threads) {
    thread.join();
  }
  EXPECT_EQ(logger->counts().totalLines, uint64_t{kThreads * kPerThread});

  std::vector<int> next(kThreads, 0);
  for (const auto& entry : mSink->entries()) {
    const int t = std::stoi(entry.record.message);
    ASSERT_EQ(entry.record.message, std::to_string(t) + ":" + std::to_string(next[t]));
    EXPECT_EQ(entry.record.threadId, ids[t]);
    ++next[t];
  }
  EXPECT_EQ(next, std::vector<int>(kThreads, kPerThread));
}

TEST_F(LoggerTest, DestroyingALoggerWritesEveryAcceptedLineFirst) {
  auto logger = makeLogger(enabledSettings());
  for (int i = 0; i < 100; ++i) {
    logger->log(std::to_string(i), RootLogger::Info, i, "a.cpp", "f");
  }
  logger.reset();
  EXPECT_EQ(mSink->entries().size(), 100u);
}

}  // namespace
