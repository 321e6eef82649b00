#include "logging/LogRecordPool.h"

namespace zelto {

void LogRecordPool::Release::operator()(LogRecord* record) const noexcept {
  record->~LogRecord();
  mPool->giveBack(record);
}

LogRecordPool::~LogRecordPool() {
  FreeBlock* block = mFree.load(std::memory_order_acquire);
  while (block != nullptr) {
    FreeBlock* const next = block->next;
    ::operator delete(block);
    block = next;
  }
}

void* LogRecordPool::take() {
  {
    std::lock_guard<std::mutex> lock(mTakeMutex);
    FreeBlock* head = mFree.load(std::memory_order_acquire);
    // A failed swap means a block was given back meanwhile; the new head is tried.
    while (head != nullptr &&
           !mFree.compare_exchange_weak(head, head->next, std::memory_order_acquire,
                                        std::memory_order_acquire)) {
    }
    if (head != nullptr) {
      mFreeCount.fetch_sub(1, std::memory_order_relaxed);
      return head;
    }
  }
  return ::operator new(sizeof(LogRecord));
}

void LogRecordPool::giveBack(void* block) noexcept {
  if (mFreeCount.load(std::memory_order_relaxed) >= kKeptBlocks) {
    ::operator delete(block);
    return;
  }
  mFreeCount.fetch_add(1, std::memory_order_relaxed);
  FreeBlock* const freed = ::new (block) FreeBlock{mFree.load(std::memory_order_relaxed)};
  // Published with release, so a taker that sees this block also sees its link.
  while (!mFree.compare_exchange_weak(freed->next, freed, std::memory_order_release,
                                      std::memory_order_relaxed)) {
  }
}

}  // namespace zelto
