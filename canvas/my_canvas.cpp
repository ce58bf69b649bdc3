#include "canvas/my_canvas.h"

#include <wx/dcmemory.h>
#include <wx/font.h>
#include <wx/graphics.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

#include <algorithm>

#include "canvas/cell_drawer.h"
#include "canvas/criticality_drawing.h"
#include "canvas/grid_points.h"
#include "canvas/overlay.h"
#include "canvas/rgb_colour.h"
#include "canvas/ruler_overlay.h"
#include "canvas/selection_overlay.h"
#include "canvas/transient_overlay.h"
#include "canvas/view/canvas_prompts.h"
#include "canvas/view/document.h"
#include "canvas/view/view_session.h"
#include "db/cell.h"
#include "db/error.h"
#include "db/library.h"
#include "db/log.h"

namespace {

// Layout colours must stay exact (cell images read them back), so no DC that draws layout
// antialiases.
void AntialiasOff(wxDC& dc) {
  if (wxGraphicsContext* gc = dc.GetGraphicsContext()) gc->SetAntialiasMode(wxANTIALIAS_NONE);
}

}  // namespace

MyCanvas::MyCanvas(wxWindow* parent, ViewSession& session, const wxPoint& pos, const wxSize& size)
    : wxScrolledWindow(parent, wxID_ANY, pos, size, wxSUNKEN_BORDER | wxHSCROLL | wxVSCROLL, "panel"),
      session_(session),
      gridPoints_(std::make_unique<GridPointsOverlay>(session)),
      selection_(std::make_unique<SelectionOverlay>(session)),
      rulers_(std::make_unique<RulerOverlay>(session)),
      transients_(std::make_unique<TransientOverlay>(session)),
      overlays_{gridPoints_.get(), selection_.get(), rulers_.get(), transients_.get()} {
  const struct {
    wxEventTypeTag<wxMouseEvent> type;
    MouseKind kind;
  } kMouseEvents[] = {
      {wxEVT_LEFT_DOWN, MouseKind::kLeftDown},     {wxEVT_LEFT_UP, MouseKind::kLeftUp},
      {wxEVT_LEFT_DCLICK, MouseKind::kLeftDClick}, {wxEVT_MIDDLE_DOWN, MouseKind::kMiddleDown},
      {wxEVT_MIDDLE_UP, MouseKind::kMiddleUp},     {wxEVT_RIGHT_DOWN, MouseKind::kRightDown},
      {wxEVT_RIGHT_UP, MouseKind::kRightUp},       {wxEVT_RIGHT_DCLICK, MouseKind::kRightDClick},
      {wxEVT_MOTION, MouseKind::kMotion},
  };
  for (const auto& mouse : kMouseEvents) {
    const MouseKind kind = mouse.kind;
    Bind(mouse.type, [this, kind](wxMouseEvent& event) { ForwardMouse(kind, event); });
  }
  Bind(wxEVT_MOUSE_CAPTURE_LOST, &MyCanvas::OnMouseCaptureLost, this);
  session_.SetHost(this);
}

MyCanvas::~MyCanvas() {
  session_.SetHost(nullptr);
  // A canvas that goes mid-drag (its window closed, a test that never releases) gives the
  // capture back first: the toolkit would otherwise keep a dead window on its capture stack.
  if (HasCapture()) ReleaseMouse();
}

void MyCanvas::SetChildStatus(int field, const std::string& text) {
  if (shell_) shell_->SetChildStatus(field, text);
}

void MyCanvas::SetMainStatus(const std::string& text) {
  if (shell_) shell_->SetMainStatus(text);
}

int MyCanvas::FirstSelectedLayerRow() const { return shell_ ? shell_->FirstSelectedLayerRow() : -1; }

void MyCanvas::SetBusy(bool busy) {
  if (shell_) shell_->SetBusy(busy);
}

CanvasPrompts& MyCanvas::Prompts() { return shell_ ? shell_->Prompts() : UnansweredPrompts::Instance(); }

void MyCanvas::RefreshLayerList() {
  if (shell_) shell_->RefreshLayerList();
}

void MyCanvas::AddOverlay(Overlay* overlay) { overlays_.push_back(overlay); }

void MyCanvas::RemoveOverlay(Overlay* overlay) {
  overlays_.erase(std::remove(overlays_.begin(), overlays_.end(), overlay), overlays_.end());
}

void MyCanvas::RefreshOverlays(const PixelRect& area) {
  int x = 0;
  int y = 0;
  CalcScrolledPosition(area.x, area.y, &x, &y);
  RefreshRect(wxRect(x, y, area.width, area.height), false);
}

void MyCanvas::PaintOverlays(wxDC& dc) {
  for (Overlay* overlay : overlays_) overlay->Paint(dc, session_.View());
}

bool MyCanvas::LogsPass() const {
  const Library* library = session_.GetLibrary();
  return firstDraw_ || (session_.View().magnification == 1.0 && library &&
                        int64_t(session_.Settings().depth) == int64_t(library->depth) + 1);
}

PixelRect MyCanvas::ClientArea() const {
  PixelRect area;
  CalcUnscrolledPosition(0, 0, &area.x, &area.y);
  GetClientSize(&area.width, &area.height);
  return area;
}

void MyCanvas::OnDraw(wxDC& dc) {
  const PixelRect client = ClientArea();
  RepaintInputs in;
  in.hasTopCell = session_.TopCell() != nullptr;
  in.viewChanged = viewChanged_;
  in.hasBuffer = backBuffer_ != nullptr;
  in.originX = client.x;
  in.originY = client.y;
  in.bufferOriginX = bufferOriginX_;
  in.bufferOriginY = bufferOriginY_;
  in.clientW = client.width;
  in.clientH = client.height;
  in.bufferW = bufferLogicalW_;
  in.bufferH = bufferLogicalH_;
  RepaintPath path = ChooseRepaint(in);
  if (path == RepaintPath::kNothing) return;
  if (path == RepaintPath::kBlit) {
    BlitBuffer(dc, client);
    PaintOverlays(dc);
    return;
  }
  SetChildStatus(0, "Drawing in back, wait...");
  BusyCursor busy(this);
  const bool logs = LogsPass();
  if (logs) {
    LogMessage(firstDraw_ ? "\n%sLoading and drawing top cell\n" : "\n%sDrawing all details\n", LogTimeStamp().c_str());
  }
  viewChanged_ = false;
  RedrawBuffer(client);
  BlitBuffer(dc, client);
  PaintOverlays(dc);
  if (logs) LogMessage("%sFinished\n", LogTimeStamp().c_str());
  firstDraw_ = false;
  SetChildStatus(0, "Ready");
  session_.ReportUnreadableCells();
}

void MyCanvas::PrintView(wxDC& dc, double factor) {
  const PixelRect client = ClientArea();
  if (!session_.TopCell() || client.IsEmpty() || factor <= 0) return;
  // The same view fitted into the printed size: the mapping scales with the window, so the
  // picture is the window's, drawn with factor pixels per window pixel.
  const int32_t left = RoundToDevicePixel(client.x * factor);
  const int32_t top = RoundToDevicePixel(client.y * factor);
  const int32_t width = std::max(1, RoundToDevicePixel(client.width * factor));
  const int32_t height = std::max(1, RoundToDevicePixel(client.height * factor));
  SetChildStatus(0, "Drawing in back, wait...");
  BusyCursor busy(this);
  ViewMapping& view = session_.View();
  const ViewMapping shown = view;
  view.CentreView(left, top, width, height);
  dc.SetLogicalOrigin(left, top);
  dc.SetClippingRegion(left, top, width, height);
  DrawScene(dc);
  PaintOverlays(dc);
  dc.DestroyClippingRegion();
  dc.SetLogicalOrigin(0, 0);
  view = shown;
  SetChildStatus(0, "Ready");
  session_.ReportUnreadableCells();
}

void MyCanvas::RedrawBuffer(const PixelRect& client) {
  bufferOriginX_ = client.x;
  bufferOriginY_ = client.y;
  // The buffer only grows: shrinking the window keeps it and narrows the part in use.
  if (!backBuffer_ || client.width > backBuffer_->GetWidth() || client.height > backBuffer_->GetHeight()) {
    const int w = backBuffer_ ? std::max(client.width, backBuffer_->GetWidth()) : client.width;
    const int h = backBuffer_ ? std::max(client.height, backBuffer_->GetHeight()) : client.height;
    backBuffer_.reset();
    backBuffer_ = std::make_unique<wxBitmap>(w, h, 24);
  }
  bufferLogicalW_ = client.width;
  bufferLogicalH_ = client.height;
  wxMemoryDC memory(*backBuffer_);
  AntialiasOff(memory);
  memory.SetBackground(wxBrush(ToWxColour(session_.Settings().backgroundColour), wxBRUSHSTYLE_SOLID));
  memory.Clear();
  memory.SetDeviceOrigin(-client.x, -client.y);
  session_.View().CentreView(client.x, client.y, client.width, client.height);
  memory.SetClippingRegion(client.x, client.y, client.width, client.height);
  memory.SetFont(wxFontInfo(12).Family(wxFONTFAMILY_SWISS));
  DrawScene(memory);
  memory.SelectObject(wxNullBitmap);
}

wxBitmap MyCanvas::DrawnImage() const {
  if (!backBuffer_ || bufferLogicalW_ <= 0 || bufferLogicalH_ <= 0) return wxBitmap();
  return backBuffer_->GetSubBitmap(wxRect(0, 0, bufferLogicalW_, bufferLogicalH_));
}

void MyCanvas::BlitBuffer(wxDC& dc, const PixelRect& client) {
  wxMemoryDC source;
  source.SelectObjectAsSource(*backBuffer_);
  dc.Blit(client.x, client.y, client.width, client.height, &source, 0, 0);
}

void MyCanvas::DrawScene(wxDC& dc) {
  ++sceneDrawCount_;
  if (!session_.TopCell()) return;
  try {
    DrawLayout(dc);
  } catch (const Error& e) {
    // What was drawn so far stays. The box waits until the paint is over: a modal loop inside
    // the paint handler could paint this canvas again while the buffer is in use.
    LogMessage("%s\n", e.Message().c_str());
    wxString message = wxString::FromUTF8(e.Message().c_str());
    CallAfter([this, message] { wxMessageBox(message, "Accelerated Drawing Error", wxOK | wxCENTRE, this); });
  }
}

void MyCanvas::DrawLayout(wxDC& dc) {
  Library& library = *session_.GetLibrary();
  const Cell& topCell = *session_.TopCell();
  const uint32_t topCellId = uint32_t(session_.TopCellId());
  const ViewMapping& view = session_.View();
  const Box window = view.VisibleWindow();
  const DisplaySettings& s = session_.Settings();
  DrawSettings settings;
  settings.topCellId = int32_t(topCellId);
  settings.highlightedCell = s.highlightedCell;
  settings.cellSizeLimit = s.cellSizeLimit;
  settings.showNames = s.showNames != 0;
  settings.showTexts = s.showTexts != 0;
  settings.showOutlines = s.showOutlines != 0;
  settings.layerFilter = s.layerFilter != 0;
  settings.fineView = IsViewWithin(window, s.fineViewLimit, s.nmPerUnit);
  settings.coarseView = IsViewWithin(window, s.coarseViewLimit, s.nmPerUnit);
  settings.outlineColour = ToWxColour(s.outlineColour);
  settings.highlightColour = ToWxColour(s.instanceHighlightColour);
  settings.background = ToWxColour(s.backgroundColour);
  settings.unreadableCells = &session_.Unreadable();
  if (!s.accurateDraw) {
    settings.images = &session_.GetDocument()->Images();
    settings.images->Follow(library);
  }
  // The whole hierarchy goes through images only for the whole shown cell in full detail.
  const bool accelerated = settings.images && !settings.fineView && !settings.coarseView && !s.layerFilter &&
                           s.cellSizeLimit == 0 && int64_t(s.depth) > int64_t(library.depth) && s.highlightedCell < 0 &&
                           window.Contains(topCell.box);
  CellImages::Pass imagePass(settings.images);
  {
    CellDrawer drawer(library, dc, view, settings, fillTiles_, textStamps_);
    if (!(s.layerFilter && int64_t(library.depth) < s.depth)) {
      if (s.depth == 0) {
        drawer.DrawCellOutline(topCell, Trans());
      } else if (s.orderedDraw || settings.fineView) {
        drawer.DrawOrdered(topCellId, window, s.depth, accelerated);
      } else if (accelerated) {
        drawer.DrawCellAccelerated(topCellId);
      } else {
        drawer.DrawCellHierarchy(topCellId, window, Trans(), s.depth);
      }
    }
    OverlayData& overlays = session_.Overlays();
    if (overlays.HasPolygons()) drawer.DrawCellGeometry(overlays.cell, window, Trans());
  }
  // The drawer has put its picture onto dc; the criticality boxes go over it.
  const CriticalityData& criticality = session_.Overlays().criticality;
  if (criticality.criticalityShown) DrawCriticality(dc, view, criticality);
  LogMessage("Free Memory = %lld MBytes\n", static_cast<long long>(wxGetFreeMemory().GetValue() / 1048576));
}

void MyCanvas::RedrawView() {
  viewChanged_ = true;
  Refresh(true);
}

void MyCanvas::ApplyScroll(const ScrollRequest& request) {
  // Set before scrolling: the toolkit may clamp the new origin back to the old one, and the
  // paint must not then take the copy of the old picture.
  viewChanged_ = true;
  SetScrollbars(kScrollUnit, kScrollUnit, request.unitsX, request.unitsY, request.posX, request.posY);
  // On GTK SetScrollbars moves the view but leaves the bars' thumbs where they were, and the
  // next scroll would start from there: put them where the view now is.
  int x = 0;
  int y = 0;
  GetViewStart(&x, &y);
  SetScrollPos(wxHORIZONTAL, x);
  SetScrollPos(wxVERTICAL, y);
  Refresh(true);
}
