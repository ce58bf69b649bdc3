#pragma once

#include <cstdint>
#include <set>
#include <vector>

#include "db/box.h"
#include "db/cell.h"
#include "db/hierarchy_iterator.h"
#include "db/poly/ring_set.h"
#include "db/trans.h"

class Library;

// A ruler: its start and end in database units of the shown cell.
struct Ruler {
  int32_t x1 = 0;
  int32_t y1 = 0;
  int32_t x2 = 0;
  int32_t y2 = 0;
};

// What a control press on the selection picked for moving.
enum class PickKind { kNone = 0, kVertex = 1, kEdge = 2 };

// A placement chosen from the path of the last pick: the placement, the cell that holds it and
// the transform that takes that cell into the shown cell.
struct SelectedInstance {
  const SRef* ref = nullptr;
  Cell* holder = nullptr;
  uint32_t holderId = 0;
  Trans holderToShown;
  explicit operator bool() const { return ref != nullptr; }
};

// The selection of one view and the state that its gestures and edit commands share. It is
// plain data free of the toolkit: the gestures fill it, the edit, cell and extraction commands
// read and consume it, and the overlays of its canvas draw it.
//
// The selection is "picked" when pickWalk holds the path of the pick (the element can be put
// back where it was found) and "new" otherwise (it goes into the shown cell). Any edit of the
// library moves its edit generation on; a view then drops its pick path and selected
// instance (FollowGeneration), since both point into cell contents that may have changed.
struct EditState {
  // The selected, drawn or edited polygons, in database units of the shown cell.
  RingSet selectionRing;
  bool drawingPolygon = false;
  LayerKey editLayer = 0;
  // Colour word of editLayer: red bits 0-7, green 8-15, blue 16-23.
  uint32_t editColour = 0;
  PickKind pickKind = PickKind::kNone;
  // The picked vertex; for an edge its first vertex (the edge runs to its ring successor).
  RingVertex* pickedVertex = nullptr;
  bool movingSelection = false;
  Point moveAnchor{0, 0};
  // The layers not hidden when the last pick started.
  std::set<LayerKey> visibleLayers;
  // The 3 x 3 window around the point of the last pick, in the shown cell: a shape it picks
  // reaches it (texts count within a few pixels).
  Box pickPointWindow;
  // The walk of the last pick (or inspection), positioned on its element: its frames are the
  // hierarchy path, its transform takes the element's cell into the shown cell.
  HierarchyIterator pickWalk;
  // True while pickWalk is an inspection that Inspect Next may continue.
  bool inspectionActive = false;
  SelectedInstance selectedInstance;
  std::vector<Ruler> rulers;
  std::vector<Ruler> removedRulers;
  // The library's edit generation that the pick path was made under.
  uint64_t seenGeneration = 0;

  bool HasSelection() const { return !selectionRing.IsEmpty(); }
  bool HasPickPath() const { return !pickWalk.Frames().empty(); }
  // True when every vertex of the selection has both ring links: the polygon is closed.
  bool SelectionClosed() const;
  // Drops the selection ring, the picked vertex or edge, the selected instance, and ends a
  // drawing or a move: no state is left that refers to the ring.
  void ClearSelection();
  // ClearSelection, and the pick path and the inspection go too.
  void Cancel();
  // Drops the pick path, the inspection and the selected instance when library's edit
  // generation differs from the one they were made under; true when it dropped them.
  bool FollowGeneration(const Library& library);
  // Records the library's current generation as the one a new pick path is made under.
  void SeeGeneration(const Library& library);
  // Remove Rulers: every ruler goes into removedRulers, replacing what an earlier removal put
  // there, so that only the last removal can be recovered.
  void RemoveRulers();
  // Recover Rulers: the rulers of the last removal come back after the current ones; false
  // (nothing changes) when there are none.
  bool RecoverRulers();
};
