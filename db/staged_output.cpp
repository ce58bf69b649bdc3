#include "db/staged_output.h"

#include <sys/stat.h>

#include "db/durable_file.h"

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

void StagedOutput::Commit(const char* tag) {
  if (!pending_) return;
  try {
    SyncFile(temp_, tag);
    RenameFile(temp_, target_, tag);
  } catch (...) {
    Discard();
    throw;
  }
  pending_ = false;
  SyncDirectory(DirectoryOf(target_), tag);
}

void StagedOutput::Discard() {
  if (!pending_) return;
  RemoveFile(temp_);
  pending_ = false;
}
