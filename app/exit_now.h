#pragma once

#include <functional>

// Ends the process at once with code, after flushing standard output (every log line is
// flushed as it is written). Static destructors do not run: the toolkit is still live when a
// close handler calls this. Tests install a hook that records the code instead.
void ExitNow(int code);
void SetExitHook(std::function<void(int)> hook);
