// The language peripheral base.
#include "framework/output/GLanguagePeripheral.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <utility>

#include "framework/core/ClassVersion.h"
#include "framework/core/DocumentChannel.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GConfiguration.h"
#include "framework/core/GRangeAttribute.h"
#include "framework/core/GState.h"
#include "framework/core/StoredFields.h"
#include "framework/output/GOutputPort.h"
#include "framework/output/SettingValues.h"
#include "framework/output/fonts/GFontDownloader.h"
#include "framework/output/fonts/GGlyphCodeMap.h"
#include "framework/pipeline/GCommandRef.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "framework/pipeline/GErrorCommand.h"
#include "framework/pipeline/GPassThroughCommand.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

// ---------------------------------------------------------------------------------------------
// GFontMemoryBudget

std::uint32_t GFontMemoryBudget::Reserve(std::uint32_t bytes) {
  if (Free() < bytes) {
    used_ = limit_;
  } else {
    used_ += bytes;
  }
  return Free();
}

std::uint32_t GFontMemoryBudget::Release(std::uint32_t bytes) {
  used_ = bytes > used_ ? 0 : used_ - bytes;
  return Free();
}

// ---------------------------------------------------------------------------------------------
// GLanguagePeripheral

GLanguagePeripheral::GLanguagePeripheral() = default;

GLanguagePeripheral::GLanguagePeripheral(const RWCString& name,
                                         GState* page_state,
                                         GConfiguration* configuration,
                                         std::uint32_t key,
                                         std::uint32_t add_on_list_key,
                                         std::int32_t add_on_kind,
                                         std::int32_t add_on_mode)
    : GPeripheralComposite(name, page_state, configuration, key, add_on_list_key, add_on_kind,
                           add_on_mode) {}

GLanguagePeripheral::GLanguagePeripheral(const GLanguagePeripheral& other)
    : GPeripheralComposite(other), in_document_(other.in_document_),
      scan_flag_(other.scan_flag_), path_depth_(other.path_depth_),
      clip_path_flag_(other.clip_path_flag_) {
  LoadDeviceFontList();
}

GLanguagePeripheral& GLanguagePeripheral::operator=(const GLanguagePeripheral& other) {
  if (this != &other) {
    GPeripheralComposite::operator=(other);
    in_document_ = other.in_document_;
    scan_flag_ = other.scan_flag_;
    path_depth_ = other.path_depth_;
    clip_path_flag_ = other.clip_path_flag_;
    DeleteOwnedObjects();
    printer_handle_ = nullptr;
    font_number_ = 0;
    use_counter_ = 0;
  }
  return *this;
}

GLanguagePeripheral::~GLanguagePeripheral() {
  DeleteOwnedObjects();
}

void GLanguagePeripheral::DeleteOwnedObjects() {
  SetFontDownloader(nullptr);
  SetGlyphCodeMap(nullptr);
}

void GLanguagePeripheral::SetFontDownloader(GFontDownloader* downloader) {
  if (downloader != font_downloader_) {
    delete font_downloader_;
    font_downloader_ = downloader;
    // The fonts that named descriptions of replaced lists went with the old downloaded-font list.
    replaced_font_lists_.clear();
  }
}

void GLanguagePeripheral::SetGlyphCodeMap(GGlyphCodeMap* map) {
  if (map != glyph_code_map_) {
    delete glyph_code_map_;
    glyph_code_map_ = map;
  }
}

bool GLanguagePeripheral::IsKindOf(RWClassID id) const {
  return id == vel::classid::kGLanguagePeripheral || GPeripheralComposite::IsKindOf(id);
}

bool GLanguagePeripheral::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  const auto* language = dynamic_cast<const GLanguagePeripheral*>(other);
  return language != nullptr && GPeripheralComposite::IsSameKey(other) &&
         language->in_document_ == in_document_ && language->scan_flag_ == scan_flag_ &&
         language->path_depth_ == path_depth_ && language->clip_path_flag_ == clip_path_flag_;
}

std::uint32_t GLanguagePeripheral::StoredByteCount() const {
  return GPeripheralComposite::StoredByteCount() + vel::kClassVersionSize + 4 + 4 + 2 + 4;
}

template <typename Carrier>
void GLanguagePeripheral::Save(Carrier& carrier) const {
  GPeripheralComposite::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteField(carrier, in_document_);
  vel::WriteField(carrier, scan_flag_);
  vel::WriteField(carrier, path_depth_);
  vel::WriteField(carrier, clip_path_flag_);
}

void GLanguagePeripheral::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GLanguagePeripheral::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GLanguagePeripheral::Restore(Carrier& carrier) {
  GPeripheralComposite::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  std::int32_t in_document = 0;
  std::int32_t scan_flag = 0;
  std::int16_t path_depth = 0;
  std::int32_t clip_path_flag = 0;
  if (!vel::ReadField(carrier, in_document) || !vel::ReadField(carrier, scan_flag) ||
      !vel::ReadField(carrier, path_depth) || !vel::ReadField(carrier, clip_path_flag)) {
    vel::FailCarrier(carrier);
    return;
  }
  in_document_ = in_document;
  scan_flag_ = scan_flag;
  path_depth_ = path_depth;
  clip_path_flag_ = clip_path_flag;
  DeleteOwnedObjects();
}

void GLanguagePeripheral::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GLanguagePeripheral::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

std::uint16_t GLanguagePeripheral::HandleDocumentStart(GDocumentStart& object) {
  in_document_ = 1;
  printer_handle_ = object.GetPrinterHandle();
  // A channel this peripheral opened for an earlier job is done with.
  if (OwnsOutputChannel()) {
    DropOutputChannel();
  }
  if (GOutputPort* carried = object.GetOutputChannel()) {
    SetOutputChannel(carried, false);
  } else {
    GOutputPort* opened = nullptr;
    const std::uint16_t status = vel::OpenDocumentChannel(object, opened);
    if (opened != nullptr) {
      SetOutputChannel(opened, true);
    }
    if (status != 0) {
      return status;
    }
  }
  GConfiguration* configuration = Configuration();
  const auto* memory = configuration == nullptr
                           ? nullptr
                           : dynamic_cast<const GRangeAttribute*>(
                                 configuration->FindByKey(vel::key::kDeviceMemory));
  if (memory != nullptr) {
    // A negative setting gives no font memory rather than nearly 4 GB of it.
    const std::int32_t bytes = std::max<std::int32_t>(0, memory->GetValue()) * kBytesPerMemoryUnit;
    budget_.SetLimit(static_cast<std::uint32_t>(bytes));
  } else {
    (void)budget_.Reset();
  }
  return 0;
}

std::uint16_t GLanguagePeripheral::HandlePageStart(GPageStart& /*object*/) {
  return 0;
}

std::uint16_t GLanguagePeripheral::HandleStringAttribute(GStringAttribute& /*object*/) {
  return 0;
}

std::uint32_t GLanguagePeripheral::ReleaseFontMemory(std::uint32_t bytes) {
  return budget_.Release(bytes);
}

std::uint32_t GLanguagePeripheral::ReserveFontMemory(std::uint32_t bytes) {
  return budget_.Reserve(bytes);
}

std::uint32_t GLanguagePeripheral::QueryFontCapabilities(const GFont& /*font*/) {
  return 1;
}

std::uint32_t GLanguagePeripheral::QueryResidentFont(const GFontFaceRecord& /*face*/,
                                                     std::int32_t /*kind*/,
                                                     std::int32_t /*lookup_mode*/,
                                                     const std::uint16_t** table_out) {
  if (table_out != nullptr) {
    *table_out = nullptr;
  }
  return 1;
}

void GLanguagePeripheral::LoadDeviceFontList() {
  GConfiguration* configuration = Configuration();
  auto* lists = configuration == nullptr
                    ? nullptr
                    : dynamic_cast<GDeviceFontListComposite*>(
                          configuration->FindByKey(vel::key::kDeviceFontLists));
  if (held_font_list_.Get() != lists && held_font_list_ && font_downloader_ != nullptr) {
    replaced_font_lists_.push_back(std::move(held_font_list_));
  }
  held_font_list_ = GCountedPtr(lists);
  current_font_list_ = lists != nullptr ? lists : &font_lists_;
}

// ---------------------------------------------------------------------------------------------
// What the back ends share

GCommandRef GLanguagePeripheral::PassToChildren(GCommandRef command) {
  for (std::uint32_t i = 0; i < Count() && command.Get() != nullptr; ++i) {
    const GCountedPtr held = Children().Children().At(i);
    auto* child = dynamic_cast<GPeripheral*>(held.Get());
    if (child != nullptr && child->IsEnabled()) {
      command = GCommandRef(child->ProcessCommand(command.Release()));
    }
  }
  return command;
}

GCommand* GLanguagePeripheral::HandleThenPassOn(GCommand* command) {
  if (command == nullptr || !IsEnabled()) {
    return command;
  }
  if (Count() == 0 && command->References() >= 0) {
    // No children to pass it to, and the caller holds it (as the printer head does): handled
    // without a hold of this stage's own, which would only add and drop a reference.
    const std::uint16_t status = command->Accept(*this);
    if (status == 0) {
      return command;
    }
    GCommand* error = new (std::nothrow) GErrorCommand(status, command, 0);
    return error != nullptr ? error : command;
  }
  GCommandRef held(command);
  const RWClassID id = command->IsA();
  const bool ends = id == vel::classid::kGDocumentEnd || id == vel::classid::kGPageEnd;
  if (ends) {
    held = PassToChildren(std::move(held));
    if (held.Get() == nullptr) {
      return nullptr;
    }
  }
  const std::uint16_t status = held->Accept(*this);
  if (status != 0) {
    if (auto* error = new (std::nothrow) GErrorCommand(status, held.Get(), 0)) {
      held = GCommandRef(error);
    }
    return held.Release();
  }
  if (!ends) {
    held = PassToChildren(std::move(held));
  }
  return held.Release();
}

void GLanguagePeripheral::ReadJobResolution(const GBaseObject* settings, std::uint16_t fallback,
                                            std::uint16_t& x, std::uint16_t& y) {
  const GBaseObject* group = vel::FindSetting(settings, vel::key::kPageStartGroup);
  std::uint16_t found_x = 0;
  std::uint16_t found_y = 0;
  if (vel::ReadSettingValue(vel::FindSetting(group, vel::key::kResolutionX), found_x) &&
      vel::ReadSettingValue(vel::FindSetting(group, vel::key::kResolutionY), found_y)) {
    x = found_x;
    y = found_y;
  } else {
    x = fallback;
    y = fallback;
  }
}

void GLanguagePeripheral::TakePageGraphicState() {
  GState* page_state = PageState();
  GState* job_state = JobState();
  if (page_state == nullptr || job_state == nullptr) {
    return;
  }
  if (const GBaseObject* bundle = page_state->FindByKey(vel::key::kGraphicsGroup)) {
    if (GBaseObject* copy = bundle->DeepCopy()) {
      job_state->SetAttribute(copy);
      ClearGroupCache();
      Update(this);
    }
  }
}

std::uint16_t GLanguagePeripheral::EndJobOnChannel(std::uint16_t status) {
  GOutputPort* channel = GetOutputChannel();
  if (OwnsOutputChannel() && channel != nullptr) {
    if (const std::uint16_t ended = channel->JobEnd(); ended != 0) {
      status = ended;
    }
  } else {
    // A channel of the command's: done with at the end of its job.
    DropOutputChannel();
  }
  return status;
}

void GLanguagePeripheral::ForgetDocument() {
  SetPathDepth(0);
  SetInDocumentFlag(0);
  SetScanFlag(0);
  SetClipPathFlag(0);
  font_number_ = 0;
  use_counter_ = 0;
}

std::uint16_t GLanguagePeripheral::WritePassThrough(const GPassThroughCommand& command) {
  GOutputPort* channel = GetOutputChannel();
  if (channel == nullptr) {
    return kOutputNoChannel;
  }
  std::uint32_t written = 0;
  return channel->WriteRaw(command.GetData(), command.GetLength(), &written);
}
