#pragma once

// A scratch directory for the fuzz targets, and the input bytes written into a file there.
#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace fuzzscratch {

// One directory per target and process, emptied for every input.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& target)
      : path_("/tmp/korvane_fuzz_" + target + "_" + std::to_string(::getpid())) {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() { std::filesystem::remove_all(path_); }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline bool WriteFile(const std::string& path, const uint8_t* data, size_t size, bool compress) {
  if (compress) {
    gzFile gz = gzopen(path.c_str(), "wb");
    if (!gz) return false;
    bool ok = size == 0 || gzwrite(gz, data, unsigned(size)) == int(size);
    return gzclose(gz) == Z_OK && ok;
  }
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

}  // namespace fuzzscratch
