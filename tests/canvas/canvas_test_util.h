#pragma once

// Helpers for the drawing tests: a 24-bit raster drawn through a real memory DC with
// antialiasing off, pixel counts, and libraries built in code with known layer colours.

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/graphics.h>
#include <wx/image.h>

#include <cstdint>
#include <functional>

#include "db/library.h"
#include "tests/db/library_test_util.h"

namespace canvastest {

// Draws on a black w x h bitmap and gives the pixels.
inline wxImage Render(int w, int h, const std::function<void(wxDC&)>& draw) {
  wxBitmap bitmap(w, h, 24);
  {
    wxMemoryDC dc(bitmap);
    if (wxGraphicsContext* gc = dc.GetGraphicsContext()) gc->SetAntialiasMode(wxANTIALIAS_NONE);
    dc.SetBackground(*wxBLACK_BRUSH);
    dc.Clear();
    dc.SetFont(wxFontInfo(12).Family(wxFONTFAMILY_SWISS));
    draw(dc);
  }
  return bitmap.ConvertToImage();
}

inline bool IsColour(const wxImage& image, int x, int y, const wxColour& c) {
  return image.GetRed(x, y) == c.Red() && image.GetGreen(x, y) == c.Green() && image.GetBlue(x, y) == c.Blue();
}

inline bool IsBlack(const wxImage& image, int x, int y) { return IsColour(image, x, y, *wxBLACK); }

inline int64_t CountColour(const wxImage& image, const wxColour& c) {
  int64_t n = 0;
  for (int y = 0; y < image.GetHeight(); ++y) {
    for (int x = 0; x < image.GetWidth(); ++x) n += IsColour(image, x, y, c);
  }
  return n;
}

inline int64_t CountNonBlack(const wxImage& image) {
  return int64_t(image.GetWidth()) * image.GetHeight() - CountColour(image, *wxBLACK);
}

// Colour words of the layers the tests use, and the pen colours they give.
constexpr uint32_t kGreenWord = 0x0000ff00u;
constexpr uint32_t kRedWord = 0x000000ffu;
const wxColour kGreenPen(0, 255, 8);
const wxColour kRedPen(255, 0, 8);

inline void SetLayer(Library& lib, LayerKey key, uint32_t colour) {
  lib.layerMap[key].key = key;
  lib.layerMap[key].colour = colour;
}

}  // namespace canvastest
