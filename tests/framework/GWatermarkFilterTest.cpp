// The watermark filter: the pages that get the device's watermark and the media it is made for,
// the settings that switch it off, the description it hands the device, the handle's release,
// pages without media, a job abort in mid-page, and the stored form.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GOSServices.h"
#include "framework/core/GState.h"
#include "framework/core/GStringAttribute.h"
#include "framework/core/GValueAttribute.h"
#include "framework/pipeline/GCommandRef.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "framework/pipeline/GJobAbort.h"
#include "framework/pipeline/GPageCommand.h"
#include "framework/pipeline/GWatermarkFilter.h"
#include "tests/support/FwFilterChain.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwTestObjects.h"
#include "tests/support/FwTestOSServices.h"
#include "tests/support/FwTestRenderDevice.h"

namespace vel::test {
namespace {

namespace key = vel::key;

constexpr FilterPaper kSmallPaper{3496, 4961, 3256, 4721, 120, 120};
const std::string kLetterWatermark = "GRectangleGraphic 0 (120, 120, 4980, 6480)";
const std::string kSmallWatermark = "GRectangleGraphic 0 (120, 120, 3376, 4841)";

struct Watermark {
  bool group = true;
  std::optional<int> pages = 0;  // 382
  std::optional<int> named = 0;  // 381
  int style = 0;                 // 388
};

GState* Settings(const Watermark& watermark) {
  GState* document = FwFilterChain::DocumentGroup();
  if (!watermark.group) {
    return document;
  }
  auto* group = new GState(key::kWatermarkGroup);
  if (watermark.pages) {
    group->Add(new GValueAttribute(static_cast<std::uint16_t>(*watermark.pages),
                                   key::kWatermarkPages));
  }
  if (watermark.named) {
    group->Add(new GValueAttribute(static_cast<std::uint16_t>(*watermark.named),
                                   key::kWatermarkNamed));
  }
  group->Add(new GStringAttribute("Draft", key::kWatermarkText));
  group->Add(new GStringAttribute("Arial", key::kWatermarkFontName));
  group->Add(new GValueAttribute(48, key::kWatermarkSize));
  group->Add(new GValueAttribute(static_cast<std::uint16_t>(watermark.style),
                                 key::kWatermarkStyle));
  group->Add(new GValueAttribute(255, key::kWatermarkRed));
  group->Add(new GValueAttribute(3, key::kWatermarkValue387));
  document->Add(group);
  return document;
}

std::string Prepare(int height, const char* styles, int width, int paper_height, int handle) {
  return "prepare(\"Draft\", font \"Arial\", height " + std::to_string(height) +
         ", size 48, weight " + (styles[0] == 'b' ? "700" : "0") + ", styles " +
         std::string(styles + 1) + ", rgb(255, 0, 0, 255), paper " + std::to_string(width) +
         " x " + std::to_string(paper_height) + ") = " + std::to_string(handle);
}

std::string Make(int handle, int width, int height) {
  return "make(\"Draft\", handle " + std::to_string(handle) + ", rgb(255, 0, 0, 255), media " +
         std::to_string(width) + " x " + std::to_string(height) + ", 387 = 3) = graphic";
}

class WatermarkFilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterFrameworkTestClasses();
    services_ = new TestOSServices;
    device_ = std::make_unique<TestRenderDevice>(u"Laser 1", u"vel-laser");
  }
  void TearDown() override {
    device_.reset();
    vel::DeleteOSServices();
  }

  // A document of pages of the given papers, each with one graphic, through `chain`.
  void SendDocument(FwFilterChain& chain,
                    const Watermark& watermark,
                    const std::vector<FilterPaper>& pages,
                    bool with_device = true) {
    chain.Send(FwFilterChain::DocumentStart(Settings(watermark), with_device ? device_.get() : nullptr));
    for (const FilterPaper& paper : pages) {
      chain.Send(FwFilterChain::PageStart(paper));
      chain.Send(FwFilterChain::Graphic());
      chain.Send(new GPageEnd(0));
    }
    chain.Send(new GDocumentEnd(0));
  }

  // The lines of the same document without the filter, with `inserted` put in before the page
  // ends named by index (0 the first).
  std::vector<std::string> Plain(const Watermark& watermark,
                                 const std::vector<FilterPaper>& pages,
                                 const std::vector<std::optional<std::string>>& inserted) {
    FwFilterChain plain;
    SendDocument(plain, watermark, pages);
    std::vector<std::string> lines;
    std::size_t page_end = 0;
    for (const std::string& line : plain.Lines()) {
      if (line.rfind("GPageEnd", 0) == 0) {
        if (page_end < inserted.size() && inserted[page_end]) {
          lines.push_back(*inserted[page_end]);
        }
        ++page_end;
      }
      lines.push_back(line);
    }
    return lines;
  }

  GWatermarkFilter& FilterOf(const FwFilterChain& chain) {
    return static_cast<GWatermarkFilter&>(*chain.Filter(0));
  }

  TestOSServices* services_ = nullptr;
  std::unique_ptr<TestRenderDevice> device_;
};

TEST_F(WatermarkFilterTest, FirstPageOnlyPutsTheGraphicBeforeTheFirstPageEnd) {
  Watermark watermark;
  watermark.pages = 1;
  FwFilterChain chain({new GWatermarkFilter});
  SendDocument(chain, watermark, {kLetterPaper, kLetterPaper, kSmallPaper});
  EXPECT_EQ(chain.Lines(), Plain(watermark, {kLetterPaper, kLetterPaper, kSmallPaper},
                                 {kLetterWatermark}));
  EXPECT_EQ(device_->watermark_log,
            (std::vector<std::string>{Prepare(-400, "-0 0 0", 5100, 6600, 1),
                                      Make(1, 5100, 6600), "release(1)"}));
}

TEST_F(WatermarkFilterTest, EveryPageGetsAWatermarkMadeForItsMedia) {
  FwFilterChain chain({new GWatermarkFilter});
  const std::vector<FilterPaper> pages = {kLetterPaper, kSmallPaper, kLetterPaper};
  SendDocument(chain, Watermark{}, pages);
  EXPECT_EQ(chain.Lines(), Plain(Watermark{}, pages,
                                 {kLetterWatermark, kSmallWatermark, kLetterWatermark}));
  // Each handle is released once, right after its graphic is made, and a new one prepared for the
  // next page; no handle 0 is released.
  EXPECT_EQ(device_->watermark_log,
            (std::vector<std::string>{
                Prepare(-400, "-0 0 0", 5100, 6600, 1), Make(1, 5100, 6600), "release(1)",
                Prepare(-400, "-0 0 0", 3496, 4961, 2), Make(2, 3496, 4961), "release(2)",
                Prepare(-400, "-0 0 0", 5100, 6600, 3), Make(3, 5100, 6600), "release(3)"}));
}

TEST_F(WatermarkFilterTest, TheHeightFollowsThePagesResolution) {
  FwFilterChain chain({new GWatermarkFilter});
  chain.Send(FwFilterChain::DocumentStart(Settings(Watermark{}), device_.get()));
  auto* group = new GState(key::kPageGroup);
  const std::int16_t size[2] = {2550, 3300};
  const std::int16_t printable[2] = {2430, 3180};
  const std::int16_t origin[2] = {60, 60};
  group->Add(new GMedia("Letter", size, printable, origin, 0, 1, 300, 300, key::kSelectedMedia, 0,
                        "", ""));
  chain.Send(new GPageStart(group, 0));
  chain.Send(new GPageEnd(0));
  ASSERT_FALSE(device_->watermark_log.empty());
  EXPECT_EQ(device_->watermark_log[0], Prepare(-200, "-0 0 0", 2550, 3300, 1));
  EXPECT_EQ(FilterOf(chain).GetDescription().height, -200);
}

TEST_F(WatermarkFilterTest, SettingsThatAskForNoWatermarkSwitchItOff) {
  Watermark no_group;
  no_group.group = false;
  Watermark no_pages;
  no_pages.pages.reset();
  Watermark pages_2;
  pages_2.pages = 2;
  Watermark pages_3;
  pages_3.pages = 3;
  Watermark not_named;
  not_named.named.reset();
  Watermark named_1;
  named_1.named = 1;
  const struct {
    const char* name;
    Watermark watermark;
    bool device;
  } cases[] = {{"no group 379", no_group, true},   {"no 382", no_pages, true},
               {"382 = 2", pages_2, true},         {"382 = 3", pages_3, true},
               {"no 381", not_named, true},        {"381 = 1", named_1, true},
               {"no device", Watermark{}, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FwFilterChain chain({new GWatermarkFilter});
    SendDocument(chain, c.watermark, {kLetterPaper, kLetterPaper}, c.device);
    EXPECT_FALSE(FilterOf(chain).IsEnabled());
    EXPECT_EQ(FilterOf(chain).GetMode(), GWatermarkFilter::kNoWatermark);
    EXPECT_EQ(chain.Lines(), Plain(c.watermark, {kLetterPaper, kLetterPaper}, {}));
    EXPECT_TRUE(device_->watermark_log.empty());
  }
}

TEST_F(WatermarkFilterTest, TheStyleBitsGiveTheWeightAndTheStyleFlags) {
  const struct {
    int style;
    const char* styles;
  } cases[] = {{9, "b0 0 1"}, {1, "b0 0 0"}, {6, "-1 1 0"}, {0, "-0 0 0"}};
  for (const auto& c : cases) {
    device_->watermark_log.clear();
    Watermark watermark;
    watermark.style = c.style;
    FwFilterChain chain({new GWatermarkFilter});
    SendDocument(chain, watermark, {kLetterPaper});
    ASSERT_FALSE(device_->watermark_log.empty());
    EXPECT_EQ(device_->watermark_log[0], Prepare(-400, c.styles, 5100, 6600, 1)) << c.style;
    device_->next_watermark_handle = 1;
  }
  const GWatermarkDescription description;
  EXPECT_EQ(description.fixed_value, 168);
  EXPECT_EQ(description.fourth_value, 4);
}

TEST_F(WatermarkFilterTest, APageWithoutMediaOrADeviceThatMakesNothingGetsNoWatermark) {
  FwFilterChain chain({new GWatermarkFilter});
  GWatermarkFilter& filter = FilterOf(chain);
  chain.Send(FwFilterChain::DocumentStart(Settings(Watermark{}), device_.get()));
  // A page start without a bundle passes, and no media copy is made for it.
  chain.Send(new GPageStart(0));
  EXPECT_FALSE(filter.GetCurrentMedia().has_value());
  EXPECT_FALSE(filter.GetPreviousMedia().has_value());
  chain.Send(new GPageEnd(0));
  EXPECT_TRUE(device_->watermark_log.empty());
  EXPECT_EQ(chain.Lines().back(), "GPageEnd 0:");
  // A device that prepares nothing: nothing is made or released.
  device_->next_watermark_handle = 0;
  chain.Send(FwFilterChain::PageStart());
  chain.Send(new GPageEnd(0));
  EXPECT_EQ(device_->watermark_log,
            (std::vector<std::string>{Prepare(-400, "-0 0 0", 5100, 6600, 0)}));
  // A device that makes no graphic: its handle is still released, once.
  device_->watermark_log.clear();
  device_->next_watermark_handle = 7;
  device_->make_watermark_graphics = false;
  chain.Send(FwFilterChain::PageStart());
  chain.Send(new GPageEnd(0));
  EXPECT_EQ(device_->watermark_log,
            (std::vector<std::string>{Prepare(-400, "-0 0 0", 5100, 6600, 7),
                                      "make(\"Draft\", handle 7, rgb(255, 0, 0, 255), media "
                                      "5100 x 6600, 387 = 3) = none",
                                      "release(7)"}));
  EXPECT_EQ(chain.Lines().back(), "GPageEnd 0:");
}

TEST_F(WatermarkFilterTest, AJobAbortInMidPageLetsGoOfTheMediaAndThePendingGraphic) {
  FwFilterChain chain({new GWatermarkFilter});
  GWatermarkFilter& filter = FilterOf(chain);
  chain.Send(FwFilterChain::DocumentStart(Settings(Watermark{}), device_.get()));
  chain.Send(FwFilterChain::PageStart());
  ASSERT_TRUE(filter.GetCurrentMedia().has_value());
  ASSERT_TRUE(filter.GetPreviousMedia().has_value());
  filter.MakeWatermark();
  ASSERT_NE(filter.GetWatermark(), nullptr);
  chain.Send(new GJobAbort(0));
  EXPECT_FALSE(filter.GetCurrentMedia().has_value());
  EXPECT_FALSE(filter.GetPreviousMedia().has_value());
  EXPECT_EQ(filter.GetWatermark(), nullptr);
  EXPECT_EQ(filter.GetDevice(), nullptr);
  EXPECT_EQ(chain.Lines().back(), "GJobAbort 0");
  // The next document starts afresh.
  chain.Reset();
  device_->watermark_log.clear();
  SendDocument(chain, Watermark{}, {kSmallPaper});
  EXPECT_EQ(device_->watermark_log,
            (std::vector<std::string>{Prepare(-400, "-0 0 0", 3496, 4961, 2),
                                      Make(2, 3496, 4961), "release(2)"}));
}

// ---------------------------------------------------------------------------------------------
// Stored form

FW_PERSIST_SAMPLES(vel::classid::kGWatermarkFilter,
                   {{"watermark filter", [] { return new GWatermarkFilter; }},
                    {"named watermark filter", [] {
                       return new GWatermarkFilter(RWCString("WatermarkFilter"), nullptr, nullptr,
                                                   0, 0, 5, 2);
                     }}});

TEST_F(WatermarkFilterTest, StoresOnlyItsVersionAndARestoreClearsTheRunTimeFields) {
  // On its own: a stage inside a composite is stored with the composite.
  GWatermarkFilter filter;
  GCommandRef start(FwFilterChain::DocumentStart(Settings(Watermark{}), device_.get()));
  GCommandRef started(filter.ProcessCommand(start.Get()));
  GCommandRef page(FwFilterChain::PageStart());
  GCommandRef out(filter.ProcessCommand(page.Get()));
  ASSERT_EQ(filter.GetMode(), GWatermarkFilter::kEveryPage);
  const Bytes own = SaveContentsOf(Carrier::kFile, filter);
  ASSERT_EQ(own.size(), filter.StoredByteCount());
  EXPECT_EQ(Bytes(own.end() - 4, own.end()), (Bytes{1, 0, 0, 0}));
  for (const auto carrier : kAllCarriers) {
    const Restored restored = RestoreGraph(carrier, SaveGraph(carrier, &filter));
    ASSERT_FALSE(restored.failed);
    std::unique_ptr<GWatermarkFilter> copy(dynamic_cast<GWatermarkFilter*>(restored.object));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetMode(), GWatermarkFilter::kNoWatermark);
    EXPECT_EQ(copy->IsActive(), 0u);
    EXPECT_EQ(copy->GetPageCounter(), 0u);
    EXPECT_EQ(copy->GetDescription().handle, 0u);
  }
}

}  // namespace
}  // namespace vel::test
