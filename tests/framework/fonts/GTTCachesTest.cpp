// The TrueType table cache, the glyph cache and its nodes, and the memory block they trade in.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <cstring>
#include <memory>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/output/fonts/GGlyphCache.h"
#include "framework/output/fonts/GMemoryBlock.h"
#include "framework/output/fonts/GTTFontFile.h"
#include "framework/output/fonts/GTTTableCache.h"
#include "tests/support/FwPersistHarness.h"

namespace {

using vel::test::Bytes;
using vel::test::Carrier;

GMemoryBlock* Owned(std::vector<std::uint8_t> bytes) {
  auto* data = new std::uint8_t[bytes.empty() ? 1 : bytes.size()];
  if (!bytes.empty()) {
    std::memcpy(data, bytes.data(), bytes.size());
  }
  return new GMemoryBlock(data, static_cast<std::uint32_t>(bytes.size()), true);
}

GTTTableCache* TwoTables() {
  auto* cache = new GTTTableCache;
  cache->SetTable(0, Owned({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  cache->SetTable(23, new GMemoryBlock(nullptr, 0, true));
  return cache;
}

GGlyphCache* SomeGlyphs() {
  auto* cache = new GGlyphCache;
  cache->Insert(0, new GGlyphCacheNode(Owned({})));
  cache->Insert(0x1234, new GGlyphCacheNode(Owned({0xFF, 0xFF, 0, 0, 0, 10})));
  cache->Insert(0xFFFF, new GGlyphCacheNode(Owned({7})));
  return cache;
}

FW_PERSIST_SAMPLES(vel::classid::kGTTTableCache,
                   {{"empty table cache", [] { return new GTTTableCache; }},
                    {"tables of 10 and 0 bytes", [] { return TwoTables(); }}});
FW_PERSIST_SAMPLES(vel::classid::kGGlyphCache,
                   {{"empty glyph cache", [] { return new GGlyphCache; }},
                    {"three glyphs in three pages", [] { return SomeGlyphs(); }}});
FW_PERSIST_SAMPLES(vel::classid::kGGlyphCacheNode,
                   {{"empty node", [] { return new GGlyphCacheNode; }},
                    {"node of 3 bytes", [] { return new GGlyphCacheNode(Owned({1, 2, 3})); }}});
FW_PERSIST_SAMPLES(vel::classid::kGTTFontFile,
                   {{"handle without a reader", [] { return new GTTFontFile; }}});

TEST(GMemoryBlockTest, TakeDataHandsOverOwnedBytesAndCopiesBorrowedOnes) {
  GMemoryBlock owned(new std::uint8_t[2]{1, 2}, 2, true);
  std::uint8_t* original = owned.GetData();
  std::uint8_t* taken = owned.TakeData();
  EXPECT_EQ(taken, original);
  EXPECT_FALSE(owned.OwnsData());
  delete[] taken;

  std::uint8_t bytes[2] = {3, 4};
  GMemoryBlock borrowed(bytes, 2, false);
  std::unique_ptr<std::uint8_t[]> copy(borrowed.TakeData());
  ASSERT_NE(copy.get(), bytes);
  EXPECT_EQ(copy[1], 4);
  EXPECT_EQ(GMemoryBlock(bytes, 0, false).TakeData(), nullptr);

  // A clone owns a copy, so the original and the clone can go in either order.
  auto* clone = borrowed.Clone();
  EXPECT_TRUE(clone->OwnsData());
  EXPECT_NE(clone->GetData(), bytes);
  EXPECT_EQ(clone->GetSize(), 2u);
  delete clone;
}

TEST(GTTTableCacheTest, EmptyAndLoadedSlotsAnswerAsTheyShould) {
  std::unique_ptr<GTTTableCache> cache(TwoTables());
  EXPECT_EQ(cache->GetCount(), 2u);
  EXPECT_EQ(cache->GetTable(5), nullptr);
  EXPECT_EQ(cache->GetTable(24), nullptr);

  std::unique_ptr<GMemoryBlock> empty(cache->GetTable(23));
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->GetSize(), 0u);
  EXPECT_TRUE(empty->OwnsData());

  std::unique_ptr<GMemoryBlock> table(cache->GetTable(0));
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->GetSize(), 10u);
  EXPECT_FALSE(table->OwnsData());
  EXPECT_EQ(table->GetData()[9], 10);
}

TEST(GTTTableCacheTest, StoredSizeCountsSlotsAndLoadedTables) {
  std::unique_ptr<GTTTableCache> cache(TwoTables());
  const std::uint32_t base = GTTTableCache().GBaseObject::StoredByteCount();
  EXPECT_EQ(cache->StoredByteCount(), base + 9 + 96 + 14 + 4);
}

TEST(GTTTableCacheTest, SettingALoadedSlotAgainReplacesItWithoutCountingIt) {
  GTTTableCache cache;
  EXPECT_EQ(cache.SetTable(3, Owned({1, 2})), 1);
  EXPECT_EQ(cache.SetTable(3, Owned({9, 9, 9})), 0);  // the old bytes are freed (ASan)
  EXPECT_EQ(cache.GetCount(), 1u);
  std::unique_ptr<GMemoryBlock> table(cache.GetTable(3));
  EXPECT_EQ(table->GetSize(), 3u);
  EXPECT_EQ(cache.SetTable(24, Owned({1})), 0);
  EXPECT_EQ(cache.GetCount(), 1u);
}

TEST(GTTTableCacheTest, AbsorbMovesOnlyWhatIsMissingHere) {
  GTTTableCache mine;
  mine.SetTable(0, Owned({1}));
  GTTTableCache other;
  other.SetTable(0, Owned({2}));
  other.SetTable(7, Owned({3, 3}));
  EXPECT_EQ(mine.Absorb(other), 1u);
  EXPECT_EQ(mine.GetCount(), 2u);
  EXPECT_EQ(other.GetCount(), 1u);
  EXPECT_FALSE(other.IsLoaded(7));
  std::unique_ptr<GMemoryBlock> kept(mine.GetTable(0));
  EXPECT_EQ(kept->GetData()[0], 1);
}

TEST(GTTTableCacheTest, EqualityLooksAtEverySlot) {
  std::unique_ptr<GTTTableCache> a(TwoTables());
  std::unique_ptr<GTTTableCache> b(TwoTables());
  b->SetKey(a->GetKey());
  b->SetSerialNumber(a->SerialNumber());
  EXPECT_TRUE(a->IsSameKey(b.get()));
  b->SetTable(0, Owned({1, 2, 3, 4, 5, 6, 7, 8, 9, 11}));
  EXPECT_FALSE(a->IsSameKey(b.get()));
}

TEST(GGlyphCacheTest, AGlyphMakesOnlyItsOwnPage) {
  GGlyphCache cache;
  EXPECT_EQ(cache.Insert(0x1234, new GGlyphCacheNode(Owned({1}))), 1);
  EXPECT_NE(cache.Find(0x1234), nullptr);
  EXPECT_EQ(cache.Find(0x1235), nullptr);
  EXPECT_EQ(cache.Find(0x1334), nullptr);
  const std::uint32_t base = GGlyphCache().GBaseObject::StoredByteCount();
  // One present page: its 256 entry flags, and the one node.
  EXPECT_EQ(cache.StoredByteCount(),
            base + 12 + 4 * 256 + 4 * 256 + RWTotalStoredSize(cache.Find(0x1234)));
}

TEST(GGlyphCacheTest, InsertingOverAGlyphFreesTheOldNodeAndKeepsTheCount) {
  GGlyphCache cache;
  EXPECT_EQ(cache.Insert(7, new GGlyphCacheNode(Owned({1}))), 1);
  EXPECT_EQ(cache.Insert(7, new GGlyphCacheNode(Owned({2, 2}))), 0);
  EXPECT_EQ(cache.GetCount(), 1u);
  EXPECT_EQ(cache.Find(7)->GetSize(), 2u);
}

TEST(GGlyphCacheTest, CachesDifferingInAPageOnlyOneHasAreUnequal) {
  std::unique_ptr<GGlyphCache> a(SomeGlyphs());
  std::unique_ptr<GGlyphCache> b(SomeGlyphs());
  for (GGlyphCache* cache : {a.get(), b.get()}) {
    cache->SetKey(1);
    cache->SetSerialNumber(1);
  }
  // The nodes carry serial numbers of their own: equal caches need equal nodes.
  for (std::uint16_t glyph : {0, 0x1234, 0xFFFF}) {
    b->Find(glyph)->SetSerialNumber(a->Find(glyph)->SerialNumber());
  }
  EXPECT_TRUE(a->IsSameKey(b.get()));
  b->Insert(0x0500, new GGlyphCacheNode(Owned({1})));
  EXPECT_FALSE(a->IsSameKey(b.get()));
  EXPECT_FALSE(b->IsSameKey(a.get()));
}

TEST(GGlyphCacheTest, AbsorbMovesNodesIntoEmptyPlacesOnly) {
  GGlyphCache mine;
  mine.Insert(1, new GGlyphCacheNode(Owned({1})));
  GGlyphCache other;
  other.Insert(1, new GGlyphCacheNode(Owned({2})));
  other.Insert(0x300, new GGlyphCacheNode(Owned({3})));
  EXPECT_EQ(mine.Absorb(other), 1u);
  EXPECT_EQ(mine.GetCount(), 2u);
  EXPECT_EQ(other.GetCount(), 1u);
  EXPECT_EQ(other.Find(0x300), nullptr);
  EXPECT_EQ(mine.Find(1)->Data()[0], 1);
}

// Stored contents in the binary-file form, patched at a byte offset.
class CraftedCacheTest : public ::testing::TestWithParam<Carrier> {};

INSTANTIATE_TEST_SUITE_P(Carriers, CraftedCacheTest,
                         ::testing::Values(Carrier::kFile, Carrier::kBinary),
                         [](const auto& info) {
                           std::string name = vel::test::CarrierName(info.param);
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

// Root part (12 bytes), then the class version word: the class's own fields start at 16.
constexpr std::size_t kOwnFields = 16;

void PutLittle(Bytes& bytes, std::size_t at, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i) {
    bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
}

TEST_P(CraftedCacheTest, TableCacheRefusesTooManySlotsAndSizesBeyondTheData) {
  std::unique_ptr<GTTTableCache> source(TwoTables());
  const Bytes stored = vel::test::SaveContentsOf(GetParam(), *source);
  // The first slot's size sits after the slot count, the count and its state.
  struct Case {
    const char* name;
    std::size_t at;
    std::uint32_t value;
    int width;
  } cases[] = {{"slot count 200", kOwnFields, 200, 1},
               {"slot count 25", kOwnFields, 25, 1},
               {"size beyond the data", kOwnFields + 1 + 4 + 4, 0x7FFFFFFF, 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes crafted = stored;
    PutLittle(crafted, c.at, c.value, c.width);
    std::unique_ptr<GTTTableCache> target(TwoTables());
    target->SetTable(5, Owned({5}));
    const auto restored = vel::test::RestoreContentsOf(GetParam(), crafted, *target);
    EXPECT_TRUE(restored.failed);
    EXPECT_EQ(target->GetCount(), 3u);  // as it was
    EXPECT_TRUE(target->IsLoaded(5));
  }
}

TEST_P(CraftedCacheTest, GlyphCacheRefusesTooManyPagesOrEntries) {
  std::unique_ptr<GGlyphCache> source(SomeGlyphs());
  const Bytes stored = vel::test::SaveContentsOf(GetParam(), *source);
  struct Case {
    const char* name;
    std::size_t at;
    std::uint32_t value;
  } cases[] = {{"page count 300", kOwnFields, 300}, {"entries per page 257", kOwnFields + 2, 257}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes crafted = stored;
    PutLittle(crafted, c.at, c.value, 2);
    GGlyphCache target;
    target.Insert(9, new GGlyphCacheNode(Owned({9})));
    const auto restored = vel::test::RestoreContentsOf(GetParam(), crafted, target);
    EXPECT_TRUE(restored.failed);
    EXPECT_EQ(target.GetCount(), 1u);
    EXPECT_NE(target.Find(9), nullptr);
  }
}

TEST_P(CraftedCacheTest, AStoredCountThatDisagreesGivesWayToWhatWasRead) {
  std::unique_ptr<GTTTableCache> source(TwoTables());
  Bytes stored = vel::test::SaveContentsOf(GetParam(), *source);
  PutLittle(stored, kOwnFields + 1, 1000, 4);
  GTTTableCache target;
  const auto restored = vel::test::RestoreContentsOf(GetParam(), stored, target);
  EXPECT_FALSE(restored.failed);
  EXPECT_EQ(target.GetCount(), 2u);
}

}  // namespace
