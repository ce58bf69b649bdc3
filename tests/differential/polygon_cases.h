#pragma once

// Seeded random inputs for the differential test of the polygon edit operations: polygons of
// many kinds and sizes, and the operations to run on them.

#include <cstdint>
#include <string>
#include <vector>

#include "db/box.h"

namespace differential {

using Ring = std::vector<Point>;

enum class PolygonKind {
  kConvex,         // all-angle convex
  kStar,           // all-angle, not convex
  kSpikes,         // a star with a few long thin spikes
  kNearCollinear,  // a star whose edges carry vertices at most one unit off the line
  kManhattan,      // a skyline of columns, some only a few units wide
  kOctilinear,     // a skyline with corners cut at 45 degrees
  kKeyhole,        // a convex outline with a convex hole, joined by a double edge
  kSelfTouching,   // two convex lobes of one ring that meet at one vertex
};
const char* KindName(PolygonKind kind);

enum class EditOp { kSize, kMerge, kSubtract };
const char* OpName(EditOp op);

// One run of one operation. Rings are counter-clockwise, y up.
struct EditCase {
  uint64_t seed = 0;
  PolygonKind kind = PolygonKind::kConvex;
  EditOp op = EditOp::kSize;
  std::vector<Ring> input;
  // The sizing amount in database units (kSize).
  int32_t amount = 0;
  // The rectangle cut out (kSubtract).
  Box area;
};

// The cases of one seed: the seed's polygon sized by two amounts (from 1 to beyond its width),
// each grown and shrunk; a few polygons of the seed merged; the seed's polygon less a rectangle.
// maxVertices bounds the vertices of one polygon (at least 3). The same seed gives the same
// cases on every machine.
std::vector<EditCase> CasesOfSeed(uint64_t seed, uint32_t maxVertices);

}  // namespace differential
