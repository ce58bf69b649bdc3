#include "db/poly/path_outline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "db/poly/ring_set.h"
#include "tests/db/poly/ring_test_util.h"

namespace {

using ringtest::Ring;
using ringtest::RingFrom;
using ringtest::TwiceSignedArea;

PathShape MakePath(std::vector<Point> points, int16_t type, int32_t width, int32_t begin = 0, int32_t end = 0) {
  PathShape path;
  path.points = std::move(points);
  path.pathType = type;
  path.width = width;
  path.beginExtension = begin;
  path.endExtension = end;
  return path;
}

// The outline in outline order: the head is the last vertex pushed, its successor the first.
Ring Outline(const PathShape& path) {
  RingSet set;
  EXPECT_TRUE(PathToPolygon(path, set));
  return RingFrom(set.Head()->ringNext);
}

TEST(PathOutline, BuildsTheEndStylesAndCorners) {
  const std::vector<Point> straight = {{0, 0}, {100, 0}};
  struct Case {
    PathShape path;
    Ring outline;
  };
  const Case cases[] = {
      {MakePath(straight, 0, 10), {{0, -5}, {100, -5}, {100, 5}, {0, 5}}},
      {MakePath(straight, 2, 10), {{-5, -5}, {105, -5}, {105, 5}, {-5, 5}}},
      {MakePath(straight, 1, 10), {{-5, -5}, {105, -5}, {105, 5}, {-5, 5}}},
      {MakePath(straight, 3, 10, 2, 7), {{-2, -5}, {107, -5}, {107, 5}, {-2, 5}}},
      {MakePath(straight, 0, 11), {{0, -5}, {100, -5}, {100, 5}, {0, 5}}},     // half width rounds down
      {MakePath(straight, 2, -10), {{-5, -5}, {105, -5}, {105, 5}, {-5, 5}}},  // absolute width
      {MakePath({{0, 0}, {100, 0}, {100, 100}}, 0, 10), {{0, -5}, {105, -5}, {105, 100}, {95, 100}, {95, 5}, {0, 5}}},
      {MakePath({{0, 0}, {50, 0}, {100, 0}}, 0, 10), {{0, -5}, {50, -5}, {100, -5}, {100, 5}, {50, 5}, {0, 5}}},
      {MakePath({{0, 0}, {0, 0}, {100, 0}, {100, 0}, {100, 0}}, 0, 10), {{0, -5}, {100, -5}, {100, 5}, {0, 5}}},
      {MakePath({{0, 100}, {0, 0}}, 2, 10), {{-5, 105}, {-5, -5}, {5, -5}, {5, 105}}},
      // Off the axes: the start corner lies where the offset edge meets the moved perpendicular.
      {MakePath({{0, 0}, {100, 100}}, 2, 20), {{0, -14}, {114, 100}, {100, 114}, {-14, 0}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Outline(c.path), c.outline) << c.path.points.size() << " " << c.path.pathType << " " << c.path.width;
  }
}

TEST(PathOutline, AppendsNothingForFewerThanTwoDistinctPoints) {
  RingSet set;
  EXPECT_FALSE(PathToPolygon(MakePath({}, 0, 10), set));
  EXPECT_FALSE(PathToPolygon(MakePath({{4, 4}, {4, 4}, {4, 4}}, 2, 10), set));
  EXPECT_TRUE(set.IsEmpty());
}

TEST(PathOutline, NearReversalMitreOutOfRangeTakesTheOffsetEnd) {
  Ring ring = Outline(MakePath({{0, 0}, {1000000000, 0}, {0, 1}}, 0, 1000));
  ASSERT_EQ(ring.size(), 6u);
  EXPECT_EQ(ring[1], Point(1000000000, -500));
  // Anything at the ends of the range still gives 2n vertices, without overflow.
  std::mt19937 rng(9);
  std::uniform_int_distribution<int32_t> coord(INT32_MIN, INT32_MAX);
  for (int i = 0; i < 2000; ++i) {
    std::vector<Point> points(2 + i % 4);
    for (Point& p : points) p = Point(coord(rng), coord(rng));
    EXPECT_EQ(Outline(MakePath(points, int16_t(i % 4), coord(rng), coord(rng), coord(rng))).size(), 2 * points.size());
  }
}

// Random x-monotone Manhattan centre lines: rightward runs alternate with vertical runs up or
// down, and collinear points appear. Mitred right angles add as much outside as they overlap
// inside, so the outline's area is the full width times the lengths plus the extensions.
TEST(PathOutline, ManhattanOutlineAreaFollowsFromTheLengths) {
  std::mt19937 rng(5);
  std::uniform_int_distribution<int> length(1, 200), turns(1, 12), coin(0, 3);
  std::uniform_int_distribution<int> widthPick(1, 60);
  for (int i = 0; i < 500; ++i) {
    int32_t width = widthPick(rng);
    int64_t half = width >> 1;
    std::vector<Point> points = {{-1000, 500}};
    int64_t total = 0;
    for (int k = 0, n = turns(rng); k < n; ++k) {
      Point p = points.back();
      int run = int(2 * half) + length(rng);
      if (coin(rng) == 0) points.emplace_back(p.x + run / 2, p.y);  // a collinear point
      points.emplace_back(p.x + run, p.y);
      total += run;
      if (k + 1 == n) break;
      int rise = length(rng) * (coin(rng) < 2 ? 1 : -1);
      points.emplace_back(p.x + run, p.y + rise);
      total += std::abs(rise);
    }
    int16_t type = int16_t(i % 4);
    PathShape path = MakePath(points, type, width, 13, 29);
    int64_t extensions = type == 0 ? 0 : (type == 3 ? 13 + 29 : 2 * half);
    Ring ring = Outline(path);
    EXPECT_EQ(ring.size(), 2 * points.size());
    EXPECT_EQ(TwiceSignedArea(ring), __int128(2) * (2 * half) * (total + extensions)) << i;
  }
}

// The readers store a straight path along an axis without building its outline: the rectangle
// must be that outline; other paths are left to the outline.
TEST(PathOutline, RectangleIsTheOutlineWhereTheOutlineIsOne) {
  std::mt19937 rng(29);
  const int32_t coordinates[] = {INT32_MIN, -1000, 0, 7, 1000, INT32_MAX};
  const int32_t lengths[] = {-300, -1, 0, 1, 300};
  int rectangles = 0;
  for (int round = 0; round < 4000; ++round) {
    Point p(coordinates[rng() % 6], coordinates[rng() % 6]);
    int64_t length = lengths[rng() % 5];
    // A diagonal, a vertical or a horizontal step, cut at the coordinate range.
    int64_t dx = rng() % 3 == 0 ? 5 : 0, dy = length;
    if (dx == 0 && rng() % 2) std::swap(dx, dy);
    Point q(int32_t(std::clamp<int64_t>(p.x + dx, INT32_MIN, INT32_MAX)),
            int32_t(std::clamp<int64_t>(p.y + dy, INT32_MIN, INT32_MAX)));
    std::vector<Point> points = {p, q};
    if (rng() % 4 == 0) points.push_back(q);
    PathShape path =
        MakePath(points, int16_t(rng() % 4), int32_t(rng() % 5) - 1, lengths[rng() % 5], lengths[rng() % 5]);
    Box rectangle;
    if (!PathRectangle(path, rectangle)) continue;
    ++rectangles;
    // The outline, cleaned as the readers clean it, is four corners that go round that box.
    RingSet set;
    ASSERT_TRUE(PathToPolygon(path, set));
    set.SetRingCount(1);
    set.RemoveCollinearVertices(0);
    Ring ring = set.IsEmpty() ? Ring() : RingFrom(set.Head());
    ASSERT_EQ(ring.size(), 4u) << round;
    EXPECT_NE(TwiceSignedArea(ring), 0) << round;
    for (size_t i = 0; i < 4; ++i) {
      EXPECT_TRUE(ring[i].x == ring[(i + 1) % 4].x || ring[i].y == ring[(i + 1) % 4].y) << round;
    }
    EXPECT_EQ(rectangle, set.GetBoundingBox()) << round;
  }
  EXPECT_GT(rectangles, 500);
}

}  // namespace
