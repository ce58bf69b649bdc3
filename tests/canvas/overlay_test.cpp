#include "canvas/overlay.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/utils.h>

#include <filesystem>

#include "canvas/my_canvas.h"
#include "canvas/view/document.h"
#include "canvas/view/view_session.h"
#include "tests/canvas/canvas_paint.h"
#include "tests/canvas/canvas_test_util.h"

namespace {

// A filled rectangle over the layout, at a place the test moves.
class StandInOverlay : public Overlay {
 public:
  void Paint(wxDC& dc, const ViewMapping&) override {
    ++paints;
    dc.SetPen(wxPen(colour));
    dc.SetBrush(wxBrush(colour));
    dc.DrawRectangle(area);
  }
  wxRect area{20, 30, 40, 25};
  wxColour colour{1, 2, 250};
  int paints = 0;
};

PixelRect Pixels(const wxRect& r) { return PixelRect{r.x, r.y, r.width, r.height}; }

bool SamePixels(const wxImage& a, const wxImage& b, const wxRect& r) {
  for (int y = r.y; y < r.GetBottom(); ++y) {
    for (int x = r.x; x < r.GetRight(); ++x) {
      if (a.GetRed(x, y) != b.GetRed(x, y) || a.GetGreen(x, y) != b.GetGreen(x, y) ||
          a.GetBlue(x, y) != b.GetBlue(x, y)) {
        return false;
      }
    }
  }
  return true;
}

class CanvasWindowTest : public ::testing::Test {
 protected:
  CanvasWindowTest() {
    frame_ = new wxFrame(nullptr, wxID_ANY, "canvas", wxDefaultPosition, wxSize(420, 340));
    canvas_ = new MyCanvas(frame_, session_, wxDefaultPosition, wxSize(400, 300));
    std::string path = dir_.File("sample.db");
    std::filesystem::create_directories(path);
    Library lib(path, false);
    libtest::BuildSampleLibrary(lib);
    lib.Save();
    EXPECT_TRUE(session_.LoadLibrary(path));
    DisplaySettings settings = session_.Settings();
    settings.cellSizeLimit = 0;
    session_.ApplySettings(settings);
  }
  ~CanvasWindowTest() override {
    frame_->Destroy();
    wxTheApp->ProcessIdle();
  }

  // What the window shows: one paint through OnDraw onto a bitmap the size of the client.
  wxImage Paint() { return canvastest::PaintCanvas(*canvas_); }

  // Runs the toolkit's events until the window has settled.
  static void Pump() {
    wxEventLoop loop;
    wxEventLoopActivator active(&loop);
    for (int i = 0; i < 20; ++i) {
      wxTheApp->ProcessPendingEvents();
      wxYield();
      wxMilliSleep(5);
    }
  }

  libtest::TempDir dir_;
  wxFrame* frame_;
  ViewSession session_;
  MyCanvas* canvas_;
};

TEST_F(CanvasWindowTest, OverlayChangesRepaintWithoutADrawingPassAndRestoreThePixelsUnder) {
  const wxImage scene = Paint();
  ASSERT_EQ(canvas_->SceneDrawCount(), 1);
  const wxRect whole(0, 0, scene.GetWidth(), scene.GetHeight());
  StandInOverlay overlay;
  const wxRect first = overlay.area;
  canvas_->AddOverlay(&overlay);
  canvas_->RefreshOverlays(Pixels(first));
  EXPECT_FALSE(canvas_->ViewChanged());
  const wxImage shown = Paint();
  EXPECT_EQ(canvastest::CountColour(shown, overlay.colour), int64_t(first.width) * first.height);
  EXPECT_EQ(canvastest::CountColour(scene, overlay.colour), 0);

  overlay.area = wxRect(200, 150, 30, 30);
  canvas_->RefreshOverlays(Pixels(first));
  canvas_->RefreshOverlays(Pixels(overlay.area));
  const wxImage moved = Paint();
  EXPECT_TRUE(SamePixels(moved, scene, first));
  EXPECT_EQ(canvastest::CountColour(moved, overlay.colour), 30 * 30);

  canvas_->RemoveOverlay(&overlay);
  EXPECT_TRUE(SamePixels(Paint(), scene, whole));
  EXPECT_EQ(canvas_->SceneDrawCount(), 1);
  EXPECT_EQ(overlay.paints, 2);
}

TEST_F(CanvasWindowTest, OverlayRefreshOfAShownWindowPaintsOnlyTheOverlay) {
  frame_->Show();
  canvas_->Refresh();
  canvas_->Update();
  Pump();
  const int64_t passes = canvas_->SceneDrawCount();
  ASSERT_GE(passes, 1);
  StandInOverlay overlay;
  canvas_->AddOverlay(&overlay);
  canvas_->RefreshOverlays(Pixels(overlay.area));
  canvas_->Update();
  Pump();
  EXPECT_GE(overlay.paints, 1);
  EXPECT_EQ(canvas_->SceneDrawCount(), passes);
  // Showing the grid points is an overlay change as well.
  DisplaySettings settings = session_.Settings();
  settings.showGrids = 1;
  session_.ApplySettings(settings);
  canvas_->Update();
  Pump();
  EXPECT_EQ(canvas_->SceneDrawCount(), passes);
  canvas_->RemoveOverlay(&overlay);
}

TEST_F(CanvasWindowTest, ScrollPositionFollowsTheZoomAndScrollingMovesFromThere) {
  frame_->Show();
  canvas_->Update();
  Pump();
  const wxSize client = canvas_->GetClientSize();
  session_.Zoomin4X();
  Pump();
  int sx = 0;
  int sy = 0;
  canvas_->GetViewStart(&sx, &sy);
  EXPECT_EQ(sx, 4 * 3 * client.x / 8 / kScrollUnit);
  EXPECT_EQ(sy, 4 * 3 * client.y / 8 / kScrollUnit);
  ASSERT_GT(sx, 0);
  int hx = 0;
  int hy = 0;
  canvas_->GetScrollPixelsPerUnit(&hx, &hy);
  EXPECT_EQ(canvas_->GetScrollPos(wxHORIZONTAL), sx);
  EXPECT_EQ(canvas_->GetScrollPos(wxVERTICAL), sy);

  wxScrollWinEvent down(wxEVT_SCROLLWIN_LINEDOWN, 0, wxVERTICAL);
  down.SetEventObject(canvas_);
  canvas_->GetEventHandler()->ProcessEvent(down);
  Pump();
  int nx = 0;
  int ny = 0;
  canvas_->GetViewStart(&nx, &ny);
  EXPECT_EQ(nx, sx);
  EXPECT_EQ(ny, sy + 1);
}

}  // namespace
