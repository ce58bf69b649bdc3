#include "canvas/grid_points.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "canvas/view/view_state.h"
#include "tests/canvas/canvas_test_util.h"

namespace {

// The nearest multiple of step, halves upwards, worked out with integer remainders only.
int64_t NearestMultiple(int64_t v, int64_t step) {
  int64_t r = ((v % step) + step) % step;
  if (r == 0) return v;
  return 2 * r >= step ? v - r + step : v - r;
}

TEST(GridPoints, AlignToGridMatchesAnIntegerOracle) {
  for (int64_t step = 1; step <= 40; ++step) {
    for (int64_t v = -1000; v <= 1000; ++v) {
      ASSERT_EQ(AlignToGrid(v, step), NearestMultiple(v, step)) << v << "/" << step;
    }
  }
  std::mt19937 random(7);
  std::uniform_int_distribution<int32_t> coordinate(INT32_MIN, INT32_MAX);
  std::uniform_int_distribution<int32_t> steps(1, 100000000);
  for (int i = 0; i < 100000; ++i) {
    const int64_t v = coordinate(random), step = steps(random);
    ASSERT_EQ(AlignToGrid(v, step), NearestMultiple(v, step)) << v << "/" << step;
  }
}

TEST(GridPoints, StepGrowsTenfoldUntilThePointsAreReadable) {
  const Box window(-1000, -1000, 1000, 1000);
  const struct {
    int32_t snapGrid;
    int32_t libraryGrid;
    double pixelsPerUnit;
    int64_t step;
  } cases[] = {
      {5, 1, 0.4, 50},              // 5 units at 2 pixels: every 50 units (20 pixels)
      {5, 1, 0.1, 500},             // 50 units still under 10 pixels
      {5, 1, 2.0, 5},               // 10 pixels: readable as it is
      {5, 1, 1.0, 50},              // a grid above the library's needs 10 pixels
      {5, 5, 1.0, 5},               // one at most the library's needs 5, and exactly 5 will do
      {5, 10, 0.9, 50},             // 4.5 pixels is too close
      {1, 1, 0.6, 100},             // once grown, 5 pixels no longer do: 10 units at 6 pixels grow on
      {50, 10, 1e-9, 50000000000},  // wider than the 32-bit range
  };
  for (const auto& c : cases) {
    const GridPointPlan plan = PlanGridPoints(window, c.snapGrid, c.libraryGrid, c.pixelsPerUnit);
    EXPECT_EQ(plan.step, c.step) << c.snapGrid << " " << c.libraryGrid << " " << c.pixelsPerUnit;
  }
}

TEST(GridPoints, FirstPointIsTheWindowCornerAlignedToTheStep) {
  const GridPointPlan plan = PlanGridPoints(Box(-149, 151, 900, 900), 100, 100, 1.0);
  EXPECT_EQ(plan.step, 100);
  EXPECT_EQ(plan.firstX, -100);
  EXPECT_EQ(plan.firstY, 200);
  const GridPointPlan exact = PlanGridPoints(Box(-300, 400, 900, 900), 100, 100, 1.0);
  EXPECT_EQ(exact.firstX, -300);
  EXPECT_EQ(exact.firstY, 400);
}

TEST(GridPoints, NoPointsWithoutAGridOrAFittedView) {
  const Box window(0, 0, 1000, 1000);
  EXPECT_EQ(PlanGridPoints(window, 0, 1, 1.0).step, 0);
  EXPECT_EQ(PlanGridPoints(window, -5, 1, 1.0).step, 0);
  EXPECT_EQ(PlanGridPoints(window, 5, 1, 0.0).step, 0);
  EXPECT_EQ(PlanGridPoints(window, 5, 1, std::nan("")).step, 0);
  EXPECT_EQ(PlanGridPoints(window, 5, 1, INFINITY).step, 0);
  EXPECT_EQ(PlanGridPoints(window, 5, 1, 1e-30).step, 0);
  EXPECT_EQ(PlanGridPoints(Box(), 5, 1, 1.0).step, 0);
}

TEST(GridPoints, DrawsACrossAtEveryGridPoint) {
  // 1000 x 1000 units on 100 x 100 pixels: a grid of 25 units at 2.5 pixels grows to 250
  // units, 25 pixels apart, centred on columns and rows 0, 25, 50, 75 and 100.
  ViewMapping view;
  view.viewBox = ViewBox{0, 0, 1000, 1000};
  view.CentreView(0, 0, 100, 100);
  const wxColour pen(255, 255, 0);
  const wxImage image = canvastest::Render(100, 100, [&](wxDC& dc) { DrawGridPoints(dc, view, 25, 25, pen); });
  for (int y : {25, 50, 75}) {
    for (int x : {25, 50, 75}) {
      SCOPED_TRACE(testing::Message() << x << "," << y);
      for (auto [dx, dy] : {std::pair{0, 0}, {-1, 0}, {1, 0}, {0, -1}, {0, 1}}) {
        EXPECT_TRUE(canvastest::IsColour(image, x + dx, y + dy, pen)) << dx << "," << dy;
      }
      for (auto [dx, dy] : {std::pair{-1, -1}, {1, 1}, {-1, 1}, {1, -1}, {12, 12}, {3, 0}, {0, 3}}) {
        EXPECT_TRUE(canvastest::IsBlack(image, x + dx, y + dy)) << dx << "," << dy;
      }
    }
  }
  // Nothing but crosses: at most five pixels for each of the 25 centres (the outer ones cut).
  EXPECT_LE(canvastest::CountNonBlack(image), 25 * 5);
  EXPECT_GE(canvastest::CountNonBlack(image), 9 * 5);
}

}  // namespace
