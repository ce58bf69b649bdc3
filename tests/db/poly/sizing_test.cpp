#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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

TEST(Sizing, ShrinkingPastTheMiddleLeavesNothing) {
  EXPECT_TRUE(Sized(kSquare, -60, true).empty());
  EXPECT_TRUE(Sized(kSquare, -50, true).empty());  // collapses to a point
  EXPECT_EQ(Sized(kSquare, 10, true).size(), 1u);
  // Shrunk past its arms' width, an L leaves no ghost either way round.
  for (bool acute : {false, true}) {
    EXPECT_TRUE(Sized({{0, 40}, {10, 40}, {20, 40}, {20, 50}, {10, 50}, {10, 70}, {0, 70}}, -11, acute).empty());
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
  // A sharp notch shrunk: neither the cut nor the mitre of the notch tip reaches through the
  // bottom edge, which moves up by 5.
  const Ring notch = {{0, 0}, {200, 0}, {200, 100}, {105, 100}, {100, 10}, {95, 100}, {0, 100}};
  for (bool acute : {false, true}) {
    std::vector<Ring> rings = Sized(notch, -5, acute);
    int32_t lowest = INT32_MAX;
    for (const Ring& ring : rings) {
      for (const Point& p : ring) lowest = std::min(lowest, p.y);
    }
    EXPECT_EQ(lowest, 5) << acute;
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

// Distance from (x, y) to the segment a-b.
double DistanceToSegment(double x, double y, const Point& a, const Point& b) {
  double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
  double t = std::clamp(((x - a.x) * dx + (y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
  return std::hypot(x - a.x - t * dx, y - a.y - t * dy);
}

double DistanceToRing(const Ring& ring, double x, double y) {
  double nearest = INFINITY;
  for (size_t i = 0; i < ring.size(); ++i) {
    nearest = std::min(nearest, DistanceToSegment(x, y, ring[i], ring[(i + 1) % ring.size()]));
  }
  return nearest;
}

// Sizes a simple ring as the Sizing command does and compares it with the distance oracle at
// sample points off the grid: every point must be covered once or not at all; a grown outline
// covers what lies within d of the ring and nothing beyond d * sqrt(2) (the mitre and the square
// cut reach that far); a shrunk one covers only points of the ring at least |d| from its edges,
// and every point of it beyond |d| * sqrt(2). Each bound is widened by 1.5 for the rounding of
// the moved edges and of their crossings, each up to half a unit on both axes. No two edges may
// cross.
void ExpectSizedAsTheDistanceOracle(const Ring& ring, int32_t d) {
  RingSet source;
  AddRing(source, ring);
  const std::vector<Ring> result = ExtractRings(SizedOutline(source, d));
  EXPECT_FALSE(EdgesCross(result)) << d;
  const double near = std::abs(d) - 1.5, far = std::abs(d) * std::sqrt(2.0) + 1.5;
  Box box;
  for (const Point& p : ring) box.Extend(p.x, p.y);
  for (double y = box.y1 - 2 * std::abs(d) + 0.3183; y < box.y2 + 2 * std::abs(d); y += 1) {
    for (double x = box.x1 - 2 * std::abs(d) + 0.5772; x < box.x2 + 2 * std::abs(d); x += 1) {
      int winding = 0;
      for (const Ring& r : result) winding += WindingNumber(r, x, y);
      ASSERT_TRUE(winding == 0 || winding == 1) << d << " at " << x << "," << y;
      const bool inside = WindingNumber(ring, x, y) != 0;
      const double distance = DistanceToRing(ring, x, y);
      const bool shouldCover = d > 0 ? inside || distance < near : inside && distance > far;
      const bool mayCover = d > 0 ? inside || distance < far : inside && distance > near;
      if (shouldCover) {
        EXPECT_EQ(winding, 1) << d << " at " << x << "," << y;
      } else if (!mayCover) {
        EXPECT_EQ(winding, 0) << d << " at " << x << "," << y;
      }
    }
  }
}

// A convex quadrilateral whose shrunk outline kept a triangle 2.5 units from an edge, and a
// ragged polygon that kept two pieces 0.7 units from its edges when shrunk and folded back over
// itself when grown.
const Ring kThinQuadrilateral = {{-80, 62}, {-44, 43}, {-64, 67}, {-76, 64}};
const Ring kRaggedPolygon = {{44, 57}, {63, 56}, {53, 55}, {66, 35}, {69, 40}, {69, 46}, {71, 38}, {76, 46},
                             {74, 46}, {78, 50}, {79, 49}, {95, 49}, {79, 56}, {83, 62}, {69, 64}};

TEST(SizedOutline, ShrinkingKeepsNothingNearerTheEdgesThanTheAmount) {
  ExpectSizedAsTheDistanceOracle(kThinQuadrilateral, -8);
  ExpectSizedAsTheDistanceOracle(kRaggedPolygon, -9);
}

TEST(SizedOutline, GrowingGivesRingsThatDoNotFoldBack) { ExpectSizedAsTheDistanceOracle(kRaggedPolygon, 9); }

TEST(SizedOutline, SizesEveryLobeOfARingThatCrossesItself) {
  RingSet bowtie;
  AddRing(bowtie, {{0, 0}, {100, 100}, {100, 0}, {0, 100}});
  const std::vector<Ring> rings = ExtractRings(SizedOutline(bowtie, -5));
  ASSERT_EQ(rings.size(), 2u);
  for (const Ring& ring : rings) EXPECT_GT(TwiceSignedArea(ring), 0);
}

// A right-angled concave corner between two edges shorter than the amount, each next to a
// 45-degree corner. Grown by 55, the bands of the two edges and the mitres of their neighbours
// cover the corner; the square that the two moved edges would close reaches beyond them, to
// (46.5, 77.5), 58.7 from the polygon.
TEST(SizedOutline, ConcaveCornerBetweenShortEdgesReachesNoFartherThanTheirBands) {
  RingSet source;
  AddRing(source, {{105, 0}, {105, 27}, {104, 28}, {101, 28}, {100, 27}, {100, 23}, {75, 23}, {69, 17}, {69, 0}});
  int inside = 0, beyond = 0;
  for (const Ring& ring : ExtractRings(SizedOutline(source, 55))) {
    inside += WindingNumber(ring, 46.5, 71.5);
    beyond += WindingNumber(ring, 46.5, 77.5);
  }
  EXPECT_EQ(inside, 1);
  EXPECT_EQ(beyond, 0);
}

// Star-shaped polygons with sharp and shallow corners of every kind, grown and shrunk.
TEST(SizedOutline, RandomPolygonsMatchTheDistanceOracle) {
  std::mt19937 rng(31);
  std::uniform_int_distribution<int> count(3, 14), radius(5, 60), amount(-12, 12);
  for (int trial = 0; trial < 60; ++trial) {
    Ring ring(size_t(count(rng)));
    for (size_t i = 0; i < ring.size(); ++i) {
      const double angle = 2 * M_PI * (i + std::uniform_real_distribution<double>(0, 0.9)(rng)) / ring.size();
      const int r = radius(rng);
      ring[i] = Point(int32_t(std::lround(r * std::cos(angle))), int32_t(std::lround(r * std::sin(angle))));
    }
    ExpectSizedAsTheDistanceOracle(ring, amount(rng));
    if (HasFailure()) {
      std::string points;
      for (const Point& p : ring) points += " " + std::to_string(p.x) + "," + std::to_string(p.y);
      FAIL() << "trial " << trial << ":" << points;
    }
  }
}

}  // namespace
