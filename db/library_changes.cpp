// The change notes of the library: what each kind of edit makes due for saving.
#include <algorithm>

#include "db/library.h"

void Library::NoteCellEdited(Cell& cell, const Box& boxBefore) {
  cell.flags |= kCellModified;
  flags |= kLibCellsChanged;
  if (cell.box != boxBefore) flags |= kLibInfoDirty | kLibHierarchyDirty;
  MoveEditGeneration();
}

void Library::NotePlacementsChanged(Cell& holder) {
  holder.flags = uint16_t((holder.flags | kCellModified) & ~kCellNoPlacements);
  flags |= kLibCellsChanged | kLibParentsDirty;
  MoveEditGeneration();
}

void Library::NoteElementRemoved(const Cell& cell, const Box& elementBox) {
  if (elementBox.Overlaps(cell.box)) flags |= kLibHierarchyDirty;
}

void Library::NoteInfoChanged() { flags |= kLibInfoDirty; }

void Library::NoteHierarchyChanged() { flags |= kLibHierarchyDirty; }

uint32_t Library::CreateEditedCell(const std::string& cellName) {
  const uint32_t id = CreateCell(cellName);
  cells[id]->flags |= kCellModified;
  flags |= kLibInfoDirty | kLibNamesDirty | kLibCellsChanged;
  MoveEditGeneration();
  return id;
}

void Library::DeleteCell(uint32_t id) {
  Cell* cell = GetCell(id);
  if (!cell) return;
  auto entry = nameMap.find(cell->Name());
  const std::string* key = cell->name;
  cells[id].reset();
  int32_t sharer = -1;
  for (size_t other = 0; other < cells.size() && sharer < 0; ++other) {
    if (cells[other] && cells[other]->name == key) sharer = int32_t(other);
  }
  if (entry != nameMap.end() && &entry->first == key) {
    if (sharer >= 0) {
      entry->second = uint32_t(sharer);
    } else {
      nameMap.erase(entry);
    }
  }
  // Until the next recalculation the roots and the order must not name the empty slot.
  for (std::vector<uint32_t>* ids : {&roots, &order}) ids->erase(std::remove(ids->begin(), ids->end(), id), ids->end());
  flags |= kLibInfoDirty | kLibNamesDirty | kLibHierarchyDirty | kLibParentsDirty;
  MoveEditGeneration();
}

uint32_t Library::AddEditedString(const std::string& text) {
  if (textMap.find(text) == textMap.end()) flags |= kLibTextsDirty;
  return AddString(text);
}

void Library::NoteHierarchyRecalculated() {
  flags = (flags | kLibInfoDirty) & ~kLibHierarchyDirty;
  MoveEditGeneration();
}

bool Library::HasUnsavedChanges() const {
  return (flags & (kLibInfoDirty | kLibNamesDirty | kLibCellsChanged | kLibTextsDirty | kLibHierarchyDirty)) != 0;
}
