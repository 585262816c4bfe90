// GBinaryData: the block, its ownership and its stored form.
#include "framework/core/GBinaryData.h"

#include <cstring>
#include <new>
#include <type_traits>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/StoredBytes.h"
#include "framework/core/StoredFields.h"

GBinaryData::GBinaryData(const GBinaryData& other) : GBaseObject(other) {
  if (other.StoredSize() == 0) {
    return;
  }
  data_ = new (std::nothrow) std::uint8_t[other.size_];
  if (data_ == nullptr) {
    return;
  }
  std::memcpy(data_, other.data_, other.size_);
  size_ = other.size_;
  owns_ = 1;
  allocated_ = true;
}

GBinaryData::~GBinaryData() {
  Free();
}

RWClassID GBinaryData::ClassId() {
  return vel::classid::kGBinaryData;
}

RWCollectable* GBinaryData::Create() {
  return new (std::nothrow) GBinaryData;
}

RWCollectable* GBinaryData::CreateInstance() const {
  return Create();
}

RWCollectable* GBinaryData::Clone() const {
  return new (std::nothrow) GBinaryData(*this);
}

RWClassID GBinaryData::IsA() const {
  return ClassId();
}

bool GBinaryData::IsKindOf(RWClassID id) const {
  return id == vel::classid::kGBinaryData || GBaseObject::IsKindOf(id);
}

void GBinaryData::Free() {
  if (owns_ != 0 || allocated_) {
    delete[] data_;
  }
  data_ = nullptr;
  size_ = 0;
  owns_ = 0;
  allocated_ = false;
}

void GBinaryData::SetData(std::uint8_t* data, std::uint32_t size, std::int32_t owns) {
  if (data == data_) {
    // The block already held: only the bookkeeping changes.
    size_ = size;
    owns_ = owns;
    return;
  }
  Free();
  data_ = data;
  size_ = size;
  owns_ = owns;
}

std::uint8_t* GBinaryData::Detach() {
  std::uint8_t* data = data_;
  data_ = nullptr;
  size_ = 0;
  owns_ = 0;
  allocated_ = false;
  return data;
}

std::uint32_t GBinaryData::StoredByteCount() const {
  return GBaseObject::StoredByteCount() + StoredSize() + 12;
}

template <typename Carrier>
void GBinaryData::Restore(Carrier& carrier) {
  GBaseObject::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  Free();
  std::uint32_t size = 0;
  std::int32_t owns = 0;
  if (!vel::ReadField(carrier, size) || !vel::ReadField(carrier, owns)) {
    vel::FailCarrier(carrier);
    return;
  }
  std::uint8_t* block = nullptr;
  if (vel::ReadStoredBytes(carrier, size, block) != vel::StoredBytesResult::kRead) {
    return;  // a failed carrier, or no memory: the object stays empty
  }
  data_ = block;
  size_ = size;
  owns_ = owns;
  allocated_ = block != nullptr;
}

void GBinaryData::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GBinaryData::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GBinaryData::SaveContents(RWVirtualOutStream& stream) const {
  GBaseObject::SaveContents(stream);
  vel::WriteClassVersion(stream);
  vel::WriteField(stream, StoredSize());
  vel::WriteField(stream, owns_);
  if (StoredSize() != 0) {
    stream.Put(data_, size_);
  }
}

void GBinaryData::SaveContents(RWBinaryFile& file) const {
  GBaseObject::SaveContents(file);
  vel::WriteClassVersion(file);
  vel::WriteField(file, StoredSize());
  vel::WriteField(file, owns_);
  if (StoredSize() != 0) {
    (void)file.Write(data_, size_);
  }
}

bool GBinaryData::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA() || !GBaseObject::IsSameKey(other)) {
    return false;
  }
  const auto& binary = static_cast<const GBinaryData&>(*other);
  if (binary.size_ != size_) {
    return false;
  }
  if (binary.data_ == data_ || size_ == 0) {
    return true;
  }
  return binary.data_ != nullptr && data_ != nullptr &&
         std::memcmp(binary.data_, data_, size_) == 0;
}
