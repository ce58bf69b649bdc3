#include <gtest/gtest.h>

#include "db/library.h"

namespace {

TEST(LibraryChanges, UnsavedChangesAreThePendingWriteBits) {
  Library lib("unused", false);
  EXPECT_FALSE(lib.HasUnsavedChanges());
  lib.flags = kLibOnDisk | kLibNamesWritten | kLibParentsDirty;
  EXPECT_FALSE(lib.HasUnsavedChanges());
  for (uint32_t bit : {kLibInfoDirty, kLibNamesDirty, kLibCellsChanged, kLibTextsDirty, kLibHierarchyDirty}) {
    lib.flags = bit | kLibOnDisk;
    EXPECT_TRUE(lib.HasUnsavedChanges()) << std::hex << bit;
  }
}

TEST(LibraryChanges, EditedCellIsDueWithInfoAndHierarchyOnlyWhenItsBoxChanged) {
  Library lib("unused", false);
  Cell& cell = *lib.cells[lib.CreateCell("c")];
  cell.box = Box(0, 0, 10, 10);
  uint64_t generation = lib.editGeneration;
  lib.NoteCellEdited(cell, cell.box);
  EXPECT_EQ(lib.flags, kLibCellsChanged);
  EXPECT_TRUE(cell.flags & kCellModified);
  EXPECT_NE(lib.editGeneration, generation);
  generation = lib.editGeneration;
  lib.NoteCellEdited(cell, Box(0, 0, 5, 5));
  EXPECT_EQ(lib.flags, kLibCellsChanged | kLibInfoDirty | kLibHierarchyDirty);
  EXPECT_NE(lib.editGeneration, generation);

  lib.flags = 0;
  cell.flags = kCellNoPlacements;
  lib.NotePlacementsChanged(cell);
  EXPECT_EQ(lib.flags, kLibCellsChanged | kLibParentsDirty);
  EXPECT_EQ(cell.flags, kCellModified);
  lib.flags = 0;
  lib.NoteElementRemoved(cell, Box(20, 20, 30, 30));
  EXPECT_EQ(lib.flags, 0u);
  lib.NoteElementRemoved(cell, Box(10, 10, 30, 30));
  EXPECT_EQ(lib.flags, kLibHierarchyDirty);
  lib.NoteHierarchyRecalculated();
  EXPECT_EQ(lib.flags, kLibInfoDirty);
  EXPECT_FALSE(lib.HierarchyDue());
}

TEST(LibraryChanges, EditedCellAndStringAreDueForSaving) {
  Library lib("unused", false);
  const uint32_t id = lib.CreateEditedCell("TOP");
  EXPECT_EQ(lib.flags, kLibInfoDirty | kLibNamesDirty | kLibCellsChanged);
  EXPECT_TRUE(lib.cells[id]->flags & kCellModified);
  EXPECT_TRUE(lib.cells[id]->loaded);
  lib.flags = 0;
  lib.AddString("old");
  EXPECT_EQ(lib.AddEditedString("old"), 0u);
  EXPECT_EQ(lib.flags, 0u);
  EXPECT_EQ(lib.AddEditedString("new"), 1u);
  EXPECT_EQ(lib.flags, kLibTextsDirty);
}

TEST(LibraryChanges, DeletedCellLeavesItsSharedNameToTheOtherCell) {
  Library lib("unused", false);
  const uint32_t first = lib.CreateCell("a");
  const uint32_t second = lib.CreateCell("a");
  const uint32_t other = lib.CreateCell("b");
  lib.roots = {first, other};
  lib.order = {first, other, second};
  const uint64_t generation = lib.editGeneration;
  lib.DeleteCell(first);
  EXPECT_EQ(lib.GetCell(first), nullptr);
  EXPECT_EQ(lib.FindIndex("a"), int32_t(second));
  EXPECT_EQ(lib.roots, std::vector<uint32_t>{other});
  EXPECT_EQ(lib.order, (std::vector<uint32_t>{other, second}));
  EXPECT_EQ(lib.flags, kLibInfoDirty | kLibNamesDirty | kLibHierarchyDirty | kLibParentsDirty);
  EXPECT_NE(lib.editGeneration, generation);
  lib.DeleteCell(second);
  EXPECT_EQ(lib.FindIndex("a"), -1);
  EXPECT_EQ(lib.FindIndex("b"), int32_t(other));
}

}  // namespace
