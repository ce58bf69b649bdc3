// The OASIS writer's TEXT and PLACEMENT records. Array placements carry a lattice repetition;
// a pitch that is negative along an axis with more than one element, which the unsigned
// spaces of types 1 to 3 cannot hold, is written as displacement vectors (types 8 and 9).
#include <cstdint>

#include "db/error.h"
#include "db/library.h"
#include "db/log.h"
#include "db/trans.h"
#include "formats/oasis_out.h"

namespace {

constexpr uint8_t kRecordPlacement = 17;
constexpr uint8_t kRecordPlacementMagnified = 18;
constexpr uint8_t kRecordText = 19;

// PLACEMENT info bits (C N X Y R M/A A F).
constexpr uint8_t kPlacementCellByNumber = 0xC0;
constexpr uint8_t kPlacementX = 0x20;
constexpr uint8_t kPlacementY = 0x10;
constexpr uint8_t kPlacementRepetition = 0x08;
constexpr uint8_t kPlacementMagnification = 0x04;
constexpr uint8_t kPlacementAngle = 0x02;
constexpr uint8_t kPlacementFlip = 0x01;

// TEXT info bits (0 C N X Y R T L): the string is always given by reference number.
constexpr uint8_t kTextStringByNumber = 0x60;
constexpr uint8_t kTextX = 0x10;
constexpr uint8_t kTextY = 0x08;
constexpr uint8_t kTextType = 0x02;
constexpr uint8_t kTextLayer = 0x01;

}  // namespace

void OasisOut::WriteText(uint32_t layer, uint32_t textType, int32_t x, int32_t y, uint32_t textId) {
  if (textId >= library_->strings.size()) throw Error(kTagLibIn, "Text id invalid");
  uint8_t info = uint8_t(kTextStringByNumber | (modal.textLayer != layer ? kTextLayer : 0) |
                         (modal.textType != textType ? kTextType : 0) | (modal.textX != x ? kTextX : 0) |
                         (modal.textY != y ? kTextY : 0));
  WriteUnsigned(kRecordText);
  WriteByte(info);
  WriteUnsigned(textId);
  if (info & kTextLayer) WriteUnsigned(uint64_t(modal.textLayer = layer));
  if (info & kTextType) WriteUnsigned(uint64_t(modal.textType = textType));
  if (info & kTextX) WriteSigned(modal.textX = x);
  if (info & kTextY) WriteSigned(modal.textY = y);
}

void OasisOut::WritePlacement(const SRef& ref) { WritePlacementRecord(ref, nullptr); }

void OasisOut::WriteArrayPlacement(const ARef& ref) {
  if (ref.columns < 1 || ref.rows < 1) throw Error(kTagOasisOut, "Array placement without elements");
  WritePlacementRecord(ref, &ref);
}

void OasisOut::WritePlacementRecord(const SRef& ref, const ARef* array) {
  uint32_t id = ref.CellId();
  if (id >= referenceNumbers.size() || referenceNumbers[id] < 0) throw Error(kTagOasisOut, "Cell id invalid");
  int code = ref.orientation & 7;
  int angle = ref.GetAngle();
  bool magnified = ref.IsMagnified();
  uint8_t info = uint8_t(kPlacementCellByNumber | (code >= 4 ? kPlacementFlip : 0) |
                         (ref.x != modal.placementX ? kPlacementX : 0) | (ref.y != modal.placementY ? kPlacementY : 0) |
                         (array && (array->columns > 1 || array->rows > 1) ? kPlacementRepetition : 0));
  if (magnified) {
    info |= uint8_t(kPlacementMagnification | (angle != 0 ? kPlacementAngle : 0));
  } else {
    info |= uint8_t((angle / 90) << 1);
  }
  WriteUnsigned(magnified ? kRecordPlacementMagnified : kRecordPlacement);
  WriteByte(info);
  WriteUnsigned(uint64_t(referenceNumbers[id]));
  if (magnified) {
    WriteReal(double(ref.magnification));
    if (angle != 0) WriteReal(angle);
  }
  if (info & kPlacementX) WriteSigned(modal.placementX = ref.x);
  if (info & kPlacementY) WriteSigned(modal.placementY = ref.y);
  if (info & kPlacementRepetition) WriteArrayRepetition(*array);
}

void OasisOut::WriteArrayRepetition(const ARef& ref) {
  // For odd codes the columns run along y and the rows along x (ARef::ElementTrans); the x
  // space stays the column pitch and the y space the row pitch.
  bool odd = (ref.orientation & 1) != 0;
  uint64_t countX = uint64_t(odd ? ref.rows : ref.columns);
  uint64_t countY = uint64_t(odd ? ref.columns : ref.rows);
  int64_t spaceX = ref.columnPitch, spaceY = ref.rowPitch;
  if ((countX > 1 && spaceX < 0) || (countY > 1 && spaceY < 0)) {
    if (countX > 1 && countY > 1) {
      WriteUnsigned(8);
      WriteUnsigned(countX - 2);
      WriteUnsigned(countY - 2);
      WriteGDelta(spaceX, 0);
      WriteGDelta(0, spaceY);
    } else {
      WriteUnsigned(9);
      WriteUnsigned((countX > 1 ? countX : countY) - 2);
      WriteGDelta(countX > 1 ? spaceX : 0, countX > 1 ? 0 : spaceY);
    }
    return;
  }
  if (countX == 1) {
    WriteUnsigned(3);
    WriteUnsigned(countY - 2);
    WriteUnsigned(uint64_t(spaceY));
  } else if (countY == 1) {
    WriteUnsigned(2);
    WriteUnsigned(countX - 2);
    WriteUnsigned(uint64_t(spaceX));
  } else {
    WriteUnsigned(1);
    WriteUnsigned(countX - 2);
    WriteUnsigned(countY - 2);
    WriteUnsigned(uint64_t(spaceX));
    WriteUnsigned(uint64_t(spaceY));
  }
}

int32_t OasisOut::ReferenceNumber(const SRef& ref, const Cell& parent) {
  uint32_t id = ref.CellId();
  int32_t number = id < referenceNumbers.size() ? referenceNumbers[id] : -1;
  if (number < 0) {
    const Cell* placed = library_->GetCell(id);
    LogMessage("Warning: placement of unwritten cell %s in %s skipped\n", placed ? placed->Name() : "?", parent.Name());
  }
  return number;
}
