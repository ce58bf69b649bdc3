#include "app/core/tree_model.h"

#include <gtest/gtest.h>

#include "db/library.h"
#include "tests/db/library_test_util.h"

namespace {

// "top" places "b" 1000 times and "a" once, both with boxes; "gone" is placed and then deleted.
class TreeModel : public ::testing::Test {
 protected:
  void SetUp() override {
    top_ = lib_.CreateCell("top");
    b_ = lib_.CreateCell("b");
    a_ = lib_.CreateCell("a");
    gone_ = lib_.CreateCell("gone");
    for (uint32_t id : {a_, b_, gone_}) lib_.cells[id]->box = Box(0, 0, 10, 10);
    for (int i = 0; i < 1000; ++i) libtest::Place(lib_, top_, libtest::Single(b_, 20 * i, 0));
    libtest::Place(lib_, top_, libtest::Single(a_, 0, 50));
    libtest::Place(lib_, top_, libtest::Single(gone_, 0, 90));
    lib_.cells[gone_].reset();
  }

  Library lib_{"unused", false};
  uint32_t top_ = 0, b_ = 0, a_ = 0, gone_ = 0;
};

}  // namespace

TEST_F(TreeModel, EachPlacedCellIsListedOnceByNameAndDeletedOnesAreSkipped) {
  const std::vector<TreeChild> children = ChildCells(lib_, int32_t(top_));
  ASSERT_EQ(children.size(), 2u);
  EXPECT_EQ(children[0].name, "a");
  EXPECT_EQ(children[1].name, "b");
  EXPECT_TRUE(ChildCells(lib_, int32_t(a_)).empty());
  EXPECT_TRUE(ChildCells(lib_, int32_t(gone_)).empty());
  EXPECT_TRUE(ChildCells(lib_, 99).empty());
}

TEST_F(TreeModel, AnExpandButtonNeedsStoredOrModifiedPlacements) {
  Cell& top = *lib_.cells[top_];
  EXPECT_FALSE(HasExpandButton(top));
  top.flags |= kCellModified;
  EXPECT_TRUE(HasExpandButton(top));
  Cell& a = *lib_.cells[a_];
  a.flags |= kCellModified;
  EXPECT_FALSE(HasExpandButton(a));
  a.flags = 0;
  a.referencePosition = 120;
  EXPECT_TRUE(HasExpandButton(a));
  EXPECT_TRUE(ChildCells(lib_, int32_t(top_))[0].expandable);
}

TEST(TreeRightDClick, SetsClearsOrLeavesTheHighlight) {
  struct Case {
    int32_t hit, current, highlighted;
    bool redraw;
  };
  // Shown cell 1: another cell becomes the highlight; the shown cell or empty space clears an
  // existing one and redraws, and with none there is nothing to redraw.
  for (const Case& c : {Case{4, -1, 4, true}, Case{1, 4, -1, true}, Case{1, -1, -1, false}, Case{-1, 4, -1, true},
                        Case{-1, -1, -1, false}}) {
    const RightDClickOutcome outcome = RightDClickResult(c.hit, 1, c.current);
    EXPECT_EQ(outcome.highlightedCell, c.highlighted) << c.hit << " " << c.current;
    EXPECT_EQ(outcome.redraw, c.redraw) << c.hit << " " << c.current;
  }
}
