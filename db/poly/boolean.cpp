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
  // The geometry before the rounded cut tops of a clean pass went in, and those splits: kept
  // until a pass shows whether moving the pieces onto the tops made them cross anything.
  std::optional<SweepGeometry> beforeRoundedCuts;
  std::vector<SweepSplit> roundedCuts;
  for (int round = 0; round < kMaxPasses; ++round) {
    if (pieces) pieces->Clear();
    pass.emplace(geometry, mode, op, holes);
    pass->Run(pieces);
    if (!pass->Dirty()) {
      if (pass->RoundedCutSplits().empty()) return;
      // The next pass checks the moved pieces and cuts to the new vertices exactly; where
      // nothing crosses, the geometry is just what the rounded tops alone make of it.
      beforeRoundedCuts = geometry;
      roundedCuts = pass->RoundedCutSplits();
      ApplySplits(geometry, pass->Splits());
      continue;
    }
    if (beforeRoundedCuts) {
      // A piece moved onto a rounded top crosses a piece that passes close to the top, as the
      // two sides of a sliver thinner than a unit do: draw every piece that passes within half
      // a unit of each top into it instead, so that such pieces keep their order.
      geometry = std::move(*beforeRoundedCuts);
      beforeRoundedCuts.reset();
      AddHotPixelSplits(geometry, roundedCuts);
      ApplySplits(geometry, roundedCuts);
      continue;
    }
    // Most geometry settles after one split; what does not gets the pieces near each new split
    // point drawn into it (one pass over the pieces, each checked against the split points
    // within its x range).
    if (round > 0) AddHotPixelSplits(geometry, pass->Splits());
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
