#include "app/layer_lists.h"

#include <gtest/gtest.h>
#include <wx/image.h>
#include <wx/utils.h>

#include "app/my_child.h"
#include "tests/app/window_fixture.h"

// The pixels the X server shows in rect (screen coordinates); an invalid image when it cannot
// tell. Defined at the end of this file, after the X headers, whose macros would clash with
// GoogleTest's names.
wxImage ShownPixels(const wxRect& rect);

namespace {

class LayerListsTest : public app_test::AppWindowTest {};

// Each header of the layer list shows its whole label, as the X server shows it: between the
// label's last dark pixel and the column's right edge lies a gap of background.
TEST_F(LayerListsTest, HeadersShowTheirWholeLabels) {
  MyChild* child = Import("chip.gds");
  ASSERT_NE(child, nullptr);
  LayerCtrl& list = *child->layerList;
  for (int i = 0; i < 10; ++i, wxMilliSleep(20)) app_test::Pump();
  const wxImage shown = ShownPixels(wxRect(list.GetScreenPosition(), wxSize(list.GetSize().x, 20)));
  ASSERT_TRUE(shown.IsOk());
  int left = (list.GetSize().x - list.GetClientSize().x) / 2;
  for (int column = 0; column < 2; ++column) {
    const int right = left + list.GetColumnWidth(column);
    int lastInk = -1;
    for (int x = left; x < right && x < shown.GetWidth(); ++x) {
      for (int y = 2; y < shown.GetHeight() - 2; ++y) {
        if (std::max({shown.GetRed(x, y), shown.GetGreen(x, y), shown.GetBlue(x, y)}) < 100) lastInk = x;
      }
    }
    EXPECT_TRUE(lastInk > left && lastInk < right - 3) << column << ": " << lastInk << " in " << left << "-" << right;
    left = right;
  }
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
