#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "db/poly/ring_set.h"
#include "tests/db/poly/ring_test_util.h"

namespace {

using ringtest::AddRing;
using ringtest::ExtractRings;
using ringtest::IsCollinearTriple;
using ringtest::Ring;
using ringtest::TwiceSignedArea;

// Sutherland-Hodgman against one side of the box: keeps the points where
// inward * (coordinate - pos) >= 0. Crossings of Manhattan and 45-degree edges with axis lines
// are whole numbers, so the division is exact here (checked).
std::vector<Point> ClipHalfPlane(const std::vector<Point>& in, bool onX, int32_t pos, int inward) {
  auto across = [&](const Point& p) { return int64_t(onX ? p.x : p.y); };
  auto keeps = [&](const Point& p) { return (across(p) - pos) * inward >= 0; };
  auto cross = [&](const Point& p, const Point& q) {
    int64_t pa = onX ? p.y : p.x, qa = onX ? q.y : q.x;
    __int128 num = __int128(pos - across(p)) * (qa - pa);
    __int128 den = across(q) - across(p);
    EXPECT_TRUE(num % den == 0);
    int32_t along = int32_t(pa + int64_t(num / den));
    return onX ? Point(pos, along) : Point(along, pos);
  };
  std::vector<Point> out;
  for (size_t i = 0; i < in.size(); ++i) {
    const Point& prev = in[(i + in.size() - 1) % in.size()];
    const Point& cur = in[i];
    if (keeps(cur)) {
      if (!keeps(prev)) out.push_back(cross(prev, cur));
      out.push_back(cur);
    } else if (keeps(prev)) {
      out.push_back(cross(prev, cur));
    }
  }
  return out;
}

__int128 OracleTwiceArea(const Ring& ring, const Box& box) {
  std::vector<Point> p = ring;
  p = ClipHalfPlane(p, true, box.x1, 1);
  p = ClipHalfPlane(p, true, box.x2, -1);
  p = ClipHalfPlane(p, false, box.y1, 1);
  p = ClipHalfPlane(p, false, box.y2, -1);
  return p.empty() ? 0 : TwiceSignedArea(p);
}

// A chain over the stops, left to right, whose value stays within [lo, hi]: runs that are
// horizontal (or, octilinear, at 45 degrees), with vertical jumps at the stops.
Ring RandomChain(std::mt19937& rng, const std::vector<int32_t>& stops, int32_t lo, int32_t hi, bool octilinear) {
  std::uniform_int_distribution<int32_t> value(lo, hi);
  int32_t v = value(rng);
  Ring chain{{stops[0], v}};
  for (size_t i = 1; i < stops.size(); ++i) {
    int32_t run = stops[i] - stops[i - 1];
    int32_t slope = octilinear ? int32_t(rng() % 3) - 1 : 0;
    if (v + slope * run < lo || v + slope * run > hi) slope = 0;
    v += slope * run;
    chain.emplace_back(stops[i], v);
    if (i + 1 < stops.size() && (!octilinear || rng() % 2)) {
      int32_t jump = value(rng);
      if (jump == v) jump = jump == hi ? lo : jump + 1;
      v = jump;
      chain.emplace_back(stops[i], v);
    }
  }
  return chain;
}

// An x-monotone counter-clockwise ring: a bottom chain below y = 0 and a top chain above it.
Ring RandomMonotoneRing(std::mt19937& rng, bool octilinear) {
  std::vector<int32_t> stops{0};
  int count = 4 + int(rng() % 24);
  for (int i = 0; i < count; ++i) stops.push_back(stops.back() + 5 + int32_t(rng() % 60));
  Ring bottom = RandomChain(rng, stops, -300, -1, octilinear);
  Ring top = RandomChain(rng, stops, 1, 300, octilinear);
  Ring ring = bottom;
  ring.insert(ring.end(), top.rbegin(), top.rend());
  return ring;
}

// The box spans most of the ring's width, so that the chains leave and re-enter it often. Half
// of the boxes lie above y = 0, where they cut only the teeth of the top chain, which meet
// again outside the box.
Box RandomBoxAcross(std::mt19937& rng, const Ring& ring) {
  Box bounds;
  for (const Point& p : ring) bounds.Extend(p.x, p.y);
  if (rng() % 2) bounds.y1 = 1;
  auto pick = [&](int32_t lo, int32_t hi) { return lo + int32_t(rng() % uint32_t(hi - lo + 1)); };
  int32_t third = int32_t(bounds.Width() / 3);
  int32_t y1 = pick(bounds.y1 - 5, bounds.y2 - 1);
  return Box(pick(bounds.x1 - 5, bounds.x1 + third), y1, pick(bounds.x2 - third, bounds.x2 + 5),
             pick(y1 + 1, bounds.y2 + 5));
}

// Turns ring and box counter-clockwise by 90 degrees, turns times.
void Turn(Ring& ring, Box& box, int turns) {
  for (int t = 0; t < turns; ++t) {
    for (Point& p : ring) p = Point(-p.y, p.x);
    box = Box(-box.y2, box.x1, -box.y1, box.x2);
  }
}

// Edges of one ring that lie on a box line must not overlap: the ring runs along it once.
bool RunsAlongBoxLineTwice(const Ring& ring, const Box& box) {
  for (int side = 0; side < 4; ++side) {
    bool onX = side < 2;
    int32_t pos = side == 0 ? box.x1 : side == 1 ? box.x2 : side == 2 ? box.y1 : box.y2;
    std::vector<std::pair<int32_t, int32_t>> spans;
    for (size_t i = 0; i < ring.size(); ++i) {
      const Point& a = ring[i];
      const Point& b = ring[(i + 1) % ring.size()];
      if (onX && a.x == pos && b.x == pos) spans.emplace_back(std::min(a.y, b.y), std::max(a.y, b.y));
      if (!onX && a.y == pos && b.y == pos) spans.emplace_back(std::min(a.x, b.x), std::max(a.x, b.x));
    }
    std::sort(spans.begin(), spans.end());
    for (size_t i = 1; i < spans.size(); ++i) {
      if (spans[i].first < spans[i - 1].second) return true;
    }
  }
  return false;
}

void ExpectCleanClip(const RingSet& set, const Box& box, __int128 oracle, bool relink, int seed) {
  std::vector<Ring> rings = ExtractRings(set);
  __int128 total = 0;
  EXPECT_EQ(set.RingCount(), int32_t(rings.size())) << "seed " << seed;
  EXPECT_EQ(set.VertexCount(), ringtest::ChainLength(set)) << "seed " << seed;
  for (const Ring& ring : rings) {
    __int128 area = TwiceSignedArea(ring);
    total += area;
    EXPECT_TRUE(area > 0) << "seed " << seed << " ring is not counter-clockwise";
    ASSERT_GE(ring.size(), 3u);
    for (size_t i = 0; i < ring.size(); ++i) {
      EXPECT_TRUE(box.Contains(ring[i].x, ring[i].y)) << "seed " << seed;
      EXPECT_FALSE(IsCollinearTriple(ring[(i + ring.size() - 1) % ring.size()], ring[i], ring[(i + 1) % ring.size()]))
          << "seed " << seed;
    }
    if (relink) {
      EXPECT_FALSE(RunsAlongBoxLineTwice(ring, box)) << "seed " << seed;
    }
  }
  EXPECT_TRUE(total == oracle) << "seed " << seed << ": " << int64_t(total) << " != " << int64_t(oracle);
}

TEST(ClipToBox, RandomManhattanAndOctilinearRingsMatchTheAreaOracle) {
  const int kSeeds = 400;
  int doubled = 0;
  for (int seed = 0; seed < kSeeds; ++seed) {
    std::mt19937 rng(seed);
    Ring ring = RandomMonotoneRing(rng, seed % 2 == 1);
    Box box = RandomBoxAcross(rng, ring);
    Turn(ring, box, seed / 2 % 4);
    __int128 oracle = OracleTwiceArea(ring, box);
    for (bool relink : {false, true}) {
      RingSet set;
      AddRing(set, ring);
      set.ClipToBox(box, relink);
      ExpectCleanClip(set, box, oracle, relink, seed);
      if (!relink) {
        for (const Ring& r : ExtractRings(set)) doubled += RunsAlongBoxLineTwice(r, box) ? 1 : 0;
      }
    }
  }
  // Without relinking, rings ran back along a box line in a good share of the cases.
  EXPECT_GT(doubled, kSeeds / 4);
}

TEST(ClipToBox, RelinkSeparatesPartsJoinedAroundABoxCorner) {
  // A hook around the lower left corner of the box: the part [50, 70] x [0, 40] and the part
  // [0, 20] x [30, 50] meet outside, and the ring passes the corner twice once clipped.
  const Ring hook{{-20, -20}, {70, -20}, {70, 40}, {50, 40}, {50, -10},
                  {-10, -10}, {-10, 30}, {20, 30}, {20, 50}, {-20, 50}};
  for (int turns = 0; turns < 4; ++turns) {
    // Every starting vertex, so that the two corner vertices meet the sort in both orders.
    for (size_t start = 0; start < hook.size(); ++start) {
      Ring ring(hook.begin() + start, hook.end());
      ring.insert(ring.end(), hook.begin(), hook.begin() + start);
      Box box(0, 0, 100, 100);
      Turn(ring, box, turns);
      RingSet set;
      AddRing(set, ring);
      set.ClipToBox(box, true);
      std::vector<int64_t> areas;
      for (const Ring& r : ExtractRings(set)) {
        EXPECT_EQ(r.size(), 4u) << "turns " << turns << " start " << start;
        areas.push_back(int64_t(TwiceSignedArea(r)));
      }
      std::sort(areas.begin(), areas.end());
      EXPECT_EQ(areas, (std::vector<int64_t>{800, 1600})) << "turns " << turns << " start " << start;
    }
  }
}

TEST(ClipToBox, WholeInsideOutsideAndAcross) {
  const Box box(0, 0, 100, 100);
  struct Case {
    const char* what;
    Ring ring;
    std::vector<Ring> expected;  // each from its lowest-left vertex
  } const cases[] = {
      {"inside", {{10, 10}, {30, 10}, {30, 20}, {10, 20}}, {{{10, 10}, {30, 10}, {30, 20}, {10, 20}}}},
      {"on the box", {{0, 0}, {100, 0}, {100, 100}, {0, 100}}, {{{0, 0}, {100, 0}, {100, 100}, {0, 100}}}},
      {"across the right side",
       {{90, 10}, {130, 10}, {130, 20}, {90, 20}},
       {{{90, 10}, {100, 10}, {100, 20}, {90, 20}}}},
      {"outside", {{110, 10}, {130, 10}, {130, 20}, {110, 20}}, {}},
      {"outside a corner", {{-30, -30}, {-10, -30}, {-10, -10}, {-30, -10}}, {}},
      {"around the box", {{-10, -10}, {110, -10}, {110, 110}, {-10, 110}}, {{{0, 0}, {100, 0}, {100, 100}, {0, 100}}}},
      {"a diagonal across a corner",
       {{-20, 50}, {50, -20}, {50, 50}},
       {{{0, 30}, {30, 0}, {50, 0}, {50, 50}, {0, 50}}}},
  };
  for (const Case& c : cases) {
    for (bool relink : {false, true}) {
      RingSet set;
      AddRing(set, c.ring);
      set.ClipToBox(box, relink);
      std::vector<Ring> rings;
      for (const Ring& r : ExtractRings(set)) {
        RingSet one;
        rings.push_back(ringtest::RingFrom(FindLowestLeftVertex(AddRing(one, r))));
      }
      EXPECT_EQ(rings, c.expected) << c.what;
      EXPECT_EQ(set.RingCount(), int32_t(c.expected.size())) << c.what;
    }
  }
}

TEST(ClipToBox, CrossingsAreExactAtCoordinateExtremes) {
  RingSet set;
  AddRing(set, {{INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MIN}, {INT32_MIN, INT32_MAX}});
  set.ClipToBox(Box(-10, -10, 10, 10), true);
  ASSERT_EQ(set.RingCount(), 1);
  EXPECT_EQ(ringtest::RingFrom(FindLowestLeftVertex(set.Head())), (Ring{{-10, -10}, {9, -10}, {-10, 9}}));
}

TEST(ClipToBox, BoxWithoutAreaKeepsNothing) {
  RingSet set;
  set.AddRectangle(Box(0, 0, 10, 10));
  set.ClipToBox(Box(5, 0, 5, 10), false);
  EXPECT_TRUE(set.IsEmpty());
  EXPECT_EQ(set.RingCount(), 0);
}

}  // namespace
