// Bit vectors and the byte-array helpers: used bits only, errors that leave things unchanged.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "rw/RWBitVector.h"
#include "rw/RWDefs.h"
#include "tests/support/FailingAllocation.h"
#include "tests/support/RwRecordingErrorHook.h"

namespace {

using vel::test::RecordingErrorHook;

std::vector<std::uint8_t> Bytes(const RWBitVector& v) {
  return std::vector<std::uint8_t>(v.Data(), v.Data() + v.ByteCount());
}

TEST(RWBitVectorTest, Construction) {
  EXPECT_EQ(RWBitVector(0).Data(), nullptr);
  EXPECT_EQ(Bytes(RWBitVector(9)), std::vector<std::uint8_t>({0x00, 0x00}));
  EXPECT_EQ(Bytes(RWBitVector(9, true)), std::vector<std::uint8_t>({0xFF, 0xFF}));
  EXPECT_EQ(Bytes(RWBitVector(16, false)), std::vector<std::uint8_t>({0x00, 0x00}));
  const std::uint8_t source[] = {0x12, 0x34, 0x56};
  RWBitVector copied(source, 12);  // ceil(12 / 8) = 2 bytes
  EXPECT_EQ(Bytes(copied), std::vector<std::uint8_t>({0x12, 0x34}));
  EXPECT_EQ(copied.Length(), 12u);

  RWBitVector copy(copied);
  EXPECT_NE(copy.Data(), copied.Data());
  EXPECT_EQ(copy, copied);
  RWBitVector assigned(3, true);
  assigned = copied;
  EXPECT_EQ(Bytes(assigned), Bytes(copied));
  const RWBitVector& self = assigned;
  assigned = self;
  EXPECT_EQ(Bytes(assigned), Bytes(copied));
  assigned.SetAll(true);
  EXPECT_EQ(Bytes(assigned), std::vector<std::uint8_t>({0xFF, 0xFF}));
  assigned.SetAll(false);
  EXPECT_EQ(Bytes(assigned), std::vector<std::uint8_t>({0x00, 0x00}));
}

// A 10-bit vector: the high six bits of its last byte are unused and may hold anything.
TEST(RWBitVectorTest, UnusedBitsAreIgnored) {
  const std::uint8_t clean[] = {0xFF, 0x03};
  const std::uint8_t junk[] = {0xFF, 0xAB};  // low two bits 11, junk above
  const RWBitVector a(clean, 10);
  const RWBitVector b(junk, 10);
  EXPECT_EQ(a, b);
  EXPECT_EQ(a.Hash(), b.Hash());
  EXPECT_EQ(a.CountSetBits(), 10u);
  EXPECT_EQ(b.CountSetBits(), 10u);
  EXPECT_TRUE(b.IsAll(true));
  EXPECT_FALSE(b.IsAll(false));

  const std::uint8_t differs[] = {0xFF, 0x01};
  EXPECT_FALSE(a == RWBitVector(differs, 10));
  EXPECT_FALSE(a == RWBitVector(clean, 11));  // another length
  EXPECT_EQ(RWBitVector(), RWBitVector(0, true));

  const std::uint8_t clear_junk[] = {0x00, 0xFC};
  EXPECT_TRUE(RWBitVector(clear_junk, 10).IsAll(false));
  EXPECT_TRUE(RWBitVector().IsAll(true));
  EXPECT_TRUE(RWBitVector().IsAll(false));
}

// h = length; per whole byte h = b ^ rotl(h, 5); a partial last byte is masked first.
TEST(RWBitVectorTest, HashValues) {
  const std::uint8_t bytes[] = {0xFF, 0xAB};
  EXPECT_EQ(RWBitVector(bytes, 10).Hash(), 0x37E3u);  // 0xFF ^ (10 << 5) = 0x1BF; 0x03 ^ 0x37E0
  EXPECT_EQ(RWBitVector(bytes, 16).Hash(), 0x5F4Bu);  // 0xFF ^ (16 << 5) = 0x2FF; 0xAB ^ 0x5FE0
  EXPECT_EQ(RWBitVector().Hash(), 0u);
  // Seven rotations by 5 carry the length round the word: rotl(56, 35) = 56 << 3; then xor 1.
  const std::uint8_t high[] = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01};
  EXPECT_EQ(RWBitVector(high, 56).Hash(), 0x1C1u);
}

TEST(RWBitVectorTest, LogicalOperations) {
  const std::uint8_t x[] = {0b1100'1010, 0b01};
  const std::uint8_t y[] = {0b1010'0110, 0b11};
  const RWBitVector a(x, 10);
  const RWBitVector b(y, 10);
  EXPECT_EQ(Bytes(a & b), std::vector<std::uint8_t>({0b1000'0010, 0b01}));
  EXPECT_EQ(Bytes(a | b), std::vector<std::uint8_t>({0b1110'1110, 0b11}));
  EXPECT_EQ(Bytes(a ^ b), std::vector<std::uint8_t>({0b0110'1100, 0b10}));
  EXPECT_EQ(Bytes(~a), std::vector<std::uint8_t>({0b0011'0101, 0b1111'1110}));
  EXPECT_EQ((~a).CountSetBits(), 5u);
  EXPECT_EQ((a | b).Length(), 10u);
}

TEST(RWBitVectorTest, UnequalLengthsRaiseAndGiveAnEmptyVector) {
  RecordingErrorHook hook;
  const RWBitVector a(10, true);
  const RWBitVector b(12, true);
  EXPECT_EQ((a & b).Length(), 0u);
  EXPECT_EQ((a | b).Data(), nullptr);
  EXPECT_EQ((b ^ a).Length(), 0u);
  EXPECT_EQ(hook.Texts(),
            (std::vector<std::string>{"[NEVECL] Unequal vector lengths: 10 versus 12",
                                      "[NEVECL] Unequal vector lengths: 10 versus 12",
                                      "[NEVECL] Unequal vector lengths: 12 versus 10"}));
  EXPECT_TRUE(a.IsAll(true));
}

TEST(RWBitVectorTest, ResizeKeepsBitsAndClearsStaleOnes) {
  const std::uint8_t bytes[] = {0xFF, 0xFF};
  RWBitVector v(bytes, 10);  // bits 10 to 15 are stale ones
  ASSERT_TRUE(v.Resize(20));
  EXPECT_EQ(Bytes(v), std::vector<std::uint8_t>({0xFF, 0x03, 0x00}));
  EXPECT_EQ(v.CountSetBits(), 10u);
  ASSERT_TRUE(v.Resize(4));
  EXPECT_EQ(v.CountSetBits(), 4u);
  ASSERT_TRUE(v.Resize(9));  // bits 4 to 7 were ones before shrinking; they come back as 0
  EXPECT_EQ(v.CountSetBits(), 4u);
  EXPECT_FALSE(v.TestBit(5));
  ASSERT_TRUE(v.Resize(0));
  EXPECT_EQ(v.Data(), nullptr);
  EXPECT_EQ(v, RWBitVector());
}

TEST(RWBitVectorTest, ElementAccessAndIndexErrors) {
  RWBitVector v(10);
  v.SetBit(9);
  v.SetBit(3);
  v.ClearBit(3);
  v.SetBit(0, true);
  EXPECT_EQ(Bytes(v), std::vector<std::uint8_t>({0x01, 0x02}));
  EXPECT_TRUE(v.TestBit(9));
  EXPECT_FALSE(v.TestBit(8));

  RecordingErrorHook hook;
  EXPECT_FALSE(v.TestBit(10));
  v.SetBit(10);
  v.ClearBit(RW_NPOS);
  EXPECT_EQ(hook.Texts(),
            (std::vector<std::string>{
                "[INDEXERR] Illegal Index (10) for collection or string with 10 elements",
                "[INDEXERR] Illegal Index (10) for collection or string with 10 elements",
                "[NPOSINDEX] The value RW_NPOS cannot be used as an index."}));
  EXPECT_EQ(Bytes(v), std::vector<std::uint8_t>({0x01, 0x02}));
}

TEST(RWBitVectorTest, NoMemoryGivesEmptyVectorsAndAFailedResize) {
  RWBitVector v(10, true);
  {
    vel::test::FailingAllocation fail(0, -1);
    EXPECT_EQ(RWBitVector(8, true).Length(), 0u);
    EXPECT_EQ(RWBitVector(v).Length(), 0u);
    EXPECT_EQ((v & v).Length(), 0u);
    EXPECT_FALSE(v.Resize(100));
  }
  EXPECT_EQ(v.Length(), 10u);
  EXPECT_TRUE(v.IsAll(true));
}

TEST(RWByteArrayTest, CombineIntoDestination) {
  std::uint8_t d[] = {0xF0, 0x0F, 0x55};
  const std::uint8_t s[] = {0x3C, 0x3C, 0xFF};
  vel::OrBytes(d, s, 2);  // the third byte is left alone
  EXPECT_EQ(std::vector<std::uint8_t>(d, d + 3), std::vector<std::uint8_t>({0xFC, 0x3F, 0x55}));
  vel::XorBytes(d, s, 3);
  EXPECT_EQ(std::vector<std::uint8_t>(d, d + 3), std::vector<std::uint8_t>({0xC0, 0x03, 0xAA}));
  vel::AndBytes(d, s, 3);
  EXPECT_EQ(std::vector<std::uint8_t>(d, d + 3), std::vector<std::uint8_t>({0x00, 0x00, 0xAA}));
}

TEST(RWByteArrayTest, FirstSetAndFirstClearBit) {
  struct Case {
    std::vector<std::uint8_t> bytes;
    std::size_t bits;
    std::int64_t first_set;
    std::int64_t first_clear;
  };
  const Case cases[] = {
      {{}, 0, -1, -1},           {{0x00, 0x00}, 16, -1, 0},
      {{0xFF, 0xFF}, 16, 0, -1}, {{0x00, 0x10}, 16, 12, 0},
      {{0xFF, 0xEF}, 16, 0, 12}, {{0x00, 0xFC}, 10, -1, 0},  // the set bits lie beyond the tenth
      {{0xFF, 0x03}, 10, 0, -1},                             // the clear bits lie beyond the tenth
      {{0x00, 0x02}, 10, 9, 0},  {{0xFF, 0xFD}, 10, 0, 9},
      {{0x80}, 8, 7, 0},         {{0x80}, 7, -1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << c.bits << " bits, first byte " << (c.bytes.empty() ? -1 : c.bytes[0]));
    EXPECT_EQ(vel::FirstSetBit(c.bytes.data(), c.bits), c.first_set);
    EXPECT_EQ(vel::FirstClearBit(c.bytes.data(), c.bits), c.first_clear);
  }
}

}  // namespace
