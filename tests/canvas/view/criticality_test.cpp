#include "canvas/view/criticality.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

CriticalityData Read(const std::string& text) {
  std::istringstream in(text);
  CriticalityData data;
  ReadCriticality(in, data);
  return data;
}

TEST(Criticality, ScaleStartsAtOneAndZeroAndIsOnlyWidened) {
  const CriticalityData inside = Read("0 0 10 10 2\n0 0 10 10 10\n5 5 6 6 7.5\n");
  EXPECT_EQ(inside.criticalityBoxes.size(), 3u);
  EXPECT_FLOAT_EQ(inside.criticalityMin, 1.0f);
  EXPECT_FLOAT_EQ(inside.criticalityMax, 10.0f);
  EXPECT_FLOAT_EQ(inside.criticalityMid, 4.5f);
  EXPECT_FLOAT_EQ(inside.criticalityStep, 5.5f / 255.0f);
  EXPECT_TRUE(inside.criticalityShown);
  EXPECT_EQ(inside.criticalityBrushStyle, kCriticalityDefaultBrush);

  const CriticalityData negative = Read("1 2 3 4 -3\t5 6 7 8 -12.25");
  EXPECT_FLOAT_EQ(negative.criticalityMax, 0.0f);
  EXPECT_FLOAT_EQ(negative.criticalityMin, -12.25f);

  const CriticalityData empty = Read("");
  EXPECT_TRUE(empty.criticalityBoxes.empty());
  EXPECT_TRUE(empty.criticalityShown);
  EXPECT_FLOAT_EQ(empty.criticalityMin, 1.0f);
  EXPECT_FLOAT_EQ(empty.criticalityMax, 0.0f);
  EXPECT_FLOAT_EQ(empty.criticalityMid, -0.5f);
  EXPECT_FLOAT_EQ(empty.criticalityStep, 0.5f / 255.0f);
}

TEST(Criticality, OnlyCompleteRecordsAreKept) {
  // The second record lacks its value: it neither joins the records nor widens the scale.
  const CriticalityData cut = Read("-5 -5 5 5 3\n0 0 100 100");
  ASSERT_EQ(cut.criticalityBoxes.size(), 1u);
  EXPECT_EQ(cut.criticalityBoxes[0].x1, -5);
  EXPECT_EQ(cut.criticalityBoxes[0].y2, 5);
  EXPECT_FLOAT_EQ(cut.criticalityMax, 3.0f);
  // Text, a coordinate beyond 32 bits and a value written as nan each end the reading there.
  EXPECT_EQ(Read("0 0 1 1 1\nx 0 1 1 1\n0 0 1 1 1").criticalityBoxes.size(), 1u);
  EXPECT_EQ(Read("0 0 1 1 1\n0 0 4294967296 1 1").criticalityBoxes.size(), 1u);
  EXPECT_EQ(Read("0 0 1 1 nan\n").criticalityBoxes.size(), 0u);
  // A leading plus sign and exponent notation are numbers, as a stream reads them.
  const CriticalityData signs = Read("+1 -2 +3 4 +2.5e1\n");
  ASSERT_EQ(signs.criticalityBoxes.size(), 1u);
  EXPECT_EQ(signs.criticalityBoxes[0].x1, 1);
  EXPECT_FLOAT_EQ(signs.criticalityBoxes[0].value, 25.0f);
}

TEST(Criticality, ReadingReplacesEarlierData) {
  CriticalityData data = Read("0 0 1 1 50\n");
  data.criticalityBrushStyle = 110;
  data.criticalityShown = false;
  std::istringstream again("0 0 2 2 4\n");
  ReadCriticality(again, data);
  ASSERT_EQ(data.criticalityBoxes.size(), 1u);
  EXPECT_FLOAT_EQ(data.criticalityMax, 4.0f);
  EXPECT_EQ(data.criticalityBrushStyle, kCriticalityDefaultBrush);
  EXPECT_TRUE(data.criticalityShown);
}

TEST(Criticality, ColourAroundTheMidValue) {
  const CriticalityData data = Read("0 0 1 1 2\n0 0 1 1 10\n");  // min 1, max 10, mid 4.5
  EXPECT_EQ(CriticalityColour(4.5f, data), (Rgb{255, 255, 0}));  // at mid: the red side
  EXPECT_EQ(CriticalityColour(10.0f, data), (Rgb{255, 0, 0}));
  // 9: green (10 - 9) / (5.5 / 255) = 46.36; 2: red (2 - 1) / (5.5 / 255) = 46.36.
  EXPECT_EQ(CriticalityColour(9.0f, data), (Rgb{255, 46, 0}));
  EXPECT_EQ(CriticalityColour(2.0f, data), (Rgb{46, 255, 0}));
  // Far outside the scale the levels are held to 0..255 instead of wrapping.
  EXPECT_EQ(CriticalityColour(-100.0f, data), (Rgb{0, 255, 0}));
  EXPECT_EQ(CriticalityColour(1000.0f, data), (Rgb{255, 0, 0}));
  EXPECT_EQ(CriticalityColour(4.4f, data).green, 255);
  EXPECT_EQ(CriticalityColour(4.4f, data).red, 158);
}

TEST(Criticality, ColourOfADegenerateScale) {
  // All values 0: min 0, max 0, mid 0, step 0, so every level is 0 / 0.
  const CriticalityData flat = Read("0 0 1 1 0\n");
  ASSERT_FLOAT_EQ(flat.criticalityStep, 0.0f);
  EXPECT_EQ(CriticalityColour(0.0f, flat), (Rgb{255, 0, 0}));
  EXPECT_EQ(CriticalityColour(-1.0f, flat), (Rgb{0, 255, 0}));
  // A negative step (all values negative) never wraps either.
  const CriticalityData negative = Read("0 0 1 1 -10\n");
  const Rgb below = CriticalityColour(-3.0f, negative);
  EXPECT_EQ(below.green, 255);
  EXPECT_EQ(below.red, 0);
}

TEST(Criticality, EveryPrefixOfAFileKeepsNoMoreRecordsThanItHolds) {
  const std::string file = "0 0 100 100 0.5\n-50 -50 50 50 2.25\n10 20 30 40 7\n";
  size_t previous = 0;
  for (size_t n = 0; n <= file.size(); ++n) {
    const CriticalityData data = Read(file.substr(0, n));
    EXPECT_GE(data.criticalityBoxes.size(), previous) << n;
    EXPECT_LE(data.criticalityBoxes.size(), 3u) << n;
    // Cut after the first record's value, and after four numbers of the second.
    if (n == 15 || n == 30) {
      EXPECT_EQ(data.criticalityBoxes.size(), 1u) << n;
    }
    previous = data.criticalityBoxes.size();
  }
  EXPECT_EQ(previous, 3u);
}

TEST(Criticality, BoxesInAWindowAreThoseABruteForceScanFinds) {
  // Small boxes on a grid, a few of them reversed, and boxes far larger than a grid cell.
  std::ostringstream text;
  uint32_t seed = 7;
  auto next = [&seed](uint32_t range) {
    seed = seed * 1664525u + 1013904223u;
    return int32_t((seed >> 8) % range);
  };
  for (int i = 0; i < 3000; ++i) {
    const int32_t x = next(100000) - 50000, y = next(100000) - 50000, w = next(2000), h = next(2000);
    if (i % 7 == 0) {
      text << x + w << " " << y + h << " " << x << " " << y << " 1\n";
    } else {
      text << x << " " << y << " " << x + w << " " << y + h << " " << (i % 10) << "\n";
    }
    if (i % 500 == 0) text << "-60000 " << y << " 60000 " << y + 10 << " 3\n";
  }
  std::istringstream in(text.str());
  CriticalityData data;
  ReadCriticality(in, data);
  ASSERT_GT(data.criticalityBoxes.size(), 3000u);
  for (int k = 0; k < 200; ++k) {
    const int32_t x = next(140000) - 70000, y = next(140000) - 70000, side = 1 + next(k % 2 ? 500 : 40000);
    const Box window(x, y, x + side, y + side);
    std::vector<uint32_t> expected;
    for (uint32_t i = 0; i < data.criticalityBoxes.size(); ++i) {
      if (CriticalityBoxBounds(data.criticalityBoxes[i]).OverlapsStrict(window)) expected.push_back(i);
    }
    EXPECT_EQ(CriticalityBoxesIn(data, window), expected) << x << "," << y << " side " << side;
  }
  EXPECT_TRUE(CriticalityBoxesIn(Read(""), Box(0, 0, 10, 10)).empty());
}

}  // namespace
