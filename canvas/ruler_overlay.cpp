#include "canvas/ruler_overlay.h"

#include <wx/dc.h>
#include <wx/font.h>

#include "canvas/rgb_colour.h"
#include "canvas/view/ruler_label.h"
#include "canvas/view/view_session.h"
#include "canvas/view/view_state.h"

void RulerOverlay::Paint(wxDC& dc, const ViewMapping& view) {
  const std::vector<Ruler>& rulers = session_.Edit().rulers;
  if (rulers.empty()) return;
  const Box window = view.VisibleWindow();
  const wxColour colour = ToWxColour(session_.Settings().outlineColour);
  dc.SetPen(wxPen(colour, 1, wxPENSTYLE_SOLID));
  dc.SetFont(wxFontInfo(11).Family(wxFONTFAMILY_SWISS));
  dc.SetTextForeground(colour);
  dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
  for (const Ruler& ruler : rulers) {
    if (!RulerShown(ruler, window)) continue;
    int32_t x2 = view.ToDeviceX(ruler.x2);
    int32_t y2 = view.ToDeviceY(ruler.y2);
    dc.DrawLine(view.ToDeviceX(ruler.x1), view.ToDeviceY(ruler.y1), x2, y2);
    dc.DrawText(RulerLabel(ruler, session_.Settings().nmPerUnit), x2, y2);
  }
}
