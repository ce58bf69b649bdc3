// The whole OASIS reader on arbitrary bytes: the input is read as a file into a fresh library
// in a scratch directory, and every cell written is loaded back. Errors are the expected
// outcome of most inputs; crashes, hangs and sanitizer reports are the faults sought.
#include <cstdint>
#include <string>

#include "db/error.h"
#include "db/library.h"
#include "formats/oasis_in.h"
#include "tests/fuzz/fuzz_scratch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzscratch::ScratchDir dir("oasis_reader");
  std::string path = dir.File("in.oas");
  if (!fuzzscratch::WriteFile(path, data, size, false)) return 0;
  std::filesystem::create_directories(dir.File("lib"));
  Library library(dir.File("lib"), false);
  OasisInSettings settings;
  // Small caps keep each input fast; the limits themselves are what is exercised.
  settings.maxRepeatedPositions = 1 << 16;
  OasisIn reader(settings);
  try {
    reader.ReadLibrary(path, library);
    for (auto& cell : library.cells) {
      if (cell) library.LoadCell(*cell, true);
    }
  } catch (const Error&) {
    // Refused input.
  }
  return 0;
}
