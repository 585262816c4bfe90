// Palette tables and dither matrices: stored forms, restores of bad counts, equality, and the
// driver's version words and build stamp.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "framework/core/FrameworkIds.h"
#include "framework/pipeline/GDitherMatrix.h"
#include "framework/pipeline/GPaletteTable.h"
#include "framework/pipeline/GRGBColor.h"
#include "tests/support/FwPersistHarness.h"

namespace {

using vel::test::BytesEqual;
using vel::test::Carrier;
using vel::test::HexBytes;

const std::uint8_t kEight[] = {1, 2, 3, 4, 5, 6, 7, 8};

GPaletteTable* ThreeColours() {
  GColorPointerVector colors;
  GRGBColor red(255, 0, 0, 255);
  GRGBColor green(0, 255, 0, 255);
  GRGBColor blue(0, 0, 255, 7);
  colors.insert(&red);
  colors.insert(&green);
  colors.insert(&blue);
  auto* table = new GPaletteTable(colors);
  table->SetKey(9);
  return table;
}

FW_PERSIST_SAMPLES(vel::classid::kGPaletteTable,
                   {{"palette white and black", [] { return new GPaletteTable; }},
                    {"palette empty", [] { return new GPaletteTable(GColorPointerVector()); }},
                    {"palette three colours", [] { return ThreeColours(); }}});

FW_PERSIST_SAMPLES(vel::classid::kGDitherMatrix,
                   {{"dither default", [] { return new GDitherMatrix; }},
                    {"dither 4 x 2", [] { return new GDitherMatrix(4, 2, kEight, 0x0102, 3); }},
                    {"dither 16 x 3", [] {
                       static std::uint8_t values[16 * 3];
                       for (std::size_t i = 0; i < sizeof values; ++i) {
                         values[i] = static_cast<std::uint8_t>(i * 37);
                       }
                       return new GDitherMatrix(16, 3, values, 0xFFFF, 0);
                     }}});

TEST(GPaletteTableTest, FactoryTableHoldsWhiteThenBlackAndRestoresToExactlyTheStoredColours) {
  std::unique_ptr<GPaletteTable> table(static_cast<GPaletteTable*>(GPaletteTable::Create()));
  ASSERT_EQ(table->GetCount(), 2u);
  const auto* white = dynamic_cast<const GRGBColor*>(table->GetEntry(0));
  const auto* black = dynamic_cast<const GRGBColor*>(table->GetEntry(1));
  ASSERT_NE(white, nullptr);
  ASSERT_NE(black, nullptr);
  EXPECT_EQ(white->GetRed() + white->GetGreen() + white->GetBlue(), 3u * 255);
  EXPECT_EQ(black->GetRed() + black->GetGreen() + black->GetBlue(), 0u);
  EXPECT_EQ(white->GetFourthByte(), 255);
  // Inside a record (after the file magic and the class id) the table takes 72 bytes.
  EXPECT_EQ(vel::test::SaveGraph(Carrier::kFile, table.get()).size(), 4u + 2 + 72);

  std::unique_ptr<GPaletteTable> three(ThreeColours());
  for (Carrier carrier : vel::test::kAllCarriers) {
    const auto bytes = vel::test::SaveContentsOf(carrier, *three);
    std::unique_ptr<GPaletteTable> target(static_cast<GPaletteTable*>(GPaletteTable::Create()));
    EXPECT_FALSE(vel::test::RestoreContentsOf(carrier, bytes, *target).failed);
    EXPECT_EQ(target->GetCount(), 3u);
    EXPECT_TRUE(target->IsSameKey(three.get()));
  }
}

TEST(GPaletteTableTest, AStoredCountBeyondTheRecordFailsWithoutAllocatingForIt) {
  std::unique_ptr<GPaletteTable> three(ThreeColours());
  auto bytes = vel::test::SaveContentsOf(Carrier::kFile, *three);
  // The count follows the root part (12 bytes) and the class version word.
  bytes[16] = bytes[17] = bytes[18] = bytes[19] = 0xFF;
  GPaletteTable target;
  EXPECT_TRUE(vel::test::RestoreContentsOf(Carrier::kFile, bytes, target).failed);
  EXPECT_EQ(target.GetCount(), 3u);  // what was read stays, and is freed with the table
}

TEST(GPaletteTableTest, EqualityComparesEveryEntryInOrder) {
  std::unique_ptr<GPaletteTable> a(ThreeColours());
  std::unique_ptr<GPaletteTable> b(ThreeColours());
  EXPECT_TRUE(a->IsSameKey(b.get()));
  GPaletteTable copy(*a);
  EXPECT_TRUE(copy.IsSameKey(a.get()));
  GPaletteTable assigned;
  assigned = *a;
  EXPECT_TRUE(assigned.IsSameKey(a.get()));
  b->Append(new GRGBColor(1, 2, 3, 255));
  EXPECT_FALSE(a->IsSameKey(b.get()));
  EXPECT_TRUE(GPaletteTable(GColorPointerVector()).IsSameKey(
      std::make_unique<GPaletteTable>(GColorPointerVector()).get()));
  GPaletteTable white_black;
  GColorPointerVector reversed;
  GRGBColor black(0, 0, 0, 255);
  GRGBColor white(255, 255, 255, 255);
  reversed.insert(&black);
  reversed.insert(&white);
  EXPECT_FALSE(white_black.IsSameKey(std::make_unique<GPaletteTable>(reversed).get()));
}

TEST(GPaletteTableTest, ColourVectorFindsCountsAndRemovesBySameKey) {
  GRGBColor red(255, 0, 0, 255);
  GRGBColor red_again(255, 0, 0, 255);
  GRGBColor blue(0, 0, 255, 255);
  GColorPointerVector colors;
  for (int i = 0; i < 70; ++i) {  // past the first 64
    colors.insert(i % 2 == 0 ? &red : &blue);
  }
  EXPECT_EQ(colors.index(&red_again), 0u);
  EXPECT_EQ(colors.index(&blue), 1u);
  EXPECT_EQ(colors.occurrencesOf(&red_again), 35u);
  EXPECT_TRUE(colors.remove(&red_again));
  EXPECT_EQ(colors.index(&blue), 0u);
  EXPECT_EQ(colors.removeAll(&blue), 35u);
  EXPECT_EQ(colors.entries(), 34u);
  EXPECT_FALSE(colors.remove(&blue));
  EXPECT_EQ(colors.index(&blue), GColorPointerVector::kNotFound);
}

TEST(GDitherMatrixTest, FourByTwoMatrixStoresItsBytesAndAnswersZeroOutside) {
  GDitherMatrix matrix(4, 2, kEight, 0x0102, 0);
  matrix.SetSerialNumber(0x01020304);
  EXPECT_EQ(matrix.StoredByteCount(), 12u + 4 + 1 + 1 + 8 + 2);
  EXPECT_TRUE(BytesEqual(HexBytes("01 00 00 00  00 00 00 00  04 03 02 01"  // root part
                                  "01 00 00 00  04  02  01 02 03 04 05 06 07 08  02 01"),
                         vel::test::SaveContentsOf(Carrier::kFile, matrix)));
  EXPECT_EQ(matrix.GetValue(1, 3), 8);
  EXPECT_EQ(matrix.GetValue(0, 0), 1);
  EXPECT_EQ(matrix.GetValue(2, 0), 0);
  EXPECT_EQ(matrix.GetValue(0, 4), 0);
  EXPECT_EQ(matrix.GetWidth(), 4);
  EXPECT_EQ(matrix.GetHeight(), 2);
  EXPECT_EQ(matrix.GetId(), 0x0102);
}

TEST(GDitherMatrixTest, MatricesDifferingInIdBytesOrKeyAreNotTheSame) {
  GDitherMatrix matrix(4, 2, kEight, 0x0102, 0);
  EXPECT_TRUE(matrix.IsSameKey(std::make_unique<GDitherMatrix>(matrix).get()));
  EXPECT_FALSE(matrix.IsSameKey(std::make_unique<GDitherMatrix>(4, 2, kEight, 0x0103, 0).get()));
  EXPECT_FALSE(matrix.IsSameKey(std::make_unique<GDitherMatrix>(4, 2, kEight, 0x0102, 1).get()));
  EXPECT_FALSE(matrix.IsSameKey(std::make_unique<GDitherMatrix>(2, 4, kEight, 0x0102, 0).get()));
  std::uint8_t other[8];
  std::memcpy(other, kEight, sizeof other);
  other[7] = 9;
  EXPECT_FALSE(matrix.IsSameKey(std::make_unique<GDitherMatrix>(4, 2, other, 0x0102, 0).get()));
  GDitherMatrix assigned;
  assigned = matrix;
  EXPECT_TRUE(assigned.IsSameKey(&matrix));
  EXPECT_EQ(assigned.GetValue(1, 3), 8);
}

TEST(GDitherMatrixTest, ARecordShorterThanItsSizesFails) {
  GDitherMatrix matrix(4, 2, kEight, 0x0102, 0);
  for (Carrier carrier : vel::test::kAllCarriers) {
    auto bytes = vel::test::SaveContentsOf(carrier, matrix);
    bytes.resize(bytes.size() - 3);  // the id and the last threshold are missing
    GDitherMatrix target(2, 2, kEight, 5, 0);
    EXPECT_TRUE(vel::test::RestoreContentsOf(carrier, bytes, target).failed)
        << vel::test::CarrierName(carrier);
    EXPECT_EQ(target.GetValue(0, 0), 0);  // the old table is gone
  }
}

TEST(GDitherMatrixTest, DriverVersionAndBuildStamp) {
  std::uint32_t high = 0;
  std::uint32_t low = 0;
  vel::GetDriverVersion(&high, &low);
  EXPECT_EQ(high, 0x40001u);
  EXPECT_EQ(low, 0x10005u);
  EXPECT_EQ(std::string(vel::GetBuildDate()), "Sep 21 1998");
  EXPECT_EQ(std::string(vel::GetBuildTime()), "14:05:14");
}

}  // namespace
