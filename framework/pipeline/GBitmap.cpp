// GBitmap: sharing the implementation, forwarding to it, and the stored form.
#include "framework/pipeline/GBitmap.h"

#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "rw/rwstore.h"

namespace {

void LetGo(GBitmapImp* implementation) {
  if (implementation != nullptr && implementation->ReleaseUse() < 1) {
    delete implementation;
  }
}

}  // namespace

GBitmap::GBitmap(std::int32_t owns_data, std::uint8_t* data, std::uint32_t data_size,
                 std::uint8_t alignment, GPoint top_left, GPoint bottom_right,
                 std::uint8_t bits_per_pixel, std::uint8_t planes, std::int32_t compressed,
                 GPaletteTable* palette, std::int32_t bottom_up, std::int32_t has_masks,
                 std::uint32_t red_mask, std::uint32_t green_mask, std::uint32_t blue_mask,
                 std::uint16_t segment_step, std::uint16_t rows_per_segment,
                 std::uint32_t segment_info) {
  Share(new (std::nothrow) GBitmapImp(owns_data, data, data_size, alignment, top_left,
                                      bottom_right, bits_per_pixel, planes, compressed, palette,
                                      bottom_up, has_masks, red_mask, green_mask, blue_mask,
                                      segment_step, rows_per_segment, segment_info));
}

GBitmap::GBitmap(GBitmapImp* implementation) {
  Share(implementation);
}

GBitmap::GBitmap(const GBitmap& other) : GBaseObject(other) {
  Share(other.implementation_);
}

GBitmap& GBitmap::operator=(const GBitmap& other) {
  if (this == &other) {
    return *this;
  }
  GBaseObject::operator=(other);
  Share(other.implementation_);
  return *this;
}

GBitmap::~GBitmap() {
  LetGo(implementation_);
}

void GBitmap::Share(GBitmapImp* implementation) {
  if (implementation == implementation_) {
    return;
  }
  if (implementation != nullptr) {
    implementation->AddUse();
  }
  LetGo(implementation_);
  implementation_ = implementation;
}

void GBitmap::MakeUnique() {
  if (implementation_ == nullptr) {
    return;
  }
  if (implementation_->Uses() > 1) {
    auto* own = dynamic_cast<GBitmapImp*>(implementation_->Clone());
    if (own == nullptr) {
      return;
    }
    Share(own);
    return;
  }
  implementation_->MakeOwnCopy();
}

RWClassID GBitmap::ClassId() {
  return vel::classid::kGBitmap;
}

RWCollectable* GBitmap::Create() {
  return new (std::nothrow) GBitmap;
}

RWCollectable* GBitmap::CreateInstance() const {
  return Create();
}

RWCollectable* GBitmap::Clone() const {
  return new (std::nothrow) GBitmap(*this);
}

RWClassID GBitmap::IsA() const {
  return ClassId();
}

std::uint32_t GBitmap::StoredByteCount() const {
  return GBaseObject::StoredByteCount() + vel::kClassVersionSize +
         RWTotalStoredSize(implementation_);
}

bool GBitmap::IsKindOf(RWClassID id) const {
  return id == vel::classid::kGBitmap || GBaseObject::IsKindOf(id);
}

bool GBitmap::IsSameKey(const GBaseObject* other) const {
  if (other == nullptr || other->IsA() != IsA()) {
    return false;
  }
  const GBitmapImp* theirs = static_cast<const GBitmap*>(other)->implementation_;
  if (implementation_ == theirs) {
    return true;
  }
  if (implementation_ == nullptr || theirs == nullptr) {
    return false;
  }
  return implementation_->IsSameKey(theirs);
}

template <typename Carrier>
void GBitmap::Restore(Carrier& carrier) {
  GBaseObject::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  Share(nullptr);
  // The implementation is kept by its use count, which the restore's bookkeeping never frees: a
  // failed handle lets go of it in its own destructor. A reference shares one that an earlier
  // handle of this restore holds; one that another holder received new (a collection, which
  // frees it itself) is refused, or both would free it.
  RWRestoredMember member(carrier, nullptr);
  if (!vel::CarrierGood(carrier)) {
    return;
  }
  RWCollectable* object = member.Object();
  auto* implementation = dynamic_cast<GBitmapImp*>(object);
  if ((object != nullptr && implementation == nullptr) || member.NamesOpenRecord() ||
      (implementation != nullptr && !member.IsNew() && implementation->Uses() < 1)) {
    member.Keep(RWHold::kRefuses);
    vel::FailCarrier(carrier);
    return;
  }
  member.Keep(member.IsNew() ? RWHold::kOwns : RWHold::kHolds);
  Share(implementation);
}

void GBitmap::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GBitmap::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

template <typename Carrier>
void GBitmap::Save(Carrier& carrier) const {
  GBaseObject::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  carrier << static_cast<const RWCollectable*>(implementation_);
}

void GBitmap::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GBitmap::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

// ---------------------------------------------------------------------------------------------
// Forwarding

void GBitmap::GetBounds(GRect& bounds) const {
  bounds = GRect{};
  if (implementation_ != nullptr) {
    implementation_->GetBounds(bounds);
  }
}

std::uint8_t GBitmap::GetBitsPerPixel() const {
  return implementation_ == nullptr ? 0 : implementation_->GetBitsPerPixel();
}

std::uint32_t GBitmap::GetRowByteCount(std::int32_t left, std::int32_t right) const {
  return implementation_ == nullptr ? 0 : implementation_->GetRowByteCount(left, right);
}

std::uint32_t GBitmap::GetRow(std::uint8_t* buffer, std::int32_t left, std::int32_t right,
                              std::int32_t row, std::int32_t grey) const {
  return implementation_ == nullptr ? 0
                                    : implementation_->GetRow(buffer, left, right, row, grey);
}

std::uint32_t GBitmap::GetWorkingSize() {
  return implementation_ == nullptr ? 0 : implementation_->GetWorkingSize();
}

bool GBitmap::HasDoubleWorkingSize() const {
  return implementation_ != nullptr && implementation_->HasDoubleWorkingSize();
}

bool GBitmap::IsSegmented() const {
  return implementation_ != nullptr && implementation_->IsSegmented();
}

const std::uint8_t* GBitmap::GetData() const {
  return implementation_ == nullptr ? nullptr : implementation_->GetData();
}

std::uint32_t GBitmap::GetDataSize() const {
  return implementation_ == nullptr ? 0 : implementation_->GetDataSize();
}

std::uint8_t GBitmap::GetAlignment() const {
  return implementation_ == nullptr ? 0 : implementation_->GetAlignment();
}

std::uint8_t GBitmap::GetFormatByte() const {
  return implementation_ == nullptr ? 0 : implementation_->GetFormatByte();
}

std::int32_t GBitmap::GetBottomUp() const {
  return implementation_ == nullptr ? 0 : implementation_->GetBottomUp();
}

std::int32_t GBitmap::GetHasMasks() const {
  return implementation_ == nullptr ? 0 : implementation_->GetHasMasks();
}

std::uint16_t GBitmap::GetRowsPerSegment() const {
  return implementation_ == nullptr ? 0 : implementation_->GetRowsPerSegment();
}

std::uint32_t GBitmap::GetSegmentInfo() const {
  return implementation_ == nullptr ? 0 : implementation_->GetSegmentInfo();
}

std::uint16_t GBitmap::GetSegmentStep() const {
  return implementation_ == nullptr ? 0 : implementation_->GetSegmentStep();
}

const GPaletteTable* GBitmap::GetPalette() const {
  return implementation_ == nullptr ? nullptr : implementation_->GetPalette();
}

std::uint32_t GBitmap::GetRedMask() const {
  return implementation_ == nullptr ? 0 : implementation_->GetRedMask();
}

std::uint32_t GBitmap::GetGreenMask() const {
  return implementation_ == nullptr ? 0 : implementation_->GetGreenMask();
}

std::uint32_t GBitmap::GetBlueMask() const {
  return implementation_ == nullptr ? 0 : implementation_->GetBlueMask();
}
