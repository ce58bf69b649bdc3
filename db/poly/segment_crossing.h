#pragma once

#include <cstdint>

#include "db/box.h"

// A line through (x, y) with direction (dx, dy). The 64-bit fields hold 32-bit edges moved
// sideways by a 32-bit amount without overflow.
struct DirectedLine {
  int64_t x = 0;
  int64_t y = 0;
  int64_t dx = 0;
  int64_t dy = 0;
};

// A 64-bit position brought into the 32-bit range, each coordinate saturated.
inline Point SaturatedPoint(int64_t x, int64_t y) {
  auto saturate = [](int64_t v) {
    return static_cast<int32_t>(v < INT32_MIN ? INT32_MIN : (v > INT32_MAX ? INT32_MAX : v));
  };
  return Point(saturate(x), saturate(y));
}

// The line through a towards b.
inline DirectedLine LineThrough(const Point& a, const Point& b) {
  return DirectedLine{a.x, a.y, int64_t(b.x) - a.x, int64_t(b.y) - a.y};
}

// The crossing point of two lines, computed exactly and rounded with floor(v + 0.5). False, with
// out untouched, when the lines are parallel, a direction is zero, or the point lies outside the
// 32-bit range.
bool IntersectLines(const DirectedLine& a, const DirectedLine& b, Point& out);

// True when the segments a1-a2 and b1-b2 have a point in common and their lines are not
// parallel; touching at an end point counts. The test is exact (integer orientation signs); the
// common point is rounded with floor(v + 0.5) into out, and so always lies in both segments'
// bounding boxes. Collinear, parallel and zero-length segments give false, with out untouched.
// The result and the point do not depend on the order of the segments or of their end points.
bool SegmentCrossing(const Point& a1, const Point& a2, const Point& b1, const Point& b2, Point& out);
