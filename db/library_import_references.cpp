// The placement section of a cell written by an import, straight from its import record, and
// the placements read back from it at the end of the import.
#include <vector>

#include "db/error.h"
#include "db/library.h"

void Library::WriteImportReferences(Cell& cell, const std::vector<ARef>& placements) {
  auto checked = [](int64_t position) {
    if (position < 0 || position > INT32_MAX) throw Error(kTagLibOut, "Cell data exceeds 2 GiB");
    return int32_t(position);
  };
  if (placements.empty()) {
    cell.referencePosition = -1;
    cell.flags |= kCellNoPlacements;
  } else {
    cell.referencePosition = checked(dataFile_.Tell());
    cell.flags &= uint16_t(~kCellNoPlacements);
    dataFile_.Write2(uint16_t(kPlacementLayer));
    const SRef* previous = nullptr;
    for (const ARef& ref : placements) WriteReference(ref, previous);
  }
  cell.endPosition = checked(dataFile_.Tell());
}

const std::vector<ARef>& Library::ImportedPlacements(const ImportRecord& record, std::vector<ARef>& scratch) {
  if (!record.written) return record.placements;
  scratch.clear();
  const Cell* cell = GetCell(record.cellId);
  if (!cell || cell->referencePosition < 0) return scratch;
  SeekPlacementSection(*cell);
  ARef decoded;
  while (reader_.NextPlacement(decoded)) scratch.push_back(decoded);
  return scratch;
}
