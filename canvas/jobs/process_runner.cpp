#include "canvas/jobs/process_runner.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

extern char** environ;

namespace {

// The interpreter's status for a command it could not find.
constexpr int kCommandNotFound = 127;

// Starts argv[0] (searched on PATH) and waits for it.
ProcessResult SpawnAndWait(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  // posix_spawnp reports a program that cannot be executed as its result.
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return {};
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return {};
  }
  ProcessResult result;
  result.started = true;
  if (WIFEXITED(status)) {
    result.exitStatus = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.exitStatus = 128 + WTERMSIG(status);
  }
  return result;
}

}  // namespace

std::string ShellQuoted(const std::string& value) {
  std::string out = "'";
  for (char c : value) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

ProcessResult SystemProcessRunner::Run(const std::string& program, const std::string& argument) {
  const char* interpreter = std::getenv("COMSPEC");
  if (!interpreter || !*interpreter) return SpawnAndWait({program, argument});
  ProcessResult result = SpawnAndWait({interpreter, "-c", ShellQuoted(program) + " " + ShellQuoted(argument)});
  if (result.started && result.exitStatus == kCommandNotFound) result.started = false;
  return result;
}
