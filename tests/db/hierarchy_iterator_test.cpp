#include "db/hierarchy_iterator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "db/library.h"
#include "db/log.h"
#include "tests/db/hierarchy_test_util.h"

namespace {

const LayerKey kLayer = MakeLayerKey(1, 0);
const ringtest::Ring kSquare = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};

std::string Describe(LayerKey key, const void* payload, const Trans& t) {
  std::ostringstream out;
  out << key << " " << payload << " @" << t.x << "," << t.y << " code " << int(t.orientation) << " mag "
      << t.magnification;
  return out.str();
}

std::vector<std::string> Walk(HierarchyIterator& it, LayerKey startKey = 0) {
  std::vector<std::string> out;
  Trans found;
  LayerKey key = startKey;
  for (SpatialNode* e = it.EnterCell(found, key); e; e = it.Next(found, key)) {
    out.push_back(Describe(key, e->payload, found));
  }
  std::sort(out.begin(), out.end());
  return out;
}

// Every index entry of every instance whose box in the top cell overlaps window strictly.
std::vector<std::string> BruteForce(const Library& lib, const Box& window, const std::set<LayerKey>& layers) {
  std::vector<std::string> out;
  hiertest::ForEachInstance(lib, 0, Trans(), [&](uint32_t, const Cell& cell, const Trans& trans) {
    for (const auto& layer : cell.layers) {
      if (layer.first == kPlacementKey || !AdmitsLayer(layers, layer.first)) continue;
      for (SpatialNode* e = layer.second.index.FirstLeaf(); e; e = layer.second.index.NextLeaf(e)) {
        Box box = e->box;
        trans.ApplyToBox(box);
        if (box.OverlapsStrict(window)) out.push_back(Describe(layer.first, e->payload, trans));
      }
    }
  });
  std::sort(out.begin(), out.end());
  return out;
}

TEST(HierarchyIterator, AgreesWithBruteForceOverRandomWindows) {
  std::mt19937 rng(31337);
  for (int round = 0; round < 200; ++round) {
    bool magnify = round % 2 == 1;
    Library lib("", false);
    hiertest::BuildRandomLibrary(lib, rng, magnify);
    for (int w = 0; w < 5; ++w) {
      Box window = hiertest::RandomWindow(rng, 1500);
      std::set<LayerKey> layers;
      if (w % 2 == 1) layers = {hiertest::kLayers[1]};
      HierarchyIterator it;
      it.Init(window, lib, layers, 0);
      std::vector<std::string> walked = Walk(it);
      std::vector<std::string> expected = BruteForce(lib, window, layers);
      if (!magnify) {
        ASSERT_EQ(walked, expected) << "round " << round << " window " << w;
      } else {
        // Under a magnification the window is padded: never less, sometimes an edge more.
        ASSERT_TRUE(std::includes(walked.begin(), walked.end(), expected.begin(), expected.end()))
            << "round " << round << " window " << w;
      }
    }
  }
}

TEST(HierarchyIterator, VisitsOnlyTheArrayElementsInTheWindowWithComposedTransforms) {
  Library lib("", false);
  uint32_t top = lib.CreateCell("top"), mid = lib.CreateCell("mid"), leaf = lib.CreateCell("leaf");
  libtest::AddShape(*lib.cells[leaf], kLayer, kSquare, {{0, 0}}, true);
  libtest::Place(lib, mid, libtest::Single(leaf, 50, 20, 1));
  libtest::Place(lib, top, libtest::Single(mid, 1000, 0, 4));
  libtest::Place(lib, top, libtest::Array(leaf, 0, 5000, 3, 2, 100, 100));

  HierarchyIterator it;
  it.Init(Box(95, 4995, 115, 5115), lib, {}, top);
  Trans found;
  LayerKey key = 0;
  std::vector<Point> offsets;
  for (SpatialNode* e = it.EnterCell(found, key); e; e = it.Next(found, key)) offsets.emplace_back(found.x, found.y);
  std::sort(offsets.begin(), offsets.end(), [](const Point& a, const Point& b) { return a.y < b.y; });
  EXPECT_EQ(offsets, (std::vector<Point>{{100, 5000}, {100, 5100}}));

  // leaf rotated by 90 degrees inside mid, mid mirrored in top: a point of leaf lands where the
  // two placements take it one after the other.
  it.Init(Box(-2000, -2000, 2000, 2000), lib, {}, top);
  key = 0;
  ASSERT_NE(it.EnterCell(found, key), nullptr);
  EXPECT_EQ(it.Frames().size(), 3u);
  EXPECT_EQ(found.orientation, OrientationComposeTable[1][4]);
  for (const Point& p : {Point(0, 0), Point(10, 0), Point(3, 7)}) {
    Point viaBoth = p, composed = p;
    Trans(50, 20, 1.0f, 1).ApplyToPoint(viaBoth);
    Trans(1000, 0, 1.0f, 4).ApplyToPoint(viaBoth);
    found.ApplyToPoint(composed);
    EXPECT_EQ(composed, viaBoth);
  }
  EXPECT_EQ(it.Next(found, key), nullptr);
}

TEST(HierarchyIterator, TargetModeReportsThePlacementsOfOneCell) {
  Library lib("", false);
  uint32_t top = lib.CreateCell("top"), mid = lib.CreateCell("mid"), target = lib.CreateCell("target");
  libtest::AddShape(*lib.cells[target], kLayer, kSquare, {{0, 0}}, true);
  libtest::AddShape(*lib.cells[top], kLayer, kSquare, {{-500, -500}}, true);
  SRef* nested = libtest::Single(target, 7, 7);
  libtest::Place(lib, mid, nested);
  SRef* first = libtest::Single(target, 100, 0);
  SRef* second = libtest::Array(target, 200, 0, 2, 2, 20, 20);
  libtest::Place(lib, top, first);
  libtest::Place(lib, top, second);
  libtest::Place(lib, top, libtest::Single(mid, 0, 300, 2));
  const Box window(-1000, -1000, 1000, 1000);

  HierarchyIterator it;
  it.Init(window, lib, {}, top);
  it.targetCell = target;
  std::vector<std::string> expected = {Describe(kPlacementKey, first, Trans()),
                                       Describe(kPlacementKey, nested, Trans(0, 300, 1.0f, 2))};
  std::vector<std::string> found = Walk(it, kPlacementKey);
  std::vector<std::string> all = expected;
  all.push_back(Describe(kPlacementKey, second, Trans()));
  std::sort(all.begin(), all.end());
  EXPECT_EQ(found, all) << "top's own square is skipped, target is not entered";

  it.Init(window, lib, {}, top);
  it.targetCell = target;
  it.skipPlacement = second;
  found = Walk(it);
  EXPECT_EQ(found.size(), 3u) << "top's square and two placements";
  for (const std::string& placement : expected) EXPECT_EQ(std::count(found.begin(), found.end(), placement), 1);
}

}  // namespace
