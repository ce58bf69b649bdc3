#pragma once

#include <cstdint>
#include <queue>
#include <vector>

#include "db/poly/boolean_active_list.h"
#include "db/poly/boolean_geometry.h"

// What a pass of the sweep is for.
enum class SweepMode {
  kResult,        // merge, intersect or subtract: the result's boundary as 2-vertex pieces
  kCutHoles,      // where the cut from each hole's leftmost vertex straight up ends
  kSplit,         // every point at which pieces meet inside one of them
  kSelfCrossing,  // whether some ring meets itself other than at the vertex of two neighbours
};

// The cut of one hole: from its leftmost vertex straight up to top, the first geometry above.
// Without a top nothing lies above, so the hole lies inside no ring.
struct HoleCut {
  RingVertex* hole;
  Point top;
  bool hasTop;
};

// One pass of the sweep over fixed geometry: a Bentley-Ottmann sweep in (x, y) order, as if the
// sweep line were turned a little clockwise, so that vertical pieces need no special case. The
// active list holds bundles of overlapping pieces; every decision is exact. A crossing whose
// point is not on the grid is passed over in the correct order and recorded as a rounded split,
// and the pass is then dirty: its results are void, and the caller splits the geometry and
// sweeps again. A clean pass has met a plane graph and its results stand.
class SweepPass {
 public:
  // holes: the leftmost vertices of the clockwise rings in sweep order, for kCutHoles.
  SweepPass(const SweepGeometry& geometry, SweepMode mode, int op, const std::vector<RingVertex*>& holes);

  // Runs the pass. In kResult mode the result's boundary goes to pieces. Throws
  // Error(kTagDrc, "Wrong segment ordering") when the active list turns out inconsistent.
  void Run(RingSet* pieces);

  bool Dirty() const { return dirty_; }
  // Whether two pieces crossed properly, on the grid or off it.
  bool MetCrossing() const { return metCrossing_; }
  // Where pieces are to be split: at rounded crossings, and in a clean pass of kSplit or
  // kCutHoles mode at every point where pieces meet inside one of them.
  std::vector<SweepSplit>& Splits() { return splits_; }
  const std::vector<HoleCut>& Cuts() const { return cuts_; }
  // In a clean kCutHoles pass, the splits at cut tops that were rounded onto the grid: each
  // moves the pieces above its hole a little, which may make them cross geometry close by.
  const std::vector<SweepSplit>& RoundedCutSplits() const { return roundedCutSplits_; }
  bool FoundSelfCrossing() const { return selfCrossing_; }

 private:
  static constexpr uint32_t kNoSeg = UINT32_MAX;

  // A piece as the pass uses it. The items are sorted by their lo point and so are the input
  // events themselves; pieces active together lie close together in memory.
  struct Item {
    Point lo;
    Point hi;
    uint32_t seg;  // index in the geometry
    uint32_t ring;
    int8_t delta;  // +1 when the ring runs from lo to hi
    bool operandB;
  };
  // A crossing found during the pass: a point to visit, or a swap of two bundles that cross
  // between grid points, due before any event at or after (x, y).
  struct CreatedEvent {
    int64_t x, y;
    uint32_t kind;
    uint32_t lower, upper, lowerId, upperId;
  };
  struct CreatedLater {
    bool operator()(const CreatedEvent& a, const CreatedEvent& b) const {
      if (a.x != b.x) return a.x > b.x;
      if (a.y != b.y) return a.y > b.y;
      return a.kind > b.kind;
    }
  };
  // Collinear pieces leaving the current point as one chain: a piece that starts here, a bundle
  // that runs on through the point, or the pieces of a bundle that go on past its end. Groups
  // along one line join into the bundle that starts here.
  struct Group {
    Point hi;  // the nearest end
    uint32_t firstMember, lastMember;
    int32_t deltaA, deltaB;
  };
  // A boundary piece of the result that ends at the current point.
  struct EndingPiece {
    RingVertex* emitFrom;
    Point lo;
    uint8_t boundary;
  };

  void BuildEvents();
  bool NextInput(Point& p) const;
  static bool CreatedFirst(const CreatedEvent& e, const Point& input);
  void Visit(const Point& p);
  void ProcessPoint(const Point& p);
  void EndBundle(uint32_t b, const Point& p);
  void TakeInputAt(const Point& p);
  void FormGroups(const Point& p);
  void PlaceGroups(uint32_t below, const Point& p);
  uint8_t Classify(int32_t belowA, int32_t belowB, int32_t aboveA, int32_t aboveB) const;
  bool Inside(int32_t windA, int32_t windB) const;
  void EmitAt(const Point& p);
  void TestCrossing(uint32_t lower, uint32_t upper);
  void SplitMembersAt(uint32_t b, const Point& at, std::vector<SweepSplit>& into);
  void ApplySwap(const CreatedEvent& e);
  void FindCuts(const Point& p, uint32_t above);
  HoleCut CutFrom(RingVertex* hole, const Point& p, uint32_t above);
  bool PeekNextInColumn(const Point& p, Point& next);
  bool RingInChain(uint32_t ring, uint32_t chain) const;
  bool ShareRing(uint32_t a, uint32_t b) const;
  void CheckIncidence();
  [[noreturn]] void Fail(const Point& p) const;

  const SweepGeometry& geometry_;
  const SweepMode mode_;
  const int op_;
  const std::vector<RingVertex*>& holes_;
  RingSet* pieces_ = nullptr;

  ActiveList list_;
  std::vector<Item> items_;
  std::vector<uint32_t> nextMember_;
  size_t cursor_ = 0;
  // Vertices where both pieces end, which no item starts at; sorted SweepKeys.
  std::vector<uint64_t> endsOnly_;
  size_t endsOnlyCursor_ = 0;
  std::priority_queue<CreatedEvent, std::vector<CreatedEvent>, CreatedLater> created_;
  Point last_;
  bool visitedAny_ = false;
  uint32_t lastId_ = 0;
  bool dirty_ = false;
  bool metCrossing_ = false;
  bool stop_ = false;
  bool selfCrossing_ = false;

  // Scratch space of the current point.
  std::vector<uint32_t> block_;
  std::vector<Group> starting_;
  std::vector<Group> groups_;
  std::vector<EndingPiece> ending_;
  std::vector<uint32_t> incidence_;
  uint32_t firstNew_ = ActiveList::kNil;
  uint32_t lastNew_ = ActiveList::kNil;

  std::vector<SweepSplit> splits_;
  std::vector<SweepSplit> cutSplits_;
  std::vector<SweepSplit> roundedCutSplits_;
  std::vector<HoleCut> cuts_;
  size_t holeCursor_ = 0;
};
