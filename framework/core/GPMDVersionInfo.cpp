// GPMDVersionInfo: version data and its stored form.
#include "framework/core/GPMDVersionInfo.h"

#include <new>
#include <type_traits>
#include <utility>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace {

bool ReadU32(RWBinaryFile& file, std::uint32_t& value) {
  return file.Read(value);
}

bool ReadU32(RWVirtualInStream& stream, std::uint32_t& value) {
  unsigned long stored = 0;
  stream.Get(stored);
  value = static_cast<std::uint32_t>(stored);
  return stream.Good() != 0;
}

bool ReadU16(RWBinaryFile& file, std::uint16_t& value) {
  return file.Read(value);
}

bool ReadU16(RWVirtualInStream& stream, std::uint16_t& value) {
  unsigned short stored = 0;
  stream.Get(stored);
  value = stored;
  return stream.Good() != 0;
}

bool ReadString(RWBinaryFile& file, RWCString& text) {
  return text.RestoreFrom(file);
}

bool ReadString(RWVirtualInStream& stream, RWCString& text) {
  text.RestoreFrom(stream);
  return stream.Good() != 0;
}

void WriteU32(RWVirtualOutStream& stream, std::uint32_t value) {
  stream.Put(static_cast<unsigned long>(value));
}

void WriteU32(RWBinaryFile& file, std::uint32_t value) {
  (void)file.Write(static_cast<unsigned int>(value));
}

void WriteU16(RWVirtualOutStream& stream, std::uint16_t value) {
  stream.Put(static_cast<unsigned short>(value));
}

void WriteU16(RWBinaryFile& file, std::uint16_t value) {
  (void)file.Write(static_cast<unsigned short>(value));
}

void WriteString(RWVirtualOutStream& stream, const RWCString& text) {
  text.SaveOn(stream);
}

void WriteString(RWBinaryFile& file, const RWCString& text) {
  (void)text.SaveOn(file);
}

template <typename Carrier>
void SaveFields(Carrier& carrier,
                std::uint32_t version1,
                std::uint32_t version2,
                std::uint16_t number,
                std::uint32_t extra1,
                std::uint32_t extra2,
                const GStringArray& strings) {
  vel::WriteClassVersion(carrier);
  WriteU32(carrier, version2);
  WriteU32(carrier, version1);
  WriteU16(carrier, number);
  WriteU32(carrier, extra1);
  WriteU32(carrier, extra2);
  WriteU32(carrier, strings.Count());
  for (std::uint32_t i = 0; i < strings.Count(); ++i) {
    WriteString(carrier, strings.At(i));
  }
}

}  // namespace

GPMDVersionInfo::GPMDVersionInfo(std::uint32_t version1,
                                 std::uint32_t version2,
                                 std::uint16_t number,
                                 std::uint32_t key)
    : GBaseObject(key), version1_(version1), version2_(version2), number_(number) {}

RWClassID GPMDVersionInfo::ClassId() {
  return vel::classid::kGPMDVersionInfo;
}

RWCollectable* GPMDVersionInfo::Create() {
  return new (std::nothrow) GPMDVersionInfo;
}

RWCollectable* GPMDVersionInfo::CreateInstance() const {
  return Create();
}

RWCollectable* GPMDVersionInfo::Clone() const {
  auto* copy = new (std::nothrow) GPMDVersionInfo(*this);
  if (copy != nullptr && copy->strings_.Count() != strings_.Count()) {
    delete copy;  // the strings could not be copied
    return nullptr;
  }
  return copy;
}

RWClassID GPMDVersionInfo::IsA() const {
  return ClassId();
}

bool GPMDVersionInfo::IsKindOf(RWClassID id) const {
  return id == vel::classid::kGPMDVersionInfo || GBaseObject::IsKindOf(id);
}

std::uint32_t GPMDVersionInfo::StoredByteCount() const {
  std::uint32_t size = GBaseObject::StoredByteCount() + 26;
  for (std::uint32_t i = 0; i < strings_.Count(); ++i) {
    size += static_cast<std::uint32_t>(strings_.At(i).Length()) + 4;
  }
  return size;
}

bool GPMDVersionInfo::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA() || !GBaseObject::IsSameKey(other)) {
    return false;
  }
  const auto& info = static_cast<const GPMDVersionInfo&>(*other);
  return version2_ == info.version2_ && version1_ == info.version1_ && number_ == info.number_ &&
         extra1_ == info.extra1_ && extra2_ == info.extra2_ && strings_ == info.strings_;
}

std::uint16_t GPMDVersionInfo::IncrementMinor(std::uint32_t& version) {
  const auto minor = static_cast<std::uint16_t>(version & 0xFFFFu);
  if (minor != 0xFFFFu) {
    version = (version & 0xFFFF0000u) | (minor + 1u);
  }
  return minor;
}

std::uint16_t GPMDVersionInfo::IncrementMajor(std::uint32_t& version) {
  const auto major = static_cast<std::uint16_t>(version >> 16);
  if (major != 0xFFFFu) {
    version = static_cast<std::uint32_t>(major + 1u) << 16;
  }
  return major;
}

void GPMDVersionInfo::SaveContents(RWVirtualOutStream& stream) const {
  GBaseObject::SaveContents(stream);
  SaveFields(stream, version1_, version2_, number_, extra1_, extra2_, strings_);
}

void GPMDVersionInfo::SaveContents(RWBinaryFile& file) const {
  GBaseObject::SaveContents(file);
  SaveFields(file, version1_, version2_, number_, extra1_, extra2_, strings_);
}

template <typename Carrier>
void GPMDVersionInfo::Restore(Carrier& carrier) {
  GBaseObject::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  std::uint32_t version2 = 0;
  std::uint32_t version1 = 0;
  std::uint16_t number = 0;
  std::uint32_t extra1 = 0;
  std::uint32_t extra2 = 0;
  std::uint32_t count = 0;
  if (!ReadU32(carrier, version2) || !ReadU32(carrier, version1) || !ReadU16(carrier, number) ||
      !ReadU32(carrier, extra1) || !ReadU32(carrier, extra2) || !ReadU32(carrier, count)) {
    vel::FailCarrier(carrier);
    return;
  }
  GStringArray strings;
  for (std::uint32_t i = 0; i < count; ++i) {
    RWCString text;
    if (!ReadString(carrier, text) || !strings.Insert(text)) {
      vel::FailCarrier(carrier);
      return;
    }
  }
  version2_ = version2;
  version1_ = version1;
  number_ = number;
  extra1_ = extra1;
  extra2_ = extra2;
  strings_ = std::move(strings);
}

void GPMDVersionInfo::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GPMDVersionInfo::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}
