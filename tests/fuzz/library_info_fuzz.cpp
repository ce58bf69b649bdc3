// Reads arbitrary bytes as a library's "info": the first byte picks a plain "info" or the rest
// compressed into "info.gz". A read that succeeds must have left every root id and every cell
// position in range; anything else aborts.
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "db/error.h"
#include "db/library.h"
#include "tests/fuzz/fuzz_scratch.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckRead(const Library& lib) {
  for (uint32_t id : lib.roots) Check(id < lib.cells.size());
  for (const auto& cell : lib.cells) {
    if (!cell->IsStored()) continue;
    Check(cell->geometryPosition <= cell->endPosition);
    Check(cell->referencePosition == -1 ||
          (cell->geometryPosition <= cell->referencePosition && cell->referencePosition <= cell->endPosition));
  }
  Check(lib.unitsPerNm > 0 && std::isfinite(lib.unitsPerNm));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  bool gzip = data[0] & 1;
  fuzzscratch::ScratchDir dir("library_info");
  if (!fuzzscratch::WriteFile(dir.File(gzip ? "info.gz" : "info"), data + 1, size - 1, gzip)) return 0;
  Library lib(dir.Path(), false);
  try {
    lib.ReadInfo();
    CheckRead(lib);
  } catch (const Error&) {
    // Refused input is the expected outcome for most inputs.
  }
  return 0;
}
