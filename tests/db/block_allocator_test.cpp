#include "db/block_allocator.h"
#include "db/record_pool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

constexpr int64_t kPerBlock = 4;

std::vector<int64_t*> AllocNumbered(BlockAllocator& a, int count) {
  std::vector<int64_t*> records;
  for (int i = 0; i < count; ++i) {
    records.push_back(static_cast<int64_t*>(a.Alloc()));
    *records.back() = i;
  }
  return records;
}

TEST(BlockAllocator, FillsBlocksInOrderAndOpensANewOneAtTheBoundary) {
  BlockAllocator a(sizeof(int64_t), kPerBlock);
  std::vector<int64_t*> r = AllocNumbered(a, 4);
  EXPECT_EQ(a.BlocksAllocated(), 1);
  for (int i = 1; i < 4; ++i) EXPECT_EQ(r[i], r[0] + i);
  a.Alloc();
  EXPECT_EQ(a.BlocksAllocated(), 2);
  EXPECT_EQ(a.LastIndex(), 4);
}

TEST(BlockAllocator, LargeBlocksFillWholeAlignedHugePages) {
  // 50,000 records of 48 bytes ask for 2.4 MB: the block grows to 4 MiB of records.
  BlockAllocator a(48, 50000);
  char* first = static_cast<char*>(a.Alloc());
  EXPECT_EQ(reinterpret_cast<uintptr_t>(first) % (uintptr_t(2) << 20), 0u);
  const int64_t perBlock = (int64_t(4) << 20) / 48;
  char* last = first;
  for (int64_t i = 1; i < perBlock; ++i) last = static_cast<char*>(a.Alloc());
  EXPECT_EQ(last, first + (perBlock - 1) * 48);
  EXPECT_EQ(a.BlocksAllocated(), 1);
  a.Alloc();
  EXPECT_EQ(a.BlocksAllocated(), 2);
}

TEST(BlockAllocator, KeepsRecordsWhenTheBlockTableGrows) {
  BlockAllocator a(sizeof(int64_t), 1);  // one block per record: the 512-entry table doubles twice
  std::vector<int64_t*> r = AllocNumbered(a, 1100);
  EXPECT_EQ(a.BlocksAllocated(), 1100);
  for (int i = 0; i < 1100; ++i) ASSERT_EQ(*r[i], i);
}

TEST(BlockAllocator, TakeLastMovesTheLastRecordIntoTheSlot) {
  BlockAllocator a(sizeof(int64_t), kPerBlock);
  std::vector<int64_t*> r = AllocNumbered(a, 6);
  EXPECT_EQ(a.TakeLast(r[1]), r[5]);
  EXPECT_EQ(*r[1], 5);
  EXPECT_EQ(a.LastIndex(), 4);
  EXPECT_EQ(a.TakeLast(r[4]), nullptr);  // the last record itself: nothing moves
  EXPECT_EQ(*r[0], 0);
  EXPECT_EQ(*r[1], 5);
  EXPECT_EQ(a.LastIndex(), 3);
  EXPECT_EQ(a.Alloc(), r[4]);  // the dense range grows back into the same place
}

TEST(BlockAllocator, TakeLastKeepsAtMostOneEmptyBlock) {
  BlockAllocator a(sizeof(int64_t), kPerBlock);
  std::vector<int64_t*> r = AllocNumbered(a, 13);  // record 12 opened the fourth block
  EXPECT_EQ(a.BlocksAllocated(), 4);
  for (int i = 12; i > 8; --i) EXPECT_EQ(a.TakeLast(r[i]), nullptr);
  EXPECT_EQ(a.BlocksAllocated(), 4);  // block 3 is empty but kept
  EXPECT_TRUE(a.HasBlock(3));
  // Record 8 opened block 2: taking it out releases the empty block after it.
  EXPECT_EQ(a.TakeLast(r[0]), r[8]);
  EXPECT_EQ(*r[0], 8);
  EXPECT_EQ(a.BlocksAllocated(), 3);
  EXPECT_FALSE(a.HasBlock(3));
  EXPECT_TRUE(a.HasBlock(2));
  EXPECT_EQ(a.Alloc(), r[8]);
  AllocNumbered(a, 4);
  EXPECT_EQ(a.BlocksAllocated(), 4);
  EXPECT_EQ(a.LastIndex(), 12);
  EXPECT_EQ(*r[7], 7);
}

TEST(BlockAllocator, TakeLastOnTheOnlyRecordOrAnEmptyAllocator) {
  BlockAllocator a(sizeof(int64_t), kPerBlock);
  EXPECT_EQ(a.TakeLast(nullptr), nullptr);
  EXPECT_EQ(a.LastIndex(), -1);
  void* only = a.Alloc();
  EXPECT_EQ(a.TakeLast(only), nullptr);
  EXPECT_EQ(a.LastIndex(), -1);
  EXPECT_EQ(a.Alloc(), only);
}

TEST(BlockAllocator, ClearReleasesEverythingAndStartsAfresh) {
  BlockAllocator a(sizeof(int64_t), kPerBlock);
  AllocNumbered(a, 10);
  a.Clear();
  EXPECT_EQ(a.LastIndex(), -1);
  EXPECT_EQ(a.BlocksAllocated(), 0);
  EXPECT_FALSE(a.HasBlock(0));
  std::vector<int64_t*> r = AllocNumbered(a, 5);
  EXPECT_EQ(a.BlocksAllocated(), 2);
  EXPECT_EQ(*r[4], 4);
  a.Clear();
  a.Clear();  // clearing twice is harmless
  EXPECT_EQ(a.LastIndex(), -1);
}

TEST(BlockAllocatorDeathTest, OutOfMemoryExitsWithMessage) {
  EXPECT_EXIT(OutOfMemory(), testing::ExitedWithCode(1), "Error: Out of memory");
}

}  // namespace

namespace {
struct PooledNode {
  PooledNode* next;
  int value;
};
}  // namespace

TEST(RecordPool, RewindsToTheFirstSlotWhenTheLastRecordComesBack) {
  RecordPool<PooledNode> pool(4, true);
  PooledNode* first = pool.Alloc();
  PooledNode* second = pool.Alloc();
  PooledNode* third = pool.Alloc();
  pool.Free(first);
  EXPECT_EQ(pool.Alloc(), first) << "a freed record is reused while others live";
  // A scattered release order: second, then the chain first -> third.
  pool.Free(second);
  first->next = third;
  pool.ReleaseChain(first, third, 2);
  EXPECT_EQ(pool.Alloc(), first);
  EXPECT_EQ(pool.Alloc(), second);
  EXPECT_EQ(pool.Alloc(), third);
}

TEST(RecordPool, NeverRewindsOnceAChainCameBackWithoutItsLength) {
  RecordPool<PooledNode> pool(4, true);
  PooledNode* first = pool.Alloc();
  PooledNode* second = pool.Alloc();
  second->next = first;
  pool.ReleaseChain(second, first);
  EXPECT_EQ(pool.Alloc(), second) << "taken from the free list, not rewound";
  EXPECT_EQ(pool.Alloc(), first);
}
