// The library level of the GDSII reader: the library header, the sequence of structures, the
// end of the library, the import report and the finishing of the library's index files.
#include <locale.h>
#include <cmath>

#include "db/error.h"
#include "db/layout_limits.h"
#include "db/library.h"
#include "db/log.h"
#include "db/numeric.h"
#include "formats/formatted_error.h"
#include "formats/gds_in.h"
#include "formats/gds_records.h"
#include "formats/placement_cycles.h"

namespace {

constexpr const char* kTag = kTagGdsIn;
constexpr size_t kReservedCells = 10000;

// Formats numbers of this thread in the C locale while it lives: the log must read the same
// whatever the user's LC_NUMERIC says ("%e", "%f").
class ClassicNumbers {
 public:
  ClassicNumbers() : classic_(newlocale(LC_ALL_MASK, "C", locale_t(0))) {
    if (classic_) previous_ = uselocale(classic_);
  }
  ~ClassicNumbers() {
    if (!classic_) return;
    uselocale(previous_);
    freelocale(classic_);
  }
  ClassicNumbers(const ClassicNumbers&) = delete;
  ClassicNumbers& operator=(const ClassicNumbers&) = delete;

 private:
  locale_t classic_;
  locale_t previous_ = LC_GLOBAL_LOCALE;
};

}  // namespace

void GdsIn::ReadLibrary(Library& library) {
  ClassicNumbers numbers;
  library_ = &library;
  ReadLibraryHeader();
  statistics_ = Statistics();
  library.importRecords.reserve(kReservedCells);
  library.importIndex.reserve(kReservedCells);
  library.importIndex.resize(library.cells.size(), -1);
  recordsAtStart_ = library.importRecords.size();
  names_.emplace(library, settings_.detailLimit);
  library.rollOverBytes = settings_.dataFileRollOver;
  while (ReadStructure()) {
  }
  ExpectLibraryEnd();
  if (library.CellCount() == 0) throw Error(kTag, "Empty library");
  Report();
  FinishLibrary();
}

void GdsIn::ReadLibraryHeader() {
  uint16_t version;
  if (!ReadHeader(version)) throw Error(kTag, "Library Header missing");
  library_->version = version;
  if (!ExpectRecord(gds::kBgnLib)) throw Error(kTag, "Library Begin missing");
  ReadDates();
  if (!ExpectRecord(gds::kLibName)) throw Error(kTag, "Library Name missing");
  // The name is the library's own ("names" line 1), which the exports write back as LIBNAME.
  if (DataLength() == 0) {
    LogMessage("Warning: Library has no name\n");
  } else {
    library_->name = ReadString();
  }
  for (int8_t dropped : {gds::kRefLibs, gds::kFonts, gds::kAttrTable, gds::kGenerations, gds::kFormat}) {
    if (ExpectRecord(dropped)) SkipRecordData();
  }
  if (!ExpectRecord(gds::kUnits)) throw Error(kTag, "UNITS missing (in GDSII)");
  ReadUnits();
}

void GdsIn::ReadUnits() {
  double userUnit = ReadReal("User unit defined but end of file");
  double dbUnit = ReadReal("DB unit defined but end of file");
  // Every later conversion (positions in nanometres, tile sides) divides by or scales with it.
  if (!std::isfinite(userUnit) || !IsStorableDbUnit(dbUnit)) {
    throw Error(kTag, "Invalid database unit");
  }
  library_->userUnit = userUnit;
  library_->dbUnit = dbUnit;
  library_->unitsPerNm = unitsPerNm_ = NiceValue(1e-9 / dbUnit);
  LogMessage("DB unit=%e meter\n", dbUnit);
}

long long GdsIn::Nm(int32_t v) const { return (long long)std::floor(double(v) / unitsPerNm_ + 0.5); }

void GdsIn::ExpectLibraryEnd() {
  if (ExpectRecord(gds::kEndLib)) return;
  if (AtEndOfFile()) {
    LogMessage("Warning: Library End missing at the end of file\n");
    return;
  }
  // A record that starts no structure: stopping here would silently drop the rest of the file.
  throw FormattedError(kTag, "Unexpected record type %d at byte %lld", uint8_t(RecordType()), (long long)(Tell() - 4));
}

void GdsIn::Report() const {
  const Library& lib = *library_;
  LogMessage("\nDefined Layers:\n");
  for (const auto& layer : lib.layerMap) LogMessage("  %u %u\n", layer.first >> 8, layer.first & 0xff);
  LogMessage("\nTotal %lld cells:\n", (long long)lib.CellCount());
  long long created = (long long)(lib.importRecords.size() - recordsAtStart_);
  if (warnings_.redefinedCells > 0) {
    LogMessage("  Total %lld cells newly defined and %d cells redefined\n", created, warnings_.redefinedCells);
  } else {
    LogMessage("  Total %lld cells newly defined\n", created);
  }
  const Statistics& s = statistics_;
  LogMessage("  %d texts, %d nodes, %d boxes, %d properties\n", s.texts, s.nodes, s.boxes, s.properties);
  LogMessage("  %d boundary & %d path geometries, %d 45, %d arbitrary angles\n", s.boundaries, s.paths, s.angles45,
             s.arbitraryAngles);
  LogMessage("  %d single & %d arrary references (%d duplicates), %d magnifications\n", s.singleReferences,
             s.arrayReferences, s.duplicateReferences, s.magnifications);
  if (warnings_.unsupportedLayers > 0) {
    LogMessage("  %d elements on unsupported layers skipped\n", warnings_.unsupportedLayers);
  }
  if (warnings_.shapesOutOfRange > 0) {
    LogMessage("  %d shapes beyond the coordinate range skipped\n", warnings_.shapesOutOfRange);
  }
  if (names_->Replaced() > 0) LogMessage("  %d cell names with control characters replaced\n", names_->Replaced());
  int32_t limit = settings_.detailLimit;
  if (s.arbitraryAngles > limit || warnings_.points > limit || warnings_.unknownRecords > limit ||
      warnings_.magnifications > limit || warnings_.roundPathEnds > limit) {
    LogMessage("  Detailed problem reports are limited to %d cases\n", limit);
  }
}

void GdsIn::FinishLibrary() {
  Library& lib = *library_;
  lib.FinishImport();
  lib.BuildHierarchy();
  CheckPlacementCycles(*library_, kTag);
  lib.CollectRoots();
  lib.PropagateBoundingBoxes();
  LogMessage("Hierarchy depth = %u\n", lib.depth);
  for (uint32_t id : lib.roots) {
    const Cell& cell = *lib.cells[id];
    LogMessage("  Root %s: (%lld %lld) - (%lld %lld) nm\n", cell.Name(), Nm(cell.box.x1), Nm(cell.box.y1),
               Nm(cell.box.x2), Nm(cell.box.y2));
  }
  lib.CloseCellFile();
  lib.flags |= kLibOnDisk;
  lib.WriteIndexFiles(kLibNamesDirty | kLibInfoDirty | kLibTextsDirty | kLibParentsDirty);
}
