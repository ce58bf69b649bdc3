#include "db/poly/ring_geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

// Brute force: the nearest point of the segment with the parameter clamped to [0, 1].
double ClampedDistanceSquared(const Segment& s, int32_t px, int32_t py) {
  double dx = double(s.x2) - s.x1, dy = double(s.y2) - s.y1;
  double len2 = dx * dx + dy * dy;
  double t = len2 == 0 ? 0 : std::clamp(((px - double(s.x1)) * dx + (py - double(s.y1)) * dy) / len2, 0.0, 1.0);
  double ex = px - (s.x1 + t * dx), ey = py - (s.y1 + t * dy);
  return ex * ex + ey * ey;
}

TEST(RingGeometry, SquaredDistanceToSegmentAgreesWithClampedProjection) {
  EXPECT_EQ(SquaredDistanceToSegment(Segment(0, 0, 10, 0), 13, 4), 9.0 + 16.0);  // beyond the end
  EXPECT_EQ(SquaredDistanceToSegment(Segment(0, 0, 10, 10), 4, 4), 0.0);         // on the segment
  EXPECT_EQ(SquaredDistanceToSegment(Segment(5, 5, 5, 5), 8, 9), 25.0);          // no length
  EXPECT_TRUE(BoxContainsPointEps(Box(0, 0, 10, 10), 10 + 1e-7, -1e-7));
  EXPECT_FALSE(BoxContainsPointEps(Box(0, 0, 10, 10), 10 + 1e-6, 5));
  std::mt19937 rng(3);
  std::uniform_int_distribution<int32_t> coord(-100000, 100000);
  for (int i = 0; i < 20000; ++i) {
    Segment s(coord(rng), coord(rng), coord(rng), coord(rng));
    if (i % 4 == 0) s.y2 = s.y1;
    int32_t px = coord(rng), py = coord(rng);
    double expected = ClampedDistanceSquared(s, px, py);
    EXPECT_NEAR(SquaredDistanceToSegment(s, px, py), expected, 1e-9 * (1 + expected)) << i;
  }
}

TEST(RingGeometry, PointAlongAndExtendSegmentFollowTheThreeRules) {
  struct Case {
    Segment s;
    int32_t r;
    Point along, beyondEnd, beforeStart;
  };
  const Case cases[] = {
      {Segment(0, 0, 7, 0), 5, {5, 0}, {12, 0}, {-5, 0}},
      {Segment(3, 9, 3, 1), 4, {3, 5}, {3, -3}, {3, 13}},
      {Segment(0, 0, 10, 10), 10, {7, 7}, {17, 17}, {-7, -7}},  // round(10 / sqrt 2)
      {Segment(0, 0, -2, 2), 3, {-2, 2}, {-4, 4}, {2, -2}},     // round(2.12)
      {Segment(0, 0, 3, 4), 10, {6, 8}, {9, 12}, {-6, -8}},
      {Segment(0, 0, 4, -2), 5, {4, -2}, {8, -4}, {-4, 2}},   // (4.47, -2.24)
      {Segment(0, 0, 2, 1), 1, {1, 0}, {3, 1}, {-1, 0}},      // (0.894, 0.447)
      {Segment(0, 0, -2, -1), 1, {-1, 0}, {-3, -1}, {1, 0}},  // halves and signs mirror
      {Segment(6, 6, 6, 6), 9, {6, 6}, {6, 6}, {6, 6}},       // no direction
      {Segment(INT32_MAX - 1, 0, INT32_MAX, 0), 10, {INT32_MAX, 0}, {INT32_MAX, 0}, {INT32_MAX - 11, 0}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PointAlong(c.s, c.r), c.along) << c.s.x2 << "," << c.s.y2;
    EXPECT_EQ(ExtendSegment(c.s, c.r, true), c.beyondEnd) << c.s.x2 << "," << c.s.y2;
    EXPECT_EQ(ExtendSegment(c.s, c.r, false), c.beforeStart) << c.s.x2 << "," << c.s.y2;
  }
}

}  // namespace
