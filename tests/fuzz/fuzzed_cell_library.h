#pragma once

// The library the cell-data fuzz targets read their input through: the input is cell data
// file 1, and four cells point into it.
#include <cstdint>
#include <string>

#include "db/box.h"
#include "db/library.h"

namespace fuzzscratch {

// A section position from four input bytes, little-endian, never negative.
inline int32_t PositionAt(const uint8_t* p) {
  uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  return int32_t(v & 0x7fffffffu);
}

// Cells c0 to c3 with boxes of every kind (c2 empty and without data). c0's section is the
// input up to end, with its placement section from reference; the others' sections are empty.
inline void PrepareFuzzedCells(Library& lib, int32_t reference, int32_t end) {
  const Box boxes[] = {Box(-100, -100, 100, 100), Box(0, 0, 10, 10), Box(), Box(5, 5, 5, 5)};
  for (int i = 0; i < 4; ++i) {
    Cell& cell = *lib.cells[lib.CreateCell("c" + std::to_string(i))];
    cell.box = boxes[i];
    cell.loaded = false;
    if (i == 2) continue;
    cell.fileId = 1;
    cell.geometryPosition = 0;
    cell.endPosition = i == 0 ? end : 0;
  }
  // As "info" guarantees: the placement section lies inside the section.
  lib.cells[0]->referencePosition = reference <= end ? reference : -1;
}

}  // namespace fuzzscratch
