#pragma once

#include <cstdint>

// The single-precision epsilon: a magnification m counts as 1 when |m - 1| <= kUnitEpsilon,
// and the view step snaps to a round value within it.
constexpr double kUnitEpsilon = 1.1920928955078125e-7;

// The one conversion from double to a 32-bit coordinate: values beyond the range saturate and
// NaN gives 0, so that no conversion is undefined.
int32_t SaturateToInt32(double v);

// Truncates an exact 64-bit result to 32 bits with two's-complement wrap, as coordinate
// arithmetic on the original 32-bit platform does.
inline int32_t WrapToInt32(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(v)); }

// 1.0, 10.0, 0.1, 2.0 or 0.5 (tested in that order) when x lies within kUnitEpsilon of it;
// otherwise x unchanged.
double NiceValue(double x);

// Half away from zero: RoundToInt(-2.5) == -3.
int32_t RoundToInt(double x);

// floor(x + 0.5): halves go towards plus infinity, RoundHalfUp(-2.5) == -2.
int32_t RoundHalfUp(double x);

// The nearest multiple of step, halves upwards; v itself when it is a multiple already or when
// step is 0. The result saturates at the 32-bit range.
int32_t RoundToMultiple(int32_t v, int32_t step);

inline bool IsUnitMagnification(double m) {
  double d = m - 1.0;
  return d <= kUnitEpsilon && d >= -kUnitEpsilon;
}
