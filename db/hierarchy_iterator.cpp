// The resumable hierarchy walk. Its state is the frame stack alone: each frame remembers its
// layer, its last entry and, inside an array, its last element, so Next continues mid-query and
// mid-array, and the depth of the hierarchy costs heap, never call stack.
#include "db/hierarchy_iterator.h"

#include "db/cell_contents.h"
#include "db/library.h"

void HierarchyFrame::Init(const Trans& frameTrans, Cell* frameCell, uint32_t id, const Box& frameWindow,
                          std::map<LayerKey, LayerRecord>::iterator layerPosition, SpatialNode* entry) {
  trans = frameTrans;
  cell = frameCell;
  cellId = id;
  window = frameWindow;
  layer = layerPosition;
  cursor = PlacementCursor();
  cursor.entry = entry;
}

void HierarchyIterator::Init(const Box& window, Library& library, const std::set<LayerKey>& layerSet, uint32_t cellId) {
  Reset();
  library_ = &library;
  filter_ = layerSet;
  targetCell = -1;
  skipPlacement = nullptr;
  path_.Start(library.cells.size());
  Cell* cell = library.GetCell(cellId);
  if (!cell) return;
  HierarchyFrame top;
  top.Init(Trans(), cell, cellId, window, cell->layers.end(), nullptr);
  frames_.push_back(top);
  path_.Enter(cellId);
}

void HierarchyIterator::Reset() {
  for (const HierarchyFrame& frame : frames_) path_.Leave(frame.cellId);
  frames_.clear();
}

SpatialNode* HierarchyIterator::EnterCell(Trans& found, LayerKey& key) {
  if (frames_.empty()) return nullptr;
  HierarchyFrame& top = frames_.back();
  library_->LoadCell(*top.cell, true);
  EnsureShapeIndexes(*top.cell);
  top.layer = key == kPlacementKey ? top.cell->layers.find(kPlacementKey) : top.cell->layers.begin();
  top.cursor = PlacementCursor();
  key = 0;
  return Run(found, key);
}

SpatialNode* HierarchyIterator::Next(Trans& found, LayerKey& key) { return Run(found, key); }

SpatialNode* HierarchyIterator::Run(Trans& found, LayerKey& key) {
  while (!frames_.empty()) {
    uint32_t childId = 0;
    Trans element;
    switch (Step(found, key, childId, element)) {
      case Outcome::kFound: return frames_.back().cursor.entry;
      case Outcome::kDescend: Descend(childId, element); break;
      case Outcome::kExhausted:
        path_.Leave(frames_.back().cellId);
        frames_.pop_back();
        break;
    }
  }
  return nullptr;
}

HierarchyIterator::Outcome HierarchyIterator::Step(Trans& found, LayerKey& key, uint32_t& childId, Trans& element) {
  HierarchyFrame& f = frames_.back();
  for (; f.layer != f.cell->layers.end(); ++f.layer, f.cursor = PlacementCursor()) {
    LayerKey layerKey = f.layer->first;
    if (layerKey == kPlacementKey) {
      Outcome outcome = NextPlacement(found, key, childId, element);
      if (outcome != Outcome::kExhausted) return outcome;
      continue;
    }
    if (f.layer->second.Count() == 0 || !AdmitsLayer(filter_, layerKey)) continue;
    const SpatialIndex& index = f.layer->second.index;
    f.cursor.entry = f.cursor.entry ? index.QueryNext(f.cursor.entry, f.window) : index.QueryFirst(f.window);
    if (f.cursor.entry) {
      found = f.trans;
      key = layerKey;
      return Outcome::kFound;
    }
  }
  return Outcome::kExhausted;
}

HierarchyIterator::Outcome HierarchyIterator::NextPlacement(Trans& found, LayerKey& key, uint32_t& childId,
                                                            Trans& element) {
  HierarchyFrame& f = frames_.back();
  const SpatialIndex& index = f.layer->second.index;
  PlacementCursor& at = f.cursor;
  for (;;) {
    if (at.NextElement()) {
      const ARef& array = *static_cast<const ARef*>(at.entry->payload);
      array.ElementTrans(at.column, at.row, element);
      childId = array.CellId();
      return Outcome::kDescend;
    }
    at.entry = at.entry ? index.QueryNext(at.entry, f.window) : index.QueryFirst(f.window);
    if (!at.entry) return Outcome::kExhausted;
    const SRef& ref = *static_cast<const SRef*>(at.entry->payload);
    if (&ref == skipPlacement) continue;
    if (targetCell >= 0 && ref.CellId() == targetCell) {
      found = f.trans;
      key = kPlacementKey;
      return Outcome::kFound;
    }
    const Cell* child = library_->GetCell(ref.CellId());
    if (!child || child->box.IsEmpty()) continue;
    if (path_.Contains(ref.CellId())) {
      path_.SkipCycle(*child);
      continue;
    }
    if (ref.IsArray()) {
      at.StartArray(ElementsInWindow(static_cast<const ARef&>(ref), child->box, f.window));
      continue;
    }
    element = ref;
    childId = ref.CellId();
    return Outcome::kDescend;
  }
}

void HierarchyIterator::Descend(uint32_t childId, const Trans& element) {
  Cell* child = library_->GetCell(childId);
  library_->LoadCell(*child, true);
  EnsureShapeIndexes(*child);
  const HierarchyFrame& parent = frames_.back();
  Trans trans = element;
  trans.Compose(parent.trans);
  HierarchyFrame frame;
  frame.Init(trans, child, childId, ChildWindow(parent.window, element), child->layers.begin(), nullptr);
  frames_.push_back(frame);
  path_.Enter(childId);
}
