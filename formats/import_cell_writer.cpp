#include "formats/import_cell_writer.h"

#include <algorithm>

#include "db/cell.h"
#include "db/hierarchy_record.h"
#include "db/library.h"
#include "db/node_list.h"
#include "db/trans.h"

namespace {

void AddLayerKey(Library& library, LayerKey key) {
  LayerInfo& info = library.layerMap[key];
  info.key = key;
}

// Sorts the placements and drops each one equal to the one before; returns how many went.
int64_t SortAndDropDuplicates(std::vector<ARef>& placements) {
  std::stable_sort(placements.begin(), placements.end(),
                   [](const ARef& a, const ARef& b) { return CompareByKeyThenX(a, b) < 0; });
  size_t before = placements.size();
  auto end = std::unique(placements.begin(), placements.end(),
                         [](const ARef& a, const ARef& b) { return CompareByKeyThenX(a, b) == 0; });
  placements.erase(end, placements.end());
  return int64_t(before - placements.size());
}

}  // namespace

int64_t WriteImportedCell(Library& library, Cell& cell, ImportRecord& record) {
  // The writer sorts and merges each layer's shapes in record order.
  for (const auto& layer : cell.shapes) AddLayerKey(library, layer.first);
  for (const auto& layer : cell.importShapes) AddLayerKey(library, layer.first);
  for (ListNode* node = cell.texts.Head(); node; node = node->next) {
    AddLayerKey(library, static_cast<const TextItem*>(node->item)->key);
  }
  int64_t duplicates = SortAndDropDuplicates(record.placements);
  library.OpenCellFileForWrite(cell);
  library.WriteCellGeometry(cell);
  library.WriteImportReferences(cell, record.placements);
  // From now on the placements are read back from the section when the import ends.
  std::vector<ARef>().swap(record.placements);
  record.written = true;
  cell.Clear();
  cell.loaded = false;
  return duplicates;
}
