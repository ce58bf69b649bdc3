#include "db/block_allocator.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

void OutOfMemory() {
  std::fputs("Error: Out of memory\n", stderr);
  std::exit(1);
}

namespace {
void* AllocOrDie(size_t bytes) {
  void* p = std::malloc(bytes);
  if (!p) OutOfMemory();
  return p;
}
}  // namespace

BlockAllocator::BlockAllocator(size_t recordSize, int64_t recordsPerBlock)
    : perBlock_(recordsPerBlock), recordSize_(recordSize) {}

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
    table_[block] = static_cast<char*>(AllocOrDie(recordSize_ * perBlock_));
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
