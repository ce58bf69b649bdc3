#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "db/library.h"
#include "formats/gds_in.h"
#include "formats/gds_out.h"
#include "formats/gds_records.h"
#include "formats/oasis_in.h"
#include "formats/oasis_out.h"
#include "tests/formats/gds_builder.h"
#include "tests/formats/gds_in_test_util.h"

namespace {

using gdstest::RunImport;

// The placements of the named cell of the library imported into dir, as copies.
std::vector<ARef> PlacementsOf(const libtest::TempDir& dir, const std::string& cell) {
  Library lib(dir.File("lib"), false);
  lib.Open();
  Cell& c = *lib.cells[size_t(lib.FindIndex(cell))];
  lib.LoadCell(c, true);
  std::vector<ARef> out;
  for (const SRef* ref : gdstest::Placements(c)) {
    out.push_back(ref->IsArray() ? *static_cast<const ARef*>(ref) : ARef(*ref));
  }
  return out;
}

GdsBuilder& Leaf(GdsBuilder& b) {
  return b.BeginStructure("A").Boundary(1, 0, {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}).EndStructure();
}

TEST(GdsInElements, StoresEveryElementKind) {
  libtest::TempDir dir;
  ASSERT_EQ(RunImport(dir, gdstest::SampleLibrary().bytes()).error, "");
  EXPECT_EQ(gdstest::DumpLibrary(dir.File("lib")),
            "cell LEAF\n"
            "  shape 1/0: 0,0 100,0 100,50 0,50\n"
            "  shape 2/3: 0,0 60,0 0,60\n"
            "  shape 3/0: -5,-5 205,-5 205,105 195,105 195,5 -5,5\n"
            "  text 4/1 5,5 'pin'\n"
            "cell TOP\n"
            "  ref LEAF at 0,5000 code 0 mag 1 array 3x2 pitch 300,300\n"
            "  ref LEAF at 1000,0 code 0 mag 1\n"
            "  ref LEAF at 3000,0 code 7 mag 2\n"
            "  shape 1/0: -10,-10 10,-10 10,10 -10,10\n");
}

TEST(GdsInElements, MapsStransAngleAndMagnificationToOrientationCodes) {
  struct Angle {
    double degrees;
    int quarter;  // snapped angle / 90
    bool reported;
  };
  const std::vector<Angle> angles = {{0, 0, false},  {45, 0, true},   {46, 1, true},   {89.6, 1, false},
                                     {91, 1, false}, {180, 2, false}, {270, 3, false}, {-90, 3, false}};
  // Rotation by the quarter turns, after a reflection about the x axis when reflected.
  const int plain[4] = {0, 1, 2, 3}, reflected[4] = {6, 7, 4, 5};
  GdsBuilder b = GdsBuilder().LibraryHeader();
  Leaf(b);
  int serial = 0;
  for (bool reflect : {false, true}) {
    for (const Angle& angle : angles) {
      for (double mag : {1.0, 2.0}) {
        b.BeginStructure("T" + std::to_string(serial++)).Sref("A", {7, 9}, GdsPlacement{reflect, mag, angle.degrees});
        b.EndStructure();
      }
    }
  }
  b.EndLibrary();
  libtest::TempDir dir;
  gdstest::Import result = RunImport(dir, b.bytes());
  ASSERT_EQ(result.error, "");
  serial = 0;
  for (bool reflect : {false, true}) {
    for (const Angle& angle : angles) {
      for (double mag : {1.0, 2.0}) {
        std::string cell = "T" + std::to_string(serial++);
        std::vector<ARef> refs = PlacementsOf(dir, cell);
        ASSERT_EQ(refs.size(), 1u) << cell;
        EXPECT_EQ(refs[0].orientation, (reflect ? reflected : plain)[angle.quarter]) << cell;
        EXPECT_EQ(refs[0].magnification, float(mag)) << cell;
        int rounded = (int(angle.degrees + 360.5)) % 360;
        std::string warning = "Warning: Arbitrary angle " + std::to_string(rounded) +
                              " changed to manhattan angle\n  cell A under cell " + cell + " at (7, 9)nm\n";
        EXPECT_EQ(result.log.find(warning) != std::string::npos, angle.reported) << cell;
        std::string magnified = "  Sref magnification=2.000000 at (7, 9)nm on cell A under cell " + cell + "\n";
        EXPECT_EQ(result.log.find(magnified) != std::string::npos, mag != 1) << cell;
      }
    }
  }
}

TEST(GdsInElements, ArraysKeepTheFileLatticeInEveryOrientation) {
  const Point p0(1000, 2000);
  const int columns = 3, rows = 2;
  struct Lattice {
    Point column, row;
  };
  const std::vector<Lattice> lattices = {{{100, 0}, {0, 70}}, {{0, 100}, {-70, 0}}, {{-40, 0}, {0, -30}}};
  GdsBuilder b = GdsBuilder().LibraryHeader();
  Leaf(b);
  int serial = 0;
  for (int code = 0; code < 8; ++code) {
    GdsPlacement t{code >= 4, 1, 90.0 * (code % 4)};
    for (const Lattice& l : lattices) {
      Point p1(p0.x + columns * l.column.x, p0.y + columns * l.column.y);
      Point p2(p0.x + rows * l.row.x, p0.y + rows * l.row.y);
      b.BeginStructure("T" + std::to_string(serial++)).Aref("A", columns, rows, p0, p1, p2, t).EndStructure();
    }
  }
  b.EndLibrary();
  libtest::TempDir dir;
  ASSERT_EQ(RunImport(dir, b.bytes()).error, "");
  serial = 0;
  const int codes[8] = {0, 1, 2, 3, 6, 7, 4, 5};
  for (int code = 0; code < 8; ++code) {
    for (const Lattice& l : lattices) {
      std::string cell = "T" + std::to_string(serial++);
      std::vector<ARef> refs = PlacementsOf(dir, cell);
      ASSERT_EQ(refs.size(), 1u) << cell;
      const ARef& ref = refs[0];
      EXPECT_EQ(ref.orientation, codes[code]) << cell;
      std::multiset<std::pair<int, int>> expected, got;
      for (int i = 0; i < columns; ++i) {
        for (int j = 0; j < rows; ++j)
          expected.insert({p0.x + i * l.column.x + j * l.row.x, p0.y + i * l.column.y + j * l.row.y});
      }
      for (int c = 0; c < ref.columns; ++c) {
        for (int r = 0; r < ref.rows; ++r) {
          Trans t;
          ref.ElementTrans(c, r, t);
          got.insert({t.x, t.y});
        }
      }
      EXPECT_EQ(got, expected) << cell;
    }
  }
}

TEST(GdsInElements, DropsOnlyPlacementsThatAreEqualInEveryField) {
  GdsBuilder b = GdsBuilder().LibraryHeader();
  Leaf(b).BeginStructure("T");
  b.Sref("A", {0, 0}).Sref("A", {0, 0}).Sref("A", {0, 0}, GdsPlacement{false, 2, 0}).Sref("A", {5, 0});
  b.Aref("A", 1, 1, {0, 0}, {0, 0}, {0, 0});
  b.EndStructure().EndLibrary();
  libtest::TempDir dir;
  gdstest::Import result = RunImport(dir, b.bytes());
  ASSERT_EQ(result.error, "");
  EXPECT_NE(result.log.find("  5 single & 0 arrary references (2 duplicates), 1 magnifications\n"), std::string::npos)
      << result.log;
  EXPECT_EQ(PlacementsOf(dir, "T").size(), 3u);
}

TEST(GdsInElements, LaterDefinitionsReplaceEarlierOnesAndPlaceholdersStayEmpty) {
  GdsBuilder b = GdsBuilder().LibraryHeader();
  b.BeginStructure("A").Sref("GHOST", {0, 0}).Boundary(1, 0, {{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0}});
  b.EndStructure();
  b.BeginStructure("T").Sref("A", {0, 0}).Sref("LATER", {1, 1}).EndStructure();
  b.BeginStructure("A").Boundary(2, 0, {{0, 0}, {8, 0}, {8, 8}, {0, 8}, {0, 0}}).EndStructure();
  b.BeginStructure("LATER").Text(3, 0, {0, 0}, "").EndStructure().EndLibrary();
  libtest::TempDir dir;
  gdstest::Import result = RunImport(dir, b.bytes());
  ASSERT_EQ(result.error, "");
  EXPECT_NE(result.log.find("\nTotal 4 cells:\n  Total 3 cells newly defined and 1 cells redefined\n"),
            std::string::npos)
      << result.log;
  EXPECT_EQ(gdstest::DumpLibrary(dir.File("lib")),
            "cell A\n  shape 2/0: 0,0 8,0 8,8 0,8\n"
            "cell GHOST\n"
            "cell LATER\n  text 3/0 0,0 '0'\n"
            "cell T\n  ref A at 0,0 code 0 mag 1\n  ref LATER at 1,1 code 0 mag 1\n");
}

TEST(GdsInElements, BoxesAndParentsComeFromTheLatestPlacementsOfCellsWrittenBeforeTheirChildren) {
  GdsBuilder b = GdsBuilder().LibraryHeader();
  GdsPlacement doubled;
  doubled.magnification = 2;
  // TOP and B are written before LEAF exists; B's second definition replaces its placement.
  b.BeginStructure("TOP").Sref("B", {100, 0}).Aref("LEAF", 3, 2, {0, -100}, {60, -100}, {0, -40}, doubled);
  b.EndStructure();
  b.BeginStructure("B").Sref("LEAF", {0, 0}).EndStructure();
  b.BeginStructure("B").Sref("LEAF", {50, 50}).EndStructure();
  b.BeginStructure("LEAF").Boundary(1, 0, {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}).EndStructure().EndLibrary();
  libtest::TempDir dir;
  ASSERT_EQ(RunImport(dir, b.bytes()).error, "");
  Library lib(dir.File("lib"), false);
  lib.Open();
  auto cellBox = [&](const char* name) { return lib.cells[size_t(lib.FindIndex(name))]->box; };
  EXPECT_EQ(cellBox("B"), Box(50, 50, 60, 60));
  EXPECT_EQ(cellBox("TOP"), Box(0, -100, 160, 60));
  std::ifstream in(dir.File("lib") + "/parents");
  std::string parents((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(parents.find("B 1\n  TOP\n"), std::string::npos) << parents;
  EXPECT_NE(parents.find("LEAF 2\n"), std::string::npos) << parents;
}

TEST(GdsInElements, SkipsElementsOnLayersThatCannotBeKeyed) {
  GdsBuilder b = GdsBuilder().LibraryHeader();
  b.BeginStructure("A").Boundary(0x4000, 0, {{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0}});
  b.Text(5, 0, {0, 0}, "a").Boundary(1, 0, {{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0}});
  b.Record(gds::kText, 0).Int16(gds::kLayer, {7}).Int16(gds::kTextType, {300}).Xy({{3, 4}});
  b.String(gds::kString, "b").Record(gds::kEndEl, 0).EndStructure().EndLibrary();
  libtest::TempDir dir;
  gdstest::Import result = RunImport(dir, b.bytes());
  ASSERT_EQ(result.error, "");
  EXPECT_NE(result.log.find("Warning: layer (16384 0) out of range at (0, 0)nm & cell A, skip\n"), std::string::npos);
  EXPECT_NE(result.log.find("Warning: layer (7 300) out of range at (3, 4)nm & cell A, skip\n"), std::string::npos);
  EXPECT_NE(
      result.log.find("references (0 duplicates), 0 magnifications\n  2 elements on unsupported layers skipped\n"),
      std::string::npos)
      << result.log;
  EXPECT_EQ(gdstest::DumpLibrary(dir.File("lib")), "cell A\n  shape 1/0: 0,0 4,0 4,4 0,4\n  text 5/0 0,0 'a'\n");
}

TEST(GdsInElements, WarnsAndSkipsDegenerateBoundaries) {
  GdsBuilder b = GdsBuilder().LibraryHeader();
  b.BeginStructure("A").Boundary(1, 0, {{0, 0}, {5, 0}, {10, 0}, {0, 0}});
  b.Boundary(1, 0, {{0, 0}, {0, 0}, {10, 0}, {10, 10}, {10, 10}, {0, 10}, {0, 0}}).EndStructure().EndLibrary();
  libtest::TempDir dir;
  gdstest::Import result = RunImport(dir, b.bytes());
  ASSERT_EQ(result.error, "");
  EXPECT_NE(result.log.find("Warning: point/line polygon at (0, 0)nm on layer (1 0) & cell A, skip\n"),
            std::string::npos);
  EXPECT_NE(result.log.find("1 problem polygons in cell A\n"), std::string::npos);
  EXPECT_EQ(gdstest::DumpLibrary(dir.File("lib")), "cell A\n  shape 1/0: 0,0 10,0 10,10 0,10\n");
}

TEST(GdsInElements, ControlCharactersInNamesAreReplacedUniquelyAndTextsKeepThem) {
  // "A\nB" beside "A B" (newline_names_gds.py), and "A_B" of the file before or after it.
  for (bool fileNameFirst : {false, true}) {
    GdsBuilder b = GdsBuilder().LibraryHeader();
    auto square = [&b](const char* name, int32_t side) {
      b.BeginStructure(name).Boundary(1, 0, {{0, 0}, {side, 0}, {side, side}, {0, side}, {0, 0}}).EndStructure();
    };
    if (fileNameFirst) square("A_B", 30);
    b.BeginStructure("TOP").Sref("A B", {0, 0}).Sref("A\nB", {100, 0}).Text(1, 0, {0, 0}, "x\r\ny").EndStructure();
    square("A B", 10);
    square("A\nB", 20);
    if (!fileNameFirst) square("A_B", 30);
    libtest::TempDir dir;
    gdstest::Import result = RunImport(dir, b.EndLibrary().bytes());
    ASSERT_EQ(result.error, "");
    EXPECT_NE(result.log.find("  1 cell names with control characters replaced\n"), std::string::npos);
    const std::string expected =
        "cell A B\n  shape 1/0: 0,0 10,0 10,10 0,10\n"
        "cell A_B\n  shape 1/0: 0,0 30,0 30,30 0,30\n"
        "cell A_B_1\n  shape 1/0: 0,0 20,0 20,20 0,20\n"
        "cell TOP\n  ref A B at 0,0 code 0 mag 1\n  ref A_B_1 at 100,0 code 0 mag 1\n  text 1/0 0,0 'x\r\ny'\n";
    EXPECT_EQ(gdstest::DumpLibrary(dir.File("lib")), expected) << fileNameFirst;
    // Both exports write the names and the text so that they read back unchanged.
    testing::internal::CaptureStdout();
    Library lib(dir.File("lib"), false);
    lib.Open();
    GdsOut(dir.File("out.gds"), false).WriteLibrary(lib);
    OasisOut oasis;
    oasis.OpenForWrite(dir.File("out.oas"), lib);
    oasis.WriteLibrary();
    for (const char* back : {"gds", "oas"}) std::filesystem::create_directories(dir.File(back));
    Library fromGds(dir.File("gds"), false), fromOasis(dir.File("oas"), false);
    GdsIn(dir.File("out.gds").c_str(), false).ReadLibrary(fromGds);
    OasisIn().ReadLibrary(dir.File("out.oas"), fromOasis);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(gdstest::DumpLibrary(dir.File("gds")), expected);
    EXPECT_EQ(gdstest::DumpLibrary(dir.File("oas")), expected);
  }
}

TEST(GdsInElements, BoundariesReadTheSameWhateverTheLayoutOfTheirRecords) {
  // A rectangle written from its top right corner, a polygon with a collinear vertex, and a
  // rectangle of zero height, which is skipped.
  const std::vector<std::vector<Point>> rings = {
      {{10, 5}, {-3, 5}, {-3, -2}, {10, -2}, {10, 5}},
      {{0, 0}, {50, 0}, {100, 0}, {100, 40}, {0, 0}},
      {{0, 0}, {10, 0}, {10, 0}, {0, 0}, {0, 0}},
  };
  struct Layout {
    const char* name;
    std::function<void(GdsBuilder&, const std::vector<Point>&)> write;
    const char* warning;
  };
  const Layout layouts[] = {
      {"plain", [](GdsBuilder& b, const std::vector<Point>& r) { b.Boundary(7, 2, r); }, nullptr},
      {"flags and plex first",
       [](GdsBuilder& b, const std::vector<Point>& r) {
         b.Record(gds::kBoundary, gds::kNoData).Int16(gds::kElFlags, {0}).Int32(gds::kPlex, {5});
         b.Int16(gds::kLayer, {7}).Int16(gds::kDataType, {2}).Xy(r).Record(gds::kEndEl, gds::kNoData);
       },
       nullptr},
      {"long layer record",
       [](GdsBuilder& b, const std::vector<Point>& r) {
         b.Record(gds::kBoundary, gds::kNoData).Int16(gds::kLayer, {7, 99}).Int16(gds::kDataType, {2});
         b.Xy(r).Record(gds::kEndEl, gds::kNoData);
       },
       "Warning: Record 13 has length 8, expected 6, extra data skipped\n"},
      {"unknown record before XY",
       [](GdsBuilder& b, const std::vector<Point>& r) {
         b.Record(gds::kBoundary, gds::kNoData).Int16(gds::kLayer, {7}).Int16(gds::kDataType, {2});
         b.Record(60, gds::kNoData).Xy(r).Record(gds::kEndEl, gds::kNoData);
       },
       "Warning: Unknown Record Type 60, skipping !\n"},
      {"property behind XY",
       [](GdsBuilder& b, const std::vector<Point>& r) {
         b.Record(gds::kBoundary, gds::kNoData).Int16(gds::kLayer, {7}).Int16(gds::kDataType, {2}).Xy(r);
         b.Int16(gds::kPropAttr, {1}).String(gds::kPropValue, "p").Record(gds::kEndEl, gds::kNoData);
       },
       nullptr},
  };
  for (const Layout& layout : layouts) {
    SCOPED_TRACE(layout.name);
    GdsBuilder b = GdsBuilder().LibraryHeader();
    b.BeginStructure("A");
    for (const std::vector<Point>& ring : rings) layout.write(b, ring);
    b.EndStructure().EndLibrary();
    libtest::TempDir dir;
    gdstest::Import result = RunImport(dir, b.bytes());
    ASSERT_EQ(result.error, "");
    EXPECT_EQ(gdstest::DumpLibrary(dir.File("lib")),
              "cell A\n"
              "  shape 7/2: -3,-2 10,-2 10,5 -3,5\n"
              "  shape 7/2: 0,0 100,0 100,40\n");
    EXPECT_EQ(gdstest::CountOf(result.log, "Warning: point/line polygon at (0, 0)nm on layer (7 2) & cell A, skip\n"),
              1);
    if (layout.warning) {
      EXPECT_EQ(gdstest::CountOf(result.log, layout.warning), 3);
    }
  }
}

std::string PointsText(const std::vector<Point>& points) {
  std::string text;
  for (const Point& p : points) text += " " + std::to_string(p.x) + "," + std::to_string(p.y);
  return text;
}

TEST(GdsInElements, ReadsRecordsThatStraddleTheReadBufferAnywhere) {
  // A cell of several read buffers' worth of boundaries: rectangles written from any corner in
  // either direction, and staircases whose XY records are close to the largest a record holds.
  std::mt19937 random(5);
  GdsBuilder body;
  std::vector<std::string> lines;
  for (int i = 0; i < 12000; ++i) {
    std::vector<Point> ring;
    if (i % 1000 == 0) {
      const int32_t steps = 3000, step = 7, x = int32_t(random() % 1000), y = int32_t(random() % 1000);
      ring = {{x, y}, {x + steps * step, y}};
      for (int32_t k = steps; k >= 1; --k) {
        int32_t top = y + (steps - k + 1) * step;
        ring.push_back({x + k * step, top});
        ring.push_back({x + (k - 1) * step, top});
      }
    } else {
      int32_t x1 = int32_t(random() % 2000001) - 1000000, y1 = int32_t(random() % 2000001) - 1000000;
      int32_t x2 = x1 + 1 + int32_t(random() % 5000), y2 = y1 + 1 + int32_t(random() % 5000);
      ring = {{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}};
    }
    lines.push_back("  shape 1/0:" + PointsText(ring) + "\n");
    if (ring.size() == 4) {
      std::rotate(ring.begin(), ring.begin() + random() % 4, ring.end());
      if (random() & 1) std::reverse(ring.begin(), ring.end());
    }
    ring.push_back(ring.front());
    body.Boundary(1, 0, ring);
  }
  std::sort(lines.begin(), lines.end());
  std::string expected = "cell TOP\n";
  for (const std::string& line : lines) expected += line;
  // A text in front of the cell moves every record against the ends of the buffer.
  for (size_t shift : {2, 6, 12}) {
    GdsBuilder b = GdsBuilder().LibraryHeader();
    b.BeginStructure("PAD").Text(2, 0, {0, 0}, std::string(shift, 'p')).EndStructure();
    b.BeginStructure("TOP").Raw(body.bytes()).EndStructure().EndLibrary();
    libtest::TempDir dir;
    ASSERT_EQ(RunImport(dir, b.bytes()).error, "");
    std::string dump = gdstest::DumpLibrary(dir.File("lib"));
    EXPECT_TRUE(dump.size() > expected.size() &&
                dump.compare(dump.size() - expected.size(), std::string::npos, expected) == 0)
        << "shift " << shift;
  }
}

}  // namespace

TEST(GdsInElements, ShapesTheLibraryCannotHoldAreSkippedWithAWarning) {
  // The rectangle of wide_box_gds.py, wider than 2^31 - 1, and a path whose outline would leave
  // the range.
  GdsBuilder b = GdsBuilder().LibraryHeader();
  b.BeginStructure("TOP").Boundary(
      1, 0, {{-1234567, -7}, {2147483000, -7}, {2147483000, 99}, {-1234567, 99}, {-1234567, -7}});
  b.Path(2, 0, 200, 2, {{2147483400, 0}, {2147483500, 0}});
  b.Boundary(1, 0, {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}).EndStructure().EndLibrary();
  libtest::TempDir dir;
  gdstest::Import result = RunImport(dir, b.bytes());
  ASSERT_EQ(result.error, "");
  EXPECT_EQ(gdstest::DumpLibrary(dir.File("lib")), "cell TOP\n  shape 1/0: 0,0 10,0 10,10 0,10\n");
  for (const char* warning :
       {"Warning: shape beyond the 32-bit coordinate range at (-1234567, -7)nm on layer (1 0) & cell TOP, skip\n",
        "Warning: shape beyond the 32-bit coordinate range at (2147483400, 0)nm on layer (2 0) & cell TOP, skip\n",
        "  2 shapes beyond the coordinate range skipped\n"}) {
    EXPECT_NE(result.log.find(warning), std::string::npos) << warning << result.log;
  }
}

TEST(GdsInElements, MagnificationsOfAFloatReadBackFromAnOasisExport) {
  // mag_1e31_gds.py: within the float, and so within what both readers take.
  GdsBuilder b = GdsBuilder().LibraryHeader();
  Leaf(b).BeginStructure("TOP").Sref("A", {0, 0}, GdsPlacement{false, 1e31, 0}).EndStructure().EndLibrary();
  libtest::TempDir dir;
  ASSERT_EQ(RunImport(dir, b.bytes()).error, "");
  testing::internal::CaptureStdout();
  Library lib(dir.File("lib"), false);
  lib.Open();
  OasisOut out;
  out.OpenForWrite(dir.File("out.oas"), lib);
  out.WriteLibrary();
  std::filesystem::create_directories(dir.File("back"));
  Library back(dir.File("back"), false);
  OasisIn().ReadLibrary(dir.File("out.oas"), back);
  testing::internal::GetCapturedStdout();
  Cell& top = *back.cells[size_t(back.FindIndex("TOP"))];
  back.LoadCell(top, true);
  ASSERT_EQ(gdstest::Placements(top).size(), 1u);
  EXPECT_EQ(gdstest::Placements(top)[0]->magnification, 1e31f);
}
