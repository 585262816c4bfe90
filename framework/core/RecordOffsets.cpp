// Open-addressing table of record offsets: linear probing, at most half full, and deletion by
// moving later entries of a run back so that no probe ever meets a hole inside its run.
#include "framework/core/RecordOffsets.h"

#include <cstring>
#include <new>

namespace {

constexpr std::size_t kFirstCapacity = 64;

}  // namespace

std::size_t RecordOffsets::Hash(std::string_view name) const {
  if (!mixed_ && !name.empty() && name.size() <= 8) {
    // The store's names are serial numbers in hexadecimal, mostly made one after another: as
    // their number they land in neighbouring slots, so a run of them shares cache lines. Names
    // that cluster (a record file made to) switch the table to mixed hashing (see Set).
    std::size_t value = 0;
    bool hex = true;
    for (const char c : name) {
      const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
      hex = hex && digit >= 0;
      value = value * 16 + static_cast<std::size_t>(digit < 0 ? 0 : digit);
    }
    if (hex) {
      return value;
    }
  }
  return Mixed(name);
}

std::size_t RecordOffsets::Mixed(std::string_view name) {
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

std::size_t RecordOffsets::Probe(std::string_view name, std::size_t* steps) const {
  const std::size_t mask = capacity_ - 1;
  std::size_t count = 0;
  for (std::size_t at = Hash(name) & mask;; at = (at + 1) & mask, ++count) {
    const Slot& slot = slots_[at];
    if (!slot.used || (slot.length == name.size() &&
                       std::memcmp(slot.name, name.data(), name.size()) == 0)) {
      if (steps != nullptr) {
        *steps = count;
      }
      return at;
    }
  }
}

const std::int32_t* RecordOffsets::Find(std::string_view name) const {
  if (count_ == 0 || name.size() > kMaxName) {
    return nullptr;
  }
  const Slot& slot = slots_[Probe(name, nullptr)];
  return slot.used ? &slot.offset : nullptr;
}

bool RecordOffsets::Grow(std::size_t capacity) {
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
      slots_[Probe(std::string_view(old[i].name, old[i].length), nullptr)] = old[i];
    }
  }
  return true;
}

bool RecordOffsets::Set(std::string_view name, std::int32_t offset) {
  if (name.size() > kMaxName) {
    return false;
  }
  if (2 * (count_ + 1) > capacity_ &&
      !Grow(capacity_ == 0 ? kFirstCapacity : 2 * capacity_)) {
    return false;
  }
  std::size_t steps = 0;
  std::size_t at = Probe(name, &steps);
  if (!slots_[at].used && steps > kLongRun && !mixed_) {
    // A long run: the names cluster under plain numbering. Placed again by mixed hashes.
    mixed_ = true;
    if (!Grow(capacity_)) {
      mixed_ = false;
      return false;
    }
    at = Probe(name, nullptr);
  }
  Slot& slot = slots_[at];
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
  std::size_t hole = Probe(name, nullptr);
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

void RecordOffsets::Reserve(std::size_t count) {
  std::size_t capacity = capacity_ == 0 ? kFirstCapacity : capacity_;
  while (capacity / 2 < count && capacity < (std::size_t{1} << 30)) {
    capacity *= 2;
  }
  if (capacity != capacity_) {
    (void)Grow(capacity);
  }
}

void RecordOffsets::Clear() {
  slots_.reset();
  capacity_ = 0;
  count_ = 0;
  mixed_ = false;
}
