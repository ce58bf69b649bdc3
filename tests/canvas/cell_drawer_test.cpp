#include "canvas/cell_drawer.h"

#include <gtest/gtest.h>
#include <wx/dc.h>

#include <random>

#include "canvas/fill_tiles.h"
#include "canvas/text_stamps.h"
#include "tests/canvas/canvas_test_util.h"

namespace {

using canvastest::kGreenPen;
using canvastest::kRedPen;
using canvastest::Render;

const LayerKey kLayer1 = MakeLayerKey(1, 0);
const LayerKey kLayer2 = MakeLayerKey(2, 0);

class CellDrawerTest : public ::testing::Test {
 protected:
  CellDrawerTest() : lib_(dir_.Path(), false) {
    canvastest::SetLayer(lib_, kLayer1, canvastest::kGreenWord);
    canvastest::SetLayer(lib_, kLayer2, canvastest::kRedWord);
    settings_.outlineColour = *wxWHITE;
    settings_.cellSizeLimit = 0;
  }

  // The view that fits box into a client of w x h.
  void FitView(const Box& box, int w, int h) {
    view_.SetViewBox(box.x1, box.y1, box.x2, box.y2);
    view_.CentreView(0, 0, w, h);
  }

  wxImage DrawHierarchy(uint32_t cell, int32_t level, int w, int h, const Box& window) {
    return Render(w, h, [&](wxDC& dc) {
      CellDrawer drawer(lib_, dc, view_, settings_, tiles_, stamps_);
      drawer.DrawCellHierarchy(cell, window, Trans(), level);
    });
  }

  libtest::TempDir dir_;
  Library lib_;
  ViewMapping view_;
  DrawSettings settings_;
  FillTiles tiles_;
  TextStamps stamps_;
};

const Box kEverything(-1000000, -1000000, 1000000, 1000000);

TEST_F(CellDrawerTest, DepthOneDrawsOutlineBoxesOnly) {
  uint32_t leaf = lib_.CreateCell("leaf");
  uint32_t top = lib_.CreateCell("top");
  libtest::AddShape(*lib_.cells[leaf], kLayer1, {{0, 0}, {100, 0}, {100, 100}, {0, 100}}, {{0, 0}});
  libtest::Place(lib_, top, libtest::Single(leaf, 0, 0));
  libtest::Place(lib_, top, libtest::Single(leaf, 200, 0));
  FitView(lib_.cells[top]->box, 400, 200);
  wxImage outlines = DrawHierarchy(top, 1, 400, 200, kEverything);
  EXPECT_EQ(canvastest::CountColour(outlines, kGreenPen), 0);
  for (int32_t x0 : {0, 200}) {
    EXPECT_TRUE(canvastest::IsColour(outlines, view_.ToDeviceX(x0), view_.ToDeviceY(50), *wxWHITE)) << x0;
    EXPECT_TRUE(canvastest::IsBlack(outlines, view_.ToDeviceX(x0 + 50), view_.ToDeviceY(50))) << x0;
  }
  EXPECT_EQ(canvastest::CountNonBlack(outlines), canvastest::CountColour(outlines, *wxWHITE));
  // One level more draws the contents.
  wxImage full = DrawHierarchy(top, 2, 400, 200, kEverything);
  EXPECT_TRUE(canvastest::IsColour(full, view_.ToDeviceX(250), view_.ToDeviceY(50), kGreenPen));
  EXPECT_EQ(canvastest::CountColour(full, *wxWHITE), 0);
}

TEST_F(CellDrawerTest, ArrayUnderTheSizeLimitIsOneBoxWithItsLabel) {
  uint32_t leaf = lib_.CreateCell("leaf");
  uint32_t top = lib_.CreateCell("top");
  libtest::AddShape(*lib_.cells[leaf], kLayer1, {{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {{0, 0}});
  libtest::Place(lib_, top, libtest::Array(leaf, 0, 0, 10, 10, 20, 20));
  view_.viewBox = ViewBox{-50, -50, 400, 400};
  view_.CentreView(0, 0, 400, 400);
  settings_.showNames = true;
  settings_.cellSizeLimit = 200;  // the array is 190 pixels wide
  wxImage drawn = DrawHierarchy(top, 5, 400, 400, kEverything);
  int32_t left = view_.ToDeviceX(0);
  int32_t right = view_.ToDeviceX(190);
  int32_t topRow = view_.ToDeviceY(190);
  int32_t bottom = view_.ToDeviceY(0);
  wxImage expected = Render(400, 400, [&](wxDC& dc) {
    dc.SetPen(wxPen(*wxWHITE, 1));
    dc.SetBrush(*wxTRANSPARENT_BRUSH);
    dc.DrawRectangle(left, topRow, right - left, bottom - topRow);
    dc.DrawLine(right - 10, bottom, left, topRow + 10);
    dc.SetTextForeground(*wxWHITE);
    dc.DrawText("leaf (10x10)", left, topRow);
  });
  EXPECT_EQ(canvastest::CountColour(drawn, kGreenPen), 0);
  ASSERT_GT(canvastest::CountNonBlack(expected), 4 * 190);
  EXPECT_TRUE(std::equal(drawn.GetData(), drawn.GetData() + 400 * 400 * 3, expected.GetData()));
  // Over the limit, every element is drawn.
  settings_.cellSizeLimit = 0;
  wxImage elements = DrawHierarchy(top, 5, 400, 400, kEverything);
  EXPECT_TRUE(canvastest::IsColour(elements, view_.ToDeviceX(185), view_.ToDeviceY(185), kGreenPen));
}

TEST_F(CellDrawerTest, HiddenLayersDrawNeitherShapesNorTexts) {
  uint32_t cell = lib_.CreateCell("cell");
  Cell& c = *lib_.cells[cell];
  libtest::AddShape(c, kLayer1, {{0, 0}, {100, 0}, {100, 100}, {0, 100}}, {{0, 0}, {300, 0}});
  libtest::AddShape(c, kLayer2, {{0, 0}, {50, 0}, {50, 300}, {0, 300}}, {{150, 0}});
  c.AddText(kLayer1, lib_.AddString("VDD"), 20, 250, false);
  libtest::IndexShapes(c);
  FitView(c.box, 400, 300);
  const Box partial(10, 10, 390, 290);
  for (const Box& window : {kEverything, partial}) {
    lib_.layerMap[kLayer1].colour |= 0x80000000u;
    wxImage hidden = DrawHierarchy(cell, 5, 400, 300, window);
    EXPECT_GT(canvastest::CountColour(hidden, kRedPen), 1000);
    EXPECT_EQ(canvastest::CountNonBlack(hidden), canvastest::CountColour(hidden, kRedPen));
    lib_.layerMap[kLayer1].colour &= ~0x80000000u;
    wxImage shown = DrawHierarchy(cell, 5, 400, 300, window);
    EXPECT_GT(canvastest::CountColour(shown, kGreenPen), 1000);
    // The text: pixels on layer 1 outside its boxes.
    int64_t textPixels = 0;
    for (int y = view_.ToDeviceY(270); y < view_.ToDeviceY(200); ++y) {
      for (int x = view_.ToDeviceX(20); x < view_.ToDeviceX(100); ++x) textPixels += !canvastest::IsBlack(shown, x, y);
    }
    EXPECT_GT(textPixels, 0);
  }
  lib_.layerMap[kLayer2].colour |= 0x80000000u;
  lib_.layerMap[kLayer1].colour |= 0x80000000u;
  EXPECT_EQ(canvastest::CountNonBlack(DrawHierarchy(cell, 5, 400, 300, kEverything)), 0);
}

// A cell of repeated shapes, drawn whole (decoded once per group and shifted) and shape by
// shape (a window that leaves out only a far text forces the queried path).
class WholeCellPathTest : public CellDrawerTest {
 protected:
  uint32_t BuildCell() {
    uint32_t id = lib_.CreateCell("grid");
    Cell& cell = *lib_.cells[id];
    std::mt19937 random(11);
    std::uniform_int_distribution<int32_t> jitter(0, 5);
    // Shapes keep apart, so that a pixel of one never lands on another.
    std::vector<Point> positions;
    std::vector<Point> beside;
    for (int i = 0; i < 25; ++i) {
      positions.push_back(Point(30 * (i % 5) + jitter(random), 30 * (i / 5) + jitter(random)));
      beside.push_back(Point(positions.back().x + 14, positions.back().y));
    }
    libtest::AddShape(cell, kLayer1, {{0, 0}, {9, 0}, {9, 3}, {3, 3}, {3, 9}, {0, 9}}, positions);
    libtest::AddShape(cell, kLayer2, {{0, 0}, {4, 0}, {8, 4}, {4, 8}, {0, 4}}, beside);
    cell.AddText(kLayer1, lib_.AddString("far"), -60, -60, false);
    libtest::IndexShapes(cell);
    return id;
  }

  std::pair<wxImage, wxImage> DrawBothWays(Cell& cell, const Trans& placement, double scale) {
    Box placed = cell.box;
    placement.ApplyToBox(placed);
    view_.viewBox = ViewBox{placed.x1 - 5, placed.y1 - 5, placed.Width() + 10, placed.Height() + 10};
    view_.scale = scale;
    view_.offsetX = view_.offsetY = 0;
    view_.magnification = 1.0;
    auto draw = [&](const Box& window) {
      return Render(kSize, kSize, [&](wxDC& dc) {
        CellDrawer drawer(lib_, dc, view_, settings_, tiles_, stamps_);
        drawer.DrawCellGeometry(cell, window, placement);
      });
    };
    return {draw(kEverything), draw(Box(-1, -1, 210, 210))};
  }

  static constexpr int kSize = 640;
};

TEST_F(WholeCellPathTest, GivesThePixelsOfThePerShapePathAtWholePixelSteps) {
  settings_.showTexts = false;
  Cell& cell = *lib_.cells[BuildCell()];
  for (float magnification : {1.0f, 2.0f}) {
    for (uint8_t code = 0; code < 8; ++code) {
      auto [whole, perShape] = DrawBothWays(cell, Trans(1000, -3000, magnification, code), 1.0);
      ASSERT_GT(canvastest::CountColour(whole, kGreenPen), 100);
      EXPECT_TRUE(std::equal(whole.GetData(), whole.GetData() + kSize * kSize * 3, perShape.GetData()))
          << "code " << int(code) << " magnification " << magnification;
    }
  }
}

// Every coloured pixel of a has a pixel of the same colour within one pixel in b.
bool WithinOnePixel(const wxImage& a, const wxImage& b) {
  for (int y = 0; y < a.GetHeight(); ++y) {
    for (int x = 0; x < a.GetWidth(); ++x) {
      if (canvastest::IsBlack(a, x, y)) continue;
      wxColour c(a.GetRed(x, y), a.GetGreen(x, y), a.GetBlue(x, y));
      bool found = false;
      for (int dy = -1; dy <= 1 && !found; ++dy) {
        for (int dx = -1; dx <= 1 && !found; ++dx) {
          int nx = x + dx;
          int ny = y + dy;
          found = nx >= 0 && ny >= 0 && nx < b.GetWidth() && ny < b.GetHeight() && canvastest::IsColour(b, nx, ny, c);
        }
      }
      if (!found) return false;
    }
  }
  return true;
}

TEST_F(WholeCellPathTest, StaysWithinOnePixelAtOtherScales) {
  settings_.showTexts = false;
  Cell& cell = *lib_.cells[BuildCell()];
  for (double scale : {0.37, 1.3, 2.71}) {
    for (uint8_t code = 0; code < 8; ++code) {
      auto [whole, perShape] = DrawBothWays(cell, Trans(-77, 123, 1.0f, code), scale);
      EXPECT_TRUE(WithinOnePixel(whole, perShape)) << "code " << int(code) << " scale " << scale;
      EXPECT_TRUE(WithinOnePixel(perShape, whole)) << "code " << int(code) << " scale " << scale;
    }
  }
}

// Shapes a few pixels across, drawn shape by shape, lie exactly where their own vertices map,
// for every placement: thin ones are placed from the record's box, not from their vertices.
TEST_F(CellDrawerTest, SmallShapesLieWhereTheirVerticesMap) {
  settings_.showTexts = false;
  Cell& cell = *lib_.cells[lib_.CreateCell("small")];
  const std::vector<ringtest::Ring> rings = {{{0, 0}, {30, 0}, {30, 4}, {0, 4}},
                                             {{0, 0}, {9, 0}, {9, 3}, {3, 3}, {3, 9}, {0, 9}},
                                             {{2, 0}, {5, 0}, {7, 2}, {7, 5}, {5, 7}, {2, 7}, {0, 5}, {0, 2}}};
  const std::vector<Point> positions = {{0, 0}, {40, 7}, {-33, 61}, {90, -20}};
  for (const auto& ring : rings) libtest::AddShape(cell, kLayer1, ring, positions);
  // A far text keeps the window from holding the whole cell: the per-shape path.
  cell.AddText(kLayer1, lib_.AddString("far"), -5000, -5000, false);
  libtest::IndexShapes(cell);
  const Box window(-100, -100, 200, 200);
  const RasterColour green{0, 255, 8};
  RasterFill fill;
  fill.kind = RasterFill::Kind::kSolid;
  fill.colour = green;
  for (double scale : {0.13, 0.3, 0.61}) {
    for (float magnification : {1.0f, 2.0f}) {
      for (uint8_t code = 0; code < 8; ++code) {
        Trans placement(1000, -3000, magnification, code);
        Box placed(-40, -25, 130, 75);
        placement.ApplyToBox(placed);
        view_.viewBox = ViewBox{placed.x1, placed.y1, placed.Width(), placed.Height()};
        view_.scale = scale;
        wxImage drawn = Render(100, 100, [&](wxDC& dc) {
          CellDrawer drawer(lib_, dc, view_, settings_, tiles_, stamps_);
          drawer.DrawCellGeometry(cell, window, placement);
        });
        PixelRaster expected(0, 0, 100, 100, RasterColour());
        expected.SetPen(green);
        expected.SetFill(fill);
        for (const auto& ring : rings) {
          for (const Point& p : positions) {
            std::vector<Point> device;
            Box box;
            for (const Point& v : ring) {
              Point q(p.x + v.x, p.y + v.y);
              placement.ApplyToPoint(q);
              device.push_back(Point(view_.ToDeviceX(q.x), view_.ToDeviceY(q.y)));
              box.Extend(device.back().x, device.back().y);
            }
            switch (ClassifyShape(box.x1, box.y1, box.x2, box.y2)) {
              case ShapeForm::kPoint:
              case ShapeForm::kLine:
                expected.DrawLine(box.x1, box.y1, box.x2, box.y2);
                break;
              case ShapeForm::kTwoVerticalLines:
                expected.DrawLine(box.x1, box.y1, box.x1, box.y2);
                expected.DrawLine(box.x2, box.y1, box.x2, box.y2);
                break;
              case ShapeForm::kTwoHorizontalLines:
                expected.DrawLine(box.x1, box.y1, box.x2, box.y1);
                expected.DrawLine(box.x1, box.y2, box.x2, box.y2);
                break;
              case ShapeForm::kPolygon:
                expected.DrawPolygon(device.data(), device.size());
                break;
            }
          }
        }
        ASSERT_GT(canvastest::CountColour(drawn, kGreenPen), 10);
        ASSERT_TRUE(std::equal(drawn.GetData(), drawn.GetData() + 100 * 100 * 3, expected.Pixels()))
            << "scale " << scale << " magnification " << magnification << " code " << int(code);
      }
    }
  }
}

TEST_F(CellDrawerTest, PointsOnOnePixelDrawLikeEveryPointDrawn) {
  uint32_t id = lib_.CreateCell("dust");
  Cell& cell = *lib_.cells[id];
  std::mt19937 random(5);
  std::uniform_int_distribution<int32_t> coordinate(0, 2000);
  canvastest::SetLayer(lib_, kLayer1 + 1, 0x00ff0000u);
  for (LayerKey key : {kLayer1, kLayer2, kLayer1 + 1}) {
    std::vector<Point> positions;
    for (int i = 0; i < 400; ++i) positions.push_back(Point(coordinate(random), coordinate(random)));
    libtest::AddShape(cell, key, {{0, 0}, {2, 0}, {2, 2}, {0, 2}}, positions);
  }
  FitView(cell.box, 60, 40);
  wxImage skipping = DrawHierarchy(id, 1, 60, 40, kEverything);
  // Without a window every point is drawn.
  view_.windowW = view_.windowH = 0;
  wxImage everyPoint = DrawHierarchy(id, 1, 60, 40, kEverything);
  ASSERT_GT(canvastest::CountNonBlack(everyPoint), 500);
  EXPECT_TRUE(std::equal(skipping.GetData(), skipping.GetData() + 60 * 40 * 3, everyPoint.GetData()));
}

TEST(CellDrawerBox, CollapsesToPointsAndLines) {
  struct Case {
    int32_t w, h;
    int64_t pixels;
  };
  const RasterColour white{255, 255, 255};
  auto draw = [&](int32_t w, int32_t h) {
    PixelRaster raster(0, 0, 20, 20, RasterColour());
    raster.SetPen(white);
    CellDrawer::DrawBox(raster, 5, 5, w, h);
    return raster;
  };
  auto count = [&](const PixelRaster& raster) {
    int64_t n = 0;
    for (int y = 0; y < 20; ++y) {
      for (int x = 0; x < 20; ++x) n += raster.PixelAt(x, y) == white;
    }
    return n;
  };
  // A line includes its end point, as on GTK.
  const Case cases[] = {{0, 0, 1}, {0, 1, 1}, {0, 5, 6}, {5, 0, 6}, {1, 1, 1}, {5, 4, 14}};
  for (const Case& c : cases) {
    PixelRaster raster = draw(c.w, c.h);
    EXPECT_EQ(count(raster), c.pixels) << c.w << "x" << c.h;
    EXPECT_TRUE(raster.PixelAt(5, 5) == white);
  }
  // One pixel thin: two lines from the same corner, the first along the long side.
  PixelRaster tall = draw(1, 5);
  PixelRaster wide = draw(5, 1);
  for (int i = 0; i <= 5; ++i) {
    EXPECT_TRUE(tall.PixelAt(5, 5 + i) == white) << i;
    EXPECT_TRUE(wide.PixelAt(5 + i, 5) == white) << i;
  }
  EXPECT_GT(count(tall), 6);
  EXPECT_GT(count(wide), 6);
}

}  // namespace
