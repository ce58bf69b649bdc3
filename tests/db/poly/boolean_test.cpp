#include "db/poly/boolean.h"

#include <gtest/gtest.h>

#include <sstream>

#include "db/error.h"
#include "db/log.h"
#include "tests/db/poly/boolean_test_support.h"

namespace {

using namespace boolean_test;

Ring Rectangle(int x1, int y1, int x2, int y2) { return {{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}}; }

Ring Reversed(Ring r) {
  std::reverse(r.begin(), r.end());
  return r;
}

// Rectangles (some of zero width), closed axis-parallel walks through random points (which
// may cross themselves and repeat points), and some of them reversed.
Ring RandomManhattanRing(std::mt19937& rng, int grid) {
  auto c = [&rng, grid] { return int(rng() % (grid + 1)); };
  Ring ring;
  if (rng() % 3 != 0) {
    int x1 = c(), x2 = c(), y1 = c(), y2 = c();
    ring = Rectangle(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2));
  } else {
    std::vector<Point> corners(2 + rng() % 4);
    for (Point& p : corners) p = Point(c(), c());
    for (size_t i = 0; i < corners.size(); ++i) {
      ring.push_back(corners[i]);
      ring.push_back(Point(corners[(i + 1) % corners.size()].x, corners[i].y));
    }
  }
  return rng() % 4 == 0 ? Reversed(ring) : ring;
}

std::vector<Operand> RandomManhattanCase(std::mt19937& rng, int grid) {
  std::vector<Operand> input;
  int n = 1 + int(rng() % 5);
  for (int i = 0; i < n; ++i) input.push_back(Operand{RandomManhattanRing(rng, grid), rng() % 2 == 0});
  if (rng() % 4 == 0) input.push_back(input[rng() % input.size()]);
  if (rng() % 4 == 0) {
    // A hole nested in a rectangle of the same operand.
    bool b = rng() % 2 == 0;
    int x = int(rng() % (grid - 4)), y = int(rng() % (grid - 4));
    input.push_back(Operand{Rectangle(x, y, x + 4, y + 4), b});
    input.push_back(Operand{Reversed(Rectangle(x + 1, y + 1, x + 3, y + 2 + int(rng() % 2))), b});
  }
  return input;
}

std::vector<Operand> AsOperand(std::vector<Operand> rings, bool operandB) {
  for (Operand& r : rings) r.operandB = operandB;
  return rings;
}

constexpr int kGrid = 16;
constexpr int kOps[] = {kBooleanMerge, kBooleanMergeNonZero, kBooleanIntersect, kBooleanSubtract};

TEST(RingSetBoolean, ManhattanResultsMatchTheWindingOracle) {
  for (unsigned seed = 0; seed < 2000 && !HasFailure(); ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    std::vector<Operand> input = RandomManhattanCase(rng, kGrid);
    for (int op : kOps) {
      SCOPED_TRACE(op);
      std::vector<Ring> result = RunOp(input, op);
      ExpectMatchesOracle(input, op, result, 0, kGrid, 2, 1, 1);
      ExpectClean(result);
    }
  }
}

TEST(RingSetBoolean, ManhattanAreasKeepTheSetIdentities) {
  for (unsigned seed = 10000; seed < 10400 && !HasFailure(); ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    // Merged operands wind 0 or 1 everywhere, which the identities need.
    std::vector<Operand> a, b;
    for (const Ring& r : RunOp(AsOperand(RandomManhattanCase(rng, kGrid), false), kBooleanMerge))
      a.push_back({r, false});
    for (const Ring& r : RunOp(AsOperand(RandomManhattanCase(rng, kGrid), false), kBooleanMerge))
      b.push_back({r, true});
    std::vector<Operand> both = a;
    both.insert(both.end(), b.begin(), b.end());
    double areaA = Area(RunOp(a, kBooleanMerge));
    double areaB = Area(RunOp(AsOperand(b, false), kBooleanMerge));
    double areaUnion = Area(RunOp(AsOperand(both, false), kBooleanMerge));
    double areaBoth = Area(RunOp(both, kBooleanIntersect));
    double areaDifference = Area(RunOp(both, kBooleanSubtract));
    EXPECT_EQ(areaUnion, areaA + areaB - areaBoth);
    EXPECT_EQ(areaDifference, areaA - areaBoth);
  }
}

TEST(RingSetBoolean, MergeIsIdempotent) {
  for (unsigned seed = 20000; seed < 20400 && !HasFailure(); ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    std::vector<Operand> input = AsOperand(RandomManhattanCase(rng, kGrid), false);
    std::vector<Ring> once = RunOp(input, kBooleanMerge);
    std::vector<Operand> again;
    for (const Ring& r : once) again.push_back(Operand{r, false});
    EXPECT_EQ(Canonical(RunOp(again, kBooleanMerge)), Canonical(once));
  }
}

TEST(RingSetBoolean, CuttingHolesLeavesNoClockwiseRingAndKeepsTheArea) {
  for (unsigned seed = 30000; seed < 30600 && !HasFailure(); ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    std::vector<Operand> input = AsOperand(RandomManhattanCase(rng, kGrid), false);
    RingSet set;
    AddAll(set, input);
    RingSet merged;
    set.Boolean(&merged, kBooleanMerge, false);
    double area = Area(ExtractRings(merged));
    merged.Boolean(nullptr, kBooleanCutHoles, false);
    std::vector<Ring> cut = ExtractRings(merged);
    for (const Ring& r : cut) EXPECT_GT(TwiceArea(r), 0);
    EXPECT_EQ(Area(cut), area);
    EXPECT_EQ(merged.RingCount(), int32_t(cut.size()));
    ExpectMatchesOracle(input, kBooleanMerge, cut, 0, kGrid, 2, 1, 1);
    ExpectClean(cut, true);
  }
}

// Octilinear rings through even points: every crossing lies on the grid, so the result is
// exact, and sample points at (x + 1/4, y + 1/2) lie on no edge.
Ring RandomOctilinearRing(std::mt19937& rng, int grid, int step) {
  std::vector<Point> corners(2 + rng() % 4);
  for (Point& p : corners) p = Point(int(rng() % (grid / step + 1)) * step, int(rng() % (grid / step + 1)) * step);
  Ring ring;
  for (size_t i = 0; i < corners.size(); ++i) {
    const Point& a = corners[i];
    const Point& b = corners[(i + 1) % corners.size()];
    int dx = b.x - a.x, dy = b.y - a.y;
    int diagonal = std::min(std::abs(dx), std::abs(dy));
    ring.push_back(a);
    ring.push_back(Point(a.x + (dx > 0 ? diagonal : -diagonal), a.y + (dy > 0 ? diagonal : -diagonal)));
  }
  return ring;
}

TEST(RingSetBoolean, OctilinearResultsOnEvenPointsAreExact) {
  for (unsigned seed = 40000; seed < 40500 && !HasFailure(); ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    std::vector<Operand> input;
    for (int i = 1 + int(rng() % 4); i > 0; --i)
      input.push_back(Operand{RandomOctilinearRing(rng, 24, 2), rng() % 2 == 0});
    for (int op : kOps) {
      std::vector<Ring> result = RunOp(input, op);
      ExpectMatchesOracle(input, op, result, 0, 24, 4, 1, 2);
      ExpectClean(result);
    }
  }
}

// Areas of the three operations' regions, sampled at 4 x 4 points per unit square.
std::vector<double> SampledAreas(const std::vector<Operand>& input, int lo, int hi) {
  std::vector<double> areas(std::size(kOps), 0.0);
  for (int64_t x = lo * 8 + 1; x < hi * 8; x += 2) {
    for (int64_t y = lo * 8 + 1; y < hi * 8; y += 2) {
      int windA = 0, windB = 0;
      for (const Operand& r : input) (r.operandB ? windB : windA) += Winding(r.ring, x, y, 8);
      for (size_t i = 0; i < areas.size(); ++i) areas[i] += InsideFor(kOps[i], windA, windB) ? 1.0 / 16 : 0.0;
    }
  }
  return areas;
}

// Rounding moves an edge by less than a unit near each rounded crossing.
void ExpectNearOracle(const std::vector<Operand>& input, int lo, int hi) {
  std::vector<Ring> rings;
  for (const Operand& r : input) rings.push_back(r.ring);
  double tolerance = Perimeter(rings) / 2 + 1;
  std::vector<double> areas = SampledAreas(input, lo, hi);
  for (size_t i = 0; i < areas.size(); ++i) {
    SCOPED_TRACE(kOps[i]);
    std::vector<Ring> result;
    ASSERT_NO_THROW(result = RunOp(input, kOps[i]));
    ExpectClean(result);
    EXPECT_NEAR(Area(result), areas[i], tolerance);
    // Cutting the holes keeps the area up to the rounding of the cuts' upper ends.
    RingSet cut;
    for (const Ring& r : result) AddRing(cut, r);
    ASSERT_NO_THROW(cut.Boolean(nullptr, kBooleanCutHoles, false));
    std::vector<Ring> joined = ExtractRings(cut);
    for (const Ring& r : joined) EXPECT_GT(TwiceArea(r), 0);
    EXPECT_NEAR(Area(joined), Area(result), Perimeter(result) / 2);
    ExpectClean(joined, true);
  }
}

TEST(RingSetBoolean, OctilinearResultsWithRoundedCrossingsStayClose) {
  for (unsigned seed = 50000; seed < 50300 && !HasFailure(); ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    std::vector<Operand> input;
    for (int i = 1 + int(rng() % 4); i > 0; --i)
      input.push_back(Operand{RandomOctilinearRing(rng, 20, 1), rng() % 2 == 0});
    ExpectNearOracle(input, 0, 20);
  }
}

TEST(RingSetBoolean, GeneralResultsStayCloseAndClean) {
  for (unsigned seed = 60000; seed < 60300 && !HasFailure(); ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    std::vector<Operand> input;
    for (int i = 1 + int(rng() % 3); i > 0; --i) {
      Ring ring(3 + rng() % 5);
      for (Point& p : ring) p = Point(int(rng() % 21), int(rng() % 21));
      input.push_back(Operand{ring, rng() % 2 == 0});
    }
    ExpectNearOracle(input, 0, 20);
  }
}

TEST(RingSetBoolean, FarCoordinatesCrossExactly) {
  const int32_t big = 1 << 30;
  std::vector<Operand> input = {
      {{{-big, -big}, {big, -big + 7}, {big - 3, big}, {-big + 1, big - 5}}, false},
      {{{-big + 11, big}, {-big, -big + 13}, {big, big - 1}}, true},
  };
  for (int op : kOps) {
    std::vector<Ring> result;
    ASSERT_NO_THROW(result = RunOp(input, op));
    ExpectClean(result);
  }
  EXPECT_NEAR(Area(RunOp(AsOperand(input, false), kBooleanMerge)), 4.0 * big * big, 1e-3 * big * big);
}

// Three long quadrilaterals whose rounded crossings once climbed a grid column one unit per
// pass, without end: the pieces near each rounded crossing must be drawn into it.
TEST(RingSetBoolean, RoundedCrossingsSettleWherePiecesPassClose) {
  const std::vector<Operand> input = {
      {{{373506977, 403720930}, {460985652, 39226450}, {558224382, 62563745}, {452346658, 503720930}}},
      {{{840000000, 120000000}, {534400000, 547840000}, {453026653, 489716181}, {758626653, 61876181}}},
      {{{240000000, 960000000}, {369991590, 418368377}, {482176760, 379428840}, {337238730, 983337295}}},
  };
  std::vector<Ring> result;
  ASSERT_NO_THROW(result = RunOp(input, kBooleanMerge));
  ExpectClean(result);
}

// Two thin triangles inside a quadrilateral whose long edges cross near their tips: rounding
// the crossing must draw the other edge of each tip through the same grid point, or the tip
// turns inside out and its winding of -1 cancels the quadrilateral's cover in a small hole.
TEST(RingSetBoolean, RoundedCrossingsTurnNoTipInsideOut) {
  const std::vector<Operand> input = {
      {{{126, 190}, {61, 98}, {63, 96}}},
      {{{22, 260}, {191, 56}, {278, 128}, {109, 332}}},
      {{{29, 122}, {-50, 42}, {123, 185}}},
  };
  const std::vector<Ring> result = RunOp(input, kBooleanMergeNonZero);
  ASSERT_EQ(result.size(), 1u);
  EXPECT_GT(TwiceArea(result[0]), 0);
}

struct TableCase {
  const char* name;
  std::vector<Operand> input;
  int op;
  size_t rings;
  double area;
};

TEST(RingSetBoolean, SpecialCases) {
  const TableCase cases[] = {
      {"overlapping squares", {{Rectangle(0, 0, 10, 10)}, {Rectangle(5, 5, 15, 15)}}, kBooleanMerge, 1, 175},
      {"shared edge", {{Rectangle(0, 0, 10, 10)}, {Rectangle(10, 0, 20, 10)}}, kBooleanMerge, 1, 200},
      {"corner touch", {{Rectangle(0, 0, 10, 10)}, {Rectangle(10, 10, 20, 20)}}, kBooleanMerge, 2, 200},
      {"covering subtrahend", {{Rectangle(2, 2, 8, 8)}, {Rectangle(0, 0, 10, 10), true}}, kBooleanSubtract, 0, 0},
      {"subtrahend inside", {{Rectangle(0, 0, 10, 10)}, {Rectangle(2, 2, 8, 8), true}}, kBooleanSubtract, 2, 64},
      {"intersect with box", {{Rectangle(0, 0, 10, 10)}, {Rectangle(5, -5, 20, 5), true}}, kBooleanIntersect, 1, 25},
      {"lone clockwise ring", {{Reversed(Rectangle(0, 0, 10, 10))}}, kBooleanMerge, 0, 0},
      {"empty", {}, kBooleanMerge, 0, 0},
      {"duplicates", {{Rectangle(0, 0, 4, 4)}, {Rectangle(0, 0, 4, 4)}, {Rectangle(0, 0, 4, 4)}}, kBooleanMerge, 1, 16},
      {"stacked duplicates crossed",
       {{Rectangle(0, 0, 20, 2)}, {Rectangle(0, 0, 20, 2)}, {Rectangle(0, 0, 20, 2)}, {Rectangle(5, -5, 7, 5)}},
       kBooleanMerge,
       1,
       56},
      {"three lobes at one point",
       {{{{0, 0}, {4, 0}, {4, 4}}}, {{{0, 0}, {0, 4}, {-4, 4}}}, {{{0, 0}, {-4, -4}, {0, -4}}}},
       kBooleanMerge,
       3,
       24},
      {"hole touching the outline",
       {{Rectangle(0, 0, 10, 10)}, {Reversed({{4, 0}, {6, 4}, {2, 4}})}},
       kBooleanMerge,
       1,
       92},
  };
  for (const TableCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Ring> result = RunOp(c.input, c.op);
    EXPECT_EQ(result.size(), c.rings);
    EXPECT_EQ(Area(result), c.area);
    ExpectClean(result);
  }
  EXPECT_EQ(RunOp({{Rectangle(0, 0, 10, 10)}, {Rectangle(5, 5, 15, 15)}}, kBooleanMerge)[0].size(), 8u);
  EXPECT_EQ(RunOp({{Rectangle(0, 0, 10, 10)}, {Rectangle(10, 0, 20, 10)}}, kBooleanMerge)[0].size(), 4u);
}

TEST(RingSetBoolean, CutHolesJoinsAHoleToItsOutline) {
  RingSet set;
  AddRing(set, Rectangle(0, 0, 10, 10));
  AddRing(set, Rectangle(2, 2, 8, 8), true);
  RingSet out;
  set.Boolean(&out, kBooleanSubtract, false);
  out.Boolean(nullptr, kBooleanCutHoles, false);
  std::vector<Ring> rings = ExtractRings(out);
  ASSERT_EQ(rings.size(), 1u);
  EXPECT_EQ(TwiceArea(rings[0]), 2 * 64.0);
  // A set without clockwise rings is left exactly as it is.
  RingSet plain;
  AddRing(plain, {{0, 0}, {5, 0}, {10, 0}, {10, 10}, {0, 10}});
  plain.Boolean(nullptr, kBooleanCutHoles, false);
  EXPECT_EQ(plain.VertexCount(), 5u);
}

TEST(RingSetBoolean, CutHolesDropsAHoleInsideNothing) {
  RingSet set;
  AddRing(set, Rectangle(0, 0, 10, 10));
  AddRing(set, Reversed(Rectangle(20, 0, 30, 10)));
  set.Boolean(nullptr, kBooleanCutHoles, false);
  std::vector<Ring> rings = ExtractRings(set);
  ASSERT_EQ(rings.size(), 1u);
  EXPECT_EQ(TwiceArea(rings[0]), 200.0);
  EXPECT_EQ(set.RingCount(), 1);
}

// The lower hole's cut meets the sliver hole's lower edge at y = 207.65, 0.11 below its upper
// edge, and is rounded to (13, 208), above both: the sliver's edges must both be drawn into
// that point, or the lower edge, split there, crosses the upper one.
TEST(RingSetBoolean, CutHolesRoundingIntoASliverKeepsItsEdgesApart) {
  RingSet set;
  AddRing(set, Rectangle(0, 0, 60, 220));
  AddRing(set, {{12, 208}, {33, 203}, {35, 200}});
  AddRing(set, {{13, 88}, {30, 80}, {20, 60}});
  set.Boolean(nullptr, kBooleanCutHoles, false);
  std::vector<Ring> rings = ExtractRings(set);
  ExpectClean(rings, true);
  ASSERT_EQ(rings.size(), 1u);
  EXPECT_NEAR(TwiceArea(rings[0]), 2 * (60 * 220 - 26.5 - 210), 4);
}

// A star over a zigzag, filled and cut open as Merge does: a piece drawn into the rounded top
// of one hole's cut ends on the corner of another hole, which must be joined there; cut straight
// up from there it led out of the region and left a clockwise ring.
TEST(RingSetBoolean, CutHolesJoinsAHoleWhereAnotherRingReachesItsCorner) {
  RingSet set, filled;
  AddRing(set, {{6113, 3698}, {4556, 4659}, {6595, 3818}, {4026, 5307}, {6033, 4634}});
  AddRing(set, {{1599, 2534},
                {8452, 5297},
                {2104, 2741},
                {9548, 5788},
                {1950, 2695},
                {5041, 3957},
                {3744, 3431},
                {9535, 5799},
                {1046, 2329}});
  set.FilledRegion(filled);
  filled.Boolean(nullptr, kBooleanCutHoles, false);
  for (const Ring& ring : ExtractRings(filled)) EXPECT_GT(TwiceArea(ring), 0);
  ExpectClean(ExtractRings(filled), true);
}

TEST(RingSetBoolean, SplitCrossingsAddsTheCrossingsAsVertices) {
  RingSet set;
  AddRing(set, Rectangle(0, 0, 10, 10));
  AddRing(set, Rectangle(5, 5, 15, 15));
  set.Boolean(nullptr, kBooleanSplitCrossings, false);
  EXPECT_EQ(set.VertexCount(), 12u);
  EXPECT_EQ(Area(ExtractRings(set)), 200.0);
}

TEST(RingSetBoolean, WorkingBitsAreClearedAndOperandBStays) {
  RingSet set;
  AddRing(set, Rectangle(0, 0, 10, 10));
  AddRing(set, Rectangle(5, 5, 15, 15), true);
  set.SetVertexFlags(kBooleanWorkingBits);
  RingSet out;
  set.Boolean(&out, kBooleanIntersect, false);
  EXPECT_EQ(Area(ExtractRings(out)), 25.0);
  int flagged = 0;
  for (RingVertex* v = set.Head(); v; v = v->next) {
    EXPECT_EQ(v->flags & kBooleanWorkingBits, 0);
    flagged += (v->flags & kVertexOperandB) != 0;
  }
  EXPECT_EQ(flagged, 4);
}

TEST(RingSetBoolean, KeepPiecesHandsBackOpenPieces) {
  RingSet set;
  AddRing(set, Rectangle(0, 0, 10, 10));
  AddRing(set, Rectangle(5, 5, 15, 15));
  RingSet out;
  set.Boolean(&out, kBooleanMerge, true);
  EXPECT_EQ(out.VertexCount() % 2, 0u);
  EXPECT_GE(out.VertexCount(), 16u);
  for (RingVertex* v = out.Head(); v; v = v->next) EXPECT_NE(v->ringNext == nullptr, v->ringPrev == nullptr);
}

TEST(RingSetBoolean, InputGeometryIsLeftAsItWas) {
  std::vector<Operand> input = {{Rectangle(0, 0, 10, 10)}, {Rectangle(5, 5, 15, 15), true}};
  RingSet set;
  AddAll(set, input);
  RingSet out;
  set.Boolean(&out, kBooleanSubtract, false);
  EXPECT_EQ(Canonical(ExtractRings(set)), Canonical({input[0].ring, input[1].ring}));
}

// Pieces as the sweep hands them over: sorted by x, then y, then starts before ends.
void AddSortedPieces(RingSet& pieces, const std::vector<std::pair<Point, Point>>& list) {
  for (const auto& piece : list) {
    RingVertex* s = pieces.PushBack(piece.first);
    RingVertex* e = pieces.PushBack(piece.second);
    Link(s, e);
  }
  pieces.SortVertices([](const RingVertex* a, const RingVertex* b) {
    if (a->x != b->x) return a->x < b->x ? -1 : 1;
    if (a->y != b->y) return a->y < b->y ? -1 : 1;
    return (a->ringNext != nullptr) == (b->ringNext != nullptr) ? 0 : (a->ringNext ? -1 : 1);
  });
}

TEST(ReconnectRings, BrokenPiecesFailWithAProgramErrorLine) {
  struct Case {
    std::vector<std::pair<Point, Point>> pieces;
    const char* log;
  };
  const Case cases[] = {
      {{{{0, 0}, {5, 0}}}, "Program Error: lost connection at (0, 0)\n"},
      {{{{0, 0}, {5, 0}}, {{0, 0}, {0, 5}}, {{5, 5}, {0, 0}}}, "Program Error: wrong connection condition at (0, 0)\n"},
  };
  for (const Case& c : cases) {
    std::ostringstream log;
    SetLogStream(&log);
    RingSet pieces;
    AddSortedPieces(pieces, c.pieces);
    try {
      ReconnectRings(pieces);
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.Message(), "Polygon connection failed");
      EXPECT_STREQ(e.Tag(), "DRC");
    }
    SetLogStream(nullptr);
    EXPECT_EQ(log.str(), c.log);
  }
}

TEST(ReconnectRings, TouchingLobesStayApart) {
  // Two triangles meeting at (0, 0).
  RingSet pieces;
  AddSortedPieces(pieces, {{{0, 0}, {4, -2}},
                           {{4, -2}, {4, 0}},
                           {{4, 0}, {0, 0}},
                           {{0, 0}, {-4, 2}},
                           {{-4, 2}, {-4, 0}},
                           {{-4, 0}, {0, 0}}});
  ReconnectRings(pieces);
  std::vector<Ring> rings = ExtractRings(pieces);
  ASSERT_EQ(rings.size(), 2u);
  for (const Ring& r : rings) EXPECT_EQ(r.size(), 3u);
}

}  // namespace
