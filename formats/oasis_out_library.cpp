// The OASIS writer's entry points over a library: the whole library or the tree below one
// cell, streamed from the cell data files, and one loaded cell limited to a window.
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "db/cell_contents.h"
#include "db/cell_data_reader.h"
#include "db/error.h"
#include "db/hierarchy_walk.h"
#include "db/library.h"
#include "db/poly/ring_set.h"
#include "db/shape_group.h"
#include "db/trans.h"
#include "formats/oasis_out.h"

namespace {

constexpr uint8_t kRecordCellName = 4;
constexpr uint8_t kRecordTextString = 6;
constexpr uint8_t kRecordCell = 13;

// The key a passing key is written under: its own, or the one the map gives for it.
bool SelectKey(LayerKey key, const std::set<LayerKey>* filter, const std::map<LayerKey, LayerKey>* layerMap,
               LayerKey& out) {
  if (filter && !filter->count(key)) return false;
  out = key;
  if (layerMap) {
    auto it = layerMap->find(key);
    if (it != layerMap->end()) out = it->second;
  }
  return true;
}

}  // namespace

void OasisOut::WriteLibrary() {
  std::vector<uint8_t> include(library_->cells.size(), 0);
  for (size_t id = 0; id < include.size(); ++id) {
    const Cell* cell = library_->cells[id].get();
    include[id] = cell && !cell->IsVoid();
  }
  WriteNameRecords(include);
}

void OasisOut::WriteCellTree(uint32_t top) {
  std::vector<uint8_t> include(library_->cells.size(), 0);
  Cell* topCell = library_->GetCell(top);
  if (!topCell) throw Error(kTagOasisOut, "Cell id invalid");
  std::deque<uint32_t> pending{top};
  include[top] = 1;
  while (!pending.empty()) {
    Cell& cell = *library_->cells[pending.front()];
    pending.pop_front();
    if (!cell.loaded) library_->LoadCellReferences(cell);
    const LayerRecord* placements = cell.HasReferences();
    for (SpatialNode* e = placements ? placements->index.FirstLeaf() : nullptr; e; e = placements->index.NextLeaf(e)) {
      uint32_t id = static_cast<const SRef*>(e->payload)->CellId();
      const Cell* child = library_->GetCell(id);
      if (include[id] || !child || child->IsVoid()) continue;
      include[id] = 1;
      pending.push_back(id);
    }
  }
  WriteNameRecords(include);
}

void OasisOut::WriteNameRecords(const std::vector<uint8_t>& include) {
  WriteStart();
  referenceNumbers.assign(library_->cells.size(), -1);
  int32_t next = 0;
  for (size_t id = 0; id < include.size(); ++id) {
    if (!include[id]) continue;
    const Cell& cell = *library_->cells[id];
    referenceNumbers[id] = next;
    WriteUnsigned(kRecordCellName);
    WriteString(cell.Name());
    WriteUnsigned(uint64_t(next++));
  }
  for (size_t i = 0; i < library_->strings.size(); ++i) {
    WriteUnsigned(kRecordTextString);
    WriteString(library_->strings[i]);
    WriteUnsigned(i);
  }
  for (size_t id = 0; id < include.size(); ++id) {
    if (!include[id]) continue;
    WriteUnsigned(kRecordCell);
    WriteUnsigned(uint64_t(referenceNumbers[id]));
    WriteCellFromLibrary(*library_->cells[id]);
  }
  library_->CloseCellFile();
  if (cellData_) cellData_->Close();
  WriteEnd();
}

void OasisOut::WriteCellFromLibrary(Cell& cell) {
  modal.Reset();
  if (cell.loaded || !cell.IsStored()) {
    WriteLoadedCell(cell, layerFilter ? &*layerFilter : nullptr, nullptr);
    return;
  }
  StreamCellFromFile(cell);
  StreamPlacements(cell);
}

void OasisOut::StreamCellFromFile(Cell& cell) {
  if (!cellData_) cellData_ = std::make_unique<CellDataReader>(*library_);
  cellData_->SeekCell(cell);
  // Two lists in turn: the group read last stays until the next is read, as the reader asks.
  ShapeGroupList groups[2];
  LayerKey key;
  uint32_t count;
  while (cellData_->NextLayer(key, count)) {
    bool selected = !layerFilter || layerFilter->count(key);
    if (count == 0) {
      TextItem text = cellData_->ReadText();
      if (selected) WriteText(key >> 8, key & 0xff, text.x, text.y, text.textId);
    }
    for (uint32_t i = 0; i < count; ++i) {
      const ShapeGroup* group = cellData_->ReadGroup(groups[i & 1]);
      ShapeGroupPool::ReleaseList(groups[(i + 1) & 1]);
      if (selected) WriteShapeGroup(*group, key >> 8, key & 0xff, false);
    }
  }
}

void OasisOut::StreamPlacements(Cell& cell) {
  if (cell.referencePosition < 0) return;
  // Placements read here only for the output are dropped again: memory stays at one cell's.
  bool held = cell.layers.count(kPlacementKey) != 0;
  if (!held) library_->LoadCellReferences(cell);
  try {
    if (const LayerRecord* placements = cell.HasReferences()) {
      for (SpatialNode* e = placements->index.FirstLeaf(); e; e = placements->index.NextLeaf(e)) {
        const SRef& ref = *static_cast<const SRef*>(e->payload);
        if (ReferenceNumber(ref, cell) < 0) continue;
        if (ref.IsArray()) {
          WriteArrayPlacement(static_cast<const ARef&>(ref));
        } else {
          WritePlacement(ref);
        }
      }
    }
  } catch (...) {
    if (!held) cell.Clear();
    throw;
  }
  if (!held) cell.Clear();
}

void OasisOut::WriteLoadedCell(Cell& cell, const std::set<LayerKey>* filter,
                               const std::map<LayerKey, LayerKey>* layerMap) {
  LayerKey key;
  for (const auto& layer : cell.shapes) {
    if (!SelectKey(layer.first, filter, layerMap, key)) continue;
    for (const ShapeGroup* g = layer.second.Head(); g; g = g->next) WriteShapeGroup(*g, key >> 8, key & 0xff, false);
  }
  for (ListNode* node = cell.texts.Head(); node; node = node->next) {
    const TextItem* t = static_cast<const TextItem*>(node->item);
    if (SelectKey(t->key, filter, layerMap, key)) WriteText(key >> 8, key & 0xff, t->x, t->y, t->textId);
  }
  const LayerRecord* placements = cell.HasReferences();
  for (SpatialNode* e = placements ? placements->index.FirstLeaf() : nullptr; e; e = placements->index.NextLeaf(e)) {
    const SRef& ref = *static_cast<const SRef*>(e->payload);
    if (ReferenceNumber(ref, cell) < 0) continue;
    if (ref.IsArray()) {
      WriteArrayPlacement(static_cast<const ARef&>(ref));
    } else {
      WritePlacement(ref);
    }
  }
}

void OasisOut::WriteCellWindow(Cell& cell, const Box& window, const std::set<LayerKey>& layers,
                               const std::map<LayerKey, LayerKey>* layerMap) {
  library_->LoadCell(cell, true);
  EnsureShapeIndexes(cell);
  modal.Reset();
  const std::set<LayerKey>* filter = layers.empty() ? nullptr : &layers;
  if (window.Contains(cell.box)) {
    WriteLoadedCell(cell, filter, layerMap);
    return;
  }
  for (const auto& layer : cell.layers) {
    if (layer.second.Count() == 0) continue;
    LayerKey key;
    if (layer.first == kPlacementKey) {
      WritePlacementsInWindow(cell, window);
    } else if (SelectKey(layer.first, filter, layerMap, key)) {
      WriteLayerInWindow(layer.second, key, window);
    }
  }
}

void OasisOut::WritePlacementsInWindow(Cell& cell, const Box& window) {
  const SpatialIndex& index = cell.layers.at(kPlacementKey).index;
  for (SpatialNode* e = index.QueryFirst(window); e; e = index.QueryNext(e, window)) {
    const SRef& ref = *static_cast<const SRef*>(e->payload);
    const Cell* placed = library_->GetCell(ref.CellId());
    if (!placed || ReferenceNumber(ref, cell) < 0) continue;
    if (!ref.IsArray()) {
      WritePlacement(ref);
      continue;
    }
    const ARef& array = static_cast<const ARef&>(ref);
    ElementRange range = ElementsInWindow(array, placed->box, window);
    if (range.IsEmpty()) continue;
    Trans first;
    array.ElementTrans(range.column0, range.row0, first);
    if (range.Count() == 1) {
      SRef single;
      static_cast<Trans&>(single) = first;
      single.cellWord = ref.CellId();
      WritePlacement(single);
      continue;
    }
    ARef part(array);
    part.x = first.x;
    part.y = first.y;
    part.columns = int16_t(range.column1 - range.column0);
    part.rows = int16_t(range.row1 - range.row0);
    WriteArrayPlacement(part);
  }
}

void OasisOut::WriteLayerInWindow(const LayerRecord& record, LayerKey key, const Box& window) {
  for (SpatialNode* e = record.index.QueryFirst(window); e; e = record.index.QueryNext(e, window)) {
    // A box of one point is a text; every other entry is one position of a shape group.
    if (e->box.x1 == e->box.x2 && e->box.y1 == e->box.y2) {
      const TextItem* t = static_cast<const TextItem*>(e->payload);
      WriteText(key >> 8, key & 0xff, t->x, t->y, t->textId);
      continue;
    }
    const ShapePosition* p = static_cast<const ShapePosition*>(e->payload);
    if (!window.Contains(e->box)) {
      RingSet rings;
      p->group->record->ToRing(rings, Point(p->x, p->y));
      rings.ClipToBox(window, false);
      if (rings.IsEmpty()) continue;
    }
    WriteShape(*p->group->record, Placed{p, nullptr}, key >> 8, key & 0xff);
  }
}
