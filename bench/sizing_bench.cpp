// Sizing as the Sizing command does it, on one self-crossing ring: a bowtie of two lobes wound
// against each other, with a comb of small teeth along its left side, grown by 166 so that the
// swept pieces of some eighty teeth overlap at every point of the comb. The counter per N log N
// should stay flat as the vertex count N grows.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "db/poly/ring_set.h"

namespace {

// About n vertices: the bowtie's four corners, then teeth 5 wide and 2 high every 4 units down
// the left side.
void AddCombedBowtie(RingSet& set, int64_t n) {
  const int32_t teeth = int32_t((n - 4) / 4);
  const int32_t height = 4 * teeth + 8;
  std::vector<Point> points = {{0, 0}, {4000, height}, {4000, 0}, {0, height}};
  for (int32_t i = 0; i < teeth; ++i) {
    const int32_t y = height - 4 * i;
    points.insert(points.end(), {{0, y - 1}, {-5, y - 1}, {-5, y - 3}, {0, y - 3}});
  }
  set.AddRing(points.data(), uint32_t(points.size()));
}

void BM_SizeCombedBowtie(benchmark::State& state) {
  RingSet source;
  AddCombedBowtie(source, state.range(0));
  uint64_t outputVertices = 0;
  for (auto _ : state) {
    RingSet out = SizedOutline(source, 166);
    outputVertices = out.VertexCount();
    benchmark::DoNotOptimize(out.Head());
  }
  const double n = double(source.VertexCount());
  auto perItem = benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert;
  state.counters["per_NlogN"] = benchmark::Counter(n * std::log2(n), perItem);
  state.counters["out_vertices"] = double(outputVertices);
  state.SetComplexityN(int64_t(n));
}

}  // namespace

BENCHMARK(BM_SizeCombedBowtie)
    ->Arg(12500)
    ->Arg(25000)
    ->Arg(50000)
    ->Arg(100000)
    ->Complexity(benchmark::oNLogN)
    ->Unit(benchmark::kMillisecond);
