// The library side of the GDSII writer: structures streamed from cell data files, structures
// from loaded cells limited to a window, and the whole library.
#include <algorithm>
#include <memory>

#include "db/cell_data_reader.h"
#include "db/db_polygon.h"
#include "db/error.h"
#include "db/library.h"
#include "db/log.h"
#include "db/shape_group.h"
#include "formats/gds_out.h"

namespace {

// Frees the groups of a list when it goes out of scope, also when a write throws.
struct GroupListGuard {
  ShapeGroupList list;
  ~GroupListGuard() { ShapeGroupPool::ReleaseList(list); }
};

// The first and last k in 0..count-1 for which [lo + k·pitch, hi + k·pitch] overlaps
// (windowLo, windowHi) with positive length; false when there is none.
bool HitRange(int64_t lo, int64_t hi, int64_t pitch, int32_t count, int64_t windowLo, int64_t windowHi, int32_t& first,
              int32_t& last) {
  first = -1;
  for (int32_t k = 0; k < count; ++k) {
    int64_t shift = int64_t(k) * pitch;
    if (windowLo < hi + shift && lo + shift < windowHi) {
      if (first < 0) first = k;
      last = k;
    }
  }
  return first >= 0;
}

bool BoxInside(const Box& inner, const Box& outer) {
  return outer.x1 <= inner.x1 && inner.x2 <= outer.x2 && outer.y1 <= inner.y1 && inner.y2 <= outer.y2;
}

}  // namespace

bool GdsOut::ChooseLayer(LayerKey key, const std::set<LayerKey>* layers, const std::map<LayerKey, LayerKey>* map,
                         LayerKey& out) const {
  if (layers && !layers->empty() && !layers->count(key)) return false;
  out = key;
  if (map) {
    auto it = map->find(key);
    if (it != map->end()) out = it->second;
  }
  return true;
}

void GdsOut::WriteTextItem(const TextItem& item, LayerKey key) {
  if (noTexts) return;
  if (item.textId >= library_->strings.size()) throw Error(kTagLibIn, "Text id invalid");
  GdsOutText text;
  text.x = item.x;
  text.y = item.y;
  text.layer = uint16_t(key >> 8);
  text.texttype = uint16_t(key & 0xff);
  text.text = library_->strings[item.textId];
  WriteText(text);
}

void GdsOut::WriteShapeGroup(const ShapeGroup& group, LayerKey key) {
  for (const ShapePosition* p = group.firstPosition; p; p = p->next) {
    ChopPolygon(*group.record, p->x, p->y, uint16_t(key >> 8), uint16_t(key & 0xff));
  }
}

bool GdsOut::PlacedCellWritten(uint32_t id, const Cell& parent, bool (*isWritten)(const Library&, uint32_t)) {
  const Cell* placed = library_->GetCell(id);
  if (placed && !placed->IsVoid() && (!isWritten || isWritten(*library_, id))) return true;
  LogMessage("Warning: placement of unwritten cell %s in %s skipped\n", placed ? placed->Name() : "?", parent.Name());
  return false;
}

void GdsOut::StreamCellGeometry(Cell& cell) {
  if (!cellData_) cellData_ = std::make_unique<CellDataReader>(*library_);
  cellData_->SeekCell(cell);
  // Two lists in turn: the group read last stays until the next is read, as the reader asks.
  GroupListGuard guard[2];
  LayerKey stored;
  uint32_t groups;
  while (cellData_->NextLayer(stored, groups)) {
    LayerKey key;
    bool written = ChooseLayer(stored, layerFilter, layerRenumbering, key);
    if (groups == 0) {
      TextItem item = cellData_->ReadText();
      if (written) WriteTextItem(item, key);
      continue;
    }
    for (uint32_t i = 0; i < groups; ++i) {
      ShapeGroup* group = cellData_->ReadGroup(guard[i & 1].list);
      ShapeGroupPool::ReleaseList(guard[(i + 1) & 1].list);
      if (written) WriteShapeGroup(*group, key);
    }
  }
}

void GdsOut::WriteCellFromLibrary(Cell& cell) {
  if (cell.loaded) {
    WriteCellWindow(cell, cell.box, layerFilter ? *layerFilter : std::set<LayerKey>(), layerRenumbering, nullptr);
    return;
  }
  WriteStructureHeader(cell);
  if (cell.IsStored()) StreamCellGeometry(cell);
  bool hadPlacements = cell.layers.count(kPlacementKey) != 0;
  library_->LoadCellReferences(cell);
  WritePlacementsOf(cell, nullptr, nullptr);
  if (!hadPlacements) cell.Clear();
  WriteStructureEnd();
}

void GdsOut::WriteShapesInWindow(Cell& cell, const Box& window, const std::set<LayerKey>& layers,
                                 const std::map<LayerKey, LayerKey>* layerMap) {
  if (BoxInside(cell.box, window)) {
    for (const auto& entry : cell.shapes) {
      LayerKey key;
      if (!ChooseLayer(entry.first, &layers, layerMap, key)) continue;
      for (const ShapeGroup* g = entry.second.Head(); g; g = g->next) WriteShapeGroup(*g, key);
    }
    for (ListNode* node = cell.texts.Head(); node; node = node->next) {
      const TextItem& item = *static_cast<const TextItem*>(node->item);
      LayerKey key;
      if (ChooseLayer(item.key, &layers, layerMap, key)) WriteTextItem(item, key);
    }
    return;
  }
  for (auto& entry : cell.layers) {
    LayerKey key;
    if (entry.first >= kPlacementKey || entry.second.index.IsEmpty()) continue;
    if (!ChooseLayer(entry.first, &layers, layerMap, key)) continue;
    const SpatialIndex& index = entry.second.index;
    for (SpatialNode* n = index.QueryFirst(window); n; n = index.QueryNext(n, window)) {
      if (n->box.x1 == n->box.x2 && n->box.y1 == n->box.y2) {
        WriteTextItem(*static_cast<const TextItem*>(n->payload), key);
        continue;
      }
      const ShapePosition* p = static_cast<const ShapePosition*>(n->payload);
      if (!BoxInside(n->box, window)) {
        rings_.Clear();
        p->group->record->ToRing(rings_, Point(p->x, p->y));
        rings_.ClipToBox(window, false);
        bool touches = !rings_.IsEmpty();
        rings_.Clear();
        if (!touches) continue;
      }
      ChopPolygon(*p->group->record, p->x, p->y, uint16_t(key >> 8), uint16_t(key & 0xff));
    }
  }
}

void GdsOut::WriteTrimmedArray(const ARef& ref, const Box& cellBox, const Box& window) {
  Box first = cellBox;
  ref.ApplyToBox(first);
  bool odd = (ref.orientation & 1) != 0;
  // Element (c, r) is element (0, 0) moved by the column pitch along x and the row pitch along
  // y, with c and r exchanged for odd codes; so the hit elements form a range on each axis.
  int32_t xFirst, xLast, yFirst, yLast;
  int32_t xCount = odd ? ref.rows : ref.columns;
  int32_t yCount = odd ? ref.columns : ref.rows;
  if (!HitRange(first.x1, first.x2, ref.columnPitch, xCount, window.x1, window.x2, xFirst, xLast) ||
      !HitRange(first.y1, first.y2, ref.rowPitch, yCount, window.y1, window.y2, yFirst, yLast)) {
    return;
  }
  int32_t cmin = odd ? yFirst : xFirst, cmax = odd ? yLast : xLast;
  int32_t rmin = odd ? xFirst : yFirst, rmax = odd ? xLast : yLast;
  Trans origin;
  ref.ElementTrans(cmin, rmin, origin);
  if (cmin == cmax && rmin == rmax) {
    SRef single;
    static_cast<Trans&>(single) = origin;
    single.cellWord = ref.CellId();
    WriteSRef(single);
    return;
  }
  ARef trimmed(ref);
  static_cast<Trans&>(trimmed) = origin;
  trimmed.columns = int16_t(cmax - cmin + 1);
  trimmed.rows = int16_t(rmax - rmin + 1);
  WriteARef(trimmed);
}

void GdsOut::WritePlacementsOf(Cell& cell, const Box* window, bool (*isWritten)(const Library&, uint32_t)) {
  const LayerRecord* record = cell.HasReferences();
  if (!record) return;
  const SpatialIndex& index = record->index;
  for (SpatialNode* n = window ? index.QueryFirst(*window) : index.FirstLeaf(); n;
       n = window ? index.QueryNext(n, *window) : index.NextLeaf(n)) {
    const SRef& ref = *static_cast<const SRef*>(n->payload);
    if (!PlacedCellWritten(ref.CellId(), cell, isWritten)) continue;
    if (!ref.IsArray()) {
      WriteSRef(ref);
    } else if (!window) {
      WriteARef(static_cast<const ARef&>(ref));
    } else {
      WriteTrimmedArray(static_cast<const ARef&>(ref), library_->GetCell(ref.CellId())->box, *window);
    }
  }
}

void GdsOut::WriteCellWindow(Cell& cell, const Box& window, const std::set<LayerKey>& layers,
                             const std::map<LayerKey, LayerKey>* layerMap,
                             bool (*isWritten)(const Library&, uint32_t)) {
  WriteStructureHeader(cell);
  WriteShapesInWindow(cell, window, layers, layerMap);
  WritePlacementsOf(cell, BoxInside(cell.box, window) ? nullptr : &window, isWritten);
  WriteStructureEnd();
}

void GdsOut::WriteLibrary(Library& library) {
  WriteLibraryHeader(library);
  int64_t written = 0;
  for (int64_t id = 0; id < library.CellCount(); ++id) {
    Cell* cell = library.GetCell(id);
    if (!cell || cell->IsVoid()) continue;
    WriteCellFromLibrary(*cell);
    ++written;
  }
  // A stream without structures is no library to a GDSII reader, ours included.
  if (written == 0) throw Error(kTagGdsOut, "No cell has contents: nothing to export");
  if (cellData_) cellData_->Close();
  WriteLibraryEnd();
}
