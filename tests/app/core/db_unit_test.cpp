#include "app/core/db_unit.h"

#include <gtest/gtest.h>

#include "db/library.h"

namespace {

TEST(DbUnit, OnlyAFinitePositiveUnitIsTakenAndSetsInfoDue) {
  EXPECT_EQ(ParseDbUnit(" 0.25 "), 0.25);
  for (const char* bad : {"", "  ", "abc", "0", "-1", "-0", "inf", "nan", "1e400", "2 nm"}) {
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

}  // namespace
