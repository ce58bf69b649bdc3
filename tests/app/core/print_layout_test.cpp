#include "app/core/print_layout.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/core/image_path.h"

namespace {

TEST(PrintLayout, FitsTheWholeViewInsideTheMarginWithItsAspect) {
  struct Case {
    int32_t pw, ph, w, h;
    int32_t margin;
    double scale;
    int32_t width, height;
    double drawFactor, userScale;
  };
  const Case cases[] = {
      // A letter page at 600 dpi: margin 315, room 4170 x 5670; the width limits, 4.17 page
      // pixels per window pixel, drawn at the window's pixels and scaled up.
      {4800, 6300, 1000, 800, 315, 4.17, 4170, 3336, 1.0, 4.17},
      // Landscape: the height limits (2400 / 600 = 4).
      {6000, 3000, 1000, 600, 300, 4.0, 4000, 2400, 1.0, 4.0},
      // A letter page at 72 dpi: fewer page pixels than window pixels, drawn at the page's.
      {612, 792, 1200, 800, 39, 534.0 / 1200, 534, 356, 534.0 / 1200, 1.0},
  };
  for (const Case& c : cases) {
    const PrintLayout l = ComputePrintLayout(c.pw, c.ph, c.w, c.h, 80);
    EXPECT_EQ(l.margin, c.margin);
    EXPECT_DOUBLE_EQ(l.scale, c.scale);
    EXPECT_EQ(l.left, c.margin);
    EXPECT_EQ(l.top, std::max(c.margin, 80));
    EXPECT_EQ(l.width, c.width);
    EXPECT_EQ(l.height, c.height);
    EXPECT_DOUBLE_EQ(l.drawFactor, c.drawFactor);
    EXPECT_DOUBLE_EQ(l.userScale, c.userScale);
    // The view stays inside the margin on every side.
    EXPECT_LE(l.left + l.width, c.pw - l.margin);
    EXPECT_LE(l.top + l.height, c.ph - l.margin);
  }
  EXPECT_EQ(ComputePrintLayout(0, 0, 0, 0, 80).scale, 0.0);
  EXPECT_EQ(ComputePrintLayout(600, 800, 0, 10, 80).scale, 0.0);
  // A title lower than the margin pushes the view down and makes it smaller.
  const PrintLayout low = ComputePrintLayout(612, 792, 1200, 800, 100);
  EXPECT_EQ(low.top, 100);
  EXPECT_EQ(low.left, 39);
  EXPECT_EQ(low.width, 534);
  EXPECT_LE(low.top + low.height, 792 - 39);
  const PrintLayout flat = ComputePrintLayout(612, 792, 1200, 1600, 100);
  EXPECT_EQ(flat.height, 792 - 39 - 100);
}

TEST(CompleteImagePath, AddsTheExtensionOnlyWhereTheNameHasNone) {
  EXPECT_EQ(CompleteImagePath("shot", "jpg"), "shot.jpg");
  EXPECT_EQ(CompleteImagePath("/tmp/shot.png", "jpg"), "/tmp/shot.png");
  EXPECT_EQ(CompleteImagePath("/tmp/v1.2/shot", "bmp"), "/tmp/v1.2/shot.bmp");
  EXPECT_EQ(CompleteImagePath("/tmp/.shot", "jpg"), "/tmp/.shot.jpg");
  EXPECT_EQ(CompleteImagePath("shot.", "jpg"), "shot.jpg");
}

}  // namespace
