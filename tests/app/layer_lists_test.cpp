#include "app/layer_lists.h"

#include <gtest/gtest.h>
#include <wx/image.h>
#include <wx/utils.h>

#include "app/my_child.h"
#include "tests/app/app_environment.h"
#include "tests/app/window_fixture.h"

// The pixels the X server shows in rect (screen coordinates); an invalid image when it cannot
// tell. Defined at the end of this file, after the X headers, whose macros would clash with
// GoogleTest's names.
wxImage ShownPixels(const wxRect& rect);

namespace {

class LayerListsTest : public app_test::AppWindowTest {};

// Each header of the layer list shows its whole label: between the last pixel of the label's
// ink and the column's right edge lies a gap of the header's own background.
TEST_F(LayerListsTest, HeadersShowTheirWholeLabels) {
  MyChild* child = Import("chip.gds");
  ASSERT_NE(child, nullptr);
  LayerCtrl& list = *child->layerList;
  for (int i = 0; i < 10; ++i) {
    app_test::Pump();
    wxMilliSleep(20);
  }
  const wxRect header(list.GetScreenPosition(), wxSize(list.GetSize().x, 20));
  const wxImage shown = ShownPixels(header);
  ASSERT_TRUE(shown.IsOk());
  auto ink = [&shown](int x) {
    for (int y = 2; y < shown.GetHeight() - 2; ++y) {
      if (std::max({shown.GetRed(x, y), shown.GetGreen(x, y), shown.GetBlue(x, y)}) < 100) return true;
    }
    return false;
  };
  int left = list.GetClientAreaOrigin().x + (list.GetSize().x - list.GetClientSize().x) / 2;
  for (int column = 0; column < 2; ++column) {
    const int right = left + list.GetColumnWidth(column);
    int lastInk = -1;
    for (int x = left; x < right && x < shown.GetWidth(); ++x) {
      if (ink(x)) lastInk = x;
    }
    EXPECT_GT(lastInk, left) << column;
    EXPECT_LT(lastInk, right - 3) << column;
    left = right;
  }
  // The list fits its panel with both columns.
  EXPECT_LE(left, list.GetSize().x);
}

}  // namespace

#include <X11/Xlib.h>
#include <X11/Xutil.h>

wxImage ShownPixels(const wxRect& rect) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return wxImage();
  XImage* pixels = XGetImage(display, DefaultRootWindow(display), rect.x, rect.y, unsigned(rect.width),
                             unsigned(rect.height), AllPlanes, ZPixmap);
  wxImage image;
  if (pixels && pixels->bits_per_pixel >= 24) {
    image.Create(rect.width, rect.height);
    for (int y = 0; y < rect.height; ++y) {
      for (int x = 0; x < rect.width; ++x) {
        const unsigned long p = XGetPixel(pixels, x, y);
        image.SetRGB(x, y, (p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
      }
    }
  }
  if (pixels) XDestroyImage(pixels);
  XCloseDisplay(display);
  return image;
}
