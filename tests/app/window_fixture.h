#pragma once

// The fixture of the GUI tests that open child windows: each test runs in its own directory
// under the application's start directory, with fresh scripted prompts, and closes every child
// window it opened.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <wx/filefn.h>
#include <wx/image.h>
#include <wx/menu.h>

#include <string>
#include <vector>

#include "app/core/command_ids.h"
#include "app/korvane.h"
#include "app/layer_lists.h"
#include "app/my_child.h"
#include "app/my_frame.h"
#include "canvas/my_canvas.h"
#include "canvas/view/document.h"
#include "canvas/view/view_session.h"
#include "tests/app/app_environment.h"
#include "tests/app/scripted_prompts.h"
#include "tests/formats/gds_builder.h"
#include "tests/formats/oasis_builder.h"

namespace app_test {

class AppWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = StartDirectory() + "/" + test->test_suite_name() + "." + test->name();
    ASSERT_EQ(mkdir(dir_.c_str(), 0777), 0);
    ASSERT_TRUE(wxSetWorkingDirectory(dir_));
    prompts_ = &Prompts();
    *prompts_ = ScriptedPrompts();
  }
  void TearDown() override {
    while (!app_test::Children().empty()) {
      app_test::Children().back()->Close(true);
      Pump();
    }
    EXPECT_EQ(app_test::Context().OpenChildCount(), 0);
    // The frame outlives the test: its view colours go back to their defaults.
    MyFrame* frame = app_test::Frame();
    frame->SetViewColour(ViewColourItem::kBackground, wxColour(200, 200, 200));
    frame->SetViewColour(ViewColourItem::kInstanceHighlight, wxColour(255, 255, 0));
    frame->SetViewColour(ViewColourItem::kGeometryHighlight, wxColour(255, 255, 255));
  }

  // A layout with one cell holding boxes on layers 1/0 and 5/2.
  std::string WriteGds(const std::string& name) const {
    const std::string path = dir_ + "/" + name;
    GdsBuilder()
        .LibraryHeader()
        .BeginStructure("TOP")
        .Boundary(1, 0, {{0, 0}, {4000, 0}, {4000, 3000}, {0, 3000}, {0, 0}})
        .Boundary(5, 2, {{1000, 1000}, {2000, 1000}, {2000, 2000}, {1000, 2000}, {1000, 1000}})
        .EndStructure()
        .EndLibrary()
        .WriteTo(path);
    return path;
  }

  // Runs menu command id in window as its menu would, then lets the events it queued run.
  static void SendCommand(wxWindow* window, int id) {
    wxCommandEvent command(wxEVT_MENU, id);
    window->GetEventHandler()->ProcessEvent(command);
    Pump();
  }

  MyChild* Import(const std::string& name) {
    prompts_->files.push_back(WriteGds(name));
    wxCommandEvent command(wxEVT_MENU, kCmdGdsIn);
    app_test::Frame()->GetEventHandler()->ProcessEvent(command);
    Pump();
    return static_cast<MyChild*>(app_test::Frame()->GetActiveChild());
  }

  // The same layout as WriteGds, as OASIS with rectangles and 1 nm units.
  std::string WriteOasis(const std::string& name) const {
    OasisBuilder b;
    for (char c : std::string("%SEMI-OASIS\r\n")) b.Raw({uint8_t(c)});
    b.Unsigned(1).String("1.0").Real(0, 1000).Unsigned(0);
    for (int i = 0; i < 12; ++i) b.Unsigned(0);
    b.Unsigned(14).String("TOP");
    b.Unsigned(20).Raw({0x7B}).Unsigned(1).Unsigned(0).Unsigned(4000).Unsigned(3000).Signed(0).Signed(0);
    b.Unsigned(20).Raw({0x7B}).Unsigned(5).Unsigned(2).Unsigned(1000).Unsigned(1000).Signed(1000).Signed(1000);
    b.Unsigned(2).String("").Unsigned(0);
    const std::string path = dir_ + "/" + name;
    b.WriteTo(path);
    return path;
  }

  // The child lists layers 1/0 and 5/2 and draws the two boxes in the middle of the full view
  // on the frame's grey background.
  static void ExpectLayersAndDrawing(MyChild* child) {
    ASSERT_EQ(child->layerList->GetItemCount(), 2);
    EXPECT_EQ(child->layerList->GetItemText(1, 0), "5");
    EXPECT_EQ(child->layerList->GetItemText(1, 1), "2");
    child->canvas->RedrawView();
    child->canvas->Refresh();
    child->canvas->Update();
    Pump();
    ASSERT_NE(child->canvas->BackBuffer(), nullptr);
    const wxImage image = child->canvas->BackBuffer()->ConvertToImage();
    const int w = child->canvas->BackBufferLogicalWidth(), h = child->canvas->BackBufferLogicalHeight();
    ASSERT_GT(w, 10);
    ASSERT_GT(h, 10);
    EXPECT_EQ(image.GetRed(0, 0), 200);
    EXPECT_EQ(image.GetGreen(0, 0), 200);
    EXPECT_EQ(image.GetBlue(0, 0), 200);
    const int cx = w / 2, cy = h / 2;
    EXPECT_FALSE(image.GetRed(cx, cy) == 200 && image.GetGreen(cx, cy) == 200 && image.GetBlue(cx, cy) == 200);
  }

  // The one menu bar the main frame shows: its own or that of a child window, which GTK puts
  // into the frame and shows while the child is active. Null when it shows none or several.
  static wxMenuBar* ShownMenuBar() {
    std::vector<wxMenuBar*> bars{app_test::Frame()->GetMenuBar()};
    for (MyChild* child : app_test::Children()) bars.push_back(child->GetMenuBar());
    wxMenuBar* shown = nullptr;
    for (wxMenuBar* bar : bars) {
      if (!bar || !bar->IsShown()) continue;
      if (shown) return nullptr;
      shown = bar;
    }
    return shown;
  }

  bool Asked(const std::string& question) const {
    for (const std::string& q : prompts_->asked) {
      if (q.find(question) != std::string::npos) return true;
    }
    return false;
  }

  std::string dir_;
  ScriptedPrompts* prompts_ = nullptr;
};

}  // namespace app_test
