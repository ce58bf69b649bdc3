#pragma once

#include <string>

// A file written under a temporary name beside its target ("<target>.tmp") and put in place
// only once complete: synced to the disk, renamed over the target, and the directory synced
// (durable_file.h). An output that fails, a process that is killed or a power cut never leaves
// a partial file under the target's name. The temporary file is removed unless committed. A
// target that exists and is not a regular file (a device, a pipe) is written directly.
class StagedOutput {
 public:
  StagedOutput() = default;
  ~StagedOutput() { Discard(); }
  StagedOutput(const StagedOutput&) = delete;
  StagedOutput& operator=(const StagedOutput&) = delete;

  // Starts an output to target (discarding one still pending); gives the path to write to.
  const std::string& Begin(const std::string& target);
  // Puts the written file in place; nothing to do when nothing is pending (already committed,
  // or never begun). A failure throws Error(tag, "Cannot write file ...") and removes the
  // temporary file; the target is then as it was, unless only the final directory sync failed.
  void Commit(const char* tag);
  // Removes the temporary file of a pending output.
  void Discard();
  const std::string& Target() const { return target_; }

 private:
  std::string target_;
  std::string temp_;
  bool pending_ = false;
};
