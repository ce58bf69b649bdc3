#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <vector>

#include "db/box.h"
#include "db/cell.h"
#include "db/hierarchy_walk.h"
#include "db/trans.h"

class Library;

// One level of a hierarchy walk.
struct HierarchyFrame {
  // From this cell into the walk's top cell.
  Trans trans;
  Cell* cell = nullptr;
  uint32_t cellId = 0;
  // The search window in this cell's own coordinates.
  Box window;
  // The layer being searched.
  std::map<LayerKey, LayerRecord>::iterator layer;
  // The entry found last on that layer; on the placement layer also the array element.
  PlacementCursor cursor;

  void Init(const Trans& frameTrans, Cell* frameCell, uint32_t id, const Box& frameWindow,
            std::map<LayerKey, LayerRecord>::iterator layerPosition, SpatialNode* entry);
};

// A resumable depth-first walk over every shape and text (index entries) that lies in a window
// of a top cell, through all levels of placements, with the transform that places each in the
// top cell. Cells are loaded (and indexed) on first reach and stay loaded. Layers are searched
// in key order; a subtree outside the window is never visited, and an array visits only the
// elements whose boxes overlap the window. A placement of a cell already on the path (a cycle
// in bad input) is skipped with one warning per walk.
//
//   it.Init(window, library, layers, topId);
//   for (SpatialNode* e = it.EnterCell(trans, key); e; e = it.Next(trans, key)) ...
//
// An entry whose box is a single point is a TextItem; any other shape entry is a ShapePosition;
// on the placement layer (key kPlacementKey, target mode only) an SRef or ARef. The walk must
// be reset when a cell on its path is edited.
class HierarchyIterator {
 public:
  // Prepares a walk of cell cellId of library: the layer set filters the shape layers when it
  // is not empty; no target cell. The library must outlive the walk.
  void Init(const Box& window, Library& library, const std::set<LayerKey>& layerSet, uint32_t cellId);
  // Abandons the walk.
  void Reset();
  // Starts the search in the current frame's cell: from its first layer, or, when key is
  // kPlacementKey on entry, from its placement layer. Returns the first entry found, its
  // transform in found and its layer key in key, or null.
  SpatialNode* EnterCell(Trans& found, LayerKey& key);
  // The entry after the one returned last; null at the end of the walk.
  SpatialNode* Next(Trans& found, LayerKey& key);

  // The path of the last entry: the top cell's frame first, the entry's own frame last.
  const std::vector<HierarchyFrame>& Frames() const { return frames_; }

  // With an id, placements of that cell are reported (key kPlacementKey, found the transform
  // of the cell that holds them) instead of being entered.
  int64_t targetCell = -1;
  // A placement that the walk passes over.
  const SRef* skipPlacement = nullptr;

 private:
  enum class Outcome { kFound, kDescend, kExhausted };

  // Searches the current frame's cell from its position on.
  Outcome Step(Trans& found, LayerKey& key, uint32_t& childId, Trans& element);
  // Handles the placements of the current frame from its position on.
  Outcome NextPlacement(Trans& found, LayerKey& key, uint32_t& childId, Trans& element);
  void Descend(uint32_t childId, const Trans& element);
  SpatialNode* Run(Trans& found, LayerKey& key);

  Library* library_ = nullptr;
  std::set<LayerKey> filter_;
  std::vector<HierarchyFrame> frames_;
  WalkPath path_;
};
