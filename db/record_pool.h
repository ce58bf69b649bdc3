#pragma once

#include <cstring>
#include <type_traits>

#include "db/block_allocator.h"

// A global pool of records of type T: a free list chained through each free record's first
// word, in front of a BlockAllocator. Records come back uninitialised from Alloc; nothing is
// constructed or destroyed, so T must be trivially copyable and able to hold a pointer.
template <typename T>
class RecordPool {
  static_assert(std::is_trivially_copyable_v<T>, "pooled records are moved with memcpy");
  static_assert(sizeof(T) >= sizeof(void*), "free records chain through their first word");

 public:
  explicit RecordPool(int64_t recordsPerBlock) : allocator_(sizeof(T), recordsPerBlock) {}

  T* Alloc() {
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
  }

  // Returns a whole chain head..tail, linked through a first member `next`, in one splice.
  void ReleaseChain(T* head, T* tail) {
    static_assert(std::is_standard_layout_v<T>, "next must be the first word");
    if (!head) return;
    tail->next = static_cast<T*>(freeHead_);
    freeHead_ = head;
  }

  // Empties the pool: every record handed out becomes invalid. Only at exit, or in a test that
  // owns every record.
  void Reset() {
    freeHead_ = nullptr;
    allocator_.Clear();
  }

  BlockAllocator& Allocator() { return allocator_; }

 private:
  void* freeHead_ = nullptr;
  BlockAllocator allocator_;
};
