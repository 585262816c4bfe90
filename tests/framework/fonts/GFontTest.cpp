// GFont: a counted handle on its implementation, stored as the device's cookie and the font's id,
// found again through the device's downloaded-font table.
#include "framework/output/fonts/GFont.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>

#include "framework/core/GDriverServer.h"
#include "framework/core/GRenderDevice.h"
#include "framework/output/GCharacterBuffer.h"
#include "framework/output/fonts/GFontDatabase.h"
#include "tests/framework/fonts/FontTestFixture.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwTestFonts.h"
#include "tests/support/FwTestObjects.h"

namespace {

using vel::test::Carrier;

class GFontTest : public vel::test::FontDeviceTest {
 protected:
  void SetUp() override {
    FontDeviceTest::SetUp();
    RegisterFrameworkTestClasses();
  }
};

TEST_F(GFontTest, CopiesShareTheImplementation) {
  auto* implementation = new FwTestFontImp;
  auto first = std::make_unique<FwTestFont>(implementation, nullptr);
  FwTestFont copy(*first);
  EXPECT_EQ(copy.GetImplementation(), implementation);
  EXPECT_EQ(implementation->FontReferences(), 2);
  first.reset();
  EXPECT_EQ(implementation->FontReferences(), 1);
  EXPECT_EQ(implementation->Touch(), 1u);  // still alive (AddressSanitizer)
  FwTestFont other(new FwTestFontImp, nullptr);
  other = copy;
  EXPECT_EQ(implementation->FontReferences(), 2);
  EXPECT_EQ(copy.DetachImplementation(), implementation);
  EXPECT_EQ(copy.FontKind(), 3);
  EXPECT_EQ(copy.platform_calls, 1);
}

TEST_F(GFontTest, SavingRegistersTheImplementationAndARestoreFindsIt) {
  std::uint32_t cookie = 0;
  GRenderDevice* device = OpenDevice(u"Laser", &cookie);
  ASSERT_NE(device, nullptr);
  GFontDatabase& table = *device->GetDownloadedFontTable();
  auto* implementation = new FwTestFontImp;
  implementation->SetChangeCount(4);
  FwTestFont font(implementation, device);
  const auto bytes = vel::test::SaveGraph(Carrier::kFile, &font);
  EXPECT_EQ(bytes.size(), font.TotalStoredSize());
  EXPECT_EQ(font.StoredByteCount(), GBaseObject().StoredByteCount() + 16 + 4);
  EXPECT_EQ(implementation->GetSaveFlag(), 1u);
  ASSERT_EQ(table.Contains(implementation->GetFontId()), 1);
  EXPECT_EQ(implementation->FontReferences(), 2);

  // By the held change count: equal and lower counts find it, a higher one does not.
  const struct {
    std::uint32_t held;
    bool found;
  } cases[] = {{4, true}, {9, true}, {3, false}};
  for (const auto& c : cases) {
    implementation->SetChangeCount(c.held);
    FwTestFont restored;
    ASSERT_FALSE(vel::test::RestoreInto(Carrier::kFile, bytes, restored).failed);
    EXPECT_EQ(restored.GetImplementation() == implementation, c.found) << c.held;
    EXPECT_EQ(restored.GetDevice(), device);
  }
  EXPECT_EQ(implementation->FontReferences(), 2);

  // An unknown id, and a device that is gone (closing it lets go of what its table held).
  table.Release(implementation->GetFontId());
  FwTestFont unknown;
  ASSERT_FALSE(vel::test::RestoreInto(Carrier::kFile, bytes, unknown).failed);
  EXPECT_EQ(unknown.GetImplementation(), nullptr);
  implementation->SetChangeCount(4);
  ASSERT_EQ(table.Add(implementation), 1);
  server_->CloseRenderDriver(cookie);
  EXPECT_EQ(implementation->FontReferences(), 1);
  FwTestFont gone;
  ASSERT_FALSE(vel::test::RestoreInto(Carrier::kFile, bytes, gone).failed);
  EXPECT_EQ(gone.GetImplementation(), nullptr);
  EXPECT_EQ(gone.GetDevice(), nullptr);
}

TEST_F(GFontTest, AFontWithoutImplementationStoresAnIdNoTableHolds) {
  std::uint32_t cookie = 0;
  GRenderDevice* device = OpenDevice(u"Laser", &cookie);
  FwTestFont empty(nullptr, device);
  const auto bytes = vel::test::SaveGraph(Carrier::kFile, &empty);
  EXPECT_EQ(bytes.size(), empty.TotalStoredSize());
  FwTestFont restored;
  ASSERT_FALSE(vel::test::RestoreInto(Carrier::kFile, bytes, restored).failed);
  EXPECT_EQ(restored.GetImplementation(), nullptr);
  EXPECT_EQ(restored.GetMetricBlock(), GFontFaceRecord{});
  GCharacterBuffer glyphs;
  EXPECT_EQ(restored.MapRange(1, 2, glyphs), 0);
}

// Without a device the restored font holds no implementation, so the harness's sample has none
// either (saving the restored font again must give the same bytes).
FW_PERSIST_SAMPLES(FwTestFont::kClassId,
                   {{"without implementation or device",
                     [] { return new FwTestFont(nullptr, nullptr); }}});

}  // namespace
