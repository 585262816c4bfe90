// The string blocks of velres, read with the test's own decoder: every quoted text exactly, the
// numbers kept as text, leading blanks, and ids that must have no text.
#include <gtest/gtest.h>

#include <map>

#include "tests/resources/VelresTestSupport.h"
#include "tests/resources/VelresTexts.h"
#include "tests/support/ResourceDecoder.h"

namespace vel::test {
namespace {

constexpr std::uint16_t kStringType = 6;

// The text of string `id` from its block; empty when the block or the string is missing.
std::u16string TableString(std::uint16_t id) {
  const velres::ResourceEntry* block = FindVelresResource(kStringType, id / 16 + 1);
  if (block == nullptr) return u"";
  std::array<std::u16string, 16> strings;
  std::string error;
  EXPECT_TRUE(DecodeStringBlock(block->data, block->size, strings, error)) << error;
  return strings[id % 16];
}

TEST(VelresStrings, EveryQuotedTextExactly) {
  for (const QuotedText& q : QuotedTexts()) {
    EXPECT_EQ(Narrow(TableString(q.id)), Narrow(q.text)) << "string " << q.id;
  }
}

TEST(VelresStrings, NumbersKeptAsTextAndLeadingBlanks) {
  const std::map<std::uint16_t, std::u16string> cases = {
      {11051, u"4"},   {11077, u"150"},           {11078, u"145"},
      {11079, u"200"}, {11080, u"275"},           {11052, u" Factory Defaults"},
      {11060, u" (none)"}, {11072, u" #"},        {11020, u" by "},
  };
  for (const auto& [id, text] : cases) EXPECT_EQ(Narrow(TableString(id)), Narrow(text)) << id;
}

// 11902 is a marker that must load no text; the on/off map ids are not in the table either.
TEST(VelresStrings, MarkersHaveNoText) {
  for (std::uint16_t id : {11902, 11301, 11302, 11351, 11352}) {
    EXPECT_EQ(TableString(id), u"") << id;
  }
}

TEST(VelresStrings, EveryBlockIsWellFormedAndEnglish) {
  int blocks = 0;
  for (std::size_t i = 0; i < velres::kResourcesCount; ++i) {
    const velres::ResourceEntry& e = velres::kResources[i];
    if (e.type.id != kStringType) continue;
    ++blocks;
    EXPECT_EQ(e.language, 1033);
    std::array<std::u16string, 16> strings;
    std::string error;
    EXPECT_TRUE(DecodeStringBlock(e.data, e.size, strings, error)) << e.name.id << ": " << error;
  }
  EXPECT_GT(blocks, 30);
}

}  // namespace
}  // namespace vel::test
