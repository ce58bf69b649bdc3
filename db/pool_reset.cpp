#include "db/pool_reset.h"

#include "db/cell.h"
#include "db/node_heap.h"
#include "db/node_list.h"
#include "db/poly/ring_set.h"
#include "db/shape_group.h"
#include "db/spatial_index.h"

void ResetRecordPools() {
  ResetVertexPool();
  SpatialNodePool().Reset();
  TextItemPool().Reset();
  ResetNodePool2();
  PositionPool::Reset();
  ShapeGroupPool::Reset();
  ResetNodePool4();
}
