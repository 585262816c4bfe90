// The fit-to-size filter: the page transforms of hand-computed cases (the page scaled by the
// smaller ratio so that it fits), the page's target for a turned page, the document's media, the
// jobs it leaves alone, and its stored form.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GMedia.h"
#include "framework/core/GState.h"
#include "framework/core/GValueAttribute.h"
#include "framework/pipeline/GCommandComposite.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "framework/pipeline/GFitToSizeFilter.h"
#include "framework/pipeline/GPageCommand.h"
#include "framework/pipeline/GTransformAttribute.h"
#include "tests/support/FwFilterChain.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwTranscript.h"

namespace {

namespace key = vel::key;
using vel::test::FilterPaper;
using vel::test::FormatReal;
using vel::test::FwFilterChain;
using vel::test::kLetterPaper;
using vel::test::MakeFilterMedia;

constexpr FilterPaper kSlightlyLarger{5200, 6650, 4960, 6410, 120, 120};
constexpr FilterPaper kA5Sized{3496, 4961, 3256, 4721, 120, 120};
constexpr FilterPaper kTallTarget{5200, 6800, 4960, 6560, 120, 130};
constexpr FilterPaper kLetterSideways{6600, 5100, 6360, 4860, 120, 120};

struct Request {
  std::optional<int> print_on = 1;   // 270
  std::optional<int> scale_to_fit;   // 271
  std::optional<FilterPaper> target = kSlightlyLarger;  // 273
};

GState* Settings(const Request& request) {
  GState* group = FwFilterChain::DocumentGroup();
  if (request.print_on) {
    group->Add(new GValueAttribute(static_cast<std::uint16_t>(*request.print_on),
                                   key::kSecondMediaRequest));
  }
  if (request.scale_to_fit) {
    group->Add(
        new GValueAttribute(static_cast<std::uint16_t>(*request.scale_to_fit), key::kScaleToFit));
  }
  if (request.target) {
    GMedia* target = MakeFilterMedia(*request.target, 0, key::kSecondMedia);
    target->SetPaperId(26);
    group->Add(target);
  }
  return group;
}

// (rotation, translation, scale) with the scale to seven digits.
std::string Text(const GTransformAttribute& transform) {
  return "(" + std::to_string(transform.GetRotation()) + ", (" +
         std::to_string(transform.GetTranslation().x) + ", " +
         std::to_string(transform.GetTranslation().y) + "), " +
         FormatReal(transform.GetScale().x) + ")";
}

// The page start a chain of the filter and a stage that keeps it answers for `paper`.
struct Placed {
  std::unique_ptr<GMedia> page_target;
  std::string transform;
};

Placed PlacePage(const Request& request, const FilterPaper& paper, int orientation) {
  GFitToSizeFilter filter;
  GCommandRef start(FwFilterChain::DocumentStart(Settings(request)));
  GCommandRef started(filter.ProcessCommand(start.Get()));
  GCommandRef page(FwFilterChain::PageStart(paper, orientation));
  GCommandRef out(filter.ProcessCommand(page.Get()));
  Placed placed;
  const GState* bundle = out->GetGraphicBundle();
  if (const auto* media = dynamic_cast<const GMedia*>(bundle->FindByKey(key::kSelectedMedia))) {
    placed.page_target = std::make_unique<GMedia>(*media);
  }
  if (const auto* transform = dynamic_cast<const GTransformAttribute*>(
          bundle->FindByClassId(vel::classid::kGTransformAttribute))) {
    placed.transform = Text(*transform);
  }
  EXPECT_EQ(placed.transform, Text(filter.GetTransform()));
  return placed;
}

TEST(GFitToSizeFilterTest, PlacesThePagesOfTheHandComputedCases) {
  const struct {
    const char* name;
    FilterPaper target, page;
    int orientation;
    const char* centred;
    const char* fitted;
  } cases[] = {
      {"larger target", kSlightlyLarger, kLetterPaper, 0, "(0, (170, 145), 1)",
       "(0, (151, 120), 1.007576)"},
      // Scaled by the width's ratio, the one that fits, and centred vertically.
      {"A5-sized target", kA5Sized, kLetterPaper, 0, "(0, (-682, -699), 1)",
       "(0, (120, 300), 0.6854902)"},
      {"turned page", kTallTarget, kLetterSideways, 90, "(0, (220, 170), 1)",
       "(0, (157, 120), 1.019608)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Request request;
    request.target = c.target;
    EXPECT_EQ(PlacePage(request, c.page, c.orientation).transform, c.centred);
    request.scale_to_fit = 1;
    EXPECT_EQ(PlacePage(request, c.page, c.orientation).transform, c.fitted);
  }
}

TEST(GFitToSizeFilterTest, AScaledPageFitsItsTarget) {
  // Whatever the two papers, the scaled page stays within the target.
  const FilterPaper papers[] = {kLetterPaper, kSlightlyLarger, kA5Sized, kTallTarget,
                                {2000, 9000, 1800, 8800, 100, 100}, {9000, 2000, 8800, 1800, 100, 100}};
  for (const FilterPaper& target : papers) {
    for (const FilterPaper& page : papers) {
      std::unique_ptr<GMedia> t(MakeFilterMedia(target));
      std::unique_ptr<GMedia> s(MakeFilterMedia(page));
      const GTransformAttribute fit = GFitToSizeFilter::FitTransform(*t, *s, true);
      const float scale = fit.GetScale().x;
      EXPECT_LE(static_cast<float>(page.width) * scale, static_cast<float>(target.width) * 1.0001f);
      EXPECT_LE(static_cast<float>(page.height) * scale,
                static_cast<float>(target.height) * 1.0001f);
      EXPECT_GE(fit.GetTranslation().x, 0);
      EXPECT_GE(fit.GetTranslation().y, 0);
    }
  }
}

TEST(GFitToSizeFilterTest, ATurnedPageGetsTheTurnedTargetWithItsKeyAndMediaType) {
  Request request;
  request.target = kTallTarget;
  GFitToSizeFilter filter;
  GCommandRef start(FwFilterChain::DocumentStart(Settings(request)));
  GCommandRef started(filter.ProcessCommand(start.Get()));
  auto* group = new GState(key::kPageGroup);
  group->Add(MakeFilterMedia(kLetterSideways, 90, key::kSelectedMedia, "Bond"));
  group->Add(new GValueAttribute(90, key::kOrientation));
  GCommandRef page(new GPageStart(group, 0));
  GCommandRef out(filter.ProcessCommand(page.Get()));
  const auto* media = dynamic_cast<const GMedia*>(group->FindByKey(key::kSelectedMedia));
  ASSERT_NE(media, nullptr);
  const std::int16_t size[2] = {6800, 5200};
  const std::int16_t printable[2] = {6560, 4960};
  const std::int16_t origin[2] = {130, 120};
  GMedia expected(nullptr, size, printable, origin, 90, 26, 600, 600, key::kSelectedMedia, 0,
                  nullptr, "Bond");
  EXPECT_TRUE(media->IsSameKey(&expected));
  EXPECT_EQ(group->Count(), 3u);  // the media and the transform replaced, not added
}

TEST(GFitToSizeFilterTest, TheDocumentsMediaBecomesTheTargetAndThePagesAreFitted) {
  Request request;
  request.target = kA5Sized;
  request.scale_to_fit = 1;
  FwFilterChain chain({new GFitToSizeFilter});
  chain.Send(FwFilterChain::DocumentStart(Settings(request)));
  chain.Send(FwFilterChain::PageStart());
  chain.Send(FwFilterChain::Graphic(true));
  chain.Send(FwFilterChain::Graphic(false));
  chain.Send(new GPageEnd(0));
  const std::string target = vel::test::FormatMedia("Letter", 3496, 4961, 120, 120, 0);
  const std::string page_target = vel::test::FormatMedia("", 3496, 4961, 120, 120, 0);
  const std::string fit =
      vel::test::FormatTransform(0, 120, 300, 0.6854902, 0.6854902);
  const std::vector<std::string> expected = {
      // The target takes the place of the document's media as a state files a replacement.
      "GDocumentStart 0: 265 = 0; 270 = 1; 259 = " + target + "; 271 = 1; 273 = " + target,
      "GPageStart 0: 265 = 0; 259 = " + page_target + "; 0 = " + fit,
      "GRectangleGraphic 0 (10, 10, 20, 20): 160 = no pen; 0 = " + fit,
      "GRectangleGraphic 0 (10, 10, 20, 20): 160 = no pen",
      "GPageEnd 0:",
  };
  EXPECT_EQ(chain.Lines(), expected);
  const auto& filter = static_cast<const GFitToSizeFilter&>(*chain.Filter(0));
  EXPECT_EQ(filter.GetTargetMedia().GetKey(), key::kSelectedMedia);
  EXPECT_EQ(filter.GetTargetMedia().GetPaperId(), 26);
}

// A page start on the target media of the requests (Letter, paper id 26).
GCommand* TargetPage() {
  auto* group = new GState(key::kPageGroup);
  GMedia* media = MakeFilterMedia(kLetterPaper);
  media->SetPaperId(26);
  group->Add(media);
  group->Add(new GValueAttribute(0, key::kOrientation));
  return new GPageStart(group, 0);
}

TEST(GFitToSizeFilterTest, PagesItCannotOrNeedNotFitPassUnchanged) {
  Request request;
  request.target = kLetterPaper;
  FwFilterChain chain({new GFitToSizeFilter});
  chain.Send(FwFilterChain::DocumentStart(Settings(request)));
  const auto& filter = static_cast<const GFitToSizeFilter&>(*chain.Filter(0));
  ASSERT_TRUE(filter.IsEnabled());
  const std::string identity = vel::test::FormatTransform(0, 0, 0, 1, 1);
  struct Case {
    const char* name;
    GCommand* page;
  };
  auto* no_media = new GState(key::kPageGroup);
  no_media->Add(new GValueAttribute(0, key::kOrientation));
  auto* no_orientation = new GState(key::kPageGroup);
  no_orientation->Add(MakeFilterMedia(kA5Sized));
  auto* no_size = new GState(key::kPageGroup);
  no_size->Add(MakeFilterMedia(FilterPaper{0, 4961, 0, 4721, 0, 0}));
  no_size->Add(new GValueAttribute(0, key::kOrientation));
  const Case cases[] = {
      {"the target's own media", TargetPage()},
      {"no bundle", new GPageStart(0)},
      {"no media", new GPageStart(no_media, 0)},
      {"no orientation", new GPageStart(no_orientation, 0)},
      {"a media of no size", new GPageStart(no_size, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // A fitted page first, so that a page passed unchanged is seen to drop its transform.
    chain.Send(FwFilterChain::PageStart(kA5Sized));
    ASSERT_FALSE(filter.GetTransform().IsSameKey(
        &static_cast<const GTransformAttribute&>(GTransformAttribute())));
    chain.Send(new GPageEnd(0));
    const std::string before = FwTranscriptPeripheral::Line(*c.page);
    chain.Send(c.page);
    chain.Send(FwFilterChain::Graphic(true));
    const std::vector<std::string>& lines = chain.Lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], before);
    EXPECT_EQ(lines.back(), "GRectangleGraphic 0 (10, 10, 20, 20): 160 = no pen; 0 = " + identity);
    chain.Send(new GPageEnd(0));
  }
}

TEST(GFitToSizeFilterTest, RequestsItCannotServeSwitchItOffAndTheJobPassesUnchanged) {
  Request no_switch;
  no_switch.print_on.reset();
  Request switch_off;
  switch_off.print_on = 0;
  Request switch_two;
  switch_two.print_on = 2;
  Request no_target;
  no_target.target.reset();
  Request target_of_no_size;
  target_of_no_size.target = FilterPaper{0, 0, 0, 0, 0, 0};
  Request negative_target;
  negative_target.target = FilterPaper{5200, -6650, 4960, 6410, 120, 120};
  const struct {
    const char* name;
    Request request;
  } cases[] = {{"no 270", no_switch},  {"270 = 0", switch_off},
               {"270 = 2", switch_two}, {"no 273", no_target},
               {"target of size 0", target_of_no_size}, {"negative height", negative_target}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> runs[2];
    for (int with_filter = 0; with_filter < 2; ++with_filter) {
      auto made = with_filter != 0 ? std::make_unique<FwFilterChain>(
                                         std::initializer_list<GPeripheral*>{new GFitToSizeFilter})
                                   : std::make_unique<FwFilterChain>();
      FwFilterChain& chain = *made;
      chain.Send(FwFilterChain::DocumentStart(Settings(c.request)));
      chain.Send(FwFilterChain::PageStart(kA5Sized));
      chain.Send(FwFilterChain::Graphic(true));
      chain.Send(new GPageEnd(0));
      chain.Send(new GDocumentEnd(0));
      if (with_filter != 0) {
        EXPECT_FALSE(chain.Filter(0)->IsEnabled());
      }
      runs[with_filter] = chain.Lines();
    }
    EXPECT_EQ(runs[1], runs[0]);
  }
}

// ---------------------------------------------------------------------------------------------
// Stored form

GFitToSizeFilter* FilterInADocument() {
  auto* filter =
      new GFitToSizeFilter(RWCString("FitToSizeFilter"), nullptr, nullptr, 0, 0, 5, 2);
  Request request;
  request.scale_to_fit = 1;
  GCommandRef start(FwFilterChain::DocumentStart(Settings(request)));
  GCommandRef started(filter->ProcessCommand(start.Get()));
  GCommandRef page(FwFilterChain::PageStart());
  GCommandRef out(filter->ProcessCommand(page.Get()));
  return filter;
}

FW_PERSIST_SAMPLES(vel::classid::kGFitToSizeFilter,
                   {{"fit-to-size filter", [] { return new GFitToSizeFilter; }},
                    {"fit-to-size filter in a document", [] { return FilterInADocument(); }}});

TEST(GFitToSizeFilterTest, StoresItsTargetAndARestoreResetsThePage) {
  std::unique_ptr<GFitToSizeFilter> filter(FilterInADocument());
  ASSERT_NE(filter->GetTransform().GetScale().x, 1.0f);
  const vel::test::Bytes own = vel::test::SaveContentsOf(vel::test::Carrier::kFile, *filter);
  ASSERT_EQ(own.size(), filter->StoredByteCount());
  for (const auto carrier : vel::test::kAllCarriers) {
    const vel::test::Restored restored =
        vel::test::RestoreGraph(carrier, vel::test::SaveGraph(carrier, filter.get()));
    ASSERT_FALSE(restored.failed);
    std::unique_ptr<GFitToSizeFilter> copy(dynamic_cast<GFitToSizeFilter*>(restored.object));
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(copy->GetTargetMedia().IsSameKey(&filter->GetTargetMedia()));
    EXPECT_TRUE(copy->GetTransform().IsSameKey(
        &static_cast<const GTransformAttribute&>(GTransformAttribute())));
    EXPECT_TRUE(copy->GetSourceMedia().IsSameKey(&static_cast<const GMedia&>(GMedia())));
  }
}

}  // namespace
