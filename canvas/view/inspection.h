#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "db/box.h"
#include "db/cell.h"

class Library;
struct EditState;
struct LayerInfo;

// Inspect Layer and Inspect Next: a search for the shapes of one layer under the shown cell,
// one shape per step, for the view to zoom to. The search over the library is the view's
// pick walk (EditState::pickWalk), so that Inspect Next also continues the walk of a pick made
// in between. The layer of the text-polygon overlay is searched in the overlay cell instead.
//
// A step of the walk moves the pick path on, so it drops the selection, the picked vertex and
// the selected instance, which referred to the old path.

// The lines of the Inspect Layer list, one per layer in key order: "%s  %s" (its two names)
// for a named layer, "Poly %03d" (datatype) for a layer of the text-polygon overlay (one of
// overlayKeys), "%03d %03d" (layer, datatype) for any other.
std::vector<std::string> InspectLayerLines(const std::map<LayerKey, LayerInfo>& layers,
                                           const std::vector<LayerKey>& overlayKeys);

// Where an inspected shape is shown: the square of half width hw micrometres around (x, y), or
// the full view when the view box is not larger than that square.
struct InspectView {
  bool zoom = false;
  int64_t x = 0;
  int64_t y = 0;
  int64_t hw = 0;
};

// target: the shape's box in database units of the shown cell; viewWidth and viewHeight: the
// view's view box in database units. The centre is the box's midpoint (summed in 64 bits,
// halved towards minus infinity) in micrometres, truncated; hw is twice the larger side in
// micrometres rounded half away from zero, or 1 when that rounds to 0.
InspectView InspectZoom(const Box& target, double umPerUnit, int64_t viewWidth, int64_t viewHeight);

class Inspection {
 public:
  // Starts the search for the shapes of key in the shown cell shownId of library, within its
  // box: in overlayCell when it is given (key is a layer of the overlay), else through the
  // shown cell's hierarchy. edit.visibleLayers becomes {key} and the inspection is active. Returns the box
  // of the first shape found, in database units of the shown cell. A shape is taken as far as
  // it lies in the window of its cell; texts are passed over. Errors of loading a cell
  // propagate, with the inspection ended.
  std::optional<Box> Start(EditState& edit, Library& library, uint32_t shownId, const Cell* overlayCell, LayerKey key);
  // The next shape of the search: of the walk in edit.pickWalk when it holds a path (an
  // inspection, or a pick made since), else of an active inspection of overlayCell. Nothing when the
  // search has run out, was never started, or an edit of the library has ended it.
  std::optional<Box> Next(EditState& edit, Library& library, const Cell* overlayCell);

 private:
  std::optional<Box> NextOnWalk(EditState& edit, bool first);
  std::optional<Box> NextOnOverlay(EditState& edit, const Cell& overlay);

  bool onOverlay_ = false;
  LayerKey overlayKey_ = 0;
  Box window_;
  // Overlay shapes already passed: the overlay may change between steps, so the search keeps
  // its place as a count rather than as a pointer into the cell.
  uint64_t overlayPassed_ = 0;
};
