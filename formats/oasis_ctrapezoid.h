#pragma once

#include <cstdint>

#include "formats/oasis_file.h"

// The corners of CTRAPEZOID type 0 to 25 with width w and height h, relative to the element's
// position, counter-clockwise from the lower left. Types 16 to 19 and 25 take the height from
// the width (h = w), 20 and 21 the width from the height (w = 2h), 22 and 23 the height from the
// width (h = 2w). Returns the number of corners (3 or 4); Error "Invalid ctrapezoid type"
// ("OASISIN") above 25.
int CTrapezoidCorners(uint64_t type, int64_t w, int64_t h, OasisDelta corners[4]);

// Whether the type's height (or, for 20 and 21, its width) is derived from the other size.
bool CTrapezoidNeedsWidth(uint64_t type);
bool CTrapezoidNeedsHeight(uint64_t type);
