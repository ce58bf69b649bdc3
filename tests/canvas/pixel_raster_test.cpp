#include "canvas/view/pixel_raster.h"

#include <gtest/gtest.h>
#include <wx/brush.h>
#include <wx/dc.h>
#include <wx/pen.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "canvas/fill_tiles.h"
#include "tests/canvas/canvas_test_util.h"

namespace {

const RasterColour kBlack{0, 0, 0};
const RasterColour kPen{0, 255, 8};
const RasterColour kFill{255, 0, 8};

RasterFill Solid(RasterColour colour) {
  RasterFill fill;
  fill.kind = RasterFill::Kind::kSolid;
  fill.colour = colour;
  return fill;
}

double DistanceToSegment(double px, double py, const Point& a, const Point& b) {
  double dx = double(b.x) - a.x;
  double dy = double(b.y) - a.y;
  double length2 = dx * dx + dy * dy;
  double t = length2 == 0 ? 0 : std::clamp(((px - a.x) * dx + (py - a.y) * dy) / length2, 0.0, 1.0);
  return std::hypot(px - (a.x + t * dx), py - (a.y + t * dy));
}

// An independent model of a polygon drawn with pen and fill: the pen where the pixel's corner
// point lies within 1/2 of an edge, the fill where a ray from it to the right crosses the
// outline an odd number of times.
RasterColour Model(const std::vector<Point>& polygon, int32_t x, int32_t y, bool filled) {
  size_t n = polygon.size();
  bool inside = false;
  for (size_t i = 0; i < n; ++i) {
    const Point& a = polygon[i];
    const Point& b = polygon[(i + 1) % n];
    if (DistanceToSegment(x, y, a, b) < 0.5) return kPen;
    if ((a.y > y) != (b.y > y)) {
      double crossing = a.x + (double(y) - a.y) * (double(b.x) - a.x) / (double(b.y) - a.y);
      if (x < crossing) inside = !inside;
    }
  }
  return filled && inside ? kFill : kBlack;
}

int64_t CountDifferences(const PixelRaster& raster, const std::vector<Point>& polygon, bool filled) {
  int64_t differences = 0;
  for (int32_t y = raster.Top(); y < raster.Top() + raster.Height(); ++y) {
    for (int32_t x = raster.Left(); x < raster.Left() + raster.Width(); ++x) {
      differences += !(raster.PixelAt(x, y) == Model(polygon, x, y, filled));
    }
  }
  return differences;
}

TEST(PixelRaster, RandomPolygonsMatchAPerPixelModel) {
  std::mt19937 random(3);
  for (int trial = 0; trial < 300; ++trial) {
    // Small shapes about the window, and shapes far beyond it (a zoomed-in view).
    int32_t spread = trial % 3 == 0 ? 400000000 : 50;
    std::uniform_int_distribution<int32_t> coordinate(-spread / 10, spread);
    std::vector<Point> polygon(3 + random() % 7);
    for (Point& p : polygon) p = Point(coordinate(random), coordinate(random));
    bool filled = trial % 2 == 0;
    PixelRaster raster(-3, -2, 44, 36, kBlack);
    raster.SetPen(kPen);
    if (filled) raster.SetFill(Solid(kFill));
    raster.DrawPolygon(polygon.data(), polygon.size());
    ASSERT_EQ(CountDifferences(raster, polygon, filled), 0) << "trial " << trial;
  }
}

TEST(PixelRaster, LinesAndPointsMatchTheModelAndStayInTheWindow) {
  std::mt19937 random(8);
  std::uniform_int_distribution<int32_t> coordinate(-20, 60);
  for (int trial = 0; trial < 200; ++trial) {
    Point a(coordinate(random), coordinate(random));
    Point b = trial % 4 == 0 ? a : Point(coordinate(random), coordinate(random));
    PixelRaster raster(0, 0, 40, 40, kBlack);
    raster.SetPen(kPen);
    raster.DrawLine(a.x, a.y, b.x, b.y);
    // A two-point outline is the segment there and back.
    ASSERT_EQ(CountDifferences(raster, {a, b}, false), 0) << "trial " << trial;
  }
  PixelRaster raster(10, 10, 5, 5, kBlack);
  raster.SetPen(kPen);
  raster.DrawLine(INT32_MIN, 12, INT32_MAX, 12);
  raster.DrawLine(11, INT32_MIN, 11, INT32_MAX);
  raster.DrawPoint(INT32_MAX, INT32_MAX);
  int64_t lit = 0;
  for (int32_t y = 10; y < 15; ++y) {
    for (int32_t x = 10; x < 15; ++x) lit += raster.PixelAt(x, y) == kPen;
  }
  EXPECT_EQ(lit, 9);
}

// The toolkit draws the same pixels for what the drawing uses most: boxes with and without
// fill, horizontal and vertical lines, points, and diagonal ticks. (Boxes are at least 4 pixels
// wide and high and inside the bitmap: on a box 3 pixels wide, or one crossing the bitmap's
// edge, the toolkit's own stroke strays into the inside.)
TEST(PixelRaster, AgreesWithTheToolkitOnBoxesLinesAndPoints) {
  std::mt19937 random(21);
  std::uniform_int_distribution<int32_t> coordinate(2, 18);
  std::uniform_int_distribution<int32_t> size(4, 16);
  const wxColour pen(kPen.red, kPen.green, kPen.blue);
  const wxColour fill(kFill.red, kFill.green, kFill.blue);
  for (int trial = 0; trial < 100; ++trial) {
    int32_t x = coordinate(random), y = coordinate(random), w = size(random), h = size(random);
    int32_t tick = std::min(w, h);
    bool filled = trial % 2 == 0;
    wxImage expected = canvastest::Render(40, 40, [&](wxDC& dc) {
      dc.SetPen(wxPen(pen, 1));
      dc.SetBrush(filled ? wxBrush(fill) : *wxTRANSPARENT_BRUSH);
      dc.DrawRectangle(x, y, w, h);
      dc.DrawLine(x, y + h + 2, x + w, y + h + 2);
      dc.DrawLine(x + w + 2, y, x + w + 2, y + h);
      dc.DrawLine(x, y, x + tick, y + tick);
      dc.DrawLine(x + w, y, x + w - tick, y + tick);
      dc.DrawPoint(x - 2, y - 2);
    });
    PixelRaster raster(0, 0, 40, 40, kBlack);
    raster.SetPen(kPen);
    if (filled) raster.SetFill(Solid(kFill));
    raster.DrawRectangle(x, y, w, h);
    raster.DrawLine(x, y + h + 2, x + w, y + h + 2);
    raster.DrawLine(x + w + 2, y, x + w + 2, y + h);
    raster.DrawLine(x, y, x + tick, y + tick);
    raster.DrawLine(x + w, y, x + w - tick, y + tick);
    raster.DrawPoint(x - 2, y - 2);
    ASSERT_TRUE(std::equal(raster.Pixels(), raster.Pixels() + 40 * 40 * 3, expected.GetData())) << "trial " << trial;
  }
}

TEST(PixelRaster, PatternFillsAgreeWithTheToolkitBrushes) {
  FillTiles tiles;
  const uint32_t colour = 0x0820ffu;  // red 255, green 32, blue 8
  const wxColour pen(255, 32, 8);
  for (uint32_t style : {uint32_t(wxBRUSHSTYLE_STIPPLE), uint32_t(wxBRUSHSTYLE_CROSSDIAG_HATCH)}) {
    wxImage expected = canvastest::Render(60, 50, [&](wxDC& dc) {
      dc.SetPen(wxPen(pen, 1));
      if (style == wxBRUSHSTYLE_STIPPLE) {
        wxImage pattern(32, 32, true);
        for (int y = 3; y < 32; y += 4) {
          for (int x = 3; x < 32; x += 4) pattern.SetRGB(x, y, 255, 32, 8);
        }
        pattern.SetMaskColour(0, 0, 0);
        dc.SetBrush(wxBrush(wxBitmap(pattern, 24)));
      } else {
        dc.SetBrush(wxBrush(pen, wxBrushStyle(style)));
      }
      dc.DrawRectangle(3, 5, 51, 41);
    });
    PixelRaster raster(0, 0, 60, 50, kBlack);
    RasterFill fill;
    fill.kind = RasterFill::Kind::kTile;
    fill.tile = tiles.Get(style, colour);
    raster.SetPen(RasterColour{255, 32, 8});
    raster.SetFill(fill);
    raster.DrawRectangle(3, 5, 51, 41);
    EXPECT_TRUE(std::equal(raster.Pixels(), raster.Pixels() + 60 * 50 * 3, expected.GetData())) << style;
  }
  // The stipple repeats from logical (0, 0) also left of and above it.
  PixelRaster negative(-8, -8, 8, 8, kBlack);
  RasterFill fill;
  fill.kind = RasterFill::Kind::kTile;
  fill.tile = tiles.Get(wxBRUSHSTYLE_STIPPLE, colour);
  negative.SetPen(kBlack);
  negative.SetFill(fill);
  negative.DrawRectangle(-9, -9, 10, 10);
  for (int32_t y = -8; y < 0; ++y) {
    for (int32_t x = -8; x < 0; ++x) {
      bool dot = (x + 8) % 4 == 3 && (y + 8) % 4 == 3;
      EXPECT_EQ(negative.PixelAt(x, y) == (RasterColour{255, 32, 8}), dot) << x << "," << y;
    }
  }
}

TEST(PixelRaster, StampsBlendEachChannelByItsCoverage) {
  PixelRaster raster(0, 0, 4, 1, RasterColour{100, 100, 100});
  // Coverage 0, 255, 128 and one per channel; the stamp hangs over the right edge.
  const uint8_t coverage[] = {0, 0, 0, 255, 255, 255, 128, 128, 128, 255, 0, 128, 255, 255, 255};
  raster.BlendStamp(0, 0, 5, 1, coverage, RasterColour{200, 0, 255});
  EXPECT_TRUE(raster.PixelAt(0, 0) == (RasterColour{100, 100, 100}));
  EXPECT_TRUE(raster.PixelAt(1, 0) == (RasterColour{200, 0, 255}));
  // 200 * 128 / 255 + 100 * 127 / 255, each rounded: 100 + 50.
  EXPECT_TRUE(raster.PixelAt(2, 0) == (RasterColour{150, 50, 178}));
  EXPECT_TRUE(raster.PixelAt(3, 0) == (RasterColour{200, 100, 178}));
}

}  // namespace
