#pragma once

#include <cstdint>
#include <map>
#include <string>

class Library;

// The cell names of one import, as the file spells them; one name means one cell all through the
// file. A name with control characters, which the line-based "names" file cannot hold, is stored
// with each of them replaced by "_"; when that name is taken, "_1", "_2" and so on is added, the
// first number that gives a free name. Such a replacement, and a name the reader generates,
// gives way to a cell that the file itself names so: its holder moves on to its name plus "_"
// and the suffix it was given plus the first free number. No two cells ever share a name.
class ImportCellNames {
 public:
  // Replacements are logged under the detail-limit rule with limit.
  ImportCellNames(Library& library, int32_t detailLimit);

  // The cell that the file calls name, or -1 when there is none yet. A cell that holds name
  // only as a replacement or a generated name gives it up first.
  int32_t Find(const std::string& name);
  // A new cell that the file calls name (Find gave -1), stored under the name described above.
  uint32_t Create(const std::string& name);
  // Gives cell id, made without a name, the one that the file calls it (Find gave -1).
  void Name(uint32_t id, const std::string& name);
  // Marks a cell the reader generated: its name gives way as described, with suffix.
  void MarkGenerated(uint32_t id, const std::string& suffix);
  // How many names with control characters were replaced.
  int32_t Replaced() const { return replaced_; }

 private:
  std::string StoredName(const std::string& name) const;
  void Note(const std::string& name, const std::string& stored, uint32_t id);
  void MoveOn(uint32_t id, const std::string& suffix);

  Library& library_;
  int32_t detailLimit_;
  int32_t warnings_ = 0;
  int32_t replaced_ = 0;
  // Names of the file with control characters, to their cells.
  std::map<std::string, uint32_t> withControls_;
  // Cells whose names give way, to the suffix of their next name.
  std::map<uint32_t, std::string> givingWay_;
};
