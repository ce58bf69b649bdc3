#include "db/poly/boolean_geometry.h"

#include <algorithm>

namespace {

Point PointOf(const RingVertex* v) { return Point(v->x, v->y); }

// Pieces of the ring through start, one per edge of non-zero length.
void AddRing(SweepGeometry& geometry, RingVertex* start) {
  SweepRing ring{uint32_t(geometry.segs.size()), 0, (start->flags & kVertexOperandB) != 0};
  uint32_t index = uint32_t(geometry.rings.size());
  RingVertex* v = start;
  do {
    v->flags |= kVertexVisited;
    RingVertex* w = v->ringNext;
    if (w && (w->x != v->x || w->y != v->y)) {
      geometry.segs.push_back(SweepSeg{PointOf(v), PointOf(w), uint32_t(geometry.sources.size()), index});
      geometry.sources.push_back(v);
    }
    v = w;
  } while (v && v != start);
  ring.endSeg = uint32_t(geometry.segs.size());
  if (ring.endSeg != ring.firstSeg) geometry.rings.push_back(ring);
}

}  // namespace

SweepGeometry BuildSweepGeometry(RingSet& set) {
  SweepGeometry geometry;
  geometry.segs.reserve(set.VertexCount());
  geometry.sources.reserve(set.VertexCount());
  for (RingVertex* v = set.Head(); v; v = v->next) {
    if (!(v->flags & kVertexVisited)) AddRing(geometry, v);
  }
  set.ClearVertexFlags(kVertexVisited);
  return geometry;
}

void ApplySplits(SweepGeometry& geometry, std::vector<SweepSplit>& splits) {
  const std::vector<SweepSeg>& old = geometry.segs;
  auto along = [&old](const SweepSplit& s) {
    const SweepSeg& seg = old[s.seg];
    return Dot(DirectionOf(seg.a, seg.b), DirectionOf(seg.a, s.at));
  };
  std::sort(splits.begin(), splits.end(), [&along](const SweepSplit& l, const SweepSplit& r) {
    if (l.seg != r.seg) return l.seg < r.seg;
    Int128 dl = along(l), dr = along(r);
    if (dl != dr) return dl < dr;
    return SweepKey(l.at) < SweepKey(r.at);
  });
  std::vector<SweepSeg> segs;
  segs.reserve(old.size() + splits.size());
  size_t next = 0;
  for (SweepRing& ring : geometry.rings) {
    uint32_t first = uint32_t(segs.size());
    for (uint32_t i = ring.firstSeg; i < ring.endSeg; ++i) {
      const SweepSeg& seg = old[i];
      Point from = seg.a;
      for (; next < splits.size() && splits[next].seg == i; ++next) {
        const Point& at = splits[next].at;
        if (at == from || at == seg.b) continue;
        segs.push_back(SweepSeg{from, at, seg.source, seg.ring});
        from = at;
      }
      segs.push_back(SweepSeg{from, seg.b, seg.source, seg.ring});
    }
    ring.firstSeg = first;
    ring.endSeg = uint32_t(segs.size());
  }
  geometry.segs.swap(segs);
  splits.clear();
}

void WriteBackSplits(RingSet& set, const SweepGeometry& geometry) {
  const std::vector<SweepSeg>& segs = geometry.segs;
  for (size_t i = 0; i < segs.size(); ++i) {
    if (i + 1 == segs.size() || segs[i + 1].source != segs[i].source) continue;
    // segs[i] ends inside its ring edge: the edge gets a vertex there.
    RingVertex* from = geometry.sources[segs[i].source];
    RingVertex* at = from;
    while (i + 1 < segs.size() && segs[i + 1].source == segs[i].source) {
      RingVertex* v = set.PushBack(segs[i].b);
      v->flags = uint16_t(from->flags & kVertexOperandB);
      Link(v, at->ringNext);
      Link(at, v);
      at = v;
      ++i;
    }
  }
}
