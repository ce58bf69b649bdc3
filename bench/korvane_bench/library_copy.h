#pragma once

#include <cstdint>
#include <string>

// A fresh copy of a library directory in a scratch directory of its own, for the bench commands
// that edit: the original is never written. The copy goes when the object does.
class LibraryCopy {
 public:
  // Throws Error "BENCH" when the scratch directory cannot be made.
  explicit LibraryCopy(const std::string& source);
  ~LibraryCopy();
  LibraryCopy(const LibraryCopy&) = delete;
  LibraryCopy& operator=(const LibraryCopy&) = delete;

  const std::string& Path() const { return path_; }
  // The bytes of the files of the copy.
  uintmax_t Bytes() const;

 private:
  std::string scratch_;
  std::string path_;
};
