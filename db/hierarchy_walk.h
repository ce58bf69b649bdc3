#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "db/box.h"
#include "db/trans.h"

class Cell;
struct SpatialNode;

// Columns [column0, column1) and rows [row0, row1) of an array placement.
struct ElementRange {
  int32_t column0 = 0;
  int32_t column1 = 0;
  int32_t row0 = 0;
  int32_t row1 = 0;

  bool IsEmpty() const { return column0 >= column1 || row0 >= row1; }
  int64_t Count() const { return IsEmpty() ? 0 : int64_t(column1 - column0) * (row1 - row0); }
};

// The elements of array whose boxes (cellBox through the element's transform) overlap window
// strictly, computed without visiting them. Elements whose offset leaves the 32-bit range are
// left out; a truly empty cellBox gives none.
ElementRange ElementsInWindow(const ARef& array, const Box& cellBox, const Box& window);

// window, in the coordinates of a cell that placement places into them. Under a magnification
// the window is padded, so that the rounding of the inverse never loses an edge.
Box ChildWindow(const Box& window, const Trans& placement);

// Where a walk stands among the placements of one cell: the entry found last by a query of the
// index, and for an array the elements that reach the window and the one visited last.
struct PlacementCursor {
  SpatialNode* entry = nullptr;
  ElementRange elements;
  int32_t column = -1;
  int32_t row = -1;

  void StartArray(const ElementRange& range) {
    elements = range;
    column = row = -1;
  }
  // The next element of the array in hand, columns outer, rows inner; false at its end, which
  // also leaves the array.
  bool NextElement();
};

// The cells on the current path of a walk. A placement cycle (bad input) would otherwise be
// followed for ever; a walk skips a placement of a cell on its path instead.
class WalkPath {
 public:
  // Forgets the path and the warning; room for cellCount ids.
  void Start(size_t cellCount);
  bool Contains(uint32_t id) const { return id < onPath_.size() && onPath_[id]; }
  void Enter(uint32_t id) { onPath_[id] = 1; }
  void Leave(uint32_t id) { onPath_[id] = 0; }
  // Logs "Warning: recursive placement of %s skipped\n" the first time in a walk.
  void SkipCycle(const Cell& placed);

 private:
  std::vector<uint8_t> onPath_;
  bool warned_ = false;
};
