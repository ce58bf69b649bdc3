// The view commands of a session that ask or search: depth and cell-size limit, the database
// unit, Go to, inspection of a layer, the ruler lists and Clear Memory.
#include <algorithm>
#include <iterator>

#include "canvas/view/canvas_prompts.h"
#include "canvas/view/document.h"
#include "canvas/view/view_questions.h"
#include "canvas/view/view_session.h"
#include "db/library.h"
#include "db/log.h"

void ViewSession::ChangeDepth() {
  if (!document_) return;
  const int32_t maxDepth = MaxDisplayDepth(GetLibrary()->depth);
  const std::optional<long> answer =
      Prompts().AskNumber(DepthQuestion(maxDepth), "Display Depth", settings_.depth, 0, maxDepth);
  const std::optional<int32_t> depth = ChangedNumber(answer, settings_.depth, maxDepth);
  if (!depth) return;
  DisplaySettings settings = settings_;
  settings.depth = *depth;
  ApplySettings(settings);
}

void ViewSession::ChangeCellSize() {
  const std::optional<long> answer = Prompts().AskNumber("Input maximum cell box display pixel size [0..1000]",
                                                         "Cell Size", settings_.cellSizeLimit, 0, kMaxCellSizeLimit);
  const std::optional<int32_t> limit = ChangedNumber(answer, settings_.cellSizeLimit, kMaxCellSizeLimit);
  if (!limit) return;
  DisplaySettings settings = settings_;
  settings.cellSizeLimit = *limit;
  ApplySettings(settings);
}

void ViewSession::ShowDbUnit() {
  if (document_) Prompts().ShowMessage(DbUnitText(GetLibrary()->unitsPerNm), "Message");
}

void ViewSession::GoTo() {
  if (const std::optional<GoToPoint> point = ParseGoTo(Prompts().AskText("Enter 2 numbers (x y) by um", "Go To", ""))) {
    ZoomToBox(point->x, point->y, 2);
  }
}

void ViewSession::InspectLayer() {
  if (!topCell_) return;
  const std::map<LayerKey, LayerInfo>& layers = GetLibrary()->layerMap;
  const std::vector<LayerKey>& overlayKeys = overlays_.addedKeys;
  const std::vector<std::string> lines = InspectLayerLines(layers, overlayKeys);
  const int choice = Prompts().AskChoice("Select layer to inspect", "Inspect Layer", lines);
  if (choice < 0 || size_t(choice) >= lines.size()) return;
  const LayerKey key = std::next(layers.begin(), choice)->first;
  const bool overlayLayer = std::find(overlayKeys.begin(), overlayKeys.end(), key) != overlayKeys.end();
  std::optional<Box> target;
  {
    BusyCursor busy(host_);
    // The walk replaces the path of the last pick, and with it the selection.
    ClearSelection();
    target =
        inspection_.Start(edit_, *GetLibrary(), uint32_t(topCellId_), overlayLayer ? &overlays_.cell : nullptr, key);
  }
  if (!target) {
    LogMessage("Inspect Layer: No geometry found under opened cell\n");
    return;
  }
  ShowInspected(*target);
}

void ViewSession::InspectNext() {
  if (!topCell_) return;
  std::optional<Box> target;
  {
    BusyCursor busy(host_);
    RefreshOverlays();
    target = inspection_.Next(edit_, *GetLibrary(), &overlays_.cell);
  }
  if (!target) {
    LogMessage("No more geometry found under opened cell\n");
    return;
  }
  ShowInspected(*target);
}

void ViewSession::ShowInspected(const Box& target) {
  const InspectView shown = InspectZoom(target, settings_.umPerUnit, view_.viewBox.w, view_.viewBox.h);
  if (!shown.zoom) {
    Zoomout();
    return;
  }
  LogMessage("Go to (%lld, %lld)um, hw=%lld\n", static_cast<long long>(shown.x), static_cast<long long>(shown.y),
             static_cast<long long>(shown.hw));
  ZoomToBox(double(shown.x), double(shown.y), double(shown.hw));
}

void ViewSession::RemoveRulers() {
  edit_.RemoveRulers();
  RedrawView();
}

void ViewSession::RecoverRulers() {
  if (edit_.RecoverRulers()) RedrawView();
}

void ViewSession::ClearMemory() {
  if (document_) document_->ClearMemory();
}
