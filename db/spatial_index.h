#pragma once

#include <cstdint>

#include "db/box.h"
#include "db/record_pool.h"

// One pooled record of a spatial index. The same record serves as an entry (a box with its
// payload) and as an internal node that halves a region along one axis. Only SpatialIndex
// changes the links; callers read box and payload of entries.
struct SpatialNode {
  static constexpr int8_t kEntry = -1;
  static constexpr int8_t kFreed = -2;
  static constexpr int8_t kSentinel = 2;

  // Internal node: the region it halves. Entry: the entry's box.
  Box box;
  // The node above; for an entry inside a bucket chain, the entry before it.
  SpatialNode* parent;
  // Internal node: the branch of entries that cross the midpoint. Entry: the next entry of
  // its bucket chain.
  SpatialNode* straddle;
  // Internal node: entries wholly at or below the midpoint. Null on entries.
  SpatialNode* low;
  union {
    SpatialNode* high;  // internal node: entries wholly at or above the midpoint
    void* payload;      // entry
  };
  // On a bucket head: the number of entries in its chain (kept only where the bucket can split).
  uint32_t count;
  // On a bucket head: bit 0, an entry lies wholly below the cut a split would make; bit 1,
  // wholly above it.
  uint8_t sides;
  // Entries: 1 when the bucket holding the entry may still split.
  uint8_t splittable;
  // 0 split on x, 1 split on y; kEntry, kFreed or kSentinel.
  int8_t axis;

  bool IsEntry() const { return axis == kEntry; }
};

// 56 bytes on 64-bit targets; the index of a multi-million-shape layer lives on this.
static_assert(sizeof(SpatialNode) <= 56, "index node grew");

// The pool every spatial index takes its nodes from. Node addresses are stable: a freed node
// goes to the free list and nothing ever moves. Reset only at exit.
RecordPool<SpatialNode>& SpatialNodePool();

// Finds the entries whose boxes overlap a window, for the shapes of one layer of a cell or for
// its placements. A bisection tree: the main tree halves the region along x; entries that cross
// an x midpoint go to a branch halved along y; entries that cross both stay in unsplit buckets.
//
// Overlap is strict on all four sides (Box::OverlapsStrict): boxes that only touch do not
// overlap. Entries are visited in one fixed order (post-order; a bucket chain from its last
// entry back to its head), and queries return their hits in that order, each once.
//
// Entry pointers stay valid until the entry itself is removed or the index cleared. The index
// refers to itself from its nodes, so it can be neither copied nor moved.
class SpatialIndex {
 public:
  // region: the box whose bisection the tree uses (a cell's box). An empty region never splits:
  // every entry then stays in one chain that each query tests in full.
  explicit SpatialIndex(const Box& region = Box());
  ~SpatialIndex() { Clear(); }
  SpatialIndex(const SpatialIndex&) = delete;
  SpatialIndex& operator=(const SpatialIndex&) = delete;

  // Adds an entry and returns its node. The payload is not owned. Boxes outside the region are
  // fine; they only make the tree less selective.
  SpatialNode* Insert(const Box& box, void* payload);
  // Unlinks and frees an entry of this index, and every internal node left empty above it.
  // Returns the entry after it in iteration order, so a loop can remove while it iterates. A
  // null pointer, or a node that is not a live entry (freed already, or internal), changes
  // nothing and gives null.
  SpatialNode* Remove(SpatialNode* entry);
  // Frees every node, children before parents, iteratively.
  void Clear();

  // Every entry in iteration order; null at the end.
  SpatialNode* FirstLeaf() const;
  SpatialNode* NextLeaf(const SpatialNode* entry) const;

  // The entries that overlap the window, in iteration order; null at the end. QueryNext
  // continues after the entry that the previous call found, with the same window.
  SpatialNode* QueryFirst(const Box& window) const;
  SpatialNode* QueryNext(const SpatialNode* entry, const Box& window) const;

  const Box& Region() const { return region_; }
  // The box of both corners of every entry inserted so far; Clear empties it.
  const Box& Extent() const { return extent_; }
  int64_t Count() const { return count_; }
  bool IsEmpty() const { return sentinel_.straddle == nullptr; }

 private:
  struct LinkFrame;

  LinkFrame FrameOf(const SpatialNode* parent, SpatialNode* const* link, int depth) const;
  void PlaceLeaf(SpatialNode* entry, SpatialNode* parent, SpatialNode** link, int depth, bool allowSplit);
  void JoinBucket(SpatialNode* head, SpatialNode* entry, const LinkFrame& frame);
  void Split(SpatialNode* parent, SpatialNode** link, const LinkFrame& frame);
  void Unlink(SpatialNode* node);
  void KeepBucketCount(SpatialNode* entry);

  SpatialNode* Descend(SpatialNode* node, const Box* window) const;
  SpatialNode* After(const SpatialNode* node, const Box* window) const;

  Box region_;
  Box extent_;
  int64_t count_ = 0;
  SpatialNode sentinel_;
};
