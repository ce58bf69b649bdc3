#include <cmath>
#include <limits>

#include "db/poly/path_outline.h"
#include "db/poly/ring_set.h"
#include "db/poly/segment_crossing.h"

namespace {

// Marks the start vertex of a sized edge that runs, in (x, y) order, the other way than the
// source edge it comes from.
constexpr uint16_t kEdgeFlipped = 0x0002;

using Int128 = __int128;

Int128 Cross(int64_t ax, int64_t ay, int64_t bx, int64_t by) { return Int128(ax) * by - Int128(ay) * bx; }

Point At(const RingVertex* v) { return Point(v->x, v->y); }

int64_t Mod(int64_t v, int64_t m) {
  int64_t r = v % m;
  return r < 0 ? r + m : r;
}

// The new vertices of one source corner: a mitre, a bevel of two, or a cut along the square.
struct CornerPoints {
  Point points[6];
  int count = 0;
  void Add(const Point& p) {
    if (count == 0 || points[count - 1] != p) points[count++] = p;
  }
};

// The axis-parallel square of half-side d around a corner.
struct Square {
  int64_t x1, y1, x2, y2, d;
  // Position on the boundary, counter-clockwise from the corner (x2, y1); p lies on it.
  int64_t Perimeter(const Point& p) const {
    if (p.x == x2) return p.y - y1;
    if (p.y == y2) return 2 * d + (x2 - p.x);
    if (p.x == x1) return 4 * d + (y2 - p.y);
    return 6 * d + (p.x - x1);
  }
  Point Corner(int i) const {
    const int64_t xs[4] = {x2, x2, x1, x1}, ys[4] = {y1, y2, y2, y1};
    return SaturatedPoint(xs[i], ys[i]);
  }
};

// Where the line crosses the square's boundary: its last crossing along its direction, or its
// first. False when the line misses the square or the point leaves 32 bits.
bool CutBySquare(const DirectedLine& line, const Square& sq, bool last, Point& out) {
  struct Hit {
    long double t;
    int axis;
    int64_t bound;
  };
  Hit lo{-std::numeric_limits<long double>::infinity(), -1, 0};
  Hit hi{std::numeric_limits<long double>::infinity(), -1, 0};
  auto slab = [&lo, &hi](int axis, int64_t origin, int64_t dir, int64_t minBound, int64_t maxBound) {
    if (dir == 0) return origin >= minBound && origin <= maxBound;
    int64_t enter = dir > 0 ? minBound : maxBound, leave = dir > 0 ? maxBound : minBound;
    long double tEnter = static_cast<long double>(enter - origin) / dir;
    long double tLeave = static_cast<long double>(leave - origin) / dir;
    if (tEnter > lo.t) lo = Hit{tEnter, axis, enter};
    if (tLeave < hi.t) hi = Hit{tLeave, axis, leave};
    return true;
  };
  if (!slab(0, line.x, line.dx, sq.x1, sq.x2) || !slab(1, line.y, line.dy, sq.y1, sq.y2) || lo.t > hi.t) {
    return false;
  }
  const Hit& hit = last ? hi : lo;
  // The coordinate of the side that was hit is exact, so the point lies on the boundary.
  long double x = hit.axis == 0 ? hit.bound : std::floor(line.x + hit.t * line.dx + 0.5L);
  long double y = hit.axis == 1 ? hit.bound : std::floor(line.y + hit.t * line.dy + 0.5L);
  if (!(x >= INT32_MIN && x <= INT32_MAX && y >= INT32_MIN && y <= INT32_MAX)) return false;
  out = Point(static_cast<int32_t>(x), static_cast<int32_t>(y));
  return true;
}

// Growing by d > 0 a left turn p->v->n sharper than 90 degrees: the two offset edges are cut
// where they meet the square of half-side d around v, and the square's corners between the cuts,
// counter-clockwise round the outside, join them. False when the cut is unusable (the caller
// mitres instead).
bool SizeConvexCorner(const Point& p, const Point& v, const Point& n, int64_t d, CornerPoints& out) {
  Square sq{v.x - d, v.y - d, v.x + d, v.y + d, d};
  Point a, b;
  if (!CutBySquare(OffsetLine(LineThrough(p, v), d), sq, true, a) ||
      !CutBySquare(OffsetLine(LineThrough(v, n), d), sq, false, b)) {
    return false;
  }
  const int64_t period = 8 * d;
  const int64_t startPosition = sq.Perimeter(a);
  const int64_t span = Mod(sq.Perimeter(b) - startPosition, period);
  // Round the outside of a corner sharper than 90 degrees is less than half the square; more
  // means the offset lines crossed inside it (rounding at a near-right corner).
  if (span >= 4 * d) return false;
  out.Add(a);
  const int64_t before = startPosition / (2 * d);
  for (int64_t k = 1; k <= 4; ++k) {
    int i = static_cast<int>((before + k) % 4);
    int64_t offset = Mod(i * 2 * d - startPosition, period);
    if (offset > 0 && offset < span) out.Add(sq.Corner(i));
  }
  out.Add(b);
  return true;
}

// Shrinking by amount < 0 a right turn sharper than 90 degrees: the convex construction on the
// reversed corner, whose right-hand offset by -amount is the same pair of lines.
bool SizeConcaveCorner(const Point& p, const Point& v, const Point& n, int64_t amount, CornerPoints& out) {
  CornerPoints reversed;
  if (!SizeConvexCorner(n, v, p, -amount, reversed)) return false;
  for (int i = reversed.count - 1; i >= 0; --i) out.Add(reversed.points[i]);
  return true;
}

// The crossing of the two offset edges. Parallel edges take the end of the first offset edge; a
// crossing beyond the 32-bit range falls back to a bevel of the two offset end points.
void Mitre(const Point& p, const Point& v, const Point& n, int32_t amount, CornerPoints& out) {
  DirectedLine in = OffsetLine(LineThrough(p, v), amount);
  DirectedLine leaving = OffsetLine(LineThrough(v, n), amount);
  Point m;
  if (IntersectLines(in, leaving, m)) {
    out.Add(m);
    return;
  }
  out.Add(SaturatedPoint(in.x + in.dx, in.y + in.dy));
  if (Cross(in.dx, in.dy, leaving.dx, leaving.dy) != 0) out.Add(SaturatedPoint(leaving.x, leaving.y));
}

void SizeCorner(const Point& p, const Point& v, const Point& n, int32_t amount, bool acute, CornerPoints& out) {
  int64_t inX = int64_t(v.x) - p.x, inY = int64_t(v.y) - p.y;
  int64_t outX = int64_t(n.x) - v.x, outY = int64_t(n.y) - v.y;
  // Sharper than 90 degrees: the rays v->p and v->n have a positive dot product.
  if (acute && Int128(inX) * outX + Int128(inY) * outY < 0) {
    Int128 turn = Cross(inX, inY, outX, outY);
    if (turn > 0 && amount > 0 && SizeConvexCorner(p, v, n, amount, out)) return;
    if (turn < 0 && amount < 0 && SizeConcaveCorner(p, v, n, amount, out)) return;
  }
  Mitre(p, v, n, amount, out);
}

// +1 when a comes before b in (x, y) order, -1 after, 0 when they coincide.
int Direction(const RingVertex* a, const RingVertex* b) {
  if (a->x != b->x) return a->x < b->x ? 1 : -1;
  if (a->y != b->y) return a->y < b->y ? 1 : -1;
  return 0;
}

uint32_t MarkFlip(RingVertex* start, const RingVertex* end, const RingVertex* sourceStart,
                  const RingVertex* sourceEnd) {
  // An edge that shrank to a point has no direction left and does not count.
  int direction = Direction(start, end);
  if (direction == 0 || direction == Direction(sourceStart, sourceEnd)) return 0;
  start->flags |= kEdgeFlipped;
  return 1;
}

// Removes the flipped edge v->n when the lines before and after it cross on the proper side:
// n moves to the crossing and v is flagged deleted. The ring has at least four vertices.
bool CutFlippedEdge(RingVertex* v, int32_t amount) {
  RingVertex* p = v->ringPrev;
  RingVertex* n = v->ringNext;
  RingVertex* nn = n->ringNext;
  const int side = amount > 0 ? 1 : -1;
  if (SideOfSegment(Segment(p->x, p->y, v->x, v->y), At(nn)) != side ||
      SideOfSegment(Segment(n->x, n->y, nn->x, nn->y), At(p)) != side) {
    return false;
  }
  Point crossing;
  if (!IntersectLines(LineThrough(At(p), At(v)), LineThrough(At(n), At(nn)), crossing)) return false;
  n->x = crossing.x;
  n->y = crossing.y;
  Link(p, n);
  v->flags |= kVertexDeleted;
  return true;
}

// Cuts out each flipped edge whose neighbours did not flip (a run of flips is left alone), then
// clears the flip marks. Returns a vertex still in the ring.
RingVertex* RemoveFlippedEdges(RingVertex* start, int32_t amount) {
  const uint32_t total = CountRingVertices(start);
  uint32_t count = total;
  RingVertex* kept = start;
  RingVertex* v = start;
  for (uint32_t i = 0; i < total; ++i) {
    RingVertex* following = v->ringNext;
    bool lone = (v->flags & kEdgeFlipped) && !(v->ringPrev->flags & kEdgeFlipped) && !(following->flags & kEdgeFlipped);
    if (amount != 0 && count > 3 && lone && CutFlippedEdge(v, amount)) {
      --count;
    } else {
      kept = v;
    }
    v = following;
  }
  v = kept;
  do {
    v->flags &= static_cast<uint16_t>(~kEdgeFlipped);
    v = v->ringNext;
  } while (v != kept);
  return kept;
}

void ReverseRing(RingVertex* start) {
  RingVertex* v = start;
  do {
    RingVertex* following = v->ringNext;
    v->ringNext = v->ringPrev;
    v->ringPrev = following;
    v = following;
  } while (v != start);
}

int Sign(Int128 v) { return (v > 0) - (v < 0); }

Int128 TwiceArea(const RingVertex* start) {
  Int128 sum = 0;
  const RingVertex* v = start;
  do {
    const RingVertex* n = v->ringNext;
    sum += Int128(v->x) * n->y - Int128(n->x) * v->y;
    v = n;
  } while (v != start);
  return sum;
}

bool SamePlace(const RingVertex* a, const RingVertex* b) { return a->x == b->x && a->y == b->y; }

// The nearest ring neighbours of v at another place: a repeated point carries no edge.
RingVertex* DistinctPrev(RingVertex* v) {
  RingVertex* w = v->ringPrev;
  while (w != v && SamePlace(w, v)) w = w->ringPrev;
  return w;
}
RingVertex* DistinctNext(RingVertex* v) {
  RingVertex* w = v->ringNext;
  while (w != v && SamePlace(w, v)) w = w->ringNext;
  return w;
}

// Appends to sized the ring of start offset by amount; false for a ring of fewer than three
// distinct places, which gives nothing. Flags the source ring visited.
bool SizeRing(RingVertex* start, int32_t amount, bool acute, RingSet& sized) {
  uint32_t edges = 0;
  RingVertex* v = start;
  do {
    v->flags |= kVertexVisited;
    if (!SamePlace(v, v->ringPrev)) ++edges;
    v = v->ringNext;
  } while (v != start);
  if (edges < 3) return false;
  while (SamePlace(start, start->ringPrev)) start = start->ringNext;
  RingVertex* first = nullptr;
  RingVertex* last = nullptr;
  uint32_t flips = 0;
  v = start;
  do {
    if (!SamePlace(v, v->ringPrev)) {
      RingVertex* p = DistinctPrev(v);
      CornerPoints corner;
      SizeCorner(At(p), At(v), At(DistinctNext(v)), amount, acute, corner);
      RingVertex* previousEnd = last;
      for (int i = 0; i < corner.count; ++i) AppendRingVertex(sized, corner.points[i], first, last);
      if (previousEnd) flips += MarkFlip(previousEnd, previousEnd->ringNext, p, v);
    }
    v = v->ringNext;
  } while (v != start);
  Link(last, first);
  flips += MarkFlip(last, first, DistinctPrev(start), start);
  RingVertex* kept = RemoveFlippedEdges(first, amount);
  // More than half the edges flipped while the ring kept its orientation: it turned inside out
  // (a square shrunk past its middle comes out as a smaller square, turned half round).
  // Reversed, it winds the other way and the caller's merge drops it. A ring whose orientation
  // already changed (an L shrunk past its arms' width) winds the other way as it is.
  if (flips > edges / 2 && Sign(TwiceArea(kept)) == Sign(TwiceArea(start))) ReverseRing(kept);
  return true;
}

// Sharp corners are judged on clean rings: collinear vertices and spikes go first.
void PrepareSizing(RingSet& rings) { rings.RemoveCollinearVertices(0); }

}  // namespace

void RingSet::Size(RingSet& out, int32_t amount, bool acute) {
  if (acute) PrepareSizing(*this);
  ClearVertexFlags(kVertexVisited);
  RingSet sized;
  int32_t rings = 0;
  for (RingVertex* v = head_; v; v = v->next) {
    if (!(v->flags & kVertexVisited) && SizeRing(v, amount, acute, sized)) ++rings;
  }
  ClearVertexFlags(kVertexVisited);
  sized.SetRingCount(rings);
  sized.RemoveFlaggedVertices();
  // Cut flipped edges can leave collinear vertices and rings of two.
  sized.RemoveCollinearVertices(0);
  out.Append(sized);
}
