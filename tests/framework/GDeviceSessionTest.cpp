// The device session: enumerations and capability questions over the driver data of a model,
// custom sizes, the default paper, detected configurations, saving to the status store, owned
// objects.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GAttributeComposite.h"
#include "framework/core/GConfiguration.h"
#include "framework/core/GCustomMediaSize.h"
#include "framework/core/GDeviceSession.h"
#include "framework/core/GLocaleInfo.h"
#include "framework/core/GMedia.h"
#include "framework/core/GOSServices.h"
#include "framework/core/GPaperHandlingDevice.h"
#include "framework/core/GPeripheralComposite.h"
#include "framework/core/GPrinter.h"
#include "framework/core/GPrinterKey.h"
#include "framework/core/GRangeAttribute.h"
#include "framework/core/GResourceMapping.h"
#include "framework/core/GResourceMappingList.h"
#include "framework/core/GStatusChannel.h"
#include "framework/core/GStringAttribute.h"
#include "framework/core/GTray.h"
#include "framework/core/GValueAttribute.h"
#include "framework/core/MPersistentComposite.h"
#include "framework/output/GDeviceFontList.h"
#include "framework/output/GDeviceFontListComposite.h"
#include "tests/support/FwTestOSServices.h"
#include "tests/support/FwTestObjects.h"
#include "tests/support/FwTestProviders.h"
#include "tools/veldata/DriverData.h"

namespace vel::test {
namespace {

using vel::data::kDefaultModel;


// A session with the pure operations filled in the simplest way.
class TestSession : public GDeviceSession {
 public:
  TestSession() : GDeviceSession(u"Laser 1", u"vel-laser", u"LPT1:") {}
  GRenderDevice* GetRenderInterface() override { return nullptr; }
  GUIDriverInterface* GetUIInterface() override { return nullptr; }
  GAttributeComposite* CreateDefaultAttributes() override { return nullptr; }
  GAttributeComposite* CreateAttributeGroup() override { return new GAttributeComposite(0); }
  void Close() override {}
  GPrinterKey* GetPrinterKey() override { return nullptr; }
  GAttributeComposite* DelegateToOwner() override { return nullptr; }
};

// A session filled from the default model's driver data, through the builder.
std::unique_ptr<TestSession> ModelSession() {
  auto session = std::make_unique<TestSession>();
  const std::unique_ptr<MPersistentComposite> data(vel::data::BuildModel(kDefaultModel));
  vel::data::FillSession(*session, *data);
  return session;
}

// A session over a chain of its own: a printer with the configuration given and the language
// peripheral given (null: a plain placeholder).
std::unique_ptr<TestSession> ChainSession(GConfiguration* printer, GPeripheral* language) {
  auto session = std::make_unique<TestSession>();
  session->SetConfiguration(vel::data::BuildChain(printer, nullptr, language));
  return session;
}

// A peripheral of the language kind, as the back ends are.
class TestLanguagePeripheral : public GPeripheralComposite {
 public:
  TestLanguagePeripheral() : GPeripheralComposite(vel::key::kLanguagePeripheral) {}
  bool IsKindOf(RWClassID id) const override {
    return id == vel::classid::kGLanguagePeripheral || GPeripheralComposite::IsKindOf(id);
  }
};

struct Visit {
  std::vector<std::int32_t> ids;
  std::uint32_t stop_after = 0xFFFFFFFF;
  std::int32_t accept = 1;
};

std::int32_t VisitMedia(GMedia* media,
                        GResourceMapping* /*mapping*/,
                        std::uint32_t index,
                        void* context,
                        std::int32_t* accepted) {
  auto* visit = static_cast<Visit*>(context);
  visit->ids.push_back(media->GetPaperId());
  *accepted = visit->accept;
  return index + 1 >= visit->stop_after ? 0 : 1;
}

std::int32_t VisitTray(GTray* tray,
                       GResourceMapping* mapping,
                       std::uint32_t /*index*/,
                       void* context,
                       std::int32_t* accepted) {
  auto* visit = static_cast<Visit*>(context);
  visit->ids.push_back(mapping != nullptr ? mapping->GetDevModeId() : tray->GetTrayId());
  *accepted = visit->accept;
  return 1;
}

GPaperHandlingDevice* Device(const GDeviceSession& session, const char* name) {
  GBaseObject* devices = session.GetPaperHandlingDevices();
  for (std::uint32_t i = 0; devices != nullptr && i < devices->Count(); ++i) {
    auto* device =
        dynamic_cast<GPaperHandlingDevice*>(static_cast<GAttributeComposite*>(devices)->ChildAt(i));
    RWCString device_name;
    if (device != nullptr && device->GetName(device_name) == name) {
      return device;
    }
  }
  return nullptr;
}

// --- Enumerations over the model -----------------------------------------------------------------

TEST(GDeviceSession, EnumerateMediaCountsTheModelsMediaAtTheFilter) {
  const auto session = ModelSession();
  const vel::data::ModelFacts facts = vel::data::FactsOf(kDefaultModel);
  std::uint32_t count = 99;
  // Without a context every media passing the filters counts as accepted.
  EXPECT_EQ(session->EnumerateMedia(nullptr, nullptr, 0, 600, 600, false, &count), 1);
  EXPECT_EQ(count, facts.media_at_filter);
  EXPECT_EQ(session->EnumerateMedia(nullptr, nullptr, 90, 1200, 600, true, &count), 1);
  EXPECT_EQ(count, facts.mapped_at_filter);
  // A resolution the model lacks finds nothing.
  EXPECT_EQ(session->EnumerateMedia(nullptr, nullptr, 0, 600, 300, false, &count), -1);
  EXPECT_EQ(count, 0u);

  // Mapped only: the bounds of custom sizes (17384, 17385) have no mapping and are skipped.
  Visit visit;
  EXPECT_EQ(session->EnumerateMedia(&VisitMedia, &visit, 0, 600, 600, true, &count), 1);
  EXPECT_EQ(count, facts.mapped_at_filter);
  EXPECT_EQ(visit.ids, (std::vector<std::int32_t>{2, 3, 1, 26, 25}));
  // A callback that stops: the media it saw count; one that never accepts: -1.
  Visit stop{{}, 2, 1};
  EXPECT_EQ(session->EnumerateMedia(&VisitMedia, &stop, 0, 600, 600, false, &count), 1);
  EXPECT_EQ(count, 2u);
  Visit refuse{{}, 0xFFFFFFFF, 0};
  EXPECT_EQ(session->EnumerateMedia(&VisitMedia, &refuse, 0, 600, 600, false, &count), -1);
  EXPECT_EQ(count, facts.media_at_filter);
}

TEST(GDeviceSession, EnumerateTraysVisitsOnlyInstalledDevicesOfTypeZero) {
  const auto session = ModelSession();
  std::uint32_t count = 0;
  Visit visit;
  EXPECT_EQ(session->EnumerateTrays(&VisitTray, &visit, true, &count), 1);
  EXPECT_EQ(count, vel::data::FactsOf(kDefaultModel).installed_trays);
  EXPECT_EQ(visit.ids, (std::vector<std::int32_t>{257, 258}));  // the DEVMODE ids of trays 1, 2

  // Installing the optional tray 3 adds its tray; the output accessory (type 1) never counts.
  ASSERT_NE(Device(*session, "Tray 3"), nullptr);
  Device(*session, "Tray 3")->SetInstalled(1);
  Device(*session, "Mailbox")->SetInstalled(1);
  EXPECT_EQ(session->EnumerateTrays(nullptr, nullptr, false, &count), 1);
  EXPECT_EQ(count, 3u);
  // Mapped only: a tray without a tray mapping is skipped.
  delete session->GetTrayMappingList()->RemoveByItemId(3);
  EXPECT_EQ(session->EnumerateTrays(nullptr, nullptr, true, &count), 1);
  EXPECT_EQ(count, 2u);
}

TEST(GDeviceSession, ASessionWithoutDataAnswersMinusOneAndCountZero) {
  TestSession session;
  std::uint32_t count = 7;
  EXPECT_EQ(session.EnumerateMedia(nullptr, nullptr, 0, 600, 600, false, &count), -1);
  EXPECT_EQ(count, 0u);
  count = 7;
  EXPECT_EQ(session.EnumerateTrays(nullptr, nullptr, false, &count), -1);
  EXPECT_EQ(count, 0u);
  std::uint16_t id = 9;
  EXPECT_EQ(session.DeviceMediaIdFromPaperId(id), 0);
  EXPECT_EQ(id, 9);
  EXPECT_EQ(session.IsTraySupported(1), 0);
  EXPECT_EQ(session.IsModeSupported(600, 600), 0);
  EXPECT_EQ(session.HasOption339(), 0);
  EXPECT_EQ(session.GetLanguagePeripheral(), nullptr);
  EXPECT_EQ(session.SaveToStore(0), 0);
  RWWString text(u"old");
  EXPECT_EQ(session.GetConfigurationText(text).Length(), 0u);
}

// --- Capability questions ------------------------------------------------------------------------

TEST(GDeviceSession, CapabilityQuestionsAnswerFromTheModel) {
  const auto session = ModelSession();
  EXPECT_EQ(session->IsTraySupported(1), 1);
  EXPECT_EQ(session->IsTraySupported(2), 1);
  EXPECT_EQ(session->IsTraySupported(3), 0);  // its device is not installed
  EXPECT_EQ(session->IsTraySupported(257), 0);

  EXPECT_EQ(session->IsModeSupported(600, 600), 1);
  EXPECT_EQ(session->IsModeSupported(1200, 600), 1);
  EXPECT_EQ(session->IsModeSupported(600, 1200), 0);

  // DEVMODE paper 9 (A4) is paper id 26 of the media, and back.
  std::uint16_t id = 9;
  EXPECT_EQ(session->DeviceMediaIdFromPaperId(id), 1);
  EXPECT_EQ(id, 26);
  EXPECT_EQ(session->PaperIdFromDeviceMediaId(id), 1);
  EXPECT_EQ(id, 9);
  id = 17384;  // a media without mapping
  EXPECT_EQ(session->PaperIdFromDeviceMediaId(id), 0);
  EXPECT_EQ(id, 17384);

  EXPECT_EQ(session->IsPaperSupported(0, 600, 600, 9), 1);
  EXPECT_EQ(session->IsPaperSupported(90, 300, 300, 1), 1);
  EXPECT_EQ(session->IsPaperSupported(0, 600, 600, 8), 0);

  EXPECT_EQ(session->HasOption339(), 0);
  static_cast<GValueAttribute*>(session->GetPrinterConfiguration()->FindByKey(vel::key::kOption339))
      ->SetValue(3);
  EXPECT_EQ(session->HasOption339(), 1);

  RWWString text;
  EXPECT_EQ(session->GetConfigurationText(text), RWWString(u"velres"));

  EXPECT_EQ(session->GetPaperKind(nullptr, 0x3FFF, 0, 0, 0), 1);
  EXPECT_EQ(session->GetPaperKind(nullptr, 0x4000, 0, 0, 0), 2);
  GAttributeComposite settings(0);
  EXPECT_EQ(session->ClassifyPaper(&settings, 0x4000), 2);
  EXPECT_EQ(session->ClassifyPaper(&settings, 9), 1);
}

// A session whose custom forms are media ids 16384 + n, as the UI driver object maps them.
class FormSession : public TestSession {
 public:
  std::int32_t PaperIdFromDeviceMediaId(std::uint16_t& id) override {
    if (id >= 0x4000) {
      id = static_cast<std::uint16_t>(id - 0x4000 + 300);
      return 1;
    }
    return TestSession::PaperIdFromDeviceMediaId(id);
  }
};

TEST(GDeviceSession, IsPaperSupportedFindsCustomSizesThroughTheVirtualTranslation) {
  FormSession session;
  const std::unique_ptr<MPersistentComposite> data(vel::data::BuildModel(kDefaultModel));
  vel::data::FillSession(session, *data);
  EXPECT_EQ(session.IsPaperSupported(0, 600, 600, 301), 0);
  ASSERT_NE(session.GetJobAttributeGroup(), nullptr);  // made on demand
  auto* sizes = new GAttributeComposite(vel::key::kCustomMediaSizes);
  sizes->Add(new GCustomMediaSize(0x4001, "Card", 0, 400, 600, 0));
  session.GetJobAttributeGroup()->Add(sizes);
  EXPECT_EQ(session.IsPaperSupported(0, 600, 600, 301), 1);
  // The base translation maps a custom size through the media mappings: media id 2 is paper 1.
  sizes->Add(new GCustomMediaSize(2, "Letter again", 0, 850, 1100, 0));
  EXPECT_EQ(session.IsPaperSupported(0, 600, 300, 1), 1);  // no media at that resolution
}

TEST(GDeviceSession, LanguagePeripheralIsTheFirstOfItsKindInThePrinter) {
  // A plain placeholder under key 101 is no language peripheral.
  const auto placeholder = ChainSession(new GConfiguration(0), nullptr);
  ASSERT_NE(placeholder->GetPrinterPeripheral(), nullptr);
  EXPECT_EQ(placeholder->GetPrinterPeripheral()->GetKey(), vel::key::kPrinterPeripheral);
  EXPECT_EQ(placeholder->GetLanguagePeripheral(), nullptr);

  auto* language = new TestLanguagePeripheral;
  const auto real = ChainSession(new GConfiguration(0), language);
  EXPECT_EQ(real->GetLanguagePeripheral(), language);

  // A head that is itself the printer.
  TestSession bare;
  auto* printer = new GPeripheralComposite(vel::key::kPrinterPeripheral);
  bare.SetConfiguration(printer);
  EXPECT_EQ(bare.GetPrinterPeripheral(), printer);
}

// --- The default paper
// ----------------------------------------------------------------------------

TEST(GDeviceSession, DefaultPaperFollowsTheLocalesCountry) {
  TestOSServices services;
  TestSession session;
  struct Case {
    std::int32_t country;
    std::uint16_t paper;
  };
  for (const Case c : {Case{1, 1}, Case{2, 1}, Case{52, 1}, Case{555, 1}, Case{0, 1}, Case{-5, 1},
                       Case{33, 23}, Case{49, 23}, Case{60, 23}, Case{600, 23}, Case{3, 23},
                       Case{50, 1}, Case{59, 1}, Case{499, 23}}) {
    services.make_locale = [c] {
      auto* locale = new GLocaleInfo;
      locale->SetCountryCode(c.country);
      return locale;
    };
    EXPECT_EQ(session.GetDefaultPaperId(), c.paper) << "country " << c.country;
  }
  services.make_locale = [] { return static_cast<GLocaleInfo*>(nullptr); };
  EXPECT_EQ(session.GetDefaultPaperId(), 1);
}

// --- Custom sizes
// ------------------------------------------------------------------------------------

std::vector<std::int16_t> Ids(const GAttributeComposite& list) {
  std::vector<std::int16_t> ids;
  for (std::uint32_t i = 0; i < list.Count(); ++i) {
    ids.push_back(static_cast<GCustomMediaSize*>(list.ChildAt(i))->GetMediaId());
  }
  return ids;
}

TEST(GDeviceSession, AddCustomMediaSizeTakesTheLowestFreeIdAndReplacesANamesake) {
  TestSession session;
  GAttributeComposite list(vel::key::kCustomMediaSizes);
  list.Add(new GCustomMediaSize(0x4001, "Card", 0, 400, 600, 0));
  list.Add(new GCustomMediaSize(0x4003, "Photo", 0, 400, 500, 0));
  auto* size = new GCustomMediaSize(0, "Label", 0, 200, 300, 0);
  size->SetEnabled(0);
  EXPECT_EQ(session.AddCustomMediaSize(size, &list), 1);
  EXPECT_EQ(size->GetMediaId(), 0x4002);
  EXPECT_EQ(size->GetEnabled(), 1);
  EXPECT_EQ(Ids(list), (std::vector<std::int16_t>{0x4001, 0x4003, 0x4002}));

  // The same name: the old size goes, the new one comes at the end with the next free id.
  auto* again = new GCustomMediaSize(0, "Card", 0, 410, 610, 0);
  EXPECT_EQ(session.AddCustomMediaSize(again, &list), 1);
  EXPECT_EQ(Ids(list), (std::vector<std::int16_t>{0x4003, 0x4002, 0x4004}));
  EXPECT_EQ(list.ChildAt(2), again);

  EXPECT_EQ(session.RemoveCustomMediaSize(again, &list), 1);
  EXPECT_EQ(Ids(list), (std::vector<std::int16_t>{0x4003, 0x4002}));
  GCustomMediaSize stranger(0x4003, "Photo", 0, 400, 500, 0);
  EXPECT_EQ(session.RemoveCustomMediaSize(&stranger, &list), 0);
  EXPECT_EQ(list.Count(), 2u);
}

TEST(GDeviceSession, AddCustomMediaSizeWithEveryIdInUseChangesNothing) {
  TestSession session;
  GAttributeComposite list(vel::key::kCustomMediaSizes);
  for (std::uint16_t id = GDeviceSession::kFirstCustomSizeId;
       id <= GDeviceSession::kLastCustomSizeId; ++id) {
    list.Add(new GCustomMediaSize(static_cast<std::int16_t>(id), "Full", 0, 1, 1, 0));
  }
  GCustomMediaSize size(7, "Full", 0, 1, 1, 0);
  EXPECT_EQ(session.AddCustomMediaSize(&size, &list), 0);
  EXPECT_EQ(size.GetMediaId(), 7);
  EXPECT_EQ(list.Count(), 1000u - 1u);
}

TEST(GDeviceSession, AddingASizeAlreadyInTheListKeepsItOnce) {
  // Regression: the size matched itself as its namesake and was deleted before being added.
  TestSession session;
  GAttributeComposite list(vel::key::kCustomMediaSizes);
  auto* size = new GCustomMediaSize(0x4001, "Card", 0, 400, 600, 0);
  list.Add(size);
  list.Add(new GCustomMediaSize(0x4002, "Photo", 0, 400, 500, 0));
  EXPECT_EQ(session.AddCustomMediaSize(size, &list), 1);
  EXPECT_EQ(list.Count(), 2u);
  EXPECT_EQ(list.ChildAt(0), size);
  EXPECT_EQ(size->GetMediaId(), 0x4003);
  EXPECT_EQ(size->GetName(), RWCString("Card"));
}

// --- Detected configurations
// -----------------------------------------------------------------------

// A printer for the detected-configuration rules: device group 228 with 202, 204, 226, 231 and the
// devices, and a language configuration with 202 and 317 unless `language_memory` is false.
struct DetectedModel {
  std::unique_ptr<TestSession> session;
  GAttributeComposite* group = nullptr;
  GConfiguration* language = nullptr;
};

DetectedModel MakeDetectedModel(bool language_memory) {
  auto* configuration = new GConfiguration(vel::key::kPeripheralConfiguration);
  auto* group = new GAttributeComposite(vel::key::kDeviceGroup);
  group->Add(new GRangeAttribute(4, 64, 4, 8, vel::key::kDeviceMemory));
  group->Add(new GValueAttribute(0, vel::key::kDeviceValue204));
  group->Add(new GValueAttribute(0, vel::key::kDeviceFlag226));
  group->Add(new GValueAttribute(0, vel::key::kDeviceCopiesFlag231));
  auto* devices = new GAttributeComposite(vel::key::kPaperHandlingDevices);
  const auto tray_device = [](const char* name, std::int16_t tray_id, std::int32_t optional) {
    auto* device = new GPaperHandlingDevice(name, 0, optional, 0, 0);
    auto* trays = new GAttributeComposite(0);
    trays->Add(new GTray(name, tray_id, 0));
    device->AddOption(1, trays);
    return device;
  };
  devices->Add(tray_device("Internal", 1, 0));
  devices->Add(tray_device("Tray 3", 3, 1));
  devices->Add(tray_device("Tray 3", 4, 1));  // the same name again
  devices->Add(tray_device("Envelope A", 5, 1));
  devices->Add(tray_device("Envelope B", 5, 1));
  auto* accessory = new GPaperHandlingDevice("Mailbox", 1, 1, 0, 0);
  for (std::uint16_t option = 1; option <= 6; ++option) {
    accessory->AddOption(option, new MPersistentComposite(0));
  }
  accessory->SelectOption(1);
  devices->Add(accessory);
  group->Add(devices);
  configuration->Add(group);

  auto* language_configuration = new GConfiguration(vel::key::kPeripheralConfiguration);
  if (language_memory) {
    language_configuration->Add(new GRangeAttribute(4, 132, 4, 8, vel::key::kDeviceMemory));
  }
  language_configuration->Add(new GValueAttribute(0, vel::key::kDetectedValue317));
  auto* language = new GPeripheralComposite(vel::key::kLanguagePeripheral);
  language->SetConfiguration(language_configuration);

  DetectedModel model;
  model.session = ChainSession(configuration, language);
  model.group = group;
  model.language = language_configuration;
  return model;
}

std::int32_t Value(const GBaseObject* in, std::uint32_t key) {
  const GBaseObject* object = in->FindByKey(key);
  if (const auto* v = dynamic_cast<const GValueAttribute*>(object)) {
    return v->GetValue();
  }
  if (const auto* r = dynamic_cast<const GRangeAttribute*>(object)) {
    return r->GetValue();
  }
  return -1;
}

GAttributeComposite* Detected(std::initializer_list<GAttribute*> attributes) {
  auto* detected = new GAttributeComposite(vel::key::kDetectedConfiguration);
  for (GAttribute* attribute : attributes) {
    detected->Add(attribute);
  }
  return detected;
}

TEST(GDeviceSession, DetectedValuesReachThePrinterConfiguration) {
  {
    DetectedModel m = MakeDetectedModel(true);
    std::unique_ptr<GAttributeComposite> detected(Detected({
        new GValueAttribute(500, vel::key::kDetectedMemory),  // clamped to 132
        new GValueAttribute(7, vel::key::kDetectedValue308),
        new GValueAttribute(0, vel::key::kDeviceMakesCopies),
        new GValueAttribute(1, vel::key::kDetectedValue239),
        new GValueAttribute(9, vel::key::kDetectedValue317),
    }));
    EXPECT_EQ(m.session->ApplyDetectedConfiguration(detected.get()), 1);
    EXPECT_EQ(Value(m.language, vel::key::kDeviceMemory), 132);
    EXPECT_EQ(Value(m.group, vel::key::kDeviceMemory), 8);  // the group's copy stays
    EXPECT_EQ(Value(m.group, vel::key::kDeviceValue204), 7);
    EXPECT_EQ(Value(m.group, vel::key::kDeviceCopiesFlag231), 0);
    EXPECT_EQ(Value(m.group, vel::key::kDeviceFlag226), 1);
    EXPECT_EQ(Value(m.language, vel::key::kDetectedValue317), 9);

    // 239 other than 1 clears 226; missing detected values leave their targets alone.
    std::unique_ptr<GAttributeComposite> second(
        Detected({new GValueAttribute(2, vel::key::kDetectedValue239)}));
    EXPECT_EQ(m.session->ApplyDetectedConfiguration(second.get()), 1);
    EXPECT_EQ(Value(m.group, vel::key::kDeviceFlag226), 0);
    EXPECT_EQ(Value(m.group, vel::key::kDeviceValue204), 7);
  }
  {
    // Without 202 in the language configuration the group's range takes the value and the
    // language configuration gets it too.
    DetectedModel m = MakeDetectedModel(false);
    std::unique_ptr<GAttributeComposite> detected(
        Detected({new GValueAttribute(2, vel::key::kDetectedMemory)}));
    EXPECT_EQ(m.session->ApplyDetectedConfiguration(detected.get()), 1);
    EXPECT_EQ(Value(m.group, vel::key::kDeviceMemory), 4);  // clamped to the minimum
    EXPECT_EQ(Value(m.language, vel::key::kDeviceMemory), 4);
  }
}

TEST(GDeviceSession, DetectedOptionSelectsTheMappedOptionOfAnInstalledAccessory) {
  struct Case {
    std::uint16_t detected;
    std::uint16_t selected;
  };
  for (const Case c :
       {Case{0, 2}, Case{1, 6}, Case{2, 5}, Case{3, 4}, Case{4, 3}, Case{5, 1}, Case{0xFFFF, 1}}) {
    DetectedModel m = MakeDetectedModel(true);
    std::unique_ptr<GAttributeComposite> detected(
        Detected({new GStringAttribute("Mailbox", vel::key::kModeSecond),
                  new GValueAttribute(c.detected, vel::key::kDetectedOption)}));
    EXPECT_EQ(m.session->ApplyDetectedConfiguration(detected.get()), 1);
    const GPaperHandlingDevice* mailbox = Device(*m.session, "Mailbox");
    EXPECT_EQ(mailbox->IsInstalled(), 1);
    EXPECT_EQ(mailbox->GetSelectedOption(), c.selected) << "detected " << c.detected;
  }
  // Another name: not installed, and the option stays.
  DetectedModel m = MakeDetectedModel(true);
  Device(*m.session, "Mailbox")->SetInstalled(1);
  std::unique_ptr<GAttributeComposite> detected(
      Detected({new GStringAttribute("Stacker", vel::key::kModeSecond),
                new GValueAttribute(0, vel::key::kDetectedOption)}));
  EXPECT_EQ(m.session->ApplyDetectedConfiguration(detected.get()), 1);
  EXPECT_EQ(Device(*m.session, "Mailbox")->IsInstalled(), 0);
  EXPECT_EQ(Device(*m.session, "Mailbox")->GetSelectedOption(), 1);
}

std::vector<std::int32_t> Installed(const GDeviceSession& session) {
  std::vector<std::int32_t> installed;
  GBaseObject* devices = session.GetPaperHandlingDevices();
  for (std::uint32_t i = 0; i < devices->Count(); ++i) {
    installed.push_back(
        static_cast<GPaperHandlingDevice*>(static_cast<GAttributeComposite*>(devices)->ChildAt(i))
            ->IsInstalled());
  }
  return installed;
}

TEST(GDeviceSession, TrayDevicesAreInstalledByNameAndByTheTrayFiveRuleOnce) {
  DetectedModel m = MakeDetectedModel(true);
  Device(*m.session, "Envelope B")->SetInstalled(1);
  std::unique_ptr<GAttributeComposite> by_name(
      Detected({new GStringAttribute("Tray 3", vel::key::kModeFirst)}));
  EXPECT_EQ(m.session->ApplyDetectedConfiguration(by_name.get()), 1);
  // Internal (not optional) stays; only the first "Tray 3"; every other optional tray device off.
  EXPECT_EQ(Installed(*m.session), (std::vector<std::int32_t>{1, 1, 0, 0, 0, 0}));

  std::unique_ptr<GAttributeComposite> tray_five(
      Detected({new GValueAttribute(1, vel::key::kDetectedTrayFlag)}));
  EXPECT_EQ(m.session->ApplyDetectedConfiguration(tray_five.get()), 1);
  EXPECT_EQ(Installed(*m.session), (std::vector<std::int32_t>{1, 0, 0, 1, 0, 0}));

  std::unique_ptr<GAttributeComposite> flag_off(
      Detected({new GValueAttribute(0, vel::key::kDetectedTrayFlag)}));
  EXPECT_EQ(m.session->ApplyDetectedConfiguration(flag_off.get()), 1);
  EXPECT_EQ(Installed(*m.session), (std::vector<std::int32_t>{1, 0, 0, 0, 0, 0}));
}

TEST(GDeviceSession, DetectedGroupIsFoundUnderTheSourceOrTheJobGroup) {
  DetectedModel m = MakeDetectedModel(true);
  // No source and a job group without 365: nothing to apply.
  EXPECT_EQ(m.session->ApplyDetectedConfiguration(nullptr), 0);
  // A source whose key is not 365: its child 365.
  GAttributeComposite outer(5);
  outer.Add(Detected({new GValueAttribute(11, vel::key::kDetectedValue308)}));
  EXPECT_EQ(m.session->ApplyDetectedConfiguration(&outer), 1);
  EXPECT_EQ(Value(m.group, vel::key::kDeviceValue204), 11);
  GAttributeComposite empty(5);
  EXPECT_EQ(m.session->ApplyDetectedConfiguration(&empty), 0);
  // The job group's detected configuration.
  m.session->GetJobAttributeGroup()->Add(
      Detected({new GValueAttribute(12, vel::key::kDetectedValue308)}));
  EXPECT_EQ(m.session->ApplyDetectedConfiguration(nullptr), 1);
  EXPECT_EQ(Value(m.group, vel::key::kDeviceValue204), 12);
}

// --- Saving to the status store
// -------------------------------------------------------------------

class RecordingChannel : public GStatusChannel {
 public:
  RecordingChannel(GDeviceSession* session, std::uint16_t status, GBaseObject** written)
      : GStatusChannel(nullptr, session, RWWString(u"status")),
        status_(status),
        written_(written) {}
  std::int32_t IsAnswered() const override { return 1; }
  std::uint16_t Write(GBaseObject* configuration, std::int32_t match_model) override {
    *written_ = match_model == 1 ? configuration : nullptr;
    return status_;
  }

 private:
  std::uint16_t status_;
  GBaseObject** written_;
};

TEST(GDeviceSession, SaveToStoreWritesThePrinterConfigurationThroughAStatusProvider) {
  const auto session = ModelSession();
  EXPECT_EQ(session->SaveToStore(0), 0);  // no provider

  TestProvider provider(kProviderStatus);
  ScopedRegistration registration(&provider, "ORBAG 1.0");
  GBaseObject* written = nullptr;
  std::uint16_t status = 0;
  provider.MakeStatus([&](const TestProvider::Request& request) {
    return new RecordingChannel(request.owner, status, &written);
  });
  EXPECT_EQ(session->SaveToStore(0), 1);
  EXPECT_EQ(written, session->GetPrinterConfiguration());
  ASSERT_EQ(provider.StatusRequests().size(), 1u);
  EXPECT_EQ(provider.StatusRequests()[0].owner, session.get());
  EXPECT_EQ(provider.StatusRequests()[0].flags, kProviderStatus);
  EXPECT_EQ(provider.StatusRequests()[0].argument, u"LPT1:");

  status = 602;
  EXPECT_EQ(session->SaveToStore(0), 0);
}

// --- Names and owned objects
// -----------------------------------------------------------------------

class TestKey : public GPrinterKey {
 public:
  TestKey() : GPrinterKey(u"Laser 2", u"vel-laser", u"LPT2:") {}
  std::int32_t IsSameDriver(const GPrinterKey& /*other*/) const override { return 1; }
};

TEST(GDeviceSession, OwnedObjectsAreKeptByNameAndDeletedWhenReplacedOrRemoved) {
  RegisterFrameworkTestClasses();
  const int live = FwTestLeaf::Live();
  {
    TestSession session;
    auto* first = new FwTestLeaf(1);
    session.SetOwnedObject("AddedFonts", first);
    session.SetOwnedObject("Other", new FwTestLeaf(2));
    EXPECT_EQ(session.FindOwnedObject("AddedFonts"), first);
    session.SetOwnedObject("AddedFonts", first);  // its own object: nothing happens
    EXPECT_EQ(FwTestLeaf::Live(), live + 2);
    auto* second = new FwTestLeaf(3);
    session.SetOwnedObject("AddedFonts", second);
    EXPECT_EQ(session.FindOwnedObject("AddedFonts"), second);
    EXPECT_EQ(FwTestLeaf::Live(), live + 2);
    session.RemoveOwnedObject("AddedFonts");
    EXPECT_EQ(session.FindOwnedObject("AddedFonts"), nullptr);
    EXPECT_EQ(FwTestLeaf::Live(), live + 1);
    EXPECT_EQ(session.FindOwnedObject("Addedfonts"), nullptr);

    session.Reopen(TestKey());
    EXPECT_EQ(session.GetPrinterName(), RWWString(u"Laser 2"));
    EXPECT_EQ(session.GetPortName(), RWWString(u"LPT2:"));
  }
  EXPECT_EQ(FwTestLeaf::Live(), live);  // the session deletes what it still owns
}

// --- The driver data file -----------------------------------------------------------------------

TEST(GDeviceSession, DriverDataReadBackSavesTheSameBytes) {
  RegisterFrameworkTestClasses();
  const std::unique_ptr<MPersistentComposite> data(vel::data::BuildModel(kDefaultModel));
  const std::string bytes = vel::data::DriverDataBytes(*data);
  ASSERT_FALSE(bytes.empty());
  const std::unique_ptr<GBaseObject> back(vel::data::DriverDataFromBytes(bytes));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(vel::data::DriverDataBytes(*back), bytes);

  // Filled from the file read back, the session sees the whole model.
  TestSession session;
  vel::data::FillSession(session, *back);
  const vel::data::ModelFacts facts = vel::data::FactsOf(kDefaultModel);
  std::uint32_t count = 0;
  EXPECT_EQ(session.EnumerateMedia(nullptr, nullptr, 0, 600, 600, true, &count), 1);
  EXPECT_EQ(count, facts.mapped_at_filter);
  EXPECT_EQ(session.EnumerateTrays(nullptr, nullptr, true, &count), 1);
  EXPECT_EQ(count, facts.installed_trays);
  EXPECT_EQ(session.IsModeSupported(300, 300), 1);
  EXPECT_NE(dynamic_cast<GPrinter*>(session.GetPrinterPeripheral()), nullptr);
  EXPECT_EQ(back->Count(), 0u);  // the parts moved into the session

  // Cut short, the file reads soft.
  EXPECT_EQ(vel::data::DriverDataFromBytes(bytes.substr(0, bytes.size() / 2)), nullptr);
}

}  // namespace
}  // namespace vel::test

namespace vel::test {
namespace {

TEST(GDeviceSessionFontsTest, InstalledFontsMergeIntoThePrinterConfiguration) {
  auto* printer = new GConfiguration(vel::key::kPeripheralConfiguration);
  auto* device_fonts = new GDeviceFontListComposite(vel::key::kDeviceFontLists);
  printer->Add(device_fonts);
  std::unique_ptr<TestSession> session = ChainSession(printer, nullptr);
  GDeviceFontListComposite installed;
  installed.Insert(new GDeviceFontList(vel::key::kDiskFonts1));
  session->MergeInstalledFonts(installed);
  ASSERT_NE(session->GetPrinterConfiguration(), nullptr);
  EXPECT_EQ(device_fonts->Count(), 1u);
  EXPECT_NE(device_fonts->Find(vel::key::kDiskFonts1), nullptr);
  // Without services the loader has no printer data to read.
  EXPECT_EQ(session->LoadInstalledFontLists(), nullptr);
}

}  // namespace
}  // namespace vel::test
