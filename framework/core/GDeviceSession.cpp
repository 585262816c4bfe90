// The device session: names, the peripheral chain and mapping lists, and the capability questions.
#include "framework/core/GDeviceSession.h"

#include <memory>
#include <new>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GAttributeComposite.h"
#include "framework/core/GConfiguration.h"
#include "framework/core/GCustomMediaSize.h"
#include "framework/core/GIterator.h"
#include "framework/core/GLocaleInfo.h"
#include "framework/core/GMedia.h"
#include "framework/core/GMediaPool.h"
#include "framework/core/GOSServices.h"
#include "framework/core/GPaperHandlingDevice.h"
#include "framework/core/GPeripheral.h"
#include "framework/core/GPeripheralComposite.h"
#include "framework/core/GPrinterKey.h"
#include "framework/core/GProviderRegistry.h"
#include "framework/core/GRangeAttribute.h"
#include "framework/core/GResourceMapping.h"
#include "framework/core/GResourceMappingList.h"
#include "framework/core/GStatusChannel.h"
#include "framework/core/GStatusProvider.h"
#include "framework/core/GStringAttribute.h"
#include "framework/core/GTray.h"
#include "framework/core/GValueAttribute.h"
#include "framework/core/StringWidth.h"
#include "framework/output/GDeviceFontListComposite.h"
#include "framework/output/InstalledFontLists.h"

namespace {

GBaseObject* FindIn(const GBaseObject* in, std::uint32_t key) {
  return in != nullptr ? in->FindByKey(key) : nullptr;
}

// The 16-bit value of a value or range attribute.
bool ReadValue(const GBaseObject* object, std::int32_t& value) {
  if (const auto* v = dynamic_cast<const GValueAttribute*>(object)) {
    value = v->GetValue();
    return true;
  }
  if (const auto* r = dynamic_cast<const GRangeAttribute*>(object)) {
    value = r->GetValue();
    return true;
  }
  return false;
}

std::int32_t ValueOr(const GBaseObject* object, std::int32_t fallback) {
  std::int32_t value = fallback;
  return ReadValue(object, value) ? value : fallback;
}

// Stores a 16-bit value into a value attribute, or into a range attribute clamped to its bounds.
void WriteValue(GBaseObject* object, std::uint16_t value) {
  if (auto* v = dynamic_cast<GValueAttribute*>(object)) {
    v->SetValue(value);
  } else if (auto* r = dynamic_cast<GRangeAttribute*>(object)) {
    r->SetValue(static_cast<std::int16_t>(value));
  }
}

const RWCString* StringOf(const GBaseObject* object) {
  const auto* s = dynamic_cast<const GStringAttribute*>(object);
  return s != nullptr ? &s->GetValue() : nullptr;
}

// Calls `visit` with each child of `composite` (through its iterator) until it answers false.
template <typename Visit>
void ForEachChild(const GBaseObject* composite, const Visit& visit) {
  if (composite == nullptr) {
    return;
  }
  const std::unique_ptr<GIterator> it(composite->CreateIterator());
  if (!it) {
    return;
  }
  while (it->Advance() != 0) {
    if (GBaseObject* child = it->Current(); child != nullptr && !visit(child)) {
      return;
    }
  }
}

// The first tray of a device's selected option, or null.
GTray* FirstTray(const GPaperHandlingDevice& device) {
  GTray* first = nullptr;
  ForEachChild(&device, [&](GBaseObject* child) {
    first = dynamic_cast<GTray*>(child);
    return false;
  });
  return first;
}

// The option that a detected value 0 to 4 selects on a device of type 1.
bool DetectedOption(std::int32_t detected, std::uint16_t& option) {
  static constexpr std::uint16_t kOptions[] = {2, 6, 5, 4, 3};
  if (detected < 0 || detected > 4) {
    return false;
  }
  option = kOptions[detected];
  return true;
}

}  // namespace

GDeviceSession::GDeviceSession(const RWWString& printer_name,
                               const RWWString& driver_name,
                               const RWWString& port_name)
    : printer_name_(printer_name), driver_name_(driver_name), port_name_(port_name) {}

GDeviceSession::~GDeviceSession() {
  delete head_;
  delete media_mappings_;
  delete tray_mappings_;
  delete job_group_;
  for (auto& entry : owned_) {
    delete entry.second;
  }
}

void GDeviceSession::SetNames(const RWWString& printer_name,
                              const RWWString& driver_name,
                              const RWWString& port_name) {
  printer_name_ = printer_name;
  driver_name_ = driver_name;
  port_name_ = port_name;
}

// ---------------------------------------------------------------------------------------------
// Owned parts

namespace {

template <typename T>
void Replace(T*& field, T* object) {
  if (field == object) {
    return;
  }
  delete field;
  field = object;
}

}  // namespace

void GDeviceSession::SetConfiguration(GPeripheral* head) {
  Replace(head_, head);
}

void GDeviceSession::SetMediaMappingList(GResourceMappingList* list) {
  Replace(media_mappings_, list);
}

void GDeviceSession::SetTrayMappingList(GResourceMappingList* list) {
  Replace(tray_mappings_, list);
}

void GDeviceSession::SetJobAttributeGroup(GAttributeComposite* group) {
  Replace(job_group_, group);
}

GAttributeComposite* GDeviceSession::EnsureJobAttributeGroup() {
  if (job_group_ == nullptr) {
    // A final class may keep the group itself while making it; the setter then does nothing.
    SetJobAttributeGroup(CreateAttributeGroup());
  }
  return job_group_;
}

GPeripheral* GDeviceSession::GetPrinterPeripheral() const {
  if (head_ == nullptr) {
    return nullptr;
  }
  if (head_->GetKey() == vel::key::kPrinterPeripheral) {
    return head_;
  }
  return dynamic_cast<GPeripheral*>(head_->FindByKey(vel::key::kPrinterPeripheral));
}

GConfiguration* GDeviceSession::GetPrinterConfiguration() const {
  const GPeripheral* printer = GetPrinterPeripheral();
  return printer != nullptr ? printer->Configuration() : nullptr;
}

GDeviceFontListComposite* GDeviceSession::LoadInstalledFontLists() {
  return vel::LoadInstalledFontLists(this, KeepsEmptyFontLists());
}

void GDeviceSession::MergeInstalledFonts(const GDeviceFontListComposite& fonts) {
  vel::MergeInstalledFonts(GetPrinterConfiguration(), fonts);
}

GPeripheral* GDeviceSession::GetLanguagePeripheral() const {
  const GPeripheral* printer = GetPrinterPeripheral();
  if (printer == nullptr) {
    return nullptr;
  }
  return dynamic_cast<GPeripheral*>(printer->FindKindOf(vel::classid::kGLanguagePeripheral));
}

GMediaPool* GDeviceSession::GetMediaPool() const {
  return dynamic_cast<GMediaPool*>(FindIn(GetPrinterConfiguration(), vel::key::kMediaPool));
}

GBaseObject* GDeviceSession::GetPaperHandlingDevices() const {
  return FindIn(GetPrinterConfiguration(), vel::key::kPaperHandlingDevices);
}

std::uint32_t GDeviceSession::SessionHash() const {
  const auto address = reinterpret_cast<std::uintptr_t>(this);
  auto a = static_cast<std::uint32_t>(address);
  if constexpr (sizeof(address) > 4) {
    a ^= static_cast<std::uint32_t>(static_cast<std::uint64_t>(address) >> 32);
  }
  return (a >> 16) ^ a;
}

// ---------------------------------------------------------------------------------------------
// Enumerations

std::int32_t GDeviceSession::EnumerateMedia(MediaCallback callback,
                                            void* context,
                                            std::uint32_t filter_id,
                                            std::uint16_t filter_x,
                                            std::uint16_t filter_y,
                                            bool mapped_only,
                                            std::uint32_t* count) {
  std::uint32_t visited = 0;
  bool accepted_any = false;
  if (const GMediaPool* pool = GetMediaPool()) {
    const std::unique_ptr<GIterator> it(
        pool->CreateMediaIterator(static_cast<std::int32_t>(filter_id), filter_x, filter_y));
    while (it && it->Advance() != 0) {
      auto* media = dynamic_cast<GMedia*>(it->Current());
      if (media == nullptr) {
        continue;
      }
      GResourceMapping* mapping = nullptr;
      if (mapped_only) {
        mapping =
            media_mappings_ != nullptr
                ? media_mappings_->FindByItemId(static_cast<std::uint16_t>(media->GetPaperId()))
                : nullptr;
        if (mapping == nullptr) {
          continue;
        }
      }
      std::int32_t go_on = 1;
      if (context != nullptr && callback != nullptr) {
        std::int32_t accepted = 0;
        go_on = callback(media, mapping, visited, context, &accepted);
        accepted_any = accepted_any || accepted == 1;
      } else {
        accepted_any = true;
      }
      ++visited;
      if (go_on != 1) {
        break;
      }
    }
  }
  if (count != nullptr) {
    *count = visited;
  }
  return accepted_any ? 1 : -1;
}

std::int32_t GDeviceSession::EnumerateTrays(TrayCallback callback,
                                            void* context,
                                            bool mapped_only,
                                            std::uint32_t* count) {
  std::uint32_t visited = 0;
  bool accepted_any = false;
  bool stopped = false;
  ForEachChild(GetPaperHandlingDevices(), [&](GBaseObject* child) {
    const auto* device = dynamic_cast<const GPaperHandlingDevice*>(child);
    if (device == nullptr || device->IsInstalled() == 0 || device->GetDeviceType() != 0) {
      return true;
    }
    ForEachChild(device, [&](GBaseObject* item) {
      auto* tray = dynamic_cast<GTray*>(item);
      if (tray == nullptr) {
        return true;
      }
      GResourceMapping* mapping = nullptr;
      if (mapped_only) {
        mapping = tray_mappings_ != nullptr
                      ? tray_mappings_->FindByItemId(static_cast<std::uint16_t>(tray->GetTrayId()))
                      : nullptr;
        if (mapping == nullptr) {
          return true;
        }
      }
      std::int32_t go_on = 1;
      if (context != nullptr && callback != nullptr) {
        std::int32_t accepted = 0;
        go_on = callback(tray, mapping, visited, context, &accepted);
        accepted_any = accepted_any || accepted == 1;
      } else {
        accepted_any = true;
      }
      ++visited;
      stopped = go_on != 1;
      return !stopped;
    });
    return !stopped;
  });
  if (count != nullptr) {
    *count = visited;
  }
  return accepted_any ? 1 : -1;
}

// ---------------------------------------------------------------------------------------------
// Capability questions

std::int32_t GDeviceSession::FreeMemory() {
  return 0;
}

std::int32_t GDeviceSession::HasOption339() {
  return ValueOr(FindIn(GetPrinterConfiguration(), vel::key::kOption339), 0) != 0 ? 1 : 0;
}

namespace {

struct PaperSearch {
  std::uint16_t paper_id;
  bool found;
};

std::int32_t StopAtPaper(GMedia* /*media*/,
                         GResourceMapping* mapping,
                         std::uint32_t /*index*/,
                         void* context,
                         std::int32_t* accepted) {
  auto* search = static_cast<PaperSearch*>(context);
  if (mapping != nullptr && mapping->GetDevModeId() == search->paper_id) {
    search->found = true;
    *accepted = 1;
    return 0;
  }
  return 1;
}

struct TraySearch {
  std::uint16_t tray_id;
  bool found;
};

std::int32_t StopAtTray(GTray* tray,
                        GResourceMapping* /*mapping*/,
                        std::uint32_t /*index*/,
                        void* context,
                        std::int32_t* accepted) {
  auto* search = static_cast<TraySearch*>(context);
  if (static_cast<std::uint16_t>(tray->GetTrayId()) == search->tray_id) {
    search->found = true;
    *accepted = 1;
    return 0;
  }
  return 1;
}

}  // namespace

std::int32_t GDeviceSession::IsPaperSupported(std::uint32_t filter_id,
                                              std::uint16_t filter_x,
                                              std::uint16_t filter_y,
                                              std::uint16_t paper_id) {
  PaperSearch search{paper_id, false};
  std::uint32_t count = 0;
  EnumerateMedia(&StopAtPaper, &search, filter_id, filter_x, filter_y, true, &count);
  if (search.found) {
    return 1;
  }
  const GBaseObject* sizes = FindIn(EnsureJobAttributeGroup(), vel::key::kCustomMediaSizes);
  bool found = false;
  ForEachChild(sizes, [&](GBaseObject* child) {
    const auto* size = dynamic_cast<const GCustomMediaSize*>(child);
    if (size == nullptr) {
      return true;
    }
    auto id = static_cast<std::uint16_t>(size->GetMediaId());
    found = PaperIdFromDeviceMediaId(id) != 0 && id == paper_id;
    return !found;
  });
  return found ? 1 : 0;
}

std::int32_t GDeviceSession::GetFormRect(std::int32_t /*rotation*/,
                                         std::int16_t /*resolution_x*/,
                                         std::int16_t /*resolution_y*/,
                                         std::uint16_t /*paper_id*/) {
  return 0;
}

std::int32_t GDeviceSession::QueryPrinterInfo(std::uint32_t /*argument*/) {
  return 0;
}

std::int32_t GDeviceSession::IsTraySupported(std::uint16_t tray_id) {
  TraySearch search{tray_id, false};
  std::uint32_t count = 0;
  EnumerateTrays(&StopAtTray, &search, true, &count);
  return search.found ? 1 : 0;
}

std::int32_t GDeviceSession::IsModeSupported(std::int16_t x, std::int16_t y) {
  bool found = false;
  ForEachChild(FindIn(GetPrinterConfiguration(), vel::key::kSupportedModes),
               [&](GBaseObject* group) {
                 std::int32_t gx = 0;
                 std::int32_t gy = 0;
                 found = ReadValue(group->FindByKey(vel::key::kResolutionX), gx) &&
                         ReadValue(group->FindByKey(vel::key::kResolutionY), gy) &&
                         static_cast<std::int16_t>(gx) == x && static_cast<std::int16_t>(gy) == y;
                 return !found;
               });
  return found ? 1 : 0;
}

std::int32_t GDeviceSession::DeviceMediaIdFromPaperId(std::uint16_t& id) {
  const GResourceMapping* mapping =
      media_mappings_ != nullptr ? media_mappings_->FindByDevModeId(id) : nullptr;
  if (mapping == nullptr) {
    return 0;
  }
  id = static_cast<std::uint16_t>(mapping->GetItemId());
  return 1;
}

std::int32_t GDeviceSession::PaperIdFromDeviceMediaId(std::uint16_t& id) {
  const GResourceMapping* mapping =
      media_mappings_ != nullptr ? media_mappings_->FindByItemId(id) : nullptr;
  if (mapping == nullptr) {
    return 0;
  }
  id = mapping->GetDevModeId();
  return 1;
}

std::uint16_t GDeviceSession::GetDefaultPaperId() {
  GOSServices* services = GetOSServices();
  const std::unique_ptr<GLocaleInfo> locale(services != nullptr ? services->CreateLocaleInfo()
                                                                : nullptr);
  if (!locale) {
    return 1;
  }
  const std::int32_t c = locale->GetNumber(GLocaleInfo::kCountry);
  const bool letter = c < 3 || (c >= 50 && c <= 59) || (c >= 500 && c <= 599);
  return letter ? 1 : 23;
}

std::int32_t GDeviceSession::AddCustomMediaSize(GCustomMediaSize* size, GAttributeComposite* list) {
  if (size == nullptr || list == nullptr) {
    return 0;
  }
  // Which ids of the range are taken.
  std::vector<bool> taken(kLastCustomSizeId - kFirstCustomSizeId + 1, false);
  GCustomMediaSize* same_name = nullptr;
  bool listed = false;
  ForEachChild(list, [&](GBaseObject* child) {
    auto* other = dynamic_cast<GCustomMediaSize*>(child);
    if (other == nullptr) {
      return true;
    }
    const auto id = static_cast<std::uint16_t>(other->GetMediaId());
    if (id >= kFirstCustomSizeId && id <= kLastCustomSizeId) {
      taken[id - kFirstCustomSizeId] = true;
    }
    if (other == size) {
      listed = true;
    } else if (same_name == nullptr && other->GetName() == size->GetName()) {
      same_name = other;
    }
    return true;
  });
  std::uint32_t free_id = 0;
  for (std::uint32_t i = 0; i < taken.size(); ++i) {
    if (!taken[i]) {
      free_id = kFirstCustomSizeId + i;
      break;
    }
  }
  if (free_id == 0) {
    return 0;
  }
  size->SetMediaId(static_cast<std::int16_t>(free_id));
  size->SetEnabled(1);
  // A size that is already in the list is not its own namesake, and is not added twice.
  if (same_name != nullptr) {
    delete list->RemoveObject(same_name);
  }
  if (!listed) {
    list->Add(size);
  }
  return 1;
}

std::int32_t GDeviceSession::RemoveCustomMediaSize(GCustomMediaSize* size,
                                                   GAttributeComposite* list) {
  if (size == nullptr || list == nullptr) {
    return 0;
  }
  bool listed = false;
  ForEachChild(list, [&](GBaseObject* child) {
    listed = child == size;
    return !listed;
  });
  if (!listed) {
    return 0;
  }
  delete list->RemoveObject(size);
  return 1;
}

std::int32_t GDeviceSession::MapFormToMedia(FormCallback /*callback*/,
                                            void* /*context*/,
                                            GAttributeComposite* /*settings*/) {
  return 0;
}

std::uint16_t GDeviceSession::ClassifyPaper(GAttributeComposite* settings, std::uint16_t paper_id) {
  const GBaseObject* group = FindIn(settings, vel::key::kPageStartGroup);
  const auto orientation =
      static_cast<std::int16_t>(ValueOr(FindIn(settings, vel::key::kOrientation), 0));
  const auto y = static_cast<std::int16_t>(ValueOr(FindIn(group, vel::key::kResolutionY), 0));
  const auto x = static_cast<std::int16_t>(ValueOr(FindIn(group, vel::key::kResolutionX), 0));
  return GetPaperKind(settings, paper_id, orientation, y, x);
}

std::uint16_t GDeviceSession::GetPaperKind(GAttributeComposite* /*settings*/,
                                           std::uint16_t paper_id,
                                           std::int16_t /*orientation*/,
                                           std::int16_t /*resolution_y*/,
                                           std::int16_t /*resolution_x*/) {
  return paper_id >= kFirstCustomPaperId ? 2 : 1;
}

RWWString& GDeviceSession::GetConfigurationText(RWWString& out) {
  out = RWWString();
  if (const RWCString* text =
          StringOf(FindIn(GetPrinterConfiguration(), vel::key::kConfigurationText))) {
    WidenString(*text, out);
  }
  return out;
}

std::int32_t GDeviceSession::KeepsEmptyFontLists() {
  return 0;
}

void GDeviceSession::Reopen(const GPrinterKey& key) {
  SetNames(key.PrinterName(), key.DriverName(), key.PortName());
}

// ---------------------------------------------------------------------------------------------
// Saving and detected configurations

std::int32_t GDeviceSession::SaveToStore(std::uint32_t /*unused*/) {
  GConfiguration* configuration = GetPrinterConfiguration();
  if (configuration == nullptr) {
    return 0;
  }
  const std::unique_ptr<GStatusChannel> channel(
      GProviderRegistry::Instance().OpenStatusChannel(this, &port_name_, vel::kProviderStatus));
  if (!channel) {
    return 0;
  }
  return channel->Write(configuration, 1) == 0 ? 1 : 0;
}

std::int32_t GDeviceSession::ApplyDetectedConfiguration(GAttributeComposite* source) {
  GBaseObject* detected = source != nullptr ? source : EnsureJobAttributeGroup();
  if (detected != nullptr && detected->GetKey() != vel::key::kDetectedConfiguration) {
    detected = detected->FindByKey(vel::key::kDetectedConfiguration);
  }
  if (detected == nullptr) {
    return 0;
  }
  GConfiguration* printer_configuration = GetPrinterConfiguration();
  GBaseObject* device_group = FindIn(printer_configuration, vel::key::kDeviceGroup);
  // The language peripheral's own configuration (a composite's configuration is rebuilt from its
  // own one and its children's, so what is added must go into the own one).
  const GPeripheral* language = dynamic_cast<const GPeripheral*>(
      FindIn(GetPrinterPeripheral(), vel::key::kLanguagePeripheral));
  GBaseObject* language_configuration = nullptr;
  if (const auto* composite = dynamic_cast<const GPeripheralComposite*>(language)) {
    language_configuration = composite->OwnConfiguration();
  } else if (language != nullptr) {
    language_configuration = language->Configuration();
  }

  std::int32_t value = 0;
  // Memory: the language peripheral's range, or the device group's, which the language
  // peripheral then also gets.
  if (ReadValue(detected->FindByKey(vel::key::kDetectedMemory), value)) {
    GBaseObject* memory = FindIn(language_configuration, vel::key::kDeviceMemory);
    if (memory != nullptr) {
      WriteValue(memory, static_cast<std::uint16_t>(value));
    } else if ((memory = FindIn(device_group, vel::key::kDeviceMemory)) != nullptr) {
      WriteValue(memory, static_cast<std::uint16_t>(value));
      if (language_configuration != nullptr) {
        language_configuration->Add(static_cast<GBaseObject*>(memory->Clone()));
      }
    }
  }
  struct Copy {
    std::uint32_t from;
    std::uint32_t to;
  };
  for (const Copy copy : {Copy{vel::key::kDetectedValue308, vel::key::kDeviceValue204},
                          Copy{vel::key::kDeviceMakesCopies, vel::key::kDeviceCopiesFlag231}}) {
    GBaseObject* target = FindIn(device_group, copy.to);
    if (target != nullptr && ReadValue(detected->FindByKey(copy.from), value)) {
      WriteValue(target, static_cast<std::uint16_t>(value));
    }
  }
  if (GBaseObject* target = FindIn(device_group, vel::key::kDeviceFlag226);
      target != nullptr && ReadValue(detected->FindByKey(vel::key::kDetectedValue239), value)) {
    WriteValue(target, value == 1 ? 1 : 0);
  }
  if (GBaseObject* target = FindIn(language_configuration, vel::key::kDetectedValue317);
      target != nullptr && ReadValue(detected->FindByKey(vel::key::kDetectedValue317), value)) {
    WriteValue(target, static_cast<std::uint16_t>(value));
  }

  // The optional paper-handling devices.
  const RWCString* first_name = StringOf(detected->FindByKey(vel::key::kModeFirst));
  const RWCString* second_name = StringOf(detected->FindByKey(vel::key::kModeSecond));
  std::int32_t option = 0;
  const bool has_option = ReadValue(detected->FindByKey(vel::key::kDetectedOption), option);
  std::int32_t tray_flag = 0;
  const bool tray_five_installs =
      ReadValue(detected->FindByKey(vel::key::kDetectedTrayFlag), tray_flag) && tray_flag == 1;
  bool first_name_taken = false;
  bool tray_five_taken = false;
  ForEachChild(FindIn(device_group, vel::key::kPaperHandlingDevices), [&](GBaseObject* child) {
    auto* device = dynamic_cast<GPaperHandlingDevice*>(child);
    if (device == nullptr || device->IsOptional() == 0) {
      return true;
    }
    RWCString name;
    device->GetName(name);
    if (device->GetDeviceType() == 1) {
      const bool installed = second_name != nullptr && *second_name == name;
      device->SetInstalled(installed ? 1 : 0);
      std::uint16_t selected = 0;
      if (installed && has_option && DetectedOption(option, selected)) {
        device->SelectOption(selected);
      }
    } else if (device->GetDeviceType() == 0) {
      device->SetInstalled(0);
      if (!first_name_taken && first_name != nullptr && *first_name == name) {
        first_name_taken = true;
        device->SetInstalled(1);
      }
      const GTray* tray = FirstTray(*device);
      if (!tray_five_taken && tray != nullptr && tray->GetTrayId() == 5) {
        tray_five_taken = true;
        if (tray_five_installs) {
          device->SetInstalled(1);
        }
      }
    }
    return true;
  });
  return 1;
}

// ---------------------------------------------------------------------------------------------
// Owned objects

namespace {

std::string NameKey(const RWCString& name) {
  return std::string(name.Data(), name.Length());
}

}  // namespace

void GDeviceSession::SetOwnedObject(const RWCString& name, GBaseObject* object) {
  if (object == nullptr) {
    RemoveOwnedObject(name);
    return;
  }
  for (auto& entry : owned_) {
    if (entry.first == NameKey(name)) {
      Replace(entry.second, object);
      return;
    }
  }
  owned_.emplace_back(NameKey(name), object);
}

void GDeviceSession::RemoveOwnedObject(const RWCString& name) {
  for (auto it = owned_.begin(); it != owned_.end(); ++it) {
    if (it->first == NameKey(name)) {
      delete it->second;
      owned_.erase(it);
      return;
    }
  }
}

void GDeviceSession::DeleteOwnedObjects() {
  std::vector<std::pair<std::string, GBaseObject*>> owned;
  owned.swap(owned_);
  for (auto& entry : owned) {
    delete entry.second;
  }
}

GBaseObject* GDeviceSession::FindOwnedObject(const RWCString& name) const {
  for (const auto& entry : owned_) {
    if (entry.first == NameKey(name)) {
      return entry.second;
    }
  }
  return nullptr;
}
