#pragma once

#include <cstdint>
#include <string>

class Library;

// The jobs that give a canvas its library: opening a library directory and importing a
// layout file into a new one, and the tail they share. They throw Error; the canvas shows it.

enum class LayoutFormat { kGds, kOasis };

// What a canvas shows of a library just opened or imported.
struct OpenedLibrary {
  // The first root, -1 when the library has none (only a placement cycle, or nothing at all).
  int32_t topCellId = -1;
  // Every level of the hierarchy.
  int32_t depth = 1;
};

// Reads the layout file at path into library, a new library of its own directory, which is
// created when missing once the file has opened. GDSII is read as gzip when its name ends in ".gz"; OASIS is always
// read plain. After a failure a directory created here is removed again with what the import
// wrote into it; a directory that existed before stays.
void ImportLayout(LayoutFormat format, const std::string& path, Library& library);

// Gives every layer its default colour and picks the cell to show and the depth.
OpenedLibrary FinishLibraryOpen(Library& library);
