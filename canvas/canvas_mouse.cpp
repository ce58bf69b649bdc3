// The mouse of the canvas: the toolkit's nine mouse events become events of the headless
// gesture controller, which asks the canvas for status texts, zooms, repaints and cursors. What
// the gestures show is painted by three overlays over the back buffer.
#include <wx/cursor.h>
#include <wx/image.h>

#include "canvas/canvas_host.h"
#include "canvas/view/gesture_controller.h"
#include "canvas/my_canvas.h"
#include "canvas/ruler_overlay.h"
#include "canvas/selection_overlay.h"
#include "canvas/transient_overlay.h"

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

class MyCanvas::Gestures : public GestureHost {
 public:
  explicit Gestures(MyCanvas& canvas)
      : controller(*this, canvas.view, canvas.settings_, canvas.edit, canvas.lastZoomedArea),
        selection(canvas.edit, canvas.settings_, canvas.library_),
        rulers(canvas.edit, canvas.settings_),
        transients(controller, canvas.edit, canvas.settings_),
        canvas_(canvas) {}
  // A canvas that goes mid-drag (its window closed, a test that never releases) gives the
  // capture back first: the toolkit would otherwise keep a dead window on its capture stack.
  ~Gestures() override {
    if (canvas_.HasCapture()) canvas_.ReleaseMouse();
  }

  void SetGestureStatus(int field, const std::string& text) override {
    if (canvas_.host_) canvas_.host_->SetChildStatus(field, text);
  }
  int SelectedLayerRow() const override { return canvas_.host_ ? canvas_.host_->FirstSelectedLayerRow() : -1; }
  void ApplyZoom(const ScrollRequest& request) override { canvas_.ApplyScroll(request); }
  void ZoomOutByFour() override { canvas_.Zoomout4X(); }
  void RedrawView() override { canvas_.RefreshView(); }
  void RefreshPixels(const PixelRect& area) override {
    canvas_.RefreshOverlayArea(wxRect(area.x, area.y, area.width, area.height));
  }
  void ShowCursor(CursorKind kind) override {
    switch (kind) {
      case CursorKind::kArrow:
        canvas_.SetCursor(wxCursor(wxCURSOR_ARROW));
        break;
      case CursorKind::kMagnifier:
        canvas_.SetCursor(wxCursor(wxCURSOR_MAGNIFIER));
        break;
      case CursorKind::kZoomOut:
        if (!zoomOut_.IsOk()) zoomOut_ = ZoomOutCursor();
        canvas_.SetCursor(zoomOut_);
        break;
    }
  }
  SelectedInstance ChooseFromHierarchyPath() override { return canvas_.ShowHierarchyPath(); }

  GestureController controller;
  SelectionOverlay selection;
  RulerOverlay rulers;
  TransientOverlay transients;

 private:
  MyCanvas& canvas_;
  wxCursor zoomOut_;
};

void MyCanvas::GesturesDeleter::operator()(Gestures* gestures) const { delete gestures; }

void MyCanvas::StartGestures() {
  gestures_.reset(new Gestures(*this));
  overlays_.push_back(&gestures_->selection);
  overlays_.push_back(&gestures_->rulers);
  overlays_.push_back(&gestures_->transients);
  Bind(wxEVT_LEFT_DOWN, &MyCanvas::OnLeftDown, this);
  Bind(wxEVT_LEFT_UP, &MyCanvas::OnLeftUp, this);
  Bind(wxEVT_LEFT_DCLICK, &MyCanvas::OnLeftDClick, this);
  Bind(wxEVT_MIDDLE_DOWN, &MyCanvas::OnMiddleDown, this);
  Bind(wxEVT_MIDDLE_UP, &MyCanvas::OnMiddleUp, this);
  Bind(wxEVT_RIGHT_DOWN, &MyCanvas::OnRightDown, this);
  Bind(wxEVT_RIGHT_UP, &MyCanvas::OnRightUp, this);
  Bind(wxEVT_RIGHT_DCLICK, &MyCanvas::OnRightDClick, this);
  Bind(wxEVT_MOTION, &MyCanvas::OnMotion, this);
  Bind(wxEVT_MOUSE_CAPTURE_LOST, &MyCanvas::OnMouseCaptureLost, this);
}

void MyCanvas::HandleMouse(const MouseEvent& event) {
  gestures_->controller.Handle(event, library_.get(), topCell ? topCellId : -1);
}

void MyCanvas::ClearSelection() {
  edit.Cancel();
  gestures_->controller.ClearTransients();
  RefreshSelection();
}

void MyCanvas::RefreshSelection() { Refresh(false); }

void MyCanvas::ForwardMouse(MouseKind kind, wxMouseEvent& wx) {
  if (!gestures_) return;
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
  HandleMouse(event);
  // The capture ends with the release of the last button held.
  const bool othersDown = (kind != MouseKind::kLeftUp && wx.LeftIsDown()) ||
                          (kind != MouseKind::kMiddleUp && wx.MiddleIsDown()) ||
                          (kind != MouseKind::kRightUp && wx.RightIsDown());
  const bool release = kind == MouseKind::kLeftUp || kind == MouseKind::kMiddleUp || kind == MouseKind::kRightUp;
  if (release && !othersDown && HasCapture()) ReleaseMouse();
}

void MyCanvas::OnLeftDown(wxMouseEvent& event) { ForwardMouse(MouseKind::kLeftDown, event); }
void MyCanvas::OnLeftUp(wxMouseEvent& event) { ForwardMouse(MouseKind::kLeftUp, event); }
void MyCanvas::OnLeftDClick(wxMouseEvent& event) { ForwardMouse(MouseKind::kLeftDClick, event); }
void MyCanvas::OnMiddleDown(wxMouseEvent& event) { ForwardMouse(MouseKind::kMiddleDown, event); }
void MyCanvas::OnMiddleUp(wxMouseEvent& event) { ForwardMouse(MouseKind::kMiddleUp, event); }
void MyCanvas::OnRightDown(wxMouseEvent& event) { ForwardMouse(MouseKind::kRightDown, event); }
void MyCanvas::OnRightUp(wxMouseEvent& event) { ForwardMouse(MouseKind::kRightUp, event); }
void MyCanvas::OnRightDClick(wxMouseEvent& event) { ForwardMouse(MouseKind::kRightDClick, event); }
void MyCanvas::OnMotion(wxMouseEvent& event) { ForwardMouse(MouseKind::kMotion, event); }

void MyCanvas::OnMouseCaptureLost(wxMouseCaptureLostEvent&) {
  if (gestures_) gestures_->controller.Abandon();
}
