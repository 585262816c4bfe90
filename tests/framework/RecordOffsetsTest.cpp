// The record store's table of record offsets against a plain map: sets, finds and erases in a
// random order (erasing moves entries of a run back); serial numbers that cluster; and which
// record names name a serial number.
#include "framework/core/RecordOffsets.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>

#include "framework/core/GRecord.h"

namespace {

TEST(RecordOffsetsTest, AgreesWithAMapUnderRandomChanges) {
  RecordOffsets table;
  std::map<std::uint32_t, std::int32_t> model;
  std::uint32_t random = 7;
  auto next = [&random] {
    random = random * 1103515245u + 12345u;
    return random >> 8;
  };
  for (int step = 0; step < 20000; ++step) {
    // A small range, so that serial numbers come back; now and then one from the whole range.
    const std::uint32_t serial = step % 7 == 0 ? next() * 2654435761u : next() % 3000;
    switch (next() % 3) {
      case 0:
        ASSERT_TRUE(table.Set(serial, step));
        model[serial] = step;
        break;
      case 1:
        EXPECT_EQ(table.Erase(serial), model.erase(serial) == 1) << step;
        break;
      default: {
        const std::int32_t* found = table.Find(serial);
        const auto it = model.find(serial);
        ASSERT_EQ(found != nullptr, it != model.end()) << step;
        if (found != nullptr) {
          EXPECT_EQ(*found, it->second) << step;
        }
      }
    }
    ASSERT_EQ(table.Size(), model.size()) << step;
  }
  for (const auto& [serial, offset] : model) {
    const std::int32_t* found = table.Find(serial);
    ASSERT_NE(found, nullptr) << serial;
    EXPECT_EQ(*found, offset);
  }
  table.Clear();
  EXPECT_EQ(table.Size(), 0u);
  EXPECT_FALSE(table.Contains(model.begin()->first));
}

// Serial numbers that all fall on one slot (a record file made so) still find their entries, and
// quickly: the table switches to mixed hashing.
TEST(RecordOffsetsTest, ClusteringSerialNumbersStayFindable) {
  RecordOffsets table;
  for (std::int32_t i = 0; i < 3000; ++i) {
    ASSERT_TRUE(table.Set(static_cast<std::uint32_t>(i) << 20, i));
  }
  for (std::int32_t i = 0; i < 3000; i += 2) {
    ASSERT_TRUE(table.Erase(static_cast<std::uint32_t>(i) << 20));
  }
  for (std::int32_t i = 0; i < 3000; ++i) {
    const std::int32_t* found = table.Find(static_cast<std::uint32_t>(i) << 20);
    ASSERT_EQ(found != nullptr, i % 2 == 1) << i;
    if (found != nullptr) {
      EXPECT_EQ(*found, i);
    }
  }
  EXPECT_EQ(table.Size(), 1500u);
}

// Exactly the names that record names are formatted as stand for serial numbers.
TEST(RecordOffsetsTest, OnlyRecordNamesNameSerialNumbers) {
  for (const std::uint32_t serial : {0u, 1u, 0xFu, 0x10u, 499u, 4096u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
    char name[GRecord::kNameBuffer];
    const std::size_t length = GRecord::FormatName(serial, name);
    std::uint32_t parsed = 1;
    ASSERT_TRUE(RecordOffsets::SerialOfName(std::string(name, length), &parsed)) << name;
    EXPECT_EQ(parsed, serial);
  }
  for (const char* other :
       {"", "01f3", "00", "1F3", "1f3 ", "IndexOfRecords", "100000000", "-1", "g", "1f3\x80"}) {
    std::uint32_t parsed = 0;
    EXPECT_FALSE(RecordOffsets::SerialOfName(other, &parsed)) << other;
  }
}

}  // namespace
