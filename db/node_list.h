#pragma once

#include <cstdint>

#include "db/record_pool.h"

// A node of a pooled doubly linked list.
struct ListNode {
  ListNode* next;
  void* item;
  ListNode* prev;
};

RecordPool<ListNode>& ListNodePool();
ListNode* AllocNode2();
void FreeNode2(ListNode* node);
void ResetNodePool2();

// A pooled list of item pointers. The list owns its nodes, not the items.
class NodeList2 {
 public:
  NodeList2() = default;
  NodeList2(const NodeList2&) = delete;
  NodeList2& operator=(const NodeList2&) = delete;
  ~NodeList2() { Clear(); }

  ListNode* Head() const { return head_; }
  ListNode* Tail() const { return tail_; }
  int64_t Count() const { return count_; }

  void Append(void* item);
  // Returns every node to the pool in one splice; an empty list leaves the pool untouched.
  void Clear();
  // Unlinks node, returns it to the pool and gives the node after it.
  ListNode* Erase(ListNode* node);
  // Sorts stably by compare(itemA, itemB) < 0.
  void Sort(int (*compare)(const void*, const void*));

 private:
  ListNode* head_ = nullptr;
  ListNode* tail_ = nullptr;
  int64_t count_ = 0;
};

namespace node_list_detail {
template <typename Node, typename Compare>
Node* MergeRuns(Node* earlier, Node* later, Compare& compare) {
  Node head{};
  Node* end = &head;
  while (earlier && later) {
    // The later run's element goes first only when strictly smaller: equal elements keep order.
    if (compare(later, earlier) < 0) {
      end->next = later;
      later = later->next;
    } else {
      end->next = earlier;
      earlier = earlier->next;
    }
    end = end->next;
  }
  end->next = earlier ? earlier : later;
  return head.next;
}
}  // namespace node_list_detail

// Stable bottom-up merge sort of a chain of nodes linked by `next`, ordered by
// compare(nodeA, nodeB) (negative when a goes first). Rebuilds the `prev` links, returns the
// new head and gives the new tail through tail.
template <typename Node, typename Compare>
Node* SortNodeList(Node* head, Node*& tail, Compare compare) {
  struct Run {
    Node* head;
    uint64_t length;
  };
  Run stack[64];
  int depth = 0;
  for (Node* node = head; node;) {
    Node* next = node->next;
    node->next = nullptr;
    Run run{node, 1};
    while (depth > 0 && stack[depth - 1].length <= run.length) {
      --depth;
      run = {node_list_detail::MergeRuns(stack[depth].head, run.head, compare), stack[depth].length + run.length};
    }
    stack[depth++] = run;
    node = next;
  }
  Node* result = nullptr;
  while (depth > 0) {
    --depth;
    result = node_list_detail::MergeRuns(stack[depth].head, result, compare);
  }
  tail = nullptr;
  for (Node* node = result; node; node = node->next) {
    node->prev = tail;
    tail = node;
  }
  return result;
}
