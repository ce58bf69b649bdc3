#pragma once

// A library held open by another process, for tests of the one-writer lock: a child process
// opens it and keeps it open until the object is destroyed.
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "db/error.h"
#include "db/library.h"

namespace libtest {

class OtherProcessLibrary {
 public:
  // Returns once the child holds the library open (Opened() tells whether it could).
  explicit OtherProcessLibrary(const std::string& directory) {
    int ready[2], release[2];
    if (::pipe(ready) != 0 || ::pipe(release) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ready[0]);
      ::close(release[1]);
      char opened = 0;
      try {
        // Never destroyed: the child ends with _exit, and the kernel releases the lock then.
        Library* library = new Library(directory, false);
        library->Open();
        opened = 1;
      } catch (const Error&) {
      }
      char ignored;
      if (::write(ready[1], &opened, 1) == 1) (void)!::read(release[0], &ignored, 1);
      ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    release_ = release[1];
    char opened = 0;
    opened_ = ::read(ready[0], &opened, 1) == 1 && opened == 1;
    ::close(ready[0]);
  }
  ~OtherProcessLibrary() {
    if (release_ >= 0) ::close(release_);
    if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
  }
  OtherProcessLibrary(const OtherProcessLibrary&) = delete;
  OtherProcessLibrary& operator=(const OtherProcessLibrary&) = delete;

  bool Opened() const { return opened_; }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
  bool opened_ = false;
};

}  // namespace libtest
