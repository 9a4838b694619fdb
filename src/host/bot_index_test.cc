#include "host/bot_index.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// Stand-ins for instances: only their addresses are kept.
botInfo* instanceAt(std::vector<char>& storage, std::size_t i) {
  return reinterpret_cast<botInfo*>(&storage[i]);
}

// Handles of every kind a host may use (0, small numbers, aligned
// pointers, the highest value) are found again as the table grows, and a
// handle never added is not found.
TEST(BotIndexTest, FindsEveryHandleAddedAsItGrows) {
  std::vector<char> storage(20000);
  BotIndex index;
  EXPECT_EQ(nullptr, index.find(1));
  std::vector<CALL_HANDLE> handles = {0, 1, 2, UINTPTR_MAX};
  for (CALL_HANDLE i = 1; i <= 5000; ++i) handles.push_back(i * 4096);
  for (std::size_t i = 0; i < handles.size(); ++i) {
    ASSERT_TRUE(index.add(handles[i], instanceAt(storage, i)));
  }
  EXPECT_EQ(handles.size(), index.size());
  for (std::size_t i = 0; i < handles.size(); ++i) {
    EXPECT_EQ(instanceAt(storage, i), index.find(handles[i])) << handles[i];
  }
  EXPECT_EQ(nullptr, index.find(3));
  EXPECT_EQ(nullptr, index.find(4096 * 5001));
  index.clear();
  EXPECT_EQ(0u, index.size());
  EXPECT_EQ(nullptr, index.find(1));
}

}  // namespace
