// GDashedPen.
#include "framework/pipeline/GDashedPen.h"

#include <algorithm>
#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GTypedHandlers.h"
#include "framework/core/StoredFields.h"
#include "framework/pipeline/CommandParts.h"

GDashedPen::GDashedPen() : GPen(0, nullptr, 0) {}

GDashedPen::GDashedPen(std::unique_ptr<std::uint16_t[]> dash_array,
                       std::uint32_t dash_count,
                       std::uint16_t width,
                       GPaint* paint,
                       std::uint16_t dash_offset,
                       std::uint32_t key)
    : GPen(width, paint, key),
      dashes_(std::move(dash_array)),
      dash_count_(dashes_ != nullptr ? dash_count : 0),
      dash_offset_(dash_offset) {}

GDashedPen::GDashedPen(const GDashedPen& other) : GPen(other), dash_offset_(other.dash_offset_) {
  CopyDashes(other);
}

GDashedPen& GDashedPen::operator=(const GDashedPen& other) {
  if (this != &other) {
    GPen::operator=(other);
    dash_offset_ = other.dash_offset_;
    CopyDashes(other);
  }
  return *this;
}

GDashedPen::~GDashedPen() = default;

void GDashedPen::CopyDashes(const GDashedPen& other) {
  dashes_.reset();
  dash_count_ = 0;
  if (other.dashes_ == nullptr || other.dash_count_ == 0) {
    return;
  }
  dashes_.reset(new (std::nothrow) std::uint16_t[other.dash_count_]);
  if (dashes_ != nullptr) {
    std::copy_n(other.dashes_.get(), other.dash_count_, dashes_.get());
    dash_count_ = other.dash_count_;
  }
}

RWClassID GDashedPen::ClassId() {
  return vel::classid::kGDashedPen;
}

RWCollectable* GDashedPen::Create() {
  return new (std::nothrow) GDashedPen;
}

RWCollectable* GDashedPen::CreateInstance() const {
  return Create();
}

RWCollectable* GDashedPen::Clone() const {
  return new (std::nothrow) GDashedPen(*this);
}

RWClassID GDashedPen::IsA() const {
  return ClassId();
}

bool GDashedPen::IsKindOf(RWClassID id) const {
  return id == ClassId() || GPen::IsKindOf(id);
}

bool GDashedPen::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (!SamePen(other)) {
    return false;
  }
  const auto& pen = static_cast<const GDashedPen&>(*other);
  if (pen.dash_count_ != dash_count_ || pen.dash_offset_ != dash_offset_) {
    return false;
  }
  return dash_count_ == 0 ||
         std::equal(dashes_.get(), dashes_.get() + dash_count_, pen.dashes_.get());
}

std::uint16_t GDashedPen::Accept(GTypedHandlers& handlers) {
  return handlers.HandleDashedPen(*this);
}

std::uint32_t GDashedPen::StoredByteCount() const {
  return GPen::StoredByteCount() + vel::kClassVersionSize + 2 + 4 + 2 * dash_count_;
}

template <typename Carrier>
void GDashedPen::Save(Carrier& carrier) const {
  const vel::SaveScope scope(this);
  GPen::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteField(carrier, dash_offset_);
  vel::WriteField(carrier, dash_count_);
  for (std::uint32_t i = 0; i < dash_count_; ++i) {
    vel::WriteField(carrier, dashes_[i]);
  }
}

void GDashedPen::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GDashedPen::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GDashedPen::Restore(Carrier& carrier) {
  const vel::RestoreScope scope(this, carrier);
  GPen::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  std::uint16_t offset = 0;
  std::uint32_t count = 0;
  if (!vel::ReadField(carrier, offset) || !vel::ReadField(carrier, count) ||
      count > kMaxDashCount) {
    vel::FailCarrier(carrier);
    return;
  }
  // The entries arrive before anything is allocated: a count that the data does not fill fails
  // here, whatever it claims.
  std::uint16_t entries[kMaxDashCount];
  for (std::uint32_t i = 0; i < count; ++i) {
    if (!vel::ReadField(carrier, entries[i])) {
      vel::FailCarrier(carrier);
      return;
    }
  }
  std::unique_ptr<std::uint16_t[]> dashes;
  if (count != 0) {
    dashes.reset(new (std::nothrow) std::uint16_t[count]);
    if (dashes == nullptr) {
      vel::FailCarrier(carrier);
      return;
    }
    std::copy_n(entries, count, dashes.get());
  }
  dashes_ = std::move(dashes);
  dash_count_ = count;
  dash_offset_ = offset;
}

void GDashedPen::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GDashedPen::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}
