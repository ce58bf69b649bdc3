#include <sys/stat.h>

#include <cinttypes>
#include <cmath>
#include <cstring>
#include <new>

#include "db/cell.h"
#include "db/error.h"
#include "db/layout_limits.h"
#include "db/library.h"
#include "db/log.h"
#include "db/numeric.h"
#include "formats/formatted_error.h"
#include "formats/import_cell_writer.h"
#include "formats/oasis_in.h"
#include "formats/placement_cycles.h"

namespace {

constexpr const char* kTag = kTagOasisIn;
constexpr char kMagic[] = "%SEMI-OASIS\r\n";
constexpr int kMagicLength = 13;

}  // namespace

void OasisModalState::Reset() { *this = OasisModalState(); }

OasisIn::OasisIn(const OasisInSettings& settings) : settings_(settings) {}

void OasisIn::Open(const std::string& path) {
  file_.OpenForRead(path);
  struct stat info;
  fileSize_ = stat(path.c_str(), &info) == 0 ? int64_t(info.st_size) : 0;
}

void OasisIn::ReadLibrary(const std::string& path, Library& library) {
  Open(path);
  ReadLibrary(library);
}

void OasisIn::ReadLibrary(Library& library) {
  library_ = &library;
  names_.emplace(library, settings_.detailLimit);
  library.importIndex.resize(library.cells.size(), -1);
  // The repetition allowance keeps a well-formed file within memory; should memory run out
  // anyway, the import fails as any other refused file does.
  try {
    ReadRecords();
    ResolveNames();
    Report();
    FinishLibrary();
  } catch (const std::bad_alloc&) {
    throw Error(kTag, "Out of memory");
  }
}

uint8_t OasisIn::ReadByte() {
  uint8_t b;
  if (!file_.ReadByte(b)) throw Error(kTag, "Unexpected end of file");
  return b;
}

// A gzip stream (".oas.gz") is named as such: OASIS files are read uncompressed only.
void OasisIn::CheckMagic() {
  uint8_t bytes[kMagicLength];
  int count = 0;
  while (count < kMagicLength && file_.ReadByte(bytes[count])) ++count;
  if (count >= 2 && bytes[0] == 0x1f && bytes[1] == 0x8b) {
    throw Error(kTag, "Invalid Magic: gzip-compressed file, unzip it first");
  }
  if (count < kMagicLength || std::memcmp(bytes, kMagic, kMagicLength) != 0) throw Error(kTag, "Invalid Magic");
}

void OasisIn::ReadStart() {
  uint8_t id;
  if (!file_.ReadByte(id) || id != 1) throw Error(kTag, "Invalid Start");
  file_.ReadString(string_);
  double unit = file_.ReadFiniteReal("unit");
  if (!(unit > 0) || !IsStorableDbUnit(1e-6 / unit)) throw Error(kTag, "Invalid unit");
  library_->dbUnit = 1e-6 / unit;
  library_->unitsPerNm = NiceValue(1e-9 / library_->dbUnit);
  LogMessage("DB unit=%e meter\n", library_->dbUnit);
  tableOffsetsAtEnd_ = file_.ReadUnsigned() != 0;
  if (!tableOffsetsAtEnd_) ReadTableOffsets();
}

void OasisIn::ReadTableOffsets() {
  for (int i = 0; i < 12; ++i) file_.ReadUnsigned();
}

void OasisIn::ReadRecords() {
  CheckMagic();
  ReadStart();
  library_->strings.reserve(128);
  uint64_t id = file_.ReadUnsigned();
  for (;;) {
    switch (id) {
      case 0:
      case 29: break;
      case 2: ReadEnd(); return;
      case 13:
      case 14: id = ReadCellBody(id); continue;
      case 28: ReadProperty(); break;
      case 34:
        for (int i = 0; i < 3; ++i) file_.ReadUnsigned();
        throw Error(kTag, "CBlock not supported yet");
      default:
        if ((id >= 3 && id <= 12) || id == 30 || id == 31) {
          ReadNameRecord(id);
          break;
        }
        throw Error(kTag, "Unknown Record ID");
    }
    id = file_.ReadUnsigned();
  }
}

void OasisIn::ReadEnd() {
  BeginCell();
  if (tableOffsetsAtEnd_) ReadTableOffsets();
  SkipPadding();
  if (file_.ReadUnsigned() != 0) {
    for (int i = 0; i < 4; ++i) ReadByte();
  }
}

// The padding string of END. Writers pad END to its fixed size inside the length itself, as an
// unsigned integer of many redundant zero groups, so the length is read without a byte limit:
// groups beyond 64 bits must be zero.
void OasisIn::SkipPadding() {
  uint64_t length = 0;
  for (int shift = 0;; shift += 7) {
    uint8_t b = ReadByte();
    uint64_t group = b & 0x7f;
    if (shift >= 64 ? group != 0 : (shift > 57 && (group >> (64 - shift)) != 0)) {
      throw Error(kTag, "Integer out of range");
    }
    if (shift < 64) length |= group << shift;
    if (!(b & 0x80)) break;
  }
  if (length > file_.BytesLeft()) throw Error(kTag, "String defined but end of file");
  for (uint64_t i = 0; i < length; ++i) ReadByte();
}

void OasisIn::ReportProgress() {
  if (fileSize_ <= 0) return;
  double fraction = double(file_.Tell()) / double(fileSize_);
  if (fraction < 0.99 && fraction > lastFraction_ + 0.1) {
    lastFraction_ = fraction;
    LogMessage("%d%% read\n", int(fraction * 100));
  }
}

void OasisIn::ReadCellRecord(uint64_t recordId) {
  BeginCell();
  ReportProgress();
  if (recordId == 13) {
    uint64_t number = file_.ReadUnsigned();
    CountCellRecord();
    cellId_ = CellForReference(number);
  } else {
    file_.ReadString(string_);
    CountCellRecord();
    cellId_ = CellForName(string_);
  }
  modal_.Reset();
  cell_ = library_->cells[cellId_].get();
  cell_->box = Box();
  cell_->loaded = true;
  std::vector<int32_t>& index = library_->importIndex;
  if (index.size() < library_->cells.size()) index.resize(library_->cells.size(), -1);
  if (index[cellId_] >= 0) {
    library_->importRecords[size_t(index[cellId_])].placements.clear();
    ++statistics_.redefinedCells;
  }
  index[cellId_] = int32_t(library_->importRecords.size());
  recordIndex_ = index[cellId_];
  library_->importRecords.push_back(ImportRecord{cellId_, {}});
  ++statistics_.newCells;
}

uint64_t OasisIn::ReadCellBody(uint64_t recordId) {
  ReadCellRecord(recordId);
  for (;;) {
    uint64_t id = file_.ReadUnsigned();
    switch (id) {
      case 0:
      case 29: break;
      case 15: modal_.relative = false; break;
      case 16: modal_.relative = true; break;
      case 17:
      case 18: ReadPlacement(id); break;
      case 19: ReadText(); break;
      case 20: ReadRectangle(); break;
      case 21: ReadPolygon(); break;
      case 22: ReadPath(); break;
      case 23:
      case 24:
      case 25: ReadTrapezoid(id); break;
      case 26: ReadCTrapezoid(); break;
      case 27: ReadCircle(); break;
      case 28: ReadProperty(); break;
      case 32:
        file_.ReadUnsigned();
        file_.ReadString(string_);
        break;
      case 33: ReadXGeometry(); break;
      case 34:
        for (int i = 0; i < 3; ++i) file_.ReadUnsigned();
        throw Error(kTag, "CBlock not supported yet");
      default: return id;
    }
  }
}

void OasisIn::BeginCell() {
  if (!cell_) return;
  ImportRecord& record = library_->importRecords[size_t(recordIndex_)];
  int64_t duplicates = WriteImportedCell(*library_, *cell_, record);
  statistics_.duplicateReferences = SaturateToInt32(double(statistics_.duplicateReferences) + double(duplicates));
  cell_ = nullptr;
}

void OasisIn::ReadProperty() {
  uint8_t info = ReadByte();
  if (info & 0x04) {
    if (info & 0x02) {
      file_.ReadUnsigned();
    } else {
      file_.ReadString(string_);
    }
  }
  if (info & 0x08) return;
  uint64_t count = info >> 4;
  if (count == 15) count = file_.ReadUnsigned();
  // Each value takes at least one byte.
  if (count > file_.BytesLeft()) throw Error(kTag, "Unexpected end of file");
  OasisPropertyValue value;
  for (uint64_t i = 0; i < count; ++i) file_.ReadPropertyValue(value);
}

void OasisIn::ReadXGeometry() {
  uint8_t info = ReadByte();
  file_.ReadUnsigned();
  ReadLayerAndDatatype(info);
  file_.ReadString(string_);
  ReadPosition(info, 0x10, 0x08, modal_.geometryX, modal_.geometryY);
  ReadOptionalRepetition(info, 0x04);
}

void OasisIn::Report() {
  const Statistics& s = statistics_;
  LogMessage("\nDefined Layers:\n");
  for (const auto& layer : library_->layerMap) LogMessage("  %u %u\n", layer.first >> 8, layer.first & 0xff);
  LogMessage("\nTotal %d cells:\n", int(library_->CellCount()));
  if (s.redefinedCells > 0) {
    LogMessage("  Total %d cells newly defined and %d cells redefined\n", s.newCells, s.redefinedCells);
  } else {
    LogMessage("  Total %d cells newly defined\n", s.newCells);
  }
  LogMessage("  %d texts, %d circle, %d properties\n", s.texts, s.circles, s.properties);
  LogMessage("  %d polygon, %d path, %d box, %d trapezoid, %d 45, %d arbitrary angles\n", s.polygons, s.paths, s.boxes,
             s.trapezoids, s.angles45, s.arbitraryAngles);
  LogMessage("  %d single & %d arrary references (%d duplicates), %d magnifications\n", s.singleReferences,
             s.arrayReferences, s.duplicateReferences, s.magnifications);
  if (warnings_.shapesOutOfRange > 0) {
    LogMessage("  %d shapes beyond the coordinate range skipped\n", warnings_.shapesOutOfRange);
  }
  if (names_->Replaced() > 0) LogMessage("  %d cell names with control characters replaced\n", names_->Replaced());
  if (warnings_.arbitraryAngles > settings_.detailLimit || warnings_.points > settings_.detailLimit) {
    LogMessage("  Detailed problem reports are limited to %d cases\n", settings_.detailLimit);
  }
}

void OasisIn::FinishLibrary() {
  Library& lib = *library_;
  lib.FinishImport();
  lib.BuildHierarchy();
  CheckPlacementCycles(lib, kTag);
  lib.CollectRoots();
  lib.PropagateBoundingBoxes();
  LogMessage("Hierarchy depth = %u\n", lib.depth);
  for (uint32_t root : lib.roots) {
    const Cell& c = *lib.cells[root];
    LogMessage("  Root %s: (%d %d) - (%d %d) nm\n", c.Name(), Nm(c.box.x1), Nm(c.box.y1), Nm(c.box.x2), Nm(c.box.y2));
  }
  lib.CloseCellFile();
  lib.flags |= kLibOnDisk;
  lib.WriteIndexFiles(kLibInfoDirty | kLibNamesDirty | kLibTextsDirty | kLibParentsDirty);
}
