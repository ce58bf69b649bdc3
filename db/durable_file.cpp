#include "db/durable_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "db/disk_events.h"
#include "db/error.h"

namespace {

void Note(DiskEvent::Kind kind, const std::string& path, const std::string& target = std::string()) {
  if (!DiskEventsRecorded()) return;
  DiskEvent event;
  event.kind = kind;
  event.path = path;
  event.target = target;
  NoteDiskEvent(event);
}

// Opens path read-only (a directory too) and syncs it: data only for a file, whose size is
// synced with it, everything for a directory.
bool Synced(const std::string& path, bool directory) {
  if (InjectedDiskFault()) return false;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | (directory ? O_DIRECTORY : 0));
  if (fd < 0) return false;
  bool synced = (directory ? ::fsync(fd) : ::fdatasync(fd)) == 0;
  return ::close(fd) == 0 && synced;
}

}  // namespace

void SyncFile(const std::string& path, const char* tag) {
  if (!Synced(path, false)) throw Error(tag, "Cannot write file " + path);
  Note(DiskEvent::Kind::kSync, path);
}

void SyncDirectory(const std::string& directory, const char* tag) {
  if (!Synced(directory, true)) throw Error(tag, "Cannot write file " + directory);
  Note(DiskEvent::Kind::kSyncDirectory, directory);
}

void RenameFile(const std::string& from, const std::string& to, const char* tag) {
  if (InjectedDiskFault() || std::rename(from.c_str(), to.c_str()) != 0) throw Error(tag, "Cannot write file " + to);
  Note(DiskEvent::Kind::kRename, from, to);
}

void RemoveFile(const std::string& path) {
  if (::unlink(path.c_str()) == 0) Note(DiskEvent::Kind::kRemove, path);
}

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}
