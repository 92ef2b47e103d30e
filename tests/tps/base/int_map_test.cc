#include "tps/base/int_map.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace tps {
namespace {

// Against std::map, through growth, with negative numbers and runs of
// neighbouring keys (page numbers come in runs), overwrites and misses.
TEST(IntMap, AgreesWithAnOrderedMapThroughGrowthAndClear) {
  IntMap map;
  std::map<int32_t, int32_t> expected;
  std::mt19937 random(7);
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < 20000; ++i) {
      const int32_t key = i % 3 == 0 ? -int32_t(random() % 5000) - 1 : int32_t(random() % 30000);
      const int32_t value = int32_t(random());
      EXPECT_EQ(map.put(key, value), expected.count(key) == 0);
      expected[key] = value;
    }
    EXPECT_EQ(map.size(), expected.size());
    for (int32_t key = -6000; key < 31000; ++key) {
      const int32_t* found = map.find(key);
      const auto it = expected.find(key);
      ASSERT_EQ(found != nullptr, it != expected.end()) << key;
      if (found) {
        EXPECT_EQ(*found, it->second);
      }
    }
    map.clear();
    expected.clear();
    EXPECT_EQ(map.find(0), nullptr);
    EXPECT_EQ(map.size(), 0u);
  }
}

}  // namespace
}  // namespace tps
