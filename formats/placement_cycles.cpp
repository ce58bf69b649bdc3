#include "formats/placement_cycles.h"

#include <vector>

#include "db/library.h"
#include "formats/formatted_error.h"

void CheckPlacementCycles(const Library& lib, const char* tag) {
  std::vector<bool> ordered(lib.cells.size(), false);
  for (uint32_t id : lib.order) ordered[id] = true;
  for (uint32_t id = 0; id < lib.cells.size(); ++id) {
    if (!lib.cells[id] || ordered[id]) continue;
    // A cell left out has a parent left out too; going up from parent to parent must come
    // back to a cell already seen, which lies on a cycle.
    std::vector<bool> seen(lib.cells.size(), false);
    uint32_t at = id;
    while (!seen[at]) {
      seen[at] = true;
      for (const auto& parent : lib.records[at].parents) {
        if (!ordered[parent.first]) {
          at = parent.first;
          break;
        }
      }
    }
    throw FormattedError(tag, "Recursive cell reference involving %s", lib.cells[at]->Name());
  }
}
