// The OASIS writer's byte layer: integers, reals, strings, deltas, the shape repetition, and
// the records that frame a file (magic with START, END).
#include <cmath>
#include <cstdint>
#include <cstring>

#include "db/error.h"
#include "db/layout_limits.h"
#include "db/library.h"
#include "db/shape_group.h"
#include "formats/formatted_error.h"
#include "formats/oasis_out.h"

namespace {

constexpr char kMagic[] = "%SEMI-OASIS\r\n";
constexpr uint8_t kRecordStart = 1;
constexpr uint8_t kRecordEnd = 2;
constexpr size_t kEndPadding = 240;

// Magnitude of v as an unsigned 64-bit value, INT64_MIN included.
uint64_t Magnitude(int64_t v) { return v < 0 ? 0 - uint64_t(v) : uint64_t(v); }

// r is a whole number that the unsigned writer can hold, with its sign removed.
bool FitsUnsigned(double r) { return std::isfinite(r) && std::fabs(r) < 18446744073709551616.0; }

}  // namespace

OasisOut::OasisOut() : BinaryFile(kTagOasisOut) {}

void OasisOut::OpenForWrite(const std::string& path, Library& library) {
  if (!Open(output_.Begin(path), true, false, 0)) throw Error(kTagOasisOut, "Cannot open file " + path + "!");
  library_ = &library;
}

void OasisOut::WriteUnsigned(uint64_t v) {
  uint8_t bytes[10];
  size_t n = 0;
  for (; v > 0x7f; v >>= 7) bytes[n++] = uint8_t((v & 0x7f) | 0x80);
  bytes[n++] = uint8_t(v);
  WriteBytes(bytes, n);
}

void OasisOut::WriteSigned(int64_t v) {
  // The sign takes bit 0 of the first byte, which holds six bits of the magnitude.
  uint64_t m = Magnitude(v);
  uint8_t first = uint8_t(((m & 0x3f) << 1) | (v < 0 ? 1 : 0));
  m >>= 6;
  if (m == 0) {
    WriteByte(first);
    return;
  }
  WriteByte(uint8_t(first | 0x80));
  WriteUnsigned(m);
}

void OasisOut::WriteReal(double v) {
  const double eps = 1.1920928955078125e-7;
  double r = std::round(v);
  // A value near zero that is not zero keeps its own form: 0 would lose it.
  if (FitsUnsigned(r) && std::fabs(v - r) <= eps && (r != 0 || v == 0)) {
    WriteUnsigned(v >= 0 ? 0 : 1);
    WriteUnsigned(uint64_t(std::fabs(r)));
    return;
  }
  double q = 1.0 / v;
  double s = std::round(q);
  if (s != 0 && FitsUnsigned(s) && std::fabs(q - s) <= eps) {
    WriteUnsigned(q >= 0 ? 2 : 3);
    WriteUnsigned(uint64_t(std::fabs(s)));
    return;
  }
  WriteUnsigned(7);
  Write8(v);
}

void OasisOut::WriteString(const std::string& s) {
  WriteUnsigned(s.size());
  if (!s.empty()) WriteBytes(s.data(), s.size());
}

void OasisOut::Write3Delta(int64_t dx, int64_t dy) {
  uint64_t direction;
  uint64_t magnitude;
  if (dx == 0) {
    direction = dy > 0 ? 1 : 3;
    magnitude = Magnitude(dy);
  } else if (dy == 0) {
    direction = dx > 0 ? 0 : 2;
    magnitude = Magnitude(dx);
  } else if (dx == dy) {
    direction = dx > 0 ? 4 : 6;
    magnitude = Magnitude(dx);
  } else {
    direction = dx > 0 ? 7 : 5;
    magnitude = Magnitude(dx);
  }
  WriteUnsigned(magnitude << 3 | direction);
}

void OasisOut::WriteGDelta(int64_t dx, int64_t dy) {
  uint64_t direction;
  uint64_t magnitude = Magnitude(dx);
  if (dy == 0) {
    direction = dx >= 0 ? 0 : 2;
  } else if (dx == 0) {
    direction = dy > 0 ? 1 : 3;
    magnitude = Magnitude(dy);
  } else if (dx == dy) {
    direction = dx > 0 ? 4 : 6;
  } else if (dx == -dy) {
    direction = dx > 0 ? 7 : 5;
  } else {
    WriteUnsigned((Magnitude(dx) << 2) | 1 | (dx < 0 ? 2 : 0));
    WriteUnsigned((Magnitude(dy) << 1) | (dy < 0 ? 1 : 0));
    return;
  }
  WriteUnsigned(magnitude << 4 | direction << 1);
}

void OasisOut::WriteRepetitionGDeltas(const ShapeGroup& group) {
  WriteUnsigned(10);
  WriteUnsigned(uint64_t(group.positionCount) - 2);
  for (const ShapePosition* p = group.firstPosition; p && p->next; p = p->next) {
    WriteGDelta(int64_t(p->next->x) - p->x, int64_t(p->next->y) - p->y);
  }
}

void OasisOut::WriteStart() {
  // A unit beyond the range would be written but not read back.
  const double dbUnit = library_->dbUnit;
  if (!IsStorableDbUnit(dbUnit)) throw FormattedError(kTagOasisOut, "Database unit %e m outside 1e-12 to 1e-3", dbUnit);
  WriteBytes(kMagic, std::strlen(kMagic));
  WriteUnsigned(kRecordStart);
  WriteString("1.0");
  WriteReal(1e-6 / dbUnit);
  WriteUnsigned(1);
}

void OasisOut::WriteEnd() {
  WriteUnsigned(kRecordEnd);
  for (int i = 0; i < 12; ++i) WriteUnsigned(0);
  WriteString(std::string(kEndPadding, ' '));
  WriteUnsigned(0);
  Close();
}

void OasisOut::Close() {
  BinaryFile::Close();
  output_.Commit(kTagOasisOut);
}
