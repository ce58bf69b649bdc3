// Insertion and window queries on the spatial index. N random boxes, 1 to 2000 units a side, lie
// over a square whose side grows with sqrt(N): the density stays the same, so a window of a
// given size finds about the same number of boxes at every N. Query time against N shows the
// cost of the tree's depth; query time against the window size shows the cost per result.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "db/spatial_index.h"

namespace {

constexpr int32_t kMaxSide = 2000;

int32_t SquareSide(int64_t n) { return int32_t(std::sqrt(double(n)) * kMaxSide) + kMaxSide; }

std::vector<Box> RandomBoxes(int64_t n) {
  std::mt19937_64 rng{uint64_t(n)};
  int32_t side = SquareSide(n);
  std::vector<Box> boxes(n);
  for (Box& box : boxes) {
    int32_t x = int32_t(rng() % uint64_t(side - kMaxSide));
    int32_t y = int32_t(rng() % uint64_t(side - kMaxSide));
    box = Box(x, y, x + 1 + int32_t(rng() % kMaxSide), y + 1 + int32_t(rng() % kMaxSide));
  }
  return boxes;
}

// One filled index kept across the query benchmarks of the same N; 10^7 boxes take about a
// gigabyte, so only one N is held at a time.
struct FilledIndex {
  // Touching the pool first makes it outlive this object at exit.
  FilledIndex() { SpatialNodePool(); }

  const SpatialIndex& For(int64_t n) {
    if (n != boxesFor) {
      index.reset();
      boxes = RandomBoxes(n);
      int32_t side = SquareSide(n);
      index = std::make_unique<SpatialIndex>(Box(0, 0, side, side));
      for (Box& box : boxes) index->Insert(box, &box);
      boxesFor = n;
    }
    return *index;
  }

  int64_t boxesFor = 0;
  std::vector<Box> boxes;
  std::unique_ptr<SpatialIndex> index;
};

void BM_SpatialIndexInsert(benchmark::State& state) {
  int64_t n = state.range(0);
  std::vector<Box> boxes = RandomBoxes(n);
  int32_t side = SquareSide(n);
  for (auto _ : state) {
    SpatialIndex index(Box(0, 0, side, side));
    for (Box& box : boxes) index.Insert(box, &box);
    state.PauseTiming();
    index.Clear();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * n);
  state.counters["time/insert"] =
      benchmark::Counter(double(state.iterations() * n), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_SpatialIndexQuery(benchmark::State& state) {
  static FilledIndex filled;
  int64_t n = state.range(0);
  int32_t window = int32_t(state.range(1));
  const SpatialIndex& index = filled.For(n);
  std::mt19937_64 rng(42);
  std::vector<Box> windows(4096);
  int32_t side = SquareSide(n);
  for (Box& w : windows) {
    int32_t x = int32_t(rng() % uint64_t(side)), y = int32_t(rng() % uint64_t(side));
    w = Box(x, y, x + window, y + window);
  }
  int64_t hits = 0;
  size_t next = 0;
  for (auto _ : state) {
    const Box& w = windows[next++ & 4095];
    for (const SpatialNode* e = index.QueryFirst(w); e; e = index.QueryNext(e, w)) {
      benchmark::DoNotOptimize(e->payload);
      ++hits;
    }
  }
  state.SetItemsProcessed(hits);
  state.counters["time/query"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["hits/query"] = double(hits) / double(state.iterations());
}

void InsertSizes(benchmark::internal::Benchmark* b) {
  for (int64_t n : {10000, 100000, 1000000, 10000000}) b->Arg(n);
}

void QuerySizes(benchmark::internal::Benchmark* b) {
  for (int64_t n : {10000, 100000, 1000000, 10000000}) {
    for (int64_t window : {2000, 20000, 200000}) b->Args({n, window});
  }
}

}  // namespace

// Queries run first, on indexes built from a fresh pool; the insert runs then reuse freed nodes.
BENCHMARK(BM_SpatialIndexQuery)->Apply(QuerySizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SpatialIndexInsert)->Apply(InsertSizes)->Unit(benchmark::kMillisecond);
