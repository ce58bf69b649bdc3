#pragma once

#include <cstdint>

class Cell;
class Library;
struct ImportRecord;

// Writes a cell that an import has built into the library's current cell data file: per layer
// key in ascending order its shapes, merged in record order, then its texts, then its
// placements from the import record, sorted by CompareByKeyThenX with each placement equal to
// the one before dropped. Every key written joins the library's layer map. The record is
// marked written and gives its placements up (the end of the import reads them back); the
// cell's contents are released and it is left unloaded, so that its memory is free for the
// next cell. Returns the number of duplicate placements dropped.
int64_t WriteImportedCell(Library& library, Cell& cell, ImportRecord& record);
