// Downloaded fonts: counted handles on a shared body, release into the owning back end, and the
// PostScript handle.
#include "framework/output/fonts/GDownloadedFont.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/output/fonts/GFontDownloader.h"
#include "framework/output/fonts/GPSDownloadedFont.h"
#include "framework/output/fonts/GXLDownloadedFont.h"
#include "tests/support/FwTestLanguagePeripheral.h"

namespace {

TEST(GDownloadedFontTest, DroppingTheLastOutsideHandleReleasesTheFont) {
  FwTestLanguagePeripheral owner;
  auto* font = new GXLDownloadedFont(&owner);
  font->SetName("0TTArial");
  font->SetState(GDownloadedFontImp::kTrueType);
  font->AddBytes(3000);
  font->AddGlyphBytes(2);
  ASSERT_TRUE(font->AddGlyph(0x10041));
  EXPECT_EQ(owner.Budget().Used(), 3000u);
  std::unique_ptr<GDownloadedFont> listed(font->Clone());
  ASSERT_NE(listed, nullptr);
  EXPECT_EQ(listed->Body(), font->Body());
  EXPECT_EQ(font->Body()->References(), 2);

  delete font;  // only the list holds it now: the printer forgets it
  EXPECT_EQ(owner.NoFontCalls(), 1);
  EXPECT_EQ(owner.LastNoFont(), RWCString("0TTArial"));
  EXPECT_EQ(owner.Budget().Used(), 0u);
  EXPECT_EQ(listed->GetByteCount(), 0u);
  EXPECT_EQ(listed->GetGlyphBytes(), 0);
  EXPECT_FALSE(listed->HasGlyph(0x10041));
  EXPECT_EQ(listed->GetState(), GDownloadedFontImp::kTrueType);  // name and state stay
  EXPECT_EQ(listed->GetName(), RWCString("0TTArial"));

  listed->Release();  // nothing left to release
  EXPECT_EQ(owner.NoFontCalls(), 1);
}

TEST(GDownloadedFontTest, AResidentFontIsNotRemovedButGivesItsMemoryBack) {
  FwTestLanguagePeripheral owner;
  GXLDownloadedFont font(&owner);
  font.SetState(GDownloadedFontImp::kResident);
  font.AddBytes(2048);
  font.Release();
  EXPECT_EQ(owner.NoFontCalls(), 0);
  EXPECT_EQ(owner.Budget().Used(), 0u);
  EXPECT_EQ(font.GetByteCount(), 0u);
}

// The printer codes a PCL XL font keeps for converted characters: a text's codes and the count of
// those the font does not hold, which must follow every code the font gains or loses.
TEST(GDownloadedFontTest, KeptCodesCountWhatTheFontHoldsAfterItLosesCodes) {
  GXLDownloadedFontImp font(nullptr);
  font.AddBytes(100);
  constexpr std::uint64_t kKey = 7;
  const std::uint16_t text[] = {'a', 'b', 'a', 0x263A};
  std::uint16_t codes[4] = {};
  GXLDownloadedFontImp::Cached cached = font.CachedCodes(kKey, text, 4, codes);
  EXPECT_FALSE(cached.complete);
  EXPECT_EQ(codes[0], GXLDownloadedFontImp::kNoCode);

  font.CacheCode(kKey, 'a', 3);
  font.CacheCode(kKey, 'b', 4);
  font.CacheCode(kKey, 0x263A, 0x105);
  ASSERT_TRUE(font.AddGlyph(3));
  struct Step {
    const char* what;
    void (*change)(GXLDownloadedFontImp&);
    bool counted;
    std::uint32_t missing;
  };
  const Step steps[] = {
      {"b and the smiley not held", [](GXLDownloadedFontImp&) {}, true, 2},
      {"all held",
       [](GXLDownloadedFontImp& f) {
         (void)f.AddGlyph(4);
         (void)f.AddGlyph(0x105);
       },
       true, 0},
      {"again, from the marks", [](GXLDownloadedFontImp&) {}, true, 0},
      {"a removed", [](GXLDownloadedFontImp& f) { f.RemoveGlyph(3); }, true, 2},
      {"a back", [](GXLDownloadedFontImp& f) { (void)f.AddGlyph(3); }, true, 0},
      {"released: no table, not counted", [](GXLDownloadedFontImp& f) { f.Release(); }, false, 0},
      {"b held again", [](GXLDownloadedFontImp& f) { (void)f.AddGlyph(4); }, true, 3},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.change(font);
    cached = font.CachedCodes(kKey, text, 4, codes);
    EXPECT_TRUE(cached.complete);
    EXPECT_EQ(cached.bits, 3 | 4 | 0x105);
    EXPECT_EQ(std::vector<std::uint16_t>(codes, codes + 4),
              (std::vector<std::uint16_t>{3, 4, 3, 0x105}));
    EXPECT_EQ(cached.counted, step.counted);
    if (cached.counted) {
      EXPECT_EQ(cached.missing, step.missing);
      EXPECT_EQ(cached.missing, font.CountMissing(codes, 4));
    }
  }
  // A text within one page of characters: the same codes and count.
  const std::uint16_t latin[] = {'b', 'a'};
  cached = font.CachedCodes(kKey, latin, 2, codes);
  EXPECT_TRUE(cached.counted);
  EXPECT_EQ(codes[0], 4);
  EXPECT_EQ(codes[1], 3);
  EXPECT_EQ(cached.missing, 1u);
  // Another key: nothing kept.
  EXPECT_FALSE(font.CachedCodes(kKey + 1, text, 4, codes).complete);
  EXPECT_EQ(font.CachedCode(kKey + 1, 'a'), GXLDownloadedFontImp::kNoCode);
}

TEST(GDownloadedFontTest, ABodyStartsWithItsDocumentedValues) {
  GXLDownloadedFont font(static_cast<GLanguagePeripheral*>(nullptr));
  EXPECT_EQ(font.IsValid(), 1u);
  EXPECT_EQ(font.GetSequence(), 0xFFFF);
  EXPECT_EQ(font.GetState(), 0u);
  EXPECT_EQ(font.GetId(), 0u);
  EXPECT_EQ(font.IsVertical(), 0u);
  font.SetVertical(1);
  font.Invalidate();
  EXPECT_EQ(font.IsValid(), 0u);
  std::unique_ptr<GDownloadedFont> clone(font.Clone());
  EXPECT_EQ(static_cast<GXLDownloadedFont&>(*clone).IsVertical(), 1u);
  // Without an owner the memory is only counted.
  font.AddBytes(10);
  font.Release();
  EXPECT_EQ(font.GetByteCount(), 0u);
}

TEST(GDownloadedFontTest, APostScriptCloneSharesTheBodyAndItsValue) {
  FwTestLanguagePeripheral owner;
  GPSDownloadedFontHandle handle(&owner);
  std::unique_ptr<GDownloadedFont> clone(handle.Clone());
  ASSERT_NE(clone, nullptr);
  EXPECT_EQ(clone->Body(), handle.Body());
  EXPECT_EQ(handle.GetExtra(), 0u);
  clone->SetExtra(0x1234);
  EXPECT_EQ(handle.GetExtra(), 0x1234u);
  GPSDownloadedFontHandle third(static_cast<GPSDownloadedFont*>(handle.Body()));
  EXPECT_EQ(handle.Body()->References(), 3);
}

// The back end goes first (a replaced or destroyed back end) while a font still holds a handle:
// nothing may call into it afterwards (AddressSanitizer watches).
TEST(GDownloadedFontTest, AnOwnerDestroyedBeforeTheHandlesIsNeverCalled) {
  auto owner = std::make_unique<FwTestLanguagePeripheral>();
  auto* downloader = new GXLFontDownloader;
  owner->SetFontDownloader(downloader);
  GXLDownloadedFont* outside = nullptr;
  {
    GXLDownloadedFont made(owner.get());
    made.SetState(GDownloadedFontImp::kTrueType);
    made.AddBytes(500);
    outside = static_cast<GXLDownloadedFont*>(made.Clone());
    ASSERT_EQ(downloader->Add(GFontFaceRecord{}, GFontInstanceRecord{}, made.Clone()), 1);
  }
  owner.reset();
  EXPECT_EQ(outside->IsValid(), 0u);  // invalidated by the list
  outside->AddBytes(100);
  outside->Release();
  delete outside;
}

}  // namespace
