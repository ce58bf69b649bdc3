// Starts the toolkit once for the whole GUI test binary (it links gtest_main, so the toolkit
// comes up as a global test environment rather than in main).
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>

#include <cstdlib>

namespace {

class WxEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    static char name[] = "canvas_tests";
    static char* argv[] = {name, nullptr};
    int argc = 1;
    // The accessibility bridge talks to a session bus that the test display does not have.
    setenv("NO_AT_BRIDGE", "1", 0);
    // Without an application object of its own the toolkit starts as a console application.
    wxApp::SetInstance(new wxApp);
    ASSERT_TRUE(wxEntryStart(argc, argv)) << "cannot start the toolkit (no display?)";
  }
  void TearDown() override { wxEntryCleanup(); }
};

const ::testing::Environment* const kWxEnvironment = ::testing::AddGlobalTestEnvironment(new WxEnvironment);

}  // namespace
