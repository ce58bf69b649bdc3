#pragma once

#include <string>

// A file written under a temporary name beside its target ("<target>.tmp") and renamed over the
// target only once complete: an output that fails, or a process that is killed, never leaves a
// partial file under the target's name. The temporary file is removed unless committed. A
// target that exists and is not a regular file (a device, a pipe) is written directly.
class StagedOutput {
 public:
  StagedOutput() = default;
  ~StagedOutput() { Discard(); }
  StagedOutput(const StagedOutput&) = delete;
  StagedOutput& operator=(const StagedOutput&) = delete;

  // Starts an output to target (discarding one still pending); gives the path to write to.
  const std::string& Begin(const std::string& target);
  // Renames the written file over the target; false when that fails. True when nothing is
  // pending (already committed, or never begun).
  bool Commit();
  // Removes the temporary file of a pending output.
  void Discard();
  const std::string& Target() const { return target_; }

 private:
  std::string target_;
  std::string temp_;
  bool pending_ = false;
};
