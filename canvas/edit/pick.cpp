#include "canvas/edit/pick.h"

#include "canvas/edit/edit_state.h"
#include "db/cell.h"
#include "db/library.h"
#include "db/poly/ring_set.h"
#include "db/shape_group.h"
#include "db/spatial_index.h"

namespace {

// Hidden layers have bit 31 of their colour word set.
constexpr uint32_t kHiddenLayer = 0x80000000u;

// Whether the entry found qualifies, and if so the selection it gives.
bool TakeElement(EditState& edit, const Library& library, SpatialNode* entry, const Trans& found, LayerKey key,
                 PickHit& hit) {
  const HierarchyFrame& frame = edit.pickWalk.Frames().back();
  const Box& box = entry->box;
  RingSet rings;
  if (box.x1 == box.x2 && box.y1 == box.y2) {
    const TextItem& text = *static_cast<const TextItem*>(entry->payload);
    Point at(text.x, text.y);
    found.ApplyToPoint(at);
    rings.AddRectangle(Box(at.x, at.y - 1, at.x + 1, at.y));
    hit.text = true;
  } else {
    const ShapePosition& position = *static_cast<const ShapePosition*>(entry->payload);
    position.group->record->ToRing(rings, Point(position.x, position.y));
    RingSet clipped;
    position.group->record->ToRing(clipped, Point(position.x, position.y));
    clipped.ClipToBox(frame.window, false);
    if (clipped.IsEmpty()) return false;
    found.ApplyToPoints(rings);
    hit.text = false;
  }
  edit.selectionRing = std::move(rings);
  edit.editLayer = key;
  auto layer = library.layerMap.find(key);
  edit.editColour = layer == library.layerMap.end() ? 0 : layer->second.colour;
  hit.cellName = frame.cell->Name();
  return true;
}

// Runs the walk from its first (first set) or next entry until an element qualifies.
std::optional<PickHit> RunPick(EditState& edit, Library& library, bool first) {
  Trans found;
  LayerKey key = 0;
  PickHit hit;
  try {
    for (SpatialNode* e = first ? edit.pickWalk.EnterCell(found, key) : edit.pickWalk.Next(found, key); e;
         e = edit.pickWalk.Next(found, key)) {
      if (TakeElement(edit, library, e, found, key, hit)) return hit;
    }
  } catch (...) {
    edit.pickWalk.Reset();
    throw;
  }
  return std::nullopt;
}

}  // namespace

std::optional<PickHit> StartPick(EditState& edit, Library& library, uint32_t topCellId, const Point& p) {
  edit.visibleLayers.clear();
  for (const auto& [key, info] : library.layerMap) {
    if ((info.colour & kHiddenLayer) == 0) edit.visibleLayers.insert(key);
  }
  edit.pickWalk.Reset();
  edit.inspectionActive = false;
  edit.SeeGeneration(library);
  // An empty layer set would let the walk search every layer.
  if (edit.visibleLayers.empty()) return std::nullopt;
  Box window(p.x == INT32_MIN ? p.x : p.x - 1, p.y == INT32_MIN ? p.y : p.y - 1, p.x == INT32_MAX ? p.x : p.x + 1,
             p.y == INT32_MAX ? p.y : p.y + 1);
  edit.pickWalk.Init(window, library, edit.visibleLayers, topCellId);
  return RunPick(edit, library, true);
}

std::optional<PickHit> ContinuePick(EditState& edit, Library& library) {
  std::optional<PickHit> hit;
  if (edit.HasPickPath()) hit = RunPick(edit, library, false);
  if (!hit) edit.selectionRing.Clear();
  return hit;
}
