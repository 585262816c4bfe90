// Media and custom media sizes: the unit conversion, sizes in dots, equality across units, custom
// media made at a resolution with margins and orientation, and the stored forms.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <utility>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GAttributeComposite.h"
#include "framework/core/GCustomMediaSize.h"
#include "framework/core/GMedia.h"
#include "framework/core/GValueAttribute.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwRecordingHandlers.h"

namespace {

using vel::test::Bytes;
using vel::test::Carrier;

GMedia* Letter(std::uint16_t resolution_x, std::uint16_t resolution_y) {
  const std::int16_t size[2] = {5100, 6600};
  const std::int16_t printable[2] = {4800, 6300};
  const std::int16_t origin[2] = {150, 150};
  return new GMedia("Letter", size, printable, origin, 0, 1, resolution_x, resolution_y,
                    vel::key::kMedia, 7, "Letter (second)", "Plain");
}

FW_PERSIST_SAMPLES(vel::classid::kGMedia,
                   {{"media default", [] { return new GMedia; }},
                    {"media letter", [] { return Letter(600, 300); }}});

FW_PERSIST_SAMPLES(vel::classid::kGCustomMediaSize,
                   {{"custom size default", [] { return new GCustomMediaSize; }},
                    {"custom size a4", [] {
                       return new GCustomMediaSize(16385, "My A4", vel::kUnitMillimetre, 210, 297,
                                                   9);
                     }}});

struct ConversionCase {
  std::uint32_t from, to;
  std::uint32_t in;
  std::uint32_t want;
};

TEST(ConvertMediaSizeUnitsTest, RoundsHalvesUpAndLeavesUnknownUnitsAlone) {
  const ConversionCase cases[] = {
      {1, 0, 210, 827},  // 10,500,000 / 12700 = 826 remainder 9,800: up
      {0, 1, 1, 0},      // 12,700 / 50,000: down
      {2, 0, 50, 1},     // a half rounds up
      {2, 0, 49, 0},
      {1, 2, 5, 1969},       // 250,000 / 127 = 1968 remainder 64: up
      {1, 2, 122, 48031},    // 6,100,000 / 127 = 48031 remainder 63: down
      {3, 3, 12345, 12345},  // the same unit
      {4, 0, 777, 777},      // unit codes from 4 up
      {0, 7, 777, 777},
      {1, 3, 297, 297000},
      {3, 2, 25400, 10000},
      // Products beyond 32 bits are taken in 64 bits (no wrap to a small size), and a result
      // beyond 32 bits saturates.
      {1, 2, 100000, 39370079},
      {3, 0, 0xFFFFFFFFu, 16909320},
      {0, 3, 0xFFFFFFFFu, 0xFFFFFFFFu},
  };
  for (const ConversionCase& c : cases) {
    const std::uint32_t in[2] = {c.in, c.in};
    std::uint32_t out[2] = {};
    ConvertMediaSizeUnits(out, c.from, c.to, in);
    EXPECT_EQ(out[0], c.want) << c.from << " -> " << c.to << " of " << c.in;
    EXPECT_EQ(out[1], c.want);
  }
}

TEST(ConvertMediaSizeUnitsTest, ExactFactorsGoThereAndBack) {
  for (const auto& [there, back] : {std::pair{0u, 2u}, std::pair{1u, 3u}}) {
    for (std::uint32_t value : {0u, 1u, 827u, 85899u}) {
      const std::uint32_t in[2] = {value, value + 1};
      std::uint32_t mid[2];
      std::uint32_t out[2];
      ConvertMediaSizeUnits(mid, there, back, in);
      ConvertMediaSizeUnits(out, back, there, mid);
      EXPECT_EQ(out[0], in[0]);
      EXPECT_EQ(out[1], in[1]);
    }
  }
}

TEST(GCustomMediaSizeTest, EqualAcrossUnitsWhenTheMicrometresAgree) {
  const GCustomMediaSize millimetres(16384, "A4", vel::kUnitMillimetre, 210, 297, 0);
  const GCustomMediaSize micrometres(16384, "A4", vel::kUnitMicrometre, 210000, 297000, 0);
  EXPECT_TRUE(millimetres.IsEqual(&micrometres));
  EXPECT_TRUE(micrometres.IsSameKey(&millimetres));

  const GCustomMediaSize other_name(16384, "A4 ", vel::kUnitMicrometre, 210000, 297000, 0);
  const GCustomMediaSize other_id(16385, "A4", vel::kUnitMicrometre, 210000, 297000, 0);
  const GCustomMediaSize other_size(16384, "A4", vel::kUnitMicrometre, 210001, 297000, 0);
  EXPECT_FALSE(millimetres.IsSameKey(&other_name));
  EXPECT_FALSE(millimetres.IsSameKey(&other_id));
  EXPECT_FALSE(millimetres.IsSameKey(&other_size));
}

TEST(GCustomMediaSizeTest, UnitsSizesAndDots) {
  GCustomMediaSize size(16384, "A4", vel::kUnitMillimetre, 210, 297, 0);
  std::uint32_t pair[2];
  size.GetSizeInUnit(pair, vel::kUnitTenThousandthInch);
  EXPECT_EQ(pair[0], 82677u);
  EXPECT_EQ(pair[1], 116929u);
  size.GetSizeInDots(pair, 600, 300);
  EXPECT_EQ(pair[0], 4960u);
  EXPECT_EQ(pair[1], 3507u);

  size.SetUnit(vel::kUnitHundredthInch);
  EXPECT_EQ(size.GetUnit(), vel::kUnitHundredthInch);
  size.GetSize(pair);
  EXPECT_EQ(pair[0], 827u);
  EXPECT_EQ(pair[1], 1169u);

  // An absurd size does not wrap to a small number of dots: it saturates.
  size.SetUnitAndSize(vel::kUnitMicrometre, 0xFFFFFFFFu, 1000);
  size.GetSizeInDots(pair, 65535, 65535);
  EXPECT_EQ(pair[0], 0xFFFFFFFFu);
  EXPECT_EQ(pair[1], 2582u);
}

TEST(GCustomMediaSizeTest, DotsConstructorDividesByTheResolution) {
  const GCustomMediaSize size(16390, "Dots", 600, 300, vel::kUnitMillimetre, 5100, 3300, 4);
  std::uint32_t pair[2];
  size.GetSize(pair);
  EXPECT_EQ(size.GetUnit(), vel::kUnitMillimetre);
  EXPECT_EQ(pair[0], 216u);  // 850 hundredths
  EXPECT_EQ(pair[1], 279u);  // 1100 hundredths

  // A resolution of 0 gives size 0 rather than a division by zero.
  const GCustomMediaSize zero(16390, "Dots", 0, 0, vel::kUnitHundredthInch, 5100, 3300, 4);
  zero.GetSize(pair);
  EXPECT_EQ(pair[0], 0u);
  EXPECT_EQ(pair[1], 0u);
}

// Settings with resolution (group 249) and orientation (265), margins in group 330.
struct CustomMediaInputs {
  GAttributeComposite settings{1};
  GAttributeComposite margins{2};

  CustomMediaInputs(std::uint16_t orientation, const std::int16_t (&margin)[4]) {
    auto* resolution = new GAttributeComposite(vel::key::kPageStartGroup);
    resolution->Add(new GValueAttribute(600, vel::key::kResolutionX));
    resolution->Add(new GValueAttribute(600, vel::key::kResolutionY));
    settings.Add(resolution);
    settings.Add(new GValueAttribute(orientation, vel::key::kOrientation));
    auto* group = new GAttributeComposite(vel::key::kMargins);
    const std::uint32_t keys[4] = {vel::key::kLeftMargin, vel::key::kTopMargin,
                                   vel::key::kRightMargin, vel::key::kBottomMargin};
    for (int i = 0; i < 4; ++i) {
      group->Add(new GValueAttribute(static_cast<std::uint16_t>(margin[i]), keys[i]));
    }
    margins.Add(group);
  }
};

void ExpectPairs(const GMedia& media,
                 std::int16_t width,
                 std::int16_t height,
                 std::int16_t printable_width,
                 std::int16_t printable_height,
                 std::int16_t origin_x,
                 std::int16_t origin_y) {
  EXPECT_EQ(media.GetSize()[0], width);
  EXPECT_EQ(media.GetSize()[1], height);
  EXPECT_EQ(media.GetPrintableSize()[0], printable_width);
  EXPECT_EQ(media.GetPrintableSize()[1], printable_height);
  EXPECT_EQ(media.GetPrintableOrigin()[0], origin_x);
  EXPECT_EQ(media.GetPrintableOrigin()[1], origin_y);
}

TEST(MakeCustomMediaTest, A4At600DpiUprightAndTurned) {
  const GCustomMediaSize a4(16386, "A4 custom", vel::kUnitMillimetre, 210, 297, 0);
  {
    CustomMediaInputs inputs(0, {2500, 2500, 2500, 2500});
    std::unique_ptr<GMedia> media(MakeCustomMedia(a4, inputs.settings, inputs.margins));
    ASSERT_NE(media, nullptr);
    ExpectPairs(*media, 4960, 7015, 4660, 6715, 150, 150);
    EXPECT_EQ(media->GetKey(), vel::key::kMedia);
    EXPECT_EQ(media->GetPaperId(), 16386);
    EXPECT_EQ(media->GetName(), RWCString("A4 custom"));
    EXPECT_EQ(media->GetOrientation(), 0);
    EXPECT_EQ(media->GetResolutionX(), 600);
    EXPECT_EQ(media->GetAuxiliaryValue(), 0);
  }
  {
    CustomMediaInputs inputs(90, {2500, 2500, 2500, 2500});
    std::unique_ptr<GMedia> media(MakeCustomMedia(a4, inputs.settings, inputs.margins));
    ASSERT_NE(media, nullptr);
    ExpectPairs(*media, 7015, 4960, 6715, 4660, 150, 150);
    EXPECT_EQ(media->GetOrientation(), 90);
  }
}

TEST(MakeCustomMediaTest, MarginsWiderThanThePaperLeaveNoPrintableArea) {
  const GCustomMediaSize tiny(16387, "Tiny", vel::kUnitMillimetre, 10, 10, 0);
  CustomMediaInputs inputs(0, {3000, 100, 3000, 32767});
  std::unique_ptr<GMedia> media(
      MakeCustomMediaAtResolution(tiny, inputs.settings, inputs.margins, 600, 600));
  ASSERT_NE(media, nullptr);
  ExpectPairs(*media, 236, 236, 0, 0, 180, 6);
}

TEST(MakeCustomMediaTest, SizesBeyondTheMediaFieldsAreHeldAt32767) {
  const GCustomMediaSize banner(16388, "Banner", vel::kUnitMillimetre, 2000, 100, 0);
  CustomMediaInputs inputs(0, {0, 0, 0, 0});
  std::unique_ptr<GMedia> media(
      MakeCustomMediaAtResolution(banner, inputs.settings, inputs.margins, 1200, 1200));
  ASSERT_NE(media, nullptr);
  ExpectPairs(*media, 32767, 4724, 32767, 4724, 0, 0);
}

TEST(MakeCustomMediaTest, MissingAttributesGiveNull) {
  const GCustomMediaSize a4(16386, "A4", vel::kUnitMillimetre, 210, 297, 0);
  CustomMediaInputs complete(0, {0, 0, 0, 0});
  for (std::uint32_t key : {vel::key::kResolutionX, vel::key::kResolutionY,
                            vel::key::kPageStartGroup, vel::key::kOrientation}) {
    CustomMediaInputs inputs(0, {0, 0, 0, 0});
    delete inputs.settings.RemoveByKey(key);
    EXPECT_EQ(MakeCustomMedia(a4, inputs.settings, inputs.margins), nullptr) << key;
  }
  for (std::uint32_t key : {vel::key::kMargins, vel::key::kLeftMargin, vel::key::kTopMargin,
                            vel::key::kRightMargin, vel::key::kBottomMargin}) {
    CustomMediaInputs inputs(0, {0, 0, 0, 0});
    delete inputs.margins.RemoveByKey(key);
    EXPECT_EQ(MakeCustomMedia(a4, inputs.settings, inputs.margins), nullptr) << key;
  }
  std::unique_ptr<GMedia> media(MakeCustomMedia(a4, complete.settings, complete.margins));
  EXPECT_NE(media, nullptr);
}

TEST(GMediaTest, DefaultsEqualityAndPrintableRect) {
  const GMedia media;
  EXPECT_EQ(media.GetKey(), vel::key::kMedia);
  EXPECT_EQ(media.GetResolutionX(), 600);
  EXPECT_EQ(media.GetResolutionY(), 600);
  EXPECT_TRUE(media.IsKindOf(vel::classid::kGAttribute));

  std::unique_ptr<GMedia> a(Letter(600, 600));
  std::unique_ptr<GMedia> only_x(Letter(300, 600));
  std::unique_ptr<GMedia> only_y(Letter(600, 300));
  std::unique_ptr<GMedia> copy(static_cast<GMedia*>(a->Clone()));
  EXPECT_TRUE(a->IsEqual(copy.get()));
  EXPECT_FALSE(a->IsEqual(only_x.get()));
  EXPECT_FALSE(a->IsEqual(only_y.get()));
  copy->SetMediaType("Glossy");
  EXPECT_FALSE(a->IsEqual(copy.get()));

  std::int16_t left, top, right, bottom;
  a->GetPrintableRect(&left, &top, &right, &bottom);
  EXPECT_EQ(left, 150);
  EXPECT_EQ(top, 150);
  EXPECT_EQ(right, 4950);
  EXPECT_EQ(bottom, 6450);
}

TEST(GMediaTest, AcceptCallsTheMediaHandler) {
  vel::test::FwRecordingHandlers handlers;
  GMedia media;
  EXPECT_EQ(media.Accept(handlers), 0);
  EXPECT_EQ(handlers.Names(), std::vector<std::string>{"HandleMedia"});
  GCustomMediaSize size;
  EXPECT_EQ(size.Accept(handlers), 0);
  EXPECT_EQ(handlers.Calls().size(), 1u);
}

}  // namespace
