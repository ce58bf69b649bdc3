#include "db/library_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <utility>

#include "db/error.h"

namespace {

// A directory by its device and inode, so that two spellings of one path meet.
using DirectoryKey = std::pair<dev_t, ino_t>;

struct HeldLock {
  // A child made by fork inherits this table but not the right to write: it counts as another
  // process.
  pid_t owner;
  std::weak_ptr<LibraryLock> lock;
};

std::map<DirectoryKey, HeldLock>& HeldLocks() {
  static std::map<DirectoryKey, HeldLock> held;
  return held;
}

}  // namespace

std::shared_ptr<LibraryLock> LibraryLock::Acquire(const std::string& directory) {
  struct stat info;
  if (stat(directory.c_str(), &info) != 0) return std::shared_ptr<LibraryLock>(new LibraryLock(-1));
  const DirectoryKey key(info.st_dev, info.st_ino);
  auto held = HeldLocks().find(key);
  if (held != HeldLocks().end() && held->second.owner == getpid()) {
    if (std::shared_ptr<LibraryLock> shared = held->second.lock.lock()) return shared;
  }
  const std::string path = directory + "/lock";
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::shared_ptr<LibraryLock>(new LibraryLock(-1));
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const bool taken = errno == EWOULDBLOCK;
    ::close(fd);
    if (taken) throw Error(kTagLibLock, "Library " + directory + " is in use by another Korvane");
    // A file system without locks.
    return std::shared_ptr<LibraryLock>(new LibraryLock(-1));
  }
  std::shared_ptr<LibraryLock> lock(new LibraryLock(fd));
  HeldLocks()[key] = HeldLock{getpid(), lock};
  return lock;
}

LibraryLock::~LibraryLock() {
  // Closing the last descriptor of the lock file releases the lock.
  if (fd_ >= 0) ::close(fd_);
}
