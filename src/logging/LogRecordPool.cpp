#include "logging/LogRecordPool.h"

namespace zelto {

void LogRecordPool::Release::operator()(LogRecord* record) const noexcept {
  record->~LogRecord();
  mPool->giveBack(record);
}

LogRecordPool::~LogRecordPool() {
  for (void* block : mFree) {
    ::operator delete(block);
  }
}

void* LogRecordPool::take() {
  {
    std::lock_guard<std::mutex> lock(mMutex);
    if (!mFree.empty()) {
      void* block = mFree.back();
      mFree.pop_back();
      return block;
    }
  }
  return ::operator new(sizeof(LogRecord));
}

void LogRecordPool::giveBack(void* block) noexcept {
  {
    std::lock_guard<std::mutex> lock(mMutex);
    if (mFree.size() < kKeptBlocks) {
      try {
        mFree.push_back(block);
        return;
      } catch (...) {
        // No room to keep it: it is freed instead.
      }
    }
  }
  ::operator delete(block);
}

}  // namespace zelto
