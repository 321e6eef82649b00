// Memory for log records, taken on the calling threads and given back on the logger's
// worker, and kept for the next records: a logger that runs steadily allocates nothing
// per record. Up to kKeptBlocks free blocks are kept (as many records as a burst may
// queue before the worker catches up); a record made while none is free gets a new
// block. A pool that is never used holds no memory.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

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
  void* take();
  void giveBack(void* block) noexcept;

  std::mutex mMutex;
  std::vector<void*> mFree;  // never longer than kKeptBlocks
};

}  // namespace zelto
