#include "db/poly/boolean_geometry.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

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

// Whether the segment a-b meets the closed square of side 1 centred on the grid point h; exact.
// The two overlap when their boxes do and the segment's line passes the square: the distance of
// h from the line, as a cross product, is at most half the square's extent across the line.
bool PassesThroughPixel(const Point& a, const Point& b, const Point& h) {
  const int64_t ax = 2 * int64_t(a.x), ay = 2 * int64_t(a.y), bx = 2 * int64_t(b.x), by = 2 * int64_t(b.y);
  const int64_t hx = 2 * int64_t(h.x), hy = 2 * int64_t(h.y);
  if (std::max(ax, bx) < hx - 1 || std::min(ax, bx) > hx + 1) return false;
  if (std::max(ay, by) < hy - 1 || std::min(ay, by) > hy + 1) return false;
  const int64_t dx = int64_t(b.x) - a.x, dy = int64_t(b.y) - a.y;
  const Int128 side = Int128(dx) * (int64_t(h.y) - a.y) - Int128(dy) * (int64_t(h.x) - a.x);
  return 2 * (side < 0 ? -side : side) <= Int128(std::abs(dx) + std::abs(dy));
}

bool YFirstLess(const Point& a, const Point& b) { return a.y < b.y || (a.y == b.y && a.x < b.x); }

// floor(v / d) for d > 0.
int64_t FloorDiv64(int64_t v, int64_t d) { return v / d - (v % d != 0 && v < 0); }

// The split points as hot pixels, sorted by x, by y and by the square cell of a grid whose
// side is the typical extent of a piece, or the side that gives a cell about one point where
// the points lie denser, so that a piece finds those near it by the cells along its way or by
// the points of its x or y range, whichever are fewest.
class HotPixels {
 public:
  HotPixels(const SweepGeometry& geometry, const std::vector<SweepSplit>& splits) {
    byX_.reserve(splits.size());
    for (const SweepSplit& s : splits) byX_.push_back(s.at);
    std::sort(byX_.begin(), byX_.end(), SweepLess);
    byX_.erase(std::unique(byX_.begin(), byX_.end()), byX_.end());
    byY_ = byX_;
    std::sort(byY_.begin(), byY_.end(), YFirstLess);
    cell_ = std::min(TypicalExtent(geometry.segs), SideForOnePoint(byX_));
    byCell_.reserve(byX_.size());
    for (const Point& p : byX_) byCell_.emplace_back(CellKey(FloorDiv64(p.x, cell_), FloorDiv64(p.y, cell_)), p);
    std::sort(byCell_.begin(), byCell_.end(), [](const Keyed& a, const Keyed& b) { return a.first < b.first; });
    cells_.reserve(byCell_.size());
    for (uint32_t i = 0, j = 0; i < byCell_.size(); i = j) {
      for (j = i + 1; j < byCell_.size() && byCell_[j].first == byCell_[i].first;) ++j;
      cells_.emplace(byCell_[i].first, std::make_pair(i, j));
    }
  }

  // Calls visit with every hot point whose pixel may meet the piece lo-hi (lo first in sweep
  // order), and some more; the caller tests each exactly. Stops, giving false, when visit does.
  template <typename Visit>
  bool ForEachNear(const Point& lo, const Point& hi, Visit visit) const {
    const int32_t yMin = std::min(lo.y, hi.y), yMax = std::max(lo.y, hi.y);
    const auto xFrom = std::lower_bound(byX_.begin(), byX_.end(), Point(lo.x, INT32_MIN), SweepLess);
    const auto xTo = std::upper_bound(byX_.begin(), byX_.end(), Point(hi.x, INT32_MAX), SweepLess);
    const auto yFrom = std::lower_bound(byY_.begin(), byY_.end(), Point(INT32_MIN, yMin), YFirstLess);
    const auto yTo = std::upper_bound(byY_.begin(), byY_.end(), Point(INT32_MAX, yMax), YFirstLess);
    const int64_t columnFrom = FloorDiv64(int64_t(lo.x) - 1, cell_), columnTo = FloorDiv64(int64_t(hi.x) + 1, cell_);
    const int64_t rowFrom = FloorDiv64(int64_t(yMin) - 1, cell_), rowTo = FloorDiv64(int64_t(yMax) + 1, cell_);
    const int64_t cells = (columnTo - columnFrom + 1) + (rowTo - rowFrom + 1);
    if (xTo - xFrom <= cells || yTo - yFrom <= cells) {
      const bool alongX = xTo - xFrom <= yTo - yFrom;
      return std::all_of(alongX ? xFrom : yFrom, alongX ? xTo : yTo, visit);
    }
    for (int64_t column = columnFrom; column <= columnTo; ++column) {
      // The piece's y over the column, widened by a unit for the pixels and the rounding.
      const long double a = YAt(lo, hi, column * cell_ - 1), b = YAt(lo, hi, (column + 1) * cell_ + 1);
      const int64_t from = FloorDiv64(int64_t(std::floor(std::min(a, b))) - 1, cell_);
      const int64_t to = FloorDiv64(int64_t(std::ceil(std::max(a, b))) + 1, cell_);
      for (int64_t row = from; row <= to; ++row) {
        const auto cell = cells_.find(CellKey(column, row));
        if (cell == cells_.end()) continue;
        for (uint32_t i = cell->second.first; i < cell->second.second; ++i) {
          if (!visit(byCell_[i].second)) return false;
        }
      }
    }
    return true;
  }

 private:
  using Keyed = std::pair<uint64_t, Point>;

  static uint64_t CellKey(int64_t column, int64_t row) {
    return (uint64_t(column + (int64_t(1) << 31)) << 32) | uint64_t(row + (int64_t(1) << 31));
  }

  // The side of a square of the points' box shared equally among them, at least 1.
  static int64_t SideForOnePoint(const std::vector<Point>& points) {
    if (points.empty()) return 1;
    Box box;
    for (const Point& p : points) box.Extend(p.x, p.y);
    const long double area = ((long double)box.x2 - box.x1 + 1) * ((long double)box.y2 - box.y1 + 1);
    return std::max<int64_t>(1, int64_t(std::sqrt(area / points.size())));
  }

  // The median of the larger side of the pieces' boxes, at least 1.
  static int64_t TypicalExtent(const std::vector<SweepSeg>& segs) {
    std::vector<int64_t> extents;
    const size_t step = std::max<size_t>(1, segs.size() / 1024);
    for (size_t i = 0; i < segs.size(); i += step) {
      const SweepSeg& s = segs[i];
      extents.push_back(std::max(std::abs(int64_t(s.b.x) - s.a.x), std::abs(int64_t(s.b.y) - s.a.y)));
    }
    if (extents.empty()) return 1;
    std::nth_element(extents.begin(), extents.begin() + extents.size() / 2, extents.end());
    return std::max<int64_t>(1, extents[extents.size() / 2]);
  }

  // The piece's y at x, x clamped to the piece's x range.
  static long double YAt(const Point& lo, const Point& hi, int64_t x) {
    if (lo.x == hi.x) return x < lo.x ? lo.y : hi.y;
    const int64_t clamped = std::clamp<int64_t>(x, lo.x, hi.x);
    return (long double)lo.y + (long double)(int64_t(hi.y) - lo.y) * (clamped - lo.x) / (int64_t(hi.x) - lo.x);
  }

  std::vector<Point> byX_, byY_;
  int64_t cell_ = 1;
  std::vector<Keyed> byCell_;
  // The range of byCell_ that each cell holding points takes.
  std::unordered_map<uint64_t, std::pair<uint32_t, uint32_t>> cells_;
};

}  // namespace

void AddHotPixelSplits(const SweepGeometry& geometry, std::vector<SweepSplit>& splits, size_t budget) {
  const HotPixels hot(geometry, splits);
  const std::vector<SweepSeg>& segs = geometry.segs;
  const size_t rounded = splits.size();
  size_t looked = 0;
  for (uint32_t i = 0; i < segs.size(); ++i) {
    const Point& lo = segs[i].Lo();
    const Point& hi = segs[i].Hi();
    const bool done = hot.ForEachNear(lo, hi, [&](const Point& h) {
      if (h != lo && h != hi && PassesThroughPixel(lo, hi, h)) splits.push_back(SweepSplit{i, h});
      return ++looked <= budget;
    });
    if (!done) {
      splits.resize(rounded);
      return;
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
