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

namespace {

// Whether the segment a-b meets the closed square of side 1 centred on the grid point h; exact,
// in doubled coordinates.
bool PassesThroughPixel(const Point& a, const Point& b, const Point& h) {
  const int64_t ax = 2 * int64_t(a.x), ay = 2 * int64_t(a.y), bx = 2 * int64_t(b.x), by = 2 * int64_t(b.y);
  const int64_t hx = 2 * int64_t(h.x), hy = 2 * int64_t(h.y);
  if (std::max(ax, bx) < hx - 1 || std::min(ax, bx) > hx + 1) return false;
  if (std::max(ay, by) < hy - 1 || std::min(ay, by) > hy + 1) return false;
  int above = 0, below = 0;
  for (int64_t cx : {hx - 1, hx + 1}) {
    for (int64_t cy : {hy - 1, hy + 1}) {
      Int128 side = Int128(bx - ax) * (cy - ay) - Int128(by - ay) * (cx - ax);
      above += side > 0;
      below += side < 0;
    }
  }
  return above < 4 && below < 4;
}

}  // namespace

void AddHotPixelSplits(const SweepGeometry& geometry, std::vector<SweepSplit>& splits) {
  std::vector<Point> hot;
  hot.reserve(splits.size());
  for (const SweepSplit& s : splits) hot.push_back(s.at);
  std::sort(hot.begin(), hot.end(), SweepLess);
  hot.erase(std::unique(hot.begin(), hot.end()), hot.end());
  const std::vector<SweepSeg>& segs = geometry.segs;
  for (uint32_t i = 0; i < segs.size(); ++i) {
    const Point& lo = segs[i].Lo();
    const Point& hi = segs[i].Hi();
    auto h = std::lower_bound(hot.begin(), hot.end(), Point(lo.x, INT32_MIN), SweepLess);
    for (; h != hot.end() && h->x <= hi.x; ++h) {
      if (*h != lo && *h != hi && PassesThroughPixel(lo, hi, *h)) splits.push_back(SweepSplit{i, *h});
    }
  }
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
