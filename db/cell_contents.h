#pragma once

#include <set>

#include "db/box.h"
#include "db/cell.h"

class RingSet;
struct Trans;

// Grows box to cover other unless other is truly empty (x1 > x2 or y1 > y2). Unlike
// Box::ExtendBox, a point or a line counts, and a point or line box is never replaced.
inline void GrowBox(Box& box, const Box& other) {
  if (other.x1 > other.x2 || other.y1 > other.y2) return;
  box.Extend(other.x1, other.y1);
  box.Extend(other.x2, other.y2);
}

// True when filter is empty (all layers) or holds key.
inline bool AdmitsLayer(const std::set<LayerKey>& filter, LayerKey key) {
  return filter.empty() || filter.count(key) != 0;
}

// The box of the cell's own shapes and texts on every layer that filter admits (empty: all);
// placements are not included. The empty box when nothing counts.
void ComputeContentsBBox(const Cell& cell, Box& out, const std::set<LayerKey>& filter = {});
// The box of a loaded cell: its own shapes and texts, and every entry of its placement index.
void ComputeCellBBox(Box& out, const Cell& cell);

// Builds the indexes of a cell whose shapes or texts have none yet (loaded without indexing, or
// built by the import path), so that window queries see them.
void EnsureShapeIndexes(Cell& cell);

// Appends to out the shapes of one layer index that overlap window (in the cell's coordinates)
// taken through trans, and cut to clip (in the coordinates after trans): squares and rectangles
// as their box cut to clip, other shapes whole when inside clip, otherwise clipped (rings made
// counter-clockwise first) and dropped when nothing remains. Texts (point entries) are skipped.
// With operandB every vertex added carries kVertexOperandB.
void CollectLayerRings(const SpatialIndex& index, const Box& window, const Trans& trans, const Box& clip, RingSet& out,
                       bool operandB);
