#pragma once

#include <cstdint>
#include <string>

class Library;

// 100 um in database units: round(units per nm * 100000), halves away from zero.
int64_t OptimizeTileSize(double unitsPerNm);

struct OptimizeResult {
  int64_t tiles = 0;
  // The status text to show: "No optimization required" or "Ready".
  std::string status;
};

// The Optimize DB pass: tiles the library's large cells at 100 um and, when tiles were made,
// writes "/info" and "/names" as their change bits call for. Cell data and index file failures
// propagate as Error; the tiles already written then stay due for the next save.
OptimizeResult OptimizeLibrary(Library& lib);
