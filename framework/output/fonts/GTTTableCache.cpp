// GTTTableCache.
#include "framework/output/fonts/GTTTableCache.h"

#include <cstring>
#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/StoredBytes.h"
#include "framework/core/StoredFields.h"
#include "framework/output/fonts/GMemoryBlock.h"

GTTTableCache::~GTTTableCache() {
  FreeSlots();
}

void GTTTableCache::FreeSlots() {
  for (Slot& slot : slots_) {
    delete[] slot.data;
    slot = Slot{};
  }
  count_ = 0;
}

RWClassID GTTTableCache::ClassId() {
  return vel::classid::kGTTTableCache;
}

RWCollectable* GTTTableCache::Create() {
  return new (std::nothrow) GTTTableCache;
}

RWCollectable* GTTTableCache::CreateInstance() const {
  return Create();
}

RWCollectable* GTTTableCache::Clone() const {
  return new (std::nothrow) GTTTableCache(*this);
}

RWClassID GTTTableCache::IsA() const {
  return ClassId();
}

bool GTTTableCache::IsKindOf(RWClassID id) const {
  return id == ClassId() || GBaseObject::IsKindOf(id);
}

int GTTTableCache::SetTable(std::uint32_t index, GMemoryBlock* block) {
  if (block == nullptr) {
    return 0;
  }
  if (index >= kSlots) {
    delete block;
    return 0;
  }
  const std::uint32_t size = block->GetSize();
  std::uint8_t* data = size == 0 ? nullptr : block->TakeData();
  delete block;
  if (size != 0 && data == nullptr) {
    return 0;
  }
  Slot& slot = slots_[index];
  const bool was_loaded = slot.loaded;
  delete[] slot.data;
  slot.loaded = true;
  slot.size = size;
  slot.data = data;
  if (was_loaded) {
    return 0;
  }
  ++count_;
  return 1;
}

GMemoryBlock* GTTTableCache::GetTable(std::uint32_t index) const {
  if (!IsLoaded(index)) {
    return nullptr;
  }
  const Slot& slot = slots_[index];
  if (slot.size == 0) {
    return new (std::nothrow) GMemoryBlock(nullptr, 0, true);
  }
  return new (std::nothrow) GMemoryBlock(slot.data, slot.size, false);
}

std::uint32_t GTTTableCache::Absorb(GTTTableCache& other) {
  if (&other == this) {
    return 0;
  }
  std::uint32_t moved = 0;
  for (std::uint32_t i = 0; i < kSlots; ++i) {
    if (!other.slots_[i].loaded || slots_[i].loaded) {
      continue;
    }
    slots_[i] = other.slots_[i];
    other.slots_[i] = Slot{};
    --other.count_;
    ++count_;
    ++moved;
  }
  return moved;
}

bool GTTTableCache::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA() || !GBaseObject::IsSameKey(other)) {
    return false;
  }
  const auto* that = static_cast<const GTTTableCache*>(other);
  for (std::uint32_t i = 0; i < kSlots; ++i) {
    const Slot& a = slots_[i];
    const Slot& b = that->slots_[i];
    if (a.loaded != b.loaded || a.size != b.size ||
        (a.size != 0 && std::memcmp(a.data, b.data, a.size) != 0)) {
      return false;
    }
  }
  return true;
}

std::uint32_t GTTTableCache::StoredByteCount() const {
  std::uint32_t size = GBaseObject::StoredByteCount() + 9 + 4 * kSlots;
  for (const Slot& slot : slots_) {
    if (slot.loaded) {
      size += 4 + slot.size;
    }
  }
  return size;
}

template <typename Carrier>
void GTTTableCache::Save(Carrier& carrier) const {
  GBaseObject::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteByte(carrier, static_cast<std::uint8_t>(kSlots));
  vel::WriteField(carrier, count_);
  for (const Slot& slot : slots_) {
    vel::WriteField(carrier, static_cast<std::int32_t>(slot.loaded ? 1 : 0));
    if (slot.loaded) {
      vel::WriteField(carrier, slot.size);
      vel::WriteBytes(carrier, slot.data, slot.size);
    }
  }
}

template <typename Carrier>
void GTTTableCache::Restore(Carrier& carrier) {
  GBaseObject::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  std::uint8_t slot_count = 0;
  std::uint32_t stored_count = 0;
  if (!vel::ReadByte(carrier, slot_count) || !vel::ReadField(carrier, stored_count) ||
      slot_count > kSlots) {
    vel::FailCarrier(carrier);
    return;
  }
  // The slots are read aside and take the cache's place only when all of them could be read.
  Slot read[kSlots];
  auto discard = [&read] {
    for (Slot& slot : read) {
      delete[] slot.data;
    }
  };
  std::uint32_t loaded = 0;
  for (std::uint32_t i = 0; i < slot_count; ++i) {
    std::int32_t state = 0;
    if (!vel::ReadField(carrier, state)) {
      discard();
      vel::FailCarrier(carrier);
      return;
    }
    if (state != 1) {
      continue;
    }
    std::uint32_t size = 0;
    if (!vel::ReadField(carrier, size)) {
      discard();
      vel::FailCarrier(carrier);
      return;
    }
    std::uint8_t* data = nullptr;
    const vel::StoredBytesResult result = vel::ReadStoredBytes(carrier, size, data);
    if (result == vel::StoredBytesResult::kFailed) {
      discard();
      return;
    }
    if (result == vel::StoredBytesResult::kNoMemory) {
      continue;  // the table is read again from the font when it is needed
    }
    read[i] = Slot{true, size, data};
    ++loaded;
  }
  FreeSlots();
  for (std::uint32_t i = 0; i < kSlots; ++i) {
    slots_[i] = read[i];
  }
  // The count is what was read, whatever the stored word said.
  count_ = loaded;
}

void GTTTableCache::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GTTTableCache::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GTTTableCache::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GTTTableCache::SaveContents(RWBinaryFile& file) const {
  Save(file);
}
