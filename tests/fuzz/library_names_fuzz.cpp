// Reads arbitrary bytes as a library's "names": the first byte gives the number of cell ids,
// the rest is the file. After a successful read every cell has a name that the name map finds
// under an id of that name; anything else aborts.
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "db/error.h"
#include "db/library.h"
#include "tests/fuzz/fuzz_scratch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  fuzzscratch::ScratchDir dir("library_names");
  if (!fuzzscratch::WriteFile(dir.File("names"), data + 1, size - 1, false)) return 0;
  Library lib(dir.Path(), false);
  for (int i = 0; i < data[0]; ++i) lib.cells.push_back(std::make_unique<Cell>());
  try {
    lib.ReadNames();
    for (const auto& cell : lib.cells) {
      if (!cell->name) std::abort();
      auto entry = lib.nameMap.find(*cell->name);
      int32_t id = entry == lib.nameMap.end() ? -1 : int32_t(entry->second);
      if (id < 0 || lib.cells[size_t(id)]->name != cell->name) std::abort();
    }
  } catch (const Error&) {
    // A file shorter than the cell count is refused.
  }
  return 0;
}
