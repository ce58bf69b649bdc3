#pragma once

// Geometry of the differential test's oracle, written apart from the polygon engine: edges,
// winding numbers, distances and a test that rings are simple, in exact integer or long double
// arithmetic.

#include <cstdint>
#include <string>
#include <vector>

#include "tests/differential/polygon_cases.h"

namespace differential {

struct Edge {
  Point a, b;
};

// The edges of the rings without the stretches that the rings run along in both directions (the
// double edges of keyholes and of cut-open holes): what remains separates inside from outside.
std::vector<Edge> OutlineEdges(const std::vector<Ring>& rings);

// Edges bucketed in a grid of about one cell per edge, for queries near a point or a box.
class EdgeGrid {
 public:
  explicit EdgeGrid(std::vector<Edge> edges);
  const std::vector<Edge>& Edges() const { return edges_; }
  // The indexes of the edges whose boxes may meet the box, each once.
  std::vector<uint32_t> Near(double x1, double y1, double x2, double y2) const;
  // The smallest distance from the point to any edge, searching out to limit; limit when none
  // is nearer.
  long double DistanceTo(long double px, long double py, long double limit) const;
  // Every pair of edges that share a cell, handed to visit(i, j); a pair that shares several
  // cells comes once for each.
  template <typename Visit>
  void ForEachClosePair(Visit visit) const;

 private:
  int64_t CellOf(double v, bool yAxis) const;
  std::vector<Edge> edges_;
  double x0_ = 0, y0_ = 0, cellSize_ = 1;
  int64_t columns_ = 1, rows_ = 1;
  std::vector<std::vector<uint32_t>> cells_;
  mutable std::vector<uint32_t> stamp_;
  mutable uint32_t query_ = 0;
};

long double DistanceToEdge(long double px, long double py, const Edge& e);
long double DistanceBetweenEdges(const Edge& e, const Edge& f);

// The winding number of the edges about a point that lies on none of them.
int Winding(const std::vector<Edge>& edges, long double px, long double py);

// The first reason why the rings are not simple and clean: an edge of length 0, an edge that
// folds back on its predecessor, two edges that cross or overlap (except a double edge run in
// opposite directions, a cut), a ring that does not run counter-clockwise. Touching is allowed.
// Empty when there is none.
std::string RingsProblem(const std::vector<Ring>& rings);
// The same tests of one ring, orientation aside.
bool IsSimpleRing(const Ring& ring);

template <typename Visit>
void EdgeGrid::ForEachClosePair(Visit visit) const {
  for (const std::vector<uint32_t>& cell : cells_) {
    for (size_t i = 0; i < cell.size(); ++i) {
      for (size_t j = 0; j < i; ++j) visit(cell[j], cell[i]);
    }
  }
}

}  // namespace differential
