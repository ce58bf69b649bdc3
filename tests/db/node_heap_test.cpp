#include "db/node_heap.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

namespace {

struct Item {
  int key;
};

int CompareKeys(const void* a, const void* b) {
  int ka = static_cast<const Item*>(a)->key, kb = static_cast<const Item*>(b)->key;
  return ka < kb ? -1 : (ka > kb ? 1 : 0);
}

using Heap = NodeHeap<int (*)(const void*, const void*)>;

TEST(NodeHeap, PopOrderMatchesAMultisetModel) {
  for (unsigned seed : {1u, 2u, 3u}) {
    std::mt19937 rng(seed);
    std::vector<Item> items(20000);
    Heap heap(CompareKeys);
    std::multiset<int> model;
    std::set<Item*> live;
    size_t used = 0;
    auto pop = [&] {
      Item* got = static_cast<Item*>(heap.Pop());
      ASSERT_NE(got, nullptr);
      EXPECT_EQ(got->key, *model.begin());
      model.erase(model.begin());
      EXPECT_EQ(live.erase(got), 1u);
    };
    while (used < items.size()) {
      if (model.empty() || rng() % 5 < 3) {
        Item* item = &items[used++];
        item->key = int(rng() % 16);
        bool onTop = model.empty() || item->key <= *model.begin();
        heap.Push(item);
        model.insert(item->key);
        live.insert(item);
        if (onTop) {
          EXPECT_EQ(heap.Top(), item);  // equal to the top goes above it
        }
      } else {
        pop();
      }
      ASSERT_EQ(heap.Size(), int64_t(model.size()));
    }
    while (!model.empty()) pop();
    EXPECT_TRUE(heap.Empty());
    EXPECT_EQ(heap.Pop(), nullptr);
  }
}

TEST(NodeHeap, ItemEqualToTheTopPopsFirst) {
  Item a{5}, b{3}, c{3}, d{3}, e{4};
  Heap heap(CompareKeys);
  for (Item* item : {&a, &b, &e, &c}) heap.Push(item);
  EXPECT_EQ(heap.Pop(), &c);
  heap.Push(&d);
  EXPECT_EQ(heap.Pop(), &d);
  EXPECT_EQ(heap.Pop(), &b);
  EXPECT_EQ(heap.Pop(), &e);
  EXPECT_EQ(heap.Pop(), &a);
}

TEST(NodeHeap, ClearReturnsAllNodesForReuse) {
  // Empty the shared free list first, so that every node below comes from the allocator.
  std::vector<HeapNode*> spare;
  for (int64_t last = HeapNodePool().Allocator().LastIndex(); HeapNodePool().Allocator().LastIndex() == last;) {
    spare.push_back(HeapNodePool().Alloc());
  }
  std::vector<Item> items(1000);
  for (size_t i = 0; i < items.size(); ++i) items[i].key = int(i * 7919 % 100);
  {
    Heap heap(CompareKeys);
    for (Item& item : items) heap.Push(&item);
  }
  int64_t lastIndex = HeapNodePool().Allocator().LastIndex();
  Heap heap(CompareKeys);
  for (Item& item : items) heap.Push(&item);
  EXPECT_EQ(HeapNodePool().Allocator().LastIndex(), lastIndex);
  heap.Clear();
  EXPECT_TRUE(heap.Empty());
  for (HeapNode* node : spare) HeapNodePool().Free(node);
}

}  // namespace
