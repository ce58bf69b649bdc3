#include "db/library.h"

#include <gtest/gtest.h>

#include <string>

#include "db/trans.h"
#include "tests/db/library_test_util.h"

namespace {

using libtest::TempDir;

TEST(Library, MakeCellNameAddsSeparatorSuffixAndFirstFreeNumber) {
  Library lib("unused", false);
  EXPECT_EQ(lib.MakeCellName("AND2", "", 1), "AND2_1");
  for (int i = 1; i <= 9; ++i) lib.CreateCell("AND2_" + std::to_string(i));
  EXPECT_EQ(lib.MakeCellName("AND2", "", 1), "AND2_10");
  EXPECT_EQ(lib.MakeCellName("AND2", "", 5), "AND2_10");
  EXPECT_EQ(lib.MakeCellName("top_", "x", 1), "top_x1");
  lib.CreateCell("top_x1");
  lib.CreateCell("top_x2");
  EXPECT_EQ(lib.MakeCellName("top_", "x", 1), "top_x3");
  EXPECT_EQ(lib.MakeCellName("", "t", 7), "_t7");
}

TEST(Library, CreateCellEntersNameAndFindIndexFindsIt) {
  Library lib("unused", false);
  EXPECT_EQ(lib.CreateCell("a"), 0u);
  EXPECT_EQ(lib.CreateCell("b"), 1u);
  EXPECT_EQ(lib.FindIndex("b"), 1);
  EXPECT_EQ(lib.FindIndex("c"), -1);
  EXPECT_STREQ(lib.cells[1]->Name(), "b");
  // A clashing name keeps its first id; the new cell shares the entry.
  EXPECT_EQ(lib.CreateCell("a"), 2u);
  EXPECT_EQ(lib.FindIndex("a"), 0);
  EXPECT_EQ(lib.cells[2]->name, lib.cells[0]->name);
  EXPECT_EQ(lib.GetCell(3), nullptr);
  EXPECT_EQ(lib.GetCell(-1), nullptr);
}

TEST(Library, TextStringOutsideTheTableIsEmpty) {
  Library lib("unused", false);
  EXPECT_EQ(lib.AddString("x"), 0u);
  EXPECT_EQ(lib.AddString("y"), 1u);
  EXPECT_EQ(lib.AddString("x"), 0u);
  EXPECT_EQ(lib.TextString(1), "y");
  EXPECT_EQ(lib.TextString(2), "");
  EXPECT_EQ(lib.TextString(UINT32_MAX), "");
}

TEST(Cell, TextOnEmptyCellGivesPointBoxThatIsNotVoid) {
  Library lib("unused", false);
  Cell& cell = *lib.cells[lib.CreateCell("t")];
  cell.AddText(MakeLayerKey(4, 1), 0, 7, -3, true);
  EXPECT_EQ(cell.box, Box(7, -3, 7, -3));
  EXPECT_TRUE(cell.box.IsEmpty());
  cell.flags |= kCellModified;
  EXPECT_FALSE(cell.IsVoid());
  EXPECT_EQ(cell.layers.at(MakeLayerKey(4, 1)).Count(), 1);
  Cell untouched;
  EXPECT_TRUE(untouched.IsVoid());
}

TEST(Cell, ClearKeepsBoxAndPositionsAndTheCellLoadsAgain) {
  TempDir dir;
  std::string before;
  {
    Library lib(dir.Path(), false);
    libtest::BuildSampleLibrary(lib);
    lib.Save();
  }
  Library lib(dir.Path(), false);
  lib.Open();
  Cell& top = *lib.cells[size_t(lib.FindIndex("top"))];
  lib.LoadCell(top, true);
  before = libtest::DumpCell(lib, top);
  Box box = top.box;
  int32_t geometry = top.geometryPosition, end = top.endPosition;
  top.Clear();
  EXPECT_TRUE(top.layers.empty());
  EXPECT_TRUE(top.shapes.empty());
  EXPECT_EQ(top.texts.Count(), 0);
  EXPECT_EQ(top.box, box);
  EXPECT_EQ(top.geometryPosition, geometry);
  EXPECT_EQ(top.endPosition, end);
  lib.LoadCell(top, true);
  EXPECT_EQ(libtest::DumpCell(lib, top), before);
}

TEST(Library, DestructionReturnsEveryRecordToItsPool) {
  // A second build after the first was destroyed must be served from the free lists alone.
  TempDir dir;
  auto buildAndLoad = [&] {
    Library lib(dir.Path(), false);
    libtest::BuildSampleLibrary(lib);
    lib.Save();
    Library again(dir.Path(), false);
    again.Open();
    libtest::DumpLibrary(again);
  };
  buildAndLoad();
  int64_t texts = TextItemPool().Allocator().LastIndex();
  int64_t groups = ShapeGroupPool::Pool().Allocator().LastIndex();
  int64_t positions = PositionPool::Pool().Allocator().LastIndex();
  int64_t nodes = SpatialNodePool().Allocator().LastIndex();
  int64_t listNodes = ListNodePool().Allocator().LastIndex();
  buildAndLoad();
  EXPECT_EQ(TextItemPool().Allocator().LastIndex(), texts);
  EXPECT_EQ(ShapeGroupPool::Pool().Allocator().LastIndex(), groups);
  EXPECT_EQ(PositionPool::Pool().Allocator().LastIndex(), positions);
  EXPECT_EQ(SpatialNodePool().Allocator().LastIndex(), nodes);
  EXPECT_EQ(ListNodePool().Allocator().LastIndex(), listNodes);
}

}  // namespace
