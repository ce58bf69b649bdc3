#include "canvas/jobs/library_jobs.h"

#include <filesystem>
#include <memory>
#include <system_error>

#include "db/error.h"
#include "db/library.h"
#include "formats/gds_in.h"
#include "formats/oasis_in.h"

namespace fs = std::filesystem;

namespace {

bool EndsWith(const std::string& text, const char* suffix) {
  std::string tail(suffix);
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Creates directory when missing; true when it was created here.
bool CreateLibraryDirectory(const std::string& directory) {
  std::error_code failure;
  bool created = fs::create_directories(directory, failure);
  if (failure) throw Error(kTagLibOut, "Cannot create directory " + directory);
  return created;
}

}  // namespace

void ImportLayout(LayoutFormat format, const std::string& path, Library& library) {
  // The input opens first: a file that cannot be read leaves no directory behind.
  std::unique_ptr<GdsIn> gds;
  OasisIn oasis;
  if (format == LayoutFormat::kGds) {
    gds = std::make_unique<GdsIn>(path.c_str(), EndsWith(path, ".gz"));
  } else {
    oasis.Open(path);
  }
  const bool created = CreateLibraryDirectory(library.directory);
  try {
    library.currentFileId = uint16_t(library.currentFileId + 1);
    if (gds) {
      gds->ReadLibrary(library);
    } else {
      oasis.ReadLibrary(library);
    }
  } catch (...) {
    // A directory made for this import holds only what the failed import wrote; left behind it
    // would make the next attempt ask about it.
    std::error_code ec;
    if (created) fs::remove_all(library.directory, ec);
    throw;
  }
}
