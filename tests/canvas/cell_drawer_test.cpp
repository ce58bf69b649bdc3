#include "canvas/cell_drawer.h"

#include <gtest/gtest.h>
#include <wx/dc.h>

#include <memory>
#include <random>
#include <string>

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

// The longest text GDSII holds draws what shows of it like a text just long enough to cross the
// window.
TEST_F(CellDrawerTest, TextOfAnyLengthDrawsLikeOneThatJustCrossesTheWindow) {
  FitView(Box(0, 0, 1000, 1000), 400, 300);
  auto draw = [this](size_t length, const Box& window) {
    const uint32_t cell = lib_.CreateCell("cell" + std::to_string(length) + "_" + std::to_string(window.x1));
    Cell& c = *lib_.cells[cell];
    libtest::AddShape(c, kLayer1, {{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}}, {{0, 0}});
    c.AddText(kLayer2, lib_.AddString(std::string(length, 'T')), 500, 500, false);
    libtest::IndexShapes(c);
    return DrawHierarchy(cell, 5, 400, 300, window);
  };
  for (const Box& window : {kEverything, Box(10, 10, 990, 990)}) {
    const wxImage crossing = draw(60, window);
    ASSERT_GT(canvastest::CountColour(crossing, kRedPen), 300);
    const wxImage longest = draw(65530, window);
    EXPECT_TRUE(std::equal(longest.GetData(), longest.GetData() + 400 * 300 * 3, crossing.GetData()));
  }
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
            // Independently of the drawer's classification: a shape under two pixels wide is
            // its left and right edges, else one under two pixels high its top and bottom
            // edges (edges that coincide draw as one line); only wider shapes are filled.
            if (int64_t(box.x2) - box.x1 < 2) {
              expected.DrawLine(box.x1, box.y1, box.x1, box.y2);
              expected.DrawLine(box.x2, box.y1, box.x2, box.y2);
            } else if (int64_t(box.y2) - box.y1 < 2) {
              expected.DrawLine(box.x1, box.y1, box.x2, box.y1);
              expected.DrawLine(box.x1, box.y2, box.x2, box.y2);
            } else {
              expected.DrawPolygon(device.data(), device.size());
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

// The walk keeps its path on a stack of its own: a chain deeper than any call stack draws, and
// draws exactly what its leaf draws where the chain places it.
TEST_F(CellDrawerTest, DeepChainDrawsLikeItsLeafWherePlaced) {
  constexpr int32_t kLevels = 100000;
  uint32_t child = lib_.CreateCell("leaf");
  uint32_t leaf = child;
  libtest::AddShape(*lib_.cells[leaf], kLayer1, {{0, 0}, {400, 0}, {400, 200}, {0, 200}}, {{0, 0}});
  for (int32_t i = 0; i < kLevels; ++i) {
    uint32_t parent = lib_.CreateCell("C" + std::to_string(i));
    libtest::Place(lib_, parent, libtest::Single(child, 1, 1));
    child = parent;
  }
  FitView(lib_.cells[child]->box, 300, 200);
  wxImage chain = DrawHierarchy(child, kLevels + 1, 300, 200, kEverything);
  wxImage direct = Render(300, 200, [&](wxDC& dc) {
    CellDrawer drawer(lib_, dc, view_, settings_, tiles_, stamps_);
    drawer.DrawCellHierarchy(leaf, kEverything, Trans(kLevels, kLevels, 1.0f, 0), 1);
  });
  ASSERT_GT(canvastest::CountColour(direct, kGreenPen), 10000);
  EXPECT_TRUE(std::equal(chain.GetData(), chain.GetData() + 300 * 200 * 3, direct.GetData()));
}

// Arrays whose pitch is a pixel or more draw exactly what their elements placed one by one draw.
TEST_F(CellDrawerTest, ArrayDrawsLikeItsElementsPlacedOneByOne) {
  uint32_t leaf = lib_.CreateCell("leaf");
  libtest::AddShape(*lib_.cells[leaf], kLayer1, {{0, 0}, {9, 0}, {9, 3}, {3, 3}, {3, 9}, {0, 9}}, {{0, 0}});
  libtest::AddShape(*lib_.cells[leaf], kLayer2, {{4, 4}, {8, 4}, {8, 8}, {4, 8}}, {{0, 0}});
  for (uint8_t code = 0; code < 8; ++code) {
    uint32_t arrayed = lib_.CreateCell("arrayed" + std::to_string(code));
    uint32_t single = lib_.CreateCell("single" + std::to_string(code));
    libtest::Place(lib_, arrayed, libtest::Array(leaf, 5, -3, 12, 7, 13, -11, code));
    std::unique_ptr<ARef> array(libtest::Array(leaf, 5, -3, 12, 7, 13, -11, code));
    for (int32_t column = 0; column < 12; ++column) {
      for (int32_t row = 0; row < 7; ++row) {
        Trans element;
        array->ElementTrans(column, row, element);
        libtest::Place(lib_, single, libtest::Single(leaf, element.x, element.y, code));
      }
    }
    for (int size : {400, 90}) {
      FitView(lib_.cells[arrayed]->box, size, size);
      wxImage a = DrawHierarchy(arrayed, 5, size, size, kEverything);
      wxImage b = DrawHierarchy(single, 5, size, size, kEverything);
      ASSERT_GT(canvastest::CountColour(a, kRedPen), 12 * 7) << int(code);
      EXPECT_TRUE(std::equal(a.GetData(), a.GetData() + size * size * 3, b.GetData())) << int(code) << " " << size;
    }
  }
}

// 32767 x 32767 elements, each far below a pixel: about one element per pixel is drawn, and
// together they leave no pixel of the array's box out.
TEST_F(CellDrawerTest, HugeDenseArrayCoversItsBoxPixelForPixel) {
  uint32_t leaf = lib_.CreateCell("leaf");
  uint32_t top = lib_.CreateCell("top");
  libtest::AddShape(*lib_.cells[leaf], kLayer1, {{0, 0}, {5, 0}, {5, 5}, {0, 5}}, {{0, 0}});
  libtest::Place(lib_, top, libtest::Array(leaf, 0, 0, 32767, 32767, 10, 10));
  FitView(lib_.cells[top]->box, 200, 150);
  wxImage drawn = DrawHierarchy(top, 3, 200, 150, kEverything);
  const Box& box = lib_.cells[top]->box;
  int32_t left = view_.ToDeviceX(box.x1);
  int32_t right = view_.ToDeviceX(box.x2);
  int32_t topRow = view_.ToDeviceY(box.y2);
  int32_t bottom = view_.ToDeviceY(box.y1);
  ASSERT_GT(right - left, 100);
  int64_t inside = 0;
  for (int y = topRow + 1; y < bottom; ++y) {
    for (int x = left + 1; x < right; ++x) inside += canvastest::IsColour(drawn, x, y, kGreenPen);
  }
  EXPECT_EQ(inside, int64_t(right - left - 1) * (bottom - topRow - 1));
  EXPECT_EQ(canvastest::CountNonBlack(drawn), canvastest::CountColour(drawn, kGreenPen));
}

// Six levels of arrays whose elements overlap all but a unit: each level visits its first
// element in full and shows the rest of its extent by the array's box.
TEST_F(CellDrawerTest, NestedOverlappingArraysShowTheirExtentByTheirBoxes) {
  uint32_t child = lib_.CreateCell("L0");
  libtest::AddShape(*lib_.cells[child], kLayer1, {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {{0, 0}});
  for (int level = 1; level <= 6; ++level) {
    uint32_t parent = lib_.CreateCell("L" + std::to_string(level));
    libtest::Place(lib_, parent, libtest::Array(child, 0, 0, 32767, 32767, 1, 1));
    child = parent;
  }
  const Box& box = lib_.cells[child]->box;
  FitView(box, 400, 400);
  wxImage drawn = DrawHierarchy(child, 10, 400, 400, kEverything);
  // The corners of the outermost box (a box covers its left and top pixel columns, not its
  // right and bottom ones) away from the origin, where the first elements lie, are outlines.
  int32_t left = view_.ToDeviceX(box.x1);
  int32_t right = view_.ToDeviceX(box.x2) - 1;
  int32_t topRow = view_.ToDeviceY(box.y2);
  int32_t bottom = view_.ToDeviceY(box.y1) - 1;
  EXPECT_TRUE(canvastest::IsColour(drawn, left, topRow, *wxWHITE));
  EXPECT_TRUE(canvastest::IsColour(drawn, right, topRow, *wxWHITE));
  EXPECT_TRUE(canvastest::IsColour(drawn, right, bottom, *wxWHITE));
  // The innermost array of one-unit cells is a block at the origin.
  EXPECT_TRUE(canvastest::IsColour(drawn, view_.ToDeviceX(16000), view_.ToDeviceY(16000), kGreenPen));
  EXPECT_TRUE(canvastest::IsColour(drawn, left, bottom, kGreenPen));
}

// Six levels of 100 x 100 arrays at a pitch of two pixels, every element filling the whole
// window: the pass stops opening arrays once it has spent its work on the window's pixels, so
// it ends after a few thousand elements (not 2500^6), with the window in the layer colour and
// the outlines of the arrays it left unopened.
TEST_F(CellDrawerTest, NestedArraysOfWindowFillingElementsCostWhatTheirPixelsCost) {
  settings_.showTexts = false;
  uint32_t child = lib_.CreateCell("L0");
  libtest::AddShape(*lib_.cells[child], kLayer1, {{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}}, {{0, 0}});
  for (int level = 1; level <= 6; ++level) {
    uint32_t parent = lib_.CreateCell("L" + std::to_string(level));
    libtest::Place(lib_, parent, libtest::Array(child, 0, 0, 100, 100, 2, 2));
    child = parent;
  }
  // One pixel per unit, the window's unit square (x, y) at pixel (x, 99 - y).
  const Box window(0, 0, 100, 100);
  view_.viewBox.x = 0;
  view_.viewBox.y = 0;
  view_.viewBox.w = 100;
  view_.viewBox.h = 100;
  view_.scale = 1.0;
  int64_t drawn = 0;
  wxImage image = Render(100, 100, [&](wxDC& dc) {
    CellDrawer drawer(lib_, dc, view_, settings_, tiles_, stamps_);
    drawn = drawer.DrawCellHierarchy(child, window, Trans(), 10);
  });
  // Layer colour, with the outlines of the arrays left unopened over it.
  EXPECT_EQ(canvastest::CountNonBlack(image), 100 * 100);
  EXPECT_EQ(canvastest::CountColour(image, kGreenPen) + canvastest::CountColour(image, *wxWHITE), 100 * 100);
  EXPECT_GT(canvastest::CountColour(image, kGreenPen), 90 * 100);
  int64_t elementBound = CellDrawer::kWorkPerPixel * 100 * 100 / CellDrawer::kElementWork;
  EXPECT_GT(drawn, 6);
  EXPECT_LT(drawn, 2 * elementBound + 100);
}

// Without a device context the drawer paints the caller's raster, as it paints a DC.
TEST_F(CellDrawerTest, DrawsIntoARasterAsIntoADeviceContext) {
  settings_.showTexts = false;
  uint32_t leaf = lib_.CreateCell("leaf");
  uint32_t top = lib_.CreateCell("top");
  libtest::AddShape(*lib_.cells[leaf], kLayer1, {{0, 0}, {100, 0}, {100, 50}, {0, 50}}, {{0, 0}, {0, 80}});
  libtest::Place(lib_, top, libtest::Array(leaf, 0, 0, 3, 2, 150, 200, 3));
  libtest::Place(lib_, top, libtest::Single(leaf, 500, 500));
  FitView(lib_.cells[top]->box, 200, 160);
  for (int32_t level : {1, 2}) {
    wxImage viaDc = DrawHierarchy(top, level, 200, 160, kEverything);
    PixelRaster raster(0, 0, 200, 160, RasterColour());
    {
      CellDrawer drawer(lib_, raster, view_, settings_, tiles_, stamps_);
      drawer.DrawCellHierarchy(top, kEverything, Trans(), level);
    }
    ASSERT_GT(canvastest::CountNonBlack(viaDc), 100);
    EXPECT_TRUE(std::equal(viaDc.GetData(), viaDc.GetData() + 200 * 160 * 3, raster.Pixels())) << level;
  }
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
