#include "db/trans.h"

#include <cmath>
#include <cstring>

#include "db/numeric.h"

// clang-format off
const int32_t OrientationComposeTable[8][8] = {
    {0, 1, 2, 3, 4, 5, 6, 7}, {1, 2, 3, 0, 7, 4, 5, 6}, {2, 3, 0, 1, 6, 7, 4, 5},
    {3, 0, 1, 2, 5, 6, 7, 4}, {4, 5, 6, 7, 0, 1, 2, 3}, {5, 6, 7, 4, 3, 0, 1, 2},
    {6, 7, 4, 5, 2, 3, 0, 1}, {7, 4, 5, 6, 1, 2, 3, 0},
};
// clang-format on

bool Trans::IsMagnified() const { return !IsUnitMagnification(magnification); }

void Trans::ApplyToPoint(int32_t& px, int32_t& py) const {
  int64_t a = px, b = py;
  if (IsMagnified()) {
    a = SaturateToInt32(std::floor(double(px) * magnification + 0.5));
    b = SaturateToInt32(std::floor(double(py) * magnification + 0.5));
  }
  int64_t rx, ry;
  // clang-format off
  switch (orientation) {
    case 1: rx = -b; ry = a; break;
    case 2: rx = -a; ry = -b; break;
    case 3: rx = b; ry = -a; break;
    case 4: rx = -a; ry = b; break;
    case 5: rx = -b; ry = -a; break;
    case 6: rx = a; ry = -b; break;
    case 7: rx = b; ry = a; break;
    default: rx = a; ry = b; break;
  }
  // clang-format on
  px = WrapToInt32(x + rx);
  py = WrapToInt32(y + ry);
}

void Trans::ApplyToBox(Box& b) const {
  // Only the inverted empty box is left alone: a box of zero width (a point, a line) still moves.
  if (b.x2 < b.x1 || b.y2 < b.y1) return;
  int32_t ax = b.x1, ay = b.y1, bx = b.x2, by = b.y2;
  ApplyToPoint(ax, ay);
  ApplyToPoint(bx, by);
  b = Box::SpanPoints(Point(ax, ay), Point(bx, by));
}

void Trans::Compose(const Trans& outer) {
  outer.ApplyToPoint(x, y);
  orientation = static_cast<uint8_t>(OrientationComposeTable[orientation & 7][outer.orientation & 7]);
  if (outer.IsMagnified()) magnification = magnification * outer.magnification;
}

void Trans::Invert() {
  if (IsMagnified() && std::isfinite(magnification) && magnification > 0) {
    magnification = 1.0f / magnification;
    x = SaturateToInt32(std::floor(double(x) * magnification + 0.5));
    y = SaturateToInt32(std::floor(double(y) * magnification + 0.5));
  }
  int64_t a = x, b = y;
  int64_t nx = a, ny = b;
  // clang-format off
  switch (orientation & 7) {
    case 0: nx = -a; ny = -b; break;
    case 1: nx = -b; ny = a; orientation = 3; break;
    case 2: break;
    case 3: nx = b; ny = -a; orientation = 1; break;
    case 4: nx = a; ny = -b; break;
    case 5: nx = b; ny = a; break;
    case 6: nx = -a; ny = b; break;
    case 7: nx = -b; ny = -a; break;
  }
  x = WrapToInt32(nx);
  // clang-format on
  y = WrapToInt32(ny);
}

int Trans::GetAngle() const {
  // clang-format off
  switch (orientation) {
    case 1: case 7: return 90;
    case 2: case 4: return 180;
    case 3: case 5: return 270;
    default: return 0;
  }
  // clang-format on
}

void SRef::GetBox(Box& out, const Box& cellBox) const {
  out = Box();
  if (cellBox.x2 < cellBox.x1 || cellBox.y2 < cellBox.y1) return;
  int32_t ax = cellBox.x1, ay = cellBox.y1, bx = cellBox.x2, by = cellBox.y2;
  ApplyToPoint(ax, ay);
  ApplyToPoint(bx, by);
  out.Extend(ax, ay);
  out.Extend(bx, by);
}

void ARef::ElementTrans(int32_t col, int32_t row, Trans& out) const {
  out = *this;
  bool odd = (orientation & 1) != 0;
  int64_t c = odd ? row : col, r = odd ? col : row;
  out.x = WrapToInt32(int64_t(x) + c * columnPitch);
  out.y = WrapToInt32(int64_t(y) + r * rowPitch);
}

void ARef::GetBox(Box& out, const Box& cellBox) const {
  SRef::GetBox(out, cellBox);
  if (!IsArray() || out.x2 < out.x1) return;
  Trans last;
  ElementTrans(columns > 1 ? columns - 1 : 0, rows > 1 ? rows - 1 : 0, last);
  int32_t ax = cellBox.x1, ay = cellBox.y1, bx = cellBox.x2, by = cellBox.y2;
  last.ApplyToPoint(ax, ay);
  last.ApplyToPoint(bx, by);
  out.Extend(ax, ay);
  out.Extend(bx, by);
}

namespace {
template <typename T>
int ThreeWay(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}
}  // namespace

int CompareByKeyThenX(const SRef& a, const SRef& b) {
  if (int c = ThreeWay(int32_t(a.cellWord), int32_t(b.cellWord))) return c;
  if (int c = ThreeWay(a.x, b.x)) return c;
  if (int c = ThreeWay(a.y, b.y)) return c;
  if (int c = ThreeWay(a.orientation, b.orientation)) return c;
  // Equal cell-id words: both are arrays or neither is.
  if (a.IsArray()) {
    const ARef& aa = static_cast<const ARef&>(a);
    const ARef& bb = static_cast<const ARef&>(b);
    if (int c = ThreeWay(aa.columns, bb.columns)) return c;
    if (int c = ThreeWay(aa.rows, bb.rows)) return c;
    if (int c = ThreeWay(aa.columnPitch, bb.columnPitch)) return c;
    if (int c = ThreeWay(aa.rowPitch, bb.rowPitch)) return c;
  }
  uint32_t ma, mb;
  std::memcpy(&ma, &a.magnification, sizeof ma);
  std::memcpy(&mb, &b.magnification, sizeof mb);
  return ThreeWay(ma, mb);
}
