#include <gtest/gtest.h>
#include <wx/menu.h>

#include "app/core/command_ids.h"
#include "app/my_child.h"
#include "canvas/my_canvas.h"
#include "db/library.h"
#include "tests/app/window_fixture.h"

namespace {

class ChildEditCommandsTest : public app_test::AppWindowTest {
 protected:
  static void Run(MyChild* child, int id) {
    wxCommandEvent command(wxEVT_MENU, id);
    child->GetEventHandler()->ProcessEvent(command);
    app_test::Pump();
  }
};

TEST_F(ChildEditCommandsTest, EditMenuCommandsAreEnabledAndReachTheCanvas) {
  MyChild* child = Import("chip.gds");
  ASSERT_NE(child, nullptr);
  for (int id = kCmdCancel; id <= kCmdReplaceText; ++id) {
    EXPECT_TRUE(child->GetMenuBar()->IsEnabled(id)) << id;
  }
  EXPECT_TRUE(child->GetMenuBar()->IsEnabled(kCmdChangeDbUnit));

  MyCanvas& canvas = *child->canvas;
  canvas.edit.selectionRing.AddRectangle(Box(5000, 5000, 6000, 7000));
  canvas.edit.editLayer = MakeLayerKey(1, 0);
  canvas.Update();
  app_test::Pump();
  const int64_t passes = canvas.SceneDrawCount();
  Run(child, kCmdInsertPolygon);
  canvas.Update();
  app_test::Pump();
  EXPECT_FALSE(canvas.edit.HasSelection());
  EXPECT_GT(canvas.SceneDrawCount(), passes);
  EXPECT_EQ(canvas.TopCell()->box, Box(0, 0, 6000, 7000));
  EXPECT_EQ(canvas.TopCell()->flags & kCellModified, kCellModified);

  // Alt-Down, a key no menu takes, runs Replace Text, which refuses without a picked text.
  wxKeyEvent key(wxEVT_CHAR_HOOK);
  key.m_keyCode = WXK_DOWN;
  key.m_altDown = true;
  key.SetEventObject(&canvas);
  EXPECT_TRUE(canvas.GetEventHandler()->ProcessEvent(key));
  app_test::Pump();
  EXPECT_TRUE(Asked("Text must be selected first"));
}

TEST_F(ChildEditCommandsTest, ChangeDbUnitTakesOnlyAFinitePositiveUnit) {
  MyChild* child = Import("chip.gds");
  ASSERT_NE(child, nullptr);
  Library& library = *child->canvas->GetLibrary();
  library.flags = 0;
  for (const char* refused : {"", "0", "-2", "inf", "nan", "abc"}) {
    prompts_->texts.push_back(refused);
    Run(child, kCmdChangeDbUnit);
    EXPECT_EQ(library.unitsPerNm, 1.0) << refused;
    EXPECT_EQ(library.flags, 0u) << refused;
  }
  prompts_->texts.push_back("0.5");
  Run(child, kCmdChangeDbUnit);
  EXPECT_TRUE(Asked("Enter new DB Unit by nm"));
  EXPECT_EQ(library.unitsPerNm, 2.0);
  EXPECT_EQ(library.dbUnit, 0.5e-9);
  EXPECT_EQ(library.flags, kLibInfoDirty);
  EXPECT_EQ(child->canvas->Settings().nmPerUnit, 0.5);
  EXPECT_EQ(child->canvas->Settings().snapGrid, 10);
}

}  // namespace
