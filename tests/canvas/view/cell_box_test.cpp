#include "canvas/view/cell_box.h"

#include <gtest/gtest.h>

#include "db/cell.h"
#include "tests/canvas/view/scripted_canvas_prompts.h"

namespace {

TEST(CellBox, EmptyOrInvertedBoxIsAskedForOnceAndStoredOrdered) {
  ScriptedCanvasPrompts prompts;
  prompts.texts = {"5 5 0 0", ""};
  Cell cell;
  EnsureCellBox(cell, 1.0, prompts);
  EXPECT_EQ(cell.box, Box(0, 0, 5000, 5000));
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0],
            "This is empty cell\nEnter 4 numbers by um for rough initial cell bounding box (x1 y1 x2 y2)\n"
            "Default will be (-10 -10 10 10) by default");
  // A cell with a box is not asked about.
  EnsureCellBox(cell, 1.0, prompts);
  EXPECT_EQ(prompts.asked.size(), 1u);
  // Cancel gives the default box, here at 0.5 nm per unit.
  cell.box = Box(10, 10, 0, 20);
  EnsureCellBox(cell, 0.5, prompts);
  EXPECT_EQ(cell.box, Box(-20000, -20000, 20000, 20000));
  EXPECT_EQ(prompts.asked.size(), 2u);
}

}  // namespace
