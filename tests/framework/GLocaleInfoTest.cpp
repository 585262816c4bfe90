// GLocaleInfo: defaults, stored size, comparison, the version word.
#include <gtest/gtest.h>

#include <sstream>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GLocaleInfo.h"
#include "rw/RWBinaryStream.h"
#include "tests/support/FwPersistHarness.h"

namespace {

FW_PERSIST_SAMPLES(vel::classid::kGLocaleInfo,
                   {{"locale default", [] { return new GLocaleInfo; }},
                    {"locale German", [] {
                       auto* locale = new GLocaleInfo(12);
                       locale->SetCountryCode(49);
                       locale->SetLocale(407);
                       locale->SetDecimalSeparator(",");
                       locale->SetThousandSeparator(".");
                       locale->SetCountryName("Deutschland");
                       locale->SetAMSymbol("");
                       return locale;
                     }}});

TEST(GLocaleInfoTest, DefaultStoredByteCountIsTheRootsPlusTheFields) {
  GLocaleInfo locale;
  EXPECT_EQ(locale.StoredByteCount(), GBaseObject().StoredByteCount() + 48 + 48 + 51);
  EXPECT_EQ(locale.GetNumber(GLocaleInfo::kLocale), 409);
  EXPECT_STREQ(locale.GetText(GLocaleInfo::kCountryName).Data(), "United States");
  EXPECT_TRUE(locale.IsKindOf(3));
  EXPECT_TRUE(locale.IsKindOf(751));
  EXPECT_FALSE(locale.IsKindOf(752));
}

TEST(GLocaleInfoTest, ObjectsThatDifferInOneFieldDiffer) {
  GLocaleInfo a;
  GLocaleInfo b;
  b.SetSerialNumber(a.SerialNumber());
  EXPECT_TRUE(a.IsSameKey(&b));
  b.SetDecimalSeparator(",");
  EXPECT_FALSE(a.IsSameKey(&b));
  b.SetDecimalSeparator(".");
  b.SetMeasure(0);
  EXPECT_FALSE(a.IsSameKey(&b));
  b.SetMeasure(1);
  b.SetText(GLocaleInfo::kTimeSeparator, nullptr);
  EXPECT_FALSE(a.IsSameKey(&b));
  EXPECT_TRUE(a.IsSameKey(&a));
}

TEST(GLocaleInfoTest, VersionTwoKeepsTheDefaultsAndFailsTheStream) {
  GLocaleInfo changed;
  changed.SetDecimalSeparator(",");
  changed.SetCountryCode(44);
  std::stringstream bytes;
  {
    RWBinaryOutStream out(bytes);
    // The root's version word is number 0; the locale's own is number 1.
    vel::ScopedClassVersionPatch patch(1, 2);
    changed.SaveContents(out);
  }
  RWBinaryInStream in(bytes);
  GLocaleInfo restored;
  restored.RestoreContents(in);
  EXPECT_NE(in.Fail(), 0);
  EXPECT_STREQ(restored.GetText(GLocaleInfo::kDecimalSeparator).Data(), ".");
  EXPECT_EQ(restored.GetNumber(GLocaleInfo::kCountry), 1);
}

}  // namespace
