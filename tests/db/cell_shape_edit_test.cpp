#include "db/cell_shape_edit.h"

#include <gtest/gtest.h>

#include "db/poly/ring_set.h"
#include "tests/db/library_test_util.h"

namespace {

constexpr LayerKey kKey = 5 * 256;

TEST(CellShapeEdit, TakesWhatTheAreaMeetsAndLeavesTextsTouchingShapesAndMissedInk) {
  Cell cell;
  libtest::AddShape(cell, kKey, {{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {{0, 0}, {50, 0}}, true);
  libtest::AddShape(cell, kKey, {{0, 0}, {20, 0}, {0, 20}}, {{100, 0}}, true);
  cell.AddText(kKey, 0, 105, 5, true);
  RingSet rings;
  // Meets the square at (50, 0) and only touches the one at (0, 0).
  TakeShapesInArea(cell, kKey, Box(10, 0, 60, 5), rings, true);
  EXPECT_EQ(rings.RingCount(), 1);
  EXPECT_EQ(rings.GetBoundingBox(), Box(50, 0, 60, 10));
  EXPECT_EQ(rings.Head()->flags & kVertexOperandB, kVertexOperandB);
  EXPECT_EQ(cell.shapes.at(kKey).Head()->positionCount, 1u);
  // Meets the triangle's box beyond its hypotenuse: nothing is taken.
  EXPECT_TRUE(CollectShapesInArea(cell, kKey, Box(115, 15, 125, 25), rings, false).empty());
  // The triangle goes with its group; the text at (105, 5) stays indexed.
  TakeShapesInArea(cell, kKey, Box(101, 1, 106, 6), rings, false);
  EXPECT_EQ(cell.shapes.at(kKey).Count(), 1u);
  EXPECT_EQ(cell.layers.at(kKey).Count(), 2);
  RemoveShapePosition(cell, kKey, cell.shapes.at(kKey).Head()->firstPosition);
  EXPECT_EQ(cell.shapes.count(kKey), 0u);
  RemoveLayerShapes(cell, kKey);
  ASSERT_EQ(cell.layers.at(kKey).Count(), 1);
  EXPECT_EQ(cell.layers.at(kKey).index.FirstLeaf()->box, Box(105, 5, 105, 5));
}

}  // namespace
