// Chained-integer throughput through BinaryFile, plain and gzip, in bytes per second.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "db/binary_file.h"

namespace {

constexpr int kValues = 1 << 20;

std::string ScratchPath(bool gzip) {
  return "/tmp/korvane_bench_chained_" + std::to_string(::getpid()) + (gzip ? ".gz" : ".bin");
}

// Values shaped like cell data: mostly small deltas, some large coordinates.
std::vector<int32_t> SampleValues() {
  std::mt19937 rng(1);
  std::vector<int32_t> values(kValues);
  for (int32_t& v : values) {
    v = (rng() % 8 == 0) ? int32_t(rng()) : int32_t(rng() % 2001) - 1000;
  }
  return values;
}

int64_t WriteAll(const std::string& path, bool gzip, const std::vector<int32_t>& values) {
  BinaryFile f;
  f.Open(path, true, gzip);
  for (int32_t v : values) f.WriteSignedChained(v);
  int64_t bytes = f.Tell();
  f.Close();
  return bytes;
}

void BM_WriteSignedChained(benchmark::State& state) {
  bool gzip = state.range(0) != 0;
  std::vector<int32_t> values = SampleValues();
  std::string path = ScratchPath(gzip);
  int64_t bytes = 0;
  for (auto _ : state) bytes += WriteAll(path, gzip, values);
  state.SetBytesProcessed(bytes);
  std::remove(path.c_str());
}

void BM_ReadSignedChained(benchmark::State& state) {
  bool gzip = state.range(0) != 0;
  std::vector<int32_t> values = SampleValues();
  std::string path = ScratchPath(gzip);
  int64_t size = WriteAll(path, gzip, values);
  int64_t bytes = 0;
  for (auto _ : state) {
    BinaryFile f;
    f.Open(path, false, gzip);
    int64_t sum = 0;
    for (int i = 0; i < kValues; ++i) sum += f.ReadSignedChained();
    benchmark::DoNotOptimize(sum);
    bytes += size;
  }
  state.SetBytesProcessed(bytes);
  std::remove(path.c_str());
}

}  // namespace

BENCHMARK(BM_WriteSignedChained)->ArgName("gzip")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadSignedChained)->ArgName("gzip")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
