#include <gtest/gtest.h>
#include <wx/toolbar.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include <ostream>
#include <streambuf>
#include <string>

#include "app/app_context.h"
#include "app/my_child.h"
#include "app/my_frame.h"
#include "canvas/my_canvas.h"
#include "db/log.h"
#include "tests/app/app_environment.h"
#include "tests/app/window_fixture.h"

// The shape of the cursor the X server shows now, as its size and hot spot ("24x24@11,11"): the
// busy cursor may be animated, so its pixels change while its frame stays. Empty when the server
// cannot tell. Defined at the end of this file, after the X headers, whose macros
// would clash with GoogleTest's names.
std::string ShownCursorShape();

namespace {

class BusyCursorTest : public app_test::AppWindowTest {
 protected:
  // The shape of the cursor the X server shows with the pointer over window's middle. Events
  // are run only when pump is set: a synchronous import or draw runs none until it ends.
  static std::string CursorOver(wxWindow* window, bool pump) {
    wxUIActionSimulator pointer;
    pointer.MouseMove(window->GetScreenRect().GetPosition() + window->GetSize() / 2);
    for (int i = 0; i < 5; ++i) {
      if (pump) app_test::Pump();
      wxMilliSleep(10);
    }
    return ShownCursorShape();
  }
};

// The busy cursor of an import or a long draw shows at once over the canvas as over the frame's
// own parts; afterwards the canvas shows its arrow again.
TEST_F(BusyCursorTest, BusyCursorCoversTheCanvas) {
  MyChild* child = Import("chip.gds");
  ASSERT_NE(child, nullptr);
  wxWindow* toolbar = app_test::Frame()->GetToolBar();
  const std::string idleCanvas = CursorOver(child->canvas, true);
  child->SetBusy(true);
  const std::string busyCanvas = CursorOver(child->canvas, false), busyToolbar = CursorOver(toolbar, false);
  child->SetBusy(false);
  ASSERT_FALSE(idleCanvas.empty()) << "the X server does not report its cursor";
  EXPECT_EQ(busyCanvas, busyToolbar);
  EXPECT_NE(busyCanvas, idleCanvas);
  EXPECT_EQ(CursorOver(child->canvas, true), idleCanvas);
}

// Takes the cursor's shape when the first log line of a drawing pass is written, in the middle
// of the pass.
class CursorAtLogLine : public std::streambuf {
 public:
  std::string shape;

 protected:
  int overflow(int c) override {
    if (shape.empty()) {
      // The server takes a moment to put up a new cursor image.
      wxMilliSleep(50);
      shape = ShownCursorShape();
    }
    return c;
  }
};

TEST_F(BusyCursorTest, LongDrawShowsTheBusyCursorOverTheCanvas) {
  MyChild* child = Import("chip.gds");
  ASSERT_NE(child, nullptr);
  const std::string idleCanvas = CursorOver(child->canvas, true);
  child->SetBusy(true);
  const std::string busy = CursorOver(child->canvas, false);
  child->SetBusy(false);
  CursorOver(child->canvas, true);

  CursorAtLogLine probe;
  std::ostream log(&probe);
  SetLogStream(&log);
  child->Redraw();
  child->canvas->Update();
  // The rest of the run logs to a file of this test's own.
  ASSERT_TRUE(app_test::Context().OpenLog("korvane.log"));
  ASSERT_FALSE(probe.shape.empty()) << "the drawing pass logged nothing";
  EXPECT_EQ(probe.shape, busy);
  EXPECT_NE(probe.shape, idleCanvas);
}

}  // namespace

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

std::string ShownCursorShape() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return "";
  std::string text;
  if (XFixesCursorImage* image = XFixesGetCursorImage(display)) {
    text = std::to_string(image->width) + "x" + std::to_string(image->height) + "@" + std::to_string(image->xhot) +
           "," + std::to_string(image->yhot);
    XFree(image);
  }
  XCloseDisplay(display);
  return text;
}
