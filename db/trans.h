#pragma once

#include <cstdint>

#include "db/box.h"

class RingSet;

// Orientation codes: 0-3 rotate counter-clockwise by 0, 90, 180, 270 degrees; 4-7 mirror about
// the X axis and then rotate by 180, 270, 0, 90. Entry [inner][outer] is the code of inner
// followed by outer.
extern const int32_t OrientationComposeTable[8][8];

// A placement transform: magnification first, then the orientation's linear map, then the
// offset (the Point base).
struct Trans : Point {
  float magnification = 1.0f;
  uint8_t orientation = 0;

  Trans() = default;
  Trans(int32_t px, int32_t py, float mag = 1.0f, uint8_t code = 0)
      : Point(px, py), magnification(mag), orientation(code) {}

  bool IsMagnified() const;
  // A code outside 0-7 acts as 0. Results wrap at 32 bits.
  void ApplyToPoint(int32_t& px, int32_t& py) const;
  void ApplyToPoint(Point& p) const { ApplyToPoint(p.x, p.y); }
  // Both corners through ApplyToPoint, then normalised. The empty box stays empty.
  void ApplyToBox(Box& b) const;
  // Every vertex of the ring set, in list order.
  void ApplyToPoints(RingSet& rings) const;
  // This transform followed by outer.
  void Compose(const Trans& outer);
  // In place. A magnification that is not a positive finite number is left as it stands.
  void Invert();
  // 0, 90, 180 or 270.
  int GetAngle() const;
};

constexpr uint32_t kArrayBit = 0x80000000u;

// A single placement of a cell. The cell-id word holds the cell id in its low 31 bits and sets
// bit 31 when the record is an ARef.
class SRef : public Trans {
 public:
  uint32_t cellWord = 0;

  SRef() = default;
  SRef(const SRef&) = default;
  SRef& operator=(const SRef&) = default;
  virtual ~SRef() = default;

  uint32_t CellId() const { return cellWord & ~kArrayBit; }
  bool IsArray() const { return (cellWord & kArrayBit) != 0; }

  // Box of the placed cell, given the cell's own box. An empty cell box gives the empty box.
  virtual void GetBox(Box& out, const Box& cellBox) const;
};

// A regular array of placements. Column and row counts are 1..32767 in every valid record.
class ARef : public SRef {
 public:
  int16_t columns = 0;
  int16_t rows = 0;
  int32_t columnPitch = 0;
  int32_t rowPitch = 0;

  ARef() = default;
  explicit ARef(const SRef& s) : SRef(s) {}
  ARef(const ARef&) = default;
  ARef& operator=(const ARef&) = default;

  // Transform of element (col, row); for odd codes the column and row swap their pitches.
  void ElementTrans(int32_t col, int32_t row, Trans& out) const;
  // Element (0, 0) and the last element together bound the array.
  void GetBox(Box& out, const Box& cellBox) const override;
};

// Three-way order of placements: cell-id word (signed), x, y, code; arrays then by columns,
// rows, column pitch, row pitch; finally the magnification's bits, so that placements that
// differ only in magnification are never taken as duplicates.
int CompareByKeyThenX(const SRef& a, const SRef& b);
