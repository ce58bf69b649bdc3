#include "canvas/cell_images.h"

#include <map>

#include "db/library.h"

std::shared_ptr<CellImages> CellImages::Shared(const Library& library) {
  // Weak entries: the canvases own the tables, this map only finds them. An entry whose table
  // is gone (or whose library's address came back for another library, which only costs the
  // memory of a few records) is made afresh.
  static std::map<const Library*, std::weak_ptr<CellImages>> tables;
  for (auto it = tables.begin(); it != tables.end();) {
    it = it->second.expired() ? tables.erase(it) : std::next(it);
  }
  std::weak_ptr<CellImages>& entry = tables[&library];
  std::shared_ptr<CellImages> table = entry.lock();
  if (!table) {
    table = std::make_shared<CellImages>();
    table->Follow(library);
    entry = table;
  }
  return table;
}

void CellImages::Follow(const Library& library) {
  if (library.editGeneration != editGeneration_) {
    Clear();
    editGeneration_ = library.editGeneration;
  }
  if (records_.size() < library.cells.size()) records_.resize(library.cells.size());
}

void CellImages::Clear() {
  for (CellImage& record : records_) record = CellImage();
}

void CellImages::Invalidate(uint32_t cellId) {
  if (cellId < records_.size()) records_[cellId] = CellImage();
}

void CellImages::EndPass() {
  for (CellImage& record : records_) {
    record.imaged = false;
    record.singlePixel = false;
    record.inProgress = false;
  }
}
