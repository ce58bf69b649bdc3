#pragma once

#include <cstdint>

#include "canvas/overlay.h"
#include "db/box.h"

class ViewSession;
class wxColour;
class wxDC;
struct ViewMapping;

// The snapping grid shown as small crosses over the layout.

// Which grid points a window shows: every step database units from (firstX, firstY) up to the
// window's right and top edges. A step of 0 shows none.
struct GridPointPlan {
  int64_t step = 0;
  int64_t firstX = 0;
  int64_t firstY = 0;
};

// edge when it is a multiple of step, else the nearest multiple (halves round upwards).
int64_t AlignToGrid(int64_t edge, int64_t step);

// The grid points of window at pixelsPerUnit device pixels per database unit. The step starts
// at snapGrid and grows tenfold until neighbouring points lie at least 5 pixels apart (10 once
// it has grown, or when snapGrid exceeds libraryGrid). No points for a grid below 1, a view not
// fitted yet, or a step that would have to grow beyond any layout's size.
GridPointPlan PlanGridPoints(const Box& window, int32_t snapGrid, int32_t libraryGrid, double pixelsPerUnit);

// Draws a cross of 1-pixel lines in colour at every grid point of the visible window of view.
void DrawGridPoints(wxDC& dc, const ViewMapping& view, int32_t snapGrid, int32_t libraryGrid, const wxColour& colour);

// The grid points of a view, in its outline colour, while its settings show grids.
class GridPointsOverlay : public Overlay {
 public:
  // The session is read at each paint and must outlive the overlay.
  explicit GridPointsOverlay(const ViewSession& session) : session_(session) {}
  void Paint(wxDC& dc, const ViewMapping& view) override;

 private:
  const ViewSession& session_;
};
