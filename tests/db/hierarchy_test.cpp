#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "db/cell_contents.h"
#include "db/hierarchy_iterator.h"
#include "db/library.h"
#include "db/log.h"
#include "db/poly/ring_set.h"
#include "tests/db/library_test_util.h"

namespace {

const LayerKey kLayer = MakeLayerKey(1, 0);
const ringtest::Ring kSquare = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};

// Captures the log for the lifetime of the object.
class LogCapture {
 public:
  LogCapture() { SetLogStream(&log_); }
  ~LogCapture() { SetLogStream(nullptr); }
  std::string Text() const { return log_.str(); }

 private:
  std::ostringstream log_;
};

// top places mid and, once directly and once as a 2 x 3 array, leaf; mid places leaf.
struct ThreeLevels {
  Library lib{"", false};
  uint32_t top = lib.CreateCell("top");
  uint32_t mid = lib.CreateCell("mid");
  uint32_t leaf = lib.CreateCell("leaf");

  ThreeLevels() {
    libtest::AddShape(*lib.cells[leaf], kLayer, kSquare, {{0, 0}}, true);
    libtest::Place(lib, mid, libtest::Single(leaf, 100, 0, 1));
    libtest::Place(lib, top, libtest::Single(mid, 0, 600));
    libtest::Place(lib, top, libtest::Single(leaf, -50, -50));
    libtest::Place(lib, top, libtest::Array(leaf, 0, 500, 2, 3, 20, 30));
  }
};

TEST(Hierarchy, RecordsCountInstancesAndOrderTheCellsFromTheRoots) {
  ThreeLevels t;
  t.lib.FinishImportPass();
  EXPECT_EQ(t.lib.records[t.leaf].parents, (std::map<uint32_t, int64_t>{{t.top, 7}, {t.mid, 1}}));
  EXPECT_EQ(t.lib.records[t.top].children, (std::set<uint32_t>{t.mid, t.leaf}));
  EXPECT_EQ(t.lib.records[t.mid].children, std::set<uint32_t>{t.leaf});
  t.lib.BuildHierarchy();
  t.lib.CollectRoots();
  EXPECT_EQ(t.lib.order, (std::vector<uint32_t>{t.top, t.mid, t.leaf}));
  EXPECT_EQ(t.lib.records[t.mid].level, 1u);
  EXPECT_EQ(t.lib.records[t.leaf].level, 2u);
  EXPECT_EQ(t.lib.depth, 2u);
  EXPECT_EQ(t.lib.roots, std::vector<uint32_t>{t.top});

  // A cell flagged as having no placements adds nothing.
  t.lib.cells[t.top]->flags |= kCellNoPlacements;
  t.lib.FinishImportPass();
  EXPECT_EQ(t.lib.records[t.leaf].parents, (std::map<uint32_t, int64_t>{{t.mid, 1}}));
}

TEST(Hierarchy, CellsOnOrBelowACycleAreNoRootsAndNoLevels) {
  Library lib("", false);
  uint32_t a = lib.CreateCell("a"), b = lib.CreateCell("b"), c = lib.CreateCell("c"), d = lib.CreateCell("d");
  libtest::AddShape(*lib.cells[c], kLayer, kSquare, {{0, 0}});
  libtest::AddShape(*lib.cells[d], kLayer, kSquare, {{0, 0}});
  lib.cells[a]->box = lib.cells[b]->box = Box(0, 0, 10, 10);
  libtest::Place(lib, a, libtest::Single(b, 0, 0));
  libtest::Place(lib, b, libtest::Single(a, 5, 0));
  libtest::Place(lib, a, libtest::Single(c, 0, 0));
  LogCapture log;
  lib.FinishImportPass();
  lib.BuildHierarchy();
  lib.CollectRoots();
  EXPECT_EQ(lib.order, std::vector<uint32_t>{d});
  EXPECT_EQ(lib.roots, std::vector<uint32_t>{d});
  EXPECT_EQ(lib.depth, 0u);
  EXPECT_NE(log.Text().find("Warning: 3 cells in or below placement cycles"), std::string::npos);
}

TEST(Hierarchy, PropagateBoundingBoxesGrowsCellsFromTheLeavesUp) {
  Library lib("", false);
  uint32_t top = lib.CreateCell("top"), mid = lib.CreateCell("mid"), leaf = lib.CreateCell("leaf");
  uint32_t label = lib.CreateCell("label"), hollow = lib.CreateCell("hollow");
  libtest::AddShape(*lib.cells[leaf], kLayer, kSquare, {{0, 0}});
  lib.cells[label]->AddText(kLayer, lib.AddString("pin"), 5, 5, false);
  auto import = [&lib](uint32_t cellId, std::vector<ARef> placements) {
    lib.importIndex.resize(lib.cells.size(), -1);
    lib.importIndex[cellId] = int32_t(lib.importRecords.size());
    lib.importRecords.push_back({cellId, std::move(placements)});
  };
  auto aref = [](SRef* ref) {
    ARef copy = ref->IsArray() ? *static_cast<ARef*>(ref) : ARef(*ref);
    delete ref;
    return copy;
  };
  // Rotated by 90 degrees at (100, 0): (90, 0)-(100, 10); the 3 x 2 array spans (0, 50)-(50, 90).
  import(mid, {aref(libtest::Single(leaf, 100, 0, 1)), aref(libtest::Array(leaf, 0, 50, 3, 2, 20, 30))});
  import(top, {aref(libtest::Single(mid, 1000, 1000, 0, 2.0f)), aref(libtest::Single(label, 0, 0)),
               aref(libtest::Single(hollow, -9999, -9999)), aref(libtest::Single(77, 0, 0))});
  // Lists and placements of ids beyond the cells are skipped.
  lib.importRecords.push_back({99, {aref(libtest::Single(leaf, 0, 0))}});
  for (int i = 0; i < 3; ++i) lib.importRecords.push_back({leaf, {}});
  LogCapture log;
  lib.FinishImport();
  EXPECT_NE(log.Text().find("Warning: cells read are more than actual cells\n"), std::string::npos);
  EXPECT_EQ(lib.records[leaf].parents, (std::map<uint32_t, int64_t>{{mid, 7}}));
  EXPECT_EQ(lib.records[top].children, (std::set<uint32_t>{mid, label, hollow}));
  lib.BuildHierarchy();
  lib.CollectRoots();
  lib.PropagateBoundingBoxes();
  EXPECT_EQ(lib.cells[mid]->box, Box(0, 0, 100, 90));
  // mid doubled at (1000, 1000), and the text's point of label; hollow has no box.
  EXPECT_EQ(lib.cells[top]->box, Box(5, 5, 1200, 1180));
  EXPECT_TRUE(lib.importRecords.empty() && lib.importIndex.empty());
}

// Placements are summed per pair of cells whatever the order of the lists and of the cells in
// them, a list may name its cell twice, and an array without instances still makes its cell a
// parent.
TEST(Hierarchy, FinishImportSumsPlacementsPerPairOfCells) {
  Library lib("", false);
  uint32_t a = lib.CreateCell("a"), b = lib.CreateCell("b"), leaf = lib.CreateCell("leaf");
  uint32_t other = lib.CreateCell("other");
  auto aref = [](SRef* ref) {
    ARef copy = ref->IsArray() ? *static_cast<ARef*>(ref) : ARef(*ref);
    delete ref;
    return copy;
  };
  lib.importRecords.push_back({b,
                               {aref(libtest::Single(leaf, 0, 0)), aref(libtest::Single(other, 0, 0)),
                                aref(libtest::Array(leaf, 0, 0, 2, 3, 10, 10))}});
  lib.importRecords.push_back(
      {a, {aref(libtest::Single(other, 0, 0)), aref(libtest::Array(leaf, 0, 0, 0, 3, 10, 10))}});
  lib.importRecords.push_back({b, {aref(libtest::Single(leaf, 5, 5))}});
  lib.FinishImport();
  EXPECT_EQ(lib.records[leaf].parents, (std::map<uint32_t, int64_t>{{a, 0}, {b, 8}}));
  EXPECT_EQ(lib.records[other].parents, (std::map<uint32_t, int64_t>{{a, 1}, {b, 1}}));
  EXPECT_EQ(lib.records[a].children, (std::set<uint32_t>{leaf, other}));
  EXPECT_EQ(lib.records[b].children, (std::set<uint32_t>{leaf, other}));
}

TEST(Hierarchy, RefreshPlacementBoxesReindexesGrownPlacementsAndNeverShrinks) {
  ThreeLevels t;
  t.lib.FinishImportPass();
  t.lib.BuildHierarchy();
  Box midBefore = t.lib.cells[t.mid]->box, topBefore = t.lib.cells[t.top]->box;
  EXPECT_FALSE(t.lib.RefreshPlacementBoxes());

  Cell& leaf = *t.lib.cells[t.leaf];
  libtest::AddShape(leaf, kLayer, kSquare, {{10, 0}}, true);
  ASSERT_EQ(leaf.box, Box(0, 0, 20, 10));
  EXPECT_TRUE(t.lib.RefreshPlacementBoxes());
  // leaf is rotated in mid: its growth to the right goes up, and top gets it through mid.
  EXPECT_EQ(t.lib.cells[t.mid]->box, Box(midBefore.x1, midBefore.y1, midBefore.x2, midBefore.y2 + 10));
  EXPECT_EQ(t.lib.cells[t.top]->box, Box(topBefore.x1, topBefore.y1, topBefore.x2, topBefore.y2 + 10));
  for (uint32_t id : {t.top, t.mid}) {
    const LayerRecord& placements = *t.lib.cells[id]->HasReferences();
    for (SpatialNode* e = placements.index.FirstLeaf(); e; e = placements.index.NextLeaf(e)) {
      const SRef& ref = *static_cast<const SRef*>(e->payload);
      Box expected;
      ref.GetBox(expected, t.lib.cells[ref.CellId()]->box);
      EXPECT_EQ(e->box, expected) << libtest::Describe(ref);
    }
  }
  EXPECT_EQ(t.lib.cells[t.top]->HasReferences()->Count(), 3);
  const SpatialIndex& midIndex = t.lib.cells[t.mid]->HasReferences()->index;
  EXPECT_NE(midIndex.QueryFirst(Box(91, 15, 99, 19)), nullptr) << "found in the grown part";

  leaf.box = Box(0, 0, 2, 2);
  Box grown = t.lib.cells[t.mid]->box;
  EXPECT_FALSE(t.lib.RefreshPlacementBoxes());
  EXPECT_EQ(t.lib.cells[t.mid]->box, grown);
}

// A chain of 100,000 cells, each placing the next one unit to the right; the last holds a
// square. Nothing may recurse once per level.
TEST(Hierarchy, DeepChainsNeedNoCallStack) {
  const uint32_t n = 100000;
  Library lib("", false);
  for (uint32_t i = 0; i < n; ++i) lib.CreateCell("c" + std::to_string(i));
  libtest::AddShape(*lib.cells[n - 1], kLayer, kSquare, {{0, 0}}, true);
  for (uint32_t i = n - 1; i-- > 0;) libtest::Place(lib, i, libtest::Single(i + 1, 1, 0));
  lib.FinishImportPass();
  lib.BuildHierarchy();
  lib.CollectRoots();
  EXPECT_EQ(lib.depth, n - 1);
  EXPECT_EQ(lib.records[n - 1].level, n - 1);
  EXPECT_EQ(lib.roots, std::vector<uint32_t>{0});
  const Box top(n - 1, 0, n + 9, 10);
  EXPECT_EQ(lib.cells[0]->box, top);

  libtest::AddShape(*lib.cells[n - 1], kLayer, kSquare, {{0, 5}}, true);
  EXPECT_TRUE(lib.RefreshPlacementBoxes());
  EXPECT_EQ(lib.cells[0]->box, Box(n - 1, 0, n + 9, 15));

  std::map<LayerKey, RingSet> out;
  lib.WalkHierarchyExtract(0, Box(0, 0, 2 * n, 20), Trans(), {}, out);
  EXPECT_EQ(out[kLayer].RingCount(), 2);
  lib.WalkHierarchy(0, lib.cells[0]->box);
  EXPECT_TRUE(lib.cells[n - 1]->flags & kCellVisited);
  EXPECT_EQ(lib.records[n - 1].window, Box(0, 0, 10, 15));
  HierarchyIterator it;
  it.Init(Box(0, 0, 2 * n, 20), lib, {}, 0);
  Trans found;
  LayerKey key = 0;
  int shapes = 0;
  for (SpatialNode* e = it.EnterCell(found, key); e; e = it.Next(found, key)) {
    ++shapes;
    EXPECT_EQ(found.x, int32_t(n - 1));
    EXPECT_EQ(it.Frames().size(), n);
  }
  EXPECT_EQ(shapes, 2);
}

}  // namespace
