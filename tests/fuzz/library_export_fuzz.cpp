// Exports a fuzzed library as GDSII and as OASIS and reads each export back. Input: one flag
// byte (bit 0 gzip), LE32 placement position, LE32 end position, then the data file. The
// library has four cells: one whose section is the input, a cell with a box, a void cell and a
// cell whose box is a point; and two strings. An export must refuse what loading refuses, leave
// a file exactly when it succeeds (and never its temporary), and be read back by our own
// readers, which refuse only a cell that places itself; anything else aborts.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "db/error.h"
#include "db/library.h"
#include "formats/gds_in.h"
#include "formats/gds_out.h"
#include "formats/oasis_in.h"
#include "formats/oasis_out.h"
#include "tests/fuzz/fuzz_scratch.h"
#include "tests/fuzz/fuzzed_cell_library.h"

namespace {

constexpr size_t kHeaderBytes = 9;

void Check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

void Prepare(Library& lib, int32_t reference, int32_t end) {
  lib.name = "fuzzed";
  fuzzscratch::PrepareFuzzedCells(lib, reference, end);
  lib.AddString("a");
  lib.AddString("b");
}

// Whether the first cell, the only one with contents, places itself.
bool PlacesItself(Library& lib) {
  const LayerRecord* placements = lib.cells[0]->HasReferences();
  for (SpatialNode* e = placements ? placements->index.FirstLeaf() : nullptr; e; e = placements->index.NextLeaf(e)) {
    if (static_cast<const SRef*>(e->payload)->CellId() == 0) return true;
  }
  return false;
}

bool LoadsEveryCell(Library& lib) {
  try {
    for (auto& cell : lib.cells) lib.LoadCell(*cell, true);
  } catch (const Error&) {
    return false;
  }
  return true;
}

bool Export(Library& lib, const std::string& path, bool oasis) {
  try {
    if (oasis) {
      OasisOut out;
      out.OpenForWrite(path, lib);
      out.WriteLibrary();
    } else {
      GdsOut out(path, false, 0);
      out.WriteLibrary(lib);
    }
  } catch (const Error&) {
    return false;
  }
  return true;
}

void ReadBack(const std::string& path, const std::string& libDir, bool oasis, bool cyclic) {
  std::filesystem::create_directories(libDir);
  Library back(libDir, false);
  try {
    if (oasis) {
      OasisIn().ReadLibrary(path, back);
    } else {
      GdsIn(path.c_str(), false).ReadLibrary(back);
    }
  } catch (const Error& e) {
    if (cyclic) return;
    std::fprintf(stderr, "export read back: %s\n", e.what());
    std::abort();
  }
  Check(LoadsEveryCell(back), "a cell of the export's import does not load");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kHeaderBytes) return 0;
  bool gzip = data[0] & 1;
  int32_t reference = fuzzscratch::PositionAt(data + 1);
  int32_t end = fuzzscratch::PositionAt(data + 5);
  fuzzscratch::ScratchDir dir("library_export");
  std::string libDir = dir.File("lib");
  std::filesystem::create_directories(libDir);
  std::string dataFile = libDir + (gzip ? "/db1.gz" : "/db1");
  if (!fuzzscratch::WriteFile(dataFile, data + kHeaderBytes, size - kHeaderBytes, gzip)) return 0;
  bool loads, cyclic = false;
  {
    Library lib(libDir, gzip);
    Prepare(lib, reference, end);
    loads = LoadsEveryCell(lib);
    if (loads) cyclic = PlacesItself(lib);
  }
  for (bool oasis : {false, true}) {
    Library lib(libDir, gzip);
    Prepare(lib, reference, end);
    std::string out = dir.File(oasis ? "out.oas" : "out.gds");
    bool exported = Export(lib, out, oasis);
    Check(loads || !exported, "an export wrote a library that does not load");
    Check(std::filesystem::exists(out) == exported, "an export's file does not tell its outcome");
    Check(!std::filesystem::exists(out + ".tmp"), "an export left its temporary file");
    if (exported) ReadBack(out, dir.File(oasis ? "back_oas" : "back_gds"), oasis, cyclic);
  }
  return 0;
}
