#include "canvas/view/pick.h"

#include <gtest/gtest.h>

#include "canvas/view/edit_state.h"
#include "canvas/view/pick_path.h"
#include "db/library.h"
#include "tests/canvas/view/scripted_canvas_prompts.h"
#include "tests/db/library_test_util.h"

namespace {

const LayerKey kMetal = MakeLayerKey(1, 0);
const LayerKey kText = MakeLayerKey(9, 0);

// top places mid as a 3 x 2 array at (1000, 1000) with pitch 500; mid places leaf at its
// origin; leaf holds an L of 100 x 100 with arms 20 wide; top holds a text at (5000, 5000).
class PickTest : public ::testing::Test {
 protected:
  PickTest() {
    top_ = lib_.CreateCell("top");
    uint32_t mid = lib_.CreateCell("mid");
    uint32_t leaf = lib_.CreateCell("leaf");
    libtest::AddShape(*lib_.cells[leaf], kMetal, {{0, 0}, {100, 0}, {100, 20}, {20, 20}, {20, 100}, {0, 100}}, {{0, 0}},
                      true);
    libtest::Place(lib_, mid, libtest::Single(leaf, 0, 0));
    libtest::Place(lib_, top_, libtest::Array(mid, 1000, 1000, 3, 2, 500, 500));
    lib_.cells[top_]->AddText(kText, lib_.AddString("VDD"), 5000, 5000, true);
    for (LayerKey key : {kMetal, kText}) lib_.layerMap[key].key = key;
    lib_.layerMap[kMetal].colour = 0x00ff00;
  }

  Library lib_{"", false};
  uint32_t top_ = 0;
  EditState edit_;
};

TEST_F(PickTest, ShapeDeepInAnArrayIsSelectedInTheShownCell) {
  // Inside the box of the L but in its notch: the outline misses the window.
  EXPECT_FALSE(StartPick(edit_, lib_, top_, Point(2060, 1560), 1));
  EXPECT_FALSE(edit_.HasSelection());
  auto hit = StartPick(edit_, lib_, top_, Point(2010, 1560), 1);
  ASSERT_TRUE(hit);
  EXPECT_FALSE(hit->text);
  EXPECT_EQ(hit->cellName, "leaf");
  EXPECT_EQ(edit_.selectionRing.GetBoundingBox(), Box(2000, 1500, 2100, 1600));
  EXPECT_EQ(edit_.selectionRing.VertexCount(), 6u);
  EXPECT_EQ(edit_.editLayer, kMetal);
  EXPECT_EQ(edit_.editColour, 0x00ff00u);

  EXPECT_EQ(HierarchyPathItems(edit_), (std::vector<std::string>{"mid (3x2)", "leaf"}));
  SelectedInstance inner = HierarchyPathInstance(edit_, 1);
  ASSERT_TRUE(inner);
  EXPECT_EQ(inner.holder, lib_.cells[1].get());
  EXPECT_EQ(Point(inner.holderToShown.x, inner.holderToShown.y), Point(2000, 1500));
  EXPECT_FALSE(HierarchyPathInstance(edit_, 2));
  ScriptedCanvasPrompts prompts;
  prompts.items.push_back(0);
  SelectedInstance outer = ChooseHierarchyPathInstance(edit_, prompts);
  EXPECT_EQ(outer.holder, lib_.cells[top_].get());
  EXPECT_TRUE(outer.ref->IsArray());
  EXPECT_EQ(prompts.asked.back(), "Select cell to highlight instance");

  // Nothing else lies there: the next pick empties the selection.
  EXPECT_FALSE(ContinuePick(edit_, lib_));
  EXPECT_FALSE(edit_.HasSelection());
  EXPECT_TRUE(HierarchyPathItems(edit_).empty());
}

TEST_F(PickTest, TextGivesAUnitRectangleAndHiddenLayersAreSkipped) {
  auto hit = StartPick(edit_, lib_, top_, Point(5000, 5000), 1);
  ASSERT_TRUE(hit);
  EXPECT_TRUE(hit->text);
  EXPECT_EQ(hit->cellName, "top");
  EXPECT_EQ(edit_.selectionRing.GetBoundingBox(), Box(5000, 4999, 5001, 5000));
  EXPECT_EQ(edit_.seenGeneration, lib_.editGeneration);

  edit_.ClearSelection();
  lib_.layerMap[kMetal].colour |= 0x80000000u;
  EXPECT_FALSE(StartPick(edit_, lib_, top_, Point(2010, 1560), 1));
  EXPECT_EQ(edit_.visibleLayers, (std::set<LayerKey>{kText}));
  // With every layer hidden nothing is found, rather than every layer searched.
  lib_.layerMap[kText].colour |= 0x80000000u;
  EXPECT_FALSE(StartPick(edit_, lib_, top_, Point(5000, 5000), 1));
}

}  // namespace
