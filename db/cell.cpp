#include "db/cell.h"

#include <tuple>

#include "db/trans.h"

RecordPool<TextItem>& TextItemPool() {
  static RecordPool<TextItem> pool(50000);
  return pool;
}

LayerRecord& Cell::GetLayer(LayerKey key, const Box& bound) {
  auto found = layers.find(key);
  if (found != layers.end()) return found->second;
  return layers.emplace(std::piecewise_construct, std::forward_as_tuple(key), std::forward_as_tuple(bound))
      .first->second;
}

ShapeGroupList& Cell::GetShapeGroups(LayerKey key) { return shapes[key]; }

LayerRecord* Cell::HasReferences() {
  auto found = layers.find(kPlacementKey);
  return found != layers.end() && found->second.Count() > 0 ? &found->second : nullptr;
}

const LayerRecord* Cell::HasReferences() const { return const_cast<Cell*>(this)->HasReferences(); }

TextItem* Cell::AddText(LayerKey key, uint32_t textId, int32_t x, int32_t y, bool index) {
  TextItem* text = TextItemPool().Alloc();
  *text = TextItem{x, y, key, textId};
  texts.Append(text);
  box.Extend(x, y);
  if (index) GetLayer(key, box).index.Insert(Box(x, y, x, y), text);
  return text;
}

void Cell::AddPlacement(SRef* ref, const Box& placedCellBox) {
  Box placed;
  ref->GetBox(placed, placedCellBox);
  GetLayer(kPlacementKey, box).index.Insert(placed, ref);
}

void Cell::Clear() {
  auto placements = layers.find(kPlacementKey);
  if (placements != layers.end()) {
    const SpatialIndex& index = placements->second.index;
    for (SpatialNode* entry = index.FirstLeaf(); entry; entry = index.NextLeaf(entry)) {
      delete static_cast<SRef*>(entry->payload);
    }
  }
  // Each index frees its nodes as its record goes; the shape lists give their groups,
  // positions and records back in the same way.
  layers.clear();
  shapes.clear();
  importShapes.clear();
  for (ListNode* node = texts.Head(); node; node = node->next) TextItemPool().Free(static_cast<TextItem*>(node->item));
  texts.Clear();
  loaded = false;
}

bool Cell::IsVoid() const {
  if (box.x1 > box.x2 || box.y1 > box.y2) return true;
  return !(flags & kCellModified) && !IsStored();
}
