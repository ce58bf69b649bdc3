#include "canvas/view/view_session.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "canvas/view/document.h"
#include "db/library.h"
#include "db/log.h"
#include "tests/canvas/view/recording_session_host.h"
#include "tests/canvas/view/scripted_canvas_prompts.h"
#include "tests/canvas/view/view_test_library.h"

namespace {

// A session on the layout of the view tests, showing TOP in a 1000 x 1000 window.
class ViewSessionTest : public ::testing::Test {
 protected:
  ViewSessionTest() {
    SetLogStream(&log_);
    session_.SetHost(&host_);
    session_.ShareDocument(std::make_shared<Document>(std::shared_ptr<Library>(viewtest::OpenViewLibrary(dir_))));
    session_.SetTopCell(session_.GetLibrary()->FindIndex("TOP"));
  }
  ~ViewSessionTest() override { SetLogStream(nullptr); }

  std::ostringstream log_;
  libtest::TempDir dir_;
  ScriptedCanvasPrompts prompts_;
  RecordingSessionHost host_{prompts_};
  ViewSession session_;
};

TEST_F(ViewSessionTest, ZoomsScrollTheWindowOnceAViewIsFitted) {
  // Before the first drawing pass there is nothing to zoom: the view only redraws.
  const int redraws = host_.redraws;
  session_.Zoomin4X();
  EXPECT_TRUE(host_.scrolls.empty());
  EXPECT_EQ(host_.redraws, redraws + 1);
  session_.View().CentreView(0, 0, 1000, 1000);
  session_.Zoomin4X();
  ASSERT_EQ(host_.scrolls.size(), 1u);
  EXPECT_EQ(session_.View().magnification, 4.0);
  session_.Zoomout();
  EXPECT_EQ(host_.scrolls.back(), FullViewScroll(1000, 1000));
  EXPECT_EQ(session_.View().magnification, 1.0);
}

TEST_F(ViewSessionTest, AFailedExportIsLoggedAndShownWithoutItsLineEnd) {
  session_.WriteGDS(dir_.File("missing/out.gds"), false);
  ASSERT_EQ(host_.main.size(), 2u);
  EXPECT_EQ(host_.main[0], "Writing GDS, wait...");
  EXPECT_EQ(host_.main[1].rfind("ERROR: ", 0), 0u) << host_.main[1];
  EXPECT_NE(host_.main[1].back(), '\n');
  EXPECT_NE(log_.str().find(host_.main[1] + "\n"), std::string::npos);
  EXPECT_EQ(host_.busyDepth, 0);
}

TEST_F(ViewSessionTest, FrameColoursRedrawTheSceneUnlessOnlyTheSelectionsColourChanged) {
  const DisplaySettings before = session_.Settings();
  const int redraws = host_.redraws;
  session_.SetFrameColours(before.backgroundColour, before.instanceHighlightColour, Rgb{1, 2, 3});
  EXPECT_EQ(session_.Settings().geometryHighlightColour, (Rgb{1, 2, 3}));
  EXPECT_EQ(host_.redraws, redraws);
  EXPECT_EQ(host_.refreshed.back(), host_.client);
  session_.SetFrameColours(Rgb{9, 9, 9}, before.instanceHighlightColour, Rgb{1, 2, 3});
  EXPECT_EQ(host_.redraws, redraws + 1);
}

}  // namespace
