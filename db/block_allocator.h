#pragma once

#include <cstddef>
#include <cstdint>

// Ends the process with "Error: Out of memory\n" on standard error and exit code 1.
[[noreturn]] void OutOfMemory();

// A store of fixed-size records in large blocks. The records in use always form the dense
// range 0..LastIndex(); record i lives in block i / perBlock at slot i % perBlock. Records are
// handed out uninitialised and never move, except through TakeLast.
class BlockAllocator {
 public:
  BlockAllocator(size_t recordSize, int64_t recordsPerBlock);
  ~BlockAllocator();
  BlockAllocator(const BlockAllocator&) = delete;
  BlockAllocator& operator=(const BlockAllocator&) = delete;

  void* Alloc();
  // Removes the record at slot by moving the last record into it. Returns the old address of
  // the moved record so that its referrers can be repointed, or null when nothing moved (slot
  // was the last record, or the only one). At most one empty block stays allocated.
  void* TakeLast(void* slot);
  // Releases every block; every record handed out becomes invalid.
  void Clear();
  // Hands out records from the first slot again, keeping the blocks; every record handed out
  // becomes invalid.
  void Rewind() { lastIndex_ = -1; }

  int64_t LastIndex() const { return lastIndex_; }
  int64_t BlocksAllocated() const { return blocks_; }
  bool HasBlock(int64_t block) const { return block < slots_ && table_[block] != nullptr; }
  size_t RecordSize() const { return recordSize_; }

 private:
  void* Record(int64_t index) const;

  char** table_ = nullptr;
  int64_t slots_ = 0;
  int64_t blocks_ = 0;
  int64_t lastIndex_ = -1;
  int64_t perBlock_;
  size_t recordSize_;
};
