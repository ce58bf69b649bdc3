#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "db/disk_events.h"
#include "db/error.h"
#include "db/library.h"
#include "db/log.h"
#include "tests/db/disk_replay.h"
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

// What a reopened library shows beyond its cells: every name it knows (those of empty cells
// too), its strings, roots and layers.
std::string FullContents(const std::string& dir) {
  std::string contents = Contents(dir);
  if (contents.rfind("ERROR", 0) == 0) return contents;
  Library lib(dir, false);
  lib.Open();
  for (const auto& entry : lib.nameMap) contents += "name " + entry.first + "\n";
  for (const std::string& text : lib.strings) contents += "string " + text + "\n";
  for (uint32_t id : lib.roots) contents += "root " + std::to_string(id) + "\n";
  for (const auto& layer : lib.layerMap) contents += "layer " + std::to_string(layer.first) + "\n";
  return contents;
}

// A kill or a power cut after any step of a save that changes every index file (a cell edited,
// one created with a new string, one deleted, the library renamed, "parents" due) leaves a
// library that opens with its old contents or its new ones, whatever was not yet synced.
TEST(LibraryCommit, EveryStepOfASaveLeavesOldOrNewContentsAfterAKillOrAPowerCut) {
  TempDir dir;
  libtest::SaveSampleLibrary(dir.Path());
  const std::string oldContents = FullContents(dir.Path());
  libtest::DiskReplay replay(dir.Path());
  {
    Library lib(dir.Path(), false);
    lib.Open();
    libtest::DumpLibrary(lib);
    Edit(lib);
    const uint32_t label = uint32_t(lib.FindIndex("label"));
    lib.cells[label].reset();
    lib.nameMap.erase("label");
    lib.FinishImportPass();
    lib.flags |= kLibInfoDirty | kLibParentsDirty;
    replay.Record([&] { lib.Save(); });
  }
  const std::string newContents = FullContents(dir.Path());
  ASSERT_NE(newContents, oldContents);
  ASSERT_EQ(newContents.find("label"), std::string::npos) << newContents;
  ASSERT_NE(newContents.find("string fresh"), std::string::npos) << newContents;
  replay.ForEachCut([&](const TempDir& after, const std::string& what) {
    const std::string contents = FullContents(after.Path());
    EXPECT_TRUE(contents == oldContents || contents == newContents) << what << ":\n" << contents;
  });
}

// A writer that holds no lock (an older program) appending to a data file while a save writes
// its sections there moves them away from the positions counted for them: the save fails before
// it commits, and the library keeps its old contents.
TEST(LibraryCommit, SectionsMovedByAnotherWriterFailTheSave) {
  TempDir dir;
  libtest::SaveSampleLibrary(dir.Path());
  const std::string oldContents = FullContents(dir.Path());
  Library lib(dir.Path(), false);
  lib.Open();
  libtest::DumpLibrary(lib);
  Edit(lib);
  bool appended = false;
  RecordDiskEvents([&](const DiskEvent& event) {
    if (appended || event.kind != DiskEvent::Kind::kWrite || event.path != dir.File("db1")) return;
    appended = true;
    std::ofstream(dir.File("db1"), std::ios::binary | std::ios::app) << "interloper";
  });
  try {
    lib.Save();
    ADD_FAILURE() << "a save whose sections moved reported success";
  } catch (const Error& e) {
    EXPECT_EQ(e.Message(), "Cannot write file " + dir.File("db1"));
  }
  RecordDiskEvents(nullptr);
  EXPECT_TRUE(appended);
  EXPECT_EQ(FullContents(dir.Path()), oldContents);
}

INSTANTIATE_TEST_SUITE_P(PlainAndGzip, LibrarySave, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Gzip" : "Plain"; });

}  // namespace
