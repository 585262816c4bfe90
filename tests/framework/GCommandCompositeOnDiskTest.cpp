// The on-disk command list: sharing a store by file name, the bundle record, replacing a child,
// a recorded page walked by a stage that replaces one of its commands, the device cookie, the
// stored form and the soundness of the record file.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GDriverServer.h"
#include "framework/core/GIterator.h"
#include "framework/core/GOSServices.h"
#include "framework/core/GRenderDevice.h"
#include "framework/core/GState.h"
#include "framework/core/GStringAttribute.h"
#include "framework/core/GValueAttribute.h"
#include "framework/core/StringWidth.h"
#include "framework/output/fonts/GFontDatabase.h"
#include "framework/pipeline/BookletLock.h"
#include "framework/pipeline/GCommandComposite.h"
#include "framework/pipeline/GCommandCompositeOnDisk.h"
#include "framework/pipeline/GErrorCommand.h"
#include "framework/pipeline/GJobAbort.h"
#include "framework/pipeline/GMarkerCommands.h"
#include "framework/pipeline/GPageCommand.h"
#include "framework/pipeline/GPassThroughCommand.h"
#include "tests/support/FwPersistHarness.h"
#include "tests/support/FwTestObjects.h"
#include "tests/support/FwTestPeripheral.h"
#include "tests/support/FwTestRenderDevice.h"
#include "tests/support/FwTranscriptPeripheral.h"
#include "tests/support/RwDiskFileCheck.h"
#include "tests/support/TempDir.h"

namespace {

namespace classid = vel::classid;

RWWString Wide(const std::string& name) {
  RWWString wide;
  (void)WidenString(RWCString(name.c_str()), wide);
  return wide;
}

std::string SampleFile() {
  return (std::filesystem::temp_directory_path() /
          ("vel_command_disk_sample_" + std::to_string(getpid()) + ".rec"))
      .string();
}

FW_PERSIST_SAMPLES(classid::kGCommandCompositeOnDisk,
                   {{"closed command list on disk", [] { return new GCommandCompositeOnDisk; }},
                    {"open command list on disk", [] {
                       return new GCommandCompositeOnDisk(Wide(SampleFile()), new GState(244), 1,
                                                          5);
                     }}});

// The class ids of the objects the records of a composite hold, in order.
std::vector<RWClassID> RecordedClasses(const GCommandCompositeOnDisk& composite) {
  std::vector<RWClassID> ids;
  const std::unique_ptr<GIterator> records(composite.CreateIterator());
  while (records->Advance() != 0) {
    const GCountedPtr object = records->CurrentRef();
    ids.push_back(object ? object->IsA() : 0);
  }
  return ids;
}

// How many top-level records hold an object with `key`.
int RecordsWithKey(const GCommandCompositeOnDisk& composite, std::uint32_t key) {
  const GCountedPtr imp = composite.Store().Implementation();
  const auto& index = static_cast<const MPersistentCompositeOnDiskImp*>(imp.Get())->Index();
  int count = 0;
  for (std::uint32_t i = 0; i < index.Count(); ++i) {
    count += index.ChildAt(i)->RecordedKey() == key ? 1 : 0;
  }
  return count;
}

class GCommandCompositeOnDiskTest : public ::testing::Test {
 protected:
  std::unique_ptr<GCommandCompositeOnDisk> Open(const std::string& name = "page.pg") {
    return std::make_unique<GCommandCompositeOnDisk>(Wide(folder_.File(name)), 0, 0);
  }

  vel::test::TempDir folder_;
};

TEST_F(GCommandCompositeOnDiskTest, TwoOnOneFileNameSeeEachOthersRecords) {
  auto first = Open();
  auto second = Open();
  first->AddRef(GCountedPtr(new GPageStart(1)));
  second->AddRef(GCountedPtr(new GPageEnd(2)));
  EXPECT_EQ(RecordedClasses(*first), (std::vector<RWClassID>{classid::kGPageStart,
                                                             classid::kGPageEnd}));
  EXPECT_EQ(second->Count(), 2u);
  EXPECT_TRUE(second->GetRefByKey(1));
  auto other = Open("other.pg");
  EXPECT_EQ(other->Count(), 0u);
}

TEST_F(GCommandCompositeOnDiskTest, TakesOnlyCommandsAndLeavesTheRefusedToItsHolder) {
  auto page = Open();
  GCountedPtr leaf(new FwTestLeaf(3, 3));
  page->AddRef(leaf);
  page->AddRef(GCountedPtr());
  EXPECT_EQ(page->Count(), 0u);
  EXPECT_EQ(leaf->References(), 0);  // only `leaf` holds it
  // The leaf behaviour of the root for what is not passed on.
  GNullCommand extra(4);
  page->Add(&extra);
  page->PrependRef(GCountedPtr(new GNullCommand(5)));
  EXPECT_EQ(page->Count(), 0u);
}

TEST_F(GCommandCompositeOnDiskTest, KeepsOneBundleRecordThatGettersLeaveInPlace) {
  auto page = Open();
  page->AddRef(GCountedPtr(new GPageStart(1)));
  auto* first = new GState(244);
  first->Add(new GValueAttribute(1, 30));
  page->AssignGraphicBundle(GCountedPtr(first));
  auto* second = new GState(244);
  second->Add(new GValueAttribute(2, 31));
  page->AssignGraphicBundle(GCountedPtr(second));
  EXPECT_EQ(RecordsWithKey(*page, vel::key::kRecordedBundle), 1);
  for (int i = 0; i < 2; ++i) {
    GCountedPtr bundle;
    page->GetGraphicBundleRef(bundle);
    ASSERT_TRUE(bundle);
    EXPECT_NE(bundle->FindByKey(31), nullptr);
  }
  EXPECT_EQ(RecordsWithKey(*page, vel::key::kRecordedBundle), 1);
  // The command's own bundle is another thing.
  EXPECT_EQ(page->GetGraphicBundle(), nullptr);
  page->AssignGraphicBundle(GCountedPtr());
  EXPECT_EQ(RecordsWithKey(*page, vel::key::kRecordedBundle), 0);
}

TEST_F(GCommandCompositeOnDiskTest, ReplaceChildRewritesTheRecordInItsPlace) {
  auto page = Open();
  page->AddRef(GCountedPtr(new GPageStart(1)));
  page->AddRef(GCountedPtr(new GNullCommand(2)));
  page->AddRef(GCountedPtr(new GPageEnd(3)));
  GCountedPtr child = page->GetRefByKey(2);
  ASSERT_TRUE(child);
  EXPECT_NE(page->ReplaceChild(static_cast<const GCommand&>(*child.Get()),
                               GCommandRef(new GJobAbort(4))),
            0);
  EXPECT_EQ(RecordedClasses(*page), (std::vector<RWClassID>{classid::kGPageStart,
                                                            classid::kGJobAbort,
                                                            classid::kGPageEnd}));
  EXPECT_FALSE(page->GetRefByKey(2));
}

TEST_F(GCommandCompositeOnDiskTest, AStageThatReplacesACommandProcessesEachRecordOnce) {
  auto page = Open();
  page->AddRef(GCountedPtr(new GPageStart(1)));
  page->AddRef(GCountedPtr(new GPassThroughCommand(nullptr, std::uint16_t{0}, 767, 2)));
  page->AddRef(GCountedPtr(new GPageEnd(3)));
  // A record that is not a command is passed over.
  page->AssignGraphicBundle(GCountedPtr(new GState(244)));
  page->Close();

  // The pass-through becomes a list of itself and a job abort: walked again, it would be handled
  // a second time and the job abort with it.
  FwTestPeripheral stage(RWCString("replacing"), 0);
  stage.SetReplacement([](GCommand& handled) -> GCommand* {
    if (handled.IsA() != classid::kGPassThroughCommand) {
      return nullptr;
    }
    auto* list = new GCommandComposite(9);
    list->Add(&handled);
    list->Add(new GJobAbort(5));
    return list;
  });
  GCommand* result = stage.ProcessCommand(page.get());
  EXPECT_EQ(result, page.get());
  EXPECT_EQ(stage.Names(), (std::vector<std::string>{"HandlePageStart",
                                                     "HandlePassThroughCommand",
                                                     "HandlePageEnd"}));

  FwTranscriptPeripheral next;
  (void)next.ProcessCommand(page.get());
  EXPECT_EQ(next.Text(),
            "GPageStart 1:\n"
            "GPassThroughCommand 2\n"
            "GJobAbort 5\n"
            "GPageEnd 3:\n");
}

TEST_F(GCommandCompositeOnDiskTest, AFailingRecordEndsTheWalkWithItsErrorCommand) {
  // Held by a counted reference, as the chain holds commands: the error command takes the list's
  // place in the answer.
  auto* page = Open().release();
  GCommandRef held(page);
  page->AddRef(GCountedPtr(new GPageStart(1)));
  page->AddRef(GCountedPtr(new GPageEnd(2)));
  FwTestPeripheral stage;
  stage.SetStatus("HandlePageStart", 7);
  GCommandRef result(stage.ProcessCommand(page));
  ASSERT_EQ(result->IsA(), classid::kGErrorCommand);
  EXPECT_EQ(static_cast<GErrorCommand*>(result.Get())->GetStatus(), 7);
  EXPECT_EQ(stage.Names(), (std::vector<std::string>{"HandlePageStart"}));
}

TEST(GCommandCompositeOnDiskCookieTest, ReadsTheLeadingHexadecimalDigitsKeptTo32Bits) {
  const struct {
    const char* text;
    std::uint32_t cookie;
  } cases[] = {{"1f3", 0x1f3},          {"DEADbeef", 0xdeadbeef}, {"12ab;x", 0x12ab},
               {"123456789", 0x23456789}, {"xyz", 0},             {"", 0},
               {" 12", 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(GCommandCompositeOnDisk::ParseDeviceCookie(RWCString(c.text)), c.cookie) << c.text;
  }
}

// Recorded pages that name their font file (407) and their render device (408, the cookie under
// which the driver server files it, as hexadecimal text).
class RecordedFontFileTest : public GCommandCompositeOnDiskTest {
 protected:
  void SetUp() override {
    auto* services = new vel::test::BothKindsServices;
    services->make_render_device = [](const GPrinterKey& key) -> GDeviceSession* {
      return new vel::test::TestRenderDevice(key);
    };
    server_ = new GDriverServer;
    device_ = server_->OpenRenderDriver(new vel::test::TestPrinterKey(u"Laser", u"vel-laser"),
                                        &cookie_);
    ASSERT_NE(device_, nullptr);
    ASSERT_NE(device_->GetDownloadedFontTable(), nullptr);
    font_file_ = folder_.File("page.fnt");
    ASSERT_EQ(device_->GetDownloadedFontTable()->AddFontFile(Wide(font_file_)), 1);
  }
  void TearDown() override {
    vel::DeleteDriverServer();
    vel::DeleteOSServices();
  }

  // A recorded page of one command whose bundle names the font file and the device.
  std::unique_ptr<GCommandCompositeOnDisk> PageNaming(const std::string& font_file,
                                                      const std::string& device) {
    auto page = Open("page" + std::to_string(++pages_) + ".pg");
    auto* bundle = new GState(244);
    bundle->Add(new GStringAttribute(font_file.c_str(), vel::key::kRecordedFontFile));
    bundle->Add(new GStringAttribute(device.c_str(), vel::key::kRecordedDeviceCookie));
    page->SetGraphicBundle(bundle);
    page->AddRef(GCountedPtr(new GPageStart(1)));
    return page;
  }
  static std::string Hex(std::uint32_t cookie) {
    char text[16];
    std::snprintf(text, sizeof text, "%x", cookie);
    return text;
  }
  RWWString Current() const { return device_->GetDownloadedFontTable()->CurrentFontFile(); }

  GDriverServer* server_ = nullptr;
  GRenderDevice* device_ = nullptr;
  std::uint32_t cookie_ = 0;
  std::string font_file_;
  int pages_ = 0;
};

TEST_F(RecordedFontFileTest, IteratingMakesTheNamedFontFileCurrentInTheDevicesTable) {
  auto page = PageNaming(font_file_, Hex(cookie_) + ";");
  EXPECT_EQ(RecordedClasses(*page), (std::vector<RWClassID>{classid::kGPageStart}));
  EXPECT_EQ(Current(), Wide(font_file_));
  EXPECT_TRUE(vel::BookletLock::Instance().IsFree());
  // Current, so it is not read again.
  std::filesystem::remove(font_file_);
  EXPECT_EQ(device_->GetDownloadedFontTable()->SelectFontFile(Wide(font_file_)), 1);
}

TEST_F(RecordedFontFileTest, NothingIsSelectedForAnUnknownDeviceOrOneWithoutATable) {
  const std::string unknown = Hex(cookie_ == 0xFFFFFFFFu ? 1 : cookie_ + 1);
  const struct {
    std::string font_file;
    std::string device;
  } cases[] = {{font_file_, "xyz"}, {font_file_, unknown}, {font_file_, ""}, {"", Hex(cookie_)}};
  for (const auto& c : cases) {
    auto page = PageNaming(c.font_file, c.device);
    EXPECT_EQ(RecordedClasses(*page).size(), 1u) << c.device;
    EXPECT_EQ(Current().Length(), 0u) << c.device;
  }
  // A device whose table is gone (closed, or its table could not be made) still walks its pages.
  device_->Close();
  auto page = PageNaming(font_file_, Hex(cookie_));
  EXPECT_EQ(RecordedClasses(*page).size(), 1u);
  EXPECT_TRUE(vel::BookletLock::Instance().IsFree());
}

// The font file is selected under the booklet lock: a page being recorded elsewhere holds it, and
// the walk over a recorded page waits until that page is done.
class RecordedFontFileThreadsTest : public RecordedFontFileTest {};

TEST_F(RecordedFontFileThreadsTest, TheSelectionWaitsForAPageBeingRecorded) {
  auto page = PageNaming(font_file_, Hex(cookie_));
  int recorder = 0;  // the token of a booklet recording a page
  vel::BookletLock::Instance().Acquire(&recorder);
  std::atomic<bool> walked{false};
  std::thread replay([&] {
    const std::unique_ptr<GIterator> records(page->CreateIterator());
    walked = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(walked.load());
  vel::BookletLock::Instance().Release(&recorder);
  replay.join();
  EXPECT_TRUE(walked.load());
  EXPECT_EQ(Current(), Wide(font_file_));
  EXPECT_TRUE(vel::BookletLock::Instance().IsFree());
}

TEST_F(GCommandCompositeOnDiskTest, StoredSizeCountsTheStoreRecordAndTheFileIsSound) {
  const std::string name = folder_.File("sized.pg");
  {
    GCommandCompositeOnDisk page(Wide(name), 0, 0);
    const GNullCommand plain;
    EXPECT_EQ(page.StoredByteCount(),
              plain.StoredByteCount() - 4 + 4 + 2 + 28 + static_cast<std::uint32_t>(name.size()));
    page.AddRef(GCountedPtr(new GPageStart(1)));
    auto* list = new GCommandComposite(2);
    list->Add(new GNullCommand(3));
    page.AddRef(GCountedPtr(list));
    page.AssignGraphicBundle(GCountedPtr(new GState(244)));
    page.AssignGraphicBundle(GCountedPtr(new GState(244)));
  }
  const vel::test::Bytes image = vel::test::FileImage(name);
  vel::test::SpaceLayout layout;
  ASSERT_TRUE(vel::test::CheckFileSpace(image, &layout));
  EXPECT_TRUE(vel::test::CheckDiskBTree(image, layout, layout.start, false));
}

}  // namespace
