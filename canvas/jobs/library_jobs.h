#pragma once

#include <string>

class Library;

// The job that gives a view a library made from a layout file: the import into a new library.
// It throws Error; the view shows it.

enum class LayoutFormat { kGds, kOasis };

// Reads the layout file at path into library, a new library of its own directory, which is
// created when missing once the file has opened. GDSII is read as gzip when its name ends in ".gz"; OASIS is always
// read plain. After a failure a directory created here is removed again with what the import
// wrote into it; a directory that existed before stays.
void ImportLayout(LayoutFormat format, const std::string& path, Library& library);
