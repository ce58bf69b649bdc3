#include "canvas/view/pixel_raster.h"

#include <algorithm>
#include <cmath>

namespace {

// x * a / 255, rounded as the toolkit's compositing rounds it.
uint8_t MultiplyUnit(uint8_t x, uint8_t a) {
  uint32_t t = uint32_t(x) * a + 0x80;
  return uint8_t(((t >> 8) + t) >> 8);
}

int64_t TileIndex(int64_t v) { return ((v % kRasterTileSize) + kRasterTileSize) % kRasterTileSize; }

// An edge of a polygon for the rows y with yTop <= y < yEnd (half-open, so that a vertex on a
// row counts once for the odd-even rule).
struct FillEdge {
  int64_t yTop;
  int64_t yEnd;
  double xTop;
  double slope;
};

}  // namespace

PixelRaster::PixelRaster(int32_t left, int32_t top, int32_t width, int32_t height, RasterColour background)
    : left_(left), top_(top), width_(std::max(width, 0)), height_(std::max(height, 0)) {
  pixels_.resize(size_t(width_) * size_t(height_) * 3);
  for (size_t i = 0; i < pixels_.size(); i += 3) {
    pixels_[i] = background.red;
    pixels_[i + 1] = background.green;
    pixels_[i + 2] = background.blue;
  }
}

RasterColour PixelRaster::PixelAt(int32_t x, int32_t y) const {
  const uint8_t* p = &pixels_[(size_t(y - top_) * size_t(width_) + size_t(x - left_)) * 3];
  return RasterColour{p[0], p[1], p[2]};
}

void PixelRaster::PenSpan(int64_t y, int64_t x1, int64_t x2) {
  ++work_;
  if (y < top_ || y >= int64_t(top_) + height_) return;
  x1 = std::max<int64_t>(x1, left_);
  x2 = std::min<int64_t>(x2, int64_t(left_) + width_ - 1);
  if (x1 > x2) return;
  work_ += x2 - x1 + 1;
  uint8_t* p = &pixels_[(size_t(y - top_) * size_t(width_) + size_t(x1 - left_)) * 3];
  for (int64_t x = x1; x <= x2; ++x, p += 3) {
    p[0] = pen_.red;
    p[1] = pen_.green;
    p[2] = pen_.blue;
  }
}

void PixelRaster::FillSpan(int64_t y, int64_t x1, int64_t x2) {
  ++work_;
  if (fill_.kind == RasterFill::Kind::kNone || y < top_ || y >= int64_t(top_) + height_) return;
  x1 = std::max<int64_t>(x1, left_);
  x2 = std::min<int64_t>(x2, int64_t(left_) + width_ - 1);
  if (x1 > x2) return;
  work_ += x2 - x1 + 1;
  uint8_t* p = &pixels_[(size_t(y - top_) * size_t(width_) + size_t(x1 - left_)) * 3];
  if (fill_.kind == RasterFill::Kind::kSolid) {
    for (int64_t x = x1; x <= x2; ++x, p += 3) {
      p[0] = fill_.colour.red;
      p[1] = fill_.colour.green;
      p[2] = fill_.colour.blue;
    }
    return;
  }
  const uint8_t* row = fill_.tile + TileIndex(y) * kRasterTileSize * 3;
  for (int64_t x = x1; x <= x2; ++x, p += 3) {
    const uint8_t* t = row + TileIndex(x) * 3;
    if (t[0] == 0 && t[1] == 0 && t[2] == 0) continue;
    p[0] = t[0];
    p[1] = t[1];
    p[2] = t[2];
  }
}

void PixelRaster::DrawPoint(int32_t x, int32_t y) { PenSpan(y, x, x); }

void PixelRaster::DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (y1 == y2) {
    PenSpan(y1, std::min(x1, x2), std::max(x1, x2));
    return;
  }
  int64_t yFrom = std::max<int64_t>(std::min(y1, y2), top_);
  int64_t yTo = std::min<int64_t>(std::max(y1, y2), int64_t(top_) + height_ - 1);
  if (x1 == x2) {
    for (int64_t y = yFrom; y <= yTo; ++y) PenSpan(y, x1, x1);
    return;
  }
  // A pixel is covered when its corner point lies closer than 1/2 to the segment: |cross| <
  // length / 2 with its projection on the segment; the two end points always. Lattice points
  // never lie at exactly 1/2 from a segment between lattice points, so the test has no ties.
  int64_t dx = int64_t(x2) - x1;
  int64_t dy = int64_t(y2) - y1;
  __int128 length2 = __int128(dx) * dx + __int128(dy) * dy;
  double halfWidth = std::sqrt(double(length2)) / (2.0 * std::fabs(double(dy)));
  int64_t xMin = std::max<int64_t>(std::min(x1, x2), left_);
  int64_t xMax = std::min<int64_t>(std::max(x1, x2), int64_t(left_) + width_ - 1);
  for (int64_t y = yFrom; y <= yTo; ++y) {
    int64_t ay = y - y1;
    double centre = double(x1) + double(ay) * double(dx) / double(dy);
    // One more candidate on each side absorbs rounding of the centre; the exact test decides.
    int64_t from = std::max<int64_t>(int64_t(std::floor(centre - halfWidth)) - 1, xMin);
    int64_t to = std::min<int64_t>(int64_t(std::ceil(centre + halfWidth)) + 1, xMax);
    for (int64_t x = from; x <= to; ++x) {
      int64_t ax = x - x1;
      __int128 cross = __int128(ax) * dy - __int128(ay) * dx;
      __int128 along = __int128(ax) * dx + __int128(ay) * dy;
      bool end = (x == x1 && y == y1) || (x == x2 && y == y2);
      if (end || (4 * cross * cross < length2 && along >= 0 && along <= length2)) PenSpan(y, x, x);
    }
  }
}

void PixelRaster::DrawRectangle(int32_t x, int32_t y, int32_t w, int32_t h) {
  if (w <= 0 || h <= 0) return;
  int64_t right = int64_t(x) + w - 1;
  int64_t bottom = int64_t(y) + h - 1;
  int64_t yFrom = std::max<int64_t>(y, int64_t(top_) - 1);
  int64_t yTo = std::min<int64_t>(bottom, int64_t(top_) + height_);
  for (int64_t row = yFrom; row <= yTo; ++row) {
    if (row == y || row == bottom) {
      PenSpan(row, x, right);
      continue;
    }
    FillSpan(row, int64_t(x) + 1, right - 1);
    PenSpan(row, x, x);
    PenSpan(row, right, right);
  }
}

void PixelRaster::FillPolygonInside(const Point* points, size_t n) {
  // Rows strictly between the lowest and highest vertex: a point inside the polygon on those
  // rows is on its outline, which the pen covers.
  std::vector<FillEdge> edges;
  edges.reserve(n);
  int64_t yMin = INT64_MAX;
  int64_t yMax = INT64_MIN;
  for (size_t i = 0; i < n; ++i) {
    const Point& a = points[i];
    const Point& b = points[(i + 1) % n];
    yMin = std::min<int64_t>(yMin, a.y);
    yMax = std::max<int64_t>(yMax, a.y);
    if (a.y == b.y) continue;
    const Point& upper = a.y < b.y ? a : b;
    const Point& lower = a.y < b.y ? b : a;
    double slope = (double(lower.x) - upper.x) / (double(lower.y) - upper.y);
    edges.push_back(FillEdge{upper.y, lower.y, double(upper.x), slope});
  }
  int64_t yFrom = std::max<int64_t>(yMin + 1, top_);
  int64_t yTo = std::min<int64_t>(yMax - 1, int64_t(top_) + height_ - 1);
  if (yFrom > yTo) return;
  std::sort(edges.begin(), edges.end(), [](const FillEdge& a, const FillEdge& b) { return a.yTop < b.yTop; });
  std::vector<const FillEdge*> active;
  size_t next = 0;
  for (int64_t y = yFrom; y <= yTo; ++y) {
    while (next < edges.size() && edges[next].yTop <= y) active.push_back(&edges[next++]);
    active.erase(std::remove_if(active.begin(), active.end(), [y](const FillEdge* e) { return e->yEnd <= y; }),
                 active.end());
    crossings_.clear();
    for (const FillEdge* e : active) crossings_.push_back(e->xTop + double(y - e->yTop) * e->slope);
    std::sort(crossings_.begin(), crossings_.end());
    for (size_t i = 0; i + 1 < crossings_.size(); i += 2) {
      double from = std::max(std::floor(crossings_[i]) + 1, double(left_));
      double to = std::min(std::ceil(crossings_[i + 1]) - 1, double(left_) + width_ - 1);
      if (from <= to) FillSpan(y, int64_t(from), int64_t(to));
    }
  }
}

void PixelRaster::DrawPolygon(const Point* points, size_t n) {
  if (n == 0) return;
  if (fill_.kind != RasterFill::Kind::kNone && n >= 3) FillPolygonInside(points, n);
  for (size_t i = 0; i < n; ++i) {
    const Point& a = points[i];
    const Point& b = points[(i + 1) % n];
    DrawLine(a.x, a.y, b.x, b.y);
  }
}

void PixelRaster::BlendStamp(int32_t x, int32_t y, int32_t w, int32_t h, const uint8_t* coverage, RasterColour colour) {
  int64_t rowFrom = std::max<int64_t>(y, top_);
  int64_t rowTo = std::min<int64_t>(int64_t(y) + h, int64_t(top_) + height_);
  int64_t columnFrom = std::max<int64_t>(x, left_);
  int64_t columnTo = std::min<int64_t>(int64_t(x) + w, int64_t(left_) + width_);
  const uint8_t tint[3] = {colour.red, colour.green, colour.blue};
  if (rowFrom < rowTo && columnFrom < columnTo) work_ += (rowTo - rowFrom) * (columnTo - columnFrom);
  for (int64_t row = rowFrom; row < rowTo; ++row) {
    for (int64_t column = columnFrom; column < columnTo; ++column) {
      const uint8_t* a = coverage + (size_t(row - y) * size_t(w) + size_t(column - x)) * 3;
      uint8_t* p = &pixels_[(size_t(row - top_) * size_t(width_) + size_t(column - left_)) * 3];
      if ((a[0] | a[1] | a[2]) == 0) continue;
      for (int c = 0; c < 3; ++c) p[c] = uint8_t(MultiplyUnit(tint[c], a[c]) + MultiplyUnit(p[c], uint8_t(255 - a[c])));
    }
  }
}
