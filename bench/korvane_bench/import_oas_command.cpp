// korvane-bench import-oas FILE LIBDIR: converts an OASIS file into a new library at LIBDIR
// through the reader the application uses, and reports its speed.
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/korvane_bench/command.h"
#include "db/error.h"
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
  if (std::filesystem::exists(libDir)) throw Error("Library directory exists: " + libDir, "BENCH");
  std::filesystem::create_directories(libDir);
  struct stat info;
  long long bytes = stat(file.c_str(), &info) == 0 ? (long long)info.st_size : 0;
  auto start = std::chrono::steady_clock::now();
  Library lib(libDir, false);
  OasisIn in;
  in.ReadLibrary(file, lib);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("import-oas seconds=%.3f bytes=%lld cells=%lld shapes=%lld peak_rss_kb=%ld\n", seconds, bytes,
              (long long)lib.CellCount(), (long long)in.statistics().shapes, PeakRssKb());
  return 0;
}

BenchCommandRegistrar registrar({"import-oas", "FILE LIBDIR", RunImportOas});

}  // namespace
