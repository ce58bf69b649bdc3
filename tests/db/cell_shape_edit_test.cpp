#include "db/cell_shape_edit.h"

#include <gtest/gtest.h>

#include "db/poly/ring_set.h"
#include "tests/db/library_test_util.h"

namespace {

constexpr LayerKey kKey = 5 * 256;

// Cell with a square record at (0, 0) and (50, 0), a triangle at (100, 0), and a text.
struct ShapeCell {
  Cell cell;
  ShapeCell() {
    libtest::AddShape(cell, kKey, {{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {{0, 0}, {50, 0}}, true);
    libtest::AddShape(cell, kKey, {{0, 0}, {20, 0}, {0, 20}}, {{100, 0}}, true);
    cell.AddText(kKey, 0, 105, 5, true);
  }
  int64_t Positions() const {
    auto list = cell.shapes.find(kKey);
    if (list == cell.shapes.end()) return 0;
    int64_t n = 0;
    for (ShapeGroup* g = list->second.Head(); g; g = g->next) n += g->positionCount;
    return n;
  }
  int64_t Indexed() const { return cell.layers.at(kKey).Count(); }
};

TEST(CellShapeEdit, TakesWhatTheAreaMeetsAndLeavesTextsAndTouchingShapes) {
  ShapeCell s;
  RingSet rings;
  // Meets the square at (50, 0) and only touches the one at (0, 0).
  TakeShapesInArea(s.cell, kKey, Box(10, 0, 60, 5), rings, true);
  EXPECT_EQ(rings.RingCount(), 1);
  EXPECT_EQ(rings.GetBoundingBox(), Box(50, 0, 60, 10));
  EXPECT_EQ(rings.Head()->flags & kVertexOperandB, kVertexOperandB);
  EXPECT_EQ(s.Positions(), 2);
  EXPECT_EQ(s.Indexed(), 3);
  // Meets the triangle's box but not its ink: the corner lies beyond the hypotenuse.
  RingSet none;
  EXPECT_TRUE(CollectShapesInArea(s.cell, kKey, Box(115, 15, 125, 25), none, false).empty());
  // The text at (105, 5) stays; the triangle goes, its group with it.
  RingSet triangle;
  TakeShapesInArea(s.cell, kKey, Box(101, 1, 106, 6), triangle, false);
  EXPECT_EQ(triangle.VertexCount(), 3u);
  EXPECT_EQ(s.cell.shapes.at(kKey).Count(), 1u);
  EXPECT_EQ(s.cell.texts.Count(), 1);
  EXPECT_EQ(s.Indexed(), 2);
}

TEST(CellShapeEdit, RemovingTheLastPositionsDropsGroupAndList) {
  ShapeCell s;
  ShapeGroup* square = s.cell.shapes.at(kKey).Head();
  RemoveShapePosition(s.cell, kKey, square->lastPosition);
  EXPECT_EQ(square->positionCount, 1u);
  EXPECT_EQ(square->firstPosition, square->lastPosition);
  EXPECT_EQ(square->firstPosition->next, nullptr);
  RemoveShapePosition(s.cell, kKey, square->firstPosition);
  EXPECT_EQ(s.cell.shapes.at(kKey).Count(), 1u);
  RemoveShapePosition(s.cell, kKey, s.cell.shapes.at(kKey).Head()->firstPosition);
  EXPECT_EQ(s.cell.shapes.count(kKey), 0u);
}

TEST(CellShapeEdit, RemovingALayersShapesKeepsItsTextsIndexed) {
  ShapeCell s;
  RemoveLayerShapes(s.cell, kKey);
  EXPECT_EQ(s.cell.shapes.count(kKey), 0u);
  ASSERT_EQ(s.Indexed(), 1);
  EXPECT_EQ(s.cell.layers.at(kKey).index.FirstLeaf()->box, Box(105, 5, 105, 5));
  Cell noTexts;
  libtest::AddShape(noTexts, kKey, {{0, 0}, {10, 0}, {10, 10}}, {{0, 0}}, true);
  RemoveLayerShapes(noTexts, kKey);
  EXPECT_EQ(noTexts.layers.count(kKey), 0u);
}

}  // namespace
