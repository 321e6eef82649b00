#include "logging/LogRecordPool.h"

#include "util/SystemPages.h"

namespace zelto {

namespace {

constexpr uint64_t kNumberMask = 0xFFFFFFFFu;
constexpr uint64_t kOneChange = uint64_t{1} << 32;

}  // namespace

// The head of an overflow slab, followed by its blocks.
struct LogRecordPool::Slab {
  // Blocks not yet given back, counting those not yet cut: the slab can reach 0 only
  // once it has been used up, when no taker can come to it any more.
  std::atomic<uint32_t> outstanding;
  Slab* previous;
  Slab* next;
};

namespace {

constexpr std::size_t kSlabHeader = kCacheLine;  // blocks start on a cache line

}  // namespace

void LogRecordPool::Release::operator()(LogRecord* record) const noexcept {
  record->~LogRecord();
  mPool->giveBack(blockOf(record));
}

LogRecordPool::~LogRecordPool() {
  for (std::atomic<char*>& chunk : mChunks) {
    ::operator delete(chunk.load(std::memory_order_acquire), std::align_val_t(kCacheLine));
  }
  // The slab blocks were cut from last, and any whose blocks the worker has not all
  // given back: every record is gone now.
  for (Slab* list : {mSlabs, mSpares}) {
    for (Slab* slab = list; slab != nullptr;) {
      Slab* const next = slab->next;
      system_pages::release(slab, kSlabBytes);
      slab = next;
    }
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
      // The next free block was last written on the worker's CPU: its lines are
      // fetched for writing now, so that the next record finds them at hand.
      if (next != kNone)
        prefetchForWriting(block(next), kBlockSize);
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
    return makeOverflowBlock();
  }
  std::atomic<char*>& chunk = mChunks[number / kBlocksPerChunk];
  char* chunkStart = chunk.load(std::memory_order_acquire);
  if (chunkStart == nullptr) {
    // The first taker of a chunk's blocks makes it; a thread that loses the race to
    // another frees its own.
    char* const made = static_cast<char*>(
        ::operator new(kBlockSize* kBlocksPerChunk, std::align_val_t(kCacheLine)));
    if (chunk.compare_exchange_strong(chunkStart, made, std::memory_order_acq_rel,
                                      std::memory_order_acquire)) {
      chunkStart = made;
    } else {
      ::operator delete(made, std::align_val_t(kCacheLine));
    }
  }
  void* const fresh = chunkStart + number % kBlocksPerChunk * kBlockSize;
  ::new (fresh) Link{{kNone}, number, nullptr};
  return fresh;
}

void* LogRecordPool::makeOverflowBlock() {
  constexpr uint32_t kPerSlab = static_cast<uint32_t>((kSlabBytes - kSlabHeader) / kBlockSize);
  static_assert(kPerSlab > 0, "a slab holds blocks");
  std::lock_guard<std::mutex> lock(mOverflowMutex);
  if (mCuttingFrom == nullptr) {
    void* pages = mSpares;
    if (pages != nullptr) {
      mSpares = mSpares->next;
      --mSpareCount;
      static_cast<Slab*>(pages)->~Slab();
    } else {
      pages = system_pages::allocate(kSlabBytes);
    }
    Slab* const slab = ::new (pages) Slab{{kPerSlab}, nullptr, mSlabs};
    if (mSlabs != nullptr)
      mSlabs->previous = slab;
    mSlabs = slab;
    mCuttingFrom = slab;
    mCut = 0;
  }
  Slab* const slab = mCuttingFrom;
  void* const fresh = reinterpret_cast<char*>(slab) + kSlabHeader + mCut * kBlockSize;
  if (++mCut == kPerSlab)
    mCuttingFrom = nullptr;  // used up: from now on only givers-back touch it
  ::new (fresh) Link{{kNone}, kNone, slab};
  return fresh;
}

void LogRecordPool::giveBack(void* block) noexcept {
  Link& link = linkOf(block);
  if (link.number == kNone) {
    giveBackOverflow(link.slab);
    return;
  }
  pushChain(block, link);
}

void LogRecordPool::giveBackInBatch(Handle record) noexcept {
  LogRecord* const released = record.release();
  if (released == nullptr)
    return;
  released->~LogRecord();
  void* const freed = blockOf(released);
  Link& link = linkOf(freed);
  if (link.number == kNone) {
    giveBackOverflow(link.slab);
    return;
  }
  mBatch[mBatchCount++] = freed;
  if (mBatchCount < kBatch)
    return;
  // Chained through their links, then put on the list with one swap.
  for (std::size_t i = 0; i + 1 < kBatch; ++i) {
    linkOf(mBatch[i]).next.store(linkOf(mBatch[i + 1]).number, std::memory_order_relaxed);
  }
  pushChain(mBatch[0], linkOf(mBatch[kBatch - 1]));
  mBatchCount = 0;
}

void LogRecordPool::pushChain(void* first, Link& last) noexcept {
  const uint32_t firstNumber = linkOf(first).number;
  uint64_t head = mHead.load(std::memory_order_relaxed);
  uint64_t newHead;
  do {
    last.next.store(static_cast<uint32_t>(head & kNumberMask) - 1, std::memory_order_relaxed);
    newHead = ((head & ~kNumberMask) + kOneChange) | (uint64_t{firstNumber} + 1);
    // Published with release, so a taker that sees these blocks also sees their links.
  } while (!mHead.compare_exchange_weak(head, newHead, std::memory_order_release,
                                        std::memory_order_relaxed));
}

void LogRecordPool::giveBackOverflow(Slab* slab) noexcept {
  if (slab->outstanding.fetch_sub(1, std::memory_order_acq_rel) != 1)
    return;
  // The last block of a used-up slab: nobody cuts from it or gives to it any more.
  {
    std::lock_guard<std::mutex> lock(mOverflowMutex);
    if (slab->previous != nullptr)
      slab->previous->next = slab->next;
    else
      mSlabs = slab->next;
    if (slab->next != nullptr)
      slab->next->previous = slab->previous;
    if (mSpareCount < kSpareSlabs) {
      slab->next = mSpares;
      mSpares = slab;
      ++mSpareCount;
      return;
    }
  }
  system_pages::release(slab, kSlabBytes);
}

std::size_t LogRecordPool::overflowSlabs() {
  std::lock_guard<std::mutex> lock(mOverflowMutex);
  std::size_t count = 0;
  for (Slab* slab = mSlabs; slab != nullptr; slab = slab->next)
    ++count;
  return count;
}

}  // namespace zelto
