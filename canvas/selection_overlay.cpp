#include "canvas/selection_overlay.h"

#include <wx/dc.h>

#include <unordered_set>
#include <vector>

#include "canvas/rgb_colour.h"
#include "canvas/view/view_session.h"
#include "canvas/view/view_state.h"
#include "db/library.h"

void SelectionOverlay::Paint(wxDC& dc, const ViewMapping& view) {
  EditState& edit = session_.Edit();
  if (edit.HasSelection()) {
    dc.SetPen(wxPen(ToWxColour(session_.Settings().geometryHighlightColour), 1, wxPENSTYLE_SOLID));
    dc.SetBrush(*wxTRANSPARENT_BRUSH);
    std::unordered_set<const RingVertex*> seen;
    std::vector<wxPoint> points;
    for (const RingVertex* start = edit.selectionRing.Head(); start; start = start->next) {
      if (seen.count(start)) continue;
      points.clear();
      const RingVertex* v = start;
      do {
        seen.insert(v);
        points.emplace_back(view.ToDeviceX(v->x), view.ToDeviceY(v->y));
        v = v->ringNext;
      } while (v && v != start);
      // A ring whose links end before it comes round is still being drawn.
      if (v) dc.DrawPolygon(int(points.size()), points.data(), 0, 0, wxODDEVEN_RULE);
    }
  }
  if (const Library* library = session_.GetLibrary()) edit.FollowGeneration(*library);
  if (edit.selectedInstance) PaintInstance(dc, view);
}

void SelectionOverlay::PaintInstance(wxDC& dc, const ViewMapping& view) {
  const SelectedInstance& instance = session_.Edit().selectedInstance;
  const Library* library = session_.GetLibrary();
  const Cell* placed = library ? library->GetCell(instance.ref->CellId()) : nullptr;
  if (!placed) return;
  Box box;
  instance.ref->GetBox(box, placed->box);
  instance.holderToShown.ApplyToBox(box);
  if (box.x1 > box.x2 || box.y1 > box.y2) return;
  int32_t left = view.ToDeviceX(box.x1);
  int32_t right = view.ToDeviceX(box.x2);
  int32_t top = view.ToDeviceY(box.y2);
  int32_t bottom = view.ToDeviceY(box.y1);
  dc.SetPen(wxPen(ToWxColour(session_.Settings().instanceHighlightColour), 1, wxPENSTYLE_SOLID));
  dc.DrawLine(left, top, right, top);
  dc.DrawLine(right, top, right, bottom);
  dc.DrawLine(right, bottom, left, bottom);
  dc.DrawLine(left, bottom, left, top);
  Trans shown = *instance.ref;
  shown.Compose(instance.holderToShown);
  TickLine tick = OrientationTick(left, right, bottom, top, shown.orientation);
  dc.DrawLine(tick.x1, tick.y1, tick.x2, tick.y2);
}
