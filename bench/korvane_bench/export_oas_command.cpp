// korvane-bench export-oas LIBDIR CELL OUT.oas: writes one cell with every cell below it or,
// with CELL "-", the whole library as OASIS, streamed from the cell data files.
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/korvane_bench/command.h"
#include "db/error.h"
#include "db/library.h"
#include "formats/oasis_out.h"

namespace {

int RunExportOas(const std::vector<std::string>& args) {
  if (args.size() != 3) {
    std::fprintf(stderr, "usage: korvane-bench export-oas LIBDIR CELL OUT.oas\n");
    return 2;
  }
  auto start = std::chrono::steady_clock::now();
  Library library(args[0], false);
  library.Open();
  // An unknown cell is refused before the output is created.
  int32_t id = args[1] == "-" ? -1 : library.FindIndex(args[1]);
  if (args[1] != "-" && (id < 0 || !library.GetCell(id))) throw Error(kTagOasisOut, "Cell " + args[1] + " not found");
  OasisOut out;
  out.OpenForWrite(args[2], library);
  if (args[1] == "-") {
    out.WriteLibrary();
  } else {
    out.WriteCellTree(uint32_t(id));
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  struct stat info;
  long long bytes = stat(args[2].c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : 0;
  std::printf("export-oas seconds=%.3f bytes=%lld\n", seconds, bytes);
  return 0;
}

const BenchCommandRegistrar registrar({"export-oas", "LIBDIR CELL OUT.oas", RunExportOas});

}  // namespace
