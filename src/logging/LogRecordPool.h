// Memory for log records, taken on the calling threads and given back on the logger's
// worker, and kept for the next records: a logger that runs steadily allocates nothing
// per record. Up to kKeptBlocks blocks are kept (as many records as a burst may queue
// before the worker catches up), made kBlocksPerChunk at a time as they are first
// needed. A record made while all of them are in use gets an overflow block: overflow
// blocks are cut from slabs of pages taken from the operating system, and a slab goes
// back to it as soon as its last block is given back, whichever threads made and freed
// them, unless kSpareSlabs are kept already for the next burst. A pool that is never
// used holds no memory, and one that has been used holds at most kKeptBlocks blocks and
// kSpareSlabs + 1 slabs once its records are gone.
//
// Neither side ever waits for the other or takes a lock for a kept block: the free
// blocks form a list whose head, the first block's number and a count of the changes
// made to the head, is swapped in one compare-and-swap. A block taken and given back
// while another taker was reading the head changes the count, so that taker's swap fails
// and it reads the head again (the list cannot suffer the ABA fault).
//
// The calling threads write the head at every record; the worker, which gives blocks
// back at every record, collects them (giveBackInBatch) and puts kBatch of them on the
// list at once, so the head's cache line moves to the worker's CPU once per batch rather
// than once per record.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <utility>

#include "logging/LogRecord.h"
#include "util/ProcessorHints.h"

namespace zelto {

class LogRecordPool {
 public:
  static constexpr std::size_t kKeptBlocks = 8192;
  static constexpr std::size_t kBlocksPerChunk = 128;
  // Blocks the worker collects before it puts them back on the list.
  static constexpr std::size_t kBatch = 32;
  // The size of an overflow slab.
  static constexpr std::size_t kSlabBytes = 256 * 1024;
  // Slabs kept for the next burst once their blocks are back (4 MiB); the others go back
  // to the system.
  static constexpr std::size_t kSpareSlabs = 16;

  // Gives the record's block back to its pool when the record goes, from any thread.
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
      return Handle(::new (recordAddress(block)) LogRecord(std::forward<Arguments>(arguments)...),
                    Release(this));
    } catch (...) {
      giveBack(block);
      throw;
    }
  }

  // Ends the record and keeps its block for the pool's one consumer thread, which gives
  // its blocks back kBatch at a time. Only ever called by that one thread (the logger's
  // worker); records that go elsewhere go through Release.
  void giveBackInBatch(Handle record) noexcept;

  // Overflow slabs in use, not counting the spare ones (for tests).
  std::size_t overflowSlabs();

 private:
  // Ahead of the record in every block: the block's number (kNone for an overflow
  // block), while the block is free the number of the next free one, and an overflow
  // block's slab.
  struct Slab;
  struct Link {
    std::atomic<uint32_t> next;
    uint32_t number;
    Slab* slab;
  };
  static constexpr uint32_t kNone = 0xFFFFFFFFu;  // the end of the list; an overflow block
  static constexpr std::size_t kRecordOffset =
      (sizeof(Link) + alignof(LogRecord) - 1) / alignof(LogRecord) * alignof(LogRecord);
  // Blocks are whole cache lines, so that a caller filling one block and the worker
  // reading the one before it never share a line.
  static constexpr std::size_t kBlockSize =
      (kRecordOffset + sizeof(LogRecord) + kCacheLine - 1) / kCacheLine * kCacheLine;
  static_assert(alignof(LogRecord) <= kCacheLine && alignof(Link) <= kCacheLine,
                "blocks are aligned");
  static constexpr std::size_t kChunks = kKeptBlocks / kBlocksPerChunk;
  static_assert(kChunks * kBlocksPerChunk == kKeptBlocks, "whole chunks");
  static_assert(std::atomic<uint64_t>::is_always_lock_free, "the head is swapped lock-free");

  // A Link is made in every block when the block is first made, and lives as long as it.
  static Link& linkOf(void* block) { return *std::launder(static_cast<Link*>(block)); }
  static void* recordAddress(void* block) { return static_cast<char*>(block) + kRecordOffset; }
  static void* blockOf(LogRecord* record) {
    return reinterpret_cast<char*>(record) - kRecordOffset;
  }
  void* block(uint32_t number) const {
    return mChunks[number / kBlocksPerChunk].load(std::memory_order_acquire) +
           number % kBlocksPerChunk * kBlockSize;
  }

  void* take();
  void* makeBlock();
  void* makeOverflowBlock();
  void giveBack(void* block) noexcept;
  // Puts the chain first .. last of kept blocks, linked through their links, on the list.
  void pushChain(void* first, Link& last) noexcept;
  void giveBackOverflow(Slab* slab) noexcept;

  // The calling threads' side: written by every take.
  // The first free block's number plus one (0: none) in the low half, the count of
  // changes in the high half.
  alignas(kCacheLine) std::atomic<uint64_t> mHead{0};
  // Blocks numbered so far.
  std::atomic<uint32_t> mNumbered{0};
  std::atomic<char*> mChunks[kChunks] = {};

  // Overflow slabs: cut by the calling threads under the mutex, each slab's count of
  // blocks not yet given back counted down by whoever gives one back.
  alignas(kCacheLine) std::mutex mOverflowMutex;
  Slab* mCuttingFrom = nullptr;  // the slab blocks are cut from; null when used up
  uint32_t mCut = 0;             // blocks cut from it so far
  Slab* mSlabs = nullptr;        // every slab in use, linked
  Slab* mSpares = nullptr;       // slabs kept for the next burst, linked by next
  std::size_t mSpareCount = 0;

  // The consumer's side: the blocks it has collected.
  alignas(kCacheLine) void* mBatch[kBatch] = {};
  std::size_t mBatchCount = 0;
};

}  // namespace zelto
