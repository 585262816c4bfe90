// The font pool and its readers under concurrent jobs: handles on one shared reader read while
// other threads add, look up, release, purge, save and restore; and a handle destroyed while the
// pool is purged, over and over.
#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <thread>
#include <vector>

#include "framework/core/GStreamHolders.h"
#include "framework/output/fonts/GMemoryBlock.h"
#include "framework/output/fonts/GTTFontFile.h"
#include "rw/RWVirtualStream.h"
#include "tests/framework/fonts/FontTestFixture.h"

namespace {

using vel::test::MemoryFontReader;

GTTFontHandle const kFont = nullptr;

class GTTFontPoolThreadsTest : public vel::test::FontTest {};

std::vector<std::uint8_t> SaveFor(GTTFontPool& pool, std::uint32_t owner) {
  std::vector<std::uint8_t> buffer(1 << 18);
  GStreamWriter writer(buffer.data(), static_cast<std::uint32_t>(buffer.size()),
                       vel::kBinaryFormat);
  (void)pool.Save(*writer.Stream(), owner);
  writer.Stream()->Flush();
  buffer.resize(static_cast<std::size_t>(writer.Position() < 0 ? 0 : writer.Position()));
  return buffer;
}

TEST_F(GTTFontPoolThreadsTest, HandlesReadWhileThePoolChanges) {
  const std::vector<std::uint8_t> font = vel::test::MakeTestFont();
  auto* shared = new MemoryFontReader(font);
  Pool().Add(shared);
  GTTFontFile* shared_handle = Pool().NewFontFile(shared);
  ASSERT_EQ(shared_handle->RequestSave(99), 1);
  // A stored copy of the shared reader, to merge back while it is in use.
  const std::vector<std::uint8_t> stored = SaveFor(Pool(), 99);

  std::atomic<bool> failed{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      GTTFontFile* handle = static_cast<GTTFontFile*>(shared_handle->Clone());
      for (int i = 0; i < 200; ++i) {
        const bool vertical = (i + t) % 2 == 0;
        if (handle->MapCharToGlyph(kFont, vertical, 'A', 16) != 1 ||
            handle->MapCharToGlyph(kFont, false, 'B', 16) != 2) {
          failed = true;
        }
        GMemoryBlock* block = nullptr;
        if (handle->GetGlyphData(kFont, true, static_cast<std::uint16_t>(1 + i % 2), block) == 0) {
          failed = true;
        }
        delete block;
        std::uint16_t advance = 0;
        std::int16_t bearing = 0;
        if (handle->CacheGlyph(kFont, 2) != 1 ||
            handle->GetHMetrics(kFont, 2, advance, bearing) != 1) {
          failed = true;
        }
      }
      delete handle;
    });
  }
  threads.emplace_back([&] {
    for (int i = 0; i < 100; ++i) {
      auto* reader = new MemoryFontReader(font);
      Pool().Add(reader);
      reader->Lock();
      reader->AddUser(static_cast<std::uint32_t>(1 + i % 3));
      reader->Unlock();
      if (GTTFontReader* found = Pool().Lookup(reader->GetFontId(), 0)) {
        (void)Pool().Release(found);
      }
      Pool().Purge(static_cast<std::uint32_t>(1 + i % 3));
      if (i % 10 == 0) {
        Pool().PurgeAll();
      }
    }
  });
  threads.emplace_back([&] {
    for (int i = 0; i < 50; ++i) {
      (void)SaveFor(Pool(), 99);
      GStreamReader reader(stored.data(), static_cast<std::uint32_t>(stored.size()),
                           vel::kBinaryFormat);
      (void)Pool().Restore(*reader.Stream());
    }
  });
  for (std::thread& thread : threads) {
    thread.join();
  }
  EXPECT_FALSE(failed);
  EXPECT_EQ(shared_handle->GetReader(), shared);
  EXPECT_EQ(shared->GetReferenceCount(), 2);
  delete shared_handle;
}

TEST_F(GTTFontPoolThreadsTest, DestroyingAHandleWhileThePoolIsPurgedNeverDeadlocks) {
  const std::vector<std::uint8_t> font = vel::test::MakeTestFont();
  constexpr int kRounds = 10000;
  GTTFontFile* handle = nullptr;
  std::barrier round(2);
  std::thread purger([&] {
    for (int i = 0; i < kRounds; ++i) {
      round.arrive_and_wait();
      Pool().PurgeAll();
      round.arrive_and_wait();
    }
  });
  for (int i = 0; i < kRounds; ++i) {
    auto* reader = new MemoryFontReader(font, 0, static_cast<std::uint32_t>(i));
    Pool().Add(reader);
    handle = Pool().NewFontFile(reader);
    round.arrive_and_wait();
    delete handle;  // pool lock, then reader lock: the same order as the purge
    round.arrive_and_wait();
  }
  purger.join();
  Pool().PurgeAll();
  EXPECT_EQ(Pool().Count(), 0u);
}

}  // namespace
