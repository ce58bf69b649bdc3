#include "canvas/text_stamps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "canvas/view/pixel_raster.h"
#include "tests/canvas/canvas_test_util.h"

namespace {

// A stamp blended into a black raster gives the pixels of the toolkit drawing the text on
// black, for any text colour, wherever the text starts (also partly outside the raster).
TEST(TextStamps, BlendLikeTheToolkitDrawsText) {
  const wxFont font = wxFontInfo(12).Family(wxFONTFAMILY_SWISS);
  TextStamps stamps;
  stamps.UseFont(font);
  struct Case {
    const char* text;
    int x, y;
    wxColour colour;
  };
  const Case cases[] = {{"VDD gyp (10x10)", 4, 6, wxColour(0, 255, 8)},
                        {"clk_\xc3\xa9t\xc3\xa9", -7, 20, wxColour(200, 40, 96)},
                        {"Wj", 70, -5, wxColour(255, 255, 255)}};
  for (const Case& c : cases) {
    wxImage expected = canvastest::Render(80, 40, [&](wxDC& dc) {
      dc.SetTextForeground(c.colour);
      dc.DrawText(wxString::FromUTF8(c.text), c.x, c.y);
    });
    ASSERT_GT(canvastest::CountNonBlack(expected), 10) << c.text;
    const TextStamp& stamp = stamps.Get(c.text);
    PixelRaster raster(0, 0, 80, 40, RasterColour());
    raster.BlendStamp(c.x + stamp.dx, c.y + stamp.dy, stamp.width, stamp.height, stamp.coverage.data(),
                      RasterColour{c.colour.Red(), c.colour.Green(), c.colour.Blue()});
    EXPECT_TRUE(std::equal(raster.Pixels(), raster.Pixels() + 80 * 40 * 3, expected.GetData())) << c.text;
  }
}

TEST(TextStamps, AreCutToTheirInkAndRedrawnForAnotherFont) {
  TextStamps stamps;
  stamps.UseFont(wxFontInfo(12).Family(wxFONTFAMILY_SWISS));
  const TextStamp small = stamps.Get("MMMM");
  EXPECT_GT(small.width, 0);
  // Every edge row and column of the stamp holds ink.
  auto inked = [&](const TextStamp& s, int x, int y) {
    const uint8_t* p = &s.coverage[(size_t(y) * s.width + x) * 3];
    return (p[0] | p[1] | p[2]) != 0;
  };
  bool top = false, bottom = false, left = false, right = false;
  for (int x = 0; x < small.width; ++x) {
    top |= inked(small, x, 0);
    bottom |= inked(small, x, small.height - 1);
  }
  for (int y = 0; y < small.height; ++y) {
    left |= inked(small, 0, y);
    right |= inked(small, small.width - 1, y);
  }
  EXPECT_TRUE(top && bottom && left && right);
  EXPECT_EQ(stamps.Get("").width, 0);
  stamps.UseFont(wxFontInfo(24).Family(wxFONTFAMILY_SWISS));
  EXPECT_GT(stamps.Get("MMMM").width, small.width + small.width / 2);
}

// A text too long to stamp whole draws, piece by piece, the pixels the toolkit draws of the
// whole text in the window, wherever it starts, on one line or on many; the longest texts
// GDSII holds give no piece larger than the window.
TEST(TextStamps, LongTextsDrawWhatShowsOfThemInTheWindow) {
  TextStamps stamps;
  stamps.UseFont(wxFontInfo(12).Family(wxFONTFAMILY_SWISS));
  std::string line, lines;
  for (int i = 0; i < 60; ++i) line += "W0i" + std::to_string(i) + "_";
  for (int i = 0; i < 40; ++i) lines += "row " + std::to_string(i) + (i % 2 ? "\n" : "\n  ");
  ASSERT_GT(std::min(line.size(), lines.size()), TextStamps::kWholeTextBytes);
  const struct {
    std::string text;
    int x, y;
  } cases[] = {{line, 5, 10},
               {line, -700, 3},
               {line, -1700, -6},
               {lines, 10, -300},
               {lines, -20, 15},
               {std::string(65530, 'T'), -30000, 20},
               {std::string(65530, '\n') + "end", 5, -65400 * 19}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
    PixelRaster raster(0, 0, 80, 40, RasterColour());
    stamps.Draw(c.text, c.x, c.y, StampWindow{0, 0, 80, 40}, [&](const TextStamp& stamp, int32_t x, int32_t y) {
      EXPECT_TRUE(stamp.width < 120 && stamp.height < 60);
      raster.BlendStamp(x + stamp.dx, y + stamp.dy, stamp.width, stamp.height, stamp.coverage.data(),
                        RasterColour{0, 255, 8});
    });
    if (c.text.size() > 5000) continue;
    const wxImage expected = canvastest::Render(80, 40, [&](wxDC& dc) {
      dc.SetTextForeground(wxColour(0, 255, 8));
      dc.DrawText(wxString::FromUTF8(c.text.c_str()), c.x, c.y);
    });
    ASSERT_GT(canvastest::CountNonBlack(expected), 10);
    EXPECT_TRUE(std::equal(raster.Pixels(), raster.Pixels() + 80 * 40 * 3, expected.GetData()));
  }
}

}  // namespace
