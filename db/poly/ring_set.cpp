#include "db/poly/ring_set.h"

#include <cmath>
#include <cstdlib>

#include "db/numeric.h"

RecordPool<RingVertex>& VertexPool() {
  static RecordPool<RingVertex> pool(50000);
  return pool;
}

RingVertex* AllocRingVertex() {
  RingVertex* v = VertexPool().Alloc();
  *v = RingVertex{};
  return v;
}

void FreeRingVertex(RingVertex* v) { VertexPool().Free(v); }

void ResetVertexPool() { VertexPool().Reset(); }

RingSet::RingSet(RingSet&& other) noexcept
    : head_(other.head_), tail_(other.tail_), vertexCount_(other.vertexCount_), ringCount_(other.ringCount_) {
  other.head_ = other.tail_ = nullptr;
  other.vertexCount_ = 0;
  other.ringCount_ = 0;
}

RingSet& RingSet::operator=(RingSet&& other) noexcept {
  if (this != &other) {
    Clear();
    Append(other);
  }
  return *this;
}

void RingSet::Clear() {
  VertexPool().ReleaseChain(head_, tail_);
  head_ = tail_ = nullptr;
  vertexCount_ = 0;
  ringCount_ = 0;
}

RingVertex* RingSet::PushFront(int32_t x, int32_t y) {
  RingVertex* v = AllocRingVertex();
  v->x = x;
  v->y = y;
  v->next = head_;
  head_ = v;
  if (!tail_) tail_ = v;
  ++vertexCount_;
  return v;
}

RingVertex* RingSet::PushBack(const Point& p) {
  RingVertex* v = AllocRingVertex();
  v->x = p.x;
  v->y = p.y;
  if (tail_) {
    tail_->next = v;
  } else {
    head_ = v;
  }
  tail_ = v;
  ++vertexCount_;
  return v;
}

RingVertex* RingSet::InsertAfter(RingVertex* after, const Point& p) {
  // A null position inserts at the front, which is the one vertex of an empty set.
  if (!after) return PushFront(p.x, p.y);
  RingVertex* v = AllocRingVertex();
  v->x = p.x;
  v->y = p.y;
  v->next = after->next;
  after->next = v;
  if (tail_ == after) tail_ = v;
  ++vertexCount_;
  return v;
}

RingVertex* RingSet::PopFront() {
  RingVertex* v = head_;
  if (!v) return nullptr;
  head_ = v->next;
  if (!head_) tail_ = nullptr;
  FreeRingVertex(v);
  --vertexCount_;
  return head_;
}

RingVertex* RingSet::RemoveAfter(RingVertex* v) {
  RingVertex* gone = v->next;
  if (!gone) return nullptr;
  v->next = gone->next;
  if (tail_ == gone) tail_ = v;
  FreeRingVertex(gone);
  --vertexCount_;
  return v->next;
}

void RingSet::Append(RingSet& other) {
  if (&other == this) return;
  if (IsEmpty()) {
    head_ = other.head_;
    tail_ = other.tail_;
    vertexCount_ = other.vertexCount_;
    ringCount_ = other.ringCount_;
  } else if (!other.IsEmpty()) {
    tail_->next = other.head_;
    tail_ = other.tail_;
    vertexCount_ += other.vertexCount_;
    ringCount_ += other.ringCount_;
  }
  other.head_ = other.tail_ = nullptr;
  other.vertexCount_ = 0;
  other.ringCount_ = 0;
}

void RingSet::AddRing(const Point* points, uint32_t n) {
  if (n == 0) return;
  // The readers make one ring per element: the vertices are set up here in one go rather than
  // through PushFront and Link.
  RecordPool<RingVertex>& pool = VertexPool();
  RingVertex* first = nullptr;
  RingVertex* last = nullptr;
  for (uint32_t i = 0; i < n; ++i) {
    RingVertex* v = pool.Alloc();
    *v = RingVertex{head_, nullptr, last, points[i].x, points[i].y, 0};
    if (last) {
      last->ringNext = v;
    } else {
      first = v;
    }
    head_ = v;
    last = v;
  }
  if (!tail_) tail_ = first;
  Link(last, first);
  vertexCount_ += n;
  ++ringCount_;
}

void RingSet::AddRectangle(const Box& box, bool operandB) {
  const Point corners[4] = {{box.x1, box.y1}, {box.x2, box.y1}, {box.x2, box.y2}, {box.x1, box.y2}};
  AddRing(corners, 4);
  if (!operandB) return;
  RingVertex* v = head_;
  for (int i = 0; i < 4; ++i, v = v->next) v->flags |= kVertexOperandB;
}

void RingSet::Translate(int32_t dx, int32_t dy) {
  for (RingVertex* v = head_; v; v = v->next) {
    v->x = WrapToInt32(int64_t(v->x) + dx);
    v->y = WrapToInt32(int64_t(v->y) + dy);
  }
}

bool RingSet::IsManhattan() const {
  for (const RingVertex* v = head_; v; v = v->next) {
    if (v->x != v->ringNext->x && v->y != v->ringNext->y) return false;
  }
  return true;
}

Box RingSet::GetBoundingBox() const {
  Box box;
  for (const RingVertex* v = head_; v; v = v->next) box.Extend(v->x, v->y);
  return box;
}

void RingSet::SetVertexFlags(uint16_t mask) {
  for (RingVertex* v = head_; v; v = v->next) v->flags |= mask;
}

void RingSet::ClearVertexFlags(uint16_t mask) {
  for (RingVertex* v = head_; v; v = v->next) v->flags &= static_cast<uint16_t>(~mask);
}

uint32_t RingSet::CountRings() {
  uint32_t vertices = 0;
  uint32_t largest = 0;
  int32_t rings = 0;
  for (RingVertex* v = head_; v; v = v->next) {
    ++vertices;
    if (v->flags & kVertexVisited) continue;
    uint32_t size = 0;
    RingVertex* w = v;
    do {
      w->flags |= kVertexVisited;
      ++size;
      w = w->ringNext;
    } while (w != v);
    ++rings;
    if (size > largest) largest = size;
  }
  ClearVertexFlags(kVertexVisited);
  vertexCount_ = vertices;
  ringCount_ = rings;
  return largest;
}

namespace {
// Twice the signed area of v's ring, exact: each term is below 2^66 and a ring has below 2^32
// edges. Counts the ring's vertices into count and flags them visited (with mark) or clears
// their visited flags.
__int128 TwiceRingArea(RingVertex* v, bool mark, uint32_t& count) {
  __int128 twiceArea = 0;
  count = 0;
  RingVertex* w = v;
  do {
    const RingVertex* n = w->ringNext;
    twiceArea += __int128(int64_t(w->y) + n->y) * (int64_t(w->x) - n->x);
    w->flags = mark ? uint16_t(w->flags | kVertexVisited) : uint16_t(w->flags & ~kVertexVisited);
    ++count;
    w = w->ringNext;
  } while (w != v);
  return twiceArea;
}

void ReverseRing(RingVertex* v) {
  RingVertex* w = v;
  do {
    RingVertex* following = w->ringNext;
    w->ringNext = w->ringPrev;
    w->ringPrev = following;
    w = following;
  } while (w != v);
}
}  // namespace

void RingSet::NormalizeOrientation() {
  if (!head_) {
    ringCount_ = 0;
    return;
  }
  // Most sets hold one ring: when the head's ring has every vertex, one walk does it all.
  uint32_t count;
  __int128 twiceArea = TwiceRingArea(head_, false, count);
  if (count == vertexCount_) {
    if (twiceArea < 0) ReverseRing(head_);
    ringCount_ = 1;
    return;
  }
  int32_t rings = 0;
  for (RingVertex* v = head_; v; v = v->next) {
    if (v->flags & kVertexVisited) continue;
    if (TwiceRingArea(v, true, count) < 0) ReverseRing(v);
    ++rings;
  }
  ClearVertexFlags(kVertexVisited);
  ringCount_ = rings;
}

namespace {
// floor(c / step + 0.5) * step, exact in 64 bits; c itself when the result leaves 32 bits.
int32_t SnapCoordinate(int32_t c, int64_t step) {
  int64_t twice = 2 * int64_t(c) + step;
  int64_t q = twice / (2 * step);
  if (twice % (2 * step) < 0) --q;
  int64_t snapped = q * step;
  if (snapped < INT32_MIN || snapped > INT32_MAX) return c;
  return static_cast<int32_t>(snapped);
}
}  // namespace

void RingSet::SnapToGrid(int32_t step) {
  if (step <= 1) return;
  for (RingVertex* v = head_; v; v = v->next) {
    v->x = SnapCoordinate(v->x, step);
    v->y = SnapCoordinate(v->y, step);
  }
}

uint32_t RingSet::RemoveFlaggedVertices() {
  uint32_t removed = 0;
  RingVertex* prev = nullptr;
  for (RingVertex* v = head_; v;) {
    if (v->flags & kVertexDeleted) {
      v = prev ? RemoveAfter(prev) : PopFront();
      ++removed;
    } else {
      prev = v;
      v = v->next;
    }
  }
  return removed;
}

void Link(RingVertex* a, RingVertex* b) {
  if (a) a->ringNext = b;
  if (b) b->ringPrev = a;
}

RingVertex* AppendRingVertex(RingSet& set, const Point& p, RingVertex*& first, RingVertex*& last) {
  RingVertex* v = set.PushFront(p.x, p.y);
  if (!first) {
    first = v;
  } else {
    Link(last, v);
  }
  last = v;
  return v;
}

RingVertex* NextUnflagged(RingVertex* v) {
  if (v) v = v->next;
  while (v && (v->flags & kVertexVisited)) v = v->next;
  return v;
}

void CopyRingInto(RingSet& dst, RingVertex* start) {
  RingVertex* first = nullptr;
  RingVertex* last = nullptr;
  RingVertex* v = start;
  do {
    AppendRingVertex(dst, Point(v->x, v->y), first, last);
    v->flags |= kVertexVisited;
    v = v->ringNext;
  } while (v != start);
  Link(last, first);
}

uint32_t MarkRingVisited(RingVertex* start) {
  uint32_t n = 0;
  RingVertex* v = start;
  do {
    v->flags |= kVertexVisited;
    ++n;
    v = v->ringNext;
  } while (v != start);
  return n;
}

bool IsManhattanRing(const RingVertex* v) {
  const RingVertex* w = v;
  do {
    if (w->x != w->ringNext->x && w->y != w->ringNext->y) return false;
    w = w->ringNext;
  } while (w != v);
  return true;
}

bool IsOctilinearRing(const RingVertex* v) {
  const RingVertex* w = v;
  do {
    int64_t dx = std::llabs(int64_t(w->ringNext->x) - w->x);
    int64_t dy = std::llabs(int64_t(w->ringNext->y) - w->y);
    if (dx != 0 && dy != 0 && dx != dy) return false;
    w = w->ringNext;
  } while (w != v);
  return true;
}

uint32_t CountRingVertices(const RingVertex* v) {
  uint32_t count = 0;
  const RingVertex* w = v;
  do {
    ++count;
    w = w->ringNext;
  } while (w != v);
  return count;
}

RingVertex* FindLowestLeftVertex(RingVertex* v) {
  RingVertex* best = v;
  for (RingVertex* w = v->ringNext; w != v; w = w->ringNext) {
    if (PointLess(w, best)) best = w;
  }
  return best;
}

RingVertex* LeftmostVertexIfClockwise(RingVertex* v) {
  RingVertex* best = v;
  RingVertex* w = v;
  do {
    w->flags |= kVertexVisited;
    if (w->x < best->x || (w->x == best->x && w->y > best->y)) best = w;
    w = w->ringNext;
  } while (w != v);
  const RingVertex* p = best->ringPrev;
  const RingVertex* n = best->ringNext;
  __int128 turn = __int128(int64_t(p->x) - best->x) * (int64_t(n->y) - best->y) -
                  __int128(int64_t(p->y) - best->y) * (int64_t(n->x) - best->x);
  return turn > 0 ? best : nullptr;
}

double SignedDistanceToLine(const Segment& s, int32_t px, int32_t py) {
  if (s.x1 == s.x2 && s.y1 == s.y2) {
    // A line of no length has no side: the distance to its one point.
    return std::hypot(double(px) - s.x1, double(py) - s.y1);
  }
  if (s.IsHorizontal()) return s.x2 > s.x1 ? double(s.y1) - py : double(py) - s.y1;
  if (s.IsVertical()) return s.y2 > s.y1 ? double(px) - s.x1 : double(s.x1) - px;
  int64_t dx = int64_t(s.x2) - s.x1, dy = int64_t(s.y2) - s.y1;
  __int128 cross = __int128(dy) * (int64_t(px) - s.x1) - __int128(int64_t(py) - s.y1) * dx;
  return double(cross) / std::hypot(double(dx), double(dy));
}

int SideOfSegment(const Segment& s, const Point& p) { return s.Side(p.x, p.y); }

int32_t RoundedDistanceToLine(const Point& p, const Point& a, const Point& b) {
  return RoundToInt(std::fabs(SignedDistanceToLine(Segment(a.x, a.y, b.x, b.y), p.x, p.y)));
}

namespace {
// a lies on the line v-b, or v and b coincide; exact for any 32-bit coordinates.
bool IsCollinear(const RingVertex* v, const RingVertex* a, const RingVertex* b) {
  __int128 cross =
      __int128(int64_t(b->x) - v->x) * (int64_t(a->y) - v->y) - __int128(int64_t(b->y) - v->y) * (int64_t(a->x) - v->x);
  return cross == 0;
}

// Removes a behind v while it lies on the line from v to its successor; spikes (a point lying
// back along the line) go too, so a ring that folds onto a line collapses.
int32_t SimplifyExact(RingVertex* v) {
  int32_t removed = 0;
  RingVertex* a = v->ringNext;
  RingVertex* b = a->ringNext;
  while (b != v && IsCollinear(v, a, b)) {
    a->flags |= kVertexDeleted;
    Link(v, b);
    a = b;
    b = b->ringNext;
    ++removed;
  }
  return b == v ? -(removed + 1) : removed;
}

// Every vertex strictly between v and e lies within tolerance of the line v-e, and a vertex
// off the line shares no coordinate with v or e (that would be an axis-parallel jog).
bool WindowPasses(const RingVertex* v, const RingVertex* e, int32_t tolerance) {
  const Point start(v->x, v->y), end(e->x, e->y);
  for (const RingVertex* w = v->ringNext; w != e; w = w->ringNext) {
    int32_t distance = RoundedDistanceToLine(Point(w->x, w->y), start, end);
    if (distance > tolerance) return false;
    if (distance != 0 && (w->x == v->x || w->y == v->y || w->x == e->x || w->y == e->y)) return false;
  }
  return true;
}

// The tolerance window. A ring whose every vertex passes would shrink below three vertices;
// such a thin ring is kept whole rather than deleted.
int32_t SimplifyWithin(RingVertex* v, int32_t tolerance) {
  RingVertex* kept = v->ringNext;
  int32_t removable = 0;
  for (RingVertex* e = kept->ringNext; WindowPasses(v, e, tolerance); e = e->ringNext) {
    if (e->ringNext == v) return 0;
    kept = e;
    ++removable;
  }
  for (RingVertex* w = v->ringNext; w != kept; w = w->ringNext) w->flags |= kVertexDeleted;
  Link(v, kept);
  return removable;
}

// One walk of the chain: frees vertices flagged earlier, simplifies behind every other vertex
// and flags whole rings that fall under three vertices. Returns the vertices removed.
uint32_t SimplifyPass(RingSet& set, int32_t tolerance, int32_t& ringCount) {
  uint32_t removed = 0;
  RingVertex* prev = nullptr;
  for (RingVertex* v = set.Head(); v;) {
    if (v->flags & kVertexDeleted) {
      v = prev ? set.RemoveAfter(prev) : set.PopFront();
      continue;
    }
    int32_t result = SimplifyAt(v, tolerance);
    if (result >= 0) {
      removed += static_cast<uint32_t>(result);
    } else {
      removed += static_cast<uint32_t>(-(result + 1));
      RingVertex* w = v;
      do {
        w->flags |= kVertexDeleted;
        ++removed;
        w = w->ringNext;
      } while (w != v);
      --ringCount;
    }
    prev = v;
    v = v->next;
  }
  return removed;
}
}  // namespace

int32_t SimplifyAt(RingVertex* v, int32_t tolerance) {
  if (v->ringNext == v || v->ringNext->ringNext == v) return -1;
  return tolerance <= 0 ? SimplifyExact(v) : SimplifyWithin(v, tolerance);
}

namespace {
// Whether an exact simplification would change the set: a vertex flagged deleted, a ring of
// fewer than three vertices, or a vertex whose two ring successors lie on one line with it.
bool AnyExactSimplification(const RingSet& set) {
  for (const RingVertex* v = set.Head(); v; v = v->next) {
    const RingVertex* a = v->ringNext;
    const RingVertex* b = a->ringNext;
    if ((v->flags & kVertexDeleted) || a == v || b == v) return true;
    // A turn between an axis-parallel edge and a perpendicular one is no collinear triple.
    bool horizontalThenVertical = v->y == a->y && v->x != a->x && a->x == b->x && a->y != b->y;
    bool verticalThenHorizontal = v->x == a->x && v->y != a->y && a->y == b->y && a->x != b->x;
    if (horizontalThenVertical || verticalThenHorizontal) continue;
    if (IsCollinear(v, a, b)) return true;
  }
  return false;
}
}  // namespace

uint32_t RingSet::RemoveCollinearVertices(int32_t tolerance) {
  if (tolerance <= 0 && !AnyExactSimplification(*this)) return 0;
  uint32_t total = 0;
  for (;;) {
    uint32_t removed = SimplifyPass(*this, tolerance, ringCount_);
    if (removed == 0) return total;
    total += removed;
    RemoveFlaggedVertices();
    // Removing vertices can make new collinear triples; later passes test exact collinearity.
    tolerance = 0;
  }
}
