#pragma once

// The oracle of the differential test, which needs no peer: what the result of an edit must
// satisfy whatever its corners look like.
//   Sizing by -d: every result edge lies at least d - 2.2 from the input's outline and inside it;
//     every point at least d + 2.2 inside the input lies in the result, but where the moved edges
//     meet at a concave corner (InShrunkCorner).
//   Sizing by +d: every result edge lies at least d - 2.2 from the outline and outside the input;
//     every point of the input or within d - 2.2 of it lies in the result, and no point further
//     than d * sqrt(2) + 1 from it (the farthest a mitre or a square corner reaches).
//   Merge and subtract: every result vertex lies within 1.5 units of an input edge (crossings
//     are rounded to the grid, at most twice); points two units or more from every input edge
//     lie in the result exactly when the operation's rule puts them there.
//   Every result: simple, clean, counter-clockwise rings, winding once about their inside.
// Points are sampled (seeded) across the input's box and about its vertices.

#include <string>
#include <vector>

#include "tests/differential/polygon_cases.h"

namespace differential {

// The first rule the result breaks, with a place; empty when it keeps every rule.
std::string OracleFailure(const EditCase& edit, const std::vector<Ring>& result);

// Whether shrinking the input by d may take the point (x, y) although it lies deeper than d inside:
// it lies within the mitre of the inward-moved edges at a concave corner of a turn of up to 90
// degrees, or within the axis-parallel square of half-side d about a sharper concave corner
// (each with the sizing slack).
bool InShrunkCorner(const std::vector<Ring>& input, long double d, long double x, long double y);

}  // namespace differential
