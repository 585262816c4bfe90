// Identity-based defaults of the collectable base.
#include "rw/RWCollectable.h"

#include <cstdint>
#include <new>

#include "rw/RWStaticLock.h"

namespace {

RWStaticLock g_lock;
std::uint32_t g_next_string_class = 0;

}  // namespace

RWCollectable* RWCollectable::CreateInstance() const {
  return new (std::nothrow) RWCollectable;
}

RWCollectable* RWCollectable::Create() {
  return new (std::nothrow) RWCollectable;
}

RWCollectable* RWCollectable::Clone() const {
  return new (std::nothrow) RWCollectable(*this);
}

RWClassID RWCollectable::IsA() const {
  return kRWCollectableClassId;
}

std::uint32_t RWCollectable::StoredByteCount() const {
  return 0;
}

int RWCollectable::Compare(const RWCollectable* other) const {
  if (this == other) {
    return 0;
  }
  return reinterpret_cast<std::uintptr_t>(this) > reinterpret_cast<std::uintptr_t>(other) ? 1 : -1;
}

std::uint32_t RWCollectable::FoldAddress(const void* address) {
  const auto bits = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(address));
  return static_cast<std::uint32_t>(bits) ^ static_cast<std::uint32_t>(bits >> 32);
}

std::uint32_t RWCollectable::Hash() const {
  const std::uint32_t a = FoldAddress(this);
  return (a >> 3) ^ a;
}

bool RWCollectable::IsEqual(const RWCollectable* other) const {
  return this == other;
}

void RWCollectable::RestoreContents(RWVirtualInStream&) {}
void RWCollectable::RestoreContents(RWBinaryFile&) {}
void RWCollectable::SaveContents(RWVirtualOutStream&) const {}
void RWCollectable::SaveContents(RWBinaryFile&) const {}
void RWCollectable::ForgetRestoredMembers() {}

RWClassID RWCollectable::NextClassId() {
  RWLockGuard guard(g_lock);
  return static_cast<RWClassID>(kRWFirstStringIdClass + g_next_string_class++);
}
