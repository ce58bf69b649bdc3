#include "app/korvane.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/uiaction.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "app/core/command_ids.h"
#include "app/my_frame.h"
#include "db/error.h"
#include "tests/app/app_environment.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(Korvane, StartUpWritesTheBannerToTheLog) {
  const std::string log = ReadFile(app_test::StartDirectory() + "/korvane.log");
  const std::string banner =
      "** Product   :\tKorvane mask layout browser and editor by Ostrand\n"
      "** Version   :\t1.2.4 \n"
      "** Build Date:\t" +
      std::string(kKorvaneBuildDate) + "\n\n";
  // The application and this test are built together, so both carry today's build date.
  EXPECT_STREQ(kKorvaneBuildDate, __DATE__);
  EXPECT_EQ(log.substr(0, banner.size()), banner);
}

TEST(Korvane, MainFrameShowsItsOwnMenusAndReady) {
  ASSERT_NE(app_test::Frame(), nullptr);
  EXPECT_TRUE(app_test::Frame()->IsShown());
  EXPECT_EQ(wxTheApp->GetTopWindow(), app_test::Frame());
  if (app_test::Frame()->GetActiveChild() != nullptr) GTEST_SKIP() << "a child window is open";
  wxMenuBar* bar = app_test::Frame()->GetMenuBar();
  EXPECT_TRUE(bar->IsShown());
  ASSERT_EQ(bar->GetMenuCount(), 2u);
  EXPECT_EQ(bar->GetMenuLabel(0), "&File");
  EXPECT_EQ(bar->GetMenuLabel(1), "&Help");
  std::vector<int> ids;
  for (wxMenuItem* item : bar->GetMenu(0)->GetMenuItems()) ids.push_back(item->GetId());
  EXPECT_EQ(ids, (std::vector<int>{kCmdWorkingDir, kCmdNewLibrary, kCmdLoadLibrary, kCmdGdsIn, kCmdOasisIn, kCmdExit}));
  EXPECT_EQ(bar->GetMenu(0)->FindItem(kCmdExit)->GetItemLabel(), "Exit\tF10");
  EXPECT_EQ(bar->GetMenu(1)->GetMenuItemCount(), 1u);
  EXPECT_EQ(app_test::Frame()->GetStatusBar()->GetStatusText(0), "Ready");
}

TEST(Korvane, ChildToolsStartDisabled) {
  if (app_test::Context().OpenChildCount() != 0) GTEST_SKIP() << "a child window is open";
  wxToolBar* tools = app_test::Frame()->GetToolBar();
  for (int id : app_test::kChildToolIds) EXPECT_FALSE(tools->GetToolEnabled(id)) << id;
  for (int id : {kCmdNewLibrary, kCmdLoadLibrary, kCmdSelectInputType, kCmdAbout}) {
    EXPECT_TRUE(tools->GetToolEnabled(id)) << id;
  }
}

// The real binary, next to this test binary's directory in the build tree.
std::string KorvaneBinary() {
  std::array<char, 4096> self{};
  const ssize_t n = readlink("/proc/self/exe", self.data(), self.size() - 1);
  std::string path(self.data(), n > 0 ? size_t(n) : 0);
  path.erase(path.rfind('/'));
  return path.substr(0, path.rfind('/')) + "/app/korvane";
}

TEST(Korvane, UnopenableLogEndsStartUpWithAnError) {
  const std::string dir = app_test::StartDirectory() + "/logdir";
  ASSERT_EQ(mkdir(dir.c_str(), 0777), 0);
  // A directory cannot be opened as a file, whatever the user's rights.
  ASSERT_EQ(mkdir((dir + "/korvane.log").c_str(), 0777), 0);
  const std::string command = "cd '" + dir + "' && '" + KorvaneBinary() + "' 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  std::array<char, 256> buffer{};
  while (fgets(buffer.data(), int(buffer.size()), pipe)) output += buffer.data();
  const int status = pclose(pipe);
  EXPECT_EQ(output, "ERROR: Log file could not be opened !\n");
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_NE(WEXITSTATUS(status), 0);
}

}  // namespace

namespace {

// F10 is GTK's default key for opening the menu bar; the Exit accelerator must still win.
TEST(Korvane, KeyF10Exits) {
  app_test::Frame()->Raise();
  app_test::Frame()->SetFocus();
  app_test::Pump();
  const size_t exits = app_test::ExitCodes().size();
  wxUIActionSimulator keys;
  // Without a window manager the keyboard focus follows the pointer.
  keys.MouseMove(app_test::Frame()->GetScreenPosition() + wxPoint(300, 300));
  app_test::Pump();
  keys.Char(WXK_F10);
  for (int i = 0; i < 20 && app_test::ExitCodes().size() == exits; ++i) {
    app_test::Pump();
    wxMilliSleep(20);
  }
  ASSERT_EQ(app_test::ExitCodes().size(), exits + 1);
  EXPECT_EQ(app_test::ExitCodes().back(), 0);
}

TEST(Korvane, EscapedErrorIsReportedAndTheApplicationGoesOn) {
  bool goesOn = false;
  try {
    throw Error(kTagLibIn, "Cannot open file info");
  } catch (...) {
    goesOn = wxTheApp->OnExceptionInMainLoop();
  }
  EXPECT_TRUE(goesOn);
  EXPECT_EQ(app_test::Frame()->GetStatusBar()->GetStatusText(0), "ERROR: LIBIN: Cannot open file info");
  app_test::Frame()->SetStatusText("Ready", 0);
}

}  // namespace
