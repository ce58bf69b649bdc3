// Library files: opening a large library (index files only), loading a cell of a million
// shapes with and without indexing, loading cells in random order from plain and gzip data
// files, and saving one changed cell in a large library.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "db/db_polygon.h"
#include "db/library.h"
#include "db/poly/ring_set.h"

namespace {

constexpr int kLargeLibraryCells = 100000;

std::string ScratchDir(const std::string& name) {
  std::string path = "/tmp/korvane_bench_" + name + "_" + std::to_string(::getpid());
  std::filesystem::remove_all(path);
  std::filesystem::create_directories(path);
  return path;
}

int64_t FileSize(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? int64_t(info.st_size) : 0;
}

DBPolygonPtr Rectangle(int32_t width, int32_t height) {
  RingSet ring;
  RingVertex* first = nullptr;
  RingVertex* last = nullptr;
  for (Point p : {Point(0, 0), Point(width, 0), Point(width, height), Point(0, height)}) {
    AppendRingVertex(ring, p, first, last);
  }
  Link(last, first);
  ring.SetRingCount(1);
  const RingVertex* origin = nullptr;
  return DBPolygon::Compress(ring, origin, first);
}

// shapes rectangles of a few sizes on one layer, on a grid with the given pitch.
void FillCell(Cell& cell, int shapes, int32_t pitch) {
  constexpr int kSizes = 16;
  ShapeGroupList& list = cell.GetShapeGroups(MakeLayerKey(1, 0));
  std::vector<ShapeGroup*> groups;
  for (int s = 0; s < kSizes; ++s) groups.push_back(list.Append(Rectangle(pitch / 2 + s, pitch / 3 + s)));
  int side = 1;
  while (side * side < shapes) ++side;
  for (int i = 0; i < shapes; ++i) {
    int32_t x = (i % side) * pitch, y = (i / side) * pitch;
    groups[size_t(i % kSizes)]->AppendPosition(x, y);
    cell.box.ExtendBox(Box(x, y, x + pitch, y + pitch));
  }
}

// A saved library of cells with shapesPerCell shapes each.
std::string BuildLibrary(const std::string& name, int cells, int shapesPerCell, bool gzip) {
  std::string dir = ScratchDir(name);
  Library lib(dir, gzip);
  for (int i = 0; i < cells; ++i) {
    FillCell(*lib.cells[lib.CreateEditedCell("cell" + std::to_string(i))], shapesPerCell, 100);
  }
  lib.Save();
  return dir;
}

// The log also goes to standard output, where the benchmark prints its results: keeps it
// quiet while a benchmark runs.
class QuietLog {
 public:
  QuietLog() : saved_(::dup(1)) {
    std::fflush(stdout);
    int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::close(null);
  }
  ~QuietLog() {
    std::fflush(stdout);
    ::dup2(saved_, 1);
    ::close(saved_);
  }
  QuietLog(const QuietLog&) = delete;
  QuietLog& operator=(const QuietLog&) = delete;

 private:
  int saved_;
};

void BM_OpenLibraryIndexFiles(benchmark::State& state) {
  QuietLog quiet;
  std::string dir = BuildLibrary("open", kLargeLibraryCells, 4, false);
  for (auto _ : state) {
    Library lib(dir, false);
    lib.Open();
    benchmark::DoNotOptimize(lib.cells.size());
  }
  state.counters["cells"] = kLargeLibraryCells;
  std::filesystem::remove_all(dir);
}

// Reading the section only (index false) against reading and indexing every shape.
void BM_LoadCellOfAMillionShapes(benchmark::State& state) {
  QuietLog quiet;
  bool index = state.range(0) != 0;
  std::string dir = BuildLibrary("large_cell", 1, 1000000, false);
  Library lib(dir, false);
  lib.Open();
  Cell& cell = *lib.cells[0];
  for (auto _ : state) {
    lib.LoadCell(cell, index);
    state.PauseTiming();
    cell.Clear();
    state.ResumeTiming();
  }
  state.counters["section_bytes"] = double(cell.endPosition - cell.geometryPosition);
  std::filesystem::remove_all(dir);
}

// Cells of 200 shapes loaded in a random order, one at a time, then unloaded.
void BM_RandomOrderCellLoads(benchmark::State& state) {
  QuietLog quiet;
  bool gzip = state.range(0) != 0;
  constexpr int kCells = 2000;
  std::string dir = BuildLibrary(gzip ? "random_gzip" : "random_plain", kCells, 200, gzip);
  Library lib(dir, false);
  lib.Open();
  std::mt19937 rng(7);
  int64_t loads = 0;
  for (auto _ : state) {
    Cell& cell = *lib.cells[rng() % kCells];
    lib.LoadCell(cell, true);
    cell.Clear();
    ++loads;
  }
  state.SetItemsProcessed(loads);
  std::filesystem::remove_all(dir);
}

// One cell of 1000 shapes changed and saved in a library of 100000 cells: the data file must
// grow by that cell's section alone, and the index files are rewritten.
void BM_SaveOneChangedCell(benchmark::State& state) {
  QuietLog quiet;
  std::string dir = BuildLibrary("save", kLargeLibraryCells, 4, false);
  Library lib(dir, false);
  lib.Open();
  Cell& cell = *lib.cells[kLargeLibraryCells / 2];
  lib.LoadCell(cell, true);
  cell.Clear();
  cell.loaded = true;
  FillCell(cell, 1000, 100);
  int64_t appended = 0, sections = 0;
  for (auto _ : state) {
    state.PauseTiming();
    int64_t before = FileSize(dir + "/db1");
    lib.NoteCellEdited(cell, cell.box);
    state.ResumeTiming();
    lib.Save();
    state.PauseTiming();
    appended += FileSize(dir + "/db1") - before;
    sections += cell.endPosition - cell.geometryPosition;
    state.ResumeTiming();
  }
  state.counters["appended_per_section"] = double(appended) / double(sections);
  state.counters["section_bytes"] = double(cell.endPosition - cell.geometryPosition);
  std::filesystem::remove_all(dir);
}

}  // namespace

BENCHMARK(BM_OpenLibraryIndexFiles)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadCellOfAMillionShapes)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RandomOrderCellLoads)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveOneChangedCell)->Unit(benchmark::kMillisecond);
