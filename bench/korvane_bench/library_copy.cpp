#include "bench/korvane_bench/library_copy.h"

#include <stdlib.h>

#include <filesystem>

#include "bench/korvane_bench/command.h"
#include "db/error.h"

namespace fs = std::filesystem;

LibraryCopy::LibraryCopy(const std::string& source) {
  std::string pattern = (fs::temp_directory_path() / "korvane_bench_XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw Error(kTagBench, "Cannot make a scratch directory");
  scratch_ = pattern;
  path_ = scratch_ + "/lib";
  fs::copy(source, path_, fs::copy_options::recursive);
}

LibraryCopy::~LibraryCopy() {
  std::error_code ignored;
  fs::remove_all(scratch_, ignored);
}

uintmax_t LibraryCopy::Bytes() const {
  uintmax_t total = 0;
  for (const auto& entry : fs::directory_iterator(path_)) total += entry.file_size();
  return total;
}
