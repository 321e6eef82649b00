// Memory for log records, taken on the calling threads and given back on the logger's
// worker, and kept for the next records: a logger that runs steadily allocates nothing
// per record. About kKeptBlocks free blocks are kept (as many records as a burst may
// queue before the worker catches up); a record made while none is free gets a new
// block. A pool that is never used holds no memory.
//
// The worker never waits for a calling thread here: a block goes back with one
// compare-and-swap onto a list that only one thread at a time takes from. The calling
// threads take blocks under a lock that they share with each other only.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <new>
#include <utility>

#include "logging/LogRecord.h"

namespace zelto {

class LogRecordPool {
 public:
  static constexpr std::size_t kKeptBlocks = 8192;

  // Gives the record's block back to its pool when the record goes.
  class Release {
   public:
    explicit Release(LogRecordPool* pool = nullptr) : mPool(pool) {}
    void operator()(LogRecord* record) const noexcept;

   private:
    LogRecordPool* mPool;
  };
  using Handle = std::unique_ptr<LogRecord, Release>;

  LogRecordPool() = default;
  ~LogRecordPool();

  LogRecordPool(const LogRecordPool&) = delete;
  LogRecordPool& operator=(const LogRecordPool&) = delete;

  // A record built in a block of the pool; the pool must outlive it.
  template <typename... Arguments>
  Handle make(Arguments&&... arguments) {
    void* block = take();
    try {
      return Handle(::new (block) LogRecord(std::forward<Arguments>(arguments)...), Release(this));
    } catch (...) {
      giveBack(block);
      throw;
    }
  }

 private:
  // A kept block's first bytes, while no record lives in it.
  struct FreeBlock {
    FreeBlock* next;
  };
  static_assert(sizeof(LogRecord) >= sizeof(FreeBlock), "a free block must hold its link");
  static_assert(alignof(LogRecord) >= alignof(FreeBlock), "a free block must hold its link");

  void* take();
  void giveBack(void* block) noexcept;

  // Serialises the takers. With one taker at a time the list cannot suffer the ABA
  // fault: the head a taker has read can leave the list only through that taker, so
  // it is still there, with the same next block, when the taker swaps it out.
  std::mutex mTakeMutex;
  std::atomic<FreeBlock*> mFree{nullptr};
  // Blocks on the list, near enough to bound it: it may pass kKeptBlocks by the number
  // of threads giving back at the same moment.
  std::atomic<std::size_t> mFreeCount{0};
};

}  // namespace zelto
