#include <algorithm>

#include "db/error.h"
#include "db/log.h"
#include "db/poly/boolean.h"

namespace {

[[noreturn]] void ConnectionFailed(const char* what, const RingVertex* at) {
  LogMessage("Program Error: %s at (%d, %d)\n", what, at->x, at->y);
  throw Error(kTagDrc, "Polygon connection failed");
}

bool SamePoint(const RingVertex* a, const RingVertex* b) { return a->x == b->x && a->y == b->y; }

Direction Towards(const RingVertex* from, const RingVertex* to) {
  return Direction{int64_t(to->x) - from->x, int64_t(to->y) - from->y};
}

// Joins the pieces that meet at the point of the count vertices from first on (chain order):
// every arriving piece end is linked to the leaving piece start it pairs with, and the ends
// are freed. Returns the last vertex kept in the chain.
RingVertex* JoinAtPoint(RingSet& set, RingVertex* before, RingVertex* first, uint32_t count,
                        std::vector<RingVertex*>& group, std::vector<EdgeAtPoint>& edges,
                        std::vector<std::pair<uint32_t, uint32_t>>& pairs) {
  group.clear();
  edges.clear();
  pairs.clear();
  if (count == 2 && first->ringNext && !first->ringPrev && first->next->ringPrev && !first->next->ringNext) {
    // One piece ends where one starts: the common case needs no angles.
    Link(first->next->ringPrev, first);
    set.RemoveAfter(first);
    return first;
  }
  RingVertex* v = first;
  for (uint32_t i = 0; i < count; ++i, v = v->next) {
    bool leaving = v->ringNext != nullptr;
    if (leaving == (v->ringPrev != nullptr)) ConnectionFailed("wrong connection condition", v);
    edges.push_back(EdgeAtPoint{Towards(v, leaving ? v->ringNext : v->ringPrev), leaving, i});
    group.push_back(v);
  }
  if (!PairEdgesAtPoint(edges, pairs)) ConnectionFailed("wrong connection condition", first);
  for (const auto& pair : pairs) {
    RingVertex* end = group[pair.first];
    Link(end->ringPrev, group[pair.second]);
    end->ringPrev = nullptr;
  }
  // The arriving ends now have no links at all; take them out of the chain.
  RingVertex* kept = before;
  for (RingVertex* w : group) {
    if (w->ringNext) {
      kept = w;
    } else if (kept) {
      set.RemoveAfter(kept);
    } else {
      set.PopFront();
    }
  }
  return kept;
}

}  // namespace

bool PairEdgesAtPoint(std::vector<EdgeAtPoint>& edges, std::vector<std::pair<uint32_t, uint32_t>>& pairs) {
  std::sort(edges.begin(), edges.end(), [](const EdgeAtPoint& a, const EdgeAtPoint& b) {
    if (AngleLess(a.direction, b.direction)) return true;
    if (AngleLess(b.direction, a.direction)) return false;
    return a.leaving && !b.leaving;
  });
  // Start the bracket walk just after the lowest running balance, so that it never goes negative.
  int balance = 0, lowest = 0;
  size_t start = 0;
  for (size_t i = 0; i < edges.size(); ++i) {
    balance += edges[i].leaving ? 1 : -1;
    if (balance < lowest) {
      lowest = balance;
      start = i + 1;
    }
  }
  if (balance != 0) return false;
  std::vector<uint32_t> open;
  for (size_t k = 0; k < edges.size(); ++k) {
    const EdgeAtPoint& e = edges[(start + k) % edges.size()];
    if (e.leaving) {
      open.push_back(e.owner);
    } else {
      pairs.emplace_back(e.owner, open.back());
      open.pop_back();
    }
  }
  return true;
}

void ReconnectRings(RingSet& set) {
  std::vector<RingVertex*> group;
  std::vector<EdgeAtPoint> edges;
  std::vector<std::pair<uint32_t, uint32_t>> pairs;
  RingVertex* before = nullptr;
  for (RingVertex* v = set.Head(); v;) {
    uint32_t count = 1;
    RingVertex* last = v;
    while (last->next && SamePoint(last->next, v)) {
      last = last->next;
      ++count;
    }
    if (count == 1) {
      if (!v->ringNext || !v->ringPrev) ConnectionFailed("lost connection", v);
      before = v;
    } else {
      before = JoinAtPoint(set, before, v, count, group, edges, pairs);
    }
    v = before ? before->next : set.Head();
  }
}
