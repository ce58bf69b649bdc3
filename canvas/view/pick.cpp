#include "canvas/view/pick.h"

#include <algorithm>

#include "canvas/view/edit_state.h"
#include "db/cell.h"
#include "db/library.h"
#include "db/poly/ring_set.h"
#include "db/shape_group.h"
#include "db/spatial_index.h"

namespace {

// The box within reach units of p on every side, cut at the 32-bit range.
Box WindowAround(const Point& p, int32_t reach) {
  auto low = [reach](int32_t v) { return int32_t(std::max<int64_t>(int64_t(v) - reach, INT32_MIN)); };
  auto high = [reach](int32_t v) { return int32_t(std::min<int64_t>(int64_t(v) + reach, INT32_MAX)); };
  return Box(low(p.x), low(p.y), high(p.x), high(p.y));
}

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
    // The walk's window reaches as far as a text may lie; a shape must reach the picked point.
    const ShapePosition& position = *static_cast<const ShapePosition*>(entry->payload);
    position.group->record->ToRing(rings, Point(position.x, position.y));
    found.ApplyToPoints(rings);
    RingSet clipped;
    position.group->record->ToRing(clipped, Point(position.x, position.y));
    found.ApplyToPoints(clipped);
    clipped.ClipToBox(edit.pickPointWindow, false);
    if (clipped.IsEmpty()) return false;
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

std::optional<PickHit> StartPick(EditState& edit, Library& library, uint32_t topCellId, const Point& p,
                                 int32_t textReach) {
  edit.visibleLayers.clear();
  for (const auto& [key, info] : library.layerMap) {
    if (!info.IsHidden()) edit.visibleLayers.insert(key);
  }
  edit.pickWalk.Reset();
  edit.inspectionActive = false;
  edit.SeeGeneration(library);
  // An empty layer set would let the walk search every layer.
  if (edit.visibleLayers.empty()) return std::nullopt;
  edit.pickPointWindow = WindowAround(p, 1);
  edit.pickWalk.Init(WindowAround(p, std::max(textReach, 1)), library, edit.visibleLayers, topCellId);
  return RunPick(edit, library, true);
}

std::optional<PickHit> ContinuePick(EditState& edit, Library& library) {
  std::optional<PickHit> hit;
  if (edit.HasPickPath()) hit = RunPick(edit, library, false);
  if (!hit) edit.selectionRing.Clear();
  return hit;
}
