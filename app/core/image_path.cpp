#include "app/core/image_path.h"

std::string CompleteImagePath(const std::string& path, const std::string& extension) {
  const size_t nameStart = path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/') + 1;
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || dot <= nameStart) return path + "." + extension;
  if (dot + 1 == path.size()) return path + extension;
  return path;
}
