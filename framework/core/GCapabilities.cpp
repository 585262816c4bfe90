// GCapabilities.
#include "framework/core/GCapabilities.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/StoredFields.h"

namespace {

constexpr std::uint32_t kReadChunk = 4096;

bool ReadBytes(RWVirtualInStream& stream, std::uint8_t* bytes, std::uint32_t count) {
  // Byte by byte, as the save puts them.
  for (std::uint32_t i = 0; i < count; ++i) {
    unsigned char byte = 0;
    stream.Get(byte);
    if (stream.Good() == 0) {
      return false;
    }
    bytes[i] = byte;
  }
  return true;
}

bool ReadBytes(RWBinaryFile& file, std::uint8_t* bytes, std::uint32_t count) {
  return file.Read(bytes, count);
}

}  // namespace

GCapabilities::GCapabilities(std::uint32_t key, std::uint32_t length)
    : GBaseObject(key), bits_(length) {}

GCapabilities::GCapabilities(std::uint32_t key, std::uint32_t length, std::uint32_t capability)
    : GCapabilities(key, length) {
  Set(capability);
}

GCapabilities::GCapabilities(std::uint32_t key,
                             std::uint32_t length,
                             const std::uint32_t* capabilities,
                             std::uint16_t count)
    : GCapabilities(key, length) {
  SetMany(capabilities, count);
}

RWClassID GCapabilities::ClassId() {
  return vel::classid::kGCapabilities;
}

RWCollectable* GCapabilities::Create() {
  return new (std::nothrow) GCapabilities;
}

RWCollectable* GCapabilities::CreateInstance() const {
  return Create();
}

RWCollectable* GCapabilities::Clone() const {
  return new (std::nothrow) GCapabilities(*this);
}

RWClassID GCapabilities::IsA() const {
  return ClassId();
}

bool GCapabilities::IsKindOf(RWClassID id) const {
  return id == ClassId() || GBaseObject::IsKindOf(id);
}

bool GCapabilities::GrowTo(std::uint64_t length) {
  if (length <= bits_.Length()) {
    return true;
  }
  return length <= 0xFFFFFFFFu && bits_.Resize(static_cast<std::uint32_t>(length));
}

void GCapabilities::Set(std::uint32_t capability) {
  if (GrowTo(std::uint64_t{capability} + 1)) {
    bits_.SetBit(capability);
  }
}

void GCapabilities::SetMany(const std::uint32_t* capabilities, std::uint16_t count) {
  if (count == 0) {
    return;
  }
  const std::uint32_t largest = *std::max_element(capabilities, capabilities + count);
  if (!GrowTo(std::uint64_t{largest} + 1)) {
    return;
  }
  for (std::uint16_t i = 0; i < count; ++i) {
    bits_.SetBit(capabilities[i]);
  }
}

void GCapabilities::Clear(std::uint32_t capability) {
  if (capability < bits_.Length()) {
    bits_.ClearBit(capability);
  }
}

void GCapabilities::ClearMany(const std::uint32_t* capabilities, std::uint16_t count) {
  for (std::uint16_t i = 0; i < count; ++i) {
    Clear(capabilities[i]);
  }
}

bool GCapabilities::Has(std::uint32_t capability) const {
  return capability < bits_.Length() && bits_.TestBit(capability);
}

bool GCapabilities::HasAll(const std::uint32_t* capabilities, std::uint16_t count) const {
  return std::all_of(capabilities, capabilities + count,
                     [this](std::uint32_t capability) { return Has(capability); });
}

bool GCapabilities::HasAny(const std::uint32_t* capabilities, std::uint16_t count) const {
  return std::any_of(capabilities, capabilities + count,
                     [this](std::uint32_t capability) { return Has(capability); });
}

bool GCapabilities::AllBelowLength(const std::uint32_t* capabilities, std::uint16_t count) const {
  return std::all_of(capabilities, capabilities + count,
                     [this](std::uint32_t capability) { return capability < bits_.Length(); });
}

std::uint32_t GCapabilities::StoredByteCount() const {
  return GBaseObject::StoredByteCount() + 8 +
         static_cast<std::uint32_t>(RWBitVector::ByteCountFor(bits_.Length()));
}

template <typename Carrier>
void GCapabilities::Save(Carrier& carrier) const {
  GBaseObject::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteField(carrier, bits_.Length());
  // The unused high bits of a partial last byte are written as 0.
  const std::size_t count = bits_.ByteCount();
  for (std::size_t i = 0; i < count; ++i) {
    std::uint8_t byte = bits_.Data()[i];
    if (i + 1 == count && bits_.Length() % 8 != 0) {
      byte &= static_cast<std::uint8_t>((1u << (bits_.Length() % 8)) - 1);
    }
    if constexpr (std::is_same_v<Carrier, RWBinaryFile>) {
      (void)carrier.Write(static_cast<unsigned char>(byte));
    } else {
      carrier.Put(static_cast<unsigned char>(byte));
    }
  }
}

void GCapabilities::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GCapabilities::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GCapabilities::Restore(Carrier& carrier) {
  GBaseObject::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  std::uint32_t length = 0;
  if (!vel::ReadField(carrier, length)) {
    vel::FailCarrier(carrier);
    return;
  }
  const auto size = static_cast<std::uint32_t>(RWBitVector::ByteCountFor(length));
  // The vector doubles with the bytes read, up to the stored length.
  RWBitVector read;
  bool out_of_memory = false;
  std::uint8_t chunk[kReadChunk];
  for (std::uint32_t done = 0; done < size;) {
    const std::uint32_t n = std::min(kReadChunk, size - done);
    if (!ReadBytes(carrier, chunk, n)) {
      vel::FailCarrier(carrier);
      return;
    }
    if (!out_of_memory && read.ByteCount() < done + n) {
      const std::uint64_t wanted = std::max<std::uint64_t>(2 * read.ByteCount(), done + n);
      const auto bits = static_cast<std::uint32_t>(std::min<std::uint64_t>(wanted * 8, length));
      out_of_memory = !read.Resize(bits);
    }
    if (!out_of_memory) {
      std::memcpy(read.Data() + done, chunk, n);
    }
    done += n;
  }
  if (out_of_memory) {
    bits_ = RWBitVector();
    return;
  }
  bits_ = std::move(read);
}

void GCapabilities::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GCapabilities::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

bool GCapabilities::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  return other != nullptr && other->IsA() == IsA() && GBaseObject::IsSameKey(other) &&
         static_cast<const GCapabilities*>(other)->bits_ == bits_;
}
