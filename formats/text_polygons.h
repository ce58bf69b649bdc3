#pragma once

#include <cstdint>
#include <string>

class RingSet;

// The text polygon file (".poly"): closed rings with integer coordinates in database units.
// Each ring is a line with its vertex count n, then n lines "x\ty"; the first vertex is not
// repeated. Numbers are written and read in the classic locale, whatever the process locale.

struct TextPolygonCounts {
  int32_t rings = 0;
  int64_t vertices = 0;
};

// Writes every ring of rings with at least 3 vertices, each once, from the vertex where the
// chain first reaches it; appends to name with append, else creates or truncates it. Returns
// what was written. A file that cannot be opened is logged ("Error: Output file %s could not be
// opened !") and, like a failed write or close, throws Error(kTagPolyOut, "Cannot open file %s!" or "Cannot
// write file %s"). The visited flag (bit 0) of every vertex is left clear.
TextPolygonCounts WriteTextPolygons(RingSet& rings, const std::string& name, bool append);

// Appends the rings of file name to rings, counting them in its ring count; with flag every
// vertex read carries kVertexOperandB (0x4000). Any whitespace separates the numbers. A header
// of 0 is a rectangle given by two corners. Rings of fewer than 3 vertices are read and
// dropped. At the first number that cannot be read (text, a value beyond 32 bits, the end of
// the file inside a ring) reading stops, the ring begun is dropped and "Malformed polygon file
// at ring %d" is logged; everything before stays. False only when the file cannot be opened.
bool ReadTextPolygons(RingSet& rings, const std::string& name, bool flag);
