// korvane-bench import-oas FILE LIBDIR: converts an OASIS file into a new library at LIBDIR
// through the reader the application uses, and reports its speed.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/korvane_bench/command.h"
#include "db/library.h"
#include "formats/oasis_in.h"

namespace {

int RunImportOas(const std::vector<std::string>& args) {
  if (args.size() != 2) {
    std::fprintf(stderr, "usage: korvane-bench import-oas FILE LIBDIR\n");
    return 2;
  }
  const std::string& file = args[0];
  const std::string& libDir = args[1];
  auto start = std::chrono::steady_clock::now();
  // Opened before the library directory is made: a missing file leaves nothing behind.
  OasisIn in;
  in.Open(file);
  long long bytes = PrepareImport(file, libDir);
  Library lib(libDir, false);
  in.ReadLibrary(lib);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("import-oas seconds=%.3f bytes=%lld cells=%lld shapes=%lld peak_rss_kb=%ld\n", seconds, bytes,
              (long long)lib.CellCount(), (long long)in.statistics().shapes, PeakRssKb());
  return 0;
}

BenchCommandRegistrar registrar({"import-oas", "FILE LIBDIR", RunImportOas});

}  // namespace
