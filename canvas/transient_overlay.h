#pragma once

#include "canvas/view/display_settings.h"
#include "canvas/view/edit_state.h"
#include "canvas/overlay.h"

class GestureController;

// What a gesture shows while it runs: the edges of a polygon being drawn in its layer's colour,
// and the rubber line or box. The rubber shapes take the inverse of the background colour, so
// that they show on any background as an inverted line would.
class TransientOverlay : public Overlay {
 public:
  // All are the canvas's own, read at each paint.
  TransientOverlay(const GestureController& gestures, const EditState& edit, const DisplaySettings& settings)
      : gestures_(gestures), edit_(edit), settings_(settings) {}
  void Paint(wxDC& dc, const ViewMapping& view) override;

 private:
  const GestureController& gestures_;
  const EditState& edit_;
  const DisplaySettings& settings_;
};
