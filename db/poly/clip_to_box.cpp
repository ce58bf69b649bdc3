#include "db/poly/ring_set.h"

#include <initializer_list>

namespace {

// One side of the clip box: the line x = pos (vertical) or y = pos, with the inside of the box
// at larger coordinates when inward is +1 and at smaller ones when it is -1.
struct BoxLine {
  bool vertical;
  int32_t pos;
  int inward;
};

int32_t Across(const RingVertex* v, const BoxLine& line) { return line.vertical ? v->x : v->y; }
int32_t Along(const RingVertex* v, const BoxLine& line) { return line.vertical ? v->y : v->x; }
int64_t Depth(const RingVertex* v, const BoxLine& line) { return (int64_t(Across(v, line)) - line.pos) * line.inward; }
bool IsOutside(const RingVertex* v, const BoxLine& line) { return Depth(v, line) < 0; }
bool IsInside(const RingVertex* v, const BoxLine& line) { return Depth(v, line) > 0; }
bool IsOn(const RingVertex* v, const BoxLine& line) { return Across(v, line) == line.pos; }

// floor(num / den + 1/2), exact.
int64_t RoundedQuotient(__int128 num, __int128 den) {
  if (den < 0) {
    num = -num;
    den = -den;
  }
  __int128 twice = 2 * num + den;
  __int128 q = twice / (2 * den);
  if (twice % (2 * den) < 0) --q;
  return static_cast<int64_t>(q);
}

// Where the edge between an inside and an outside vertex crosses the line, interpolated from
// the inside end. The result lies between the two ends, so it fits 32 bits.
Point Crossing(const RingVertex* in, const RingVertex* out, const BoxLine& line) {
  int64_t a0 = Across(in, line), a1 = Across(out, line);
  int64_t b0 = Along(in, line), b1 = Along(out, line);
  int32_t along = static_cast<int32_t>(b0 + RoundedQuotient(__int128(line.pos - a0) * (b1 - b0), a1 - a0));
  return line.vertical ? Point(line.pos, along) : Point(along, line.pos);
}

// Moves every vertex beyond the line onto it, first inserting the crossing point on each of its
// edges that comes from the inside. What lay outside collapses onto the line.
bool ClampToLine(RingSet& set, const BoxLine& line) {
  bool changed = false;
  for (RingVertex* v = set.Head(); v; v = v->next) {
    if (!IsOutside(v, line)) continue;
    RingVertex* prev = v->ringPrev;
    RingVertex* next = v->ringNext;
    if (IsInside(prev, line)) {
      RingVertex* c = set.InsertAfter(v, Crossing(prev, v, line));
      Link(prev, c);
      Link(c, v);
    }
    if (IsInside(next, line)) {
      RingVertex* c = set.InsertAfter(v, Crossing(next, v, line));
      Link(v, c);
      Link(c, next);
    }
    (line.vertical ? v->x : v->y) = line.pos;
    changed = true;
  }
  return changed;
}

// Counter-clockwise rings run along the left and top sides towards smaller coordinates and
// along the right and bottom sides towards larger ones.
bool RunsDescending(const BoxLine& line) { return line.vertical == (line.inward > 0); }

// a and b are neighbours on the line in sorted order (a first). Where the ring runs along the
// line over a stretch that holds a stretch it runs back along (the two may end at one point,
// a box corner), the overlap cancels: crossing the links closes each inside part alone.
bool RelinkPair(RingVertex* a, RingVertex* b, const BoxLine& line) {
  if (!IsOn(a, line) || !IsOn(b, line)) return false;
  if (RunsDescending(line)) {
    RingVertex* ap = a->ringPrev;
    RingVertex* bn = b->ringNext;
    if (IsOn(ap, line) && IsOn(bn, line) && Along(ap, line) > Along(b, line) && Along(ap, line) >= Along(bn, line) &&
        IsInside(a->ringNext, line) && IsInside(b->ringPrev, line)) {
      Link(b, a);
      Link(ap, bn);
      return true;
    }
  } else {
    RingVertex* an = a->ringNext;
    RingVertex* bp = b->ringPrev;
    if (IsOn(an, line) && IsOn(bp, line) && Along(an, line) > Along(b, line) && Along(an, line) >= Along(bp, line) &&
        IsInside(a->ringPrev, line) && IsInside(b->ringNext, line)) {
      Link(a, b);
      Link(bp, an);
      return true;
    }
  }
  return false;
}

bool IsOnLineWithNeighbour(const RingVertex* v, const BoxLine& line) {
  return IsOn(v, line) && (IsOn(v->ringPrev, line) || IsOn(v->ringNext, line));
}

// Orders the vertices of the two lines by line, then along the line. Where two vertices share a
// point (a ring touching a box corner twice), the one that can open a relinked pair comes
// first: the one arriving along the line on the left and top sides, the one leaving along it
// on the right and bottom sides.
struct AlongLineOrder {
  const BoxLine* lines;

  int Rank(const RingVertex* v) const {
    const BoxLine& line = IsOn(v, lines[0]) ? lines[0] : lines[1];
    return IsOn(v->ringPrev, line) == RunsDescending(line) ? 0 : 1;
  }
  int operator()(const RingVertex* a, const RingVertex* b) const {
    const BoxLine& line = lines[0];
    if (Across(a, line) != Across(b, line)) return Across(a, line) < Across(b, line) ? -1 : 1;
    if (Along(a, line) != Along(b, line)) return Along(a, line) < Along(b, line) ? -1 : 1;
    return Rank(a) - Rank(b);
  }
};

}  // namespace

bool RingSet::RelinkAlongBoxLine(const Box& box, bool vertical) {
  const BoxLine lines[2] = {{vertical, vertical ? box.x1 : box.y1, 1}, {vertical, vertical ? box.x2 : box.y2, -1}};
  // The vertices that run along either line move to a set of their own for sorting.
  RingSet onLine;
  RingVertex* prev = nullptr;
  for (RingVertex* v = head_; v;) {
    RingVertex* following = v->next;
    if (IsOnLineWithNeighbour(v, lines[0]) || IsOnLineWithNeighbour(v, lines[1])) {
      if (prev) {
        prev->next = following;
      } else {
        head_ = following;
      }
      if (tail_ == v) tail_ = prev;
      --vertexCount_;
      v->next = nullptr;
      if (onLine.tail_) {
        onLine.tail_->next = v;
      } else {
        onLine.head_ = v;
      }
      onLine.tail_ = v;
      ++onLine.vertexCount_;
    } else {
      prev = v;
    }
    v = following;
  }
  onLine.SortVertices(AlongLineOrder{lines});
  bool relinked = false;
  for (RingVertex* a = onLine.head_; a && a->next; a = a->next) {
    for (const BoxLine& line : lines) relinked |= RelinkPair(a, a->next, line);
  }
  int32_t rings = ringCount_;
  Append(onLine);
  ringCount_ = rings;
  return relinked;
}

void RingSet::ClipToBox(const Box& box, bool relink) {
  // A box without area keeps no part of any ring.
  if (box.IsEmpty()) {
    Clear();
    return;
  }
  const BoxLine sides[4] = {{true, box.x1, 1}, {true, box.x2, -1}, {false, box.y1, 1}, {false, box.y2, -1}};
  bool changed = false;
  for (const BoxLine& side : sides) {
    if (ClampToLine(*this, side)) changed = true;
  }
  if (changed) RemoveCollinearVertices(0);
  if (!relink) return;
  bool relinked = false;
  for (bool vertical : {true, false}) {
    if (RelinkAlongBoxLine(box, vertical)) {
      RemoveCollinearVertices(0);
      relinked = true;
    }
  }
  // Relinking splits rings; the ring count follows the result.
  if (relinked) CountRings();
}
