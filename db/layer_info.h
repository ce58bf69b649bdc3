#pragma once

#include <cstdint>
#include <string>

#include "db/cell.h"

// Bit 31 of a layer's colour word: the layer is hidden.
constexpr uint32_t kLayerHidden = 0x80000000u;

// The red, green and blue of a colour word: red in bits 0-7, green 8-15, blue 16-23.
struct ColourBytes {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
};
inline ColourBytes BytesOfColourWord(uint32_t word) {
  return ColourBytes{uint8_t(word & 0xFF), uint8_t((word >> 8) & 0xFF), uint8_t((word >> 16) & 0xFF)};
}
// The colour word of red, green and blue, not hidden.
inline uint32_t ColourWordOf(uint8_t red, uint8_t green, uint8_t blue) {
  return uint32_t(red) | (uint32_t(green) << 8) | (uint32_t(blue) << 16);
}

// One layer of the library's layer map: its key, how it is drawn and its names from a layer
// map file. Colour word: red bits 0-7, green 8-15, blue 16-23, bit 31 set = hidden.
struct LayerInfo {
  LayerKey key = 0;
  uint32_t colour = 0;
  // A toolkit brush style number; 0 is drawn as solid.
  uint32_t brushStyle = 0;
  std::string layerName;
  std::string datatypeName;

  bool IsHidden() const { return (colour & kLayerHidden) != 0; }
  void SetHidden(bool hidden) { colour = hidden ? (colour | kLayerHidden) : (colour & ~kLayerHidden); }
  // The colour without the hidden bit.
  uint32_t Rgb() const { return colour & ~kLayerHidden; }
};
