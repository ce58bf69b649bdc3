#include "canvas/view/ruler_label.h"

#include <cmath>
#include <cstdio>

double RulerLength(const Ruler& ruler) {
  double dx = double(ruler.x2) - double(ruler.x1);
  double dy = double(ruler.y2) - double(ruler.y1);
  return std::sqrt(dx * dx + dy * dy);
}

std::string RulerLabel(const Ruler& ruler, double nmPerUnit) {
  double nm = std::trunc(RulerLength(ruler) * nmPerUnit);
  // A length beyond the 64-bit range (a unit of absurd size) shows its limit, never undefined.
  if (!(nm < 9.2e18)) nm = 9.2e18;
  char text[32];
  std::snprintf(text, sizeof text, "%lld", static_cast<long long>(nm));
  return text;
}

bool RulerShown(const Ruler& ruler, const Box& window) {
  return window.Contains(ruler.x1, ruler.y1) && window.Contains(ruler.x2, ruler.y2);
}
