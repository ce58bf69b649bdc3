#pragma once

#include "canvas/overlay.h"

class ViewSession;

// What a gesture shows while it runs: the edges of a polygon being drawn in its layer's colour,
// and the rubber line or box. The rubber shapes take the inverse of the background colour, so
// that they show on any background as an inverted line would.
class TransientOverlay : public Overlay {
 public:
  // The session is read at each paint and must outlive the overlay.
  explicit TransientOverlay(const ViewSession& session) : session_(session) {}
  void Paint(wxDC& dc, const ViewMapping& view) override;

 private:
  const ViewSession& session_;
};
