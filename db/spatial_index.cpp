#include "db/spatial_index.h"

namespace {

// A bucket splits once it holds this many entries (or has entries on both sides of its cut).
constexpr uint32_t kSplitCount = 9;
// Regions this narrow (or narrower) along the cut axis are not halved any more; this bounds the
// depth of the tree by the coordinate range.
constexpr int64_t kMinSplitExtent = 20;

bool IsInternal(const SpatialNode* node) { return node->axis == 0 || node->axis == 1; }

int64_t Lo(const Box& box, int axis) { return axis == 0 ? box.x1 : box.y1; }
int64_t Hi(const Box& box, int axis) { return axis == 0 ? box.x2 : box.y2; }

// Midpoints and extents are taken in 64 bits: lo + hi and hi - lo leave the 32-bit range near
// the coordinate limits.
int64_t Mid(const Box& box, int axis) { return (Lo(box, axis) + Hi(box, axis)) >> 1; }
int64_t Mid(const SpatialNode* node) { return Mid(node->box, node->axis); }

void FreeNode(SpatialNode* node) {
  node->axis = SpatialNode::kFreed;
  SpatialNodePool().Free(node);
}

bool EnterLow(const SpatialNode* node, const Box* window) {
  return node->low && (!window || Lo(*window, node->axis) < Mid(node));
}

bool EnterHigh(const SpatialNode* node, const Box* window) {
  return node->high && (!window || Hi(*window, node->axis) > Mid(node));
}

}  // namespace

RecordPool<SpatialNode>& SpatialNodePool() {
  static RecordPool<SpatialNode> pool(35000);
  return pool;
}

// What a split of the bucket at one link would make: the new node's box and axis, the cut it
// would put at its midpoint, and whether a split is allowed there at all. Whether a link may
// split never changes: it depends only on the link's place in the tree and on the region.
struct SpatialIndex::LinkFrame {
  Box box;
  int axis = 0;
  int64_t cut = 0;
  bool splittable = false;
};

SpatialIndex::SpatialIndex(const Box& region) : region_(region) {
  sentinel_.parent = nullptr;
  sentinel_.straddle = nullptr;
  sentinel_.low = nullptr;
  sentinel_.high = nullptr;
  sentinel_.count = 0;
  sentinel_.sides = 0;
  sentinel_.splittable = 0;
  sentinel_.axis = SpatialNode::kSentinel;
}

// depth is the number of straddle links followed to reach the link: 0 in the main tree (x cuts),
// 1 in a straddling branch (y cuts), 2 below that (never split). The extent test uses the box of
// the node above along the axis that the new node would cut: for a straddling bucket under an x
// node that is the y extent, the range the new y node would halve.
SpatialIndex::LinkFrame SpatialIndex::FrameOf(const SpatialNode* parent, SpatialNode* const* link, int depth) const {
  LinkFrame frame;
  if (depth > 1) return frame;
  frame.axis = depth;
  const Box& above = parent == &sentinel_ ? region_ : parent->box;
  frame.box = above;
  if (parent != &sentinel_ && link != &parent->straddle) {
    // Internal boxes are never empty, so their midpoint lies inside the 32-bit range.
    int32_t mid = static_cast<int32_t>(Mid(parent));
    int32_t& edge = link == &parent->low ? (parent->axis == 0 ? frame.box.x2 : frame.box.y2)
                                         : (parent->axis == 0 ? frame.box.x1 : frame.box.y1);
    edge = mid;
  }
  frame.cut = Mid(frame.box, frame.axis);
  frame.splittable = !region_.IsEmpty() && Hi(above, frame.axis) - Lo(above, frame.axis) > kMinSplitExtent;
  return frame;
}

SpatialNode* SpatialIndex::Insert(const Box& box, void* payload) {
  SpatialNode* entry = SpatialNodePool().Alloc();
  entry->box = box;
  entry->parent = nullptr;
  entry->straddle = nullptr;
  entry->low = nullptr;
  entry->payload = payload;
  entry->count = 1;
  entry->sides = 0;
  entry->splittable = 0;
  entry->axis = SpatialNode::kEntry;
  ++count_;
  extent_.Extend(box.x1, box.y1);
  extent_.Extend(box.x2, box.y2);
  PlaceLeaf(entry, &sentinel_, &sentinel_.straddle, 0, true);
  return entry;
}

void SpatialIndex::PlaceLeaf(SpatialNode* entry, SpatialNode* parent, SpatialNode** link, int depth, bool allowSplit) {
  for (SpatialNode* node = *link; node && IsInternal(node); node = *link) {
    int64_t mid = Mid(node);
    int64_t lo = Lo(entry->box, node->axis);
    int64_t hi = Hi(entry->box, node->axis);
    parent = node;
    if (hi > mid && lo < mid) {
      link = &node->straddle;
      ++depth;
    } else {
      link = hi > mid ? &node->high : &node->low;
    }
  }
  LinkFrame frame = FrameOf(parent, link, depth);
  if (SpatialNode* head = *link) {
    JoinBucket(head, entry, frame);
    if (allowSplit && frame.splittable && (head->count >= kSplitCount || head->sides == 3)) {
      Split(parent, link, frame);
    }
    return;
  }
  *link = entry;
  entry->parent = parent;
  entry->splittable = frame.splittable;
  if (frame.splittable) {
    if (Hi(entry->box, frame.axis) <= frame.cut) {
      entry->sides = 1;
    } else if (Lo(entry->box, frame.axis) >= frame.cut) {
      entry->sides = 2;
    }
  }
}

// The entry goes right behind the head. Counts and side flags are kept only where the bucket
// can split: a chain that never splits may grow long, and nothing reads them there.
void SpatialIndex::JoinBucket(SpatialNode* head, SpatialNode* entry, const LinkFrame& frame) {
  entry->parent = head;
  entry->straddle = head->straddle;
  if (head->straddle) head->straddle->parent = entry;
  head->straddle = entry;
  entry->splittable = frame.splittable;
  if (!frame.splittable) return;
  ++head->count;
  if (Hi(entry->box, frame.axis) <= frame.cut) {
    head->sides |= 1;
  } else if (Lo(entry->box, frame.axis) >= frame.cut) {
    head->sides |= 2;
  }
}

// A new internal node takes the bucket's place and the bucket's entries are placed again below
// it. The redistribution never splits, so a split costs at most one bucket's worth of work.
void SpatialIndex::Split(SpatialNode* parent, SpatialNode** link, const LinkFrame& frame) {
  SpatialNode* entry = *link;
  SpatialNode* node = SpatialNodePool().Alloc();
  node->box = frame.box;
  node->parent = parent;
  node->straddle = nullptr;
  node->low = nullptr;
  node->high = nullptr;
  node->count = 0;
  node->sides = 0;
  node->splittable = 0;
  node->axis = static_cast<int8_t>(frame.axis);
  *link = node;
  while (entry) {
    SpatialNode* next = entry->straddle;
    entry->parent = nullptr;
    entry->straddle = nullptr;
    entry->count = 1;
    entry->sides = 0;
    PlaceLeaf(entry, parent, link, frame.axis, false);
    entry = next;
  }
}

SpatialNode* SpatialIndex::Remove(SpatialNode* entry) {
  if (!entry || !entry->IsEntry()) return nullptr;
  SpatialNode* next = NextLeaf(entry);
  if (entry->splittable) KeepBucketCount(entry);
  SpatialNode* parent = entry->parent;
  Unlink(entry);
  FreeNode(entry);
  --count_;
  while (IsInternal(parent) && !parent->straddle && !parent->low && !parent->high) {
    SpatialNode* above = parent->parent;
    Unlink(parent);
    FreeNode(parent);
    parent = above;
  }
  return next;
}

// Only called for buckets that can split, whose chains are short: the walk to the head is
// bounded by the split count.
void SpatialIndex::KeepBucketCount(SpatialNode* entry) {
  if (entry->parent->IsEntry()) {
    SpatialNode* head = entry->parent;
    while (head->parent->IsEntry()) head = head->parent;
    --head->count;
  } else if (SpatialNode* follower = entry->straddle) {
    follower->count = entry->count - 1;
    follower->sides = entry->sides;
  }
}

// Replaces the node's link in its parent by the node's straddle follower.
void SpatialIndex::Unlink(SpatialNode* node) {
  SpatialNode* parent = node->parent;
  SpatialNode* follower = node->straddle;
  if (parent->straddle == node) {
    parent->straddle = follower;
  } else if (parent->low == node) {
    parent->low = follower;
  } else {
    parent->high = follower;
  }
  if (follower) follower->parent = parent;
}

void SpatialIndex::Clear() {
  SpatialNode* node = sentinel_.straddle ? Descend(sentinel_.straddle, nullptr) : nullptr;
  // Post-order: a node's parent is still intact when the node is freed.
  while (node) {
    SpatialNode* next = After(node, nullptr);
    FreeNode(node);
    node = next;
  }
  sentinel_.straddle = nullptr;
  count_ = 0;
  extent_ = Box();
}

// The first node of the subtree at node in post-order, pruned by the window when one is given.
SpatialNode* SpatialIndex::Descend(SpatialNode* node, const Box* window) const {
  for (;;) {
    while (node->straddle) node = node->straddle;
    if (node->IsEntry()) return node;
    if (EnterLow(node, window)) {
      node = node->low;
    } else if (EnterHigh(node, window)) {
      node = node->high;
    } else {
      return node;
    }
  }
}

// The node after node in post-order (internal nodes included), pruned by the window.
SpatialNode* SpatialIndex::After(const SpatialNode* node, const Box* window) const {
  SpatialNode* parent = node->parent;
  if (parent == &sentinel_) return nullptr;
  if (parent->IsEntry()) return parent;
  if (node == parent->straddle) {
    if (EnterLow(parent, window)) return Descend(parent->low, window);
    if (EnterHigh(parent, window)) return Descend(parent->high, window);
  } else if (node == parent->low) {
    if (EnterHigh(parent, window)) return Descend(parent->high, window);
  }
  return parent;
}

SpatialNode* SpatialIndex::FirstLeaf() const {
  SpatialNode* node = sentinel_.straddle ? Descend(sentinel_.straddle, nullptr) : nullptr;
  while (node && !node->IsEntry()) node = After(node, nullptr);
  return node;
}

SpatialNode* SpatialIndex::NextLeaf(const SpatialNode* entry) const {
  SpatialNode* node = After(entry, nullptr);
  while (node && !node->IsEntry()) node = After(node, nullptr);
  return node;
}

SpatialNode* SpatialIndex::QueryFirst(const Box& window) const {
  SpatialNode* node = sentinel_.straddle ? Descend(sentinel_.straddle, &window) : nullptr;
  while (node && !(node->IsEntry() && node->box.OverlapsStrict(window))) {
    node = After(node, &window);
  }
  return node;
}

SpatialNode* SpatialIndex::QueryNext(const SpatialNode* entry, const Box& window) const {
  SpatialNode* node = After(entry, &window);
  while (node && !(node->IsEntry() && node->box.OverlapsStrict(window))) {
    node = After(node, &window);
  }
  return node;
}
