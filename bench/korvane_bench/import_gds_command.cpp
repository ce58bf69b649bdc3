// korvane-bench import-gds FILE LIBDIR: converts a GDSII file (gzip when FILE ends in ".gz")
// into a new library at LIBDIR through the reader the application uses, and reports its speed.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/korvane_bench/command.h"
#include "db/library.h"
#include "formats/gds_in.h"

namespace {

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Stored shape positions of every layer, over every cell of the library.
long long CountShapes(Library& lib) {
  long long shapes = 0;
  for (auto& cell : lib.cells) {
    if (!cell || cell->IsVoid()) continue;
    lib.LoadCell(*cell, false);
    for (const auto& layer : cell->shapes) {
      for (const ShapeGroup* g = layer.second.Head(); g; g = g->next) shapes += g->positionCount;
    }
    cell->Clear();
  }
  return shapes;
}

int RunImportGds(const std::vector<std::string>& args) {
  if (args.size() != 2) {
    std::fprintf(stderr, "usage: korvane-bench import-gds FILE LIBDIR\n");
    return 2;
  }
  const std::string& file = args[0];
  const std::string& libDir = args[1];
  auto start = std::chrono::steady_clock::now();
  // Opened before the library directory is made: a missing file leaves nothing behind.
  GdsIn in(file.c_str(), EndsWith(file, ".gz"));
  long long bytes = PrepareImport(file, libDir);
  Library lib(libDir, false);
  in.ReadLibrary(lib);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  long rss = PeakRssKb();
  long long cells = lib.CellCount();
  long long shapes = CountShapes(lib);
  std::printf("import-gds seconds=%.3f bytes=%lld cells=%lld shapes=%lld elements_per_second=%.0f peak_rss_kb=%ld\n",
              seconds, bytes, cells, shapes, seconds > 0 ? double(shapes) / seconds : 0.0, rss);
  return 0;
}

BenchCommandRegistrar registrar({"import-gds", "FILE LIBDIR", RunImportGds});

}  // namespace
