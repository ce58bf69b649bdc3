#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "db/db_polygon.h"
#include "db/error.h"
#include "formats/formatted_error.h"
#include "formats/oasis_file.h"

namespace {

constexpr const char* kTag = kTagOasisIn;

[[noreturn]] void OutOfRange() { throw Error(kTag, "Integer out of range"); }

int64_t Magnitude(int64_t v) { return v < 0 ? -v : v; }

// Moves p by d (each component within kMaxOasisOffset) and keeps the result within range.
void MoveChecked(OasisDelta& p, const OasisDelta& d) {
  p.x += d.x;
  p.y += d.y;
  if (Magnitude(p.x) > kMaxOasisOffset || Magnitude(p.y) > kMaxOasisOffset) OutOfRange();
}

// (count − 1) × step for a lattice axis, refused beyond the coordinate range.
int64_t LatticeExtent(uint64_t count, int64_t step) {
  uint64_t steps = count - 1;
  uint64_t size = uint64_t(Magnitude(step));
  if (size != 0 && steps > uint64_t(kMaxOasisOffset) / size) throw Error(kTag, "Repetition offset out of range");
  return int64_t(steps) * step;
}

}  // namespace

OasisFile::OasisFile() : BinaryFile(kTag, kStreamBufferSize) {}

void OasisFile::OpenForRead(const std::string& path) {
  if (!Open(path, false, false)) throw FormattedError(kTag, "Cannot open file %s!", path.c_str());
  struct stat info;
  fileSize_ = stat(path.c_str(), &info) == 0 ? int64_t(info.st_size) : 0;
}

uint64_t OasisFile::BytesLeft() {
  int64_t position = Tell();
  return position >= 0 && position < fileSize_ ? uint64_t(fileSize_ - position) : 0;
}

uint8_t OasisFile::ReadByteOrFail() {
  uint8_t b;
  if (!ReadByte(b)) throw Error(kTag, "Unexpected end of file");
  return b;
}

// The long decoders work straight on the buffer when the longest value (10 bytes) is there and
// is well formed; anything else is decoded again byte by byte, which gives the same value or
// the same Error.
uint64_t OasisFile::ReadLongUnsigned() {
  if (const uint8_t* in = Contiguous(10)) {
    uint64_t value = 0;
    for (int i = 0; i < 10; ++i) {
      uint64_t group = in[i] & 0x7f;
      if (i == 9 && group > 1) break;
      value |= group << (7 * i);
      if (!(in[i] & 0x80)) {
        Advance(size_t(i) + 1);
        return value;
      }
    }
  }
  return ReadUnsignedByBytes();
}

int64_t OasisFile::ReadLongSigned() {
  if (const uint8_t* in = Contiguous(10)) {
    bool negative = in[0] & 1;
    uint64_t magnitude = (in[0] >> 1) & 0x3f;
    int length = 1;
    for (; in[length - 1] & 0x80; ++length) {
      if (length == 10) return ReadSignedByBytes();
      uint64_t group = in[length] & 0x7f;
      if (length == 9 && group > 3) return ReadSignedByBytes();
      magnitude |= group << (7 * length - 1);
    }
    uint64_t limit = uint64_t(std::numeric_limits<int64_t>::max());
    if (magnitude <= limit + (negative ? 1 : 0)) {
      Advance(size_t(length));
      if (!negative) return int64_t(magnitude);
      return magnitude == 0 ? 0 : -int64_t(magnitude - 1) - 1;
    }
  }
  return ReadSignedByBytes();
}

uint64_t OasisFile::ReadUnsignedByBytes() {
  uint64_t value = 0;
  for (int i = 0; i < 10; ++i) {
    uint8_t b = ReadByteOrFail();
    uint64_t group = b & 0x7f;
    if (i == 9 && group > 1) OutOfRange();
    value |= group << (7 * i);
    if (!(b & 0x80)) return value;
  }
  OutOfRange();
}

int64_t OasisFile::ReadSignedByBytes() {
  uint8_t b = ReadByteOrFail();
  bool negative = b & 1;
  uint64_t magnitude = (b >> 1) & 0x3f;
  for (int i = 1; b & 0x80; ++i) {
    if (i == 10) OutOfRange();
    b = ReadByteOrFail();
    uint64_t group = b & 0x7f;
    // The tenth byte holds bits 62 and up: only bits 62 and 63 exist.
    if (i == 9 && group > 3) OutOfRange();
    magnitude |= group << (7 * i - 1);
  }
  uint64_t limit = uint64_t(std::numeric_limits<int64_t>::max());
  if (magnitude > limit + (negative ? 1 : 0)) OutOfRange();
  if (!negative) return int64_t(magnitude);
  return magnitude == 0 ? 0 : -int64_t(magnitude - 1) - 1;
}

void OasisFile::ThrowOutOfRange() { OutOfRange(); }

double OasisFile::ReadReal() { return ReadRealOfType(ReadUnsigned()); }

double OasisFile::ReadRealOfType(uint64_t type) {
  switch (type) {
    case 0:
    case 1: {
      double v = double(ReadUnsigned());
      return type == 1 ? -v : v;
    }
    case 2:
    case 3:
    case 4:
    case 5: {
      double numerator = type <= 3 ? 1.0 : double(ReadUnsigned());
      double denominator = double(ReadUnsigned());
      double v;
      if (denominator != 0) {
        v = numerator / denominator;
      } else {
        v = numerator == 0 ? std::numeric_limits<double>::quiet_NaN() : std::numeric_limits<double>::infinity();
      }
      return (type & 1) ? -v : v;
    }
    case 6: {
      uint32_t bits;
      if (!Read4(bits)) throw Error(kTag, "Unexpected end of file");
      float f;
      std::memcpy(&f, &bits, sizeof f);
      return double(f);
    }
    case 7: {
      double v;
      if (!Read8(v)) throw Error(kTag, "Unexpected end of file");
      return v;
    }
    default: throw Error(kTag, "Unkown Real Format");
  }
}

double OasisFile::ReadFiniteReal(const char* what) {
  double v = ReadReal();
  if (!std::isfinite(v)) throw FormattedError(kTag, "Invalid %s", what);
  return v;
}

void OasisFile::ReadString(std::string& s) {
  uint64_t length = ReadUnsigned();
  if (length > BytesLeft()) throw Error(kTag, "String too long");
  s.resize(size_t(length));
  if (Read(s.data(), s.size()) != s.size()) throw Error(kTag, "String defined but end of file");
}

OasisDelta OasisFile::ReadDirectedDelta(uint64_t direction, uint64_t magnitude) {
  // East, north, west, south, then north-east, north-west, south-west, south-east.
  static const int8_t kUnitX[8] = {1, 0, -1, 0, 1, -1, -1, 1};
  static const int8_t kUnitY[8] = {0, 1, 0, -1, 1, 1, -1, -1};
  if (magnitude > uint64_t(kMaxOasisOffset)) OutOfRange();
  int64_t m = int64_t(magnitude);
  OasisDelta d;
  d.x = kUnitX[direction] * m;
  d.y = kUnitY[direction] * m;
  return d;
}

OasisDelta OasisFile::Read2Delta() {
  uint64_t u = ReadUnsigned();
  return ReadDirectedDelta(u & 3, u >> 2);
}

OasisDelta OasisFile::Read3Delta() {
  uint64_t u = ReadUnsigned();
  return ReadDirectedDelta(u & 7, u >> 3);
}

OasisDelta OasisFile::ReadGDelta() {
  uint64_t u = ReadUnsigned();
  if (!(u & 1)) return ReadDirectedDelta((u >> 1) & 7, u >> 4);
  uint64_t x = u >> 2;
  uint64_t v = ReadUnsigned();
  uint64_t y = v >> 1;
  if (x > uint64_t(kMaxOasisOffset) || y > uint64_t(kMaxOasisOffset)) OutOfRange();
  OasisDelta d;
  d.x = (u & 2) ? -int64_t(x) : int64_t(x);
  d.y = (v & 1) ? -int64_t(y) : int64_t(y);
  return d;
}

void OasisFile::ReadPointList(std::vector<OasisDelta>& points, bool polygon) {
  uint64_t type = ReadUnsigned();
  if (type > 5) throw Error(kTag, "Unknown point list type");
  uint64_t count = ReadUnsigned();
  // Every delta takes at least one byte; the first vertex and the implied one come on top.
  if (count > BytesLeft() || count > kMaxPolygonVertices - 2) {
    throw FormattedError(kTag, "Point list too long (%llu points)", static_cast<unsigned long long>(count));
  }
  points.clear();
  OasisDelta p;
  points.push_back(p);
  if (type <= 1) {
    bool horizontal = type == 0;
    for (uint64_t i = 0; i < count; ++i, horizontal = !horizontal) {
      int64_t v = ReadSigned();
      if (Magnitude(v) > kMaxOasisOffset) OutOfRange();
      MoveChecked(p, horizontal ? OasisDelta{v, 0} : OasisDelta{0, v});
      points.push_back(p);
    }
    // The implied vertex: one more edge in the alternating direction, ending on the axis that
    // lets the closing edge alternate too.
    if (polygon) points.push_back(horizontal ? OasisDelta{0, p.y} : OasisDelta{p.x, 0});
    return;
  }
  OasisDelta step;
  for (uint64_t i = 0; i < count; ++i) {
    OasisDelta d = type == 2 ? Read2Delta() : type == 3 ? Read3Delta() : ReadGDelta();
    if (type == 5) {
      // Double differences: each delta changes the step, the step moves the vertex.
      MoveChecked(step, d);
      d = step;
    }
    MoveChecked(p, d);
    points.push_back(p);
  }
}

void OasisFile::ReadRepetition(OasisRepetition& modal) {
  uint64_t type = ReadUnsigned();
  if (type == 0) {
    if (modal.type == 0) throw Error(kTag, "Modal variable repetition undefined");
    return;
  }
  if (type > 11) throw Error(kTag, "Unknown Repetition ");
  modal.type = uint32_t(type);
  modal.countX = modal.countY = 1;
  modal.stepX = modal.stepY = OasisDelta();
  modal.offsets.clear();
  if (modal.IsList()) {
    ReadOffsetList(modal.type, modal);
  } else {
    ReadLattice(modal.type, modal);
  }
}

void OasisFile::ReadLattice(uint32_t type, OasisRepetition& r) {
  // Dimensions are stored as the count less 2.
  auto dimension = [this] { return uint64_t(ReadUnsigned32()) + 2; };
  auto space = [this] {
    uint64_t v = ReadUnsigned();
    if (v > uint64_t(kMaxOasisOffset)) OutOfRange();
    return int64_t(v);
  };
  if (type == 1 || type == 2) r.countX = dimension();
  if (type == 1 || type == 3) r.countY = dimension();
  if (type == 8) {
    r.countX = dimension();
    r.countY = dimension();
  }
  if (type == 9) r.countX = dimension();
  if (type == 1 || type == 2) r.stepX.x = space();
  if (type == 1 || type == 3) r.stepY.y = space();
  if (type == 8 || type == 9) r.stepX = ReadGDelta();
  if (type == 8) r.stepY = ReadGDelta();
  // The farthest offsets are the corners of the lattice.
  OasisDelta alongX{LatticeExtent(r.countX, r.stepX.x), LatticeExtent(r.countX, r.stepX.y)};
  OasisDelta alongY{LatticeExtent(r.countY, r.stepY.x), LatticeExtent(r.countY, r.stepY.y)};
  if (Magnitude(alongX.x + alongY.x) > kMaxOasisOffset || Magnitude(alongX.y + alongY.y) > kMaxOasisOffset) {
    throw Error(kTag, "Repetition offset out of range");
  }
}

void OasisFile::ReadOffsetList(uint32_t type, OasisRepetition& r) {
  uint64_t count = uint64_t(ReadUnsigned32()) + 2;
  uint64_t grid = 1;
  if (type == 5 || type == 7 || type == 11) {
    grid = ReadUnsigned();
    if (grid > uint64_t(kMaxOasisOffset)) OutOfRange();
  }
  // One space or displacement of at least one byte per position after the first.
  if (count - 1 > BytesLeft()) {
    throw FormattedError(kTag, "Repetition too large (%llu positions)", static_cast<unsigned long long>(count));
  }
  bool alongY = type == 6 || type == 7;
  int64_t maxUnit = grid == 0 ? kMaxOasisOffset : kMaxOasisOffset / int64_t(grid);
  OasisDelta p;
  r.offsets.push_back(p);
  for (uint64_t i = 1; i < count; ++i) {
    OasisDelta d;
    if (type >= 10) {
      d = ReadGDelta();
    } else {
      uint64_t s = ReadUnsigned();
      if (s > uint64_t(kMaxOasisOffset)) OutOfRange();
      (alongY ? d.y : d.x) = int64_t(s);
    }
    if (Magnitude(d.x) > maxUnit || Magnitude(d.y) > maxUnit) OutOfRange();
    d.x *= int64_t(grid);
    d.y *= int64_t(grid);
    MoveChecked(p, d);
    r.offsets.push_back(p);
  }
}

void OasisFile::ReadPropertyValue(OasisPropertyValue& value) {
  uint64_t type = ReadUnsigned();
  if (type > 15) {
    throw FormattedError(kTag, "Unknown property value type %llu", static_cast<unsigned long long>(type));
  }
  value.type = uint32_t(type);
  if (type <= 7) {
    value.real = ReadRealOfType(type);
  } else if (type == 9) {
    value.signedValue = ReadSigned();
  } else if (type >= 10 && type <= 12) {
    ReadString(value.text);
  } else {
    value.unsignedValue = ReadUnsigned();
  }
}

uint64_t OasisRepetition::Count() const {
  if (IsList()) return offsets.size();
  if (countX != 0 && countY > std::numeric_limits<uint64_t>::max() / countX) {
    return std::numeric_limits<uint64_t>::max();
  }
  return countX * countY;
}

void OasisRepetition::Expand(std::vector<OasisDelta>& out, uint64_t cap) const {
  uint64_t count = Count();
  if (count > cap) {
    throw FormattedError(kTag, "Repetition too large (%llu positions)", static_cast<unsigned long long>(count));
  }
  if (IsList()) {
    out.assign(offsets.begin(), offsets.end());
    return;
  }
  out.clear();
  out.reserve(count);
  for (uint64_t j = 0; j < countY; ++j) {
    for (uint64_t i = 0; i < countX; ++i) {
      OasisDelta d;
      d.x = int64_t(i) * stepX.x + int64_t(j) * stepY.x;
      d.y = int64_t(i) * stepX.y + int64_t(j) * stepY.y;
      out.push_back(d);
    }
  }
}
