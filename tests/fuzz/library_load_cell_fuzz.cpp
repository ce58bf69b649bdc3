// Loads arbitrary bytes as the section of a cell. Input: one flag byte (bit 0 index, bit 1
// gzip, bit 2 placements alone first), LE32 placement position, LE32 end position, then the
// data file. The library has four cells: the one loaded, a cell with a box, a void cell and a
// cell whose box is a point. A cell that loads is written back and loaded again: it must come
// back the same, and the writer must accept everything the reader gave; anything else aborts.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "db/error.h"
#include "db/library.h"
#include "tests/db/library_test_util.h"
#include "tests/fuzz/fuzz_scratch.h"
#include "tests/fuzz/fuzzed_cell_library.h"

namespace {

constexpr size_t kHeaderBytes = 9;

void Check(bool condition) {
  if (!condition) std::abort();
}

// Writes the loaded cell anew and loads it again; it must not change.
void CheckRoundTrip(Library& lib, Cell& cell, bool index) {
  std::string before = libtest::DumpCell(lib, cell);
  cell.flags |= kCellModified;
  try {
    lib.WriteChangedCells();
  } catch (const Error& e) {
    std::fprintf(stderr, "loaded:\n%s\nrefused by the writer: %s\n", before.c_str(), e.what());
    std::abort();
  }
  cell.Clear();
  lib.LoadCell(cell, index);
  std::string after = libtest::DumpCell(lib, cell);
  if (after != before) {
    std::fprintf(stderr, "loaded:\n%s\nafter a save:\n%s", before.c_str(), after.c_str());
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kHeaderBytes) return 0;
  bool index = data[0] & 1;
  bool gzip = data[0] & 2;
  fuzzscratch::ScratchDir dir("library_load_cell");
  if (!fuzzscratch::WriteFile(dir.File(gzip ? "db1.gz" : "db1"), data + kHeaderBytes, size - kHeaderBytes, gzip))
    return 0;
  Library lib(dir.Path(), gzip);
  fuzzscratch::PrepareFuzzedCells(lib, fuzzscratch::PositionAt(data + 1), fuzzscratch::PositionAt(data + 5));
  Cell& cell = *lib.cells[0];
  try {
    if (data[0] & 4) lib.LoadCellReferences(cell);
    lib.LoadCell(cell, index);
  } catch (const Error&) {
    Check(cell.layers.empty() && cell.shapes.empty() && cell.texts.Count() == 0 && !cell.loaded);
    return 0;
  }
  CheckRoundTrip(lib, cell, index);
  return 0;
}
