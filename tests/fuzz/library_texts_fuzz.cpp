// Reads arbitrary bytes as a library's "texts". After a successful read the string table and
// the map from strings to their first index agree; anything else aborts.
#include <cstdint>
#include <cstdlib>

#include "db/error.h"
#include "db/library.h"
#include "tests/fuzz/fuzz_scratch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzscratch::ScratchDir dir("library_texts");
  if (!fuzzscratch::WriteFile(dir.File("texts"), data, size, false)) return 0;
  Library lib(dir.Path(), false);
  try {
    lib.ReadTexts();
    for (const auto& entry : lib.textMap) {
      if (entry.second >= lib.strings.size() || lib.strings[entry.second] != entry.first) std::abort();
    }
    for (size_t i = 0; i < lib.strings.size(); ++i) {
      if (lib.textMap.at(lib.strings[i]) > i) std::abort();
    }
  } catch (const Error&) {
    // A count that the lines do not fill is refused.
  }
  return 0;
}
