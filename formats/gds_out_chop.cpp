#include <algorithm>
#include <cstdio>

#include "db/error.h"
#include "db/log.h"
#include "formats/gds_out.h"

namespace {
// Strip widths are multiples of this many database units (100 × a grid of 1).
constexpr int32_t kChopGrid = 100;
// Halving rounds before the chopper gives up on strips alone.
constexpr int kMaxRounds = 40;

int32_t RoundUpToGrid(int64_t s) {
  if (s < kChopGrid) return kChopGrid;
  int64_t rest = s % kChopGrid;
  return int32_t(rest == 0 ? s : s - rest + kChopGrid);
}

// Cuts every ring of rings that has more than max vertices once more, each on its own across
// its own long side, into just enough strips; the other rings stay as they are.
void CutLargeRingsAcross(RingSet& rings, RingSet& work, uint32_t max) {
  RingSet keep;
  for (RingVertex* start = rings.Head(); start; start = NextUnflagged(start)) {
    uint32_t n = CountRingVertices(start);
    RingSet& target = n > max ? work : keep;
    CopyRingInto(target, start);
    if (n <= max) continue;
    Box box = work.GetBoundingBox();
    int64_t extent = std::max<int64_t>(int64_t(box.x2) - box.x1, int64_t(box.y2) - box.y1);
    int64_t strip = std::max<int64_t>(1, extent / (n / max + 1));
    RingSet pieces;
    work.SetRingCount(1);
    work.SplitAt(pieces, int32_t(std::min<int64_t>(strip, INT32_MAX)));
    work.Clear();
    keep.Append(pieces);
  }
  rings.Clear();
  rings.Append(keep);
  rings.Boolean(nullptr, kBooleanCutHoles, false);
}
}  // namespace

void GdsOut::ChopRings(RingSet& rings, uint32_t n) {
  LogMessage("Found %u vertice polygon, chopping...", n);
  // Strips cut from the filled region keep every lobe of a ring that crosses itself.
  work_.Clear();
  rings.FilledRegion(work_);
  rings.Clear();
  rings.Append(work_);
  Box box = rings.GetBoundingBox();
  int64_t longSide = std::max<int64_t>(int64_t(box.x2) - box.x1, int64_t(box.y2) - box.y1);
  int32_t s = RoundUpToGrid(longSide / (n / uint32_t(kMaxVertices) + 1));
  uint32_t largest = n;
  for (int round = 0; round < kMaxRounds && largest > uint32_t(kMaxVertices); ++round) {
    LogMessage("iterating w/ %d\n", s);
    work_.Clear();
    work_.Append(rings);
    work_.SplitAt(rings, s);
    work_.Clear();
    rings.Boolean(nullptr, kBooleanCutHoles, false);
    largest = rings.CountRings();
    if (s == kChopGrid) break;
    s = RoundUpToGrid(s / 2);
  }
  if (largest > uint32_t(kMaxVertices)) {
    work_.Clear();
    CutLargeRingsAcross(rings, work_, uint32_t(kMaxVertices));
    work_.Clear();
    largest = rings.CountRings();
  }
  if (largest > uint32_t(kMaxVertices)) {
    char message[64];
    std::snprintf(message, sizeof message, "Cannot chop polygon of %u vertices", n);
    throw Error(kTagGdsOut, message);
  }
  LogMessage("  to max %u vertices\n", largest);
}
