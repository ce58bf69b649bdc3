// The child window's view commands, driven through its menu events with scripted answers.
#include <gtest/gtest.h>
#include <wx/menu.h>

#include <sstream>

#include "app/app_context.h"
#include "db/log.h"
#include "tests/app/window_fixture.h"
#include "tests/canvas/view/view_test_library.h"

namespace {

class ViewCommandsTest : public app_test::AppWindowTest {
 protected:
  MyChild* ImportViewLayout() {
    prompts_->files.push_back(dir_ + "/view.gds");
    viewtest::WriteViewGds(prompts_->files.back());
    SendCommand(app_test::Frame(), kCmdGdsIn);
    return static_cast<MyChild*>(app_test::Frame()->GetActiveChild());
  }
  // Paints what is pending; the number of drawing passes so far.
  static int64_t Paint(MyChild* child) {
    child->canvas->Update();
    app_test::Pump();
    return child->canvas->SceneDrawCount();
  }
  static std::string Logged(MyChild* child, int id) {
    std::ostringstream log;
    SetLogStream(&log);
    SendCommand(child, id);
    EXPECT_TRUE(app_test::Context().OpenLog("korvane.log"));
    return log.str();
  }
};

TEST_F(ViewCommandsTest, ToggleSetsItsFlagAndTheCurrentDepthDrawsNothing) {
  MyChild* child = ImportViewLayout();
  ASSERT_NE(child, nullptr);
  int64_t passes = Paint(child);
  SendCommand(child, kCmdAccurateDraw);
  EXPECT_EQ(child->Session().Settings().accurateDraw, 1);
  EXPECT_TRUE(child->GetMenuBar()->IsChecked(kCmdAccurateDraw));
  EXPECT_GT(Paint(child), passes);
  passes = Paint(child);
  prompts_->numbers = {child->Session().Settings().depth};
  SendCommand(child, kCmdChangeDepth);
  EXPECT_TRUE(Asked("Input hierarchcial display depth [0..2]"));
  EXPECT_EQ(Paint(child), passes);
  prompts_->numbers = {0};
  SendCommand(child, kCmdChangeDepth);
  EXPECT_EQ(child->Session().Settings().depth, 0);
  EXPECT_GT(Paint(child), passes);
}

TEST_F(ViewCommandsTest, RemoveAndRecoverRulers) {
  MyChild* child = ImportViewLayout();
  ASSERT_NE(child, nullptr);
  EditState& edit = child->Session().Edit();
  edit.rulers = {Ruler{0, 0, 100, 0}, Ruler{0, 0, 0, 100}};
  SendCommand(child, kCmdRemoveRulers);
  EXPECT_TRUE(edit.rulers.empty());
  edit.rulers = {Ruler{1, 1, 2, 2}};
  SendCommand(child, kCmdRecoverRulers);
  ASSERT_EQ(edit.rulers.size(), 3u);
  EXPECT_EQ(edit.rulers[2].y2, 100);
  SendCommand(child, kCmdRecoverRulers);
  EXPECT_EQ(edit.rulers.size(), 3u);
}

TEST_F(ViewCommandsTest, InspectLogsWhenThereIsNothingAndZoomsToWhatItFinds) {
  MyChild* child = ImportViewLayout();
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(Logged(child, kCmdInspectNext), "No more geometry found under opened cell\n");
  prompts_->items = {2};
  EXPECT_EQ(Logged(child, kCmdInspectLayer), "Inspect Layer: No geometry found under opened cell\n");
  EXPECT_EQ(child->Session().View().magnification, 1.0);
  // A LEAF box of 0.1 um rounds to a size of 0: hw = 1.
  prompts_->items = {1};
  EXPECT_EQ(Logged(child, kCmdInspectLayer).rfind("Go to (1, 0)um, hw=1\n", 0), 0u);
  EXPECT_GT(child->Session().View().magnification, 1.0);
}

TEST_F(ViewCommandsTest, ClearMemoryWithASelectionInASecondWindowLeavesBothWorking) {
  MyChild* first = ImportViewLayout();
  ASSERT_NE(first, nullptr);
  Library* library = first->Session().GetLibrary();
  MyChild* second =
      app_test::Frame()->CreateCellChild("second", first->Session().SharedDocument(), library->FindIndex("OTHER"));
  app_test::Pump();
  // The second window holds a picked shape of OTHER, the first an inspection inside LEAF.
  EditState& picked = second->Session().Edit();
  picked.pickWalk.Init(Box(-1, -1, 1, 1), *library, {}, uint32_t(library->FindIndex("OTHER")));
  Trans found;
  LayerKey key = 0;
  ASSERT_NE(picked.pickWalk.EnterCell(found, key), nullptr);
  picked.selectionRing.AddRectangle(Box(0, 0, 10, 10));
  prompts_->items = {1};
  SendCommand(first, kCmdInspectLayer);
  Cell* leaf = library->GetCell(library->FindIndex("LEAF"));
  ASSERT_TRUE(first->Session().Edit().HasPickPath() && leaf->loaded);

  const int64_t firstPasses = Paint(first), secondPasses = Paint(second);
  SendCommand(first, kCmdClearMemory);
  EXPECT_FALSE(leaf->loaded);
  EXPECT_TRUE(first->Session().TopCell()->loaded && second->Session().TopCell()->loaded);
  for (MyChild* child : {first, second}) {
    EXPECT_FALSE(child->Session().Edit().HasSelection() || child->Session().Edit().HasPickPath());
  }
  // Both draw again, each once it is the tab shown.
  second->Activate();
  EXPECT_GT(Paint(second), secondPasses);
  first->Activate();
  EXPECT_GT(Paint(first), firstPasses);
  EXPECT_EQ(Logged(first, kCmdInspectNext), "No more geometry found under opened cell\n");
  prompts_->items = {1};
  EXPECT_EQ(Logged(first, kCmdInspectLayer).rfind("Go to ", 0), 0u);
  EXPECT_TRUE(leaf->loaded);
}

}  // namespace
