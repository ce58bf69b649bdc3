#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include <memory>

#include "canvas/my_canvas.h"
#include "canvas/view/canvas_host.h"
#include "canvas/view/document.h"
#include "canvas/view/view_session.h"
#include "tests/canvas/canvas_paint.h"
#include "tests/canvas/canvas_test_util.h"
#include "tests/canvas/view/scripted_canvas_prompts.h"

namespace {

const LayerKey kMetal = MakeLayerKey(1, 0);
const wxColour kRubber(255, 255, 255);
const wxColour kOutline(0, 0, 8);

struct StatusSink : CanvasHost {
  void SetChildStatus(int field, const std::string& text) override { child[field & 1] = text; }
  void SetMainStatus(const std::string&) override {}
  int FirstSelectedLayerRow() const override { return 0; }
  void SetBusy(bool) override {}
  CanvasPrompts& Prompts() override { return prompts; }
  void RefreshLayerList() override {}
  std::string child[2];
  ScriptedCanvasPrompts prompts;
};

// A shown canvas on a library of two squares: (0, 0)-(1000, 1000) and (3000, 2000)-(4000,
// 3000), green. Mouse events go through the window's own event handling.
class CanvasMouseTest : public ::testing::Test {
 protected:
  CanvasMouseTest() {
    frame_ = new wxFrame(nullptr, wxID_ANY, "gestures", wxDefaultPosition, wxSize(420, 340));
    canvas_ = new MyCanvas(frame_, session_, wxDefaultPosition, wxSize(400, 300));
    canvas_->SetHost(&sink_);
    auto library = std::make_shared<Library>("", false);
    uint32_t top = library->CreateCell("top");
    libtest::AddShape(*library->cells[top], kMetal, {{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}},
                      {{0, 0}, {3000, 2000}}, true);
    canvastest::SetLayer(*library, kMetal, canvastest::kGreenWord);
    library->roots = {top};
    session_.ShareDocument(std::make_shared<Document>(library));
    session_.SetTopCell(int32_t(top));
    frame_->Show();
    Paint();
  }
  ~CanvasMouseTest() override {
    frame_->Destroy();
    wxTheApp->ProcessIdle();
  }

  wxImage Paint() { return canvastest::PaintCanvas(*canvas_); }

  void Mouse(wxEventType type, int x, int y, bool left, bool right) {
    wxMouseEvent event(type);
    event.SetPosition(wxPoint(x, y));
    event.SetLeftDown(left);
    event.SetRightDown(right);
    event.SetEventObject(canvas_);
    canvas_->ProcessWindowEvent(event);
  }
  wxPoint Device(int32_t x, int32_t y) const {
    return wxPoint(session_.View().ToDeviceX(x), session_.View().ToDeviceY(y));
  }

  StatusSink sink_;
  wxFrame* frame_;
  ViewSession session_;
  MyCanvas* canvas_;
};

TEST_F(CanvasMouseTest, RightDragDrawsARubberBoxWithoutDrawingThenZooms) {
  const int64_t passes = canvas_->SceneDrawCount();
  const wxImage scene = Paint();
  Mouse(wxEVT_RIGHT_DOWN, 50, 50, false, true);
  Mouse(wxEVT_MOTION, 150, 120, false, true);
  wxImage shown = Paint();
  EXPECT_TRUE(canvastest::IsColour(shown, 100, 50, kRubber));
  EXPECT_TRUE(canvastest::IsColour(shown, 150, 80, kRubber));
  Mouse(wxEVT_MOTION, 200, 150, false, true);
  shown = Paint();
  // The old bottom edge is gone, the pixels under it restored.
  EXPECT_EQ(shown.GetRed(100, 120), scene.GetRed(100, 120));
  EXPECT_TRUE(canvastest::IsColour(shown, 100, 150, kRubber));
  EXPECT_EQ(canvas_->SceneDrawCount(), passes);

  const Box expected(session_.View().ScreenToDBX(50), session_.View().ScreenToDBY(150),
                     session_.View().ScreenToDBX(200), session_.View().ScreenToDBY(50));
  Mouse(wxEVT_RIGHT_UP, 200, 150, false, false);
  EXPECT_EQ(session_.LastZoomedArea(), expected);
  EXPECT_GT(session_.View().magnification, 2.0);
  EXPECT_FALSE(canvas_->HasCapture());
  shown = Paint();
  EXPECT_GT(canvas_->SceneDrawCount(), passes);
  EXPECT_EQ(canvastest::CountColour(shown, kRubber), 0);
}

// The same zoom through the display server: pointer and buttons of the system.
TEST_F(CanvasMouseTest, SimulatedRightDragZoomsToTheBox) {
  auto pump = [] {
    wxEventLoop loop;
    wxEventLoopActivator active(&loop);
    for (int i = 0; i < 10; ++i) {
      wxTheApp->ProcessPendingEvents();
      wxYield();
      wxMilliSleep(5);
    }
  };
  pump();
  wxUIActionSimulator pointer;
  pointer.MouseMove(canvas_->ClientToScreen(wxPoint(60, 60)));
  pump();
  pointer.MouseDown(wxMOUSE_BTN_RIGHT);
  pump();
  for (int step = 1; step <= 4; ++step) {
    pointer.MouseMove(canvas_->ClientToScreen(wxPoint(60 + 30 * step, 60 + 20 * step)));
    pump();
  }
  pointer.MouseUp(wxMOUSE_BTN_RIGHT);
  pump();
  EXPECT_FALSE(session_.LastZoomedArea().IsEmpty());
  EXPECT_GT(session_.View().magnification, 2.0);
}

TEST_F(CanvasMouseTest, CanvasClosedMidDragGivesTheCaptureBack) {
  Mouse(wxEVT_LEFT_DOWN, 60, 60, true, false);
  ASSERT_TRUE(canvas_->HasCapture());
  delete canvas_;
  canvas_ = nullptr;
  EXPECT_EQ(wxWindow::GetCapture(), nullptr);
}

TEST_F(CanvasMouseTest, RulerAppearsSurvivesRepaintsAndComesBackAfterRemoval) {
  Mouse(wxEVT_LEFT_DOWN, 60, 250, true, false);
  Mouse(wxEVT_MOTION, 160, 252, true, false);
  Mouse(wxEVT_LEFT_UP, 160, 252, false, false);
  ASSERT_EQ(session_.Edit().rulers.size(), 1u);
  const Ruler ruler = session_.Edit().rulers[0];
  EXPECT_EQ(ruler.y1, ruler.y2);
  const wxPoint a = Device(ruler.x1, ruler.y1);
  const wxPoint b = Device(ruler.x2, ruler.y2);
  const int midX = (a.x + b.x) / 2;
  EXPECT_TRUE(canvastest::IsColour(Paint(), midX, a.y, kOutline));
  canvas_->RedrawView();
  EXPECT_TRUE(canvastest::IsColour(Paint(), midX, a.y, kOutline));
  session_.Edit().RemoveRulers();
  session_.RefreshOverlays();
  EXPECT_FALSE(canvastest::IsColour(Paint(), midX, a.y, kOutline));
  EXPECT_TRUE(session_.Edit().RecoverRulers());
  session_.RefreshOverlays();
  EXPECT_TRUE(canvastest::IsColour(Paint(), midX, a.y, kOutline));
}

TEST_F(CanvasMouseTest, DoubleClickSelectsAndTheSelectionShowsInTheHighlightColour) {
  DisplaySettings settings = session_.Settings();
  settings.geometryHighlightColour = Rgb{255, 0, 255};
  session_.ApplySettings(settings);
  Paint();
  const int64_t passes = canvas_->SceneDrawCount();
  const wxPoint centre = Device(3500, 2500);
  // A double click arrives as down, up, double click, up.
  Mouse(wxEVT_LEFT_DOWN, centre.x, centre.y, true, false);
  Mouse(wxEVT_LEFT_UP, centre.x, centre.y, false, false);
  Mouse(wxEVT_LEFT_DCLICK, centre.x, centre.y, true, false);
  Mouse(wxEVT_LEFT_UP, centre.x, centre.y, false, false);
  ASSERT_TRUE(session_.Edit().HasSelection());
  EXPECT_EQ(session_.Edit().selectionRing.GetBoundingBox(), Box(3000, 2000, 4000, 3000));
  EXPECT_EQ(sink_.child[1], "Under cell top");
  const wxPoint left = Device(3000, 2500);
  const wxImage shown = Paint();
  EXPECT_TRUE(canvastest::IsColour(shown, left.x, left.y, wxColour(255, 0, 255)));
  EXPECT_TRUE(canvastest::IsColour(shown, centre.x, centre.y, canvastest::kGreenPen));
  EXPECT_EQ(canvas_->SceneDrawCount(), passes);

  // The shown cell placed at its own origin as the selected instance: its box in yellow.
  SRef placement;
  session_.Edit().selectedInstance.ref = &placement;
  const wxPoint bottom = Device(2000, 0);
  EXPECT_TRUE(canvastest::IsColour(Paint(), bottom.x, bottom.y, wxColour(255, 255, 0)));
  // After an edit anywhere on the library the placement may be gone: it is dropped unpainted.
  session_.GetLibrary()->MoveEditGeneration();
  EXPECT_EQ(canvastest::CountColour(Paint(), wxColour(255, 255, 0)), 0);
  EXPECT_FALSE(session_.Edit().selectedInstance);

  session_.ClearSelection();
  EXPECT_FALSE(session_.Edit().HasSelection());
  EXPECT_EQ(canvastest::CountColour(Paint(), wxColour(255, 0, 255)), 0);
}

}  // namespace
