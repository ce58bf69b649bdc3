#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class CanvasPrompts;
class Library;

// Choosing a cell by name in libraries of tens of thousands of cells, in two short steps: a
// wildcard search, and a chooser that pages through the sorted names in blocks.

constexpr size_t kCellBlockSize = 1000;

// True when name matches pattern as a whole: '*' stands for any run of characters (also
// none), '?' for exactly one; every other character for itself, case-sensitive.
bool MatchesCellPattern(const std::string& pattern, const std::string& name);

// A list of cell names to choose from and the message that goes with it.
struct CellList {
  std::vector<std::string> names;
  std::string message;
};

// The names of library, in name-map order, that match pattern.
std::vector<std::string> MatchingCellNames(const Library& library, const std::string& pattern);

// The block chooser: up to kCellBlockSize names give the list of all of them; more names are
// first offered as the starts of their blocks ("Open Cell"), and the chosen block becomes the
// list. Nothing when that choice is cancelled.
std::optional<CellList> ChooseCell(const Library& library, CanvasPrompts& prompts);

// The wildcard search: asks for a pattern ("*" goes to the block chooser), asks again while it
// matches nothing, and shows the matches with caption title. The chosen name, or "" for
// Cancel at any step.
std::string OpenCell(const Library& library, CanvasPrompts& prompts, const std::string& title);
