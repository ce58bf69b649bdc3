// korvane-bench export-gds LIBDIR CELL OUT.gds: writes one cell with every cell below it or,
// with CELL "-", the whole library as GDSII, streamed from the cell data files. OUT ending in
// ".gz" is written gzip-compressed.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "bench/korvane_bench/command.h"
#include "db/error.h"
#include "db/library.h"
#include "formats/gds_out.h"

namespace {

bool EndsWith(const std::string& s, const char* suffix) {
  std::string end(suffix);
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// id and every non-void cell it places, directly or below, in id order.
std::vector<uint32_t> CellsBelow(Library& library, uint32_t id) {
  std::vector<bool> seen(size_t(library.CellCount()), false);
  std::vector<uint32_t> pending{id};
  seen[id] = true;
  while (!pending.empty()) {
    Cell& cell = *library.GetCell(pending.back());
    pending.pop_back();
    library.LoadCellReferences(cell);
    const LayerRecord* placements = cell.HasReferences();
    if (!placements) continue;
    for (SpatialNode* n = placements->index.FirstLeaf(); n; n = placements->index.NextLeaf(n)) {
      uint32_t child = static_cast<const SRef*>(n->payload)->CellId();
      const Cell* placed = library.GetCell(child);
      if (seen[child] || !placed || placed->IsVoid()) continue;
      seen[child] = true;
      pending.push_back(child);
    }
  }
  std::vector<uint32_t> ids;
  for (size_t i = 0; i < seen.size(); ++i) {
    if (seen[i]) ids.push_back(uint32_t(i));
  }
  return ids;
}

int RunExportGds(const std::vector<std::string>& args) {
  if (args.size() != 3) {
    std::fprintf(stderr, "usage: korvane-bench export-gds LIBDIR CELL OUT.gds\n");
    return 2;
  }
  auto start = std::chrono::steady_clock::now();
  Library library(args[0], false);
  library.Open();
  // An unknown cell is refused before the output is created.
  int32_t id = args[1] == "-" ? -1 : library.FindIndex(args[1]);
  Cell* cell = id < 0 ? nullptr : library.GetCell(id);
  if (args[1] != "-" && !cell) throw Error(kTagGdsOut, "Cell " + args[1] + " not found");
  GdsOut out(args[2], EndsWith(args[2], ".gz"));
  if (args[1] == "-") {
    out.WriteLibrary(library);
  } else {
    out.WriteLibraryHeader(library);
    if (!cell->IsVoid()) {
      for (uint32_t below : CellsBelow(library, uint32_t(id))) out.WriteCellFromLibrary(*library.GetCell(below));
    }
    out.WriteLibraryEnd();
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  struct stat info;
  long long bytes = stat(args[2].c_str(), &info) == 0 ? (long long)info.st_size : 0;
  std::printf("export-gds seconds=%.3f bytes=%lld\n", seconds, bytes);
  return 0;
}

const BenchCommandRegistrar registrar({"export-gds", "LIBDIR CELL OUT.gds", RunExportGds});

}  // namespace
