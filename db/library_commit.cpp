// How a save reaches the disk so that a kill of the process or a power cut at any step leaves
// a library that opens with exactly its old contents or exactly its new ones.
//
// 1. The cell data files the save appended to are synced (and checked to end where the
//    sections written into them end): "info" will name those sections.
// 2. Each index file due is written to "<file>.tmp" and synced.
// 3. Commit point. When one index file is due, its rename over the old file is the commit.
//    When several are, the directory is synced (the temporary files are there) and the empty
//    file "commit" is created and the directory synced again: from then on the temporary files
//    are the library. They are renamed over the old files, "info" last, the directory synced,
//    and "commit" removed and the directory synced.
// 4. Opening a library, or saving it, first finishes a commit that was cut short: while
//    "commit" exists, every temporary index file is renamed over its file. Temporary files
//    without "commit" are what a save left before its commit point; nothing reads them, and the
//    next save that replaces several files removes them before it commits.
//
// The file formats are unchanged: a library saved here opens in code that knows nothing of
// "commit", and one that such code saved opens here. Only a library whose commit was cut short
// must be opened here first, or it shows the mixture of old and new files that code would.
#include <sys/stat.h>

#include <string>
#include <vector>

#include "db/binary_file.h"
#include "db/durable_file.h"
#include "db/error.h"
#include "db/library.h"
#include "db/library_lock.h"

namespace {

// The index files a commit may replace, in the order of their renames: "info" last, so that
// even a commit finished only partly by older code never pairs a new "info" with old names.
constexpr const char* kIndexFiles[] = {"texts", "names", "parents", "info", "info.gz"};

bool FileExists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

int64_t FileSize(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? int64_t(info.st_size) : -1;
}

// An index file due, by its library flag bit, and where it goes.
struct StagedIndexFile {
  std::string target;
  uint32_t bit;
  std::string Temp() const { return target + ".tmp"; }
};

void CreateEmptyFile(const std::string& path) {
  BinaryFile file(kTagLibOut);
  if (!file.Open(path, true, false)) throw Error(kTagLibOut, "Cannot write file " + path);
  file.Close();
}

}  // namespace

void Library::LockDirectory() {
  if (!lock_ || !lock_->Held()) lock_ = LibraryLock::Acquire(directory);
}

void Library::FinishPendingCommit() {
  const std::string marker = IndexPath(kCommitFile);
  if (!FileExists(marker)) return;
  for (const char* file : kIndexFiles) {
    const std::string temp = IndexPath(file) + ".tmp";
    if (FileExists(temp)) RenameFile(temp, IndexPath(file), kTagLibOut);
  }
  SyncDirectory(directory, kTagLibOut);
  RemoveFile(marker);
  SyncDirectory(directory, kTagLibOut);
}

void Library::SyncCellFiles() {
  if (dataFile_.IsOpen() && dataFile_.IsWriting()) CloseCellFile();
  for (const auto& [id, end] : unsyncedCellFiles_) {
    const std::string path = DataPath(id);
    // A writer that took no lock (an older program) appending at the same time would have
    // moved the sections away from the positions counted for them.
    if (end >= 0 && FileSize(path) != end) throw Error(kTagLibOut, "Cannot write file " + path);
    SyncFile(path, kTagLibOut);
  }
  if (cellFileCreated_) SyncDirectory(directory, kTagLibOut);
  unsyncedCellFiles_.clear();
  cellFileCreated_ = false;
}

void Library::WriteIndexFiles(uint32_t files) {
  // In rename order, "info" last.
  std::vector<StagedIndexFile> pending;
  if ((files & kLibTextsDirty) && !strings.empty()) pending.push_back({IndexPath("texts"), kLibTextsDirty});
  if (files & kLibNamesDirty) pending.push_back({IndexPath("names"), kLibNamesDirty});
  if ((files & kLibParentsDirty) && records.size() == cells.size()) {
    pending.push_back({IndexPath("parents"), kLibParentsDirty});
  }
  if (files & kLibInfoDirty) pending.push_back({IndexPath(gzip ? "info.gz" : "info"), kLibInfoDirty});
  if (pending.empty()) return;
  LockDirectory();
  FinishPendingCommit();
  SyncCellFiles();
  const bool several = pending.size() > 1;
  if (several) {
    for (const char* file : kIndexFiles) RemoveFile(IndexPath(file) + ".tmp");
  }
  const std::string marker = IndexPath(kCommitFile);
  try {
    for (const StagedIndexFile& file : pending) {
      WriteIndexFile(file.bit, file.Temp());
      SyncFile(file.Temp(), kTagLibOut);
    }
    if (several) {
      SyncDirectory(directory, kTagLibOut);
      CreateEmptyFile(marker);
      SyncDirectory(directory, kTagLibOut);
    } else {
      RenameFile(pending[0].Temp(), pending[0].target, kTagLibOut);
    }
  } catch (...) {
    RemoveFile(marker);
    for (const StagedIndexFile& file : pending) RemoveFile(file.Temp());
    throw;
  }
  // Past the commit point a failure leaves the new files to the next open or save.
  for (size_t i = 0; several && i < pending.size(); ++i) RenameFile(pending[i].Temp(), pending[i].target, kTagLibOut);
  SyncDirectory(directory, kTagLibOut);
  if (several) {
    RemoveFile(marker);
    SyncDirectory(directory, kTagLibOut);
  }
  for (const StagedIndexFile& file : pending) {
    flags &= ~file.bit;
    if (file.bit == kLibNamesDirty) flags |= kLibNamesWritten;
    if (file.bit == kLibInfoDirty) flags |= kLibOnDisk;
  }
}

void Library::WriteIndexFile(uint32_t bit, const std::string& path) {
  switch (bit) {
    case kLibTextsDirty: WriteTexts(path); break;
    case kLibNamesDirty: WriteNames(path); break;
    case kLibParentsDirty: WriteParents(path); break;
    default: WriteInfo(path); break;
  }
}

void Library::Save() {
  // "info" must follow new cell sections; it stays due until written, even when this save
  // fails after the cells.
  if (flags & kLibCellsChanged) {
    flags |= kLibInfoDirty;
    WriteChangedCells();
  }
  WriteIndexFiles(flags & (kLibInfoDirty | kLibNamesDirty | kLibTextsDirty | kLibParentsDirty));
}
