#include "db/spatial_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <memory>
#include <random>
#include <unordered_map>
#include <vector>

namespace {

void* Payload(uintptr_t id) { return reinterpret_cast<void*>(id); }
uintptr_t Id(const SpatialNode* node) { return reinterpret_cast<uintptr_t>(node->payload); }

std::vector<uintptr_t> IterationOrder(const SpatialIndex& index) {
  std::vector<uintptr_t> ids;
  for (const SpatialNode* e = index.FirstLeaf(); e; e = index.NextLeaf(e)) ids.push_back(Id(e));
  return ids;
}

std::vector<uintptr_t> Query(const SpatialIndex& index, const Box& window) {
  std::vector<uintptr_t> ids;
  for (const SpatialNode* e = index.QueryFirst(window); e; e = index.QueryNext(e, window)) {
    ids.push_back(Id(e));
  }
  return ids;
}

// Coordinates that make touching edges, zero widths, repeated boxes and the 32-bit limits common.
class BoxSource {
 public:
  BoxSource(uint64_t seed, bool extreme) : rng_(seed), extreme_(extreme) {}

  Box Next() {
    if (rng_() % 8 == 0) return last_;
    int32_t xa = Coord(), xb = rng_() % 6 == 0 ? xa : Coord();
    int32_t ya = Coord(), yb = rng_() % 6 == 0 ? ya : Coord();
    last_ = Box(std::min(xa, xb), std::min(ya, yb), std::max(xa, xb), std::max(ya, yb));
    return last_;
  }

 private:
  int32_t Coord() {
    if (!extreme_) return int32_t(rng_() % 145) * 8 - 64 + (rng_() % 4 ? 0 : int32_t(rng_() % 3) - 1);
    static const int32_t kEdges[] = {INT32_MIN, INT32_MIN + 1, INT32_MIN / 2, -21,      0,
                                     21,        INT32_MAX / 2, INT32_MAX - 1, INT32_MAX};
    if (rng_() % 2) return kEdges[rng_() % 9];
    return int32_t(uint32_t(rng_()));
  }

  std::mt19937_64 rng_;
  bool extreme_;
  Box last_ = Box(0, 0, 8, 8);
};

struct Tracked {
  std::unique_ptr<SpatialIndex> index;
  BoxSource boxes;
  std::unordered_map<SpatialNode*, Box> live;
};

void ExpectMatchesBruteForce(const Tracked& t, const Box& window) {
  std::vector<uintptr_t> found = Query(*t.index, window);
  // Hits come in iteration order, each once.
  std::vector<uintptr_t> expected;
  for (const SpatialNode* e = t.index->FirstLeaf(); e; e = t.index->NextLeaf(e)) {
    if (e->box.OverlapsStrict(window)) expected.push_back(Id(e));
  }
  ASSERT_EQ(found, expected);
  std::vector<uintptr_t> brute;
  for (const auto& [node, box] : t.live) {
    if (box.OverlapsStrict(window)) brute.push_back(Id(node));
  }
  std::sort(found.begin(), found.end());
  std::sort(brute.begin(), brute.end());
  ASSERT_EQ(found, brute);
}

void ExpectIteratesLiveOnce(const Tracked& t) {
  std::vector<uintptr_t> seen = IterationOrder(*t.index), ids;
  for (const auto& [node, box] : t.live) ids.push_back(Id(node));
  std::sort(seen.begin(), seen.end());
  std::sort(ids.begin(), ids.end());
  ASSERT_EQ(seen, ids);
  ASSERT_EQ(t.index->Count(), int64_t(ids.size()));
}

TEST(SpatialIndex, MatchesBruteForceThroughRandomInsertRemoveQueryClear) {
  for (uint64_t seed : {1, 2, 3}) {
    SCOPED_TRACE(seed);
    std::mt19937_64 rng(seed);
    // Several indexes share the node pool: an ordinary region, none, one too narrow to split,
    // and the whole coordinate range with coordinates at the 32-bit limits.
    std::vector<Tracked> indexes;
    indexes.push_back({std::make_unique<SpatialIndex>(Box(0, 0, 1024, 1024)), {seed, false}, {}});
    indexes.push_back({std::make_unique<SpatialIndex>(Box()), {seed + 10, false}, {}});
    indexes.push_back({std::make_unique<SpatialIndex>(Box(500, 0, 520, 1024)), {seed + 20, false}, {}});
    indexes.push_back(
        {std::make_unique<SpatialIndex>(Box(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX)), {seed + 30, true}, {}});
    uintptr_t nextId = 1;
    for (int step = 0; step < 20000; ++step) {
      Tracked& t = indexes[rng() % indexes.size()];
      int op = int(rng() % 1000);
      if (op < 500) {
        Box box = t.boxes.Next();
        t.live[t.index->Insert(box, Payload(nextId++))] = box;
      } else if (op < 720 && !t.live.empty()) {
        auto victim = std::next(t.live.begin(), rng() % t.live.size());
        SpatialNode* node = victim->first;
        t.live.erase(victim);
        SpatialNode* next = t.index->Remove(node);
        ASSERT_TRUE(next == nullptr || t.live.count(next));
      } else if (op < 997) {
        ExpectMatchesBruteForce(t, t.boxes.Next());
      } else {
        t.index->Clear();
        t.live.clear();
      }
      if (step % 500 == 0) ExpectIteratesLiveOnce(t);
    }
    for (Tracked& t : indexes) ExpectIteratesLiveOnce(t);
  }
}

// Insertion order left then right: one bucket chain visits right first, a split tree left first.
TEST(SpatialIndex, SplitsOnlyRegionsWiderThanTwentyUnits) {
  struct Case {
    Box region;
    bool splits;
  };
  for (const Case& c : {Case{Box(0, 0, 21, 100), true}, Case{Box(0, 0, 20, 100), false}, Case{Box(), false},
                        Case{Box(0, 50, 100, 50), false}}) {
    SpatialIndex index(c.region);
    index.Insert(Box(1, 60, 2, 61), Payload(1));
    index.Insert(Box(18, 60, 19, 61), Payload(2));
    EXPECT_EQ(IterationOrder(index), (c.splits ? std::vector<uintptr_t>{1, 2} : std::vector<uintptr_t>{2, 1}));
  }
}

TEST(SpatialIndex, RemovingThroughReturnedNextEmptiesIndexInIterationOrder) {
  for (const Box& region : {Box(0, 0, 1024, 1024), Box()}) {
    BoxSource boxes(7, false);
    SpatialIndex index(region);
    for (uintptr_t id = 1; id <= 3000; ++id) index.Insert(boxes.Next(), Payload(id));
    for (uintptr_t id = 3001; id <= 3500; ++id) index.Insert(Box(3, 3, 9, 9), Payload(id));
    std::vector<uintptr_t> order = IterationOrder(index), removed;
    ASSERT_EQ(order.size(), 3500u);
    for (SpatialNode* e = index.FirstLeaf(); e;) {
      removed.push_back(Id(e));
      e = index.Remove(e);
    }
    EXPECT_EQ(removed, order);
    EXPECT_EQ(index.Count(), 0);
    EXPECT_TRUE(index.IsEmpty());
  }
}

TEST(SpatialIndex, RemoveOfNullOrFreedNodeChangesNothing) {
  SpatialIndex index(Box(0, 0, 100, 100));
  SpatialNode* a = index.Insert(Box(1, 1, 2, 2), Payload(1));
  index.Insert(Box(80, 80, 90, 90), Payload(2));
  EXPECT_EQ(index.Remove(nullptr), nullptr);
  index.Remove(a);
  EXPECT_EQ(index.Remove(a), nullptr);
  EXPECT_EQ(index.Count(), 1);
  EXPECT_EQ(IterationOrder(index), std::vector<uintptr_t>{2});
}

// A chain that never splits can be very long: Clear must not recurse along it, and removing it
// entry by entry must not walk the chain each time.
TEST(SpatialIndex, LongUnsplitChainsClearAndDrainInLinearTime) {
  constexpr int kEntries = 300000;
  SpatialIndex index{Box()};
  for (int i = 0; i < kEntries; ++i) index.Insert(Box(i, 0, i + 1, 1), Payload(i + 1));
  EXPECT_EQ(Query(index, Box(10, -1, 13, 2)).size(), 3u);
  int removed = 0;
  for (SpatialNode* e = index.FirstLeaf(); e && removed < kEntries / 2; ++removed) e = index.Remove(e);
  EXPECT_EQ(index.Count(), kEntries / 2);
  index.Clear();
  EXPECT_TRUE(index.IsEmpty());
}

// Nodes go back to the pool: refilling after Clear or a destroyed index reuses them.
TEST(SpatialIndex, ClearAndDestructionReturnEveryNode) {
  auto fill = [](SpatialIndex& index) {
    BoxSource boxes(11, false);
    for (uintptr_t id = 1; id <= 20000; ++id) index.Insert(boxes.Next(), Payload(id));
  };
  {
    SpatialIndex warmUp(Box(0, 0, 1024, 1024));
    fill(warmUp);
  }
  int64_t lastIndex = SpatialNodePool().Allocator().LastIndex();
  for (int round = 0; round < 3; ++round) {
    SpatialIndex index(Box(0, 0, 1024, 1024));
    fill(index);
    index.Clear();
    fill(index);
  }
  EXPECT_EQ(SpatialNodePool().Allocator().LastIndex(), lastIndex);
}

}  // namespace
