#pragma once

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

// Fill patterns of layers as tiles for PixelRaster, by brush style and layer colour. A stipple
// has a dot in the layer colour at every column and row 3 + 4k; the hatch styles are taken from
// the toolkit's own hatch brushes (so they need a display). Black tile pixels are transparent:
// layer colours keep blue at 8 or more, so they are never black.
class FillTiles {
 public:
  // colour: red bits 0-7, green 8-15, blue 16-23. style: a wxBrushStyle of a patterned fill.
  // The tile lives as long as this object.
  const uint8_t* Get(uint32_t style, uint32_t colour);

 private:
  std::map<std::pair<uint32_t, uint32_t>, std::vector<uint8_t>> tiles_;
};
