#include "db/poly/ring_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "db/numeric.h"
#include "db/poly/segment_crossing.h"

namespace {

int64_t Sign(int64_t v) { return (v > 0) - (v < 0); }

}  // namespace

Point PointTowards(const Point& from, int64_t dx, int64_t dy, int64_t r) {
  int64_t mx = 0, my = 0;
  if (dx == 0 && dy == 0) return from;
  if (dy == 0) {
    mx = Sign(dx) * r;
  } else if (dx == 0) {
    my = Sign(dy) * r;
  } else if (std::llabs(dx) == std::llabs(dy)) {
    int64_t k = std::llround(double(r) / std::sqrt(2.0));
    mx = Sign(dx) * k;
    my = Sign(dy) * k;
  } else {
    double length = std::hypot(double(dx), double(dy));
    mx = std::llround(double(r) * (double(dx) / length));
    my = std::llround(double(r) * (double(dy) / length));
  }
  return SaturatedPoint(from.x + mx, from.y + my);
}

double SquaredDistanceToSegment(const Segment& segment, int32_t px, int32_t py) {
  double x1 = segment.x1, y1 = segment.y1;
  double dx = double(segment.x2) - x1, dy = double(segment.y2) - y1;
  double ex1 = px - x1, ey1 = py - y1;
  double ex2 = px - double(segment.x2), ey2 = py - double(segment.y2);
  double toEnds = std::min(ex1 * ex1 + ey1 * ey1, ex2 * ex2 + ey2 * ey2);
  double lengthSquared = dx * dx + dy * dy;
  if (lengthSquared == 0) return toEnds;
  double t = (ex1 * dx + ey1 * dy) / lengthSquared;
  double fx = x1 + t * dx, fy = y1 + t * dy;
  Box box = Box::SpanPoints(Point(segment.x1, segment.y1), Point(segment.x2, segment.y2));
  if (!BoxContainsPointEps(box, fx, fy)) return toEnds;
  // The perpendicular through the cross product: exact up to the final division.
  double cross = ex1 * dy - ey1 * dx;
  return cross * cross / lengthSquared;
}

bool BoxContainsPointEps(const Box& box, double x, double y) {
  return box.x1 <= x + kUnitEpsilon && box.x2 >= x - kUnitEpsilon && box.y1 <= y + kUnitEpsilon &&
         box.y2 >= y - kUnitEpsilon;
}

Point PointAlong(const Segment& segment, int32_t r) {
  return PointTowards(Point(segment.x1, segment.y1), int64_t(segment.x2) - segment.x1, int64_t(segment.y2) - segment.y1,
                      r);
}

Point ExtendSegment(const Segment& segment, int32_t d, bool atEnd) {
  int64_t dx = int64_t(segment.x2) - segment.x1, dy = int64_t(segment.y2) - segment.y1;
  if (atEnd) return PointTowards(Point(segment.x2, segment.y2), dx, dy, d);
  return PointTowards(Point(segment.x1, segment.y1), -dx, -dy, d);
}
