#include "app/core/db_unit.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "db/error.h"
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

// The unit of a library read back after saving, after a GDSII and after an OASIS export.
struct UnitsReadBack {
  double reopened = 0, gds = 0, oasis = 0;
};

UnitsReadBack ReadBack(const libtest::TempDir& dir, double nmPerUnit) {
  for (const char* folder : {"lib", "gds", "oas"}) std::filesystem::create_directories(dir.File(folder));
  {
    Library lib(dir.File("lib"), false);
    libtest::BuildSampleLibrary(lib);
    ApplyDbUnit(lib, nmPerUnit);
    lib.Save();
  }
  UnitsReadBack units;
  Library lib(dir.File("lib"), false);
  lib.Open();
  units.reopened = lib.dbUnit;
  GdsOut(dir.File("out.gds"), false).WriteLibrary(lib);
  OasisOut oasis;
  oasis.OpenForWrite(dir.File("out.oas"), lib);
  oasis.WriteLibrary();
  Library gds(dir.File("gds"), false);
  GdsIn(dir.File("out.gds").c_str(), false).ReadLibrary(gds);
  units.gds = gds.dbUnit;
  Library fromOasis(dir.File("oas"), false);
  OasisIn().ReadLibrary(dir.File("out.oas"), fromOasis);
  units.oasis = fromOasis.dbUnit;
  return units;
}

TEST(DbUnit, BothEndsOfTheRangeSaveReopenAndReadBackFromBothExports) {
  testing::internal::CaptureStdout();
  for (const auto& [nmPerUnit, metres] : {std::pair{0.001, 1e-12}, std::pair{1e6, 1e-3}}) {
    libtest::TempDir dir;
    const UnitsReadBack units = ReadBack(dir, nmPerUnit);
    EXPECT_EQ(units.reopened, metres);
    EXPECT_EQ(units.gds, metres);
    EXPECT_EQ(units.oasis, metres);
  }
  // A unit beyond the range, as an older library may hold it, is exported by neither writer.
  libtest::TempDir dir;
  Library lib(dir.File("lib"), false);
  libtest::BuildSampleLibrary(lib);
  lib.dbUnit = 1e-300;
  EXPECT_THROW(GdsOut(dir.File("out.gds"), false).WriteLibrary(lib), Error);
  OasisOut oasis;
  oasis.OpenForWrite(dir.File("out.oas"), lib);
  EXPECT_THROW(oasis.WriteLibrary(), Error);
  testing::internal::GetCapturedStdout();
  EXPECT_FALSE(std::filesystem::exists(dir.File("out.gds")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("out.oas")));
}

}  // namespace
