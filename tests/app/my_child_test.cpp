#include "app/my_child.h"

#include <gtest/gtest.h>
#include <wx/dcmemory.h>
#include <wx/menu.h>
#include <wx/uiaction.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "app/core/command_ids.h"
#include "app/core/keybind.h"
#include "app/korvane.h"
#include "app/my_frame.h"
#include "canvas/grid_points.h"
#include "canvas/my_canvas.h"
#include "canvas/rgb_colour.h"
#include "db/library.h"
#include "tests/app/app_environment.h"
#include "tests/app/scripted_prompts.h"
#include "tests/app/window_fixture.h"
#include "tests/canvas/canvas_paint.h"

namespace {

class MyChildTest : public app_test::AppWindowTest {
 protected:
  // Runs events until done holds, for up to a second: input from the X server arrives late.
  static bool WaitUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 50 && !done(); ++i) {
      app_test::Pump();
      wxMilliSleep(20);
    }
    return done();
  }

  // Imports chip.gds and lets its window draw once.
  MyChild* DrawnChip() {
    MyChild* child = Import("chip.gds");
    if (child) {
      child->canvas->Update();
      app_test::Pump();
    }
    return child;
  }
};

// Sends a key as the toolkit does, to the focused canvas; true when a command took it.
bool PressKey(MyCanvas* canvas, int keyCode, int modifiers) {
  wxKeyEvent key(wxEVT_CHAR_HOOK);
  key.m_keyCode = keyCode;
  key.m_controlDown = (modifiers & wxMOD_CONTROL) != 0;
  key.m_altDown = (modifiers & wxMOD_ALT) != 0;
  key.m_shiftDown = (modifiers & wxMOD_SHIFT) != 0;
  key.SetEventObject(canvas);
  const bool taken = canvas->GetEventHandler()->ProcessEvent(key);
  app_test::Pump();
  return taken;
}

TEST_F(MyChildTest, ResizeLaysOutOnlyBeyondTwentyPixels) {
  MyChild* child = Import("chip.gds");
  ASSERT_NE(child, nullptr);
  const wxSize client = child->GetClientSize();
  child->lastWidth = client.x - 15;
  canvastest::PaintCanvas(*child->canvas);
  wxSizeEvent small(child->GetSize());
  child->GetEventHandler()->ProcessEvent(small);
  EXPECT_EQ(child->lastWidth, client.x - 15);
  EXPECT_FALSE(child->canvas->ViewChanged());

  child->lastWidth = client.x - 21;
  wxSizeEvent large(child->GetSize());
  child->GetEventHandler()->ProcessEvent(large);
  EXPECT_EQ(child->lastWidth, client.x);
  EXPECT_TRUE(child->canvas->ViewChanged());
  EXPECT_EQ(child->canvas->GetSize().x, client.x - child->layerPanelWidth - child->treeWidth);
}

TEST_F(MyChildTest, ToggleCommandsFlipTheirOwnFlagAndCheckMark) {
  MyChild* child = Import("chip.gds");
  ASSERT_NE(child, nullptr);
  MyCanvas& canvas = *child->canvas;
  ViewSession& session = child->Session();
  const struct {
    int id;
    uint8_t DisplaySettings::*flag;
  } toggles[] = {{kCmdShowOutlines, &DisplaySettings::showOutlines},
                 {kCmdShowGrids, &DisplaySettings::showGrids},
                 {kCmdShowNames, &DisplaySettings::showNames},
                 {kCmdShowTexts, &DisplaySettings::showTexts}};
  for (int round = 0; round < 2; ++round) {
    for (const auto& toggle : toggles) {
      SCOPED_TRACE(toggle.id);
      std::vector<uint8_t> flags;
      for (const auto& t : toggles) flags.push_back(session.Settings().*t.flag);
      canvastest::PaintCanvas(canvas);
      wxCommandEvent command(wxEVT_MENU, toggle.id);
      child->GetEventHandler()->ProcessEvent(command);
      // The grid points are an overlay: showing them redraws no scene.
      EXPECT_EQ(canvas.ViewChanged(), toggle.id != kCmdShowGrids);
      for (size_t i = 0; i < flags.size(); ++i) {
        const uint8_t expected = toggles[i].id == toggle.id ? !flags[i] : flags[i];
        EXPECT_EQ(session.Settings().*toggles[i].flag, expected) << toggles[i].id;
        EXPECT_EQ(child->GetMenuBar()->IsChecked(toggles[i].id), expected != 0) << toggles[i].id;
      }
    }
  }
}

TEST_F(MyChildTest, ShowGridsTogglesItsCheckAndDrawsTheGridPoints) {
  MyChild* child = Import("chip.gds");
  ASSERT_NE(child, nullptr);
  MyCanvas& canvas = *child->canvas;
  ViewSession& session = child->Session();
  // What the window shows: the back buffer with the overlays over it.
  auto draw = [&canvas] {
    canvas.Update();
    app_test::Pump();
    const wxSize size = canvas.GetClientSize();
    wxBitmap shown(size.x, size.y, 24);
    {
      wxMemoryDC dc(shown);
      canvas.DoPrepareDC(dc);
      canvas.OnDraw(dc);
    }
    return shown.ConvertToImage();
  };
  auto toggle = [child] {
    child->GetEventHandler()->QueueEvent(new wxCommandEvent(wxEVT_MENU, kCmdShowGrids));
    app_test::Pump();
  };
  const wxImage before = draw();
  const int64_t passes = canvas.SceneDrawCount();
  toggle();
  EXPECT_EQ(session.Settings().showGrids, 1);
  EXPECT_TRUE(child->GetMenuBar()->IsChecked(kCmdShowGrids));
  const wxImage shown = draw();

  // Every grid point of the view (the grid of 5 units grown to a readable step) is marked.
  const Box window = session.View().VisibleWindow();
  const GridPointPlan plan = PlanGridPoints(window, session.Settings().snapGrid,
                                            int32_t(session.GetLibrary()->unitsPerNm), session.View().PixelsPerUnit());
  ASSERT_GT(plan.step, 0);
  const wxColour outline = ToWxColour(session.Settings().outlineColour);
  auto isOutline = [&outline](const wxImage& image, int x, int y) {
    return image.GetRed(x, y) == outline.Red() && image.GetGreen(x, y) == outline.Green() &&
           image.GetBlue(x, y) == outline.Blue();
  };
  int points = 0, newlyDrawn = 0;
  for (int64_t y = plan.firstY; y <= window.y2; y += plan.step) {
    for (int64_t x = plan.firstX; x <= window.x2; x += plan.step) {
      const int px = session.View().ToDeviceX(int32_t(x)), py = session.View().ToDeviceY(int32_t(y));
      if (px < 1 || py < 1 || px >= canvas.BackBufferLogicalWidth() - 1 || py >= canvas.BackBufferLogicalHeight() - 1) {
        continue;
      }
      ++points;
      EXPECT_TRUE(isOutline(shown, px, py)) << x << "," << y;
      newlyDrawn += !isOutline(before, px, py);
    }
  }
  EXPECT_GT(points, 20);
  EXPECT_EQ(newlyDrawn, points);
  EXPECT_EQ(canvas.SceneDrawCount(), passes);

  toggle();
  EXPECT_EQ(session.Settings().showGrids, 0);
  EXPECT_FALSE(child->GetMenuBar()->IsChecked(kCmdShowGrids));
  const wxImage hidden = draw();
  EXPECT_TRUE(
      std::equal(hidden.GetData(), hidden.GetData() + hidden.GetWidth() * hidden.GetHeight() * 3, before.GetData()));
}

TEST_F(MyChildTest, KeysRunTheirBoundCommands) {
  MyChild* child = DrawnChip();
  ASSERT_NE(child, nullptr);
  MyCanvas* canvas = child->canvas;
  ViewSession& session = child->Session();
  MyFrame* frame = app_test::Frame();
  const std::vector<uint16_t> saved = frame->KeyBindings();
  frame->SetKeyBinding(kCmdZoomIn4X, MakeKeyBinding(0, kKeyTab));
  frame->SetKeyBinding(kCmdZoomOut4X, MakeKeyBinding(0, kKeyLeft));
  frame->SetKeyBinding(kCmdShowGrids, MakeKeyBinding(3, kKeyDown));
  const struct {
    int keyCode;
    int modifiers;
    bool taken;
    double magnification;
    uint8_t showGrids;
  } presses[] = {
      {WXK_TAB, wxMOD_NONE, true, 4.0, 0},         {WXK_TAB, wxMOD_NONE, true, 16.0, 0},
      {WXK_LEFT, wxMOD_NONE, true, 4.0, 0},        {WXK_HOME, wxMOD_NONE, true, 1.0, 0},
      {WXK_TAB, wxMOD_NONE, true, 4.0, 0},         {WXK_DOWN, wxMOD_SHIFT, true, 4.0, 1},
      {WXK_DOWN, wxMOD_NONE, false, 4.0, 1},       {WXK_HOME, wxMOD_CONTROL | wxMOD_SHIFT, false, 4.0, 1},
      {WXK_NUMPAD_HOME, wxMOD_NONE, true, 1.0, 1}, {'D', wxMOD_NONE, false, 1.0, 1},
  };
  for (const auto& p : presses) {
    SCOPED_TRACE(testing::Message() << p.keyCode << " " << p.modifiers);
    EXPECT_EQ(PressKey(canvas, p.keyCode, p.modifiers), p.taken);
    EXPECT_EQ(session.View().magnification, p.magnification);
    EXPECT_EQ(session.Settings().showGrids, p.showGrids);
  }
  // A letter bound in lower case, as a configuration file may bind it.
  frame->SetKeyBinding(kCmdShowNames, MakeKeyBinding(2, 'q'));
  EXPECT_TRUE(PressKey(canvas, 'Q', wxMOD_ALT));
  EXPECT_EQ(session.Settings().showNames, 1);
  for (int id : {kCmdZoomIn4X, kCmdZoomOut4X, kCmdShowGrids, kCmdShowNames}) frame->SetKeyBinding(id, saved[id]);
}

// Home end to end, from the X server through GTK's key handling.
TEST_F(MyChildTest, HomeKeyShowsTheFullView) {
  MyChild* child = DrawnChip();
  ASSERT_NE(child, nullptr);
  MyCanvas* canvas = child->canvas;
  ViewSession& session = child->Session();
  child->GetEventHandler()->QueueEvent(new wxCommandEvent(wxEVT_MENU, kCmdZoomIn4X));
  app_test::Pump();
  ASSERT_EQ(session.View().magnification, 4.0);
  wxUIActionSimulator keys;
  // Without a window manager the keyboard focus follows the pointer.
  keys.MouseMove(canvas->GetScreenPosition() + wxPoint(50, 50));
  app_test::Pump();
  canvas->SetFocus();
  app_test::Pump();
  keys.Char(WXK_HOME);
  EXPECT_TRUE(WaitUntil([&session] { return session.View().magnification == 1.0; }));
}

// Single letters and Alt+D, end to end from the X server, once the user has clicked a row of
// the layer list: the list's type-ahead and the "&DRC" menu title must not take them.
TEST_F(MyChildTest, KeysRunTheirCommandsWithTheFocusInTheLayerList) {
  MyChild* child = DrawnChip();
  ASSERT_NE(child, nullptr);
  ViewSession& session = child->Session();
  session.Edit().selectionRing.AddRectangle(Box(0, 0, 4000, 1000));
  wxUIActionSimulator input;
  wxRect row;
  ASSERT_TRUE(child->layerList->GetItemRect(0, row));
  input.MouseMove(child->layerList->ClientToScreen(row.GetPosition()) + wxPoint(10, row.height / 2));
  app_test::Pump();
  input.MouseClick();
  app_test::Pump();
  ASSERT_EQ(child->FirstSelectedLayerRow(), 0);
  input.Char('r');
  EXPECT_TRUE(WaitUntil([&session] { return session.Edit().selectionRing.GetBoundingBox().Height() == 4000; }));
  input.Char('d', wxMOD_ALT);
  EXPECT_TRUE(WaitUntil([&session] { return session.Settings().orderedDraw == 1; }));
}

TEST_F(MyChildTest, ChangeColorSetsTheFrameColourForEveryWindow) {
  MyChild* first = Import("a.gds");
  MyChild* second = Import("b.gds");
  ASSERT_NE(first, second);
  MyFrame* frame = app_test::Frame();
  const wxColour background = frame->ViewColour(ViewColourItem::kBackground);
  const wxColour highlight = frame->ViewColour(ViewColourItem::kInstanceHighlight);
  auto changeColor = [second] {
    second->GetEventHandler()->QueueEvent(new wxCommandEvent(wxEVT_MENU, kCmdChangeColor));
    app_test::Pump();
  };
  // Cancelled at the choice: nothing changes.
  changeColor();
  EXPECT_TRUE(Asked("Select item to change color"));
  EXPECT_EQ(frame->ViewColour(ViewColourItem::kBackground), background);

  // The scripted colour dialog answers (10, 20, 30).
  const wxColour chosen(10, 20, 30);
  prompts_->items = {1, 0};
  changeColor();
  changeColor();
  EXPECT_EQ(frame->ViewColour(ViewColourItem::kInstanceHighlight), chosen);
  EXPECT_EQ(frame->ViewColour(ViewColourItem::kBackground), chosen);
  for (MyChild* child : {first, second}) {
    EXPECT_EQ(child->Session().Settings().backgroundColour, ToRgb(chosen));
    EXPECT_EQ(child->Session().Settings().instanceHighlightColour, ToRgb(chosen));
  }
  second->canvas->Update();
  app_test::Pump();
  const wxImage image = second->canvas->BackBuffer()->ConvertToImage();
  EXPECT_EQ(wxColour(image.GetRed(0, 0), image.GetGreen(0, 0), image.GetBlue(0, 0)), chosen);
  // A window opened later takes the frame's colours too.
  MyChild* third = Import("c.gds");
  EXPECT_EQ(third->Session().Settings().backgroundColour, ToRgb(chosen));
  EXPECT_EQ(third->Session().Settings().instanceHighlightColour, ToRgb(chosen));
  frame->SetViewColour(ViewColourItem::kBackground, background);
  frame->SetViewColour(ViewColourItem::kInstanceHighlight, highlight);
}

TEST_F(MyChildTest, ResizingTheMainWindowLaysTheChildOutOnlyBeyondTwentyPixels) {
  MyChild* child = DrawnChip();
  ASSERT_NE(child, nullptr);
  MyCanvas& canvas = *child->canvas;
  const wxSize frameSize = app_test::Frame()->GetSize();
  const int width = child->GetClientSize().x, canvasWidth = canvas.GetSize().x;
  // The X server reports the new size back some time after the request.
  auto resizeFrame = [&frameSize, child, width](int narrower) {
    app_test::Frame()->SetSize(frameSize.x - narrower, frameSize.y);
    for (int i = 0; i < 100 && child->GetClientSize().x != width - narrower; ++i) {
      app_test::Pump();
      wxMilliSleep(10);
    }
    app_test::Pump();
  };

  resizeFrame(15);
  EXPECT_EQ(child->GetClientSize().x, width - 15);
  EXPECT_EQ(child->lastWidth, width);
  EXPECT_EQ(canvas.GetSize().x, canvasWidth);

  resizeFrame(21);
  EXPECT_EQ(child->GetClientSize().x, width - 21);
  EXPECT_EQ(child->lastWidth, width - 21);
  EXPECT_EQ(canvas.GetSize().x, canvasWidth - 21);
  // The scene was drawn again, at the new size.
  canvas.Update();
  app_test::Pump();
  EXPECT_EQ(canvas.BackBufferLogicalWidth(), canvas.GetClientSize().x);
  resizeFrame(0);
}

}  // namespace

namespace {

class OptimizeDbTest : public app_test::AppWindowTest {
 protected:
  void RunOptimize(MyChild* child) {
    wxCommandEvent command(wxEVT_MENU, kCmdOptimizeDb);
    child->GetEventHandler()->ProcessEvent(command);
    app_test::Pump();
  }
  std::string MainStatus() const { return std::string(app_test::Frame()->GetStatusBar()->GetStatusText(0).utf8_str()); }
};

TEST_F(OptimizeDbTest, SmallLibraryNeedsNoOptimization) {
  MyChild* child = Import("chip.gds");
  ASSERT_NE(child, nullptr);
  const int32_t cells = child->Session().GetLibrary()->CellCount();
  RunOptimize(child);
  EXPECT_EQ(MainStatus(), "No optimization required");
  EXPECT_EQ(child->Session().GetLibrary()->CellCount(), cells);
}

TEST_F(OptimizeDbTest, LargeCellIsTiledAndRedrawn) {
  // Boxes 400 um apart (1 nm units): the cell is larger than the 100 um tiles.
  const std::string path = dir_ + "/wide.gds";
  GdsBuilder b;
  b.LibraryHeader().BeginStructure("WIDE");
  for (int i = 0; i < 5; ++i) {
    const int x = i * 100000;
    b.Boundary(1, 0, {{x, 0}, {x + 1000, 0}, {x + 1000, 1000}, {x, 1000}, {x, 0}});
  }
  b.EndStructure().EndLibrary().WriteTo(path);
  prompts_->files.push_back(path);
  wxCommandEvent import(wxEVT_MENU, kCmdGdsIn);
  app_test::Frame()->GetEventHandler()->ProcessEvent(import);
  app_test::Pump();
  auto* child = static_cast<MyChild*>(app_test::Frame()->GetActiveChild());
  ASSERT_NE(child, nullptr);
  const int32_t cells = child->Session().GetLibrary()->CellCount();
  const int64_t passes = child->canvas->SceneDrawCount();

  RunOptimize(child);
  child->canvas->Update();
  app_test::Pump();
  EXPECT_EQ(MainStatus(), "Ready");
  EXPECT_GT(child->Session().GetLibrary()->CellCount(), cells);
  EXPECT_GT(child->canvas->SceneDrawCount(), passes);
  RunOptimize(child);
  EXPECT_EQ(MainStatus(), "No optimization required");
}

}  // namespace
