#include "db/poly/circle_table.h"

#include <cassert>
#include <cstdlib>

#include "db/error.h"
#include "db/poly/ring_geometry.h"
#include "db/poly/ring_set.h"

namespace {

// 3 or 4 times a power of two, reached by halving with odd values rounded up first.
int64_t NormalizedCount(int64_t count) {
  if (count < 3) return 3;
  int64_t base = count;
  int shifts = 0;
  while (base > 4) {
    base = (base + 1) >> 1;
    ++shifts;
  }
  return base << shifts;
}

// The point at distance radius from the centre in the direction of (dx, dy).
Point Towards(const CircleTable& table, int64_t dx, int64_t dy) {
  return PointTowards(Point(table.cx, table.cy), dx, dy, table.radius);
}

// Doubles the points in place: old point i goes to slot 2i and slot 2i - 1 gets the point towards
// the midpoint of old points i - 1 and i. Working down from the top keeps every old point that is
// still needed unwritten.
void Refine(CircleTable& table, size_t m) {
  std::vector<Point>& p = table.points;
  auto between = [&table](const Point& a, const Point& b) {
    int64_t mx = (int64_t(a.x) + b.x) >> 1, my = (int64_t(a.y) + b.y) >> 1;
    return Towards(table, mx - table.cx, my - table.cy);
  };
  p[2 * m - 1] = between(p[m - 1], p[0]);
  for (size_t i = m - 1; i >= 1; --i) {
    Point old = p[i];
    p[2 * i - 1] = between(p[i - 1], old);
    p[2 * i] = old;
  }
}

void FillTable(CircleTable& table) {
  std::vector<Point>& p = table.points;
  const int32_t cx = table.cx, cy = table.cy, r = table.radius;
  size_t count = static_cast<size_t>(table.count);
  p.assign(count, Point());
  p[0] = Point(cx + r, cy);
  size_t m;
  if (count % 3 != 0) {
    p[1] = Point(cx, cy + r);
    p[2] = Point(cx - r, cy);
    p[3] = Point(cx, cy - r);
    m = 4;
  } else if (count == 3) {
    p[1] = Towards(table, -1, 2);
    p[2] = Towards(table, -1, -2);
    m = 3;
  } else {
    p[1] = Towards(table, 1, 2);
    p[2] = Towards(table, -1, 2);
    p[3] = Point(cx - r, cy);
    p[4] = Towards(table, -1, -2);
    p[5] = Towards(table, 1, -2);
    m = 6;
  }
  for (; m < count; m *= 2) Refine(table, m);
}

int32_t Wrap(int32_t index, int32_t n) {
  int32_t r = index % n;
  return r < 0 ? r + n : r;
}

// The number of table steps from start to end going forwards: 1 .. n, a full turn when the two
// indices coincide.
int32_t ArcSteps(int32_t start, int32_t end, int32_t n) {
  int32_t steps = Wrap(end - Wrap(start, n), n);
  return steps == 0 ? n : steps;
}

RingVertex* PushLinked(RingSet& rings, const Point& p, RingVertex* last) {
  RingVertex* v = rings.PushBack(p);
  Link(last, v);
  return v;
}

}  // namespace

void PolygonizeArc(CircleTable& table) {
  int64_t count = NormalizedCount(table.count);
  if (count > kMaxCirclePoints) throw Error(kTagDb, "Number of points exceeded limit");
  int64_t r = std::llabs(int64_t(table.radius));
  if (table.cx - r < INT32_MIN || table.cx + r > INT32_MAX || table.cy - r < INT32_MIN || table.cy + r > INT32_MAX) {
    throw Error(kTagDb, "Circle exceeds the coordinate range");
  }
  table.count = static_cast<int32_t>(count);
  FillTable(table);
}

void AppendArcVertices(RingSet& rings, const CircleTable& table, int32_t start, int32_t end) {
  const int32_t n = table.count;
  assert(n >= 3 && table.points.size() == size_t(n));
  const int32_t s = Wrap(start, n);
  const int32_t steps = ArcSteps(start, end, n);
  RingVertex* first = PushLinked(rings, table.points[s], nullptr);
  RingVertex* last = first;
  if (steps == n) {
    for (int32_t i = 1; i < n; ++i) last = PushLinked(rings, table.points[(s + i) % n], last);
  } else {
    for (int32_t i = 1; i <= steps; ++i) last = PushLinked(rings, table.points[(s + i) % n], last);
    last = PushLinked(rings, Point(table.cx, table.cy), last);
  }
  Link(last, first);
}

void AppendArcRingVertices(RingSet& rings, const CircleTable& outer, const CircleTable& inner, int32_t start,
                           int32_t end) {
  const int32_t n = outer.count;
  assert(n >= 3 && outer.points.size() == size_t(n) && inner.points.size() == size_t(n));
  const int32_t s = Wrap(start, n);
  const int32_t steps = ArcSteps(start, end, n);
  RingVertex* first = PushLinked(rings, outer.points[s], nullptr);
  RingVertex* last = first;
  for (int32_t i = 1; i <= steps; ++i) last = PushLinked(rings, outer.points[(s + i) % n], last);
  for (int32_t i = steps; i >= 0; --i) last = PushLinked(rings, inner.points[(s + i) % n], last);
  Link(last, first);
}
