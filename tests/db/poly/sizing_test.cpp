#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "db/poly/boolean_predicates.h"
#include "db/poly/ring_set.h"
#include "tests/db/poly/ring_test_util.h"

namespace {

using ringtest::AddRing;
using ringtest::ExtractRings;
using ringtest::Ring;
using ringtest::RingFrom;
using ringtest::TwiceSignedArea;

std::vector<Ring> Sized(const Ring& ring, int32_t amount, bool acute) {
  RingSet source, out;
  AddRing(source, ring);
  source.Size(out, amount, acute);
  for (const RingVertex* v = out.Head(); v; v = v->next) EXPECT_EQ(v->flags & 0x0003, 0);
  for (const RingVertex* v = source.Head(); v; v = v->next) EXPECT_EQ(v->flags & 0x0001, 0);
  EXPECT_EQ(uint32_t(out.RingCount()), ExtractRings(out).size());
  return ExtractRings(out);
}

// True when two edges of the rings cross at a point inside both. Rings may touch themselves or
// each other at a vertex: a hole that meets its outline in one point stays part of its ring.
bool EdgesCross(const std::vector<Ring>& rings) {
  std::vector<std::pair<Point, Point>> edges;
  for (const Ring& r : rings) {
    for (size_t i = 0; i < r.size(); ++i) edges.emplace_back(r[i], r[(i + 1) % r.size()]);
  }
  for (size_t i = 0; i < edges.size(); ++i) {
    for (size_t j = i + 1; j < edges.size(); ++j) {
      if (CrossProperly(edges[i].first, edges[i].second, edges[j].first, edges[j].second)) return true;
    }
  }
  return false;
}

// Sizes ring as the sizing command does (size, merge, cut holes open) and checks that the
// result is a clean ring set: no edges cross, every ring counter-clockwise once holes are cut.
void ExpectCleanAfterMerge(const Ring& ring, int32_t amount, bool acute) {
  RingSet source, sized, merged;
  AddRing(source, ring);
  source.Size(sized, amount, acute);
  sized.Boolean(&merged, kBooleanMerge, false);
  EXPECT_FALSE(EdgesCross(ExtractRings(merged))) << amount << " " << acute;
  merged.Boolean(nullptr, kBooleanCutHoles, false);
  for (const Ring& r : ExtractRings(merged)) {
    EXPECT_GE(r.size(), 3u) << amount << " " << acute;
    EXPECT_GT(TwiceSignedArea(r), 0) << amount << " " << acute;
  }
}

// Rotates the ring so that its smallest point (x, then y) comes first.
Ring Canonical(Ring ring) {
  auto less = [](const Point& a, const Point& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); };
  std::rotate(ring.begin(), std::min_element(ring.begin(), ring.end(), less), ring.end());
  return ring;
}

// Winding number of the ring around a point that lies on none of its edges.
int WindingNumber(const Ring& ring, double x, double y) {
  int winding = 0;
  for (size_t i = 0; i < ring.size(); ++i) {
    const Point& a = ring[i];
    const Point& b = ring[(i + 1) % ring.size()];
    if ((a.y <= y) == (b.y <= y)) continue;
    double crossX = a.x + (y - a.y) * (double(b.x) - a.x) / (double(b.y) - a.y);
    if (crossX > x) winding += b.y > a.y ? 1 : -1;
  }
  return winding;
}

const Ring kSquare = {{0, 0}, {100, 0}, {100, 100}, {0, 100}};
const Ring kLShape = {{0, 0}, {100, 0}, {100, 50}, {50, 50}, {50, 100}, {0, 100}};

TEST(Sizing, MovesManhattanEdgesByExactlyTheAmount) {
  struct Case {
    Ring ring;
    int32_t amount;
    Ring expected;
  };
  const Case cases[] = {
      {kSquare, 10, {{-10, -10}, {110, -10}, {110, 110}, {-10, 110}}},
      {kSquare, -10, {{10, 10}, {90, 10}, {90, 90}, {10, 90}}},
      {kLShape, 5, {{-5, -5}, {105, -5}, {105, 55}, {55, 55}, {55, 105}, {-5, 105}}},
      {kLShape, -5, {{5, 5}, {95, 5}, {95, 45}, {45, 45}, {45, 95}, {5, 95}}},
      // A collinear vertex takes the end of the first offset edge and is then cleaned away.
      {{{0, 0}, {50, 0}, {100, 0}, {100, 30}, {0, 30}}, 3, {{-3, -3}, {103, -3}, {103, 33}, {-3, 33}}},
  };
  for (const Case& c : cases) {
    for (bool acute : {false, true}) {
      std::vector<Ring> rings = Sized(c.ring, c.amount, acute);
      ASSERT_EQ(rings.size(), 1u);
      EXPECT_EQ(Canonical(rings[0]), c.expected) << c.amount << " " << acute;
    }
  }
}

TEST(Sizing, ShrinkingPastTheMiddleTurnsTheRingInsideOut) {
  std::vector<Ring> rings = Sized(kSquare, -60, true);
  ASSERT_EQ(rings.size(), 1u);
  EXPECT_EQ(TwiceSignedArea(rings[0]), -2 * 20 * 20);  // clockwise: a merge drops it
  EXPECT_TRUE(Sized(kSquare, -50, true).empty());      // collapses to a point

  // The sizing command merges after sizing: the inside-out square vanishes, the grown one stays.
  for (int32_t amount : {-60, 10}) {
    RingSet source, sized, merged;
    AddRing(source, kSquare);
    source.Size(sized, amount, true);
    sized.Boolean(&merged, kBooleanMerge, false);
    EXPECT_EQ(merged.IsEmpty(), amount < 0) << amount;
  }
  // Shrunk past its arms' width, an L comes out clockwise with most edges flipped; turning it
  // round again would leave a filled ghost.
  for (bool acute : {false, true}) {
    for (const Ring& ring : Sized({{0, 40}, {10, 40}, {20, 40}, {20, 50}, {10, 50}, {10, 70}, {0, 70}}, -11, acute)) {
      EXPECT_LT(TwiceSignedArea(ring), 0);
    }
  }
}

TEST(Sizing, FlippedShortEdgeBecomesTheCrossingOfItsNeighbours) {
  // The flat top of the roof turns round when shrunk by 10; the two roof lines meet instead.
  std::vector<Ring> rings = Sized({{0, 0}, {100, 0}, {100, 50}, {52, 100}, {48, 100}, {0, 50}}, -10, false);
  ASSERT_EQ(rings.size(), 1u);
  ASSERT_EQ(rings[0].size(), 5u);
  // Each roof line moves by the rounded offset (-7, -7) or (7, -7) and crosses the other at x 50.
  EXPECT_EQ(Canonical(rings[0])[3], Point(50, 88));
}

TEST(Sizing, AcuteTipsAreCutAtTheSquare) {
  const Ring thin = {{0, 0}, {1000, 50}, {0, 100}};
  std::vector<Ring> mitred = Sized(thin, 10, false);
  std::vector<Ring> cut = Sized(thin, 10, true);
  ASSERT_EQ(mitred.size(), 1u);
  ASSERT_EQ(cut.size(), 1u);
  Box mitredBox, cutBox;
  for (const Point& p : mitred[0]) mitredBox.Extend(p.x, p.y);
  for (const Point& p : cut[0]) cutBox.Extend(p.x, p.y);
  EXPECT_GT(mitredBox.x2, 1150);
  EXPECT_EQ(cutBox, Box(-10, -10, 1010, 110));
  EXPECT_GT(cut[0].size(), 3u);
  // A sharp notch shrunk: the cut keeps the notch tip within the square instead of a spike
  // through the bottom edge.
  const Ring notch = {{0, 0}, {200, 0}, {200, 100}, {105, 100}, {100, 10}, {95, 100}, {0, 100}};
  for (bool acute : {false, true}) {
    std::vector<Ring> rings = Sized(notch, -5, acute);
    int32_t lowest = INT32_MAX;
    for (const Ring& ring : rings) {
      for (const Point& p : ring) lowest = std::min(lowest, p.y);
    }
    if (acute) {
      EXPECT_EQ(lowest, 5);
    } else {
      EXPECT_LT(lowest, 0);
    }
  }
}

TEST(Sizing, DegenerateRingsDoNotFail) {
  const Ring degenerate[] = {
      {{5, 5}},
      {{0, 0}, {10, 0}},
      {{3, 3}, {3, 3}, {3, 3}},
      {{0, 0}, {10, 0}, {20, 0}},
      {{0, 0}, {10, 0}, {10, 10}, {10, 0}, {20, 0}, {20, 20}, {0, 20}},  // a spike
      {{0, 0}, {10, 0}, {10, 0}, {10, 10}, {0, 10}},                     // a repeated point
      {{INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MIN}, {INT32_MAX, INT32_MAX}, {0, INT32_MAX - 1}},
  };
  for (const Ring& ring : degenerate) {
    for (int32_t amount : {0, 3, -3, INT32_MAX, INT32_MIN}) {
      for (bool acute : {false, true}) {
        Sized(ring, amount, acute);
        ExpectCleanAfterMerge(ring, amount, acute);
      }
    }
  }
  // Random rings of any shape, sharp corners and crossings included.
  std::mt19937 rng(23);
  std::uniform_int_distribution<int32_t> coord(-50, 50), count(3, 12), amount(-30, 30);
  for (int i = 0; i < 3000; ++i) {
    Ring ring(size_t(count(rng)));
    int32_t scale = i % 3 == 0 ? 1 : (i % 3 == 1 ? 1000 : 20000000);
    for (Point& p : ring) p = Point(coord(rng) * scale, coord(rng) * scale);
    int32_t by = amount(rng) * scale;
    Sized(ring, by, i % 2 == 0);
    ExpectCleanAfterMerge(ring, by, i % 2 == 0);
  }
}

// Random x-monotone Manhattan polygons made of columns 10 wide. Grown by d, a Manhattan polygon
// must cover exactly the points within Chebyshev distance d; shrunk by |d|, at least the points
// whose square of half-side |d| lies inside it. Every half-integer point is compared, by the
// winding number of the raw sized rings, so no merge is needed.
TEST(Sizing, ManhattanPolygonsMatchTheSquareDilationOracle) {
  std::mt19937 rng(17);
  std::uniform_int_distribution<int> columnCount(1, 7), level(0, 8), amountPick(-12, 12);
  for (int trial = 0; trial < 300; ++trial) {
    int k = columnCount(rng);
    std::vector<int32_t> lo(k), hi(k);
    for (int i = 0; i < k; ++i) {
      do {
        lo[i] = level(rng);
        hi[i] = level(rng);
      } while (hi[i] <= lo[i] || (i > 0 && std::max(lo[i], lo[i - 1]) >= std::min(hi[i], hi[i - 1])));
    }
    Ring ring;
    for (int i = 0; i < k; ++i) {
      ring.emplace_back(10 * i, 10 * lo[i]);
      ring.emplace_back(10 * i + 10, 10 * lo[i]);
    }
    for (int i = k - 1; i >= 0; --i) {
      ring.emplace_back(10 * i + 10, 10 * hi[i]);
      ring.emplace_back(10 * i, 10 * hi[i]);
    }
    int32_t d = amountPick(rng);
    std::vector<Ring> rings = Sized(ring, d, trial % 2 == 0);
    auto covered = [&](double x, double y) {
      if (d >= 0) {
        for (int i = 0; i < k; ++i) {
          double dx = std::max({0.0, 10.0 * i - x, x - 10.0 * i - 10});
          double dy = std::max({0.0, 10.0 * lo[i] - y, y - 10.0 * hi[i]});
          if (std::max(dx, dy) <= d) return true;
        }
        return false;
      }
      // Every column under the square must hold the square's full height.
      const double e = -d;
      if (x - e < 0 || x + e > 10.0 * k) return false;
      for (int i = 0; i < k; ++i) {
        bool under = 10.0 * i < x + e && 10.0 * i + 10 > x - e;
        if (under && (y - e < 10.0 * lo[i] || y + e > 10.0 * hi[i])) return false;
      }
      return true;
    };
    for (double y = -14.5; y < 95; y += 1) {
      for (double x = -14.5; x < 10.0 * k + 15; x += 1) {
        int winding = 0;
        for (const Ring& r : rings) winding += WindingNumber(r, x, y);
        if (d >= 0) {
          ASSERT_EQ(winding >= 1, covered(x, y)) << "trial " << trial << " d " << d << " at " << x << "," << y;
        } else if (covered(x, y)) {
          ASSERT_GE(winding, 1) << "trial " << trial << " d " << d << " at " << x << "," << y;
        }
      }
    }
  }
}

}  // namespace
