#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "db/binary_file.h"
#include "db/box.h"
#include "db/poly/path_outline.h"
#include "db/poly/ring_set.h"
#include "db/trans.h"
#include "formats/import_cell_names.h"

class Cell;
class Library;
struct ImportRecord;

// Limits fixed at construction; tests pass small values to exercise the large-cell paths.
struct GdsInSettings {
  // Detailed reports of one kind: this many plus one are printed, then a closing line.
  int32_t detailLimit = 20;
  // Buffered vertices of one cell beyond which its geometry moves to sub-cells.
  int64_t storeThreshold = 50'000'000;
  // Side of the tiles of a split cell, in nanometres.
  int32_t tileSize = 200'000;
  // Size of a cell data file after which the next numbered one is started.
  int64_t dataFileRollOver = 1'000'000'000;
};

// The GDSII stream reader. ReadLibrary converts the whole stream into a new library (library
// flow and report: gds_in_library.cpp; structures: gds_in_structure.cpp; elements:
// gds_in_elements.cpp; sub-cells of large cells: gds_in_large_cell.cpp). Below it lies the
// record layer (gds_in_records.cpp): it frames records, probes for the record type a caller
// expects and reads the typed fields of the claimed record, checking every length against the
// bytes it reads. Every failure throws Error tagged "GDSIN".
//
// Framing: a record is claimed by ExpectRecord; its data is then read by the field readers,
// each of which refuses a record shorter than its field ("Record %d has length %d, expected %d").
// Data that a record carries beyond what was read is skipped, with a detail-limited warning,
// before the next header is read, so that the stream stays in step. The end of the file at a
// record boundary, or a tail of zero bytes (tape padding), is "no record"; the end of the file
// inside a header or a field throws that field's "... defined but end of file" message.
class GdsIn : public BinaryFile {
 public:
  // Opens the file (gzip true for a ".gz" path); Error "Cannot open file %s!" on failure.
  GdsIn(const char* path, bool gzip, const GdsInSettings& settings = GdsInSettings());

  // Reads the stream into library, a new library whose directory exists: cells, their data
  // files, then the index files. Logs warnings and the import report; number formatting in the
  // log does not depend on the process locale. Every fatal condition throws Error "GDSIN".
  void ReadLibrary(Library& library);

  // Claims the next record when its type is `type` and returns true. Otherwise returns false and
  // the record stays pending for the next probe; at the end of the file there is no record and
  // every probe returns false. Types 57 to 127 are skipped on the way with the warning
  // "Warning: Unknown Record Type %d, skipping !\n" under the detail limit. Inline: an element
  // takes several probes, most of them answered by the pending record.
  bool ExpectRecord(int8_t type) {
    if (!pending_ && !ReadNextHeader()) return false;
    if (recordType_ != type) return false;
    pending_ = false;
    return true;
  }
  // True once the end of the file has been met at a record boundary.
  bool AtEndOfFile() const { return atEnd_; }
  // The type of the last record read: the pending one when a probe returned false.
  int8_t RecordType() const { return recordType_; }
  // Data bytes of the last record read (its length field less the 4 header bytes).
  int32_t DataLength() const { return dataLength_; }

  // The claimed record's data as a string, cut at its first NUL byte (the padding of an odd
  // name). An odd data length warns under the detail limit. The reference stays valid until
  // the next call.
  const std::string& ReadString();
  // Drops the data of the claimed or pending record; nothing is then pending.
  void SkipRecordData();
  // The 12 date words of BGNLIB and BGNSTR; they are not kept.
  void ReadDates();
  // One XY pair: x, then y.
  void ReadPoint(Point& p);
  // One 8-byte real; eofMessage is thrown when the file ends inside it.
  double ReadReal(const char* eofMessage);

  // The fixed-size fields: each claims the next record when it has the field's type and reads
  // its big-endian value, or returns false and leaves the record pending.
  bool ReadHeader(uint16_t& version);
  bool ReadLayer(uint16_t& layer);
  bool ReadDataType(uint16_t& dataType);
  bool ReadTextType(uint16_t& textType);
  bool ReadWidth(int32_t& width);
  bool ReadBoxType(uint16_t& boxType);
  bool ReadNodeType(uint16_t& nodeType);
  bool ReadPresentation(uint16_t& presentation);
  bool ReadElFlags(uint16_t& flags);
  bool ReadPropAttr(uint16_t& attribute);

 private:
  // The twelve totals of the import report.
  struct Statistics {
    int32_t boundaries = 0;
    int32_t paths = 0;
    int32_t arbitraryAngles = 0;
    int32_t singleReferences = 0;
    int32_t arrayReferences = 0;
    int32_t duplicateReferences = 0;
    int32_t magnifications = 0;
    int32_t angles45 = 0;
    int32_t texts = 0;
    int32_t nodes = 0;
    int32_t boxes = 0;
    int32_t properties = 0;
  };

  // One counter per kind of detailed warning, each under the detail-limit rule.
  struct Warnings {
    int32_t rememberedAngle = 0;  // an arbitrary placement angle seen, 0 = none
    int32_t arbitraryAngles = 0;
    int32_t problemPolygons = 0;  // in the current cell
    int32_t points = 0;
    int32_t oddStrings = 0;
    int32_t unknownRecords = 0;
    int32_t longRecords = 0;
    int32_t magnifications = 0;
    int32_t roundPathEnds = 0;
    int32_t unsupportedLayers = 0;
    int32_t arrayPitches = 0;
    int32_t placementAngles = 0;
    int32_t shapesOutOfRange = 0;
    int32_t redefinedCells = 0;
    int64_t bufferedVertices = 0;  // of the current cell
    int32_t subCells = 0;          // generated for the current cell
  };

  // Reads the next header into the record state, skipping unknown records; false at the end
  // of the file.
  bool ReadNextHeader();
  // Reads one header; false when the file ends before it or only zero bytes follow.
  bool ReadHeaderFields();
  bool OnlyZerosFollow();
  // Counts size bytes of the claimed record as read; throws when the record is shorter.
  void TakeData(int32_t size);
  // The claimed record's next size bytes in one piece, taken as TakeData takes them; null,
  // with nothing taken, when the file ends inside them.
  const uint8_t* TakeContiguous(int32_t size);
  // The points of a claimed XY record into points[0, n): from one piece of the buffer when the
  // file holds them, else point by point with the end-of-file message.
  void ReadPoints(Point* points, int32_t n);
  // Behind a claimed BOUNDARY header, the fields as writers put them: LAYER and DATATYPE of
  // their exact length, then an XY record of at least two whole points, all in the buffer. Reads
  // them in one piece, the points into points_, and leaves the record state as the field
  // readers would, an ENDEL behind them pending; false, with nothing read, for any other layout.
  bool ReadCompactBoundary(uint16_t& layer, uint16_t& dataType);
  void SkipBytes(int32_t count);
  bool ReadField16(int8_t type, uint16_t& value, const char* eofMessage);
  // The detail-limit rule: while the counter is at most the limit the message is logged; when
  // it equals the limit "Same warning will not be shown any more\n" follows; the counter then
  // goes up by one (it stops at INT32_MAX).
  void DetailWarning(int32_t& counter, const char* format, ...) __attribute__((format(printf, 3, 4)));

  // Library flow (gds_in_library.cpp).
  void ReadLibraryHeader();
  void ReadUnits();
  void ExpectLibraryEnd();
  void Report() const;
  void FinishLibrary();
  // Positions in messages: floor(v / database units per nanometre + 0.5), 64-bit.
  long long Nm(int32_t v) const;

  // Structures (gds_in_structure.cpp).
  bool ReadStructure();
  // The id of the cell that the file calls name, created as a placeholder when unknown.
  uint32_t CellForName(const std::string& name);
  // A new cell that the file (or the reader, for a sub-cell) calls name.
  uint32_t NewCell(const std::string& name, bool withRecord);
  // The claimed record's string as a cell name: Error "Empty cell name" when empty.
  std::string ReadName();
  // Writes the cell's shapes and texts, then its placements, and frees its contents.
  void WriteCell(Cell& cell, ImportRecord& record);
  Cell& CurrentCell() const;
  ImportRecord& CurrentRecord() const;

  // Elements (gds_in_elements.cpp).
  bool ReadElement();
  void ReadElementHead();
  void ReadProperties();
  bool ReadBoundary();
  bool ReadPath();
  bool ReadSRef();
  bool ReadARef();
  bool ReadText();
  bool ReadNode();
  bool ReadBox();
  // STRANS, MAG and ANGLE into trans: the angle snapped to a multiple of 90 degrees; an
  // arbitrary angle of a placement is remembered for AppendPlacement to report.
  void ReadTransformation(Trans& trans, bool placement);
  bool ReadInt32Field(int8_t type, int32_t& value, const char* eofMessage);
  // The points of the claimed XY record; Error when it holds none or a part of one.
  int32_t PointCount();
  // The XY record's points into points_; false when the record is not XY.
  bool ReadXyPoints();
  // The XY record's points into the working ring, the first also into first; false when the
  // record is not XY. The last point is dropped; with closeCheck it must equal the first.
  bool ReadPointList(bool closeCheck, Point& first);
  // The working ring from the points in points_, as ReadPointList makes it.
  void RingFromPoints(bool closeCheck, Point& first);
  // Cleans up the working ring (collinear vertices removed) and stores it under the key, with
  // the counts and warnings; counter is the element kind's total.
  void StoreRing(uint16_t layer, uint16_t dataType, const Point& first, int32_t& counter);
  // Stores a rectangle (from an element whose first point is first) as StoreRing would store
  // its ring.
  void StoreRectangle(uint16_t layer, uint16_t dataType, const Box& rectangle, const Point& first, int32_t& counter);
  // The counts and warnings of a stored shape of the record kind, then the store threshold.
  void CountStoredShape(uint32_t kind, uint16_t layer, uint16_t dataType, const Point& first, int32_t& counter);
  // Skips a shape the library cannot hold (ShapeExtentFits, PathOutlineFits), with the
  // detail-limited warning, counted for the report.
  void SkipOutOfRange(uint16_t layer, uint16_t dataType, const Point& first);
  // False (with the detail-limited warning, counted for the report) when the layer cannot be
  // keyed; the element is then skipped.
  bool LayerSupported(uint32_t layer, uint32_t dataType, const Point& at);
  // SNAME and the transformation of an SREF or AREF; gives the placed cell's name.
  std::string ReadPlacementHead(const char* nameMissing, Trans& trans);
  // Pitches and counts of an array from its three points, so that the elements of the ARef
  // are exactly the file's lattice whatever the orientation code.
  void SetLattice(ARef& ref, int columns, int rows, const Point& p0, const Point& p1, const Point& p2);
  // Reports magnification and remembered angle, resolves the placed cell and appends ref to
  // the current import record.
  void AppendPlacement(ARef& ref, const std::string& placed, const char* kind);

  // Large cells (gds_in_large_cell.cpp).
  // Moves the current cell's shapes and texts so far into one sub-cell when its box fits a
  // tile, else into a grid of tile sub-cells, each placed in the cell at (0, 0).
  void StoreGeometry();
  void SplitCellGeometry(int64_t tileSide);
  // A new generated cell "<current>_ich<n>" with its import record.
  uint32_t OpenSubCell();
  // Writes the sub-cell and appends its placement to the current cell's import record.
  void PlaceSubCell(uint32_t subId);

  GdsInSettings settings_;

  // Record state. dataLeft is the part of the current record's data not read yet.
  bool pending_ = false;
  bool atEnd_ = false;
  int32_t dataLength_ = 0;
  int32_t dataLeft_ = 0;
  int8_t recordType_ = 0;
  uint8_t dataType_ = 0;
  std::string string_;

  Library* library_ = nullptr;
  double unitsPerNm_ = 1;
  // The cell being read and the index of its import record.
  uint32_t cellId_ = 0;
  size_t recordIndex_ = 0;
  size_t recordsAtStart_ = 0;
  // The names of the file's cells and of the sub-cells generated for them.
  std::optional<ImportCellNames> names_;
  RingSet ring_;
  // The points of the XY record being read.
  std::vector<Point> points_;
  PathShape path_;
  Statistics statistics_;
  Warnings warnings_;
};
