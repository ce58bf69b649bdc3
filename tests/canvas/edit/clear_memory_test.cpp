#include "canvas/edit/clear_memory.h"

#include <gtest/gtest.h>

#include "canvas/edit/edit_state.h"
#include "db/cell.h"
#include "tests/canvas/edit/view_test_library.h"

namespace {

TEST(ClearMemory, KeepsShownModifiedAndUnsavedCellsAndUnloadsTheRest) {
  libtest::TempDir dir;
  auto library = viewtest::OpenViewLibrary(dir);
  const uint32_t top = uint32_t(library->FindIndex("TOP"));
  Cell& leaf = *library->GetCell(library->FindIndex("LEAF"));
  Cell& other = *library->GetCell(library->FindIndex("OTHER"));
  for (Cell* cell : {library->GetCell(top), &leaf, &other}) library->LoadCell(*cell, true);
  other.flags |= kCellModified;
  // A cell made in memory and never saved has nowhere to be read back from.
  const uint32_t fresh = library->CreateCell("FRESH");
  library->GetCell(fresh)->AddBox(Box(0, 0, 10, 10), viewtest::kBoxLayer);
  leaf.flags |= 0x4000;
  const uint64_t generation = library->editGeneration;

  EXPECT_EQ(ClearMemory(*library, {top}), 1);
  EXPECT_FALSE(leaf.loaded);
  EXPECT_TRUE(leaf.layers.empty() && leaf.shapes.empty());
  EXPECT_EQ(leaf.flags & 0x4000, 0);
  EXPECT_NE(library->editGeneration, generation);
  for (uint32_t kept : {top, uint32_t(library->FindIndex("OTHER")), fresh}) {
    EXPECT_FALSE(library->GetCell(kept)->shapes.empty()) << library->GetCell(kept)->Name();
  }

  // The unloaded cell reads back as it was.
  library->LoadCell(leaf, true);
  ASSERT_EQ(leaf.shapes.count(viewtest::kLeafLayer), 1u);
  EXPECT_EQ(leaf.shapes.at(viewtest::kLeafLayer).Count(), 1u);
  EXPECT_EQ(ClearMemory(*library, {top, uint32_t(library->FindIndex("LEAF"))}), 0);
}

TEST(ClearMemoryKeep, CellsThatAreNotLoadedOrHaveNoProperBoxStay) {
  libtest::TempDir dir;
  auto library = viewtest::OpenViewLibrary(dir);
  Cell& leaf = *library->GetCell(library->FindIndex("LEAF"));
  EXPECT_TRUE(ClearMemoryKeep(leaf, false));
  library->LoadCell(leaf, true);
  EXPECT_FALSE(ClearMemoryKeep(leaf, false));
  EXPECT_TRUE(ClearMemoryKeep(leaf, true));
  const Box proper = leaf.box;
  leaf.box = Box(proper.x1, proper.y1, proper.x2, proper.y1);
  EXPECT_TRUE(ClearMemoryKeep(leaf, false));
  leaf.box = Box(proper.x1, proper.y1, proper.x1, proper.y2);
  EXPECT_TRUE(ClearMemoryKeep(leaf, false));
}

}  // namespace
