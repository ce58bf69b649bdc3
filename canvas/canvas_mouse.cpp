// The mouse of the canvas: the toolkit's nine mouse events become events of the session's
// gestures, which ask the canvas for cursors among the rest of what a host does.
#include <wx/cursor.h>
#include <wx/image.h>

#include "canvas/my_canvas.h"
#include "canvas/view/view_session.h"

namespace {

// A 16 x 16 magnifying glass with a minus bar: black ring and handle, white lens and bar, the
// rest transparent; the hot spot is the centre of the lens.
wxCursor ZoomOutCursor() {
  wxImage image(16, 16);
  const unsigned char clear[3] = {1, 2, 3};
  image.SetRGB(wxRect(0, 0, 16, 16), clear[0], clear[1], clear[2]);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      int dx = x - 6;
      int dy = y - 6;
      int d = dx * dx + dy * dy;
      if (d <= 16) image.SetRGB(x, y, 255, 255, 255);
      if (d > 16 && d <= 30) image.SetRGB(x, y, 0, 0, 0);
      if (x >= 10 && x == y) image.SetRGB(x, y, 0, 0, 0);
      if (x >= 10 && x == y + 1) image.SetRGB(x, y, 0, 0, 0);
    }
  }
  for (int x = 3; x <= 9; ++x) image.SetRGB(x, 6, 0, 0, 0);
  image.SetMaskColour(clear[0], clear[1], clear[2]);
  image.SetOption(wxIMAGE_OPTION_CUR_HOTSPOT_X, 6);
  image.SetOption(wxIMAGE_OPTION_CUR_HOTSPOT_Y, 6);
  return wxCursor(image);
}

}  // namespace

void MyCanvas::ShowCursor(CursorKind kind) {
  switch (kind) {
    case CursorKind::kArrow: SetCursor(wxCursor(wxCURSOR_ARROW)); break;
    case CursorKind::kMagnifier: SetCursor(wxCursor(wxCURSOR_MAGNIFIER)); break;
    case CursorKind::kZoomOut:
      if (!zoomOutCursor_.IsOk()) zoomOutCursor_ = ZoomOutCursor();
      SetCursor(zoomOutCursor_);
      break;
  }
}

void MyCanvas::ForwardMouse(MouseKind kind, wxMouseEvent& wx) {
  MouseEvent event;
  event.kind = kind;
  CalcUnscrolledPosition(wx.GetX(), wx.GetY(), &event.x, &event.y);
  event.leftIsDown = wx.LeftIsDown();
  event.middleIsDown = wx.MiddleIsDown();
  event.rightIsDown = wx.RightIsDown();
  event.control = wx.ControlDown();
  event.shift = wx.ShiftDown();
  event.alt = wx.AltDown();
  // A drag that leaves the window still ends here.
  if (IsPress(kind) && !HasCapture()) CaptureMouse();
  session_.HandleMouse(event);
  // The capture ends with the release of the last button held.
  const bool othersDown = (kind != MouseKind::kLeftUp && wx.LeftIsDown()) ||
                          (kind != MouseKind::kMiddleUp && wx.MiddleIsDown()) ||
                          (kind != MouseKind::kRightUp && wx.RightIsDown());
  const bool release = kind == MouseKind::kLeftUp || kind == MouseKind::kMiddleUp || kind == MouseKind::kRightUp;
  if (release && !othersDown && HasCapture()) ReleaseMouse();
}

void MyCanvas::OnMouseCaptureLost(wxMouseCaptureLostEvent&) { session_.AbandonGesture(); }
