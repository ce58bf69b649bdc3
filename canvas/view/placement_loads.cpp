#include "canvas/view/placement_loads.h"

#include "db/cell.h"
#include "db/library.h"

TemporaryPlacements::~TemporaryPlacements() {
  for (uint32_t id : loaded_) {
    if (Cell* cell = library_.GetCell(id)) cell->Clear();
  }
}

bool TemporaryPlacements::IsUnloaded(const Cell& cell) {
  return !cell.loaded && cell.layers.empty() && cell.shapes.empty() && cell.texts.Head() == nullptr;
}

Cell* TemporaryPlacements::WithPlacements(uint32_t id) {
  Cell* cell = library_.GetCell(id);
  if (!cell || !IsUnloaded(*cell)) return cell;
  // Recorded before the read: a read that fails half-way leaves the cell to be cleared too.
  loaded_.push_back(id);
  library_.LoadCellReferences(*cell);
  return cell;
}
