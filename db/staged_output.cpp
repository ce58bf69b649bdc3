#include "db/staged_output.h"

#include <sys/stat.h>

#include <cstdio>

const std::string& StagedOutput::Begin(const std::string& target) {
  Discard();
  target_ = target;
  // A device or a pipe is written as it stands: it cannot be replaced by a file.
  struct stat info;
  if (stat(target.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) return target_;
  temp_ = target + ".tmp";
  pending_ = true;
  return temp_;
}

bool StagedOutput::Commit() {
  if (!pending_) return true;
  if (std::rename(temp_.c_str(), target_.c_str()) != 0) return false;
  pending_ = false;
  return true;
}

void StagedOutput::Discard() {
  if (!pending_) return;
  std::remove(temp_.c_str());
  pending_ = false;
}
