#include "db/poly/circle_table.h"

#include <gtest/gtest.h>

#include <cmath>

#include "db/error.h"
#include "db/poly/ring_set.h"
#include "tests/db/poly/ring_test_util.h"

namespace {

using ringtest::Ring;
using ringtest::RingFrom;
using ringtest::TwiceSignedArea;

CircleTable MakeTable(int32_t cx, int32_t cy, int32_t radius, int32_t count) {
  CircleTable table;
  table.cx = cx;
  table.cy = cy;
  table.radius = radius;
  table.count = count;
  PolygonizeArc(table);
  return table;
}

Ring Arc(const CircleTable& table, int32_t start, int32_t end) {
  RingSet set;
  AppendArcVertices(set, table, start, end);
  return RingFrom(set.Head());
}

TEST(CircleTable, NormalisesCountAndFillsTheTable) {
  const std::pair<int32_t, int32_t> counts[] = {{-5, 3}, {0, 3}, {2, 3},   {3, 3},   {4, 4},   {5, 6},
                                                {7, 8},  {8, 8}, {10, 12}, {48, 48}, {64, 64}, {100, 128}};
  for (auto [given, normalised] : counts) {
    CircleTable table = MakeTable(0, 0, 1000, given);
    EXPECT_EQ(table.count, normalised) << given;
    EXPECT_EQ(table.points.size(), size_t(normalised)) << given;
  }
  EXPECT_EQ(MakeTable(7, -3, 100, 4).points, (std::vector<Point>{{107, -3}, {7, 97}, {-93, -3}, {7, -103}}));
}

TEST(CircleTable, PointsLieOnTheCircleInIncreasingAngle) {
  for (int32_t count : {3, 6, 8, 12, 24, 32, 48, 128, 1536}) {
    CircleTable table = MakeTable(123, -456, 1000001, count);
    double previous = -1;
    for (const Point& p : table.points) {
      double dx = double(p.x) - table.cx, dy = double(p.y) - table.cy;
      EXPECT_NEAR(std::hypot(dx, dy), table.radius, 1.0) << count;
      double angle = std::atan2(dy, dx);
      if (angle < 0) angle += 2 * M_PI;
      EXPECT_GT(angle, previous) << count;
      previous = angle;
    }
    EXPECT_EQ(table.points[0], Point(123 + 1000001, -456));
  }
}

TEST(CircleTable, RefusesHugeCountsAndCirclesBeyondTheRange) {
  EXPECT_EQ(MakeTable(0, 0, 10, 3 << 16).count, 3 << 16);
  try {
    MakeTable(0, 0, 10, kMaxCirclePoints);  // normalises to 4 * 2^16
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_EQ(e.Message(), "Number of points exceeded limit");
    EXPECT_STREQ(e.Tag(), "DB");
  }
  EXPECT_THROW(MakeTable(0, 0, 10, INT32_MAX), Error);
  EXPECT_THROW(MakeTable(INT32_MAX - 5, 0, 10, 8), Error);
  EXPECT_THROW(MakeTable(0, 0, INT32_MIN, 8), Error);
  EXPECT_NO_THROW(MakeTable(INT32_MAX - 10, INT32_MIN + 10, 10, 64));
}

TEST(CircleTable, ArcsRunForwardWithWrapAround) {
  CircleTable table = MakeTable(0, 0, 1000, 8);
  const std::vector<Point>& t = table.points;
  EXPECT_EQ(Arc(table, 0, 8), t);                                             // whole circle, no centre
  EXPECT_EQ(Arc(table, 0, 4), (Ring{t[0], t[1], t[2], t[3], t[4], {0, 0}}));  // half disc
  EXPECT_EQ(Arc(table, 7, 1), (Ring{t[7], t[0], t[1], {0, 0}}));
  EXPECT_EQ(Arc(table, -1, 9), Arc(table, 7, 1));
  EXPECT_EQ(Arc(table, 3, 3), (Ring{t[3], t[4], t[5], t[6], t[7], t[0], t[1], t[2]}));
  // Any arc and its complement make up the whole circle.
  __int128 whole = TwiceSignedArea(t);
  for (int32_t s = 0; s < 8; ++s) {
    for (int32_t e = 0; e < 8; ++e) {
      if (s == e) continue;
      EXPECT_GT(TwiceSignedArea(Arc(table, s, e)), 0);
      EXPECT_EQ(TwiceSignedArea(Arc(table, s, e)) + TwiceSignedArea(Arc(table, e, s)), whole) << s << " " << e;
    }
  }
}

TEST(CircleTable, RingsJoinOuterAndInnerCircles) {
  CircleTable outer = MakeTable(50, 50, 1000, 32);
  CircleTable inner = MakeTable(50, 50, 400, 32);
  RingSet set;
  AppendArcRingVertices(set, outer, inner, 0, 32);
  Ring ring = RingFrom(set.Head());
  ASSERT_EQ(ring.size(), 66u);
  EXPECT_EQ(ring[0], ring[32]);
  EXPECT_EQ(ring[33], ring[65]);
  EXPECT_EQ(TwiceSignedArea(ring), TwiceSignedArea(outer.points) - TwiceSignedArea(inner.points));
  // A sector is the outer pie less the inner pie, wrapped across angle 0 too; end points on the
  // axes keep the radial edges exact.
  for (auto [s, e] : {std::make_pair(8, 16), std::make_pair(24, 8)}) {
    RingSet sector;
    AppendArcRingVertices(sector, outer, inner, s, e);
    EXPECT_EQ(TwiceSignedArea(RingFrom(sector.Head())),
              TwiceSignedArea(Arc(outer, s, e)) - TwiceSignedArea(Arc(inner, s, e)));
  }
}

}  // namespace
