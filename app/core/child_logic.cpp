#include "app/core/child_logic.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "db/library.h"

namespace fs = std::filesystem;

namespace {

// The position of the dot that starts the last extension in name, or npos.
std::string::size_type LastExtensionDot(const std::string& name) {
  const auto dot = name.rfind('.');
  return dot == 0 ? std::string::npos : dot;
}

}  // namespace

std::string AutoLibraryDir(const std::string& file, const std::string& cwd) {
  std::string name = fs::path(file).filename().string();
  const auto dot = LastExtensionDot(name);
  if (dot != std::string::npos) name.erase(dot);
  return (fs::path(cwd) / (name + ".db")).string();
}

DropRoute RouteDrop(const std::string& path, bool isDirectory) {
  if (isDirectory) return DropRoute::kLibrary;
  const std::string name = fs::path(path).filename().string();
  const auto dot = LastExtensionDot(name);
  if (dot != std::string::npos && name.compare(dot + 1, std::string::npos, "oas") == 0) return DropRoute::kOasis;
  return DropRoute::kGds;
}

bool ConfirmNeeded(int childWindowCount, bool canVeto) { return canVeto && childWindowCount > 3; }

bool NeedsRelayout(int oldWidth, int oldHeight, int newWidth, int newHeight) {
  return std::abs(newWidth - oldWidth) > 20 || std::abs(newHeight - oldHeight) > 20;
}

PaneLayout LayoutPanes(int clientWidth, int clientHeight, int treeWidth, int panelWidth, int statusHeight) {
  const int height = std::max(1, clientHeight - statusHeight);
  const int canvasWidth = std::max(1, clientWidth - treeWidth - panelWidth);
  PaneLayout layout;
  layout.tree = {0, 0, std::max(1, treeWidth), height};
  layout.canvas = {treeWidth, 0, canvasWidth, height};
  layout.panel = {treeWidth + canvasWidth, 0, std::max(1, panelWidth), height};
  layout.status = {0, height, std::max(1, clientWidth), std::max(1, statusHeight)};
  return layout;
}

int ScrollUnits(int pixels) { return pixels / 20 + 1; }
