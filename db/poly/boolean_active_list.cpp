#include "db/poly/boolean_active_list.h"

ActiveList::ActiveList() : nodes_(1, Bundle{}) {}

uint32_t ActiveList::NextPriority() {
  seed_ ^= seed_ << 13;
  seed_ ^= seed_ >> 17;
  seed_ ^= seed_ << 5;
  return seed_ | 1u;
}

uint32_t ActiveList::Allocate() {
  uint32_t i;
  if (!free_.empty()) {
    i = free_.back();
    free_.pop_back();
  } else {
    i = uint32_t(nodes_.size());
    nodes_.push_back(Bundle{});
  }
  nodes_[i] = Bundle{};
  nodes_[i].priority = NextPriority();
  return i;
}

void ActiveList::Release(uint32_t i) {
  nodes_[i].id = 0;
  free_.push_back(i);
}

void ActiveList::ReplaceChild(uint32_t parent, uint32_t from, uint32_t to) {
  if (parent == kNil) {
    root_ = to;
  } else if (nodes_[parent].left == from) {
    nodes_[parent].left = to;
  } else {
    nodes_[parent].right = to;
  }
  if (to != kNil) nodes_[to].parent = parent;
}

void ActiveList::RotateUp(uint32_t x) {
  uint32_t p = nodes_[x].parent;
  uint32_t g = nodes_[p].parent;
  if (nodes_[p].left == x) {
    uint32_t inner = nodes_[x].right;
    nodes_[p].left = inner;
    if (inner != kNil) nodes_[inner].parent = p;
    nodes_[x].right = p;
  } else {
    uint32_t inner = nodes_[x].left;
    nodes_[p].right = inner;
    if (inner != kNil) nodes_[inner].parent = p;
    nodes_[x].left = p;
  }
  nodes_[p].parent = x;
  ReplaceChild(g, p, x);
}

void ActiveList::InsertAfter(uint32_t pos, uint32_t node) {
  Bundle& n = nodes_[node];
  n.left = n.right = kNil;
  uint32_t following = pos == kNil ? head_ : nodes_[pos].next;
  n.prev = pos;
  n.next = following;
  if (pos == kNil) {
    head_ = node;
  } else {
    nodes_[pos].next = node;
  }
  if (following == kNil) {
    tail_ = node;
  } else {
    nodes_[following].prev = node;
  }
  // The in-order successor of pos has a free left link whenever pos has a right child.
  if (root_ == kNil) {
    root_ = node;
    n.parent = kNil;
  } else if (pos != kNil && nodes_[pos].right == kNil) {
    nodes_[pos].right = node;
    n.parent = pos;
  } else {
    nodes_[following].left = node;
    n.parent = following;
  }
  while (nodes_[node].parent != kNil && nodes_[node].priority > nodes_[nodes_[node].parent].priority) {
    RotateUp(node);
  }
}

void ActiveList::Erase(uint32_t node) {
  for (;;) {
    uint32_t l = nodes_[node].left, r = nodes_[node].right;
    if (l == kNil && r == kNil) break;
    uint32_t child = (r == kNil || (l != kNil && nodes_[l].priority > nodes_[r].priority)) ? l : r;
    RotateUp(child);
  }
  ReplaceChild(nodes_[node].parent, node, kNil);
  uint32_t p = nodes_[node].prev, n = nodes_[node].next;
  if (p == kNil) {
    head_ = n;
  } else {
    nodes_[p].next = n;
  }
  if (n == kNil) {
    tail_ = p;
  } else {
    nodes_[n].prev = p;
  }
}
