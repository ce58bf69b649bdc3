// Converts the input into a new library with GdsIn::ReadLibrary, in a scratch directory that is
// emptied for every input. The first byte picks gzip and small large-cell thresholds
// (gds_library_seed.h); the rest is the stream.
#include <cstdint>
#include <filesystem>

#include "db/error.h"
#include "db/library.h"
#include "formats/gds_in.h"
#include "tests/fuzz/fuzz_scratch.h"
#include "tests/fuzz/gds_library_seed.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const gdsseed::Flags flags = gdsseed::FlagsOf(data[0]);
  const bool gzip = flags.gzip;
  fuzzscratch::ScratchDir dir("gds_library");
  std::string path = dir.File(gzip ? "in.gds.gz" : "in.gds");
  std::string libDir = dir.File("lib");
  std::filesystem::create_directories(libDir);
  if (!fuzzscratch::WriteFile(path, data + 1, size - 1, gzip)) return 0;
  try {
    GdsIn in(path.c_str(), gzip, flags.settings);
    Library lib(libDir, false);
    in.ReadLibrary(lib);
  } catch (const Error&) {
    // Malformed streams end in Error.
  }
  return 0;
}
