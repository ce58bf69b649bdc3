#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "db/binary_file.h"
#include "db/box.h"
#include "db/cell.h"
#include "db/cell_data_reader.h"
#include "db/error_tags.h"
#include "db/poly/ring_set.h"
#include "db/staged_output.h"
#include "db/trans.h"
#include "formats/gds_records.h"

class DBPolygon;
class Library;

// One TEXT element as the writer puts it out. With magnification 1 and code 0 no STRANS is
// written; presentation, path type and width are written only when non-zero.
struct GdsOutText {
  int32_t x = 0;
  int32_t y = 0;
  float magnification = 1.0f;
  uint8_t orientation = 0;
  uint16_t layer = 0;
  uint16_t texttype = 0;
  std::string text;
  uint16_t presentation = 0;
  uint16_t pathType = 0;
  int32_t width = 0;
};

// Writes a GDSII stream file, plain or gzip (level 1), from a library: the whole library
// streamed from its cell data files (WriteLibrary), or structure by structure from loaded cells
// limited to a window (WriteLibraryHeader, WriteCellWindow..., WriteLibraryEnd).
//
// Every failure is an Error tagged "GDSOUT" (the cell data that is copied: "LIBIN"): a failed
// write or close, a value that a record cannot carry (a coordinate or array corner outside 32
// bits, a real outside the GDSII range, a string longer than a record, a count outside
// 1..32767), a polygon the chopper cannot cut. After an Error the file is not valid GDSII; a
// caller must call Close and take only a Close without Error as success.
//
// No structure reference names a structure that is not written: placements of void cells,
// and in windowed output of cells the caller does not write, are left out with a warning.
class GdsOut : public BinaryFile {
 public:
  // Polygons with more vertices are cut into pieces of at most this many.
  static constexpr int32_t kMaxVertices = 4096;
  // The longest string a record can carry (its padded length plus the header fits 16 bits).
  static constexpr size_t kMaxStringLength = 65530;

  // Opens name for writing; the date stamps are the local time of now. Throws
  // Error(kTagGdsOut, "Cannot open file <name>!"). The stream is written beside name and
  // takes its name only when Close succeeds; a writer destroyed before that leaves no file.
  GdsOut(const std::string& name, bool gzip, std::time_t now = std::time(nullptr));
  ~GdsOut();

  // BinaryFile's, after the BOUNDARY elements still staged; then the file takes its name.
  void Close();
  int64_t Tell();

  // Record layer. dataLength excludes the header and the padding of odd strings.
  void WriteRecordHeader(int8_t type, uint8_t dataType, size_t dataLength);
  void WriteEmptyRecord(int8_t type);
  void WriteInt16Record(int8_t type, uint8_t dataType, uint16_t value);
  void WriteInt32Record(int8_t type, int32_t value);
  void WriteRealRecord(int8_t type, double value);
  void WriteStringRecord(int8_t type, const std::string& text);
  // The XY header for count points; the points follow through WritePoint.
  void WriteXyHeader(size_t count);
  // With an output scale other than 1, v becomes floor(v × scale + 0.5), which must fit 32 bits.
  void WritePoint(int64_t x, int64_t y);
  // BOUNDARY, LAYER, DATATYPE, XY with the n vertices and the first again, ENDEL. n outside
  // 1..kMaxVertices is an Error.
  void WriteBoundaryElement(uint16_t layer, uint16_t datatype, const Point* vertices, size_t n);
  void WriteDateStamps();

  // HEADER, BGNLIB, LIBNAME, UNITS without a library (generated streams).
  void WriteLibraryStart(uint16_t version, const std::string& libName, double userUnit, double dbUnit);
  // Remembers library (names, texts, output scale) and writes its header; logs the unit.
  void WriteLibraryHeader(Library& library);
  void WriteStructureHeader(const std::string& cellName);
  void WriteStructureHeader(const Cell& cell);
  void WriteStructureEnd() { WriteEmptyRecord(gds::kEndStr); }
  // ENDLIB; the file is then closed and flushed (Error on failure).
  void WriteLibraryEnd();

  // Elements. One BOUNDARY per ring; rings of more than kMaxVertices are chopped.
  void WriteBoundary(RingSet& rings, uint16_t layer, uint16_t datatype);
  // The shape at (x, y): one BOUNDARY, or several when it has more than kMaxVertices vertices.
  void ChopPolygon(const DBPolygon& shape, int32_t x, int32_t y, uint16_t layer, uint16_t datatype);
  // Cuts every ring of rings (any position and orientation, crossing itself or not) into pieces
  // of at most kMaxVertices vertices into rings; n is the vertex count for the log. The pieces
  // together cover what a reader fills for the rings under the non-zero rule. Throws
  // Error("Cannot chop polygon of %d vertices") when the strips cannot get small enough.
  void ChopRings(RingSet& rings, uint32_t n);
  void WriteStrans(const Trans& trans);
  void WriteText(const GdsOutText& text);
  // The placed cell's name comes from the library of WriteLibraryHeader.
  void WriteSRef(const SRef& ref);
  void WriteARef(const ARef& ref);
  // The same with the placed structure's name given (generated streams).
  void WriteSRef(const SRef& ref, const std::string& cellName);
  void WriteARef(const ARef& ref, const std::string& cellName);

  // Library writers (gds_out_library.cpp), after WriteLibraryHeader.
  // One structure streamed from the cell's section of its data file, one shape record at a
  // time, under layerFilter and layerRenumbering; a loaded cell (which may hold unsaved
  // changes) is written from memory instead. Malformed cell data throws Error(kTagLibIn, ...).
  void WriteCellFromLibrary(Cell& cell);
  // One structure from the cell, loaded with its spatial index, limited to window and layers
  // (empty: all), with the layers renumbered through layerMap when given. Shapes and texts
  // that touch the window are written whole; arrays are trimmed to the elements that overlap
  // it. When the window holds the cell's box, everything is written unchanged. Placements of
  // void cells, and of cells for which isWritten (when given) is false, are left out.
  void WriteCellWindow(Cell& cell, const Box& window, const std::set<LayerKey>& layers,
                       const std::map<LayerKey, LayerKey>* layerMap, bool (*isWritten)(const Library&, uint32_t));
  // Header, every non-void cell in id order, ENDLIB; closes the file. A library of void cells
  // only is refused (Error): a stream without structures does not read back.
  void WriteLibrary(Library& library);

  // Set by the caller: only these layer keys are written by WriteCellFromLibrary (null: all),
  // renumbered through layerRenumbering (null: none).
  const std::set<LayerKey>* layerFilter = nullptr;
  const std::map<LayerKey, LayerKey>* layerRenumbering = nullptr;
  bool noTexts = false;

 private:
  // Whether the layer of key is written, and the key to write it under.
  bool ChooseLayer(LayerKey key, const std::set<LayerKey>* layers, const std::map<LayerKey, LayerKey>* map,
                   LayerKey& out) const;
  // ChopPolygon's writer for a library with an output scale.
  void WriteScaledShape(const DBPolygon& shape, int32_t x, int32_t y, uint16_t layer, uint16_t datatype);
  const std::string& PlacedName(const SRef& ref) const;
  void WriteTextItem(const TextItem& item, LayerKey key);
  // Whether a placement of cell id may be written; logs the warning when not.
  bool PlacedCellWritten(uint32_t id, const Cell& parent, bool (*isWritten)(const Library&, uint32_t));
  void WriteShapesInWindow(Cell& cell, const Box& window, const std::set<LayerKey>& layers,
                           const std::map<LayerKey, LayerKey>* layerMap);
  void WriteTrimmedArray(const ARef& ref, const Box& cellBox, const Box& window);

  void WriteShapeGroup(const ShapeGroup& group, LayerKey key);
  void StreamCellGeometry(Cell& cell);
  void WritePlacementsOf(Cell& cell, const Box* window, bool (*isWritten)(const Library&, uint32_t));

  Library* library_ = nullptr;
  // The output's temporary name until Close.
  StagedOutput output_;
  // What WriteCellFromLibrary reads the library's cell sections through; made on first use.
  std::unique_ptr<CellDataReader> cellData_;
  std::tm localTime_{};
  RingSet rings_;
  RingSet work_;
  // Writes the staged elements through BinaryFile.
  void FlushStaged();

  // BOUNDARY elements of ChopPolygon, staged and written in large blocks; every other writer
  // flushes them first, so the stream keeps its order.
  std::vector<uint8_t> staged_;
};
