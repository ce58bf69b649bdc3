#include "db/optimize_library.h"

#include <cmath>

#include "db/library.h"

int64_t OptimizeTileSize(double unitsPerNm) { return std::llround(unitsPerNm * 100000.0); }

OptimizeResult OptimizeLibrary(Library& lib) {
  OptimizeResult result;
  result.tiles = lib.TileLargeCells(OptimizeTileSize(lib.unitsPerNm));
  if (result.tiles == 0) {
    result.status = "No optimization required";
    return result;
  }
  lib.WriteIndexFiles(lib.flags & (kLibInfoDirty | kLibNamesDirty));
  result.status = "Ready";
  return result;
}
