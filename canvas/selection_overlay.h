#pragma once

#include <memory>

#include "canvas/view/display_settings.h"
#include "canvas/view/edit_state.h"
#include "canvas/overlay.h"

class Library;

// The selection over the layout: every closed ring of the selection in the geometry-highlight
// colour (a ring still being drawn is left to the transients), and the selected instance as
// its placed box with the orientation tick in the instance-highlight colour. A selected instance
// that an edit of the library (in any canvas) may have freed is dropped before it is painted.
class SelectionOverlay : public Overlay {
 public:
  // All are the canvas's own, read at each paint.
  SelectionOverlay(EditState& edit, const DisplaySettings& settings, const std::shared_ptr<Library>& library)
      : edit_(edit), settings_(settings), library_(library) {}
  void Paint(wxDC& dc, const ViewMapping& view) override;

 private:
  void PaintInstance(wxDC& dc, const ViewMapping& view);

  EditState& edit_;
  const DisplaySettings& settings_;
  const std::shared_ptr<Library>& library_;
};
