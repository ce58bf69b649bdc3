#include "app/my_frame.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <wx/brush.h>
#include <wx/filefn.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/core/command_ids.h"
#include "app/korvane.h"
#include "app/layer_lists.h"
#include "app/my_child.h"
#include "canvas/my_canvas.h"
#include "db/library.h"
#include "tests/app/app_environment.h"
#include "tests/app/scripted_prompts.h"
#include "tests/app/window_fixture.h"
#include "tests/canvas/canvas_paint.h"

namespace {

class MyFrameTest : public app_test::AppWindowTest {};

TEST_F(MyFrameTest, GdsInOpensAChildWithMenusLayersAndDrawing) {
  prompts_->files.push_back(WriteGds("chip.gds"));
  wxCommandEvent command(wxEVT_MENU, kCmdGdsIn);
  app_test::Frame()->GetEventHandler()->ProcessEvent(command);
  // The main loop runs one idle pass after a command when no further input arrives: the
  // child's menus must be in the frame after it, not only once its tab is clicked.
  wxTheApp->ProcessIdle();
  ASSERT_EQ(app_test::Children().size(), 1u);
  MyChild* child = app_test::Children()[0];
  EXPECT_EQ(app_test::Frame()->GetActiveChild(), child);
  EXPECT_EQ(app_test::Context().OpenChildCount(), 1);
  EXPECT_TRUE(wxDirExists(dir_ + "/chip.db"));
  wxMenuBar* bar = ShownMenuBar();
  ASSERT_EQ(bar, child->GetMenuBar());
  ASSERT_EQ(bar->GetMenuCount(), 5u);
  EXPECT_EQ(bar->GetMenuLabel(2), "&Edit");
  EXPECT_EQ(bar->FindItem(kCmdChangeDepth)->GetItemLabel(), "Change &Depth\tCtrl-D");
  EXPECT_TRUE(bar->IsChecked(kCmdShowTexts));
  for (int id :
       {kCmdShowTreePanel, kCmdShowOutlines, kCmdShowGrids, kCmdShowNames, kCmdOrderedDraw, kCmdAccurateDraw}) {
    EXPECT_FALSE(bar->IsChecked(id)) << id;
  }
  EXPECT_TRUE(bar->IsEnabled(kCmdOasisIn));
  EXPECT_TRUE(app_test::Frame()->GetToolBar()->GetToolEnabled(kCmdZoomIn4X));

  ExpectLayersAndDrawing(child);
}

TEST_F(MyFrameTest, OasisImportsThroughTheMenuTheInputTypeAndADrop) {
  enum Road { kMenu, kInputType, kDrop };
  for (Road road : {kMenu, kInputType, kDrop}) {
    SCOPED_TRACE(road);
    const std::string name = "chip" + std::to_string(road);
    const std::string path = WriteOasis(name + ".oas");
    prompts_->asked.clear();
    if (road == kDrop) {
      wxArrayString paths;
      paths.Add(path);
      app_test::Frame()->OpenDroppedFiles(paths);
    } else {
      prompts_->files.push_back(path);
      prompts_->inputTypes.push_back(1);
      wxCommandEvent command(wxEVT_MENU, road == kMenu ? kCmdOasisIn : kCmdSelectInputType);
      app_test::Frame()->GetEventHandler()->ProcessEvent(command);
      EXPECT_EQ(prompts_->asked, std::vector<std::string>{"Open a OASIS file"});
    }
    app_test::Pump();
    ASSERT_EQ(app_test::Children().size(), 1u);
    MyChild* child = app_test::Children()[0];
    EXPECT_EQ(child->GetTitle(), wxString(path));
    EXPECT_TRUE(wxDirExists(dir_ + "/" + name + ".db"));
    ASSERT_NE(child->Session().TopCell(), nullptr);
    EXPECT_STREQ(child->Session().TopCell()->Name(), "TOP");
    EXPECT_TRUE(child->GetMenuBar()->IsEnabled(kCmdOasisIn));
    ExpectLayersAndDrawing(child);
    child->Close(true);
    app_test::Pump();
    prompts_->inputTypes.clear();
  }
}

TEST_F(MyFrameTest, InputTypeRoutesGdsAndCancel) {
  prompts_->inputTypes = {-1, 0};
  wxCommandEvent command(wxEVT_MENU, kCmdSelectInputType);
  app_test::Frame()->GetEventHandler()->ProcessEvent(command);
  EXPECT_TRUE(prompts_->asked.empty());
  app_test::Frame()->GetEventHandler()->ProcessEvent(command);
  EXPECT_EQ(prompts_->asked, std::vector<std::string>{"Open a GDS file"});
  EXPECT_TRUE(app_test::Children().empty());
}

TEST_F(MyFrameTest, DroppedUpperCaseOasTakesTheGdsRoad) {
  wxArrayString paths;
  paths.Add(WriteOasis("x.OAS"));
  app_test::Frame()->OpenDroppedFiles(paths);
  app_test::Pump();
  EXPECT_TRUE(app_test::Children().empty());
  EXPECT_EQ(app_test::Context().OpenChildCount(), 0);
  // The failed import takes the directory it made with it.
  EXPECT_FALSE(wxDirExists(dir_ + "/x.db"));
  EXPECT_TRUE(app_test::Frame()->GetStatusBar()->GetStatusText(0).StartsWith("ERROR: GDSIN: "))
      << app_test::Frame()->GetStatusBar()->GetStatusText(0);
}

TEST_F(MyFrameTest, BrokenOasisFileOpensNoChildAndReportsTheError) {
  const std::string path = WriteOasis("cut.oas");
  std::filesystem::resize_file(path, std::filesystem::file_size(path) - 4);
  prompts_->files.push_back(path);
  wxCommandEvent command(wxEVT_MENU, kCmdOasisIn);
  app_test::Frame()->GetEventHandler()->ProcessEvent(command);
  app_test::Pump();
  EXPECT_TRUE(app_test::Children().empty());
  EXPECT_EQ(app_test::Context().OpenChildCount(), 0);
  EXPECT_TRUE(app_test::Frame()->GetStatusBar()->GetStatusText(0).StartsWith("ERROR: OASISIN: "))
      << app_test::Frame()->GetStatusBar()->GetStatusText(0);
}

TEST_F(MyFrameTest, TwoDroppedFilesGiveTwoChildrenWithTheSecondActive) {
  wxArrayString paths;
  paths.Add(WriteGds("a.gds"));
  paths.Add(WriteGds("b.gds"));
  app_test::Frame()->OpenDroppedFiles(paths);
  app_test::Pump();
  EXPECT_EQ(app_test::Context().OpenChildCount(), 2);
  ASSERT_EQ(app_test::Children().size(), 2u);
  EXPECT_EQ(app_test::Frame()->GetActiveChild(), app_test::Children()[1]);
  EXPECT_EQ(ShownMenuBar(), app_test::Children()[1]->GetMenuBar());
  EXPECT_TRUE(wxDirExists(dir_ + "/a.db"));
  EXPECT_TRUE(wxDirExists(dir_ + "/b.db"));

  app_test::Children()[1]->Close(true);
  app_test::Pump();
  EXPECT_EQ(app_test::Context().OpenChildCount(), 1);
  EXPECT_TRUE(app_test::Frame()->GetToolBar()->GetToolEnabled(kCmdZoomIn4X));
  app_test::Children()[0]->Close(true);
  app_test::Pump();
  EXPECT_EQ(app_test::Context().OpenChildCount(), 0);
  for (int id : app_test::kChildToolIds) EXPECT_FALSE(app_test::Frame()->GetToolBar()->GetToolEnabled(id)) << id;
  EXPECT_EQ(ShownMenuBar(), app_test::Frame()->GetMenuBar());
}

TEST_F(MyFrameTest, DroppedLibraryDirectoryOpens) {
  ASSERT_NE(Import("chip.gds"), nullptr);
  app_test::Children().back()->Close(true);
  app_test::Pump();
  wxArrayString paths;
  paths.Add(dir_ + "/chip.db");
  app_test::Frame()->OpenDroppedFiles(paths);
  app_test::Pump();
  EXPECT_EQ(app_test::Context().OpenChildCount(), 1);
  ASSERT_EQ(app_test::Children().size(), 1u);
  EXPECT_EQ(app_test::Children()[0]->layerList->GetItemCount(), 2);
}

TEST_F(MyFrameTest, CorruptLibraryOpensNoChildAndReportsTheError) {
  const std::string lib = dir_ + "/broken.db";
  ASSERT_EQ(mkdir(lib.c_str(), 0777), 0);
  std::ofstream(lib + "/info") << "not a library";
  wxArrayString paths;
  paths.Add(lib);
  app_test::Frame()->OpenDroppedFiles(paths);
  app_test::Pump();
  EXPECT_TRUE(app_test::Children().empty());
  EXPECT_EQ(app_test::Context().OpenChildCount(), 0);
  EXPECT_TRUE(app_test::Frame()->GetStatusBar()->GetStatusText(0).StartsWith("ERROR: LIBIN: "))
      << app_test::Frame()->GetStatusBar()->GetStatusText(0);
}

TEST_F(MyFrameTest, ImportingTwiceProposesTheExistingDirectory) {
  ASSERT_NE(Import("chip.gds"), nullptr);
  prompts_->directories.push_back("");
  Import("chip.gds");
  EXPECT_TRUE(Asked("Automatic lib directory exists. Provide library directory name for " + dir_ + "/chip.gds [" +
                    dir_ + "/chip.db]"));
  EXPECT_EQ(app_test::Context().OpenChildCount(), 1);
}

TEST_F(MyFrameTest, NewLibraryRefusesADirectoryHoldingALibrary) {
  const std::string lib = dir_ + "/old";
  ASSERT_EQ(mkdir(lib.c_str(), 0777), 0);
  std::ofstream(lib + "/info.gz").put('x');
  prompts_->directories.push_back(lib);
  wxCommandEvent command(wxEVT_MENU, kCmdNewLibrary);
  app_test::Frame()->GetEventHandler()->ProcessEvent(command);
  EXPECT_TRUE(Asked("Directory " + lib + " already holds a library, use Load"));
  EXPECT_TRUE(app_test::Children().empty());
}

TEST_F(MyFrameTest, NewLibraryOpensItsTopCell) {
  const std::string lib = dir_ + "/libs/new1";
  ASSERT_EQ(mkdir((dir_ + "/libs").c_str(), 0777), 0);
  prompts_->directories.push_back(lib);
  prompts_->texts = {"TOP", "-10 -10 10 10"};
  wxCommandEvent command(wxEVT_MENU, kCmdNewLibrary);
  app_test::Frame()->GetEventHandler()->ProcessEvent(command);
  app_test::Pump();
  ASSERT_EQ(app_test::Children().size(), 1u);
  EXPECT_EQ(app_test::Context().OpenChildCount(), 1);
  EXPECT_TRUE(wxDirExists(lib));
  EXPECT_EQ(wxGetCwd(), wxString(dir_ + "/libs"));
  ViewSession& session = app_test::Children()[0]->Session();
  ASSERT_NE(session.TopCell(), nullptr);
  const Library& library = *session.GetLibrary();
  EXPECT_EQ(library.FindIndex("TOP"), session.TopCellId());
  EXPECT_EQ(library.roots, std::vector<uint32_t>{uint32_t(session.TopCellId())});
  EXPECT_NE(library.flags & kLibInfoDirty, 0u);
  EXPECT_EQ(session.Settings().depth, int32_t(library.depth) + 1);
  // The new library is unsaved: closing its window asks.
  prompts_->messageAnswers.push_back(wxYES);
  wxCommandEvent close(wxEVT_MENU, kCmdClose);
  app_test::Children()[0]->GetEventHandler()->ProcessEvent(close);
  app_test::Pump();
  EXPECT_TRUE(app_test::Children().empty());
}

TEST_F(MyFrameTest, NewLibraryWithoutANameLeavesNoWindow) {
  prompts_->directories.push_back(dir_ + "/fresh");
  prompts_->texts.push_back("");
  wxCommandEvent command(wxEVT_MENU, kCmdNewLibrary);
  app_test::Frame()->GetEventHandler()->ProcessEvent(command);
  app_test::Pump();
  EXPECT_TRUE(app_test::Children().empty());
  EXPECT_EQ(app_test::Context().OpenChildCount(), 0);
  EXPECT_TRUE(wxDirExists(dir_ + "/fresh"));
  EXPECT_EQ(wxGetCwd(), wxString(dir_));
}

TEST_F(MyFrameTest, ClosingTheLastWindowOfAModifiedLibraryAsks) {
  MyChild* child = Import("chip.gds");
  ASSERT_NE(child, nullptr);
  child->Session().GetLibrary()->flags |= kLibCellsChanged;
  prompts_->messageAnswers.push_back(wxNO);
  wxCommandEvent close(wxEVT_MENU, kCmdClose);
  child->GetEventHandler()->ProcessEvent(close);
  app_test::Pump();
  EXPECT_TRUE(Asked("has unsaved changes, close anyhow?"));
  ASSERT_EQ(app_test::Children().size(), 1u);

  prompts_->messageAnswers.push_back(wxNO);
  const size_t exits = app_test::ExitCodes().size();
  app_test::Frame()->Close(false);
  EXPECT_EQ(app_test::ExitCodes().size(), exits);

  child->Session().GetLibrary()->flags &= ~kLibCellsChanged;
  app_test::Frame()->Close(false);
  ASSERT_EQ(app_test::ExitCodes().size(), exits + 1);
  EXPECT_EQ(app_test::ExitCodes().back(), 0);
}

TEST_F(MyFrameTest, ClosingWithMoreThanThreeWindowsAsks) {
  AppContext& context = app_test::Context();
  ASSERT_EQ(context.OpenChildCount(), 0);
  for (int i = 0; i < 4; ++i) context.CountChildOpened();
  prompts_->messageAnswers.push_back(wxNO);
  const size_t exits = app_test::ExitCodes().size();
  app_test::Frame()->Close(false);
  EXPECT_TRUE(Asked("4 windows still open, close anyhow?"));
  EXPECT_EQ(app_test::ExitCodes().size(), exits);
  context.CountChildClosed();
  prompts_->asked.clear();
  app_test::Frame()->Close(false);
  EXPECT_TRUE(prompts_->asked.empty());
  EXPECT_EQ(app_test::ExitCodes().size(), exits + 1);
  for (int i = 0; i < 3; ++i) context.CountChildClosed();
}

TEST_F(MyFrameTest, ActivatingALayerRowTogglesItsVisibility) {
  MyChild* child = Import("chip.gds");
  ASSERT_NE(child, nullptr);
  LayerInfo& layer = child->Session().GetLibrary()->layerMap.begin()->second;
  const bool hidden = (layer.colour & 0x80000000u) != 0;
  canvastest::PaintCanvas(*child->canvas);
  wxListEvent activate(wxEVT_LIST_ITEM_ACTIVATED, child->layerList->GetId());
  activate.SetEventObject(child->layerList);
  activate.m_itemIndex = 0;
  child->layerList->GetEventHandler()->ProcessEvent(activate);
  EXPECT_NE((layer.colour & 0x80000000u) != 0, hidden);
  EXPECT_TRUE(child->canvas->ViewChanged());
  const wxColour colour(layer.colour & 0xFF, (layer.colour >> 8) & 0xFF, (layer.colour >> 16) & 0xFF);
  if (hidden) {
    EXPECT_EQ(child->styleList->GetItemBackgroundColour(0), colour);
  } else {
    EXPECT_EQ(child->styleList->GetItemTextColour(0), colour);
  }
}

TEST_F(MyFrameTest, LayerPanelCreatesLayersAndChangesStyles) {
  MyChild* child = Import("chip.gds");
  ASSERT_NE(child, nullptr);
  Library& library = *child->Session().GetLibrary();
  library.flags &= ~kLibInfoDirty;

  prompts_->texts = {"600 0", "5 300", "5 44"};
  prompts_->messageAnswers = {wxOK, wxOK};
  for (int i = 0; i < 3; ++i) {
    wxListEvent create(wxEVT_LIST_COL_RIGHT_CLICK, child->layerList->GetId());
    create.SetEventObject(child->layerList);
    child->layerList->GetEventHandler()->ProcessEvent(create);
  }
  EXPECT_TRUE(Asked("Layer must be a whole number from 0 to 511, not \"600\""));
  EXPECT_TRUE(Asked("Datatype must be a whole number from 0 to 255, not \"300\""));
  ASSERT_EQ(child->layerList->GetItemCount(), 3);
  EXPECT_EQ(library.layerMap.count(5 * 256 + 44), 1u);
  EXPECT_NE(library.flags & kLibInfoDirty, 0u);

  prompts_->styles = {5};
  wxListEvent style(wxEVT_LIST_ITEM_RIGHT_CLICK, child->styleList->GetId());
  style.SetEventObject(child->styleList);
  style.m_itemIndex = 0;
  child->styleList->GetEventHandler()->ProcessEvent(style);
  EXPECT_EQ(library.layerMap.begin()->second.brushStyle, uint32_t(wxBRUSHSTYLE_CROSS_HATCH));
  EXPECT_EQ(child->styleList->GetItemText(0), "++");
}

void PostToFrame(int id) {
  app_test::Frame()->GetEventHandler()->QueueEvent(new wxCommandEvent(wxEVT_MENU, id));
  app_test::Pump();
}

TEST_F(MyFrameTest, ToolbarForwardersWithoutAChildDoNothing) {
  app_test::Frame()->SetStatusText("Ready", 0);
  for (int id : app_test::kChildToolIds) PostToFrame(id);
  EXPECT_TRUE(app_test::Children().empty());
  EXPECT_TRUE(prompts_->asked.empty());
  EXPECT_EQ(app_test::Frame()->GetStatusBar()->GetStatusText(0), "Ready");
}

TEST_F(MyFrameTest, ZoomForwardersActOnTheActiveChildsCanvas) {
  MyChild* first = Import("a.gds");
  MyChild* second = Import("b.gds");
  ASSERT_NE(first, second);
  ASSERT_EQ(app_test::Frame()->GetActiveChild(), second);
  second->canvas->Update();
  app_test::Pump();
  ASSERT_GT(second->Session().View().scale, 0.0);
  MyCanvas& canvas = *second->canvas;
  ViewSession& session = second->Session();
  DisplaySettings settings = session.Settings();
  settings.cellSizeLimit = 0;
  session.ApplySettings(settings);
  prompts_->asked.clear();

  const struct {
    int id;
    double magnification;
  } steps[] = {{kCmdZoomIn4X, 4.0}, {kCmdZoomIn4X, 16.0}, {kCmdZoomOut4X, 4.0}, {kCmdSave, 4.0},
               {kCmdExtract, 4.0},  {kCmdPrint, 4.0},     {kCmdZoomOut, 1.0}};
  for (const auto& step : steps) {
    SCOPED_TRACE(step.id);
    PostToFrame(step.id);
    EXPECT_EQ(session.View().magnification, step.magnification);
    EXPECT_EQ(first->Session().View().magnification, 1.0);
  }
  // View All is the full view with the user's cell-size limit, not a zoom out by four.
  EXPECT_EQ(session.Settings().cellSizeLimit, session.Settings().userCellSizeLimit);
  int sx = -1, sy = -1;
  canvas.GetViewStart(&sx, &sy);
  EXPECT_EQ(sx, 0);
  EXPECT_EQ(sy, 0);
  EXPECT_TRUE(prompts_->asked.empty());
}

}  // namespace
