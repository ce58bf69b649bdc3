#include "canvas/view/cell_recalculation.h"

#include <gtest/gtest.h>

#include <functional>

#include "canvas/view/placement_loads.h"
#include "db/cell_contents.h"
#include "db/error.h"
#include "tests/canvas/view/cell_library_fixture.h"

namespace {

// Every cell's box computed afresh from a library loaded in full: its own contents and the
// boxes of its placements, children first.
std::vector<Box> BruteForceBoxes(Library& lib) {
  std::vector<Box> boxes(lib.cells.size());
  std::vector<bool> done(lib.cells.size(), false);
  std::function<Box(uint32_t)> boxOf = [&](uint32_t id) {
    if (done[id]) return boxes[id];
    Cell& cell = *lib.cells[id];
    lib.LoadCell(cell, true);
    Box box;
    ComputeContentsBBox(cell, box);
    if (const LayerRecord* layer = cell.HasReferences()) {
      for (SpatialNode* e = layer->index.FirstLeaf(); e; e = layer->index.NextLeaf(e)) {
        const SRef& ref = *static_cast<const SRef*>(e->payload);
        Box placed;
        ref.GetBox(placed, boxOf(ref.CellId()));
        GrowBox(box, placed);
      }
    }
    done[id] = true;
    return boxes[id] = box;
  };
  for (uint32_t id = 0; id < lib.cells.size(); ++id) boxOf(id);
  return boxes;
}

}  // namespace

using CellRecalculation = CellLibraryTest;

TEST_F(CellRecalculation, DoesNothingWhileTheHierarchyIsUpToDate) {
  const uint32_t flags = lib_->flags;
  EXPECT_FALSE(RecalculateCells(*lib_));
  EXPECT_EQ(lib_->flags, flags);
  EXPECT_TRUE(lib_->records.empty());
}

TEST_F(CellRecalculation, AnEditDeepDownGrowsEveryBoxAboveAsABruteForceDoes) {
  // A shape far out in leaf, two levels below top; only leaf is in memory.
  Cell& leaf = CellOf(leaf_);
  RingSet rings;
  rings.AddRectangle(Box(5000, -3000, 5100, -2900));
  leaf.AddPolygonEdit(rings, MakeLayerKey(1, 0));
  lib_->flags |= kLibCellsChanged | kLibHierarchyDirty;
  ASSERT_TRUE(RecalculateCells(*lib_));
  EXPECT_EQ(lib_->flags & kLibHierarchyDirty, 0u);
  EXPECT_TRUE(lib_->flags & kLibInfoDirty);
  // The cells read for it are gone again.
  for (uint32_t id : {mid_, top_, leaf2_}) EXPECT_TRUE(TemporaryPlacements::IsUnloaded(*lib_->cells[id])) << id;
  EXPECT_EQ(lib_->roots, std::vector<uint32_t>{top_});
  EXPECT_EQ(lib_->depth, 2u);
  ASSERT_EQ(lib_->records.size(), lib_->cells.size());
  EXPECT_EQ(lib_->records[leaf_].parents.at(mid_), 2);
  std::vector<Box> recalculated;
  for (const auto& cell : lib_->cells) recalculated.push_back(cell->box);
  lib_->Save();
  Reopen();
  const std::vector<Box> expected = BruteForceBoxes(*lib_);
  for (uint32_t id = 0; id < expected.size(); ++id) {
    EXPECT_EQ(recalculated[id], expected[id]) << id;
    EXPECT_EQ(lib_->cells[id]->box, expected[id]) << id;
  }
  EXPECT_EQ(expected[top_], Box(-500, -2000, 6200, 1015));
}

TEST_F(CellRecalculation, AFailedReadUnloadsWhatItReadAndKeepsTheBitSet) {
  // A modified cell in memory, before the others, whose box would be recomputed from its shapes.
  Cell& leaf = CellOf(leaf_);
  leaf.box = Box(-500, -500, 500, 500);
  leaf.flags |= kCellModified;
  lib_->flags |= kLibHierarchyDirty;
  // The data file that every cell is in goes away under the library (closed, not just unlinked).
  lib_->CloseCellFile();
  std::remove(lib_->DataPath(lib_->cells[top_]->fileId).c_str());
  EXPECT_THROW(RecalculateCells(*lib_), Error);
  EXPECT_TRUE(lib_->flags & kLibHierarchyDirty);
  EXPECT_EQ(leaf.box, Box(-500, -500, 500, 500));
  for (const auto& cell : lib_->cells) EXPECT_TRUE(cell.get() == &leaf || TemporaryPlacements::IsUnloaded(*cell));
}
