#include <algorithm>
#include <numeric>

#include "db/poly/boolean.h"

namespace {

Point PointOf(const RingVertex* v) { return Point(v->x, v->y); }

bool IsZero(const Direction& d) { return d.x == 0 && d.y == 0; }

bool SameDirection(const Direction& a, const Direction& b) { return Cross(a, b) == 0 && Dot(a, b) > 0; }

Direction Leaving(const RingVertex* v) { return DirectionOf(PointOf(v), PointOf(v->ringNext)); }
Direction Arriving(const RingVertex* v) { return DirectionOf(PointOf(v), PointOf(v->ringPrev)); }

// The turn of a ring at v keeps its interior on the left: the sector from the leaving edge
// counter-clockwise round to the arriving edge. True when that sector holds direction d.
bool TurnHolds(const RingVertex* v, const Direction& d) {
  Direction out = Leaving(v), in = Arriving(v);
  return !IsZero(out) && !IsZero(in) && InCounterClockwiseRange(out, in, d);
}

// Flags v's ring visited. Returns its leftmost vertex (ties: larger y) when the ring's signed
// area is negative; the area decides, since a ring that touches itself at its leftmost point
// may turn either way there.
RingVertex* LeftmostVertexOfClockwiseRing(RingVertex* v) {
  Int128 twiceArea = 0;
  RingVertex* best = v;
  RingVertex* w = v;
  do {
    w->flags |= kVertexVisited;
    const RingVertex* n = w->ringNext;
    twiceArea += Int128(int64_t(w->y) + n->y) * (int64_t(w->x) - n->x);
    if (w->x < best->x || (w->x == best->x && w->y > best->y)) best = w;
    w = w->ringNext;
  } while (w != v);
  return twiceArea < 0 ? best : nullptr;
}

// Joins the holes to the rings above them. Vertices are looked up by point among the end
// points of the cuts; rings are tracked as classes that merge as cuts join them.
class CutSplicer {
 public:
  CutSplicer(RingSet& set, const std::vector<HoleCut>& cuts);
  void Apply(const HoleCut& cut);

 private:
  struct Entry {
    uint64_t key;
    RingVertex* vertex;  // null: a free slot for a vertex that a cut adds
    uint32_t ring;
  };

  std::pair<size_t, size_t> Range(uint64_t key) const;
  const Entry* Find(uint64_t key, const RingVertex* v) const;
  const Entry* TurnHolding(uint64_t key, const Direction& d, uint32_t ofClass, bool sameClass);
  void Add(uint64_t key, RingVertex* v, uint32_t ring);
  void Pinch(uint64_t key, uint32_t holeClass);
  void Splice(const Entry& bottom, const Entry& top);
  void DeleteRing(RingVertex* v);
  uint32_t ClassOf(uint32_t ring);
  void Join(uint32_t a, uint32_t b);

  RingSet& set_;
  std::vector<Entry> entries_;
  std::vector<uint32_t> parent_;
  std::vector<uint32_t> size_;
};

CutSplicer::CutSplicer(RingSet& set, const std::vector<HoleCut>& cuts) : set_(set) {
  std::vector<uint64_t> keys;
  for (const HoleCut& cut : cuts) {
    keys.push_back(SweepKey(PointOf(cut.hole)));
    if (cut.hasTop) keys.push_back(SweepKey(cut.top));
  }
  std::sort(keys.begin(), keys.end());
  keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
  uint32_t rings = 0;
  for (RingVertex* v = set.Head(); v; v = v->next) {
    if (v->flags & kVertexVisited) continue;
    RingVertex* w = v;
    do {
      w->flags |= kVertexVisited;
      uint64_t key = SweepKey(PointOf(w));
      if (std::binary_search(keys.begin(), keys.end(), key)) entries_.push_back(Entry{key, w, rings});
      w = w->ringNext;
    } while (w != v);
    ++rings;
  }
  set.ClearVertexFlags(kVertexVisited);
  for (const HoleCut& cut : cuts) {
    if (!cut.hasTop || cut.top == PointOf(cut.hole)) continue;
    entries_.push_back(Entry{SweepKey(PointOf(cut.hole)), nullptr, 0});
    entries_.push_back(Entry{SweepKey(cut.top), nullptr, 0});
  }
  std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) { return a.key < b.key; });
  parent_.resize(rings);
  std::iota(parent_.begin(), parent_.end(), 0u);
  size_.assign(rings, 1);
}

std::pair<size_t, size_t> CutSplicer::Range(uint64_t key) const {
  auto less = [](const Entry& e, uint64_t k) { return e.key < k; };
  size_t first = size_t(std::lower_bound(entries_.begin(), entries_.end(), key, less) - entries_.begin());
  size_t end = first;
  while (end < entries_.size() && entries_[end].key == key) ++end;
  return {first, end};
}

const CutSplicer::Entry* CutSplicer::Find(uint64_t key, const RingVertex* v) const {
  auto [first, end] = Range(key);
  for (size_t i = first; i < end; ++i) {
    if (entries_[i].vertex == v) return &entries_[i];
  }
  return nullptr;
}

// A turn at the point whose sector holds d, in the given class or outside it.
const CutSplicer::Entry* CutSplicer::TurnHolding(uint64_t key, const Direction& d, uint32_t ofClass, bool sameClass) {
  auto [first, end] = Range(key);
  for (size_t i = first; i < end; ++i) {
    const Entry& e = entries_[i];
    if (!e.vertex || (e.vertex->flags & kVertexDeleted)) continue;
    if ((ClassOf(e.ring) == ofClass) == sameClass && TurnHolds(e.vertex, d)) return &e;
  }
  return nullptr;
}

void CutSplicer::Add(uint64_t key, RingVertex* v, uint32_t ring) {
  auto [first, end] = Range(key);
  for (size_t i = first; i < end; ++i) {
    if (!entries_[i].vertex) {
      entries_[i].vertex = v;
      entries_[i].ring = ring;
      return;
    }
  }
}

uint32_t CutSplicer::ClassOf(uint32_t ring) {
  while (parent_[ring] != ring) {
    parent_[ring] = parent_[parent_[ring]];
    ring = parent_[ring];
  }
  return ring;
}

void CutSplicer::Join(uint32_t a, uint32_t b) {
  a = ClassOf(a);
  b = ClassOf(b);
  if (a == b) return;
  if (size_[a] < size_[b]) std::swap(a, b);
  parent_[b] = a;
  size_[a] += size_[b];
}

void CutSplicer::DeleteRing(RingVertex* v) {
  RingVertex* w = v;
  do {
    w->flags |= kVertexDeleted;
    w = w->ringNext;
  } while (w != v);
}

// A hole that touches other geometry at its leftmost point, where a cut would have no length:
// it joins a ring of another class there by swapping successors.
void CutSplicer::Pinch(uint64_t key, uint32_t holeClass) {
  auto [first, end] = Range(key);
  for (size_t i = first; i < end; ++i) {
    const Entry& a = entries_[i];
    if (!a.vertex || (a.vertex->flags & kVertexDeleted) || ClassOf(a.ring) != holeClass) continue;
    for (size_t j = first; j < end; ++j) {
      const Entry& b = entries_[j];
      if (!b.vertex || (b.vertex->flags & kVertexDeleted) || ClassOf(b.ring) == holeClass) continue;
      if (!CanSwapSuccessors(a.vertex, b.vertex)) continue;
      RingVertex* aNext = a.vertex->ringNext;
      Link(a.vertex, b.vertex->ringNext);
      Link(b.vertex, aNext);
      Join(a.ring, b.ring);
      return;
    }
  }
}

// The cut: bottom's ring runs up to top and on along top's ring, which comes back down to
// bottom and on along bottom's ring; both points are doubled.
void CutSplicer::Splice(const Entry& bottom, const Entry& top) {
  RingVertex* b = bottom.vertex;
  RingVertex* t = top.vertex;
  uint32_t bottomRing = bottom.ring, topRing = top.ring;
  RingVertex* bottomNext = b->ringNext;
  RingVertex* topNext = t->ringNext;
  RingVertex* b2 = set_.PushBack(PointOf(b));
  b2->flags = uint16_t(b->flags & kVertexOperandB);
  RingVertex* t2 = set_.PushBack(PointOf(t));
  t2->flags = uint16_t(t->flags & kVertexOperandB);
  Link(t, b2);
  Link(b2, bottomNext);
  Link(b, t2);
  Link(t2, topNext);
  Add(SweepKey(PointOf(b)), b2, bottomRing);
  Add(SweepKey(PointOf(t)), t2, topRing);
  Join(bottomRing, topRing);
}

void CutSplicer::Apply(const HoleCut& cut) {
  uint64_t bottomKey = SweepKey(PointOf(cut.hole));
  const Entry* hole = Find(bottomKey, cut.hole);
  if (!hole || (cut.hole->flags & kVertexDeleted)) return;
  uint32_t holeClass = ClassOf(hole->ring);
  if (!cut.hasTop) {
    // Nothing above: the hole lies in no ring and encloses no area.
    if (size_[holeClass] == 1) DeleteRing(cut.hole);
    return;
  }
  if (cut.top == PointOf(cut.hole)) {
    Pinch(bottomKey, holeClass);
    return;
  }
  const Entry* bottom = TurnHolding(bottomKey, Direction{0, 1}, holeClass, true);
  if (!bottom) {
    // Another ring holds the sector above the hole's corner: they touch there.
    Pinch(bottomKey, holeClass);
    return;
  }
  const Entry* top = TurnHolding(SweepKey(cut.top), Direction{0, -1}, holeClass, false);
  if (top) Splice(*bottom, *top);
}

}  // namespace

bool CanSwapSuccessors(const RingVertex* a, const RingVertex* b) {
  const Direction rays[4] = {Arriving(a), Leaving(a), Arriving(b), Leaving(b)};
  for (int i = 0; i < 4; ++i) {
    if (IsZero(rays[i])) return false;
    for (int j = 0; j < i; ++j) {
      if (SameDirection(rays[i], rays[j])) return false;
    }
  }
  // After the swap one turn runs from a's arriving edge to b's leaving edge; the other turn
  // must lie wholly on one side of it.
  bool first = InCounterClockwiseRange(rays[3], rays[0], rays[2]);
  bool second = InCounterClockwiseRange(rays[3], rays[0], rays[1]);
  return first == second;
}

int FlagClockwiseRings(RingSet& set, std::vector<RingVertex*>& target) {
  int count = 0;
  for (RingVertex* v = set.Head(); v; v = v->next) {
    if (v->flags & kVertexVisited) continue;
    if (RingVertex* corner = LeftmostVertexOfClockwiseRing(v)) {
      target.push_back(corner);
      ++count;
    }
  }
  set.ClearVertexFlags(kVertexVisited);
  return count;
}

void CutHoles(RingSet& set) {
  std::vector<RingVertex*> holes;
  if (FlagClockwiseRings(set, holes) == 0) return;
  // Collinear and repeated vertices would give the turns at the cut ends no direction.
  set.RemoveCollinearVertices(0);
  holes.clear();
  FlagClockwiseRings(set, holes);
  std::sort(holes.begin(), holes.end(), [](const RingVertex* a, const RingVertex* b) { return PointLess(a, b); });
  SweepGeometry geometry = BuildSweepGeometry(set);
  std::optional<SweepPass> pass;
  SweepUntilClean(pass, geometry, SweepMode::kCutHoles, kBooleanCutHoles, holes, nullptr);
  std::vector<HoleCut> cuts = pass->Cuts();
  ApplySplits(geometry, pass->Splits());
  WriteBackSplits(set, geometry);
  CutSplicer splicer(set, cuts);
  for (const HoleCut& cut : cuts) splicer.Apply(cut);
  set.RemoveFlaggedVertices();
  set.CountRings();
  set.RemoveCollinearVertices(0);
}
