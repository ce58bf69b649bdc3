#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "db/error.h"
#include "db/library.h"
#include "db/optimize_library.h"
#include "db/poly/ring_set.h"
#include "db/tile_grid.h"
#include "tests/db/library_test_util.h"

namespace {

using libtest::AddShape;
using libtest::TempDir;
using ringtest::Ring;

const LayerKey kMetal = MakeLayerKey(1, 0);
const LayerKey kHigh = MakeLayerKey(300, 0);
const LayerKey kVia = MakeLayerKey(2, 5);

void SaveAll(Library& lib) {
  lib.flags |= kLibCellsChanged | kLibNamesDirty | kLibTextsDirty;
  for (auto& cell : lib.cells) cell->flags |= kCellModified;
  lib.Save();
}

Ring Rect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) { return {{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}}; }

__int128 TwiceArea(const RingSet& rings) {
  __int128 sum = 0;
  for (const Ring& ring : ringtest::ExtractRings(rings)) sum += ringtest::TwiceSignedArea(ring);
  return sum;
}

// Per layer: the pieces' summed area (each shape counted once per piece) and their union's.
struct Areas {
  std::map<LayerKey, int64_t> sum;
  std::map<LayerKey, int64_t> united;
  bool operator==(const Areas& o) const { return sum == o.sum && united == o.united; }
};

void PrintTo(const Areas& a, std::ostream* out) {
  for (const auto& [key, area] : a.sum)
    *out << "layer " << key << " sum " << area << " united " << a.united.at(key) << "; ";
}

struct Contents {
  std::map<LayerKey, RingSet> rings;
  std::vector<std::string> texts;
  std::vector<std::string> tiles;
  std::map<std::string, int> others;
  Areas areas;
};

void AddRings(Cell& cell, Contents& out) {
  for (const auto& layer : cell.shapes) {
    RingSet rings;
    layer.second.ToRings(rings);
    out.areas.sum[layer.first] += int64_t(TwiceArea(rings));
    out.rings[layer.first].Append(rings);
  }
}

// The cell's own shapes and texts, and those of the tiles it places; other placements are
// counted by cell name. Each tile is checked to stay within maxSide.
Contents Flatten(Library& lib, const std::string& name, int64_t maxSide) {
  Contents out;
  Cell& cell = *lib.cells[size_t(lib.FindIndex(name))];
  lib.LoadCell(cell, true);
  AddRings(cell, out);
  for (ListNode* node = cell.texts.Head(); node; node = node->next) {
    out.texts.push_back(lib.TextString(static_cast<const TextItem*>(node->item)->textId));
  }
  if (const LayerRecord* placements = cell.HasReferences()) {
    for (SpatialNode* e = placements->index.FirstLeaf(); e; e = placements->index.NextLeaf(e)) {
      const SRef& ref = *static_cast<const SRef*>(e->payload);
      Cell& placed = *lib.cells[ref.CellId()];
      if (!(placed.flags & kCellNoPlacements) || std::string(placed.Name()).find("_ich") == std::string::npos) {
        ++out.others[placed.Name()];
        continue;
      }
      EXPECT_EQ(ref.x, 0);
      EXPECT_EQ(ref.y, 0);
      EXPECT_LE(placed.box.Width(), maxSide);
      EXPECT_LE(placed.box.Height(), maxSide);
      out.tiles.push_back(placed.Name());
      lib.LoadCell(placed, true);
      AddRings(placed, out);
    }
  }
  for (auto& layer : out.rings) {
    RingSet region;
    layer.second.FilledRegion(region);
    out.areas.united[layer.first] = int64_t(TwiceArea(region));
  }
  return out;
}

// A saved library: LEAF (a small cell) and BIG, a flat cell of seeded random rectangles and
// 45-degree polygons on three layers (layer 300 among them) over 60 x 35 um, a text and one
// placement of LEAF. One database unit is 1 nm.
void BuildBigLibrary(const std::string& dir, bool gzip = false) {
  Library lib(dir, gzip);
  lib.name = "tiling";
  uint32_t leaf = lib.CreateCell("LEAF");
  uint32_t big = lib.CreateCell("BIG");
  AddShape(*lib.cells[leaf], kMetal, Rect(0, 0, 100, 100), {{0, 0}});
  Cell& cell = *lib.cells[big];
  std::mt19937 rng(11);
  // Even coordinates only: diagonal edges then cross each other at whole units, so that the
  // union of the pieces is exact and comparable with the union of the shapes.
  std::uniform_int_distribution<int32_t> x(0, 29000), y(0, 16500), side(5, 1000);
  for (int i = 0; i < 300; ++i) {
    LayerKey key = i % 3 == 0 ? kMetal : i % 3 == 1 ? kHigh : kVia;
    int32_t w = 2 * side(rng), h = 2 * side(rng);
    AddShape(cell, key, Rect(0, 0, w, h), {{2 * x(rng), 2 * y(rng)}});
    int32_t s = 2 * side(rng);
    AddShape(cell, key, {{0, 0}, {2 * s, 0}, {2 * s, s}, {s, 2 * s}, {0, s}}, {{2 * x(rng), 2 * y(rng)}});
  }
  cell.AddText(MakeLayerKey(9, 0), lib.AddString("label"), 30000, 17000, false);
  libtest::Place(lib, big, libtest::Single(leaf, 5000, 5000));
  SaveAll(lib);
}

class LibraryTilingFiles : public testing::TestWithParam<bool> {};

TEST_P(LibraryTilingFiles, TiledCellKeepsEveryShapeOnceItsTextAndItsPlacementAcrossSaveAndReopen) {
  const bool gzip = GetParam();
  TempDir dir;
  BuildBigLibrary(dir.Path(), gzip);
  Areas before;
  {
    Library lib(dir.Path(), gzip);
    lib.Open();
    before = Flatten(lib, "BIG", INT64_MAX).areas;
  }
  ASSERT_EQ(before.sum.size(), 3u);
  Library lib(dir.Path(), gzip);
  lib.Open();
  const int64_t cellsBefore = lib.CellCount();
  // Nothing is loaded: the flat cell's shapes come without layer records.
  int64_t made = lib.TileLargeCells(10000);
  ASSERT_GT(made, 10);
  EXPECT_EQ(lib.CellCount(), cellsBefore + made);
  EXPECT_FALSE(lib.cells[size_t(lib.FindIndex("BIG"))]->loaded);
  EXPECT_EQ(lib.flags & (kLibInfoDirty | kLibNamesDirty | kLibHierarchyDirty),
            kLibInfoDirty | kLibNamesDirty | kLibHierarchyDirty);
  Contents inMemory = Flatten(lib, "BIG", 10000 + 100);
  EXPECT_EQ(inMemory.areas, before);
  lib.WriteIndexFiles(lib.flags & (kLibInfoDirty | kLibNamesDirty));

  Library reopened(dir.Path(), gzip);
  reopened.Open();
  Contents after = Flatten(reopened, "BIG", 10000 + 100);
  EXPECT_EQ(after.areas, before);
  EXPECT_EQ(after.texts, std::vector<std::string>{"label"});
  EXPECT_EQ((std::map<std::string, int>{{"LEAF", 1}}), after.others);
  EXPECT_EQ(int64_t(after.tiles.size()), made);
  Cell& big = *reopened.cells[size_t(reopened.FindIndex("BIG"))];
  EXPECT_TRUE(big.shapes.empty());
  // Tiles are not tiled again, and the big cell no longer holds shapes of its own.
  EXPECT_EQ(reopened.TileLargeCells(10000), 0);
}

INSTANTIATE_TEST_SUITE_P(PlainAndGzip, LibraryTilingFiles, testing::Bool());

// Shapes filling 0..20000 x 0..20000 but for the upper-left quarter, cut at size 10000.
TEST(LibraryTiling, TilesAreNamedFromZeroRowsOuterAndEmptyTilesMakeNoCell) {
  TempDir dir;
  Library lib(dir.Path(), false);
  uint32_t big = lib.CreateCell("BIG_");
  Cell& cell = *lib.cells[big];
  AddShape(cell, kMetal, Rect(0, 0, 20000, 9000), {{0, 0}});
  AddShape(cell, kHigh, Rect(0, 0, 9000, 11000), {{11000, 9000}});
  libtest::IndexShapes(cell);
  ASSERT_EQ(lib.TileLargeCell(big, 10000, false), 3);
  ASSERT_EQ(lib.CellCount(), 4);
  EXPECT_STREQ(lib.cells[1]->Name(), "BIG_ich0");
  EXPECT_STREQ(lib.cells[2]->Name(), "BIG_ich1");
  EXPECT_STREQ(lib.cells[3]->Name(), "BIG_ich2");
  EXPECT_EQ(lib.cells[1]->box, Box(0, 0, 10000, 9000));
  EXPECT_EQ(lib.cells[2]->box, Box(10000, 0, 20000, 10000));
  EXPECT_EQ(lib.cells[3]->box, Box(11000, 10000, 20000, 20000));
  for (uint32_t id = 1; id < 4; ++id) EXPECT_TRUE(lib.cells[id]->flags & kCellNoPlacements);
  EXPECT_TRUE(cell.shapes.empty());
  EXPECT_EQ(cell.HasReferences()->Count(), 3);
}

// The Part's case: 25000 x 8000 at size 10000 and 1 nm units gives three tiles 8400 wide.
TEST(LibraryTiling, GridSidesAreRoundedUpTo100Nanometres) {
  TempDir dir;
  Library lib(dir.Path(), false);
  uint32_t big = lib.CreateCell("W");
  AddShape(*lib.cells[big], kMetal, Rect(0, 0, 25000, 8000), {{0, 0}});
  ASSERT_EQ(lib.TileLargeCell(big, 10000, false), 3);
  EXPECT_EQ(lib.cells[1]->box, Box(0, 0, 8400, 8000));
  EXPECT_EQ(lib.cells[2]->box, Box(8400, 0, 16800, 8000));
  EXPECT_EQ(lib.cells[3]->box, Box(16800, 0, 25000, 8000));
}

// The margin is 1 um whatever the unit: size + margin wide is left alone, one unit more is tiled.
TEST(LibraryTiling, MarginIsOneMicrometreInEveryDatabaseUnit) {
  for (double unitsPerNm : {1.0, 0.1}) {
    int64_t margin = int64_t(1000 * unitsPerNm);
    for (int64_t extra : {int64_t(0), int64_t(1)}) {
      TempDir dir;
      Library lib(dir.Path(), false);
      lib.unitsPerNm = unitsPerNm;
      uint32_t big = lib.CreateCell("M");
      AddShape(*lib.cells[big], kMetal, Rect(0, 0, int32_t(1000 + margin + extra), 50), {{0, 0}});
      int64_t made = lib.TileLargeCell(big, 1000, false);
      if (extra) {
        EXPECT_GT(made, 1) << unitsPerNm;
      } else {
        EXPECT_EQ(made, 0) << unitsPerNm;
      }
    }
  }
}

// One thin shape across 100 mm would cover 10^8 tiles of 10 um: the grid coarsens to what one
// shape calls for, and the pieces still add up to the shape.
TEST(LibraryTiling, FewShapesOverAHugeExtentMakeFewTilesAndLoseNothing) {
  TempDir dir;
  Library lib(dir.Path(), false);
  uint32_t big = lib.CreateCell("L");
  const int32_t far = 100000000;
  AddShape(*lib.cells[big], kMetal, {{0, 0}, {far, 0}, {far, 10}, {10, 10}, {10, far}, {0, far}}, {{0, 0}});
  int64_t made = lib.TileLargeCell(big, 10000, false);
  EXPECT_GT(made, 1);
  EXPECT_LE(made, kTileVisitsPerShape);
  int64_t twiceArea = 0;
  for (uint32_t id = 1; id < lib.cells.size(); ++id) {
    RingSet rings;
    lib.cells[id]->shapes.at(kMetal).ToRings(rings);
    twiceArea += int64_t(TwiceArea(rings));
  }
  EXPECT_EQ(twiceArea, 2 * (int64_t(far) * 10 + int64_t(10) * (far - 10)));
}

TEST(LibraryTiling, CompleteHierarchyRecordsTakeTheTilesAsChildren) {
  TempDir dir;
  Library lib(dir.Path(), false);
  uint32_t big = lib.CreateCell("H");
  AddShape(*lib.cells[big], kMetal, Rect(0, 0, 30000, 100), {{0, 0}});
  lib.records.resize(1);
  lib.records[0].level = 2;
  ASSERT_EQ(lib.TileLargeCell(big, 10000, false), 3);
  ASSERT_EQ(lib.records.size(), 4u);
  EXPECT_EQ(lib.records[0].children, (std::set<uint32_t>{1, 2, 3}));
  EXPECT_EQ(lib.records[2].parents, (std::map<uint32_t, int64_t>{{0, 1}}));
  EXPECT_EQ(lib.records[3].level, 3u);
  EXPECT_TRUE(lib.flags & kLibHierarchyDirty);
}

// The big cell's rewrite fails once its tiles are written: the cell stays loaded and modified
// with its tiles placed, the disk still holds the old library, and a later save makes a library
// that reopens with the same geometry.
TEST(LibraryTiling, FailedRewriteOfTheBigCellLeavesALibraryThatSavesAndReopensWhole) {
  TempDir dir;
  BuildBigLibrary(dir.Path());
  Areas before;
  {
    Library lib(dir.Path(), false);
    lib.Open();
    before = Flatten(lib, "BIG", INT64_MAX).areas;
  }
  Library lib(dir.Path(), false);
  lib.Open();
  uint32_t bigId = uint32_t(lib.FindIndex("BIG"));
  Cell& big = *lib.cells[bigId];
  lib.LoadCell(big, false);
  // An array of no columns is refused by the writer, after the cell's shapes are written.
  ARef* broken = libtest::Array(uint32_t(lib.FindIndex("LEAF")), 0, 0, 1, 1, 0, 0);
  broken->columns = 0;
  big.AddPlacement(broken, lib.cells[size_t(lib.FindIndex("LEAF"))]->box);
  EXPECT_THROW(lib.TileLargeCells(10000), Error);
  EXPECT_TRUE(big.loaded);
  EXPECT_TRUE(big.flags & kCellModified);
  EXPECT_TRUE(lib.flags & kLibCellsChanged);
  {
    Library untouched(dir.Path(), false);
    untouched.Open();
    EXPECT_EQ(Flatten(untouched, "BIG", INT64_MAX).areas, before);
  }
  SpatialIndex& placements = big.HasReferences()->index;
  for (SpatialNode* e = placements.FirstLeaf(); e; e = placements.NextLeaf(e)) {
    if (e->payload != broken) continue;
    placements.Remove(e);
    delete broken;
    break;
  }
  lib.Save();
  Library reopened(dir.Path(), false);
  reopened.Open();
  Contents after = Flatten(reopened, "BIG", 10000 + 100);
  EXPECT_EQ(after.areas, before);
  EXPECT_EQ((std::map<std::string, int>{{"LEAF", 1}}), after.others);
  EXPECT_FALSE(after.tiles.empty());
}

TEST(OptimizeLibrary, TilesAt100MicrometresOnceAndThenReportsNothingToDo) {
  EXPECT_EQ(OptimizeTileSize(1.0), 100000);
  EXPECT_EQ(OptimizeTileSize(0.1), 10000);
  EXPECT_EQ(OptimizeTileSize(0.000015), 2);
  TempDir dir;
  {
    Library lib(dir.Path(), false);
    lib.name = "opt";
    uint32_t id = lib.CreateCell("WIDE");
    AddShape(*lib.cells[id], kMetal, Rect(0, 0, 250000, 1000), {{0, 0}});
    uint32_t small = lib.CreateCell("SMALL");
    AddShape(*lib.cells[small], kMetal, Rect(0, 0, 60000, 1000), {{0, 0}});
    SaveAll(lib);
  }
  Library lib(dir.Path(), false);
  lib.Open();
  OptimizeResult first = OptimizeLibrary(lib);
  EXPECT_EQ(first.status, "Ready");
  EXPECT_EQ(first.tiles, 3);
  EXPECT_EQ(lib.flags & (kLibInfoDirty | kLibNamesDirty), 0u);
  Library reopened(dir.Path(), false);
  reopened.Open();
  EXPECT_EQ(reopened.CellCount(), 5);
  EXPECT_EQ(reopened.FindIndex("WIDE_ich2"), 4);
  const uint32_t flags = reopened.flags;
  OptimizeResult second = OptimizeLibrary(reopened);
  EXPECT_EQ(second.status, "No optimization required");
  EXPECT_EQ(second.tiles, 0);
  EXPECT_EQ(reopened.flags, flags);
}

}  // namespace
