#include "app/core/print_layout.h"

#include <gtest/gtest.h>

#include "app/core/image_path.h"

namespace {

TEST(PrintLayout, FitsTheWindowInsideTheMarginOfThePage) {
  struct Case {
    int32_t pw, ph, w, h, x0, y0;
    double mag;
    int32_t margin;
    double scale;
    int32_t originX, originY, clipW, clipH;
  };
  // A letter page at 600 dpi (4800 x 6300): margin 315, the width limits the scale.
  // 4800 / (1000 + 630) = 2.94478...; origin 315 - 0 = 315; clip 1000 * 2.94478 - 315 = 2629.
  const Case cases[] = {
      {4800, 6300, 1000, 800, 0, 0, 1.0, 315, 4800.0 / 1630.0, 315, 315, 2629, 2040},
      // Landscape: the height limits (3000 / (600 + 600) = 2.5); scrolled by (40, 20) at 4X.
      {6000, 3000, 1000, 600, 40, 20, 4.0, 300, 2.5, 200, 250, 9700, 5700},
      // Scrolled far: the origin goes negative and truncates toward zero.
      {2000, 2000, 300, 300, 1001, 7, 16.0, 100, 4.0, -3904, 72, 19100, 19100},
      // 105 - 1001 * 2100 / 510 = -4016.76 truncates to -4016, not -4017.
      {2100, 2100, 300, 300, 1001, 0, 1.0, 105, 2100.0 / 510.0, -4016, 105, 1130, 1130},
  };
  for (const Case& c : cases) {
    const PrintLayout l = ComputePrintLayout(c.pw, c.ph, c.w, c.h, c.x0, c.y0, c.mag);
    EXPECT_EQ(l.margin, c.margin);
    EXPECT_DOUBLE_EQ(l.scale, c.scale);
    EXPECT_EQ(l.originX, c.originX);
    EXPECT_EQ(l.originY, c.originY);
    EXPECT_EQ(l.clipX, c.margin);
    EXPECT_EQ(l.clipY, c.margin);
    EXPECT_EQ(l.clipWidth, c.clipW);
    EXPECT_EQ(l.clipHeight, c.clipH);
  }
  EXPECT_EQ(ComputePrintLayout(0, 0, 0, 0, 0, 0, 1.0).scale, 0.0);
}

TEST(CompleteImagePath, AddsTheExtensionOnlyWhereTheNameHasNone) {
  EXPECT_EQ(CompleteImagePath("shot", "jpg"), "shot.jpg");
  EXPECT_EQ(CompleteImagePath("/tmp/shot.png", "jpg"), "/tmp/shot.png");
  EXPECT_EQ(CompleteImagePath("/tmp/v1.2/shot", "bmp"), "/tmp/v1.2/shot.bmp");
  EXPECT_EQ(CompleteImagePath("/tmp/.shot", "jpg"), "/tmp/.shot.jpg");
  EXPECT_EQ(CompleteImagePath("shot.", "jpg"), "shot.jpg");
}

}  // namespace
