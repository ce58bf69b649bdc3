#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "db/binary_file.h"

// A displacement, or an offset from an element's position, in database units. 64 bits: the
// distance between two 32-bit coordinates needs 33.
struct OasisDelta {
  int64_t x = 0;
  int64_t y = 0;

  bool operator==(const OasisDelta& o) const { return x == o.x && y == o.y; }
};

// The largest distance between two 32-bit coordinates: every offset, space and displacement
// beyond it is refused, since no element position could bring the result back into range.
constexpr int64_t kMaxOasisOffset = 0xFFFFFFFFll;

// A repetition as read, in one of two compact forms. Lattice types (1 matrix, 2 row, 3 column,
// 8 matrix of displacements, 9 diagonal row): the offsets i × stepX + j × stepY for i below
// countX and j below countY (a row has countY 1, a column countX 1). List types (4 to 7
// irregular rows and columns, 10 and 11 arbitrary): the offsets themselves, the first (0, 0).
struct OasisRepetition {
  uint32_t type = 0;  // 0: none read yet
  uint64_t countX = 1;
  uint64_t countY = 1;
  OasisDelta stepX;
  OasisDelta stepY;
  std::vector<OasisDelta> offsets;

  bool IsList() const { return type >= 4 && type != 8 && type != 9; }
  // The number of positions; saturates at UINT64_MAX.
  uint64_t Count() const;
  // Replaces out by every offset, lattices row by row (i fastest). More than cap positions:
  // Error "Repetition too large (%llu positions)" ("OASISIN").
  void Expand(std::vector<OasisDelta>& out, uint64_t cap) const;
};

// One property value. Types 0 to 7 are reals (`real`), 8 unsigned and 13 to 15 reference
// numbers (`unsignedValue`), 9 signed (`signedValue`), 10 to 12 strings (`text`).
struct OasisPropertyValue {
  uint32_t type = 0;
  double real = 0;
  uint64_t unsignedValue = 0;
  int64_t signedValue = 0;
  std::string text;
};

// The OASIS file of the reader and the writer. This part holds the primitive decoders of the
// reader. Each checks for the end of the file and throws Error tagged "OASISIN" on a short or
// malformed read ("Unexpected end of file", "Integer out of range", ...); counts and lengths
// that the bytes left in the file cannot hold are refused before anything is allocated.
class OasisFile : public BinaryFile {
 public:
  OasisFile();

  // Opens a plain file for reading; Error "Cannot open file %s!" on failure.
  void OpenForRead(const std::string& path);
  // Bytes between the read position and the end of the file.
  uint64_t BytesLeft();

  // unsigned-integer and signed-integer: 7-bit groups, low first, at most 10 bytes; the value
  // must fit 64 bits (redundant high zero groups are accepted within the 10 bytes). Values of
  // one or two bytes, most of a layout's, are decoded here; longer ones out of line.
  uint64_t ReadUnsigned() {
    const uint8_t* in = Contiguous(2);
    if (in && in[0] < 0x80) {
      Advance(1);
      return in[0];
    }
    if (in && in[1] < 0x80) {
      Advance(2);
      return uint64_t(in[0] & 0x7f) | uint64_t(in[1]) << 7;
    }
    return ReadLongUnsigned();
  }
  int64_t ReadSigned() {
    const uint8_t* in = Contiguous(2);
    if (in && (in[0] < 0x80 || in[1] < 0x80)) {
      int64_t magnitude = (in[0] >> 1) & 0x3f;
      if (in[0] & 0x80) magnitude |= int64_t(in[1]) << 6;
      Advance(in[0] < 0x80 ? 1 : 2);
      return (in[0] & 1) ? -magnitude : magnitude;
    }
    return ReadLongSigned();
  }
  // The same for fields that must fit 32 bits: else "Integer out of range".
  uint32_t ReadUnsigned32() {
    uint64_t v = ReadUnsigned();
    if (v > UINT32_MAX) ThrowOutOfRange();
    return uint32_t(v);
  }
  int32_t ReadSigned32() {
    // Coordinates take up to five bytes: decoded here when they end within them.
    if (const uint8_t* in = Contiguous(5)) {
      int64_t magnitude = (in[0] >> 1) & 0x3f;
      for (int i = 0; i < 5; ++i) {
        if (i > 0) magnitude |= int64_t(in[i] & 0x7f) << (7 * i - 1);
        if (in[i] & 0x80) continue;
        int64_t v = (in[0] & 1) ? -magnitude : magnitude;
        if (v < INT32_MIN || v > INT32_MAX) ThrowOutOfRange();
        Advance(size_t(i) + 1);
        return int32_t(v);
      }
    }
    int64_t v = ReadSigned();
    if (v < INT32_MIN || v > INT32_MAX) ThrowOutOfRange();
    return int32_t(v);
  }

  // real: a type 0 to 7 and its value; any other type is "Unkown Real Format". Division by 0
  // (types 2 to 5) and the IEEE types may give an infinity or NaN: see ReadFiniteReal.
  double ReadReal();
  // The value part of a real whose type has been read.
  double ReadRealOfType(uint64_t type);
  // A real that must be a finite number; else Error "Invalid <what>".
  double ReadFiniteReal(const char* what);

  // a-, b- and n-string: the bytes as they stand. A length beyond the end of the file is
  // "String too long"; a short read "String defined but end of file".
  void ReadString(std::string& s);

  // 2-delta, 3-delta and g-delta (both forms). A 1-delta is a ReadSigned.
  OasisDelta Read2Delta();
  OasisDelta Read3Delta();
  OasisDelta ReadGDelta();

  // point-list of types 0 to 5 into points, the first vertex (0, 0) included. For a polygon,
  // types 0 and 1 get the implied vertex that makes the closing edges alternate; the closing
  // edge itself is never stored. Offsets must stay within kMaxOasisOffset of the first vertex.
  void ReadPointList(std::vector<OasisDelta>& points, bool polygon);

  // repetition into the modal repetition: type 0 keeps it ("Modal variable repetition
  // undefined" when none was read), types 1 to 11 replace it, any other is
  // "Unknown Repetition ". Every span must stay within kMaxOasisOffset.
  void ReadRepetition(OasisRepetition& modal);

  // property-value of types 0 to 15.
  void ReadPropertyValue(OasisPropertyValue& value);

 private:
  [[noreturn]] static void ThrowOutOfRange();
  uint8_t ReadByteOrFail();
  uint64_t ReadLongUnsigned();
  int64_t ReadLongSigned();
  // The byte-wise decoders, for values near the end of the file and malformed ones.
  uint64_t ReadUnsignedByBytes();
  int64_t ReadSignedByBytes();
  OasisDelta ReadDirectedDelta(uint64_t direction, uint64_t magnitude);
  void ReadLattice(uint32_t type, OasisRepetition& r);
  void ReadOffsetList(uint32_t type, OasisRepetition& r);

  int64_t fileSize_ = 0;
};
