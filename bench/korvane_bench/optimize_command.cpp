// korvane-bench optimize LIBDIR: runs Optimize DB on the library in place (its large cells are
// tiled at 100 um and the index files written) and times it. Around it, a cold 40 um x 40 um
// view at the middle of the widest cell that gets tiled is taken on a freshly opened library,
// before and after: the cells its window reaches are loaded and their shapes in the window
// extracted, as a drawing pass does; the shapes loaded and the time are printed for both.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "bench/korvane_bench/command.h"
#include "db/error.h"
#include "db/library.h"
#include "db/optimize_library.h"
#include "db/poly/ring_set.h"
#include "db/trans.h"

namespace {

struct ViewFigures {
  long long shapesLoaded = 0;
  double milliseconds = 0;
};

// The cell with shapes in its data file and the widest box above size, or -1.
int64_t LargestTiledCell(const Library& lib, int64_t size) {
  int64_t best = -1;
  int64_t bestExtent = size;
  for (size_t id = 0; id < lib.cells.size(); ++id) {
    const Cell* cell = lib.cells[id].get();
    if (!cell || !cell->IsStored() || cell->box.x1 > cell->box.x2) continue;
    int32_t geometryEnd = cell->referencePosition >= 0 ? cell->referencePosition : cell->endPosition;
    int64_t extent = std::max(cell->box.Width(), cell->box.Height());
    if (geometryEnd > cell->geometryPosition && extent > bestExtent) {
      best = int64_t(id);
      bestExtent = extent;
    }
  }
  return best;
}

long long ShapesLoaded(const Library& lib) {
  long long shapes = 0;
  for (const auto& cell : lib.cells) {
    if (!cell || !cell->loaded) continue;
    for (const auto& layer : cell->shapes) {
      for (const ShapeGroup* g = layer.second.Head(); g; g = g->next) shapes += g->positionCount;
    }
  }
  return shapes;
}

ViewFigures ColdView(const std::string& libDir, const std::string& cellName) {
  Library lib(libDir, false);
  lib.Open();
  int32_t id = lib.FindIndex(cellName);
  if (id < 0) throw Error(kTagBench, "Cell vanished: " + cellName);
  const Box& box = lib.cells[size_t(id)]->box;
  int64_t half = std::llround(20000 * lib.unitsPerNm);
  int64_t cx = (int64_t(box.x1) + box.x2) / 2, cy = (int64_t(box.y1) + box.y2) / 2;
  Box window(int32_t(cx - half), int32_t(cy - half), int32_t(cx + half), int32_t(cy + half));
  auto start = BenchClock::now();
  lib.ClearVisitedBits();
  lib.WalkHierarchy(uint32_t(id), window);
  std::map<LayerKey, RingSet> rings;
  lib.WalkHierarchyExtract(uint32_t(id), window, Trans(), {}, rings);
  ViewFigures figures;
  figures.milliseconds = SecondsSince(start) * 1000;
  figures.shapesLoaded = ShapesLoaded(lib);
  return figures;
}

int RunOptimize(const std::vector<std::string>& args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: korvane-bench optimize LIBDIR\n");
    return 2;
  }
  const std::string& libDir = args[0];
  std::string viewCell;
  {
    Library lib(libDir, false);
    lib.Open();
    int64_t id = LargestTiledCell(lib, OptimizeTileSize(lib.unitsPerNm));
    if (id >= 0) viewCell = lib.cells[size_t(id)]->Name();
  }
  ViewFigures before, after;
  if (!viewCell.empty()) before = ColdView(libDir, viewCell);

  Library lib(libDir, false);
  lib.Open();
  const size_t cellsBefore = lib.cells.size();
  auto start = BenchClock::now();
  OptimizeResult result = OptimizeLibrary(lib);
  double seconds = SecondsSince(start);
  // Each tile is placed by the one cell it was cut from.
  std::set<std::string> tiled;
  for (size_t id = cellsBefore; id < lib.cells.size(); ++id) {
    std::string name = lib.cells[id]->Name();
    tiled.insert(name.substr(0, name.rfind("ich")));
  }
  if (!viewCell.empty()) after = ColdView(libDir, viewCell);
  std::printf("status=\"%s\" view_cell=%s\n", result.status.c_str(), viewCell.c_str());
  std::printf(
      "optimize seconds=%.3f tiles=%lld cells_tiled=%zu peak_rss_kb=%ld shapes_loaded_before=%lld "
      "shapes_loaded_after=%lld view_cold_before_ms=%.2f view_cold_after_ms=%.2f\n",
      seconds, static_cast<long long>(result.tiles), tiled.size(), PeakRssKb(), before.shapesLoaded, after.shapesLoaded,
      before.milliseconds, after.milliseconds);
  return 0;
}

BenchCommandRegistrar registrar({"optimize", "LIBDIR", RunOptimize});

}  // namespace
