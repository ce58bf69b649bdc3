#pragma once

#include <cstdint>
#include <vector>

#include "db/box.h"

struct RingVertex;

// One entry of the sweep's active list: a bundle of collinear edge pieces that run together
// from lo to hi (lo before hi in sweep order). Pieces that overlap are always bundled, so that
// the list never holds two entries on the same stretch of line.
struct Bundle {
  Point lo;
  Point hi;
  uint32_t left, right, parent, priority;  // treap links
  uint32_t prev, next;                     // list order, bottom to top
  uint32_t firstMember, lastMember;        // item chain of the pieces, kept by the pass
  uint32_t id;                             // changes whenever the slot takes a new bundle
  int32_t deltaA, deltaB;                  // winding change of operands A and B, crossed upwards
  int32_t windA, windB;                    // winding just above the bundle
  RingVertex* emitFrom;                    // result vertex where the pending boundary piece began
  uint8_t boundary;                        // kNotBoundary, kInteriorAbove or kInteriorBelow
};

constexpr uint8_t kNotBoundary = 0;
constexpr uint8_t kInteriorAbove = 1;
constexpr uint8_t kInteriorBelow = 2;

// The active list: bundles ordered from bottom to top along the sweep line, as a treap for
// searching and a doubly linked list for neighbours. Slots are indices; 0 is the null slot.
// Allocate may move the slots in memory: take no reference to a bundle across it.
class ActiveList {
 public:
  static constexpr uint32_t kNil = 0;

  ActiveList();

  Bundle& operator[](uint32_t i) { return nodes_[i]; }
  const Bundle& operator[](uint32_t i) const { return nodes_[i]; }
  bool Empty() const { return root_ == kNil; }
  uint32_t Top() const { return tail_; }

  // A fresh slot, not yet in the list.
  uint32_t Allocate();
  void Release(uint32_t i);
  // Inserts slot node directly above pos, or at the bottom when pos is kNil.
  void InsertAfter(uint32_t pos, uint32_t node);
  void Erase(uint32_t node);

  // The lowest entry for which below(entry) is false; kNil when every entry is below. The list
  // must be partitioned: every entry below comes before every entry that is not.
  template <typename Below>
  uint32_t LowerBound(Below below) const {
    uint32_t result = kNil;
    for (uint32_t n = root_; n != kNil;) {
      if (below(n)) {
        n = nodes_[n].right;
      } else {
        result = n;
        n = nodes_[n].left;
      }
    }
    return result;
  }

 private:
  void RotateUp(uint32_t x);
  void ReplaceChild(uint32_t parent, uint32_t from, uint32_t to);
  uint32_t NextPriority();

  std::vector<Bundle> nodes_;
  std::vector<uint32_t> free_;
  uint32_t root_ = kNil;
  uint32_t head_ = kNil;
  uint32_t tail_ = kNil;
  uint32_t seed_ = 0x9e3779b9u;
};
