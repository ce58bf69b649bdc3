#pragma once

#include <cstdint>
#include <string>

class Library;

// What a view shows of a library just opened or imported.
struct OpenedLibrary {
  // The first root, -1 when the library has none (only a placement cycle, or nothing at all).
  int32_t topCellId = -1;
  // Every level of the hierarchy.
  int32_t depth = 1;
};

// Gives every layer its default colour and picks the cell to show and the depth.
OpenedLibrary FinishLibraryOpen(Library& library);

// The "Wrong Usage" refusal of a new library or an import in a directory that holds a library:
// writing there would write over a library that a window may show.
std::string HoldsLibraryRefusal(const std::string& directory);
