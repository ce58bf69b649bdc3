#include "db/poly/segment_crossing.h"

namespace {

using Int128 = __int128;

Int128 Cross(int64_t ax, int64_t ay, int64_t bx, int64_t by) { return Int128(ax) * by - Int128(ay) * bx; }

int Orientation(const Point& a, const Point& b, const Point& c) {
  Int128 c3 = Cross(int64_t(b.x) - a.x, int64_t(b.y) - a.y, int64_t(c.x) - a.x, int64_t(c.y) - a.y);
  return c3 > 0 ? 1 : (c3 < 0 ? -1 : 0);
}

// floor(n / d + 1/2) for d > 0, as floor((2n + d) / 2d).
Int128 RoundQuotient(Int128 n, Int128 d) {
  Int128 num = 2 * n + d;
  Int128 den = 2 * d;
  Int128 q = num / den;
  if (num < 0 && q * den != num) --q;
  return q;
}

}  // namespace

bool IntersectLines(const DirectedLine& a, const DirectedLine& b, Point& out) {
  // a + t * da with t = cross(b - a, db) / cross(da, db); the coordinates stay below 2^103.
  Int128 den = Cross(a.dx, a.dy, b.dx, b.dy);
  if (den == 0) return false;
  Int128 num = Cross(b.x - a.x, b.y - a.y, b.dx, b.dy);
  if (den < 0) {
    den = -den;
    num = -num;
  }
  Int128 x = RoundQuotient(Int128(a.x) * den + Int128(a.dx) * num, den);
  Int128 y = RoundQuotient(Int128(a.y) * den + Int128(a.dy) * num, den);
  if (x < INT32_MIN || x > INT32_MAX || y < INT32_MIN || y > INT32_MAX) return false;
  out = Point(static_cast<int32_t>(x), static_cast<int32_t>(y));
  return true;
}

bool SegmentCrossing(const Point& a1, const Point& a2, const Point& b1, const Point& b2, Point& out) {
  int o1 = Orientation(a1, a2, b1);
  int o2 = Orientation(a1, a2, b2);
  int o3 = Orientation(b1, b2, a1);
  int o4 = Orientation(b1, b2, a2);
  // Both ends of one segment on the line of the other: collinear or zero-length, no single point.
  if (o1 * o2 > 0 || o3 * o4 > 0 || (o1 == 0 && o2 == 0) || (o3 == 0 && o4 == 0)) return false;
  // The segments meet, so the exact point lies in both boxes, and so does its rounding (the
  // box bounds are integers). Being exact, it does not depend on the operand order.
  return IntersectLines(LineThrough(a1, a2), LineThrough(b1, b2), out);
}
