// The OASIS writer's geometry records: the choice among RECTANGLE, CTRAPEZOID, TRAPEZOID and
// POLYGON for a shape group, and the records themselves. A CTRAPEZOID or TRAPEZOID is written
// only when the shape that a reader builds from it is the stored ring itself; anything else,
// a self-crossing quadrilateral or a record that does not start where the tables presume,
// becomes a POLYGON, which always gives the ring back.
#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "db/db_polygon.h"
#include "db/numeric.h"
#include "db/shape_group.h"
#include "formats/oasis_ctrapezoid.h"
#include "formats/oasis_out.h"

namespace {

using P = std::pair<int64_t, int64_t>;

constexpr uint8_t kRecordRectangle = 20;
constexpr uint8_t kRecordPolygon = 21;
constexpr uint8_t kRecordTrapezoid = 23;
constexpr uint8_t kRecordTrapezoidA = 24;
constexpr uint8_t kRecordTrapezoidB = 25;
constexpr uint8_t kRecordCTrapezoid = 26;

// Info bits shared by the geometry records.
constexpr uint8_t kBitX = 0x10;
constexpr uint8_t kBitY = 0x08;
constexpr uint8_t kBitRepetition = 0x04;
constexpr uint8_t kBitDatatype = 0x02;
constexpr uint8_t kBitLayer = 0x01;
// Bits 7 to 5 of RECTANGLE (S W H), TRAPEZOID (O W H) and CTRAPEZOID (T W H).
constexpr uint8_t kBit7 = 0x80;
constexpr uint8_t kBitWidth = 0x40;
constexpr uint8_t kBitHeight = 0x20;
constexpr uint8_t kBitPointList = 0x20;

int EdgeCode(const P& a, const P& b) {
  int64_t dx = b.first - a.first, dy = b.second - a.second;
  if (dy == 0) return 0;
  if (dx == 0) return 1;
  if (dx == dy) return 2;
  if (dx == -dy) return 3;
  return 4;
}

__int128 Cross(const P& a, const P& b, const P& c) {
  return __int128(b.first - a.first) * (c.second - a.second) - __int128(b.second - a.second) * (c.first - a.first);
}

// A ring of at most four vertices, held without a heap block: the trapezoid checks run once
// per shape group.
struct SmallRing {
  std::array<P, 4> p{};
  size_t n = 0;

  void Add(const P& v) { p[n++] = v; }
  void Erase(size_t i) {
    std::copy(p.begin() + std::ptrdiff_t(i) + 1, p.begin() + std::ptrdiff_t(n), p.begin() + std::ptrdiff_t(i));
    --n;
  }
  bool operator==(const SmallRing& o) const {
    return n == o.n && std::equal(p.begin(), p.begin() + std::ptrdiff_t(n), o.p.begin());
  }
  bool operator!=(const SmallRing& o) const { return !(*this == o); }
};

// The ring as the reader stores it: repeated and collinear vertices removed, counter-clockwise,
// from its lowest-left vertex; moved by (dx, dy). Empty when fewer than three vertices remain.
SmallRing Canonical(SmallRing ring, int64_t dx = 0, int64_t dy = 0) {
  for (size_t i = 0; i < ring.n; ++i) ring.p[i] = P(ring.p[i].first + dx, ring.p[i].second + dy);
  for (size_t i = 0; i < ring.n && ring.n >= 3;) {
    if (Cross(ring.p[(i + ring.n - 1) % ring.n], ring.p[i], ring.p[(i + 1) % ring.n]) == 0) {
      ring.Erase(i);
      i = 0;
    } else {
      ++i;
    }
  }
  if (ring.n < 3) return SmallRing();
  __int128 area = 0;
  for (size_t i = 0; i < ring.n; ++i) area += Cross(P(0, 0), ring.p[i], ring.p[(i + 1) % ring.n]);
  auto end = ring.p.begin() + std::ptrdiff_t(ring.n);
  if (area < 0) std::reverse(ring.p.begin(), end);
  std::rotate(ring.p.begin(), std::min_element(ring.p.begin(), end), end);
  return ring;
}

SmallRing ToSmallRing(const std::vector<P>& v) {
  SmallRing ring;
  for (const P& p : v) ring.Add(p);
  return ring;
}

// The ctrapezoid type of a 45-degree triangle from its edge codes, read counter-clockwise
// from its leftmost vertex.
int TriangleType(const int* c) {
  if (c[0] == 0) return c[1] == 1 ? 18 : (c[2] == 1 ? 16 : 20);
  if (c[0] == 2) return c[1] == 0 ? 17 : 22;
  if (c[1] == 2) return 21;
  return c[2] == 0 ? 19 : 23;
}

// The same for a 45-degree quadrilateral with two horizontal or two vertical edges.
int QuadrilateralType(const int* c) {
  if (c[0] == 0) {
    if (c[1] == 1) return c[2] == 0 ? 2 : (c[2] == 2 ? 9 : 8);
    if (c[1] == 2) return c[3] == 1 ? 1 : 6;
    return c[3] == 1 ? 0 : 4;
  }
  if (c[0] == 2) return c[2] == 0 ? 10 : (c[2] == 2 ? 14 : 12);
  if (c[1] == 0) return c[2] == 1 ? 3 : (c[2] == 2 ? 5 : 7);
  return c[2] == 0 ? 11 : (c[2] == 2 ? 13 : 15);
}

struct Extent {
  int64_t x1, y1, x2, y2;
};

Extent ExtentOf(const std::vector<P>& v) {
  Extent e{v[0].first, v[0].second, v[0].first, v[0].second};
  for (const P& p : v) {
    e.x1 = std::min(e.x1, p.first);
    e.y1 = std::min(e.y1, p.second);
    e.x2 = std::max(e.x2, p.first);
    e.y2 = std::max(e.y2, p.second);
  }
  return e;
}

}  // namespace

uint8_t OasisOut::LayerBits(uint32_t layer, uint32_t datatype) const {
  return uint8_t((modal.layer != layer ? kBitLayer : 0) | (modal.datatype != datatype ? kBitDatatype : 0));
}

void OasisOut::WriteLayerValues(uint8_t info, uint32_t layer, uint32_t datatype) {
  if (info & kBitLayer) WriteUnsigned(modal.layer = layer);
  if (info & kBitDatatype) WriteUnsigned(modal.datatype = datatype);
}

uint8_t OasisOut::PositionBits(int64_t x, int64_t y, const Placed& at) const {
  return uint8_t((x != modal.x ? kBitX : 0) | (y != modal.y ? kBitY : 0) |
                 (at.group && at.group->positionCount >= 2 ? kBitRepetition : 0));
}

void OasisOut::WriteGeometryPosition(uint8_t info, int64_t x, int64_t y, const Placed& at) {
  if (info & kBitX) WriteSigned(modal.x = x);
  if (info & kBitY) WriteSigned(modal.y = y);
  if (info & kBitRepetition) WriteRepetitionGDeltas(*at.group);
}

void OasisOut::DecodeVertices(const DBPolygon& record, const ShapePosition& at) {
  // Offsets are taken from the coordinates the record decodes to, wrapped at 32 bits as the
  // library decodes them: a shape that spans more than 2^31 keeps its true extent.
  uint32_t n = record.VertexCount(), valueIndex = 0;
  int32_t x = 0, y = 0;
  vertices_.clear();
  vertices_.emplace_back(0, 0);
  for (uint32_t i = 1; i < n; ++i) {
    record.NextVertex(i, valueIndex, x, y);
    vertices_.emplace_back(int64_t(WrapToInt32(int64_t(at.x) + x)) - at.x,
                           int64_t(WrapToInt32(int64_t(at.y) + y)) - at.y);
  }
}

void OasisOut::WriteShapeGroup(const ShapeGroup& group, uint32_t layer, uint32_t datatype, bool noRepetition) {
  if (!group.firstPosition) return;
  WriteShape(*group.record, Placed{group.firstPosition, noRepetition ? nullptr : &group}, layer, datatype);
}

void OasisOut::WriteShape(const DBPolygon& record, const Placed& at, uint32_t layer, uint32_t datatype) {
  if (record.IsSquare() || record.IsRectangle()) {
    WriteRectangle(record, at, layer, datatype);
    return;
  }
  DecodeVertices(record, *at.first);
  size_t n = vertices_.size();
  if (record.Kind() == kPolygonOctagonal && (n == 3 || n == 4) && TryCTrapezoid(at, layer, datatype)) return;
  if (record.Kind() >= kPolygonGeneral && n == 4 && TryTrapezoid(at, layer, datatype)) return;
  WritePolygon(at, layer, datatype);
}

void OasisOut::WriteRectangle(const DBPolygon& record, const Placed& at, uint32_t layer, uint32_t datatype) {
  // GetBox normalises negative sides: the position moves to the lower-left corner.
  Box box;
  record.GetBox(box);
  int64_t w = box.Width(), h = box.Height();
  int64_t x = int64_t(at.first->x) + box.x1, y = int64_t(at.first->y) + box.y1;
  bool square = w == h;
  uint8_t info = uint8_t(LayerBits(layer, datatype) | PositionBits(x, y, at) | (square ? kBit7 : 0) |
                         (w != modal.width ? kBitWidth : 0) | (!square && h != modal.height ? kBitHeight : 0));
  WriteUnsigned(kRecordRectangle);
  WriteByte(info);
  WriteLayerValues(info, layer, datatype);
  if (info & kBitWidth) WriteUnsigned(uint64_t(modal.width = w));
  if (info & kBitHeight) WriteUnsigned(uint64_t(h));
  modal.height = h;
  WriteGeometryPosition(info, x, y, at);
}

void OasisOut::WritePolygon(const Placed& at, uint32_t layer, uint32_t datatype) {
  const std::vector<P>& v = vertices_;
  size_t n = v.size();
  // Type 0 needs alternating edges from a horizontal first one (the closing two are implied);
  // type 3 every edge at a multiple of 45 degrees; type 4 takes anything.
  bool manhattan = n >= 4 && n % 2 == 0;
  bool octangular = true;
  for (size_t i = 0; i < n; ++i) {
    int code = EdgeCode(v[i], v[(i + 1) % n]);
    manhattan = manhattan && code == (i % 2 == 0 ? 0 : 1) && v[i] != v[(i + 1) % n];
    octangular = octangular && code != 4;
  }
  int64_t x = at.first->x, y = at.first->y;
  uint8_t info = uint8_t(LayerBits(layer, datatype) | PositionBits(x, y, at) | kBitPointList);
  WriteUnsigned(kRecordPolygon);
  WriteByte(info);
  WriteLayerValues(info, layer, datatype);
  if (manhattan) {
    WriteUnsigned(0);
    WriteUnsigned(n - 2);
    for (size_t i = 1; i + 1 < n; ++i) {
      WriteSigned(i % 2 ? v[i].first - v[i - 1].first : v[i].second - v[i - 1].second);
    }
  } else {
    WriteUnsigned(octangular ? 3 : 4);
    WriteUnsigned(n - 1);
    for (size_t i = 1; i < n; ++i) {
      int64_t dx = v[i].first - v[i - 1].first, dy = v[i].second - v[i - 1].second;
      if (octangular) {
        Write3Delta(dx, dy);
      } else {
        WriteGDelta(dx, dy);
      }
    }
  }
  WriteGeometryPosition(info, x, y, at);
}

bool OasisOut::TryCTrapezoid(const Placed& at, uint32_t layer, uint32_t datatype) {
  size_t n = vertices_.size();
  int codes[4];
  int horizontal = 0, vertical = 0;
  for (size_t i = 0; i < n; ++i) {
    codes[i] = EdgeCode(vertices_[i], vertices_[(i + 1) % n]);
    horizontal += codes[i] == 0;
    vertical += codes[i] == 1;
  }
  if (n == 4 && horizontal < 2 && vertical < 2) return false;
  int type = n == 3 ? TriangleType(codes) : QuadrilateralType(codes);
  Extent e = ExtentOf(vertices_);
  int64_t w = e.x2 - e.x1, h = e.y2 - e.y1;
  // The shape a reader builds, by the same corner table.
  OasisDelta corners[4];
  int count = CTrapezoidCorners(uint64_t(type), w, h, corners);
  SmallRing shape;
  for (int i = 0; i < count; ++i) shape.Add(P(corners[i].x, corners[i].y));
  if (Canonical(shape, e.x1, e.y1) != Canonical(ToSmallRing(vertices_))) return false;
  WriteCTrapezoid(type, layer, datatype, at.first->x + e.x1, at.first->y + e.y1, w, h, at);
  return true;
}

bool OasisOut::TryTrapezoid(const Placed& at, uint32_t layer, uint32_t datatype) {
  const std::vector<P>& v = vertices_;
  int codes[4];
  for (size_t i = 0; i < 4; ++i) codes[i] = EdgeCode(v[i], v[(i + 1) % 4]);
  bool horizontal = (codes[0] == 0 && codes[2] == 0) || (codes[1] == 0 && codes[3] == 0);
  bool vertical = (codes[0] == 1 && codes[2] == 1) || (codes[1] == 1 && codes[3] == 1);
  if (!horizontal && !vertical) return false;
  Extent e = ExtentOf(v);
  int64_t w = e.x2 - e.x1, h = e.y2 - e.y1;
  // The two ends of each parallel side, low and high: bottom and top for a horizontal
  // trapezoid, left and right for a vertical one.
  int64_t lowA = INT64_MAX, lowB = INT64_MIN, highA = INT64_MAX, highB = INT64_MIN;
  for (const P& p : v) {
    int64_t side = horizontal ? p.second : p.first, along = horizontal ? p.first : p.second;
    bool low = side == (horizontal ? e.y1 : e.x1);
    int64_t& first = low ? lowA : highA;
    int64_t& second = low ? lowB : highB;
    first = std::min(first, along);
    second = std::max(second, along);
  }
  SmallRing shape;
  int64_t a, b;
  if (horizontal) {
    a = highA - lowA;
    b = highB - lowB;
    shape.p = {P(std::max(-a, int64_t(0)), 0), P(w - std::max(b, int64_t(0)), 0), P(w + std::min(b, int64_t(0)), h),
               P(std::max(a, int64_t(0)), h)};
  } else {
    // Low is the left side, high the right: a compares the bottom ends, b the top ends.
    a = lowA - highA;
    b = lowB - highB;
    shape.p = {P(0, std::max(a, int64_t(0))), P(w, std::max(-a, int64_t(0))), P(w, h - std::max(b, int64_t(0))),
               P(0, h + std::min(b, int64_t(0)))};
  }
  shape.n = 4;
  if (Canonical(shape, e.x1, e.y1) != Canonical(ToSmallRing(v))) return false;
  WriteTrapezoid(!horizontal, layer, datatype, at.first->x + e.x1, at.first->y + e.y1, w, h, a, b, at);
  return true;
}

void OasisOut::WriteTrapezoid(bool vertical, uint32_t layer, uint32_t datatype, int64_t x, int64_t y, int64_t width,
                              int64_t height, int64_t deltaA, int64_t deltaB, const Placed& at) {
  uint8_t id = deltaA != 0 && deltaB != 0 ? kRecordTrapezoid : (deltaB == 0 ? kRecordTrapezoidA : kRecordTrapezoidB);
  uint8_t info = uint8_t(LayerBits(layer, datatype) | PositionBits(x, y, at) | (vertical ? kBit7 : 0) |
                         (width != modal.width ? kBitWidth : 0) | (height != modal.height ? kBitHeight : 0));
  WriteUnsigned(id);
  WriteByte(info);
  WriteLayerValues(info, layer, datatype);
  if (info & kBitWidth) WriteUnsigned(uint64_t(modal.width = width));
  if (info & kBitHeight) WriteUnsigned(uint64_t(modal.height = height));
  if (id != kRecordTrapezoidB) WriteSigned(deltaA);
  if (id != kRecordTrapezoidA) WriteSigned(deltaB);
  WriteGeometryPosition(info, x, y, at);
}

void OasisOut::WriteCTrapezoid(int type, uint32_t layer, uint32_t datatype, int64_t x, int64_t y, int64_t width,
                               int64_t height, const Placed& at) {
  // The standard derives the width of types 20 and 21 from the height, and the height of the
  // squares and triangles of one leg from the width.
  bool widthUsed = type != 20 && type != 21;
  bool heightUsed = !((type >= 16 && type <= 19) || type == 22 || type == 23 || type == 25);
  uint8_t info = uint8_t(
      LayerBits(layer, datatype) | PositionBits(x, y, at) | (type != modal.ctrapezoidType ? kBit7 : 0) |
      (widthUsed && width != modal.width ? kBitWidth : 0) | (heightUsed && height != modal.height ? kBitHeight : 0));
  WriteUnsigned(kRecordCTrapezoid);
  WriteByte(info);
  WriteLayerValues(info, layer, datatype);
  if (info & kBit7) WriteUnsigned(uint64_t(modal.ctrapezoidType = type));
  if (info & kBitWidth) WriteUnsigned(uint64_t(modal.width = width));
  if (info & kBitHeight) WriteUnsigned(uint64_t(modal.height = height));
  // Readers differ on whether a derived size becomes the modal one (KLayout's does): the next
  // record that needs it writes it out.
  if (!widthUsed) modal.width = -1;
  if (!heightUsed) modal.height = -1;
  WriteGeometryPosition(info, x, y, at);
}
