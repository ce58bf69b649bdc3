#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "db/binary_file.h"
#include "db/box.h"
#include "db/cell.h"
#include "db/cell_data_reader.h"
#include "db/staged_output.h"

class ARef;
class DBPolygon;
class Library;
class SRef;
struct ShapeGroup;
struct ShapePosition;

// The modal variables the writer compares with, so that a field equal to the previous
// record's value is left out. -1 stands for "undefined" in the layer and type fields.
struct OasisOutModal {
  int64_t layer = -1;
  int64_t datatype = -1;
  int64_t x = 0;
  int64_t y = 0;
  int64_t width = -1;
  int64_t height = -1;
  int64_t placementX = 0;
  int64_t placementY = 0;
  int64_t textLayer = -1;
  int64_t textType = -1;
  int64_t textX = 0;
  int64_t textY = 0;
  int64_t ctrapezoidType = -1;

  void Reset() { *this = OasisOutModal(); }
};

// Writes library content as non-strict OASIS: magic, START, CELLNAME and TEXTSTRING records
// with explicit numbers, CELL records by reference number, END. Never compressed (no CBLOCK,
// no offset tables, no validation). Every shape group becomes one geometry record whose
// repetition (type 10) carries the group's further positions; array placements become one
// PLACEMENT with a lattice repetition. Integers are written in 64 bits: the OASIS integer is
// unbounded, so no delta between 32-bit coordinates is ever truncated.
//
// Calling order: OpenForWrite, WriteStart, name records, cells (each a CELL record and its
// contents), WriteEnd, which also closes the file. Any write failure, and a failed close,
// throws Error(kTagOasisOut, "Cannot write file <name>"); the file then has no END.
class OasisOut : public BinaryFile {
 public:
  OasisOut();

  // Opens path for writing; Error "Cannot open file %s!" ("OASISOUT") on failure. The file is
  // written beside path and takes its name only when Close succeeds; a writer destroyed
  // before that leaves no file.
  void OpenForWrite(const std::string& path, Library& library);
  // The magic "%SEMI-OASIS\r\n" and START (version "1.0", the unit, offset flag 1).
  void WriteStart();
  // END (256 bytes: zero table offsets, 240 spaces of padding, no validation); closes the file.
  void WriteEnd();
  // BinaryFile's; then the file takes its name.
  void Close();

  // The whole library between START and END: every cell that is not void, numbered in id order.
  void WriteLibrary();
  // top and every non-void cell that its placements reach, between START and END.
  void WriteCellTree(uint32_t top);
  // The contents of one cell; the caller has written its CELL record. A loaded cell is written
  // from memory (edits included), any other streamed from its cell data file one shape group
  // at a time. Placements of cells without a reference number are skipped with a warning.
  void WriteCellFromLibrary(Cell& cell);
  // The contents of cell limited to window: a cell inside the window is written whole; else
  // the shapes and texts that the window reaches, each shape whole, and the placements whose
  // boxes overlap it, arrays trimmed to the elements that do. layers (empty: all) selects the
  // keys; layerMap, when given, renumbers them. The caller writes the CELL record, and the
  // TEXTSTRING records before the first CELL.
  void WriteCellWindow(Cell& cell, const Box& window, const std::set<LayerKey>& layers,
                       const std::map<LayerKey, LayerKey>* layerMap);

  // One shape group as one record: RECTANGLE, CTRAPEZOID, TRAPEZOID or POLYGON, the last
  // whenever the others would not give back exactly the same ring. With noRepetition only the
  // first position is written.
  void WriteShapeGroup(const ShapeGroup& group, uint32_t layer, uint32_t datatype, bool noRepetition);
  // TEXT naming its string by reference number; an id beyond the library's string table is
  // Error(kTagLibIn, "Text id invalid").
  void WriteText(uint32_t layer, uint32_t textType, int32_t x, int32_t y, uint32_t textId);
  // PLACEMENT of ref's cell by its reference number; a cell without one (-1) is
  // Error(kTagOasisOut, "Cell id invalid").
  void WritePlacement(const SRef& ref);
  void WriteArrayPlacement(const ARef& ref);

  // Primitives. Integers are OASIS unsigned- and signed-integers of any 64-bit value.
  void WriteUnsigned(uint64_t v);
  void WriteSigned(int64_t v);
  // Types 0 to 3 when v or 1/v is within 2^-23 of an integer that fits, else type 7.
  void WriteReal(double v);
  void WriteString(const std::string& s);
  // Only for horizontal, vertical and 45-degree moves.
  void Write3Delta(int64_t dx, int64_t dy);
  void WriteGDelta(int64_t dx, int64_t dy);
  // Repetition type 10: every position of the group after the first, as g-deltas.
  void WriteRepetitionGDeltas(const ShapeGroup& group);

  // The reference number of each cell id (-1: not written). WriteLibrary and WriteCellTree
  // fill it; a caller of WriteCellWindow fills it for the cells it writes.
  std::vector<int32_t> referenceNumbers;
  // When set, WriteCellFromLibrary writes only the layers whose key it holds.
  std::optional<std::set<LayerKey>> layerFilter;
  OasisOutModal modal;

 private:
  // Where a geometry record goes: its first position and, unless null, the group whose further
  // positions its repetition carries.
  struct Placed {
    const ShapePosition* first;
    const ShapeGroup* group;  // null: one position only
  };

  // The L and D bits against the modal layer and datatype, and their fields.
  uint8_t LayerBits(uint32_t layer, uint32_t datatype) const;
  void WriteLayerValues(uint8_t info, uint32_t layer, uint32_t datatype);
  void DecodeVertices(const DBPolygon& record, const ShapePosition& at);
  void WriteShape(const DBPolygon& record, const Placed& at, uint32_t layer, uint32_t datatype);
  void WriteRectangle(const DBPolygon& record, const Placed& at, uint32_t layer, uint32_t datatype);
  void WritePolygon(const Placed& at, uint32_t layer, uint32_t datatype);
  void WriteTrapezoid(bool vertical, uint32_t layer, uint32_t datatype, int64_t x, int64_t y, int64_t width,
                      int64_t height, int64_t deltaA, int64_t deltaB, const Placed& at);
  void WriteCTrapezoid(int type, uint32_t layer, uint32_t datatype, int64_t x, int64_t y, int64_t width, int64_t height,
                       const Placed& at);
  bool TryCTrapezoid(const Placed& at, uint32_t layer, uint32_t datatype);
  bool TryTrapezoid(const Placed& at, uint32_t layer, uint32_t datatype);
  // The X, Y and R bits of a geometry record at (x, y), and their fields.
  uint8_t PositionBits(int64_t x, int64_t y, const Placed& at) const;
  void WriteGeometryPosition(uint8_t info, int64_t x, int64_t y, const Placed& at);
  void WritePlacementRecord(const SRef& ref, const ARef* array);
  void WriteArrayRepetition(const ARef& ref);
  // The number ref's cell is written under; -1, with a warning naming parent, when it is not.
  int32_t ReferenceNumber(const SRef& ref, const Cell& parent);
  // Numbers the included cells, then writes START, CELLNAME, TEXTSTRING, the cells and END.
  void WriteNameRecords(const std::vector<uint8_t>& include);
  void StreamCellFromFile(Cell& cell);
  void StreamPlacements(Cell& cell);
  // Every shape, text and placement of a cell in memory; filter null admits every key.
  void WriteLoadedCell(Cell& cell, const std::set<LayerKey>* filter, const std::map<LayerKey, LayerKey>* layerMap);
  void WritePlacementsInWindow(Cell& cell, const Box& window);
  void WriteLayerInWindow(const LayerRecord& record, LayerKey key, const Box& window);

  Library* library_ = nullptr;
  // The decoded vertices of the record in hand, relative to its first position.
  std::vector<std::pair<int64_t, int64_t>> vertices_;
  // The output's temporary name until WriteEnd.
  StagedOutput output_;
  // What StreamCellFromFile reads the library's cell sections through; made on first use.
  std::unique_ptr<CellDataReader> cellData_;
};
