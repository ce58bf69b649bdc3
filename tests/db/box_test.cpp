#include "db/box.h"

#include <gtest/gtest.h>

namespace {

TEST(Box, ExtendingTheEmptyBoxGivesThePoint) {
  Box b;
  EXPECT_TRUE(b.IsEmpty());
  b.Extend(5, -3);
  EXPECT_EQ(b, Box(5, -3, 5, -3));
  EXPECT_TRUE(b.IsEmpty());  // zero width
  b.Extend(-2, 4);
  EXPECT_EQ(b, Box(-2, -3, 5, 4));
}

TEST(Box, ExtendBoxIgnoresEmptyArgumentsAndReplacesEmptyTargets) {
  Box big(0, 0, 10, 10);
  Box b = big;
  b.ExtendBox(Box(-50, -50, -50, 50));  // zero width: no effect
  EXPECT_EQ(b, big);
  b.ExtendBox(Box());
  EXPECT_EQ(b, big);

  Box line(100, 100, 100, 200);  // zero width target becomes a copy
  line.ExtendBox(big);
  EXPECT_EQ(line, big);

  b.ExtendBox(Box(5, -1, 20, 3));
  EXPECT_EQ(b, Box(0, -1, 20, 10));
}

TEST(Box, OverlapsCountsTouchingButOverlapsStrictDoesNot) {
  Box a(0, 0, 10, 10);
  struct Case {
    Box b;
    bool overlaps, strict;
  } const cases[] = {
      {Box(10, 10, 20, 20), true, false}, {Box(11, 0, 20, 10), false, false}, {Box(9, 9, 20, 20), true, true},
      {Box(2, 2, 3, 3), true, true},      {Box(-5, 10, 15, 12), true, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(a.Overlaps(c.b), c.overlaps) << c.b.x1 << "," << c.b.y1;
    EXPECT_EQ(c.b.Overlaps(a), c.overlaps);
    EXPECT_EQ(a.OverlapsStrict(c.b), c.strict) << c.b.x1 << "," << c.b.y1;
  }
}

TEST(Box, ContainsIsInclusive) {
  Box a(0, 0, 10, 10);
  EXPECT_TRUE(a.Contains(10, 10));
  EXPECT_TRUE(a.Contains(0, 0));
  EXPECT_FALSE(a.Contains(11, 5));
  EXPECT_TRUE(a.Contains(Box(0, 0, 10, 10)));
  EXPECT_FALSE(a.Contains(Box(0, -1, 10, 10)));
}

TEST(Box, SpanPointsNormalisesFromPointsDoesNot) {
  Point p(10, -5), q(-3, 7);
  EXPECT_EQ(Box::SpanPoints(p, q), Box(-3, -5, 10, 7));
  EXPECT_EQ(Box::FromPoints(p, q), Box(10, -5, -3, 7));
}

}  // namespace
