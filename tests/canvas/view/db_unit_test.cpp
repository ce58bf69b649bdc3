#include "canvas/view/db_unit.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "db/error.h"
#include "db/layout_limits.h"
#include "db/library.h"
#include "formats/gds_in.h"
#include "formats/gds_out.h"
#include "formats/oasis_in.h"
#include "formats/oasis_out.h"
#include "tests/db/library_test_util.h"

namespace {

TEST(DbUnit, OnlyAUnitFromOnePicometreToOneMillimetreIsTakenAndSetsInfoDue) {
  EXPECT_EQ(ParseDbUnit(" 0.25 "), 0.25);
  // Each end of the range, and a step beyond it, in nanometres.
  EXPECT_EQ(ParseDbUnit("0.001"), 0.001);
  EXPECT_EQ(ParseDbUnit("1e6"), 1e6);
  for (const char* bad : {"", "  ", "abc", "0", "-1", "-0", "inf", "nan", "1e400", "2 nm", "0.000999", "1000001",
                          "1e-300", "1e-320", "1e300"}) {
    EXPECT_EQ(ParseDbUnit(bad), std::nullopt) << bad;
  }
  Library lib("/nonexistent", false);
  ApplyDbUnit(lib, 0.25);
  EXPECT_EQ(lib.unitsPerNm, 4.0);
  EXPECT_DOUBLE_EQ(lib.dbUnit, 0.25e-9);
  EXPECT_EQ(lib.flags, kLibInfoDirty);
  // Within single-precision epsilon of a round value it snaps to it.
  ApplyDbUnit(lib, 1.0 / 0.99999999);
  EXPECT_EQ(lib.dbUnit, 1e-9);
}

// Each end of the range saves and reopens, and reads back from both exports; a unit beyond it,
// as an older library may hold, is exported by neither writer.
TEST(DbUnit, BothEndsOfTheRangeSaveReopenAndReadBackFromBothExports) {
  testing::internal::CaptureStdout();
  for (const auto& [nmPerUnit, metres] : {std::pair{0.001, 1e-12}, std::pair{1e6, 1e-3}, std::pair{1.0, 1e-300}}) {
    libtest::TempDir dir;
    for (const char* folder : {"lib", "gds", "oas"}) std::filesystem::create_directories(dir.File(folder));
    Library lib(dir.File("lib"), false);
    libtest::BuildSampleLibrary(lib);
    ApplyDbUnit(lib, nmPerUnit);
    OasisOut oasis;
    if (metres < kSmallestDbUnit) {
      lib.dbUnit = metres;
      oasis.OpenForWrite(dir.File("out.oas"), lib);
      EXPECT_THROW(GdsOut(dir.File("out.gds"), false).WriteLibrary(lib), Error);
      EXPECT_THROW(oasis.WriteLibrary(), Error);
      EXPECT_FALSE(std::filesystem::exists(dir.File("out.gds")) || std::filesystem::exists(dir.File("out.oas")));
      continue;
    }
    lib.Save();
    Library reopened(dir.File("lib"), false);
    reopened.Open();
    GdsOut(dir.File("out.gds"), false).WriteLibrary(reopened);
    oasis.OpenForWrite(dir.File("out.oas"), reopened);
    oasis.WriteLibrary();
    Library gds(dir.File("gds"), false), fromOasis(dir.File("oas"), false);
    GdsIn(dir.File("out.gds").c_str(), false).ReadLibrary(gds);
    OasisIn().ReadLibrary(dir.File("out.oas"), fromOasis);
    EXPECT_EQ(std::vector<double>({reopened.dbUnit, gds.dbUnit, fromOasis.dbUnit}), std::vector<double>(3, metres));
  }
  testing::internal::GetCapturedStdout();
}

}  // namespace
