#include "db/poly/boolean.h"

#include "db/error.h"
#include "db/log.h"

namespace {

// Rounding a crossing moves pieces by less than a unit, so new crossings stay local and a few
// passes settle any real input.
constexpr int kMaxPasses = 64;

// Clears the working bits when the operation starts and however it ends.
class WorkingBitsGuard {
 public:
  explicit WorkingBitsGuard(RingSet& set) : set_(set) { set_.ClearVertexFlags(kBooleanWorkingBits); }
  ~WorkingBitsGuard() { set_.ClearVertexFlags(kBooleanWorkingBits); }
  WorkingBitsGuard(const WorkingBitsGuard&) = delete;
  WorkingBitsGuard& operator=(const WorkingBitsGuard&) = delete;

 private:
  RingSet& set_;
};

void BooleanResult(RingSet& set, RingSet* out, int op, bool keepPieces) {
  SweepGeometry geometry = BuildSweepGeometry(set);
  RingSet pieces;
  const std::vector<RingVertex*> noHoles;
  std::optional<SweepPass> pass;
  SweepUntilClean(pass, geometry, SweepMode::kResult, op, noHoles, &pieces);
  if (!out) return;
  // The pieces come from the sweep in the order that joining them needs.
  if (!keepPieces && !pieces.IsEmpty()) {
    ReconnectRings(pieces);
    pieces.CountRings();
    pieces.RemoveCollinearVertices(0);
  }
  out->Append(pieces);
}

void SplitCrossings(RingSet& set) {
  SweepGeometry geometry = BuildSweepGeometry(set);
  const std::vector<RingVertex*> noHoles;
  std::optional<SweepPass> pass;
  SweepUntilClean(pass, geometry, SweepMode::kSplit, kBooleanSplitCrossings, noHoles, nullptr);
  ApplySplits(geometry, pass->Splits());
  WriteBackSplits(set, geometry);
}

// Whether the pieces that a clean pass moves onto its rounded cut tops cross anything: a pass
// over the geometry split as that pass would have it tells. The splits include every point
// where pieces met, so any crossing that pass meets is new.
bool RoundedCutsCross(SweepPass& pass, const SweepGeometry& geometry, const std::vector<RingVertex*>& holes) {
  SweepGeometry moved = geometry;
  std::vector<SweepSplit> splits = pass.Splits();
  ApplySplits(moved, splits);
  SweepPass check(moved, SweepMode::kCutHoles, kBooleanCutHoles, holes);
  check.Run(nullptr);
  return check.MetCrossing();
}

}  // namespace

void SweepUntilClean(std::optional<SweepPass>& pass, SweepGeometry& geometry, SweepMode mode, int op,
                     const std::vector<RingVertex*>& holes, RingSet* pieces) {
  for (int round = 0; round < kMaxPasses; ++round) {
    if (pieces) pieces->Clear();
    pass.emplace(geometry, mode, op, holes);
    pass->Run(pieces);
    if (!pass->Dirty()) {
      if (pass->RoundedCutSplits().empty() || !RoundedCutsCross(*pass, geometry, holes)) return;
      // A piece moved onto a rounded top crosses a piece that passes close to the top, as the
      // two sides of a sliver thinner than a unit do: draw every piece that passes within half
      // a unit of each top into it, so that such pieces keep their order, and cut again.
      std::vector<SweepSplit> tops = pass->RoundedCutSplits();
      AddHotPixelSplits(geometry, tops);
      ApplySplits(geometry, tops);
      continue;
    }
    // Every piece near each split point is drawn into it (one pass over the pieces, each checked
    // against the split points in the grid cells along its way). A dense cloud of crossings, as
    // sizing by far more than a polygon's width gives, puts many split points near every piece:
    // in the first pass those are left to the passes that follow, which meet far fewer. More
    // than 256 split points a piece, or more than a few dozen looks a piece and a split point,
    // make such a cloud.
    const size_t segs = geometry.segs.size(), splits = pass->Splits().size();
    if (round > 0) {
      AddHotPixelSplits(geometry, pass->Splits());
    } else if (splits <= 256 * segs) {
      AddHotPixelSplits(geometry, pass->Splits(), 64 * segs + 32 * splits);
    }
    ApplySplits(geometry, pass->Splits());
  }
  LogMessage("Program Error: crossings do not settle after %d passes\n", kMaxPasses);
  throw Error(kTagDrc, "Wrong segment ordering");
}

void RingSet::Boolean(RingSet* out, int op, bool keepPieces) {
  WorkingBitsGuard guard(*this);
  switch (op) {
    case kBooleanMerge:
    case kBooleanMergeNonZero:
    case kBooleanIntersect:
    case kBooleanSubtract: BooleanResult(*this, out, op, keepPieces); break;
    case kBooleanCutHoles: CutHoles(*this); break;
    case kBooleanSplitCrossings: SplitCrossings(*this); break;
    default: throw Error(kTagDb, "Unknown boolean operation");
  }
}
