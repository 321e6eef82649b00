#include "logging/LogRecordPool.h"

namespace zelto {

namespace {

constexpr uint64_t kNumberMask = 0xFFFFFFFFu;
constexpr uint64_t kOneChange = uint64_t{1} << 32;

}  // namespace

void LogRecordPool::Release::operator()(LogRecord* record) const noexcept {
  record->~LogRecord();
  mPool->giveBack(record);
}

LogRecordPool::~LogRecordPool() {
  for (std::atomic<char*>& chunk : mChunks) {
    ::operator delete(chunk.load(std::memory_order_acquire));
  }
}

void* LogRecordPool::take() {
  uint64_t head = mHead.load(std::memory_order_acquire);
  while ((head & kNumberMask) != 0) {
    const uint32_t number = static_cast<uint32_t>(head & kNumberMask) - 1;
    void* const candidate = block(number);
    // Should the block be taken meanwhile, this link may be stale; the count of changes
    // in the head then differs and the swap fails.
    const uint32_t next = linkOf(candidate).next.load(std::memory_order_relaxed);
    const uint64_t newHead =
        ((head & ~kNumberMask) + kOneChange) | uint64_t{static_cast<uint32_t>(next + 1u)};
    if (mHead.compare_exchange_weak(head, newHead, std::memory_order_acquire,
                                    std::memory_order_acquire)) {
      return candidate;
    }
  }
  return makeBlock();
}

void* LogRecordPool::makeBlock() {
  const uint32_t number = mNumbered.load(std::memory_order_relaxed) < kKeptBlocks
                              ? mNumbered.fetch_add(1, std::memory_order_relaxed)
                              : kNone;
  if (number >= kKeptBlocks) {
    void* const own = ::operator new(kBlockSize);
    ::new (&linkOf(own)) Link{{kNone}, kNone};
    return own;
  }
  std::atomic<char*>& chunk = mChunks[number / kBlocksPerChunk];
  char* chunkStart = chunk.load(std::memory_order_acquire);
  if (chunkStart == nullptr) {
    // The first taker of a chunk's blocks makes it; a thread that loses the race to
    // another frees its own.
    char* const made = static_cast<char*>(::operator new(kBlockSize* kBlocksPerChunk));
    if (chunk.compare_exchange_strong(chunkStart, made, std::memory_order_acq_rel,
                                      std::memory_order_acquire)) {
      chunkStart = made;
    } else {
      ::operator delete(made);
    }
  }
  void* const fresh = chunkStart + number % kBlocksPerChunk * kBlockSize;
  ::new (&linkOf(fresh)) Link{{kNone}, number};
  return fresh;
}

void LogRecordPool::giveBack(void* block) noexcept {
  Link& link = linkOf(block);
  if (link.number == kNone) {
    ::operator delete(block);
    return;
  }
  uint64_t head = mHead.load(std::memory_order_relaxed);
  uint64_t newHead;
  do {
    link.next.store(static_cast<uint32_t>(head & kNumberMask) - 1, std::memory_order_relaxed);
    newHead = ((head & ~kNumberMask) + kOneChange) | (uint64_t{link.number} + 1);
    // Published with release, so a taker that sees this block also sees its link.
  } while (!mHead.compare_exchange_weak(head, newHead, std::memory_order_release,
                                        std::memory_order_relaxed));
}

}  // namespace zelto
