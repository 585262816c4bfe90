// GRangeAttribute: a bounded signed 16-bit setting with a step (copies, memory sizes, scaling).
//
// The constructor repairs its arguments so that minimum <= value <= maximum and step != 0. The
// setters keep what they are given within limits of their own: changing a bound never re-clamps
// the value, and SetStep stores 0 as well (Increment and Decrement then leave the value alone).
//
// Stored form (after the attribute part):
//   u32  class version word, 1
//   i16  minimum
//   i16  maximum
//   u16  step
//   i16  value
// A restore takes the fields as stored, without repairing them.
#pragma once

#include <cstdint>

#include "framework/core/GAttribute.h"

class GRangeAttribute : public GAttribute {
 public:
  // Key 0, minimum 0, maximum 0, step 1, value 0.
  GRangeAttribute() = default;
  // Repairs in this order: a maximum below the minimum becomes the minimum; the value is clamped to
  // [minimum, maximum]; a step of 0 becomes 1.
  GRangeAttribute(std::int16_t minimum,
                  std::int16_t maximum,
                  std::uint16_t step,
                  std::int16_t value,
                  std::uint32_t key);
  GRangeAttribute(const GRangeAttribute& other) = default;
  GRangeAttribute& operator=(const GRangeAttribute& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // This object; or the same class and key and equal minimum, maximum, step and value.
  bool IsSameKey(const GBaseObject* other) const override;
  RWClassID CategoryId() const override;
  // HandleRangeAttribute.
  [[nodiscard]] std::uint16_t Accept(GTypedHandlers& handlers) override;

  std::int16_t GetMin() const { return minimum_; }
  std::int16_t GetMax() const { return maximum_; }
  std::uint16_t GetStep() const { return step_; }
  std::int16_t GetValue() const { return value_; }
  // The minimum becomes `minimum`, or the maximum when `minimum` is above it; answers `minimum`.
  std::int16_t SetMin(std::int16_t minimum);
  // The maximum becomes `maximum`, or the minimum when `maximum` is below it; answers `maximum`.
  std::int16_t SetMax(std::int16_t maximum);
  // Stores the step as given (0 included) and answers it.
  std::uint16_t SetStep(std::uint16_t step) { return step_ = step; }
  // The value clamped to [minimum, maximum].
  void SetValue(std::int16_t value);
  // The value plus, respectively minus, the step, clamped to [minimum, maximum].
  void Increment();
  void Decrement();
  bool Contains(std::int16_t value) const { return minimum_ <= value && value <= maximum_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GRangeAttribute"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
  // `value` (computed wide, so that a step cannot wrap) clamped to [minimum, maximum].
  std::int16_t Clamp(std::int32_t value) const;

  std::int16_t minimum_ = 0;
  std::int16_t maximum_ = 0;
  std::uint16_t step_ = 1;
  std::int16_t value_ = 0;
};
