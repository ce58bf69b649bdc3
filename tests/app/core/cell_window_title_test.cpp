#include "app/core/cell_window_title.h"

#include <gtest/gtest.h>

TEST(CellWindowTitle, ADirectoryGainsTheCellAndAFileLosesItsLastComponent) {
  EXPECT_EQ(CellWindowTitle("/work/chip.db", true, "inv"), "/work/chip.db/inv");
  EXPECT_EQ(CellWindowTitle("/work/chip.db/", true, "inv"), "/work/chip.db/inv");
  EXPECT_EQ(CellWindowTitle("/work/chip.db/top", false, "inv"), "/work/chip.db/inv");
  EXPECT_EQ(CellWindowTitle("chip.gds", false, "inv"), "inv");
}
