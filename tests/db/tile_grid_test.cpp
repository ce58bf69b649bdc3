#include "db/tile_grid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <utility>
#include <vector>

namespace {

TEST(TileGrid, SidesAreCeilingsRoundedUpToTheStep) {
  TileGrid grid = MakeTileGrid(Box(0, 0, 25000, 8000), 10000, 100);
  EXPECT_EQ(grid.columns, 3);
  EXPECT_EQ(grid.rows, 1);
  EXPECT_EQ(grid.tileWidth, 8400);
  EXPECT_EQ(grid.tileHeight, 8000);
  // A step of 0 (units coarser than 100 nm) leaves the ceilings as they are.
  TileGrid coarse = MakeTileGrid(Box(0, 0, 25000, 8000), 10000, 0);
  EXPECT_EQ(coarse.tileWidth, 8334);
  // A box of no extent is one tile.
  TileGrid point = MakeTileGrid(Box(5, 5, 5, 5), 10, 3);
  EXPECT_EQ(point.columns * point.rows, 1);
}

TEST(TileGrid, TileCornersAreClampedTo32Bits) {
  TileGrid grid = MakeTileGrid(Box(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX), 1000000000, 7);
  Box last = grid.TileBox(grid.columns - 1, grid.rows - 1);
  EXPECT_EQ(last.x2, INT32_MAX);
  EXPECT_EQ(last.y2, INT32_MAX);
  EXPECT_EQ(grid.TileBox(0, 0).x1, INT32_MIN);
  EXPECT_LT(grid.TileBox(grid.columns - 1, 0).x1, INT32_MAX);
}

TEST(TileGrid, FittingKeepsTheSizeForSmallShapesAndCoarsensForSpanningOnes) {
  Box box(0, 0, 1000000, 1000000);
  std::vector<Box> small;
  for (int i = 0; i < 100; ++i) small.push_back(Box(i * 9000, i * 9000, i * 9000 + 50, i * 9000 + 50));
  TileGrid kept = FitTileGrid(box, 1000, 0, small);
  EXPECT_EQ(kept.columns, 1000);
  // One box over the whole extent covers every tile: the grid coarsens to the budget.
  std::vector<Box> spanning{box, Box(0, 0, 10, 10)};
  TileGrid fitted = FitTileGrid(box, 1000, 0, spanning);
  EXPECT_LE(fitted.columns * fitted.rows, kTileVisitsPerShape * 2);
  EXPECT_GE(fitted.columns * fitted.rows, kTileVisitsPerShape * 2 / 4);
  EXPECT_LE(CoveredTiles(fitted, spanning).size(), size_t(kTileVisitsPerShape * 2));
}

// Against brute force: every tile that a box overlaps strictly is listed, each tile once, columns
// outer.
TEST(TileGrid, CoveredTilesHoldEveryStrictlyOverlappedTileOnceInColumnOrder) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int32_t> coord(-5000, 5000), side(0, 3000);
  Box box(-5000, -5000, 8000, 8000);
  std::vector<Box> boxes;
  for (int i = 0; i < 40; ++i) {
    int32_t x = coord(rng), y = coord(rng);
    boxes.push_back(Box(x, y, std::min(8000, x + side(rng)), std::min(8000, y + side(rng))));
  }
  TileGrid grid = MakeTileGrid(box, 700, 100);
  auto tiles = CoveredTiles(grid, boxes);
  EXPECT_TRUE(std::is_sorted(tiles.begin(), tiles.end()));
  std::set<std::pair<int64_t, int64_t>> distinct(tiles.begin(), tiles.end());
  EXPECT_EQ(distinct.size(), tiles.size());
  for (int64_t c = 0; c < grid.columns; ++c) {
    for (int64_t r = 0; r < grid.rows; ++r) {
      bool strict =
          std::any_of(boxes.begin(), boxes.end(), [&](const Box& b) { return b.OverlapsStrict(grid.TileBox(c, r)); });
      bool listed = std::binary_search(tiles.begin(), tiles.end(), std::make_pair(c, r));
      if (strict) {
        EXPECT_TRUE(listed) << c << "," << r;
      }
    }
  }
}

}  // namespace
