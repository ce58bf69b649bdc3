#pragma once

#include <cstdint>
#include <string>
#include <vector>

class Cell;
class Library;

// What the cell hierarchy tree shows, without the toolkit: the children of an item, whether an
// item gets an expand button, and what a right double-click does to the highlighted cell.

// An item gets an expand button when its cell has a stored placement section, or is modified
// with placements in memory.
bool HasExpandButton(const Cell& cell);

struct TreeChild {
  std::string name;
  bool expandable = false;
};

// The distinct cells placed in cell id, sorted by name, each once however often it is placed;
// placements of missing (deleted) cells are skipped. Loads the cell when it is not in memory
// (Errors propagate). Empty for a missing cell or one without placements.
std::vector<TreeChild> ChildCells(Library& library, int32_t id);

struct RightDClickOutcome {
  int32_t highlightedCell;
  bool redraw;
};

// A right double-click on the item of cell hit (-1: on no item) in a window showing cell shown
// while current is highlighted (-1: none): another cell becomes the highlight; the shown cell
// or empty space clears it, and redraws only when there was one.
RightDClickOutcome RightDClickResult(int32_t hit, int32_t shown, int32_t current);
