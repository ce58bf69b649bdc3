#pragma once

#include <vector>

#include "db/box.h"
#include "db/cell.h"

class RingSet;
struct ShapePosition;
struct SpatialNode;

// Taking shapes of one layer out of a loaded, indexed cell for an edit that rewrites them
// (merging, cutting), in two steps, so that an edit can compute its result first and change the
// cell only when that worked.

// The shapes of layer key that area takes: every index entry whose box overlaps area strictly,
// texts (point entries) excepted. Rectangle and square records are taken as their index box;
// other shapes whole, when their box lies inside area or their ring clipped to area keeps
// something. Each taken shape's ring is appended to rings (its vertices carry kVertexOperandB
// with operandB) and its entry to the result. The cell is not changed; a layer without a record
// takes nothing.
std::vector<SpatialNode*> CollectShapesInArea(Cell& cell, LayerKey key, const Box& area, RingSet& rings, bool operandB);

// Removes the shapes of the entries of layer key's index: each position from its group (a group
// left empty leaves the layer's list) and the entry from the index.
void RemoveShapes(Cell& cell, LayerKey key, const std::vector<SpatialNode*>& entries);

// CollectShapesInArea, then RemoveShapes of what it took.
void TakeShapesInArea(Cell& cell, LayerKey key, const Box& area, RingSet& rings, bool operandB);

// Removes one position from the group that holds it on layer key; a group left empty leaves the
// list, and a list left empty leaves the cell. The index is the caller's.
void RemoveShapePosition(Cell& cell, LayerKey key, ShapePosition* position);

// Removes every shape of layer key from the cell. The layer's texts stay, entered anew in the
// layer's index; the layer's record goes when no text keeps it.
void RemoveLayerShapes(Cell& cell, LayerKey key);
