// The printer-data value format over an in-memory seam.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "common/PrinterDataFormat.h"

namespace {

constexpr std::uint32_t kSz = 1;
constexpr std::uint32_t kBinary = 3;
constexpr std::uint32_t kDword = 4;

// Values of one printer in memory, answering as the spooler does.
class MapSeam : public vel::PrinterDataSeam {
 public:
  struct Value {
    std::uint32_t type;
    std::vector<std::uint8_t> bytes;
  };
  std::uint32_t GetValue(const char16_t* name, std::uint32_t* type, std::uint8_t* data,
                         std::uint32_t size, std::uint32_t* needed) override {
    auto found = values.find(name);
    if (found == values.end()) {
      return 2;
    }
    *type = found->second.type;
    *needed = static_cast<std::uint32_t>(found->second.bytes.size());
    if (found->second.bytes.empty()) {
      return 0;
    }
    if (data == nullptr || size < found->second.bytes.size()) {
      return 234;
    }
    std::memcpy(data, found->second.bytes.data(), found->second.bytes.size());
    return 0;
  }
  std::uint32_t SetValue(const char16_t* name, std::uint32_t type, const std::uint8_t* data,
                         std::uint32_t size) override {
    if (fail_from >= 0 && sets++ >= fail_from) {
      return 5;
    }
    values[name] = Value{type, std::vector<std::uint8_t>(data, data + size)};
    return 0;
  }
  std::map<std::u16string, Value> values;
  int fail_from = -1;
  int sets = 0;
};

std::vector<std::uint8_t> Block(std::size_t n) {
  std::vector<std::uint8_t> bytes(n);
  for (std::size_t i = 0; i < n; ++i) {
    bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
  }
  return bytes;
}

TEST(PrinterDataFormatTest, NumbersAreFourByteDwords) {
  MapSeam seam;
  ASSERT_EQ(vel::SetPrinterDataNumber(seam, u"N", 0x01020304), 1);
  EXPECT_EQ(seam.values[u"N"].type, kDword);
  EXPECT_EQ(seam.values[u"N"].bytes, (std::vector<std::uint8_t>{4, 3, 2, 1}));
  EXPECT_EQ(vel::GetPrinterDataNumber(seam, u"N", 9), 0x01020304u);
  const struct {
    std::uint32_t type;
    std::vector<std::uint8_t> bytes;
  } others[] = {{kBinary, {1, 0, 0, 0}}, {kDword, {1, 0}}, {kDword, {1, 0, 0, 0, 0, 0, 0, 0}}};
  for (const auto& other : others) {
    seam.values[u"N"] = {other.type, other.bytes};
    EXPECT_EQ(vel::GetPrinterDataNumber(seam, u"N", 9), 9u);
  }
  EXPECT_EQ(vel::GetPrinterDataNumber(seam, u"Missing", 9), 9u);
}

TEST(PrinterDataFormatTest, StringsHaveNoTerminator) {
  MapSeam seam;
  ASSERT_EQ(vel::SetPrinterDataString(seam, u"S", u"ab"), 1);
  EXPECT_EQ(seam.values[u"S"].type, kSz);
  EXPECT_EQ(seam.values[u"S"].bytes, (std::vector<std::uint8_t>{'a', 0, 'b', 0}));
  RWWString out;
  vel::GetPrinterDataString(out, seam, u"S", u"d");
  EXPECT_EQ(std::u16string(out.Data(), out.Length()), u"ab");
  const struct {
    std::uint32_t type;
    std::vector<std::uint8_t> bytes;
    std::u16string expected;
  } cases[] = {
      {kSz, {'x', 0, 0, 0, 'y', 0}, u"x"},  // stops at a NUL
      {kSz, {'x', 0, 'y'}, u"x"},           // an odd byte is not a character
      {kSz, {}, u"d"},                      // empty reads as the default
      {kBinary, {'x', 0}, u"d"},
  };
  for (const auto& c : cases) {
    seam.values[u"S"] = {c.type, c.bytes};
    vel::GetPrinterDataString(out, seam, u"S", u"d");
    EXPECT_EQ(std::u16string(out.Data(), out.Length()), c.expected);
  }
}

TEST(PrinterDataFormatTest, BlocksAreChunkedBy248) {
  for (const std::size_t n : {0, 247, 248, 249, 1000}) {
    SCOPED_TRACE(n);
    MapSeam seam;
    const std::vector<std::uint8_t> block = Block(n);
    ASSERT_EQ(vel::SetPrinterDataBinary(seam, u"B", block.data(), static_cast<std::uint32_t>(n)),
              1);
    const std::uint32_t count = static_cast<std::uint32_t>(n / 248 + 1);
    EXPECT_EQ(vel::GetPrinterDataNumber(seam, u"B", 0), count);
    ASSERT_EQ(seam.values.size(), count + 1);
    const std::u16string last = std::u16string(u"B:") + std::u16string(1, u'0' + count - 1);
    EXPECT_EQ(seam.values[last].type, kBinary);
    EXPECT_EQ(seam.values[last].bytes.size(), n % 248);
    std::uint32_t size = 0;
    ASSERT_EQ(vel::GetPrinterDataBinary(seam, u"B", nullptr, 0, &size), 1);
    EXPECT_EQ(size, count * 248);
    std::vector<std::uint8_t> read(size);
    std::uint32_t got = 0;
    ASSERT_EQ(vel::GetPrinterDataBinary(seam, u"B", read.data(), size, &got), 1);
    read.resize(got);
    EXPECT_EQ(read, block);
    // (count - 1) x 248 bytes take a block whose last chunk is empty; one byte less is refused
    // with the size. (A capacity of 0 asks for the size.)
    if (count > 1) {
      std::vector<std::uint8_t> tight((count - 1) * 248);
      EXPECT_EQ(vel::GetPrinterDataBinary(seam, u"B", tight.data(), (count - 1) * 248, &got),
                n % 248 == 0 ? 1 : 0);
      got = 0;
      EXPECT_EQ(vel::GetPrinterDataBinary(seam, u"B", tight.data(), (count - 1) * 248 - 1, &got),
                0);
      EXPECT_EQ(got, count * 248);
    }
  }
}

TEST(PrinterDataFormatTest, UntrustedCountsAndChunksFailTheRead) {
  MapSeam seam;
  const std::vector<std::uint8_t> block = Block(600);
  ASSERT_EQ(vel::SetPrinterDataBinary(seam, u"B", block.data(), 600), 1);
  std::vector<std::uint8_t> buffer(2000);
  std::uint32_t size = 77;
  // A count with a missing chunk.
  MapSeam missing = seam;
  missing.values.erase(u"B:1");
  EXPECT_EQ(vel::GetPrinterDataBinary(missing, u"B", nullptr, 0, &size), 0);
  EXPECT_EQ(vel::GetPrinterDataBinary(missing, u"B", buffer.data(), 2000, &size), 0);
  // An oversized chunk, a chunk of another type.
  MapSeam oversized = seam;
  oversized.values[u"B:0"].bytes.resize(249);
  EXPECT_EQ(vel::GetPrinterDataBinary(oversized, u"B", nullptr, 0, &size), 0);
  EXPECT_EQ(vel::GetPrinterDataBinary(oversized, u"B", buffer.data(), 2000, &size), 0);
  MapSeam typed = seam;
  typed.values[u"B:2"].type = kSz;
  EXPECT_EQ(vel::GetPrinterDataBinary(typed, u"B", buffer.data(), 2000, &size), 0);
  // A count of 0, a count too large for 32 bits, a huge count with nothing behind it.
  for (const std::uint32_t count : {0u, 0xFFFFFFFFu, 17300000u}) {
    MapSeam counted = seam;
    vel::SetPrinterDataNumber(counted, u"B", count);
    size = 77;
    EXPECT_EQ(vel::GetPrinterDataBinary(counted, u"B", nullptr, 0, &size), 0);
    EXPECT_EQ(size, 77u);
  }
  EXPECT_EQ(vel::GetPrinterDataBinary(seam, u"Missing", nullptr, 0, &size), 0);
}

TEST(PrinterDataFormatTest, AFailedWriteAnswersZero) {
  const std::vector<std::uint8_t> block = Block(600);
  for (const int fail_from : {0, 1, 3}) {
    MapSeam seam;
    seam.fail_from = fail_from;
    EXPECT_EQ(vel::SetPrinterDataBinary(seam, u"B", block.data(), 600), 0);
  }
  EXPECT_EQ(std::u16string(vel::PrinterDataChunkName(u"Name", 4294967295u).Data()),
            u"Name:4294967295");
}

}  // namespace
