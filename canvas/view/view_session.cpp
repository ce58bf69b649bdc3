#include "canvas/view/view_session.h"

#include "canvas/view/canvas_prompts.h"
#include "canvas/view/cell_box.h"
#include "canvas/view/document.h"
#include "canvas/view/pick_path.h"
#include "db/cell_contents.h"
#include "db/library.h"
#include "db/log.h"

ViewSession::ViewSession() : gestures_(*this) {}

ViewSession::~ViewSession() {
  if (document_) document_->Detach(*this);
}

Library* ViewSession::GetLibrary() const { return document_ ? &document_->GetLibrary() : nullptr; }

uint64_t ViewSession::EditGeneration() const { return document_ ? document_->GetLibrary().editGeneration : 0; }

void ViewSession::FollowedEdit() { document_->Edited(kContentsChanged); }

void ViewSession::AttachDocument(std::shared_ptr<Document> document) {
  if (document_) document_->Detach(*this);
  // The shown cell belongs to the library let go, which may be freed now.
  topCell_ = nullptr;
  topCellId_ = -1;
  unreadable_.Clear();
  document_ = std::move(document);
  if (document_) document_->Attach(*this);
  RedrawView();
}

void ViewSession::ShareDocument(std::shared_ptr<Document> document) {
  AttachDocument(std::move(document));
  GridStep();
}

void ViewSession::SetTopCell(int32_t id) {
  Cell* cell = document_ ? document_->GetLibrary().GetCell(id) : nullptr;
  topCell_ = cell;
  topCellId_ = cell ? id : -1;
  RedrawView();
  if (!cell) return;
  EnsureCellBox(*cell, settings_.nmPerUnit, Prompts());
  view_.SetViewBox(cell->box.x1, cell->box.y1, cell->box.x2, cell->box.y2);
}

void ViewSession::GridStep() {
  if (!document_) return;
  UnitFields fields = UnitFieldsFor(document_->GetLibrary().dbUnit);
  settings_.nmPerUnit = fields.nmPerUnit;
  settings_.umPerUnit = fields.umPerUnit;
  settings_.snapGrid = fields.snapGrid;
}

void ViewSession::ApplySettings(const DisplaySettings& settings) {
  const bool sameScene = SameScene(settings_, settings);
  settings_ = settings;
  if (sameScene) {
    // The grid overlay spans the whole window.
    RefreshOverlays();
  } else {
    RedrawView();
  }
}

void ViewSession::SetFrameColours(const Rgb& background, const Rgb& instanceHighlight, const Rgb& geometryHighlight) {
  DisplaySettings settings = settings_;
  settings.backgroundColour = background;
  settings.instanceHighlightColour = instanceHighlight;
  settings.geometryHighlightColour = geometryHighlight;
  ApplySettings(settings);
}

void ViewSession::ChildStatus(int field, const std::string& text) {
  if (host_) host_->SetChildStatus(field, text);
}

void ViewSession::MainStatus(const std::string& text) {
  if (host_) host_->SetMainStatus(text);
}

int ViewSession::SelectedLayerRow() const { return host_ ? host_->FirstSelectedLayerRow() : -1; }

CanvasPrompts& ViewSession::Prompts() { return host_ ? host_->Prompts() : UnansweredPrompts::Instance(); }

void ViewSession::RedrawView() {
  if (host_) host_->RedrawView();
}

void ViewSession::RefreshPixels(const PixelRect& area) {
  if (host_) host_->RefreshOverlays(area);
}

void ViewSession::RefreshOverlays() {
  if (host_) host_->RefreshOverlays(host_->ClientArea());
}

void ViewSession::ApplyScroll(const ScrollRequest& request) {
  if (host_) host_->ApplyScroll(request);
}

void ViewSession::ShowCursor(CursorKind kind) {
  if (host_) host_->ShowCursor(kind);
}

void ViewSession::ReportFailure(const std::string& errorLine, FailureShown where) {
  LogMessage("%s", errorLine.c_str());
  const std::string shown =
      !errorLine.empty() && errorLine.back() == '\n' ? errorLine.substr(0, errorLine.size() - 1) : errorLine;
  if (where == FailureShown::kMainStatus) {
    MainStatus(shown);
  } else {
    ChildStatus(1, shown);
  }
}

void ViewSession::ReportUnreadableCells() {
  // An unreadable cell is reported once (its loading logged it); later passes draw the rest
  // without it.
  for (const std::string& line : unreadable_.TakeNewReports()) MainStatus(line.substr(0, line.size() - 1));
}

void ViewSession::FollowDocument(uint32_t what) {
  if (document_) edit_.FollowGeneration(document_->GetLibrary());
  if (what & kUnitsChanged) GridStep();
  if ((what & kLayersChanged) && host_) host_->RefreshLayerList();
  RedrawView();
}

void ViewSession::ResizeView(int oldW, int oldH, int newW, int newH) {
  if (!host_) return;
  const PixelRect area = host_->ClientArea();
  if (auto request = ResizeScroll(oldW, oldH, newW, newH, view_.magnification, area.x, area.y)) ApplyScroll(*request);
}

void ViewSession::ZoomToBox(double x, double y, double halfWidth) {
  if (!host_) return;
  const PixelRect area = host_->ClientArea();
  if (auto request =
          ZoomToBoxScroll(view_, x, y, halfWidth, settings_.umPerUnit, settings_.nmPerUnit, area.width, area.height)) {
    ApplyScroll(*request);
  }
}

void ViewSession::Zoomin4X() {
  // Before the first drawing pass there is no fitted view to zoom.
  if (view_.scale <= 0 || view_.VisibleWindow().IsEmpty()) {
    RedrawView();
    return;
  }
  ZoomByFour(ZoomInScroll);
}

void ViewSession::Zoomout4X() { ZoomByFour(ZoomOutScroll); }

void ViewSession::ZoomByFour(ZoomScrollFunction zoom) {
  if (!host_) return;
  const PixelRect area = host_->ClientArea();
  if (auto request = zoom(view_.magnification, area.x, area.y, area.width, area.height)) ApplyScroll(*request);
}

void ViewSession::Zoomout() {
  lastZoomedArea_ = Box();
  view_.magnification = 1.0;
  settings_.cellSizeLimit = settings_.userCellSizeLimit;
  if (host_) {
    const PixelRect area = host_->ClientArea();
    host_->ApplyScroll(FullViewScroll(area.width, area.height));
  }
  // After edits the shown cell's box may have grown or shrunk: the full view shows it as it is.
  if (topCell_ && topCell_->loaded && GetLibrary()->CellsEdited()) {
    Box box;
    ComputeCellBBox(box, *topCell_);
    if (!box.IsEmpty()) {
      topCell_->box = box;
      SetTopCell(topCellId_);
    }
  }
  RedrawView();
}

void ViewSession::HandleMouse(const MouseEvent& event) { gestures_.Handle(event); }

void ViewSession::AbandonGesture() { gestures_.Abandon(); }

void ViewSession::ClearSelection() {
  edit_.Cancel();
  gestures_.ClearTransients();
  RefreshOverlays();
}

SelectedInstance ViewSession::ShowHierarchyPath() {
  if (document_) edit_.FollowGeneration(document_->GetLibrary());
  return ChooseHierarchyPathInstance(edit_, Prompts());
}
