// korvane-bench stats LIBDIR: per cell and layer the number of stored shape positions, and per
// cell its texts and placements (an array counts once), sorted by cell name then layer.
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench/korvane_bench/command.h"
#include "db/cell.h"
#include "db/library.h"

namespace {

int RunStats(const std::vector<std::string>& args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: korvane-bench stats LIBDIR\n");
    return 2;
  }
  Library lib(args[0], false);
  lib.Open();
  const std::map<std::string, uint32_t> byName = CellIdsByName(lib);
  long long totalShapes = 0;
  for (const auto& entry : byName) {
    Cell& cell = *lib.cells[entry.second];
    lib.LoadCell(cell, false);
    for (const auto& layer : cell.shapes) {
      long long shapes = 0;
      for (const ShapeGroup* g = layer.second.Head(); g; g = g->next) shapes += g->positionCount;
      totalShapes += shapes;
      std::printf("cell %s layer %u/%u shapes %lld\n", entry.first.c_str(), layer.first >> 8, layer.first & 0xff,
                  shapes);
    }
    const LayerRecord* placements = cell.HasReferences();
    std::printf("cell %s texts %lld placements %lld\n", entry.first.c_str(), (long long)cell.texts.Count(),
                placements ? (long long)placements->Count() : 0LL);
    cell.Clear();
  }
  std::printf("stats cells=%lld shapes=%lld\n", (long long)byName.size(), totalShapes);
  return 0;
}

BenchCommandRegistrar registrar({"stats", "LIBDIR", RunStats});

}  // namespace
