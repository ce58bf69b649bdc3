#include "db/hierarchy_walk.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "db/hierarchy_iterator.h"
#include "db/library.h"
#include "db/log.h"
#include "tests/db/hierarchy_test_util.h"

namespace {

const LayerKey kLayer = MakeLayerKey(1, 0);
const ringtest::Ring kSquare = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};

TEST(HierarchyWalk, ElementsInWindowAreTheElementsWhoseBoxesOverlap) {
  std::mt19937 rng(7);
  auto u = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int round = 0; round < 3000; ++round) {
    ARef array;
    array.cellWord = kArrayBit;
    array.x = u(-300, 300);
    array.y = u(-300, 300);
    array.orientation = uint8_t(u(0, 7));
    array.magnification = std::vector<float>{1.0f, 0.5f, 3.0f}[size_t(u(0, 2))];
    array.columns = int16_t(u(1, 6));
    array.rows = int16_t(u(1, 6));
    array.columnPitch = u(-4, 4) * u(0, 40);
    array.rowPitch = u(-4, 4) * u(0, 40);
    Box cellBox = hiertest::RandomWindow(rng, 60);
    Box window = hiertest::RandomWindow(rng, 800);
    ElementRange range = ElementsInWindow(array, cellBox, window);
    for (int32_t c = 0; c < array.columns; ++c) {
      for (int32_t r = 0; r < array.rows; ++r) {
        Trans element;
        array.ElementTrans(c, r, element);
        Box box = cellBox;
        element.ApplyToBox(box);
        bool inRange = c >= range.column0 && c < range.column1 && r >= range.row0 && r < range.row1;
        ASSERT_EQ(inRange, box.OverlapsStrict(window)) << "round " << round << " element " << c << "," << r;
      }
    }
  }
  // Elements whose offset leaves the 32-bit range are left out instead of wrapping round.
  ARef far;
  far.cellWord = kArrayBit;
  far.x = INT32_MAX - 100;
  far.columns = 5;
  far.rows = 1;
  far.columnPitch = 60;
  ElementRange range = ElementsInWindow(far, Box(0, 0, 10, 10), Box(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX));
  EXPECT_EQ(range.column0, 0);
  EXPECT_EQ(range.column1, 2);
}

TEST(HierarchyWalk, ExtractAgreesWithBruteForceFlattening) {
  std::mt19937 rng(2024);
  std::ostringstream log;
  SetLogStream(&log);
  for (int round = 0; round < 150; ++round) {
    Library lib("", false);
    hiertest::BuildRandomLibrary(lib, rng, true);
    const Box all = lib.cells[0]->box;
    for (int w = 0; w < 6; ++w) {
      Box window = w == 0 ? Box(all.x1 - 1, all.y1 - 1, all.x2 + 1, all.y2 + 1) : hiertest::RandomWindow(rng, 1500);
      std::set<LayerKey> layers;
      if (w % 3 == 2) layers = {hiertest::kLayers[0], hiertest::kLayers[2]};
      std::map<LayerKey, RingSet> out;
      lib.WalkHierarchyExtract(0, window, Trans(), layers, out);
      ASSERT_EQ(hiertest::Canonical(out), hiertest::FlattenBruteForce(lib, 0, window, layers))
          << "round " << round << " window " << w;
    }
  }
  SetLogStream(nullptr);
}

TEST(HierarchyWalk, WalksLoadOnlyTheCellsTheWindowReaches) {
  std::mt19937 rng(99);
  std::ostringstream log;
  SetLogStream(&log);
  for (int round = 0; round < 30; ++round) {
    libtest::TempDir dir;
    Library built(dir.Path(), round % 2 == 1);
    hiertest::BuildRandomLibrary(built, rng, false, 6);
    hiertest::SaveAll(built);
    Box window = hiertest::RandomWindow(rng, 1200);
    std::set<uint32_t> reached = hiertest::CellsReached(built, window);
    Library forExtract(dir.Path(), false), forIterator(dir.Path(), false);
    forExtract.Open();
    forIterator.Open();
    std::map<LayerKey, RingSet> out;
    forExtract.WalkHierarchyExtract(0, window, Trans(), {}, out);
    EXPECT_EQ(hiertest::CellsLoaded(forExtract), reached) << "round " << round;
    EXPECT_EQ(hiertest::Canonical(out), hiertest::FlattenBruteForce(built, 0, window, {}));
    HierarchyIterator it;
    it.Init(window, forIterator, {}, 0);
    Trans found;
    LayerKey key = 0;
    for (SpatialNode* e = it.EnterCell(found, key); e; e = it.Next(found, key)) continue;
    EXPECT_EQ(hiertest::CellsLoaded(forIterator), reached) << "round " << round;
  }
  SetLogStream(nullptr);
}

// top places child as a 10 x 10 array of pitch 100; child holds a 10 x 10 square.
struct ArrayOfSquares {
  Library lib{"", false};
  uint32_t top = lib.CreateCell("top");
  uint32_t child = lib.CreateCell("child");
  ArrayOfSquares() {
    libtest::AddShape(*lib.cells[child], kLayer, kSquare, {{0, 0}}, true);
    libtest::Place(lib, top, libtest::Array(child, 1000, 0, 10, 10, 100, 100));
  }
};

TEST(HierarchyWalk, MarkingWalkTakesOneWindowPerArray) {
  struct Case {
    Box window;
    bool visited;
    Box childWindow;
  };
  const Case cases[] = {
      {Box(1005, 5, 1020, 20), true, Box(5, 5, 20, 20)},  // element (0, 0) alone
      {Box(1005, 5, 1120, 20), true, Box(0, 0, 10, 10)},  // two elements: the whole cell
      {Box(1020, 20, 1090, 90), false, Box()},            // between the elements
      {Box(2000, 5, 2010, 20), false, Box()},             // beyond the array
  };
  for (const Case& c : cases) {
    ArrayOfSquares a;
    a.lib.WalkHierarchy(a.top, c.window);
    EXPECT_EQ(bool(a.lib.cells[a.child]->flags & kCellVisited), c.visited);
    EXPECT_EQ(a.lib.records[a.child].window, c.childWindow);
    EXPECT_EQ(a.lib.records[a.top].window, c.window);
  }
}

TEST(HierarchyWalk, MarkingWalkDescendsOnlyForNewWindows) {
  ArrayOfSquares a;
  a.lib.WalkHierarchy(a.top, Box(1005, 5, 1020, 20));
  // Unloaded now: a walk that enters it again loads it again.
  a.lib.cells[a.child]->Clear();
  a.lib.WalkHierarchy(a.top, Box(1006, 6, 1019, 19));
  EXPECT_FALSE(a.lib.cells[a.child]->loaded) << "the window was covered already";
  a.lib.WalkHierarchy(a.top, Box(1002, 2, 1008, 8));
  EXPECT_TRUE(a.lib.cells[a.child]->loaded);
  EXPECT_EQ(a.lib.records[a.child].window, Box(2, 2, 20, 20));
  EXPECT_EQ(a.lib.records[a.top].window, Box(1002, 2, 1020, 20));
}

TEST(HierarchyWalk, PlacementCyclesAreSkippedWithOneWarningPerWalk) {
  Library lib("", false);
  uint32_t a = lib.CreateCell("a"), b = lib.CreateCell("b");
  libtest::AddShape(*lib.cells[a], kLayer, kSquare, {{0, 0}}, true);
  libtest::AddShape(*lib.cells[b], kLayer, kSquare, {{0, 0}}, true);
  // Each moves the other a little, so that no window ever contains the last one.
  libtest::Place(lib, a, libtest::Single(b, 1, 0));
  libtest::Place(lib, b, libtest::Single(a, 1, 1));
  libtest::Place(lib, b, libtest::Array(a, 0, 0, 2, 2, 3, 3));
  const Box window(-100, -100, 100, 100);
  auto warnings = [](const std::string& log) {
    size_t count = 0;
    for (size_t at = log.find("Warning: recursive placement of a skipped\n"); at != std::string::npos;
         at = log.find("Warning: recursive", at + 1)) {
      ++count;
    }
    return count;
  };
  for (int walk = 0; walk < 3; ++walk) {
    std::ostringstream log;
    SetLogStream(&log);
    if (walk == 0) {
      std::map<LayerKey, RingSet> out;
      lib.WalkHierarchyExtract(a, window, Trans(), {}, out);
      EXPECT_EQ(out[kLayer].RingCount(), 2);
    } else if (walk == 1) {
      lib.WalkHierarchy(a, window);
      EXPECT_TRUE(lib.cells[b]->flags & kCellVisited);
    } else {
      HierarchyIterator it;
      it.Init(window, lib, {}, a);
      Trans found;
      LayerKey key = 0;
      int shapes = 0;
      for (SpatialNode* e = it.EnterCell(found, key); e; e = it.Next(found, key)) ++shapes;
      EXPECT_EQ(shapes, 2);
    }
    SetLogStream(nullptr);
    EXPECT_EQ(warnings(log.str()), 1u) << "walk " << walk << ": " << log.str();
  }
}

}  // namespace
