#include "db/db_polygon.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "db/binary_file.h"
#include "db/error.h"
#include "db/numeric.h"
#include "db/poly/ring_set.h"
#include "tests/db/scratch_file_test.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Points = std::vector<Point>;

RingSet MakeRing(const Points& points) {
  RingSet ring;
  RingVertex* first = nullptr;
  RingVertex* last = nullptr;
  for (const Point& p : points) {
    RingVertex* v = ring.PushBack(p);
    if (!first) first = v;
    Link(last, v);
    last = v;
  }
  Link(last, first);
  ring.SetRingCount(1);
  return ring;
}

Points CycleFrom(const RingVertex* start) {
  Points points;
  const RingVertex* v = start;
  do {
    points.emplace_back(v->x, v->y);
    v = v->ringNext;
  } while (v != start);
  return points;
}

Points Decoded(const DBPolygon& record, const Point& at) {
  RingSet out;
  record.ToRing(out, at);
  EXPECT_EQ(out.RingCount(), 1);
  return CycleFrom(out.Head());
}

// The box of the vertices relative to the first one, with the 32-bit wrap of the format.
Box RelativeBox(const Points& cycle) {
  Box box(0, 0, 0, 0);
  for (const Point& p : cycle) {
    box.Extend(WrapToInt32(int64_t(p.x) - cycle[0].x), WrapToInt32(int64_t(p.y) - cycle[0].y));
  }
  return box;
}

// Runs f and checks that it throws Error(tag, message).
template <typename F>
void ExpectError(F f, const char* message, const char* tag) {
  try {
    f();
    ADD_FAILURE() << "no error, expected " << message;
  } catch (const Error& e) {
    EXPECT_EQ(e.Message(), message);
    EXPECT_STREQ(e.Tag(), tag);
  }
}

// Direction code of the edge a -> b: 0 horizontal, 1 vertical, 2 dx == dy, 3 dx == -dy, 4 any
// other, -1 for no edge at all.
int Direction(const Point& a, const Point& b) {
  int64_t dx = int64_t(b.x) - a.x, dy = int64_t(b.y) - a.y;
  if (dx == 0 && dy == 0) return -1;
  return dy == 0 ? 0 : dx == 0 ? 1 : dx == dy ? 2 : dx == -dy ? 3 : 4;
}

// Kind 1 is due when every edge is octilinear, one is diagonal, and the two closing edges
// have distinct directions, which fix the last vertex.
bool OctagonalIsDue(const Points& ring) {
  size_t n = ring.size();
  bool diagonal = false;
  for (size_t i = 0; i < n; ++i) {
    int d = Direction(ring[i], ring[(i + 1) % n]);
    if (d == 4) return false;
    diagonal = diagonal || d >= 2;
  }
  int c = Direction(ring[n - 2], ring[n - 1]), k = Direction(ring[n - 1], ring[0]);
  return diagonal && c >= 0 && k >= 0 && c != k;
}

class DBPolygonTest : public ScratchFileTest {
 protected:
  DBPolygonPtr Parsed(const Bytes& bytes) {
    BinaryFile f;
    OpenBytes(f, bytes);
    DBPolygonPtr record = DBPolygon::Read(f);
    EXPECT_EQ(f.Tell(), int64_t(bytes.size())) << "every byte of the record is read";
    return record;
  }
};

TEST_F(DBPolygonTest, CompressWritesHandWrittenBytes) {
  struct Case {
    const char* name;
    Points ring;
    Bytes bytes;
    size_t origin;
    bool ext;
    Box box;  // relative to the origin
  };
  const Case cases[] = {
      {"square", {{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {0x03, 0, 0, 0, 0x14}, 0, false, Box(0, 0, 10, 10)},
      {"rectangle", {{0, 0}, {10, 0}, {10, 5}, {0, 5}}, {0x04, 0, 0, 0, 0x14, 0x0a}, 0, false, Box(0, 0, 10, 5)},
      {"negative rectangle",
       {{0, 0}, {5, 0}, {5, -5}, {0, -5}},
       {0x04, 0, 0, 0, 0x0a, 0x0b},
       0,
       false,
       Box(0, -5, 5, 0)},
      {"negative square",
       {{0, 0}, {-10, 0}, {-10, -10}, {0, -10}},
       {0x03, 0, 0, 0, 0x15},
       0,
       false,
       Box(-10, -10, 0, 0)},
      {"L with a vertical first edge",
       {{0, 0}, {0, 20}, {10, 20}, {10, 10}, {20, 10}, {20, 0}},
       {0x06, 0, 0, 0, 0x14, 0x15, 0x14, 0x15},
       1,
       false,
       Box(0, -20, 20, 0)},
      {"octagon",
       {{10, 0}, {20, 0}, {30, 10}, {30, 20}, {20, 30}, {10, 30}, {0, 20}, {0, 10}},
       {0x08, 0x00, 0x60, 0x63, 0x0d, 0, 0, 0, 0x14, 0x14, 0x14, 0x14, 0x15, 0x15},
       0,
       true,
       Box(-10, 0, 20, 30)},
      {"30-degree triangle",
       {{0, 0}, {1000, 577}, {0, 577}},
       {0x03, 0x00, 0x10, 0x80, 0xd0, 0x0f, 0x82, 0x09, 0xd1, 0x0f},
       0,
       false,
       Box(0, 0, 1000, 577)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RingSet ring = MakeRing(c.ring);
    const RingVertex* origin = nullptr;
    DBPolygonPtr record = DBPolygon::Compress(ring, origin);
    EXPECT_EQ(Point(origin->x, origin->y), c.ring[c.origin]);
    EXPECT_EQ(Written([&](BinaryFile& f) { record->Write(f); }), c.bytes);
    EXPECT_EQ(dynamic_cast<DBPolygonExt*>(record.get()) != nullptr, c.ext);
    Box box;
    record->GetBox(box);
    EXPECT_EQ(box, c.box);
    EXPECT_EQ(DBPolygon::Compare(*Parsed(c.bytes), *record), 0);
  }
}

// Rings that the compact kinds would silently turn into another shape.
TEST_F(DBPolygonTest, RingsTheCompactKindsCannotCarryFallBackToTheGeneralKind) {
  struct Case {
    const char* name;
    Points ring;
    uint32_t kind;
  };
  const Case cases[] = {
      {"Manhattan n = 5 with a collinear vertex", {{5, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}, kPolygonGeneral},
      {"Manhattan n = 3 (square marker)", {{0, 0}, {10, 0}, {0, 0}}, kPolygonGeneral},
      {"Manhattan n = 6 not alternating", {{0, 0}, {5, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 5}}, kPolygonGeneral},
      {"Manhattan with a repeated vertex", {{0, 0}, {10, 0}, {10, 0}, {10, 10}, {0, 10}}, kPolygonGeneral},
      {"octagonal, closing edges both horizontal", {{0, 0}, {10, 10}, {10, 0}, {5, 0}}, kPolygonGeneral},
      {"octagonal, closing edges both vertical", {{0, 0}, {10, 10}, {0, 10}, {0, 5}}, kPolygonGeneral},
      {"octagonal, closing edges on one diagonal", {{0, 0}, {10, 0}, {10, 10}, {5, 5}}, kPolygonGeneral},
      {"octagonal triangle", {{0, 0}, {10, 0}, {10, 10}}, kPolygonOctagonal},
      {"octagonal, perpendicular diagonals close", {{0, 0}, {10, 0}, {10, 6}, {2, -2}}, kPolygonOctagonal},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RingSet ring = MakeRing(c.ring);
    const RingVertex* origin = nullptr;
    DBPolygonPtr record = DBPolygon::Compress(ring, origin);
    EXPECT_EQ(record->Kind(), c.kind);
    EXPECT_NE(record->Header(), kSquareHeader);
    EXPECT_EQ(Decoded(*record, Point(origin->x, origin->y)), CycleFrom(origin));
  }
}

TEST_F(DBPolygonTest, FourVertexManhattanRingsKeepTheirVerticesWhateverTheirShape) {
  struct Case {
    const char* name;
    Points ring;
    uint32_t header;
  };
  const uint32_t kRectangleHeader = 4;
  const Case cases[] = {
      {"rectangle", {{0, 0}, {10, 0}, {10, 5}, {0, 5}}, kRectangleHeader},
      {"rectangle from a vertical edge", {{0, 5}, {0, 0}, {10, 0}, {10, 5}}, kRectangleHeader},
      {"clockwise rectangle", {{0, 0}, {0, 5}, {10, 5}, {10, 0}}, kRectangleHeader},
      {"square", {{3, 3}, {10, 3}, {10, 10}, {3, 10}}, kSquareHeader},
      {"whole coordinate range",
       {{INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MIN}, {INT32_MAX, INT32_MAX}, {INT32_MIN, INT32_MAX}},
       kSquareHeader},
      {"wide and flat across the range",
       {{INT32_MIN, 0}, {INT32_MAX, 0}, {INT32_MAX, 1}, {INT32_MIN, 1}},
       kRectangleHeader},
      {"folded onto one edge", {{0, 0}, {10, 0}, {10, 0}, {0, 0}}, kRectangleHeader},
      {"a repeated corner", {{0, 0}, {10, 0}, {10, 10}, {10, 10}}, 4 | 0x40000000u},
      {"an open side", {{0, 0}, {10, 0}, {10, 10}, {5, 10}}, 4 | 0x80000000u},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RingSet ring = MakeRing(c.ring);
    const RingVertex* origin = nullptr;
    DBPolygonPtr record = DBPolygon::Compress(ring, origin);
    EXPECT_EQ(record->Header() & ~(0xfffu << 18), c.header);
    EXPECT_EQ(Decoded(*record, Point(origin->x, origin->y)), CycleFrom(origin));
    if (record->Kind() == kPolygonManhattan) {
      EXPECT_EQ(origin->y, origin->ringNext->y);
    }
  }
}

TEST_F(DBPolygonTest, CompressRefusesTooFewAndTooManyPointsAndLeavesTheRing) {
  Points many;
  for (int32_t i = 0; i <= int32_t(kMaxPolygonVertices); ++i) many.emplace_back(i, i % 2);
  const RingVertex* origin = nullptr;
  for (const Points& points : {Points{}, Points{{1, 1}}, Points{{0, 0}, {5, 0}}, many}) {
    RingSet ring = MakeRing(points);
    const char* message = points.size() < 3 ? "Too few points in polygon" : "Number of points exceeded limit";
    ExpectError([&] { DBPolygon::Compress(ring, origin); }, message, "DB");
    EXPECT_EQ(ring.VertexCount(), points.size());
  }
  many.pop_back();
  RingSet largest = MakeRing(many);
  EXPECT_EQ(DBPolygon::Compress(largest, origin)->VertexCount(), kMaxPolygonVertices);
}

// Random ring families. Coordinates come from small, large and extreme ranges, so that deltas
// overflow 32 bits and wrap.
class RingGenerator {
 public:
  explicit RingGenerator(uint32_t seed) : rng_(seed) {}

  int32_t Coordinate() {
    switch (rng_() % 4) {
      case 0: return int32_t(rng_() % 201) - 100;
      case 1: return int32_t(rng_() % 2000001) - 1000000;
      case 2: return rng_() % 2 ? INT32_MAX - int32_t(rng_() % 3) : INT32_MIN + int32_t(rng_() % 3);
      default: return int32_t(rng_());
    }
  }
  // Alternating horizontal and vertical edges, the first horizontal.
  Points Manhattan() {
    uint32_t n = 4 + 2 * (rng_() % 10);
    Points ring{{Coordinate(), Coordinate()}};
    for (uint32_t e = 0; e + 2 < n; ++e) {
      Point p = ring.back();
      int32_t& moved = e % 2 ? p.y : p.x;
      for (int32_t from = moved; moved == from;) moved = Coordinate();
      ring.push_back(p);
    }
    ring.emplace_back(ring[0].x, ring.back().y);
    return ring;
  }
  // Octilinear, ending with two edges of different directions found from the last free vertex.
  Points Octilinear() {
    static const int kDirections[8][2] = {{1, 0}, {0, 1}, {1, 1}, {-1, 1}, {-1, 0}, {0, -1}, {-1, -1}, {1, -1}};
    int64_t x = 0, y = 0;
    Points relative{{0, 0}};
    for (uint32_t e = 0, steps = 1 + rng_() % 12; e < steps; ++e) {
      const int* d = kDirections[rng_() % 8];
      int64_t length = 1 + rng_() % 50;
      x += d[0] * length;
      y += d[1] * length;
      relative.emplace_back(int32_t(x), int32_t(y));
    }
    // Each pair of directions for the last two edges; two diagonals meet on the grid only when
    // x + y is even.
    const int64_t closings[12][2] = {{0, y},
                                     {x, 0},
                                     {y, y},
                                     {-y, y},
                                     {x, x},
                                     {x, -x},
                                     {x - y, 0},
                                     {0, y - x},
                                     {x + y, 0},
                                     {0, x + y},
                                     {(x - y) / 2, (y - x) / 2},
                                     {(x + y) / 2, (x + y) / 2}};
    const int64_t* last = closings[rng_() % ((x + y) % 2 ? 10 : 12)];
    relative.emplace_back(int32_t(last[0]), int32_t(last[1]));
    Point origin(Coordinate(), Coordinate());
    for (Point& p : relative) p = Point(WrapToInt32(int64_t(p.x) + origin.x), WrapToInt32(int64_t(p.y) + origin.y));
    return relative;
  }
  Points General() {
    Points ring;
    for (uint32_t i = 0, n = 3 + rng_() % 12; i < n; ++i) ring.emplace_back(Coordinate(), Coordinate());
    return ring;
  }
  // Copies vertices in place (repeats) and adds midpoints (collinear vertices).
  Points Degenerate(Points ring) {
    for (uint32_t k = 0, count = 1 + rng_() % 3; k < count; ++k) {
      size_t i = rng_() % ring.size();
      const Point& a = ring[i];
      const Point& b = ring[(i + 1) % ring.size()];
      Point mid(int32_t((int64_t(a.x) + b.x) / 2), int32_t((int64_t(a.y) + b.y) / 2));
      ring.insert(ring.begin() + i + 1, rng_() % 2 ? a : mid);
    }
    return ring;
  }
  std::mt19937& Rng() { return rng_; }

 private:
  std::mt19937 rng_;
};

TEST_F(DBPolygonTest, RandomRingsCompressDecodeAndRereadUnchanged) {
  RingGenerator gen(20240611);
  std::vector<Points> rings;
  std::vector<int> expectedKinds;  // -1: any kind
  for (int i = 0; i < 400; ++i) {
    Points manhattan = gen.Manhattan();
    rings.push_back(manhattan);
    expectedKinds.push_back(kPolygonManhattan);
    std::rotate(manhattan.begin(), manhattan.begin() + 1, manhattan.end());  // vertical first edge
    rings.push_back(manhattan);
    expectedKinds.push_back(kPolygonManhattan);
    rings.push_back(gen.Degenerate(manhattan));
    expectedKinds.push_back(-1);
    Points octilinear = gen.Octilinear();
    rings.push_back(octilinear);
    expectedKinds.push_back(OctagonalIsDue(octilinear) ? int(kPolygonOctagonal) : -1);
    rings.push_back(gen.Degenerate(octilinear));
    expectedKinds.push_back(-1);
    rings.push_back(gen.General());
    expectedKinds.push_back(-1);
    rings.push_back(gen.Degenerate(gen.General()));
    expectedKinds.push_back(-1);
  }
  std::vector<DBPolygonPtr> records;
  std::vector<Points> cycles;
  for (size_t i = 0; i < rings.size(); ++i) {
    RingSet ring = MakeRing(rings[i]);
    const RingVertex* origin = nullptr;
    records.push_back(DBPolygon::Compress(ring, origin));
    cycles.push_back(CycleFrom(origin));
    const DBPolygon& record = *records.back();
    ASSERT_EQ(Decoded(record, cycles.back()[0]), cycles.back()) << "ring " << i;
    if (expectedKinds[i] >= 0) {
      EXPECT_EQ(record.Kind(), uint32_t(expectedKinds[i])) << "ring " << i;
    }
    Box box;
    record.GetBox(box);
    EXPECT_EQ(box, RelativeBox(cycles.back())) << "ring " << i;
  }
  Bytes bytes = Written([&](BinaryFile& f) {
    for (const DBPolygonPtr& record : records) record->Write(f);
  });
  BinaryFile f;
  OpenBytes(f, bytes);
  for (size_t i = 0; i < records.size(); ++i) {
    DBPolygonPtr back = DBPolygon::Read(f);
    ASSERT_EQ(DBPolygon::Compare(*back, *records[i]), 0) << "ring " << i;
    EXPECT_EQ(Decoded(*back, cycles[i][0]), cycles[i]);
  }
  EXPECT_FALSE(f.HasMore());
}

TEST_F(DBPolygonTest, RecordsDeletedAndRemadeInAnyOrderKeepTheirShapes) {
  // Records of every size share pooled blocks: a block handed out twice or of the wrong size
  // would let one record overwrite another.
  RingGenerator gen(77);
  std::mt19937 rng(78);
  std::vector<DBPolygonPtr> records(300);
  std::vector<Points> cycles(records.size());
  auto make = [&](size_t slot) {
    int pick = int(rng() % 3);
    RingSet ring = MakeRing(pick == 0 ? gen.Manhattan() : pick == 1 ? gen.Octilinear() : gen.General());
    const RingVertex* origin = nullptr;
    records[slot] = DBPolygon::Compress(ring, origin);
    cycles[slot] = CycleFrom(origin);
  };
  for (size_t slot = 0; slot < records.size(); ++slot) make(slot);
  for (int round = 0; round < 20; ++round) {
    for (int k = 0; k < 100; ++k) records[rng() % records.size()].reset();
    for (size_t slot = 0; slot < records.size(); ++slot) {
      if (!records[slot]) make(slot);
    }
    for (size_t slot = 0; slot < records.size(); ++slot) {
      ASSERT_EQ(Decoded(*records[slot], cycles[slot][0]), cycles[slot]) << "round " << round << " slot " << slot;
    }
  }
}

TEST_F(DBPolygonTest, ReadRefusesTruncatedRecordsAndCountsTooSmallForTheKind) {
  const Bytes valid[] = {
      {0x03, 0, 0, 0, 0x14},
      {0x06, 0, 0, 0, 0x14, 0x15, 0x14, 0x15},
      {0x08, 0x00, 0x60, 0x63, 0x0d, 0, 0, 0, 0x14, 0x14, 0x14, 0x14, 0x15, 0x15},
      {0x03, 0x00, 0x10, 0x80, 0xd0, 0x0f, 0x82, 0x09, 0xd1, 0x0f},
  };
  for (const Bytes& bytes : valid) {
    for (size_t size = 0; size < bytes.size(); ++size) {
      BinaryFile f;
      OpenBytes(f, Bytes(bytes.begin(), bytes.begin() + size));
      EXPECT_THROW(DBPolygon::Read(f), Error) << size << " of " << bytes.size() << " bytes";
    }
  }
  const uint32_t badHeaders[] = {0,          1,          2,          3 | (1u << 18), 0x40000000,
                                 0x40000002, 0x80000001, 0x80000002, 0xc0000000,     0xc0000002};
  for (uint32_t header : badHeaders) {
    Bytes bytes(64, 0);
    for (int i = 0; i < 4; ++i) bytes[i] = uint8_t(header >> (8 * i));
    BinaryFile f;
    OpenBytes(f, bytes);
    SCOPED_TRACE(header);
    ExpectError([&] { DBPolygon::Read(f); }, "Insufficient Polygon Data", "LIBIN");
  }
  // The largest count with a handful of bytes: an error, not a loop over the whole count.
  BinaryFile f;
  OpenBytes(f, {0xff, 0xff, 0x03, 0x80, 1, 2, 3});
  EXPECT_THROW(DBPolygon::Read(f), Error);
}

TEST_F(DBPolygonTest, KindThreeAndCodesFiveToSevenDecodeAsTheGeneralKind) {
  // (0,0) -> (1000, 577) -> (0, 577): edge 0 any direction, edge 1 horizontal.
  const Points expected{{0, 0}, {1000, 577}, {0, 577}};
  const Bytes values{0xd0, 0x0f, 0x82, 0x09, 0xd1, 0x0f};
  for (uint32_t header : {0x80100003u, 0xc0100003u, 0x801c0003u, 0x80140003u}) {
    Bytes bytes{uint8_t(header), uint8_t(header >> 8), uint8_t(header >> 16), uint8_t(header >> 24)};
    bytes.insert(bytes.end(), values.begin(), values.end());
    DBPolygonPtr record = Parsed(bytes);
    EXPECT_EQ(record->ValueCount(), 3u);
    EXPECT_EQ(Decoded(*record, Point()), expected) << std::hex << header;
  }
}

}  // namespace
