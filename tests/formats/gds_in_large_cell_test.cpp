#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "db/library.h"
#include "db/tile_grid.h"
#include "formats/gds_in.h"
#include "tests/formats/gds_builder.h"
#include "tests/formats/gds_in_test_util.h"

namespace {

using gdstest::RunImport;

// What the named cell holds once its placements (all at (0, 0), unrotated, as sub-cells are
// placed) are flattened: twice the area per layer, the texts, and the number of sub-cells.
struct Flat {
  std::map<LayerKey, int64_t> area;
  std::multiset<std::tuple<LayerKey, int32_t, int32_t, std::string>> texts;
  int subCells = 0;
};

int64_t TwiceArea(const RingVertex* start) {
  int64_t sum = 0;
  const RingVertex* v = start;
  do {
    sum += int64_t(v->x) * v->ringNext->y - int64_t(v->ringNext->x) * v->y;
    v = v->ringNext;
  } while (v != start);
  return sum;
}

void AddContents(Library& lib, Cell& cell, Flat& flat) {
  lib.LoadCell(cell, true);
  for (const auto& layer : cell.shapes) {
    RingSet rings;
    layer.second.ToRings(rings);
    for (RingVertex* v = rings.Head(); v; v = v->next) v->flags = 0;
    for (RingVertex* v = rings.Head(); v; v = v->next) {
      if (v->flags) continue;
      for (RingVertex* w = v->ringNext; w != v; w = w->ringNext) w->flags = 1;
      v->flags = 1;
      flat.area[layer.first] += TwiceArea(v);
    }
  }
  for (ListNode* node = cell.texts.Head(); node; node = node->next) {
    const TextItem* t = static_cast<const TextItem*>(node->item);
    flat.texts.insert({t->key, t->x, t->y, lib.TextString(t->textId)});
  }
}

Flat Flatten(const libtest::TempDir& dir, const std::string& name) {
  Library lib(dir.File("lib"), false);
  lib.Open();
  Cell& cell = *lib.cells[size_t(lib.FindIndex(name))];
  Flat flat;
  AddContents(lib, cell, flat);
  for (const SRef* ref : gdstest::Placements(cell)) {
    EXPECT_EQ(ref->x, 0);
    EXPECT_EQ(ref->orientation, 0);
    ++flat.subCells;
    AddContents(lib, *lib.cells[ref->CellId()], flat);
  }
  return flat;
}

TEST(GdsInLargeCell, SplitsABigCellIntoTilesKeepingShapesTextsAndLayers) {
  GdsInSettings settings;
  settings.storeThreshold = 40;
  settings.tileSize = 1000;
  GdsBuilder b = GdsBuilder().LibraryHeader();
  b.BeginStructure("BIG");
  Flat expected;
  for (int i = 0; i < 30; ++i) {
    int x = (i * 437) % 3500, y = (i * 911) % 3300;
    b.Boundary(1, 0, {{x, y}, {x + 150, y}, {x + 150, y + 90}, {x, y + 90}, {x, y}});
    expected.area[MakeLayerKey(1, 0)] += 2 * 150 * 90;
    b.Boundary(300, 2, {{x, y}, {x + 40, y}, {x, y + 40}, {x, y}});
    expected.area[MakeLayerKey(300, 2)] += 2 * 800;
    b.Text(9, 1, {x + 3, y + 7}, "t" + std::to_string(i));
    expected.texts.insert({MakeLayerKey(9, 1), x + 3, y + 7, "t" + std::to_string(i)});
  }
  b.EndStructure().EndLibrary();
  libtest::TempDir dir;
  gdstest::Import result = RunImport(dir, b.bytes(), false, settings);
  ASSERT_EQ(result.error, "");
  EXPECT_NE(result.log.find("Created "), std::string::npos);
  Flat got = Flatten(dir, "BIG");
  EXPECT_GT(got.subCells, 4);
  EXPECT_EQ(got.area, expected.area);
  EXPECT_EQ(got.texts, expected.texts);
}

// A few shapes whose boxes span a huge extent make a grid as coarse as their number calls for,
// not one of 500-unit tiles: the split costs what the shapes cost, and nothing is lost.
TEST(GdsInLargeCell, SplitOfFewShapesOverAHugeExtentStaysBoundedByTheShapes) {
  GdsInSettings settings;
  settings.storeThreshold = 12;
  settings.tileSize = 500;
  const int32_t far = 100000000;
  GdsBuilder b = GdsBuilder().LibraryHeader();
  b.BeginStructure("BIG");
  b.Boundary(1, 0, {{0, 0}, {far, 0}, {far, 10}, {10, 10}, {10, far}, {0, far}, {0, 0}});
  b.Boundary(2, 0, {{far - 50, far - 50}, {far, far - 50}, {far, far}, {far - 50, far}, {far - 50, far - 50}});
  b.Boundary(2, 0, {{500, 500}, {600, 500}, {600, 600}, {500, 600}, {500, 500}});
  b.Text(3, 0, {far / 2, far / 2}, "mid");
  b.EndStructure().EndLibrary();
  libtest::TempDir dir;
  gdstest::Import result = RunImport(dir, b.bytes(), false, settings);
  ASSERT_EQ(result.error, "");
  Flat got = Flatten(dir, "BIG");
  EXPECT_GT(got.subCells, 1);
  EXPECT_LE(got.subCells, kTileVisitsPerShape * 4);
  EXPECT_EQ(got.area[MakeLayerKey(1, 0)], 2 * (int64_t(far) * 10 + int64_t(10) * (far - 10)));
  EXPECT_EQ(got.area[MakeLayerKey(2, 0)], 2 * (50 * 50 + 100 * 100));
  EXPECT_EQ(got.texts.size(), 1u);
}

TEST(GdsInLargeCell, MovesASmallCellIntoOneSubCellEachTime) {
  GdsInSettings settings;
  settings.storeThreshold = 8;
  GdsBuilder b = GdsBuilder().LibraryHeader();
  b.BeginStructure("S");
  for (int i = 0; i < 5; ++i)
    b.Boundary(1, 0, {{i * 20, 0}, {i * 20 + 10, 0}, {i * 20 + 10, 10}, {i * 20, 10}, {i * 20, 0}});
  b.Text(2, 0, {1, 1}, "label").EndStructure().EndLibrary();
  libtest::TempDir dir;
  gdstest::Import result = RunImport(dir, b.bytes(), false, settings);
  ASSERT_EQ(result.error, "");
  EXPECT_NE(result.log.find("Created 3 cells under S\n"), std::string::npos) << result.log;
  EXPECT_EQ(gdstest::DumpLibrary(dir.File("lib")),
            "cell S\n"
            "  ref S_ich1 at 0,0 code 0 mag 1\n  ref S_ich2 at 0,0 code 0 mag 1\n  ref S_ich3 at 0,0 code 0 mag 1\n"
            "cell S_ich1\n  shape 1/0: 0,0 10,0 10,10 0,10\n  shape 1/0: 20,0 30,0 30,10 20,10\n"
            "cell S_ich2\n  shape 1/0: 40,0 50,0 50,10 40,10\n  shape 1/0: 60,0 70,0 70,10 60,10\n"
            "cell S_ich3\n  shape 1/0: 80,0 90,0 90,10 80,10\n  text 2/0 1,1 'label'\n");
}

TEST(GdsInLargeCell, GeneratedNamesNeverCaptureACellOfTheFile) {
  GdsInSettings settings;
  settings.storeThreshold = 4;
  GdsBuilder b = GdsBuilder().LibraryHeader();
  b.BeginStructure("S").Boundary(1, 0, {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}).EndStructure();
  b.BeginStructure("TOP").Sref("S_ich1", {0, 0}).EndStructure();
  b.BeginStructure("S_ich1").Text(3, 0, {0, 0}, "mine").EndStructure().EndLibrary();
  libtest::TempDir dir;
  gdstest::Import result = RunImport(dir, b.bytes(), false, settings);
  ASSERT_EQ(result.error, "");
  EXPECT_EQ(gdstest::DumpLibrary(dir.File("lib")),
            "cell S\n  ref S_ich1_ich1 at 0,0 code 0 mag 1\n"
            "cell S_ich1\n  text 3/0 0,0 'mine'\n"
            "cell S_ich1_ich1\n  shape 1/0: 0,0 10,0 10,10 0,10\n"
            "cell TOP\n  ref S_ich1 at 0,0 code 0 mag 1\n");
}

TEST(GdsInLargeCell, RollingOverToNewDataFilesKeepsTheLibrary) {
  GdsInSettings settings;
  settings.dataFileRollOver = 40;
  libtest::TempDir small, whole;
  ASSERT_EQ(RunImport(small, gdstest::SampleLibrary().bytes(), false, settings).error, "");
  ASSERT_EQ(RunImport(whole, gdstest::SampleLibrary().bytes()).error, "");
  EXPECT_TRUE(std::filesystem::exists(small.File("lib/db2")));
  EXPECT_FALSE(std::filesystem::exists(whole.File("lib/db2")));
  EXPECT_EQ(gdstest::DumpLibrary(small.File("lib")), gdstest::DumpLibrary(whole.File("lib")));
}

}  // namespace
