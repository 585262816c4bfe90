// GDDAStepper: spreads a whole number of units evenly over a number of steps, in the manner of a
// line-drawing stepper, on two axes. Each step of an axis yields its base amount or the base plus
// one, so that after all steps the total comes out exact: to spread a total T over N steps, set
// base = T / N, decrement = T mod N, addBack = N, error = N and remaining = N.
#pragma once

#include <cstdint>

class GDDAStepper {
 public:
  // One axis, five signed 16-bit words.
  struct Axis {
    std::int16_t base = 0;       // the amount of an ordinary step
    std::int16_t error = 1;      // running error term
    std::int16_t decrement = 0;  // subtracted from the error at every step
    std::int16_t remaining = 0;  // steps left
    std::int16_t add_back = 0;   // added to the error when it drops below 1
  };

  enum class Which { kAxis1, kAxis2 };

  // A combined step adds axis 2's step to axis 1's.
  static constexpr std::int32_t kModeCombined = 1;

  // Both axes empty (base 0, error 1); axis 2 kept; combined mode.
  GDDAStepper() = default;
  // Copies both axes. With `keep_axis2` set, axis 2 never runs out: its decrement becomes 0 and
  // its error, remaining and addBack 1, so that it yields its base at every step.
  GDDAStepper(const Axis& axis2, const Axis& axis1, std::int32_t keep_axis2, std::int32_t mode);
  virtual ~GDDAStepper() = default;

  // One step of axis 2; a kept axis 2 gets its remaining count back afterwards.
  virtual std::int16_t StepAxis2();
  // One step of axis 1, plus one of axis 2 in combined mode.
  virtual std::int16_t StepBoth();
  // One step of an axis: base or base + 1, and one step fewer left; 0 when no step is left (a
  // count of 0 stays 0, and a negative count counts as none left).
  virtual std::int16_t StepAxis(Which which);

  // True while either axis has steps left that move by something (a base or a decrement).
  bool HasSteps() const;

  const Axis& GetAxis1() const { return axis1_; }
  const Axis& GetAxis2() const { return axis2_; }

 private:
  Axis& AxisOf(Which which) { return which == Which::kAxis1 ? axis1_ : axis2_; }

  Axis axis1_;
  Axis axis2_;
  std::int32_t keep_axis2_ = 1;
  std::int32_t mode_ = kModeCombined;
};
