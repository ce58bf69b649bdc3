#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>
#include <wx/init.h>
#include <wx/log.h>

#include <memory>
#include <vector>

#include "app/exit_now.h"
#include "app/korvane.h"
#include "app/my_child.h"
#include "app/my_frame.h"
#include "tests/app/app_environment.h"
#include "tests/app/scripted_print_service.h"
#include "tests/app/scripted_prompts.h"

namespace app_test {
namespace {

std::string& StartDir() {
  static std::string dir;
  return dir;
}
ScriptedPrompts* scripted = nullptr;
std::vector<int>& Codes() {
  static std::vector<int> codes;
  return codes;
}

class AppEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    char pattern[] = "/tmp/korvane_app_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    StartDir() = pattern;
    ASSERT_EQ(chdir(pattern), 0);
    auto prompts = std::make_unique<ScriptedPrompts>();
    scripted = prompts.get();
    SetPrompts(std::move(prompts));
    // No test opens the toolkit's print dialog: prints are cancelled unless a test says otherwise.
    SetPrintService(std::make_unique<ScriptedPrintService>());
    SetExitHook([](int code) { Codes().push_back(code); });
    // No accessibility bus (its D-Bus connection is kept for the life of the process), and
    // plain malloc for GLib so that the sanitizers see every block.
    setenv("NO_AT_BRIDGE", "1", 1);
    setenv("G_SLICE", "always-malloc", 1);
    wxApp::SetInstance(new Korvane);
    static char name[] = "app_tests";
    static char* argv[] = {name, nullptr};
    int argc = 1;
    ASSERT_TRUE(wxEntryStart(argc, argv)) << "cannot start the toolkit (no display?)";
    // Toolkit errors go to stderr rather than into modal boxes.
    delete wxLog::SetActiveTarget(new wxLogStderr);
    ASSERT_TRUE(wxTheApp->CallOnInit());
    Pump();
  }
  void TearDown() override {
    wxTheApp->OnExit();
    wxEntryCleanup();
    SetPrompts(nullptr);
    SetPrintService(nullptr);
    SetExitHook(nullptr);
    std::string command = "rm -rf '" + StartDir() + "'";
    EXPECT_EQ(system(command.c_str()), 0);
  }
};

const ::testing::Environment* const kEnvironment = ::testing::AddGlobalTestEnvironment(new AppEnvironment);

}  // namespace

const std::string& StartDirectory() { return StartDir(); }
ScriptedPrompts& Prompts() { return *scripted; }
const std::vector<int>& ExitCodes() { return Codes(); }
// The test binary has no entry point of its own, so no wxGetApp: the application is the one
// SetUp installed.
AppContext& Context() { return static_cast<Korvane*>(wxTheApp)->Context(); }
MyFrame* Frame() { return Context().Frame(); }

std::vector<MyChild*> Children() {
  // GTK's MDI children are windows of the frame's client window (a notebook), in the order made;
  // a child leaves the list when it is destroyed.
  std::vector<MyChild*> children;
  for (wxWindow* window : Frame()->GetClientWindow()->GetChildren()) {
    if (auto* child = dynamic_cast<MyChild*>(window)) children.push_back(child);
  }
  return children;
}

void Pump() {
  for (int i = 0; i < 5; ++i) {
    wxTheApp->ProcessPendingEvents();
    wxYield();
    wxTheApp->ProcessIdle();
  }
}

}  // namespace app_test
