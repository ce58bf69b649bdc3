#pragma once

#include <cstdint>

// Where a printout puts the view of a window on the page: inside a margin of a twentieth of the
// longer page side and below the title, as large as the rest of the page allows with its aspect
// kept. A view that takes more page pixels than it has window pixels is drawn
// at the window's pixels and scaled up; one that takes fewer is drawn at the page's own pixels,
// so that a line one window pixel wide never thins below one page pixel.
struct PrintLayout {
  int32_t margin = 0;
  // Page pixels per window pixel; 0 for a page or window without pixels.
  double scale = 0.0;
  // The view's place on the page, in page pixels.
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  // Pixels the view is drawn with per window pixel (at most 1), and the page pixels per drawn
  // pixel (at least 1); their product is the scale.
  double drawFactor = 0.0;
  double userScale = 0.0;
};

// The layout for a page of pw x ph pixels showing a window whose client area is w x h pixels,
// under a title that ends at page row titleBottom.
PrintLayout ComputePrintLayout(int32_t pw, int32_t ph, int32_t w, int32_t h, int32_t titleBottom);
