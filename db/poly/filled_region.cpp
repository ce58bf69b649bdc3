#include "db/poly/ring_set.h"

namespace {

__int128 TwiceArea(const RingSet& one) {
  __int128 sum = 0;
  const RingVertex* v = one.Head();
  do {
    sum += __int128(v->x) * v->ringNext->y - __int128(v->ringNext->x) * v->y;
    v = v->ringNext;
  } while (v != one.Head());
  return sum;
}

// A triangle, or a rectangle along the axes, cannot cross itself: it is its own filling, turned
// counter-clockwise, and needs no sweep (layers are mostly rectangles).
bool FillSimpleRing(RingSet& one, RingSet& filled) {
  const uint32_t n = one.VertexCount();
  if (n != 3 && !(n == 4 && IsManhattanRing(one.Head()))) return false;
  const __int128 twiceArea = TwiceArea(one);
  if (twiceArea < 0) one.NormalizeOrientation();
  if (twiceArea != 0) filled.Append(one);
  return true;
}

}  // namespace

// Each ring on its own under the non-zero rule, as a GDSII or OASIS reader fills a polygon, so
// that lobes wound against the ring as a whole count too; a clockwise ring that lies inside
// another ring is a shape of its own, not a hole. Several rings are then united.
void RingSet::FilledRegion(RingSet& out) {
  RingSet filled;
  RingSet one;
  int rings = 0;
  ClearVertexFlags(kVertexVisited);
  for (RingVertex* start = head_; start; start = NextUnflagged(start)) {
    one.Clear();
    CopyRingInto(one, start);
    one.SetRingCount(1);
    if (!FillSimpleRing(one, filled)) one.Boolean(&filled, kBooleanMergeNonZero, false);
    ++rings;
  }
  ClearVertexFlags(kVertexVisited);
  if (rings > 1) {
    filled.Boolean(&out, kBooleanMerge, false);
  } else {
    out.Append(filled);
  }
  out.CountRings();
}
