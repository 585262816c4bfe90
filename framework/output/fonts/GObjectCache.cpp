// GObjectCache.
#include "framework/output/fonts/GObjectCache.h"

#include <new>
#include <type_traits>
#include <vector>

#include "framework/core/GBaseObject.h"
#include "framework/core/GPersistableLong.h"
#include "framework/core/StoredFields.h"
#include "framework/pipeline/HeldRecord.h"
#include "rw/RWBTreeDictionary.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"
#include "rw/rwstore.h"

namespace {

bool CarrierFailed(const RWVirtualOutStream& stream) {
  return stream.Good() == 0;
}

bool CarrierFailed(const RWBinaryFile& file) {
  return file.Error();
}

struct Entry {
  std::uint32_t key;
  RWCollectable* value;
};

std::vector<Entry> Entries(const RWBTreeDictionary& dictionary) {
  std::vector<Entry> entries;
  dictionary.ApplyToKeyAndValue(
      [](RWCollectable* key, RWCollectable* value, void* data) {
        static_cast<std::vector<Entry>*>(data)->push_back(
            {static_cast<GPersistableULong*>(key)->GetValue(), value});
      },
      &entries);
  return entries;
}

}  // namespace

GObjectCache::GObjectCache(GObjectCacheCallback callback, RWClassID value_kind)
    : callback_(callback),
      value_kind_(value_kind),
      dictionary_(new (std::nothrow) RWBTreeDictionary) {}

GObjectCache::~GObjectCache() {
  if (dictionary_ != nullptr) {
    dictionary_->ClearAndDestroy();
    delete dictionary_;
  }
}

int GObjectCache::Insert(std::uint32_t key, RWCollectable* value) {
  if (dictionary_ == nullptr || value == nullptr || Find(key) != nullptr) {
    return 0;
  }
  auto* key_object = new (std::nothrow) GPersistableULong(key);
  if (key_object == nullptr) {
    return 0;
  }
  if (dictionary_->InsertKeyAndValue(key_object, value) == nullptr) {
    delete key_object;
    return 0;
  }
  return 1;
}

RWCollectable* GObjectCache::Remove(std::uint32_t key) {
  if (dictionary_ == nullptr) {
    return nullptr;
  }
  const GPersistableULong probe(key);
  RWCollectable* value = nullptr;
  RWCollectable* stored_key = dictionary_->RemoveKeyAndValue(&probe, value);
  delete stored_key;
  return value;
}

RWCollectable* GObjectCache::Find(std::uint32_t key) const {
  if (dictionary_ == nullptr) {
    return nullptr;
  }
  const GPersistableULong probe(key);
  return dictionary_->FindValue(&probe);
}

std::uint32_t GObjectCache::Count() const {
  return dictionary_ == nullptr ? 0 : static_cast<std::uint32_t>(dictionary_->Entries());
}

std::uint32_t GObjectCache::Keys(std::uint32_t*& keys) const {
  keys = nullptr;
  if (dictionary_ == nullptr) {
    return 0;
  }
  const std::vector<Entry> entries = Entries(*dictionary_);
  keys = new (std::nothrow) std::uint32_t[entries.size() + 1];
  if (keys == nullptr) {
    return 0;
  }
  for (std::size_t i = 0; i < entries.size(); ++i) {
    keys[i] = entries[i].key;
  }
  return static_cast<std::uint32_t>(entries.size());
}

void GObjectCache::Apply(void (*function)(std::uint32_t key, RWCollectable* value, void* data),
                         void* data) const {
  if (dictionary_ == nullptr) {
    return;
  }
  for (const Entry& entry : Entries(*dictionary_)) {
    function(entry.key, entry.value, data);
  }
}

template <typename Carrier>
int GObjectCache::SaveTo(Carrier& carrier, GObjectCacheFilter filter, void* user_data) const {
  const std::vector<Entry> entries =
      dictionary_ != nullptr ? Entries(*dictionary_) : std::vector<Entry>{};
  std::uint32_t count = 0;
  for (const Entry& entry : entries) {
    if (filter == nullptr || filter(entry.value, 0, user_data) == 1) {
      ++count;
    }
  }
  RWSaveTableScope scope(RWSaveTable::Purpose::kSave);
  vel::WriteField(carrier, count);
  // The count is written before the entries, and the filter is asked again for each: an entry
  // refused now is skipped, and the write never goes past the count. Entries that the count
  // promised and the filter no longer passes are written as the nil object (key 0xFFFFFFFF), which
  // a restore passes over, so the count always matches what follows.
  std::uint32_t written = 0;
  for (const Entry& entry : entries) {
    if (written == count || (std::is_same_v<Carrier, RWBinaryFile> && CarrierFailed(carrier))) {
      break;
    }
    if (filter != nullptr && filter(entry.value, 1, user_data) != 1) {
      continue;
    }
    vel::WriteField(carrier, entry.key);
    carrier << entry.value;
    ++written;
    if (filter != nullptr) {
      (void)filter(entry.value, 2, user_data);
    }
  }
  for (; written < count; ++written) {
    vel::WriteField(carrier, std::uint32_t{0xFFFFFFFF});
    carrier << static_cast<const RWCollectable*>(nullptr);
  }
  if constexpr (std::is_same_v<Carrier, RWBinaryFile>) {
    return CarrierFailed(carrier) ? 0 : 1;
  }
  return 1;
}

int GObjectCache::Save(RWVirtualOutStream& stream, GObjectCacheFilter filter,
                       void* user_data) const {
  return SaveTo(stream, filter, user_data);
}

int GObjectCache::Save(RWBinaryFile& file, GObjectCacheFilter filter, void* user_data) const {
  return SaveTo(file, filter, user_data);
}

void GObjectCache::Merge(std::uint32_t key, RWCollectable* value) {
  RWCollectable* held = Find(key);
  if (held == nullptr) {
    if (Insert(key, value) == 0) {
      delete value;
      return;
    }
    if (callback_ != nullptr) {
      (void)callback_(value, nullptr, 3);
    }
    return;
  }
  if (callback_ == nullptr || callback_(value, held, 5) == 1) {
    delete Remove(key);
    if (Insert(key, value) == 0) {
      delete value;
    }
    return;
  }
  delete value;
}

template <typename Carrier>
int GObjectCache::RestoreFrom(Carrier& carrier) {
  // One restore for all entries, so that references between them resolve.
  RWLoadTableScope scope;
  std::uint32_t count = 0;
  if (!vel::ReadField(carrier, count)) {
    return 0;
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint32_t key = 0;
    if (!vel::ReadField(carrier, key)) {
      return 0;
    }
    GBaseObject* value = nullptr;
    if (!vel::RestoreOwnedRecord(carrier, value_kind_, value)) {
      return 0;
    }
    if (value != nullptr) {
      Merge(key, value);
    }
  }
  return 1;
}

int GObjectCache::Restore(RWVirtualInStream& stream) {
  return RestoreFrom(stream);
}

int GObjectCache::Restore(RWBinaryFile& file) {
  return RestoreFrom(file);
}

void GObjectCache::Purge() {
  if (dictionary_ == nullptr || callback_ == nullptr) {
    return;
  }
  std::vector<std::uint32_t> doomed;
  for (const Entry& entry : Entries(*dictionary_)) {
    if (callback_(nullptr, entry.value, 1) == 1) {
      doomed.push_back(entry.key);
    }
  }
  for (std::uint32_t key : doomed) {
    delete Remove(key);
  }
}
