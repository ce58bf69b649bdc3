#pragma once

#include <cstdint>

// A position in database units.
struct Point {
  int32_t x = 0;
  int32_t y = 0;

  Point() = default;
  Point(int32_t px, int32_t py) : x(px), y(py) {}
  bool operator==(const Point& o) const { return x == o.x && y == o.y; }
  bool operator!=(const Point& o) const { return !(*this == o); }
};

// An axis-parallel box, inclusive on all four sides. The default is the empty box
// (INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN), which any Extend turns into the point given.
// Widths and heights may exceed 32 bits (the empty box's do): compute them with Width()/Height().
struct Box {
  int32_t x1 = INT32_MAX;
  int32_t y1 = INT32_MAX;
  int32_t x2 = INT32_MIN;
  int32_t y2 = INT32_MIN;

  Box() = default;
  Box(int32_t ax1, int32_t ay1, int32_t ax2, int32_t ay2) : x1(ax1), y1(ay1), x2(ax2), y2(ay2) {}

  // The two points taken as they stand: (x1, y1) and (x2, y2), not normalised.
  static Box FromPoints(const Point& a, const Point& b) { return Box(a.x, a.y, b.x, b.y); }
  // The smallest box holding both points.
  static Box SpanPoints(const Point& a, const Point& b) {
    Box box;
    box.Extend(a.x, a.y);
    box.Extend(b.x, b.y);
    return box;
  }

  // True for zero width or zero height too.
  bool IsEmpty() const { return x2 <= x1 || y2 <= y1; }
  int64_t Width() const { return int64_t(x2) - x1; }
  int64_t Height() const { return int64_t(y2) - y1; }

  bool Contains(int32_t x, int32_t y) const { return x1 <= x && x <= x2 && y1 <= y && y <= y2; }
  bool Contains(const Box& b) const { return x1 <= b.x1 && b.x2 <= x2 && y1 <= b.y1 && b.y2 <= y2; }
  // Boxes that only touch overlap.
  bool Overlaps(const Box& b) const { return x1 <= b.x2 && b.x1 <= x2 && y1 <= b.y2 && b.y1 <= y2; }
  // Strict form: boxes must share an interior, touching is not enough.
  bool OverlapsStrict(const Box& b) const { return x1 < b.x2 && b.x1 < x2 && y1 < b.y2 && b.y1 < y2; }

  void Extend(int32_t x, int32_t y) {
    if (x < x1) x1 = x;
    if (x > x2) x2 = x;
    if (y < y1) y1 = y;
    if (y > y2) y2 = y;
  }
  // Nothing when b is empty (zero width or height included); a copy of b when this box is empty.
  void ExtendBox(const Box& b);

  bool operator==(const Box& o) const { return x1 == o.x1 && y1 == o.y1 && x2 == o.x2 && y2 == o.y2; }
  bool operator!=(const Box& o) const { return !(*this == o); }
};

inline void Box::ExtendBox(const Box& b) {
  if (b.IsEmpty()) return;
  if (IsEmpty()) {
    *this = b;
    return;
  }
  if (b.x1 < x1) x1 = b.x1;
  if (b.y1 < y1) y1 = b.y1;
  if (b.x2 > x2) x2 = b.x2;
  if (b.y2 > y2) y2 = b.y2;
}
