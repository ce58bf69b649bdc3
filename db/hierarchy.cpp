// The hierarchy records of a library: who places whom and how often, the breadth-first order
// from the roots with levels and depth, and the bounding boxes that follow from the placements.
#include <algorithm>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "db/cell_contents.h"
#include "db/library.h"
#include "db/log.h"

namespace {

// Instances of the placed cell: columns * rows for an array, else 1.
int64_t InstanceCount(const SRef& ref) {
  if (!ref.IsArray()) return 1;
  const ARef& array = static_cast<const ARef&>(ref);
  return int64_t(std::max<int16_t>(array.columns, 0)) * std::max<int16_t>(array.rows, 0);
}

// Records that parent places child count more times. A caller that adds the parents of every
// cell in increasing order, and the children of each in increasing order, has every new entry
// land at the end of its map and set, found without a search.
void AddInstances(std::vector<HierarchyRecord>& records, uint32_t parent, uint32_t child, int64_t count) {
  std::map<uint32_t, int64_t>& parents = records[child].parents;
  const size_t before = parents.size();
  auto entry = parents.emplace_hint(parents.end(), parent, 0);
  entry->second += count;
  if (parents.size() != before) {
    std::set<uint32_t>& children = records[parent].children;
    children.emplace_hint(children.end(), child);
  }
}

void AddParent(std::vector<HierarchyRecord>& records, uint32_t parent, const SRef& ref) {
  uint32_t child = ref.CellId();
  if (child >= records.size()) return;
  AddInstances(records, parent, child, InstanceCount(ref));
}

}  // namespace

void Library::RecordParents(uint32_t id) {
  const Cell* cell = GetCell(id);
  if (!cell || (cell->flags & kCellNoPlacements) || id >= records.size()) return;
  const LayerRecord* placements = cell->HasReferences();
  if (!placements) return;
  for (SpatialNode* e = placements->index.FirstLeaf(); e; e = placements->index.NextLeaf(e)) {
    AddParent(records, id, *static_cast<const SRef*>(e->payload));
  }
}

void Library::FinishImportPass() {
  records.assign(cells.size(), HierarchyRecord());
  for (uint32_t id = 0; id < cells.size(); ++id) RecordParents(id);
}

void Library::FinishImport() {
  // Every cell is written: what the shape tables kept for the next table is free for the
  // hierarchy.
  ShapeTable::ReleaseSpareMemory();
  records.assign(cells.size(), HierarchyRecord());
  if (importRecords.size() > cells.size()) LogMessage("Warning: cells read are more than actual cells\n");
  // The placements of one cell are summed per child first, and the cells are taken in the order
  // of their ids, so that the maps of the hierarchy grow at their ends, once per pair of cells.
  std::vector<const ImportRecord*> byCell;
  for (const ImportRecord& list : importRecords) {
    if (list.cellId < cells.size()) byCell.push_back(&list);
  }
  std::stable_sort(byCell.begin(), byCell.end(),
                   [](const ImportRecord* a, const ImportRecord* b) { return a->cellId < b->cellId; });
  std::vector<ARef> scratch;
  std::vector<int64_t> instances(cells.size(), 0);
  std::vector<uint8_t> placed(cells.size(), 0);
  std::vector<uint32_t> children;
  for (const ImportRecord* list : byCell) {
    for (const ARef& ref : ImportedPlacements(*list, scratch)) {
      uint32_t child = ref.CellId();
      if (child >= records.size()) continue;
      if (!placed[child]) children.push_back(child);
      placed[child] = 1;
      instances[child] += InstanceCount(ref);
    }
    std::sort(children.begin(), children.end());
    for (uint32_t child : children) {
      AddInstances(records, list->cellId, child, instances[child]);
      instances[child] = 0;
      placed[child] = 0;
    }
    children.clear();
  }
}

void Library::BuildHierarchy() {
  order.clear();
  depth = 0;
  records.resize(cells.size());
  std::vector<size_t> pending(cells.size(), 0);
  for (uint32_t id = 0; id < cells.size(); ++id) {
    if (!cells[id]) continue;
    records[id].level = 0;
    pending[id] = records[id].parents.size();
    if (pending[id] == 0) order.push_back(id);
  }
  // The order list is its own queue: every cell enters it once its last parent has.
  for (size_t cursor = 0; cursor < order.size(); ++cursor) {
    uint32_t level = records[order[cursor]].level + 1;
    for (uint32_t child : records[order[cursor]].children) {
      if (!cells[child] || --pending[child] != 0) continue;
      order.push_back(child);
      records[child].level = level;
      depth = std::max(depth, level);
    }
  }
  size_t existing = 0;
  for (const auto& cell : cells) existing += cell != nullptr;
  if (order.size() < existing) {
    LogMessage("Warning: %zu cells in or below placement cycles left out of the hierarchy\n", existing - order.size());
  }
}

void Library::CollectRoots() {
  roots.clear();
  for (uint32_t id : order) {
    if (records[id].level == 0) roots.push_back(id);
  }
}

void Library::PropagateBoundingBoxes() {
  std::vector<ARef> scratch;
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    uint32_t id = *it;
    if (id >= importIndex.size() || importIndex[id] < 0 || size_t(importIndex[id]) >= importRecords.size()) continue;
    Cell& cell = *cells[id];
    for (const ARef& ref : ImportedPlacements(importRecords[size_t(importIndex[id])], scratch)) {
      const Cell* child = GetCell(ref.CellId());
      if (!child) continue;
      Box placed;
      ref.GetBox(placed, child->box);
      GrowBox(cell.box, placed);
    }
  }
  std::vector<ImportRecord>().swap(importRecords);
  std::vector<int32_t>().swap(importIndex);
}

bool Library::RefreshPlacementBoxes() {
  bool grew = false;
  std::vector<std::pair<Box, SRef*>> moved;
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    Cell& cell = *cells[*it];
    LayerRecord* placements = cell.HasReferences();
    if (!placements) continue;
    SpatialIndex& index = placements->index;
    Box reach;
    moved.clear();
    for (SpatialNode* e = index.FirstLeaf(); e;) {
      SRef* ref = static_cast<SRef*>(e->payload);
      const Cell* child = GetCell(ref->CellId());
      Box placed;
      if (child) ref->GetBox(placed, child->box);
      GrowBox(reach, placed);
      // A placement of a cell that has no box now keeps the box it has.
      if (placed.x1 > placed.x2 || placed.y1 > placed.y2 || placed == e->box) {
        e = index.NextLeaf(e);
        continue;
      }
      moved.emplace_back(placed, ref);
      e = index.Remove(e);
    }
    for (const auto& entry : moved) index.Insert(entry.first, entry.second);
    placements->bound = reach;
    Box before = cell.box;
    GrowBox(cell.box, reach);
    grew = grew || cell.box != before;
  }
  return grew;
}
