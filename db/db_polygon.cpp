#include "db/db_polygon.h"

#include <cassert>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "db/binary_file.h"
#include "db/block_allocator.h"
#include "db/error.h"
#include "db/numeric.h"
#include "db/poly/ring_set.h"

namespace {

constexpr uint32_t kOctagonalBit = 0x40000000u;
constexpr uint32_t kGeneralBit = 0x80000000u;
// Code bits held in header bits 18-29.
constexpr uint64_t kInlineCodeBits = 12;

int CodeOfDelta(int64_t dx, int64_t dy) {
  if (dy == 0) return kEdgeHorizontal;
  if (dx == 0) return kEdgeVertical;
  if (dx == dy) return kEdgeDiagonalUp;
  if (dx == -dy) return kEdgeDiagonalDown;
  return kEdgeOther;
}

int CodeOfEdge(const RingVertex* a, const RingVertex* b) {
  return CodeOfDelta(int64_t(b->x) - a->x, int64_t(b->y) - a->y);
}

// Codes 0 and 2 store dx, codes 1 and 3 dy, code 4 both.
bool StoresDx(int code) { return code == kEdgeHorizontal || code == kEdgeDiagonalUp || code == kEdgeOther; }
bool StoresDy(int code) { return code != kEdgeHorizontal && code != kEdgeDiagonalUp; }

int32_t Delta(int32_t from, int32_t to) { return WrapToInt32(int64_t(to) - from); }
int32_t Add(int32_t a, int64_t b) { return WrapToInt32(a + b); }

// Bit p of the code bit stream: the first 12 bits are header bits 18-29, the rest the words.
bool StreamBit(uint32_t header, const uint32_t* words, uint64_t p) {
  if (p < kInlineCodeBits) return (header >> (18 + p)) & 1u;
  p -= kInlineCodeBits;
  return (words[p / 32] >> (p % 32)) & 1u;
}

// Kind 2 stores two values for every coded edge with bit 2 set (codes 4 to 7).
uint32_t CountTwoValueEdges(uint32_t header, const uint32_t* words, uint32_t n) {
  uint32_t count = 0;
  for (uint32_t e = 0; e + 1 < n; ++e) count += StreamBit(header, words, uint64_t(e) * 3 + 2);
  return count;
}

void SetCode(DBPolygon& record, uint32_t e, int code, int bitsPerCode) {
  for (int j = 0; j < bitsPerCode; ++j) record.SetCodeBit(e, j, bitsPerCode, (code >> j) & 1);
}

// s / 2 rounded half away from zero, exactly.
int64_t HalfAwayFromZero(int64_t s) { return s >= 0 ? (s + 1) / 2 : -((1 - s) / 2); }

[[noreturn]] void ThrowInsufficientData() { throw Error(kTagLibIn, "Insufficient Polygon Data"); }

struct RingSurvey {
  uint32_t n = 0;
  bool manhattan = true;
  bool octilinear = true;
  // Edges other than axis-parallel or 45-degree among edges 0 to n - 2.
  uint32_t otherEdges = 0;
};

RingSurvey Survey(const RingVertex* start) {
  RingSurvey s;
  if (!start) return s;
  const RingVertex* v = start;
  do {
    if (s.n == kMaxPolygonVertices) throw Error(kTagDb, "Number of points exceeded limit");
    ++s.n;
    const RingVertex* w = v->ringNext;
    int code = CodeOfEdge(v, w);
    if (code != kEdgeHorizontal && code != kEdgeVertical) s.manhattan = false;
    if (code == kEdgeOther) {
      s.octilinear = false;
      if (w != start) ++s.otherEdges;
    }
    v = w;
  } while (v != start);
  return s;
}

// Four vertices whose edges turn between horizontal and vertical, none of length 0, the first
// horizontal: a rectangle, whose Manhattan record always decodes back to it.
bool IsRectangleFrom(const RingVertex* v) {
  const RingVertex* a = v->ringNext;
  const RingVertex* b = a->ringNext;
  const RingVertex* c = b->ringNext;
  return c->ringNext == v && v->y == a->y && v->x != a->x && a->x == b->x && a->y != b->y && b->y == c->y &&
         b->x != c->x && c->x == v->x && c->y != v->y;
}

}  // namespace

// Both classes keep their code words and values right behind the object, at one offset.
static_assert(sizeof(DBPolygonExt) == sizeof(DBPolygon), "DBPolygonExt adds no fields");

namespace {

// Blocks up to this size are pooled, one pool per multiple of 8 bytes; longer records are rare.
constexpr size_t kPooledPolygonBytes = 128;
constexpr size_t kPoolStep = 8;
constexpr size_t kPoolCount = kPooledPolygonBytes / kPoolStep;

// Free blocks of one size, chained through their first word, in front of a block store.
// Blocks of one size. When the last one comes back the pool starts again at its first slot,
// so that the records of the next cell lie in the order they are made rather than in the order
// the previous cell's records were freed (see RecordPool).
struct PolygonPool {
  explicit PolygonPool(size_t bytes) : allocator(bytes, 65536 / int64_t(bytes)) {}
  void* freeHead = nullptr;
  BlockAllocator allocator;
  int64_t live = 0;
};

PolygonPool& PoolFor(size_t bytes) {
  // Never destroyed: records owned by static objects may still be deleted at exit.
  static PolygonPool* pools[kPoolCount] = {};
  size_t index = (bytes - 1) / kPoolStep;
  if (!pools[index]) pools[index] = new PolygonPool((index + 1) * kPoolStep);
  return *pools[index];
}

// The block size of the record being deleted: noted by the destructor, which still sees the
// header, for operator delete, which only gets the address.
thread_local size_t deletedBlockBytes = 0;

}  // namespace

size_t DBPolygon::BlockBytes(uint32_t header, uint32_t valueCount) {
  return sizeof(DBPolygon) + (size_t(CodeWordsFor(header)) + valueCount) * sizeof(int32_t);
}

DBPolygon::~DBPolygon() { deletedBlockBytes = BlockBytes(header_, valueCount_); }

void DBPolygon::operator delete(void* p) {
  size_t bytes = deletedBlockBytes;
  if (bytes > kPooledPolygonBytes) {
    std::free(p);
    return;
  }
  PolygonPool& pool = PoolFor(bytes);
  if (--pool.live == 0) {
    pool.freeHead = nullptr;
    pool.allocator.Rewind();
    return;
  }
  std::memcpy(p, &pool.freeHead, sizeof(void*));
  pool.freeHead = p;
}

uint32_t DBPolygon::CodeWordsFor(uint32_t header) {
  int64_t n = header & kMaxPolygonVertices;
  uint32_t kind = header >> 30;
  int64_t bits = kind == kPolygonManhattan ? 0 : kind == kPolygonOctagonal ? 2 * n - 12 : 3 * n - 15;
  return bits > 0 ? uint32_t((bits - 1) / 32 + 1) : 0;
}

DBPolygon* DBPolygon::Create(uint32_t header, uint32_t valueCount) {
  uint32_t words = CodeWordsFor(header);
  size_t bytes = BlockBytes(header, valueCount);
  void* block;
  if (bytes > kPooledPolygonBytes) {
    block = std::malloc(bytes);
    if (!block) OutOfMemory();
  } else {
    PolygonPool& pool = PoolFor(bytes);
    ++pool.live;
    block = pool.freeHead;
    if (block) {
      std::memcpy(&pool.freeHead, block, sizeof(void*));
      if (pool.freeHead) __builtin_prefetch(pool.freeHead, 1);
    } else {
      block = pool.allocator.Alloc();
    }
  }
  std::memset(static_cast<char*>(block) + sizeof(DBPolygon), 0, words * sizeof(uint32_t));
  if (words > 0) return ::new (block) DBPolygonExt(header, valueCount);
  return ::new (block) DBPolygon(header, valueCount);
}

uint32_t DBPolygon::VertexCount() const { return IsSquare() ? 4 : header_ & kMaxPolygonVertices; }

int DBPolygon::EdgeCode(uint32_t e) const {
  // Straight from the bit stream rather than through GetCodeBit: the decoder asks for a code
  // per vertex, and one virtual call per bit nearly doubles the decoding time of long records.
  int b = Kind() == kPolygonOctagonal ? 2 : 3;
  const uint32_t* words = CodeWords();
  int code = 0;
  for (int j = 0; j < b; ++j) code |= int(StreamBit(header_, words, uint64_t(e) * b + j)) << j;
  return code;
}

bool DBPolygon::GetCodeBit(uint32_t e, int j, int b) const {
  uint64_t p = uint64_t(e) * b + j;
  return p < kInlineCodeBits && StreamBit(header_, nullptr, p);
}

void DBPolygon::SetCodeBit(uint32_t e, int j, int b, bool value) {
  uint64_t p = uint64_t(e) * b + j;
  assert(p < kInlineCodeBits && "a plain record keeps its codes in the header");
  if (value && p < kInlineCodeBits) header_ |= 1u << (18 + p);
}

bool DBPolygonExt::GetCodeBit(uint32_t e, int j, int b) const {
  uint64_t p = uint64_t(e) * b + j;
  return StreamBit(Header(), CodeWords(), p);
}

void DBPolygonExt::SetCodeBit(uint32_t e, int j, int b, bool value) {
  uint64_t p = uint64_t(e) * b + j;
  if (p < kInlineCodeBits) {
    DBPolygon::SetCodeBit(e, j, b, value);
  } else if (value) {
    p -= kInlineCodeBits;
    CodeWords()[p / 32] |= 1u << (p % 32);
  }
}

void DBPolygon::NextVertex(uint32_t i, uint32_t& valueIndex, int32_t& x, int32_t& y) const {
  const int32_t* values = Values();
  uint32_t kind = Kind();
  if (kind == kPolygonManhattan) {
    if (IsSquare()) {
      x = i < 3 ? values[0] : 0;
      y = i > 1 ? values[0] : 0;
    } else if (i + 1 == VertexCount()) {
      x = 0;
    } else if (i & 1) {
      x = Add(x, values[valueIndex++]);
    } else {
      y = Add(y, values[valueIndex++]);
    }
    return;
  }
  if (kind == kPolygonOctagonal && i + 1 == VertexCount()) {
    LastOctagonalVertex(x, y);
    return;
  }
  int code = EdgeCode(i - 1);
  if (code & 4) {
    x = Add(x, values[valueIndex++]);
    y = Add(y, values[valueIndex++]);
    return;
  }
  int32_t d = values[valueIndex++];
  switch (code) {
    case kEdgeHorizontal: x = Add(x, d); break;
    case kEdgeVertical: y = Add(y, d); break;
    case kEdgeDiagonalUp:
      x = Add(x, d);
      y = Add(y, d);
      break;
    default:
      x = Add(x, -int64_t(d));
      y = Add(y, d);
      break;
  }
}

// The last vertex of kind 1 carries no value: it lies on the line of edge n - 2 through the
// previous vertex and on the line of the closing edge through the origin. Collinear codes
// (the same direction twice) determine no vertex: it stays where it is, and Compress, which
// checks every record it builds, never keeps such a record.
void DBPolygon::LastOctagonalVertex(int32_t& x, int32_t& y) const {
  uint32_t n = VertexCount();
  int c = EdgeCode(n - 2);
  int k = EdgeCode(n - 1);
  int64_t px = x, py = y;
  if (c == kEdgeHorizontal || c == kEdgeVertical) {
    if (k == c) return;
    // The coordinate that edge n - 2 keeps fixes the one that it moves.
    int64_t kept = c == kEdgeHorizontal ? py : px;
    int64_t moved = k == kEdgeDiagonalUp ? kept : k == kEdgeDiagonalDown ? -kept : 0;
    (c == kEdgeHorizontal ? x : y) = WrapToInt32(moved);
    return;
  }
  int64_t sign = c == kEdgeDiagonalUp ? -1 : 1;
  if (k == kEdgeHorizontal) {
    x = WrapToInt32(px + sign * py);
    y = 0;
  } else if (k == kEdgeVertical) {
    y = WrapToInt32(py + sign * px);
    x = 0;
  } else if (c == kEdgeDiagonalUp) {
    int64_t r = HalfAwayFromZero(-(px + py));
    x = WrapToInt32(px + r);
    y = WrapToInt32(py + r);
  } else {
    int64_t r = HalfAwayFromZero(px - py);
    x = WrapToInt32(px - r);
    y = WrapToInt32(py + r);
  }
}

void DBPolygon::GetBox(Box& out) const {
  const int32_t* values = Values();
  if (IsSquare() || IsRectangle()) {
    int32_t dx = values[0], dy = IsSquare() ? values[0] : values[1];
    out = Box::SpanPoints(Point(0, 0), Point(dx, dy));
    return;
  }
  out = Box(0, 0, 0, 0);
  uint32_t n = VertexCount(), valueIndex = 0;
  int32_t x = 0, y = 0;
  for (uint32_t i = 1; i < n; ++i) {
    NextVertex(i, valueIndex, x, y);
    out.Extend(x, y);
  }
}

void DBPolygon::ToRing(RingSet& out, const Point& at) const {
  RingVertex* first = out.PushBack(at);
  RingVertex* last = first;
  uint32_t n = VertexCount(), valueIndex = 0;
  int32_t x = 0, y = 0;
  for (uint32_t i = 1; i < n; ++i) {
    NextVertex(i, valueIndex, x, y);
    RingVertex* v = out.PushBack(Point(Add(at.x, x), Add(at.y, y)));
    Link(last, v);
    last = v;
  }
  Link(last, first);
  out.SetRingCount(out.RingCount() + 1);
}

bool DBPolygon::DecodesTo(const RingVertex* origin) const {
  uint32_t n = VertexCount(), valueIndex = 0;
  int32_t x = 0, y = 0;
  const RingVertex* v = origin;
  for (uint32_t i = 1; i < n; ++i) {
    NextVertex(i, valueIndex, x, y);
    v = v->ringNext;
    if (Add(origin->x, x) != v->x || Add(origin->y, y) != v->y) return false;
  }
  return true;
}

DBPolygon* DBPolygon::EncodeManhattan(const RingVertex* origin, uint32_t n) {
  const RingVertex* second = origin->ringNext;
  int32_t dx = Delta(origin->x, second->x);
  int32_t dy = Delta(second->y, second->ringNext->y);
  if (n == 4 && dx == dy) {
    DBPolygon* square = Create(kSquareHeader, 1);
    square->MutableValues()[0] = dx;
    return square;
  }
  DBPolygon* record = Create(n, n - 2);
  int32_t* values = record->MutableValues();
  const RingVertex* v = origin;
  for (uint32_t e = 0; e + 2 < n; ++e, v = v->ringNext) {
    const RingVertex* w = v->ringNext;
    values[e] = e & 1 ? Delta(v->y, w->y) : Delta(v->x, w->x);
  }
  return record;
}

DBPolygon* DBPolygon::EncodeOctagonal(const RingVertex* origin, uint32_t n) {
  DBPolygon* record = Create(n | kOctagonalBit, n - 2);
  int32_t* values = record->MutableValues();
  const RingVertex* v = origin;
  for (uint32_t e = 0; e < n; ++e, v = v->ringNext) {
    const RingVertex* w = v->ringNext;
    int code = CodeOfEdge(v, w);
    SetCode(*record, e, code, 2);
    if (e + 2 < n) values[e] = StoresDx(code) ? Delta(v->x, w->x) : Delta(v->y, w->y);
  }
  return record;
}

DBPolygon* DBPolygon::EncodeGeneral(const RingVertex* origin, uint32_t n, uint32_t otherEdges) {
  DBPolygon* record = Create(n | kGeneralBit, n - 1 + otherEdges);
  int32_t* values = record->MutableValues();
  uint32_t valueIndex = 0;
  const RingVertex* v = origin;
  for (uint32_t e = 0; e + 1 < n; ++e, v = v->ringNext) {
    const RingVertex* w = v->ringNext;
    int code = CodeOfEdge(v, w);
    SetCode(*record, e, code, 3);
    if (StoresDx(code)) values[valueIndex++] = Delta(v->x, w->x);
    if (StoresDy(code)) values[valueIndex++] = Delta(v->y, w->y);
  }
  return record;
}

DBPolygonPtr DBPolygon::Compress(const RingSet& ring, const RingVertex*& origin, const RingVertex* start) {
  if (!start) start = ring.Head();
  // The most common shape needs no survey: a rectangle is stored from the end of its first
  // horizontal edge, as the Manhattan branch below would store it.
  if (start) {
    const RingVertex* first = start;
    if (start->x == start->ringNext->x && start->y != start->ringNext->y) first = start->ringNext;
    if (IsRectangleFrom(first)) {
      origin = first;
      return DBPolygonPtr(EncodeManhattan(first, 4));
    }
  }
  RingSurvey survey = Survey(start);
  if (survey.n < 3) throw Error(kTagDb, "Too few points in polygon");
  // The compact kinds are checked by decoding: rings that do not alternate, collinear closing
  // vertices and degenerate rings would otherwise come back as another shape.
  if (survey.manhattan && survey.n >= 4) {
    const RingVertex* first = start;
    if (start->x == start->ringNext->x && start->y != start->ringNext->y) first = start->ringNext;
    DBPolygonPtr record(EncodeManhattan(first, survey.n));
    if (record->DecodesTo(first)) {
      origin = first;
      return record;
    }
  } else if (survey.octilinear && !survey.manhattan) {
    DBPolygonPtr record(EncodeOctagonal(start, survey.n));
    if (record->DecodesTo(start)) {
      origin = start;
      return record;
    }
  }
  origin = start;
  return DBPolygonPtr(EncodeGeneral(start, survey.n, survey.otherEdges));
}

DBPolygonPtr DBPolygon::FromValues(uint32_t header, const int32_t* values, uint32_t valueCount) {
  DBPolygonPtr record(Create(header, valueCount));
  std::memcpy(record->MutableValues(), values, valueCount * sizeof(int32_t));
  return record;
}

int DBPolygon::Compare(const DBPolygon& a, const DBPolygon& b) {
  if (a.header_ != b.header_) return a.header_ < b.header_ ? -1 : 1;
  if (a.valueCount_ != b.valueCount_) return a.valueCount_ < b.valueCount_ ? -1 : 1;
  // Equal headers give equal kinds and counts, hence the same class and number of code words.
  const int32_t* wa = a.Data();
  const int32_t* wb = b.Data();
  uint32_t words = a.CodeWordCount() + a.valueCount_;
  for (uint32_t i = 0; i < words; ++i) {
    if (wa[i] != wb[i]) return wa[i] < wb[i] ? -1 : 1;
  }
  return 0;
}

void DBPolygon::Write(BinaryFile& file) const {
  file.Write4(header_);
  const uint32_t* words = CodeWords();
  for (uint32_t i = 0, count = CodeWordCount(); i < count; ++i) file.Write4(words[i]);
  const int32_t* values = Values();
  for (uint32_t i = 0; i < valueCount_; ++i) file.WriteSignedChained(values[i]);
}

DBPolygonPtr DBPolygon::Read(BinaryFile& file) {
  uint32_t header;
  if (!file.Read4(header)) ThrowInsufficientData();
  uint32_t n = header & kMaxPolygonVertices;
  uint32_t kind = header >> 30;
  if (kind == kPolygonManhattan ? header != kSquareHeader && n < 4 : n < 3) ThrowInsufficientData();
  // The value count of kind 2 follows from the codes, so the code words are read first; they
  // are bounded by the vertex limit (at most 96 KiB).
  thread_local std::vector<uint32_t> words;
  words.resize(CodeWordsFor(header));
  for (uint32_t& word : words) {
    if (!file.Read4(word)) ThrowInsufficientData();
  }
  uint32_t valueCount = n - 2;
  if (header == kSquareHeader) valueCount = 1;
  if (kind >= kPolygonGeneral) valueCount = n - 1 + CountTwoValueEdges(header, words.data(), n);
  DBPolygonPtr record(Create(header, valueCount));
  if (!words.empty()) std::memcpy(record->CodeWords(), words.data(), words.size() * sizeof(uint32_t));
  int32_t* values = record->MutableValues();
  for (uint32_t i = 0; i < valueCount; ++i) values[i] = file.ReadSignedChained();
  return record;
}
