#pragma once

#include <cstdint>

#include "db/box.h"

// A directed edge from (x1, y1) to (x2, y2). Its arithmetic is done in double precision.
struct Segment {
  int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;

  Segment() = default;
  Segment(int32_t ax1, int32_t ay1, int32_t ax2, int32_t ay2) : x1(ax1), y1(ay1), x2(ax2), y2(ay2) {}

  bool IsHorizontal() const { return y1 == y2; }
  bool IsVertical() const { return x1 == x2; }

  // Horizontal pairs and vertical pairs are parallel; otherwise the direction cross product is 0.
  bool IsParallel(const Segment& o) const;
  // y on the line at x; never asked of a vertical segment.
  double YAtX(double x) const;
  // Intersection of the two lines; false (x, y untouched) when they are parallel.
  bool Intersect(const Segment& o, double& x, double& y) const;
  // Intersect rounded with floor(v + 0.5). False, with x and y untouched, when parallel or when
  // the point is not finite or lies outside the 32-bit range.
  bool IntersectRounded(const Segment& o, int32_t& x, int32_t& y) const;
  // Foot of the perpendicular from (px, py) on the line, rounded half away from zero.
  Point Project(int32_t px, int32_t py) const;
  // +1 when (px, py) lies right of the direction of travel, -1 left, 0 on the line.
  int Side(int32_t px, int32_t py) const;
  // Turns the segment clockwise by 90 degrees about its start point.
  void TurnRight();
};
