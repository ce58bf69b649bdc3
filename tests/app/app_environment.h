#pragma once

// The application object of the GUI tests: started once per test binary in a temporary working
// directory, with scripted prompts and an exit hook that records instead of ending the process.
#include <string>
#include <vector>

#include "app/core/command_ids.h"

class AppContext;
class MyChild;
class MyFrame;
class ScriptedPrompts;

namespace app_test {

// The toolbar tools that act on the active child window, disabled while none is open.
constexpr int kChildToolIds[] = {kCmdSave, kCmdExtract, kCmdZoomIn4X, kCmdZoomOut4X, kCmdZoomOut, kCmdPrint};

// The directory the application was started in.
const std::string& StartDirectory();
ScriptedPrompts& Prompts();
// The application's context, its main frame and its child windows, oldest first.
AppContext& Context();
MyFrame* Frame();
std::vector<MyChild*> Children();
// Exit codes that ExitNow was called with, oldest first.
const std::vector<int>& ExitCodes();
// Runs pending events (CallAfter, size and paint) until none are left.
void Pump();

}  // namespace app_test
