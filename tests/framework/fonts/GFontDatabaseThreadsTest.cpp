// The downloaded-font tables of several devices at once: font ids taken by many threads, and two
// devices writing and reading their font files over one font pool.
#include "framework/output/fonts/GFontDatabase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "framework/core/GRenderDevice.h"
#include "framework/core/StringWidth.h"
#include "tests/framework/fonts/FontTestFixture.h"
#include "tests/support/FwTestFonts.h"
#include "tests/support/FwTestObjects.h"
#include "tests/support/TempDir.h"

namespace {

TEST(GFontDatabaseThreadsTest, FontIdsAreUniqueAcrossThreads) {
  constexpr int kThreads = 8;
  constexpr int kEach = 2000;
  std::vector<std::vector<std::uint32_t>> taken(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&taken, t] {
      for (int i = 0; i < kEach; ++i) {
        taken[t].push_back(GFontDatabase::NextFontId());
      }
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  std::vector<std::uint32_t> all;
  for (const auto& ids : taken) {
    EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
    all.insert(all.end(), ids.begin(), ids.end());
  }
  std::sort(all.begin(), all.end());
  EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end());
  EXPECT_EQ(all.back() - all.front(), static_cast<std::uint32_t>(kThreads * kEach - 1));
}

class GFontDatabaseThreadsFileTest : public vel::test::FontDeviceTest {
 protected:
  void SetUp() override {
    FontDeviceTest::SetUp();
    RegisterFrameworkTestClasses();
  }
};

TEST_F(GFontDatabaseThreadsFileTest, TwoDevicesWriteAndSelectFontFilesAtOnce) {
  vel::test::TempDir temp;
  std::uint32_t cookies[2] = {};
  GRenderDevice* first = OpenDevice(u"Laser 1", &cookies[0]);
  GRenderDevice* second = OpenDevice(u"Laser 2", &cookies[1]);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  auto run = [&temp](std::uint32_t cookie, GRenderDevice* device) {
    GFontDatabase& table = *device->GetDownloadedFontTable();
    for (int round = 0; round < 40; ++round) {
      GFontFaceRecord face;
      face.name = "Face";
      auto* implementation = new FwTestFontImp(nullptr, face, vel::test::InstanceRecord(2));
      FwTestFont font(implementation, device);
      implementation->MarkForSave();
      ASSERT_EQ(table.Add(implementation), 1);
      const std::string file =
          temp.File("d" + std::to_string(cookie) + "_" + std::to_string(round) + ".fnt");
      RWWString name;
      (void)WidenString(RWCString(file.c_str()), name);
      ASSERT_EQ(table.AddFontFile(name), 1);
      ASSERT_EQ(table.SelectFontFile(name), 1);
      GFontImp* found = table.Find(implementation->GetFontId(), 0);
      ASSERT_NE(found, nullptr);
      found->DropFontReference();
    }
  };
  std::thread one(run, cookies[0], first);
  std::thread two(run, cookies[1], second);
  one.join();
  two.join();
  EXPECT_NE(first->GetDownloadedFontTable()->CurrentFontFile().Length(), 0u);
}

}  // namespace
