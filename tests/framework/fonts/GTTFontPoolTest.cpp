// The font pool and the font file handle: ids, references, saving for an owner, merging stored
// readers, purging, stale handles, and lock failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "framework/core/DriverError.h"
#include "framework/core/GSemaphore.h"
#include "framework/core/GStreamHolders.h"
#include "framework/output/fonts/GGlyphCache.h"
#include "framework/output/fonts/GMemoryBlock.h"
#include "framework/output/fonts/GTTFontFile.h"
#include "framework/output/fonts/GTTTableCache.h"
#include "rw/RWVirtualStream.h"
#include "tests/framework/fonts/FontTestFixture.h"
#include "tests/support/RwPersistTestClasses.h"

namespace {

namespace tt = vel::truetype;
using vel::test::Carrier;
using vel::test::MemoryFontReader;

GTTFontHandle const kFont = nullptr;

// The bytes of a pool saved for an owner.
std::vector<std::uint8_t> SavePool(GTTFontPool& pool, std::uint32_t owner) {
  std::vector<std::uint8_t> buffer(1 << 20);
  GStreamWriter writer(buffer.data(), static_cast<std::uint32_t>(buffer.size()),
                       vel::kBinaryFormat);
  EXPECT_EQ(pool.Save(*writer.Stream(), owner), 1);
  writer.Stream()->Flush();
  EXPECT_NE(writer.Stream()->Good(), 0);
  buffer.resize(static_cast<std::size_t>(writer.Position()));
  return buffer;
}

int RestorePool(GTTFontPool& pool, const std::vector<std::uint8_t>& bytes) {
  GStreamReader reader(bytes.data(), static_cast<std::uint32_t>(bytes.size()), vel::kBinaryFormat);
  return pool.Restore(*reader.Stream());
}

class GTTFontPoolTest : public vel::test::FontTest {
 protected:
  // A new reader over the test font, held by the pool (reference count 1).
  static MemoryFontReader* Pooled() {
    auto* reader = new MemoryFontReader(vel::test::MakeTestFont());
    Pool().Add(reader);
    return reader;
  }
  static std::int16_t References(const GTTFontReader* reader) {
    return reader->GetReferenceCount();
  }
};

TEST_F(GTTFontPoolTest, IdsCountFromZeroAgainAfterAReset) {
  EXPECT_EQ(Pool().NextFontId(), 0u);
  EXPECT_EQ(Pool().NextFontId(), 1u);
  EXPECT_EQ(Pooled()->GetFontId(), 2u);
  Pool().Reset();
  EXPECT_EQ(Pool().Count(), 0u);
  EXPECT_EQ(Pool().NextFontId(), 0u);
}

TEST_F(GTTFontPoolTest, HandlesCountReferencesAndTheLastOneDeletesTheReader) {
  MemoryFontReader* reader = Pooled();
  EXPECT_EQ(References(reader), 1);
  GTTFontFile* first = Pool().NewFontFile(reader);
  auto* second = static_cast<GTTFontFile*>(first->Clone());
  EXPECT_EQ(References(reader), 3);
  EXPECT_TRUE(first->IsSameKey(second));
  delete first;
  EXPECT_EQ(References(reader), 2);
  // The pool lets go of it while a handle still uses it: it lives on for the handle.
  EXPECT_EQ(Pool().Drop(reader->GetFontId()), 1);
  EXPECT_EQ(Pool().Drop(reader->GetFontId()), 0);
  EXPECT_EQ(References(reader), 1);
  EXPECT_EQ(second->MapCharToGlyph(kFont, false, 'B', 16), 2);
  delete second;  // the last reference: the reader goes (LeakSanitizer would see it otherwise)
}

TEST_F(GTTFontPoolTest, ReleaseAllAndResetKeepReadersThatHandlesStillUse) {
  MemoryFontReader* reader = Pooled();
  Pooled();
  GTTFontFile* handle = Pool().NewFontFile(reader);
  Pool().ReleaseAll();
  EXPECT_EQ(Pool().Count(), 0u);
  EXPECT_EQ(handle->MapCharToGlyph(kFont, false, 'A', 16), 1);
  Pool().Add(reader);
  Pool().Reset();
  EXPECT_EQ(handle->MapCharToGlyph(kFont, false, 'A', 16), 1);
  delete handle;
}

TEST_F(GTTFontPoolTest, SavingForAnOwnerWritesWhatItAskedForAndClearsTheRequest) {
  MemoryFontReader* asked = Pooled();
  MemoryFontReader* other = Pooled();
  GTTFontFile* handle = Pool().NewFontFile(asked);
  GTTFontFile* other_handle = Pool().NewFontFile(other);
  EXPECT_EQ(handle->MapCharToGlyph(kFont, false, 'A', 16), 1);
  EXPECT_EQ(handle->RequestSave(7), 1);
  EXPECT_EQ(other_handle->RequestSave(8), 1);
  const std::uint32_t id = asked->GetFontId();

  const std::vector<std::uint8_t> saved = SavePool(Pool(), 7);
  EXPECT_FALSE(asked->HasSaveRequest(7));
  EXPECT_TRUE(other->HasSaveRequest(8));
  EXPECT_EQ(SavePool(Pool(), 7).size(), 4u);  // nothing more to write: the count 0

  delete handle;
  delete other_handle;
  Pool().Reset();
  ASSERT_EQ(RestorePool(Pool(), saved), 1);
  EXPECT_EQ(Pool().Count(), 1u);
  GTTFontReader* restored = Pool().Lookup(id, 0);
  ASSERT_NE(restored, nullptr);
  EXPECT_EQ(References(restored), 2);
  // The restored reader has no font bytes: the mapping comes from its restored caches.
  EXPECT_EQ(restored->MapCharToGlyph(kFont, false, 'A', 16), 1);
  EXPECT_EQ(Pool().Release(restored), 0);
}

TEST_F(GTTFontPoolTest, AStoredReaderThatKnowsMoreMergesIntoOneThatHandlesUse) {
  MemoryFontReader* held = Pooled();
  GTTFontFile* first = Pool().NewFontFile(held);
  GTTFontFile* second = Pool().NewFontFile(held);
  std::vector<std::uint8_t> stored;
  std::uint32_t richer_count = 0;
  {
    // A copy of the same font (same id) that knows more: tables and a glyph.
    vel::test::TestFontPool other;
    auto* richer = new MemoryFontReader(vel::test::MakeTestFont(), 0, held->GetFontId());
    other.Add(richer);
    EXPECT_EQ(richer->MapCharToGlyph(kFont, false, 'A', 16), 1);
    EXPECT_EQ(richer->CacheGlyph(kFont, 1), 1);
    richer->AddSaveRequest(5);
    richer_count = richer->GetChangeCount();
    stored = SavePool(other, 5);
  }
  ASSERT_GT(richer_count, held->GetChangeCount());
  ASSERT_EQ(RestorePool(Pool(), stored), 1);
  EXPECT_EQ(Pool().Count(), 1u);
  // The held reader stays (two handles use it) and took the stored tables and glyph.
  GTTFontReader* now = Pool().Lookup(held->GetFontId(), richer_count);
  EXPECT_EQ(now, held);
  ASSERT_NE(held->GetTableCache(), nullptr);
  EXPECT_TRUE(held->GetTableCache()->IsLoaded(tt::kCmap));
  ASSERT_NE(held->GetGlyphCache(), nullptr);
  EXPECT_NE(held->GetGlyphCache()->Find(1), nullptr);
  EXPECT_EQ(held->GetChangeCount(), richer_count);
  Pool().Release(now);
  delete first;
  delete second;
}

TEST_F(GTTFontPoolTest, AStoredReaderThatKnowsMoreReplacesOneThatOnlyThePoolHolds) {
  MemoryFontReader* held = Pooled();
  const std::uint32_t id = held->GetFontId();
  std::vector<std::uint8_t> stored;
  {
    vel::test::TestFontPool other;
    auto* richer = new MemoryFontReader(vel::test::MakeTestFont(), 0, id);
    other.Add(richer);
    EXPECT_EQ(richer->CacheGlyph(kFont, 1), 1);
    richer->AddSaveRequest(5);
    stored = SavePool(other, 5);
  }
  ASSERT_EQ(RestorePool(Pool(), stored), 1);  // `held` is deleted (ASan would see a use)
  GTTFontReader* now = Pool().Lookup(id, 0);
  ASSERT_NE(now, nullptr);
  EXPECT_EQ(References(now), 2);
  ASSERT_NE(now->GetGlyphCache(), nullptr);
  Pool().Release(now);
}

TEST_F(GTTFontPoolTest, APurgeForOneOwnerKeepsWhatAnotherOwnerUses) {
  MemoryFontReader* reader = Pooled();
  MemoryFontReader* lonely = Pooled();
  reader->AddUser(1);
  reader->AddUser(2);
  lonely->AddUser(1);
  const std::uint32_t kept = reader->GetFontId();
  const std::uint32_t gone = lonely->GetFontId();
  Pool().Purge(1);
  EXPECT_EQ(Pool().Contains(kept), 1);
  EXPECT_EQ(Pool().Contains(gone), 0);
  Pool().Purge(2);
  EXPECT_EQ(Pool().Contains(kept), 0);
}

TEST_F(GTTFontPoolTest, APurgeKeepsReadersThatHandlesUse) {
  MemoryFontReader* reader = Pooled();
  GTTFontFile* handle = Pool().NewFontFile(reader);
  Pool().PurgeAll();
  EXPECT_EQ(Pool().Contains(reader->GetFontId()), 1);
  delete handle;
  Pool().PurgeAll();
  EXPECT_EQ(Pool().Count(), 0u);
}

class GTTFontFileStoreTest : public GTTFontPoolTest,
                             public ::testing::WithParamInterface<Carrier> {};

INSTANTIATE_TEST_SUITE_P(Carriers, GTTFontFileStoreTest, ::testing::ValuesIn(vel::test::kAllCarriers),
                         [](const auto& info) {
                           std::string name = vel::test::CarrierName(info.param);
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

TEST_P(GTTFontFileStoreTest, AHandleFindsItsReaderUnlessTheReaderIsStale) {
  MemoryFontReader* reader = Pooled();
  GTTFontFile handle(&Pool(), reader);
  EXPECT_EQ(handle.MapCharToGlyph(kFont, false, 'A', 16), 1);
  const vel::test::Bytes stored = vel::test::SaveGraph(GetParam(), &handle);
  EXPECT_EQ(stored.size(), vel::test::SaveGraph(GetParam(), &handle).size());

  auto restored = vel::test::RestoreGraph(GetParam(), stored);
  ASSERT_FALSE(restored.failed);
  auto* found = static_cast<GTTFontFile*>(restored.object);
  EXPECT_EQ(found->GetReader(), reader);
  EXPECT_EQ(References(reader), 3);
  delete found;

  // A reader that knows less than the handle recorded is stale.
  reader->SetChangeCount(0);
  restored = vel::test::RestoreGraph(GetParam(), stored);
  ASSERT_FALSE(restored.failed);
  auto* stale = static_cast<GTTFontFile*>(restored.object);
  EXPECT_EQ(stale->GetReader(), nullptr);
  EXPECT_EQ(stale->MapCharToGlyph(kFont, false, 'A', 16), 0);
  delete stale;
}

TEST_P(GTTFontFileStoreTest, AHandleWithoutAReaderStoresThreeWordsAndBindsNothing) {
  MemoryFontReader* reader = Pooled();
  ASSERT_EQ(reader->GetFontId(), 0u);  // a restore of id 0 would bind this reader
  GTTFontFile empty;
  const vel::test::Bytes stored = vel::test::SaveContentsOf(Carrier::kFile, empty);
  ASSERT_EQ(stored.size(), empty.StoredByteCount());
  const vel::test::Bytes tail(stored.end() - 8, stored.end());
  EXPECT_TRUE(vel::test::BytesEqual(vel::test::HexBytes("FF FF FF FF  FF FF FF FF"), tail));

  auto restored = vel::test::RestoreGraph(GetParam(), vel::test::SaveGraph(GetParam(), &empty));
  ASSERT_FALSE(restored.failed);
  EXPECT_EQ(static_cast<GTTFontFile*>(restored.object)->GetReader(), nullptr);
  delete restored.object;
}

TEST_P(GTTFontFileStoreTest, AReaderRoundTripsWithItsCaches) {
  MemoryFontReader reader(vel::test::MakeTestFont(), 0, 42);
  EXPECT_EQ(reader.Preload(kFont, 16), 1);
  EXPECT_EQ(reader.CacheGlyph(kFont, 2), 1);
  reader.MetricGroup(1) = {7, -2, 3, 9};
  vel::test::Bytes contents = vel::test::SaveContentsOf(Carrier::kFile, reader);
  EXPECT_EQ(contents.size(), reader.StoredByteCount());

  auto restored = vel::test::RestoreGraph(GetParam(), vel::test::SaveGraph(GetParam(), &reader));
  ASSERT_FALSE(restored.failed);
  auto* copy = static_cast<MemoryFontReader*>(restored.object);
  EXPECT_EQ(copy->GetFontId(), 42u);
  EXPECT_EQ(copy->GetChangeCount(), reader.GetChangeCount());
  EXPECT_EQ(copy->MetricGroup(1), reader.MetricGroup(1));
  ASSERT_NE(copy->GetGlyphCache(), nullptr);
  EXPECT_TRUE(copy->GetGlyphCache()->IsSameKey(reader.GetGlyphCache()));
  EXPECT_TRUE(copy->GetTableCache()->IsSameKey(reader.GetTableCache()));
  delete copy;
}

// Services whose locks fail when told to.
std::atomic<bool> g_fail_acquire{false};
std::atomic<bool> g_fail_release{false};

class FlakyLock : public GSemaphore {
 public:
  std::int32_t Acquire() override {
    if (g_fail_acquire) {
      return -1;
    }
    mutex_.lock();
    return 0;
  }
  std::int32_t Release() override {
    if (g_fail_release) {
      return vel::kReleaseFailed;
    }
    mutex_.unlock();
    return 0;
  }

 private:
  std::mutex mutex_;
};

class FlakyServices : public vel::test::TestOSServices {
 public:
  GSemaphore* CreateSemaphore() override { return new FlakyLock; }
};

struct Report {
  std::int32_t severity;
  std::uint16_t id;
  std::string unit;
};
std::vector<Report> g_reports;

class GTTFontLockFailureTest : public GTTFontPoolTest {
 protected:
  vel::test::TestOSServices* MakeServices() override { return new FlakyServices; }
  void SetUp() override {
    GTTFontPoolTest::SetUp();
    g_reports.clear();
    previous_observer_ = vel::SetDriverErrorSourceObserver(
        [](std::int32_t severity, std::uint16_t id, const char* unit, std::int32_t) {
          g_reports.push_back({severity, id, unit});
        });
    previous_terminate_ = vel::SetTerminateStep([] {});
  }
  void TearDown() override {
    g_fail_acquire = false;
    g_fail_release = false;
    vel::SetDriverErrorSourceObserver(previous_observer_);
    vel::SetTerminateStep(previous_terminate_);
    GTTFontPoolTest::TearDown();
  }
  static int Count(std::uint16_t id, const char* unit) {
    int n = 0;
    for (const Report& report : g_reports) {
      n += report.severity == 2 && report.id == id && report.unit == unit ? 1 : 0;
    }
    return n;
  }

  vel::DriverErrorSourceObserver previous_observer_ = nullptr;
  vel::TerminateStep previous_terminate_ = nullptr;
};

TEST_F(GTTFontLockFailureTest, FailedLocksAreReportedAndTheWorkGoesOn) {
  MemoryFontReader* reader = Pooled();
  GTTFontFile* handle = Pool().NewFontFile(reader);
  g_fail_acquire = true;
  g_fail_release = true;
  EXPECT_EQ(handle->MapCharToGlyph(kFont, false, 'A', 16), 1);
  EXPECT_EQ(Count(301, "ttftfile"), 1);
  EXPECT_EQ(Count(302, "ttftfile"), 1);
  EXPECT_EQ(Pool().Contains(reader->GetFontId()), 1);
  EXPECT_EQ(Count(301, "ttflpool"), 1);
  EXPECT_EQ(Count(302, "ttflpool"), 1);
  g_fail_acquire = false;
  g_fail_release = false;
  delete handle;
}

}  // namespace

namespace {

void WriteSeed(const std::string& path, std::uint8_t mode, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.put(static_cast<char>(mode));
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Seeds of the two font fuzz targets: synthetic fonts, and stored pools and readers.
TEST_F(GTTFontPoolTest, WritesFuzzSeedsWhenAsked) {
  const char* folder = std::getenv("VEL_WRITE_FUZZ_SEEDS");
  if (folder == nullptr) {
    GTEST_SKIP() << "VEL_WRITE_FUZZ_SEEDS is not set";
  }
  using namespace vel::test;
  const std::string fonts = std::string(folder) + "/fuzz_truetype_font";
  const std::string stored = std::string(folder) + "/fuzz_truetype_restore";
  std::filesystem::create_directories(fonts);
  std::filesystem::create_directories(stored);
  std::vector<SfntTable> format2 = TestFontTables();
  SetTable(format2, "cmap", CmapOf({{3, 2, CmapFormat2({{0x41, 1}, {0x8140, 2}})},
                                    {3, 1, CmapFormat4({{'A', 1}, {'B', 2}}, true)}}));
  std::vector<SfntTable> vertical = TestFontTables({.long_loca = true});
  SetTable(vertical, "GSUB", GsubVertical(2, 2, {{1, 2}}));
  std::vector<SfntTable> mort = TestFontTables();
  SetTable(mort, "mort", MortVertical({{1, 2}}));
  std::vector<SfntTable> composite = TestFontTables();
  auto [glyf, loca] = GlyfAndLoca({{}, SimpleGlyph({{0, 0}, {0, 9}, {9, 0}}),
                                   CompositeGlyph({{0x0001 | 0x0008, 1}, {0x0080, 1}}), {}},
                                  false);
  SetTable(composite, "glyf", glyf);
  SetTable(composite, "loca", loca);
  const std::vector<std::pair<const char*, std::vector<std::uint8_t>>> seeds = {
      {"test_font", MakeTestFont()},
      {"symbol", MakeTestFont({.symbol = true})},
      {"format2", BuildSfnt(format2)},
      {"gsub_long_loca", BuildSfnt(vertical)},
      {"mort", BuildSfnt(mort)},
      {"composite", BuildSfnt(composite)},
      {"collection", MakeTestCollection()}};
  for (const auto& [name, bytes] : seeds) {
    WriteSeed(fonts + "/" + name, 0, bytes);
    WriteSeed(fonts + "/" + name + "_17_uncached", 3, bytes);
  }
  MemoryFontReader* reader = Pooled();
  GTTFontFile* handle = Pool().NewFontFile(reader);
  EXPECT_EQ(handle->Preload(kFont, 16), 1);
  EXPECT_EQ(handle->CacheGlyph(kFont, 2), 1);
  handle->RequestSave(1);
  WriteSeed(stored + "/pool", 0, SavePool(Pool(), 1));
  std::vector<std::uint8_t> buffer(1 << 18);
  for (const RWCollectable* object : {static_cast<const RWCollectable*>(reader),
                                      static_cast<const RWCollectable*>(handle)}) {
    GStreamWriter writer(buffer.data(), static_cast<std::uint32_t>(buffer.size()),
                         vel::kBinaryFormat);
    *writer.Stream() << object;
    writer.Stream()->Flush();
    WriteSeed(stored + (object == handle ? "/handle" : "/reader"), 1,
              std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + writer.Position()));
  }
  delete handle;
}

}  // namespace
