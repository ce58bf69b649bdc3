#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "db/disk_events.h"
#include "db/error.h"
#include "db/library.h"
#include "db/log.h"
#include "tests/db/library_test_util.h"

namespace {

using libtest::TempDir;

// Runs f with the k-th disk write or close failing; true when the fault struck.
template <typename F>
bool WithFailedWrite(int64_t k, F f) {
  std::ostringstream log;
  SetLogStream(&log);
  FailDiskOperationAt(k);
  try {
    f();
  } catch (const Error& e) {
    EXPECT_STREQ(e.Tag(), "LIBOUT") << e.Message();
  }
  bool fired = InjectedDiskFaultFired();
  FailDiskOperationAt(0);
  SetLogStream(nullptr);
  return fired;
}

// What a library directory holds, or the error that opening it gives.
std::string Contents(const std::string& dir) {
  try {
    Library lib(dir, false);
    std::ostringstream log;
    SetLogStream(&log);
    lib.Open();
    std::string dump = lib.name + "\n" + libtest::DumpLibrary(lib);
    SetLogStream(nullptr);
    return dump;
  } catch (const Error& e) {
    SetLogStream(nullptr);
    return std::string("ERROR ") + e.Tag() + ": " + e.Message();
  }
}

void CopyDirectory(const std::string& from, const std::string& to) {
  std::filesystem::remove_all(to);
  std::filesystem::copy(from, to);
}

// An edit of every kind: a cell changed, a new cell with a new string, a renamed library.
void Edit(Library& lib) {
  uint32_t leaf = uint32_t(lib.FindIndex("leaf"));
  libtest::AddShape(*lib.cells[leaf], MakeLayerKey(7, 0), {{0, 0}, {3, 0}, {3, 3}, {0, 3}}, {{2, 2}, {9, 9}}, true);
  lib.cells[leaf]->flags |= kCellModified;
  uint32_t extra = lib.CreateCell("extra");
  lib.cells[extra]->AddText(MakeLayerKey(9, 9), lib.AddString("fresh"), 3, 4, true);
  lib.cells[extra]->flags |= kCellModified;
  libtest::Place(lib, uint32_t(lib.FindIndex("top")), libtest::Single(extra, 10, 10, 2));
  lib.cells[size_t(lib.FindIndex("top"))]->flags |= kCellModified;
  lib.name = "renamed";
  lib.flags |= kLibCellsChanged | kLibNamesDirty | kLibTextsDirty;
}

class LibrarySave : public ::testing::TestWithParam<bool> {};

// Whichever write of a save fails, the directory opens with its old or its new contents, the
// library in memory can still write "info", and a second save completes it.
TEST_P(LibrarySave, FailedWriteAtAnyPointLeavesOldOrNewContents) {
  TempDir saved, work;
  {
    Library lib(saved.Path(), GetParam());
    libtest::BuildSampleLibrary(lib);
    lib.Save();
  }
  std::string oldContents = Contents(saved.Path());
  ASSERT_EQ(oldContents.rfind("ERROR", 0), std::string::npos) << oldContents;
  std::string newContents;
  int64_t k = 1;
  for (bool fired = true; fired; ++k) {
    CopyDirectory(saved.Path(), work.Path());
    Library lib(work.Path(), false);
    SetLogStream(nullptr);
    lib.Open();
    libtest::DumpLibrary(lib);
    Edit(lib);
    newContents = lib.name + "\n" + libtest::DumpLibrary(lib);
    fired = WithFailedWrite(k, [&] { lib.Save(); });
    std::string contents = Contents(work.Path());
    if (fired) {
      EXPECT_TRUE(contents == oldContents || contents == newContents) << "write " << k << ": " << contents;
      // Cells that failed to be written keep their old sections, so "info" can be written.
      lib.WriteIndexFiles(kLibInfoDirty | kLibNamesDirty | kLibTextsDirty);
      contents = Contents(work.Path());
      EXPECT_EQ(contents.rfind("ERROR", 0), std::string::npos) << "info after write " << k << ": " << contents;
      lib.Save();
      EXPECT_EQ(Contents(work.Path()), newContents) << "second save after write " << k;
    } else {
      EXPECT_EQ(contents, newContents);
    }
  }
  EXPECT_GT(k, 8);
}

// The end of an import writes the cells and then all four index files. Whichever write fails,
// either no library exists or the whole library opens.
TEST_P(LibrarySave, FailedWriteAtTheEndOfAnImportLeavesNoLibraryOrAllOfIt) {
  TempDir work;
  std::string full;
  int64_t k = 1;
  for (bool fired = true; fired; ++k) {
    std::filesystem::remove_all(work.Path());
    std::filesystem::create_directories(work.Path());
    Library lib(work.Path(), GetParam());
    libtest::BuildSampleLibrary(lib);
    lib.records.resize(lib.cells.size());
    lib.records[0].parents = {{2, 15}};
    full = lib.name + "\n" + libtest::DumpLibrary(lib);
    fired = WithFailedWrite(k, [&] {
      lib.WriteChangedCells();
      lib.WriteIndexFiles(kLibInfoDirty | kLibNamesDirty | kLibTextsDirty | kLibParentsDirty);
    });
    std::string contents = Contents(work.Path());
    if (fired) {
      EXPECT_TRUE(contents == full || contents == "ERROR LIBIN: Cannot open file info")
          << "write " << k << ": " << contents;
    } else {
      EXPECT_EQ(contents, full);
      EXPECT_TRUE(std::filesystem::exists(work.File("parents")));
    }
  }
  EXPECT_GT(k, 5);
}

INSTANTIATE_TEST_SUITE_P(PlainAndGzip, LibrarySave, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Gzip" : "Plain"; });

}  // namespace
