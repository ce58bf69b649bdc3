#include <cmath>

#include "db/error.h"
#include "db/layout_limits.h"
#include "db/library.h"
#include "db/numeric.h"
#include "formats/formatted_error.h"
#include "formats/oasis_ctrapezoid.h"
#include "formats/oasis_in.h"

namespace {

constexpr const char* kTag = kTagOasisIn;

// Orientation codes of the four angles, without and with the flip.
constexpr uint8_t kCodes[2][4] = {{0, 1, 2, 3}, {6, 7, 4, 5}};

// An angle in degrees snapped to 0 to 3 quarter turns: rounded to whole degrees, taken into 0
// to 359, then 0-45 and 316-359 give 0, 46-135 90, 136-215 180, 216-315 270.
int QuarterTurns(double angle) {
  double reduced = std::fmod(angle, 360.0);
  int degrees = int(std::round(reduced));
  degrees = ((degrees % 360) + 360) % 360;
  if (degrees <= 45 || degrees >= 316) return 0;
  if (degrees <= 135) return 1;
  if (degrees <= 215) return 2;
  return 3;
}

int32_t CheckedCoordinate(int64_t v) {
  if (v < INT32_MIN || v > INT32_MAX) throw Error(kTag, "Integer out of range");
  return int32_t(v);
}

}  // namespace

void OasisIn::ThrowModalUndefined(const char* name) { throw FormattedError(kTag, "Modal variable %s undefined", name); }

void OasisIn::ReadLayerAndDatatype(uint8_t info) {
  if (info & 0x01) modal_.layer = file_.ReadUnsigned32();
  if (info & 0x02) modal_.datatype = file_.ReadUnsigned32();
}

void OasisIn::ReadPosition(uint8_t info, uint8_t xBit, uint8_t yBit, int64_t& x, int64_t& y) {
  // Positions stay within 32 bits, so that sums in 64 bits never overflow.
  if (info & xBit) x = CheckedCoordinate((modal_.relative ? x : 0) + file_.ReadSigned32());
  if (info & yBit) y = CheckedCoordinate((modal_.relative ? y : 0) + file_.ReadSigned32());
}

bool OasisIn::ReadOptionalRepetition(uint8_t info, uint8_t rBit) {
  if (!(info & rBit)) return false;
  file_.ReadRepetition(modal_.repetition);
  return true;
}

void OasisIn::ReadPlacement(uint64_t recordId) {
  uint8_t info = ReadByte();
  if (info & 0x80) {
    if (info & 0x40) {
      modal_.placedCell = CellForReference(file_.ReadUnsigned());
    } else {
      file_.ReadString(string_);
      modal_.placedCell = CellForName(string_);
    }
  }
  uint32_t cellId = uint32_t(Modal(modal_.placedCell, "placement-cell"));
  double magnification = 1.0;
  int turns = (info >> 1) & 3;
  if (recordId == 18) {
    turns = 0;
    if (info & 0x04) {
      magnification = file_.ReadFiniteReal("magnification");
      if (!IsStorableMagnification(magnification)) throw Error(kTag, "Invalid magnification");
      if (IsUnitMagnification(magnification)) magnification = 1.0;
    }
    if (info & 0x02) turns = QuarterTurns(file_.ReadFiniteReal("angle"));
  }
  ReadPosition(info, 0x20, 0x10, modal_.placementX, modal_.placementY);
  bool repeated = ReadOptionalRepetition(info, 0x08);
  Trans trans(int32_t(modal_.placementX), int32_t(modal_.placementY), float(magnification), kCodes[info & 0x01][turns]);
  if (magnification != 1.0) ++statistics_.magnifications;
  BuildPlacement(trans, cellId, repeated);
}

void OasisIn::ReadText() {
  uint8_t info = ReadByte();
  if (info & 0x40) {
    if (info & 0x20) {
      modal_.textString = StringForReference(file_.ReadUnsigned());
    } else {
      file_.ReadString(string_);
      modal_.textString = library_->AddString(string_);
    }
  }
  if (info & 0x01) modal_.textLayer = file_.ReadUnsigned32();
  if (info & 0x02) modal_.textType = file_.ReadUnsigned32();
  ReadPosition(info, 0x10, 0x08, modal_.textX, modal_.textY);
  BuildText(ReadOptionalRepetition(info, 0x04));
}

void OasisIn::ReadRectangle() {
  uint8_t info = ReadByte();
  ReadLayerAndDatatype(info);
  if (info & 0x40) modal_.width = file_.ReadUnsigned32();
  if (info & 0x20) modal_.height = file_.ReadUnsigned32();
  if (info & 0x80) modal_.height = Modal(modal_.width, "geometry-w");
  ReadPosition(info, 0x10, 0x08, modal_.geometryX, modal_.geometryY);
  BuildShape(kRectangle, ReadOptionalRepetition(info, 0x04));
}

void OasisIn::ReadPolygon() {
  uint8_t info = ReadByte();
  ReadLayerAndDatatype(info);
  if (info & 0x20) {
    file_.ReadPointList(modal_.polygonPoints, true);
    modal_.polygonPointsDefined = true;
  }
  ReadPosition(info, 0x10, 0x08, modal_.geometryX, modal_.geometryY);
  BuildShape(kPolygon, ReadOptionalRepetition(info, 0x04));
}

void OasisIn::ReadPathExtensions() {
  uint64_t scheme = file_.ReadUnsigned();
  struct End {
    uint64_t code;
    int32_t& type;
    int64_t& value;
  } ends[2] = {{(scheme >> 2) & 3, modal_.startExtensionType, modal_.startExtension},
               {scheme & 3, modal_.endExtensionType, modal_.endExtension}};
  for (End& end : ends) {
    if (end.code == 3) {
      end.value = file_.ReadSigned32();
      end.type = 3;
    } else if (end.code == 1) {
      end.type = 0;
    } else if (end.code == 2) {
      end.type = 2;
    }
  }
}

void OasisIn::ReadPath() {
  uint8_t info = ReadByte();
  ReadLayerAndDatatype(info);
  if (info & 0x40) modal_.halfWidth = file_.ReadUnsigned32();
  if (info & 0x80) ReadPathExtensions();
  if (info & 0x20) {
    file_.ReadPointList(modal_.pathPoints, false);
    modal_.pathPointsDefined = true;
  }
  ReadPosition(info, 0x10, 0x08, modal_.geometryX, modal_.geometryY);
  BuildShape(kPath, ReadOptionalRepetition(info, 0x04));
}

void OasisIn::ReadTrapezoid(uint64_t recordId) {
  uint8_t info = ReadByte();
  ReadLayerAndDatatype(info);
  if (info & 0x40) modal_.width = file_.ReadUnsigned32();
  if (info & 0x20) modal_.height = file_.ReadUnsigned32();
  modal_.trapezoidVertical = (info & 0x80) != 0;
  modal_.trapezoidA = recordId == 25 ? 0 : file_.ReadSigned32();
  modal_.trapezoidB = recordId == 24 ? 0 : file_.ReadSigned32();
  ReadPosition(info, 0x10, 0x08, modal_.geometryX, modal_.geometryY);
  BuildShape(kTrapezoid, ReadOptionalRepetition(info, 0x04));
}

void OasisIn::ReadCTrapezoid() {
  uint8_t info = ReadByte();
  ReadLayerAndDatatype(info);
  if (info & 0x80) {
    modal_.ctrapezoidType = file_.ReadUnsigned32();
    if (modal_.ctrapezoidType > 25) throw Error(kTag, "Invalid ctrapezoid type");
  }
  if (info & 0x40) modal_.width = file_.ReadUnsigned32();
  if (info & 0x20) modal_.height = file_.ReadUnsigned32();
  StoreImpliedCTrapezoidSize();
  ReadPosition(info, 0x10, 0x08, modal_.geometryX, modal_.geometryY);
  BuildShape(kCTrapezoid, ReadOptionalRepetition(info, 0x04));
}

// The types that derive one size from the other leave the derived size in the modal width or
// height, as the square RECTANGLE does, so that a following record reusing it gets that size.
void OasisIn::StoreImpliedCTrapezoidSize() {
  int64_t type = modal_.ctrapezoidType;
  if ((type >= 16 && type <= 19) || type == 25) modal_.height = Modal(modal_.width, "geometry-w");
  if (type == 20 || type == 21) modal_.width = 2 * Modal(modal_.height, "geometry-h");
  if (type == 22 || type == 23) modal_.height = 2 * Modal(modal_.width, "geometry-w");
}

void OasisIn::ReadCircle() {
  uint8_t info = ReadByte();
  ReadLayerAndDatatype(info);
  if (info & 0x20) modal_.radius = file_.ReadUnsigned32();
  ReadPosition(info, 0x10, 0x08, modal_.geometryX, modal_.geometryY);
  BuildShape(kCircle, ReadOptionalRepetition(info, 0x04));
}
