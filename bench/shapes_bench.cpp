// Sizing of one large polygon and path outlines of reader-sized paths.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "db/poly/path_outline.h"
#include "db/poly/ring_set.h"

namespace {

// A Manhattan comb of teeth (4 vertices each), or a saw-tooth star whose vertices alternate
// between two radii: every corner is sharper than 90 degrees and the outer ones are cut.
void AddBenchRing(RingSet& set, int vertices, bool manhattan) {
  RingVertex* first = nullptr;
  RingVertex* last = nullptr;
  if (manhattan) {
    int teeth = vertices / 4;
    for (int i = 0; i < teeth; ++i) {
      int32_t x = i * 100;
      for (Point p : {Point(x, 0), Point(x + 50, 0), Point(x + 50, 1000), Point(x + 100, 1000)}) {
        AppendRingVertex(set, p, first, last);
      }
    }
    AppendRingVertex(set, Point(teeth * 100, -500), first, last);
    AppendRingVertex(set, Point(0, -500), first, last);
  } else {
    for (int i = 0; i < vertices; ++i) {
      double angle = 2 * M_PI * i / vertices, r = i % 2 ? 1e7 : 9.9e6;
      AppendRingVertex(set, Point(int32_t(std::lround(r * std::cos(angle))), int32_t(std::lround(r * std::sin(angle)))),
                       first, last);
    }
  }
  Link(last, first);
  set.SetRingCount(1);
}

void BM_SizeLargePolygon(benchmark::State& state) {
  const int vertices = int(state.range(0));
  const bool manhattan = state.range(1) != 0;
  for (auto _ : state) {
    state.PauseTiming();
    RingSet source, out;
    AddBenchRing(source, vertices, manhattan);
    state.ResumeTiming();
    source.Size(out, 20, true);
    benchmark::DoNotOptimize(out.Head());
  }
  state.SetItemsProcessed(state.iterations() * vertices);
}
BENCHMARK(BM_SizeLargePolygon)->Args({100000, 1})->Args({100000, 0})->Unit(benchmark::kMillisecond);

// Paths of 2 to 6 points with Manhattan and 45-degree turns, as a GDSII reader meets them.
void BM_PathOutlines(benchmark::State& state) {
  const int dx[8] = {1, 1, 0, -1, -1, -1, 0, 1}, dy[8] = {0, 1, 1, 1, 0, -1, -1, -1};
  std::mt19937 rng(1);
  std::uniform_int_distribution<int> length(50, 5000), pointCount(2, 6), direction(0, 7);
  std::vector<PathShape> paths(4096);
  for (PathShape& path : paths) {
    path.width = 140;
    path.pathType = int16_t(direction(rng) % 3);
    Point p(length(rng), length(rng));
    path.points.push_back(p);
    for (int k = 1, n = pointCount(rng); k < n; ++k) {
      int d = direction(rng), l = length(rng);
      p = Point(p.x + dx[d] * l, p.y + dy[d] * l);
      path.points.push_back(p);
    }
  }
  RingSet rings;
  size_t i = 0;
  for (auto _ : state) {
    PathToPolygon(paths[i++ % paths.size()], rings);
    if (rings.VertexCount() > 1000000) rings.Clear();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PathOutlines);

}  // namespace
