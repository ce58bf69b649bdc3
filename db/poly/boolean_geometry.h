#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "db/poly/boolean_predicates.h"
#include "db/poly/ring_set.h"

// A straight piece of a ring edge, in ring direction (a to b, never of zero length).
struct SweepSeg {
  Point a;
  Point b;
  uint32_t source;  // index of the ring edge in SweepGeometry::sources
  uint32_t ring;    // index in SweepGeometry::rings

  bool Forward() const { return SweepLess(a, b); }
  const Point& Lo() const { return Forward() ? a : b; }
  const Point& Hi() const { return Forward() ? b : a; }
};

struct SweepRing {
  uint32_t firstSeg;
  uint32_t endSeg;
  bool operandB;
};

// The rings of a set as closed paths of pieces: each ring's pieces are consecutive and in ring
// order, so that each piece starts where the one before it ends.
struct SweepGeometry {
  std::vector<SweepSeg> segs;
  std::vector<SweepRing> rings;
  // Start vertex of each ring edge that has pieces; the edge runs to its ringNext.
  std::vector<RingVertex*> sources;
};

// A point at which a piece is to be split: on the piece, or near it when a crossing was rounded.
struct SweepSplit {
  uint32_t seg;
  Point at;
};

// Pieces of every ring of set; edges of zero length are left out.
SweepGeometry BuildSweepGeometry(RingSet& set);

// Adds a split of every piece that passes within half a unit on both axes of a split point, at
// that point, so that pieces passing near a rounded crossing are drawn into it: rounding then
// cannot move a crossing piece past them, which would turn a thin tip between them inside out,
// nor leave them crossing again one unit further on, over and over. Gives up, adding nothing,
// once it has looked at more than budget points near pieces.
void AddHotPixelSplits(const SweepGeometry& geometry, std::vector<SweepSplit>& splits, size_t budget = SIZE_MAX);

// Replaces each piece by the path through its split points, ordered along the piece; pieces of
// zero length that result are dropped. splits is consumed.
void ApplySplits(SweepGeometry& geometry, std::vector<SweepSplit>& splits);

// Puts into set every point at which the geometry's pieces divide a ring edge, as new vertices
// on that edge in ring order (they keep the operand flag of the edge's start).
void WriteBackSplits(RingSet& set, const SweepGeometry& geometry);
