#include <algorithm>

#include "db/error.h"
#include "db/poly/boolean.h"

namespace {

// Marks the vertices of a loop split off from the ring being walked.
constexpr uint16_t kSplitOff = 0x0002;

uint64_t KeyOf(const RingVertex* v) { return SweepKey(Point(v->x, v->y)); }

// Removes the vertices that carry no area: repeated points and the tips of folds, where a ring
// runs out along a line and straight back. Rings with nothing left go entirely. A fold through
// a crossing would otherwise give its turns no direction to untangle by.
void RemoveFoldsAndRepeats(RingSet& set) {
  std::vector<RingVertex*> work;
  for (RingVertex* v = set.Head(); v; v = v->next) work.push_back(v);
  bool any = false;
  while (!work.empty()) {
    RingVertex* v = work.back();
    work.pop_back();
    if (v->flags & kVertexDeleted) continue;
    RingVertex* n = v->ringNext;
    RingVertex* p = v->ringPrev;
    if (n == v) {
      v->flags |= kVertexDeleted;
      any = true;
    } else if (n->x == v->x && n->y == v->y) {
      n->flags |= kVertexDeleted;
      Link(v, n->ringNext);
      work.push_back(v);
      any = true;
    } else {
      Direction back = DirectionOf(Point(v->x, v->y), Point(p->x, p->y));
      Direction ahead = DirectionOf(Point(v->x, v->y), Point(n->x, n->y));
      if (Cross(back, ahead) == 0 && Dot(back, ahead) > 0) {
        v->flags |= kVertexDeleted;
        Link(p, n);
        work.push_back(p);
        work.push_back(n);
        any = true;
      }
    }
  }
  if (any) set.RemoveFlaggedVertices();
}

// Points that more than one vertex of the set occupies, sorted.
std::vector<uint64_t> SharedPoints(const RingSet& set) {
  std::vector<uint64_t> keys;
  keys.reserve(set.VertexCount());
  for (RingVertex* v = set.Head(); v; v = v->next) keys.push_back(KeyOf(v));
  std::sort(keys.begin(), keys.end());
  std::vector<uint64_t> shared;
  for (size_t i = 1; i < keys.size(); ++i) {
    if (keys[i] == keys[i - 1] && (shared.empty() || shared.back() != keys[i])) shared.push_back(keys[i]);
  }
  return shared;
}

// The bounding box of v's ring; flags the ring visited.
Box RingBox(RingVertex* v) {
  Box box;
  RingVertex* w = v;
  do {
    w->flags |= kVertexVisited;
    box.Extend(w->x, w->y);
    w = w->ringNext;
  } while (w != v);
  return box;
}

}  // namespace

// Walks each ring once; when the walk comes back to a point it passed before, the loop in
// between is split off as a ring of its own by swapping the two successors, provided the two
// turns left at that point do not cross. Every earlier pass of the walk at that point is a
// candidate, so that three or more passes through one point are untangled too.
void RingSet::SplitSelfCrossing() {
  Boolean(nullptr, kBooleanSplitCrossings, false);
  RemoveFoldsAndRepeats(*this);
  std::vector<uint64_t> shared = SharedPoints(*this);
  struct Visit {
    RingVertex* vertex;
    int64_t before;
  };
  std::vector<Visit> visits;
  std::vector<int64_t> lastVisit(shared.size(), -1);
  std::vector<uint32_t> walkAt(shared.size(), 0);
  uint32_t walk = 0;
  for (RingVertex* v = head_; v; v = v->next) {
    if (v->flags & kVertexVisited) continue;
    ++walk;
    RingVertex* w = v;
    do {
      w->flags |= kVertexVisited;
      RingVertex* following = w->ringNext;
      auto at = std::lower_bound(shared.begin(), shared.end(), KeyOf(w));
      if (at != shared.end() && *at == KeyOf(w)) {
        size_t i = size_t(at - shared.begin());
        if (walkAt[i] != walk) lastVisit[i] = -1;
        walkAt[i] = walk;
        RingVertex* earlier = nullptr;
        for (int64_t k = lastVisit[i]; k >= 0 && !earlier; k = visits[size_t(k)].before) {
          RingVertex* candidate = visits[size_t(k)].vertex;
          if (!(candidate->flags & kSplitOff) && CanSwapSuccessors(candidate, w)) earlier = candidate;
        }
        if (earlier) {
          Link(w, earlier->ringNext);
          Link(earlier, following);
          RingVertex* loop = w;
          do {
            loop->flags |= kSplitOff;
            loop = loop->ringNext;
          } while (loop != w);
        } else {
          visits.push_back(Visit{w, lastVisit[i]});
          lastVisit[i] = int64_t(visits.size() - 1);
        }
      }
      w = following;
    } while (w != v);
  }
  ClearVertexFlags(kVertexVisited | kSplitOff);
  CountRings();
  RemoveCollinearVertices(0);
}

// Exact on the rings as they are: no crossing is rounded, and the set is left unchanged.
bool RingSet::HasSelfCrossing() {
  SweepGeometry geometry = BuildSweepGeometry(*this);
  const std::vector<RingVertex*> noHoles;
  SweepPass pass(geometry, SweepMode::kSelfCrossing, kBooleanSplitCrossings, noHoles);
  pass.Run(nullptr);
  return pass.FoundSelfCrossing();
}

// Cuts across the longer side of the bounding box into strips of stripWidth and intersects the
// counter-clockwise rings with one strip at a time; every piece goes to out, holes still
// clockwise. Rings that do not reach into a strip are left out of its intersection.
void RingSet::SplitAt(RingSet& out, int32_t stripWidth) {
  if (stripWidth < 1) throw Error(kTagDb, "Strip width must be at least 1");
  Box box = GetBoundingBox();
  if (box.x2 < box.x1) return;
  std::vector<std::pair<RingVertex*, Box>> rings;
  for (RingVertex* v = head_; v; v = v->next) {
    if (!(v->flags & kVertexVisited)) rings.emplace_back(v, RingBox(v));
  }
  ClearVertexFlags(kVertexVisited);
  bool alongX = box.Width() >= box.Height();
  int64_t from = alongX ? box.x1 : box.y1;
  int64_t end = alongX ? box.x2 : box.y2;
  for (int64_t low = from; low < end; low += stripWidth) {
    int32_t high = int32_t(std::min<int64_t>(low + stripWidth, end));
    Box strip = alongX ? Box(int32_t(low), box.y1, high, box.y2) : Box(box.x1, int32_t(low), box.x2, high);
    RingSet work;
    for (const auto& ring : rings) {
      if (ring.second.OverlapsStrict(strip)) CopyRingInto(work, ring.first);
    }
    ClearVertexFlags(kVertexVisited);
    // What lies outside the strip collapses onto its sides first, so that each intersection
    // sweeps only the strip's own part of a long ring.
    work.ClipToBox(strip, false);
    if (work.IsEmpty()) continue;
    work.AddRectangle(strip, true);
    work.Boolean(&out, kBooleanIntersect, false);
  }
}
