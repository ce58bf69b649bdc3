// The placement section of a cell written by an import, straight from its import record.
#include "db/error.h"
#include "db/library.h"

void Library::WriteImportReferences(Cell& cell, const std::vector<ARef>& placements) {
  auto checked = [](int64_t position) {
    if (position < 0 || position > INT32_MAX) throw Error("Cell data exceeds 2 GiB", "LIBOUT");
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
