// The test render device and its job settings fixture.
#include "tests/support/FwTestRenderDevice.h"

#include <new>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GAttributeComposite.h"
#include "framework/core/GCustomMediaSize.h"
#include "framework/core/GOSServices.h"
#include "framework/core/GStringAttribute.h"
#include "framework/core/GMedia.h"
#include "framework/core/GValueAttribute.h"
#include "framework/pipeline/GRectangleGraphic.h"
#include "framework/pipeline/GWatermarkDescription.h"
#include "tests/support/FwTestOSServices.h"

namespace vel::test {
namespace {

namespace key = vel::key;

std::u16string Text(const RWWString& text) {
  return std::u16string(text.Data(), text.Length());
}

GAttributeComposite* Group(std::uint32_t group_key,
                           std::initializer_list<std::pair<std::uint32_t, std::uint16_t>> values) {
  auto* group = new GAttributeComposite(group_key);
  for (const auto& [k, v] : values) {
    group->Add(new GValueAttribute(v, k));
  }
  return group;
}

TestOSServices* Services() {
  return dynamic_cast<TestOSServices*>(GetOSServices());
}

}  // namespace

TestPrinterKey::TestPrinterKey(const std::u16string& printer,
                               const std::u16string& driver,
                               const std::u16string& port)
    : GPrinterKey(RWWString(printer.c_str()), RWWString(driver.c_str()), RWWString(port.c_str())) {}

std::int32_t TestPrinterKey::IsSamePrinter(const GPrinterKey& other) const {
  return PrinterName() == other.PrinterName() && DriverName() == other.DriverName() &&
                 PortName() == other.PortName()
             ? 1
             : 0;
}

std::int32_t TestPrinterKey::IsSameDriver(const GPrinterKey& other) const {
  return DriverName() == other.DriverName() ? 1 : 0;
}

GAttributeComposite* MakeJobSettings() {
  auto* settings = new GAttributeComposite(0);

  auto* part_362 = Group(key::kDocumentBundleSettings,
                         {{key::kDocumentCopies, 1},
                          {key::kPaperId, 2},
                          {key::kOrientation, 0},
                          {key::kSecondMediaRequest, 1},
                          {key::kSecondMediaPaperId, 26},
                          {key::kThirdMediaRequest, 1},
                          {key::kThirdMediaPaperId, 999}});
  part_362->Add(Group(key::kPageStartGroup, {{key::kResolutionX, 600}, {key::kResolutionY, 600}}));
  settings->Add(part_362);

  settings->Add(Group(key::kPageBundleSettings, {{key::kPageCopies, 1}}));

  auto* part_364 = Group(key::kJobOptions,
                         {{key::kTraySelection, 1},
                          {key::kLaterPagesTraySelection, 2},
                          {key::kUseLaterPagesTray, 1},
                          {key::kRequestedCopies, 3},
                          {key::kCollate, 1},
                          {key::kDocumentStartFlag293, 1},
                          {key::kDocumentStartValue296, 7},
                          {key::kDocumentStartValue297, 8}});
  part_364->Add(new GStringAttribute("Plain", key::kFirstPageMediaType));
  part_364->Add(new GStringAttribute("Bond", key::kLaterPagesMediaType));
  part_364->Add(Group(key::kJobOptionsGroup, {{key::kJobOptionsMode, 2}}));
  settings->Add(part_364);

  settings->Add(Group(key::kDetectedConfiguration, {{key::kDeviceMakesCopies, 1}}));

  auto* list = new GAttributeComposite(key::kNamedJobOptions);
  auto* fast = Group(0, {{500, 1}});
  fast->Add(new GStringAttribute("Fast", key::kJobOptionsEntryName));
  list->Add(fast);
  auto* secure = Group(0, {{501, 1}});
  secure->Add(new GStringAttribute("Secure", key::kJobOptionsEntryName));
  list->Add(secure);
  auto* part_366 = new GAttributeComposite(key::kFurtherSettings);
  part_366->Add(list);
  settings->Add(part_366);

  auto* sizes = new GAttributeComposite(key::kCustomMediaSizes);
  sizes->Add(new GCustomMediaSize(0x4000, "Small", 1, 100, 150, 0));
  sizes->Add(new GCustomMediaSize(0x43E7, "Large", 1, 200, 300, 0));
  settings->Add(sizes);
  return settings;
}

namespace {

// ASCII text of a wide string for the log.
std::string LogText(const RWWString& text) {
  std::string narrow;
  for (std::size_t i = 0; i < text.Length(); ++i) {
    const char16_t c = text.Data()[i];
    narrow += c < 128 ? static_cast<char>(c) : '?';
  }
  return narrow;
}

std::string LogColour(const GRGBColor& colour) {
  return "rgb(" + std::to_string(colour.GetRed()) + ", " + std::to_string(colour.GetGreen()) +
         ", " + std::to_string(colour.GetBlue()) + ", " + std::to_string(colour.GetFourthByte()) +
         ")";
}

}  // namespace

std::uint32_t TestRenderDevice::PrepareWatermark(const GWatermarkDescription& description,
                                                 std::int16_t paper_width,
                                                 std::int16_t paper_height) {
  const std::uint32_t handle = next_watermark_handle;
  if (next_watermark_handle != 0) {
    ++next_watermark_handle;
  }
  watermark_log.push_back(
      "prepare(\"" + LogText(description.text) + "\", font \"" + LogText(description.font_name) +
      "\", height " + std::to_string(description.height) + ", size " +
      std::to_string(description.size) + ", weight " + std::to_string(description.weight) +
      ", styles " + std::to_string(description.style_flags[0]) + " " +
      std::to_string(description.style_flags[1]) + " " +
      std::to_string(description.style_flags[2]) + ", " + LogColour(description.colour) +
      ", paper " + std::to_string(paper_width) + " x " + std::to_string(paper_height) + ") = " +
      std::to_string(handle));
  return handle;
}

void TestRenderDevice::ReleaseWatermark(std::uint32_t* handle) {
  watermark_log.push_back("release(" + (handle != nullptr ? std::to_string(*handle) : "null") +
                          ")");
  if (handle != nullptr) {
    *handle = 0;
  }
}

GCommand* TestRenderDevice::MakeWatermark(const RWWString& text,
                                          std::uint32_t handle,
                                          const GRGBColor& colour,
                                          const GMedia& media,
                                          std::int16_t value_387) {
  GCommand* graphic = nullptr;
  if (make_watermark_graphics) {
    GRect area{0, 0, 0, 0};
    media.GetPrintableRect(&area.left, &area.top, &area.right, &area.bottom);
    graphic = new GRectangleGraphic(area, nullptr, 0);
  }
  watermark_log.push_back("make(\"" + LogText(text) + "\", handle " + std::to_string(handle) +
                          ", " + LogColour(colour) + ", media " +
                          std::to_string(media.GetSize()[0]) + " x " +
                          std::to_string(media.GetSize()[1]) + ", 387 = " +
                          std::to_string(value_387) + ") = " +
                          (graphic != nullptr ? "graphic" : "none"));
  return graphic;
}

std::atomic<int> TestRenderDevice::live{0};
std::atomic<int> TestRenderDevice::made{0};

TestRenderDevice::TestRenderDevice(const GPrinterKey& key)
    : GDeviceSession(key.PrinterName(), key.DriverName(), key.PortName()) {
  live.fetch_add(1);
  made.fetch_add(1);
  if (TestOSServices* services = Services()) {
    services->BindObject(this, Text(key.PrinterName()));
  }
}

TestRenderDevice::TestRenderDevice(const std::u16string& printer, const std::u16string& driver)
    : TestRenderDevice(TestPrinterKey(printer, driver)) {}

TestRenderDevice::~TestRenderDevice() {
  if (TestOSServices* services = Services()) {
    services->UnbindObject(this);
  }
  live.fetch_sub(1);
}

GAttributeComposite* TestRenderDevice::CreateAttributeGroup() {
  return make_settings ? make_settings() : MakeJobSettings();
}

GPrinterKey* TestRenderDevice::GetPrinterKey() {
  return new (std::nothrow)
      TestPrinterKey(Text(GetPrinterName()), Text(GetDriverName()), Text(GetPortName()));
}

GAttributeComposite* TestRenderDevice::DelegateToOwner() {
  ++delegate_calls;
  return make_settings ? make_settings() : MakeJobSettings();
}

std::uint16_t TestRenderDevice::EnsureDocumentStarted() {
  return IsDocumentPending() != 0 ? StartDocument() : 0;
}

void TestRenderDevice::Reopen(const GPrinterKey& key) {
  GRenderDevice::Reopen(key);
  if (TestOSServices* services = Services()) {
    services->BindObject(this, Text(key.PrinterName()));
  }
}

std::atomic<int> TestUIObject::live{0};
std::atomic<int> TestUIObject::made{0};

TestUIObject::TestUIObject(const GPrinterKey& key)
    : GDeviceSession(key.PrinterName(), key.DriverName(), key.PortName()) {
  live.fetch_add(1);
  made.fetch_add(1);
  if (TestOSServices* services = Services()) {
    services->BindObject(this, Text(key.PrinterName()));
  }
}

TestUIObject::~TestUIObject() {
  if (TestOSServices* services = Services()) {
    services->UnbindObject(this);
  }
  live.fetch_sub(1);
}

GAttributeComposite* TestUIObject::CreateAttributeGroup() {
  return new (std::nothrow) GAttributeComposite(0);
}

GPrinterKey* TestUIObject::GetPrinterKey() {
  return new (std::nothrow)
      TestPrinterKey(Text(GetPrinterName()), Text(GetDriverName()), Text(GetPortName()));
}

void TestUIObject::Reopen(const GPrinterKey& key) {
  GUIDeviceSession::Reopen(key);
  if (TestOSServices* services = Services()) {
    services->BindObject(this, Text(key.PrinterName()));
  }
}

void TestUIObject::Close() {
  if (on_close) {
    on_close();
  }
}

}  // namespace vel::test
