// Memory for log records, taken on the calling threads and given back on the logger's
// worker, and kept for the next records: a logger that runs steadily allocates nothing
// per record. Up to kKeptBlocks blocks are kept (as many records as a burst may queue
// before the worker catches up), made kBlocksPerChunk at a time as they are first
// needed; a record made while all of them are in use gets a block of its own, freed
// when the record goes. A pool that is never used holds no memory, and one that has
// been used holds at most kKeptBlocks blocks once its records are gone.
//
// Neither side ever waits for the other or takes a lock: the free blocks form a list
// whose head, the first block's number and a count of the changes made to the head,
// is swapped in one compare-and-swap. A block taken and given back while another taker
// was reading the head changes the count, so that taker's swap fails and it reads the
// head again (the list cannot suffer the ABA fault).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>

#include "logging/LogRecord.h"

namespace zelto {

class LogRecordPool {
 public:
  static constexpr std::size_t kKeptBlocks = 8192;
  static constexpr std::size_t kBlocksPerChunk = 128;

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
  // Every record made by the pool must be gone by then.
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
  // Behind the record in every block: the block's number, and while the block is free
  // the number of the next free one.
  struct Link {
    std::atomic<uint32_t> next;
    uint32_t number;
  };
  static constexpr uint32_t kNone = 0xFFFFFFFFu;  // the end of the list; a block of its own
  static constexpr std::size_t kLinkOffset =
      (sizeof(LogRecord) + alignof(Link) - 1) / alignof(Link) * alignof(Link);
  static constexpr std::size_t kBlockSize = (kLinkOffset + sizeof(Link) + alignof(LogRecord) - 1) /
                                            alignof(LogRecord) * alignof(LogRecord);
  static constexpr std::size_t kChunks = kKeptBlocks / kBlocksPerChunk;
  static_assert(kChunks * kBlocksPerChunk == kKeptBlocks, "whole chunks");
  static_assert(std::atomic<uint64_t>::is_always_lock_free, "the head is swapped lock-free");

  static Link& linkOf(void* block) {
    return *std::launder(reinterpret_cast<Link*>(static_cast<char*>(block) + kLinkOffset));
  }
  void* block(uint32_t number) const {
    return mChunks[number / kBlocksPerChunk].load(std::memory_order_acquire) +
           number % kBlocksPerChunk * kBlockSize;
  }

  void* take();
  void* makeBlock();
  void giveBack(void* block) noexcept;

  // The first free block's number plus one (0: none) in the low half, the count of
  // changes in the high half.
  std::atomic<uint64_t> mHead{0};
  // Blocks numbered so far; numbers from kKeptBlocks on are blocks of their own.
  std::atomic<uint32_t> mNumbered{0};
  std::atomic<char*> mChunks[kChunks] = {};
};

}  // namespace zelto
