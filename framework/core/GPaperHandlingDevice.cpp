// GPaperHandlingDevice.
#include "framework/core/GPaperHandlingDevice.h"

#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GIterator.h"
#include "framework/core/StoredFields.h"
#include "framework/core/StoredStrings.h"
#include "rw/rwstore.h"

GPaperHandlingDevice::GPaperHandlingDevice() {
  MakeBuckets(kDefaultBuckets);
}

GPaperHandlingDevice::GPaperHandlingDevice(const char* name,
                                           std::int32_t device_type,
                                           std::int32_t optional,
                                           std::int32_t installed,
                                           std::uint32_t key)
    : GAttribute(key),
      name_(name != nullptr ? RWCString(name) : RWCString()),
      device_type_(device_type),
      optional_(optional),
      installed_(optional == 0 ? 1 : installed) {
  MakeBuckets(kDefaultBuckets);
}

GPaperHandlingDevice::GPaperHandlingDevice(const GPaperHandlingDevice& other)
    : GAttribute(other),
      name_(other.name_),
      device_type_(other.device_type_),
      optional_(other.optional_),
      installed_(other.installed_),
      selected_(other.selected_) {
  MakeBuckets(other.bucket_count_);
  other.ForEachOption(
      [this](std::uint16_t id, GBaseObject* option) { (void)Put(id, GCountedPtr(option)); });
}

GPaperHandlingDevice::~GPaperHandlingDevice() {
  Empty();
  delete[] buckets_;
}

void GPaperHandlingDevice::MakeBuckets(std::uint32_t count) {
  buckets_ = count != 0 ? new (std::nothrow) Entry*[count]() : nullptr;
  bucket_count_ = buckets_ != nullptr ? count : 0;
}

void GPaperHandlingDevice::Empty() {
  for (std::uint32_t b = 0; b < bucket_count_; ++b) {
    Entry* entry = buckets_[b];
    buckets_[b] = nullptr;
    while (entry != nullptr) {
      Entry* next = entry->next;
      delete entry;  // drops the reference
      entry = next;
    }
  }
  count_ = 0;
}

GPaperHandlingDevice::Entry* GPaperHandlingDevice::Find(std::uint16_t id) const {
  if (bucket_count_ == 0) {
    return nullptr;
  }
  for (Entry* entry = buckets_[id % bucket_count_]; entry != nullptr; entry = entry->next) {
    if (entry->id == id) {
      return entry;
    }
  }
  return nullptr;
}

bool GPaperHandlingDevice::Put(std::uint16_t id, const GCountedPtr& reference) {
  if (Entry* entry = Find(id); entry != nullptr) {
    entry->option = reference;
    return true;
  }
  if (bucket_count_ == 0) {
    return false;
  }
  auto* added = new (std::nothrow) Entry{id, reference, nullptr};
  if (added == nullptr) {
    return false;
  }
  Entry** link = &buckets_[id % bucket_count_];
  while (*link != nullptr) {
    link = &(*link)->next;
  }
  *link = added;
  ++count_;
  return true;
}

RWClassID GPaperHandlingDevice::ClassId() {
  return vel::classid::kGPaperHandlingDevice;
}

RWCollectable* GPaperHandlingDevice::Create() {
  return new (std::nothrow) GPaperHandlingDevice;
}

RWCollectable* GPaperHandlingDevice::CreateInstance() const {
  return Create();
}

RWCollectable* GPaperHandlingDevice::Clone() const {
  return new (std::nothrow) GPaperHandlingDevice(*this);
}

RWClassID GPaperHandlingDevice::IsA() const {
  return ClassId();
}

bool GPaperHandlingDevice::IsKindOf(RWClassID id) const {
  return id == ClassId() || GAttribute::IsKindOf(id);
}

RWCString& GPaperHandlingDevice::GetName(RWCString& name) const {
  name = name_;
  return name;
}

void GPaperHandlingDevice::SetOptional(std::int32_t optional) {
  optional_ = optional;
  if (optional == 0) {
    installed_ = 1;
  }
}

int GPaperHandlingDevice::SetInstalled(std::int32_t installed) {
  if (optional_ != 1) {
    return 0;
  }
  installed_ = installed;
  return 1;
}

bool GPaperHandlingDevice::HasOption(std::uint16_t id) const {
  return Find(id) != nullptr;
}

GBaseObject* GPaperHandlingDevice::GetOption(std::uint16_t id) const {
  const Entry* entry = Find(id);
  return entry != nullptr ? entry->option.Get() : nullptr;
}

int GPaperHandlingDevice::SelectOption(std::uint16_t id) {
  if (Find(id) == nullptr) {
    return 0;
  }
  selected_ = id;
  return 1;
}

int GPaperHandlingDevice::AddOption(std::uint16_t id, GBaseObject* object) {
  if (object == nullptr) {
    return 0;
  }
  // The reference is taken before an entry of the same id lets go of its object, which may be
  // this one; when the entry cannot be made, dropping the reference refuses the object.
  return AddOption(id, GCountedPtr(object));
}

int GPaperHandlingDevice::AddOption(std::uint16_t id, const GCountedPtr& reference) {
  if (!reference) {
    return 0;
  }
  if (!Put(id, reference)) {
    return 0;
  }
  if (selected_ == 0) {
    selected_ = id;
  }
  return 1;
}

GBaseObject* GPaperHandlingDevice::RemoveOption(std::uint16_t id) {
  if (bucket_count_ == 0) {
    return nullptr;
  }
  Entry** link = &buckets_[id % bucket_count_];
  while (*link != nullptr && (*link)->id != id) {
    link = &(*link)->next;
  }
  Entry* entry = *link;
  if (entry == nullptr) {
    return nullptr;
  }
  *link = entry->next;
  --count_;
  GBaseObject* object = entry->option.Release();
  delete entry;
  GBaseObject* result = object;
  if (object != nullptr && object->References() >= 0) {
    // Others still hold it: the caller gets a copy of its own.
    result = static_cast<GBaseObject*>(object->Clone());
  }
  if (id == selected_) {
    selected_ = 0;
    ForEachOption([this](std::uint16_t option_id, GBaseObject* option) {
      if (selected_ == 0 && option != nullptr) {
        selected_ = option_id;
      }
    });
  }
  return result;
}

std::uint32_t GPaperHandlingDevice::GetSelectedOptionCount() const {
  const GBaseObject* option = selected_ != 0 ? GetOption(selected_) : nullptr;
  return option != nullptr ? option->Count() : 0;
}

std::uint32_t GPaperHandlingDevice::GetSmallestOptionCount() const {
  std::uint32_t smallest = 0;
  ForEachOption([&smallest](std::uint16_t /*id*/, GBaseObject* option) {
    const std::uint32_t count = option != nullptr ? option->Count() : 0;
    if (count != 0 && (smallest == 0 || count < smallest)) {
      smallest = count;
    }
  });
  return smallest;
}

GIterator* GPaperHandlingDevice::CreateIterator() const {
  const GBaseObject* option = selected_ != 0 ? GetOption(selected_) : nullptr;
  if (option != nullptr) {
    return option->CreateIterator();
  }
  return new (std::nothrow) GNullIterator;
}

std::uint32_t GPaperHandlingDevice::StoredByteCount() const {
  // One size pass, so an option shared by two entries counts as a reference the second time.
  RWSaveTableScope scope(RWSaveTable::Purpose::kSize);
  std::uint32_t size =
      GAttribute::StoredByteCount() + 26 + static_cast<std::uint32_t>(name_.Length());
  ForEachOption([&size](std::uint16_t /*id*/, GBaseObject* option) {
    size += 2 + RWTotalStoredSize(option);
  });
  return size;
}

template <typename Carrier>
void GPaperHandlingDevice::Save(Carrier& carrier) const {
  RWSaveTableScope scope(RWSaveTable::Purpose::kSave);
  GAttribute::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteString(carrier, name_);
  vel::WriteField(carrier, device_type_);
  vel::WriteField(carrier, optional_);
  vel::WriteField(carrier, installed_);
  vel::WriteField(carrier, selected_);
  vel::WriteField(carrier, count_);
  ForEachOption([&carrier](std::uint16_t id, GBaseObject* option) {
    vel::WriteField(carrier, id);
    carrier << static_cast<const RWCollectable*>(option);
  });
}

void GPaperHandlingDevice::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GPaperHandlingDevice::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GPaperHandlingDevice::Restore(Carrier& carrier) {
  RWLoadTableScope scope;  // one restore for every record, as the save shares one table
  GAttribute::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  Empty();
  std::uint32_t count = 0;
  const bool good = vel::ReadString(carrier, name_) && vel::ReadField(carrier, device_type_) &&
                    vel::ReadField(carrier, optional_) && vel::ReadField(carrier, installed_) &&
                    vel::ReadField(carrier, selected_) && vel::ReadField(carrier, count);
  if (!good) {
    vel::FailCarrier(carrier);
    return;
  }
  // Entries are read one at a time: a count beyond the data fails at the first missing entry,
  // and a failed restore lets go of what it had read.
  if (!RestoreEntries(carrier, count)) {
    Empty();
    vel::FailCarrier(carrier);
  }
}

template <typename Carrier>
bool GPaperHandlingDevice::RestoreEntries(Carrier& carrier, std::uint32_t count) {
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint16_t id = 0;
    if (!vel::ReadField(carrier, id)) {
      return false;
    }
    RWRestoredMember member(carrier, nullptr);
    RWCollectable* object = member.Object();
    if (!vel::CarrierGood(carrier) ||
        (object != nullptr && !GBaseObject::IsFrameworkObject(object)) ||
        member.NamesOpenRecord()) {
      member.Keep(RWHold::kRefuses);
      return false;
    }
    if (object == nullptr) {
      member.Keep(RWHold::kRefuses);  // the table holds no empty references
      continue;
    }
    member.Keep(member.IsNew() ? RWHold::kOwns : RWHold::kHolds);
    if (!Put(id, GCountedPtr(static_cast<GBaseObject*>(object)))) {
      return false;
    }
  }
  return true;
}

void GPaperHandlingDevice::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GPaperHandlingDevice::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GPaperHandlingDevice::ForgetRestoredMembers() {
  Empty();
}

bool GPaperHandlingDevice::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA() || !GAttribute::IsSameKey(other)) {
    return false;
  }
  const auto& device = static_cast<const GPaperHandlingDevice&>(*other);
  return name_ == device.name_ && device_type_ == device.device_type_ &&
         optional_ == device.optional_ && installed_ == device.installed_ &&
         selected_ == device.selected_ && count_ == device.count_;
}

std::uint16_t GPaperHandlingDevice::Accept(GTypedHandlers& /*handlers*/) {
  return 1;
}
