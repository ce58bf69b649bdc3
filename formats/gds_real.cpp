#include "formats/gds_real.h"

#include <cmath>
#include <cstring>

namespace {

constexpr int kExponentBias = 64;
constexpr int kFractionBits = 56;
constexpr uint64_t kLargestFraction = (uint64_t(1) << kFractionBits) - 1;

void StoreReal(bool negative, int exponent, uint64_t fraction, uint8_t out[8]) {
  out[0] = uint8_t(exponent | (negative ? 0x80 : 0));
  for (int i = 7; i >= 1; --i) {
    out[i] = uint8_t(fraction);
    fraction >>= 8;
  }
}

// ceil(a / 4) for any sign of a.
int CeilQuarter(int a) { return a >= 0 ? (a + 3) / 4 : -((-a) / 4); }

// v >> shift, rounded to nearest with ties to even.
uint64_t ShiftRightRounded(uint64_t v, int shift) {
  if (shift >= 64) return 0;
  uint64_t kept = v >> shift;
  uint64_t rest = v - (kept << shift);
  uint64_t half = uint64_t(1) << (shift - 1);
  if (rest > half || (rest == half && (kept & 1))) ++kept;
  return kept;
}

}  // namespace

void ToGdsReal(double v, uint8_t out[8]) {
  std::memset(out, 0, 8);
  if (v == 0 || std::isnan(v)) return;
  bool negative = v < 0;
  if (std::isinf(v)) {
    StoreReal(negative, 127, kLargestFraction, out);
    return;
  }
  // |v| = mantissa × 2^(binaryExponent − 53) with a 53-bit integer mantissa.
  int binaryExponent = 0;
  double normalised = std::frexp(std::fabs(v), &binaryExponent);
  uint64_t mantissa = uint64_t(std::ldexp(normalised, 53));
  // The base-16 exponent puts |v| in [1/16, 1) × 16^(e − 64); the 53 bits then sit 0 to 3 bits
  // below the top of the 56-bit fraction.
  int exponent = kExponentBias + CeilQuarter(binaryExponent);
  if (exponent > 127) {
    StoreReal(negative, 127, kLargestFraction, out);
    return;
  }
  if (exponent >= 0) {
    int shift = binaryExponent + 3 - 4 * CeilQuarter(binaryExponent);
    StoreReal(negative, exponent, mantissa << shift, out);
    return;
  }
  // Below the normalised range: exponent 0 and a fraction with leading zero digits.
  uint64_t fraction = ShiftRightRounded(mantissa, -(binaryExponent + 3 + 4 * kExponentBias));
  if (fraction != 0) StoreReal(negative, 0, fraction, out);
}

double FromGdsReal(const uint8_t in[8]) {
  uint64_t fraction = 0;
  for (int i = 1; i < 8; ++i) fraction = (fraction << 8) | in[i];
  if (fraction == 0) return 0;
  int exponent = in[0] & 0x7f;
  // The integer-to-double conversion is the one rounding step; scaling by a power of 2 is exact.
  double magnitude = std::ldexp(double(fraction), 4 * (exponent - kExponentBias) - kFractionBits);
  return (in[0] & 0x80) ? -magnitude : magnitude;
}
