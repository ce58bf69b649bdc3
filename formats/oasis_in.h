#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "db/box.h"
#include "db/cell.h"
#include "db/hierarchy_record.h"
#include "db/poly/path_outline.h"
#include "db/poly/ring_set.h"
#include "formats/import_cell_names.h"
#include "formats/oasis_file.h"

class Cell;
class Library;

// The modal variables of an OASIS cell. Every one is undefined after Reset (which runs at each
// CELL record) but the positions, which are 0, and the xy mode, which is absolute. Values are
// kept in 64 bits and range-checked where they are used.
struct OasisModalState {
  OasisRepetition repetition;
  int64_t placementX = 0, placementY = 0;
  int64_t textX = 0, textY = 0;
  int64_t geometryX = 0, geometryY = 0;
  int64_t layer = -1, datatype = -1;
  int64_t textLayer = -1, textType = -1;
  int64_t width = -1, height = -1;
  int64_t halfWidth = -1;
  // Extension types: -1 undefined, 0 flush, 2 half-width, 3 explicit with its value.
  int32_t startExtensionType = -1, endExtensionType = -1;
  int64_t startExtension = 0, endExtension = 0;
  bool trapezoidVertical = false;
  int64_t trapezoidA = 0, trapezoidB = 0;
  int64_t ctrapezoidType = -1;
  int64_t radius = -1;
  bool polygonPointsDefined = false, pathPointsDefined = false;
  std::vector<OasisDelta> polygonPoints;
  std::vector<OasisDelta> pathPoints;
  // The placed cell's id and the text's string index; -1 undefined.
  int64_t placedCell = -1;
  int64_t textString = -1;
  bool relative = false;

  void Reset();
};

// Limits of a read, fixed at construction; tests pass small values.
struct OasisInSettings {
  int32_t detailLimit = 20;
  // Positions that the repetitions of the whole file may expand to, summed over every cell:
  // shape, text and placement positions, and each array a placement repetition makes. A shape
  // position costs about 70 bytes while its cell is read (its offset and its shape table entry,
  // spare capacity included), a placement about 80 bytes until the import ends, so the default
  // keeps an import below 2 GB.
  uint64_t maxRepeatedPositions = 20'000'000;
};

// Reads one OASIS file into a new library: magic and START, the name records, the cells with
// their elements, END, then the report and the library files. Compressed blocks are refused.
// Every failure throws Error tagged "OASISIN"; what was written before it stays on disk.
//
// A CELLNAME or CELL reference number is the cell id; a cell made by name takes the next id.
// A TEXTSTRING reference number maps to a string index of its own, given on first use.
class OasisIn {
 public:
  explicit OasisIn(const OasisInSettings& settings = OasisInSettings());

  // Opens path ("Cannot open file %s!") and converts it into library, whose first cell data
  // file the caller has opened.
  void ReadLibrary(const std::string& path, Library& library);
  // The same in two steps, so that a caller can make the library's directory only once the
  // file has opened.
  void Open(const std::string& path);
  void ReadLibrary(Library& library);

  // Totals of the report, in the order printed.
  struct Statistics {
    int32_t texts = 0, circles = 0, properties = 0;
    int32_t polygons = 0, paths = 0, boxes = 0, trapezoids = 0, angles45 = 0, arbitraryAngles = 0;
    int32_t singleReferences = 0, arrayReferences = 0, duplicateReferences = 0, magnifications = 0;
    int32_t redefinedCells = 0, newCells = 0;
    int64_t shapes = 0;  // every stored shape position, repetitions included
  };
  const Statistics& statistics() const { return statistics_; }

 private:
  // Records and cells (oasis_in_records.cpp).
  void ReadRecords();
  uint8_t ReadByte();
  void CheckMagic();
  void ReadStart();
  void ReadEnd();
  void ReadTableOffsets();
  void SkipPadding();
  // Reads one CELL record and the records inside it; returns the id of the first record that
  // does not belong to the cell.
  uint64_t ReadCellBody(uint64_t recordId);
  void ReadCellRecord(uint64_t recordId);
  // Writes the cell being read, if any.
  void BeginCell();
  void ReadProperty();
  void ReadXGeometry();
  void ReportProgress();
  void Report();
  void FinishLibrary();

  // Name records and reference tables (oasis_in_names.cpp).
  void ReadNameRecord(uint64_t recordId);
  void ReadCellName(bool explicitNumber);
  void ReadTextString(bool explicitNumber);
  void ReadLayerName();
  // The cell of a reference number, made unnamed when new.
  uint32_t CellForReference(uint64_t number);
  // The cell of a name, made when new.
  uint32_t CellForName(const std::string& name);
  // The string index of a TEXTSTRING reference number, reserved when new.
  uint32_t StringForReference(uint64_t number);
  void CountCellRecord();
  // Placeholder strings for numbers never defined, names for cells never named.
  void ResolveNames();

  // Element records (oasis_in_elements.cpp).
  void ReadPlacement(uint64_t recordId);
  void ReadText();
  void ReadRectangle();
  void ReadPolygon();
  void ReadPath();
  void ReadTrapezoid(uint64_t recordId);
  void ReadCTrapezoid();
  void StoreImpliedCTrapezoidSize();
  void ReadCircle();
  void ReadLayerAndDatatype(uint8_t info);
  // X and Y by their bits in info: a value each, absolute or added to the modal one.
  void ReadPosition(uint8_t info, uint8_t xBit, uint8_t yBit, int64_t& x, int64_t& y);
  void ReadPathExtensions();
  // The repetition when R (0x04) is set; false for a single element.
  bool ReadOptionalRepetition(uint8_t info, uint8_t rBit);
  // The value of a modal variable; Error "Modal variable <name> undefined" while it is -1.
  int64_t Modal(int64_t value, const char* name) const {
    if (value < 0) ThrowModalUndefined(name);
    return value;
  }
  [[noreturn]] static void ThrowModalUndefined(const char* name);

  // Builders (oasis_in_builders.cpp). Kinds of shape.
  enum ShapeKind { kRectangle, kPolygon, kPath, kTrapezoid, kCTrapezoid, kCircle };
  void AddPlacement(const Trans& trans, uint32_t cellId);
  void BuildPlacement(const Trans& trans, uint32_t cellId, bool repeated);
  bool AddPlacementArray(const Trans& trans, uint32_t cellId);
  void BuildText(bool repeated);
  // The modal rectangle at the geometry position; false when it has no area.
  bool ModalRectangle(Box& rectangle) const;
  // The modal path at the geometry position into path_.
  void ModalPath();
  // The modal shape as a rectangle when its outline is a plain one (Cell::IsPlainRectangle): a
  // RECTANGLE, a straight PATH along an axis within the 32-bit range. Such shapes need no ring.
  bool RectangleOf(ShapeKind kind, Box& rectangle);
  // Builds the ring of the modal shape at the geometry position into ring_: degenerate when the
  // shape is a point or a line, out of range when the library cannot hold it (ShapeExtentFits,
  // PathOutlineFits).
  enum RingBuilt { kRingBuilt, kRingDegenerate, kRingOutOfRange };
  RingBuilt BuildRing(ShapeKind kind);
  // Every kind but the path; false when degenerate.
  bool BuildShapeRing(ShapeKind kind);
  bool BuildRingFrom(const OasisDelta* points, size_t count);
  bool TrapezoidCorners(OasisDelta corners[4]) const;
  RingBuilt BuildPathRing();
  bool BuildCircleRing();
  void BuildShape(ShapeKind kind, bool repeated);
  bool StoreShape(ShapeKind kind, LayerKey key, Cell::ImportedShape& shape, Box& ringBox);
  // The key of a layer and datatype; false, with a warning, for numbers the library cannot hold.
  bool ShapeLayerKey(int64_t layer, int64_t datatype, int64_t x, int64_t y, LayerKey& key) {
    if (layer > 0x3FFF || datatype > 255) return WarnLayerOutOfRange(layer, datatype, x, y);
    key = MakeLayerKey(uint32_t(layer), uint32_t(datatype));
    return true;
  }
  // The warning of ShapeLayerKey; false.
  bool WarnLayerOutOfRange(int64_t layer, int64_t datatype, int64_t x, int64_t y);
  // The offsets of the modal repetition, or the one offset (0, 0) without one.
  const std::vector<OasisDelta>& RepetitionOffsets(bool repeated);
  // Takes count positions from the file's allowance for a repetition of positions positions;
  // Error naming both and the limit when the allowance is spent.
  void ClaimRepeatedPositions(uint64_t count, uint64_t positions);
  int32_t Nm(int64_t v) const;
  void ShapeWarning(ShapeKind kind, bool arbitrary, int32_t x, int32_t y, LayerKey key);
  void OutOfRangeWarning(ShapeKind kind, int32_t x, int32_t y, LayerKey key);
  // The current cell's name, or "#" and its id while it has none.
  std::string CellLabel() const;

  OasisInSettings settings_;
  OasisFile file_;
  Library* library_ = nullptr;
  std::string string_;
  OasisModalState modal_;
  RingSet ring_;
  PathShape path_;
  std::vector<OasisDelta> offsets_;

  bool tableOffsetsAtEnd_ = false;
  Cell* cell_ = nullptr;
  uint32_t cellId_ = 0;
  int32_t recordIndex_ = -1;
  uint64_t repeatedPositions_ = 0;

  // Name tables. Cell ids made by name are marked, so that no reference number claims them.
  enum Numbering { kNumberingNone, kNumberingImplicit, kNumberingExplicit };
  Numbering cellNumbering_ = kNumberingNone;
  Numbering textNumbering_ = kNumberingNone;
  uint64_t nextCellName_ = 0;
  uint64_t nextTextString_ = 0;
  uint64_t cellRecords_ = 0;
  std::vector<uint8_t> madeByName_;
  std::optional<ImportCellNames> names_;
  struct TextReference {
    uint32_t index;
    bool defined;
  };
  std::unordered_map<uint64_t, TextReference> textReferences_;

  double lastFraction_ = 0;
  int64_t fileSize_ = 0;
  Statistics statistics_;
  struct Warnings {
    int32_t arbitraryAngles = 0;
    int32_t points = 0;
    int32_t layers = 0;
    int32_t shapesOutOfRange = 0;
  } warnings_;
};
