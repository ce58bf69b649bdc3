#pragma once

// Helpers of the polygon engine tests: building ring sets, reading them back, and an oracle
// that needs nothing of the engine: winding numbers of the input rings at sample points.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "db/poly/ring_set.h"
#include "tests/db/poly/ring_test_util.h"

namespace boolean_test {

using Ring = ringtest::Ring;
using ringtest::ExtractRings;

struct Operand {
  Ring ring;
  bool operandB = false;
};

inline void AddRing(RingSet& set, const Ring& ring, bool operandB = false) {
  RingVertex* first = nullptr;
  RingVertex* last = nullptr;
  for (const Point& p : ring) {
    RingVertex* v = AppendRingVertex(set, p, first, last);
    if (operandB) v->flags |= kVertexOperandB;
  }
  Link(last, first);
  set.SetRingCount(set.RingCount() + 1);
}

inline void AddAll(RingSet& set, const std::vector<Operand>& rings) {
  for (const Operand& r : rings) AddRing(set, r.ring, r.operandB);
}

inline double TwiceArea(const Ring& ring) {
  long double s = 0;
  for (size_t i = 0; i < ring.size(); ++i) {
    const Point& a = ring[i];
    const Point& b = ring[(i + 1) % ring.size()];
    s += (static_cast<long double>(a.y) + b.y) * (static_cast<long double>(a.x) - b.x);
  }
  return double(s);
}

inline double Area(const std::vector<Ring>& rings) {
  double s = 0;
  for (const Ring& r : rings) s += TwiceArea(r);
  return s / 2;
}

inline double Perimeter(const std::vector<Ring>& rings) {
  double s = 0;
  for (const Ring& r : rings) {
    for (size_t i = 0; i < r.size(); ++i) {
      const Point& a = r[i];
      const Point& b = r[(i + 1) % r.size()];
      s += std::hypot(double(b.x) - a.x, double(b.y) - a.y);
    }
  }
  return s;
}

// Winding number of ring about (px, py) / scale; the point must lie on no edge.
inline int Winding(const Ring& ring, int64_t px, int64_t py, int64_t scale) {
  int w = 0;
  for (size_t i = 0; i < ring.size(); ++i) {
    int64_t ax = ring[i].x * scale, ay = ring[i].y * scale;
    const Point& n = ring[(i + 1) % ring.size()];
    int64_t bx = n.x * scale, by = n.y * scale;
    __int128 left = __int128(bx - ax) * (py - ay) - __int128(by - ay) * (px - ax);
    if (ay <= py) {
      if (by > py && left > 0) ++w;
    } else if (by <= py && left < 0) {
      --w;
    }
  }
  return w;
}

inline bool InsideFor(int op, int windA, int windB) {
  switch (op) {
    case kBooleanIntersect: return windA >= 1 && windB >= 1;
    case kBooleanSubtract: return windA >= 1 && windB == 0;
    case kBooleanMergeNonZero: return windA != 0;
    default: return windA >= 1;
  }
}

// Every sample point (x + fx / scale, y + fy / scale) with x, y in [lo, hi): the result winds
// once about the points inside by the operation's rule and not at all about the others.
inline void ExpectMatchesOracle(const std::vector<Operand>& input, int op, const std::vector<Ring>& result, int lo,
                                int hi, int64_t scale, int64_t fx, int64_t fy) {
  int mismatches = 0;
  for (int64_t x = lo; x < hi; ++x) {
    for (int64_t y = lo; y < hi; ++y) {
      int64_t px = x * scale + fx, py = y * scale + fy;
      int windA = 0, windB = 0, got = 0;
      for (const Operand& r : input) (r.operandB ? windB : windA) += Winding(r.ring, px, py, scale);
      for (const Ring& r : result) got += Winding(r, px, py, scale);
      int want = InsideFor(op, windA, windB) ? 1 : 0;
      if (got != want && ++mismatches <= 3) {
        ADD_FAILURE() << "at (" << px << ", " << py << ")/" << scale << " winding " << got << ", want " << want;
      }
    }
  }
}

inline __int128 Turn(const Point& a, const Point& b, const Point& c) {
  return __int128(int64_t(b.x) - a.x) * (int64_t(c.y) - a.y) - __int128(int64_t(b.y) - a.y) * (int64_t(c.x) - a.x);
}

// Result rings are clean: at least three vertices, no repeated or collinear neighbours, no two
// edges crossing properly and (unless overlaps are allowed, as for cut double edges) no two
// edges overlapping along a line.
inline void ExpectClean(const std::vector<Ring>& rings, bool allowOverlaps = false) {
  struct Edge {
    Point a, b;
  };
  std::vector<Edge> edges;
  for (const Ring& r : rings) {
    ASSERT_GE(r.size(), 3u);
    for (size_t i = 0; i < r.size(); ++i) {
      const Point& p = r[(i + r.size() - 1) % r.size()];
      const Point& v = r[i];
      const Point& n = r[(i + 1) % r.size()];
      EXPECT_NE(Turn(p, v, n), 0) << "collinear vertex (" << v.x << ", " << v.y << ")";
      edges.push_back(Edge{v, n});
    }
  }
  for (size_t i = 0; i < edges.size(); ++i) {
    for (size_t j = 0; j < i; ++j) {
      const Edge& e = edges[i];
      const Edge& f = edges[j];
      __int128 o1 = Turn(e.a, e.b, f.a), o2 = Turn(e.a, e.b, f.b);
      __int128 o3 = Turn(f.a, f.b, e.a), o4 = Turn(f.a, f.b, e.b);
      bool proper = ((o1 > 0 && o2 < 0) || (o1 < 0 && o2 > 0)) && ((o3 > 0 && o4 < 0) || (o3 < 0 && o4 > 0));
      EXPECT_FALSE(proper) << "crossing edges at (" << e.a.x << ", " << e.a.y << ") and (" << f.a.x << ", " << f.a.y
                           << ")";
      if (allowOverlaps || o1 != 0 || o2 != 0) continue;
      // Collinear: the edges may share at most one point.
      auto along = [&e](const Point& p) {
        return (int64_t(p.x) - e.a.x) * (int64_t(e.b.x) - e.a.x) + (int64_t(p.y) - e.a.y) * (int64_t(e.b.y) - e.a.y);
      };
      int64_t len = along(e.b), s = along(f.a), t = along(f.b);
      EXPECT_FALSE(std::max(std::min(s, t), int64_t(0)) < std::min(std::max(s, t), len))
          << "overlapping edges at (" << e.a.x << ", " << e.a.y << ")";
    }
  }
}

// Each ring rotated to start at its smallest vertex, the rings sorted: equal for sets that
// differ only in ring rotation and order.
inline std::vector<Ring> Canonical(std::vector<Ring> rings) {
  for (Ring& r : rings) {
    auto least = std::min_element(
        r.begin(), r.end(), [](const Point& a, const Point& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
    std::rotate(r.begin(), least, r.end());
  }
  auto key = [](const Ring& r) {
    std::vector<int64_t> k;
    for (const Point& p : r) k.push_back((int64_t(p.x) << 32) ^ uint32_t(p.y));
    return k;
  };
  std::sort(rings.begin(), rings.end(), [&key](const Ring& a, const Ring& b) { return key(a) < key(b); });
  return rings;
}

inline std::vector<Ring> RunOp(const std::vector<Operand>& input, int op) {
  RingSet set;
  AddAll(set, input);
  RingSet out;
  set.Boolean(&out, op, false);
  std::vector<Ring> rings = ExtractRings(out);
  EXPECT_EQ(out.RingCount(), int32_t(rings.size()));
  return rings;
}

}  // namespace boolean_test
