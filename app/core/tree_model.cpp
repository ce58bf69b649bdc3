#include "app/core/tree_model.h"

#include <algorithm>
#include <vector>

#include "db/cell.h"
#include "db/library.h"
#include "db/trans.h"

bool HasExpandButton(const Cell& cell) {
  return cell.referencePosition >= 0 || ((cell.flags & kCellModified) && cell.HasReferences());
}

std::vector<TreeChild> ChildCells(Library& library, int32_t id) {
  std::vector<TreeChild> children;
  Cell* cell = library.GetCell(id);
  if (!cell) return children;
  library.LoadCell(*cell, true);
  const LayerRecord* placements = cell->HasReferences();
  if (!placements) return children;
  std::vector<bool> seen(library.cells.size(), false);
  for (SpatialNode* e = placements->index.FirstLeaf(); e; e = placements->index.NextLeaf(e)) {
    const uint32_t child = static_cast<const SRef*>(e->payload)->CellId();
    const Cell* placed = library.GetCell(child);
    if (!placed || seen[child]) continue;
    seen[child] = true;
    children.push_back(TreeChild{placed->Name(), HasExpandButton(*placed)});
  }
  std::sort(children.begin(), children.end(), [](const TreeChild& a, const TreeChild& b) { return a.name < b.name; });
  return children;
}

RightDClickOutcome RightDClickResult(int32_t hit, int32_t shown, int32_t current) {
  if (hit >= 0 && hit != shown) return {hit, true};
  if (current < 0) return {current, false};
  return {-1, true};
}
