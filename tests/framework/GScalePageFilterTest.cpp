// The scale-page filter: the percentages it takes and the ones that switch it off, the page
// transform it puts into each page start and behind it, the concatenation of later transforms,
// and its stored form.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GState.h"
#include "framework/core/GValueAttribute.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "framework/pipeline/GPageCommand.h"
#include "framework/pipeline/GScalePageFilter.h"
#include "framework/pipeline/GTransformAttribute.h"
#include "tests/support/FwFilterChain.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwTranscript.h"

namespace {

namespace key = vel::key;
using vel::test::FormatTransform;
using vel::test::FwFilterChain;

GState* Settings(std::optional<int> percentage) {
  GState* group = FwFilterChain::DocumentGroup();
  if (percentage) {
    group->Add(new GValueAttribute(static_cast<std::uint16_t>(*percentage), key::kScalePercentage));
  }
  return group;
}

// A document of two pages, each with a graphic with and one without a transform.
void SendDocument(FwFilterChain& chain, std::optional<int> percentage) {
  chain.Send(FwFilterChain::DocumentStart(Settings(percentage)));
  for (const bool origin : {true, false}) {
    chain.Send(FwFilterChain::PageStart(vel::test::kLetterPaper, 0, origin));
    chain.Send(FwFilterChain::Graphic(true));
    chain.Send(FwFilterChain::Graphic(false));
    chain.Send(new GPageEnd(0));
  }
  chain.Send(new GDocumentEnd(0));
}

GScalePageFilter& FilterOf(const FwFilterChain& chain) {
  return static_cast<GScalePageFilter&>(*chain.Filter(0));
}

TEST(GScalePageFilterTest, AbsentOr100SwitchesItOffAndTheJobPassesUnchanged) {
  FwFilterChain plain;
  SendDocument(plain, std::nullopt);
  for (const std::optional<int> percentage : {std::optional<int>(), std::optional<int>(100)}) {
    FwFilterChain chain({new GScalePageFilter});
    SendDocument(chain, percentage);
    EXPECT_FALSE(FilterOf(chain).IsEnabled());
    std::vector<std::string> lines = chain.Lines();
    if (percentage) {
      ASSERT_FALSE(lines.empty());
      EXPECT_NE(lines[0].find("269 = 100"), std::string::npos);
      lines[0] = plain.Lines()[0];
    }
    EXPECT_EQ(lines, plain.Lines());
  }
}

TEST(GScalePageFilterTest, FiftyPercentScalesEveryPageAboutItsOrigin) {
  FwFilterChain chain({new GScalePageFilter});
  SendDocument(chain, 50);
  const std::string media = vel::test::FormatMedia("Letter", 5100, 6600, 120, 120, 0);
  const std::string half = FormatTransform(0, 0, 0, 0.5, 0.5);
  const std::vector<std::string> expected = {
      "GDocumentStart 0: 259 = " + media + "; 265 = 0; 269 = 50",
      // The device session's transform (the printable origin) is scaled with the page.
      "GPageStart 0: 259 = " + media + "; 265 = 0; 0 = " + FormatTransform(0, 60, 60, 0.5, 0.5),
      "GNullCommand 0: 0 = " + half,
      "GRectangleGraphic 0 (10, 10, 20, 20): 160 = no pen; 0 = " + half,
      "GRectangleGraphic 0 (10, 10, 20, 20): 160 = no pen",
      "GPageEnd 0:",
      // A page start without a transform gets the page transform.
      "GPageStart 0: 259 = " + media + "; 265 = 0; 0 = " + half,
      "GNullCommand 0: 0 = " + half,
      "GRectangleGraphic 0 (10, 10, 20, 20): 160 = no pen; 0 = " + half,
      "GRectangleGraphic 0 (10, 10, 20, 20): 160 = no pen",
      "GPageEnd 0:",
      "GDocumentEnd 0:",
  };
  EXPECT_EQ(chain.Lines(), expected);
}

TEST(GScalePageFilterTest, TheScaleIsThePercentageTimesTheFloatHundredth) {
  const struct {
    int percentage;
    std::uint32_t bits;
  } cases[] = {
      {0, 0x00000000},           // scale 0 stays on
      {33, 0x3EA8F5C2},          // 0.32999998, one step below 0.33f
      {50, 0x3F000000},          // 0.5
      {200, 0x40000000},         // 2.0
      {65486, 0xBF000000},       // -50 as a 16-bit value: -0.5
  };
  for (const auto& c : cases) {
    FwFilterChain chain({new GScalePageFilter});
    chain.Send(FwFilterChain::DocumentStart(Settings(c.percentage)));
    chain.Send(FwFilterChain::PageStart());
    const GScalePageFilter& filter = FilterOf(chain);
    EXPECT_TRUE(filter.IsEnabled()) << c.percentage;
    EXPECT_EQ(std::bit_cast<std::uint32_t>(filter.GetScale()), c.bits) << c.percentage;
    EXPECT_EQ(std::bit_cast<std::uint32_t>(filter.GetTransform().GetScale().x), c.bits);
  }
}

TEST(GScalePageFilterTest, EachDocumentStartTakesItsOwnPercentage) {
  FwFilterChain chain({new GScalePageFilter});
  SendDocument(chain, 50);
  chain.Reset();
  chain.Send(FwFilterChain::DocumentStart(Settings(25)));
  chain.Send(FwFilterChain::PageStart());
  EXPECT_EQ(FilterOf(chain).GetScale(), 0.25f);
  EXPECT_EQ(chain.Lines().back(), "GNullCommand 0: 0 = " + FormatTransform(0, 0, 0, 0.25, 0.25));
}

// ---------------------------------------------------------------------------------------------
// Stored form

FW_PERSIST_SAMPLES(vel::classid::kGScalePageFilter,
                   {{"scale-page filter", [] { return new GScalePageFilter; }},
                    {"scale-page filter in a document", [] {
                       auto* filter = new GScalePageFilter(RWCString("ScalePageFilter"), nullptr,
                                                           nullptr, 0, 0, 5, 2);
                       GCommandRef start(FwFilterChain::DocumentStart(Settings(50)));
                       GCommandRef out(filter->ProcessCommand(start.Get()));
                       GCommandRef page(FwFilterChain::PageStart());
                       GCommandRef placed(filter->ProcessCommand(page.Release()));
                       return filter;
                     }}});

TEST(GScalePageFilterTest, StoresOnlyItsVersionAndARestoreResetsTheScale) {
  GScalePageFilter filter;
  {
    GCommandRef start(FwFilterChain::DocumentStart(Settings(50)));
    GCommandRef out(filter.ProcessCommand(start.Get()));
    GCommandRef page(FwFilterChain::PageStart());
    GCommandRef placed(filter.ProcessCommand(page.Release()));
  }
  ASSERT_EQ(filter.GetScale(), 0.5f);
  const vel::test::Bytes own = vel::test::SaveContentsOf(vel::test::Carrier::kFile, filter);
  ASSERT_EQ(own.size(), filter.StoredByteCount());
  EXPECT_EQ(vel::test::Bytes(own.end() - 4, own.end()), (vel::test::Bytes{1, 0, 0, 0}));
  for (const auto carrier : vel::test::kAllCarriers) {
    const vel::test::Restored restored =
        vel::test::RestoreGraph(carrier, vel::test::SaveGraph(carrier, &filter));
    ASSERT_FALSE(restored.failed);
    std::unique_ptr<GScalePageFilter> copy(dynamic_cast<GScalePageFilter*>(restored.object));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetScale(), 1.0f);
    EXPECT_TRUE(copy->GetTransform().IsSameKey(
        &static_cast<const GTransformAttribute&>(GTransformAttribute())));
  }
}

}  // namespace
