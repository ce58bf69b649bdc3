#include "canvas/view/cell_box.h"

#include "canvas/view/canvas_prompts.h"
#include "canvas/view/view_state.h"
#include "db/cell.h"

void EnsureCellBox(Cell& cell, double nmPerUnit, CanvasPrompts& prompts) {
  if (cell.box.x2 > cell.box.x1 && cell.box.y2 > cell.box.y1) return;
  const std::string answer = prompts.AskText(
      "This is empty cell\nEnter 4 numbers by um for rough initial cell bounding box (x1 y1 x2 y2)\n"
      "Default will be (-10 -10 10 10) by default",
      "Provide cell bounding box", "");
  cell.box = ParseCellBoxAnswer(answer, nmPerUnit);
}
