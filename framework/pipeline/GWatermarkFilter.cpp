// GWatermarkFilter: the settings, the page selection, the device's watermark and the stored form.
#include "framework/pipeline/GWatermarkFilter.h"

#include <new>
#include <utility>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GRenderDevice.h"
#include "framework/core/GState.h"
#include "framework/core/GStringAttribute.h"
#include "framework/core/StringWidth.h"
#include "framework/pipeline/CommandParts.h"
#include "framework/pipeline/GCommand.h"
#include "framework/pipeline/GCommandComposite.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "framework/pipeline/PageFilterParts.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace {

namespace classid = vel::classid;
namespace key = vel::key;

constexpr std::int32_t kBoldWeight = 700;
constexpr std::int32_t kPointsPerInch = 72;

const GBaseObject* Find(const GBaseObject* group, std::uint32_t k) {
  return group != nullptr ? group->FindByKey(k) : nullptr;
}

// The text of a string attribute of the group, widened; empty without one.
RWWString WideText(const GBaseObject* group, std::uint32_t k) {
  RWWString wide;
  if (const auto* text = dynamic_cast<const GStringAttribute*>(Find(group, k))) {
    (void)WidenString(text->GetValue(), wide);
  }
  return wide;
}

}  // namespace

GWatermarkFilter::GWatermarkFilter() = default;

GWatermarkFilter::GWatermarkFilter(const RWCString& name,
                                   GState* page_state,
                                   GConfiguration* configuration,
                                   std::uint32_t key,
                                   std::uint32_t add_on_list_key,
                                   std::int32_t add_on_kind,
                                   std::int32_t add_on_mode)
    : GPeripheral(name, page_state, configuration, key, add_on_list_key, add_on_kind,
                  add_on_mode) {}

GWatermarkFilter::~GWatermarkFilter() = default;

RWClassID GWatermarkFilter::ClassId() {
  return classid::kGWatermarkFilter;
}

RWCollectable* GWatermarkFilter::Create() {
  return new (std::nothrow) GWatermarkFilter;
}

RWCollectable* GWatermarkFilter::CreateInstance() const {
  return Create();
}

RWCollectable* GWatermarkFilter::Clone() const {
  return new (std::nothrow) GWatermarkFilter(*this);
}

RWClassID GWatermarkFilter::IsA() const {
  return ClassId();
}

bool GWatermarkFilter::IsKindOf(RWClassID id) const {
  return id == ClassId() || GPeripheral::IsKindOf(id);
}

void GWatermarkFilter::MergeGraphicBundle(GState* /*bundle*/) {}

void GWatermarkFilter::AttachState(std::uint32_t /*key*/) {}

// ---------------------------------------------------------------------------------------------
// Settings

void GWatermarkFilter::Setup(const GBaseObject* group) {
  mode_ = kNoWatermark;
  active_ = 0;
  watermark_.Reset();
  if (device_ == nullptr) {
    return;
  }
  switch (vel::SettingNumber(Find(group, key::kWatermarkPages), -1)) {
    case 0:
      mode_ = kEveryPage;
      break;
    case 1:
      mode_ = kFirstPage;
      break;
    default:
      break;
  }
  if (mode_ == kNoWatermark) {
    return;
  }
  if (vel::SettingNumber(Find(group, key::kWatermarkNamed), -1) != 0) {
    mode_ = kNoWatermark;
    return;
  }
  active_ = 1;
  (void)ReadSettings(group);
}

int GWatermarkFilter::ReadSettings(const GBaseObject* group) {
  GWatermarkDescription& d = description_;
  d.height = 0;
  d.value_392 = 0;
  d.reserved[0] = d.reserved[1] = d.reserved[2] = 0;
  d.value_387 = 1;
  d.fourth_value = 4;
  d.fixed_value = 168;
  auto number = [group](std::uint32_t k, std::int32_t fallback) {
    return vel::SettingNumber(Find(group, k), fallback);
  };
  d.text = WideText(group, key::kWatermarkText);
  d.text_length = static_cast<std::uint32_t>(d.text.Length());
  d.font_name = WideText(group, key::kWatermarkFontName);
  d.value_392 = number(key::kWatermarkValue392, 0);
  d.value_387 = number(key::kWatermarkValue387, 1);
  const auto style = static_cast<std::uint16_t>(number(key::kWatermarkStyle, 0));
  d.weight = (style & 1) != 0 ? kBoldWeight : 0;
  for (int bit = 1; bit <= 3; ++bit) {
    d.style_flags[bit - 1] = (style >> bit) & 1;
  }
  d.size = static_cast<std::uint16_t>(number(key::kWatermarkSize, 0));
  d.colour = GRGBColor(static_cast<std::uint8_t>(number(key::kWatermarkRed, 0)),
                       static_cast<std::uint8_t>(number(key::kWatermarkGreen, 0)),
                       static_cast<std::uint8_t>(number(key::kWatermarkBlue, 0)), 255);
  d.value_396 = number(key::kWatermarkValue396, 0);
  d.value_397 = number(key::kWatermarkValue397, 0);
  d.value_393 = number(key::kWatermarkValue393, 0);
  d.value_394 = number(key::kWatermarkValue394, 0);
  return 1;
}

// ---------------------------------------------------------------------------------------------
// The device's watermark

void GWatermarkFilter::MakeWatermark() {
  watermark_.Reset();
  if (active_ != 1 || device_ == nullptr || !previous_media_) {
    return;
  }
  const GMedia& media = *previous_media_;
  std::uint32_t& handle = description_.handle;
  if (handle == 0) {
    // Units of the page's resolution; negative: the height of the characters, not of the cell.
    description_.height = static_cast<std::int32_t>(
        static_cast<std::int64_t>(media.GetResolutionX()) * description_.size / -kPointsPerInch);
    handle = device_->PrepareWatermark(description_, media.GetSize()[0], media.GetSize()[1]);
  }
  if (handle == 0) {
    return;
  }
  watermark_ = GCommandRef(device_->MakeWatermark(RWWString(description_.text), handle,
                                                  description_.colour, media,
                                                  static_cast<std::int16_t>(description_.value_387)));
  // A handle serves one graphic: released at once and never again.
  device_->ReleaseWatermark(&handle);
  handle = 0;
}

void GWatermarkFilter::DropWatermark() {
  watermark_.Reset();
  std::uint32_t& handle = description_.handle;
  if (active_ == 1 && handle != 0 && device_ != nullptr) {
    device_->ReleaseWatermark(&handle);
  }
  handle = 0;
}

void GWatermarkFilter::ReleaseMedia() {
  previous_media_.reset();
  current_media_.reset();
}

// ---------------------------------------------------------------------------------------------
// Commands

GCommandRef GWatermarkFilter::HandleCommand(GCommandRef command) {
  if (!command) {
    return command;
  }
  switch (command->IsA()) {
    case classid::kGDocumentStart:
    case classid::kGDocumentEnd:
    case classid::kGJobAbort:
      return GPeripheral::HandleCommand(std::move(command));
    case classid::kGPageStart:
      PageStart(*command.Get());
      return command;
    case classid::kGPageEnd:
      return PageEnd(command);
    default:
      return command;
  }
}

std::uint16_t GWatermarkFilter::HandleDocumentStart(GDocumentStart& object) {
  page_counter_ = 0;
  ReleaseMedia();
  DropWatermark();
  device_ = dynamic_cast<GRenderDevice*>(object.GetPrinterHandle());
  const GState* bundle = object.GetGraphicBundle();
  Setup(bundle != nullptr ? bundle->FindByKey(key::kWatermarkGroup) : nullptr);
  if (mode_ == kNoWatermark) {
    Disable();
  }
  return 0;
}

std::uint16_t GWatermarkFilter::HandleDocumentEnd(GDocumentEnd& /*object*/) {
  ReleaseMedia();
  DropWatermark();
  device_ = nullptr;
  return 0;
}

std::uint16_t GWatermarkFilter::HandleJobAbort(GJobAbort& /*object*/) {
  ReleaseMedia();
  DropWatermark();
  device_ = nullptr;
  return 0;
}

bool GWatermarkFilter::Watermarks() const {
  return mode_ == kEveryPage || (mode_ == kFirstPage && page_counter_ == 1);
}

void GWatermarkFilter::PageStart(GCommand& command) {
  ++page_counter_;
  if (!Watermarks()) {
    return;
  }
  const GState* bundle = command.GetGraphicBundle();
  if (bundle == nullptr) {
    return;
  }
  current_media_.reset();
  if (const auto* media = dynamic_cast<const GMedia*>(bundle->FindByKey(key::kSelectedMedia))) {
    current_media_ = *media;
    if (!previous_media_) {
      previous_media_ = *media;
    }
  }
}

GCommandRef GWatermarkFilter::PageEnd(const GCommandRef& command) {
  if (Watermarks()) {
    previous_media_ = std::move(current_media_);
    current_media_.reset();
    if (!watermark_) {
      MakeWatermark();
    }
  }
  if (!watermark_) {
    return command;
  }
  auto* list = new (std::nothrow) GCommandComposite;
  if (list == nullptr) {
    return command;
  }
  GCommandRef held(list);
  list->Add(watermark_.Get());
  list->Add(command.Get());
  watermark_.Reset();
  return held;
}

// ---------------------------------------------------------------------------------------------
// Stored form

std::uint32_t GWatermarkFilter::StoredByteCount() const {
  const vel::StoredSizeScope scope(this);
  return GPeripheral::StoredByteCount() + vel::kClassVersionSize;
}

void GWatermarkFilter::SaveContents(RWVirtualOutStream& stream) const {
  vel::SaveVersionAfter<GPeripheral>(*this, stream);
}

void GWatermarkFilter::SaveContents(RWBinaryFile& file) const {
  vel::SaveVersionAfter<GPeripheral>(*this, file);
}

template <typename Carrier>
void GWatermarkFilter::Restore(Carrier& carrier) {
  GPeripheral::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  page_counter_ = 0;
  mode_ = kNoWatermark;
  active_ = 0;
  watermark_.Reset();
  description_.handle = 0;
}

void GWatermarkFilter::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GWatermarkFilter::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}
