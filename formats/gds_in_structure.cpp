// Structures of the GDSII reader: cell definitions, placeholders, redefinitions, and the
// writing of each finished cell into the library's current data file.
#include "db/cell.h"
#include "db/error.h"
#include "db/library.h"
#include "db/log.h"
#include "formats/formatted_error.h"
#include "formats/gds_in.h"
#include "formats/gds_records.h"
#include "formats/import_cell_writer.h"

namespace {
constexpr const char* kTag = kTagGdsIn;
}  // namespace

Cell& GdsIn::CurrentCell() const { return *library_->cells[cellId_]; }

ImportRecord& GdsIn::CurrentRecord() const { return library_->importRecords[recordIndex_]; }

uint32_t GdsIn::NewCell(const std::string& name, bool withRecord) {
  Library& lib = *library_;
  uint32_t id = names_->Create(name);
  lib.importIndex.resize(lib.cells.size(), -1);
  if (withRecord) {
    lib.importIndex[id] = int32_t(lib.importRecords.size());
    lib.importRecords.push_back(ImportRecord{id, {}});
  }
  return id;
}

uint32_t GdsIn::CellForName(const std::string& name) {
  int32_t found = names_->Find(name);
  return found >= 0 ? uint32_t(found) : NewCell(name, false);
}

std::string GdsIn::ReadName() {
  std::string name = ReadString();
  if (name.empty()) throw Error(kTag, "Empty cell name");
  return name;
}

bool GdsIn::ReadStructure() {
  if (!ExpectRecord(gds::kBgnStr)) return false;
  ReadDates();
  if (!ExpectRecord(gds::kStrName)) throw Error(kTag, "GdsCell name record missing");
  std::string name = ReadName();
  warnings_.bufferedVertices = 0;
  warnings_.subCells = 0;
  Library& lib = *library_;
  int32_t found = names_->Find(name);
  if (found < 0) {
    cellId_ = NewCell(name, true);
  } else {
    cellId_ = uint32_t(found);
    Cell& cell = CurrentCell();
    cell.box = Box();
    // The earlier definition's section is no longer this cell's.
    cell.referencePosition = -1;
    cell.flags &= uint16_t(~kCellNoPlacements);
    if (lib.importIndex[cellId_] < 0) {
      lib.importIndex[cellId_] = int32_t(lib.importRecords.size());
      lib.importRecords.push_back(ImportRecord{cellId_, {}});
    } else {
      lib.importRecords[size_t(lib.importIndex[cellId_])].placements.clear();
      ++warnings_.redefinedCells;
    }
  }
  recordIndex_ = size_t(lib.importIndex[cellId_]);
  if (ExpectRecord(gds::kStrClass)) SkipRecordData();
  while (ReadElement()) {
  }
  if (warnings_.subCells > 0) StoreGeometry();
  Cell& cell = CurrentCell();
  if (warnings_.problemPolygons != 0) {
    LogMessage("%d problem polygons in cell %s\n", warnings_.problemPolygons, cell.Name());
    warnings_.problemPolygons = 0;
  }
  if (!ExpectRecord(gds::kEndStr)) {
    if (!AtEndOfFile()) throw Error(kTag, "Structure End record missing");
    LogMessage("Warning: Structure End missing at the end of file\n");
  }
  if (warnings_.subCells > 0) {
    LogMessage("Created %d cells under %s\n", warnings_.subCells, cell.Name());
    warnings_.subCells = 0;
  }
  WriteCell(cell, CurrentRecord());
  return true;
}

void GdsIn::WriteCell(Cell& cell, ImportRecord& record) {
  statistics_.duplicateReferences += int32_t(WriteImportedCell(*library_, cell, record));
}
