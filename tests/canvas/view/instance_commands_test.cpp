#include "canvas/view/instance_commands.h"

#include <gtest/gtest.h>

#include "canvas/view/library_save.h"
#include "db/hierarchy_iterator.h"
#include "tests/canvas/view/cell_library_fixture.h"

namespace {

InstanceFields Fields(const std::string& x, const std::string& y, int rotation = 0, bool flip = false) {
  InstanceFields f;
  f.locX = x;
  f.locY = y;
  f.rotation = rotation;
  f.flipX = flip;
  return f;
}

InstanceFields ArrayFields(const std::string& columns, const std::string& rows, int rotation, bool flip) {
  InstanceFields f = Fields("-200", "300", rotation, flip);
  f.array = true;
  f.columns = columns;
  f.rows = rows;
  f.spaceX = "40";
  f.spaceY = "-25";
  return f;
}

}  // namespace

TEST(InstanceFields, OrientationCodesRoundTripThroughRotationAndFlip) {
  EXPECT_EQ(OrientationCode(1, true), 7);
  EXPECT_EQ(OrientationCode(0, true), 6);
  ARef ref;
  for (uint8_t code = 0; code < 8; ++code) {
    ref.orientation = code;
    const InstanceFields f = InstanceFieldsOf(ref, 1.0);
    EXPECT_EQ(OrientationCode(f.rotation, f.flipX), code);
  }
  ref.orientation = 5;
  EXPECT_EQ(InstanceFieldsOf(ref, 1.0).rotation, 3);
  EXPECT_TRUE(InstanceFieldsOf(ref, 1.0).flipX);
}

TEST(InstanceFields, LengthsAreNanometresInTheFields) {
  ARef ref;
  ASSERT_EQ(ReadInstanceFields(Fields("1500", "-7"), 0.1, ref), "");
  EXPECT_EQ(ref.x, 15000);
  EXPECT_EQ(ref.y, -70);
  EXPECT_EQ(InstanceFieldsOf(ref, 0.1).locX, "1500");
  EXPECT_EQ(InstanceFieldsOf(ref, 1.0).scale, "1.000000");
  EXPECT_FALSE(ref.IsArray());
}

TEST(InstanceFields, BadFieldsAreRefusedAndLeaveThePlacement) {
  const std::unique_ptr<ARef> made(libtest::Array(3, 1, 2, 4, 5, 6, 7));
  const ARef before = *made;
  struct Case {
    InstanceFields fields;
    const char* message;
  };
  std::vector<Case> cases = {
      {Fields("abc", "0"), "Input must be integer"},
      {Fields("5000000000", "0"), "Input must be integer"},
      // 300000000 nm are 3e9 units of 0.1 nm: beyond 32 bits.
      {Fields("0", "300000000"), "Input must be integer"},
      {ArrayFields("0", "2", 0, false), "Input must be positive integer"},
      {ArrayFields("2", "x", 0, false), "Input must be positive integer"},
      {ArrayFields("32768", "2", 0, false), "Input must be positive integer"},
      {ArrayFields("70000", "2", 0, false), "Input must be positive integer"},
  };
  for (const char* scale : {"0", "-1", "nan", "inf", "1e300", "1.0x", ""}) {
    InstanceFields f = Fields("0", "0");
    f.scale = scale;
    cases.push_back({f, "Input must be double"});
  }
  for (const Case& c : cases) {
    ARef ref = before;
    EXPECT_EQ(ReadInstanceFields(c.fields, 0.1, ref), c.message) << c.fields.locX << " " << c.fields.scale;
    EXPECT_EQ(CompareByKeyThenX(ref, before), 0);
  }
  ARef ref = before;
  ASSERT_EQ(ReadInstanceFields(ArrayFields("32767", "1", 2, true), 1.0, ref), "");
  EXPECT_EQ(ref.columns, 32767);
  EXPECT_EQ(ref.orientation, 4);
}

TEST(IncrementCell, TriplesTheBoxAboutItsCentreIn64Bits) {
  EXPECT_EQ(IncrementedBox(Box(0, 0, 10, 20)), Box(-10, -20, 20, 40));
  EXPECT_EQ(IncrementedBox(Box(-2000000000, 0, 2000000000, 10)), Box(INT32_MIN, -10, INT32_MAX, 20));
}

using CellCommands = CellLibraryTest;

TEST_F(CellCommands, InsertedArraysInEveryOrientationComeBackAfterSaving) {
  std::vector<std::string> expected = Placements(top_);
  ViewSession& scope = Scope(int32_t(top_));
  for (int code = 0; code < 8; ++code) {
    prompts_.Choose("leaf");
    prompts_.instanceFields.push_back(ArrayFields(std::to_string(code + 1), "3", code & 3, code > 3));
    ASSERT_TRUE(InsertInst(scope));
    EXPECT_EQ(prompts_.dialogTitles.back(), "Insert Instance leaf");
    const uint8_t orientation = OrientationCode(code & 3, code > 3);
    expected.push_back(DescribeArray(leaf_, -200, 300, int16_t(code + 1), 3, 40, -25, orientation));
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Placements(top_), expected);
  EXPECT_TRUE(lib_->flags & kLibCellsChanged);
  EXPECT_TRUE(lib_->flags & kLibParentsDirty);
  SaveAndReopen();
  EXPECT_EQ(Placements(top_), expected);
}

TEST_F(CellCommands, InsertGrowsTheBoxOnlyWhenThePlacementLeavesIt) {
  ViewSession& scope = Scope(int32_t(top_));
  const Box before = CellOf(top_).box;
  prompts_.Choose("leaf");
  prompts_.instanceFields.push_back(Fields("1000", "1000"));
  ASSERT_TRUE(InsertInst(scope));
  EXPECT_EQ(CellOf(top_).box, before);
  EXPECT_FALSE(lib_->flags & (kLibInfoDirty | kLibHierarchyDirty));
  prompts_.Choose("leaf");
  prompts_.instanceFields.push_back(Fields("90000", "1000"));
  ASSERT_TRUE(InsertInst(scope));
  EXPECT_EQ(CellOf(top_).box.x2, 90040);
  EXPECT_TRUE(lib_->flags & kLibInfoDirty);
  EXPECT_TRUE(lib_->flags & kLibHierarchyDirty);
}

TEST_F(CellCommands, PlacementsBeyondThe32BitRangeAreRefused) {
  // leaf's box is (0, 0)-(40, 15).
  InstanceFields magnified = Fields("0", "0");
  magnified.scale = "1e20";
  // Rotated by 90 degrees: every element fits, but the array's far corner, one row pitch beyond
  // its last element, does not.
  InstanceFields farCorner = ArrayFields("1", "1", 1, false);
  farCorner.locX = "2147483000";
  farCorner.spaceX = "1000";
  ViewSession& scope = Scope(int32_t(top_));
  const std::vector<std::string> before = Placements(top_);
  for (const InstanceFields& refused : {magnified, farCorner, Fields("2147483620", "0")}) {
    prompts_.Choose("leaf");
    prompts_.instanceFields.push_back(refused);
    EXPECT_FALSE(InsertInst(scope)) << refused.locX;
    EXPECT_EQ(prompts_.asked.back(), "Instance would leave the 32-bit coordinate range");
    EXPECT_EQ(prompts_.captions.back(), "Wrong Input");
  }
  EXPECT_EQ(Placements(top_), before);
  prompts_.Choose("leaf");
  prompts_.instanceFields.push_back(Fields("2147483600", "0"));
  EXPECT_TRUE(InsertInst(scope));
  SelectPlacement(top_, leaf2_);
  prompts_.instanceFields.push_back(magnified);
  EXPECT_FALSE(ModifyInst(scope));
  EXPECT_EQ(prompts_.captions.back(), "Wrong Input");
}

TEST_F(CellCommands, APlacementThatWouldCloseACycleIsRefused) {
  ViewSession& inMid = Scope(int32_t(mid_));
  for (const char* name : {"mid", "top"}) {
    prompts_.Choose(name);
    prompts_.instanceFields.push_back(Fields("0", "0"));
    EXPECT_FALSE(InsertInst(inMid)) << name;
    EXPECT_EQ(prompts_.captions.back(), "Wrong Usage");
  }
  EXPECT_EQ(prompts_.asked.back(), "Recursive placement: top > mid > top");
  EXPECT_TRUE(prompts_.dialogTitles.empty());
  SelectPlacement(mid_, leaf_);
  prompts_.Choose("top");
  EXPECT_FALSE(ReplaceInst(inMid));
  EXPECT_EQ(prompts_.asked.back(), "Recursive placement: top > mid > top");
  EXPECT_EQ(lib_->flags & (kLibCellsChanged | kLibParentsDirty), 0u);
  // The search loaded top's placements for itself and let them go again.
  EXPECT_FALSE(lib_->cells[top_]->HasReferences());
}

TEST_F(CellCommands, EmptyCellsAndCancelChangeNothing) {
  ViewSession& scope = Scope(int32_t(top_));
  prompts_.texts.push_back("fresh");
  ASSERT_EQ(CreateCell(session_), "fresh");
  lib_->flags = 0;
  prompts_.Choose("fresh");
  EXPECT_FALSE(InsertInst(scope));
  EXPECT_EQ(prompts_.captions.back(), "Empty Cell");
  prompts_.Choose("leaf");
  EXPECT_FALSE(InsertInst(scope));
  EXPECT_EQ(lib_->flags, 0u);
  for (auto* command : {&DeleteInst, &ReplaceInst, &ModifyInst}) {
    EXPECT_FALSE(command(scope));
    EXPECT_EQ(prompts_.asked.back(), "Instance must be selected first");
  }
}

TEST_F(CellCommands, DeleteInstRemovesThePlacementAndThePickPath) {
  ViewSession& scope = Scope(int32_t(top_));
  SelectPlacement(top_, leaf2_);
  const uint64_t generation = lib_->editGeneration;
  ASSERT_TRUE(DeleteInst(scope));
  EXPECT_FALSE(edit_.selectedInstance);
  EXPECT_GT(lib_->editGeneration, generation);
  // leaf2 lay in top's box, which may shrink at the next recalculation.
  EXPECT_TRUE(lib_->flags & kLibHierarchyDirty);
  SaveAndReopen();
  EXPECT_EQ(Placements(top_), std::vector<std::string>{DescribeSingle(mid_, 1000, 1000)});
}

TEST_F(CellCommands, SavingAfterAPickDropsItSoDeleteInstRemovesNothingElse) {
  // Leaf placed far out in mid grows mid: Save DB recalculates and enters mid's placement in top
  // anew, under the pick path of a pick made after the insertion.
  ViewSession& inMid = Scope(int32_t(mid_));
  prompts_.Choose("leaf");
  prompts_.instanceFields.push_back(Fields("5000", "0"));
  ASSERT_TRUE(InsertInst(inMid));
  edit_.pickWalk.Init(CellOf(top_).box, *lib_, {MakeLayerKey(99, 0)}, top_);
  edit_.pickWalk.targetCell = mid_;
  Trans found;
  LayerKey key = kPlacementKey;
  ASSERT_NE(edit_.pickWalk.EnterCell(found, key), nullptr);
  SelectPlacement(top_, mid_);
  const std::vector<std::string> before = Placements(top_);
  SaveLibraryChanges(*lib_);
  ViewSession& inTop = Scope(int32_t(top_));
  EXPECT_FALSE(DeleteInst(inTop));
  EXPECT_EQ(prompts_.asked.back(), "Instance must be selected first");
  EXPECT_FALSE(edit_.HasPickPath());
  EXPECT_EQ(Placements(top_), before);
}

TEST_F(CellCommands, ReplaceInstKeepsThePlacementAndChangesTheCell) {
  ViewSession& scope = Scope(int32_t(top_));
  SelectPlacement(top_, leaf2_);
  prompts_.Choose("leaf");
  ASSERT_TRUE(ReplaceInst(scope));
  EXPECT_FALSE(edit_.selectedInstance);
  SaveAndReopen();
  std::vector<std::string> expected = {DescribeSingle(leaf_, -500, 0), DescribeSingle(mid_, 1000, 1000)};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Placements(top_), expected);
}

TEST_F(CellCommands, ModifyInstTurnsASinglePlacementIntoAnArray) {
  ViewSession& scope = Scope(int32_t(mid_));
  SelectPlacement(mid_, leaf_);
  const SRef before = *edit_.selectedInstance.ref;
  // The dialog opens on the placement as it is; Ok without a change changes nothing.
  prompts_.instanceFields.push_back(Fields(std::to_string(before.x), std::to_string(before.y)));
  EXPECT_FALSE(ModifyInst(scope));
  EXPECT_EQ(prompts_.shown.locX, std::to_string(before.x));
  EXPECT_EQ(lib_->flags & kLibCellsChanged, 0u);
  prompts_.instanceFields.push_back(ArrayFields("2", "2", 3, true));
  ASSERT_TRUE(ModifyInst(scope));
  EXPECT_EQ(prompts_.dialogTitles.back(), "Modify Instance leaf");
  SaveAndReopen();
  const std::vector<std::string> placements = Placements(mid_);
  const std::string array = DescribeArray(leaf_, -200, 300, 2, 2, 40, -25, 5);
  EXPECT_EQ(std::count(placements.begin(), placements.end(), array), 1);
  EXPECT_EQ(placements.size(), 2u);
}

TEST_F(CellCommands, AGrownPlacementGrowsTheBoxesUpThePickPath) {
  // The pick path top > mid > leaf, as a pick of the leaf placement leaves it.
  HierarchyIterator& walk = edit_.pickWalk;
  // A layer that no cell has: the walk reports only the placements of leaf.
  walk.Init(CellOf(top_).box, *lib_, {MakeLayerKey(99, 0)}, top_);
  walk.targetCell = leaf_;
  Trans found;
  LayerKey key = kPlacementKey;
  SpatialNode* hit = walk.EnterCell(found, key);
  ASSERT_NE(hit, nullptr);
  ASSERT_EQ(walk.Frames().size(), 2u);
  edit_.SeeGeneration(*lib_);
  edit_.selectedInstance = SelectedInstance{static_cast<const SRef*>(hit->payload), &CellOf(mid_), mid_, found};
  prompts_.instanceFields.push_back(Fields("0", "50000"));
  ViewSession& scope = Scope(int32_t(top_));
  ASSERT_TRUE(ModifyInst(scope));
  EXPECT_EQ(CellOf(mid_).box.y2, 50015);
  EXPECT_EQ(CellOf(top_).box.y2, 51015);
  SaveAndReopen();
  EXPECT_EQ(lib_->cells[mid_]->box.y2, 50015);
  EXPECT_EQ(lib_->cells[top_]->box.y2, 51015);
}

TEST_F(CellCommands, CreateCellRefusesAnExistingNameOnly) {
  prompts_.texts = {"A\nB", "tab\t", "mid", "Mid", ""};
  for (int refused = 0; refused < 2; ++refused) {
    EXPECT_EQ(CreateCell(session_), "");
    EXPECT_EQ(prompts_.asked.back(), "Cell names cannot hold control characters");
    EXPECT_EQ(prompts_.captions.back(), "Wrong Input");
  }
  EXPECT_EQ(CreateCell(session_), "");
  EXPECT_EQ(prompts_.captions.back(), "Cell Name Conflict");
  EXPECT_EQ(CreateCell(session_), "Mid");
  EXPECT_EQ(CreateCell(session_), "");
  const int32_t id = lib_->FindIndex("Mid");
  ASSERT_GE(id, 0);
  EXPECT_TRUE(lib_->cells[size_t(id)]->flags & kCellModified);
  const uint32_t bits = kLibCellsChanged | kLibHierarchyDirty | kLibInfoDirty | kLibNamesDirty;
  EXPECT_EQ(lib_->flags & bits, bits);
}

TEST_F(CellCommands, DeleteCellRefusesAShownCellAndDropsThePlacementsOfAnother) {
  ViewSession& showsTop = Scope(int32_t(top_));
  OtherView(int32_t(mid_));
  prompts_.Choose("mid");
  EXPECT_FALSE(DeleteCell(showsTop));
  EXPECT_EQ(prompts_.captions.back(), "Wrong Usage");
  EXPECT_NE(lib_->GetCell(mid_), nullptr);
  SelectPlacement(mid_, leaf_);
  others_.clear();
  prompts_.Choose("mid");
  ASSERT_TRUE(DeleteCell(showsTop));
  EXPECT_EQ(lib_->GetCell(mid_), nullptr);
  EXPECT_EQ(lib_->FindIndex("mid"), -1);
  EXPECT_TRUE(edit_.FollowGeneration(*lib_));
  EXPECT_TRUE(lib_->flags & kLibParentsDirty);
  SaveAndReopen();
  EXPECT_EQ(Placements(top_), std::vector<std::string>{DescribeSingle(leaf2_, -500, 0)});
  EXPECT_EQ(lib_->FindIndex("mid"), -1);
}
