#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "db/box.h"

// An RGB colour of the raster.
struct RasterColour {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  bool operator==(const RasterColour& o) const { return red == o.red && green == o.green && blue == o.blue; }
};

// Side of the square fill tiles. Every fill pattern repeats within it: stipples every 4 pixels,
// hatches every 10.
constexpr int kRasterTileSize = 40;

// How the inside of rectangles and polygons is painted.
struct RasterFill {
  enum class Kind { kNone, kSolid, kTile };
  Kind kind = Kind::kNone;
  RasterColour colour;
  // kRasterTileSize x kRasterTileSize RGB pixels anchored at logical (0, 0); black pixels leave
  // what is below. The owner keeps it alive while the fill is in use.
  const uint8_t* tile = nullptr;
};

// A 24-bit picture of one window of logical pixels, drawn with a 1-pixel pen and an optional
// fill without antialiasing. Drawing anything costs a few pixel writes, where a toolkit call per
// tiny shape costs far more. The rule: a line covers every pixel whose corner point (x, y) lies
// closer than half a pixel to the segment, end points included; a polygon (odd-even rule) is
// filled at the corner points strictly inside it and its outline stroked over the fill the same
// way; a rectangle (x, y, w, h) covers w x h pixels with its border in the pen colour. That is
// what the toolkit (wx on GTK, cairo) draws on a memory bitmap with antialiasing off for points,
// lines, boxes and ordinary polygons; its own stroker strays from the rule only on edges that
// pass almost exactly half a pixel from a corner point, inside shapes one pixel across, and at
// the edge of the bitmap. Anything outside the window is dropped; coordinates may be anywhere in
// the 32-bit range.
class PixelRaster {
 public:
  // The window (left, top, width, height) in logical pixels, every pixel background.
  PixelRaster(int32_t left, int32_t top, int32_t width, int32_t height, RasterColour background);

  void SetPen(RasterColour colour) { pen_ = colour; }
  void SetFill(const RasterFill& fill) { fill_ = fill; }

  void DrawPoint(int32_t x, int32_t y);
  void DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  // Nothing when w or h is 0 or less.
  void DrawRectangle(int32_t x, int32_t y, int32_t w, int32_t h);
  void DrawPolygon(const Point* points, size_t n);
  // Lays colour over the pixels of a w x h stamp at (x, y), each channel by the matching
  // coverage byte (0 keeps the pixel, 255 gives colour), as text is blended.
  void BlendStamp(int32_t x, int32_t y, int32_t w, int32_t h, const uint8_t* coverage, RasterColour colour);

  int32_t Left() const { return left_; }
  int32_t Top() const { return top_; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  // Rows of Width() RGB triples, top row first.
  uint8_t* Pixels() { return pixels_.data(); }
  RasterColour PixelAt(int32_t x, int32_t y) const;
  // What drawing has cost so far: pixels written and spans asked for, those dropped included.
  int64_t Work() const { return work_; }

 private:
  // Columns [x1, x2] of row y in the pen colour, or with the fill; clipped to the window.
  void PenSpan(int64_t y, int64_t x1, int64_t x2);
  void FillSpan(int64_t y, int64_t x1, int64_t x2);
  void FillPolygonInside(const Point* points, size_t n);

  int32_t left_;
  int32_t top_;
  int32_t width_;
  int32_t height_;
  std::vector<uint8_t> pixels_;
  RasterColour pen_;
  RasterFill fill_;
  std::vector<double> crossings_;
  int64_t work_ = 0;
};
