#include "app/core/cell_window_title.h"

std::string CellWindowTitle(const std::string& title, bool titleIsDirectory, const std::string& cellName) {
  if (titleIsDirectory) {
    const bool endsWithSlash = !title.empty() && title.back() == '/';
    return title + (endsWithSlash ? "" : "/") + cellName;
  }
  const size_t slash = title.rfind('/');
  return slash == std::string::npos ? cellName : title.substr(0, slash + 1) + cellName;
}
