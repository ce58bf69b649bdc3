#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "db/box.h"

// A grid of equal tiles laid over a box from its lower-left corner. Tiles of the last column
// and row may reach past the box; corners are computed in 64 bits and clamped to 32 bits.
struct TileGrid {
  Box box;
  int64_t columns = 1;
  int64_t rows = 1;
  int64_t tileWidth = 1;
  int64_t tileHeight = 1;

  // Tile (column, row): (x1 + column * width, y1 + row * height) to the next corner.
  Box TileBox(int64_t column, int64_t row) const;
};

// columns = ceil(width / size), rows = ceil(height / size) (at least 1 each); the sides are
// ceil(width / columns) and ceil(height / rows), each rounded up to a multiple of step (left as
// they are when step is 0). size must be at least 1.
TileGrid MakeTileGrid(const Box& box, int64_t size, int64_t step);

// Tiles visited per shape at most when a cell is tiled: the tile size grows until the shapes'
// boxes cover no more tiles than this many per shape, so that one long thin shape across a huge
// extent cannot make the work grow with the extent rather than with the shapes.
constexpr int64_t kTileVisitsPerShape = 64;

// MakeTileGrid with the smallest of size, 2 * size, 4 * size, ... for which the boxes cover at
// most kTileVisitsPerShape * max(1, boxes.size()) tiles in all (CoveredTiles counts them).
TileGrid FitTileGrid(const Box& box, int64_t size, int64_t step, const std::vector<Box>& boxes);

// (column, row) of every tile that one of the boxes overlaps or touches, each once, in
// column-major order (columns outer). A superset of the tiles a box overlaps strictly. The
// grid should be FitTileGrid's for the same boxes, which bounds the count.
std::vector<std::pair<int64_t, int64_t>> CoveredTiles(const TileGrid& grid, const std::vector<Box>& boxes);
