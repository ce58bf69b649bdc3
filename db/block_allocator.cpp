#include "db/block_allocator.h"

#include <sys/mman.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

void OutOfMemory() {
  std::fputs("Error: Out of memory\n", stderr);
  std::exit(1);
}

namespace {

// Blocks of at least this size are made of whole 2 MiB pages that the kernel may back with huge
// pages: a pool that grows by hundreds of megabytes while a layout loads otherwise takes one
// page fault per 4 KiB.
constexpr size_t kHugePage = size_t(2) << 20;
constexpr size_t kHugeBlockThreshold = size_t(1) << 20;

void* AllocOrDie(size_t bytes) {
  void* p = std::malloc(bytes);
  if (!p) OutOfMemory();
  return p;
}

void* AllocBlock(size_t bytes) {
  if (bytes < kHugeBlockThreshold) return AllocOrDie(bytes);
  size_t pages = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  void* p = std::aligned_alloc(kHugePage, pages);
  if (!p) OutOfMemory();
  // Only advice: without huge pages the block works the same.
  madvise(p, pages, MADV_HUGEPAGE);
  return p;
}

// At least the records asked for; large blocks grow to a whole number of huge pages.
int64_t RecordsPerBlock(size_t recordSize, int64_t asked) {
  size_t bytes = recordSize * size_t(asked);
  if (bytes < kHugeBlockThreshold) return asked;
  return int64_t((bytes + kHugePage - 1) / kHugePage * kHugePage / recordSize);
}

}  // namespace

BlockAllocator::BlockAllocator(size_t recordSize, int64_t recordsPerBlock)
    : perBlock_(RecordsPerBlock(recordSize, recordsPerBlock)), recordSize_(recordSize) {}

BlockAllocator::~BlockAllocator() { Clear(); }

void* BlockAllocator::Record(int64_t index) const {
  return table_[index / perBlock_] + (index % perBlock_) * recordSize_;
}

void* BlockAllocator::Alloc() {
  if (!table_) {
    slots_ = 512;
    table_ = static_cast<char**>(AllocOrDie(slots_ * sizeof(char*)));
    std::memset(table_, 0, slots_ * sizeof(char*));
  } else if (lastIndex_ + 1 == perBlock_ * slots_) {
    char** bigger = static_cast<char**>(AllocOrDie(2 * slots_ * sizeof(char*)));
    std::memcpy(bigger, table_, slots_ * sizeof(char*));
    std::memset(bigger + slots_, 0, slots_ * sizeof(char*));
    std::free(table_);
    table_ = bigger;
    slots_ *= 2;
  }
  ++lastIndex_;
  int64_t block = lastIndex_ / perBlock_;
  if (!table_[block]) {
    table_[block] = static_cast<char*>(AllocBlock(recordSize_ * perBlock_));
    ++blocks_;
  }
  return Record(lastIndex_);
}

void* BlockAllocator::TakeLast(void* slot) {
  if (lastIndex_ < 0) return nullptr;
  if (lastIndex_ == 0) {
    lastIndex_ = -1;
    return nullptr;
  }
  int64_t block = lastIndex_ / perBlock_;
  if (lastIndex_ % perBlock_ == 0 && block + 1 < slots_ && table_[block + 1]) {
    std::free(table_[block + 1]);
    table_[block + 1] = nullptr;
    --blocks_;
  }
  void* last = Record(lastIndex_);
  --lastIndex_;
  if (last == slot) return nullptr;
  std::memcpy(slot, last, recordSize_);
  return last;
}

void BlockAllocator::Clear() {
  for (int64_t i = 0; i < slots_; ++i) std::free(table_[i]);
  std::free(table_);
  table_ = nullptr;
  slots_ = 0;
  blocks_ = 0;
  lastIndex_ = -1;
}
