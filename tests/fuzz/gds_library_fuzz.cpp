// Converts the input into a new library with GdsIn::ReadLibrary, in a scratch directory that is
// emptied for every input. The first byte picks gzip (bit 0) and small large-cell thresholds
// (bit 1), so that the sub-cell paths are reached by small inputs; the rest is the stream.
#include <cstdint>
#include <filesystem>

#include "db/error.h"
#include "db/library.h"
#include "formats/gds_in.h"
#include "tests/fuzz/fuzz_scratch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  bool gzip = data[0] & 1;
  GdsInSettings settings;
  if (data[0] & 2) {
    settings.storeThreshold = 16;
    settings.tileSize = 500;
    settings.dataFileRollOver = 200;
  }
  fuzzscratch::ScratchDir dir("gds_library");
  std::string path = dir.File(gzip ? "in.gds.gz" : "in.gds");
  std::string libDir = dir.File("lib");
  std::filesystem::create_directories(libDir);
  if (!fuzzscratch::WriteFile(path, data + 1, size - 1, gzip)) return 0;
  try {
    GdsIn in(path.c_str(), gzip, settings);
    Library lib(libDir, false);
    in.ReadLibrary(lib);
  } catch (const Error&) {
    // Malformed streams end in Error.
  }
  return 0;
}
