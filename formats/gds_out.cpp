#include "formats/gds_out.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "db/db_polygon.h"
#include "db/error.h"
#include "db/layout_limits.h"
#include "db/library.h"
#include "db/log.h"
#include "db/numeric.h"
#include "db/trans.h"
#include "formats/formatted_error.h"
#include "formats/gds_real.h"

namespace {
constexpr const char* kTag = kTagGdsOut;
// 16^63: the smallest magnitude beyond the GDSII real's exponent range.
const double kRealLimit = std::ldexp(1.0, 252);
// Staged elements are written once they reach this many bytes.
constexpr size_t kStagedBytes = size_t(1) << 20;

int32_t CheckedInt32(int64_t v, const char* what) {
  if (v < INT32_MIN || v > INT32_MAX) throw Error(kTag, std::string(what) + " out of 32-bit range");
  return int32_t(v);
}
}  // namespace

GdsOut::GdsOut(const std::string& name, bool gzip, std::time_t now) : BinaryFile(kTag) {
  localtime_r(&now, &localTime_);
  if (!Open(output_.Begin(name), true, gzip, 32)) throw Error(kTag, "Cannot open file " + name + "!");
}

GdsOut::~GdsOut() {
  try {
    FlushStaged();
  } catch (const Error& e) {
    LogError(e);
  }
  rings_.Clear();
  work_.Clear();
}

void GdsOut::FlushStaged() {
  if (staged_.empty()) return;
  // Cleared first: a failed write must not be repeated by the destructor.
  std::vector<uint8_t> pending;
  pending.swap(staged_);
  WriteBytes(pending.data(), pending.size());
  pending.clear();
  staged_.swap(pending);
}

void GdsOut::Close() {
  FlushStaged();
  BinaryFile::Close();
  output_.Commit(kTag);
}

int64_t GdsOut::Tell() {
  int64_t position = BinaryFile::Tell();
  return position < 0 ? position : position + int64_t(staged_.size());
}

void GdsOut::WriteRecordHeader(int8_t type, uint8_t dataType, size_t dataLength) {
  FlushStaged();
  size_t length = dataLength + 4;
  if (dataType == gds::kAscii && (dataLength & 1) != 0) ++length;
  if (length > 0xffff) throw Error(kTag, "Record too long for GDSII");
  WriteBE16(uint16_t(length));
  WriteByte(uint8_t(type));
  WriteByte(dataType);
}

void GdsOut::WriteEmptyRecord(int8_t type) { WriteRecordHeader(type, gds::kNoData, 0); }

void GdsOut::WriteInt16Record(int8_t type, uint8_t dataType, uint16_t value) {
  WriteRecordHeader(type, dataType, 2);
  WriteBE16(value);
}

void GdsOut::WriteInt32Record(int8_t type, int32_t value) {
  WriteRecordHeader(type, gds::kInt32, 4);
  WriteBE32(uint32_t(value));
}

void GdsOut::WriteRealRecord(int8_t type, double value) {
  if (!std::isfinite(value) || std::fabs(value) >= kRealLimit) {
    throw Error(kTag, "Value not representable as GDSII real");
  }
  WriteRecordHeader(type, gds::kReal8, 8);
  uint8_t bytes[8];
  ToGdsReal(value, bytes);
  WriteBytes(bytes, 8);
}

void GdsOut::WriteStringRecord(int8_t type, const std::string& text) {
  if (text.size() > kMaxStringLength) throw Error(kTag, "String too long for a GDSII record");
  WriteRecordHeader(type, gds::kAscii, text.size());
  WriteBytes(text.data(), text.size());
  if (text.size() & 1) WriteByte(0);
}

void GdsOut::WriteXyHeader(size_t count) {
  if (count > (0xffff - 4) / 8) throw Error(kTag, "Too many points for one XY record");
  WriteRecordHeader(gds::kXy, gds::kInt32, count * 8);
}

void GdsOut::WritePoint(int64_t x, int64_t y) {
  if (library_ && library_->outputScale != 1.0) {
    double scale = library_->outputScale;
    double sx = std::floor(double(x) * scale + 0.5);
    double sy = std::floor(double(y) * scale + 0.5);
    if (!(std::fabs(sx) <= 2147483648.0 && std::fabs(sy) <= 2147483648.0)) {
      throw Error(kTag, "Scaled coordinate out of 32-bit range");
    }
    x = int64_t(sx);
    y = int64_t(sy);
  }
  WriteBE32(uint32_t(CheckedInt32(x, "Coordinate")));
  WriteBE32(uint32_t(CheckedInt32(y, "Coordinate")));
}

void GdsOut::WriteBoundaryElement(uint16_t layer, uint16_t datatype, const Point* vertices, size_t n) {
  if (n < 1 || n > size_t(kMaxVertices)) throw Error(kTag, "Boundary vertex count out of range");
  WriteEmptyRecord(gds::kBoundary);
  WriteInt16Record(gds::kLayer, gds::kInt16, layer);
  WriteInt16Record(gds::kDataType, gds::kInt16, datatype);
  WriteXyHeader(n + 1);
  for (size_t i = 0; i < n; ++i) WritePoint(vertices[i].x, vertices[i].y);
  WritePoint(vertices[0].x, vertices[0].y);
  WriteEmptyRecord(gds::kEndEl);
}

void GdsOut::WriteDateStamps() {
  const uint16_t stamp[6] = {uint16_t(localTime_.tm_year + 1900), uint16_t(localTime_.tm_mon + 1),
                             uint16_t(localTime_.tm_mday),        uint16_t(localTime_.tm_hour),
                             uint16_t(localTime_.tm_min),         uint16_t(localTime_.tm_sec)};
  for (int copy = 0; copy < 2; ++copy) {
    for (uint16_t v : stamp) WriteBE16(v);
  }
}

void GdsOut::WriteLibraryStart(uint16_t version, const std::string& libName, double userUnit, double dbUnit) {
  WriteInt16Record(gds::kHeader, gds::kInt16, version);
  WriteRecordHeader(gds::kBgnLib, gds::kInt16, 24);
  WriteDateStamps();
  WriteStringRecord(gds::kLibName, libName);
  if (!std::isfinite(userUnit) || std::fabs(userUnit) >= kRealLimit) {
    throw Error(kTag, "Value not representable as GDSII real");
  }
  // A unit beyond the range would be written but not read back.
  if (!IsStorableDbUnit(dbUnit)) throw FormattedError(kTag, "Database unit %e m outside 1e-12 to 1e-3", dbUnit);
  WriteRecordHeader(gds::kUnits, gds::kReal8, 16);
  uint8_t bytes[8];
  ToGdsReal(userUnit, bytes);
  WriteBytes(bytes, 8);
  ToGdsReal(dbUnit, bytes);
  WriteBytes(bytes, 8);
}

void GdsOut::WriteLibraryHeader(Library& library) {
  library_ = &library;
  WriteLibraryStart(library.version, library.name, library.userUnit, library.dbUnit);
  LogMessage("DB unit=%e meter\n", library.dbUnit);
}

void GdsOut::WriteStructureHeader(const std::string& cellName) {
  WriteRecordHeader(gds::kBgnStr, gds::kInt16, 24);
  WriteDateStamps();
  WriteStringRecord(gds::kStrName, cellName);
}

void GdsOut::WriteStructureHeader(const Cell& cell) { WriteStructureHeader(std::string(cell.Name())); }

void GdsOut::WriteLibraryEnd() {
  WriteEmptyRecord(gds::kEndLib);
  Close();
}

void GdsOut::WriteStrans(const Trans& trans) {
  bool magnified = trans.IsMagnified();
  if (trans.orientation == 0 && !magnified) return;
  WriteInt16Record(gds::kStrans, gds::kBitArray, trans.orientation >= 4 && trans.orientation <= 7 ? 0x8000 : 0);
  if (magnified) WriteRealRecord(gds::kMag, trans.magnification);
  if (trans.orientation != 0 && trans.orientation != 6) WriteRealRecord(gds::kAngle, trans.GetAngle());
}

void GdsOut::WriteText(const GdsOutText& text) {
  WriteEmptyRecord(gds::kText);
  WriteInt16Record(gds::kLayer, gds::kInt16, text.layer);
  WriteInt16Record(gds::kTextType, gds::kInt16, text.texttype);
  if (text.presentation != 0) WriteInt16Record(gds::kPresentation, gds::kBitArray, text.presentation);
  if (text.pathType != 0) WriteInt16Record(gds::kPathType, gds::kInt16, text.pathType);
  if (text.width != 0) WriteInt32Record(gds::kWidth, text.width);
  WriteStrans(Trans(text.x, text.y, text.magnification, text.orientation));
  WriteXyHeader(1);
  WritePoint(text.x, text.y);
  WriteStringRecord(gds::kString, text.text);
  WriteEmptyRecord(gds::kEndEl);
}

const std::string& GdsOut::PlacedName(const SRef& ref) const {
  const Cell* placed = library_ ? library_->GetCell(ref.CellId()) : nullptr;
  if (!placed || !placed->name) throw Error(kTag, "Placement of a missing cell");
  return *placed->name;
}

void GdsOut::WriteSRef(const SRef& ref) { WriteSRef(ref, PlacedName(ref)); }

void GdsOut::WriteARef(const ARef& ref) { WriteARef(ref, PlacedName(ref)); }

void GdsOut::WriteSRef(const SRef& ref, const std::string& cellName) {
  WriteEmptyRecord(gds::kSref);
  WriteStringRecord(gds::kSname, cellName);
  WriteStrans(ref);
  WriteXyHeader(1);
  WritePoint(ref.x, ref.y);
  WriteEmptyRecord(gds::kEndEl);
}

void GdsOut::WriteARef(const ARef& ref, const std::string& cellName) {
  if (ref.columns < 1 || ref.rows < 1) throw Error(kTag, "Array count out of range 1..32767");
  WriteEmptyRecord(gds::kAref);
  WriteStringRecord(gds::kSname, cellName);
  WriteStrans(ref);
  WriteRecordHeader(gds::kColRow, gds::kInt16, 4);
  WriteBE16(uint16_t(ref.columns));
  WriteBE16(uint16_t(ref.rows));
  // The column direction runs along y for odd codes, as in ARef::ElementTrans.
  int64_t x = ref.x;
  int64_t y = ref.y;
  int64_t columnSpan;
  int64_t rowSpan;
  WriteXyHeader(3);
  WritePoint(x, y);
  if ((ref.orientation & 1) == 0) {
    columnSpan = int64_t(ref.columns) * ref.columnPitch;
    rowSpan = int64_t(ref.rows) * ref.rowPitch;
    WritePoint(x + columnSpan, y);
    WritePoint(x, y + rowSpan);
  } else {
    columnSpan = int64_t(ref.columns) * ref.rowPitch;
    rowSpan = int64_t(ref.rows) * ref.columnPitch;
    WritePoint(x, y + columnSpan);
    WritePoint(x + rowSpan, y);
  }
  WriteEmptyRecord(gds::kEndEl);
}

void GdsOut::WriteBoundary(RingSet& rings, uint16_t layer, uint16_t datatype) {
  // The walk below marks written rings; the polygon engine may leave the bit set.
  rings.ClearVertexFlags(kVertexVisited);
  for (RingVertex* start = rings.Head(); start; start = NextUnflagged(start)) {
    const uint32_t n = MarkRingVisited(start);
    if (n < 3) continue;
    if (n > uint32_t(kMaxVertices)) {
      RingSet big;
      CopyRingInto(big, start);
      big.SetRingCount(1);
      ChopRings(big, n);
      WriteBoundary(big, layer, datatype);
      continue;
    }
    WriteEmptyRecord(gds::kBoundary);
    WriteInt16Record(gds::kLayer, gds::kInt16, layer);
    WriteInt16Record(gds::kDataType, gds::kInt16, datatype);
    WriteXyHeader(n + 1);
    const RingVertex* v = start;
    do {
      WritePoint(v->x, v->y);
      v = v->ringNext;
    } while (v != start);
    WritePoint(start->x, start->y);
    WriteEmptyRecord(gds::kEndEl);
  }
  rings.ClearVertexFlags(kVertexVisited);
}

void GdsOut::ChopPolygon(const DBPolygon& shape, int32_t x, int32_t y, uint16_t layer, uint16_t datatype) {
  uint32_t n = shape.VertexCount();
  if (n > uint32_t(kMaxVertices)) {
    rings_.Clear();
    shape.ToRing(rings_);
    ChopRings(rings_, n);
    rings_.Translate(x, y);
    WriteBoundary(rings_, layer, datatype);
    rings_.Clear();
    return;
  }
  if (library_ && library_->outputScale != 1.0) {
    WriteScaledShape(shape, x, y, layer, datatype);
    return;
  }
  // The common case, the export's hot path: assembled in the staging buffer.
  size_t start = staged_.size();
  staged_.resize(start + 24 + size_t(n + 1) * 8);
  uint8_t* p = staged_.data() + start;
  // clang-format off
  const uint8_t head[20] = {0, 4, uint8_t(gds::kBoundary), gds::kNoData, 0, 6, uint8_t(gds::kLayer), gds::kInt16,
                            uint8_t(layer >> 8), uint8_t(layer), 0, 6, uint8_t(gds::kDataType), gds::kInt16,
                            uint8_t(datatype >> 8), uint8_t(datatype), 0, 0, uint8_t(gds::kXy), gds::kInt32};
  // clang-format on
  std::memcpy(p, head, sizeof head);
  uint32_t xyLength = 4 + (n + 1) * 8;
  p[16] = uint8_t(xyLength >> 8);
  p[17] = uint8_t(xyLength);
  p += sizeof head;
  auto put = [&p](int32_t v) {
    uint32_t u = uint32_t(v);
    p[0] = uint8_t(u >> 24);
    p[1] = uint8_t(u >> 16);
    p[2] = uint8_t(u >> 8);
    p[3] = uint8_t(u);
    p += 4;
  };
  put(x);
  put(y);
  uint32_t valueIndex = 0;
  int32_t dx = 0;
  int32_t dy = 0;
  for (uint32_t i = 1; i < n; ++i) {
    shape.NextVertex(i, valueIndex, dx, dy);
    put(WrapToInt32(int64_t(x) + dx));
    put(WrapToInt32(int64_t(y) + dy));
  }
  put(x);
  put(y);
  const uint8_t endEl[4] = {0, 4, uint8_t(gds::kEndEl), gds::kNoData};
  std::memcpy(p, endEl, sizeof endEl);
  if (staged_.size() >= kStagedBytes) FlushStaged();
}

void GdsOut::WriteScaledShape(const DBPolygon& shape, int32_t x, int32_t y, uint16_t layer, uint16_t datatype) {
  uint32_t n = shape.VertexCount();
  WriteEmptyRecord(gds::kBoundary);
  WriteInt16Record(gds::kLayer, gds::kInt16, layer);
  WriteInt16Record(gds::kDataType, gds::kInt16, datatype);
  WriteXyHeader(n + 1);
  WritePoint(x, y);
  uint32_t valueIndex = 0;
  int32_t dx = 0;
  int32_t dy = 0;
  for (uint32_t i = 1; i < n; ++i) {
    shape.NextVertex(i, valueIndex, dx, dy);
    WritePoint(WrapToInt32(int64_t(x) + dx), WrapToInt32(int64_t(y) + dy));
  }
  WritePoint(x, y);
  WriteEmptyRecord(gds::kEndEl);
}
