#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "db/poly/boolean_predicates.h"
#include "db/poly/boolean_sweep.h"
#include "db/poly/ring_set.h"

// Vertex bits that the polygon engine's passes may use (0x0002 to 0x0010, 0x2000, and the
// visited bit). The boolean operation clears them on entry and on every exit, so that bits left
// by an aborted run or by another pass are never misread; operand B stays.
constexpr uint16_t kBooleanWorkingBits = 0x2000 | 0x0010 | 0x0008 | 0x0004 | 0x0002 | kVertexVisited;

// Collects into target the leftmost vertex (ties: larger y) of every clockwise ring of set, a
// ring being clockwise when its signed area is negative; returns how many.
int FlagClockwiseRings(RingSet& set, std::vector<RingVertex*>& target);

// Joins the 2-vertex pieces of set, sorted by x, then y, then starts before ends, into closed
// rings. Where several pieces meet at one point, the arriving and leaving edges are paired by
// angle so that rings touching there stay apart. Throws Error("Polygon connection failed",
// "DRC") after logging a "Program Error: " line when the pieces do not close.
void ReconnectRings(RingSet& set);

// One edge at a point: it leaves the point in `direction`, or arrives from there.
struct EdgeAtPoint {
  Direction direction;
  bool leaving;
  uint32_t owner;
};

// Pairs each arriving edge with a leaving one so that no two pairs cross at the point and each
// pair, taken as a turn of a ring with its interior on the left, bounds a sector free of other
// edges: in counter-clockwise order a leaving edge opens and an arriving edge closes, as
// brackets. Appends (arriving owner, leaving owner) to pairs; false when the counts differ.
bool PairEdgesAtPoint(std::vector<EdgeAtPoint>& edges, std::vector<std::pair<uint32_t, uint32_t>>& pairs);

// Two turns of rings at one point (a vertex with its arriving and leaving edge each) may swap
// successors when the two turns that result do not cross; repeated directions never qualify.
bool CanSwapSuccessors(const RingVertex* a, const RingVertex* b);

// Sweeps geometry until a pass meets no crossing off the grid, splitting the geometry at the
// rounded crossings between passes; pass then holds the clean pass. In kCutHoles mode a clean
// pass whose rounded cut tops move pieces across others does not count: the pieces passing
// near those tops are split at them and the geometry is swept again. Gives up with
// Error(kTagDrc, "Wrong segment ordering") when the rounding does not settle.
void SweepUntilClean(std::optional<SweepPass>& pass, SweepGeometry& geometry, SweepMode mode, int op,
                     const std::vector<RingVertex*>& holes, RingSet* pieces);

// Op 25 on set: joins every clockwise ring to the geometry above it by a vertical double edge.
void CutHoles(RingSet& set);
