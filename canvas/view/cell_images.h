#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "canvas/view/pixel_raster.h"

class Library;

// The picture of one cell's box at the current scale, drawn at the identity placement, and
// where it stands this pass. Pixels stay black where the cell draws nothing: every colour the
// drawing uses has blue 8 or more, so black always means empty.
struct CellImage {
  // Left, top, width and height (device pixels) of the cell box at the identity placement; no
  // raster before the cell is first imaged.
  std::optional<PixelRaster> raster;
  // Complete for this pass, reduced to one coloured pixel, and being built (a placement cycle
  // that meets it again skips it).
  bool imaged = false;
  bool singlePixel = false;
  bool inProgress = false;
};

// The cell images of one library, one record per cell id, shared by every view on the library
// (its document holds them). Images hold one pass only: EndPass clears what each pass learnt, so
// no image serves a pass at another scale.
class CellImages {
 public:
  // Follows the library at the start of a pass: a record for every cell, and no image at all
  // when the library was edited since the last pass.
  void Follow(const Library& library);
  // Frees every image (Clear Memory, edits), or the one of a cell.
  void Clear();
  void Invalidate(uint32_t cellId);
  // Forgets this pass: no cell is imaged, single-pixel or in progress any more.
  void EndPass();

  size_t Count() const { return records_.size(); }
  // The record of a cell id below Count().
  CellImage& operator[](uint32_t cellId) { return records_[cellId]; }

  // Ends the pass when it goes, however the drawing ends.
  class Pass {
   public:
    explicit Pass(CellImages* images) : images_(images) {}
    ~Pass() {
      if (images_) images_->EndPass();
    }
    Pass(const Pass&) = delete;
    Pass& operator=(const Pass&) = delete;

   private:
    CellImages* images_;
  };

 private:
  std::vector<CellImage> records_;
  uint64_t editGeneration_ = 0;
};
