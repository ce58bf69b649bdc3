#include "app/core/print_layout.h"

#include <algorithm>
#include <cmath>

PrintLayout ComputePrintLayout(int32_t pw, int32_t ph, int32_t w, int32_t h, int32_t titleBottom) {
  PrintLayout layout;
  layout.margin = std::max(pw, ph) / 20;
  const int32_t top = std::max(layout.margin, titleBottom);
  const int64_t roomW = int64_t(pw) - 2 * int64_t(layout.margin);
  const int64_t roomH = int64_t(ph) - layout.margin - int64_t(top);
  if (roomW <= 0 || roomH <= 0 || w <= 0 || h <= 0) return layout;
  layout.scale = std::min(double(roomW) / w, double(roomH) / h);
  layout.left = layout.margin;
  layout.top = top;
  layout.width = int32_t(std::clamp<int64_t>(std::llround(w * layout.scale), 1, roomW));
  layout.height = int32_t(std::clamp<int64_t>(std::llround(h * layout.scale), 1, roomH));
  layout.drawFactor = std::min(layout.scale, 1.0);
  layout.userScale = layout.scale / layout.drawFactor;
  return layout;
}
