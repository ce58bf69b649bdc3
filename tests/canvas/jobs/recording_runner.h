#pragma once

// A process runner that records each run ("program argument") instead of starting anything,
// and answers with the result set for it.
#include <string>
#include <vector>

#include "canvas/jobs/process_runner.h"

class RecordingRunner : public ProcessRunner {
 public:
  ProcessResult Run(const std::string& program, const std::string& argument) override {
    calls.push_back(program + " " + argument);
    return result;
  }
  std::vector<std::string> calls;
  ProcessResult result{true, 0};
};
