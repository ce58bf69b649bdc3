#include "canvas/view/opened_library.h"

#include <gtest/gtest.h>

#include "canvas/jobs/library_jobs.h"
#include "canvas/view/view_state.h"
#include "db/error.h"
#include "db/library.h"
#include "tests/db/library_test_util.h"
#include "tests/formats/gds_builder.h"

namespace {

// The library bits that count as unsaved changes.
constexpr uint32_t kChangeBits = kLibInfoDirty | kLibNamesDirty | kLibCellsChanged | kLibTextsDirty | kLibHierarchyDirty;

std::string WriteChip(const libtest::TempDir& dir) {
  const std::string path = dir.File("chip.gds");
  GdsBuilder()
      .LibraryHeader()
      .BeginStructure("LEAF")
      .Boundary(5, 2, {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}})
      .EndStructure()
      .BeginStructure("TOP")
      .Boundary(1, 0, {{0, 0}, {400, 0}, {400, 300}, {0, 300}, {0, 0}})
      .Sref("LEAF", {50, 50})
      .EndStructure()
      .EndLibrary()
      .WriteTo(path);
  return path;
}

TEST(OpenedLibrary, ImportAndLoadShowTheRootAtFullDepthWithNothingUnsaved) {
  libtest::TempDir dir;
  const std::string directory = dir.File("libs/chip.db");
  Library imported(directory, false);
  ImportLayout(LayoutFormat::kGds, WriteChip(dir), imported);
  EXPECT_TRUE(Library::DirectoryHoldsLibrary(directory));
  EXPECT_EQ(imported.flags & kChangeBits, 0u);
  const OpenedLibrary shown = FinishLibraryOpen(imported);
  EXPECT_EQ(shown.topCellId, imported.FindIndex("TOP"));
  EXPECT_EQ(shown.depth, int32_t(imported.depth) + 1);
  EXPECT_EQ(imported.layerMap.at((5u << 8) | 2u).colour, DefaultLayerColour(5, 2));
  EXPECT_EQ(imported.flags & kChangeBits, 0u);

  Library loaded(directory, false);
  loaded.Open();
  EXPECT_EQ(FinishLibraryOpen(loaded).topCellId, loaded.FindIndex("TOP"));
  EXPECT_EQ(loaded.flags & kChangeBits, 0u);
}

TEST(OpenedLibrary, LibraryWithoutRootsHasNoCellToShow) {
  libtest::TempDir dir;
  Library library(dir.Path(), false);
  const OpenedLibrary shown = FinishLibraryOpen(library);
  EXPECT_EQ(shown.topCellId, -1);
  EXPECT_EQ(shown.depth, 1);
}

}  // namespace
