// Compression of rings into shape records and decoding back into ring sets, by record kind.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "db/db_polygon.h"
#include "db/poly/ring_set.h"

namespace {

constexpr int kRings = 1000;

enum class Shape { kRectangle, kManhattan20, kOctagon, kGeneral16 };

std::vector<Point> ShapePoints(Shape shape) {
  std::vector<Point> points;
  switch (shape) {
    case Shape::kRectangle: points = {{0, 0}, {100, 0}, {100, 50}, {0, 50}}; break;
    case Shape::kManhattan20:  // a staircase of nine steps
      points.emplace_back(0, 0);
      for (int32_t i = 1; i <= 9; ++i) {
        points.emplace_back(10 * i, 10 * (i - 1));
        points.emplace_back(10 * i, 10 * i);
      }
      points.emplace_back(0, 90);
      break;
    case Shape::kOctagon: points = {{10, 0}, {20, 0}, {30, 10}, {30, 20}, {20, 30}, {10, 30}, {0, 20}, {0, 10}}; break;
    case Shape::kGeneral16:
      for (int i = 0; i < 16; ++i) {
        double angle = 2 * M_PI * i / 16;
        points.emplace_back(int32_t(std::lround(1000 * std::cos(angle))), int32_t(std::lround(1000 * std::sin(angle))));
      }
      break;
  }
  return points;
}

// kRings copies of the shape side by side; returns the first vertex of each.
std::vector<const RingVertex*> BuildRings(RingSet& set, Shape shape) {
  std::vector<const RingVertex*> starts;
  std::vector<Point> points = ShapePoints(shape);
  for (int32_t r = 0; r < kRings; ++r) {
    RingVertex* first = nullptr;
    RingVertex* last = nullptr;
    for (const Point& p : points) {
      RingVertex* v = set.PushBack(Point(p.x + 5000 * r, p.y));
      if (!first) first = v;
      Link(last, v);
      last = v;
    }
    Link(last, first);
    starts.push_back(first);
  }
  return starts;
}

void BM_Compress(benchmark::State& state, Shape shape) {
  RingSet set;
  std::vector<const RingVertex*> starts = BuildRings(set, shape);
  for (auto _ : state) {
    for (const RingVertex* start : starts) {
      const RingVertex* origin = nullptr;
      DBPolygonPtr record = DBPolygon::Compress(set, origin, start);
      benchmark::DoNotOptimize(record.get());
    }
  }
  state.SetItemsProcessed(state.iterations() * kRings);
}

void BM_Decode(benchmark::State& state, Shape shape) {
  RingSet set;
  std::vector<const RingVertex*> starts = BuildRings(set, shape);
  std::vector<DBPolygonPtr> records;
  std::vector<Point> origins;
  for (const RingVertex* start : starts) {
    const RingVertex* origin = nullptr;
    records.push_back(DBPolygon::Compress(set, origin, start));
    origins.emplace_back(origin->x, origin->y);
  }
  RingSet out;
  for (auto _ : state) {
    for (int r = 0; r < kRings; ++r) records[r]->ToRing(out, origins[r]);
    benchmark::DoNotOptimize(out.Head());
    out.Clear();
  }
  state.SetItemsProcessed(state.iterations() * kRings);
}

}  // namespace

BENCHMARK_CAPTURE(BM_Compress, rectangle, Shape::kRectangle);
BENCHMARK_CAPTURE(BM_Compress, manhattan20, Shape::kManhattan20);
BENCHMARK_CAPTURE(BM_Compress, octagonal, Shape::kOctagon);
BENCHMARK_CAPTURE(BM_Compress, general16, Shape::kGeneral16);
BENCHMARK_CAPTURE(BM_Decode, rectangle, Shape::kRectangle);
BENCHMARK_CAPTURE(BM_Decode, manhattan20, Shape::kManhattan20);
BENCHMARK_CAPTURE(BM_Decode, octagonal, Shape::kOctagon);
BENCHMARK_CAPTURE(BM_Decode, general16, Shape::kGeneral16);
