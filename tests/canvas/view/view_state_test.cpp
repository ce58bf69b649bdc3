#include "canvas/view/view_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

ViewMapping FittedView(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t cw, int32_t ch, double magnification) {
  ViewMapping view;
  view.SetViewBox(x1, y1, x2, y2);
  view.magnification = magnification;
  view.CentreView(0, 0, cw, ch);
  return view;
}

TEST(ViewState, MappingRoundTripsThroughTheInverse) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int32_t> coordinate(-2000000, 2000000);
  for (double magnification : {2.0, 4.0, 16.0, 1024.0}) {
    // At least one pixel per database unit, so that every unit has its own pixel.
    ViewMapping view = FittedView(-700, -300, 900, 500, 1600, 1000, magnification);
    ASSERT_GE(view.PixelsPerUnit(), 1.0);
    for (int i = 0; i < 2000; ++i) {
      int32_t x = coordinate(random) / 1000;
      int32_t y = coordinate(random) / 1000;
      EXPECT_EQ(view.ScreenToDBX(view.ToDeviceX(x)), x);
      EXPECT_EQ(view.ScreenToDBY(view.ToDeviceY(y)), y);
    }
  }
}

TEST(ViewState, MappingRoundsHalvesUpwardsForNegatives) {
  ViewMapping view;
  view.viewBox = ViewBox{0, 0, 100, 100};
  view.scale = 0.5;
  // x = -3 maps to -1.5, which floor(v + 0.5) takes to -1 (not -2 as rounding away would).
  EXPECT_EQ(view.ToDeviceX(-3), -1);
  EXPECT_EQ(view.ToDeviceX(-5), -2);
  EXPECT_EQ(view.ToDeviceY(103), -1);
  // The inverse: pixel -1 is -2 units, and -0.75 units rounds to -1 only below -0.5.
  EXPECT_EQ(view.ScreenToDBX(-1), -2);
  EXPECT_EQ(view.ScreenToDBX(-0.25), 0);
  EXPECT_EQ(view.ScreenToDBX(-0.3), -1);
  EXPECT_EQ(view.DBToScreenY(100), 0.0);
}

TEST(ViewState, MappingSaturatesFarOutsideTheWindow) {
  ViewMapping view = FittedView(0, 0, 10, 10, 1000, 1000, 1e6);
  EXPECT_EQ(view.ToDeviceX(2000000000), INT32_MAX);
  EXPECT_EQ(view.ToDeviceY(2000000000), INT32_MIN);
}

TEST(ViewState, DevicePixelRoundingIsFloorOfHalfUpSaturated) {
  struct Case {
    double v;
    int32_t pixel;
  };
  const Case cases[] = {{2.5, 3},
                        {-2.5, -2},
                        {-2.51, -3},
                        {-0.5, 0},
                        {-0.50001, -1},
                        {2147483646.4, 2147483646},
                        {2147483646.6, INT32_MAX},
                        {-2147483648.4, INT32_MIN},
                        {-2147483648.6, INT32_MIN},
                        {1e300, INT32_MAX},
                        {-HUGE_VAL, INT32_MIN},
                        {std::nan(""), 0}};
  for (const Case& c : cases) EXPECT_EQ(RoundToDevicePixel(c.v), c.pixel) << c.v;
  std::mt19937 random(2);
  std::uniform_real_distribution<double> value(-3e9, 3e9);
  for (int i = 0; i < 10000; ++i) {
    double v = i % 2 ? value(random) : std::ldexp(value(random), -20);
    double floored = std::floor(v + 0.5);
    int32_t expected = floored >= 2147483647.0 ? INT32_MAX : floored <= -2147483648.0 ? INT32_MIN : int32_t(floored);
    ASSERT_EQ(RoundToDevicePixel(v), expected) << v;
  }
}

TEST(ViewState, SetViewBoxAddsOnePercentMarginOfAtLeastOne) {
  struct Case {
    int32_t x1, y1, x2, y2;
    ViewBox expected;
  };
  const Case cases[] = {
      {0, 0, 1000, 10, {-10, -10, 1020, 30}},
      {0, 0, 50, 50, {-1, -1, 52, 52}},
      {5, 5, 5, 5, {4, 4, 2, 2}},
      {-2000000000, 0, 2000000000, 10, {-2040000000, -40000000, 4080000000LL, 80000010}},
  };
  for (const Case& c : cases) {
    ViewMapping view;
    view.SetViewBox(c.x1, c.y1, c.x2, c.y2);
    EXPECT_EQ(view.viewBox.x, c.expected.x);
    EXPECT_EQ(view.viewBox.y, c.expected.y);
    EXPECT_EQ(view.viewBox.w, c.expected.w);
    EXPECT_EQ(view.viewBox.h, c.expected.h);
  }
}

TEST(ViewState, CentreViewFitsTheSmallerRatioAndCentres) {
  ViewMapping view;
  view.viewBox = ViewBox{0, 0, 400, 100};
  view.CentreView(0, 0, 800, 600);
  EXPECT_DOUBLE_EQ(view.scale, 2.0);
  EXPECT_EQ(view.offsetX, 0);
  EXPECT_EQ(view.offsetY, 200);
  // An odd leftover halves towards minus infinity.
  view.viewBox = ViewBox{0, 0, 100, 100};
  view.CentreView(0, 0, 301, 200);
  EXPECT_EQ(view.offsetX, 50);
  EXPECT_EQ(view.ToDeviceX(0), 50);
  EXPECT_EQ(view.ToDeviceY(0), 200);
}

TEST(ViewState, VisibleWindowCoversTheClientPlusOneUnit) {
  ViewMapping view;
  view.viewBox = ViewBox{0, 0, 100, 100};
  view.magnification = 4;
  view.CentreView(400, 800, 400, 400);
  // scale 4, magnification 4: 16 pixels per unit; x from 400/16 = 25 to 50, y from 50 down to 25.
  EXPECT_EQ(view.VisibleWindow(), Box(24, 24, 51, 51));
}

TEST(ViewState, IsTooSmallBoundaries) {
  SizeTest test;
  test.cellSizeLimit = 150;
  test.pixelsPerUnit = 0.5;
  EXPECT_FALSE(IsTooSmall(test, 5, Box(0, 0, 300, 300)));
  EXPECT_TRUE(IsTooSmall(test, 5, Box(0, 0, 299, 300)));
  EXPECT_TRUE(IsTooSmall(test, 5, Box(0, 0, 300, 299)));
  EXPECT_TRUE(IsTooSmall(test, 0, Box(0, 0, 3000, 3000)));
  test.cellSizeLimit = 0;
  EXPECT_FALSE(IsTooSmall(test, 1, Box(0, 0, 0, 0)));
  EXPECT_TRUE(IsTooSmall(test, 0, Box(0, 0, 3000, 3000)));
  test.cellSizeLimit = 150;
  test.fineView = true;
  EXPECT_FALSE(IsTooSmall(test, 1, Box(0, 0, 1, 1)));
  test.layerFilter = true;
  EXPECT_FALSE(IsTooSmall(test, 0, Box(0, 0, 1, 1)));
  EXPECT_FALSE(IsTooSmall(test, 101, Box(0, 0, 1, 1)));
  test.fineView = false;
  EXPECT_TRUE(IsTooSmall(test, 101, Box(0, 0, 1, 1)));
  // A box wider than 2^31 units is measured without overflow.
  test.layerFilter = false;
  test.pixelsPerUnit = 1e-7;
  EXPECT_FALSE(IsTooSmall(test, 1, Box(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX)));
}

TEST(ViewState, ZoomInByFourKeepsTheCentre) {
  double magnification = 1.0;
  auto scroll = ZoomInScroll(magnification, 0, 0, 800, 600);
  ASSERT_TRUE(scroll);
  EXPECT_EQ(magnification, 4.0);
  EXPECT_EQ(*scroll, (ScrollRequest{160, 120, 60, 45}));
  EXPECT_EQ(scroll->posX * kScrollUnit, 1200);
  EXPECT_EQ(scroll->posY * kScrollUnit, 900);
}

TEST(ViewState, ZoomInNearTheCapDoublesThenStops) {
  // 1000 * m * 4 > 145e6 but 1000 * m * 2 <= 145e6.
  double magnification = 50000.0;
  ASSERT_TRUE(ZoomInScroll(magnification, 0, 0, 1000, 500));
  EXPECT_EQ(magnification, 100000.0);
  EXPECT_FALSE(ZoomInScroll(magnification, 0, 0, 1000, 500));
  EXPECT_EQ(magnification, 100000.0);
  magnification = 36250.0;  // exactly the cap after 4x
  ASSERT_TRUE(ZoomInScroll(magnification, 0, 0, 1000, 500));
  EXPECT_EQ(magnification, 145000.0);
}

TEST(ViewState, ZoomOutReturnsToTheFullViewAtFourOrLess) {
  for (double start : {2.0, 4.0}) {
    double magnification = start;
    auto scroll = ZoomOutScroll(magnification, 900, 700, 800, 600);
    ASSERT_TRUE(scroll);
    EXPECT_EQ(magnification, 1.0);
    EXPECT_EQ(*scroll, (ScrollRequest{42, 32, 0, 0}));
  }
  double magnification = 1.0;
  EXPECT_FALSE(ZoomOutScroll(magnification, 0, 0, 800, 600));
  magnification = 16.0;
  auto scroll = ZoomOutScroll(magnification, 4800, 3600, 800, 600);
  ASSERT_TRUE(scroll);
  EXPECT_EQ(magnification, 4.0);
  EXPECT_EQ(*scroll, (ScrollRequest{160, 120, 45, 33}));
}

TEST(ViewState, ZoomInThenOutRestoresTheOrigin) {
  double magnification = 4.0;
  int32_t sx = 2000;
  int32_t sy = 1000;
  auto in = ZoomInScroll(magnification, sx, sy, 800, 600);
  ASSERT_TRUE(in);
  auto out = ZoomOutScroll(magnification, in->posX * kScrollUnit, in->posY * kScrollUnit, 800, 600);
  ASSERT_TRUE(out);
  EXPECT_EQ(magnification, 4.0);
  EXPECT_EQ(out->posX * kScrollUnit, sx);
  EXPECT_EQ(out->posY * kScrollUnit, sy);
}

TEST(ViewState, ResizeScrollKeepsTheVisiblePart) {
  EXPECT_FALSE(ResizeScroll(800, 600, 800, 600, 1.0, 0, 0));
  EXPECT_FALSE(ResizeScroll(800, 600, 800, 600, 16.0, 400, 400));
  EXPECT_EQ(*ResizeScroll(800, 600, 1000, 700, 1.0, 0, 0), (ScrollRequest{52, 37, 0, 0}));
  // Ratio min(400/800, 600/600) = 0.5.
  EXPECT_EQ(*ResizeScroll(800, 600, 400, 600, 4.0, 2000, 1000), (ScrollRequest{80, 120, 50, 25}));
  // A collapsed old size divides by nothing: ratio 1.
  EXPECT_EQ(*ResizeScroll(0, -5, 400, 600, 4.0, 2000, 1000), (ScrollRequest{80, 120, 100, 50}));
}

TEST(ViewState, ZoomToBoxCentresTheSquareAndCaps) {
  ViewMapping view;
  view.SetViewBox(0, 0, 100000, 100000);  // 100 um at 1 nm
  view.CentreView(0, 0, 1000, 1000);
  auto scroll = ZoomToBoxScroll(view, 50.0, 50.0, 5.0, 0.001, 1.0, 1000, 1000);
  ASSERT_TRUE(scroll);
  EXPECT_DOUBLE_EQ(view.magnification, 102000.0 / 10000.0);
  // The square's centre (50 um) lands on the client's centre.
  double centre = view.DeviceX(50000);
  EXPECT_NEAR(scroll->posX * kScrollUnit + 500, centre, kScrollUnit);
  EXPECT_NEAR(scroll->posY * kScrollUnit + 500, view.DeviceY(50000), kScrollUnit);
  ASSERT_TRUE(ZoomToBoxScroll(view, 50.0, 50.0, 1e-9, 0.001, 1.0, 1000, 1000));
  EXPECT_DOUBLE_EQ(view.magnification, kMaxVirtualPixels / 1000);
  EXPECT_FALSE(ZoomToBoxScroll(view, 50.0, 50.0, 0.0, 0.001, 1.0, 1000, 1000));
}

TEST(ViewState, RepaintDecisionForEachTrigger) {
  RepaintInputs base;
  base.hasTopCell = true;
  base.hasBuffer = true;
  base.originX = base.bufferOriginX = 40;
  base.originY = base.bufferOriginY = 60;
  base.clientW = base.bufferW = 800;
  base.clientH = base.bufferH = 600;
  EXPECT_EQ(ChooseRepaint(base), RepaintPath::kBlit);
  struct Case {
    const char* what;
    void (*change)(RepaintInputs&);
    RepaintPath expected;
  };
  const Case cases[] = {
      {"flag", [](RepaintInputs& in) { in.viewChanged = true; }, RepaintPath::kRedraw},
      {"scroll", [](RepaintInputs& in) { in.originY += 20; }, RepaintPath::kRedraw},
      {"no buffer", [](RepaintInputs& in) { in.hasBuffer = false; }, RepaintPath::kRedraw},
      {"growth", [](RepaintInputs& in) { in.clientW += 1; }, RepaintPath::kRedraw},
      {"shrink", [](RepaintInputs& in) { in.clientH -= 100; }, RepaintPath::kBlit},
      {"no cell", [](RepaintInputs& in) { in.hasTopCell = false; }, RepaintPath::kNothing},
      {"zero client", [](RepaintInputs& in) { in.clientW = 0, in.viewChanged = true; }, RepaintPath::kNothing},
  };
  for (const Case& c : cases) {
    RepaintInputs in = base;
    c.change(in);
    EXPECT_EQ(ChooseRepaint(in), c.expected) << c.what;
  }
}

TEST(ViewState, UnitFieldsKeepASnapGridOfAtLeastOne) {
  struct Case {
    double metres;
    double nm;
    int32_t grid;
  };
  const Case cases[] = {{1e-9, 1.0, 5}, {1e-10, 0.1, 50}, {1e-8, 10.0, 1}, {5e-10, 0.5, 10}, {2e-9, 2.0, 2}};
  for (const Case& c : cases) {
    UnitFields fields = UnitFieldsFor(c.metres);
    EXPECT_DOUBLE_EQ(fields.nmPerUnit, c.nm);
    EXPECT_DOUBLE_EQ(fields.umPerUnit, c.nm * 0.001);
    EXPECT_EQ(fields.snapGrid, c.grid) << c.metres;
  }
}

TEST(ViewState, DefaultLayerColourTable) {
  auto rgb = [](int r, int g, int b) { return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16; };
  struct Case {
    uint32_t layer, datatype, colour;
  };
  const Case cases[] = {
      {1, 0, rgb(0, 32, 0)}, {3, 2, rgb(96, 0, 16)}, {8, 1, rgb(0, 8, 0)},    {0, 0, rgb(0, 0, 0)},
      {0, 3, rgb(24, 0, 0)}, {2, 5, rgb(0, 0, 104)}, {9, 255, rgb(24, 0, 0)},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DefaultLayerColour(c.layer, c.datatype), c.colour) << c.layer << "/" << c.datatype;
  // Components wrap modulo 256 independently: layer 7 (green 224) plus datatype 4 (green +32).
  EXPECT_EQ(DefaultLayerColour(7, 4), rgb(0, 0, 0));
}

TEST(ViewState, ParseCellBoxAnswerTable) {
  struct Case {
    const char* answer;
    double nmPerUnit;
    Box expected;
  };
  const Case cases[] = {
      {"0 0 5 5", 1.0, Box(0, 0, 5000, 5000)},
      {"0 0 5 5", 0.1, Box(0, 0, 50000, 50000)},
      {"1 2 3", 1.0, Box(-10000, -10000, 10000, 10000)},
      {"", 1.0, Box(-10000, -10000, 10000, 10000)},
      {"   -2   3x  abc 7 99", 1.0, Box(-2000, 3000, 0, 7000)},
      {"5 5 0 0", 1.0, Box(0, 0, 5000, 5000)},
      {"0 0 99999999999 1", 1.0, Box(0, 0, INT32_MAX, 1000)},
      {"1\t2 3 4 5", 1.0, Box(1000, 3000, 4000, 5000)},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseCellBoxAnswer(c.answer, c.nmPerUnit), c.expected) << c.answer;
}

TEST(ViewState, OrientationTickCases) {
  // left 0, right 100, bottom 50, top 0 (screen rows).
  const TickLine expected[8] = {{90, 50, 0, 10},   {10, 50, 100, 10}, {10, 0, 100, 40}, {90, 0, 0, 40},
                                {10, 50, 100, 10}, {10, 0, 100, 40},  {90, 0, 0, 40},   {90, 50, 0, 10}};
  for (int code = 0; code < 8; ++code) {
    TickLine t = OrientationTick(0, 100, 50, 0, code);
    EXPECT_EQ(std::vector<int32_t>({t.x1, t.y1, t.x2, t.y2}),
              std::vector<int32_t>({expected[code].x1, expected[code].y1, expected[code].x2, expected[code].y2}))
        << code;
  }
  // Boxes under 10 pixels shorten the tick to the box.
  TickLine t = OrientationTick(0, 4, 3, 0, 0);
  EXPECT_EQ(std::vector<int32_t>({t.x1, t.y1, t.x2, t.y2}), std::vector<int32_t>({0, 3, 0, 3}));
}

}  // namespace
