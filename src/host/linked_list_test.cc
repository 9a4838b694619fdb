#include "host/linked_list.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Counts its destructions, so that tests can see what the list deletes.
struct Tracked {
  int value;
  int* destroyed;
  ~Tracked() { ++*destroyed; }
};

class LinkedListTest : public ::testing::Test {
 protected:
  // Appends items with the given values and returns their nodes in order.
  std::vector<_listnode<Tracked>*> fill(_linkedlist<Tracked>& list,
                                        std::vector<int> values) {
    std::vector<_listnode<Tracked>*> nodes;
    for (int value : values) {
      EXPECT_TRUE(list.appendItem(new Tracked{value, &destroyed}));
      nodes.push_back(list.tail);
    }
    return nodes;
  }

  // The values from head to tail, checking the links both ways.
  static std::vector<int> valuesOf(const _linkedlist<Tracked>& list) {
    std::vector<int> values;
    const _listnode<Tracked>* previous = nullptr;
    for (const _listnode<Tracked>* node = list.head; node != nullptr;
         node = node->next) {
      EXPECT_EQ(node->prev, previous);
      values.push_back(node->item->value);
      previous = node;
    }
    EXPECT_EQ(list.tail, previous);
    EXPECT_EQ(list.count, values.size());
    return values;
  }

  int destroyed = 0;
};

TEST_F(LinkedListTest, AppendKeepsOrder) {
  _linkedlist<Tracked> list;
  EXPECT_EQ(valuesOf(list), std::vector<int>{});
  fill(list, {1, 2, 3});
  EXPECT_EQ(valuesOf(list), (std::vector<int>{1, 2, 3}));
}

TEST_F(LinkedListTest, RemoveMiddleHeadAndTailDeletesItems) {
  _linkedlist<Tracked> list;
  std::vector<_listnode<Tracked>*> nodes = fill(list, {1, 2, 3, 4});
  list.removeNode(nodes[1]);
  EXPECT_EQ(valuesOf(list), (std::vector<int>{1, 3, 4}));
  list.removeNode(nodes[0]);
  EXPECT_EQ(valuesOf(list), (std::vector<int>{3, 4}));
  list.removeNode(nodes[3]);
  EXPECT_EQ(valuesOf(list), std::vector<int>{3});
  EXPECT_EQ(destroyed, 3);
  list.removeNode(nodes[2]);
  EXPECT_EQ(valuesOf(list), std::vector<int>{});
  EXPECT_EQ(list.head, nullptr);
  EXPECT_EQ(destroyed, 4);
  fill(list, {5});  // an emptied list is usable again
  EXPECT_EQ(valuesOf(list), std::vector<int>{5});
}

TEST_F(LinkedListTest, ClearAndDestructionDeleteOwnedItems) {
  {
    _linkedlist<Tracked> list;
    fill(list, {1, 2});
    list.clear();
    EXPECT_EQ(valuesOf(list), std::vector<int>{});
    EXPECT_EQ(destroyed, 2);
    fill(list, {3});
  }
  EXPECT_EQ(destroyed, 3);
}

TEST_F(LinkedListTest, KeepItemsLeavesItemsToTheirOwner) {
  Tracked kept[3] = {{1, &destroyed}, {2, &destroyed}, {3, &destroyed}};
  {
    _linkedlist<Tracked> list;
    list.keepItems = 1;
    for (Tracked& item : kept) list.appendItem(&item);
    list.removeNode(list.head);
    EXPECT_EQ(valuesOf(list), (std::vector<int>{2, 3}));
    list.clear();
    list.appendItem(&kept[0]);
  }
  EXPECT_EQ(destroyed, 0);
}

}  // namespace
