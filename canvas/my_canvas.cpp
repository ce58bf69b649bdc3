#include "canvas/my_canvas.h"

#include <wx/dcmemory.h>
#include <wx/font.h>
#include <wx/graphics.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

#include <algorithm>

#include "canvas/canvas_host.h"
#include "canvas/cell_drawer.h"
#include "canvas/cell_images.h"
#include "canvas/criticality_drawing.h"
#include "canvas/view/canvas_prompts.h"
#include "canvas/grid_points.h"
#include "canvas/overlay.h"
#include "canvas/rgb_colour.h"
#include "db/cell.h"
#include "db/cell_contents.h"
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

MyCanvas::MyCanvas(wxWindow* parent, wxWindowID, const wxPoint& pos, const wxSize& size)
    : wxScrolledWindow(parent, wxID_ANY, pos, size, wxSUNKEN_BORDER | wxHSCROLL | wxVSCROLL, "panel"),
      gridPoints_(std::make_unique<GridPointsOverlay>(settings_, library_)) {
  overlays_.push_back(gridPoints_.get());
  StartGestures();
  AllCanvases().push_back(this);
}

MyCanvas::~MyCanvas() {
  std::vector<MyCanvas*>& all = AllCanvases();
  all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

std::vector<MyCanvas*>& MyCanvas::AllCanvases() {
  static std::vector<MyCanvas*> all;
  return all;
}

std::vector<MyCanvas*> MyCanvas::CanvasesShowing(const Library* library) {
  std::vector<MyCanvas*> showing;
  if (!library) return showing;
  for (MyCanvas* canvas : AllCanvases()) {
    if (canvas->library_.get() == library) showing.push_back(canvas);
  }
  return showing;
}

MyCanvas::BusyCursor::BusyCursor(CanvasHost* host) : host_(host) {
  if (host_) host_->SetBusy(true);
}

MyCanvas::BusyCursor::~BusyCursor() {
  if (host_) host_->SetBusy(false);
}

CanvasPrompts& MyCanvas::Prompts() {
  static UnansweredPrompts unanswered;
  return host_ ? host_->Prompts() : unanswered;
}

void MyCanvas::ChildStatus(const std::string& text) {
  if (host_) host_->SetChildStatus(0, text);
}

void MyCanvas::MainStatus(const std::string& text) {
  if (host_) host_->SetMainStatus(text);
}

void MyCanvas::GridStep() {
  if (!library_) return;
  UnitFields fields = UnitFieldsFor(library_->dbUnit);
  settings_.nmPerUnit = fields.nmPerUnit;
  settings_.umPerUnit = fields.umPerUnit;
  settings_.snapGrid = fields.snapGrid;
}

void MyCanvas::ApplySettings(const DisplaySettings& settings) {
  const bool sameScene = SameScene(settings_, settings);
  settings_ = settings;
  if (sameScene) {
    // The grid overlay spans the whole window.
    Refresh(false);
  } else {
    RefreshView();
  }
}

void MyCanvas::AddOverlay(Overlay* overlay) { overlays_.push_back(overlay); }

void MyCanvas::RemoveOverlay(Overlay* overlay) {
  overlays_.erase(std::remove(overlays_.begin(), overlays_.end(), overlay), overlays_.end());
}

void MyCanvas::RefreshOverlayArea(const wxRect& area) {
  int x = 0;
  int y = 0;
  CalcScrolledPosition(area.x, area.y, &x, &y);
  RefreshRect(wxRect(x, y, area.width, area.height), false);
}

void MyCanvas::PaintOverlays(wxDC& dc) {
  for (Overlay* overlay : overlays_) overlay->Paint(dc, view);
}

bool MyCanvas::LogsPass() const {
  return firstDraw ||
         (view.magnification == 1.0 && library_ && int64_t(settings_.depth) == int64_t(library_->depth) + 1);
}

wxRect MyCanvas::ScrolledClientArea() const {
  wxRect area;
  CalcUnscrolledPosition(0, 0, &area.x, &area.y);
  GetClientSize(&area.width, &area.height);
  return area;
}

void MyCanvas::OnDraw(wxDC& dc) {
  const wxRect client = ScrolledClientArea();
  const int x0 = client.x, y0 = client.y, cw = client.width, ch = client.height;
  RepaintInputs in;
  in.hasTopCell = topCell != nullptr;
  in.viewChanged = viewChanged;
  in.hasBuffer = backBuffer_ != nullptr;
  in.originX = x0;
  in.originY = y0;
  in.bufferOriginX = bufferOriginX_;
  in.bufferOriginY = bufferOriginY_;
  in.clientW = cw;
  in.clientH = ch;
  in.bufferW = bufferLogicalW_;
  in.bufferH = bufferLogicalH_;
  RepaintPath path = ChooseRepaint(in);
  if (path == RepaintPath::kNothing) return;
  if (path == RepaintPath::kBlit) {
    BlitBuffer(dc, x0, y0, cw, ch);
    PaintOverlays(dc);
    return;
  }
  ChildStatus("Drawing in back, wait...");
  BusyCursor busy(host_);
  bool logs = LogsPass();
  if (logs) {
    LogMessage(firstDraw ? "\n%sLoading and drawing top cell\n" : "\n%sDrawing all details\n", LogTimeStamp().c_str());
  }
  viewChanged = false;
  RedrawBuffer(x0, y0, cw, ch);
  BlitBuffer(dc, x0, y0, cw, ch);
  PaintOverlays(dc);
  if (logs) LogMessage("%sFinished\n", LogTimeStamp().c_str());
  firstDraw = false;
  ChildStatus("Ready");
  ReportUnreadableCells();
}

void MyCanvas::PrintView(wxDC& dc, double factor) {
  const wxRect client = ScrolledClientArea();
  if (!topCell || client.IsEmpty() || factor <= 0) return;
  // The same view fitted into the printed size: the mapping scales with the window, so the
  // picture is the window's, drawn with factor pixels per window pixel.
  const int32_t left = RoundToDevicePixel(client.x * factor);
  const int32_t top = RoundToDevicePixel(client.y * factor);
  const int32_t width = std::max(1, RoundToDevicePixel(client.width * factor));
  const int32_t height = std::max(1, RoundToDevicePixel(client.height * factor));
  ChildStatus("Drawing in back, wait...");
  BusyCursor busy(host_);
  const ViewMapping shown = view;
  view.CentreView(left, top, width, height);
  dc.SetLogicalOrigin(left, top);
  dc.SetClippingRegion(left, top, width, height);
  DrawSceneGuarded(dc);
  PaintOverlays(dc);
  dc.DestroyClippingRegion();
  dc.SetLogicalOrigin(0, 0);
  view = shown;
  ChildStatus("Ready");
  ReportUnreadableCells();
}

void MyCanvas::ReportUnreadableCells() {
  // An unreadable cell is reported once; later passes draw the rest without it.
  for (const std::string& line : unreadableCells_.TakeNewReports()) MainStatus(line.substr(0, line.size() - 1));
}

void MyCanvas::RedrawBuffer(int32_t x0, int32_t y0, int32_t cw, int32_t ch) {
  bufferOriginX_ = x0;
  bufferOriginY_ = y0;
  // The buffer only grows: shrinking the window keeps it and narrows the part in use.
  if (!backBuffer_ || cw > backBuffer_->GetWidth() || ch > backBuffer_->GetHeight()) {
    int w = backBuffer_ ? std::max(cw, backBuffer_->GetWidth()) : cw;
    int h = backBuffer_ ? std::max(ch, backBuffer_->GetHeight()) : ch;
    backBuffer_.reset();
    backBuffer_ = std::make_unique<wxBitmap>(w, h, 24);
  }
  bufferLogicalW_ = cw;
  bufferLogicalH_ = ch;
  wxMemoryDC memory(*backBuffer_);
  AntialiasOff(memory);
  memory.SetBackground(wxBrush(ToWxColour(settings_.backgroundColour), wxBRUSHSTYLE_SOLID));
  memory.Clear();
  memory.SetDeviceOrigin(-x0, -y0);
  view.CentreView(x0, y0, cw, ch);
  memory.SetClippingRegion(x0, y0, cw, ch);
  memory.SetFont(wxFontInfo(12).Family(wxFONTFAMILY_SWISS));
  DrawSceneGuarded(memory);
  memory.SelectObject(wxNullBitmap);
}

void MyCanvas::DrawSceneGuarded(wxDC& dc) {
  try {
    DrawScene(dc);
  } catch (const Error& e) {
    // What was drawn so far stays. The box waits until the paint is over: a modal loop inside
    // the paint handler could paint this canvas again while the buffer is in use.
    LogMessage("%s\n", e.Message().c_str());
    wxString message = wxString::FromUTF8(e.Message().c_str());
    CallAfter([this, message] { wxMessageBox(message, "Accelerated Drawing Error", wxOK | wxCENTRE, this); });
  }
}

wxBitmap MyCanvas::DrawnImage() const {
  if (!backBuffer_ || bufferLogicalW_ <= 0 || bufferLogicalH_ <= 0) return wxBitmap();
  return backBuffer_->GetSubBitmap(wxRect(0, 0, bufferLogicalW_, bufferLogicalH_));
}

void MyCanvas::BlitBuffer(wxDC& dc, int32_t x0, int32_t y0, int32_t cw, int32_t ch) {
  wxMemoryDC source;
  source.SelectObjectAsSource(*backBuffer_);
  dc.Blit(x0, y0, cw, ch, &source, 0, 0);
}

void MyCanvas::DrawScene(wxDC& dc) {
  ++sceneDrawCount_;
  if (!topCell || !library_) return;
  Box window = view.VisibleWindow();
  const DisplaySettings& s = settings_;
  fineView = IsViewWithin(window, s.fineViewLimit, s.nmPerUnit);
  coarseView = IsViewWithin(window, s.coarseViewLimit, s.nmPerUnit);
  DrawSettings settings;
  settings.topCellId = topCellId;
  settings.highlightedCell = s.highlightedCell;
  settings.cellSizeLimit = s.cellSizeLimit;
  settings.showNames = s.showNames != 0;
  settings.showTexts = s.showTexts != 0;
  settings.showOutlines = s.showOutlines != 0;
  settings.layerFilter = s.layerFilter != 0;
  settings.fineView = fineView;
  settings.outlineColour = ToWxColour(s.outlineColour);
  settings.highlightColour = ToWxColour(s.instanceHighlightColour);
  settings.background = ToWxColour(s.backgroundColour);
  settings.unreadableCells = &unreadableCells_;
  settings.coarseView = coarseView;
  if (!s.accurateDraw) settings.images = FollowCellImages();
  // The whole hierarchy goes through images only for the whole shown cell in full detail.
  const bool accelerated = settings.images && !fineView && !coarseView && !s.layerFilter && s.cellSizeLimit == 0 &&
                           int64_t(s.depth) > int64_t(library_->depth) && s.highlightedCell < 0 &&
                           window.Contains(topCell->box);
  CellImages::Pass imagePass(settings.images);
  {
    CellDrawer drawer(*library_, dc, view, settings, fillTiles_, textStamps_);
    if (!(s.layerFilter && int64_t(library_->depth) < s.depth)) {
      if (s.depth == 0) {
        drawer.DrawCellOutline(*topCell, Trans());
      } else if (s.orderedDraw || fineView) {
        drawer.DrawOrdered(uint32_t(topCellId), window, s.depth, accelerated);
      } else if (accelerated) {
        drawer.DrawCellAccelerated(uint32_t(topCellId));
      } else {
        drawer.DrawCellHierarchy(uint32_t(topCellId), window, Trans(), s.depth);
      }
    }
    if (overlayData.HasPolygons()) drawer.DrawCellGeometry(overlayData.cell, window, Trans());
  }
  // The drawer has put its picture onto dc; the criticality boxes go over it.
  if (overlayData.criticality.criticalityShown) DrawCriticality(dc, view, overlayData.criticality);
  LogMessage("Free Memory = %lld MBytes\n", static_cast<long long>(wxGetFreeMemory().GetValue() / 1048576));
}

CellImages* MyCanvas::FollowCellImages() {
  cellImages_ = CellImages::Shared(*library_);
  cellImages_->Follow(*library_);
  return cellImages_.get();
}

void MyCanvas::RefreshView() {
  viewChanged = true;
  Refresh(true);
}

void MyCanvas::ApplyScroll(const ScrollRequest& request) {
  // Set before scrolling: the toolkit may clamp the new origin back to the old one, and the
  // paint must not then take the copy of the old picture.
  viewChanged = true;
  SetScrollbarsTo(request);
  Refresh(true);
}

void MyCanvas::SetScrollbarsTo(const ScrollRequest& request) {
  SetScrollbars(kScrollUnit, kScrollUnit, request.unitsX, request.unitsY, request.posX, request.posY);
  // On GTK SetScrollbars moves the view but leaves the bars' thumbs where they were, and the
  // next scroll would start from there: put them where the view now is.
  int x = 0;
  int y = 0;
  GetViewStart(&x, &y);
  SetScrollPos(wxHORIZONTAL, x);
  SetScrollPos(wxVERTICAL, y);
}

void MyCanvas::ResizeCanvas(int oldW, int oldH, int newW, int newH) {
  int x0 = 0;
  int y0 = 0;
  CalcUnscrolledPosition(0, 0, &x0, &y0);
  if (auto request = ResizeScroll(oldW, oldH, newW, newH, view.magnification, x0, y0)) ApplyScroll(*request);
}

void MyCanvas::ZoomToBox(double x, double y, double halfWidth) {
  int cw = 0;
  int ch = 0;
  GetClientSize(&cw, &ch);
  if (auto request = ZoomToBoxScroll(view, x, y, halfWidth, settings_.umPerUnit, settings_.nmPerUnit, cw, ch)) {
    ApplyScroll(*request);
  }
}

void MyCanvas::Zoomin4X() {
  // Before the first drawing pass there is no fitted view to zoom.
  if (view.scale <= 0 || view.VisibleWindow().IsEmpty()) {
    RefreshView();
    return;
  }
  ZoomByFour(ZoomInScroll);
}

void MyCanvas::Zoomout4X() { ZoomByFour(ZoomOutScroll); }

void MyCanvas::ZoomByFour(ZoomScrollFunction zoom) {
  int sx = 0;
  int sy = 0;
  GetViewStart(&sx, &sy);
  int cw = 0;
  int ch = 0;
  GetClientSize(&cw, &ch);
  if (auto request = zoom(view.magnification, sx * kScrollUnit, sy * kScrollUnit, cw, ch)) {
    ApplyScroll(*request);
  }
}

void MyCanvas::Zoomout() {
  lastZoomedArea = Box();
  view.magnification = 1.0;
  settings_.cellSizeLimit = settings_.userCellSizeLimit;
  int cw = 0;
  int ch = 0;
  GetClientSize(&cw, &ch);
  SetScrollbarsTo(FullViewScroll(cw, ch));
  if (library_ && library_->CellsEdited() && topCell && topCell->loaded) {
    Box box;
    ComputeCellBBox(box, *topCell);
    if (!box.IsEmpty()) {
      topCell->box = box;
      SetTopCell(topCellId);
    }
  }
  RefreshView();
}
