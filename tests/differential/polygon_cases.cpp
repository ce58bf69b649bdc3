#include "tests/differential/polygon_cases.h"

#include <algorithm>
#include <cmath>
#include <random>

#include "tests/differential/ring_checks.h"

namespace differential {

namespace {

constexpr double kTwoPi = 6.283185307179586;
// Outlines stay within +-2^30, and an amount never exceeds 2^29, so that sized outlines keep to
// 32 bits.
constexpr double kMaxCoordinate = 1073741824.0;
constexpr double kMaxRadius = 268435456.0;
constexpr double kMaxAmount = 536870912.0;

// Reproducible on every platform: only the engine's raw output is used, never the library's
// distributions.
class Random {
 public:
  explicit Random(uint64_t seed) : engine_(seed) {}
  double Unit() { return double(engine_() >> 11) * 0x1.0p-53; }
  int64_t Between(int64_t lo, int64_t hi) { return lo + int64_t(engine_() % uint64_t(hi - lo + 1)); }
  double LogUniform(double lo, double hi) { return lo * std::pow(hi / lo, Unit()); }
  bool Chance(double p) { return Unit() < p; }

 private:
  std::mt19937_64 engine_;
};

struct PolarPoint {
  double angle;
  double radius;
};

// Rings of polar points about the origin, stretched in x, turned, moved and rounded.
struct Placement {
  double aspect = 1, turn = 0, cx = 0, cy = 0;
  Point Place(double x, double y) const {
    x *= aspect;
    const double c = std::cos(turn), s = std::sin(turn);
    return Point(int32_t(std::lround(cx + c * x - s * y)), int32_t(std::lround(cy + s * x + c * y)));
  }
  Ring PlacePolar(const std::vector<PolarPoint>& polar, double ox = 0) const {
    Ring ring;
    for (const PolarPoint& p : polar) {
      ring.push_back(Place(ox + p.radius * std::cos(p.angle), p.radius * std::sin(p.angle)));
    }
    return ring;
  }
};

// n angles in increasing order, each jittered inside its own slot of the circle.
std::vector<double> SlotAngles(Random& random, uint32_t n, double from = 0, double span = kTwoPi) {
  std::vector<double> angles;
  for (uint32_t i = 0; i < n; ++i) angles.push_back(from + span * (i + 0.1 + 0.8 * random.Unit()) / n);
  return angles;
}

std::vector<PolarPoint> Star(Random& random, uint32_t n, double radius, double innerFraction) {
  std::vector<PolarPoint> star;
  for (double a : SlotAngles(random, n)) {
    star.push_back({a, radius * (innerFraction + (1 - innerFraction) * random.Unit())});
  }
  return star;
}

std::vector<PolarPoint> Spiked(Random& random, uint32_t n, double radius) {
  std::vector<PolarPoint> star = Star(random, std::max(3u, n - 2), radius, 0.5);
  const int spikes = int(random.Between(1, 3));
  for (int k = 0; k < spikes && star.size() > 3; ++k) {
    const size_t at = size_t(random.Between(0, int64_t(star.size()) - 1));
    const double slot = kTwoPi / star.size();
    const double half = std::max(6 / radius, 0.3 * slot * random.Unit());
    const double a = star[at].angle;
    star[at] = {a, 3 * radius};
    star.insert(star.begin() + at + 1, {a + half, 0.7 * radius});
    star.insert(star.begin() + at, {a - half, 0.7 * radius});
  }
  return star;
}

// Every edge split by a vertex at most one unit off its middle.
Ring WithNearCollinearVertices(Random& random, const Ring& ring) {
  Ring out;
  for (size_t i = 0; i < ring.size(); ++i) {
    const Point& a = ring[i];
    const Point& b = ring[(i + 1) % ring.size()];
    out.push_back(a);
    const int32_t mx = int32_t((int64_t(a.x) + b.x) / 2), my = int32_t((int64_t(a.y) + b.y) / 2);
    out.emplace_back(mx + int32_t(random.Between(-1, 1)), my + int32_t(random.Between(-1, 1)));
  }
  return out;
}

// Columns on a common base, some narrow, each of a different height than its neighbour.
Ring Skyline(Random& random, uint32_t n, double radius, const Placement& at) {
  const uint32_t columns = std::max(1u, (n - 2) / 2);
  const double wide = std::max(2.0, 2 * radius / columns);
  std::vector<int64_t> xs{0}, heights;
  for (uint32_t i = 0; i < columns; ++i) {
    xs.push_back(xs.back() + int64_t(random.LogUniform(1, wide)));
    int64_t h = random.Chance(0.1) ? random.Between(1, 3) : random.Between(1, int64_t(radius));
    if (!heights.empty() && h == heights.back()) ++h;
    heights.push_back(h);
  }
  const int64_t ox = int64_t(at.cx) - xs.back() / 2, oy = int64_t(at.cy) - int64_t(radius) / 2;
  Ring ring{Point(int32_t(ox), int32_t(oy)), Point(int32_t(ox + xs.back()), int32_t(oy))};
  for (uint32_t i = columns; i-- > 0;) {
    ring.emplace_back(int32_t(ox + xs[i + 1]), int32_t(oy + heights[i]));
    ring.emplace_back(int32_t(ox + xs[i]), int32_t(oy + heights[i]));
  }
  return ring;
}

int Sign(int64_t v) { return (v > 0) - (v < 0); }

// Half of the corners cut at 45 degrees, each by a third of its shorter edge at most.
Ring Chamfered(Random& random, const Ring& ring) {
  Ring out;
  const size_t n = ring.size();
  for (size_t i = 0; i < n; ++i) {
    const Point& p = ring[(i + n - 1) % n];
    const Point& v = ring[i];
    const Point& q = ring[(i + 1) % n];
    const int64_t inLength = std::abs(int64_t(v.x) - p.x) + std::abs(int64_t(v.y) - p.y);
    const int64_t outLength = std::abs(int64_t(q.x) - v.x) + std::abs(int64_t(q.y) - v.y);
    const int64_t cut = std::min(inLength, outLength) / 3;
    if (cut < 1 || !random.Chance(0.5)) {
      out.push_back(v);
      continue;
    }
    out.emplace_back(int32_t(v.x + cut * Sign(int64_t(p.x) - v.x)), int32_t(v.y + cut * Sign(int64_t(p.y) - v.y)));
    out.emplace_back(int32_t(v.x + cut * Sign(int64_t(q.x) - v.x)), int32_t(v.y + cut * Sign(int64_t(q.y) - v.y)));
  }
  return out;
}

size_t RightmostIndex(const Ring& ring) {
  return size_t(
      std::max_element(ring.begin(), ring.end(),
                       [](const Point& a, const Point& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); }) -
      ring.begin());
}

// A convex outline and a convex hole at a third of its size, joined by a double edge from the
// outline's rightmost vertex to the hole's.
Ring Keyhole(Random& random, uint32_t n, double radius, const Placement& at) {
  const uint32_t holeVertices = std::max(3u, n / 4);
  std::vector<PolarPoint> outer, hole;
  // Eight vertices at least keep the outline's inner radius above two thirds of its radius, so
  // that the hole lies inside.
  const uint32_t outerVertices = std::max(8u, n > holeVertices + 2 ? n - holeVertices - 2 : 0);
  for (double a : SlotAngles(random, outerVertices)) outer.push_back({a, radius});
  for (double a : SlotAngles(random, holeVertices)) hole.push_back({a, 0.3 * radius});
  const Ring outline = at.PlacePolar(outer);
  Ring inner = at.PlacePolar(hole);
  std::reverse(inner.begin(), inner.end());
  const size_t o = RightmostIndex(outline), h = RightmostIndex(inner);
  Ring ring;
  for (size_t i = 0; i <= outline.size(); ++i) ring.push_back(outline[(o + i) % outline.size()]);
  for (size_t i = 0; i <= inner.size(); ++i) ring.push_back(inner[(h + i) % inner.size()]);
  return ring;
}

// Two convex lobes on either side of the point where they meet, run as one ring through it twice.
Ring SelfTouching(Random& random, uint32_t n, double radius, const Placement& at) {
  const uint32_t half = std::max(3u, n / 2);
  std::vector<PolarPoint> left, right;
  for (double a : SlotAngles(random, half, 0.05, kTwoPi - 0.1)) left.push_back({a, radius / 2});
  for (double a : SlotAngles(random, half, kTwoPi / 2 + 0.05, kTwoPi - 0.1)) right.push_back({a, radius / 2});
  const Point touch = at.Place(0, 0);
  Ring ring{touch};
  for (const Point& p : at.PlacePolar(left, -radius / 2)) ring.push_back(p);
  ring.push_back(touch);
  for (const Point& p : at.PlacePolar(right, radius / 2)) ring.push_back(p);
  return ring;
}

struct Polygon {
  PolygonKind kind;
  Ring ring;
};

Ring MakeRing(Random& random, PolygonKind kind, uint32_t n, double radius, const Placement& at) {
  switch (kind) {
    case PolygonKind::kConvex: {
      std::vector<PolarPoint> circle;
      const uint32_t convexVertices = std::min<uint32_t>(n, uint32_t(1.5 * std::sqrt(radius)) + 3);
      for (double a : SlotAngles(random, convexVertices)) circle.push_back({a, radius});
      return at.PlacePolar(circle);
    }
    case PolygonKind::kStar: return at.PlacePolar(Star(random, n, radius, random.Chance(0.5) ? 0.2 : 0.7));
    case PolygonKind::kSpikes: return at.PlacePolar(Spiked(random, n, radius));
    case PolygonKind::kNearCollinear:
      return WithNearCollinearVertices(random, at.PlacePolar(Star(random, std::max(3u, n / 2), radius, 0.6)));
    case PolygonKind::kManhattan: return Skyline(random, n, radius, at);
    case PolygonKind::kOctilinear: return Chamfered(random, Skyline(random, n, radius, at));
    case PolygonKind::kKeyhole: return Keyhole(random, n, radius, at);
    case PolygonKind::kSelfTouching: return SelfTouching(random, n, radius, at);
  }
  return {};
}

bool MayTouchItself(PolygonKind kind) { return kind == PolygonKind::kKeyhole || kind == PolygonKind::kSelfTouching; }

// A polygon of a random kind and size about (cx, cy); one that rounding left crossing itself
// is drawn again, down to a plain convex one.
Polygon RandomPolygon(Random& random, uint32_t maxVertices, double radius, double cx, double cy) {
  for (int attempt = 0;; ++attempt) {
    PolygonKind kind = PolygonKind(random.Between(0, 7));
    if (attempt >= 8) kind = PolygonKind::kConvex;
    const uint32_t n = uint32_t(std::lround(random.LogUniform(3, std::max(3u, maxVertices))));
    const double r = std::max(radius, 16.0 * n);
    Placement at;
    at.cx = cx;
    at.cy = cy;
    if (kind != PolygonKind::kManhattan && kind != PolygonKind::kOctilinear) {
      at.aspect = random.Chance(0.3) ? random.LogUniform(0.02, 1) : 1;
      at.turn = kTwoPi * random.Unit();
    }
    Ring ring = MakeRing(random, kind, n, r, at);
    if (kind == PolygonKind::kConvex || MayTouchItself(kind) || IsSimpleRing(ring)) return {kind, ring};
  }
}

int32_t RandomAmount(Random& random, double upTo) {
  return int32_t(std::lround(random.LogUniform(1, std::clamp(upTo, 1.0, kMaxAmount))));
}

}  // namespace

const char* KindName(PolygonKind kind) {
  static const char* const names[] = {"convex",    "star",       "spikes",  "near-collinear",
                                      "manhattan", "octilinear", "keyhole", "self-touching"};
  return names[int(kind)];
}

const char* OpName(EditOp op) {
  static const char* const names[] = {"size", "merge", "subtract"};
  return names[int(op)];
}

std::vector<EditCase> CasesOfSeed(uint64_t seed, uint32_t maxVertices) {
  Random random(seed);
  const double radius = random.LogUniform(64, kMaxRadius);
  const double reach = kMaxCoordinate - 4 * radius;
  const double cx = reach * (2 * random.Unit() - 1), cy = reach * (2 * random.Unit() - 1);
  const Polygon main = RandomPolygon(random, maxVertices, radius, cx, cy);

  std::vector<EditCase> cases;
  EditCase base;
  base.seed = seed;
  base.kind = main.kind;
  base.input = {main.ring};
  Box bounds;
  for (const Point& p : main.ring) bounds.Extend(p.x, p.y);
  const double width = double(std::min(bounds.Width(), bounds.Height()));
  for (double upTo : {width / 8, 1.5 * width}) {
    const int32_t amount = RandomAmount(random, upTo);
    for (int32_t signedAmount : {amount, -amount}) {
      EditCase sizing = base;
      sizing.amount = signedAmount;
      cases.push_back(sizing);
    }
  }

  EditCase merge = base;
  merge.op = EditOp::kMerge;
  const int others = int(random.Between(1, 3));
  for (int k = 0; k < others; ++k) {
    const double x = (bounds.x1 + bounds.Width() * random.Unit()), y = (bounds.y1 + bounds.Height() * random.Unit());
    merge.input.push_back(RandomPolygon(random, maxVertices, radius * random.LogUniform(0.1, 1), x, y).ring);
  }
  cases.push_back(merge);

  EditCase subtract = base;
  subtract.op = EditOp::kSubtract;
  auto across = [&random](int32_t lo, int64_t span) {
    int64_t a = lo + int64_t((1.4 * random.Unit() - 0.2) * span), b = lo + int64_t((1.4 * random.Unit() - 0.2) * span);
    if (a > b) std::swap(a, b);
    return std::make_pair(int32_t(a), int32_t(std::max(b, a + 1)));
  };
  const auto [x1, x2] = across(bounds.x1, bounds.Width());
  const auto [y1, y2] = across(bounds.y1, bounds.Height());
  subtract.area = Box(x1, y1, x2, y2);
  cases.push_back(subtract);
  return cases;
}

}  // namespace differential
