#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class Cell;
class Library;

// Placements read for one pass over the hierarchy and let go again when it ends. A cell that
// is not in memory gets only its placement section; the ids of the cells read so are kept
// here, not in the cells' flags, so that a drawing pass or another command in between can
// neither clear the mark nor take such a half-read cell for a loaded one. The destructor
// unloads them, also when the pass ends by an Error.
class TemporaryPlacements {
 public:
  explicit TemporaryPlacements(Library& library) : library_(library) {}
  ~TemporaryPlacements();
  TemporaryPlacements(const TemporaryPlacements&) = delete;
  TemporaryPlacements& operator=(const TemporaryPlacements&) = delete;

  // The cell with its placements in memory, or null for a missing cell. A cell without
  // contents in memory has its placements read (Library::LoadCellReferences) and is unloaded
  // again by the destructor; Errors of the read propagate.
  Cell* WithPlacements(uint32_t id);
  // True when the cell has nothing in memory: no layer records, shape lists or texts.
  static bool IsUnloaded(const Cell& cell);
  size_t Count() const { return loaded_.size(); }

 private:
  Library& library_;
  std::vector<uint32_t> loaded_;
};
