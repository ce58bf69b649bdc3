#include "db/cell_shape_edit.h"

#include "db/db_polygon.h"
#include "db/poly/ring_set.h"
#include "db/shape_group.h"
#include "db/spatial_index.h"

namespace {

bool IsPointEntry(const SpatialNode* entry) { return entry->box.x1 == entry->box.x2 && entry->box.y1 == entry->box.y2; }

// The ring of a shape entry, when area takes it; false leaves rings unchanged.
bool TakeRing(const SpatialNode* entry, const Box& area, RingSet& rings, bool operandB) {
  const ShapePosition* position = static_cast<const ShapePosition*>(entry->payload);
  const DBPolygon& record = *position->group->record;
  RingSet ring;
  if (record.IsSquare() || record.IsRectangle()) {
    ring.AddRectangle(entry->box);
  } else {
    record.ToRing(ring, Point(position->x, position->y));
    if (!area.Contains(entry->box)) {
      RingSet clipped;
      CopyRingInto(clipped, ring.Head());
      clipped.NormalizeOrientation();
      clipped.ClipToBox(area, false);
      if (clipped.IsEmpty()) return false;
      ring.ClearVertexFlags(kVertexVisited);
    }
  }
  if (operandB) ring.SetVertexFlags(kVertexOperandB);
  rings.Append(ring);
  return true;
}

}  // namespace

std::vector<SpatialNode*> CollectShapesInArea(Cell& cell, LayerKey key, const Box& area, RingSet& rings,
                                              bool operandB) {
  std::vector<SpatialNode*> taken;
  auto layer = cell.layers.find(key);
  if (layer == cell.layers.end()) return taken;
  const SpatialIndex& index = layer->second.index;
  for (SpatialNode* e = index.QueryFirst(area); e; e = index.QueryNext(e, area)) {
    if (IsPointEntry(e)) continue;
    if (TakeRing(e, area, rings, operandB)) taken.push_back(e);
  }
  rings.CountRings();
  return taken;
}

void RemoveShapes(Cell& cell, LayerKey key, const std::vector<SpatialNode*>& entries) {
  auto layer = cell.layers.find(key);
  if (layer == cell.layers.end()) return;
  for (SpatialNode* e : entries) {
    RemoveShapePosition(cell, key, static_cast<ShapePosition*>(e->payload));
    layer->second.index.Remove(e);
  }
}

void TakeShapesInArea(Cell& cell, LayerKey key, const Box& area, RingSet& rings, bool operandB) {
  RemoveShapes(cell, key, CollectShapesInArea(cell, key, area, rings, operandB));
}

void RemoveShapePosition(Cell& cell, LayerKey key, ShapePosition* position) {
  ShapeGroup* group = position->group;
  group->RemovePosition(position);
  if (group->positionCount > 0) return;
  auto list = cell.shapes.find(key);
  list->second.Remove(group);
  if (list->second.Count() == 0) cell.shapes.erase(list);
}

void RemoveLayerShapes(Cell& cell, LayerKey key) {
  cell.shapes.erase(key);
  auto layer = cell.layers.find(key);
  if (layer == cell.layers.end()) return;
  SpatialIndex& index = layer->second.index;
  index.Clear();
  for (ListNode* node = cell.texts.Head(); node; node = node->next) {
    TextItem* text = static_cast<TextItem*>(node->item);
    if (text->key == key) index.Insert(Box(text->x, text->y, text->x, text->y), text);
  }
  if (index.Count() == 0) cell.layers.erase(layer);
}
