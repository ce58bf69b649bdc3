#include "db/layout_limits.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>

#include "db/trans.h"

namespace {

bool IsControl(char c) {
  const unsigned char byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7f;
}

bool InRange(double v) { return v >= double(INT32_MIN) && v <= double(INT32_MAX); }

// The corners of cellBox through placement, moved by (dx, dy), computed without the 32-bit
// saturation of Trans: false when one leaves the range.
bool CornersFit(const SRef& placement, const Box& cellBox, double dx, double dy) {
  // The orientation's images of the unit vectors carry its linear map.
  Trans turn(0, 0, 1.0f, placement.orientation);
  Point ex(1, 0), ey(0, 1);
  turn.ApplyToPoint(ex);
  turn.ApplyToPoint(ey);
  const bool magnified = placement.IsMagnified();
  for (int32_t cx : {cellBox.x1, cellBox.x2}) {
    for (int32_t cy : {cellBox.y1, cellBox.y2}) {
      const double sx = magnified ? std::floor(double(cx) * placement.magnification + 0.5) : double(cx);
      const double sy = magnified ? std::floor(double(cy) * placement.magnification + 0.5) : double(cy);
      const double x = double(placement.x) + dx + sx * ex.x + sy * ey.x;
      const double y = double(placement.y) + dy + sx * ex.y + sy * ey.y;
      if (!InRange(x) || !InRange(y)) return false;
    }
  }
  return true;
}

}  // namespace

bool IsStorableDbUnit(double metres) { return metres >= kSmallestDbUnit && metres <= kLargestDbUnit; }

bool IsStorableMagnification(double magnification) {
  if (!std::isfinite(magnification) || magnification > double(FLT_MAX)) return false;
  return float(magnification) > 0;
}

bool PlacementFits(const SRef& placement, const Box& cellBox) {
  if (cellBox.x1 > cellBox.x2 || cellBox.y1 > cellBox.y2) return true;
  if (!CornersFit(placement, cellBox, 0, 0)) return false;
  if (!placement.IsArray()) return true;
  const ARef& array = static_cast<const ARef&>(placement);
  const double columnPitch = array.columnPitch, rowPitch = array.rowPitch;
  const double lastColumn = array.columns - 1, lastRow = array.rows - 1;
  const bool odd = (array.orientation & 1) != 0;
  // The last element, as ARef::ElementTrans places it: odd codes swap the pitches' roles.
  const double lastX = (odd ? lastRow : lastColumn) * columnPitch;
  const double lastY = (odd ? lastColumn : lastRow) * rowPitch;
  if (!CornersFit(placement, cellBox, lastX, lastY)) return false;
  const double farX = array.x + (odd ? array.rows : array.columns) * columnPitch;
  const double farY = array.y + (odd ? array.columns : array.rows) * rowPitch;
  return InRange(farX) && InRange(farY);
}

bool ShapeExtentFits(const Box& box) {
  return int64_t(box.x2) - box.x1 <= INT32_MAX && int64_t(box.y2) - box.y1 <= INT32_MAX;
}

bool HasControlCharacter(const std::string& text) { return std::any_of(text.begin(), text.end(), IsControl); }

std::string ReplaceControlCharacters(std::string text) {
  std::replace_if(text.begin(), text.end(), IsControl, '_');
  return text;
}
