#include "db/poly/ring_set.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "db/trans.h"
#include "tests/db/poly/ring_test_util.h"

namespace {

using ringtest::AddRing;
using ringtest::ChainLength;
using ringtest::ExtractRings;
using ringtest::IsCollinearTriple;
using ringtest::Ring;
using ringtest::TwiceSignedArea;

// A point of the triangle below lies one unit of twice-area off the line through the other two;
// in double precision the cross product of these 32-bit differences comes out as 0.
const Point kFarA(INT32_MIN, INT32_MIN);
const Point kFarB(-1, -2);
const Point kFarC(2147483645, 2147483643);

// A random star-shaped ring around the origin: angles sorted, radii random.
Ring RandomStarRing(std::mt19937& rng, int n) {
  std::uniform_real_distribution<double> angle(0.0, 2 * M_PI);
  std::uniform_int_distribution<int> radius(10, 100000);
  std::vector<double> angles(n);
  for (double& a : angles) a = angle(rng);
  std::sort(angles.begin(), angles.end());
  Ring ring;
  for (double a : angles) {
    int r = radius(rng);
    ring.emplace_back(int32_t(std::lround(r * std::cos(a))), int32_t(std::lround(r * std::sin(a))));
  }
  return ring;
}

TEST(RingSet, AddRectangleLinksCounterClockwiseAndPushesAtFront) {
  RingSet set;
  set.AddRectangle(Box(0, 0, 10, 5), true);
  EXPECT_EQ(set.RingCount(), 1);
  EXPECT_EQ(set.VertexCount(), 4u);
  Ring chain;
  for (const RingVertex* v = set.Head(); v; v = v->next) {
    chain.emplace_back(v->x, v->y);
    EXPECT_EQ(v->flags, kVertexOperandB);
  }
  EXPECT_EQ(chain, (Ring{{0, 5}, {10, 5}, {10, 0}, {0, 0}}));
  EXPECT_EQ(ringtest::RingFrom(set.Tail()), (Ring{{0, 0}, {10, 0}, {10, 5}, {0, 5}}));
}

TEST(RingSet, AddRingBuildsWhatVertexByVertexAppendingBuilds) {
  const Ring first = {{0, 0}, {7, 1}, {3, 9}};
  const Ring second = {{-5, -5}, {5, -5}, {5, 5}, {-5, 5}, {-5, 0}};
  for (const Ring& one : {Ring{{4, 4}}, first}) {
    RingSet expected, built;
    AddRing(expected, one);
    AddRing(expected, second);
    built.AddRing(one.data(), uint32_t(one.size()));
    built.AddRing(second.data(), uint32_t(second.size()));
    built.AddRing(second.data(), 0);
    EXPECT_EQ(built.VertexCount(), expected.VertexCount());
    EXPECT_EQ(built.RingCount(), 2);
    EXPECT_EQ(ChainLength(built), expected.VertexCount());
    EXPECT_EQ(ExtractRings(built), ExtractRings(expected));
    // Same chain order, the same tail, ring links both ways and no flags.
    for (const RingVertex *v = built.Head(), *w = expected.Head(); v || w; v = v->next, w = w->next) {
      ASSERT_TRUE(v && w);
      EXPECT_EQ(Point(v->x, v->y), Point(w->x, w->y));
      EXPECT_EQ(v->ringNext->ringPrev, v);
      EXPECT_EQ(v->flags, 0);
    }
    EXPECT_EQ(Point(built.Tail()->x, built.Tail()->y), one.front());
    EXPECT_EQ(built.Tail()->next, nullptr);
  }
}

TEST(RingSet, ChainPrimitivesKeepHeadTailAndCountAtTheEnds) {
  RingSet set;
  EXPECT_EQ(set.PopFront(), nullptr);  // empty: nothing to free
  set.Clear();
  RingVertex* a = set.InsertAfter(nullptr, Point(1, 1));
  RingVertex* c = set.PushBack(Point(3, 3));
  set.InsertAfter(a, Point(2, 2));
  set.InsertAfter(c, Point(4, 4));
  EXPECT_EQ(set.RemoveAfter(set.Tail()), nullptr);  // nothing behind the tail
  EXPECT_EQ(set.RemoveAfter(c), nullptr);
  EXPECT_EQ(set.Tail(), c);
  EXPECT_EQ(set.PopFront()->x, 2);
  RingSet other;
  other.AddRectangle(Box(0, 0, 1, 1));
  set.Append(other);
  EXPECT_TRUE(other.IsEmpty());
  EXPECT_EQ(set.VertexCount(), 6u);
  EXPECT_EQ(ChainLength(set), 6u);
  EXPECT_EQ(set.Tail()->next, nullptr);
}

TEST(RingSet, NormalizeOrientationKeepsAreaAndMakesEveryRingCounterClockwise) {
  std::mt19937 rng(120);
  for (int round = 0; round < 50; ++round) {
    RingSet set;
    std::vector<__int128> areas;
    int rings = 1 + round % 7;
    for (int i = 0; i < rings; ++i) {
      Ring ring = RandomStarRing(rng, 3 + int(rng() % 30));
      if (rng() % 2) std::reverse(ring.begin(), ring.end());
      areas.push_back(TwiceSignedArea(ring));
      AddRing(set, ring);
    }
    set.SetRingCount(0);
    set.NormalizeOrientation();
    EXPECT_EQ(set.RingCount(), rings);
    std::vector<Ring> out = ExtractRings(set);
    ASSERT_EQ(out.size(), areas.size());
    // Rings come back in reverse order: each was pushed at the front.
    for (size_t i = 0; i < out.size(); ++i) {
      __int128 before = areas[areas.size() - 1 - i];
      __int128 after = TwiceSignedArea(out[i]);
      EXPECT_TRUE(after >= 0 && after == (before < 0 ? -before : before)) << "round " << round << " ring " << i;
    }
    for (const RingVertex* v = set.Head(); v; v = v->next) ASSERT_EQ(v->flags & kVertexVisited, 0);
  }
}

TEST(RingSet, NormalizeOrientationIsExactAtCoordinateExtremes) {
  RingSet set;
  AddRing(set, {kFarA, kFarB, kFarC});  // clockwise by one unit
  AddRing(set, {{INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MIN}, {INT32_MAX, INT32_MAX}, {INT32_MIN, INT32_MAX}});
  set.NormalizeOrientation();
  for (const Ring& ring : ExtractRings(set)) EXPECT_TRUE(TwiceSignedArea(ring) > 0);
}

// The set's rings after cleanup: at least three vertices each, no vertex on the line through
// its neighbours, and the counts right.
void ExpectClean(const RingSet& set) {
  std::vector<Ring> rings = ExtractRings(set);
  EXPECT_EQ(set.RingCount(), int32_t(rings.size()));
  EXPECT_EQ(set.VertexCount(), ChainLength(set));
  for (const Ring& ring : rings) {
    ASSERT_GE(ring.size(), 3u);
    for (size_t i = 0; i < ring.size(); ++i) {
      const Point& prev = ring[(i + ring.size() - 1) % ring.size()];
      const Point& next = ring[(i + 1) % ring.size()];
      EXPECT_FALSE(IsCollinearTriple(prev, ring[i], next)) << ring[i].x << "," << ring[i].y;
    }
  }
}

__int128 TotalArea(const RingSet& set) {
  __int128 sum = 0;
  for (const Ring& ring : ExtractRings(set)) sum += TwiceSignedArea(ring);
  return sum;
}

// A random rectilinear staircase ring, counter-clockwise, before any noise is injected.
Ring RandomStaircase(std::mt19937& rng, int32_t origin) {
  int steps = 2 + int(rng() % 6);
  Ring ring{{origin, origin}};
  int32_t x = origin, y = origin;
  for (int i = 0; i < steps; ++i) {
    x += 1 + int32_t(rng() % 50);
    ring.emplace_back(x, y);
    y += 1 + int32_t(rng() % 50);
    ring.emplace_back(x, y);
  }
  ring.emplace_back(origin, y);
  return ring;
}

// Inserts points on edges (between), repeated points, spikes back along an edge and spikes out
// of an edge and back: none changes the area.
Ring WithNoise(std::mt19937& rng, const Ring& clean) {
  Ring noisy;
  for (size_t i = 0; i < clean.size(); ++i) {
    const Point& a = clean[i];
    const Point& b = clean[(i + 1) % clean.size()];
    noisy.push_back(a);
    int32_t dx = (b.x > a.x) - (b.x < a.x), dy = (b.y > a.y) - (b.y < a.y);
    switch (rng() % 5) {
      case 0: noisy.emplace_back(a.x + dx, a.y + dy); break;
      case 1: noisy.push_back(a); break;
      case 2: noisy.emplace_back(a.x - 7 * dx, a.y - 7 * dy); break;
      case 3:
        noisy.emplace_back(a.x + dx, a.y + dy);
        noisy.emplace_back(a.x + dx + 9 * dy, a.y + dy - 9 * dx);  // a spike sideways
        noisy.emplace_back(a.x + dx, a.y + dy);
        break;
      default: break;
    }
  }
  return noisy;
}

TEST(RingSet, RemoveCollinearVerticesKeepsAreaAndLeavesCleanRings) {
  std::mt19937 rng(4242);
  for (int round = 0; round < 200; ++round) {
    RingSet set;
    for (int i = 0; i < 3; ++i) AddRing(set, WithNoise(rng, RandomStaircase(rng, 1000 * i)));
    AddRing(set, {{5, 5}, {10, 10}, {20, 20}});  // collapses: all on one line
    AddRing(set, {{1, 1}, {2, 1}});
    AddRing(set, {{3, 3}});
    AddRing(set, {{0, 0}, {10, 0}, {5, 0}, {5, 8}, {5, 0}});  // a spike on a line
    __int128 before = TotalArea(set);
    uint32_t count = set.VertexCount();
    uint32_t removed = set.RemoveCollinearVertices(0);
    EXPECT_EQ(removed, count - set.VertexCount());
    EXPECT_TRUE(TotalArea(set) == before) << "round " << round;
    EXPECT_EQ(set.RingCount(), 3);
    ExpectClean(set);
  }
}

TEST(RingSet, RemoveCollinearVerticesIsExactAtCoordinateExtremes) {
  RingSet set;
  AddRing(set, {kFarA, kFarB, kFarC});
  AddRing(set, {{INT32_MIN, INT32_MIN}, {0, 0}, {INT32_MAX - 1, INT32_MAX - 1}, {INT32_MIN, INT32_MAX}});
  EXPECT_EQ(set.RemoveCollinearVertices(0), 1u);  // only (0, 0) lies on its neighbours' line
  EXPECT_EQ(set.RingCount(), 2);
  EXPECT_EQ(set.VertexCount(), 6u);
}

TEST(RingSet, CleanRingsPassRemoveCollinearVerticesUntouched) {
  struct Case {
    std::vector<Ring> rings;
    uint32_t removed;
  };
  const Ring square = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  const Ring diamond = {{5, 0}, {10, 5}, {5, 10}, {0, 5}};
  for (const Case& c : std::vector<Case>{
           {{square, diamond}, 0},
           {{square, {{0, 0}, {10, 0}, {20, 0}, {20, 10}}}, 1},   // last ring in the chain
           {{{{0, 0}, {10, 0}, {20, 0}, {20, 10}}, diamond}, 1},  // first ring
           {{square, {{0, 0}, {10, 0}, {10, 0}, {10, 10}}}, 1},   // a repeated point
           {{square, {{0, 0}, {10, 0}, {5, 0}, {5, 10}}}, 1},     // a spike back along an edge
           {{diamond, {{1, 1}, {2, 2}}}, 2},                      // a ring of two
       }) {
    RingSet set;
    for (const Ring& ring : c.rings) AddRing(set, ring);
    std::vector<Ring> before = ExtractRings(set);
    RingVertex* head = set.Head();
    EXPECT_EQ(set.RemoveCollinearVertices(0), c.removed) << c.rings.back()[1].x;
    if (c.removed == 0) {
      EXPECT_EQ(set.Head(), head);
      EXPECT_EQ(ExtractRings(set), before);
    }
    ExpectClean(set);
  }
  // A vertex flagged deleted, already bypassed by its ring, is freed even when nothing else is.
  RingSet set;
  AddRing(set, square);
  RingVertex* extra = AddRing(set, {{20, 20}});
  extra->flags |= kVertexDeleted;
  set.SetRingCount(1);
  EXPECT_EQ(set.RemoveCollinearVertices(0), 0u);
  EXPECT_EQ(set.VertexCount(), 4u);
  EXPECT_EQ(ChainLength(set), 4u);
}

TEST(RingSet, ToleranceModeKeepsManhattanJogsAndThinRings) {
  struct Case {
    const char* what;
    Ring ring;
    int32_t tolerance;
    Ring left;  // the ring from its lowest-left vertex after cleanup
  } const cases[] = {
      {"bump one unit off the line",
       {{0, 0}, {50, 1}, {100, 0}, {100, 100}, {0, 100}},
       2,
       {{0, 0}, {100, 0}, {100, 100}, {0, 100}}},
      {"bump beyond tolerance",
       {{0, 0}, {50, 3}, {100, 0}, {100, 100}, {0, 100}},
       2,
       {{0, 0}, {50, 3}, {100, 0}, {100, 100}, {0, 100}}},
      {"manhattan jog of one unit",
       {{0, 0}, {50, 0}, {50, 1}, {100, 1}, {100, 100}, {0, 100}},
       2,
       {{0, 0}, {50, 0}, {50, 1}, {100, 1}, {100, 100}, {0, 100}}},
      {"two bumps in one window",
       {{0, 0}, {30, 1}, {60, 1}, {90, 0}, {90, 90}, {0, 90}},
       2,
       {{0, 0}, {90, 0}, {90, 90}, {0, 90}}},
      {"thin diagonal sliver", {{0, 0}, {100, 100}, {101, 102}}, 2, {{0, 0}, {100, 100}, {101, 102}}},
  };
  for (const Case& c : cases) {
    RingSet set;
    AddRing(set, c.ring);
    set.RemoveCollinearVertices(c.tolerance);
    ASSERT_EQ(set.RingCount(), 1) << c.what;
    EXPECT_EQ(ringtest::RingFrom(FindLowestLeftVertex(set.Head())), c.left) << c.what;
    EXPECT_EQ(set.VertexCount(), ChainLength(set)) << c.what;
  }
}

TEST(RingSet, SortVerticesIsStableWithManyEqualKeys) {
  std::mt19937 rng(7);
  auto byX = [](const RingVertex* a, const RingVertex* b) { return a->x < b->x ? -1 : (a->x > b->x ? 1 : 0); };
  for (int n : {0, 1, 2, 3, 17, 1000, 4099}) {
    RingSet set;
    std::vector<RingVertex*> input;
    for (int i = 0; i < n; ++i) {
      RingVertex* v = set.PushBack(Point(int32_t(rng() % 8), i));  // y tags the input index
      Link(v, v);
      input.push_back(v);
    }
    set.SortVertices(byX);
    EXPECT_TRUE(IsChainSorted(set.Head(), byX));
    uint32_t count = 0;
    const RingVertex* last = nullptr;
    for (const RingVertex* v = set.Head(); v; last = v, v = v->next) {
      ++count;
      if (last && last->x == v->x) {
        EXPECT_LT(last->y, v->y) << "n " << n;
      }
      EXPECT_EQ(v->ringNext, v);
    }
    EXPECT_EQ(count, uint32_t(n));
    EXPECT_EQ(set.Tail(), last);
  }
}

TEST(RingSet, SnapToGridRoundsHalvesUpAndKeepsWhatWouldOverflow) {
  struct Case {
    int32_t step, in, out;
  } const cases[] = {
      {10, 15, 20},
      {10, -15, -10},
      {10, 14, 10},
      {10, 20, 20},
      {10, -16, -20},
      {1, 15, 15},
      {0, 15, 15},
      {-5, 13, 13},
      {10, INT32_MAX, INT32_MAX},
      {10, INT32_MIN, INT32_MIN},
      {2, INT32_MAX, INT32_MAX},
      {7, INT32_MAX, 2147483646},
      {7, INT32_MIN, -2147483646},
      {INT32_MAX, 1073741824, INT32_MAX},
  };
  for (const Case& c : cases) {
    RingSet set;
    AddRing(set, {{c.in, c.in}});
    set.SnapToGrid(c.step);
    EXPECT_EQ(set.Head()->x, c.out) << c.step << " " << c.in;
    EXPECT_EQ(set.Head()->y, c.out) << c.step << " " << c.in;
  }
}

TEST(RingSet, LeftmostVertexIfClockwiseAndCountRings) {
  RingSet set;
  RingVertex* ccw = AddRing(set, {{2, 0}, {4, 0}, {6, 2}, {6, 4}, {4, 6}, {2, 6}, {0, 4}, {0, 2}});
  RingVertex* cw = AddRing(set, {{10, 10}, {10, 20}, {20, 20}, {20, 11}});
  EXPECT_EQ(LeftmostVertexIfClockwise(ccw), nullptr);
  RingVertex* leftmost = LeftmostVertexIfClockwise(cw);
  ASSERT_NE(leftmost, nullptr);
  EXPECT_EQ(Point(leftmost->x, leftmost->y), Point(10, 20));
  set.ClearVertexFlags(kVertexVisited);
  set.SetRingCount(0);
  EXPECT_EQ(set.CountRings(), 8u);
  EXPECT_EQ(set.RingCount(), 2);
  for (const RingVertex* v = set.Head(); v; v = v->next) EXPECT_EQ(v->flags, 0);
}

TEST(RingSet, DistanceToLine) {
  struct Case {
    Segment s;
    Point p;
    double signedDistance;
    int side;
  } const cases[] = {
      {{0, 0, 10, 0}, {5, -3}, 3, 1},  {{10, 0, 0, 0}, {5, -3}, -3, -1}, {{0, 0, 0, 10}, {4, 5}, 4, 1},
      {{0, 10, 0, 0}, {4, 5}, -4, -1}, {{0, 0, 3, 4}, {4, -3}, 5, 1},    {{0, 0, 3, 4}, {-4, 3}, -5, -1},
      {{0, 0, 3, 4}, {6, 8}, 0, 0},    {{7, 7, 7, 7}, {10, 11}, 5, 0},  // a line of no length: distance to its point
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(SignedDistanceToLine(c.s, c.p.x, c.p.y), c.signedDistance);
    EXPECT_EQ(SideOfSegment(c.s, c.p), c.side);
  }
  EXPECT_EQ(RoundedDistanceToLine({1, 1}, {0, 0}, {10, 0}), 1);
  EXPECT_EQ(RoundedDistanceToLine({3, 3}, {0, 0}, {4, 1}), 2);  // 2.18
  EXPECT_EQ(RoundedDistanceToLine({1, 1}, {0, 0}, {2, 1}), 0);  // 0.447
}

TEST(RingSet, TransformMovesEveryVertex) {
  RingSet set;
  set.AddRectangle(Box(0, 0, 10, 5));
  Trans(100, 200, 1.0f, 1).ApplyToPoints(set);  // 90 degrees, then the offset
  EXPECT_EQ(set.GetBoundingBox(), Box(95, 200, 100, 210));
}

TEST(RingSet, VertexPoolStopsGrowingWhenSetsAreClearedAndRebuilt) {
  int64_t plateau = -1;
  for (int round = 0; round < 4; ++round) {
    std::mt19937 rng(99);
    RingSet all;
    for (int i = 0; i < 25000; ++i) {
      RingSet piece;
      piece.AddRectangle(Box(i, 0, i + 10, 10));
      AddRing(piece, WithNoise(rng, RandomStaircase(rng, i)));
      all.Append(piece);
    }
    all.RemoveCollinearVertices(0);
    all.ClipToBox(Box(100, 5, 20000, 40), true);
    RingSet moved;
    moved = std::move(all);
    moved.Clear();
    int64_t last = VertexPool().Allocator().LastIndex();
    if (round > 0) {
      EXPECT_EQ(last, plateau) << "round " << round;
    }
    plateau = last;
  }
}

}  // namespace
