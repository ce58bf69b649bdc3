#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

#include "formats/gds_in.h"
#include "formats/gds_records.h"
#include "tests/formats/gds_builder.h"
#include "tests/formats/gds_in_test_util.h"

namespace {

using gdstest::CountOf;
using gdstest::RunImport;

GdsBuilder WithLeaf(GdsBuilder b) {
  b.BeginStructure("A").Boundary(1, 0, {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}).EndStructure();
  return b;
}

TEST(GdsInLibrary, ThrowsTheDocumentedMessageForEachFatalCase) {
  struct Case {
    const char* what;
    GdsBuilder stream;
    std::string message;
  };
  GdsBuilder header;
  header.Int16(gds::kHeader, {600});
  GdsBuilder noName = header;
  noName.Int16(gds::kBgnLib, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
  GdsBuilder noUnits = noName;
  noUnits.String(gds::kLibName, "L").Record(gds::kMask, gds::kAscii, {'a', 'b'});
  GdsBuilder cut = GdsBuilder().LibraryHeader();
  cut.BeginStructure("A").Boundary(1, 0, {{0, 0}, {1, 0}, {1, 1}, {0, 0}});
  GdsBuilder strayRecord = WithLeaf(GdsBuilder().LibraryHeader());
  strayRecord.Int16(gds::kSpacing, {1}).EndLibrary();
  GdsBuilder self = GdsBuilder().LibraryHeader();
  self.BeginStructure("A").Sref("A", {0, 0}).EndStructure().EndLibrary();
  GdsBuilder cycle = GdsBuilder().LibraryHeader();
  cycle.BeginStructure("TOP").Sref("A", {0, 0}).EndStructure();
  cycle.BeginStructure("A").Sref("B", {0, 0}).EndStructure();
  cycle.BeginStructure("B").Sref("A", {5, 0}).EndStructure().EndLibrary();
  GdsBuilder badMag = GdsBuilder().LibraryHeader();
  badMag.BeginStructure("T").Sref("A", {0, 0}, GdsPlacement{false, -2, 0}).EndStructure();
  GdsBuilder hugeMag = GdsBuilder().LibraryHeader();
  hugeMag.BeginStructure("T").Sref("A", {0, 0}, GdsPlacement{false, 1e39, 0}).EndStructure();
  GdsBuilder colRow = GdsBuilder().LibraryHeader();
  colRow.BeginStructure("T").Aref("A", 0, 2, {0, 0}, {0, 0}, {0, 20}).EndStructure();
  GdsBuilder diagonal = GdsBuilder().LibraryHeader();
  diagonal.BeginStructure("T").Aref("A", 2, 2, {0, 0}, {20, 20}, {0, 20}).EndStructure();
  GdsBuilder onePointPath = GdsBuilder().LibraryHeader();
  onePointPath.BeginStructure("T").Path(1, 0, 10, 0, {{0, 0}}).EndStructure();
  GdsBuilder unclosed = GdsBuilder().LibraryHeader();
  unclosed.BeginStructure("T").Boundary(1, 0, {{0, 0}, {10, 0}, {10, 10}, {0, 10}}).EndStructure();
  GdsBuilder emptyName = GdsBuilder().LibraryHeader();
  emptyName.BeginStructure("").EndStructure();
  GdsBuilder emptyXy = GdsBuilder().LibraryHeader();
  emptyXy.BeginStructure("T").Record(gds::kBoundary, 0).Int16(gds::kLayer, {1}).Int16(gds::kDataType, {0});
  emptyXy.Xy({}).Record(gds::kEndEl, 0).EndStructure();
  GdsBuilder noEndEl = GdsBuilder().LibraryHeader();
  noEndEl.BeginStructure("T").Record(gds::kText, 0).Int16(gds::kLayer, {1}).Int16(gds::kTextType, {0});
  noEndEl.Xy({{0, 0}}).String(gds::kString, "x").EndStructure();
  const std::vector<Case> cases = {
      {"no header", GdsBuilder().Int16(gds::kBgnLib, {1}), "Library Header missing"},
      {"no begin", header, "Library Begin missing"},
      {"no name", noName, "Library Name missing"},
      {"mask before units", noUnits, "UNITS missing (in GDSII)"},
      {"no structure", GdsBuilder().LibraryHeader().EndLibrary(), "Empty library"},
      {"zero dbu", GdsBuilder().LibraryHeader("L", 1e-3, 0), "Invalid database unit"},
      {"coarse dbu", GdsBuilder().LibraryHeader("L", 1e-3, 1e-2), "Invalid database unit"},
      {"fine dbu", GdsBuilder().LibraryHeader("L", 1e-3, 0.99e-12), "Invalid database unit"},
      {"record between structures", strayRecord, "Unexpected record type 24 at byte 164"},
      {"self placement", self, "Recursive cell reference involving A"},
      {"cycle of two", cycle, "Recursive cell reference involving A"},
      {"negative magnification", badMag, "Invalid magnification"},
      {"magnification beyond a float", hugeMag, "Invalid magnification"},
      {"zero columns", colRow, "Array Reference has invalid COLROW 0 2"},
      {"diagonal array", diagonal, "Array Reference has unsupported arbitrary angle displacement"},
      {"path of one point", onePointPath, "Too few points in Path."},
      {"unclosed boundary", unclosed, "Last point does not match with first point in Boundary data"},
      {"empty cell name", emptyName, "Empty cell name"},
      {"xy without point", emptyXy, "XY record has no point"},
      {"element end missing", noEndEl, "Element End missing"},
      {"structure end missing", GdsBuilder(cut).Record(gds::kEndLib, 0), "Structure End record missing"},
  };
  for (const Case& c : cases) {
    libtest::TempDir dir;
    EXPECT_EQ(RunImport(dir, c.stream.bytes()).error, c.message) << c.what;
  }
}

TEST(GdsInLibrary, MissingEndsAtTheEndOfTheFileAreWarningsAndKeepTheLibrary) {
  GdsBuilder noEndLib = WithLeaf(GdsBuilder().LibraryHeader());
  GdsBuilder noEndStr = GdsBuilder().LibraryHeader();
  noEndStr.BeginStructure("A").Boundary(1, 0, {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}});
  for (const auto& [stream, warning] : std::vector<std::pair<GdsBuilder, std::string>>{
           {noEndLib, "Warning: Library End missing at the end of file\n"},
           {noEndStr, "Warning: Structure End missing at the end of file\n"}}) {
    libtest::TempDir dir;
    gdstest::Import result = RunImport(dir, stream.bytes());
    EXPECT_EQ(result.error, "");
    EXPECT_NE(result.log.find(warning), std::string::npos) << result.log;
    EXPECT_EQ(gdstest::DumpLibrary(dir.File("lib")), "cell A\n  shape 1/0: 0,0 10,0 10,10 0,10\n");
  }
}

TEST(GdsInLibrary, ReportsTheTotalsAndTheRoots) {
  libtest::TempDir dir;
  gdstest::Import result = RunImport(dir, gdstest::SampleLibrary().bytes());
  ASSERT_EQ(result.error, "");
  for (const char* line :
       {"DB unit=1.000000e-09 meter\n", "\nDefined Layers:\n  1 0\n  2 3\n  3 0\n  4 1\n\nTotal 2 cells:\n",
        "  Total 2 cells newly defined\n", "  1 texts, 1 nodes, 1 boxes, 1 properties\n",
        "  3 boundary & 1 path geometries, 1 45, 0 arbitrary angles\n",
        "  2 single & 1 arrary references (0 duplicates), 1 magnifications\n", "Hierarchy depth = 1\n",
        "  Root TOP: (-10 -10) - (3210 5405) nm\n"}) {
    EXPECT_NE(result.log.find(line), std::string::npos) << line << "\n" << result.log;
  }
}

TEST(GdsInLibrary, PositionsInMessagesFollowTheDatabaseUnit) {
  // 0.1 nm units: 10 units per nanometre, so the point (250, -250) is at (25, -25) nm.
  GdsBuilder b = GdsBuilder().LibraryHeader("L", 1e-3, 1e-10);
  b.BeginStructure("A").Boundary(1, 0, {{250, -250}, {500, -250}, {250, -250}}).EndStructure().EndLibrary();
  libtest::TempDir dir;
  gdstest::Import result = RunImport(dir, b.bytes());
  EXPECT_NE(result.log.find("Warning: point/line polygon at (25, -25)nm on layer (1 0) & cell A, skip\n"),
            std::string::npos)
      << result.log;
}

TEST(GdsInLibrary, LimitsDetailedWarningsTo21Lines) {
  GdsBuilder b = GdsBuilder().LibraryHeader();
  b.BeginStructure("A");
  for (int i = 0; i < 30; ++i) {
    b.Record(gds::kText, 0).Int16(gds::kLayer, {1}).Int16(gds::kTextType, {0}).Xy({{i, 0}});
    b.String(gds::kString, "odd", false).Record(gds::kEndEl, 0);
  }
  b.EndStructure().EndLibrary();
  libtest::TempDir dir;
  gdstest::Import result = RunImport(dir, b.bytes());
  ASSERT_EQ(result.error, "");
  const std::string warning = "Warning: GDS String is odd length, it must be even length\n";
  EXPECT_EQ(CountOf(result.log, warning), 21);
  EXPECT_EQ(CountOf(result.log, "Same warning will not be shown any more\n"), 1);
  EXPECT_EQ(result.log.find("Same warning"), result.log.rfind(warning) + warning.size());
}

TEST(GdsInLibrary, LimitsPerElementWarningsAndSaysSoInTheReport) {
  GdsBuilder b = GdsBuilder().LibraryHeader();
  b.BeginStructure("A");
  for (int i = 0; i < 25; ++i) b.Path(1, 0, 10, 1, {{0, 10 * i}, {100, 10 * i}});
  for (int i = 0; i < 25; ++i) b.Record(gds::kLibDirSize, gds::kInt16, {0, 1});
  b.EndStructure().BeginStructure("B");
  for (int i = 0; i < 25; ++i) b.Sref("A", {i, 0}, GdsPlacement{false, 3, 0});
  b.EndStructure().EndLibrary();
  libtest::TempDir dir;
  gdstest::Import result = RunImport(dir, b.bytes());
  ASSERT_EQ(result.error, "");
  EXPECT_EQ(CountOf(result.log, "Warning: Round tip path type found at"), 21);
  EXPECT_EQ(CountOf(result.log, "  It is not supported and will be redefined to square tip\n"), 21);
  EXPECT_EQ(CountOf(result.log, "Warning: Unknown Record Type 57, skipping !\n"), 21);
  EXPECT_EQ(CountOf(result.log, "  Sref magnification=3.000000 at"), 21);
  EXPECT_EQ(CountOf(result.log, "Same warning will not be shown any more\n"), 3);
  EXPECT_NE(result.log.find("  25 single & 0 arrary references (0 duplicates), 25 magnifications\n"),
            std::string::npos);
  EXPECT_NE(result.log.find("  Detailed problem reports are limited to 20 cases\n"), std::string::npos);
}

TEST(GdsInLibrary, FormatsNumbersAlikeUnderACommaDecimalLocale) {
  const char* previous = std::setlocale(LC_ALL, nullptr);
  std::string saved = previous ? previous : "C";
  ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "the de_DE.UTF-8 locale is not installed";
  GdsBuilder b = GdsBuilder().LibraryHeader();
  b.BeginStructure("A").EndStructure().BeginStructure("B").Sref("A", {0, 0}, GdsPlacement{false, 2.5, 0});
  b.EndStructure().EndLibrary();
  libtest::TempDir dir;
  gdstest::Import result = RunImport(dir, b.bytes());
  std::setlocale(LC_ALL, saved.c_str());
  EXPECT_NE(result.log.find("DB unit=1.000000e-09 meter\n"), std::string::npos) << result.log;
  EXPECT_NE(result.log.find("  Sref magnification=2.500000 at (0, 0)nm on cell A under cell B\n"), std::string::npos)
      << result.log;
}

TEST(GdsInLibrary, GzipAndPlainGiveTheSameLibrary) {
  libtest::TempDir plain, gzip;
  ASSERT_EQ(RunImport(plain, gdstest::SampleLibrary().bytes(), false).error, "");
  ASSERT_EQ(RunImport(gzip, gdstest::SampleLibrary().bytes(), true).error, "");
  std::string dump = gdstest::DumpLibrary(plain.File("lib"));
  EXPECT_NE(dump.find("cell LEAF"), std::string::npos);
  EXPECT_EQ(dump, gdstest::DumpLibrary(gzip.File("lib")));
}

TEST(GdsInLibrary, EveryPrefixOfAValidFileFailsCleanlyOrWarns) {
  const GdsBuilder::Bytes whole = gdstest::SampleLibrary().bytes();
  libtest::TempDir dir;
  for (size_t size = 0; size < whole.size(); ++size) {
    gdstest::Import result = RunImport(dir, GdsBuilder::Bytes(whole.begin(), whole.begin() + long(size)));
    if (!result.error.empty()) continue;
    // Only a cut at a record boundary after a complete structure can succeed.
    EXPECT_NE(result.log.find("missing at the end of file\n"), std::string::npos) << size;
  }
}

}  // namespace
