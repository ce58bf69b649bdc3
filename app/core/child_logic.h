#pragma once

#include <cstdint>
#include <string>

// Decisions of the main frame and the child windows that need no window: where an imported
// file's library goes, how a dropped path is opened, when closing must ask, and how a child's
// panes are laid out.

// The automatic library directory of an imported file: in cwd, named after the file's name
// less its last extension, plus ".db" (chip.gds -> cwd/chip.db, chip.gds.gz -> chip.gds.db,
// chip -> chip.db). A leading dot starts the name, not an extension.
std::string AutoLibraryDir(const std::string& file, const std::string& cwd);

enum class DropRoute { kLibrary, kGds, kOasis };

// A directory opens as a library; a file whose last extension is exactly "oas" (case matters)
// is OASIS, any other file GDSII.
DropRoute RouteDrop(const std::string& path, bool isDirectory);

// Closing the main frame asks only when it can be refused and more than three windows are open.
bool ConfirmNeeded(int childWindowCount, bool canVeto);

// A child window is laid out again only when a side changed by more than 20 pixels.
bool NeedsRelayout(int oldWidth, int oldHeight, int newWidth, int newHeight);

struct PaneRect {
  int x, y, width, height;
};
struct PaneLayout {
  PaneRect tree, canvas, panel, status;
};

// Tree at the left edge, the layer panel at the right edge and the canvas between, above the
// child's status bar. Every size is at least 1, also for a client too small for the panes.
PaneLayout LayoutPanes(int clientWidth, int clientHeight, int treeWidth, int panelWidth, int statusHeight);

// Scroll units of a canvas side of that many pixels at 20 pixels per unit.
int ScrollUnits(int pixels);
