#include "canvas/edit/extraction.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "canvas/edit/library_jobs.h"
#include "db/error.h"
#include "db/library.h"
#include "db/poly/ring_set.h"
#include "formats/gds_out.h"
#include "formats/text_polygons.h"
#include "tests/db/library_test_util.h"
#include "tests/formats/gds_builder.h"
#include "tests/formats/klayout_xor.h"

namespace {

namespace fs = std::filesystem;

constexpr LayerKey Key(int layer, int datatype) { return LayerKey((layer << 8) | datatype); }

// The window that the tests cut: it reaches element (0, 0) of TOP's 10 x 10 array of LEAF only.
const Box kWindow(-10, -10, 50, 50);

// TOP places LEAF as a 10 x 10 array at a pitch of 200 and has a strip along its bottom edge;
// OTHER is a second root that no walk from TOP reaches. LEAF's square on 4/0 lies outside the
// window, its triangle on 2/0 crosses the window's edges.
void WriteChip(const std::string& path) {
  GdsBuilder()
      .LibraryHeader()
      .BeginStructure("LEAF")
      .Boundary(1, 0, {{0, 0}, {100, 0}, {100, 100}, {0, 100}, {0, 0}})
      .Boundary(2, 0, {{20, 20}, {80, 20}, {20, 80}, {20, 20}})
      .Boundary(4, 0, {{70, 70}, {90, 70}, {90, 90}, {70, 90}, {70, 70}})
      .EndStructure()
      .BeginStructure("TOP")
      .Aref("LEAF", 10, 10, {0, 0}, {2000, 0}, {0, 2000})
      .Boundary(3, 0, {{-100, -100}, {2100, -100}, {2100, 0}, {-100, 0}, {-100, -100}})
      .EndStructure()
      .BeginStructure("OTHER")
      .Boundary(1, 0, {{5000, 5000}, {6000, 5000}, {6000, 6000}, {5000, 6000}, {5000, 5000}})
      .EndStructure()
      .EndLibrary()
      .WriteTo(path);
}

// What the window of TOP holds, flattened and cut to it, as the tests build it by hand.
void WriteExpectedWindow(const std::string& path, bool oneLayer) {
  const int second = oneLayer ? 1 : 2, third = oneLayer ? 1 : 3;
  GdsBuilder()
      .LibraryHeader()
      .BeginStructure("TOP")
      .Boundary(1, 0, {{0, 0}, {50, 0}, {50, 50}, {0, 50}, {0, 0}})
      .Boundary(second, 0, {{20, 20}, {50, 20}, {50, 50}, {20, 50}, {20, 20}})
      .Boundary(third, 0, {{-10, -10}, {50, -10}, {50, 0}, {-10, 0}, {-10, -10}})
      .EndStructure()
      .EndLibrary()
      .WriteTo(path);
}

// The box of every ring of rings, in file order.
std::vector<Box> RingBoxes(RingSet& rings) {
  std::vector<Box> boxes;
  for (RingVertex* start = rings.Head(); start; start = NextUnflagged(start)) {
    Box box;
    RingVertex* v = start;
    do {
      v->flags |= kVertexVisited;
      box.Extend(v->x, v->y);
      v = v->ringNext;
    } while (v != start);
    boxes.push_back(box);
  }
  return boxes;
}

class ExtractionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteChip(dir_.File("chip.gds"));
    ImportLayout(LayoutFormat::kGds, dir_.File("chip.gds"), library_);
    FinishLibraryOpen(library_);
    top_ = uint32_t(library_.FindIndex("TOP"));
  }

  // The library read back from an output by our own readers.
  std::unique_ptr<Library> ReadBack(const std::string& path, LayoutFormat format) {
    auto read = std::make_unique<Library>(dir_.File("read" + std::to_string(reads_++) + ".db"), false);
    ImportLayout(format, path, *read);
    return read;
  }

  std::set<std::string> CellNames(const Library& lib) {
    std::set<std::string> names;
    for (const auto& entry : lib.nameMap) {
      if (lib.GetCell(entry.second)) names.insert(entry.first);
    }
    return names;
  }

  libtest::TempDir dir_;
  Library library_{dir_.File("chip.db"), false};
  uint32_t top_ = 0;
  int reads_ = 0;
};

TEST_F(ExtractionTest, HierarchicalWindowOverAnArrayKeepsOneElementAndTheChildInTheWindow) {
  for (int type : {kExtractGds, kExtractOasis}) {
    const std::string out = dir_.File(type == kExtractGds ? "hier.gds" : "hier.oas");
    EXPECT_EQ(ExtractHierarchical(library_, top_, kWindow, type, {}, out), 2);
    auto read = ReadBack(out, type == kExtractGds ? LayoutFormat::kGds : LayoutFormat::kOasis);
    EXPECT_EQ(CellNames(*read), (std::set<std::string>{"LEAF", "TOP"})) << out;

    Cell& top = *read->GetCell(read->FindIndex("TOP"));
    read->LoadCell(top, true);
    const LayerRecord* placements = top.HasReferences();
    ASSERT_TRUE(placements) << out;
    ASSERT_EQ(placements->Count(), 1u) << out;
    const SRef& ref = *static_cast<const SRef*>(placements->index.FirstLeaf()->payload);
    EXPECT_FALSE(ref.IsArray()) << out;
    EXPECT_EQ(Point(ref.x, ref.y), Point(0, 0)) << out;
    // The hierarchical writer keeps a shape that touches the window whole.
    EXPECT_NE(libtest::DumpCell(*read, top).find("shape 768: -100,-100 2100,-100 2100,0 -100,0"), std::string::npos)
        << libtest::DumpCell(*read, top);

    Cell& leaf = *read->GetCell(read->FindIndex("LEAF"));
    read->LoadCell(leaf, true);
    std::set<LayerKey> layers;
    for (const auto& layer : leaf.shapes) layers.insert(layer.first);
    EXPECT_EQ(layers, (std::set<LayerKey>{Key(1, 0), Key(2, 0)})) << out;
  }
}

TEST_F(ExtractionTest, MarksOfEarlierWalksAddNoStructures) {
  // The drawing pass marks what it visits; an earlier extraction marked a wider window.
  library_.GetCell(library_.FindIndex("OTHER"))->flags |= kCellVisited;
  ExtractHierarchical(library_, top_, Box(-100, -100, 5000, 5000), kExtractGds, {}, dir_.File("first.gds"));
  const uint32_t other = uint32_t(library_.FindIndex("OTHER"));
  library_.GetCell(other)->flags |= kCellVisited;
  // A window that reaches no placement at all: only TOP may come out.
  const Box strip(-100, -100, -50, -50);
  for (int type : {kExtractGds, kExtractOasis}) {
    const std::string out = dir_.File(type == kExtractGds ? "strip.gds" : "strip.oas");
    EXPECT_EQ(ExtractHierarchical(library_, top_, strip, type, {}, out), 1);
    auto read = ReadBack(out, type == kExtractGds ? LayoutFormat::kGds : LayoutFormat::kOasis);
    EXPECT_EQ(CellNames(*read), std::set<std::string>{"TOP"}) << out;
  }
}

TEST_F(ExtractionTest, GzipExactlyForTheExtensionGz) {
  const std::string packed = dir_.File("out.gds.gz"), plain = dir_.File("out.gds.GZ");
  WriteGDS(library_, {}, packed);
  ExtractFlat(library_, top_, kWindow, kExtractGds, {}, plain);
  const libtest::Bytes a = libtest::ReadBytes(packed), b = libtest::ReadBytes(plain);
  ASSERT_GE(a.size(), 2u);
  ASSERT_GE(b.size(), 4u);
  EXPECT_EQ(a[0], 0x1f);
  EXPECT_EQ(a[1], 0x8b);
  // A plain stream starts with its HEADER record.
  EXPECT_EQ(libtest::Bytes(b.begin(), b.begin() + 4), (libtest::Bytes{0, 6, 0, 2}));
  EXPECT_EQ(CellNames(*ReadBack(packed, LayoutFormat::kGds)), (std::set<std::string>{"LEAF", "OTHER", "TOP"}));
  EXPECT_FALSE(IsGzipName("/d.gz/out"));
  EXPECT_FALSE(IsGzipName("/d/.gz"));
  EXPECT_TRUE(IsGzipName("/d/a.gz"));
}

TEST_F(ExtractionTest, FlatTextWritesEveryVisibleLayerInTurn) {
  library_.layerMap[Key(3, 0)].colour |= 0x80000000u;
  library_.layerMap[Key(4, 0)].colour |= 0x80000000u;
  const std::string out = dir_.File("flat.poly");
  EXPECT_EQ(ExtractFlat(library_, top_, kWindow, kExtractText, ExtractionLayers(library_, true), out), 2);
  RingSet rings;
  ASSERT_TRUE(ReadTextPolygons(rings, out, false));
  // Layer 1's square cut to the window, then layer 2's triangle cut to it.
  EXPECT_EQ(RingBoxes(rings), (std::vector<Box>{Box(0, 0, 50, 50), Box(20, 20, 50, 50)}));
}

TEST_F(ExtractionTest, EveryLayerHiddenWritesEveryLayer) {
  for (auto& layer : library_.layerMap) layer.second.colour |= 0x80000000u;
  EXPECT_TRUE(ExtractionLayers(library_, true).empty());
  ExtractFlat(library_, top_, kWindow, kExtractGds, ExtractionLayers(library_, true), dir_.File("hidden.gds"));
  ExtractFlat(library_, top_, kWindow, kExtractGds, {}, dir_.File("all.gds"));
  auto hidden = ReadBack(dir_.File("hidden.gds"), LayoutFormat::kGds);
  auto all = ReadBack(dir_.File("all.gds"), LayoutFormat::kGds);
  EXPECT_EQ(libtest::DumpLibrary(*hidden), libtest::DumpLibrary(*all));
  EXPECT_NE(libtest::DumpLibrary(*all).find("shape 768"), std::string::npos);
}

TEST_F(ExtractionTest, WindowAndLayerChoice) {
  const Box cell(0, 0, 100, 100);
  EXPECT_EQ(ExtractionWindow(true, Box(), cell).x2, 100);
  EXPECT_EQ(ExtractionWindow(true, Box(5, 5, 5, 9), cell).x2, 100);
  EXPECT_EQ(ExtractionWindow(true, Box(5, 5, 8, 9), cell).x2, 8);
  EXPECT_EQ(ExtractionWindow(false, Box(5, 5, 8, 9), cell).x2, 100);
  library_.layerMap[Key(3, 0)].colour |= 0x80000000u;
  EXPECT_EQ(ExtractionLayers(library_, true), (std::set<LayerKey>{Key(1, 0), Key(2, 0), Key(4, 0)}));
  EXPECT_TRUE(ExtractionLayers(library_, false).empty());
}

TEST_F(ExtractionTest, FailedOutputLeavesNoFileAndAnEmptyWindowStillReplacesTheOldFile) {
  std::ofstream(dir_.File("plain")) << "x";
  for (const std::string& path : {dir_.File("plain/out"), dir_.File("missing/out")}) {
    for (int type : {kExtractOasis, kExtractGds, kExtractText}) {
      EXPECT_THROW(ExtractFlat(library_, top_, kWindow, type, {}, path), Error) << path << type;
      if (type != kExtractText) {
        EXPECT_THROW(ExtractHierarchical(library_, top_, kWindow, type, {}, path), Error);
      }
    }
    EXPECT_THROW(WriteGDS(library_, {}, path), Error);
    EXPECT_THROW(WriteOASIS(library_, {}, path), Error);
  }
  EXPECT_FALSE(fs::exists(dir_.File("missing")));
  // A directory in the way of the rename: the error is reported and no temporary file stays.
  fs::create_directories(dir_.File("taken.poly"));
  EXPECT_THROW(ExtractFlat(library_, top_, kWindow, kExtractText, {}, dir_.File("taken.poly")), Error);
  EXPECT_FALSE(fs::exists(dir_.File("taken.poly.tmp")));

  const std::string old = dir_.File("old.poly");
  std::ofstream(old) << "4\n0\t0\n1\t0\n1\t1\n0\t1\n";
  EXPECT_EQ(ExtractFlat(library_, top_, Box(-5000, -5000, -4000, -4000), kExtractText, {}, old), 0);
  EXPECT_EQ(fs::file_size(old), 0u);
}

// strmclip cuts box (database units of 1 nm) out of in into out.
void Clip(const std::string& strmxor, const std::string& in, const Box& box, const std::string& out) {
  const std::string folder = fs::path(strmxor).parent_path().string();
  char rect[128];
  std::snprintf(rect, sizeof rect, "%g,%g,%g,%g", box.x1 * 1e-3, box.y1 * 1e-3, box.x2 * 1e-3, box.y2 * 1e-3);
  const std::string command =
      "LD_LIBRARY_PATH=" + folder + " " + folder + "/strmclip -r " + rect + " " + in + " " + out + " >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

TEST_F(ExtractionTest, EveryKindMatchesTheWindowUnderKlayoutXor) {
  const std::string strmxor = klayout::StrmXor();
  if (strmxor.empty()) GTEST_SKIP() << "KLayout is not installed: the xor check is skipped";
  const std::string expected = dir_.File("expected.gds"), oneLayer = dir_.File("expected1.gds");
  WriteExpectedWindow(expected, false);
  WriteExpectedWindow(oneLayer, true);

  ExtractFlat(library_, top_, kWindow, kExtractGds, {}, dir_.File("flat.gds"));
  klayout::ExpectNoXorDifference(strmxor, expected, dir_.File("flat.gds"));
  ExtractFlat(library_, top_, kWindow, kExtractOasis, {}, dir_.File("flat.oas"));
  klayout::ExpectNoXorDifference(strmxor, expected, dir_.File("flat.oas"));
  for (const char* name : {"hier.gds", "hier.oas"}) {
    const int type = std::string(name).find(".gds") != std::string::npos ? kExtractGds : kExtractOasis;
    ExtractHierarchical(library_, top_, kWindow, type, {}, dir_.File(name));
    Clip(strmxor, dir_.File(name), kWindow, dir_.File(std::string("clip_") + name + ".gds"));
    klayout::ExpectNoXorDifference(strmxor, expected, dir_.File(std::string("clip_") + name + ".gds"));
  }
  // Text polygons carry no layers: all of them on one layer against the window on one layer.
  ExtractFlat(library_, top_, kWindow, kExtractText, {}, dir_.File("flat.poly"));
  RingSet rings;
  ASSERT_TRUE(ReadTextPolygons(rings, dir_.File("flat.poly"), false));
  {
    GdsOut out(dir_.File("poly.gds"), false);
    out.WriteLibraryHeader(library_);
    out.WriteStructureHeader("TOP");
    out.WriteBoundary(rings, 1, 0);
    out.WriteStructureEnd();
    out.WriteLibraryEnd();
  }
  klayout::ExpectNoXorDifference(strmxor, oneLayer, dir_.File("poly.gds"));
}

}  // namespace
