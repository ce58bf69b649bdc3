#include "canvas/criticality_drawing.h"

#include <wx/bitmap.h>
#include <wx/brush.h>
#include <wx/dc.h>
#include <wx/image.h>
#include <wx/pen.h>

#include <algorithm>
#include <map>

#include "canvas/rgb_colour.h"
#include "canvas/view/view_state.h"

namespace {

constexpr int kStippleSide = 32;

// The stipple of the colour: dots at every column and row 3 + 4k on white, white masked out.
wxBitmap StippleOf(const wxColour& colour) {
  wxImage image(kStippleSide, kStippleSide);
  image.SetRGB(wxRect(0, 0, kStippleSide, kStippleSide), 255, 255, 255);
  for (int y = 3; y < kStippleSide; y += 4) {
    for (int x = 3; x < kStippleSide; x += 4) image.SetRGB(x, y, colour.Red(), colour.Green(), colour.Blue());
  }
  image.SetMaskColour(255, 255, 255);
  return wxBitmap(image);
}

// Pens and brushes of one pass, made once per colour: at most 511 colours of the scale.
class CriticalityStyles {
 public:
  explicit CriticalityStyles(uint32_t brushStyle) : brushStyle_(brushStyle) {}

  void Select(wxDC& dc, const Rgb& rgb) {
    const uint32_t key = rgb.red | (uint32_t(rgb.green) << 8) | (uint32_t(rgb.blue) << 16);
    auto found = brushes_.find(key);
    if (found == brushes_.end()) {
      const wxColour colour = ToWxColour(rgb);
      wxBrush brush = brushStyle_ == wxBRUSHSTYLE_STIPPLE ? wxBrush(StippleOf(colour))
                                                          : wxBrush(colour, static_cast<wxBrushStyle>(brushStyle_));
      found = brushes_.emplace(key, brush).first;
    }
    dc.SetPen(wxPen(ToWxColour(rgb), 1, wxPENSTYLE_SOLID));
    dc.SetBrush(found->second);
    if (brushStyle_ == wxBRUSHSTYLE_STIPPLE) dc.SetTextForeground(ToWxColour(rgb));
  }

 private:
  uint32_t brushStyle_;
  std::map<uint32_t, wxBrush> brushes_;
};

// A device coordinate held a little outside the window, so that boxes far larger than the
// view are drawn as the part of them that shows.
int32_t Held(int32_t v, int32_t low, int32_t high) { return std::clamp(v, low - 2, high + 2); }

}  // namespace

void DrawCriticality(wxDC& dc, const ViewMapping& view, const CriticalityData& data) {
  const Box window = view.VisibleWindow();
  if (window.IsEmpty() || data.criticalityBoxes.empty()) return;
  const wxPen oldPen = dc.GetPen();
  const wxBrush oldBrush = dc.GetBrush();
  CriticalityStyles styles(data.criticalityBrushStyle);
  bool selected = false;
  Rgb current;
  const int32_t left = view.windowX, right = view.windowX + view.windowW;
  const int32_t top = view.windowY, bottom = view.windowY + view.windowH;
  for (uint32_t index : CriticalityBoxesIn(data, window)) {
    const CriticalityBox& record = data.criticalityBoxes[index];
    const Box box = CriticalityBoxBounds(record);
    const Rgb rgb = CriticalityColour(record.value, data);
    if (!selected || rgb != current) {
      styles.Select(dc, rgb);
      current = rgb;
      selected = true;
    }
    const int32_t x1 = Held(view.ToDeviceX(box.x1), left, right), x2 = Held(view.ToDeviceX(box.x2), left, right);
    const int32_t y1 = Held(view.ToDeviceY(box.y2), top, bottom), y2 = Held(view.ToDeviceY(box.y1), top, bottom);
    if (x1 == x2 || y1 == y2) {
      dc.DrawLine(x1, y1, x2, y2);
    } else {
      dc.DrawRectangle(x1, y1, x2 - x1, y2 - y1);
    }
  }
  dc.SetPen(oldPen);
  dc.SetBrush(oldBrush);
}
