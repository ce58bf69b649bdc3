#pragma once

#include <cstdint>

// Where a printout puts the view on the page: a margin of a twentieth of the longer page side,
// the view scaled to fit inside it, the origin shifted so that the view's scrolled top-left
// corner lands on the margin, and a clip at the margin.
struct PrintLayout {
  int32_t margin = 0;
  double scale = 0.0;
  int32_t originX = 0;
  int32_t originY = 0;
  int32_t clipX = 0;
  int32_t clipY = 0;
  int32_t clipWidth = 0;
  int32_t clipHeight = 0;
};

// The layout for a page of pw x ph device pixels showing a window of w x h pixels whose client
// origin is at the logical (scrolled) position (x0, y0), at the given magnification. Values
// are truncated toward zero. A page or window without pixels gives a scale of 0.
PrintLayout ComputePrintLayout(int32_t pw, int32_t ph, int32_t w, int32_t h, int32_t x0, int32_t y0,
                               double magnification);
