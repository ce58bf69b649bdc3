// korvane-bench: the benchmark harness. Runs one subcommand; see `korvane-bench` without
// arguments for the list.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/korvane_bench/command.h"
#include "db/cell.h"
#include "db/error.h"
#include "db/library.h"
#include "db/memory_reuse.h"

namespace {
std::vector<BenchCommand>& Commands() {
  static std::vector<BenchCommand> commands;
  return commands;
}
}  // namespace

void RegisterBenchCommand(const BenchCommand& command) { Commands().push_back(command); }

long long PrepareImport(const std::string& file, const std::string& libDir) {
  if (std::filesystem::exists(libDir)) throw Error(kTagBench, "Library directory exists: " + libDir);
  std::filesystem::create_directories(libDir);
  std::error_code ec;
  auto size = std::filesystem::file_size(file, ec);
  return ec ? 0 : static_cast<long long>(size);
}

long PeakRssKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return 0;
}

std::map<std::string, uint32_t> CellIdsByName(const Library& lib) {
  std::map<std::string, uint32_t> byName;
  for (uint32_t id = 0; id < lib.cells.size(); ++id) {
    if (lib.cells[id]) byName.emplace(lib.cells[id]->Name(), id);
  }
  return byName;
}

int main(int argc, char** argv) {
  // As the application does, so that imports are timed as they run there.
  KeepFreedMemoryForReuse();
  if (argc >= 2) {
    for (const BenchCommand& command : Commands()) {
      if (std::strcmp(argv[1], command.name) != 0) continue;
      try {
        return command.run(std::vector<std::string>(argv + 2, argv + argc));
      } catch (const Error& e) {
        std::fputs(ErrorLine(e).c_str(), stderr);
        return 1;
      } catch (const std::exception& e) {
        std::fputs(ErrorLine(kTagSystem, e.what()).c_str(), stderr);
        return 1;
      }
    }
  }
  std::fprintf(stderr, "usage: korvane-bench COMMAND ARGS...\n");
  for (const BenchCommand& command : Commands()) std::fprintf(stderr, "  %s %s\n", command.name, command.usage);
  return 2;
}
