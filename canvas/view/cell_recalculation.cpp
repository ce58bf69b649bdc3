#include "canvas/view/cell_recalculation.h"

#include <vector>

#include "canvas/view/edit_state.h"
#include "canvas/view/placement_loads.h"
#include "db/cell_contents.h"
#include "db/library.h"

bool RecalculateCells(Library& library) {
  if (!library.HierarchyDue()) return false;
  TemporaryPlacements placements(library);
  auto hasBox = [](const Cell* cell) { return cell && cell->box.x1 <= cell->box.x2 && cell->box.y1 <= cell->box.y2; };
  // Every read comes first: a read that fails leaves every box as it was.
  std::vector<uint32_t> modified;
  for (uint32_t id = 0; id < library.cells.size(); ++id) {
    Cell* cell = library.GetCell(id);
    if (!hasBox(cell)) continue;
    if (TemporaryPlacements::IsUnloaded(*cell)) {
      placements.WithPlacements(id);
    } else if (cell->flags & kCellModified) {
      modified.push_back(id);
    }
  }
  for (uint32_t id : modified) ComputeContentsBBox(*library.cells[id], library.cells[id]->box);
  library.FinishImportPass();
  library.BuildHierarchy();
  library.CollectRoots();
  library.RefreshPlacementBoxes();
  // Placements whose boxes changed were entered anew: the note moves the edit generation, so that
  // every pick path and selected placement that points into the old entries goes.
  library.NoteHierarchyRecalculated();
  return true;
}
