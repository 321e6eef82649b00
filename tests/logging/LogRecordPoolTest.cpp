#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "logging/LogRecordPool.h"
#include "support/FailingAllocation.h"

namespace {

using zelto::LogRecord;
using zelto::LogRecordPool;

LogRecordPool::Handle makeRecord(LogRecordPool& pool, const std::string& message, int32_t line) {
  return pool.make("2024-03-05T14:07:09.042Z", 4, 7u, "a.cpp", "f", message, line);
}

TEST(LogRecordPoolTest, GivenBackBlockIsTakenByTheNextRecord) {
  LogRecordPool pool;
  LogRecord* const first = makeRecord(pool, "one", 1).get();
  auto second = makeRecord(pool, "two", 2);
  EXPECT_EQ(second.get(), first);
  EXPECT_EQ(second->message(), "two");
  EXPECT_EQ(second->line(), 2);
}

// A burst of more records than the pool keeps: every record is whole, and once they are
// gone the pool's kept blocks serve as many records again without a single allocation.
TEST(LogRecordPoolTest, BurstBeyondTheKeptBlocksThenKeptBlocksAreReused) {
  LogRecordPool pool;
  const std::size_t burst = LogRecordPool::kKeptBlocks + 100;
  for (int round = 0; round < 2; ++round) {
    std::vector<LogRecordPool::Handle> records;
    records.reserve(burst);
    for (std::size_t i = 0; i < burst; ++i)
      records.push_back(makeRecord(pool, std::to_string(i), static_cast<int32_t>(i)));
    for (std::size_t i = 0; i < burst; ++i) {
      ASSERT_EQ(records[i]->message(), std::to_string(i));
      ASSERT_EQ(records[i]->line(), static_cast<int32_t>(i));
    }
  }
  std::vector<LogRecordPool::Handle> records;
  records.reserve(LogRecordPool::kKeptBlocks);
  const std::string message = "short";
  zelto::testing_support::FailingAllocation failure(1);
  for (std::size_t i = 0; i < LogRecordPool::kKeptBlocks; ++i)
    records.push_back(makeRecord(pool, message, 1));
  EXPECT_FALSE(failure.failed());
}

// The worker's batch: blocks given back in a batch serve the next records, and a burst
// past the kept blocks takes overflow slabs that go back once their records are gone
// (all but the one blocks are still being cut from).
TEST(LogRecordPoolTest, BatchedBlocksAreReusedAndOverflowSlabsGoBack) {
  LogRecordPool pool;
  std::set<const LogRecord*> batched;
  {
    std::vector<LogRecordPool::Handle> records;
    for (std::size_t i = 0; i < LogRecordPool::kBatch; ++i) {
      records.push_back(makeRecord(pool, "batched", 1));
      batched.insert(records.back().get());
    }
    for (LogRecordPool::Handle& record : records)
      pool.giveBackInBatch(std::move(record));
  }
  std::vector<LogRecordPool::Handle> records;
  for (std::size_t i = 0; i < LogRecordPool::kBatch; ++i) {
    records.push_back(makeRecord(pool, "again", 2));
    EXPECT_EQ(batched.count(records.back().get()), 1u) << "record " << i;
  }
  records.clear();

  const std::size_t burst = LogRecordPool::kKeptBlocks + 3 * LogRecordPool::kSlabBytes / 200;
  for (int round = 0; round < 2; ++round) {
    for (std::size_t i = 0; i < burst; ++i)
      records.push_back(makeRecord(pool, std::to_string(i), static_cast<int32_t>(i)));
    EXPECT_GE(pool.overflowSlabs(), 3u);
    for (std::size_t i = 0; i < burst; ++i) {
      ASSERT_EQ(records[i]->message(), std::to_string(i));
      if (i % 2 == 0)
        pool.giveBackInBatch(std::move(records[i]));
    }
    records.clear();
    EXPECT_LE(pool.overflowSlabs(), 1u) << "round " << round;
  }
}

// Two calling threads take blocks while a third, as the logger's worker does, reads each
// record and gives its block back: every record arrives whole, whichever block it got.
// The burst passes the kept blocks, so overflow blocks come and go as well.
TEST(LogRecordPoolTest, RecordsStayWholeWhileThreadsTakeAndGiveBack) {
  constexpr int kPerProducer = 20000;
  static_assert(2 * kPerProducer > LogRecordPool::kKeptBlocks, "the burst overflows");
  LogRecordPool pool;
  std::mutex mutex;
  std::condition_variable ready;
  std::deque<LogRecordPool::Handle> queued;
  int producersDone = 0;

  auto produce = [&](int producer) {
    for (int i = 0; i < kPerProducer; ++i) {
      auto record = makeRecord(pool, std::to_string(producer) + ":" + std::to_string(i), i);
      std::lock_guard<std::mutex> lock(mutex);
      queued.push_back(std::move(record));
      ready.notify_one();
    }
    std::lock_guard<std::mutex> lock(mutex);
    ++producersDone;
    ready.notify_one();
  };

  std::vector<int> nextOf(2, 0);
  int bad = 0;
  std::thread worker([&] {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
      ready.wait(lock, [&] { return !queued.empty() || producersDone == 2; });
      if (queued.empty())
        return;
      LogRecordPool::Handle record = std::move(queued.front());
      queued.pop_front();
      lock.unlock();
      const std::string message(record->message());
      const int producer = message[0] - '0';
      if (message != std::to_string(producer) + ":" + std::to_string(nextOf[producer]) ||
          record->line() != nextOf[producer] || record->file() != "a.cpp") {
        ++bad;
      }
      ++nextOf[producer];
      // The block goes back outside the hand-over lock, in the worker's batch as the
      // logger gives it, or on its own as a record dropped elsewhere does.
      if (nextOf[producer] % 3 == 0)
        record.reset();
      else
        pool.giveBackInBatch(std::move(record));
      lock.lock();
    }
  });
  std::thread first(produce, 0);
  std::thread second(produce, 1);
  first.join();
  second.join();
  worker.join();

  EXPECT_EQ(bad, 0);
  EXPECT_EQ(nextOf, std::vector<int>({kPerProducer, kPerProducer}));
}

}  // namespace
