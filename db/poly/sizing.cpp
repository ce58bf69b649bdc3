#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "db/poly/boolean_predicates.h"
#include "db/poly/path_outline.h"
#include "db/poly/ring_set.h"
#include "db/poly/segment_crossing.h"

namespace {

Int128 Cross(int64_t ax, int64_t ay, int64_t bx, int64_t by) { return Int128(ax) * by - Int128(ay) * bx; }

int64_t Mod(int64_t v, int64_t m) {
  int64_t r = v % m;
  return r < 0 ? r + m : r;
}

// The new vertices of one source corner: a mitre, a bevel of two, or a cut along the square.
struct CornerPoints {
  Point points[6];
  int count = 0;
  // A mitre that lies exactly on both moved edges.
  bool exactMitre = false;
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

// The crossing of the two offset edges. Parallel edges take the end of the first offset edge; a
// crossing beyond the 32-bit range falls back to a bevel of the two offset end points.
void Mitre(const Point& p, const Point& v, const Point& n, int64_t amount, CornerPoints& out) {
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

Point Moved(const Point& p, const Point& offset) {
  return SaturatedPoint(int64_t(p.x) + offset.x, int64_t(p.y) + offset.y);
}

// The vector that moves the edge a->b sideways by d to its right-hand side, as OffsetLine
// rounds it, so that the moved edge stays parallel to the edge.
Point EdgeOffset(const Point& a, const Point& b, int64_t d) {
  DirectedLine moved = OffsetLine(LineThrough(a, b), d);
  return SaturatedPoint(moved.x - a.x, moved.y - a.y);
}

bool TurnsLeft(const Point& p, const Point& v, const Point& n) {
  return Cross(int64_t(v.x) - p.x, int64_t(v.y) - p.y, int64_t(n.x) - v.x, int64_t(n.y) - v.y) > 0;
}

// How far m lies beyond a in the direction of the edge p->v, times the edge's length.
Int128 Along(const Point& m, const Point& a, const Point& p, const Point& v) {
  return Int128(int64_t(m.x) - a.x) * (int64_t(v.x) - p.x) + Int128(int64_t(m.y) - a.y) * (int64_t(v.y) - p.y);
}

// Whether m lies on the line through a parallel to the edge p->v.
bool OnLine(const Point& m, const Point& a, const Point& p, const Point& v) {
  return Cross(int64_t(m.x) - a.x, int64_t(m.y) - a.y, int64_t(v.x) - p.x, int64_t(v.y) - p.y) == 0;
}

// The points that replace a convex corner p->v->n (a left turn) on the outside, where movedIn
// and movedOut are v moved with the edge before it and with the edge after it: the square cut
// for a corner sharper than 90 degrees with acute set, else the mitre. A bevel joins the two
// moved ends where neither fits: a sharp corner whose square is too small for the rounded cut
// (a mitre would be a long spike), or a nearly straight one whose moved edges, each rounded on
// its own, cross far behind the corner instead of just beyond it.
void ConvexCorner(const Point& p, const Point& v, const Point& n, int64_t d, bool acute, const Point& movedIn,
                  const Point& movedOut, CornerPoints& out) {
  int64_t inX = int64_t(v.x) - p.x, inY = int64_t(v.y) - p.y;
  int64_t outX = int64_t(n.x) - v.x, outY = int64_t(n.y) - v.y;
  // Sharper than 90 degrees: the rays v->p and v->n have a positive dot product.
  const bool sharp = acute && Int128(inX) * outX + Int128(inY) * outY < 0;
  if (sharp && SizeConvexCorner(p, v, n, d, out)) return;
  if (!sharp) {
    Mitre(p, v, n, d, out);
    if (out.count != 1 || (Along(out.points[0], movedIn, p, v) >= 0 && Along(out.points[0], movedOut, v, n) <= 0)) {
      return;
    }
  }
  out = CornerPoints();
  out.Add(movedIn);
  out.Add(movedOut);
}

// c lies on the segment a-b, given that it lies on its line.
bool WithinBox(const Point& a, const Point& b, const Point& c) {
  return std::min(a.x, b.x) <= c.x && c.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= c.y &&
         c.y <= std::max(a.y, b.y);
}

// Whether the closed segments a-b and c-e have a point in common.
bool SegmentsMeet(const Point& a, const Point& b, const Point& c, const Point& e) {
  const int o1 = Sign(Orient(a, b, c)), o2 = Sign(Orient(a, b, e)), o3 = Sign(Orient(c, e, a)),
            o4 = Sign(Orient(c, e, b));
  if (o1 * o2 < 0 && o3 * o4 < 0) return true;
  return (o1 == 0 && WithinBox(a, b, c)) || (o2 == 0 && WithinBox(a, b, e)) || (o3 == 0 && WithinBox(c, e, a)) ||
         (o4 == 0 && WithinBox(c, e, b));
}

// Whether the closed polygon through points (distinct neighbours, at least three) neither
// crosses nor touches itself nor doubles back.
bool IsSimple(const std::vector<Point>& points) {
  const size_t n = points.size();
  for (size_t i = 0; i < n; ++i) {
    const Point& a = points[i];
    const Point& b = points[(i + 1) % n];
    const Point& c = points[(i + 2) % n];
    if (Orient(a, b, c) == 0 && Along(c, b, a, b) < 0) return false;
    for (size_t j = i + 2; j < n; ++j) {
      if (i == 0 && j == n - 1) continue;
      if (SegmentsMeet(a, b, points[j], points[(j + 1) % n])) return false;
    }
  }
  return true;
}

void AddCounterClockwise(std::vector<Point>& points, RingSet& pieces) {
  Int128 twiceArea = 0;
  for (size_t i = 0; i < points.size(); ++i) {
    const Point& a = points[i];
    const Point& b = points[(i + 1) % points.size()];
    twiceArea += Int128(a.x) * b.y - Int128(b.x) * a.y;
  }
  if (twiceArea == 0) return;
  if (twiceArea < 0) std::reverse(points.begin(), points.end());
  pieces.AddRing(points.data(), uint32_t(points.size()));
}

// Adds the polygon through points as counter-clockwise rings that cover it once, with nothing
// for what has no area. Every piece must wind the same way: the boolean adds up the windings,
// and a lobe wound the other way would cancel another piece's cover. A polygon that rounding
// (or saturation at the coordinate range) made cross itself goes in as the fan of triangles
// from its first point, which every piece is star-shaped from.
void AddPiece(std::vector<Point>& points, RingSet& pieces) {
  points.erase(std::unique(points.begin(), points.end()), points.end());
  while (points.size() > 1 && points.back() == points.front()) points.pop_back();
  if (points.size() < 3) return;
  if (IsSimple(points)) {
    AddCounterClockwise(points, pieces);
    return;
  }
  for (size_t i = 1; i + 1 < points.size(); ++i) {
    std::vector<Point> triangle = {points[0], points[i], points[i + 1]};
    AddCounterClockwise(triangle, pieces);
  }
}

// The piece at a concave (or straight) corner p->v->n, where the bands of the two edges meet:
// for a turn of at most 90 degrees, the kite from v over its two moved ends to the crossing of
// the moved edges when that crossing lies exactly on both and behind both moved ends (every
// right angle on the grid: a square along the edges), else the triangle of v and its two moved
// ends. It closes the gap that the rounding of the two moves can open where the corner is
// nearly straight, and covers the corner where the edges are shorter than the amount. Past the
// far end of an edge shorter than the amount, the kite is taken only where the corner at that
// end is a right angle too (convex with an exact mitre, or concave), as along a staircase or a
// comb, whose sized outline is the square dilation: beside any other corner it would cover
// points that the moved edges leave out, farther than the amount from the polygon.
void ConcaveCornerPiece(const Point& p, const Point& v, const Point& n, int64_t d, const Point& offsetIn,
                        const Point& offsetOut, bool squareAtP, bool squareAtN, std::vector<Point>& piece) {
  const Point movedIn = Moved(v, offsetIn), movedOut = Moved(v, offsetOut);
  piece = {v, movedIn, movedOut};
  const bool turnsAtMostRight = Along(n, v, p, v) >= 0;
  Point m;
  if (turnsAtMostRight && IntersectLines(OffsetLine(LineThrough(p, v), d), OffsetLine(LineThrough(v, n), d), m) &&
      OnLine(m, movedIn, p, v) && OnLine(m, movedOut, v, n) && Along(m, movedIn, p, v) <= 0 &&
      Along(m, movedOut, v, n) >= 0 && (squareAtP || Along(m, Moved(p, offsetIn), p, v) >= 0) &&
      (squareAtN || Along(m, Moved(n, offsetOut), v, n) <= 0)) {
    piece.insert(piece.begin() + 2, m);
  }
}

// The ring through start as its distinct places in ring order, or against it.
std::vector<Point> RingPlaces(RingVertex* start, bool reversed) {
  std::vector<Point> places;
  RingVertex* v = start;
  do {
    v->flags |= kVertexVisited;
    Point p(v->x, v->y);
    if (places.empty() || places.back() != p) places.push_back(p);
    v = v->ringNext;
  } while (v != start);
  while (places.size() > 1 && places.back() == places.front()) places.pop_back();
  if (reversed) std::reverse(places.begin(), places.end());
  return places;
}

// Adds to pieces what sweeping every edge of the ring by d to its right-hand side covers: per
// edge the band between the edge and its moved copy, which at a convex corner runs on to the
// mitre, and at a convex corner cut along the square the fan from the vertex over the cut. At a
// concave corner the bands of the two edges overlap and their outer edges cross where the mitre
// would lie, and a corner piece joins them. The moved edge of a band starts no later and ends
// no earlier than the edge itself. Neighbouring pieces meet along identical edges, never along
// edges that only nearly coincide: a mitre that rounding moved off the moved edges is reached
// by the diagonal from the vertex that both bands share, while an exact one (every right angle
// on the grid) makes each band take the whole mitre square, whose sides follow the edges, so
// that rectilinear input gives rectilinear pieces.
void AddSweptPieces(const std::vector<Point>& ring, int64_t d, bool acute, RingSet& pieces) {
  const size_t n = ring.size();
  std::vector<Point> offsets(n);
  std::vector<CornerPoints> corners(n);
  for (size_t i = 0; i < n; ++i) offsets[i] = EdgeOffset(ring[i], ring[(i + 1) % n], d);
  for (size_t i = 0; i < n; ++i) {
    const Point& p = ring[(i + n - 1) % n];
    const Point& v = ring[i];
    const Point& next = ring[(i + 1) % n];
    if (!TurnsLeft(p, v, next)) continue;
    CornerPoints& corner = corners[i];
    const Point movedIn = Moved(v, offsets[(i + n - 1) % n]), movedOut = Moved(v, offsets[i]);
    ConvexCorner(p, v, next, d, acute, movedIn, movedOut, corner);
    corner.exactMitre =
        corner.count == 1 && OnLine(corner.points[0], movedIn, p, v) && OnLine(corner.points[0], movedOut, v, next);
  }
  // Right angles whose sized corner is the square of the two moved edges.
  std::vector<bool> square(n);
  for (size_t i = 0; i < n; ++i) {
    const Point& p = ring[(i + n - 1) % n];
    const Point& v = ring[i];
    const Point& next = ring[(i + 1) % n];
    square[i] = Along(next, v, p, v) == 0 && (corners[i].count == 0 || corners[i].exactMitre);
  }
  std::vector<Point> piece;
  for (size_t i = 0; i < n; ++i) {
    const size_t j = (i + 1) % n;
    const CornerPoints& atStart = corners[i];
    const CornerPoints& atEnd = corners[j];
    piece.assign(1, ring[i]);
    if (atStart.exactMitre) piece.push_back(Moved(ring[i], offsets[(i + n - 1) % n]));
    piece.push_back(atStart.count > 0 ? atStart.points[atStart.count - 1] : Moved(ring[i], offsets[i]));
    piece.push_back(atEnd.count > 0 ? atEnd.points[0] : Moved(ring[j], offsets[i]));
    if (atEnd.exactMitre) piece.push_back(Moved(ring[j], offsets[j]));
    piece.push_back(ring[j]);
    AddPiece(piece, pieces);
    if (atStart.count > 1) {
      piece.assign(1, ring[i]);
      piece.insert(piece.end(), atStart.points, atStart.points + atStart.count);
      AddPiece(piece, pieces);
    } else if (atStart.count == 0) {
      const size_t before = (i + n - 1) % n;
      ConcaveCornerPiece(ring[before], ring[i], ring[j], d, offsets[before], offsets[i], square[before], square[j],
                         piece);
      AddPiece(piece, pieces);
    }
  }
}

// Sizes region, the clean outline of a region (counter-clockwise rings with clockwise holes),
// into out: growing unites the region with the pieces swept by moving each edge outwards, and
// shrinking takes from the region the pieces swept inwards, which are the outward pieces of its
// complement (the rings walked backwards). Both are one boolean sweep over a fixed number of
// pieces per edge.
void SizeOutline(RingSet& region, RingSet& out, int32_t amount, bool acute) {
  if (amount == 0 || region.IsEmpty()) {
    out.Append(region);
    return;
  }
  const bool shrinking = amount < 0;
  const int64_t d = shrinking ? -int64_t(amount) : amount;
  RingSet pieces;
  region.ClearVertexFlags(kVertexVisited);
  for (RingVertex* v = region.Head(); v; v = NextUnflagged(v)) {
    const std::vector<Point> ring = RingPlaces(v, shrinking);
    if (ring.size() >= 3) AddSweptPieces(ring, d, acute, pieces);
  }
  region.ClearVertexFlags(kVertexVisited);
  if (shrinking) pieces.SetVertexFlags(kVertexOperandB);
  region.Append(pieces);
  region.Boolean(&out, shrinking ? kBooleanSubtract : kBooleanMergeNonZero, false);
}

}  // namespace

// Sizing works on the region that the rings enclose, read under the non-zero rule of the whole
// set, so that it cannot fold or leave slivers whatever the rings look like.
void RingSet::Size(RingSet& out, int32_t amount, bool acute) {
  RingSet region;
  Boolean(&region, kBooleanMergeNonZero, false);
  SizeOutline(region, out, amount, acute);
}

RingSet SizedOutline(RingSet& rings, int32_t amount) {
  RingSet region;
  rings.FilledRegion(region);
  // The filled region is already a clean outline, and sizing gives the clean outline of the
  // sized region, so neither needs a merge of its own.
  RingSet result;
  SizeOutline(region, result, amount, true);
  result.Boolean(nullptr, kBooleanCutHoles, false);
  return result;
}
