#include <gtest/gtest.h>

#include "db/error.h"
#include "tests/db/poly/boolean_test_support.h"

namespace {

using namespace boolean_test;

// Closed axis-parallel walks through random points: they cross, touch and overlap themselves.
Ring RandomWalk(std::mt19937& rng, int grid) {
  std::vector<Point> corners(2 + rng() % 5);
  for (Point& p : corners) p = Point(int(rng() % (grid + 1)), int(rng() % (grid + 1)));
  Ring ring;
  for (size_t i = 0; i < corners.size(); ++i) {
    ring.push_back(corners[i]);
    ring.push_back(Point(corners[(i + 1) % corners.size()].x, corners[i].y));
  }
  return ring;
}

bool OnSegment(const Point& a, const Point& b, const Point& p) {
  return Turn(a, b, p) == 0 && std::min(a.x, b.x) <= p.x && p.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= p.y &&
         p.y <= std::max(a.y, b.y);
}

bool SegmentsMeet(const Point& a, const Point& b, const Point& c, const Point& d) {
  __int128 o1 = Turn(a, b, c), o2 = Turn(a, b, d), o3 = Turn(c, d, a), o4 = Turn(c, d, b);
  if (((o1 > 0 && o2 < 0) || (o1 < 0 && o2 > 0)) && ((o3 > 0 && o4 < 0) || (o3 < 0 && o4 > 0))) return true;
  return OnSegment(a, b, c) || OnSegment(a, b, d) || OnSegment(c, d, a) || OnSegment(c, d, b);
}

// Brute force: two edges of the ring meet anywhere but at the vertex of two neighbours.
bool MeetsItself(Ring ring) {
  ring.erase(std::unique(ring.begin(), ring.end()), ring.end());
  while (ring.size() > 1 && ring.front() == ring.back()) ring.pop_back();
  size_t n = ring.size();
  if (n < 2) return false;
  if (n == 2) return true;
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = i + 1; j < n; ++j) {
      const Point &a = ring[i], &b = ring[(i + 1) % n], &c = ring[j], &d = ring[(j + 1) % n];
      if (j == i + 1 || (i == 0 && j == n - 1)) {
        // Neighbours share one vertex; they meet beyond it only when one folds back onto the other.
        const Point& shared = j == i + 1 ? b : a;
        const Point& p = j == i + 1 ? a : b;
        const Point& q = j == i + 1 ? d : c;
        if (Turn(shared, p, q) == 0 && (int64_t(p.x) - shared.x) * (int64_t(q.x) - shared.x) +
                                               (int64_t(p.y) - shared.y) * (int64_t(q.y) - shared.y) >
                                           0) {
          return true;
        }
      } else if (SegmentsMeet(a, b, c, d)) {
        return true;
      }
    }
  }
  return false;
}

TEST(RingSetHasSelfCrossing, AgreesWithBruteForce) {
  for (unsigned seed = 0; seed < 3000 && !HasFailure(); ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    Ring ring = RandomWalk(rng, 12);
    RingSet set;
    AddRing(set, ring);
    std::vector<Ring> before = ExtractRings(set);
    EXPECT_EQ(set.HasSelfCrossing(), MeetsItself(ring));
    EXPECT_EQ(ExtractRings(set), before);
  }
}

TEST(RingSetSplitSelfCrossing, FigureEightFallsIntoItsTwoLobes) {
  RingSet set;
  AddRing(set, {{0, 0}, {10, 10}, {10, 0}, {0, 10}});
  EXPECT_TRUE(set.HasSelfCrossing());
  set.SplitSelfCrossing();
  std::vector<Ring> rings = ExtractRings(set);
  ASSERT_EQ(rings.size(), 2u);
  EXPECT_EQ(set.RingCount(), 2);
  std::vector<double> areas = {TwiceArea(rings[0]) / 2, TwiceArea(rings[1]) / 2};
  std::sort(areas.begin(), areas.end());
  EXPECT_EQ(areas, (std::vector<double>{-25, 25}));
  EXPECT_FALSE(set.HasSelfCrossing());
}

TEST(RingSetSplitSelfCrossing, KeepsEveryWindingNumberAndLeavesNoCrossing) {
  for (unsigned seed = 100; seed < 1600 && !HasFailure(); ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    Ring ring = RandomWalk(rng, 12);
    RingSet set;
    AddRing(set, ring);
    set.SplitSelfCrossing();
    std::vector<Ring> rings = ExtractRings(set);
    EXPECT_EQ(set.RingCount(), int32_t(rings.size()));
    for (int64_t x = 1; x < 24; x += 2) {
      for (int64_t y = 1; y < 24; y += 2) {
        int got = 0;
        for (const Ring& r : rings) got += Winding(r, x, y, 2);
        EXPECT_EQ(got, Winding(ring, x, y, 2));
      }
    }
    for (const Ring& r : rings) {
      for (size_t i = 0; i < r.size(); ++i) {
        for (size_t j = 0; j < i; ++j) {
          const Point &a = r[i], &b = r[(i + 1) % r.size()], &c = r[j], &d = r[(j + 1) % r.size()];
          __int128 o1 = Turn(a, b, c), o2 = Turn(a, b, d), o3 = Turn(c, d, a), o4 = Turn(c, d, b);
          EXPECT_FALSE(((o1 > 0 && o2 < 0) || (o1 < 0 && o2 > 0)) && ((o3 > 0 && o4 < 0) || (o3 < 0 && o4 > 0)));
        }
      }
    }
  }
}

TEST(RingSetSplitAt, PiecesTileTheShapeAndFitTheStrip) {
  for (unsigned seed = 200; seed < 700 && !HasFailure(); ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    std::vector<Operand> input;
    for (int i = 1 + int(rng() % 4); i > 0; --i) input.push_back(Operand{RandomWalk(rng, 16), false});
    std::vector<Ring> shape = RunOp(input, kBooleanMerge);
    RingSet set;
    for (const Ring& r : shape) AddRing(set, r);
    Box box = set.GetBoundingBox();
    int32_t width = 1 + int32_t(rng() % 6);
    RingSet pieces;
    set.SplitAt(pieces, width);
    EXPECT_EQ(Canonical(ExtractRings(set)), Canonical(shape));
    std::vector<Ring> rings = ExtractRings(pieces);
    bool alongX = box.Width() >= box.Height();
    for (const Ring& r : rings) {
      int lo = INT32_MAX, hi = INT32_MIN;
      for (const Point& p : r) {
        lo = std::min(lo, alongX ? p.x : p.y);
        hi = std::max(hi, alongX ? p.x : p.y);
      }
      EXPECT_LE(hi - lo, width);
    }
    // The pieces cover the shape exactly and do not overlap.
    EXPECT_EQ(Area(rings), Area(shape));
    ExpectMatchesOracle(input, kBooleanMerge,
                        RunOp(
                            [&rings] {
                              std::vector<Operand> all;
                              for (const Ring& r : rings) all.push_back(Operand{r, false});
                              return all;
                            }(),
                            kBooleanMerge),
                        0, 16, 2, 1, 1);
  }
}

TEST(RingSetSplitAt, RefusesAStripBelowOne) {
  RingSet set;
  AddRing(set, {{0, 0}, {10, 0}, {10, 10}, {0, 10}});
  RingSet pieces;
  try {
    set.SplitAt(pieces, 0);
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.Tag(), "DB");
  }
  EXPECT_TRUE(pieces.IsEmpty());
}

}  // namespace
