#include "canvas/edit/cell_recalculation.h"

#include "canvas/edit/placement_loads.h"
#include "db/cell_contents.h"
#include "db/library.h"

bool RecalculateCells(Library& library) {
  if (!(library.flags & kLibHierarchyDirty)) return false;
  TemporaryPlacements placements(library);
  for (uint32_t id = 0; id < library.cells.size(); ++id) {
    Cell* cell = library.GetCell(id);
    if (!cell || cell->box.x1 > cell->box.x2 || cell->box.y1 > cell->box.y2) continue;
    if (TemporaryPlacements::IsUnloaded(*cell)) {
      placements.WithPlacements(id);
    } else if (cell->flags & kCellModified) {
      ComputeContentsBBox(*cell, cell->box);
    }
  }
  library.FinishImportPass();
  library.BuildHierarchy();
  library.CollectRoots();
  library.RefreshPlacementBoxes();
  library.flags = (library.flags | kLibInfoDirty) & ~kLibHierarchyDirty;
  return true;
}
