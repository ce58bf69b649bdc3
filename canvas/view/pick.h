#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "db/box.h"

class Library;
struct EditState;

// Picking the element under the cursor anywhere in the shown hierarchy. The walk of the pick
// (EditState::pickWalk) stays positioned on the element found, so that its frames are the
// hierarchy path of the pick and its transform maps the element's cell into the shown cell.

struct PickHit {
  bool text = false;
  // The name of the cell that holds the element.
  std::string cellName;
};

// Starts a pick at database point p of the shown cell topCellId: the walk searches the window
// of textReach units (at least 1) around p on the layers that are not hidden (rebuilt into
// edit.visibleLayers). In the walk's order, the first text there, or the first shape whose
// outline reaches the 3 x 3 window around p (edit.pickPointWindow), replaces the selection: a
// shape by its rings in the shown cell's coordinates, a text by the 1-unit rectangle
// (x, y - 1, x + 1, y) at its position. Nothing is found when every layer is hidden. Errors of
// loading a cell propagate; the walk is then abandoned.
std::optional<PickHit> StartPick(EditState& edit, Library& library, uint32_t topCellId, const Point& p,
                                 int32_t textReach);

// Continues the walk of the last pick to the next element that qualifies. When the walk runs
// out the selection is left empty.
std::optional<PickHit> ContinuePick(EditState& edit, Library& library);
