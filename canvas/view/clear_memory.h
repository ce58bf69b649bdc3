#pragma once

#include <cstdint>
#include <set>

class Cell;
class Library;

// Clear Memory: the contents of the cells that no window needs are unloaded, to be read again
// from the library's data files when next drawn.

// True when Clear Memory keeps the cell's contents: it is shown in a window (shown), not
// loaded (no layer records or shape lists), modified, not on disk (its contents could not be
// read back), or its box is not proper (x1 < x2 and y1 < y2).
bool ClearMemoryKeep(const Cell& cell, bool shown);

// Unloads every cell of library that ClearMemoryKeep lets go, the cells with ids in shown
// being the shown ones, and clears their loading-pass flag. Every pointer into the contents of
// an unloaded cell is stale afterwards: the caller first drops the selections and pick paths of
// every view on the library. Returns the number of cells unloaded.
int64_t ClearMemory(Library& library, const std::set<uint32_t>& shown);
