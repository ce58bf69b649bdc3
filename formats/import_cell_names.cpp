#include "formats/import_cell_names.h"

#include "db/layout_limits.h"
#include "db/library.h"
#include "formats/detail_warning.h"

ImportCellNames::ImportCellNames(Library& library, int32_t detailLimit)
    : library_(library), detailLimit_(detailLimit) {}

int32_t ImportCellNames::Find(const std::string& name) {
  if (HasControlCharacter(name)) {
    auto known = withControls_.find(name);
    return known == withControls_.end() ? -1 : int32_t(known->second);
  }
  const int32_t found = library_.FindIndex(name);
  if (found < 0) return -1;
  auto giving = givingWay_.find(uint32_t(found));
  if (giving == givingWay_.end()) return found;
  MoveOn(uint32_t(found), giving->second);
  return -1;
}

uint32_t ImportCellNames::Create(const std::string& name) {
  const std::string stored = StoredName(name);
  const uint32_t id = library_.CreateCell(stored);
  Note(name, stored, id);
  return id;
}

void ImportCellNames::Name(uint32_t id, const std::string& name) {
  const std::string stored = StoredName(name);
  library_.cells[id]->name = &library_.nameMap.emplace(stored, id).first->first;
  Note(name, stored, id);
}

void ImportCellNames::MarkGenerated(uint32_t id, const std::string& suffix) { givingWay_[id] = suffix; }

std::string ImportCellNames::StoredName(const std::string& name) const {
  if (!HasControlCharacter(name)) return name;
  const std::string replaced = ReplaceControlCharacters(name);
  return library_.nameMap.count(replaced) ? library_.MakeCellName(replaced, "", 1) : replaced;
}

void ImportCellNames::Note(const std::string& name, const std::string& stored, uint32_t id) {
  if (stored == name) return;
  withControls_.emplace(name, id);
  givingWay_[id] = "";
  ++replaced_;
  DetailWarning(warnings_, detailLimit_, "Warning: control characters in cell name replaced, stored as %s\n",
                stored.c_str());
}

void ImportCellNames::MoveOn(uint32_t id, const std::string& suffix) {
  Cell& cell = *library_.cells[id];
  auto entry = library_.nameMap.find(cell.Name());
  const std::string moved = library_.MakeCellName(entry->first, suffix, 1);
  // Only replacements are reported: generated names are the reader's own.
  if (suffix.empty()) {
    DetailWarning(warnings_, detailLimit_, "Warning: cell %s renamed %s, the file names another cell so\n",
                  entry->first.c_str(), moved.c_str());
  }
  cell.name = &library_.nameMap.emplace(moved, id).first->first;
  library_.nameMap.erase(entry);
}
