#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

class Library;

// The tag of the errors the bench commands raise themselves (bad arguments, missing inputs).
inline constexpr const char* kTagBench = "BENCH";

// A subcommand of korvane-bench. Each one lives in its own file and registers itself with a
// static BenchCommandRegistrar; its last output line is one line of key=value pairs.
struct BenchCommand {
  const char* name;
  const char* usage;
  int (*run)(const std::vector<std::string>& args);
};

void RegisterBenchCommand(const BenchCommand& command);

struct BenchCommandRegistrar {
  explicit BenchCommandRegistrar(const BenchCommand& command) { RegisterBenchCommand(command); }
};

// For the import commands: creates the new library directory libDir, refusing one that exists
// (Error "BENCH"), and returns the size of file in bytes (0 when unknown).
long long PrepareImport(const std::string& file, const std::string& libDir);

using BenchClock = std::chrono::steady_clock;
inline double SecondsSince(BenchClock::time_point start) {
  return std::chrono::duration<double>(BenchClock::now() - start).count();
}

// Peak resident set size of this process in kilobytes (VmHWM), 0 when unknown.
long PeakRssKb();

// The ids of the library's cells by name, so that reports list cells in name order.
std::map<std::string, uint32_t> CellIdsByName(const Library& lib);
