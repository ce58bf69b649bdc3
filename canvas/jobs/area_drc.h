#pragma once

#include <string>

class ProcessRunner;

// The run of the area design-rule check: the driver script written, then the external engine
// run on it, waiting until it ends. The engine's log and results are its own; only whether it
// could be started and its exit status are looked at.

// The engine: the program named by KORVANE_DRC_ENGINE when set, else "pellago".
std::string DrcEngine();

// Writes driverText to driverPath (created or truncated), then runs engine with driverPath as
// its one argument. Returns "" when the engine ended with status 0, else the failure to log and
// show: "Error: Output file <path> could not be opened !" (the engine is not run), "... could
// not be written !", "DRC engine <engine> could not be started" or "DRC engine <engine> exited
// with status <n>".
std::string RunAreaDrcJob(const std::string& driverPath, const std::string& driverText, const std::string& engine,
                          ProcessRunner& runner);
