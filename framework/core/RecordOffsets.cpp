// Open-addressing table of record offsets: linear probing, at most half full, and deletion by
// moving later entries of a run back so that no probe ever meets a hole inside its run.
#include "framework/core/RecordOffsets.h"

#include <cstring>
#include <new>

namespace {

constexpr std::size_t kFirstCapacity = 64;

}  // namespace

std::size_t RecordOffsets::Hash(std::string_view name) {
  // FNV-1a over the bytes, then mixed (the low bits of FNV-1a alone vary too little between
  // names that differ in one hexadecimal digit, and the table takes the low bits).
  std::uint64_t hash = 0xcbf29ce484222325u;
  for (const char c : name) {
    hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3u;
  }
  hash = (hash ^ (hash >> 30)) * 0xbf58476d1ce4e5b9u;
  hash = (hash ^ (hash >> 27)) * 0x94d049bb133111ebu;
  return static_cast<std::size_t>(hash ^ (hash >> 31));
}

std::size_t RecordOffsets::Probe(std::string_view name) const {
  const std::size_t mask = capacity_ - 1;
  for (std::size_t at = Hash(name) & mask;; at = (at + 1) & mask) {
    const Slot& slot = slots_[at];
    if (!slot.used || (slot.length == name.size() &&
                       std::memcmp(slot.name, name.data(), name.size()) == 0)) {
      return at;
    }
  }
}

const std::int32_t* RecordOffsets::Find(std::string_view name) const {
  if (count_ == 0 || name.size() > kMaxName) {
    return nullptr;
  }
  const Slot& slot = slots_[Probe(name)];
  return slot.used ? &slot.offset : nullptr;
}

bool RecordOffsets::Grow() {
  const std::size_t capacity = capacity_ == 0 ? kFirstCapacity : 2 * capacity_;
  std::unique_ptr<Slot[]> slots(new (std::nothrow) Slot[capacity]);
  if (slots == nullptr) {
    return false;
  }
  for (std::size_t i = 0; i < capacity; ++i) {
    slots[i].used = false;
  }
  std::unique_ptr<Slot[]> old = std::move(slots_);
  const std::size_t old_capacity = capacity_;
  slots_ = std::move(slots);
  capacity_ = capacity;
  for (std::size_t i = 0; i < old_capacity; ++i) {
    if (old[i].used) {
      slots_[Probe(std::string_view(old[i].name, old[i].length))] = old[i];
    }
  }
  return true;
}

bool RecordOffsets::Set(std::string_view name, std::int32_t offset) {
  if (name.size() > kMaxName) {
    return false;
  }
  if (2 * (count_ + 1) > capacity_ && !Grow()) {
    return false;
  }
  Slot& slot = slots_[Probe(name)];
  if (!slot.used) {
    std::memcpy(slot.name, name.data(), name.size());
    slot.length = static_cast<std::uint8_t>(name.size());
    slot.used = true;
    ++count_;
  }
  slot.offset = offset;
  return true;
}

bool RecordOffsets::Erase(std::string_view name) {
  if (count_ == 0 || name.size() > kMaxName) {
    return false;
  }
  const std::size_t mask = capacity_ - 1;
  std::size_t hole = Probe(name);
  if (!slots_[hole].used) {
    return false;
  }
  slots_[hole].used = false;
  --count_;
  // Later entries of the run whose home lies at or before the hole (cyclically) move into it.
  for (std::size_t at = (hole + 1) & mask; slots_[at].used; at = (at + 1) & mask) {
    const std::size_t home =
        Hash(std::string_view(slots_[at].name, slots_[at].length)) & mask;
    if (((at - home) & mask) >= ((at - hole) & mask)) {
      slots_[hole] = slots_[at];
      slots_[at].used = false;
      hole = at;
    }
  }
  return true;
}

void RecordOffsets::Clear() {
  slots_.reset();
  capacity_ = 0;
  count_ = 0;
}
