#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wx/display.h>
#include <wx/utils.h>

#include <cstdlib>
#include <functional>

#include "app/my_frame.h"
#include "tests/app/app_environment.h"

namespace {

// A window manager for one test (Xvfb has none, and without one a frame cannot be maximised),
// stopped when the test ends.
class WindowManager {
 public:
  static bool Installed() { return std::system("command -v openbox >/dev/null 2>&1") == 0; }
  WindowManager() {
    pid_ = fork();
    if (pid_ == 0) {
      execlp("openbox", "openbox", "--replace", "--sm-disable", static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~WindowManager() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }

 private:
  pid_t pid_ = -1;
};

// Runs events until done() holds or about three seconds have passed.
bool PumpUntil(const std::function<bool()>& done) {
  for (int i = 0; i < 150; ++i) {
    app_test::Pump();
    if (done()) return true;
    wxMilliSleep(20);
  }
  return done();
}

TEST(FrameGeometry, RestoredFromMaximisedTheFrameTakesThreeQuartersOfTheDisplay) {
  if (!WindowManager::Installed()) GTEST_SKIP() << "openbox is not installed";
  MyFrame* frame = app_test::Frame();
  const wxRect display = wxGetClientDisplayRect(), before = frame->GetRect();
  {
    // The frame asked to be maximised when it was shown: the window manager maximises it as
    // it takes the frame over.
    WindowManager manager;
    ASSERT_TRUE(PumpUntil([frame, display] { return frame->GetSize().x >= display.width; }))
        << "the window manager did not maximise the frame";
    frame->Maximize(false);
    ASSERT_TRUE(PumpUntil([frame, display] { return frame->GetSize().x < display.width; }))
        << "the frame stayed as large as the display";
    const wxRect restored = frame->GetRect();
    EXPECT_NEAR(restored.width, display.width * 3 / 4, display.width / 20);
    EXPECT_NEAR(restored.height, display.height * 3 / 4, display.height / 20);
    EXPECT_TRUE(display.Contains(restored)) << restored.x << "," << restored.y;
    frame->Maximize(true);
    PumpUntil([frame, display] { return frame->GetSize().x >= display.width; });
  }
  frame->SetSize(before);
  app_test::Pump();
}

}  // namespace
