#pragma once

#include <cstdint>

#include "db/box.h"
#include "db/segment.h"

// Squared distance from (px, py) to the segment: to the foot of the perpendicular when the foot
// lies within the segment's bounding box, otherwise to the nearer end point. A segment of no
// length measures to its one point.
double SquaredDistanceToSegment(const Segment& segment, int32_t px, int32_t py);

// The box test with a tolerance of kUnitEpsilon on every side.
bool BoxContainsPointEps(const Box& box, double x, double y);

// The point at distance r from the segment's start towards its end: exact on the axes, moving
// each coordinate by round(r / sqrt 2) on a 45-degree diagonal, otherwise start + r * direction
// / length; roundings go half away from zero and results saturate at the 32-bit range. A
// segment of no length gives its start point.
Point PointAlong(const Segment& segment, int32_t r);

// PointAlong from `from` in the direction (dx, dy), which may be longer than 32 bits allow.
Point PointTowards(const Point& from, int64_t dx, int64_t dy, int64_t r);

// The point at distance d beyond the end (atEnd) or, moving backwards, beyond the start, with
// the roundings of PointAlong.
Point ExtendSegment(const Segment& segment, int32_t d, bool atEnd);
