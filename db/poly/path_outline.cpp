#include "db/poly/path_outline.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>

#include "db/poly/ring_set.h"

namespace {

// Corners of axis-parallel segments, directly: p moved forward by `forward` and to the right by
// `side` (p1 with forward = -extension gives the start corner).
Point AxisCorner(const Point& p, int64_t dx, int64_t dy, int64_t side, int64_t forward) {
  if (dy == 0 && dx > 0) return SaturatedPoint(p.x + forward, p.y - side);
  if (dy == 0 && dx < 0) return SaturatedPoint(p.x - forward, p.y + side);
  if (dy > 0) return SaturatedPoint(p.x + side, p.y + forward);
  return SaturatedPoint(p.x - side, p.y - forward);
}

// The crossing of two perpendicular lines, saturated at the 32-bit range.
Point SaturatedCrossing(const DirectedLine& a, const DirectedLine& b) {
  Point out;
  if (IntersectLines(a, b, out)) return out;
  // The crossing leaves the 32-bit range: locate it approximately and saturate each coordinate.
  __int128 den = __int128(a.dx) * b.dy - __int128(a.dy) * b.dx;
  if (den == 0) return SaturatedPoint(a.x, a.y);
  __int128 num = __int128(b.x - a.x) * b.dy - __int128(b.y - a.y) * b.dx;
  long double t = static_cast<long double>(num) / static_cast<long double>(den);
  auto clampLd = [](long double v) {
    return static_cast<int32_t>(std::clamp<long double>(std::floor(v + 0.5L), INT32_MIN, INT32_MAX));
  };
  return Point(clampLd(a.x + t * a.dx), clampLd(a.y + t * a.dy));
}

// The corner at p on the right-hand side of a segment with direction (dx, dy), moved forward by
// `forward` beyond p. Off the axes: the offset segment crossed with the perpendicular through p
// moved outwards, the perpendicular turned from the segment at its start and from the reversed
// segment at its end.
Point Corner(const Point& p, int64_t dx, int64_t dy, int64_t side, int64_t forward, bool atEnd) {
  if (dx == 0 || dy == 0) return AxisCorner(p, dx, dy, side, forward);
  DirectedLine edge = OffsetLine(DirectedLine{p.x, p.y, dx, dy}, side);
  DirectedLine across = atEnd ? DirectedLine{p.x, p.y, -dy, dx} : DirectedLine{p.x, p.y, dy, -dx};
  return SaturatedCrossing(edge, OffsetLine(across, atEnd ? forward : -forward));
}

template <typename It>
It NextDistinct(It it, It end) {
  It next = std::next(it);
  while (next != end && *next == *it) ++next;
  return next;
}

// One side of the outline: start corner, mitre joins, end corner along the distinct points of
// [begin, end), of which there are at least two.
template <typename It>
void AppendSide(It begin, It end, int32_t half, int32_t startExtension, int32_t endExtension, RingSet& rings,
                RingVertex*& first, RingVertex*& last) {
  It a = begin;
  It b = NextDistinct(a, end);
  AppendRingVertex(rings, StartCorner(*a, *b, half, startExtension), first, last);
  for (It c = NextDistinct(b, end); c != end; c = NextDistinct(c, end)) {
    Point join;
    if (!JoinCorner(*a, *b, *c, half, join)) {
      // Parallel edges, or a mitre beyond the coordinate range: the end of the first offset edge.
      DirectedLine moved = OffsetLine(LineThrough(*a, *b), half);
      join = SaturatedPoint(moved.x + moved.dx, moved.y + moved.dy);
    }
    AppendRingVertex(rings, join, first, last);
    a = b;
    b = c;
  }
  AppendRingVertex(rings, EndCorner(*a, *b, half, endExtension), first, last);
}

}  // namespace

DirectedLine OffsetLine(const DirectedLine& line, int64_t d) {
  DirectedLine moved = line;
  if (line.dx == 0) {
    moved.x += line.dy > 0 ? d : -d;
  } else if (line.dy == 0) {
    moved.y += line.dx > 0 ? -d : d;
  } else {
    double length = std::hypot(double(line.dx), double(line.dy));
    moved.x += std::llround(double(d) * (double(line.dy) / length));
    moved.y -= std::llround(double(d) * (double(line.dx) / length));
  }
  return moved;
}

Segment OffsetSegment(const Segment& segment, int32_t d) {
  DirectedLine moved = OffsetLine(LineThrough(Point(segment.x1, segment.y1), Point(segment.x2, segment.y2)), d);
  Point start = SaturatedPoint(moved.x, moved.y), end = SaturatedPoint(moved.x + moved.dx, moved.y + moved.dy);
  return Segment(start.x, start.y, end.x, end.y);
}

Segment RotateSegmentClockwise(const Segment& segment) {
  int64_t dx = int64_t(segment.x2) - segment.x1, dy = int64_t(segment.y2) - segment.y1;
  Point end = SaturatedPoint(segment.x1 + dy, segment.y1 - dx);
  return Segment(segment.x1, segment.y1, end.x, end.y);
}

Point StartCorner(const Point& p1, const Point& p2, int32_t side, int32_t extension) {
  return Corner(p1, int64_t(p2.x) - p1.x, int64_t(p2.y) - p1.y, side, -int64_t(extension), false);
}

Point EndCorner(const Point& p1, const Point& p2, int32_t side, int32_t extension) {
  return Corner(p2, int64_t(p2.x) - p1.x, int64_t(p2.y) - p1.y, side, extension, true);
}

bool JoinCorner(const Point& p0, const Point& p1, const Point& p2, int32_t side, Point& out) {
  return IntersectLines(OffsetLine(LineThrough(p0, p1), side), OffsetLine(LineThrough(p1, p2), side), out);
}

namespace {

// The half width and the extensions at the two ends of the outline.
struct PathEnds {
  int32_t half;
  int32_t beginExtension;
  int32_t endExtension;
};

PathEnds EndsOf(const PathShape& path) {
  // GDSII marks an absolute width with a negative value; the outline uses its size.
  const int32_t half = static_cast<int32_t>(std::llabs(int64_t(path.width)) >> 1);
  if (path.pathType == 0) return {half, 0, 0};
  if (path.pathType == 3) return {half, path.beginExtension, path.endExtension};
  return {half, half, half};
}

}  // namespace

bool PathOutlineFits(const PathShape& path) {
  const PathEnds ends = EndsOf(path);
  const int64_t extension = std::max(std::llabs(int64_t(ends.beginExtension)), std::llabs(int64_t(ends.endExtension)));
  // A corner lies at most the half width sideways and the extension forwards from its point, on
  // each axis; mitres that would leave the range fall back to such corners. One more unit covers
  // the rounding of slanted offsets.
  const int64_t reach = int64_t(ends.half) + extension + 1;
  for (const Point& p : path.points) {
    if (p.x - reach < INT32_MIN || p.x + reach > INT32_MAX || p.y - reach < INT32_MIN || p.y + reach > INT32_MAX) {
      return false;
    }
  }
  return true;
}

bool PathToPolygon(const PathShape& path, RingSet& rings) {
  const std::vector<Point>& points = path.points;
  if (points.empty() || NextDistinct(points.begin(), points.end()) == points.end()) return false;
  PathEnds ends = EndsOf(path);
  RingVertex* first = nullptr;
  RingVertex* last = nullptr;
  AppendSide(points.begin(), points.end(), ends.half, ends.beginExtension, ends.endExtension, rings, first, last);
  AppendSide(points.rbegin(), points.rend(), ends.half, ends.endExtension, ends.beginExtension, rings, first, last);
  Link(last, first);
  return true;
}

bool PathRectangle(const PathShape& path, Box& rectangle) {
  const std::vector<Point>& points = path.points;
  if (points.empty()) return false;
  auto b = NextDistinct(points.begin(), points.end());
  if (b == points.end() || NextDistinct(b, points.end()) != points.end()) return false;
  const Point& p = points.front();
  const Point& q = *b;
  if (p.x != q.x && p.y != q.y) return false;
  // The four corners in the order PathToPolygon makes them: right-hand side forwards, then
  // the left-hand side backwards.
  PathEnds ends = EndsOf(path);
  Point c0 = StartCorner(p, q, ends.half, ends.beginExtension);
  Point c1 = EndCorner(p, q, ends.half, ends.endExtension);
  Point c2 = StartCorner(q, p, ends.half, ends.endExtension);
  Point c3 = EndCorner(q, p, ends.half, ends.beginExtension);
  bool alongX = c0.y == c1.y && c1.x == c2.x && c2.y == c3.y && c3.x == c0.x;
  bool alongY = c0.x == c1.x && c1.y == c2.y && c2.x == c3.x && c3.y == c0.y;
  if (!(alongX || alongY) || c0.x == c2.x || c0.y == c2.y) return false;
  rectangle = Box::SpanPoints(c0, c2);
  return true;
}
