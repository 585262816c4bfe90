// GFontDownloader and GXLFontDownloader: memory, eviction, end of job and finding a font again.
#include "framework/output/fonts/GFontDownloader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "framework/output/GDeviceFontDescription.h"
#include "framework/output/fonts/GXLDownloadedFont.h"
#include "tests/support/FwTestFonts.h"
#include "tests/support/FwTestLanguagePeripheral.h"

namespace {

struct Listed {
  std::uint32_t state;
  std::uint32_t bytes;
  std::uint32_t last_use;
};

// Fonts in a downloaded-font list, each also held by a font outside it (as a text's font holds
// one), so that the list is not their last holder.
struct Fonts {
  // Adds a font in the given state; answers the list's handle.
  GDownloadedFont* Add(GLanguagePeripheral* owner, const Listed& listed) {
    auto made = std::make_unique<GXLDownloadedFont>(owner);
    made->SetState(listed.state);
    made->AddBytes(listed.bytes);
    made->SetLastUse(listed.last_use);
    GDownloadedFont* handle = made->Clone();
    EXPECT_EQ(list.Add(GFontFaceRecord{}, GFontInstanceRecord{}, handle), 1);
    outside.push_back(std::move(made));
    return handle;
  }

  std::vector<std::unique_ptr<GDownloadedFont>> outside;
  GXLFontDownloader list;
};

TEST(GFontDownloaderTest, EvictionTakesTheLeastRecentlyUsedDownloadedFont) {
  FwTestLanguagePeripheral owner;
  Fonts fonts;
  GXLFontDownloader& list = fonts.list;
  GDownloadedFont* resident = fonts.Add(&owner, {GDownloadedFontImp::kResident, 900, 0});
  GDownloadedFont* pinned = fonts.Add(&owner, {GDownloadedFontImp::kTrueType, 800, 0xFFFFFFFF});
  GDownloadedFont* older = fonts.Add(&owner, {GDownloadedFontImp::kBitmap, 700, 5});
  GDownloadedFont* tie = fonts.Add(&owner, {GDownloadedFontImp::kTrueType, 600, 5});
  GDownloadedFont* newer = fonts.Add(&owner, {GDownloadedFontImp::kTrueType, 500, 9});
  EXPECT_EQ(list.TotalSize(), 3500u);

  EXPECT_EQ(list.EvictOne(), 700u);  // the first of the two at 5
  EXPECT_EQ(older->GetByteCount(), 0u);
  EXPECT_EQ(list.EvictOne(), 600u);
  EXPECT_EQ(tie->GetByteCount(), 0u);
  EXPECT_EQ(list.EvictOne(), 500u);
  EXPECT_EQ(newer->GetByteCount(), 0u);
  // What is left is resident or never evicted.
  EXPECT_EQ(list.EvictOne(), 0u);
  EXPECT_EQ(resident->GetByteCount(), 900u);
  EXPECT_EQ(pinned->GetByteCount(), 800u);
  EXPECT_EQ(owner.NoFontCalls(), 3);
  EXPECT_EQ(list.TotalSize(), 1700u);

  list.EndJob();
  EXPECT_EQ(list.TotalSize(), 0u);
  EXPECT_EQ(owner.NoFontCalls(), 4);  // the resident font is not removed
  EXPECT_EQ(owner.Budget().Used(), 0u);
}

TEST(GFontDownloaderTest, AListOfResidentFontsEvictsNothing) {
  FwTestLanguagePeripheral owner;
  Fonts fonts;
  (void)fonts.Add(&owner, {GDownloadedFontImp::kResident, 2048, 0});
  (void)fonts.Add(&owner, {GDownloadedFontImp::kResident, 4096, 1});
  EXPECT_EQ(fonts.list.EvictOne(), 0u);
}

GFontFaceRecord Face() {
  GFontFaceRecord face;
  face.name = "Arial";
  face.italic = 0;
  face.weight = 400;
  face.char_set = 16;
  face.size = 50;
  face.width_scale = 1.0F;
  face.height_scale = 1.0F;
  return face;
}

TEST(GFontDownloaderTest, FindMatchesByStateAndDownloadFlags) {
  GDeviceFontDescription scalable;
  scalable = GDeviceFontDescription("Arial", "Arial", 16, GValueVector(), 0, 0, 0, 0, 1, 0, 0, 0);
  GDeviceFontDescription bitmap("Arial", "Arial", 16, GValueVector(), 0, 0, 0, 0, 0, 0, 0, 0);
  enum Change { kNone, kSize, kAngle, kVertical, kName, kCharSet, kItalic };
  const struct {
    const char* name;
    std::uint32_t state;
    const GDeviceFontDescription* description;
    std::uint32_t flags;
    Change change;
    bool found;
  } cases[] = {
      {"resident scalable, other size", 1, &scalable, 0, kSize, true},
      {"resident bitmap, other size", 1, &bitmap, 0, kSize, false},
      {"resident bitmap, other angle", 1, &bitmap, 0, kAngle, false},
      {"resident bitmap, same details", 1, &bitmap, 0, kNone, true},
      {"resident, other character set", 1, &scalable, 0, kCharSet, false},
      {"TrueType, outline allowed, other size", 3, nullptr, 2, kSize, true},
      {"TrueType, outline allowed, other vertical flag", 3, nullptr, 2, kVertical, false},
      {"TrueType, only bitmaps allowed", 3, nullptr, 1, kNone, false},
      {"TrueType, other name", 3, nullptr, 2, kName, false},
      {"TrueType, other italic value", 3, nullptr, 2, kItalic, false},
      {"bitmap, bitmaps allowed", 2, nullptr, 1, kNone, true},
      {"bitmap, bitmaps allowed, other size", 2, nullptr, 1, kSize, false},
      {"bitmap, only outlines allowed", 2, nullptr, 2, kNone, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FwTestLanguagePeripheral owner;
    GXLFontDownloader list;
    GFontFaceRecord listed_face = Face();
    GFontInstanceRecord listed_transform = vel::test::InstanceRecord(c.flags, 0.0F);
    switch (c.change) {
      case kSize: listed_face.size = 60; break;
      case kAngle: listed_transform.char_angle = RealFromFloat(90.0F); break;
      case kVertical: listed_face.vertical = 1; break;
      case kName: listed_face.name = "Arimo"; break;
      case kCharSet: listed_face.char_set = 4; break;
      case kItalic: listed_face.italic = 1; break;
      case kNone: break;
    }
    GXLDownloadedFont made(&owner);
    made.SetState(c.state);
    made.SetId(reinterpret_cast<std::uintptr_t>(c.description));
    ASSERT_EQ(list.Add(listed_face, listed_transform, made.Clone()), 1);

    FwTestFont font(new FwTestFontImp(nullptr, Face(), vel::test::InstanceRecord(c.flags)),
                    nullptr);
    GDownloadedFont* found = list.Find(font);
    EXPECT_EQ(found != nullptr, c.found);
    if (found != nullptr) {
      EXPECT_EQ(font.GetDownloadedFont(), found);
      EXPECT_EQ(found->Body(), made.Body());
    } else {
      EXPECT_EQ(font.GetDownloadedFont(), nullptr);
    }
  }
}

}  // namespace
