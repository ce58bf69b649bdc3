#pragma once

#include <cstdint>
#include <memory>

#include "db/box.h"

class BinaryFile;
class RingSet;
struct RingVertex;

// Kinds in header bits 30-31. A header of kind 3 is read and decoded as kind 2.
constexpr uint32_t kPolygonManhattan = 0u;
constexpr uint32_t kPolygonOctagonal = 1u;
constexpr uint32_t kPolygonGeneral = 2u;
// Largest vertex count of one record (header bits 0-17).
constexpr uint32_t kMaxPolygonVertices = 0x3ffff;
// The header of a square: kind 0 with count 3, four vertices, one value.
constexpr uint32_t kSquareHeader = 3;
// The header of any other rectangle: kind 0 with count 4, two values (dx, dy).
constexpr uint32_t kRectangleHeader = 4;

// Edge codes of kinds 1 and 2. Kind 2 decodes every code with bit 2 set as kEdgeOther.
constexpr int kEdgeHorizontal = 0;
constexpr int kEdgeVertical = 1;
constexpr int kEdgeDiagonalUp = 2;    // dx == dy; its value is dx
constexpr int kEdgeDiagonalDown = 3;  // dx == -dy; its value is dy
constexpr int kEdgeOther = 4;         // two values, dx then dy

class DBPolygon;
using DBPolygonPtr = std::unique_ptr<DBPolygon>;

// One closed polygon stored relative to its first vertex (the origin), which its owner keeps
// as a position. The header holds the vertex count n (bits 0-17), inline edge-code bits (18-29)
// and the kind (30-31): 0 Manhattan with alternating dx/dy values and the last two edges
// implied, 1 octagonal with a 2-bit code for every edge, 2 general with a 3-bit code for every
// edge but the closing one. The values are deltas in database units, wrapped to 32 bits, so
// that decoding with the same wrap gives back every coordinate exactly.
//
// Memory: the object (vtable pointer, header, value count: 16 bytes) and its values (and the
// code words of a DBPolygonExt) are one block. Blocks of up to kPooledPolygonBytes come from
// per-size pools in steps of 8 bytes, the rest from the heap: a rectangle takes 24 bytes and
// no heap call, against 80 (48 + 32) for an object holding a std::vector and its separate
// value block; layouts hold hundreds of millions of records.
class DBPolygon {
 public:
  virtual ~DBPolygon();
  DBPolygon(const DBPolygon&) = delete;
  DBPolygon& operator=(const DBPolygon&) = delete;
  // Returns the block to the size-class pool it came from (or to the heap for long records);
  // the block's size is the one the destructor that ran just before noted.
  static void operator delete(void* p);

  // Compresses the closed ring through start (the set's head when null). The result decodes
  // to the same vertex cycle starting at origin, the vertex the record was built from, which
  // the caller keeps as the position: usually start, its successor for a Manhattan ring whose
  // first edge is vertical. Shapes that the compact kinds cannot carry exactly (collinear or
  // repeated vertices, odd Manhattan rings) get the general kind. Throws Error(kTagDb, "Too few points
  // in polygon") below 3 vertices and Error(kTagDb, "Number of points exceeded limit")
  // above kMaxPolygonVertices; the ring is left as it was.
  static DBPolygonPtr Compress(const RingSet& ring, const RingVertex*& origin, const RingVertex* start = nullptr);

  // Reads one record as Write writes it. Malformed headers (a count too small for the kind)
  // and short reads throw Error(kTagLibIn, "Insufficient Polygon Data"); a truncated value
  // throws the chained-integer Error of BinaryFile.
  static DBPolygonPtr Read(BinaryFile& file);
  // Header LE32, code words LE32, values as signed chained integers.
  void Write(BinaryFile& file) const;

  uint32_t Header() const { return header_; }
  // 0, 1, 2 or 3 (header bits 30-31).
  uint32_t Kind() const { return header_ >> 30; }
  bool IsSquare() const { return header_ == kSquareHeader; }
  bool IsRectangle() const { return header_ == kRectangleHeader; }
  // Number of decoded vertices: 4 for a square, else header bits 0-17.
  uint32_t VertexCount() const;
  uint32_t ValueCount() const { return valueCount_; }
  const int32_t* Values() const { return Data() + CodeWordCount(); }
  uint32_t CodeWordCount() const { return CodeWordsFor(header_); }
  // The code of edge e (kinds 1 to 3, e below the number of coded edges).
  int EdgeCode(uint32_t e) const;

  // Bit j of the code of edge e, with b bits per code.
  virtual bool GetCodeBit(uint32_t e, int j, int b) const;
  // Sets (ORs in) bit j of the code of edge e when value is true.
  virtual void SetCodeBit(uint32_t e, int j, int b, bool value);
  // Box of the decoded vertices relative to the origin, the origin included; normalised for
  // squares and rectangles with negative sides.
  virtual void GetBox(Box& out) const;

  // Moves (x, y) from vertex i - 1 to vertex i, for i from 1 to VertexCount() - 1, starting
  // at (0, 0) with valueIndex 0.
  void NextVertex(uint32_t i, uint32_t& valueIndex, int32_t& x, int32_t& y) const;
  // Appends the decoded ring, moved by at, to out as one closed ring (vertex 0 at `at`) in
  // chain and ring order, and counts it.
  void ToRing(RingSet& out, const Point& at = Point()) const;

  // Total order: header, value count, code words, values. 0 means the same shape.
  static int Compare(const DBPolygon& a, const DBPolygon& b);
  // Code words beyond the header bits: nonzero exactly for a DBPolygonExt.
  static uint32_t CodeWordsFor(uint32_t header);
  // The record of a header without code words and its values, as Write stores them.
  static DBPolygonPtr FromValues(uint32_t header, const int32_t* values, uint32_t valueCount);

 protected:
  DBPolygon(uint32_t header, uint32_t valueCount) : header_(header), valueCount_(valueCount) {}
  const uint32_t* CodeWords() const { return reinterpret_cast<const uint32_t*>(Data()); }
  uint32_t* CodeWords() { return reinterpret_cast<uint32_t*>(Data()); }

 private:
  // A zeroed record of the class its header calls for, values uninitialised. Ends the process
  // through OutOfMemory when the block cannot be allocated.
  static DBPolygon* Create(uint32_t header, uint32_t valueCount);
  // Bytes of the block of a record with this header and value count.
  static size_t BlockBytes(uint32_t header, uint32_t valueCount);
  // The encoders of the three kinds, for the n-vertex ring from origin.
  static DBPolygon* EncodeManhattan(const RingVertex* origin, uint32_t n);
  static DBPolygon* EncodeOctagonal(const RingVertex* origin, uint32_t n);
  static DBPolygon* EncodeGeneral(const RingVertex* origin, uint32_t n, uint32_t otherEdges);
  // Whether the record decodes, moved to origin, to the ring from origin vertex by vertex.
  bool DecodesTo(const RingVertex* origin) const;

  // The code words, then the values, right behind the object in the same block.
  const int32_t* Data() const {
    return reinterpret_cast<const int32_t*>(reinterpret_cast<const char*>(this) + sizeof(DBPolygon));
  }
  int32_t* Data() { return reinterpret_cast<int32_t*>(reinterpret_cast<char*>(this) + sizeof(DBPolygon)); }
  int32_t* MutableValues() { return Data() + CodeWordCount(); }
  void LastOctagonalVertex(int32_t& x, int32_t& y) const;

  uint32_t header_;
  uint32_t valueCount_;
};

// A record of kind 1 with n > 6 or of kind 2 (or 3) with n - 1 > 4: the codes that do not fit
// the header bits continue in an array of code words, bit k in bit k % 32 of word k / 32.
class DBPolygonExt : public DBPolygon {
 public:
  bool GetCodeBit(uint32_t e, int j, int b) const override;
  void SetCodeBit(uint32_t e, int j, int b, bool value) override;

 private:
  friend class DBPolygon;
  using DBPolygon::DBPolygon;
};
