#include "canvas/view/cell_images.h"

#include <gtest/gtest.h>

#include <functional>

#include "canvas/cell_drawer.h"
#include "canvas/fill_tiles.h"
#include "canvas/text_stamps.h"
#include "db/error.h"
#include "tests/canvas/canvas_test_util.h"

namespace {

const LayerKey kGreen = MakeLayerKey(1, 0);
const LayerKey kRed = MakeLayerKey(2, 0);
const RasterColour kGreenPixel{0, 255, 8};
const RasterColour kRedPixel{255, 0, 8};
const Box kEverything(-10000000, -10000000, 10000000, 10000000);

ringtest::Ring Square(int32_t side) { return {{0, 0}, {side, 0}, {side, side}, {0, side}}; }

int64_t Count(const PixelRaster& raster, const std::function<bool(RasterColour)>& test) {
  int64_t n = 0;
  for (int32_t y = raster.Top(); y < raster.Top() + raster.Height(); ++y) {
    for (int32_t x = raster.Left(); x < raster.Left() + raster.Width(); ++x) n += test(raster.PixelAt(x, y));
  }
  return n;
}

int64_t CountColour(const PixelRaster& raster, RasterColour colour) {
  return Count(raster, [&](RasterColour c) { return c == colour; });
}

int64_t CountDifferent(const PixelRaster& a, const PixelRaster& b) {
  int64_t n = 0;
  for (int32_t y = 0; y < a.Height(); ++y) {
    for (int32_t x = 0; x < a.Width(); ++x) n += !(a.PixelAt(x, y) == b.PixelAt(x, y));
  }
  return n;
}

// Pixels of a drawn in a colour that b has nowhere within one pixel: stamps off by more than
// the rounding of a pixel, or in a wrong colour.
int64_t CountUnmatched(const PixelRaster& a, const PixelRaster& b) {
  int64_t n = 0;
  for (int32_t y = 0; y < a.Height(); ++y) {
    for (int32_t x = 0; x < a.Width(); ++x) {
      RasterColour c = a.PixelAt(x, y);
      if (c == RasterColour()) continue;
      bool found = false;
      for (int32_t dy = -1; dy <= 1 && !found; ++dy) {
        for (int32_t dx = -1; dx <= 1 && !found; ++dx) {
          int32_t u = x + dx;
          int32_t v = y + dy;
          found = u >= 0 && v >= 0 && u < b.Width() && v < b.Height() && b.PixelAt(u, v) == c;
        }
      }
      n += !found;
    }
  }
  return n;
}

// Draws headless into rasters of the view: the library, a view fitted to the top cell, and a
// table of images that each pass follows and ends.
class CellImagesTest : public ::testing::Test {
 protected:
  CellImagesTest() : lib_(dir_.Path(), false) {
    canvastest::SetLayer(lib_, kGreen, canvastest::kGreenWord);
    canvastest::SetLayer(lib_, kRed, canvastest::kRedWord);
    settings_.outlineColour = *wxWHITE;
    settings_.cellSizeLimit = 0;
    settings_.showTexts = false;
  }

  void FitView(uint32_t top, int w, int h) {
    const Box& box = lib_.cells[top]->box;
    view_.SetViewBox(box.x1, box.y1, box.x2, box.y2);
    view_.CentreView(0, 0, w, h);
    settings_.topCellId = int32_t(top);
  }

  // A view of w x h pixels whose scale is exactly w / box.w.
  void ExactView(uint32_t top, const ViewBox& box, int w, int h) {
    view_.viewBox = box;
    view_.CentreView(0, 0, w, h);
    settings_.topCellId = int32_t(top);
  }

  // One pass over the whole view; images on unless accurate.
  PixelRaster Draw(const std::function<void(CellDrawer&)>& draw, bool accurate = false) {
    PixelRaster raster(0, 0, view_.windowW, view_.windowH, RasterColour());
    images_.Follow(lib_);
    settings_.images = accurate ? nullptr : &images_;
    CellImages::Pass pass(settings_.images);
    CellDrawer drawer(lib_, raster, view_, settings_, tiles_, stamps_);
    draw(drawer);
    return raster;
  }

  PixelRaster Accelerated(uint32_t top) {
    return Draw([&](CellDrawer& d) { d.DrawCellAccelerated(top); });
  }

  PixelRaster Hierarchy(uint32_t top, bool accurate) {
    return Draw([&](CellDrawer& d) { d.DrawCellHierarchy(top, kEverything, Trans(), 100); }, accurate);
  }

  libtest::TempDir dir_;
  Library lib_;
  ViewMapping view_;
  DrawSettings settings_;
  FillTiles tiles_;
  TextStamps stamps_;
  CellImages images_;
};

TEST_F(CellImagesTest, CellWithoutVisibleShapesIsOneBlackPixelAndAddsNothing) {
  uint32_t hiddenOnly = lib_.CreateCell("hidden");
  uint32_t top = lib_.CreateCell("top");
  libtest::AddShape(*lib_.cells[hiddenOnly], kRed, Square(2), {{0, 0}});
  lib_.layerMap[kRed].colour |= 0x80000000u;
  libtest::AddShape(*lib_.cells[top], kGreen, Square(100), {{0, 0}});
  libtest::Place(lib_, top, libtest::Array(hiddenOnly, 2000, 2000, 20, 20, 50, 50));
  ExactView(top, ViewBox{0, 0, 3000, 3000}, 300, 300);  // the hidden cell is a fifth of a pixel
  PixelRaster drawn = Draw([&](CellDrawer& d) {
    d.DrawCellAccelerated(top);
    const CellImage& image = images_[hiddenOnly];
    ASSERT_TRUE(image.raster);
    EXPECT_EQ(image.raster->Width(), 1);
    EXPECT_EQ(image.raster->Height(), 1);
    EXPECT_EQ(image.raster->PixelAt(image.raster->Left(), image.raster->Top()), RasterColour());
    EXPECT_TRUE(image.imaged);
    EXPECT_FALSE(image.singlePixel);
  });
  EXPECT_EQ(Count(drawn, [](RasterColour c) { return !(c == RasterColour()) && !(c == kGreenPixel); }), 0);
  EXPECT_GT(CountColour(drawn, kGreenPixel), 0);
  // The pass is over: nothing it learnt stays.
  EXPECT_FALSE(images_[hiddenOnly].imaged);
}

TEST_F(CellImagesTest, SinglePixelCellShowsTheLayerThatAccurateDrawingLeavesOnTop) {
  uint32_t dot = lib_.CreateCell("dot");
  uint32_t top = lib_.CreateCell("top");
  libtest::AddShape(*lib_.cells[dot], kGreen, Square(2), {{0, 0}});
  libtest::AddShape(*lib_.cells[dot], kRed, Square(1), {{0, 0}});
  libtest::AddShape(*lib_.cells[top], kGreen, Square(100), {{0, 0}});
  libtest::Place(lib_, top, libtest::Array(dot, 2000, 2000, 5, 5, 200, 200));
  ExactView(top, ViewBox{0, 0, 3000, 3000}, 300, 300);
  PixelRaster accurate = Hierarchy(top, true);
  PixelRaster accelerated = Accelerated(top);
  EXPECT_EQ(CountColour(accurate, kRedPixel), 25);
  EXPECT_EQ(CountDifferent(accurate, accelerated), 0);
  // Hidden, the red layer gives way to the green one.
  lib_.layerMap[kRed].colour |= 0x80000000u;
  EXPECT_EQ(CountDifferent(Hierarchy(top, true), Accelerated(top)), 0);
}

TEST_F(CellImagesTest, ArrayLayoutThroughImagesDiffersFromAccurateInFewPixels) {
  uint32_t leaf = lib_.CreateCell("leaf");
  uint32_t row = lib_.CreateCell("row");
  uint32_t top = lib_.CreateCell("top");
  libtest::AddShape(*lib_.cells[leaf], kGreen, Square(70), {{0, 0}});
  libtest::AddShape(*lib_.cells[leaf], kRed, {{20, 20}, {60, 20}, {60, 90}, {20, 90}}, {{0, 0}});
  libtest::Place(lib_, row, libtest::Array(leaf, 0, 0, 12, 1, 130, 0));
  libtest::Place(lib_, top, libtest::Array(row, 0, 0, 3, 9, 1700, 117));
  libtest::Place(lib_, top, libtest::Single(row, 300, 2000, 5));
  FitView(top, 640, 400);
  PixelRaster accurate = Hierarchy(top, true);
  PixelRaster accelerated = Accelerated(top);
  int64_t covered = Count(accurate, [](RasterColour c) { return !(c == RasterColour()); });
  ASSERT_GT(covered, 20000);
  // An image stamped at a placement rounds twice (to its pixels, then to the placement's), so
  // edges may move by a pixel; nothing moves further.
  EXPECT_LT(CountDifferent(accurate, accelerated), covered / 4);
  EXPECT_LT(CountUnmatched(accelerated, accurate), covered / 200);
  EXPECT_LT(CountUnmatched(accurate, accelerated), covered / 200);
  // The images inside the hierarchy walk, below the image size limit.
  settings_.cellSizeLimit = 50;
  PixelRaster sized = Hierarchy(top, true);
  PixelRaster imaged = Hierarchy(top, false);
  EXPECT_TRUE(images_[leaf].raster);
  EXPECT_LT(CountDifferent(sized, imaged), covered / 4);
  EXPECT_LT(CountUnmatched(imaged, sized), covered / 200);
  EXPECT_LT(CountUnmatched(sized, imaged), covered / 200);
}

TEST_F(CellImagesTest, OnePixelChildIsStampedWhereItLiesNotOverItsParent) {
  uint32_t via = lib_.CreateCell("via");
  uint32_t block = lib_.CreateCell("block");
  uint32_t top = lib_.CreateCell("top");
  libtest::AddShape(*lib_.cells[via], kRed, Square(2), {{0, 0}});
  libtest::AddShape(*lib_.cells[block], kGreen, Square(400), {{0, 0}});
  libtest::AddShape(*lib_.cells[block], kGreen, Square(10), {{990, 990}});
  libtest::Place(lib_, block, libtest::Single(via, 700, 700));
  libtest::Place(lib_, top, libtest::Single(block, 0, 0));
  libtest::Place(lib_, top, libtest::Single(block, 1500, 0));
  ExactView(top, ViewBox{0, 0, 2500, 1000}, 500, 200);  // the via is 0.4 pixels
  PixelRaster drawn = Accelerated(top);
  for (int32_t x0 : {0, 1500}) {
    EXPECT_EQ(drawn.PixelAt(view_.ToDeviceX(x0 + 200), view_.ToDeviceY(200)), kGreenPixel) << x0;
    EXPECT_EQ(drawn.PixelAt(view_.ToDeviceX(x0 + 700), view_.ToDeviceY(700)), kRedPixel) << x0;
    // The block's top left pixel keeps what the block drew there.
    EXPECT_FALSE(drawn.PixelAt(view_.ToDeviceX(x0), view_.ToDeviceY(1000)) == kRedPixel) << x0;
  }
  EXPECT_EQ(CountColour(drawn, kRedPixel), 2);
}

TEST_F(CellImagesTest, ChildPastTheParentsRightEdgeNeverWrapsIntoTheNextRow) {
  uint32_t bar = lib_.CreateCell("bar");
  uint32_t block = lib_.CreateCell("block");
  uint32_t top = lib_.CreateCell("top");
  libtest::AddShape(*lib_.cells[bar], kRed, {{0, 0}, {600, 0}, {600, 100}, {0, 100}}, {{0, 0}});
  libtest::AddShape(*lib_.cells[block], kGreen, Square(1000), {{0, 0}});
  libtest::Place(lib_, top, libtest::Single(block, 0, 0));
  // Placed after the block grew to its box: the bar sticks out on the right.
  libtest::Place(lib_, block, libtest::Single(bar, 700, 500));
  lib_.cells[block]->box = Box(0, 0, 1000, 1000);
  lib_.cells[top]->box = Box(0, 0, 2000, 1000);
  FitView(top, 400, 200);
  PixelRaster drawn = Accelerated(top);
  // Nothing red left of the bar, and none of it past the block's box.
  for (int32_t y = 0; y < drawn.Height(); ++y) {
    for (int32_t x = 0; x < drawn.Width(); ++x) {
      if (!(drawn.PixelAt(x, y) == kRedPixel)) continue;
      EXPECT_GE(x, view_.ToDeviceX(700) - 1) << x << "," << y;
      EXPECT_LE(x, view_.ToDeviceX(1000) + 1) << x << "," << y;
    }
  }
  EXPECT_GT(CountColour(drawn, kRedPixel), 0);
}

TEST_F(CellImagesTest, PlacementCycleIsImagedWithoutEndlessRecursion) {
  uint32_t a = lib_.CreateCell("a");
  uint32_t b = lib_.CreateCell("b");
  uint32_t top = lib_.CreateCell("top");
  libtest::AddShape(*lib_.cells[a], kGreen, Square(100), {{0, 0}});
  libtest::AddShape(*lib_.cells[b], kRed, Square(100), {{0, 0}});
  libtest::Place(lib_, a, libtest::Single(b, 200, 0));
  libtest::Place(lib_, b, libtest::Single(a, 0, 200));
  libtest::Place(lib_, top, libtest::Single(a, 0, 0));
  libtest::Place(lib_, top, libtest::Array(b, 1000, 0, 3, 3, 400, 400));
  FitView(top, 300, 300);
  PixelRaster accelerated = Accelerated(top);
  EXPECT_GT(CountColour(accelerated, kGreenPixel), 0);
  EXPECT_GT(CountColour(accelerated, kRedPixel), 0);
  settings_.cellSizeLimit = 10;
  PixelRaster walked = Hierarchy(top, false);
  EXPECT_GT(CountColour(walked, kGreenPixel), 0);
  EXPECT_GT(CountColour(walked, kRedPixel), 0);
}

TEST_F(CellImagesTest, HierarchyAsDeepAsTheLibraryIsImagedWithoutDeepRecursion) {
  constexpr int kDepth = 3000;
  uint32_t below = lib_.CreateCell("leaf");
  libtest::AddShape(*lib_.cells[below], kRed, Square(100), {{0, 0}});
  for (int i = 0; i < kDepth; ++i) {
    uint32_t cell = lib_.CreateCell("c" + std::to_string(i));
    libtest::AddShape(*lib_.cells[cell], kGreen, Square(10), {{0, 0}});
    libtest::Place(lib_, cell, libtest::Single(below, 1, 0));
    below = cell;
  }
  FitView(below, 400, 100);
  EXPECT_GT(CountColour(Accelerated(below), kRedPixel), 0);
  settings_.cellSizeLimit = 10;
  EXPECT_GT(CountColour(Draw([&](CellDrawer& d) { d.DrawCellHierarchy(below, kEverything, Trans(), kDepth + 2); }),
                        kRedPixel),
            0);
}

TEST_F(CellImagesTest, ImagesCostingMoreThanThePassGiveWayToTheAccurateDrawing) {
  // Every level as large as the view: each image is stamped into the next one up.
  uint32_t below = lib_.CreateCell("leaf");
  libtest::AddShape(*lib_.cells[below], kRed, Square(1000), {{0, 0}});
  for (int i = 0; i < 1000; ++i) {
    uint32_t cell = lib_.CreateCell("c" + std::to_string(i));
    libtest::AddShape(*lib_.cells[cell], kGreen, Square(10), {{(i % 100) * 10, (i / 100) * 10}});
    libtest::Place(lib_, cell, libtest::Single(below, 0, 0));
    below = cell;
  }
  FitView(below, 200, 200);
  PixelRaster accurate = Draw([&](CellDrawer& d) { d.DrawCellHierarchy(below, kEverything, Trans(), 2000); }, true);
  ASSERT_GT(CountColour(accurate, kRedPixel), 0);
  EXPECT_EQ(CountDifferent(Accelerated(below), accurate), 0);
}

TEST_F(CellImagesTest, TooLargeAnImageEndsThePassWithItsMessage) {
  uint32_t huge = lib_.CreateCell("huge");
  uint32_t top = lib_.CreateCell("top");
  libtest::AddShape(*lib_.cells[huge], kRed, Square(1000000), {{0, 0}});
  libtest::AddShape(*lib_.cells[top], kGreen, Square(100), {{0, 0}});
  libtest::Place(lib_, top, libtest::Single(huge, 200, 0, 0, 0.0001f));
  FitView(top, 300, 100);
  PixelRaster raster(0, 0, 300, 100, RasterColour());
  images_.Follow(lib_);
  settings_.images = &images_;
  try {
    CellImages::Pass pass(&images_);
    CellDrawer drawer(lib_, raster, view_, settings_, tiles_, stamps_);
    drawer.DrawCellAccelerated(top);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Message(), "Skipping too much magnification, run Accurate Draw");
  }
  // What was drawn before stays; the pass is over.
  EXPECT_GT(CountColour(raster, kGreenPixel), 0);
  EXPECT_FALSE(images_[top].inProgress);
  // Accurate drawing builds no image and draws it.
  PixelRaster accurate =
      Draw([&](CellDrawer& d) { d.DrawCellHierarchy(top, Box(-10, -10, 310, 110), Trans(), 10); }, true);
  EXPECT_GT(CountColour(accurate, kRedPixel), 0);
}

TEST_F(CellImagesTest, OrderedDrawingThroughImagesStacksLayersInKeyOrder) {
  uint32_t child = lib_.CreateCell("child");
  uint32_t top = lib_.CreateCell("top");
  libtest::AddShape(*lib_.cells[top], kRed, Square(1000), {{0, 0}});
  libtest::AddShape(*lib_.cells[child], kGreen, Square(500), {{0, 0}});
  libtest::Place(lib_, top, libtest::Array(child, 250, 250, 1, 1, 0, 0));
  ExactView(top, ViewBox{0, 0, 1000, 1000}, 100, 100);
  const int32_t x = view_.ToDeviceX(500);
  const int32_t y = view_.ToDeviceY(500);
  // Drawn in one go, the placed cell covers its parent; layer by layer, the later key wins.
  EXPECT_EQ(Accelerated(top).PixelAt(x, y), kGreenPixel);
  PixelRaster ordered = Draw([&](CellDrawer& d) { d.DrawOrdered(top, kEverything, 10, true); });
  EXPECT_EQ(ordered.PixelAt(x, y), kRedPixel);
  EXPECT_EQ(CountColour(ordered, kGreenPixel), 0);
  EXPECT_EQ(lib_.layerMap[kGreen].colour, canvastest::kGreenWord);
  EXPECT_EQ(lib_.layerMap[kRed].colour, canvastest::kRedWord);
}

}  // namespace
