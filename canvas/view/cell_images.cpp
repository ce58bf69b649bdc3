#include "canvas/view/cell_images.h"

#include "db/library.h"

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
