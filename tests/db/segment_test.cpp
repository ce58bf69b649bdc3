#include "db/segment.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(Segment, IsParallel) {
  struct Case {
    Segment a, b;
    bool parallel;
  } const cases[] = {
      {{0, 0, 0, 10}, {5, 3, 5, -8}, true},                                         // both vertical
      {{0, 0, 10, 0}, {-4, 7, 9, 7}, true},                                         // both horizontal
      {{0, 0, 10, 0}, {0, 0, 0, 10}, false}, {{0, 0, 2, 4}, {10, 10, 7, 4}, true},  // opposite directions
      {{0, 0, 2, 4}, {0, 0, 2, 5}, false},
  };
  for (const Case& c : cases) EXPECT_EQ(c.a.IsParallel(c.b), c.parallel);
}

TEST(Segment, IntersectRoundsHalvesUpAndLeavesOutputsOnFailure) {
  struct Case {
    Segment a, b;
    bool ok;
    int32_t x, y;
  } const cases[] = {
      {{0, 5, 10, 5}, {3, -10, 3, 10}, true, 3, 5},                   // horizontal and vertical
      {{3, -10, 3, 10}, {0, 0, 10, 10}, true, 3, 3},                  // this one vertical
      {{0, 0, 10, 10}, {0, 5, 10, -5}, true, 3, 3},                   // (2.5, 2.5)
      {{0, 0, 10, 10}, {0, -5, -10, 5}, true, -2, -2},                // (-2.5, -2.5): half up, not away
      {{0, 0, 0, 10}, {5, 0, 5, 10}, false, 77, 88},                  // vertical pair
      {{0, 0, 10, 0}, {0, 5, 10, 5}, false, 77, 88},                  // horizontal pair
      {{0, 0, 2, 4}, {1, 0, 3, 4}, false, 77, 88},                    // general parallel
      {{0, 0, 2000000000, 1}, {0, 1, 1999999999, 2}, false, 77, 88},  // crossing far outside int32
  };
  for (const Case& c : cases) {
    int32_t x = 77, y = 88;
    EXPECT_EQ(c.a.IntersectRounded(c.b, x, y), c.ok);
    EXPECT_EQ(x, c.x);
    EXPECT_EQ(y, c.y);
  }
}

TEST(Segment, ProjectRoundsHalfAwayFromZero) {
  struct Case {
    Segment s;
    int32_t px, py;
    Point expected;
  } const cases[] = {
      {{0, 0, 10, 0}, 3, 7, {3, 0}}, {{0, 0, 0, 10}, 3, 7, {0, 7}},   {{0, 0, 10, 10}, 0, 10, {5, 5}},
      {{0, 0, 2, 2}, 1, 0, {1, 1}},  {{0, 0, 2, 2}, -1, 0, {-1, -1}},
  };
  for (const Case& c : cases) EXPECT_EQ(c.s.Project(c.px, c.py), c.expected) << c.px << "," << c.py;
}

TEST(Segment, SideIsExactAtCoordinateExtremes) {
  struct Case {
    Segment s;
    int32_t px, py;
    int side;
  } const cases[] = {
      {{0, 0, 10, 0}, 0, 1, -1},
      {{0, 0, 10, 0}, 0, -1, 1},
      {{0, 0, 10, 0}, 20, 0, 0},
      // The cross product differs by 2^32 - 1 between two terms near 2^64: double rounding loses it.
      {{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, INT32_MAX, INT32_MAX - 1, 1},
      {{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, INT32_MAX - 1, INT32_MAX, -1},
  };
  for (const Case& c : cases) EXPECT_EQ(c.s.Side(c.px, c.py), c.side) << c.px << "," << c.py;
}

TEST(Segment, TurnRightTurnsClockwiseAboutTheStart) {
  Segment s(1, 2, 11, 2);
  s.TurnRight();
  EXPECT_EQ(Point(s.x2, s.y2), Point(1, -8));
  s.TurnRight();
  EXPECT_EQ(Point(s.x2, s.y2), Point(-9, 2));
  Segment far(INT32_MIN, 0, INT32_MAX, 0);  // wraps instead of overflowing
  far.TurnRight();
  EXPECT_EQ(Point(far.x2, far.y2), Point(INT32_MIN, 1));
}

}  // namespace
