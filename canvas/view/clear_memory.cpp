#include "canvas/view/clear_memory.h"

#include "canvas/view/edit_state.h"
#include "db/cell.h"
#include "db/library.h"

namespace {

// Set on a cell by the loading pass.
constexpr uint16_t kCellLoadingPass = 0x4000;

}  // namespace

bool ClearMemoryKeep(const Cell& cell, bool shown) {
  if (shown || (cell.flags & kCellModified) || !cell.IsStored()) return true;
  if (!(cell.box.x1 < cell.box.x2 && cell.box.y1 < cell.box.y2)) return true;
  return cell.layers.empty() && cell.shapes.empty();
}

int64_t ClearMemory(Library& library, const std::set<uint32_t>& shown) {
  int64_t unloaded = 0;
  for (size_t id = 0; id < library.cells.size(); ++id) {
    Cell* cell = library.cells[id].get();
    if (!cell || ClearMemoryKeep(*cell, shown.count(uint32_t(id)) != 0)) continue;
    cell->Clear();
    cell->flags &= uint16_t(~kCellLoadingPass);
    ++unloaded;
  }
  if (unloaded > 0) library.MoveEditGeneration();
  return unloaded;
}
