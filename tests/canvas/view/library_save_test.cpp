#include "canvas/view/library_save.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "db/disk_events.h"
#include "db/error.h"
#include "tests/canvas/view/cell_library_fixture.h"

namespace {

// What the library in dir holds, or "unreadable".
std::string Contents(const std::string& dir) {
  try {
    Library lib(dir, false);
    lib.Open();
    std::string dump = libtest::DumpLibrary(lib);
    for (const auto& entry : lib.nameMap) dump += "name " + entry.first + "\n";
    return dump;
  } catch (const Error& e) {
    return std::string("unreadable: ") + e.Message();
  }
}

}  // namespace

class LibrarySave : public CellLibraryTest {
 protected:
  // An editing session: a new cell, a placement that grows top's box and a polygon in leaf.
  void Edit(Library& lib) {
    ScriptedInstancePrompts prompts;
    RecordingSessionHost host(prompts);
    ViewSession session;
    session.SetHost(&host);
    // The library stays the caller's: the document only borrows it.
    session.ShareDocument(std::make_shared<Document>(std::shared_ptr<Library>(std::shared_ptr<Library>(), &lib)));
    session.SetTopCell(int32_t(top_));
    prompts.texts.push_back("extra");
    ASSERT_EQ(CreateCell(session), "extra");
    prompts.Choose("leaf2");
    InstanceFields fields;
    fields.locX = "7000";
    fields.locY = "-40";
    prompts.instanceFields.push_back(fields);
    ASSERT_TRUE(InsertInst(session));
    Cell& leaf = *lib.cells[leaf_];
    lib.LoadCell(leaf, true);
    RingSet rings;
    rings.AddRectangle(Box(-30, -30, -20, -20));
    leaf.AddPolygonEdit(rings, MakeLayerKey(3, 0));
    lib.flags |= kLibCellsChanged | kLibHierarchyDirty;
  }
};

TEST_F(LibrarySave, AFailingWriteAtAnyPointLeavesTheOldOrTheNewLibrary) {
  ReleaseLibrary();
  const std::string before = Contents(dir_.Path());
  libtest::TempDir saved;
  std::filesystem::copy(dir_.Path(), saved.Path(), std::filesystem::copy_options::recursive);
  {
    Library lib(saved.Path(), false);
    lib.Open();
    Edit(lib);
    SaveLibraryChanges(lib);
    EXPECT_EQ(lib.flags & ~(kLibOnDisk | kLibNamesWritten), 0u);
  }
  const std::string after = Contents(saved.Path());
  ASSERT_NE(after, before);
  ASSERT_NE(after.find("name extra"), std::string::npos);
  bool fired = true;
  int64_t k = 1;
  for (; fired; ++k) {
    libtest::TempDir trial;
    std::filesystem::copy(dir_.Path(), trial.Path(), std::filesystem::copy_options::recursive);
    {
      Library lib(trial.Path(), false);
      lib.Open();
      Edit(lib);
      FailDiskOperationAt(k);
      try {
        SaveLibraryChanges(lib);
      } catch (const Error& e) {
        EXPECT_STREQ(e.Tag(), "LIBOUT") << k;
      }
      fired = InjectedDiskFaultFired();
      FailDiskOperationAt(0);
    }
    const std::string found = Contents(trial.Path());
    EXPECT_TRUE(found == before || found == after) << "write " << k << " failing leaves\n" << found;
    ASSERT_LT(k, 200);
  }
  // Cells, "info" and "names" each take several writes: every one of them was made to fail.
  EXPECT_GT(k, 4);
}

TEST_F(LibrarySave, WritesOnlyWhatTheChangeBitsCallFor) {
  const auto stamp = [this](const char* file) { return std::filesystem::last_write_time(dir_.File(file)); };
  const auto names = stamp("names"), info = stamp("info");
  prompts_.Choose("leaf");
  InstanceFields fields;
  fields.locX = "1000";
  fields.locY = "1000";
  prompts_.instanceFields.push_back(fields);
  ViewSession& scope = Scope(int32_t(top_));
  ASSERT_TRUE(InsertInst(scope));
  // Inside top's box: no recalculation, no new names; the cell and "info" that points at it.
  EXPECT_EQ(lib_->flags & kLibHierarchyDirty, 0u);
  SaveLibraryChanges(*lib_);
  EXPECT_EQ(stamp("names"), names);
  EXPECT_NE(stamp("info"), info);
  EXPECT_TRUE(lib_->records.empty());
}
