// GRGBColor: components, stored form and 8-bit arithmetic.
#include "framework/pipeline/GRGBColor.h"

#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/pipeline/CommandParts.h"

namespace {

enum class Op { kAdd, kSubtract, kMultiply, kDivide };

// One component, wrapping modulo 256; a zero divisor leaves the dividend.
std::uint8_t Apply(Op op, std::uint8_t a, std::uint8_t b) {
  switch (op) {
    case Op::kAdd:
      return static_cast<std::uint8_t>(a + b);
    case Op::kSubtract:
      return static_cast<std::uint8_t>(a - b);
    case Op::kMultiply:
      return static_cast<std::uint8_t>(a * b);
    case Op::kDivide:
      return b == 0 ? a : static_cast<std::uint8_t>(a / b);
  }
  return a;
}

std::uint8_t Byte(std::uint32_t component) {
  return static_cast<std::uint8_t>(component);
}

// A new colour of the left operand's components with fourth byte 255, combined with the right.
GRGBColor Combine(Op op, const GRGBTriple& left, const GRGBTriple& right) {
  return GRGBColor(Apply(op, left.GetRed(), right.GetRed()),
                   Apply(op, left.GetGreen(), right.GetGreen()),
                   Apply(op, left.GetBlue(), right.GetBlue()), 255);
}

GRGBTriple Components(const GRGBColor& color) {
  return {Byte(color.GetRed()), Byte(color.GetGreen()), Byte(color.GetBlue())};
}

GRGBTriple Same(std::uint8_t k) {
  return {k, k, k};
}

// Applies `op` to `color` in place, then sets its fourth byte to 255.
GRGBColor& ApplyInPlace(GRGBColor& color, Op op, const GRGBTriple& right) {
  const GRGBColor result = Combine(op, Components(color), right);
  color.SetRGB(Byte(result.GetRed()), Byte(result.GetGreen()), Byte(result.GetBlue()), 255);
  return color;
}

}  // namespace

GRGBColor::GRGBColor(std::uint8_t red,
                     std::uint8_t green,
                     std::uint8_t blue,
                     std::uint8_t fourth_byte)
    : red_(red), green_(green), blue_(blue), fourth_byte_(fourth_byte) {}

GRGBColor::GRGBColor(const GRGBTriple& components, std::uint8_t fourth_byte)
    : GRGBColor(components.GetRed(), components.GetGreen(), components.GetBlue(), fourth_byte) {}

RWClassID GRGBColor::ClassId() {
  return vel::classid::kGRGBColor;
}

RWCollectable* GRGBColor::Create() {
  return new (std::nothrow) GRGBColor;
}

RWCollectable* GRGBColor::CreateInstance() const {
  return Create();
}

RWCollectable* GRGBColor::Clone() const {
  return new (std::nothrow) GRGBColor(*this);
}

RWClassID GRGBColor::IsA() const {
  return ClassId();
}

bool GRGBColor::IsKindOf(RWClassID id) const {
  return id == ClassId() || GColor::IsKindOf(id);
}

bool GRGBColor::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA()) {
    return false;
  }
  const auto* color = dynamic_cast<const GRGBColor*>(other);
  return color != nullptr && color->red_ == red_ && color->green_ == green_ &&
         color->blue_ == blue_ && color->fourth_byte_ == fourth_byte_;
}

std::uint8_t GRGBColor::SetFourthByte(std::uint8_t value) {
  fourth_byte_ = value;
  return fourth_byte_;
}

void GRGBColor::SetRGB(std::uint8_t red,
                       std::uint8_t green,
                       std::uint8_t blue,
                       std::uint8_t fourth_byte) {
  red_ = red;
  green_ = green;
  blue_ = blue;
  (void)SetFourthByte(fourth_byte);
}

GRGBColor& GRGBColor::operator+=(const GRGBColor& other) {
  return ApplyInPlace(*this, Op::kAdd, Components(other));
}

GRGBColor& GRGBColor::operator-=(const GRGBColor& other) {
  return ApplyInPlace(*this, Op::kSubtract, Components(other));
}

GRGBColor& GRGBColor::operator*=(const GRGBColor& other) {
  return ApplyInPlace(*this, Op::kMultiply, Components(other));
}

GRGBColor& GRGBColor::operator/=(const GRGBColor& other) {
  return ApplyInPlace(*this, Op::kDivide, Components(other));
}

GRGBColor& GRGBColor::operator+=(std::uint8_t k) {
  return ApplyInPlace(*this, Op::kAdd, Same(k));
}

GRGBColor& GRGBColor::operator-=(std::uint8_t k) {
  return ApplyInPlace(*this, Op::kSubtract, Same(k));
}

GRGBColor& GRGBColor::operator*=(std::uint8_t k) {
  return ApplyInPlace(*this, Op::kMultiply, Same(k));
}

GRGBColor& GRGBColor::operator/=(std::uint8_t k) {
  return ApplyInPlace(*this, Op::kDivide, Same(k));
}

GRGBColor operator+(const GRGBColor& a, const GRGBColor& b) {
  return Combine(Op::kAdd, Components(a), Components(b));
}

GRGBColor operator-(const GRGBColor& a, const GRGBColor& b) {
  return Combine(Op::kSubtract, Components(a), Components(b));
}

GRGBColor operator*(const GRGBColor& a, const GRGBColor& b) {
  return Combine(Op::kMultiply, Components(a), Components(b));
}

GRGBColor operator/(const GRGBColor& a, const GRGBColor& b) {
  return Combine(Op::kDivide, Components(a), Components(b));
}

GRGBColor operator+(const GRGBColor& a, std::uint8_t k) {
  return Combine(Op::kAdd, Components(a), Same(k));
}

GRGBColor operator-(const GRGBColor& a, std::uint8_t k) {
  return Combine(Op::kSubtract, Components(a), Same(k));
}

GRGBColor operator*(const GRGBColor& a, std::uint8_t k) {
  return Combine(Op::kMultiply, Components(a), Same(k));
}

GRGBColor operator/(const GRGBColor& a, std::uint8_t k) {
  return Combine(Op::kDivide, Components(a), Same(k));
}

GRGBColor operator+(std::uint8_t k, const GRGBColor& a) {
  return Combine(Op::kAdd, Same(k), Components(a));
}

GRGBColor operator-(std::uint8_t k, const GRGBColor& a) {
  return Combine(Op::kSubtract, Same(k), Components(a));
}

GRGBColor operator*(std::uint8_t k, const GRGBColor& a) {
  return Combine(Op::kMultiply, Same(k), Components(a));
}

GRGBColor operator/(std::uint8_t k, const GRGBColor& a) {
  return Combine(Op::kDivide, Same(k), Components(a));
}

std::uint32_t GRGBColor::StoredByteCount() const {
  return GColor::StoredByteCount() + vel::kClassVersionSize + 4;
}

void GRGBColor::SaveContents(RWVirtualOutStream& stream) const {
  vel::SaveFieldsAfter<GColor>(*this, stream, red_, green_, blue_, fourth_byte_);
}

void GRGBColor::SaveContents(RWBinaryFile& file) const {
  vel::SaveFieldsAfter<GColor>(*this, file, red_, green_, blue_, fourth_byte_);
}

void GRGBColor::RestoreContents(RWVirtualInStream& stream) {
  vel::RestoreFieldsAfter<GColor>(*this, stream, red_, green_, blue_, fourth_byte_);
}

void GRGBColor::RestoreContents(RWBinaryFile& file) {
  vel::RestoreFieldsAfter<GColor>(*this, file, red_, green_, blue_, fourth_byte_);
}
