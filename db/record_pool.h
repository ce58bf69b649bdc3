#pragma once

#include <cstring>
#include <type_traits>

#include "db/block_allocator.h"

// A global pool of records of type T: a free list chained through each free record's first
// word, in front of a BlockAllocator. Records come back uninitialised from Alloc; nothing is
// constructed or destroyed, so T must be trivially copyable and able to hold a pointer.
//
// A pool made with rewindWhenEmpty starts again at the first slot of its first block whenever
// its last record comes back. A free list takes the order of whatever its owners did last (a
// sort scatters it), and records handed out in that order make every later walk jump across
// memory; rewinding hands out records in address order again, so that a cell built after
// another is laid out as it is read. It counts the records handed out, and stops rewinding for
// good once a chain comes back without its length.
template <typename T>
class RecordPool {
  static_assert(std::is_trivially_copyable_v<T>, "pooled records are moved with memcpy");
  static_assert(sizeof(T) >= sizeof(void*), "free records chain through their first word");

 public:
  explicit RecordPool(int64_t recordsPerBlock, bool rewindWhenEmpty = false)
      : allocator_(sizeof(T), recordsPerBlock), rewindWhenEmpty_(rewindWhenEmpty) {}

  T* Alloc() {
    ++live_;
    if (freeHead_) {
      void* record = freeHead_;
      std::memcpy(&freeHead_, record, sizeof(void*));
      // Freed records come back in whatever order their owners had: fetch the next one now, so
      // that the following Alloc does not wait for it.
      if (freeHead_) __builtin_prefetch(freeHead_, 1);
      return static_cast<T*>(record);
    }
    return static_cast<T*>(allocator_.Alloc());
  }

  void Free(T* record) {
    std::memcpy(static_cast<void*>(record), &freeHead_, sizeof(void*));
    freeHead_ = record;
    --live_;
    RewindIfEmpty();
  }

  // Returns a whole chain head..tail, linked through a first member `next`, in one splice.
  // count is the chain's length; a negative count means unknown.
  void ReleaseChain(T* head, T* tail, int64_t count = -1) {
    static_assert(std::is_standard_layout_v<T>, "next must be the first word");
    if (!head) return;
    tail->next = static_cast<T*>(freeHead_);
    freeHead_ = head;
    if (count < 0) {
      countsExact_ = false;
      return;
    }
    live_ -= count;
    RewindIfEmpty();
  }

  // Empties the pool: every record handed out becomes invalid. Only at exit, or in a test that
  // owns every record.
  void Reset() {
    freeHead_ = nullptr;
    allocator_.Clear();
    live_ = 0;
    countsExact_ = true;
  }

  BlockAllocator& Allocator() { return allocator_; }

 private:
  void RewindIfEmpty() {
    if (live_ != 0 || !rewindWhenEmpty_ || !countsExact_) return;
    freeHead_ = nullptr;
    allocator_.Rewind();
  }

  void* freeHead_ = nullptr;
  BlockAllocator allocator_;
  int64_t live_ = 0;
  bool rewindWhenEmpty_;
  bool countsExact_ = true;
};
