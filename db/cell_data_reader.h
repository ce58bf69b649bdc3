#pragma once

#include <cstdint>

#include "db/binary_file.h"
#include "db/box.h"
#include "db/cell.h"

class ARef;
class Library;

// Bits of a placement record's info byte.
constexpr uint8_t kRefCodeMask = 0x07;
constexpr uint8_t kRefMagnified = 0x08;
constexpr uint8_t kRefArray = 0x10;
constexpr uint8_t kRefSameCell = 0x20;

class ShapeGroupList;
struct ShapeGroup;

// Reads the cell sections of a library's data files: the layer blocks (shape groups, or one
// text), then the placement section up to the section's end. Loading a cell and both
// whole-library exports read through it, so every reader of a section refuses the same
// corruptions.
//
// Each count is checked against the bytes left in the section before anything is made for it,
// and the position is checked against the section's end after every group, text and
// placement: a section never reads into its neighbour. A section that is cut short, overruns
// its end or holds a value the writer never writes throws Error(kTagLibIn, ...) ("Insufficient
// Cell Data", "Wrong layer format", "Wrong format", "Insufficient Reference Data", "Cell id
// invalid").
//
// Shapes must come as the writer writes them: shape blocks in ascending key order, one per
// key; in a block, groups in ascending record order (DBPolygon::Compare), each record once; in
// a group, positions ascending by x, then y, each once. Anything else ("Wrong format") would
// change when saved, since saving merges equal records and drops repeated positions. The
// placement marker stands at the cell's reference position, and nowhere else.
//
// Use: SeekCell, then NextLayer until false, reading each block's groups (ReadGroup, as many as
// NextLayer gave) or its text (ReadText); then, when AtPlacements, NextPlacement until false.
// The group ReadGroup gave last must stay alive until it is called again.
class CellDataReader {
 public:
  explicit CellDataReader(const Library& library);

  // Opens data file id of the library for reading unless it is the one open; false when it
  // cannot be opened.
  bool Open(uint32_t id);
  void Close();
  bool IsOpen() const { return openId_ != 0; }

  // Opens the cell's data file when needed and stands at the start of its section.
  void SeekCell(const Cell& cell);
  // SeekCell, then on past the marker of the cell's placement section, which must stand at the
  // cell's reference position.
  void SeekPlacements(const Cell& cell);

  // The next layer block: its key and its number of shape groups (0: one text follows). False
  // at the end of the section and at its placement section.
  bool NextLayer(LayerKey& key, uint32_t& groups);
  // One shape group of the block, appended to list.
  ShapeGroup* ReadGroup(ShapeGroupList& list);
  // The text of a block without groups, under the block's key.
  TextItem ReadText();
  // Whether the layer blocks ended at a placement section.
  bool AtPlacements() const { return inPlacements_; }
  // The next placement record into ref, whatever the placed cell; false at the end of the
  // section.
  bool NextPlacement(ARef& ref);

 private:
  bool AtEnd() { return file_.Tell() >= end_; }
  void CheckEnd();
  // Bytes left before the section's end.
  int64_t Left() { return int64_t(end_) - file_.Tell(); }
  void DecodePlacement(ARef& ref);

  const Library& library_;
  BinaryFile file_;
  uint32_t openId_ = 0;
  int32_t end_ = 0;
  // Where the section's placement section starts (-1: it has none).
  int32_t placementsAt_ = -1;
  LayerKey key_ = 0;
  bool inPlacements_ = false;
  // The key of the last shape block, and the last group read in the block.
  bool haveShapeKey_ = false;
  LayerKey lastShapeKey_ = 0;
  const ShapeGroup* previous_ = nullptr;
  // The previous placement record's cell id (-1 before the first) and offset.
  int64_t lastId_ = -1;
  Point position_;
};
