#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <vector>

#include "db/box.h"
#include "db/trans.h"

// The place of one cell id in the hierarchy: the cells that place it, each with the number of
// instances of this cell in it (an array counts columns * rows), the cells it places, its level
// below the roots, and the window through which the last marking walk reached it.
struct HierarchyRecord {
  std::set<uint32_t> children;
  std::map<uint32_t, int64_t> parents;
  // Union of the windows, in this cell's coordinates, through which Library::WalkHierarchy
  // reached the cell; empty until then.
  Box window;
  // 0 for a root; otherwise one more than the deepest of the parents. 32 bits: a chain of
  // placements may be deeper than 65535 levels.
  uint32_t level = 0;
};

// The placements that an import read for one cell. A single placement is an ARef whose cell-id
// word has bit 31 clear. Once the cell is written its placements are on disk alone (written
// set, placements empty), so that an import holds the placements of one cell at a time.
struct ImportRecord {
  uint32_t cellId = 0;
  std::vector<ARef> placements;
  bool written = false;
};
