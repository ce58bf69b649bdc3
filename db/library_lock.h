#pragma once

#include <memory>
#include <string>

// The advisory lock that makes a process the one writer of a library directory: an exclusive
// flock on the file "lock" inside it, which the kernel releases when the process ends, however
// it ends, so that a crash leaves nothing stale. Within one process every library on the same
// directory shares the one lock (a process's windows on one library share one Library; tests
// and tools may open a second for reading).
class LibraryLock {
 public:
  // The lock of directory for this process, taken when no library of the process holds it yet.
  // Throws Error(kTagLibLock, "Library <directory> is in use by another Korvane") when another
  // process holds it. A directory that cannot take the lock file (missing, read-only, on a
  // file system without locks) is not locked.
  static std::shared_ptr<LibraryLock> Acquire(const std::string& directory);

  ~LibraryLock();
  // False for a directory that could not take the lock.
  bool Held() const { return fd_ >= 0; }
  LibraryLock(const LibraryLock&) = delete;
  LibraryLock& operator=(const LibraryLock&) = delete;

 private:
  explicit LibraryLock(int fd) : fd_(fd) {}

  // The lock file's descriptor; -1 for a directory that could not be locked.
  int fd_;
};
