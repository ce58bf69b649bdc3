#pragma once

#include <cstdint>
#include <vector>

#include "db/box.h"
#include "db/poly/segment_crossing.h"
#include "db/segment.h"

class RingSet;

// A path as the readers and the Create Path command describe it: a centre line, a full width
// and an end style. Path type 0 has flush ends, type 3 ends lengthened by the two extensions,
// any other type ends lengthened by half the width.
struct PathShape {
  std::vector<Point> points;
  int16_t pathType = 0;
  int32_t width = 0;
  int32_t beginExtension = 0;
  int32_t endExtension = 0;
};

// Appends the outline of the path as one closed ring of 2n vertices (n distinct centre-line
// points), pushed at the front of rings and linked in outline order: the right-hand side
// forwards, then the left-hand side backwards, so that a path starting left to right runs
// counter-clockwise. The half width is |width| >> 1; corners are mitred. Repeated consecutive
// points count once; with fewer than two distinct points nothing is appended and the result is
// false. The ring count is the caller's.
bool PathToPolygon(const PathShape& path, RingSet& rings);

// Whether the outline of the path stays within the 32-bit range, where PathToPolygon would
// otherwise cut corners at the limits: every centre-line point lies more than the half width
// plus the larger extension inside the range on both axes.
bool PathOutlineFits(const PathShape& path);

// True, with the box, when the outline PathToPolygon makes is a rectangle of nonzero width and
// height: a path of two distinct points on a line parallel to an axis whose outline does not
// collapse. Needs no ring set.
bool PathRectangle(const PathShape& path, Box& rectangle);

// The line moved sideways by d to its right-hand side (y up): exact on the axes (a line of no
// direction counts as pointing down), otherwise by (round(dy * d / L), -round(dx * d / L)), each
// rounded half away from zero.
DirectedLine OffsetLine(const DirectedLine& line, int64_t d);

// OffsetLine for a segment; coordinates saturate at the 32-bit range.
Segment OffsetSegment(const Segment& segment, int32_t d);

// The end replaced by the start plus the direction turned by -90 degrees.
Segment RotateSegmentClockwise(const Segment& segment);

// The outline corner on the right-hand side at the start of p1->p2: p1 moved back along the
// segment by extension and to the right by side. Saturates at the 32-bit range.
Point StartCorner(const Point& p1, const Point& p2, int32_t side, int32_t extension);

// The outline corner on the right-hand side at the end of p1->p2: p2 moved forward by extension
// and to the right by side.
Point EndCorner(const Point& p1, const Point& p2, int32_t side, int32_t extension);

// The mitre vertex of p0->p1->p2 on the right-hand side: the crossing of the two edges, each
// moved to the right by side. False when the edges are parallel or the crossing does not fit
// 32 bits.
bool JoinCorner(const Point& p0, const Point& p1, const Point& p2, int32_t side, Point& out);
