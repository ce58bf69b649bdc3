#include "canvas/array_samples.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {

ARef MakeArray(int16_t columns, int16_t rows, int32_t columnPitch, int32_t rowPitch, uint8_t code = 0) {
  ARef array;
  array.columns = columns;
  array.rows = rows;
  array.columnPitch = columnPitch;
  array.rowPitch = rowPitch;
  array.orientation = code;
  return array;
}

ElementRange All(const ARef& array) { return ElementRange{0, array.columns, 0, array.rows}; }

std::vector<std::pair<int32_t, int32_t>> Visited(ArraySamples samples) {
  std::vector<std::pair<int32_t, int32_t>> visited;
  int32_t column = 0;
  int32_t row = 0;
  while (samples.Next(column, row)) visited.emplace_back(column, row);
  return visited;
}

TEST(ArraySamples, VisitsEveryElementInOrderWhenThePitchIsAPixelOrMore) {
  ARef array = MakeArray(7, 5, 10, 12);
  const ElementRange range{2, 6, 1, 4};
  std::vector<std::pair<int32_t, int32_t>> expected;
  for (int32_t column = 2; column < 6; ++column) {
    for (int32_t row = 1; row < 4; ++row) expected.emplace_back(column, row);
  }
  for (double pixelsPerUnit : {0.1, 0.5, 3.0}) {
    EXPECT_EQ(Visited(ArraySamples(array, Box(0, 0, 3, 3), range, pixelsPerUnit, 1e9)), expected) << pixelsPerUnit;
  }
  EXPECT_TRUE(Visited(ArraySamples(array, Box(0, 0, 3, 3), ElementRange{3, 3, 0, 5}, 1.0, 1e9)).empty());
}

// Dense arrays: the visited elements are at most a pixel apart (or an element's length, for
// elements longer than a pixel), so that they cover what all elements cover, and their number
// follows the pixels.
TEST(ArraySamples, SubPixelPitchVisitsAboutOneElementPerPixel) {
  struct Case {
    int16_t count;
    int32_t pitch;
    Box cell;
    double pixelsPerUnit;
  };
  const Case cases[] = {{32767, 10, Box(0, 0, 5, 5), 0.003},
                        {4000, 10, Box(0, 0, 5, 5), 0.013},
                        {32767, 1, Box(0, 0, 200, 300), 0.01},
                        {3000, -7, Box(0, 0, 2, 2), 0.05}};
  for (const Case& c : cases) {
    ARef array = MakeArray(c.count, c.count, c.pitch, c.pitch);
    ArraySamples samples(array, c.cell, All(array), c.pixelsPerUnit, 1e9);
    double pitch = std::fabs(c.pitch) * c.pixelsPerUnit;
    double allowed = std::max(1.0, double(c.cell.Width()) * c.pixelsPerUnit);
    EXPECT_LE(samples.ColumnStride() * pitch, allowed + 1e-9) << c.pixelsPerUnit;
    EXPECT_GT(samples.ColumnStride() * pitch, allowed / 2) << c.pixelsPerUnit;
    double span = (c.count - 1) * pitch;
    size_t bound = size_t(2 * span / allowed + 2);
    EXPECT_LE(Visited(samples).size(), bound * bound) << c.pixelsPerUnit;
    // The far end is missed by a pixel or more only when elements are spaced by their length.
    EXPECT_EQ(samples.FarEndLeftOut(), allowed > 1.0) << c.pixelsPerUnit;
  }
}

// At a pitch of a pixel or more, only elements that overlap can meet the window more often than
// it has pixels: then they are spaced by their length too.
TEST(ArraySamples, MoreElementsThanWindowPixelsAreSpacedByTheirLength) {
  ARef array = MakeArray(32767, 3, 1, 1000);
  ArraySamples overlapping(array, Box(0, 0, 100000, 10), All(array), 1.5, 1600);
  EXPECT_EQ(overlapping.ColumnStride(), 32767);
  EXPECT_EQ(overlapping.RowStride(), 1);
  EXPECT_TRUE(overlapping.FarEndLeftOut());
  // Elements that do not overlap never meet the window more often: all are visited.
  ARef apart = MakeArray(1602, 1, 1, 1);
  EXPECT_EQ(ArraySamples(apart, Box(0, 0, 1, 1), All(apart), 1.0, 1600).ColumnStride(), 1);
  EXPECT_EQ(ArraySamples(apart, Box(0, 0, 3, 1), All(apart), 1.0, 1000).ColumnStride(), 3);
}

TEST(ArraySamples, ElementsOnOneSpotAreVisitedOnce) {
  ARef array = MakeArray(1000, 1000, 0, 0);
  ArraySamples samples(array, Box(0, 0, 10, 10), All(array), 1.0, 1e9);
  EXPECT_EQ(Visited(samples), (std::vector<std::pair<int32_t, int32_t>>{{0, 0}}));
  EXPECT_FALSE(samples.FarEndLeftOut());
}

TEST(ArraySamples, OddOrientationsStepTheColumnsAlongTheRowPitch) {
  // Dense along x (column pitch), sparse along y: under an odd code the row index is dense.
  ARef array = MakeArray(100, 100, 1, 100, 1);
  ArraySamples odd(array, Box(0, 0, 1, 1), All(array), 0.1, 1e9);
  EXPECT_EQ(odd.ColumnStride(), 1);
  EXPECT_EQ(odd.RowStride(), 10);
  array.orientation = 2;
  ArraySamples even(array, Box(0, 0, 1, 1), All(array), 0.1, 1e9);
  EXPECT_EQ(even.ColumnStride(), 10);
  EXPECT_EQ(even.RowStride(), 1);
}

}  // namespace
