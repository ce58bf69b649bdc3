#pragma once

#include "canvas/view/display_settings.h"
#include "canvas/view/edit_state.h"
#include "canvas/overlay.h"

// The rulers whose two ends both lie in the visible window: a line in the outline colour and
// the length in whole nanometres at the second end.
class RulerOverlay : public Overlay {
 public:
  // Both are the canvas's own, read at each paint.
  RulerOverlay(const EditState& edit, const DisplaySettings& settings) : edit_(edit), settings_(settings) {}
  void Paint(wxDC& dc, const ViewMapping& view) override;

 private:
  const EditState& edit_;
  const DisplaySettings& settings_;
};
