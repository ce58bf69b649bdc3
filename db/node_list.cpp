#include "db/node_list.h"

RecordPool<ListNode>& ListNodePool() {
  static RecordPool<ListNode> pool(100000);
  return pool;
}

ListNode* AllocNode2() { return ListNodePool().Alloc(); }
void FreeNode2(ListNode* node) { ListNodePool().Free(node); }
void ResetNodePool2() { ListNodePool().Reset(); }

void NodeList2::Append(void* item) {
  ListNode* node = AllocNode2();
  node->next = nullptr;
  node->item = item;
  node->prev = tail_;
  if (tail_) {
    tail_->next = node;
  } else {
    head_ = node;
  }
  tail_ = node;
  ++count_;
}

void NodeList2::Clear() {
  if (!head_) return;
  ListNodePool().ReleaseChain(head_, tail_);
  head_ = tail_ = nullptr;
  count_ = 0;
}

ListNode* NodeList2::Erase(ListNode* node) {
  ListNode* next = node->next;
  if (node->prev) {
    node->prev->next = next;
  } else {
    head_ = next;
  }
  if (next) {
    next->prev = node->prev;
  } else {
    tail_ = node->prev;
  }
  FreeNode2(node);
  --count_;
  return next;
}

void NodeList2::Sort(int (*compare)(const void*, const void*)) {
  head_ =
      SortNodeList(head_, tail_, [compare](const ListNode* a, const ListNode* b) { return compare(a->item, b->item); });
}
