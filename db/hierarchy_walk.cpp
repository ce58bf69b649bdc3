// Walks down the placements of a cell within a window: the marking walk of the hierarchical
// extraction and the flattening walk. Both keep their path on an explicit stack, so neither a
// deep hierarchy nor a placement cycle can exhaust the call stack.
#include "db/hierarchy_walk.h"

#include <algorithm>
#include <cmath>

#include "db/cell_contents.h"
#include "db/library.h"
#include "db/log.h"
#include "db/numeric.h"
#include "db/poly/ring_set.h"

namespace {

int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

int64_t CeilDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  return (a % b != 0 && ((a < 0) == (b < 0))) ? q + 1 : q;
}

// The indexes i in [0, count) with low < i * pitch < high and base + i * pitch inside 32 bits,
// as [first, last).
void IndexesInRange(int64_t count, int64_t pitch, int64_t low, int64_t high, int64_t base, int32_t& first,
                    int32_t& last) {
  int64_t a = std::max(low + 1, int64_t(INT32_MIN) - base);
  int64_t b = std::min(high - 1, int64_t(INT32_MAX) - base);
  int64_t lo = 0, hi = count - 1;
  if (a > b) {
    hi = -1;
  } else if (pitch > 0) {
    lo = std::max(lo, CeilDiv(a, pitch));
    hi = std::min(hi, FloorDiv(b, pitch));
  } else if (pitch < 0) {
    lo = std::max(lo, CeilDiv(b, pitch));
    hi = std::min(hi, FloorDiv(a, pitch));
  } else if (a > 0 || b < 0) {
    hi = -1;
  }
  first = int32_t(lo);
  last = int32_t(std::max(lo, hi + 1));
}

}  // namespace

ElementRange ElementsInWindow(const ARef& array, const Box& cellBox, const Box& window) {
  ElementRange range;
  if (cellBox.x1 > cellBox.x2 || cellBox.y1 > cellBox.y2) return range;
  // Element (c, r) is the box of element (0, 0) moved by its offset; in 64 bits nothing wraps.
  Trans local = array;
  local.x = local.y = 0;
  Box shape = cellBox;
  local.ApplyToBox(shape);
  int64_t x1 = int64_t(shape.x1) + array.x, x2 = int64_t(shape.x2) + array.x;
  int64_t y1 = int64_t(shape.y1) + array.y, y2 = int64_t(shape.y2) + array.y;
  int64_t columns = std::max<int64_t>(0, array.columns), rows = std::max<int64_t>(0, array.rows);
  // Under an odd orientation the rows step along the column pitch and the columns along the
  // row pitch.
  bool odd = (array.orientation & 1) != 0;
  IndexesInRange(odd ? rows : columns, array.columnPitch, window.x1 - x2, window.x2 - x1, array.x,
                 odd ? range.row0 : range.column0, odd ? range.row1 : range.column1);
  IndexesInRange(odd ? columns : rows, array.rowPitch, window.y1 - y2, window.y2 - y1, array.y,
                 odd ? range.column0 : range.row0, odd ? range.column1 : range.row1);
  return range;
}

Box ChildWindow(const Box& window, const Trans& placement) {
  Trans inverse = placement;
  inverse.Invert();
  Box child = window;
  inverse.ApplyToBox(child);
  if (!placement.IsMagnified() || child.x1 > child.x2 || child.y1 > child.y2) return child;
  // One unit for the rounding of the inverse, and what half a unit of the forward rounding
  // amounts to in the placed cell.
  double m = placement.magnification;
  double pad = 1.0 + (std::isfinite(m) && m > 0 ? std::ceil(std::min(1.0 / m, 1e9)) : 0.0);
  return Box(SaturateToInt32(child.x1 - pad), SaturateToInt32(child.y1 - pad), SaturateToInt32(child.x2 + pad),
             SaturateToInt32(child.y2 + pad));
}

bool PlacementCursor::NextElement() {
  if (elements.IsEmpty()) return false;
  if (column < 0) {
    column = elements.column0;
    row = elements.row0;
    return true;
  }
  if (++row < elements.row1) return true;
  row = elements.row0;
  if (++column < elements.column1) return true;
  StartArray(ElementRange());
  return false;
}

void WalkPath::Start(size_t cellCount) {
  onPath_.assign(cellCount, 0);
  warned_ = false;
}

void WalkPath::SkipCycle(const Cell& placed) {
  if (warned_) return;
  LogMessage("Warning: recursive placement of %s skipped\n", placed.Name());
  warned_ = true;
}

namespace {

// The window through which a placement reaches the cell it places, in that cell's coordinates;
// false when it reaches none. An array that reaches the window with one element gives that
// element's window; with several, the placed cell's whole box serves them all.
bool MarkingWindow(const SRef& ref, const Box& cellBox, const Box& window, Box& out) {
  if (!ref.IsArray()) {
    out = ChildWindow(window, ref);
    return true;
  }
  const ARef& array = static_cast<const ARef&>(ref);
  ElementRange hits = ElementsInWindow(array, cellBox, window);
  if (hits.IsEmpty()) return false;
  if (hits.Count() > 1) {
    out = cellBox;
    return true;
  }
  Trans element;
  array.ElementTrans(hits.column0, hits.row0, element);
  out = ChildWindow(window, element);
  return true;
}

}  // namespace

void Library::WalkHierarchy(uint32_t id, const Box& window) {
  if (!GetCell(id)) return;
  // A library just opened has no records yet; only the windows are this walk's to set.
  if (records.size() < cells.size()) records.resize(cells.size());
  struct Frame {
    uint32_t id;
    Box window;
    const SpatialIndex* placements;
    SpatialNode* entry;
  };
  std::vector<Frame> stack;
  WalkPath path;
  path.Start(cells.size());
  auto visit = [&](uint32_t cellId, const Box& cellWindow) {
    Cell& cell = *cells[cellId];
    HierarchyRecord& record = records[cellId];
    if (cell.flags & kCellVisited) {
      if (record.window.Contains(cellWindow)) return;
      GrowBox(record.window, cellWindow);
    } else {
      cell.flags |= kCellVisited;
      record.window = cellWindow;
    }
    // Other passes set the visited bit too, and a visited cell may have been unloaded since.
    LoadCell(cell, true);
    if (const LayerRecord* placements = cell.HasReferences()) {
      stack.push_back({cellId, cellWindow, &placements->index, nullptr});
      path.Enter(cellId);
    }
  };
  visit(id, window);
  while (!stack.empty()) {
    Frame& f = stack.back();
    f.entry = f.entry ? f.placements->QueryNext(f.entry, f.window) : f.placements->QueryFirst(f.window);
    if (!f.entry) {
      path.Leave(f.id);
      stack.pop_back();
      continue;
    }
    const SRef& ref = *static_cast<const SRef*>(f.entry->payload);
    const Cell* child = GetCell(ref.CellId());
    if (!child || child->box.IsEmpty()) continue;
    if (path.Contains(ref.CellId())) {
      path.SkipCycle(*child);
      continue;
    }
    Box childWindow;
    if (MarkingWindow(ref, child->box, f.window, childWindow)) visit(ref.CellId(), childWindow);
  }
}

namespace {

// Step 2 and 3 of the flattening walk for one cell: its shapes in window (its own coordinates),
// through trans, cut to clip (the top cell's coordinates), appended per layer to out.
void CollectCellRings(Cell& cell, const Box& window, const Trans& trans, const Box& clip,
                      const std::set<LayerKey>& layers, std::map<LayerKey, RingSet>& out) {
  Box placed = cell.box;
  trans.ApplyToBox(placed);
  if (clip.Contains(placed)) {
    bool identity = trans.x == 0 && trans.y == 0 && trans.orientation == 0 && !trans.IsMagnified();
    for (const auto& layer : cell.shapes) {
      if (layer.second.Count() == 0 || !AdmitsLayer(layers, layer.first)) continue;
      RingSet rings;
      layer.second.ToRings(rings);
      if (!identity) trans.ApplyToPoints(rings);
      out[layer.first].Append(rings);
    }
    return;
  }
  EnsureShapeIndexes(cell);
  for (const auto& layer : cell.layers) {
    if (layer.first == kPlacementKey || layer.second.Count() == 0 || !AdmitsLayer(layers, layer.first)) continue;
    RingSet rings;
    CollectLayerRings(layer.second.index, window, trans, clip, rings, false);
    if (!rings.IsEmpty()) out[layer.first].Append(rings);
  }
}

}  // namespace

void Library::WalkHierarchyExtract(uint32_t id, const Box& window, const Trans& trans, const std::set<LayerKey>& layers,
                                   std::map<LayerKey, RingSet>& out) {
  if (!GetCell(id)) return;
  // Shapes are cut in the top cell's coordinates, where the window is exact.
  Box clip = window;
  trans.ApplyToBox(clip);
  struct Frame {
    uint32_t id;
    Box window;
    Trans trans;
    const SpatialIndex* placements;
    PlacementCursor cursor;
  };
  std::vector<Frame> stack;
  WalkPath path;
  path.Start(cells.size());
  auto enter = [&](uint32_t cellId, const Box& cellWindow, const Trans& cellTrans) {
    Cell& cell = *cells[cellId];
    LoadCell(cell, true);
    CollectCellRings(cell, cellWindow, cellTrans, clip, layers, out);
    if (const LayerRecord* placements = cell.HasReferences()) {
      stack.push_back({cellId, cellWindow, cellTrans, &placements->index, PlacementCursor()});
      path.Enter(cellId);
    }
  };
  enter(id, window, trans);
  while (!stack.empty()) {
    Frame& f = stack.back();
    PlacementCursor& at = f.cursor;
    Trans element;
    if (at.NextElement()) {
      static_cast<const ARef*>(at.entry->payload)->ElementTrans(at.column, at.row, element);
    } else {
      at.entry = at.entry ? f.placements->QueryNext(at.entry, f.window) : f.placements->QueryFirst(f.window);
      if (!at.entry) {
        path.Leave(f.id);
        stack.pop_back();
        continue;
      }
      const SRef& ref = *static_cast<const SRef*>(at.entry->payload);
      const Cell* child = GetCell(ref.CellId());
      if (!child || child->box.IsEmpty()) continue;
      if (path.Contains(ref.CellId())) {
        path.SkipCycle(*child);
        continue;
      }
      if (ref.IsArray()) {
        at.StartArray(ElementsInWindow(static_cast<const ARef&>(ref), child->box, f.window));
        continue;
      }
      element = ref;
    }
    uint32_t childId = static_cast<const SRef*>(at.entry->payload)->CellId();
    Trans childTrans = element;
    childTrans.Compose(f.trans);
    Box childWindow = ChildWindow(f.window, element);
    enter(childId, childWindow, childTrans);
  }
}
