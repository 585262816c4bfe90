// GCustomMediaSize, the unit conversion and the making of custom media.
#include "framework/core/GCustomMediaSize.h"

#include <algorithm>
#include <new>
#include <utility>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GMedia.h"
#include "framework/core/GValueAttribute.h"
#include "framework/core/StoredFields.h"
#include "framework/core/StoredStrings.h"

namespace {

constexpr std::uint64_t kMaxU32 = 0xFFFFFFFFu;

std::uint32_t Saturate(std::uint64_t value) {
  return static_cast<std::uint32_t>(std::min(value, kMaxU32));
}

// value x multiplier / divisor, rounding halves up.
std::uint32_t Scale(std::uint32_t value, std::uint32_t multiplier, std::uint32_t divisor) {
  const std::uint64_t product = std::uint64_t{value} * multiplier;
  const std::uint64_t quotient = product / divisor;
  const std::uint64_t remainder = product % divisor;
  return Saturate(2 * remainder >= divisor ? quotient + 1 : quotient);
}

struct Factor {
  std::uint32_t multiplier;
  std::uint32_t divisor;
};

// [from][to]; the diagonal is never used.
constexpr Factor kFactors[4][4] = {
    {{1, 1}, {12700, 50000}, {100, 1}, {12700, 50}},
    {{50000, 12700}, {1, 1}, {50000, 127}, {1000, 1}},
    {{1, 100}, {127, 50000}, {1, 1}, {127, 50}},
    {{50, 12700}, {1, 1000}, {50, 127}, {1, 1}},
};

std::int16_t ClampToField(std::uint32_t value) {
  return static_cast<std::int16_t>(std::min<std::uint32_t>(value, 32767));
}

RWCString TextOrEmpty(const char* text) {
  return text != nullptr ? RWCString(text) : RWCString();
}

// The value attribute under `key` found in `object`, or null.
const GValueAttribute* FindValue(const GBaseObject& object, std::uint32_t key) {
  const GBaseObject* found = object.FindByKey(key);
  if (found == nullptr || found->IsA() != vel::classid::kGValueAttribute) {
    return nullptr;
  }
  return static_cast<const GValueAttribute*>(found);
}

}  // namespace

void ConvertMediaSizeUnits(std::uint32_t* out,
                           std::uint32_t from_unit,
                           std::uint32_t to_unit,
                           const std::uint32_t* in) {
  if (from_unit == to_unit || from_unit > 3 || to_unit > 3) {
    out[0] = in[0];
    out[1] = in[1];
    return;
  }
  const Factor factor = kFactors[from_unit][to_unit];
  out[0] = Scale(in[0], factor.multiplier, factor.divisor);
  out[1] = Scale(in[1], factor.multiplier, factor.divisor);
}

GCustomMediaSize::GCustomMediaSize(std::int16_t media_id,
                                   const char* name,
                                   std::uint32_t unit,
                                   std::uint32_t width,
                                   std::uint32_t height,
                                   std::uint32_t key)
    : GAttribute(key),
      media_id_(media_id),
      name_(TextOrEmpty(name)),
      unit_(unit),
      width_(width),
      height_(height) {}

GCustomMediaSize::GCustomMediaSize(std::int16_t media_id,
                                   const char* name,
                                   std::uint16_t resolution_x,
                                   std::uint16_t resolution_y,
                                   std::uint32_t unit,
                                   std::uint32_t width_in_dots,
                                   std::uint32_t height_in_dots,
                                   std::uint32_t key)
    : GAttribute(key), media_id_(media_id), name_(TextOrEmpty(name)) {
  auto hundredths = [](std::uint32_t dots, std::uint16_t resolution) -> std::uint32_t {
    return resolution == 0 ? 0 : Saturate(std::uint64_t{dots} * 100 / resolution);
  };
  SetUnitAndSize(vel::kUnitHundredthInch, hundredths(width_in_dots, resolution_x),
                 hundredths(height_in_dots, resolution_y));
  SetUnit(unit);
}

RWClassID GCustomMediaSize::ClassId() {
  return vel::classid::kGCustomMediaSize;
}

RWCollectable* GCustomMediaSize::Create() {
  return new (std::nothrow) GCustomMediaSize;
}

RWCollectable* GCustomMediaSize::CreateInstance() const {
  return Create();
}

RWCollectable* GCustomMediaSize::Clone() const {
  return new (std::nothrow) GCustomMediaSize(*this);
}

RWClassID GCustomMediaSize::IsA() const {
  return ClassId();
}

bool GCustomMediaSize::IsKindOf(RWClassID id) const {
  return id == ClassId() || GAttribute::IsKindOf(id);
}

void GCustomMediaSize::SetName(const char* name) {
  name_ = TextOrEmpty(name);
}

void GCustomMediaSize::GetSize(std::uint32_t* size) const {
  size[0] = width_;
  size[1] = height_;
}

void GCustomMediaSize::SetSize(std::uint32_t width, std::uint32_t height) {
  width_ = width;
  height_ = height;
}

void GCustomMediaSize::SetUnitAndSize(std::uint32_t unit,
                                      std::uint32_t width,
                                      std::uint32_t height) {
  unit_ = unit;
  width_ = width;
  height_ = height;
}

void GCustomMediaSize::GetSizeInUnit(std::uint32_t* size, std::uint32_t unit) const {
  const std::uint32_t stored[2] = {width_, height_};
  ConvertMediaSizeUnits(size, unit_, unit, stored);
}

void GCustomMediaSize::SetUnit(std::uint32_t unit) {
  std::uint32_t size[2];
  GetSizeInUnit(size, unit);
  SetUnitAndSize(unit, size[0], size[1]);
}

void GCustomMediaSize::GetSizeInDots(std::uint32_t* size,
                                     std::uint16_t resolution_x,
                                     std::uint16_t resolution_y) const {
  std::uint32_t inches[2];
  GetSizeInUnit(inches, vel::kUnitTenThousandthInch);
  size[0] = Saturate(std::uint64_t{inches[0]} * resolution_x / 10000);
  size[1] = Saturate(std::uint64_t{inches[1]} * resolution_y / 10000);
}

std::uint32_t GCustomMediaSize::StoredByteCount() const {
  return GAttribute::StoredByteCount() + 22 + static_cast<std::uint32_t>(name_.Length());
}

template <typename Carrier>
void GCustomMediaSize::Save(Carrier& carrier) const {
  GAttribute::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteField(carrier, media_id_);
  vel::WriteString(carrier, name_);
  vel::WriteField(carrier, static_cast<std::int32_t>(unit_));
  vel::WriteField(carrier, width_);
  vel::WriteField(carrier, height_);
}

void GCustomMediaSize::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GCustomMediaSize::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GCustomMediaSize::Restore(Carrier& carrier) {
  GAttribute::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  std::int32_t unit = 0;
  const bool good = vel::ReadField(carrier, media_id_) && vel::ReadString(carrier, name_) &&
                    vel::ReadField(carrier, unit) && vel::ReadField(carrier, width_) &&
                    vel::ReadField(carrier, height_);
  if (!good) {
    vel::FailCarrier(carrier);
    return;
  }
  unit_ = static_cast<std::uint32_t>(unit);
}

void GCustomMediaSize::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GCustomMediaSize::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

bool GCustomMediaSize::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA() || !GAttribute::IsSameKey(other)) {
    return false;
  }
  const auto& size = static_cast<const GCustomMediaSize&>(*other);
  if (media_id_ != size.media_id_ || name_ != size.name_) {
    return false;
  }
  if (unit_ == size.unit_) {
    return width_ == size.width_ && height_ == size.height_;
  }
  std::uint32_t mine[2];
  std::uint32_t theirs[2];
  GetSizeInUnit(mine, vel::kUnitMicrometre);
  size.GetSizeInUnit(theirs, vel::kUnitMicrometre);
  return mine[0] == theirs[0] && mine[1] == theirs[1];
}

std::uint16_t GCustomMediaSize::Accept(GTypedHandlers& /*handlers*/) {
  return 0;
}

GMedia* MakeCustomMedia(const GCustomMediaSize& size,
                        const GBaseObject& settings,
                        const GBaseObject& margins) {
  const GBaseObject* group = settings.FindByKey(vel::key::kPageStartGroup);
  if (group == nullptr) {
    return nullptr;
  }
  const GValueAttribute* resolution_x = FindValue(*group, vel::key::kResolutionX);
  const GValueAttribute* resolution_y = FindValue(*group, vel::key::kResolutionY);
  if (resolution_x == nullptr || resolution_y == nullptr) {
    return nullptr;
  }
  return MakeCustomMediaAtResolution(size, settings, margins, resolution_x->GetValue(),
                                     resolution_y->GetValue());
}

GMedia* MakeCustomMediaAtResolution(const GCustomMediaSize& size,
                                    const GBaseObject& settings,
                                    const GBaseObject& margins,
                                    std::uint16_t resolution_x,
                                    std::uint16_t resolution_y) {
  const GBaseObject* group = margins.FindByKey(vel::key::kMargins);
  const GValueAttribute* orientation_value = FindValue(settings, vel::key::kOrientation);
  if (group == nullptr || orientation_value == nullptr) {
    return nullptr;
  }
  std::int32_t margin[4];  // left, top, right, bottom
  const std::uint32_t margin_keys[4] = {vel::key::kLeftMargin, vel::key::kTopMargin,
                                        vel::key::kRightMargin, vel::key::kBottomMargin};
  for (int i = 0; i < 4; ++i) {
    const GValueAttribute* value = FindValue(*group, margin_keys[i]);
    if (value == nullptr) {
      return nullptr;
    }
    margin[i] = static_cast<std::int16_t>(value->GetValue());
  }
  const std::int32_t orientation = static_cast<std::int16_t>(orientation_value->GetValue());
  const bool turned = orientation == 90 || orientation == 270;

  std::uint32_t dots[2];
  size.GetSizeInDots(dots, resolution_x, resolution_y);
  if (turned) {
    std::swap(dots[0], dots[1]);
  }
  const std::int16_t paper[2] = {ClampToField(dots[0]), ClampToField(dots[1])};

  GCustomMediaSize scratch;
  scratch.SetUnitAndSize(vel::kUnitTenThousandthInch, static_cast<std::uint16_t>(margin[0]),
                         static_cast<std::uint16_t>(margin[1]));
  scratch.GetSizeInDots(dots, resolution_x, resolution_y);
  const std::int16_t origin[2] = {ClampToField(dots[0]), ClampToField(dots[1])};

  std::uint32_t inches[2];
  size.GetSizeInUnit(inches, vel::kUnitTenThousandthInch);
  if (turned) {
    std::swap(inches[0], inches[1]);
  }
  auto printable = [](std::uint32_t length, std::int32_t before, std::int32_t after) {
    const std::int64_t rest = std::int64_t{length} - after - before;
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(rest, 0, kMaxU32));
  };
  scratch.SetUnitAndSize(vel::kUnitTenThousandthInch, printable(inches[0], margin[0], margin[2]),
                         printable(inches[1], margin[1], margin[3]));
  scratch.GetSizeInDots(dots, resolution_x, resolution_y);
  const std::int16_t printable_size[2] = {ClampToField(dots[0]), ClampToField(dots[1])};

  return new (std::nothrow)
      GMedia(size.GetName().Data(), paper, printable_size, origin, orientation, size.GetMediaId(),
             resolution_x, resolution_y, vel::key::kMedia, 0, nullptr, nullptr);
}
