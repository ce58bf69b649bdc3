#include "app/core/print_layout.h"

#include <algorithm>

PrintLayout ComputePrintLayout(int32_t pw, int32_t ph, int32_t w, int32_t h, int32_t x0, int32_t y0,
                               double magnification) {
  PrintLayout layout;
  layout.margin = std::max(pw, ph) / 20;
  const double fitW = double(w) + 2.0 * layout.margin;
  const double fitH = double(h) + 2.0 * layout.margin;
  if (pw <= 0 || ph <= 0 || fitW <= 0 || fitH <= 0) return layout;
  layout.scale = std::min(pw / fitW, ph / fitH);
  layout.originX = int32_t(layout.margin - x0 * layout.scale);
  layout.originY = int32_t(layout.margin - y0 * layout.scale);
  layout.clipX = layout.margin;
  layout.clipY = layout.margin;
  layout.clipWidth = int32_t(w * magnification * layout.scale - layout.margin);
  layout.clipHeight = int32_t(h * magnification * layout.scale - layout.margin);
  return layout;
}
