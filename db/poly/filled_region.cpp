#include "db/poly/ring_set.h"

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
    one.Boolean(&filled, kBooleanMergeNonZero, false);
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
