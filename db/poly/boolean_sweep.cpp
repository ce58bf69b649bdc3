#include "db/poly/boolean_sweep.h"

#include <algorithm>

#include "db/error.h"
#include "db/log.h"

namespace {

constexpr uint32_t kPointEvent = 1;
constexpr uint32_t kSwapEvent = 0;  // before a point event at the same place

Point PointOfKey(uint64_t key) {
  return Point(int32_t(uint32_t(key >> 32) ^ 0x80000000u), int32_t(uint32_t(key) ^ 0x80000000u));
}

}  // namespace

SweepPass::SweepPass(const SweepGeometry& geometry, SweepMode mode, int op, const std::vector<RingVertex*>& holes)
    : geometry_(geometry), mode_(mode), op_(op), holes_(holes), nextMember_(geometry.segs.size(), kNoSeg) {
  BuildEvents();
}

// Every piece starts at an event; a vertex where both of its pieces end gets an event of its
// own, so that every end point is visited.
void SweepPass::BuildEvents() {
  const std::vector<SweepSeg>& segs = geometry_.segs;
  items_.reserve(segs.size());
  for (const SweepRing& ring : geometry_.rings) {
    for (uint32_t i = ring.firstSeg; i < ring.endSeg; ++i) {
      const SweepSeg& s = segs[i];
      items_.push_back(Item{s.Lo(), s.Hi(), i, s.ring, int8_t(s.Forward() ? 1 : -1), ring.operandB});
      const SweepSeg& following = segs[i + 1 == ring.endSeg ? ring.firstSeg : i + 1];
      if (s.Forward() && !following.Forward()) endsOnly_.push_back(SweepKey(s.b));
    }
  }
  std::sort(items_.begin(), items_.end(), [](const Item& a, const Item& b) { return SweepLess(a.lo, b.lo); });
  std::sort(endsOnly_.begin(), endsOnly_.end());
}

// The next input point, if any: the lo point of the next item or the next end-only vertex.
bool SweepPass::NextInput(Point& p) const {
  bool haveItem = cursor_ < items_.size(), haveEnd = endsOnlyCursor_ < endsOnly_.size();
  if (!haveItem && !haveEnd) return false;
  if (haveItem && (!haveEnd || SweepKey(items_[cursor_].lo) <= endsOnly_[endsOnlyCursor_])) {
    p = items_[cursor_].lo;
  } else {
    p = PointOfKey(endsOnly_[endsOnlyCursor_]);
  }
  return true;
}

bool SweepPass::CreatedFirst(const CreatedEvent& e, const Point& input) {
  if (e.x != input.x) return e.x < input.x;
  return e.y <= input.y;
}

void SweepPass::Run(RingSet* pieces) {
  pieces_ = pieces;
  while (!stop_) {
    Point input;
    bool haveInput = NextInput(input);
    if (!created_.empty() && (!haveInput || CreatedFirst(created_.top(), input))) {
      CreatedEvent e = created_.top();
      created_.pop();
      if (e.kind == kSwapEvent) {
        ApplySwap(e);
      } else {
        Visit(Point(int32_t(e.x), int32_t(e.y)));
      }
      continue;
    }
    if (!haveInput) break;
    Visit(input);
  }
  if (!stop_ && !list_.Empty()) Fail(last_);
  if (dirty_) {
    roundedCutSplits_.clear();
  } else {
    splits_.insert(splits_.end(), cutSplits_.begin(), cutSplits_.end());
    splits_.insert(splits_.end(), roundedCutSplits_.begin(), roundedCutSplits_.end());
  }
}

void SweepPass::Visit(const Point& p) {
  if (visitedAny_ && p == last_) return;
  visitedAny_ = true;
  last_ = p;
  ProcessPoint(p);
}

// The bundles through p form one block in the list: they end here, and whatever continues
// starts again, together with the pieces that begin here, in bundles ordered by direction.
void SweepPass::ProcessPoint(const Point& p) {
  uint32_t first = list_.LowerBound([this, &p](uint32_t b) { return Orient(list_[b].lo, list_[b].hi, p) > 0; });
  uint32_t below = first != ActiveList::kNil ? list_[first].prev : list_.Top();
  block_.clear();
  uint32_t above = first;
  for (; above != ActiveList::kNil && Orient(list_[above].lo, list_[above].hi, p) == 0; above = list_[above].next) {
    block_.push_back(above);
  }
  starting_.clear();
  ending_.clear();
  incidence_.clear();
  for (uint32_t b : block_) EndBundle(b, p);
  TakeInputAt(p);
  FormGroups(p);
  PlaceGroups(below, p);
  if (mode_ == SweepMode::kResult && !dirty_) EmitAt(p);
  if (groups_.empty()) {
    TestCrossing(below, above);
  } else {
    TestCrossing(below, firstNew_);
    TestCrossing(lastNew_, above);
  }
  if (mode_ == SweepMode::kCutHoles) FindCuts(p, above);
  if (mode_ == SweepMode::kSelfCrossing) CheckIncidence();
}

// A bundle that only runs through p goes on as it is; where some of its pieces end, the others
// go on together. The pieces themselves are visited only when some end here, or when the mode
// needs every split point or every piece end.
void SweepPass::EndBundle(uint32_t b, const Point& p) {
  const Bundle& bundle = list_[b];
  if (SweepLess(bundle.hi, p)) Fail(p);
  if (bundle.boundary != kNotBoundary) ending_.push_back(EndingPiece{bundle.emitFrom, bundle.lo, bundle.boundary});
  bool through = bundle.hi != p;
  if (through)
    starting_.push_back(Group{bundle.hi, bundle.firstMember, bundle.lastMember, bundle.deltaA, bundle.deltaB});
  if (through && mode_ == SweepMode::kResult) return;
  bool recordSplits = mode_ == SweepMode::kSplit || mode_ == SweepMode::kCutHoles;
  Group rest{p, kNoSeg, kNoSeg, 0, 0};
  for (uint32_t m = bundle.firstMember, next; m != kNoSeg; m = next) {
    next = nextMember_[m];
    const Item& item = items_[m];
    incidence_.push_back(item.ring);
    if (item.hi == p) continue;
    incidence_.push_back(item.ring);
    if (recordSplits) splits_.push_back(SweepSplit{item.seg, p});
    if (through) continue;
    nextMember_[m] = kNoSeg;
    if (rest.firstMember == kNoSeg) {
      rest = Group{item.hi, m, m, 0, 0};
    } else {
      nextMember_[rest.lastMember] = m;
      rest.lastMember = m;
      if (SweepLess(item.hi, rest.hi)) rest.hi = item.hi;
    }
    (item.operandB ? rest.deltaB : rest.deltaA) += item.delta;
  }
  if (rest.firstMember != kNoSeg) starting_.push_back(rest);
}

void SweepPass::TakeInputAt(const Point& p) {
  for (; cursor_ < items_.size() && items_[cursor_].lo == p; ++cursor_) {
    const Item& item = items_[cursor_];
    uint32_t i = uint32_t(cursor_);
    nextMember_[i] = kNoSeg;
    starting_.push_back(Group{item.hi, i, i, item.operandB ? 0 : item.delta, item.operandB ? item.delta : 0});
    incidence_.push_back(item.ring);
  }
  uint64_t key = SweepKey(p);
  while (endsOnlyCursor_ < endsOnly_.size() && endsOnly_[endsOnlyCursor_] == key) ++endsOnlyCursor_;
}

// Groups leaving p are sorted by direction, lowest first; groups along one line join into one
// bundle that ends where the nearest of them ends.
void SweepPass::FormGroups(const Point& p) {
  std::sort(starting_.begin(), starting_.end(),
            [&p](const Group& s, const Group& t) { return Orient(p, s.hi, t.hi) > 0; });
  groups_.clear();
  for (size_t i = 0; i < starting_.size();) {
    Group g = starting_[i];
    size_t j = i + 1;
    for (; j < starting_.size() && Orient(p, g.hi, starting_[j].hi) == 0; ++j) {
      const Group& u = starting_[j];
      nextMember_[g.lastMember] = u.firstMember;
      g.lastMember = u.lastMember;
      if (SweepLess(u.hi, g.hi)) g.hi = u.hi;
      g.deltaA += u.deltaA;
      g.deltaB += u.deltaB;
    }
    if (mode_ == SweepMode::kSelfCrossing) {
      for (uint32_t m = g.firstMember; m != kNoSeg; m = nextMember_[m]) {
        if (RingInChain(items_[m].ring, nextMember_[m])) selfCrossing_ = stop_ = true;
      }
    }
    groups_.push_back(g);
    i = j;
  }
}

// The new bundles take the block's slots in order, so that a crossing costs no tree update;
// extra bundles get new slots above them, and slots left over are freed.
void SweepPass::PlaceGroups(uint32_t below, const Point& p) {
  uint32_t prev = below;
  firstNew_ = lastNew_ = ActiveList::kNil;
  for (size_t k = 0; k < groups_.size(); ++k) {
    uint32_t node;
    if (k < block_.size()) {
      node = block_[k];
    } else {
      node = list_.Allocate();
      list_.InsertAfter(prev, node);
    }
    int32_t belowA = prev != ActiveList::kNil ? list_[prev].windA : 0;
    int32_t belowB = prev != ActiveList::kNil ? list_[prev].windB : 0;
    const Group& g = groups_[k];
    Bundle& b = list_[node];
    b.lo = p;
    b.hi = g.hi;
    b.firstMember = g.firstMember;
    b.lastMember = g.lastMember;
    b.id = ++lastId_;
    b.deltaA = g.deltaA;
    b.deltaB = g.deltaB;
    b.windA = belowA + g.deltaA;
    b.windB = belowB + g.deltaB;
    b.boundary = mode_ == SweepMode::kResult ? Classify(belowA, belowB, b.windA, b.windB) : kNotBoundary;
    b.emitFrom = nullptr;
    if (firstNew_ == ActiveList::kNil) firstNew_ = node;
    lastNew_ = node;
    prev = node;
  }
  for (size_t k = groups_.size(); k < block_.size(); ++k) {
    list_.Erase(block_[k]);
    list_.Release(block_[k]);
  }
}

bool SweepPass::Inside(int32_t windA, int32_t windB) const {
  switch (op_) {
    case kBooleanIntersect: return windA >= 1 && windB >= 1;
    case kBooleanSubtract: return windA >= 1 && windB == 0;
    case kBooleanMergeNonZero: return windA != 0;
    default: return windA >= 1;
  }
}

uint8_t SweepPass::Classify(int32_t belowA, int32_t belowB, int32_t aboveA, int32_t aboveB) const {
  bool insideBelow = Inside(belowA, belowB), insideAbove = Inside(aboveA, aboveB);
  if (insideBelow == insideAbove) return kNotBoundary;
  return insideAbove ? kInteriorAbove : kInteriorBelow;
}

// Boundary pieces that end at p are closed with a vertex at p, and pieces that start at p get
// their first vertex, so that the vertices come in sweep order. Where the boundary only runs
// straight on through p, the piece that starts here takes over the start of the one that ends,
// and p is no vertex of the result. A piece runs with the result's interior on its left: from
// its left end when the interior lies above it.
void SweepPass::EmitAt(const Point& p) {
  uint32_t started = ActiveList::kNil;
  int startedCount = 0;
  for (uint32_t node = firstNew_; node != ActiveList::kNil;
       node = node == lastNew_ ? ActiveList::kNil : list_[node].next) {
    if (list_[node].boundary != kNotBoundary) {
      started = node;
      ++startedCount;
    }
  }
  if (ending_.size() == 1 && startedCount == 1) {
    const EndingPiece& e = ending_[0];
    Bundle& s = list_[started];
    if (e.boundary == s.boundary && Orient(e.lo, p, s.hi) == 0) {
      s.emitFrom = e.emitFrom;
      return;
    }
  }
  // Vertices that start a piece first, then those that end one.
  for (bool starts : {true, false}) {
    for (const EndingPiece& e : ending_) {
      if ((e.boundary == kInteriorBelow) != starts) continue;
      RingVertex* at = pieces_->PushBack(p);
      if (starts) {
        Link(at, e.emitFrom);
      } else {
        Link(e.emitFrom, at);
      }
    }
    for (uint32_t node = firstNew_; node != ActiveList::kNil;
         node = node == lastNew_ ? ActiveList::kNil : list_[node].next) {
      Bundle& b = list_[node];
      if (b.boundary != kNotBoundary && (b.boundary == kInteriorAbove) == starts) b.emitFrom = pieces_->PushBack(p);
    }
  }
}

void SweepPass::SplitMembersAt(uint32_t b, const Point& at, std::vector<SweepSplit>& into) {
  for (uint32_t m = list_[b].firstMember; m != kNoSeg; m = nextMember_[m])
    into.push_back(SweepSplit{items_[m].seg, at});
}

// Neighbours in the list that cross properly: on the grid the crossing becomes an event that
// splits both; off the grid both are split at the rounded point in the next pass, and here they
// swap places once the sweep has passed the exact crossing.
void SweepPass::TestCrossing(uint32_t lower, uint32_t upper) {
  if (lower == ActiveList::kNil || upper == ActiveList::kNil) return;
  const Bundle& l = list_[lower];
  const Bundle& u = list_[upper];
  if (std::max(l.lo.y, l.hi.y) < std::min(u.lo.y, u.hi.y)) return;
  // Only a lower bundle that is steeper still has the crossing ahead; otherwise the two have
  // already swapped places.
  if (Cross(DirectionOf(l.lo, l.hi), DirectionOf(u.lo, u.hi)) >= 0) return;
  if (!CrossProperly(l.lo, l.hi, u.lo, u.hi)) return;
  metCrossing_ = true;
  if (mode_ == SweepMode::kSelfCrossing && ShareRing(lower, upper)) selfCrossing_ = stop_ = true;
  CrossingPoint c = CrossingOf(l.lo, l.hi, u.lo, u.hi);
  if (c.IsIntegral()) {
    created_.push(CreatedEvent{int64_t(c.xNum / c.den), int64_t(c.yNum / c.den), kPointEvent, 0, 0, 0, 0});
    return;
  }
  dirty_ = true;
  Point rounded = c.Rounded();
  SplitMembersAt(lower, rounded, splits_);
  SplitMembersAt(upper, rounded, splits_);
  CreatedEvent e{0, 0, kSwapEvent, lower, upper, l.id, u.id};
  Int128 x = FloorDiv(c.xNum, c.den);
  if (c.xNum % c.den != 0) {
    e.x = int64_t(x + 1);
    e.y = INT64_MIN;
  } else {
    e.x = int64_t(x);
    e.y = int64_t(FloorDiv(c.yNum, c.den) + 1);
  }
  created_.push(e);
}

void SweepPass::ApplySwap(const CreatedEvent& e) {
  if (list_[e.lower].id != e.lowerId || list_[e.upper].id != e.upperId || list_[e.lower].next != e.upper) return;
  list_.Erase(e.lower);
  list_.InsertAfter(e.upper, e.lower);
  TestCrossing(list_[e.upper].prev, e.upper);
  TestCrossing(e.lower, list_[e.lower].next);
}

void SweepPass::FindCuts(const Point& p, uint32_t above) {
  for (; holeCursor_ < holes_.size(); ++holeCursor_) {
    RingVertex* hole = holes_[holeCursor_];
    Point at(hole->x, hole->y);
    if (SweepLess(p, at)) break;
    // A hole that was never visited has no edge of any length.
    cuts_.push_back(at == p ? CutFrom(hole, p, above) : HoleCut{hole, at, false});
  }
}

// The first geometry straight above p: an edge that runs straight up from p, the bundle above
// p's block at x, or the next event in p's column, whichever is lowest. A piece of another ring
// at p, as a piece drawn into a rounded cut top that fell on the hole's corner, touches the
// hole there: it is joined there too, since straight up may lead out of the region.
HoleCut SweepPass::CutFrom(RingVertex* hole, const Point& p, uint32_t above) {
  if (lastNew_ != ActiveList::kNil && list_[lastNew_].hi.x == p.x) return HoleCut{hole, p, true};
  const uint32_t holeRing = incidence_.empty() ? 0 : incidence_.front();
  if (std::any_of(incidence_.begin(), incidence_.end(), [holeRing](uint32_t r) { return r != holeRing; }))
    return HoleCut{hole, p, true};
  Point next;
  bool haveNext = PeekNextInColumn(p, next);
  if (above != ActiveList::kNil && list_[above].hi.x != list_[above].lo.x) {
    const Bundle& f = list_[above];
    Int128 dx = Int128(f.hi.x) - f.lo.x;
    Int128 yTimesDx = Int128(f.lo.y) * dx + (Int128(p.x) - f.lo.x) * (Int128(f.hi.y) - f.lo.y);
    if (!haveNext || Int128(next.y) * dx > yTimesDx) {
      Point top(p.x, int32_t(FloorDiv(2 * yTimesDx + dx, 2 * dx)));
      SplitMembersAt(above, top, yTimesDx % dx == 0 ? cutSplits_ : roundedCutSplits_);
      return HoleCut{hole, top, true};
    }
  }
  if (haveNext) return HoleCut{hole, next, true};
  return HoleCut{hole, p, false};
}

bool SweepPass::PeekNextInColumn(const Point& p, Point& next) {
  while (!created_.empty() && created_.top().kind == kPointEvent && created_.top().x == p.x &&
         created_.top().y == p.y) {
    created_.pop();
  }
  bool found = NextInput(next);
  if (!created_.empty() && created_.top().kind == kPointEvent) {
    Point c(int32_t(created_.top().x), int32_t(created_.top().y));
    if (!found || SweepLess(c, next)) next = c;
    found = true;
  }
  return found && next.x == p.x;
}

bool SweepPass::RingInChain(uint32_t ring, uint32_t chain) const {
  for (uint32_t m = chain; m != kNoSeg; m = nextMember_[m]) {
    if (items_[m].ring == ring) return true;
  }
  return false;
}

bool SweepPass::ShareRing(uint32_t a, uint32_t b) const {
  for (uint32_t m = list_[a].firstMember; m != kNoSeg; m = nextMember_[m]) {
    if (RingInChain(items_[m].ring, list_[b].firstMember)) return true;
  }
  return false;
}

// A ring that passes p once has exactly two piece ends here.
void SweepPass::CheckIncidence() {
  std::sort(incidence_.begin(), incidence_.end());
  for (size_t i = 2; i < incidence_.size(); ++i) {
    if (incidence_[i] == incidence_[i - 2]) selfCrossing_ = stop_ = true;
  }
}

void SweepPass::Fail(const Point& p) const {
  LogMessage("Program Error: wrong segment ordering at (%d, %d)\n", p.x, p.y);
  throw Error(kTagDrc, "Wrong segment ordering");
}
