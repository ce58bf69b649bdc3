// Allocating and freeing small records from a pool against new/delete.
#include <benchmark/benchmark.h>

#include <vector>

#include "db/record_pool.h"

namespace {

struct Record {
  Record* next;
  int32_t x, y;
  void* owner;
};

constexpr int kBatch = 100000;

void BM_PoolAllocFree(benchmark::State& state) {
  RecordPool<Record> pool(50000);
  std::vector<Record*> records(kBatch);
  for (auto _ : state) {
    for (Record*& r : records) {
      r = pool.Alloc();
      r->x = 1;
    }
    for (Record* r : records) pool.Free(r);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
}

void BM_NewDelete(benchmark::State& state) {
  std::vector<Record*> records(kBatch);
  for (auto _ : state) {
    for (Record*& r : records) {
      r = new Record;
      r->x = 1;
      benchmark::DoNotOptimize(r);
    }
    for (Record* r : records) delete r;
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
}

}  // namespace

BENCHMARK(BM_PoolAllocFree);
BENCHMARK(BM_NewDelete);
