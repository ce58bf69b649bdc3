// The canvas's part of the child window's view commands: inspection of a layer, Clear Memory
// and the ruler lists.
#include <algorithm>
#include <iterator>
#include <set>

#include "canvas/cell_images.h"
#include "canvas/view/canvas_prompts.h"
#include "canvas/view/clear_memory.h"
#include "canvas/view/inspection.h"
#include "canvas/my_canvas.h"
#include "db/library.h"
#include "db/log.h"

void MyCanvas::InspectLayer() {
  if (!library_ || !topCell) return;
  const std::map<LayerKey, LayerInfo>& layers = library_->layerMap;
  const std::vector<LayerKey>& overlayKeys = overlayData.addedKeys;
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
    target = inspection_.Start(edit, *library_, uint32_t(topCellId), overlayLayer ? &overlayData.cell : nullptr, key);
  }
  if (!target) {
    LogMessage("Inspect Layer: No geometry found under opened cell\n");
    return;
  }
  ShowInspected(*target);
}

void MyCanvas::InspectNext() {
  if (!library_ || !topCell) return;
  std::optional<Box> target;
  {
    BusyCursor busy(host_);
    Refresh(false);
    target = inspection_.Next(edit, *library_, &overlayData.cell);
  }
  if (!target) {
    LogMessage("No more geometry found under opened cell\n");
    return;
  }
  ShowInspected(*target);
}

void MyCanvas::ShowInspected(const Box& target) {
  const InspectView shown = InspectZoom(target, settings_.umPerUnit, view.viewBox.w, view.viewBox.h);
  if (!shown.zoom) {
    Zoomout();
    return;
  }
  LogMessage("Go to (%lld, %lld)um, hw=%lld\n", static_cast<long long>(shown.x), static_cast<long long>(shown.y),
             static_cast<long long>(shown.hw));
  ZoomToBox(double(shown.x), double(shown.y), double(shown.hw));
}

void MyCanvas::ClearLibraryMemory() {
  if (!library_) return;
  const std::vector<MyCanvas*> canvases = CanvasesShowing(library_.get());
  std::set<uint32_t> shown;
  // Nothing may point into a cell's contents once they go: every window on the library drops
  // its selection, pick path, selected instance and what its gestures show first.
  for (MyCanvas* canvas : canvases) {
    canvas->ClearSelection();
    if (canvas->topCell) shown.insert(uint32_t(canvas->topCellId));
  }
  ClearMemory(*library_, shown);
  CellImages::Shared(*library_)->Clear();
  for (MyCanvas* canvas : canvases) canvas->RefreshView();
}

void MyCanvas::RemoveRulers() {
  edit.RemoveRulers();
  RefreshView();
}

void MyCanvas::RecoverRulers() {
  if (edit.RecoverRulers()) RefreshView();
}
