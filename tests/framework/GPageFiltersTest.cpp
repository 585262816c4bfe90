// The page filters together, in the order the driver data file stands them ahead of the printer
// (scale-page, fit-to-size, watermark, booklet, n-up): how a page's transform is placed through
// them, and a job through the fixture's chain with every filter switched off by its settings.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GPeripheralComposite.h"
#include "framework/core/GState.h"
#include "framework/core/GValueAttribute.h"
#include "framework/output/GKestrix.h"
#include "framework/output/GPJL.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "framework/pipeline/GFitToSizeFilter.h"
#include "framework/pipeline/GNupFilter.h"
#include "framework/pipeline/GPageCommand.h"
#include "framework/pipeline/GScalePageFilter.h"
#include "framework/pipeline/GWatermarkFilter.h"
#include "tests/support/FwFilterChain.h"
#include "tests/support/FwJobHarness.h"
#include "tests/support/FwTranscript.h"
#include "tools/veldata/DriverData.h"

namespace {

namespace key = vel::key;
namespace classid = vel::classid;
using vel::test::FwFilterChain;

TEST(GPageFiltersTest, APagesTransformIsPlacedThroughEveryFilterInTurn) {
  FwFilterChain chain({new GScalePageFilter, new GFitToSizeFilter, new GWatermarkFilter,
                       new GNupFilter});
  GState* group = FwFilterChain::DocumentGroup();
  group->Add(new GValueAttribute(50, key::kScalePercentage));
  group->Add(new GValueAttribute(1, key::kSecondMediaRequest));
  group->Add(vel::test::MakeFilterMedia({5200, 6800, 4960, 6560, 120, 120}, 0, key::kSecondMedia));
  auto* nup = new GState(key::kNupGroup);
  nup->Add(new GValueAttribute(4, key::kPagesPerSheet));
  group->Add(nup);
  chain.Send(FwFilterChain::DocumentStart(group));
  chain.Send(FwFilterChain::PageStart());
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(chain.Filter(i)->IsEnabled(), i != 2) << i;
  }
  // The null command behind the first page start carries scale-page's transform as fit-to-size
  // (centring Letter on the target, (170, 220)) and n-up (the first of 2 x 2 cells, (176, 197)
  // at 0.4740385) place it: the earlier translations are scaled by the later stages, where the
  // plain sum would give (346, 417).
  const std::string placed =
      "GNullCommand 0: 0 = " + vel::test::FormatTransform(0, 256, 301, 0.2370192, 0.2370192);
  const std::vector<std::string>& lines = chain.Lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1].rfind("GPageStart 0:", 0), 0u) << lines[1];
  EXPECT_EQ(lines[2], "GNullCommand 0: 0 = " +
                          vel::test::FormatTransform(0, 176, 197, 0.4740385, 0.4740385));
  EXPECT_EQ(lines[3], placed);
}

TEST(GPageFiltersTest, AJobThroughTheFixturesChainPassesWithEveryFilterSwitchedOff) {
  std::vector<vel::test::Bytes> outputs;
  for (const bool filters : {true, false}) {
    GPeripheralComposite* head =
        vel::data::BuildChain(nullptr, vel::data::BuildPJL(vel::data::BuildPJLConfiguration()),
                              vel::data::BuildKestrix(vel::data::BuildLanguageConfiguration()));
    const std::vector<RWClassID> expected = {classid::kGScalePageFilter,
                                             classid::kGFitToSizeFilter,
                                             classid::kGWatermarkFilter,
                                             classid::kGBookletFilter, classid::kGNupFilter,
                                             classid::kGPrinter};
    ASSERT_EQ(head->Count(), expected.size());
    for (std::uint32_t i = 0; i < head->Count(); ++i) {
      EXPECT_EQ(head->ChildAt(i)->IsA(), expected[i]) << i;
    }
    std::vector<GPeripheral*> stages;
    if (!filters) {
      while (head->Count() > 1) {
        std::unique_ptr<GBaseObject> removed(head->RemoveObject(head->ChildAt(0)));
      }
    } else {
      for (std::uint32_t i = 0; i + 1 < head->Count(); ++i) {
        stages.push_back(head->ChildAt(i));
      }
    }
    vel::test::JobHarness harness(vel::test::JobHarness::OverChain{head});
    EXPECT_EQ(harness.RunJob({vel::test::PageSettings{}, vel::test::PageSettings{}}), 0);
    for (GPeripheral* stage : stages) {
      EXPECT_FALSE(stage->IsEnabled()) << stage->IsA();
    }
    outputs.push_back(harness.LastJob().XLPart());
    EXPECT_FALSE(outputs.back().empty());
  }
  EXPECT_EQ(outputs[0], outputs[1]);
}

}  // namespace
