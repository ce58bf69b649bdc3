#pragma once

// Small helpers for tests of ring sets: rings built from point lists, exact areas, and rings
// read back into vectors.

#include <cstdint>
#include <unordered_set>
#include <vector>

#include "db/box.h"
#include "db/poly/ring_set.h"

namespace ringtest {

using Ring = std::vector<Point>;

// Adds one closed ring with the points in ring order and counts it; returns its first vertex.
inline RingVertex* AddRing(RingSet& set, const Ring& points) {
  RingVertex* first = nullptr;
  RingVertex* last = nullptr;
  for (const Point& p : points) AppendRingVertex(set, p, first, last);
  Link(last, first);
  set.SetRingCount(set.RingCount() + 1);
  return first;
}

// Twice the signed area, exact: positive for counter-clockwise rings (y up).
inline __int128 TwiceSignedArea(const Ring& ring) {
  __int128 sum = 0;
  for (size_t i = 0; i < ring.size(); ++i) {
    const Point& a = ring[i];
    const Point& b = ring[(i + 1) % ring.size()];
    sum += __int128(int64_t(a.x)) * b.y - __int128(int64_t(b.x)) * a.y;
  }
  return sum;
}

// The ring of start, from start along ringNext; an open chain of pieces ends where ringNext does.
inline Ring RingFrom(const RingVertex* start) {
  Ring ring;
  const RingVertex* v = start;
  do {
    ring.emplace_back(v->x, v->y);
    v = v->ringNext;
  } while (v && v != start);
  return ring;
}

// Every ring (or open chain) of the set, each read from its first vertex in chain order.
inline std::vector<Ring> ExtractRings(const RingSet& set) {
  std::vector<Ring> rings;
  std::unordered_set<const RingVertex*> seen;
  for (const RingVertex* v = set.Head(); v; v = v->next) {
    if (seen.count(v)) continue;
    const RingVertex* w = v;
    do {
      seen.insert(w);
      w = w->ringNext;
    } while (w && w != v);
    rings.push_back(RingFrom(v));
  }
  return rings;
}

inline uint32_t ChainLength(const RingSet& set) {
  uint32_t n = 0;
  for (const RingVertex* v = set.Head(); v; v = v->next) ++n;
  return n;
}

// b lies on the line through a and c (or repeats one of them), exactly.
inline bool IsCollinearTriple(const Point& a, const Point& b, const Point& c) {
  return __int128(int64_t(c.x) - a.x) * (int64_t(b.y) - a.y) == __int128(int64_t(c.y) - a.y) * (int64_t(b.x) - a.x);
}

}  // namespace ringtest
