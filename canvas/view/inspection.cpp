#include "canvas/view/inspection.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "canvas/view/edit_state.h"
#include "db/db_polygon.h"
#include "db/library.h"
#include "db/numeric.h"
#include "db/poly/ring_set.h"
#include "db/shape_group.h"
#include "db/spatial_index.h"

namespace {

// The box in the shown cell of the shape record placed at `at` (its box there is shapeBox), as
// far as it lies in window; both boxes are in the coordinates of the shape's cell, which trans
// takes into the shown cell. Nothing when no part of the shape lies in window.
std::optional<Box> ShapeTarget(const DBPolygon& record, const Point& at, const Box& shapeBox, const Box& window,
                               const Trans& trans) {
  RingSet rings;
  record.ToRing(rings, at);
  if (!window.Contains(shapeBox)) {
    rings.ClipToBox(window, false);
    if (rings.IsEmpty()) return std::nullopt;
  }
  trans.ApplyToPoints(rings);
  return rings.GetBoundingBox();
}

bool IsPoint(const Box& box) { return box.x1 == box.x2 && box.y1 == box.y2; }

// A record's box moved to position p; the sums saturate, since overlay rings come from a text
// file and may lie anywhere in the 32-bit range.
Box PlacedBox(const Box& recordBox, const ShapePosition& p) {
  return Box(SaturateToInt32(double(recordBox.x1) + p.x), SaturateToInt32(double(recordBox.y1) + p.y),
             SaturateToInt32(double(recordBox.x2) + p.x), SaturateToInt32(double(recordBox.y2) + p.y));
}

}  // namespace

std::vector<std::string> InspectLayerLines(const std::map<LayerKey, LayerInfo>& layers,
                                           const std::vector<LayerKey>& overlayKeys) {
  std::vector<std::string> lines;
  for (const auto& [key, info] : layers) {
    if (!info.layerName.empty()) {
      lines.push_back(info.layerName + "  " + info.datatypeName);
      continue;
    }
    char text[32];
    if (std::find(overlayKeys.begin(), overlayKeys.end(), key) != overlayKeys.end()) {
      std::snprintf(text, sizeof text, "Poly %03u", unsigned(key & 0xFF));
    } else {
      std::snprintf(text, sizeof text, "%03u %03u", unsigned(key >> 8), unsigned(key & 0xFF));
    }
    lines.push_back(text);
  }
  return lines;
}

InspectView InspectZoom(const Box& target, double umPerUnit, int64_t viewWidth, int64_t viewHeight) {
  InspectView v;
  // The sum of two 32-bit corners needs 33 bits.
  v.x = int64_t(double((int64_t(target.x1) + target.x2) >> 1) * umPerUnit);
  v.y = int64_t(double((int64_t(target.y1) + target.y2) >> 1) * umPerUnit);
  const int64_t side = std::max(target.Width(), target.Height());
  const int64_t size = int64_t(std::round(double(side) * umPerUnit));
  v.hw = size == 0 ? 1 : 2 * size;
  v.zoom = double(std::min(viewWidth, viewHeight)) * umPerUnit > double(v.hw);
  return v;
}

std::optional<Box> Inspection::Start(EditState& edit, Library& library, uint32_t shownId, const Cell* overlayCell,
                                     LayerKey key) {
  edit.ClearSelection();
  edit.pickWalk.Reset();
  edit.visibleLayers = {key};
  edit.SeeGeneration(library);
  edit.inspectionActive = false;
  onOverlay_ = false;
  const Cell* shown = library.GetCell(shownId);
  if (!shown) return std::nullopt;
  window_ = shown->box;
  edit.inspectionActive = true;
  if (overlayCell) {
    onOverlay_ = true;
    overlayKey_ = key;
    overlayPassed_ = 0;
    return NextOnOverlay(edit, *overlayCell);
  }
  edit.pickWalk.Init(window_, library, edit.visibleLayers, shownId);
  return NextOnWalk(edit, true);
}

std::optional<Box> Inspection::Next(EditState& edit, Library& library, const Cell* overlayCell) {
  edit.FollowGeneration(library);
  if (edit.HasPickPath()) {
    edit.ClearSelection();
    onOverlay_ = false;
    edit.inspectionActive = true;
    return NextOnWalk(edit, false);
  }
  if (edit.inspectionActive && onOverlay_ && overlayCell) return NextOnOverlay(edit, *overlayCell);
  edit.inspectionActive = false;
  return std::nullopt;
}

std::optional<Box> Inspection::NextOnWalk(EditState& edit, bool first) {
  Trans found;
  LayerKey key = 0;
  try {
    for (SpatialNode* e = first ? edit.pickWalk.EnterCell(found, key) : edit.pickWalk.Next(found, key); e;
         e = edit.pickWalk.Next(found, key)) {
      // Texts are indexed under a box of one point.
      if (IsPoint(e->box)) continue;
      const ShapePosition& position = *static_cast<const ShapePosition*>(e->payload);
      const Box& window = edit.pickWalk.Frames().back().window;
      if (auto target = ShapeTarget(*position.group->record, Point(position.x, position.y), e->box, window, found)) {
        return target;
      }
    }
  } catch (...) {
    edit.pickWalk.Reset();
    edit.inspectionActive = false;
    throw;
  }
  edit.inspectionActive = false;
  return std::nullopt;
}

std::optional<Box> Inspection::NextOnOverlay(EditState& edit, const Cell& overlay) {
  auto layer = overlay.shapes.find(overlayKey_);
  uint64_t index = 0;
  if (layer != overlay.shapes.end()) {
    for (const ShapeGroup* group = layer->second.Head(); group; group = group->next) {
      Box recordBox;
      group->record->GetBox(recordBox);
      for (const ShapePosition* p = group->firstPosition; p; p = p->next) {
        if (index++ < overlayPassed_) continue;
        overlayPassed_ = index;
        const Box shapeBox = PlacedBox(recordBox, *p);
        if (IsPoint(shapeBox)) continue;
        if (auto target = ShapeTarget(*group->record, Point(p->x, p->y), shapeBox, window_, Trans())) return target;
      }
    }
  }
  edit.inspectionActive = false;
  onOverlay_ = false;
  return std::nullopt;
}
