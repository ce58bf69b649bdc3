#pragma once

#include <cstdint>

#include "db/box.h"
#include "db/hierarchy_walk.h"
#include "db/trans.h"

// The elements of an array placement that one view visits. Along a direction whose pitch maps
// to a pixel or more, every element in the window is visited, unless the window meets more
// elements along it than it has pixels (elements that overlap all but a few pixels). Where the
// pitch maps below a pixel, or in that case, only every stride-th element is visited, the
// stride chosen so that neighbouring visited elements lie at most a pixel apart, or, for
// elements longer than a pixel, at most an element's length apart. The visited elements then
// cover the pixels the others would, and their number follows the pixels of the view, not the
// elements of the array.
class ArraySamples {
 public:
  ArraySamples() = default;
  // range: the elements in the window (columns and rows as ARef::ElementTrans takes them);
  // cellBox: the placed cell's box; pixelsPerUnit: device pixels per unit of the cell that
  // holds the array; windowPixels: the longer side of the window the range was found in, in
  // device pixels.
  ArraySamples(const ARef& array, const Box& cellBox, const ElementRange& range, double pixelsPerUnit,
               double windowPixels);

  // The next element to visit, columns outer, rows inner; false when all are done.
  bool Next(int32_t& column, int32_t& row);

  int32_t ColumnStride() const { return columnStride_; }
  int32_t RowStride() const { return rowStride_; }
  // True when the last visited element of a run stops more than a pixel short of the run's
  // last element: then the array's box has to stand for the far end.
  bool FarEndLeftOut() const { return farEndLeftOut_; }

 private:
  ElementRange range_;
  int32_t columnStride_ = 1;
  int32_t rowStride_ = 1;
  bool farEndLeftOut_ = false;
  int32_t column_ = -1;
  int32_t row_ = -1;
};
