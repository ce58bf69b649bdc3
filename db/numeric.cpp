#include "db/numeric.h"

#include <cmath>
#include <initializer_list>

int32_t SaturateToInt32(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(v);
}

double NiceValue(double x) {
  for (double c : {1.0, 10.0, 0.1, 2.0, 0.5}) {
    if (std::fabs(x - c) <= kUnitEpsilon) return c;
  }
  return x;
}

int32_t RoundToInt(double x) { return SaturateToInt32(x >= 0 ? x + 0.5 : x - 0.5); }

int32_t RoundHalfUp(double x) { return SaturateToInt32(std::floor(x + 0.5)); }

int32_t RoundToMultiple(int32_t v, int32_t step) {
  if (step == 0) return v;
  int64_t v64 = v, s64 = step;
  if (v64 % s64 == 0) return v;
  double q = std::floor(static_cast<double>(v64) / static_cast<double>(s64) + 0.5);
  return SaturateToInt32(q * static_cast<double>(s64));
}
