#include "canvas/my_canvas.h"

#include <wx/dcmemory.h>
#include <wx/dcprint.h>
#include <wx/font.h>
#include <wx/graphics.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

#include <cmath>
#include <ctime>

#include "canvas/cell_drawer.h"
#include "canvas/grid_points.h"
#include "canvas/status_sink.h"
#include "db/cell.h"
#include "db/cell_contents.h"
#include "db/error.h"
#include "db/library.h"
#include "db/log.h"
#include "db/numeric.h"

namespace {

// Layout colours must stay exact (cell images read them back), so no DC that draws layout
// antialiases.
void AntialiasOff(wxDC& dc) {
  if (wxGraphicsContext* gc = dc.GetGraphicsContext()) gc->SetAntialiasMode(wxANTIALIAS_NONE);
}

}  // namespace

MyCanvas::MyCanvas(wxWindow* parent, wxWindowID, const wxPoint& pos, const wxSize& size)
    : wxScrolledWindow(parent, wxID_ANY, pos, size, wxSUNKEN_BORDER | wxHSCROLL | wxVSCROLL, "panel") {}

MyCanvas::~MyCanvas() = default;

std::string MyCanvas::TimeStamp() {
  std::time_t now = std::time(nullptr);
  char text[64] = "";
  if (!ctime_r(&now, text)) return "\n";
  return text;
}

void MyCanvas::ChildStatus(const std::string& text) {
  if (statusSink_) statusSink_->SetChildStatus(0, text);
}

void MyCanvas::MainStatus(const std::string& text) {
  if (statusSink_) statusSink_->SetMainStatus(text);
}

void MyCanvas::GridStep() {
  if (!library_) return;
  UnitFields fields = UnitFieldsFor(library_->dbUnit);
  nmPerUnit = fields.nmPerUnit;
  umPerUnit = fields.umPerUnit;
  snapGrid = fields.snapGrid;
}

bool MyCanvas::LogsPass() const {
  return firstDraw || (view.magnification == 1.0 && library_ && int64_t(depth) == int64_t(library_->depth) + 1);
}

void MyCanvas::OnDraw(wxDC& dc) {
  int x0 = 0;
  int y0 = 0;
  CalcUnscrolledPosition(0, 0, &x0, &y0);
  int cw = 0;
  int ch = 0;
  GetClientSize(&cw, &ch);
  RepaintInputs in;
  in.hasTopCell = topCell != nullptr;
  in.isPrinter = dynamic_cast<wxPrinterDC*>(&dc) != nullptr;
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
    return;
  }
  ChildStatus("Drawing in back, wait...");
  viewChanged = false;
  wxBusyCursor busy;
  bool logs = LogsPass();
  if (logs) {
    LogMessage(firstDraw ? "\n%sLoading and drawing top cell\n" : "\n%sDrawing all details\n", TimeStamp().c_str());
  }
  if (path == RepaintPath::kPrint) {
    view.CentreView(x0, y0, cw, ch);
    dc.SetClippingRegion(x0, y0, cw, ch);
    DrawSceneGuarded(dc);
  } else {
    RedrawBuffer(x0, y0, cw, ch);
    BlitBuffer(dc, x0, y0, cw, ch);
    if (logs) LogMessage("%sFinished\n", TimeStamp().c_str());
    firstDraw = false;
  }
  ChildStatus("Ready");
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
  memory.SetBackground(wxBrush(backgroundColour, wxBRUSHSTYLE_SOLID));
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
    if (showGrids && library_) {
      DrawGridPoints(dc, view, snapGrid, SaturateToInt32(std::trunc(library_->unitsPerNm)), outlineColour);
    }
  } catch (const Error& e) {
    // What was drawn so far stays. The box waits until the paint is over: a modal loop inside
    // the paint handler could paint this canvas again while the buffer is in use.
    LogMessage("%s\n", e.Message().c_str());
    wxString message = wxString::FromUTF8(e.Message().c_str());
    CallAfter([message] { wxMessageBox(message, "Accelerated Drawing Error", wxOK | wxCENTRE); });
  }
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
  fineView = IsViewWithin(window, fineViewLimit, nmPerUnit);
  coarseView = IsViewWithin(window, coarseViewLimit, nmPerUnit);
  DrawSettings settings;
  settings.topCellId = topCellId;
  settings.highlightedCell = highlightedCell;
  settings.cellSizeLimit = cellSizeLimit;
  settings.showNames = showNames != 0;
  settings.showTexts = showTexts != 0;
  settings.showOutlines = showOutlines != 0;
  settings.layerFilter = layerFilter != 0;
  settings.fineView = fineView;
  settings.outlineColour = outlineColour;
  settings.highlightColour = instanceHighlightColour;
  settings.background = backgroundColour;
  CellDrawer drawer(*library_, dc, view, settings, fillTiles_, textStamps_);
  if (!(layerFilter && int64_t(library_->depth) < depth)) {
    if (depth == 0) {
      drawer.DrawCellOutline(*topCell, Trans());
    } else if (orderedDraw || fineView) {
      drawer.DrawOrdered(uint32_t(topCellId), window, depth);
    } else {
      drawer.DrawCellHierarchy(uint32_t(topCellId), window, Trans(), depth);
    }
  }
  LogMessage("Free Memory = %lld MBytes\n", static_cast<long long>(wxGetFreeMemory().GetValue() / 1048576));
}

void MyCanvas::RefreshView() {
  viewChanged = true;
  Refresh(true);
}

void MyCanvas::ApplyScroll(const ScrollRequest& request) {
  // Set before scrolling: the toolkit may clamp the new origin back to the old one, and the
  // paint must not then take the copy of the old picture.
  viewChanged = true;
  SetScrollbars(kScrollUnit, kScrollUnit, request.unitsX, request.unitsY, request.posX, request.posY);
  Refresh(true);
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
  if (auto request = ZoomToBoxScroll(view, x, y, halfWidth, umPerUnit, nmPerUnit, cw, ch)) ApplyScroll(*request);
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
  cellSizeLimit = userCellSizeLimit;
  int cw = 0;
  int ch = 0;
  GetClientSize(&cw, &ch);
  ScrollRequest full = FullViewScroll(cw, ch);
  SetScrollbars(kScrollUnit, kScrollUnit, full.unitsX, full.unitsY, full.posX, full.posY);
  if (library_ && (library_->flags & (kLibInfoDirty | kLibCellsChanged)) && topCell && topCell->loaded) {
    Box box;
    ComputeCellBBox(box, *topCell);
    if (!box.IsEmpty()) {
      topCell->box = box;
      SetTopCell(topCellId);
    }
  }
  RefreshView();
}
