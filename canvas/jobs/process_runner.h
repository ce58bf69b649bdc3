#pragma once

#include <string>

// Runs an external program with one argument and waits until it ends, behind an interface so
// that the commands that run programs can be tested with a recording stand-in.

struct ProcessResult {
  // False when the program could not be started (not found, not executable).
  bool started = false;
  // The exit status; 128 plus the signal number when a signal ended it.
  int exitStatus = 0;
};

class ProcessRunner {
 public:
  virtual ~ProcessRunner() = default;
  // Runs program with exactly one argument, whatever the argument holds, and waits.
  virtual ProcessResult Run(const std::string& program, const std::string& argument) = 0;
};

// The system's runner. With COMSPEC set, the command line "program 'argument'" goes through
// that interpreter (called as COMSPEC -c LINE, the argument quoted for it); a status of 127 from
// the interpreter, its "command not found", counts as not started. Without COMSPEC the program is
// found on PATH and run directly with the argument.
class SystemProcessRunner : public ProcessRunner {
 public:
  ProcessResult Run(const std::string& program, const std::string& argument) override;
};

// value quoted for the POSIX shell: in single quotes, each quote inside written as '\''.
std::string ShellQuoted(const std::string& value);
