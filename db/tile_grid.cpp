// Grid arithmetic shared by the GDSII reader's split of large cells and the tiling of large
// cells in a library.
#include "db/tile_grid.h"

#include <algorithm>

namespace {

int64_t CeilDiv(int64_t a, int64_t b) { return (a + b - 1) / b; }

int64_t RoundUpToStep(int64_t side, int64_t step) { return step > 0 ? CeilDiv(side, step) * step : side; }

int32_t ClampToInt32(int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// The columns (or rows) from..to whose spans [origin + k * side, origin + (k + 1) * side] hold
// or touch [low, high], clamped to 0..count - 1.
std::pair<int64_t, int64_t> SpanRange(int64_t origin, int64_t side, int64_t count, int32_t low, int32_t high) {
  auto index = [&](int64_t v) {
    int64_t offset = v - origin;
    int64_t k = offset >= 0 ? offset / side : -CeilDiv(-offset, side);
    return std::clamp<int64_t>(k, 0, count - 1);
  };
  return {index(low), index(high)};
}

// The tiles the boxes cover, counted up to limit + 1.
int64_t CountCoveredTiles(const TileGrid& grid, const std::vector<Box>& boxes, int64_t limit) {
  int64_t total = 0;
  for (const Box& b : boxes) {
    auto cols = SpanRange(grid.box.x1, grid.tileWidth, grid.columns, b.x1, b.x2);
    auto rows = SpanRange(grid.box.y1, grid.tileHeight, grid.rows, b.y1, b.y2);
    int64_t w = cols.second - cols.first + 1, h = rows.second - rows.first + 1;
    if (w > limit || h > limit) return limit + 1;
    total += w * h;
    if (total > limit) return limit + 1;
  }
  return total;
}

}  // namespace

Box TileGrid::TileBox(int64_t column, int64_t row) const {
  return Box(ClampToInt32(box.x1 + column * tileWidth), ClampToInt32(box.y1 + row * tileHeight),
             ClampToInt32(box.x1 + (column + 1) * tileWidth), ClampToInt32(box.y1 + (row + 1) * tileHeight));
}

TileGrid MakeTileGrid(const Box& box, int64_t size, int64_t step) {
  TileGrid grid;
  grid.box = box;
  int64_t width = std::max<int64_t>(0, box.Width()), height = std::max<int64_t>(0, box.Height());
  grid.columns = std::max<int64_t>(1, CeilDiv(width, size));
  grid.rows = std::max<int64_t>(1, CeilDiv(height, size));
  grid.tileWidth = std::max<int64_t>(1, RoundUpToStep(CeilDiv(width, grid.columns), step));
  grid.tileHeight = std::max<int64_t>(1, RoundUpToStep(CeilDiv(height, grid.rows), step));
  return grid;
}

TileGrid FitTileGrid(const Box& box, int64_t size, int64_t step, const std::vector<Box>& boxes) {
  int64_t limit = kTileVisitsPerShape * std::max<int64_t>(1, int64_t(boxes.size()));
  int64_t extent = std::max(box.Width(), box.Height());
  TileGrid grid = MakeTileGrid(box, size, step);
  // Once size reaches the extent the grid is one tile, which every box covers once.
  while (size < extent && CountCoveredTiles(grid, boxes, limit) > limit) {
    size *= 2;
    grid = MakeTileGrid(box, size, step);
  }
  return grid;
}

std::vector<std::pair<int64_t, int64_t>> CoveredTiles(const TileGrid& grid, const std::vector<Box>& boxes) {
  std::vector<std::pair<int64_t, int64_t>> tiles;
  for (const Box& b : boxes) {
    auto cols = SpanRange(grid.box.x1, grid.tileWidth, grid.columns, b.x1, b.x2);
    auto rows = SpanRange(grid.box.y1, grid.tileHeight, grid.rows, b.y1, b.y2);
    for (int64_t c = cols.first; c <= cols.second; ++c) {
      for (int64_t r = rows.first; r <= rows.second; ++r) tiles.emplace_back(c, r);
    }
  }
  std::sort(tiles.begin(), tiles.end());
  tiles.erase(std::unique(tiles.begin(), tiles.end()), tiles.end());
  return tiles;
}
