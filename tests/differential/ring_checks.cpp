#include "tests/differential/ring_checks.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <sstream>
#include <tuple>

namespace differential {

namespace {

using Int128 = __int128;

Int128 Turn(const Point& a, const Point& b, const Point& c) {
  return Int128(int64_t(b.x) - a.x) * (int64_t(c.y) - a.y) - Int128(int64_t(b.y) - a.y) * (int64_t(c.x) - a.x);
}

Int128 Dot(const Point& a, const Point& b, const Point& c, const Point& d) {
  return Int128(int64_t(b.x) - a.x) * (int64_t(d.x) - c.x) + Int128(int64_t(b.y) - a.y) * (int64_t(d.y) - c.y);
}

int SignOf(Int128 v) { return (v > 0) - (v < 0); }

// p, collinear with e, lies strictly between e's ends.
bool StrictlyInside(const Edge& e, const Point& p) { return Dot(e.a, p, p, e.b) > 0; }

std::string Where(const char* what, const Point& p) {
  std::ostringstream out;
  out << what << " at (" << p.x << ", " << p.y << ")";
  return out.str();
}

// Why the two edges, of one ring or of two, do not belong to simple rings; empty when they may.
// Touching is allowed: a vertex on another edge is where a cut ends or where rings meet.
std::string PairProblem(const Edge& e, const Edge& f) {
  if (e.a == f.b && e.b == f.a) return "";
  const int o1 = SignOf(Turn(e.a, e.b, f.a)), o2 = SignOf(Turn(e.a, e.b, f.b));
  const int o3 = SignOf(Turn(f.a, f.b, e.a)), o4 = SignOf(Turn(f.a, f.b, e.b));
  if (o1 * o2 < 0 && o3 * o4 < 0) return Where("edges cross", e.a);
  if (o1 == 0 && o2 == 0) {
    if (e.a == f.a && e.b == f.b) return Where("edge repeated", e.a);
    // Edges that overlap running against each other are a double edge, a hole's cut.
    if (Dot(e.a, e.b, f.a, f.b) < 0) return "";
    if (StrictlyInside(e, f.a) || StrictlyInside(e, f.b) || StrictlyInside(f, e.a) || StrictlyInside(f, e.b)) {
      return Where("edges overlap", e.a);
    }
    return "";
  }
  return "";
}

std::string EdgeProblem(const Point& p, const Point& v, const Point& n) {
  if (v == n) return Where("edge of length 0", v);
  if (Turn(p, v, n) == 0 && Dot(p, v, v, n) < 0) return Where("edge folds back", v);
  return "";
}

Int128 TwiceArea(const Ring& ring) {
  Int128 sum = 0;
  for (size_t i = 0; i < ring.size(); ++i) {
    const Point& a = ring[i];
    const Point& b = ring[(i + 1) % ring.size()];
    sum += Int128(int64_t(a.x)) * b.y - Int128(int64_t(b.x)) * a.y;
  }
  return sum;
}

std::string SimplicityProblem(const std::vector<Ring>& rings) {
  std::vector<Edge> edges;
  for (const Ring& ring : rings) {
    if (ring.size() < 3) return "ring of fewer than 3 vertices";
    for (size_t i = 0; i < ring.size(); ++i) {
      const Point& p = ring[(i + ring.size() - 1) % ring.size()];
      const Point& v = ring[i];
      const Point& n = ring[(i + 1) % ring.size()];
      std::string problem = EdgeProblem(p, v, n);
      if (!problem.empty()) return problem;
      edges.push_back({v, n});
    }
  }
  EdgeGrid grid(std::move(edges));
  std::string problem;
  grid.ForEachClosePair([&grid, &problem](uint32_t i, uint32_t j) {
    if (problem.empty()) problem = PairProblem(grid.Edges()[i], grid.Edges()[j]);
  });
  return problem;
}

}  // namespace

std::vector<Edge> OutlineEdges(const std::vector<Ring>& rings) {
  // Per supporting line (its reduced direction and its offset), the stretches that the edges
  // cover, as signed counts: +1 where an edge runs along the line's direction, -1 against it.
  struct Line {
    int64_t dx, dy;
    Int128 offset;
    bool operator<(const Line& o) const { return std::tie(dx, dy, offset) < std::tie(o.dx, o.dy, o.offset); }
  };
  std::map<Line, std::map<Int128, std::pair<Point, int>>> lines;
  for (const Ring& ring : rings) {
    for (size_t i = 0; i < ring.size(); ++i) {
      const Point& a = ring[i];
      const Point& b = ring[(i + 1) % ring.size()];
      if (a == b) continue;
      int64_t dx = int64_t(b.x) - a.x, dy = int64_t(b.y) - a.y;
      const int64_t g = std::gcd(std::abs(dx), std::abs(dy));
      dx /= g;
      dy /= g;
      const int sign = (dx > 0 || (dx == 0 && dy > 0)) ? 1 : -1;
      dx *= sign;
      dy *= sign;
      const Line line{dx, dy, Int128(dy) * a.x - Int128(dx) * a.y};
      auto& stops = lines[line];
      auto along = [dx, dy](const Point& p) { return Int128(dx) * p.x + Int128(dy) * p.y; };
      auto& from = stops[along(a)];
      auto& to = stops[along(b)];
      from.first = a;
      to.first = b;
      ++from.second;
      --to.second;
    }
  }
  std::vector<Edge> edges;
  for (const auto& [line, stops] : lines) {
    int net = 0;
    const Point* start = nullptr;
    for (const auto& [t, stop] : stops) {
      if (start && net != 0) {
        for (int k = 0; k < std::abs(net); ++k)
          edges.push_back(net > 0 ? Edge{*start, stop.first} : Edge{stop.first, *start});
      }
      net += stop.second;
      start = &stop.first;
    }
  }
  return edges;
}

EdgeGrid::EdgeGrid(std::vector<Edge> edges) : edges_(std::move(edges)), stamp_(edges_.size(), 0) {
  if (edges_.empty()) {
    cells_.resize(1);
    return;
  }
  double x1 = edges_[0].a.x, y1 = edges_[0].a.y, x2 = x1, y2 = y1;
  for (const Edge& e : edges_) {
    for (const Point& p : {e.a, e.b}) {
      x1 = std::min<double>(x1, p.x), x2 = std::max<double>(x2, p.x);
      y1 = std::min<double>(y1, p.y), y2 = std::max<double>(y2, p.y);
    }
  }
  const double side = std::ceil(std::sqrt(double(edges_.size())));
  cellSize_ = std::max({1.0, (x2 - x1) / side, (y2 - y1) / side}) * (1 + 1e-9);
  x0_ = x1;
  y0_ = y1;
  columns_ = int64_t((x2 - x1) / cellSize_) + 1;
  rows_ = int64_t((y2 - y1) / cellSize_) + 1;
  cells_.resize(size_t(columns_ * rows_));
  for (uint32_t i = 0; i < edges_.size(); ++i) {
    const Edge& e = edges_[i];
    const int64_t c1 = CellOf(std::min(e.a.x, e.b.x), false), c2 = CellOf(std::max(e.a.x, e.b.x), false);
    const int64_t r1 = CellOf(std::min(e.a.y, e.b.y), true), r2 = CellOf(std::max(e.a.y, e.b.y), true);
    for (int64_t r = r1; r <= r2; ++r) {
      for (int64_t c = c1; c <= c2; ++c) cells_[size_t(r * columns_ + c)].push_back(i);
    }
  }
}

int64_t EdgeGrid::CellOf(double v, bool yAxis) const {
  const double origin = yAxis ? y0_ : x0_;
  const int64_t last = (yAxis ? rows_ : columns_) - 1;
  return std::clamp<int64_t>(int64_t(std::floor((v - origin) / cellSize_)), 0, last);
}

std::vector<uint32_t> EdgeGrid::Near(double x1, double y1, double x2, double y2) const {
  std::vector<uint32_t> found;
  if (edges_.empty()) return found;
  if (++query_ == 0) {
    std::fill(stamp_.begin(), stamp_.end(), 0);
    query_ = 1;
  }
  for (int64_t r = CellOf(y1, true); r <= CellOf(y2, true); ++r) {
    for (int64_t c = CellOf(x1, false); c <= CellOf(x2, false); ++c) {
      for (uint32_t i : cells_[size_t(r * columns_ + c)]) {
        if (stamp_[i] == query_) continue;
        stamp_[i] = query_;
        found.push_back(i);
      }
    }
  }
  return found;
}

long double EdgeGrid::DistanceTo(long double px, long double py, long double limit) const {
  long double best = limit;
  for (uint32_t i : Near(double(px - limit), double(py - limit), double(px + limit), double(py + limit))) {
    best = std::min(best, DistanceToEdge(px, py, edges_[i]));
  }
  return best;
}

long double DistanceToEdge(long double px, long double py, const Edge& e) {
  const long double ax = e.a.x, ay = e.a.y, dx = (long double)e.b.x - ax, dy = (long double)e.b.y - ay;
  const long double length2 = dx * dx + dy * dy;
  long double t = length2 > 0 ? ((px - ax) * dx + (py - ay) * dy) / length2 : 0;
  t = std::clamp<long double>(t, 0, 1);
  return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

long double DistanceBetweenEdges(const Edge& e, const Edge& f) {
  const int o1 = SignOf(Turn(e.a, e.b, f.a)), o2 = SignOf(Turn(e.a, e.b, f.b));
  const int o3 = SignOf(Turn(f.a, f.b, e.a)), o4 = SignOf(Turn(f.a, f.b, e.b));
  if (o1 * o2 <= 0 && o3 * o4 <= 0 && (o1 | o2 | o3 | o4) != 0) return 0;
  return std::min({DistanceToEdge(e.a.x, e.a.y, f), DistanceToEdge(e.b.x, e.b.y, f), DistanceToEdge(f.a.x, f.a.y, e),
                   DistanceToEdge(f.b.x, f.b.y, e)});
}

int Winding(const std::vector<Edge>& edges, long double px, long double py) {
  int winding = 0;
  for (const Edge& e : edges) {
    const long double ax = e.a.x, ay = e.a.y, bx = e.b.x, by = e.b.y;
    const long double left = (bx - ax) * (py - ay) - (by - ay) * (px - ax);
    if (ay <= py) {
      if (by > py && left > 0) ++winding;
    } else if (by <= py && left < 0) {
      --winding;
    }
  }
  return winding;
}

std::string RingsProblem(const std::vector<Ring>& rings) {
  std::string problem = SimplicityProblem(rings);
  if (!problem.empty()) return problem;
  for (const Ring& ring : rings) {
    if (TwiceArea(ring) <= 0) return Where("ring not counter-clockwise", ring[0]);
  }
  return "";
}

bool IsSimpleRing(const Ring& ring) { return SimplicityProblem({ring}).empty(); }

}  // namespace differential
