#include "canvas/view/opened_library.h"

#include <gtest/gtest.h>

#include "canvas/jobs/library_jobs.h"
#include "canvas/view/view_state.h"
#include "db/error.h"
#include "db/library.h"
#include "tests/canvas/jobs/chip_gds.h"
#include "tests/db/library_test_util.h"

namespace {

using jobstest::WriteChip;

TEST(OpenedLibrary, ImportAndLoadShowTheRootAtFullDepthWithNothingUnsaved) {
  libtest::TempDir dir;
  const std::string directory = dir.File("libs/chip.db");
  Library imported(directory, false);
  ImportLayout(LayoutFormat::kGds, WriteChip(dir), imported);
  EXPECT_TRUE(Library::DirectoryHoldsLibrary(directory));
  EXPECT_FALSE(imported.HasUnsavedChanges());
  const OpenedLibrary shown = FinishLibraryOpen(imported);
  EXPECT_EQ(shown.topCellId, imported.FindIndex("TOP"));
  EXPECT_EQ(shown.depth, int32_t(imported.depth) + 1);
  EXPECT_EQ(imported.layerMap.at((5u << 8) | 2u).colour, DefaultLayerColour(5, 2));
  EXPECT_FALSE(imported.HasUnsavedChanges());

  Library loaded(directory, false);
  loaded.Open();
  EXPECT_EQ(FinishLibraryOpen(loaded).topCellId, loaded.FindIndex("TOP"));
  EXPECT_FALSE(loaded.HasUnsavedChanges());
}

TEST(OpenedLibrary, LibraryWithoutRootsHasNoCellToShow) {
  libtest::TempDir dir;
  Library library(dir.Path(), false);
  const OpenedLibrary shown = FinishLibraryOpen(library);
  EXPECT_EQ(shown.topCellId, -1);
  EXPECT_EQ(shown.depth, 1);
}

}  // namespace
