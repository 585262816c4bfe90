// The texts of velres through LoadStringW: every quoted text exactly, the numbers kept as text,
// leading blanks, ids that must have no text, short buffers; and every string block read with the
// test's own decoder.
#include <gtest/gtest.h>

#include <map>

#include "platform/win32/resources.h"
#include "tests/resources/VelresTestSupport.h"
#include "tests/resources/VelresTexts.h"
#include "tests/support/ResourceDecoder.h"

namespace vel::test {
namespace {

std::u16string Load(std::uint16_t id) {
  char16_t buffer[1024];
  int length = LoadStringW(Velres(), id, buffer, 1024);
  std::u16string text(buffer);
  EXPECT_EQ(static_cast<std::size_t>(length), text.size()) << id;
  return text;
}

TEST(VelresStrings, EveryQuotedTextExactly) {
  ASSERT_NE(Velres(), nullptr);
  for (const QuotedText& q : QuotedTexts()) {
    EXPECT_EQ(Narrow(Load(q.id)), Narrow(q.text)) << "string " << q.id;
  }
}

TEST(VelresStrings, NumbersKeptAsTextAndLeadingBlanks) {
  const std::map<std::uint16_t, std::u16string> cases = {
      {11051, u"4"},       {11077, u"150"}, {11078, u"145"},
      {11079, u"200"},     {11080, u"275"}, {11052, u" Factory Defaults"},
      {11060, u" (none)"}, {11072, u" #"},  {11020, u" by "},
  };
  for (const auto& [id, text] : cases)
    EXPECT_EQ(Narrow(Load(id)), Narrow(text)) << id;
}

// 11902 is a marker that must load no text; the on/off map ids are not in the table either.
TEST(VelresStrings, MarkersHaveNoText) {
  for (std::uint16_t id : {11902, 11301, 11302, 11351, 11352}) {
    char16_t buffer[8] = u"xxxxxxx";
    EXPECT_EQ(LoadStringW(Velres(), id, buffer, 8), 0) << id;
    EXPECT_EQ(buffer[0], u'\0');
  }
}

TEST(VelresStrings, ShortBufferCutsAndTerminates) {
  char16_t buffer[5] = u"xxxx";
  EXPECT_EQ(LoadStringW(Velres(), 11052, buffer, 5), 4);
  EXPECT_EQ(std::u16string(buffer), u" Fac");
  // A buffer size of 0 answers a pointer to the counted text itself.
  const char16_t* text = nullptr;
  int length = LoadStringW(Velres(), 5100, reinterpret_cast<LPWSTR>(&text), 0);
  ASSERT_EQ(length, 20);
  EXPECT_EQ(std::u16string(text, 20), u"Incompatible Options");
}

TEST(VelresStrings, EveryBlockIsWellFormed) {
  int blocks = 0;
  for (std::uint16_t block = 1; block <= 4096; ++block) {
    ResourceBytes bytes = VelresResource(6, block);
    if (bytes.data == nullptr)
      continue;
    ++blocks;
    std::array<std::u16string, 16> strings;
    std::string error;
    EXPECT_TRUE(DecodeStringBlock(bytes.data, bytes.size, strings, error))
        << block << ": " << error;
  }
  EXPECT_GT(blocks, 30);
}

}  // namespace
}  // namespace vel::test
