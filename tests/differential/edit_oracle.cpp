#include "tests/differential/edit_oracle.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <sstream>

#include "tests/differential/ring_checks.h"

namespace differential {

namespace {

constexpr int kSamples = 240;

// How far a sized outline may miss its distance: three roundings to the grid, each up to half a
// unit on both axes (0.71 across an edge): the moved edges' ends, then the points where moved
// edges meet or cross, and the drawing of an edge into a crossing rounded beside it.
constexpr long double kSizingSlack = 2.2L;

struct Sample {
  long double x, y;
};

std::string At(const std::string& what, long double x, long double y, long double value = -1) {
  std::ostringstream out;
  out.precision(12);
  out << what << " at (" << x << ", " << y << ")";
  if (value >= 0) out << ": " << value;
  return out.str();
}

Box BoxOf(const std::vector<Ring>& rings) {
  Box box;
  for (const Ring& ring : rings) {
    for (const Point& p : ring) box.Extend(p.x, p.y);
  }
  return box;
}

// A third across the input's box grown by margin, a third about its vertices, a third just
// beyond band (and the sizing slack) off its edges, where a sized outline must run. Each is off
// the integer grid by amounts that keep it off every edge of 0, 45 and 90 degrees.
std::vector<Sample> Samples(const EditCase& edit, long double margin, long double band) {
  std::mt19937_64 engine(edit.seed * 7919 + uint64_t(edit.op) * 31 + uint64_t(int64_t(edit.amount)));
  auto unit = [&engine] { return (long double)(engine() >> 11) * 0x1.0p-53L; };
  const Box box = BoxOf(edit.input);
  std::vector<Edge> edges;
  for (const Ring& ring : edit.input) {
    for (size_t i = 0; i < ring.size(); ++i) edges.push_back({ring[i], ring[(i + 1) % ring.size()]});
  }
  std::vector<Sample> samples;
  for (int i = 0; i < kSamples; ++i) {
    const Edge& e = edges[size_t(engine() % edges.size())];
    long double x = e.a.x, y = e.a.y;
    if (i % 3 == 0) {
      x = box.x1 - margin + unit() * (box.Width() + 2 * margin);
      y = box.y1 - margin + unit() * (box.Height() + 2 * margin);
    } else if (i % 3 == 1) {
      const long double reach = std::max<long double>(4, 2 * margin);
      x += (2 * unit() - 1) * reach;
      y += (2 * unit() - 1) * reach;
    } else {
      const long double dx = (long double)e.b.x - e.a.x, dy = (long double)e.b.y - e.a.y;
      const long double length = std::hypot(dx, dy), t = unit();
      const long double off = (engine() % 2 ? 1 : -1) * (band + kSizingSlack + 3 * unit());
      if (length > 0) {
        x += t * dx + off * dy / length;
        y += t * dy - off * dx / length;
      }
    }
    samples.push_back({std::floor(x) + 0.3819660113L, std::floor(y) + 0.2763932023L});
  }
  return samples;
}

// How often the result winds about the sample; anything but 0 or 1 is itself a failure.
std::string ResultWinding(const std::vector<Edge>& result, const Sample& s, bool& inside) {
  const int winding = Winding(result, s.x, s.y);
  inside = winding != 0;
  return winding == 0 || winding == 1 ? "" : At("result winds " + std::to_string(winding) + " times", s.x, s.y);
}

std::string SizingFailure(const EditCase& edit, const EdgeGrid& input, const std::vector<Ring>& result) {
  const long double d = std::abs((long double)edit.amount);
  const bool grow = edit.amount > 0;
  const std::vector<Edge> resultEdges = OutlineEdges(result);
  if (d > kSizingSlack) {
    const double reach = double(d - kSizingSlack);
    for (const Edge& e : resultEdges) {
      for (uint32_t k : input.Near(std::min(e.a.x, e.b.x) - reach, std::min(e.a.y, e.b.y) - reach,
                                   std::max(e.a.x, e.b.x) + reach, std::max(e.a.y, e.b.y) + reach)) {
        const long double gap = DistanceBetweenEdges(e, input.Edges()[k]);
        if (gap < d - kSizingSlack) return At("result edge near the input", e.a.x, e.a.y, gap);
      }
    }
    for (const Ring& ring : result) {
      const bool inside = Winding(input.Edges(), ring[0].x, ring[0].y) >= 1;
      if (inside != grow) continue;
      return At(grow ? "grown outline inside the input" : "shrunk outline outside the input", ring[0].x, ring[0].y);
    }
  }
  const long double farthest = d * std::sqrt(2.0L) + 1;
  for (const Sample& s : Samples(edit, grow ? farthest + 1 : 0, d)) {
    bool inResult = false;
    std::string problem = ResultWinding(resultEdges, s, inResult);
    if (!problem.empty()) return problem;
    const bool inInput = Winding(input.Edges(), s.x, s.y) >= 1;
    const long double gap = input.DistanceTo(s.x, s.y, farthest + 2);
    if (grow) {
      if ((inInput || gap <= d - kSizingSlack) && !inResult)
        return At("point near the input not in the result", s.x, s.y, gap);
      if (!inInput && gap > farthest && inResult) return At("result reaches too far", s.x, s.y, gap);
    } else {
      if (inInput && gap >= d + kSizingSlack && !inResult && !InShrunkCorner(edit.input, d, s.x, s.y))
        return At("point deep inside not in the result", s.x, s.y, gap);
      if ((!inInput || gap < d - kSizingSlack) && inResult) return At("result too near the outline", s.x, s.y, gap);
    }
  }
  return "";
}

std::string BooleanFailure(const EditCase& edit, const EdgeGrid& input, const std::vector<Edge>& operandA,
                           const std::vector<Ring>& result) {
  for (const Ring& ring : result) {
    for (const Point& v : ring) {
      // A crossing rounded to the grid lies within 0.71 of its edges; a crossing of pieces that
      // were drawn into another rounded crossing before, within twice that.
      const long double gap = input.DistanceTo(v.x, v.y, 2);
      if (gap > 1.5) return At("result vertex off the input", v.x, v.y, gap);
    }
  }
  const std::vector<Edge> resultEdges = OutlineEdges(result);
  for (const Sample& s : Samples(edit, 4, 0)) {
    if (input.DistanceTo(s.x, s.y, 2) < 2) continue;
    bool inResult = false;
    std::string problem = ResultWinding(resultEdges, s, inResult);
    if (!problem.empty()) return problem;
    bool want = Winding(operandA, s.x, s.y) >= 1;
    if (edit.op == EditOp::kSubtract) {
      const Box& r = edit.area;
      want = want && !(r.x1 < s.x && s.x < r.x2 && r.y1 < s.y && s.y < r.y2);
    }
    if (want != inResult) return At(want ? "point of the result missing" : "point wrongly in the result", s.x, s.y);
  }
  return "";
}

// Whether the point (x, y), relative to the vertex v, lies in what shrinking by d may take at
// the corner where the edge from p enters v and the edge to n leaves it, inside on the left of
// both when inward is 1 and on the right when it is -1.
bool InCornerAllowance(const Point& p, const Point& v, const Point& n, long double inward, long double d, long double x,
                       long double y) {
  const long double slack = kSizingSlack;
  const long double inX = (long double)v.x - p.x, inY = (long double)v.y - p.y;
  const long double outX = (long double)n.x - v.x, outY = (long double)n.y - v.y;
  const long double inLength = std::hypot(inX, inY), outLength = std::hypot(outX, outY);
  if (inLength == 0 || outLength == 0 || inward * (inX * outY - inY * outX) >= 0) return false;
  if (inX * outX + inY * outY < 0) return std::max(std::abs(x), std::abs(y)) <= d + slack;
  // The mitre's kite: beyond the end of the edge in, before the start of the edge out, and no
  // farther than d inwards from either.
  const long double alongIn = (x * inX + y * inY) / inLength, alongOut = (x * outX + y * outY) / outLength;
  const long double deepIn = inward * (y * inX - x * inY) / inLength;
  const long double deepOut = inward * (y * outX - x * outY) / outLength;
  return alongIn >= -slack && alongOut <= slack && deepIn <= d + slack && deepOut <= d + slack;
}

}  // namespace

bool InShrunkCorner(const std::vector<Ring>& input, long double d, long double sampleX, long double sampleY) {
  for (const Ring& ring : input) {
    long double twiceArea = 0;
    for (size_t i = 0; i < ring.size(); ++i) {
      const Point& a = ring[i];
      const Point& b = ring[(i + 1) % ring.size()];
      twiceArea += (long double)a.x * b.y - (long double)b.x * a.y;
    }
    // The inside of the ring lies on the left of its edges when it runs counter-clockwise.
    const long double inward = twiceArea > 0 ? 1 : -1;
    // A ring that passes a point twice (a keyhole's slit meets its hole there) makes corners of
    // every edge that enters the point with every edge that leaves it: the region's corner at
    // the hole pairs the hole's last edge with its first, which the ring never runs in a row.
    std::map<std::pair<int32_t, int32_t>, std::vector<size_t>> visits;
    for (size_t i = 0; i < ring.size(); ++i) visits[{ring[i].x, ring[i].y}].push_back(i);
    for (const auto& [place, at] : visits) {
      const Point& v = ring[at[0]];
      const long double x = sampleX - v.x, y = sampleY - v.y;
      for (size_t entering : at) {
        const Point& p = ring[(entering + ring.size() - 1) % ring.size()];
        for (size_t leaving : at) {
          if (InCornerAllowance(p, v, ring[(leaving + 1) % ring.size()], inward, d, x, y)) return true;
        }
      }
    }
  }
  return false;
}

std::string OracleFailure(const EditCase& edit, const std::vector<Ring>& result) {
  const std::string problem = RingsProblem(result);
  if (!problem.empty()) return "result not simple: " + problem;
  const std::vector<Edge> operandA = OutlineEdges(edit.input);
  if (edit.op == EditOp::kSize) return SizingFailure(edit, EdgeGrid(operandA), result);
  std::vector<Edge> all = operandA;
  if (edit.op == EditOp::kSubtract) {
    const Box& r = edit.area;
    const Point corners[4] = {{r.x1, r.y1}, {r.x2, r.y1}, {r.x2, r.y2}, {r.x1, r.y2}};
    for (int i = 0; i < 4; ++i) all.push_back({corners[i], corners[(i + 1) % 4]});
  }
  return BooleanFailure(edit, EdgeGrid(std::move(all)), operandA, result);
}

}  // namespace differential
