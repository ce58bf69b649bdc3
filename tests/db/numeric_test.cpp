#include "db/numeric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct RoundCase {
  double in;
  int32_t toInt;   // half away from zero
  int32_t halfUp;  // floor(x + 0.5)
};

TEST(Numeric, RoundToIntAndRoundHalfUpDifferOnNegativeHalves) {
  const RoundCase cases[] = {
      {0.0, 0, 0},
      {2.5, 3, 3},
      {-2.5, -3, -2},
      {-0.5, -1, 0},
      {-1.4, -1, -1},
      {-1.6, -2, -2},
      {1e300, INT32_MAX, INT32_MAX},
      {-1e300, INT32_MIN, INT32_MIN},
      {kInf, INT32_MAX, INT32_MAX},
      {-kInf, INT32_MIN, INT32_MIN},
      {2147483646.6, INT32_MAX, INT32_MAX},
      {-2147483648.4, INT32_MIN, INT32_MIN},
  };
  for (const RoundCase& c : cases) {
    EXPECT_EQ(RoundToInt(c.in), c.toInt) << c.in;
    EXPECT_EQ(RoundHalfUp(c.in), c.halfUp) << c.in;
  }
}

TEST(Numeric, ConversionsOfNaNAreDefined) {
  // Any fixed value will do; the point is that the sanitizers see no undefined conversion.
  EXPECT_EQ(RoundToInt(kNaN), RoundToInt(kNaN));
  EXPECT_EQ(RoundHalfUp(kNaN), RoundHalfUp(kNaN));
  EXPECT_EQ(SaturateToInt32(kNaN), 0);
}

TEST(Numeric, RoundToMultipleSnapsToNearestHalvesUp) {
  struct Case {
    int32_t v, step, expected;
  } const cases[] = {
      {25, 10, 30},
      {24, 10, 20},
      {-25, 10, -20},
      {-26, 10, -30},
      {30, 10, 30},
      {-30, 10, -30},
      {7, 0, 7},
      {INT32_MIN, -1, INT32_MIN},
      {INT32_MIN, 0, INT32_MIN},
      {INT32_MAX, 1, INT32_MAX},
      {INT32_MAX, 10, INT32_MAX},
      {INT32_MIN, 10, INT32_MIN},
      {INT32_MAX, 1 << 30, INT32_MAX},  // 2^31 saturates
      {-5, 1, -5},
  };
  for (const Case& c : cases) EXPECT_EQ(RoundToMultiple(c.v, c.step), c.expected) << c.v << " step " << c.step;
}

TEST(Numeric, NiceValueSnapsOnlyWithinFloatEpsilon) {
  struct Case {
    double in, expected;
  } const cases[] = {
      {0.10000001, 0.1}, {0.2, 0.2},       {1.0 + kUnitEpsilon, 1.0}, {1.0 + 2 * kUnitEpsilon, 1.0 + 2 * kUnitEpsilon},
      {9.9999999, 10.0}, {2.0000001, 2.0}, {0.49999995, 0.5},         {5.0, 5.0},
  };
  for (const Case& c : cases) EXPECT_EQ(NiceValue(c.in), c.expected) << c.in;
}

}  // namespace
