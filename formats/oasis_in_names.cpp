#include <cinttypes>

#include "db/cell.h"
#include "db/error.h"
#include "db/layout_limits.h"
#include "db/library.h"
#include "db/log.h"
#include "formats/formatted_error.h"
#include "formats/oasis_in.h"

namespace {

constexpr const char* kTag = kTagOasisIn;
// Reference numbers are cell ids: they stay below this, and below 16 times the cell records
// read so far plus 1024, so that no table grows far beyond what the file describes.
constexpr uint64_t kMaxReferenceNumber = 16777216;

}  // namespace

void OasisIn::ReadNameRecord(uint64_t recordId) {
  switch (recordId) {
    case 3:
    case 4: ReadCellName(recordId == 4); break;
    case 5:
    case 6: ReadTextString(recordId == 6); break;
    case 7:
    case 9: file_.ReadString(string_); break;
    case 8:
    case 10:
      file_.ReadString(string_);
      file_.ReadUnsigned();
      if (recordId == 8) ++statistics_.properties;
      break;
    case 11:
    case 12: ReadLayerName(); break;
    case 30:
    case 31:
      file_.ReadUnsigned();
      file_.ReadString(string_);
      if (recordId == 31) file_.ReadUnsigned();
      break;
    default: throw Error(kTag, "Unknown Name ID");
  }
}

void OasisIn::CountCellRecord() { ++cellRecords_; }

uint32_t OasisIn::CellForReference(uint64_t number) {
  if (number >= kMaxReferenceNumber || number >= 16 * (cellRecords_ + 1024)) {
    throw FormattedError(kTag, "Reference number %llu out of range", static_cast<unsigned long long>(number));
  }
  Library& lib = *library_;
  uint32_t id = uint32_t(number);
  if (id < lib.cells.size() && lib.cells[id]) {
    if (madeByName_[id]) {
      throw FormattedError(kTag, "Reference number %llu clashes with cell %s", static_cast<unsigned long long>(number),
                           lib.cells[id]->Name());
    }
    return id;
  }
  if (id >= lib.cells.size()) {
    lib.cells.resize(size_t(id) + 1);
    madeByName_.resize(lib.cells.size(), 0);
  }
  lib.cells[id] = std::make_unique<Cell>();
  lib.cells[id]->loaded = true;
  return id;
}

uint32_t OasisIn::CellForName(const std::string& name) {
  Library& lib = *library_;
  int32_t found = names_->Find(name);
  if (found >= 0) return uint32_t(found);
  uint32_t id = names_->Create(name);
  madeByName_.resize(lib.cells.size(), 0);
  madeByName_[id] = 1;
  return id;
}

void OasisIn::ReadCellName(bool explicitNumber) {
  Numbering numbering = explicitNumber ? kNumberingExplicit : kNumberingImplicit;
  if (cellNumbering_ != kNumberingNone && cellNumbering_ != numbering) {
    throw Error(kTag, "Mixed implicit and explicit CELLNAME records");
  }
  cellNumbering_ = numbering;
  file_.ReadString(string_);
  uint64_t number = explicitNumber ? file_.ReadUnsigned() : nextCellName_++;
  CountCellRecord();
  int32_t named = names_->Find(string_);
  if (named >= 0) {
    if (uint64_t(named) == number) return;
    throw FormattedError(kTag, "Duplicate CELLNAME %s", ReplaceControlCharacters(string_).c_str());
  }
  uint32_t id = CellForReference(number);
  if (library_->cells[id]->name) {
    throw FormattedError(kTag, "Duplicate CELLNAME %s", ReplaceControlCharacters(string_).c_str());
  }
  names_->Name(id, string_);
}

uint32_t OasisIn::StringForReference(uint64_t number) {
  auto found = textReferences_.find(number);
  if (found != textReferences_.end()) return found->second.index;
  Library& lib = *library_;
  uint32_t index = uint32_t(lib.strings.size());
  lib.strings.emplace_back();
  textReferences_.emplace(number, TextReference{index, false});
  return index;
}

void OasisIn::ReadTextString(bool explicitNumber) {
  Numbering numbering = explicitNumber ? kNumberingExplicit : kNumberingImplicit;
  if (textNumbering_ != kNumberingNone && textNumbering_ != numbering) {
    throw Error(kTag, "Mixed implicit and explicit TEXTSTRING records");
  }
  textNumbering_ = numbering;
  file_.ReadString(string_);
  uint64_t number = explicitNumber ? file_.ReadUnsigned() : nextTextString_++;
  uint32_t index = StringForReference(number);
  TextReference& reference = textReferences_[number];
  if (reference.defined) {
    throw FormattedError(kTag, "Duplicate TEXTSTRING %llu", static_cast<unsigned long long>(number));
  }
  reference.defined = true;
  library_->strings[index] = string_;
  library_->textMap.emplace(string_, index);
}

void OasisIn::ReadLayerName() {
  file_.ReadString(string_);
  for (int interval = 0; interval < 2; ++interval) {
    uint64_t type = file_.ReadUnsigned();
    if (type > 4) throw Error(kTag, "Error in LayerName");
    int values = type == 0 ? 0 : (type == 4 ? 2 : 1);
    for (int i = 0; i < values; ++i) file_.ReadUnsigned();
  }
}

void OasisIn::ResolveNames() {
  Library& lib = *library_;
  for (auto& entry : textReferences_) {
    if (entry.second.defined) continue;
    std::string placeholder = "#" + std::to_string(entry.first);
    LogMessage("Warning: text string #%llu not defined\n", static_cast<unsigned long long>(entry.first));
    lib.strings[entry.second.index] = placeholder;
    lib.textMap.emplace(placeholder, entry.second.index);
  }
  for (uint32_t id = 0; id < lib.cells.size(); ++id) {
    Cell* cell = lib.cells[id].get();
    if (!cell || cell->name) continue;
    std::string name = lib.MakeCellName("CELL", "", int(id));
    cell->name = &lib.nameMap.emplace(name, id).first->first;
    LogMessage("Warning: cell #%d has no name, named %s\n", int(id), name.c_str());
  }
}
