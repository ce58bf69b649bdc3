#include "canvas/array_samples.h"

#include <algorithm>
#include <cmath>

namespace {

// The stride along one direction of count elements pitch units apart, each extent units long.
// farEndLeftOut is set when the last visited element stops a pixel or more short of the last.
int32_t Stride(int64_t count, int64_t pitch, int64_t extent, double pixelsPerUnit, double windowPixels,
               bool& farEndLeftOut) {
  double pitchPixels = std::fabs(double(pitch)) * pixelsPerUnit;
  if (count <= 1 || std::isnan(pitchPixels)) return 1;
  // Elements a pixel apart or more that do not overlap meet the window this many times at most
  // (two reach in at its edges): more can only be elements that overlap.
  if (pitchPixels >= 1.0 && !(double(count) > windowPixels + 2)) return 1;
  double spacing = std::max(1.0, double(extent) * pixelsPerUnit);
  // All elements on one spot draw the same pixels: the first stands for all of them.
  double steps = pitchPixels > 0 ? std::floor(spacing / pitchPixels) : double(count);
  if (!(steps >= 1.0)) steps = 1.0;
  int32_t stride = int32_t(std::min(steps, double(count)));
  int64_t lastVisited = (count - 1) / stride * stride;
  if (double(count - 1 - lastVisited) * pitchPixels >= 1.0) farEndLeftOut = true;
  return stride;
}

}  // namespace

ArraySamples::ArraySamples(const ARef& array, const Box& cellBox, const ElementRange& range, double pixelsPerUnit,
                           double windowPixels)
    : range_(range) {
  if (range_.IsEmpty()) return;
  // The element's box in the array's cell, its offset aside: its extent along x and y.
  Trans local = array;
  local.x = local.y = 0;
  Box element = cellBox;
  local.ApplyToBox(element);
  // Under an odd orientation the column index steps along the row pitch (y), the row index
  // along the column pitch (x).
  bool odd = (array.orientation & 1) != 0;
  int64_t columnPitch = odd ? array.rowPitch : array.columnPitch;
  int64_t rowPitch = odd ? array.columnPitch : array.rowPitch;
  int64_t columnExtent = odd ? element.Height() : element.Width();
  int64_t rowExtent = odd ? element.Width() : element.Height();
  columnStride_ = Stride(int64_t(range_.column1) - range_.column0, columnPitch, columnExtent, pixelsPerUnit,
                         windowPixels, farEndLeftOut_);
  rowStride_ =
      Stride(int64_t(range_.row1) - range_.row0, rowPitch, rowExtent, pixelsPerUnit, windowPixels, farEndLeftOut_);
}

bool ArraySamples::Next(int32_t& column, int32_t& row) {
  if (range_.IsEmpty()) return false;
  if (column_ < 0) {
    column_ = range_.column0;
    row_ = range_.row0;
  } else if (int64_t(row_) + rowStride_ < range_.row1) {
    row_ += rowStride_;
  } else if (int64_t(column_) + columnStride_ < range_.column1) {
    column_ += columnStride_;
    row_ = range_.row0;
  } else {
    range_ = ElementRange();
    return false;
  }
  column = column_;
  row = row_;
  return true;
}
