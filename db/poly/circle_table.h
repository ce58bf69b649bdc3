#pragma once

#include <cstdint>
#include <vector>

#include "db/box.h"

class RingSet;

// The point table from which circles, arcs, rings and annular sectors are built. Point 0 lies at
// angle 0 from the centre; the others follow counter-clockwise.
struct CircleTable {
  int32_t cx = 0;
  int32_t cy = 0;
  int32_t radius = 0;
  // The number of points; PolygonizeArc normalises it to 3 * 2^k or 4 * 2^k (at least 3).
  int32_t count = 0;
  std::vector<Point> points;
};

// The largest point count of a table: a polygon record holds at most this many vertices.
constexpr int32_t kMaxCirclePoints = 0x3ffff;

// Normalises the count and fills the points. A normalised count above kMaxCirclePoints gives
// Error(kTagDb, "Number of points exceeded limit"); a circle whose box leaves the 32-bit range
// gives Error too.
void PolygonizeArc(CircleTable& table);

// Pushes at the tail of rings one closed ring: from point start counter-clockwise to point end,
// closed through the centre (a pie slice). Both indices are taken modulo the count, negative
// ones too; when they coincide (0 to count, say) the ring is the whole circle without the
// centre. The ring count is the caller's.
void AppendArcVertices(RingSet& rings, const CircleTable& table, int32_t start, int32_t end);

// Pushes at the tail of rings the annular sector between the two circles from start to end:
// outer points forwards, inner points backwards. Indices as for AppendArcVertices; when they
// coincide the ring is the whole annulus, its two circles joined by a double edge at start.
// Both tables have the same count.
void AppendArcRingVertices(RingSet& rings, const CircleTable& outer, const CircleTable& inner, int32_t start,
                           int32_t end);
