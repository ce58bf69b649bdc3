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

namespace {

constexpr size_t kHeaderBytes = 9;

void Check(bool condition) {
  if (!condition) std::abort();
}

int32_t PositionAt(const uint8_t* p) {
  uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  return int32_t(v & 0x7fffffffu);
}

void Prepare(Library& lib, int32_t reference, int32_t end) {
  const Box boxes[] = {Box(-100, -100, 100, 100), Box(0, 0, 10, 10), Box(), Box(5, 5, 5, 5)};
  for (int i = 0; i < 4; ++i) {
    Cell& cell = *lib.cells[lib.CreateCell("c" + std::to_string(i))];
    cell.box = boxes[i];
    cell.loaded = false;
    if (i == 2) continue;
    cell.fileId = 1;
    cell.geometryPosition = 0;
    cell.endPosition = i == 0 ? end : 0;
  }
  // As "info" guarantees: the placement section lies inside the section.
  lib.cells[0]->referencePosition = reference <= end ? reference : -1;
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
  if (!fuzzscratch::WriteFile(dir.File(gzip ? "db1.gz" : "db1"), data + kHeaderBytes, size - kHeaderBytes, gzip)) return 0;
  Library lib(dir.Path(), gzip);
  Prepare(lib, PositionAt(data + 1), PositionAt(data + 5));
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
