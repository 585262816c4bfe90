// The language peripheral base: the font memory budget, the channel set-up at document start
// (carried, opened, refused, failed, and owned across jobs), the memory attribute, the device
// font list, copies and the stored form.
#include "framework/output/GLanguagePeripheral.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GConfiguration.h"
#include "framework/core/GPersistableLong.h"
#include "framework/core/GRangeAttribute.h"
#include "framework/output/GDeviceFontList.h"
#include "framework/output/GDeviceFontListComposite.h"
#include "framework/output/fonts/GFontDownloader.h"
#include "framework/output/fonts/GGlyphCodeMap.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "tests/support/FwOutputSinks.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwTestLanguagePeripheral.h"
#include "tests/support/FwTestProviders.h"

namespace {

using vel::test::MemoryOutputPort;
using vel::test::ScopedRegistration;
using vel::test::TestProvider;

FW_PERSIST_SAMPLES(FwTestLanguagePeripheral::kClassId,
                   {{"language default", [] { return new FwTestLanguagePeripheral; }},
                    {"language values", [] {
                       auto* peripheral = new FwTestLanguagePeripheral;
                       peripheral->SetInDocumentFlag(1);
                       peripheral->SetScanFlag(-2);
                       peripheral->SetPathDepth(3);
                       peripheral->SetClipPathFlag(7);
                       peripheral->SetName("PCL XL");
                       return peripheral;
                     }}});

GConfiguration* ConfigurationWith(GBaseObject* attribute) {
  auto* configuration = new GConfiguration(vel::key::kPeripheralConfiguration);
  configuration->Add(attribute);
  return configuration;
}

GDocumentStart Start() {
  return GDocumentStart(RWWString(u"Job"), RWWString(u"Laser 1"), nullptr, 0);
}

TEST(GFontMemoryBudgetTest, ReservationsExhaustAndReleasesFloorAtZero) {
  GFontMemoryBudget budget;
  EXPECT_EQ(budget.Limit(), 1048576u);
  budget.SetLimit(10);
  EXPECT_EQ(budget.Reserve(6), 4u);
  EXPECT_EQ(budget.Reserve(10), 0u);  // more than remains: exhausted, not refused
  EXPECT_EQ(budget.Used(), 10u);
  EXPECT_EQ(budget.Release(3), 3u);
  EXPECT_EQ(budget.Release(100), 10u);  // more than used
  EXPECT_EQ(budget.Used(), 0u);
  budget.SetLimit(5);
  (void)budget.Reserve(5);
  EXPECT_EQ(budget.Reset(), 5u);
  EXPECT_EQ(budget.Free(), 5u);
}

TEST(GLanguagePeripheralTest, TheMemoryAttributeSetsTheFontLimit) {
  struct Case {
    const char* name;
    bool attribute;
    std::int16_t value;
    std::uint32_t limit;
  };
  const Case cases[] = {
      {"100 units", true, 100, 100u * 10485u},
      {"negative is no memory", true, -5, 0},
      {"without the attribute the limit stays", false, 0, 1048576u - 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FwTestLanguagePeripheral peripheral;
    if (c.attribute) {
      peripheral.SetConfiguration(ConfigurationWith(
          new GRangeAttribute(-100, 1000, 1, c.value, vel::key::kDeviceMemory)));
    }
    // A budget used and limited by an earlier job.
    (void)peripheral.ReserveFontMemory(1);
    MemoryOutputPort port;
    GDocumentStart start = Start();
    start.SetOutputChannel(&port);
    ASSERT_EQ(peripheral.HandleDocumentStart(start), 0);
    EXPECT_EQ(peripheral.Budget().Limit(), c.attribute ? c.limit : 1048576u);
    EXPECT_EQ(peripheral.Budget().Used(), 0u);
    if (!c.attribute) {
      EXPECT_EQ(peripheral.ReserveFontMemory(1), c.limit);
    }
    EXPECT_EQ(peripheral.GetInDocument(), 1);
    EXPECT_EQ(peripheral.GetState(), GPeripheral::kIdle);  // left to the back ends
  }
}

TEST(GLanguagePeripheralTest, ACarriedChannelIsUsedAndNeverOwned) {
  MemoryOutputPort::Tally tally;
  auto port = std::make_unique<MemoryOutputPort>();
  port->KeepTally(&tally);
  {
    FwTestLanguagePeripheral peripheral;
    GDocumentStart start = Start();
    start.SetOutputChannel(port.get());
    ASSERT_EQ(peripheral.HandleDocumentStart(start), 0);
    EXPECT_EQ(peripheral.GetOutputChannel(), port.get());
    EXPECT_FALSE(peripheral.OwnsOutputChannel());
    EXPECT_EQ(tally.job_starts, 0);  // the opener starts the job, not this peripheral
  }
  EXPECT_EQ(tally.deletions, 0);
}

// A chain without a printer in front: the peripheral opens the channel itself.
class OpenedChannelTest : public ::testing::Test {
 protected:
  TestProvider provider_{1};
  ScopedRegistration registration_{&provider_, "Test Output"};
};

TEST_F(OpenedChannelTest, NoUsableChannelAnswers601) {
  FwTestLanguagePeripheral peripheral;
  GDocumentStart start = Start();
  EXPECT_EQ(peripheral.HandleDocumentStart(start), kOutputNoChannel);  // no channel made

  MemoryOutputPort::Tally tally;
  provider_.MakeOutput([&tally](const TestProvider::Request&) -> GOutputPort* {
    auto* port = new MemoryOutputPort;
    port->KeepTally(&tally);
    port->SetUsable(false);
    return port;
  });
  EXPECT_EQ(peripheral.HandleDocumentStart(start), kOutputNoChannel);
  EXPECT_EQ(tally.deletions, 1);  // the refused channel does not leak
  EXPECT_EQ(start.GetOutputChannel(), nullptr);
  EXPECT_EQ(peripheral.GetOutputChannel(), nullptr);
}

TEST_F(OpenedChannelTest, AFailingJobStartIsAnswered) {
  provider_.MakeOutput([](const TestProvider::Request&) -> GOutputPort* {
    auto* port = new MemoryOutputPort;
    port->FailJobStart(17);
    return port;
  });
  FwTestLanguagePeripheral peripheral;
  GDocumentStart start = Start();
  EXPECT_EQ(peripheral.HandleDocumentStart(start), 17);
  EXPECT_TRUE(peripheral.OwnsOutputChannel());  // still the peripheral's to delete
  EXPECT_EQ(start.GetOutputChannel(), peripheral.GetOutputChannel());
}

TEST_F(OpenedChannelTest, ASecondJobNeverTouchesTheFirstJobsChannel) {
  MemoryOutputPort::Tally first;
  MemoryOutputPort::Tally second;
  int made = 0;
  provider_.MakeOutput([&](const TestProvider::Request& request) -> GOutputPort* {
    EXPECT_EQ(request.flags, 0u);
    EXPECT_EQ(request.argument, u"Laser 1");
    auto* port = new MemoryOutputPort;
    port->KeepTally(made++ == 0 ? &first : &second);
    return port;
  });
  {
    FwTestLanguagePeripheral peripheral;
    GDocumentStart job1 = Start();
    ASSERT_EQ(peripheral.HandleDocumentStart(job1), 0);
    GOutputPort* channel1 = peripheral.GetOutputChannel();
    EXPECT_TRUE(peripheral.OwnsOutputChannel());
    EXPECT_EQ(job1.GetOutputChannel(), channel1);
    EXPECT_EQ(first.job_starts, 1);
    EXPECT_TRUE(channel1->IsOpen());

    GDocumentStart job2 = Start();
    ASSERT_EQ(peripheral.HandleDocumentStart(job2), 0);
    EXPECT_EQ(first.deletions, 1);  // deleted, with no further call
    EXPECT_EQ(first.job_starts, 1);
    EXPECT_EQ(first.aborts, 0);
    EXPECT_EQ(second.job_starts, 1);
    EXPECT_TRUE(peripheral.OwnsOutputChannel());
    EXPECT_EQ(job2.GetOutputChannel(), peripheral.GetOutputChannel());
  }
  EXPECT_EQ(second.deletions, 1);  // with the peripheral
}

TEST(GLanguagePeripheralTest, CopiesAndAssignmentsFollowTheirRules) {
  FwTestLanguagePeripheral original;
  original.SetInDocumentFlag(1);
  original.SetScanFlag(1);
  original.SetPathDepth(2);
  original.SetClipPathFlag(1);
  original.SetFontDownloader(new GXLFontDownloader);
  original.SetGlyphCodeMap(new GXLGlyphCodeMap);
  original.SetWorkingValues(1, 5, 9);
  MemoryOutputPort port;
  GDocumentStart start(RWWString(u"Job"), RWWString(u"Laser 1"),
                       reinterpret_cast<GDeviceSession*>(0x40), 0);
  start.SetOutputChannel(&port);
  ASSERT_EQ(original.HandleDocumentStart(start), 0);
  (void)original.ReserveFontMemory(100);
  EXPECT_EQ(original.GetPrinterHandle(), reinterpret_cast<GDeviceSession*>(0x40));

  FwTestLanguagePeripheral copy(original);
  EXPECT_TRUE(copy.IsSameKey(&original));
  EXPECT_EQ(copy.GetPathDepth(), 2);
  EXPECT_TRUE(copy.IsInsidePath());
  EXPECT_EQ(copy.FontDownloader(), nullptr);
  EXPECT_EQ(copy.GlyphCodeMap(), nullptr);
  EXPECT_EQ(copy.GetPrinterHandle(), nullptr);
  EXPECT_EQ(copy.OnceFlag() + copy.FontNumber() + copy.UseCounter(), 0u);
  EXPECT_EQ(copy.Budget(), GFontMemoryBudget());
  EXPECT_EQ(copy.CurrentFontList(), &copy.OwnFontLists());

  FwTestLanguagePeripheral assigned;
  assigned.SetFontDownloader(new GXLFontDownloader);
  assigned.SetWorkingValues(1, 5, 9);
  (void)assigned.ReserveFontMemory(7);
  assigned = original;
  EXPECT_TRUE(assigned.IsSameKey(&original));
  EXPECT_EQ(assigned.FontDownloader(), nullptr);
  EXPECT_EQ(assigned.GetPrinterHandle(), nullptr);
  EXPECT_EQ(assigned.OnceFlag(), 1u);  // nothing clears the once-only flag
  EXPECT_EQ(assigned.FontNumber() + assigned.UseCounter(), 0u);
  EXPECT_EQ(assigned.Budget().Used(), 7u);  // the budget stays

  original.SetClipPathFlag(0);
  EXPECT_FALSE(copy.IsSameKey(&original));
}

TEST(GLanguagePeripheralTest, ARestoreDropsTheOwnedObjects) {
  FwTestLanguagePeripheral original;
  original.SetScanFlag(1);
  original.SetPathDepth(4);
  FwTestLanguagePeripheral target;
  target.SetFontDownloader(new GXLFontDownloader);
  target.SetGlyphCodeMap(new GXLGlyphCodeMap);
  const auto bytes = vel::test::SaveGraph(vel::test::Carrier::kFile, &original);
  ASSERT_FALSE(vel::test::RestoreInto(vel::test::Carrier::kFile, bytes, target).failed);
  EXPECT_EQ(target.FontDownloader(), nullptr);
  EXPECT_EQ(target.GlyphCodeMap(), nullptr);
  EXPECT_EQ(target.GetPathDepth(), 4);
  EXPECT_EQ(target.GetScanFlag(), 1);
  EXPECT_EQ(bytes.size(), original.TotalStoredSize());
}

TEST(GLanguagePeripheralTest, TheDeviceFontListComesFromTheConfiguration) {
  FwTestLanguagePeripheral peripheral;
  peripheral.LoadDeviceFontList();
  EXPECT_EQ(peripheral.CurrentFontList(), &peripheral.OwnFontLists());

  auto* lists = new GDeviceFontListComposite(vel::key::kDeviceFontLists);
  lists->Insert(new GDeviceFontList(vel::key::kDiskFonts1));
  peripheral.SetConfiguration(ConfigurationWith(lists));
  peripheral.LoadDeviceFontList();
  EXPECT_EQ(peripheral.CurrentFontList(), lists);

  const std::uint16_t dummy = 0;
  const std::uint16_t* table = &dummy;
  EXPECT_EQ(peripheral.QueryResidentFont(*reinterpret_cast<const GFontFaceRecord*>(&dummy), 1, 0,
                                         &table),
            1u);
  EXPECT_EQ(table, nullptr);
}

// The current list stays usable, and current, until the next load: a new configuration frees the
// old one and the lists in it otherwise.
TEST(GLanguagePeripheralTest, AReplacedConfigurationLeavesTheCurrentFontListUsable) {
  FwTestLanguagePeripheral peripheral;
  auto* lists = new GDeviceFontListComposite(vel::key::kDeviceFontLists);
  lists->Insert(new GDeviceFontList(vel::key::kDiskFonts1));
  peripheral.SetConfiguration(ConfigurationWith(lists));
  peripheral.LoadDeviceFontList();
  peripheral.SetConfiguration(
      ConfigurationWith(new GDeviceFontListComposite(vel::key::kDeviceFontLists)));
  ASSERT_EQ(peripheral.CurrentFontList(), lists);
  EXPECT_EQ(peripheral.CurrentFontList()->Count(), 1u);
  peripheral.LoadDeviceFontList();
  EXPECT_EQ(peripheral.CurrentFontList()->Count(), 0u);
}

}  // namespace
