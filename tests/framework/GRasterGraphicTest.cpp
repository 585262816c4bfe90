// The raster graphic: its bitmaps and rectangles, the clipped rectangles of an image under a clip,
// and its stored form.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "framework/core/FrameworkIds.h"
#include "framework/pipeline/GBitmap.h"
#include "framework/pipeline/GClipToPage.h"
#include "framework/pipeline/GClipToRectangle.h"
#include "framework/pipeline/GClipToSingleRectangle.h"
#include "framework/pipeline/GGraphicBundle.h"
#include "framework/pipeline/GPaletteTable.h"
#include "framework/pipeline/GRasterGraphic.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwRecordingHandlers.h"

namespace {

using vel::test::Bytes;
using vel::test::Carrier;

// A 3 x 2 image of the given depth over an owned buffer (alignment 4), with a palette for the
// indexed depths.
GBitmap Image(std::uint8_t bits) {
  const std::uint32_t stride = ((3u * bits + 7) / 8 + 3) & ~3u;
  auto* data = new std::uint8_t[2 * stride];
  for (std::uint32_t i = 0; i < 2 * stride; ++i) {
    data[i] = static_cast<std::uint8_t>(0x31 * i + bits);
  }
  return GBitmap(1, data, 2 * stride, 4, GPoint{0, 0}, GPoint{3, 2}, bits, 0, 0,
                 bits <= 8 ? new GPaletteTable : nullptr, bits == 24 ? 1 : 0, 0, 0, 0, 0, 0, 0,
                 0);
}

GRasterGraphic* Raster(std::uint8_t bits) {
  return new GRasterGraphic(Image(bits), GRect{0, 0, 3, 2}, GRect{10, 20, 40, 60}, GBitmap(),
                            nullptr, bits);
}

FW_PERSIST_SAMPLES(
    vel::classid::kGRasterGraphic,
    {{"raster graphic default", [] { return new GRasterGraphic; }},
     {"raster graphic 1-bit", [] { return Raster(1); }},
     {"raster graphic 4-bit", [] { return Raster(4); }},
     {"raster graphic 8-bit", [] { return Raster(8); }},
     {"raster graphic 16-bit", [] { return Raster(16); }},
     {"raster graphic 24-bit", [] { return Raster(24); }},
     {"raster graphic 32-bit", [] { return Raster(32); }},
     {"raster graphic with bundle and a shared second bitmap", [] {
        const GBitmap image = Image(8);
        return new GRasterGraphic(image, new GGraphicBundle, GRect{1, 0, 3, 2},
                                  GRect{-5, -6, 7, 8}, image);
      }}});

TEST(GRasterGraphicTest, HoldsSharedBitmapsAndDispatches) {
  const GBitmap image = Image(4);
  auto* bundle = new GGraphicBundle;
  GRasterGraphic raster(image, bundle, GRect{0, 0, 3, 2}, GRect{1, 2, 30, 40}, GBitmap());
  EXPECT_EQ(raster.GetGraphicBundle(), bundle);
  EXPECT_EQ(bundle->GetKey(), vel::key::kGraphicsGroup);
  for (const RWClassID id : {604, 602, 601, 751}) {
    EXPECT_TRUE(raster.IsKindOf(id)) << id;
  }
  EXPECT_FALSE(raster.IsKindOf(vel::classid::kGShapeGraphic));

  GBitmap read;
  raster.GetBitmap(read);
  EXPECT_EQ(read.GetImplementation(), image.GetImplementation());
  EXPECT_EQ(image.GetImplementation()->Uses(), 3);
  raster.GetSecondBitmap(read);
  EXPECT_TRUE(read.IsNull());
  GRect rect;
  raster.GetSourceRect(rect);
  EXPECT_EQ(rect, (GRect{0, 0, 3, 2}));
  raster.GetDestinationRect(rect);
  EXPECT_EQ(rect, (GRect{1, 2, 30, 40}));

  vel::test::FwRecordingHandlers handlers;
  handlers.SetStatus("HandleRasterGraphic", 9);
  EXPECT_EQ(raster.Accept(handlers), 9);
}

TEST(GRasterGraphicTest, CopiesShareTheImageUntilMadeUnique) {
  std::unique_ptr<GRasterGraphic> raster(Raster(24));
  GRasterGraphic copy(*raster);
  EXPECT_EQ(copy.Image().GetImplementation(), raster->Image().GetImplementation());
  EXPECT_TRUE(copy.IsSameKey(raster.get()));
  copy.MakeUnique();
  EXPECT_NE(copy.Image().GetImplementation(), raster->Image().GetImplementation());
  EXPECT_EQ(raster->Image().GetImplementation()->Uses(), 1);
  EXPECT_TRUE(copy.IsSameKey(raster.get()));  // equal images

  // Each field counts: rectangles, the images, the second bitmaps.
  const GBitmap image = Image(24);
  const GRasterGraphic base(image, GRect{0, 0, 3, 2}, GRect{1, 1, 4, 4}, GBitmap(), nullptr, 0);
  const GRasterGraphic others[] = {
      GRasterGraphic(image, GRect{0, 0, 3, 1}, GRect{1, 1, 4, 4}, GBitmap(), nullptr, 0),
      GRasterGraphic(image, GRect{0, 0, 3, 2}, GRect{1, 1, 4, 5}, GBitmap(), nullptr, 0),
      GRasterGraphic(Image(8), GRect{0, 0, 3, 2}, GRect{1, 1, 4, 4}, GBitmap(), nullptr, 0),
      GRasterGraphic(image, GRect{0, 0, 3, 2}, GRect{1, 1, 4, 4}, image, nullptr, 0),
      GRasterGraphic(image, GRect{0, 0, 3, 2}, GRect{1, 1, 4, 4}, GBitmap(), nullptr, 5)};
  for (const GRasterGraphic& other : others) {
    EXPECT_FALSE(base.IsSameKey(&other));
  }
  EXPECT_TRUE(base.IsSameKey(std::make_unique<GRasterGraphic>(base).get()));
}

// The clipped rectangles: source S, destination D and a clip give S', D' and the answer.
TEST(GRasterGraphicTest, ComputeClippedRects) {
  struct Case {
    const char* name;
    GRect source;
    GRect destination;
    std::shared_ptr<GClipAttribute> clip;
    GRect clipped_source;
    GRect clipped_destination;
    int answer;
  };
  const auto single = [](GRect rect, std::int32_t region = 0) {
    return std::make_shared<GClipToSingleRectangle>(rect, region, 1, 0);
  };
  const Case cases[] = {
      {"right half of a doubled image", {0, 0, 50, 10}, {0, 0, 100, 10},
       single({50, 0, 100, 10}), {25, 0, 50, 10}, {50, 0, 100, 10}, 1},
      {"half, moved", {0, 0, 50, 40}, {100, 200, 200, 280}, single({150, 0, 400, 1000}),
       {25, 0, 50, 40}, {150, 200, 200, 280}, 1},
      {"part of a pixel", {0, 0, 3, 3}, {0, 0, 10, 10}, single({0, 0, 5, 10}), {0, 0, 2, 3},
       {0, 0, 6, 10}, 0},
      {"products beyond 16 bits", {0, 0, 4000, 10}, {0, 0, 30000, 10},
       single({20000, 0, 30000, 10}), {2666, 0, 4000, 10}, {19995, 0, 30000, 10}, 0},
      {"products beyond 32 bits", {-32768, 0, 32767, 10}, {-32768, 0, 32767, 10},
       single({0, 2, 32767, 5}), {0, 2, 32767, 5}, {0, 2, 32767, 5}, 1},
      {"top and bottom", {0, 10, 4, 20}, {0, 0, 8, 40}, single({0, 6, 8, 30}), {0, 11, 4, 18},
       {0, 4, 8, 32}, 0},
      {"clip that misses", {0, 0, 5, 5}, {0, 0, 10, 10}, single({20, 20, 30, 30}), {}, {}, 1},
      {"clip that only touches", {0, 0, 5, 5}, {0, 0, 10, 10}, single({10, 0, 30, 30}), {}, {},
       1},
      {"exterior region", {0, 0, 5, 5}, {0, 0, 10, 10}, single({0, 0, 5, 5}, 1), {0, 0, 5, 5},
       {0, 0, 10, 10}, 1},
      {"unset region", {0, 0, 5, 5}, {0, 0, 10, 10}, single({0, 0, 5, 5}, 2), {0, 0, 5, 5},
       {0, 0, 10, 10}, 1},
      {"clip holding the destination", {0, 0, 5, 5}, {0, 0, 10, 10}, single({-9, -9, 99, 99}),
       {0, 0, 5, 5}, {0, 0, 10, 10}, 1},
      {"empty source", {0, 0, 0, 5}, {0, 0, 10, 10}, nullptr, {}, {}, 1},
      {"reversed destination", {0, 0, 5, 5}, {10, 0, 0, 10}, single({0, 0, 5, 5}), {}, {}, 1},
      {"flat destination", {0, 0, 5, 5}, {0, 10, 10, 10}, nullptr, {}, {}, 1},
      {"no clip", {1, 2, 3, 4}, {5, 6, 7, 8}, nullptr, {1, 2, 3, 4}, {5, 6, 7, 8}, 1},
      {"clip to the page (no bounds)", {1, 2, 3, 4}, {5, 6, 7, 8},
       std::make_shared<GClipToPage>(), {1, 2, 3, 4}, {5, 6, 7, 8}, 1},
      {"rectangle clip without rectangles", {1, 2, 3, 4}, {5, 6, 7, 8},
       std::make_shared<GClipToRectangle>(), {1, 2, 3, 4}, {5, 6, 7, 8}, 1},
  };
  for (const Case& c : cases) {
    const GRasterGraphic raster(GBitmap(), c.source, c.destination, GBitmap(), nullptr, 0);
    GRect source{9, 9, 9, 9};
    GRect destination{9, 9, 9, 9};
    EXPECT_EQ(raster.ComputeClippedRects(c.clip.get(), source, destination), c.answer) << c.name;
    EXPECT_EQ(source, c.clipped_source) << c.name;
    EXPECT_EQ(destination, c.clipped_destination) << c.name;
  }
}

TEST(GRasterGraphicTest, StoredSizes) {
  // The graphic part 26, version 4, two empty bitmap records (class id 2 + 22) and 16.
  EXPECT_EQ(GRasterGraphic().StoredByteCount(), 94u);
  // An image in place of the nil implementation (6): its record, counted on its own with the
  // file magic (4).
  std::unique_ptr<GRasterGraphic> raster(Raster(8));
  EXPECT_EQ(raster->StoredByteCount(),
            94u - 6 + raster->Image().GetImplementation()->TotalStoredSize() - 4);
}

// A damaged image record fails the carrier, and nothing is left behind (AddressSanitizer reports a
// leak otherwise).
TEST(GRasterGraphicTest, DamagedImagesFailTheCarrier) {
  std::unique_ptr<GRasterGraphic> raster(Raster(4));
  for (Carrier carrier : {Carrier::kBinary, Carrier::kFile}) {
    const Bytes good = vel::test::SaveGraph(carrier, raster.get());
    // The image's bounds and depth: right 3, bottom 2, 4 bits per pixel.
    const Bytes depth = vel::test::HexBytes("03 00 02 00 04");
    const auto at = std::search(good.begin(), good.end(), depth.begin(), depth.end());
    ASSERT_NE(at, good.end());
    Bytes bad = good;
    bad[static_cast<std::size_t>(at - good.begin()) + 4] = 7;
    vel::test::Restored restored = vel::test::RestoreGraph(carrier, bad);
    EXPECT_TRUE(restored.failed);
    EXPECT_EQ(restored.object, nullptr);

    GRasterGraphic target(Image(8), GRect{1, 1, 2, 2}, GRect{3, 3, 4, 4}, GBitmap(), nullptr, 0);
    restored = vel::test::RestoreInto(carrier, bad, target);
    EXPECT_TRUE(restored.failed);
    EXPECT_TRUE(target.Image().IsNull());

    restored = vel::test::RestoreInto(carrier, good, target);
    EXPECT_FALSE(restored.failed);
    EXPECT_TRUE(target.IsSameKey(raster.get()));
  }
}

}  // namespace
