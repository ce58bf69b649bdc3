#include "db/library_lock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "db/error.h"
#include "db/library.h"
#include "tests/db/library_test_util.h"
#include "tests/db/other_process_library.h"

namespace {

using libtest::TempDir;

std::map<std::string, libtest::Bytes> Files(const std::string& dir) {
  std::map<std::string, libtest::Bytes> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    files[entry.path().filename().string()] = libtest::ReadBytes(entry.path().string());
  }
  return files;
}

// While another process has a library open, opening it here is refused before anything is read
// or written, and so is saving into it; once that process has let go, it opens.
TEST(LibraryLock, SecondProcessIsRefusedAndTheLibraryStaysIntact) {
  TempDir dir;
  libtest::SaveSampleLibrary(dir.Path());
  const auto before = Files(dir.Path());
  {
    libtest::OtherProcessLibrary other(dir.Path());
    ASSERT_TRUE(other.Opened());
    Library refused(dir.Path(), false);
    try {
      refused.Open();
      ADD_FAILURE() << "opened a library that another process holds";
    } catch (const Error& e) {
      EXPECT_STREQ(e.Tag(), "LIBLOCK");
      EXPECT_EQ(e.Message(), "Library " + dir.Path() + " is in use by another Korvane");
    }
    Library writer(dir.Path(), false);
    libtest::BuildSampleLibrary(writer);
    EXPECT_THROW(writer.Save(), Error);
    EXPECT_EQ(Files(dir.Path()), before);
  }
  Library reopened(dir.Path(), false);
  EXPECT_NO_THROW(reopened.Open());
  // Within one process a second library on the directory shares the lock.
  Library again(dir.Path() + "/", false);
  EXPECT_NO_THROW(again.Open());
}

}  // namespace
