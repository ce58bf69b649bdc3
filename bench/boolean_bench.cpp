// Merging many rectangles with the boolean sweep: random rectangles at constant density, and
// long stacked wires that keep the active list full for the whole sweep. The counters give the
// time per N log N and per vertex in and out; both should stay flat as N grows.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "db/poly/ring_set.h"

namespace {

// Sides uniform in [10, 100], corners uniform in a square of side sqrt(N) * 60.
void AddRandomRectangles(RingSet& set, int64_t n) {
  std::mt19937 rng(12345);
  int32_t side = int32_t(std::sqrt(double(n)) * 60);
  std::uniform_int_distribution<int32_t> position(0, side), length(10, 100);
  for (int64_t i = 0; i < n; ++i) {
    int32_t x = position(rng), y = position(rng);
    set.AddRectangle(Box(x, y, x + length(rng), y + length(rng)));
  }
}

// Wires of height 10 every 7 units, so that each overlaps its neighbours, spanning nearly the
// whole width with ragged ends.
void AddStackedWires(RingSet& set, int64_t n) {
  for (int64_t i = 0; i < n; ++i) {
    int32_t y = int32_t(i * 7);
    set.AddRectangle(Box(int32_t(i % 3) * 5, y, 1000000 - int32_t(i % 5) * 3, y + 10));
  }
}

void RunMerge(benchmark::State& state, RingSet& set, int64_t n) {
  uint64_t outputVertices = 0;
  for (auto _ : state) {
    RingSet out;
    set.Boolean(&out, kBooleanMerge, false);
    outputVertices = out.VertexCount();
    benchmark::DoNotOptimize(out.Head());
  }
  double nLogN = double(n) * std::log2(double(n));
  auto perItem = benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert;
  state.counters["per_NlogN"] = benchmark::Counter(nLogN, perItem);
  state.counters["per_vertex"] = benchmark::Counter(double(set.VertexCount() + outputVertices), perItem);
  state.counters["out_vertices"] = double(outputVertices);
}

void BM_MergeRandomRectangles(benchmark::State& state) {
  RingSet set;
  AddRandomRectangles(set, state.range(0));
  RunMerge(state, set, state.range(0));
}

void BM_MergeStackedWires(benchmark::State& state) {
  RingSet set;
  AddStackedWires(set, state.range(0));
  RunMerge(state, set, state.range(0));
}

}  // namespace

// A warm-up run lets every size start with the vertex store and the heap already grown.
BENCHMARK(BM_MergeRandomRectangles)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->MinWarmUpTime(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergeStackedWires)->Arg(10000)->Arg(100000)->MinWarmUpTime(1)->Unit(benchmark::kMillisecond);
