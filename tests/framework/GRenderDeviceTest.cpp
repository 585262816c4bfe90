// The render device: the commands of a job through a recording head, copies, media selection,
// errors from the chain, job options and the reloading of job settings.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GAttributeComposite.h"
#include "framework/core/GConfiguration.h"
#include "framework/core/GMedia.h"
#include "framework/core/GOSServices.h"
#include "framework/core/GRangeAttribute.h"
#include "framework/core/GRenderDevice.h"
#include "framework/core/GState.h"
#include "framework/core/GStringAttribute.h"
#include "framework/core/GValueAttribute.h"
#include "framework/output/fonts/GFontDatabase.h"
#include "framework/pipeline/GCommandComposite.h"
#include "framework/pipeline/GErrorCommand.h"
#include "framework/pipeline/GMarkerCommands.h"
#include "framework/pipeline/GTransformAttribute.h"
#include "tests/support/FwTestOSServices.h"
#include "tests/support/FwTestObjects.h"
#include "tests/support/FwTestPeripheral.h"
#include "tests/support/FwTestRenderDevice.h"
#include "tests/support/TempDir.h"
#include "tools/veldata/DriverData.h"

namespace vel::test {
namespace {

namespace key = vel::key;
namespace classid = vel::classid;

// The head of the chain: records each command's class and a copy of its bundle, and answers an
// error command for the classes told to fail.
class RecordingHead : public FwTestPeripheral {
 public:
  struct Seen {
    RWClassID id;
    std::shared_ptr<GBaseObject> bundle;
  };
  RecordingHead() : FwTestPeripheral(key::kPrinterPeripheral) {}

  GCommand* ProcessCommand(GCommand* command) override {
    if (command == nullptr) {
      return nullptr;
    }
    GState* bundle = command->GetGraphicBundle();
    seen.push_back({command->IsA(), std::shared_ptr<GBaseObject>(
                                        bundle != nullptr ? bundle->DeepCopy() : nullptr)});
    if (answer) {
      return answer(command);
    }
    for (const auto& [id, status] : failures) {
      if (command->IsA() == id) {
        return new GErrorCommand(status, command);
      }
    }
    return command;
  }
  void Reset() override {
    ++resets;
    FwTestPeripheral::Reset();
  }

  std::vector<RWClassID> Ids() const {
    std::vector<RWClassID> ids;
    for (const Seen& s : seen) {
      ids.push_back(s.id);
    }
    return ids;
  }

  std::vector<Seen> seen;
  std::vector<std::pair<RWClassID, std::uint16_t>> failures;
  std::function<GCommand*(GCommand*)> answer;
  int resets = 0;
};

// A graphic whose deletion is counted.
class CountedGraphic : public GNullCommand {
 public:
  explicit CountedGraphic(int* deleted) : deleted_(deleted) {}
  ~CountedGraphic() override { ++*deleted_; }

 private:
  int* deleted_;
};

std::int32_t ValueOf(const GBaseObject* in, std::uint32_t k) {
  const GBaseObject* object = in != nullptr ? in->FindByKey(k) : nullptr;
  if (const auto* v = dynamic_cast<const GValueAttribute*>(object)) {
    return v->GetValue();
  }
  return -1;
}

class RenderDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterFrameworkTestClasses();
    services_ = new TestOSServices;
    device_ = std::make_unique<TestRenderDevice>(u"Laser 1", u"vel-laser");
    head_ = new RecordingHead;
    GConfiguration* configuration = vel::data::BuildPrinterConfiguration(vel::data::kDefaultModel);
    // The margins of custom media, in ten-thousandths of an inch.
    auto* margins = new GAttributeComposite(key::kMargins);
    for (const std::uint32_t k :
         {key::kLeftMargin, key::kTopMargin, key::kRightMargin, key::kBottomMargin}) {
      margins->Add(new GValueAttribute(1000, k));
    }
    configuration->Add(margins);
    head_->SetConfiguration(configuration);
    device_->SetConfiguration(head_);
    device_->ResetJob();
  }
  void TearDown() override {
    device_.reset();
    vel::DeleteOSServices();
  }

  GAttributeComposite* Part(std::uint32_t k) {
    return dynamic_cast<GAttributeComposite*>(device_->EnsureJobAttributeGroup()->FindByKey(k));
  }
  void SetValue(std::uint32_t part, std::uint32_t k, std::uint16_t value) {
    auto* attribute = dynamic_cast<GValueAttribute*>(Part(part)->FindByKey(k));
    ASSERT_NE(attribute, nullptr);
    attribute->SetValue(value);
  }

  TestOSServices* services_ = nullptr;
  std::unique_ptr<TestRenderDevice> device_;
  RecordingHead* head_ = nullptr;  // held by the device
};

TEST_F(RenderDeviceTest, AJobCarriesTheSettingsInItsCommands) {
  device_->SetJobNames(u"Report", u"Laser 1");
  device_->SetDocumentPending(1);
  device_->SetPagePending(1);
  EXPECT_EQ(device_->SendGraphic(new GNullCommand), 0);
  EXPECT_EQ(device_->SendCommand(device_->MakePageEnd()), 0);
  device_->SetPagePending(1);
  EXPECT_EQ(device_->SendGraphic(new GNullCommand), 0);
  EXPECT_EQ(device_->SendCommand(device_->MakePageEnd()), 0);
  EXPECT_EQ(device_->SendCommand(device_->MakeDocumentEnd()), 0);
  EXPECT_EQ(device_->GetState(), 0);
  EXPECT_EQ(device_->IsDocumentStarted(), 1);
  EXPECT_EQ(device_->GetChainUsed(), 1);

  ASSERT_EQ(head_->Ids(), (std::vector<RWClassID>{
                              classid::kGDocumentStart, classid::kGPageStart,
                              classid::kGNullCommand, classid::kGPageEnd, classid::kGPageStart,
                              classid::kGNullCommand, classid::kGPageEnd, classid::kGDocumentEnd}));

  // Document start: part 362 with copies 3 (collated by the printer), its media, the second media
  // (A4) under 273, the third (a paper the printer lacks) switched off, 293/296/297, job options.
  const GBaseObject* document = head_->seen[0].bundle.get();
  ASSERT_NE(document, nullptr);
  EXPECT_EQ(document->GetKey(), key::kDocumentGroup);
  EXPECT_EQ(ValueOf(document, key::kDocumentCopies), 3);
  EXPECT_EQ(ValueOf(document, key::kRequestedCopies), 3);
  const auto* first_media = dynamic_cast<const GMedia*>(document->FindByKey(key::kSelectedMedia));
  ASSERT_NE(first_media, nullptr);
  EXPECT_EQ(first_media->GetPaperId(), 2);
  const auto* second = dynamic_cast<const GMedia*>(document->FindByKey(key::kSecondMedia));
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->GetPaperId(), 26);
  EXPECT_EQ(document->FindByKey(key::kSecondMediaPaperId), nullptr);
  EXPECT_EQ(ValueOf(document, key::kThirdMediaRequest), 0);
  EXPECT_EQ(document->FindByKey(key::kThirdMedia), nullptr);
  EXPECT_EQ(document->FindByKey(key::kThirdMediaPaperId), nullptr);
  EXPECT_EQ(ValueOf(document, key::kDocumentStartFlag293), 1);
  EXPECT_EQ(ValueOf(document, key::kDocumentStartValue296), 7);
  EXPECT_EQ(ValueOf(document, key::kDocumentStartValue297), 8);
  const GBaseObject* options = document->FindByKey(key::kJobOptionsGroup);
  ASSERT_NE(options, nullptr);
  EXPECT_EQ(ValueOf(options, key::kJobOptionsMode), 2);
  EXPECT_EQ(document->FindByClassId(classid::kGTransformAttribute), nullptr);

  // Page starts: part 363, 265, the media of 260 with its type, 249, the tray (263 as 258 from
  // the second page on) and the transform to the media's printable origin.
  struct PageCase {
    std::size_t seen;
    const char* media_type;
    std::int32_t tray;
  };
  for (const PageCase& page : {PageCase{1, "Plain", 1}, PageCase{4, "Bond", 2}}) {
    SCOPED_TRACE(page.media_type);
    const GBaseObject* bundle = head_->seen[page.seen].bundle.get();
    ASSERT_NE(bundle, nullptr);
    EXPECT_EQ(bundle->GetKey(), key::kPageGroup);
    EXPECT_EQ(ValueOf(bundle, key::kPageCopies), 1);
    EXPECT_EQ(ValueOf(bundle, key::kOrientation), 0);
    EXPECT_EQ(ValueOf(bundle, key::kTraySelection), page.tray);
    EXPECT_NE(bundle->FindByKey(key::kPageStartGroup), nullptr);
    EXPECT_EQ(bundle->FindByKey(key::kPaperId), nullptr);
    const auto* media = dynamic_cast<const GMedia*>(bundle->FindByKey(key::kSelectedMedia));
    ASSERT_NE(media, nullptr);
    EXPECT_EQ(media->GetPaperId(), 2);
    EXPECT_TRUE(media->GetMediaType() == page.media_type);
    const auto* transform =
        dynamic_cast<const GTransformAttribute*>(bundle->FindByClassId(classid::kGTransformAttribute));
    ASSERT_NE(transform, nullptr);
    EXPECT_EQ(transform->GetTranslation().x, media->GetPrintableOrigin()[0]);
    EXPECT_EQ(transform->GetTranslation().y, media->GetPrintableOrigin()[1]);
    EXPECT_NE(transform->GetTranslation().x, 0);
  }

  // Page ends carry 257; the document end an empty group 246.
  EXPECT_EQ(ValueOf(head_->seen[3].bundle.get(), key::kPageCopies), 1);
  EXPECT_EQ(head_->seen[3].bundle->Count(), 1u);
  const GBaseObject* end = head_->seen[7].bundle.get();
  ASSERT_NE(end, nullptr);
  EXPECT_EQ(end->GetKey(), key::kDocumentGroup);
  EXPECT_EQ(end->Count(), 0u);
}

TEST_F(RenderDeviceTest, CopiesGoToTheDocumentOrToEachPage) {
  struct CopiesCase {
    std::uint16_t collate;
    std::uint16_t device_copies;
    std::int32_t document;
    std::int32_t page;
  };
  for (const CopiesCase& c : {CopiesCase{1, 1, 3, 1}, CopiesCase{0, 1, 1, 3},
                              CopiesCase{1, 0, 1, 3}}) {
    SCOPED_TRACE(testing::Message() << "collate " << c.collate << " device " << c.device_copies);
    SetValue(key::kJobOptions, key::kCollate, c.collate);
    SetValue(key::kDetectedConfiguration, key::kDeviceMakesCopies, c.device_copies);
    std::int16_t granted = 0;
    device_->SetCopyCount(3, &granted);
    EXPECT_EQ(granted, 3);
    EXPECT_EQ(ValueOf(Part(key::kDocumentBundleSettings), key::kDocumentCopies), c.document);
    EXPECT_EQ(ValueOf(Part(key::kPageBundleSettings), key::kPageCopies), c.page);
    // One copy of the count in the document settings however often the copies are spread.
    const std::unique_ptr<GBaseObject> all(
        Part(key::kDocumentBundleSettings)->FindAllByKey(key::kRequestedCopies));
    ASSERT_NE(all, nullptr);
    EXPECT_EQ(all->Count(), 1u);
  }
}

TEST_F(RenderDeviceTest, SetCopyCountClampsAndAnswersThePreviousCount) {
  struct CountCase {
    std::int16_t requested;
    std::int16_t previous;
    std::int16_t granted;
  };
  // The fixture holds 3 copies; the model's bound is 999. Zero copies print one, not nothing.
  for (const CountCase& c : {CountCase{-2, 3, 1}, CountCase{0, 1, 1}, CountCase{5, 1, 5},
                             CountCase{1500, 5, 999}, CountCase{999, 999, 999}}) {
    SCOPED_TRACE(c.requested);
    std::int16_t granted = 0;
    EXPECT_EQ(device_->SetCopyCount(c.requested, &granted), c.previous);
    EXPECT_EQ(granted, c.granted);
    EXPECT_EQ(ValueOf(Part(key::kJobOptions), key::kRequestedCopies), c.granted);
  }
  SetValue(key::kJobOptions, key::kRequestedCopies, 0);
  device_->ClampCopies();
  EXPECT_EQ(ValueOf(Part(key::kJobOptions), key::kRequestedCopies), 1);
}

TEST_F(RenderDeviceTest, SelectMediaTakesCustomSizesAndThePool) {
  struct MediaCase {
    std::uint16_t paper_id;
    std::int16_t answered_id;
    std::int16_t width;  // dots at 600 dpi
  };
  // 100 mm and 200 mm wide at 600 dpi; the pool's largest custom size (17384) is Legal's width.
  for (const MediaCase& c : {MediaCase{0x4000, 0x4000, 2362}, MediaCase{0x43E7, 0x4000, 4724},
                             MediaCase{0x43E8, 0x43E8, 5100}}) {
    SCOPED_TRACE(c.paper_id);
    const std::unique_ptr<GMedia> media(device_->SelectMedia(c.paper_id));
    ASSERT_NE(media, nullptr);
    EXPECT_EQ(media->GetPaperId(), c.answered_id);
    EXPECT_EQ(media->GetSize()[0], c.width);
  }
  EXPECT_EQ(device_->SelectMedia(0x4001), nullptr);  // no custom size with that id
  EXPECT_EQ(device_->SelectMedia(999), nullptr);     // no such paper in the pool
}

TEST_F(RenderDeviceTest, AnErrorFromTheChainAbortsTheJob) {
  head_->failures = {{classid::kGPageStart, 77}};
  EXPECT_EQ(device_->SendCommand(device_->MakePageStart()), 77);
  EXPECT_EQ(head_->Ids(), (std::vector<RWClassID>{classid::kGPageStart, classid::kGJobAbort}));
  EXPECT_EQ(device_->GetState(), GRenderDevice::kErrorState);

  // The error commands inside a composite result: the first non-zero status.
  device_->ResetJob();
  head_->seen.clear();
  head_->answer = [](GCommand* command) -> GCommand* {
    if (command->IsA() == classid::kGJobAbort) {
      return command;
    }
    auto* result = new GCommandComposite;
    result->Add(new GNullCommand);
    result->Add(new GErrorCommand(0, new GNullCommand));
    result->Add(new GErrorCommand(55, command));
    result->Add(new GErrorCommand(66, new GNullCommand));
    return result;
  };
  EXPECT_EQ(device_->SendCommand(new GNullCommand), 55);
  EXPECT_EQ(head_->Ids(), (std::vector<RWClassID>{classid::kGNullCommand, classid::kGJobAbort}));
  EXPECT_EQ(device_->GetState(), GRenderDevice::kErrorState);

  // No error command: the state stays and the status is 0.
  device_->ResetJob();
  head_->answer = nullptr;
  head_->seen.clear();
  EXPECT_EQ(device_->SendCommand(new GNullCommand), 0);
  EXPECT_EQ(head_->Ids(), std::vector<RWClassID>{classid::kGNullCommand});
  EXPECT_EQ(device_->GetState(), 0);
}

TEST_F(RenderDeviceTest, StartDocumentNeedsAPendingDocumentAndResetsAUsedChain) {
  EXPECT_EQ(device_->StartDocument(), GRenderDevice::kNoDocumentPending);
  EXPECT_EQ(device_->GetState(), GRenderDevice::kErrorState);
  EXPECT_TRUE(head_->seen.empty());

  device_->ResetJob();
  device_->SetDocumentPending(1);
  EXPECT_EQ(device_->StartDocument(), 0);
  EXPECT_EQ(head_->resets, 0);
  EXPECT_EQ(device_->IsDocumentPending(), 0);
  device_->ResetJob();
  device_->SetDocumentPending(1);
  head_->failures = {{classid::kGDocumentStart, 9}};
  EXPECT_EQ(device_->StartDocument(), 9);
  EXPECT_EQ(head_->resets, 1);
  EXPECT_EQ(device_->GetState(), GRenderDevice::kErrorState);
  EXPECT_EQ(device_->IsDocumentStarted(), 1);
}

TEST_F(RenderDeviceTest, SendGraphicDeletesTheGraphicWhenTheDocumentOrPageCannotStart) {
  struct StartCase {
    const char* name;
    RWClassID failing;
  };
  for (const StartCase& c : {StartCase{"document", classid::kGDocumentStart},
                             StartCase{"page", classid::kGPageStart}}) {
    SCOPED_TRACE(c.name);
    device_->ResetJob();
    device_->SetDocumentPending(1);
    device_->SetPagePending(1);
    head_->failures = {{c.failing, 12}};
    head_->seen.clear();
    int deleted = 0;
    EXPECT_EQ(device_->SendGraphic(new CountedGraphic(&deleted)), 12);
    EXPECT_EQ(deleted, 1);
    for (const RecordingHead::Seen& seen : head_->seen) {
      EXPECT_NE(seen.id, classid::kGNullCommand);
    }
  }
}

TEST_F(RenderDeviceTest, JobOptionsComeFromTheNamedEntry) {
  struct OptionsCase {
    const char* name;
    int mode;  // 382; -1: absent
    int take_named;  // 381; -1: absent
    const char* entry;  // 383
    int expected_marker;  // the entry's own attribute (500 Fast, 501 Secure), 0: none found
  };
  const OptionsCase cases[] = {
      {"named entry", 1, 0, "Fast", 500},
      {"second entry", 1, 0, "Secure", 501},
      {"no job options", 2, 0, "Fast", 0},
      {"not taking a named entry", 1, 1, "Fast", 0},
      {"empty name", 1, 0, "", 0},
      {"unknown name", 1, 0, "Slow", 0},
      {"mode absent", -1, 0, "Fast", 0},
      {"take-named absent", 1, -1, "Fast", 0},
  };
  for (const OptionsCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto* group = new GAttributeComposite(key::kJobOptionsGroup);
    if (c.mode >= 0) {
      group->Add(new GValueAttribute(static_cast<std::uint16_t>(c.mode), key::kJobOptionsMode));
    }
    if (c.take_named >= 0) {
      group->Add(
          new GValueAttribute(static_cast<std::uint16_t>(c.take_named), key::kJobOptionsTakeNamed));
    }
    group->Add(new GStringAttribute(c.entry, key::kJobOptionsName));
    delete Part(key::kJobOptions)->RemoveByKey(key::kJobOptionsGroup);
    Part(key::kJobOptions)->Add(group);

    const std::unique_ptr<GAttributeComposite> found(device_->FindJobOptions());
    const std::unique_ptr<GAttributeComposite> made(device_->MakeJobOptions());
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->GetKey(), key::kJobOptionsGroup);
    if (c.expected_marker == 0) {
      EXPECT_EQ(found, nullptr);
      EXPECT_EQ(made->Count(), 1u);
      EXPECT_EQ(ValueOf(made.get(), key::kJobOptionsMode), 2);
      continue;
    }
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(ValueOf(found.get(), static_cast<std::uint32_t>(c.expected_marker)), 1);
    EXPECT_EQ(ValueOf(made.get(), static_cast<std::uint32_t>(c.expected_marker)), 1);
    EXPECT_EQ(ValueOf(made.get(), key::kJobOptionsMode), c.mode);
    EXPECT_EQ(ValueOf(made.get(), key::kJobOptionsTakeNamed), 0);
  }
}

TEST_F(RenderDeviceTest, ReloadJobSettingsTakesTheOwnersSettings) {
  SetValue(key::kJobOptions, key::kRequestedCopies, 9);
  device_->ReloadJobSettings();
  EXPECT_EQ(device_->delegate_calls, 1);
  GAttributeComposite* group = device_->EnsureJobAttributeGroup();
  EXPECT_EQ(ValueOf(Part(key::kJobOptions), key::kRequestedCopies), 3);
  // The copies spread again: collated by the printer.
  EXPECT_EQ(ValueOf(Part(key::kDocumentBundleSettings), key::kDocumentCopies), 3);
  std::uint32_t job_option_parts = 0;
  for (std::uint32_t i = 0; i < group->Count(); ++i) {
    job_option_parts += group->ChildAt(i)->GetKey() == key::kJobOptions ? 1 : 0;
  }
  EXPECT_EQ(job_option_parts, 1u);
}

TEST_F(RenderDeviceTest, WatermarksAreNotTheRenderDevicesAndCloseLetsGoOfItsReferences) {
  // The base's operations (the test device logs watermarks of its own for the filter's tests).
  std::uint32_t handle = 5;
  device_->GRenderDevice::ReleaseWatermark(&handle);
  EXPECT_EQ(handle, 5u);
  GMedia media;
  EXPECT_EQ(device_->GRenderDevice::MakeWatermark(u"Draft", 1, GRGBColor(0, 0, 0, 255), media, 0),
            nullptr);

  auto* held = new GValueAttribute(1, 0);
  device_->Reference(0) = GCountedPtr(held);
  EXPECT_EQ(device_->Reference(0).Get(), held);
  device_->Close();
  EXPECT_EQ(device_->Reference(0).Get(), nullptr);

  EXPECT_EQ(device_->IsAborted(), 0);
  device_->SetAborted();
  EXPECT_EQ(device_->IsAborted(), 1);
}

// Each printer a device serves starts with an empty downloaded-font table, and the font files of
// the last one are gone with its table.
TEST_F(RenderDeviceTest, TheDownloadedFontTableLivesFromConstructionOrReopenToClose) {
  TempDir temp;
  GFontDatabase* first = device_->GetDownloadedFontTable();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Owner(), device_.get());
  const std::string file = temp.File("first.fnt");
  const RWWString name(file.c_str());
  ASSERT_EQ(first->AddFontFile(name), 1);
  ASSERT_TRUE(std::filesystem::exists(file));

  device_->Reopen(TestPrinterKey(u"Laser 2", u"vel-laser"));
  GFontDatabase* second = device_->GetDownloadedFontTable();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->Count(), 0u);
  EXPECT_EQ(second->CurrentFontFile().Length(), 0u);
  EXPECT_FALSE(std::filesystem::exists(file));

  const std::string later = temp.File("second.fnt");
  ASSERT_EQ(second->AddFontFile(RWWString(later.c_str())), 1);
  device_->Close();
  EXPECT_EQ(device_->GetDownloadedFontTable(), nullptr);
  EXPECT_FALSE(std::filesystem::exists(later));
  device_->Close();  // closing again finds nothing to delete
  EXPECT_EQ(device_->GetDownloadedFontTable(), nullptr);
}

}  // namespace
}  // namespace vel::test
