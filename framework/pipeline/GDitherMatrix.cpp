// GDitherMatrix, its stored form, and the driver's version words and build stamp.
#include "framework/pipeline/GDitherMatrix.h"

#include <cstring>
#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/StoredFields.h"

namespace {

bool ReadBytes(RWVirtualInStream& stream, std::uint8_t* target, std::uint32_t n) {
  stream.Get(target, n);
  return stream.Good() != 0;
}

bool ReadBytes(RWBinaryFile& file, std::uint8_t* target, std::uint32_t n) {
  return file.Read(target, n);
}

void WriteBytes(RWVirtualOutStream& stream, const std::uint8_t* bytes, std::uint32_t n) {
  stream.Put(bytes, n);
}

void WriteBytes(RWBinaryFile& file, const std::uint8_t* bytes, std::uint32_t n) {
  (void)file.Write(bytes, n);
}

}  // namespace

GDitherMatrix::GDitherMatrix(std::uint8_t width, std::uint8_t height, const std::uint8_t* values,
                             std::uint16_t id, std::uint32_t key)
    : id_(id) {
  SetKey(key);
  Assign(width, height, values);
}

GDitherMatrix::GDitherMatrix(const GDitherMatrix& other) : GBaseObject(other), id_(other.id_) {
  Assign(other.width_, other.height_, other.values_);
}

GDitherMatrix& GDitherMatrix::operator=(const GDitherMatrix& other) {
  if (this == &other) {
    return *this;
  }
  GBaseObject::operator=(other);
  id_ = other.id_;
  Assign(other.width_, other.height_, other.values_);
  return *this;
}

GDitherMatrix::~GDitherMatrix() {
  delete[] values_;
}

void GDitherMatrix::Assign(std::uint8_t width, std::uint8_t height, const std::uint8_t* values) {
  delete[] values_;
  values_ = nullptr;
  width_ = 0;
  height_ = 0;
  const std::uint32_t size = std::uint32_t{width} * height;
  if (values == nullptr || size == 0) {
    width_ = width;
    height_ = height;
    return;
  }
  values_ = new (std::nothrow) std::uint8_t[size];
  if (values_ == nullptr) {
    return;
  }
  std::memcpy(values_, values, size);
  width_ = width;
  height_ = height;
}

RWClassID GDitherMatrix::ClassId() {
  return vel::classid::kGDitherMatrix;
}

RWCollectable* GDitherMatrix::Create() {
  return new (std::nothrow) GDitherMatrix;
}

RWCollectable* GDitherMatrix::CreateInstance() const {
  return Create();
}

RWCollectable* GDitherMatrix::Clone() const {
  auto* copy = new (std::nothrow) GDitherMatrix(*this);
  if (copy != nullptr && copy->Size() != Size()) {
    delete copy;
    return nullptr;
  }
  return copy;
}

RWClassID GDitherMatrix::IsA() const {
  return ClassId();
}

std::uint32_t GDitherMatrix::StoredByteCount() const {
  return GBaseObject::StoredByteCount() + std::uint32_t{width_} * height_ + 8;
}

bool GDitherMatrix::IsKindOf(RWClassID id) const {
  return id == vel::classid::kGDitherMatrix || GBaseObject::IsKindOf(id);
}

bool GDitherMatrix::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA()) {
    return false;
  }
  const auto& that = *static_cast<const GDitherMatrix*>(other);
  if (width_ != that.width_ || height_ != that.height_ || id_ != that.id_) {
    return false;
  }
  for (std::uint32_t row = 0; row < height_; ++row) {
    for (std::uint32_t column = 0; column < width_; ++column) {
      if (GetValue(row, column) != that.GetValue(row, column)) {
        return false;
      }
    }
  }
  return GBaseObject::IsSameKey(other);
}

std::uint8_t GDitherMatrix::GetValue(std::uint32_t row, std::uint32_t column) const {
  if (values_ == nullptr || row >= height_ || column >= width_) {
    return 0;
  }
  return values_[row * width_ + column];
}

template <typename Carrier>
void GDitherMatrix::Restore(Carrier& carrier) {
  GBaseObject::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  Assign(0, 0, nullptr);
  std::uint8_t width = 0;
  std::uint8_t height = 0;
  if (!vel::ReadField(carrier, width) || !vel::ReadField(carrier, height)) {
    vel::FailCarrier(carrier);
    return;
  }
  // At most 255 x 255 bytes: a short record costs at most that much, freed at once.
  const std::uint32_t size = std::uint32_t{width} * height;
  std::uint8_t* table = nullptr;
  if (size != 0) {
    table = new (std::nothrow) std::uint8_t[size];
    if (table == nullptr || !ReadBytes(carrier, table, size)) {
      delete[] table;
      vel::FailCarrier(carrier);
      return;
    }
  }
  std::uint16_t id = 0;
  if (!vel::ReadField(carrier, id)) {
    delete[] table;
    vel::FailCarrier(carrier);
    return;
  }
  values_ = table;
  width_ = width;
  height_ = height;
  id_ = id;
}

void GDitherMatrix::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GDitherMatrix::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

template <typename Carrier>
void GDitherMatrix::Save(Carrier& carrier) const {
  GBaseObject::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteField(carrier, width_);
  vel::WriteField(carrier, height_);
  const std::uint32_t size = std::uint32_t{width_} * height_;
  if (size != 0) {
    if (values_ != nullptr) {
      WriteBytes(carrier, values_, size);
    } else {
      // Sizes without a table (the default matrix given sizes): the thresholds are 0.
      for (std::uint32_t i = 0; i < size; ++i) {
        vel::WriteField(carrier, std::uint8_t{0});
      }
    }
  }
  vel::WriteField(carrier, id_);
}

void GDitherMatrix::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GDitherMatrix::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

namespace vel {

void GetDriverVersion(std::uint32_t* high, std::uint32_t* low) {
  if (high != nullptr) {
    *high = 0x40001;
  }
  if (low != nullptr) {
    *low = 0x10005;
  }
}

const char* GetBuildDate() {
  return "Sep 21 1998";
}

const char* GetBuildTime() {
  return "14:05:14";
}

}  // namespace vel
