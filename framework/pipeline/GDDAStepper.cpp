// GDDAStepper: the two-axis spacing stepper.
#include "framework/pipeline/GDDAStepper.h"

namespace {

bool Moves(const GDDAStepper::Axis& axis) {
  return axis.remaining > 0 && (axis.base != 0 || axis.decrement != 0);
}

}  // namespace

GDDAStepper::GDDAStepper(const Axis& axis2, const Axis& axis1, std::int32_t keep_axis2,
                         std::int32_t mode)
    : axis1_(axis1), axis2_(axis2), keep_axis2_(keep_axis2), mode_(mode) {
  if (keep_axis2_ != 0) {
    axis2_.decrement = 0;
    axis2_.error = 1;
    axis2_.remaining = 1;
    axis2_.add_back = 1;
  }
}

std::int16_t GDDAStepper::StepAxis(Which which) {
  Axis& axis = AxisOf(which);
  if (axis.remaining <= 0) {
    return 0;  // a count that is used up (or was never positive) stays as it is
  }
  axis.error = static_cast<std::int16_t>(axis.error - axis.decrement);
  std::int16_t step = axis.base;
  if (axis.error < 1) {
    axis.error = static_cast<std::int16_t>(axis.error + axis.add_back);
    step = static_cast<std::int16_t>(step + 1);
  }
  axis.remaining = static_cast<std::int16_t>(axis.remaining - 1);
  return step;
}

std::int16_t GDDAStepper::StepAxis2() {
  const std::int16_t remaining = axis2_.remaining;
  const std::int16_t step = StepAxis(Which::kAxis2);
  if (keep_axis2_ != 0) {
    axis2_.remaining = remaining;
  }
  return step;
}

std::int16_t GDDAStepper::StepBoth() {
  std::int16_t step = StepAxis(Which::kAxis1);
  if (mode_ == kModeCombined) {
    step = static_cast<std::int16_t>(step + StepAxis2());
  }
  return step;
}

bool GDDAStepper::HasSteps() const { return Moves(axis2_) || Moves(axis1_); }
