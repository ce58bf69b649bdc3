#include <gtest/gtest.h>
#include <wx/menu.h>
#include <wx/statusbr.h>

#include "app/core/command_ids.h"
#include "app/my_child.h"
#include "app/my_frame.h"
#include "canvas/my_canvas.h"
#include "db/library.h"
#include "tests/app/window_fixture.h"

namespace {

class ChildEditCommandsTest : public app_test::AppWindowTest {};

TEST_F(ChildEditCommandsTest, EditMenuReachesTheCanvasAndChangeDbUnitSetsEveryUnitField) {
  MyChild* child = Import("chip.gds");
  ASSERT_NE(child, nullptr);
  for (int id = kCmdCancel; id <= kCmdReplaceText; ++id) EXPECT_TRUE(child->GetMenuBar()->IsEnabled(id)) << id;
  MyCanvas& canvas = *child->canvas;
  ViewSession& session = child->Session();
  session.Edit().selectionRing.AddRectangle(Box(5000, 5000, 6000, 7000));
  session.Edit().editLayer = MakeLayerKey(1, 0);
  wxCommandEvent insert(wxEVT_MENU, kCmdInsertPolygon);
  child->GetEventHandler()->ProcessEvent(insert);
  EXPECT_EQ(session.TopCell()->box, Box(0, 0, 6000, 7000));
  EXPECT_EQ(session.TopCell()->flags & kCellModified, kCellModified);
  // Alt-Down, a key no menu takes, runs Replace Text, which refuses without a picked text.
  wxKeyEvent key(wxEVT_CHAR_HOOK);
  key.m_keyCode = WXK_DOWN;
  key.m_altDown = true;
  EXPECT_TRUE(canvas.GetEventHandler()->ProcessEvent(key));
  EXPECT_TRUE(Asked("Text must be selected first"));

  Library& library = *session.GetLibrary();
  library.flags = 0;
  wxCommandEvent change(wxEVT_MENU, kCmdChangeDbUnit);
  prompts_->texts = {"0"};
  child->GetEventHandler()->ProcessEvent(change);
  EXPECT_EQ(library.flags, 0u);
  prompts_->texts = {"0.5"};
  child->GetEventHandler()->ProcessEvent(change);
  EXPECT_EQ(library.unitsPerNm, 2.0);
  EXPECT_EQ(library.flags, kLibInfoDirty);
  EXPECT_EQ(session.Settings().nmPerUnit, 0.5);
  EXPECT_EQ(session.Settings().snapGrid, 10);
}

// A command replaces the second status field with its own text, "Ready" when it has none; a
// failed command's line stays in the main status bar through gestures until the next command.
TEST_F(ChildEditCommandsTest, CommandsReplaceTheirStatusAndAnErrorLastsUntilTheNextCommand) {
  MyChild* child = Import("chip.gds");
  ASSERT_NE(child, nullptr);
  ViewSession& session = child->Session();
  auto* status = static_cast<wxStatusBar*>(wxWindow::FindWindowByName("status_line", child));
  ASSERT_NE(status, nullptr);
  session.Edit().selectionRing.AddRectangle(Box(5000, 5000, 6000, 7000));
  session.Edit().editLayer = MakeLayerKey(1, 0);
  child->SetChildStatus(1, "Move point to (5.0000, 5.0000) um");
  SendCommand(child, kCmdInsertPolygon);
  EXPECT_EQ(status->GetStatusText(1), "Ready");

  wxStatusBar* main = app_test::Frame()->GetStatusBar();
  app_test::Frame()->ReportError("GDSIN", "Empty library");
  for (MouseKind kind : {MouseKind::kLeftDown, MouseKind::kLeftUp}) {
    MouseEvent click;
    click.kind = kind;
    click.x = click.y = 40;
    session.HandleMouse(click);
  }
  EXPECT_EQ(main->GetStatusText(0), "ERROR: GDSIN: Empty library");
  SendCommand(child, kCmdShowOutlines);
  EXPECT_EQ(main->GetStatusText(0), "Ready");
}

}  // namespace
