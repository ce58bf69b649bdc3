#pragma once

#include <string>

// The title of a further window on a cell, from the title of the window it is opened from (a
// path): a directory's path gains the cell name as a new last component; any other path has
// its last component replaced by it.
std::string CellWindowTitle(const std::string& title, bool titleIsDirectory, const std::string& cellName);
