#include "canvas/jobs/extraction.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "canvas/jobs/library_jobs.h"
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
    top_ = uint32_t(library_.FindIndex("TOP"));
  }

  // The dump of an output read back by our own reader.
  std::string ReadBack(const std::string& path) {
    Library read(dir_.File("read" + std::to_string(reads_++) + ".db"), false);
    const bool oasis = path.size() > 4 && path.compare(path.size() - 4, 4, ".oas") == 0;
    ImportLayout(oasis ? LayoutFormat::kOasis : LayoutFormat::kGds, path, read);
    return libtest::DumpLibrary(read);
  }

  libtest::TempDir dir_;
  Library library_{dir_.File("chip.db"), false};
  uint32_t top_ = 0;
  int reads_ = 0;
};

// Element (0, 0) alone becomes a single placement; LEAF keeps the shapes that reach the
// window, whole, and TOP its strip that touches it.
constexpr const char* kWindowHierarchy =
    "cell 'LEAF' box 0,0,100,100\n  index 256 count 1\n  index 512 count 1\n"
    "  shape 256: 0,0 100,0 100,100 0,100\n  shape 512: 20,20 80,20 20,80\n"
    "cell 'TOP' box -100,-100,2100,100\n  index 4194304 count 1\n  index 768 count 1\n"
    "  ref 0 at 0,0 code 0 mag 1\n  shape 768: -100,-100 2100,-100 2100,0 -100,0\n";

TEST_F(ExtractionTest, HierarchicalWindowOverAnArrayKeepsOneElementAndTheChildInTheWindow) {
  EXPECT_EQ(ExtractHierarchical(library_, top_, kWindow, kExtractGds, {}, dir_.File("hier.gds")), 2);
  EXPECT_EQ(ReadBack(dir_.File("hier.gds")), kWindowHierarchy);
  EXPECT_EQ(ExtractHierarchical(library_, top_, kWindow, kExtractOasis, {}, dir_.File("hier.oas")), 2);
  EXPECT_EQ(ReadBack(dir_.File("hier.oas")), kWindowHierarchy);
}

TEST_F(ExtractionTest, MarksOfEarlierWalksAddNoStructures) {
  // The drawing pass marks what it visits; an earlier extraction marked a wider window.
  ExtractHierarchical(library_, top_, Box(-100, -100, 5000, 5000), kExtractGds, {}, dir_.File("first.gds"));
  library_.GetCell(library_.FindIndex("OTHER"))->flags |= kCellVisited;
  // A window that reaches no placement: TOP alone, with nothing of it in the window.
  const Box strip(-100, -100, -50, -50);
  const std::string alone =
      "cell 'TOP' box -100,-100,2100,0\n  index 768 count 1\n"
      "  shape 768: -100,-100 2100,-100 2100,0 -100,0\n";
  EXPECT_EQ(ExtractHierarchical(library_, top_, strip, kExtractGds, {}, dir_.File("strip.gds")), 1);
  EXPECT_EQ(ReadBack(dir_.File("strip.gds")), alone);
  EXPECT_EQ(ExtractHierarchical(library_, top_, strip, kExtractOasis, {}, dir_.File("strip.oas")), 1);
  EXPECT_EQ(ReadBack(dir_.File("strip.oas")), alone);
}

TEST_F(ExtractionTest, GzipExactlyForTheExtensionGz) {
  const std::string packed = dir_.File("out.gds.gz"), plain = dir_.File("out.gds.GZ");
  WriteGDS(library_, {}, packed);
  ExtractFlat(library_, top_, kWindow, kExtractGds, {}, plain);
  const libtest::Bytes a = libtest::ReadBytes(packed), b = libtest::ReadBytes(plain);
  ASSERT_TRUE(a.size() >= 2 && b.size() >= 4);
  EXPECT_EQ(libtest::Bytes(a.begin(), a.begin() + 2), (libtest::Bytes{0x1f, 0x8b}));
  // A plain stream starts with its HEADER record.
  EXPECT_EQ(libtest::Bytes(b.begin(), b.begin() + 4), (libtest::Bytes{0, 6, 0, 2}));
  EXPECT_NE(ReadBack(packed).find("cell 'OTHER'"), std::string::npos);
  EXPECT_FALSE(IsGzipName("/d.gz/out"));
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
  // No zoom rectangle drawn yet: the window is the cell's box.
  const Box window = ExtractionWindow(true, Box(), library_.GetCell(top_)->box);
  ExtractFlat(library_, top_, window, kExtractGds, ExtractionLayers(library_, true), dir_.File("hidden.gds"));
  ExtractFlat(library_, top_, window, kExtractGds, {}, dir_.File("all.gds"));
  const std::string all = ReadBack(dir_.File("all.gds"));
  EXPECT_EQ(ReadBack(dir_.File("hidden.gds")), all);
  for (const char* layer : {"shape 256", "shape 512", "shape 768", "shape 1024"}) {
    EXPECT_NE(all.find(layer), std::string::npos) << layer;
  }
}

TEST_F(ExtractionTest, FailedOutputLeavesNoFileAndAnEmptyWindowStillReplacesTheOldFile) {
  std::ofstream(dir_.File("plain")) << "x";
  for (const std::string& path : {dir_.File("plain/out"), dir_.File("missing/out")}) {
    for (int type : {kExtractOasis, kExtractGds, kExtractText}) {
      EXPECT_THROW(ExtractFlat(library_, top_, kWindow, type, {}, path), Error) << path << type;
    }
    EXPECT_THROW(ExtractHierarchical(library_, top_, kWindow, kExtractGds, {}, path), Error);
    EXPECT_THROW(ExtractHierarchical(library_, top_, kWindow, kExtractOasis, {}, path), Error);
    EXPECT_THROW(WriteGDS(library_, {}, path), Error);
    EXPECT_THROW(WriteOASIS(library_, {}, path), Error);
  }
  EXPECT_FALSE(fs::exists(dir_.File("missing")));

  const std::string old = dir_.File("old.poly");
  std::ofstream(old) << "4\n0\t0\n1\t0\n1\t1\n0\t1\n";
  EXPECT_EQ(ExtractFlat(library_, top_, Box(-5000, -5000, -4000, -4000), kExtractText, {}, old), 0);
  EXPECT_EQ(fs::file_size(old), 0u);
  EXPECT_FALSE(fs::exists(old + ".tmp"));
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
