#include "db/node_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

namespace {

struct Item {
  int key;
  int seq;
};

int CompareKeys(const void* a, const void* b) {
  int ka = static_cast<const Item*>(a)->key, kb = static_cast<const Item*>(b)->key;
  return ka < kb ? -1 : (ka > kb ? 1 : 0);
}

// The items in list order, after checking that the prev links and the tail mirror the next links.
std::vector<Item*> Walk(const NodeList2& list) {
  std::vector<Item*> items;
  const ListNode* prev = nullptr;
  for (const ListNode* n = list.Head(); n; prev = n, n = n->next) {
    EXPECT_EQ(n->prev, prev);
    items.push_back(static_cast<Item*>(n->item));
  }
  EXPECT_EQ(list.Tail(), prev);
  EXPECT_EQ(list.Count(), int64_t(items.size()));
  return items;
}

TEST(SortNodeList, MatchesStableSortOnRandomListsWithManyEqualKeys) {
  std::mt19937 rng(3);
  for (int size : {0, 1, 2, 3, 5, 16, 17, 100, 1000, 4099}) {
    for (int keys : {1, 3, 50}) {
      std::vector<Item> items(size);
      NodeList2 list;
      for (int i = 0; i < size; ++i) {
        items[i] = {int(rng() % keys), i};
        list.Append(&items[i]);
      }
      std::vector<Item*> expected;
      for (Item& item : items) expected.push_back(&item);
      std::stable_sort(expected.begin(), expected.end(), [](Item* a, Item* b) { return a->key < b->key; });
      list.Sort(CompareKeys);
      EXPECT_EQ(Walk(list), expected) << size << " items, " << keys << " keys";
    }
  }
}

TEST(NodeList2, EraseHeadMiddleAndTailKeepsTheLinks) {
  Item items[6];
  NodeList2 list;
  for (Item& item : items) list.Append(&item);
  ListNode* next = list.Erase(list.Head());
  EXPECT_EQ(next, list.Head());
  next = list.Erase(list.Head()->next->next);  // items[3]
  EXPECT_EQ(next->item, &items[4]);
  ListNode* tail = list.Tail();
  EXPECT_EQ(list.Erase(tail), nullptr);
  EXPECT_EQ(Walk(list), (std::vector<Item*>{&items[1], &items[2], &items[4]}));
  ListNode* reused = AllocNode2();  // the last node freed comes back first
  EXPECT_EQ(reused, tail);
  FreeNode2(reused);
  while (list.Head()) list.Erase(list.Head());
  EXPECT_EQ(Walk(list), std::vector<Item*>{});
}

TEST(NodeList2, ClearingAnEmptyListLeavesTheFreeListUnchanged) {
  ListNode* freed = AllocNode2();
  FreeNode2(freed);
  NodeList2 empty;
  empty.Clear();
  ListNode* next = AllocNode2();
  EXPECT_EQ(next, freed);
  FreeNode2(next);
}

TEST(NodeList2, ClearReturnsAllNodesForReuse) {
  Item item;
  std::set<ListNode*> first;
  {
    NodeList2 list;
    for (int i = 0; i < 1000; ++i) list.Append(&item);
    for (ListNode* n = list.Head(); n; n = n->next) first.insert(n);
    list.Clear();
    EXPECT_EQ(Walk(list), std::vector<Item*>{});
  }
  NodeList2 again;
  std::set<ListNode*> second;
  for (int i = 0; i < 1000; ++i) {
    again.Append(&item);
    second.insert(again.Tail());
  }
  EXPECT_EQ(second, first);
}

}  // namespace
