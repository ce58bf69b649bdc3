#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "db/record_pool.h"

// A node of the size-balanced heap: the counts of its two subtrees steer the balancing.
struct HeapNode {
  HeapNode* left;
  HeapNode* right;
  void* item;
  int64_t leftSize;
  int64_t rightSize;
};

RecordPool<HeapNode>& HeapNodePool();
void ResetNodePool4();

// A min-heap of item pointers over pooled nodes, ordered by compare(a, b) (negative when a
// comes first). Pop gives an item that no other item compares smaller than; an item pushed
// that compares equal to the top goes above it. Every node keeps its left subtree at least as
// large as its right one, so the right spines that merging walks stay logarithmic.
template <typename Compare>
class NodeHeap {
 public:
  explicit NodeHeap(Compare compare) : compare_(std::move(compare)) {}
  NodeHeap(const NodeHeap&) = delete;
  NodeHeap& operator=(const NodeHeap&) = delete;
  ~NodeHeap() { Clear(); }

  bool Empty() const { return root_ == nullptr; }
  int64_t Size() const { return root_ ? root_->leftSize + root_->rightSize + 1 : 0; }
  void* Top() const { return root_ ? root_->item : nullptr; }

  void Push(void* item) {
    HeapNode* node = HeapNodePool().Alloc();
    *node = HeapNode{nullptr, nullptr, item, 0, 0};
    if (!root_ || compare_(item, root_->item) <= 0) {
      node->left = root_;
      node->leftSize = Size();
      root_ = node;
    } else {
      root_ = Merge(root_, node);
    }
  }

  // Removes and returns the top item; null when empty.
  void* Pop() {
    if (!root_) return nullptr;
    HeapNode* old = root_;
    root_ = Merge(old->left, old->right);
    void* item = old->item;
    HeapNodePool().Free(old);
    return item;
  }

  void Clear() {
    std::vector<HeapNode*> pending;
    if (root_) pending.push_back(root_);
    while (!pending.empty()) {
      HeapNode* node = pending.back();
      pending.pop_back();
      if (node->left) pending.push_back(node->left);
      if (node->right) pending.push_back(node->right);
      HeapNodePool().Free(node);
    }
    root_ = nullptr;
  }

 private:
  static int64_t SizeOf(const HeapNode* n) { return n ? n->leftSize + n->rightSize + 1 : 0; }

  // Merges along the right spines; on equal items a stays on top.
  HeapNode* Merge(HeapNode* a, HeapNode* b) {
    if (!a) return b;
    if (!b) return a;
    if (compare_(b->item, a->item) < 0) std::swap(a, b);
    a->right = Merge(a->right, b);
    a->rightSize = SizeOf(a->right);
    if (a->leftSize < a->rightSize) {
      std::swap(a->left, a->right);
      std::swap(a->leftSize, a->rightSize);
    }
    return a;
  }

  HeapNode* root_ = nullptr;
  Compare compare_;
};
