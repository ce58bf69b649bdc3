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

}  // namespace

void SweepUntilClean(std::optional<SweepPass>& pass, SweepGeometry& geometry, SweepMode mode, int op,
                     const std::vector<RingVertex*>& holes, RingSet* pieces) {
  for (int round = 0; round < kMaxPasses; ++round) {
    if (pieces) pieces->Clear();
    pass.emplace(geometry, mode, op, holes);
    pass->Run(pieces);
    if (!pass->Dirty()) return;
    // Every piece near each split point is drawn into it (one pass over the pieces, each checked
    // against the split points in the grid cells along its way).
    AddHotPixelSplits(geometry, pass->Splits());
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
