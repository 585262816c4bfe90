// Open-addressing table of record offsets: linear probing, at most half full, and deletion by
// moving later entries of a run back so that no probe ever meets a hole inside its run.
#include "framework/core/RecordOffsets.h"

#include <new>

namespace {

constexpr std::size_t kFirstCapacity = 64;

}  // namespace

bool RecordOffsets::SerialOfName(std::string_view name, std::uint32_t* serial) {
  // One to eight digits, the first not 0 unless it is the only one.
  if (name.empty() || name.size() > 8 || (name[0] == '0' && name.size() > 1)) {
    return false;
  }
  std::uint32_t value = 0;
  for (const char c : name) {
    std::uint32_t digit = 0;
    if (c >= '0' && c <= '9') {
      digit = static_cast<std::uint32_t>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      digit = static_cast<std::uint32_t>(c - 'a' + 10);
    } else {
      return false;
    }
    value = value * 16 + digit;
  }
  *serial = value;
  return true;
}

std::size_t RecordOffsets::Mixed(std::uint32_t serial) {
  // The low bits of serial numbers that cluster vary too little: mixed through every bit.
  std::uint64_t hash = serial;
  hash = (hash ^ (hash >> 30)) * 0xbf58476d1ce4e5b9u;
  hash = (hash ^ (hash >> 27)) * 0x94d049bb133111ebu;
  return static_cast<std::size_t>(hash ^ (hash >> 31));
}

std::size_t RecordOffsets::Probe(std::uint32_t serial, std::size_t* steps) const {
  const std::size_t mask = capacity_ - 1;
  std::size_t count = 0;
  for (std::size_t at = Hash(serial) & mask;; at = (at + 1) & mask, ++count) {
    const Slot& slot = slots_[at];
    if (!slot.used || slot.serial == serial) {
      if (steps != nullptr) {
        *steps = count;
      }
      return at;
    }
  }
}

const std::int32_t* RecordOffsets::Find(std::uint32_t serial) const {
  if (count_ == 0) {
    return nullptr;
  }
  const Slot& slot = slots_[Probe(serial, nullptr)];
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
      slots_[Probe(old[i].serial, nullptr)] = old[i];
    }
  }
  return true;
}

bool RecordOffsets::Set(std::uint32_t serial, std::int32_t offset) {
  if (2 * (count_ + 1) > capacity_ &&
      !Grow(capacity_ == 0 ? kFirstCapacity : 2 * capacity_)) {
    return false;
  }
  std::size_t steps = 0;
  std::size_t at = Probe(serial, &steps);
  if (!slots_[at].used && steps > kLongRun && !mixed_) {
    // A long run: the serial numbers cluster. Placed again by mixed hashes.
    mixed_ = true;
    if (!Grow(capacity_)) {
      mixed_ = false;
      return false;
    }
    at = Probe(serial, nullptr);
  }
  Slot& slot = slots_[at];
  if (!slot.used) {
    slot.serial = serial;
    slot.used = true;
    ++count_;
  }
  slot.offset = offset;
  return true;
}

bool RecordOffsets::Erase(std::uint32_t serial) {
  if (count_ == 0) {
    return false;
  }
  const std::size_t mask = capacity_ - 1;
  std::size_t hole = Probe(serial, nullptr);
  if (!slots_[hole].used) {
    return false;
  }
  slots_[hole].used = false;
  --count_;
  // Later entries of the run whose home lies at or before the hole (cyclically) move into it.
  for (std::size_t at = (hole + 1) & mask; slots_[at].used; at = (at + 1) & mask) {
    const std::size_t home = Hash(slots_[at].serial) & mask;
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
