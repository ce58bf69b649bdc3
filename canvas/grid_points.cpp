#include "canvas/grid_points.h"

#include <wx/dc.h>

#include <cmath>
#include <vector>

#include "canvas/rgb_colour.h"
#include "canvas/view/view_session.h"
#include "canvas/view/view_state.h"
#include "db/library.h"

namespace {

// Beyond this a step is wider than any layout (the 32-bit coordinate range times a margin):
// a view that would need it shows no grid rather than loop on.
constexpr int64_t kMaxGridStep = int64_t(1) << 40;

// A device position, kept far inside the 32-bit range (the DC clips it anyway).
int32_t RoundPixel(double v) { return int32_t(std::floor(std::fmin(std::fmax(v, -1e9), 1e9) + 0.5)); }

}  // namespace

int64_t AlignToGrid(int64_t edge, int64_t step) {
  if (edge % step == 0) return edge;
  return int64_t(std::floor(double(edge) / double(step) + 0.5)) * step;
}

GridPointPlan PlanGridPoints(const Box& window, int32_t snapGrid, int32_t libraryGrid, double pixelsPerUnit) {
  GridPointPlan plan;
  if (snapGrid < 1 || !(pixelsPerUnit > 0) || !std::isfinite(pixelsPerUnit) || window.IsEmpty()) return plan;
  int64_t step = snapGrid;
  double minimum = snapGrid <= libraryGrid ? 5.0 : 10.0;
  while (double(step) * pixelsPerUnit < minimum) {
    step *= 10;
    minimum = 10.0;
    if (step > kMaxGridStep) return plan;
  }
  plan.step = step;
  plan.firstX = AlignToGrid(window.x1, step);
  plan.firstY = AlignToGrid(window.y1, step);
  return plan;
}

void DrawGridPoints(wxDC& dc, const ViewMapping& view, int32_t snapGrid, int32_t libraryGrid, const wxColour& colour) {
  const Box window = view.VisibleWindow();
  const GridPointPlan plan = PlanGridPoints(window, snapGrid, libraryGrid, view.PixelsPerUnit());
  if (plan.step == 0) return;
  std::vector<int32_t> columns;
  for (int64_t x = plan.firstX; x <= window.x2; x += plan.step) columns.push_back(RoundPixel(view.DeviceX(double(x))));
  std::vector<int32_t> rows;
  for (int64_t y = plan.firstY; y <= window.y2; y += plan.step) rows.push_back(RoundPixel(view.DeviceY(double(y))));
  const wxPen oldPen = dc.GetPen();
  dc.SetPen(wxPen(colour, 1, wxPENSTYLE_SOLID));
  for (int32_t y : rows) {
    for (int32_t x : columns) {
      dc.DrawLine(x - 1, y, x + 2, y);
      dc.DrawLine(x, y - 1, x, y + 2);
    }
  }
  dc.SetPen(oldPen);
}

void GridPointsOverlay::Paint(wxDC& dc, const ViewMapping& view) {
  const DisplaySettings& settings = session_.Settings();
  const Library* library = session_.GetLibrary();
  if (!settings.showGrids || !library) return;
  DrawGridPoints(dc, view, settings.snapGrid, library->gridSetting, ToWxColour(settings.outlineColour));
}
