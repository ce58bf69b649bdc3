#include "db/trans.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "db/numeric.h"

namespace {

// Independent model of the orientation codes: (x, y) -> (a x + b y, c x + d y), built from
// counter-clockwise quarter turns and the mirror about the X axis.
struct Mat {
  int64_t a, b, c, d;
  bool operator==(const Mat& o) const { return a == o.a && b == o.b && c == o.c && d == o.d; }
};

Mat Mul(const Mat& p, const Mat& q) {  // q first, then p
  return {p.a * q.a + p.b * q.c, p.a * q.b + p.b * q.d, p.c * q.a + p.d * q.c, p.c * q.b + p.d * q.d};
}

int QuarterTurns(int code) { return code < 4 ? code : (code + 2) % 4; }  // 4-7: 180, 270, 0, 90

Mat Model(int code) {
  Mat m{1, 0, 0, 1};
  for (int i = 0; i < QuarterTurns(code); ++i) m = Mul(Mat{0, -1, 1, 0}, m);
  return code < 4 ? m : Mul(m, Mat{1, 0, 0, -1});  // mirror first, then rotate
}

Point Apply(const Trans& t, Point p) {
  t.ApplyToPoint(p);
  return p;
}

TEST(Trans, ApplyToPointFollowsTheOrientationModel) {
  for (int code = 0; code < 8; ++code) {
    Mat m = Model(code);
    Trans t(100, -7, 1.0f, uint8_t(code));
    for (Point p : {Point(3, 7), Point(-11, 2), Point(0, 5)}) {
      Point expected(int32_t(100 + m.a * p.x + m.b * p.y), int32_t(-7 + m.c * p.x + m.d * p.y));
      EXPECT_EQ(Apply(t, p), expected) << "code " << code;
    }
    EXPECT_EQ(t.GetAngle(), 90 * QuarterTurns(code)) << "code " << code;
  }
}

TEST(Trans, ComposeTableMatchesTheModelForAllPairs) {
  for (int inner = 0; inner < 8; ++inner) {
    for (int outer = 0; outer < 8; ++outer) {
      Mat product = Mul(Model(outer), Model(inner));
      int expected = -1;
      for (int c = 0; c < 8; ++c) {
        if (Model(c) == product) expected = c;
      }
      EXPECT_EQ(OrientationComposeTable[inner][outer], expected) << inner << " then " << outer;
      Trans t(0, 0, 1.0f, uint8_t(inner));
      t.Compose(Trans(0, 0, 1.0f, uint8_t(outer)));
      EXPECT_EQ(t.orientation, expected);
    }
  }
}

TEST(Trans, ComposeEqualsApplyingInnerThenOuter) {
  // Magnifications and multiples of 4 chosen so that every rounding step is exact.
  const float mags[][2] = {{1, 1}, {2, 0.5f}, {2, 2}, {0.5f, 2}, {0.5f, 0.5f}, {1, 2}, {2, 1}};
  std::mt19937 rng(7);
  std::uniform_int_distribution<int32_t> coord(-250000, 250000);
  for (const auto& m : mags) {
    for (int inner = 0; inner < 8; ++inner) {
      for (int outer = 0; outer < 8; ++outer) {
        Trans in(4 * coord(rng), 4 * coord(rng), m[0], uint8_t(inner));
        Trans out(4 * coord(rng), 4 * coord(rng), m[1], uint8_t(outer));
        Trans composed = in;
        composed.Compose(out);
        EXPECT_EQ(composed.magnification, m[0] * m[1]);
        for (int i = 0; i < 4; ++i) {
          Point p(4 * coord(rng), 4 * coord(rng));
          EXPECT_EQ(Apply(composed, p), Apply(out, Apply(in, p))) << inner << " then " << outer << " mag " << m[0];
        }
      }
    }
  }
}

TEST(Trans, InvertUndoesApplyForAllCodes) {
  std::mt19937 rng(11);
  std::uniform_int_distribution<int32_t> coord(-1000000, 1000000);
  for (float mag : {1.0f, 2.0f, 0.5f}) {
    for (int code = 0; code < 8; ++code) {
      Trans t(4 * coord(rng), 4 * coord(rng), mag, uint8_t(code));
      Trans inv = t;
      inv.Invert();
      for (int i = 0; i < 8; ++i) {
        Point p(2 * coord(rng), 2 * coord(rng));
        EXPECT_EQ(Apply(inv, Apply(t, p)), p) << "code " << code << " mag " << mag;
        if (mag == 1.0f) {
          EXPECT_EQ(Apply(t, Apply(inv, p)), p) << "code " << code;
        }
      }
    }
  }
}

TEST(Trans, ApplyToPointScalesFirstAndWraps) {
  const float oneUlp = 1.0f + 1.0f / (1 << 23), twoUlps = 1.0f + 1.0f / (1 << 22);
  struct Case {
    Trans t;
    Point in, out;
  } const cases[] = {
      {Trans(0, 0, 0.5f, 0), {3, -3}, {2, -1}},  // floor(1.5 + 0.5), floor(-1.5 + 0.5)
      {Trans(0, 0, 0.5f, 2), {3, -3}, {-2, 1}},  // magnification before orientation
      {Trans(100, 0, 1.0f, 1), {10, 0}, {100, 10}},
      {Trans(100, 0, 1.0f, 7), {0, 10}, {110, 0}},
      {Trans(0, 0, 1.00000005f, 0), {2000000000, -2000000000}, {2000000000, -2000000000}},
      {Trans(0, 0, oneUlp, 0), {2000000000, -2000000000}, {2000000000, -2000000000}},  // counts as 1
      {Trans(0, 0, twoUlps, 0), {2000000000, -2000000000}, {2000000477, -2000000477}},
      {Trans(INT32_MAX, 0), {1, 0}, {INT32_MIN, 0}},
      {Trans(0, 0, 1.0f, 2), {INT32_MIN, 5}, {INT32_MIN, -5}},
      {Trans(1, 2, 1.0f, 9), {3, 4}, {4, 6}},  // unknown code acts as 0
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Apply(c.t, c.in), c.out) << c.in.x << "," << c.in.y << " code " << int(c.t.orientation);
  }
  Trans t(0, 0, 2.0f, 0);
  t.Compose(Trans(0, 0, oneUlp, 0));
  EXPECT_EQ(t.magnification, 2.0f);
}

TEST(Trans, ApplyToBoxNormalisesAndKeepsTheEmptyBox) {
  Box b(0, 0, 5, 10);
  Trans(1, 1, 1.0f, 2).ApplyToBox(b);
  EXPECT_EQ(b, Box(-4, -9, 1, 1));
  Box empty;
  Trans(1000, 1000, 2.0f, 5).ApplyToBox(empty);
  EXPECT_TRUE(empty.IsEmpty());
}

SRef MakeSRef(uint32_t cell, int32_t x, int32_t y, uint8_t code = 0, float mag = 1.0f) {
  SRef s;
  static_cast<Trans&>(s) = Trans(x, y, mag, code);
  s.cellWord = cell;
  return s;
}

ARef MakeARef(uint32_t cell, int32_t x, int16_t cols, int16_t rows, int32_t colPitch, int32_t rowPitch,
              uint8_t code = 0, float mag = 1.0f) {
  ARef a(MakeSRef(cell | kArrayBit, x, 0, code, mag));
  a.columns = cols;
  a.rows = rows;
  a.columnPitch = colPitch;
  a.rowPitch = rowPitch;
  return a;
}

TEST(SRef, GetBoxOfTheEmptyCellBoxIsEmpty) {
  Box out(1, 2, 3, 4);
  MakeSRef(1, 100, 100, 3, 2.0f).GetBox(out, Box());
  EXPECT_EQ(out, Box());
  MakeARef(1, 100, 3, 2, 10, 20).GetBox(out, Box());
  EXPECT_EQ(out, Box());
  MakeSRef(1, 100, 0, 1).GetBox(out, Box(0, 0, 5, 10));
  EXPECT_EQ(out, Box(90, 0, 100, 5));
}

TEST(ARef, GetBoxBoundsFirstAndLastElement) {
  struct Case {
    ARef a;
    Box expected;
  } const cases[] = {
      {MakeARef(1, 0, 3, 2, 10, 20), Box(0, 0, 25, 25)},     {MakeARef(1, 0, 3, 2, -10, -20), Box(-20, -20, 5, 5)},
      {MakeARef(1, 0, 3, 2, 10, 20, 1), Box(-5, 0, 10, 45)},  // odd code: pitches swap
      {MakeARef(1, 0, 0, 0, 10, 20), Box(0, 0, 5, 5)},        // corrupt counts: element 0 only
      {MakeARef(1, 0, 0, 2, 10, 20), Box(0, 0, 5, 25)},
  };
  for (const Case& c : cases) {
    Box out;
    c.a.GetBox(out, Box(0, 0, 5, 5));
    EXPECT_EQ(out, c.expected) << c.a.columns << "x" << c.a.rows << " code " << int(c.a.orientation);
  }
  Trans odd, far;
  MakeARef(1, 0, 3, 2, 10, 20, 3).ElementTrans(2, 1, odd);
  EXPECT_EQ(Point(odd), Point(10, 40));  // odd codes: the row runs along the column pitch
  MakeARef(1, INT32_MAX, 32767, 1, INT32_MAX, 0).ElementTrans(32766, 0, far);  // wraps, no overflow
  EXPECT_EQ(far.x, WrapToInt32(int64_t(INT32_MAX) * 32767));
}

TEST(CompareByKeyThenX, OrdersMixedArraysAndSingles) {
  // In ascending order; arrays have bit 31 set, so as signed words they come first. The
  // magnification splits what would otherwise be ties.
  const ARef arrays[] = {MakeARef(1, 5, 2, 2, 10, 20), MakeARef(1, 5, 3, 1, 10, 20),
                         MakeARef(1, 5, 3, 2, 5, 99),  MakeARef(1, 5, 3, 2, 10, 5),
                         MakeARef(1, 5, 3, 2, 10, 20), MakeARef(1, 5, 3, 2, 10, 20, 0, 2.0f),
                         MakeARef(2, 0, 1, 1, 0, 0)};
  const SRef singles[] = {MakeSRef(0, -100, 0),       MakeSRef(0, 100, 0),        MakeSRef(1, 0, 0),
                          MakeSRef(1, 0, 3),          MakeSRef(1, 0, 3, 2, 0.5f), MakeSRef(1, 0, 3, 2),
                          MakeSRef(1, 0, 3, 2, 2.0f), MakeSRef(1, 1, -5),         MakeSRef(0x7fffffff, -5, -5)};
  std::vector<const SRef*> order;
  for (const ARef& a : arrays) order.push_back(&a);
  for (const SRef& s : singles) order.push_back(&s);
  for (size_t i = 0; i < order.size(); ++i) {
    for (size_t j = 0; j < order.size(); ++j) {
      EXPECT_EQ(CompareByKeyThenX(*order[i], *order[j]), i < j ? -1 : (i > j ? 1 : 0)) << i << " vs " << j;
    }
  }
}

}  // namespace
