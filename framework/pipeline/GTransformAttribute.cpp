// GTransformAttribute: fields, stored form, arithmetic and concatenation.
#include "framework/pipeline/GTransformAttribute.h"

#include <cmath>
#include <new>
#include <numbers>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GTypedHandlers.h"
#include "framework/pipeline/CommandParts.h"

namespace {

enum class Op { kAdd, kSubtract, kMultiply, kDivide };

// 16-bit integer arithmetic, wrapping around; a zero divisor leaves the dividend.
std::int16_t Apply(Op op, std::int16_t a, std::int16_t b) {
  const int x = a;
  const int y = b;
  switch (op) {
    case Op::kAdd:
      return static_cast<std::int16_t>(x + y);
    case Op::kSubtract:
      return static_cast<std::int16_t>(x - y);
    case Op::kMultiply:
      return static_cast<std::int16_t>(x * y);
    case Op::kDivide:
      return y == 0 ? a : static_cast<std::int16_t>(x / y);
  }
  return a;
}

float Apply(Op op, float a, float b) {
  switch (op) {
    case Op::kAdd:
      return a + b;
    case Op::kSubtract:
      return a - b;
    case Op::kMultiply:
      return a * b;
    case Op::kDivide:
      return b == 0.0f ? a : a / b;
  }
  return a;
}

// The two-transform operators: `scale_op` for the scales, `op` for the rest.
GTransformAttribute Combine(Op op,
                            Op scale_op,
                            const GTransformAttribute& a,
                            const GTransformAttribute& b) {
  const GPoint ta = a.GetTranslation();
  const GPoint tb = b.GetTranslation();
  const GScale sa = a.GetScale();
  const GScale sb = b.GetScale();
  return GTransformAttribute(Apply(op, a.GetRotation(), b.GetRotation()),
                             GPoint{Apply(op, ta.x, tb.x), Apply(op, ta.y, tb.y)},
                             GScale{Apply(scale_op, sa.x, sb.x), Apply(scale_op, sa.y, sb.y)});
}

GTransformAttribute Combine(Op op, const GTransformAttribute& a, std::int16_t k) {
  const GPoint t = a.GetTranslation();
  const GScale s = a.GetScale();
  const auto real_k = static_cast<float>(k);
  return GTransformAttribute(Apply(op, a.GetRotation(), k),
                             GPoint{Apply(op, t.x, k), Apply(op, t.y, k)},
                             GScale{Apply(op, s.x, real_k), Apply(op, s.y, real_k)});
}

// Truncated toward zero and clamped to 16 bits; not a number gives 0.
std::int16_t Coordinate(float value) {
  if (std::isnan(value)) {
    return 0;
  }
  if (value >= 32767.0f) {
    return 32767;
  }
  if (value <= -32768.0f) {
    return -32768;
  }
  return static_cast<std::int16_t>(value);
}

// Cosine and sine of a turn in degrees, exact for multiples of 90.
void CosSin(std::int16_t degrees, float& c, float& s) {
  const int turn = ((degrees % 360) + 360) % 360;
  switch (turn) {
    case 0:
      c = 1.0f, s = 0.0f;
      return;
    case 90:
      c = 0.0f, s = 1.0f;
      return;
    case 180:
      c = -1.0f, s = 0.0f;
      return;
    case 270:
      c = 0.0f, s = -1.0f;
      return;
    default: {
      const float radians = static_cast<float>(turn) * std::numbers::pi_v<float> / 180.0f;
      c = std::cos(radians);
      s = std::sin(radians);
    }
  }
}

}  // namespace

GTransformAttribute::GTransformAttribute(std::int16_t rotation, GPoint translation, GScale scale)
    : rotation_(rotation), translation_(translation), scale_(scale) {}

RWClassID GTransformAttribute::ClassId() {
  return vel::classid::kGTransformAttribute;
}

RWCollectable* GTransformAttribute::Create() {
  return new (std::nothrow) GTransformAttribute;
}

RWCollectable* GTransformAttribute::CreateInstance() const {
  return Create();
}

RWCollectable* GTransformAttribute::Clone() const {
  return new (std::nothrow) GTransformAttribute(*this);
}

RWClassID GTransformAttribute::IsA() const {
  return ClassId();
}

bool GTransformAttribute::IsKindOf(RWClassID id) const {
  return id == ClassId() || GAttribute::IsKindOf(id);
}

bool GTransformAttribute::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  const auto* transform = dynamic_cast<const GTransformAttribute*>(other);
  return transform != nullptr && other->IsA() == IsA() && GBaseObject::IsSameKey(other) &&
         transform->rotation_ == rotation_ && transform->scale_ == scale_ &&
         transform->translation_ == translation_;
}

std::uint16_t GTransformAttribute::Accept(GTypedHandlers& handlers) {
  return handlers.HandleTransformAttribute(*this);
}

std::uint32_t GTransformAttribute::StoredByteCount() const {
  return GAttribute::StoredByteCount() + vel::kClassVersionSize + 3 * 2 + 2 * 4;
}

void GTransformAttribute::RestoreContents(RWVirtualInStream& stream) {
  vel::RestoreFieldsAfter<GAttribute>(*this, stream, rotation_, translation_.x, translation_.y,
                                      scale_.x, scale_.y);
}

void GTransformAttribute::RestoreContents(RWBinaryFile& file) {
  vel::RestoreFieldsAfter<GAttribute>(*this, file, rotation_, translation_.x, translation_.y,
                                      scale_.x, scale_.y);
}

void GTransformAttribute::SaveContents(RWVirtualOutStream& stream) const {
  vel::SaveFieldsAfter<GAttribute>(*this, stream, rotation_, translation_.x, translation_.y,
                                   scale_.x, scale_.y);
}

void GTransformAttribute::SaveContents(RWBinaryFile& file) const {
  vel::SaveFieldsAfter<GAttribute>(*this, file, rotation_, translation_.x, translation_.y, scale_.x,
                                   scale_.y);
}

GTransformAttribute operator+(const GTransformAttribute& a, const GTransformAttribute& b) {
  return Combine(Op::kAdd, Op::kMultiply, a, b);
}

GTransformAttribute operator-(const GTransformAttribute& a, const GTransformAttribute& b) {
  return Combine(Op::kSubtract, Op::kDivide, a, b);
}

GTransformAttribute operator*(const GTransformAttribute& a, const GTransformAttribute& b) {
  return Combine(Op::kMultiply, Op::kMultiply, a, b);
}

GTransformAttribute operator/(const GTransformAttribute& a, const GTransformAttribute& b) {
  return Combine(Op::kDivide, Op::kDivide, a, b);
}

GTransformAttribute operator+(const GTransformAttribute& a, std::int16_t k) {
  return Combine(Op::kAdd, a, k);
}

GTransformAttribute operator-(const GTransformAttribute& a, std::int16_t k) {
  return Combine(Op::kSubtract, a, k);
}

GTransformAttribute operator*(const GTransformAttribute& a, std::int16_t k) {
  return Combine(Op::kMultiply, a, k);
}

GTransformAttribute operator/(const GTransformAttribute& a, std::int16_t k) {
  return Combine(Op::kDivide, a, k);
}

GTransformAttribute Concatenate(const GTransformAttribute& earlier,
                                const GTransformAttribute& later) {
  const GScale earlier_scale = earlier.GetScale();
  const GScale later_scale = later.GetScale();
  const GPoint earlier_origin = earlier.GetTranslation();
  const GPoint later_origin = later.GetTranslation();
  // The earlier origin as the later stage scales it, then turned by the later rotation.
  const float x = later_scale.x * static_cast<float>(earlier_origin.x);
  const float y = later_scale.y * static_cast<float>(earlier_origin.y);
  float c = 1.0f;
  float s = 0.0f;
  CosSin(later.GetRotation(), c, s);
  const float turned_x = x * c + y * s;
  const float turned_y = -x * s + y * c;
  return GTransformAttribute(
      Apply(Op::kAdd, earlier.GetRotation(), later.GetRotation()),
      GPoint{Coordinate(static_cast<float>(later_origin.x) + turned_x),
             Coordinate(static_cast<float>(later_origin.y) + turned_y)},
      GScale{earlier_scale.x * later_scale.x, earlier_scale.y * later_scale.y});
}
