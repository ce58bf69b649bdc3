#include "db/cell_data_reader.h"

#include <cstring>

#include "db/db_polygon.h"
#include "db/error.h"
#include "db/layout_limits.h"
#include "db/library.h"
#include "db/numeric.h"
#include "db/shape_group.h"
#include "db/trans.h"

namespace {

// The fewest bytes a group takes (a 4-byte header and a position count), and a position (two
// one-byte deltas).
constexpr int64_t kMinGroupBytes = 5;
constexpr int64_t kMinPositionBytes = 2;

// Malformed chained integers and the end of the stream inside a section both mean the section
// is corrupt or cut short.
[[noreturn]] void ThrowAsCellDataError(const Error& e) {
  if (std::strcmp(e.Tag(), kTagBinaryIn) == 0) throw Error(kTagLibIn, "Insufficient Cell Data");
  throw e;
}

}  // namespace

CellDataReader::CellDataReader(const Library& library) : library_(library), file_(kTagLibIn) {}

bool CellDataReader::Open(uint32_t id) {
  if (openId_ == id) return true;
  Close();
  if (!file_.Open(library_.DataPath(id), false, library_.gzip)) return false;
  openId_ = id;
  return true;
}

void CellDataReader::Close() {
  openId_ = 0;
  file_.Close();
}

void CellDataReader::SeekCell(const Cell& cell) {
  if (cell.fileId == 0) throw Error(kTagLibIn, "Cell file id invalid");
  if (!Open(cell.fileId)) throw Error(kTagLibIn, "Cannot open file " + library_.DataPath(cell.fileId));
  if (file_.Tell() != cell.geometryPosition && !file_.Seek(cell.geometryPosition)) {
    throw Error(kTagLibIn, "Insufficient Cell Data");
  }
  end_ = cell.endPosition;
  placementsAt_ = cell.referencePosition;
  inPlacements_ = false;
  haveShapeKey_ = false;
  previous_ = nullptr;
  lastId_ = -1;
  position_ = Point();
}

void CellDataReader::SeekPlacements(const Cell& cell) {
  SeekCell(cell);
  if (!file_.Seek(cell.referencePosition)) throw Error(kTagLibIn, "Insufficient Cell Data");
  uint16_t word;
  if (AtEnd() || !file_.Read2(word)) throw Error(kTagLibIn, "Insufficient Cell Data");
  if (word != kPlacementLayer) throw Error(kTagLibIn, "Wrong format");
  inPlacements_ = true;
}

void CellDataReader::CheckEnd() {
  if (file_.Tell() > end_) throw Error(kTagLibIn, "Wrong format");
}

bool CellDataReader::NextLayer(LayerKey& key, uint32_t& groups) {
  if (inPlacements_ || AtEnd()) return false;
  try {
    // The placement section starts where the index says, and only there: reading it from the
    // marker (loading) and from the index's position (exports) must give the same placements.
    int64_t at = file_.Tell();
    if (placementsAt_ >= 0 && at > placementsAt_) throw Error(kTagLibIn, "Wrong format");
    uint16_t layer;
    if (!file_.Read2(layer)) throw Error(kTagLibIn, "Insufficient Cell Data");
    if ((layer == kPlacementLayer) != (at == placementsAt_)) throw Error(kTagLibIn, "Wrong format");
    if (layer == kPlacementLayer) {
      inPlacements_ = true;
      return false;
    }
    uint8_t datatype;
    if (!file_.ReadByte(datatype)) throw Error(kTagLibIn, "Insufficient Cell Data");
    groups = file_.ReadUnsignedChained();
    if (groups > uint32_t(INT32_MAX)) throw Error(kTagLibIn, "Wrong layer format");
    if (groups > Left() / kMinGroupBytes) throw Error(kTagLibIn, "Wrong format");
    key = MakeLayerKey(layer, datatype);
    if (groups > 0) {
      // Shape blocks come in ascending key order, one per key.
      if (haveShapeKey_ && key <= lastShapeKey_) throw Error(kTagLibIn, "Wrong format");
      haveShapeKey_ = true;
      lastShapeKey_ = key;
      previous_ = nullptr;
    }
    key_ = key;
    return true;
  } catch (const Error& e) {
    ThrowAsCellDataError(e);
  }
}

ShapeGroup* CellDataReader::ReadGroup(ShapeGroupList& list) {
  try {
    DBPolygonPtr record = DBPolygon::Read(file_);
    uint32_t count = file_.ReadUnsignedChained();
    if (count == 0 || count > uint32_t(INT32_MAX) || count > Left() / kMinPositionBytes) {
      throw Error(kTagLibIn, "Wrong format");
    }
    // Groups in ascending record order, each record once: a repeated record or position
    // would be merged away by the next save.
    if (previous_ && DBPolygon::Compare(*previous_->record, *record) >= 0) throw Error(kTagLibIn, "Wrong format");
    ShapeGroup* group = list.Append(std::move(record));
    int32_t x = 0, y = 0;
    for (uint32_t i = 0; i < count; ++i) {
      x = WrapToInt32(int64_t(x) + file_.ReadSignedChained());
      y = WrapToInt32(int64_t(y) + file_.ReadSignedChained());
      ShapePosition* p = group->AppendPosition(x, y);
      if (p->prev && ComparePositions(p->prev, p) >= 0) throw Error(kTagLibIn, "Wrong format");
    }
    CheckEnd();
    previous_ = group;
    return group;
  } catch (const Error& e) {
    ThrowAsCellDataError(e);
  }
}

TextItem CellDataReader::ReadText() {
  try {
    TextItem text;
    text.key = key_;
    text.x = file_.ReadSignedChained();
    text.y = file_.ReadSignedChained();
    text.textId = file_.ReadUnsignedChained();
    CheckEnd();
    return text;
  } catch (const Error& e) {
    ThrowAsCellDataError(e);
  }
}

bool CellDataReader::NextPlacement(ARef& ref) {
  if (!inPlacements_ || AtEnd()) return false;
  try {
    DecodePlacement(ref);
    CheckEnd();
    return true;
  } catch (const Error& e) {
    ThrowAsCellDataError(e);
  }
}

void CellDataReader::DecodePlacement(ARef& ref) {
  uint8_t info;
  if (!file_.ReadByte(info)) throw Error(kTagLibIn, "Insufficient Reference Data");
  if (!(info & kRefSameCell)) lastId_ = file_.ReadUnsignedChained();
  if (lastId_ < 0 || lastId_ >= int64_t(library_.cells.size())) throw Error(kTagLibIn, "Cell id invalid");
  float magnification = 1.0f;
  if (info & kRefMagnified) {
    if (!file_.Read4(magnification) || !IsStorableMagnification(magnification)) {
      throw Error(kTagLibIn, "Insufficient Reference Data");
    }
  }
  position_.x = WrapToInt32(int64_t(position_.x) + file_.ReadSignedChained());
  position_.y = WrapToInt32(int64_t(position_.y) + file_.ReadSignedChained());
  ref = ARef();
  ref.cellWord = uint32_t(lastId_);
  if (info & kRefArray) {
    uint32_t columns = file_.ReadUnsignedChained();
    uint32_t rows = file_.ReadUnsignedChained();
    ref.columnPitch = file_.ReadSignedChained();
    ref.rowPitch = file_.ReadSignedChained();
    if (columns < 1 || columns > INT16_MAX || rows < 1 || rows > INT16_MAX) {
      throw Error(kTagLibIn, "Insufficient Reference Data");
    }
    ref.columns = int16_t(columns);
    ref.rows = int16_t(rows);
    ref.cellWord |= kArrayBit;
  }
  ref.x = position_.x;
  ref.y = position_.y;
  ref.magnification = magnification;
  ref.orientation = uint8_t(info & kRefCodeMask);
}
