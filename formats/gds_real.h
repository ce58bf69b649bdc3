#pragma once

#include <cstdint>

// GDSII 8-byte reals: a sign bit, a 7-bit exponent of 16 biased by 64 and a 56-bit fraction,
// value = ±fraction / 2^56 × 16^(exponent − 64).

// Every finite double from about 5.4e-79 up to about 7.2e75 in magnitude is written exactly
// (a double's 53 significant bits fit the fraction whatever the base-16 shift). Smaller
// magnitudes are written unnormalised with the smallest exponent, rounded to nearest, and
// become 0 below the smallest step; larger magnitudes and infinities saturate at the largest
// real of their sign. 0 and NaN give eight zero bytes.
void ToGdsReal(double v, uint8_t out[8]);

// The value of the 8 bytes, rounded to the nearest double when the fraction holds more than 53
// significant bits. Unnormalised fractions are read as they stand; a zero fraction gives 0.
double FromGdsReal(const uint8_t in[8]);
