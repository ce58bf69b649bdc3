// Opening and importing libraries through the frame's commands: what is refused, what is
// logged, and what counts as unsaved.
#include <gtest/gtest.h>
#include <wx/filefn.h>

#include <filesystem>
#include <string>

#include "app/core/command_ids.h"
#include "app/layer_lists.h"
#include "app/my_child.h"
#include "app/my_frame.h"
#include "canvas/my_canvas.h"
#include "db/library.h"
#include "db/poly/ring_set.h"
#include "tests/app/app_environment.h"
#include "tests/app/window_fixture.h"
#include "tests/db/other_process_library.h"

namespace {

class LibraryRoadsTest : public app_test::AppWindowTest {
 protected:
  // Runs a command of the frame; gives what it logged (the log goes to standard output too).
  std::string Run(int command) {
    ::testing::internal::CaptureStdout();
    wxCommandEvent event(wxEVT_MENU, command);
    app_test::Frame()->GetEventHandler()->ProcessEvent(event);
    app_test::Pump();
    return ::testing::internal::GetCapturedStdout();
  }
};

TEST_F(LibraryRoadsTest, ImportIntoADirectoryHoldingALibraryIsRefused) {
  ASSERT_NE(Import("chip.gds"), nullptr);
  const std::string library = dir_ + "/chip.db";
  const auto db1 = std::filesystem::file_size(library + "/db1");
  // The automatic directory exists; the user keeps it.
  prompts_->directories.push_back(library);
  Import("chip.gds");
  EXPECT_TRUE(Asked("Directory " + library + " already holds a library, use Load"));
  EXPECT_EQ(app_test::Children().size(), 1u);
  EXPECT_EQ(std::filesystem::file_size(library + "/db1"), db1);
}

TEST_F(LibraryRoadsTest, FreshImportAndLoadCloseWithoutAskingAboutChanges) {
  MyChild* imported = Import("chip.gds");
  ASSERT_NE(imported, nullptr);
  imported->Close(false);
  app_test::Pump();
  EXPECT_TRUE(app_test::Children().empty());

  prompts_->directories.push_back(dir_ + "/chip.db");
  Run(kCmdLoadLibrary);
  ASSERT_EQ(app_test::Children().size(), 1u);
  app_test::Children()[0]->Close(false);
  app_test::Pump();
  EXPECT_TRUE(app_test::Children().empty());
  EXPECT_FALSE(Asked("unsaved changes"));
}

TEST_F(LibraryRoadsTest, LoadLogsItsErrorAndIsLoadedOnlyOnSuccess) {
  prompts_->directories.push_back(dir_ + "/missing.db");
  const std::string failed = Run(kCmdLoadLibrary);
  EXPECT_TRUE(app_test::Children().empty());
  EXPECT_EQ(failed.find("is loaded"), std::string::npos) << failed;
  EXPECT_NE(failed.find("ERROR: LIBIN: "), std::string::npos) << failed;

  ASSERT_NE(Import("chip.gds"), nullptr);
  prompts_->directories.push_back(dir_ + "/chip.db");
  const std::string loaded = Run(kCmdLoadLibrary);
  EXPECT_NE(loaded.find("Library " + dir_ + "/chip.db is loaded\n"), std::string::npos) << loaded;
}

TEST_F(LibraryRoadsTest, CanvasHostGivesTheFirstSelectedLayerRow) {
  MyChild* child = Import("chip.gds");
  ASSERT_NE(child, nullptr);
  CanvasHost& host = *child;
  EXPECT_EQ(host.FirstSelectedLayerRow(), -1);
  child->layerList->SetItemState(1, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
  EXPECT_EQ(host.FirstSelectedLayerRow(), 1);
  child->layerList->SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
  EXPECT_EQ(host.FirstSelectedLayerRow(), 0);
  // The canvas's questions are the shell's prompts.
  EXPECT_EQ(&host.Prompts(), static_cast<CanvasPrompts*>(prompts_));
}

// Loading a library that a window shows opens a window on that same library, so that each
// window's save keeps what the other saved; while another process has a library open, Load
// refuses it and writes nothing.
TEST_F(LibraryRoadsTest, LoadOfAnOpenLibrarySharesItAndALibraryOpenElsewhereIsRefused) {
  MyChild* first = Import("chip.gds");
  ASSERT_NE(first, nullptr);
  const std::string directory = dir_ + "/chip.db";
  prompts_->directories.push_back(directory + "/");
  Run(kCmdLoadLibrary);
  ASSERT_EQ(app_test::Children().size(), 2u);
  MyChild* second = app_test::Children().back();
  EXPECT_EQ(second->Session().GetLibrary(), first->Session().GetLibrary());
  for (MyChild* child : {first, second}) {
    Library& library = *child->Session().GetLibrary();
    Cell& top = *child->Session().TopCell();
    library.LoadCell(top, true);
    RingSet rings;
    rings.AddRectangle(child == first ? Box(100, 0, 150, 50) : Box(200, 0, 300, 40));
    top.AddPolygonEdit(rings, MakeLayerKey(9, 0));
    library.flags |= kLibCellsChanged;
    SendCommand(child, kCmdSave);
  }
  {
    Library saved(directory, false);
    saved.Open();
    Cell& top = *saved.GetCell(saved.FindIndex("TOP"));
    saved.LoadCell(top, true);
    EXPECT_EQ(top.GetShapeGroups(MakeLayerKey(9, 0)).Count(), 2) << "each window's save kept";
  }
  first->Close(true);
  second->Close(true);
  app_test::Pump();
  libtest::OtherProcessLibrary other(directory);
  ASSERT_TRUE(other.Opened());
  const auto info = std::filesystem::last_write_time(directory + "/info");
  prompts_->directories.push_back(directory);
  const std::string log = Run(kCmdLoadLibrary);
  EXPECT_TRUE(app_test::Children().empty());
  EXPECT_TRUE(Asked("Library " + directory + " is in use by another Korvane"));
  EXPECT_NE(log.find("ERROR: LIBLOCK: "), std::string::npos) << log;
  EXPECT_EQ(std::filesystem::last_write_time(directory + "/info"), info);
}

}  // namespace
