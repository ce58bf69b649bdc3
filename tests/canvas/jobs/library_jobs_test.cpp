#include "canvas/jobs/library_jobs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "db/error.h"
#include "db/library.h"
#include "tests/canvas/jobs/chip_gds.h"
#include "tests/db/library_test_util.h"

namespace {

namespace fs = std::filesystem;

using jobstest::WriteChip;

TEST(LibraryJobs, FailedImportRemovesOnlyTheEmptyDirectoryItCreated) {
  libtest::TempDir dir;
  const std::string broken = dir.File("broken.gds");
  std::ofstream(broken) << "not a stream";
  // A stream cut inside its last record fails once its cells are written.
  const std::string cut = WriteChip(dir);
  fs::resize_file(cut, fs::file_size(cut) - 3);
  for (const std::string& file : {broken, cut}) {
    const std::string fresh = dir.File("fresh.db");
    Library first(fresh, false);
    EXPECT_THROW(ImportLayout(LayoutFormat::kGds, file, first), Error) << file;
    EXPECT_FALSE(fs::exists(fresh)) << file;
  }

  // A file that does not open creates nothing, not even the directory's parents.
  for (LayoutFormat format : {LayoutFormat::kGds, LayoutFormat::kOasis}) {
    Library missing(dir.File("new/chip.db"), false);
    EXPECT_THROW(ImportLayout(format, dir.File("missing.gds"), missing), Error);
    EXPECT_FALSE(fs::exists(dir.File("new")));
  }

  // A directory the user named and that existed before stays.
  const std::string existing = dir.File("existing.db");
  fs::create_directories(existing);
  Library second(existing, false);
  EXPECT_THROW(ImportLayout(LayoutFormat::kOasis, broken, second), Error);
  EXPECT_TRUE(fs::is_directory(existing));
}

}  // namespace
