#pragma once

// Exact integer predicates of the polygon sweep. Every decision about the order, the
// incidence or the crossing of edges is made here in 128-bit arithmetic, so that no rounding
// can make two decisions disagree; only new crossing points are rounded, and only once.

#include <cstdint>

#include "db/box.h"

using Int128 = __int128;

// Twice the signed area of (a, b, c): positive when c lies left of a->b (y up).
inline Int128 Orient(const Point& a, const Point& b, const Point& c) {
  return Int128(int64_t(b.x) - a.x) * (int64_t(c.y) - a.y) - Int128(int64_t(b.y) - a.y) * (int64_t(c.x) - a.x);
}

inline int Sign(Int128 v) { return (v > 0) - (v < 0); }

// Sweep order: x, then y.
inline bool SweepLess(const Point& a, const Point& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); }

// A key whose unsigned order is the sweep order.
inline uint64_t SweepKey(const Point& p) {
  return (uint64_t(uint32_t(p.x) ^ 0x80000000u) << 32) | (uint32_t(p.y) ^ 0x80000000u);
}

// floor(n / d) for d > 0.
inline Int128 FloorDiv(Int128 n, Int128 d) {
  Int128 q = n / d;
  return (n % d != 0 && n < 0) ? q - 1 : q;
}

// A direction as a 64-bit vector.
struct Direction {
  int64_t x;
  int64_t y;
};

inline Direction DirectionOf(const Point& from, const Point& to) {
  return Direction{int64_t(to.x) - from.x, int64_t(to.y) - from.y};
}

inline Int128 Cross(const Direction& a, const Direction& b) { return Int128(a.x) * b.y - Int128(a.y) * b.x; }
inline Int128 Dot(const Direction& a, const Direction& b) { return Int128(a.x) * b.x + Int128(a.y) * b.y; }

// True when the angle of a (counter-clockwise from the positive x axis, in [0, 360)) is smaller
// than that of b. Neither may be the zero vector.
inline bool AngleLess(const Direction& a, const Direction& b) {
  int ha = (a.y < 0 || (a.y == 0 && a.x < 0)) ? 1 : 0;
  int hb = (b.y < 0 || (b.y == 0 && b.x < 0)) ? 1 : 0;
  if (ha != hb) return ha < hb;
  return Cross(a, b) > 0;
}

// True when d lies in the half-open angular range that starts at `from` and turns
// counter-clockwise up to `to`, `to` excluded. When from and to point the same way the range is
// the full turn.
inline bool InCounterClockwiseRange(const Direction& from, const Direction& to, const Direction& d) {
  auto half = [&from](const Direction& v) {
    Int128 c = Cross(from, v);
    return (c > 0 || (c == 0 && Dot(from, v) > 0)) ? 0 : 1;
  };
  auto atStart = [&from](const Direction& v) { return Cross(from, v) == 0 && Dot(from, v) > 0; };
  if (atStart(to)) return true;
  if (atStart(d)) return true;
  int hd = half(d), ht = half(to);
  if (hd != ht) return hd < ht;
  return Cross(d, to) > 0;
}

// The crossing point of two segments that cross properly, as exact fractions over a positive
// common denominator: (xNum / den, yNum / den).
struct CrossingPoint {
  Int128 xNum;
  Int128 yNum;
  Int128 den;

  bool IsIntegral() const { return xNum % den == 0 && yNum % den == 0; }
  // Rounded with floor(v + 0.5); it lies in both segments' boxes, so it fits 32 bits.
  Point Rounded() const {
    return Point(int32_t(FloorDiv(2 * xNum + den, 2 * den)), int32_t(FloorDiv(2 * yNum + den, 2 * den)));
  }
};

// True when the open segments a1-a2 and b1-b2 cross in exactly one point that is interior to
// both; touching, end points on the other segment and collinear overlaps do not count.
inline bool CrossProperly(const Point& a1, const Point& a2, const Point& b1, const Point& b2) {
  int o1 = Sign(Orient(a1, a2, b1)), o2 = Sign(Orient(a1, a2, b2));
  if (o1 * o2 >= 0) return false;
  int o3 = Sign(Orient(b1, b2, a1)), o4 = Sign(Orient(b1, b2, a2));
  return o3 * o4 < 0;
}

// The crossing of two segments that cross properly. Magnitudes stay below 2^100.
inline CrossingPoint CrossingOf(const Point& a1, const Point& a2, const Point& b1, const Point& b2) {
  Direction r = DirectionOf(a1, a2), s = DirectionOf(b1, b2), q = DirectionOf(a1, b1);
  Int128 den = Cross(r, s), t = Cross(q, s);
  if (den < 0) {
    den = -den;
    t = -t;
  }
  return CrossingPoint{Int128(a1.x) * den + Int128(r.x) * t, Int128(a1.y) * den + Int128(r.y) * t, den};
}
