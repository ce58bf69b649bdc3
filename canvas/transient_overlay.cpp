#include "canvas/transient_overlay.h"

#include <wx/dc.h>

#include <vector>

#include "canvas/view/view_session.h"
#include "canvas/view/view_state.h"
#include "db/layer_info.h"

void TransientOverlay::Paint(wxDC& dc, const ViewMapping& view) {
  const EditState& edit = session_.Edit();
  if (edit.drawingPolygon && edit.HasSelection()) {
    const ColourBytes bytes = BytesOfColourWord(edit.editColour);
    dc.SetPen(wxPen(wxColour(bytes.red, bytes.green, bytes.blue), 1, wxPENSTYLE_SOLID));
    std::vector<wxPoint> points;
    const RingVertex* head = edit.selectionRing.Head();
    const RingVertex* v = head;
    do {
      points.emplace_back(view.ToDeviceX(v->x), view.ToDeviceY(v->y));
      v = v->ringNext;
    } while (v && v != head);
    if (points.size() > 1) dc.DrawLines(int(points.size()), points.data());
  }
  const GestureController& gestures = session_.Gestures();
  const GestureTransients& t = gestures.Transients();
  if (!t.rubberLine && !t.rubberBox) return;
  const Rgb& back = session_.Settings().backgroundColour;
  dc.SetPen(wxPen(wxColour(255 - back.red, 255 - back.green, 255 - back.blue), 1, wxPENSTYLE_SOLID));
  // The rubber line belongs to a left drag or a drawing; a command may have ended either.
  if (t.rubberLine && (gestures.State().leftButtonDown || edit.drawingPolygon)) {
    dc.DrawLine(t.lineX1, t.lineY1, t.lineX2, t.lineY2);
  }
  if (t.rubberBox) {
    dc.DrawLine(t.boxX1, t.boxY1, t.boxX2, t.boxY1);
    dc.DrawLine(t.boxX2, t.boxY1, t.boxX2, t.boxY2);
    dc.DrawLine(t.boxX2, t.boxY2, t.boxX1, t.boxY2);
    dc.DrawLine(t.boxX1, t.boxY2, t.boxX1, t.boxY1);
  }
}
