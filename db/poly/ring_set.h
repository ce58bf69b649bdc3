#pragma once

#include <cstdint>

#include "db/box.h"
#include "db/record_pool.h"
#include "db/segment.h"

// One pooled vertex of a ring set. `next` chains every vertex of the set in set order;
// ringNext/ringPrev close each ring into a cycle (a ring of one vertex points at itself).
struct RingVertex {
  RingVertex* next;
  RingVertex* ringNext;
  RingVertex* ringPrev;
  int32_t x;
  int32_t y;
  uint16_t flags;
};

// Operation codes of RingSet::Boolean.
constexpr int kBooleanMerge = 0;
// The merge under the non-zero rule: inside wherever the winding of the unflagged rings is not
// 0, so that lobes of a self-crossing ring count whichever way they wind.
constexpr int kBooleanMergeNonZero = 1;
constexpr int kBooleanIntersect = 5;
constexpr int kBooleanSubtract = 6;
constexpr int kBooleanCutHoles = 25;
constexpr int kBooleanSplitCrossings = 32;

// Vertex flag bits. The boolean sweep owns the bits not named here.
constexpr uint16_t kVertexVisited = 0x0001;
constexpr uint16_t kVertexOperandB = 0x4000;
constexpr uint16_t kVertexDeleted = 0x8000;

RecordPool<RingVertex>& VertexPool();
// A vertex with null ring links and flags 0.
RingVertex* AllocRingVertex();
void FreeRingVertex(RingVertex* v);
// Empties the vertex store: only at exit, when no ring set is alive.
void ResetVertexPool();

// Any number of closed rings over pooled vertices: the working form of polygons. Result rings
// of the polygon engine run counter-clockwise with y up; the right-hand side of an edge is the
// outside. The set owns its vertices and returns them to the pool in one splice.
class RingSet {
 public:
  RingSet() = default;
  ~RingSet() { Clear(); }
  RingSet(const RingSet&) = delete;
  RingSet& operator=(const RingSet&) = delete;
  RingSet(RingSet&& other) noexcept;
  RingSet& operator=(RingSet&& other) noexcept;

  RingVertex* Head() const { return head_; }
  RingVertex* Tail() const { return tail_; }
  uint32_t VertexCount() const { return vertexCount_; }
  int32_t RingCount() const { return ringCount_; }
  void SetRingCount(int32_t count) { ringCount_ = count; }
  bool IsEmpty() const { return head_ == nullptr; }

  // Chain primitives. Pushed vertices are unlinked in ring order; the ring count is the caller's.
  void Clear();
  RingVertex* PushFront(int32_t x, int32_t y);
  RingVertex* PushBack(const Point& p);
  // Behind `after` in chain order; with after null the set must be empty.
  RingVertex* InsertAfter(RingVertex* after, const Point& p);
  // Frees the head; returns the new head.
  RingVertex* PopFront();
  // Unlinks and frees v's chain successor; returns v's new successor.
  RingVertex* RemoveAfter(RingVertex* v);
  // Moves every vertex of other to the end of this set; other ends empty.
  void Append(RingSet& other);
  // One ring through points[0, n) in that order, each vertex pushed at the front as
  // AppendRingVertex pushes it, closed and counted. Nothing for n = 0.
  void AddRing(const Point* points, uint32_t n);
  // One counter-clockwise ring (x1,y1) (x2,y1) (x2,y2) (x1,y2), each vertex pushed at the front;
  // with operandB each vertex carries kVertexOperandB.
  void AddRectangle(const Box& box, bool operandB = false);
  void Translate(int32_t dx, int32_t dy);

  // Measures and predicates.
  bool IsManhattan() const;
  // The empty box for an empty set.
  Box GetBoundingBox() const;
  // Sets / clears the bits of mask on every vertex.
  void SetVertexFlags(uint16_t mask);
  void ClearVertexFlags(uint16_t mask);
  // Recounts vertices and rings; returns the vertex count of the largest ring.
  uint32_t CountRings();

  // Order and cleanup.
  // Stable merge sort of the chain by compare(a, b) (negative: a first); ring links untouched.
  template <typename Compare>
  void SortVertices(Compare compare);
  // Makes every ring counter-clockwise (y up) and recounts the rings.
  void NormalizeOrientation();
  // Rounds every coordinate to the nearest multiple of step, halves upwards.
  void SnapToGrid(int32_t step);
  // Simplifies every ring, drops collapsed rings; returns the number of vertices removed.
  uint32_t RemoveCollinearVertices(int32_t tolerance);
  // Unlinks from the chain and frees every vertex flagged kVertexDeleted (ring links must
  // already bypass them).
  uint32_t RemoveFlaggedVertices();

  // Clips every ring to box (inclusive), inserting the crossing points on the box lines, then
  // removes collinear vertices; a box without area leaves the set empty. Orientation is kept.
  // With relink, counter-clockwise rings that double back along a box line are separated so
  // that each inside part closes by itself.
  void ClipToBox(const Box& box, bool relink);

  // Appends to out the region of the rings (inside wherever the winding of the whole set is not
  // 0) grown by amount, or shrunk by -amount, as clean counter-clockwise rings with clockwise
  // holes. Every edge moves by the amount; convex corners are mitred, and with acute those sharper
  // than 90 degrees are cut along the square of half-side |amount| around the vertex. A shrink
  // keeps nothing nearer the edges than |amount|. May throw Error(kTagDrc, ...).
  void Size(RingSet& out, int32_t amount, bool acute);

  // The boolean sweep over the rings of this set; rings flagged kVertexOperandB are operand B.
  // Ops merge (either rule), intersect and subtract append clean counter-clockwise result rings
  // to out (holes clockwise until cut open); cut-holes and split-at-crossings work in place with
  // out null. With keepPieces the unjoined result edges go to out. Broken topology throws
  // Error(kTagDrc, ...) and leaves this set's geometry intact.
  void Boolean(RingSet* out, int op, bool keepPieces);
  // Appends to out the outline of what the rings cover when each is filled under the non-zero
  // rule and the fillings are united: counter-clockwise rings with clockwise holes. Works on
  // rings that cross themselves; this set keeps its rings.
  void FilledRegion(RingSet& out);
  // Repairs a ring that crosses itself into simple rings covering the same area.
  void SplitSelfCrossing();
  bool HasSelfCrossing();
  void SplitAt(RingSet& out, int32_t stripWidth);

 private:
  // One relink pass of ClipToBox over the lines x1 and x2 (vertical) or y1 and y2; true when
  // any ring links changed.
  bool RelinkAlongBoxLine(const Box& box, bool vertical);

  RingVertex* head_ = nullptr;
  RingVertex* tail_ = nullptr;
  uint32_t vertexCount_ = 0;
  int32_t ringCount_ = 0;
};

// What the Sizing command makes of rings: their region (FilledRegion: each ring under the
// non-zero rule, the fillings united), sized by amount with sharp corners cut along the square,
// with its holes cut open, so that it comes out as counter-clockwise rings that never cross.
// May throw Error(kTagDrc, ...).
RingSet SizedOutline(RingSet& rings, int32_t amount);

// a.ringNext = b and b.ringPrev = a, each only where the vertex is non-null.
void Link(RingVertex* a, RingVertex* b);
// Pushes (x, y) at the front of set and links it behind last in ring order (starting a ring
// when first is null); the new vertex becomes last. The caller closes the ring with Link.
RingVertex* AppendRingVertex(RingSet& set, const Point& p, RingVertex*& first, RingVertex*& last);
// The next vertex after v in chain order whose visited bit is clear; null at the end.
RingVertex* NextUnflagged(RingVertex* v);
// Pushes a copy of start's ring (start first) at the front of dst as one closed ring, and flags
// each source vertex visited. dst's ring count is the caller's.
void CopyRingInto(RingSet& dst, RingVertex* start);
// Flags every vertex of start's ring visited; gives the ring's vertex count.
uint32_t MarkRingVisited(RingVertex* start);

inline bool PointLess(const RingVertex* a, const RingVertex* b) { return a->x < b->x || (a->x == b->x && a->y < b->y); }
bool IsManhattanRing(const RingVertex* v);
bool IsOctilinearRing(const RingVertex* v);
uint32_t CountRingVertices(const RingVertex* v);
// Smallest x, ties to smallest y; the first such in ring order from v.
RingVertex* FindLowestLeftVertex(RingVertex* v);
// Flags the ring visited; returns its leftmost vertex (ties to the larger y) when the ring
// turns clockwise there, else null.
RingVertex* LeftmostVertexIfClockwise(RingVertex* v);
// Positive on the right-hand side of the directed segment (y up).
double SignedDistanceToLine(const Segment& s, int32_t px, int32_t py);
// +1 right-hand side, 0 on the line, -1 left.
int SideOfSegment(const Segment& s, const Point& p);
// |SignedDistanceToLine| from p to the line a->b, rounded half away from zero.
int32_t RoundedDistanceToLine(const Point& p, const Point& a, const Point& b);
// Removes the collinear (tolerance 0) or near-collinear vertices behind v in its ring by
// flagging them deleted. Returns how many; -(k + 1) when fewer than three vertices are left,
// -1 when the ring had fewer than three to start with.
int32_t SimplifyAt(RingVertex* v, int32_t tolerance);
template <typename Compare>
bool IsChainSorted(const RingVertex* first, Compare compare) {
  for (const RingVertex* v = first; v && v->next; v = v->next) {
    if (compare(v, v->next) > 0) return false;
  }
  return true;
}

template <typename Compare>
void RingSet::SortVertices(Compare compare) {
  struct Run {
    RingVertex* head;
    RingVertex* tail;
    uint64_t length;
  };
  auto merge = [&compare](Run lower, Run upper) {
    RingVertex start{};
    RingVertex* end = &start;
    RingVertex* a = lower.head;
    RingVertex* b = upper.head;
    while (a && b) {
      if (compare(b, a) < 0) {
        end->next = b;
        b = b->next;
      } else {
        end->next = a;
        a = a->next;
      }
      end = end->next;
    }
    end->next = a ? a : b;
    return Run{start.next, a ? lower.tail : upper.tail, lower.length + upper.length};
  };
  Run stack[64];
  int depth = 0;
  for (RingVertex* v = head_; v;) {
    RingVertex* following = v->next;
    v->next = nullptr;
    stack[depth++] = Run{v, v, 1};
    while (depth >= 2 && 2 * stack[depth - 1].length > stack[depth - 2].length) {
      stack[depth - 2] = merge(stack[depth - 2], stack[depth - 1]);
      --depth;
    }
    v = following;
  }
  while (depth >= 2) {
    stack[depth - 2] = merge(stack[depth - 2], stack[depth - 1]);
    --depth;
  }
  head_ = depth ? stack[0].head : nullptr;
  tail_ = depth ? stack[0].tail : nullptr;
}
