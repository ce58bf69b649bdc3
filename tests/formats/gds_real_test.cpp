#include "formats/gds_real.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

namespace {

using Real8 = std::array<uint8_t, 8>;

Real8 Encode(double v) {
  Real8 out;
  ToGdsReal(v, out.data());
  return out;
}

TEST(GdsReal, WritesAndReadsHandWrittenBytes) {
  struct Case {
    double value;
    Real8 bytes;
  };
  const Case cases[] = {
      {1.0, {0x41, 0x10, 0, 0, 0, 0, 0, 0}},
      {2.0, {0x41, 0x20, 0, 0, 0, 0, 0, 0}},
      {0.5, {0x40, 0x80, 0, 0, 0, 0, 0, 0}},
      {-1.0, {0xc1, 0x10, 0, 0, 0, 0, 0, 0}},
      {16.0, {0x42, 0x10, 0, 0, 0, 0, 0, 0}},
      {0.0625, {0x40, 0x10, 0, 0, 0, 0, 0, 0}},
      {90.0, {0x42, 0x5a, 0, 0, 0, 0, 0, 0}},
      {-270.0, {0xc3, 0x10, 0xe0, 0, 0, 0, 0, 0}},
      {0.1, {0x40, 0x19, 0x99, 0x99, 0x99, 0x99, 0x99, 0x9a}},
      // The units of a nanometre grid as written by a tool that converts the exact double.
      {1e-3, {0x3e, 0x41, 0x89, 0x37, 0x4b, 0xc6, 0xa7, 0xf0}},
      {1e-9, {0x39, 0x44, 0xb8, 0x2f, 0xa0, 0x9b, 0x5a, 0x54}},
      {0.0, {0, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Encode(c.value), c.bytes) << c.value;
    EXPECT_EQ(FromGdsReal(c.bytes.data()), c.value) << c.value;
  }
}

TEST(GdsReal, ReadsUnitsRoundedOrTruncatedByOtherWriters) {
  // Writers that round the decimal value end in 53 and ef; those that truncate it in 52 and ef.
  const Real8 nm53 = {0x39, 0x44, 0xb8, 0x2f, 0xa0, 0x9b, 0x5a, 0x53};
  const Real8 um = {0x3e, 0x41, 0x89, 0x37, 0x4b, 0xc6, 0xa7, 0xef};
  const Real8 nm52 = {0x39, 0x44, 0xb8, 0x2f, 0xa0, 0x9b, 0x5a, 0x52};
  EXPECT_EQ(FromGdsReal(nm53.data()), 1e-9);
  EXPECT_EQ(FromGdsReal(um.data()), 1e-3);
  EXPECT_EQ(FromGdsReal(nm52.data()), std::nextafter(1e-9, 0.0));
}

TEST(GdsReal, ReadsUnnormalisedAndSignedZeroFractions) {
  const Real8 unnormalised = {0x41, 0x01, 0, 0, 0, 0, 0, 0};  // 1/16 × 16
  const Real8 negativeZero = {0xc1, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(FromGdsReal(unnormalised.data()), 0.0625);
  EXPECT_EQ(FromGdsReal(negativeZero.data()), 0.0);
}

TEST(GdsReal, SaturatesHugeAndTreatsSpecialValuesSafely) {
  const Real8 largest = {0x7f, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff};
  const Real8 smallest = {0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff};
  const Real8 zero = {0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(Encode(1e76), largest);
  EXPECT_EQ(Encode(std::numeric_limits<double>::infinity()), largest);
  EXPECT_EQ(Encode(-std::numeric_limits<double>::max()), smallest);
  EXPECT_EQ(Encode(std::numeric_limits<double>::quiet_NaN()), zero);
  EXPECT_EQ(Encode(-0.0), zero);
  // 2^251 is the largest power of two that still fits, with exponent 127.
  EXPECT_EQ(Encode(std::ldexp(1.0, 251)), (Real8{0x7f, 0x80, 0, 0, 0, 0, 0, 0}));
}

TEST(GdsReal, WritesTinyValuesUnnormalisedAndRounded) {
  // 16^-65 is the smallest normalised real; below it the fraction loses leading digits.
  EXPECT_EQ(Encode(std::ldexp(1.0, -260)), (Real8{0x00, 0x10, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Encode(std::ldexp(1.0, -261)), (Real8{0x00, 0x08, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Encode(-std::ldexp(1.0, -312)), (Real8{0x80, 0, 0, 0, 0, 0, 0, 0x01}));
  EXPECT_EQ(Encode(std::ldexp(3.0, -314)), (Real8{0x00, 0, 0, 0, 0, 0, 0, 0x01}));  // 0.75 rounds up
  EXPECT_EQ(Encode(std::ldexp(1.0, -313)), (Real8{0, 0, 0, 0, 0, 0, 0, 0}));        // half: to even
  EXPECT_EQ(Encode(std::numeric_limits<double>::denorm_min()), (Real8{0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(GdsReal, RoundTripsEveryDoubleInRangeExactly) {
  std::mt19937_64 random(12345);
  std::uniform_int_distribution<int> exponent(-255, 248);
  std::uniform_real_distribution<double> mantissa(0.5, 1.0);
  for (int i = 0; i < 200000; ++i) {
    double v = std::ldexp(mantissa(random), exponent(random));
    if (i & 1) v = -v;
    Real8 bytes = Encode(v);
    ASSERT_EQ(FromGdsReal(bytes.data()), v) << v;
    // Normalised: the first hex digit of the fraction is never 0.
    ASSERT_GE(bytes[1], 0x10) << v;
  }
}

}  // namespace
