#include "db/cell_contents.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <vector>

#include "db/error.h"
#include "db/library.h"
#include "db/log.h"
#include "db/poly/ring_set.h"
#include "db/shape_table.h"
#include "tests/db/library_test_util.h"
#include "tests/db/scratch_file_test.h"

namespace {

using ringtest::Ring;

const LayerKey kMetal = MakeLayerKey(5, 1);

RingSet MakeRings(const std::vector<Ring>& rings) {
  RingSet set;
  for (const Ring& ring : rings) ringtest::AddRing(set, ring);
  return set;
}

size_t Hits(const Cell& cell, LayerKey key, const Box& window) {
  const SpatialIndex& index = cell.layers.at(key).index;
  size_t hits = 0;
  for (SpatialNode* e = index.QueryFirst(window); e; e = index.QueryNext(e, window)) ++hits;
  return hits;
}

TEST(CellContents, AddPolygonStoresTheRingCounterClockwiseFromItsLowestLeftVertex) {
  struct Case {
    Ring ring;
    uint32_t kind;
    Ring stored;
  };
  const Case cases[] = {
      {{{0, 20}, {10, 20}, {10, 10}, {20, 10}, {20, 0}, {0, 0}},  // clockwise
       kPolygonManhattan,
       {{0, 0}, {20, 0}, {20, 10}, {10, 10}, {10, 20}, {0, 20}}},
      {{{10, 0}, {20, 10}, {10, 20}, {0, 10}}, kPolygonOctagonal, {{0, 10}, {10, 0}, {20, 10}, {10, 20}}},
      {{{5, 5}, {17, 8}, {9, 30}}, kPolygonGeneral, {{5, 5}, {17, 8}, {9, 30}}},
  };
  Cell cell;
  uint32_t expectedCount = 0;
  for (const Case& c : cases) {
    RingSet rings = MakeRings({c.ring});
    ShapeGroup* group = nullptr;
    Box ringBox;
    uint32_t count = 0;
    EXPECT_EQ(cell.AddPolygon(rings, kMetal, group, ringBox, count), c.kind);
    EXPECT_EQ(count, ++expectedCount);
    RingSet stored;
    group->record->ToRing(stored, Point(group->firstPosition->x, group->firstPosition->y));
    EXPECT_EQ(ringtest::RingFrom(stored.Head()), c.stored);
    EXPECT_EQ(ringBox, rings.GetBoundingBox());
  }
  EXPECT_EQ(cell.box, Box(0, 0, 20, 30));
  EXPECT_TRUE(cell.layers.empty()) << "the import path does not index";
}

class ImportedRectangle : public ScratchFileTest {};

// The readers store plain rectangles without a ring: what they store must be what the ring from
// any corner, in either direction, would store, up to the longest sides a record holds as they
// stand. Longer sides wrap: such rectangles take the ring.
TEST_F(ImportedRectangle, IsStoredAsItsRingFromAnyCornerWouldBe) {
  const Box boxes[] = {
      {0, 0, 10, 5}, {-30, -30, -10, -10}, {-2000000000, -5, 147483647, 5}, {INT32_MIN, INT32_MIN, -1, -1}};
  EXPECT_FALSE(Cell::IsPlainRectangle(Box(-2000000000, -5, 147483648, 5)));
  EXPECT_FALSE(Cell::IsPlainRectangle(Box(0, 0, 0, 5)));
  Cell byRing, byBox;
  for (const Box& b : boxes) {
    Ring corners = {{b.x1, b.y1}, {b.x2, b.y1}, {b.x2, b.y2}, {b.x1, b.y2}};
    for (int turn = 0; turn < 8; ++turn) {
      Ring ring = corners;
      if (turn >= 4) std::reverse(ring.begin(), ring.end());
      std::rotate(ring.begin(), ring.begin() + turn % 4, ring.end());
      RingSet rings = MakeRings({ring});
      Cell::ImportedShape fromRing, fromBox;
      Box ringBox, boxBox;
      EXPECT_EQ(byRing.AddImportedPolygon(rings, kMetal, fromRing, ringBox), kPolygonManhattan);
      byBox.AddImportedRectangle(b, kMetal, fromBox, boxBox);
      EXPECT_EQ(fromBox.origin, fromRing.origin) << "turn " << turn;
      EXPECT_EQ(boxBox, ringBox) << "turn " << turn;
    }
  }
  EXPECT_EQ(byBox.box, byRing.box);
  ShapeTable& rings = byRing.importShapes.at(kMetal);
  ShapeTable& rectangles = byBox.importShapes.at(kMetal);
  rings.Merge();
  rectangles.Merge();
  EXPECT_EQ(Written([&](BinaryFile& f) { rectangles.Write(f); }), Written([&](BinaryFile& f) { rings.Write(f); }));
}

TEST(CellContents, EditsShareIdenticalRecordsAndIndexEveryShape) {
  Cell cell;
  cell.AddBox(Box(0, 0, 10, 10), kMetal);  // import path: not yet indexed
  cell.AddBox(Box(500, 500, 520, 530), MakeLayerKey(6, 0));
  RingSet square = MakeRings({{{100, 50}, {110, 50}, {110, 60}, {100, 60}}});
  ShapePosition* moved = cell.AddPolygonEdit(square, kMetal);
  EXPECT_EQ(cell.shapes.at(kMetal).Count(), 1u) << "identical squares share one group";
  EXPECT_EQ(moved->group->positionCount, 2u);
  EXPECT_TRUE(cell.flags & kCellModified);
  // The imported shapes are indexed too, each once.
  EXPECT_EQ(cell.layers.at(kMetal).Count(), 2);
  EXPECT_EQ(cell.layers.at(MakeLayerKey(6, 0)).Count(), 1);
  EXPECT_EQ(Hits(cell, kMetal, Box(95, 45, 105, 55)), 1u);

  RingSet two = MakeRings({{{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {{600, 0}, {600, 10}, {610, 10}, {610, 0}}});
  EXPECT_EQ(cell.AddRingSet(two, kMetal, true), 2);
  EXPECT_EQ(cell.box, Box(0, 0, 610, 530));
  EXPECT_EQ(cell.shapes.at(kMetal).Count(), 3u) << "every ring of a set is its own group";
  EXPECT_EQ(Hits(cell, kMetal, Box(601, 1, 602, 2)), 1u);
  RingSet inside = MakeRings({{{10, 10}, {20, 10}, {20, 20}, {10, 20}}}), none;
  EXPECT_EQ(cell.AddRingSet(inside, MakeLayerKey(7, 0), false), 1);
  EXPECT_EQ(cell.layers.count(MakeLayerKey(7, 0)), 0u);
  EXPECT_EQ(cell.AddRingSet(none, kMetal, true), 1);
}

TEST(CellContents, ShapesOnThePlacementLayerAreRefused) {
  for (LayerKey key : {kPlacementKey, MakeLayerKey(kPlacementLayer, 3)}) {
    Cell cell;
    RingSet rings = MakeRings({{{0, 0}, {10, 0}, {10, 10}, {0, 10}}});
    ShapeGroup* group;
    Box box;
    uint32_t count;
    EXPECT_THROW(cell.AddPolygon(rings, key, group, box, count), Error);
    EXPECT_THROW(cell.AddPolygonEdit(rings, key), Error);
    EXPECT_THROW(cell.AddRingSet(rings, key, true), Error);
    EXPECT_TRUE(cell.shapes.empty() && cell.layers.empty());
  }
}

TEST(CellContents, RebuildIndexesEverythingOnceAndReleaseKeepsPlacementsAndTexts) {
  Library lib("", false);
  uint32_t child = lib.CreateCell("child"), parent = lib.CreateCell("parent");
  libtest::AddShape(*lib.cells[child], kMetal, {{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {{0, 0}});
  Cell& cell = *lib.cells[parent];
  libtest::AddShape(cell, kMetal, {{0, 0}, {4, 0}, {4, 4}, {0, 4}}, {{0, 0}, {50, 50}, {90, 0}}, true);
  cell.AddText(MakeLayerKey(9, 0), lib.AddString("t"), 30, 30, true);
  libtest::Place(lib, parent, libtest::Single(child, 200, 0));
  libtest::Place(lib, parent, libtest::Array(child, 0, 200, 2, 3, 20, 20));
  for (int pass = 0; pass < 2; ++pass) {
    cell.RebuildSpatialIndex();
    EXPECT_EQ(cell.layers.at(kMetal).Count(), 3);
    EXPECT_EQ(cell.layers.at(MakeLayerKey(9, 0)).Count(), 1);
    EXPECT_EQ(cell.layers.at(kPlacementKey).Count(), 2);
    EXPECT_EQ(cell.layers.at(kMetal).index.Region(), cell.box);
  }
  EXPECT_TRUE(cell.ReleaseContents());
  EXPECT_TRUE(cell.shapes.empty());
  EXPECT_EQ(cell.layers.size(), 1u);
  EXPECT_EQ(cell.layers.at(kPlacementKey).Count(), 2);
  EXPECT_FALSE(cell.ReleaseContents());
  EnsureShapeIndexes(cell);
  EXPECT_EQ(cell.layers.at(MakeLayerKey(9, 0)).Count(), 1) << "the kept text";
}

TEST(CellContents, ContentsBoxCountsEveryShapeLayerAndTextsButNoPlacements) {
  Library lib("", false);
  uint32_t child = lib.CreateCell("child"), parent = lib.CreateCell("parent");
  libtest::AddShape(*lib.cells[child], kMetal, {{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {{0, 0}});
  libtest::Place(lib, parent, libtest::Single(child, 1000, 1000));
  Cell& cell = *lib.cells[parent];
  Box box;
  ComputeContentsBBox(cell, box);
  EXPECT_EQ(box, Box());
  ComputeCellBBox(box, cell);
  EXPECT_EQ(box, Box(1000, 1000, 1010, 1010));
  cell.AddText(MakeLayerKey(2, 0), lib.AddString("a"), -5, 7, false);
  ComputeContentsBBox(cell, box);
  EXPECT_EQ(box, Box(-5, 7, -5, 7)) << "a cell of texts keeps a point box";
  libtest::AddShape(cell, MakeLayerKey(600, 0), {{0, 0}, {3, 0}, {3, 3}, {0, 3}}, {{20, 20}});
  libtest::AddShape(cell, MakeLayerKey(16385, 0), {{0, 0}, {3, 0}, {3, 3}, {0, 3}}, {{-30, -30}});
  ComputeContentsBBox(cell, box);
  EXPECT_EQ(box, Box(-30, -30, 23, 23));
  ComputeContentsBBox(cell, box, {MakeLayerKey(600, 0)});
  EXPECT_EQ(box, Box(20, 20, 23, 23));
}

TEST(CellContents, MergeLayerMapsCutsShapesToTheWindowPerLayer) {
  Library lib("", false);
  Cell& cell = *lib.cells[lib.CreateCell("c")];
  const LayerKey low = MakeLayerKey(1, 0), mid = MakeLayerKey(300, 2), high = MakeLayerKey(16385, 0);
  libtest::AddShape(cell, low, {{0, 0}, {100, 0}, {100, 20}, {0, 20}}, {{0, 0}});
  libtest::AddShape(cell, low, {{0, 0}, {30, 0}, {0, 30}}, {{40, 0}});
  libtest::AddShape(cell, mid, {{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {{45, 5}, {500, 500}});
  libtest::AddShape(cell, high, {{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {{45, 5}});
  cell.AddText(low, lib.AddString("x"), 50, 10, false);
  const Box window(30, -10, 60, 10);
  std::map<LayerKey, RingSet> out;
  lib.MergeLayerMaps(cell, window, out, {}, 0, true);
  ASSERT_EQ(out.size(), 1u) << "mode 0 takes layers up to 255";
  EXPECT_EQ(out.at(low).RingCount(), 2) << "the text is no shape";
  EXPECT_EQ(out.at(low).GetBoundingBox(), Box(30, 0, 60, 10));
  for (RingVertex* v = out.at(low).Head(); v; v = v->next) EXPECT_TRUE(v->flags & kVertexOperandB);
  out.clear();
  lib.MergeLayerMaps(cell, window, out, {}, 1, false);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out.at(mid).RingCount(), 1);
  EXPECT_EQ(out.at(high).GetBoundingBox(), Box(45, 5, 55, 10));
}

TEST(CellContents, EditsRoundTripThroughSaveAndReload) {
  libtest::TempDir dir;
  std::ostringstream log;
  SetLogStream(&log);
  std::string before;
  {
    Library lib(dir.Path(), false);
    Cell& cell = *lib.cells[lib.CreateCell("c")];
    RingSet a = MakeRings({{{0, 0}, {40, 0}, {40, 10}, {20, 10}, {20, 30}, {0, 30}}, {{100, 0}, {110, 10}, {100, 20}}});
    cell.AddRingSet(a, kMetal, true);
    RingSet b = MakeRings({{{0, 0}, {40, 0}, {40, 10}, {20, 10}, {20, 30}, {0, 30}}});
    b.Translate(-300, 7);
    cell.AddPolygonEdit(b, kMetal);
    lib.flags |= kLibCellsChanged | kLibNamesDirty;
    before = libtest::DumpLibrary(lib);
    lib.Save();
  }
  Library reopened(dir.Path(), false);
  reopened.Open();
  EXPECT_EQ(libtest::DumpLibrary(reopened), before);
  SetLogStream(nullptr);
}

}  // namespace
