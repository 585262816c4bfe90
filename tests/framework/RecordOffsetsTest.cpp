// The record store's table of record offsets against a plain map: sets, finds and erases in a
// random order (erasing moves entries of a run back), names of every length up to the limit.
#include "framework/core/RecordOffsets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

namespace {

TEST(RecordOffsetsTest, AgreesWithAMapUnderRandomChanges) {
  RecordOffsets table;
  std::map<std::string, std::int32_t> model;
  std::uint32_t random = 7;
  auto next = [&random] {
    random = random * 1103515245u + 12345u;
    return random >> 8;
  };
  for (int step = 0; step < 20000; ++step) {
    // Hexadecimal names as the store makes them, from a small range so that names come back.
    char name[24];
    const int length = std::snprintf(name, sizeof name, "%x", next() % 3000);
    std::string key(name, static_cast<std::size_t>(length));
    if (step % 7 == 0) {
      key += "IndexOfRecord";  // longer names too, up to 16 bytes
      key.resize(std::min<std::size_t>(key.size(), RecordOffsets::kMaxName));
    }
    switch (next() % 3) {
      case 0:
        ASSERT_TRUE(table.Set(key, step));
        model[key] = step;
        break;
      case 1:
        EXPECT_EQ(table.Erase(key), model.erase(key) == 1) << step;
        break;
      default: {
        const std::int32_t* found = table.Find(key);
        const auto it = model.find(key);
        ASSERT_EQ(found != nullptr, it != model.end()) << step;
        if (found != nullptr) {
          EXPECT_EQ(*found, it->second) << step;
        }
      }
    }
    ASSERT_EQ(table.Size(), model.size()) << step;
  }
  for (const auto& [key, offset] : model) {
    const std::int32_t* found = table.Find(key);
    ASSERT_NE(found, nullptr) << key;
    EXPECT_EQ(*found, offset);
  }
  // A name longer than the tree's keys is never in the table and is refused.
  EXPECT_FALSE(table.Set("a name of 17 char", 1));
  EXPECT_FALSE(table.Contains("a name of 17 char"));
  table.Clear();
  EXPECT_EQ(table.Size(), 0u);
  EXPECT_FALSE(table.Contains(model.begin()->first));
}

}  // namespace
