#include "db/poly/segment_crossing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <tuple>
#include <utility>

namespace {

struct CrossingCase {
  Point a1, a2, b1, b2;
  bool crosses;
  Point at;
};

TEST(SegmentCrossing, DecidesAndRoundsTableCases) {
  const CrossingCase cases[] = {
      {{0, 0}, {10, 10}, {0, 10}, {10, 0}, true, {5, 5}},
      {{0, 0}, {10, 0}, {5, -5}, {5, 0}, true, {5, 0}},     // T: an end on the other segment
      {{0, 0}, {10, 0}, {10, 0}, {20, 7}, true, {10, 0}},   // shared end point
      {{0, 0}, {3, 1}, {0, 1}, {3, 0}, true, {2, 1}},       // (1.5, 0.5) rounds up
      {{0, 0}, {-3, -1}, {0, -1}, {-3, 0}, true, {-1, 0}},  // (-1.5, -0.5): halves towards +inf
      {{0, 0}, {10, 0}, {5, 1}, {5, 9}, false, {}},         // the lines cross outside b
      {{0, 0}, {10, 0}, {5, 0}, {20, 0}, false, {}},        // collinear overlap
      {{0, 0}, {10, 0}, {0, 1}, {10, 1}, false, {}},        // parallel
      {{3, 3}, {3, 3}, {0, 0}, {6, 6}, false, {}},          // zero length
  };
  for (const CrossingCase& c : cases) {
    Point out(-77, -77);
    EXPECT_EQ(SegmentCrossing(c.a1, c.a2, c.b1, c.b2, out), c.crosses) << c.a1.x << "," << c.a1.y;
    if (c.crosses) {
      EXPECT_EQ(out, c.at) << c.a1.x << "," << c.a1.y;
    } else {
      EXPECT_EQ(out, Point(-77, -77));
    }
  }
}

// Small coordinates make the double parametric form exact enough to serve as the oracle: t and u
// are ratios of small integers, exactly 0 or 1 only at end points.
TEST(SegmentCrossing, AgreesWithParametricOracleAndIsSymmetric) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int32_t> coord(-12, 12);
  auto point = [&] { return Point(coord(rng), coord(rng)); };
  int crossings = 0;
  for (int i = 0; i < 20000; ++i) {
    Point a1 = point(), a2 = point(), b1 = point(), b2 = point();
    double dax = a2.x - a1.x, day = a2.y - a1.y, dbx = b2.x - b1.x, dby = b2.y - b1.y;
    double den = dax * dby - day * dbx;
    bool expected = false;
    double ex = 0, ey = 0;
    if (den != 0) {
      double t = ((b1.x - a1.x) * dby - (b1.y - a1.y) * dbx) / den;
      double u = ((b1.x - a1.x) * day - (b1.y - a1.y) * dax) / den;
      expected = t >= 0 && t <= 1 && u >= 0 && u <= 1;
      ex = a1.x + t * dax;
      ey = a1.y + t * day;
    }
    Point out;
    ASSERT_EQ(SegmentCrossing(a1, a2, b1, b2, out), expected) << i;
    if (!expected) continue;
    ++crossings;
    EXPECT_LE(std::fabs(out.x - ex), 0.5 + 1e-9);
    EXPECT_LE(std::fabs(out.y - ey), 0.5 + 1e-9);
    for (auto [p1, p2, q1, q2] :
         {std::make_tuple(b1, b2, a1, a2), std::make_tuple(a2, a1, b2, b1), std::make_tuple(b2, b1, a1, a2)}) {
      Point other;
      ASSERT_TRUE(SegmentCrossing(p1, p2, q1, q2, other));
      EXPECT_EQ(other, out);
    }
  }
  EXPECT_GT(crossings, 2000);
}

// Near the ends of the coordinate range, where slopes in double lose the crossing: the point must
// still lie in both boxes and within rounding of both lines.
TEST(SegmentCrossing, StaysExactForFarSteepAndNearParallelEdges) {
  std::mt19937 rng(11);
  std::uniform_int_distribution<int32_t> coord(-(1 << 30), 1 << 30);
  std::uniform_int_distribution<int32_t> jitter(-3, 3);
  int crossings = 0;
  for (int i = 0; i < 20000; ++i) {
    Point a1(coord(rng), coord(rng)), a2(coord(rng), coord(rng));
    // b nearly parallel to a and close to it, so that they cross at a shallow angle.
    Point b1(a1.x + jitter(rng), a1.y + jitter(rng)), b2(a2.x + jitter(rng), a2.y + jitter(rng));
    Point out;
    if (!SegmentCrossing(a1, a2, b1, b2, out)) continue;
    ++crossings;
    EXPECT_TRUE(Box::SpanPoints(a1, a2).Contains(out.x, out.y));
    EXPECT_TRUE(Box::SpanPoints(b1, b2).Contains(out.x, out.y));
    for (auto [p, q] : {std::make_pair(a1, a2), std::make_pair(b1, b2)}) {
      long double dx = (long double)q.x - p.x, dy = (long double)q.y - p.y;
      long double distance = std::fabs(dx * (out.y - p.y) - dy * (out.x - p.x)) / std::sqrt(dx * dx + dy * dy);
      EXPECT_LE(distance, 0.75L) << i;
    }
  }
  EXPECT_GT(crossings, 1000);
}

}  // namespace
