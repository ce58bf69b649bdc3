#pragma once

#include "canvas/overlay.h"

class ViewSession;

// The selection over the layout: every closed ring of the selection in the geometry-highlight
// colour (a ring still being drawn is left to the transients), and the selected instance as
// its placed box with the orientation tick in the instance-highlight colour. A selected instance
// that an edit of the library (in any view) may have freed is dropped before it is painted.
class SelectionOverlay : public Overlay {
 public:
  // The session is read at each paint and must outlive the overlay.
  explicit SelectionOverlay(ViewSession& session) : session_(session) {}
  void Paint(wxDC& dc, const ViewMapping& view) override;

 private:
  void PaintInstance(wxDC& dc, const ViewMapping& view);

  ViewSession& session_;
};
