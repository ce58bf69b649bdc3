#pragma once

#include "canvas/overlay.h"

class ViewSession;

// The rulers whose two ends both lie in the visible window: a line in the outline colour and
// the length in whole nanometres at the second end.
class RulerOverlay : public Overlay {
 public:
  // The session is read at each paint and must outlive the overlay.
  explicit RulerOverlay(const ViewSession& session) : session_(session) {}
  void Paint(wxDC& dc, const ViewMapping& view) override;

 private:
  const ViewSession& session_;
};
