#include "canvas/view/clear_memory.h"

#include <gtest/gtest.h>

#include "tests/canvas/view/view_test_library.h"

namespace {

TEST(ClearMemory, KeepsShownModifiedUnsavedAndBoxlessCellsAndUnloadsTheRest) {
  libtest::TempDir dir;
  auto library = viewtest::OpenViewLibrary(dir);
  const uint32_t top = uint32_t(library->FindIndex("TOP"));
  Cell& leaf = *library->GetCell(library->FindIndex("LEAF"));
  Cell& other = *library->GetCell(library->FindIndex("OTHER"));
  EXPECT_TRUE(ClearMemoryKeep(leaf, false)) << "not loaded";
  for (Cell* cell : {library->GetCell(top), &leaf, &other}) library->LoadCell(*cell, true);
  const Box proper = leaf.box;
  leaf.box.y2 = leaf.box.y1;
  EXPECT_TRUE(ClearMemoryKeep(leaf, false)) << "no proper box";
  leaf.box = proper;
  other.flags |= kCellModified;
  // A cell made in memory and never saved has nowhere to be read back from.
  const uint32_t fresh = library->CreateCell("FRESH");
  library->GetCell(fresh)->AddBox(Box(0, 0, 10, 10), viewtest::kLeafLayer);
  leaf.flags |= 0x4000;
  const uint64_t generation = library->editGeneration;

  EXPECT_EQ(ClearMemory(*library, {top}), 1);
  EXPECT_TRUE(!leaf.loaded && leaf.layers.empty() && leaf.shapes.empty());
  EXPECT_EQ(leaf.flags & 0x4000, 0);
  EXPECT_NE(library->editGeneration, generation);
  for (uint32_t kept : {top, uint32_t(library->FindIndex("OTHER")), fresh}) {
    EXPECT_FALSE(library->GetCell(kept)->shapes.empty()) << library->GetCell(kept)->Name();
  }
  library->LoadCell(leaf, true);
  EXPECT_EQ(leaf.shapes.at(viewtest::kLeafLayer).Count(), 1u);
}

}  // namespace
