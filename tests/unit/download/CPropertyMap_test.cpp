// CPropertyMap: key order, first key wins, owned copies, the two readers' accessors, and
// the allocator balance.
#include "download/CPropertyMap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "base/host_services.h"
#include "map_pairs.h"
#include "support/test_browser.h"

namespace {

void put(CPropertyMap& map, const std::string& key, const std::string& value) {
  map.insert(key.data(), key.size(), value.data(), value.size());
}

}  // namespace

TEST(CPropertyMap, OrdersKeysByUnsignedBytesShorterFirstAndCaseCounts) {
  CPropertyMap map;
  for (const char* key : {"b", "\x80", "ab", "a", "\x7f", "A", "a\x01", ""}) put(map, key, key);
  put(map, "a", "second");
  EXPECT_EQ(pairsOf(map), (Pairs{{"A", "A"}, {"a", "a"}, {"a\x01", "a\x01"}, {"ab", "ab"},
                                 {"b", "b"}, {"\x7f", "\x7f"}, {"\x80", "\x80"}}));
  EXPECT_EQ(map.count(), 7);
  EXPECT_EQ(map.find("missing"), nullptr);
  EXPECT_EQ(map.find(nullptr), nullptr);
}

TEST(CPropertyMap, StaysSearchableAndOrderedWhateverTheInsertionOrder) {
  CPropertyMap map;
  std::vector<std::string> keys;
  for (int i = 0; i < 5000; ++i) keys.push_back("key" + std::to_string((i * 7919) % 5000));
  for (const std::string& key : keys) put(map, key, key + "v");
  std::sort(keys.begin(), keys.end());
  const Pairs pairs = pairsOf(map);
  ASSERT_EQ(pairs.size(), keys.size());
  for (size_t i = 0; i < keys.size(); ++i) EXPECT_EQ(pairs[i].first, keys[i]);
  for (const std::string& key : keys) EXPECT_EQ(map.find(key.c_str()), key + "v");
}

TEST(CPropertyMap, AccessorsCopyOrFallBackAndCutToTheBuffer) {
  CPropertyMap map;
  put(map, "long", "abcdef");
  put(map, "empty", "");
  char buffer[4] = {'x', 'x', 'x', 'x'};
  EXPECT_FALSE(copyProperty(map, "empty", buffer, sizeof buffer));
  EXPECT_FALSE(copyProperty(map, "absent", buffer, sizeof buffer));
  EXPECT_EQ(std::string(buffer, 4), "xxxx");
  EXPECT_TRUE(copyProperty(map, "long", buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "abc");
  char* fallback = getProperty(map, "absent", "default");
  EXPECT_STREQ(fallback, "default");
  NPN_MemFree(fallback);
}

TEST(CPropertyMap, GivesEveryBlockBackAndRefusesPairsWithoutRoom) {
  const long long before = TestBrowser::instance().balanceBytes();
  {
    CPropertyMap map;
    for (int i = 0; i < 100; ++i) put(map, std::to_string(i), "v");
    TestBrowser::instance().failAllocationsAfter(0);
    EXPECT_FALSE(map.insert("new", 3, "v", 1));
    EXPECT_TRUE(map.insert("5", 1, "v", 1));  // present already: nothing to allocate
    TestBrowser::instance().stopFailingAllocations();
    EXPECT_EQ(map.count(), 100);
  }
  EXPECT_EQ(TestBrowser::instance().balanceBytes(), before);
}
