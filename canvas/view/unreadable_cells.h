#pragma once

#include <cstdint>
#include <string>
#include <vector>

class Cell;
class Library;

// The cells of a library whose data could not be read while drawing. Each is reported once
// (logged); later passes skip it without reading again and draw the rest.
class UnreadableCells {
 public:
  // Loads cell (id) when it is not loaded yet; false for a cell that cannot be read, now or
  // in an earlier pass.
  bool Load(Library& library, Cell& cell, uint32_t id);
  // The "ERROR: tag: message" lines of the cells found unreadable since the last call.
  std::vector<std::string> TakeNewReports();
  // Forgets every cell (for another library).
  void Clear();

 private:
  std::vector<uint8_t> unreadable_;
  std::vector<std::string> reports_;
};
