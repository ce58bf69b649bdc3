// korvane-bench layer-area LIBDIR: per cell and layer the area that the cell's own shapes cover
// (each shape filled under the non-zero rule, as a GDSII or OASIS reader fills it, then
// united; placements are not expanded), and on the last line the sum per layer over all cells.
// Two libraries that hold the same geometry print the same last line.
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench/korvane_bench/command.h"
#include "db/cell.h"
#include "db/library.h"
#include "db/poly/ring_set.h"

namespace {

// Twice the area of the region whose outline rings holds: holes run clockwise and subtract.
__int128 TwiceArea(const RingSet& rings) {
  __int128 sum = 0;
  for (const RingVertex* v = rings.Head(); v; v = v->next) {
    const RingVertex* n = v->ringNext;
    sum += __int128(v->x) * n->y - __int128(n->x) * v->y;
  }
  return sum;
}

std::string Decimal(__int128 v) {
  if (v == 0) return "0";
  bool negative = v < 0;
  std::string digits;
  for (; v != 0; v /= 10) digits.insert(digits.begin(), char('0' + int(negative ? -(v % 10) : v % 10)));
  return negative ? "-" + digits : digits;
}

std::string AreaText(__int128 twice) { return Decimal(twice / 2) + (twice % 2 ? ".5" : ""); }

int RunLayerArea(const std::vector<std::string>& args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: korvane-bench layer-area LIBDIR\n");
    return 2;
  }
  Library lib(args[0], false);
  lib.Open();
  const std::map<std::string, uint32_t> byName = CellIdsByName(lib);
  std::map<LayerKey, __int128> total;
  for (const auto& entry : byName) {
    Cell& cell = *lib.cells[entry.second];
    if (cell.IsVoid()) continue;
    lib.LoadCell(cell, false);
    for (const auto& layer : cell.shapes) {
      RingSet shapes;
      layer.second.ToRings(shapes);
      RingSet region;
      shapes.FilledRegion(region);
      __int128 twice = TwiceArea(region);
      total[layer.first] += twice;
      std::printf("cell %s layer %u/%u area %s\n", entry.first.c_str(), layer.first >> 8, layer.first & 0xff,
                  AreaText(twice).c_str());
    }
    cell.Clear();
  }
  std::string line = "layer-area cells=" + std::to_string(byName.size());
  for (const auto& layer : total) {
    line += " " + std::to_string(layer.first >> 8) + "/" + std::to_string(layer.first & 0xff) + "=" +
            AreaText(layer.second);
  }
  std::printf("%s\n", line.c_str());
  return 0;
}

const BenchCommandRegistrar registrar({"layer-area", "LIBDIR", RunLayerArea});

}  // namespace
