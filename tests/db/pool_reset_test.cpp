#include "db/pool_reset.h"

#include <gtest/gtest.h>

#include "db/cell.h"
#include "db/node_heap.h"
#include "db/node_list.h"
#include "db/poly/ring_set.h"
#include "db/shape_group.h"
#include "db/spatial_index.h"

namespace {

// Every pool gives its blocks back, and hands out records again afterwards.
TEST(PoolReset, ReleasesTheBlocksOfEveryPool) {
  AllocRingVertex();
  SpatialNodePool().Alloc();
  TextItemPool().Alloc();
  AllocNode2();
  PositionPool::Alloc();
  ShapeGroupPool::Pool().Alloc();
  HeapNodePool().Alloc();
  ResetRecordPools();
  EXPECT_EQ(VertexPool().Allocator().BlocksAllocated(), 0);
  EXPECT_EQ(SpatialNodePool().Allocator().BlocksAllocated(), 0);
  EXPECT_EQ(TextItemPool().Allocator().BlocksAllocated(), 0);
  EXPECT_EQ(ListNodePool().Allocator().BlocksAllocated(), 0);
  EXPECT_EQ(PositionPool::Pool().Allocator().BlocksAllocated(), 0);
  EXPECT_EQ(ShapeGroupPool::Pool().Allocator().BlocksAllocated(), 0);
  EXPECT_EQ(HeapNodePool().Allocator().BlocksAllocated(), 0);
  RingVertex* v = AllocRingVertex();
  ASSERT_NE(v, nullptr);
  FreeRingVertex(v);
}

}  // namespace
