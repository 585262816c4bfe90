// The two-axis spacing stepper: even spreading, a kept axis 2, exhausted axes.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "framework/pipeline/GDDAStepper.h"

namespace {

using Axis = GDDAStepper::Axis;
using Which = GDDAStepper::Which;

// An axis that spreads `total` over `steps` steps.
Axis Spread(std::int16_t total, std::int16_t steps) {
  return Axis{static_cast<std::int16_t>(total / steps), steps,
              static_cast<std::int16_t>(total % steps), steps, steps};
}

TEST(GDDAStepperTest, SpreadsATotalEvenlyAndExactly) {
  GDDAStepper stepper(Axis{}, Spread(10, 4), 0, GDDAStepper::kModeCombined);
  EXPECT_TRUE(stepper.HasSteps());
  std::vector<int> steps;
  for (int i = 0; i < 4; ++i) {
    steps.push_back(stepper.StepBoth());
  }
  EXPECT_EQ(steps, (std::vector<int>{2, 3, 2, 3}));
  EXPECT_FALSE(stepper.HasSteps());

  // Any total over any count of steps sums exactly, each step base or base + 1.
  for (std::int16_t total : {0, 1, 7, 100, 4858}) {
    for (std::int16_t count : {1, 3, 64, 127}) {
      GDDAStepper spread(Axis{}, Spread(total, count), 0, 0);
      int sum = 0;
      for (int i = 0; i < count; ++i) {
        const int step = spread.StepAxis(Which::kAxis1);
        EXPECT_TRUE(step == total / count || step == total / count + 1);
        sum += step;
      }
      EXPECT_EQ(sum, total) << total << " over " << count;
    }
  }
}

TEST(GDDAStepperTest, KeptAxis2AddsItsBaseToEveryCombinedStep) {
  // Axis 2's own counts are replaced: it never runs out.
  GDDAStepper stepper(Axis{5, 9, 3, 0, 7}, Spread(10, 4), 1, GDDAStepper::kModeCombined);
  EXPECT_EQ(stepper.GetAxis2().decrement, 0);
  EXPECT_EQ(stepper.GetAxis2().remaining, 1);
  std::vector<int> steps;
  for (int i = 0; i < 5; ++i) {
    steps.push_back(stepper.StepBoth());
  }
  // Axis 1 is used up after four steps; the fifth gives axis 2's base alone.
  EXPECT_EQ(steps, (std::vector<int>{7, 8, 7, 8, 5}));
  EXPECT_TRUE(stepper.HasSteps());  // axis 2 stays
  EXPECT_EQ(stepper.StepAxis2(), 5);
  EXPECT_EQ(stepper.GetAxis2().remaining, 1);

  // Another mode leaves axis 2 alone.
  GDDAStepper alone(Axis{5, 1, 0, 1, 1}, Spread(10, 4), 1, 0);
  EXPECT_EQ(alone.StepBoth(), 2);
}

TEST(GDDAStepperTest, AnExhaustedAxisAnswersZeroAndStaysExhausted) {
  GDDAStepper empty;
  EXPECT_FALSE(empty.HasSteps());
  EXPECT_EQ(empty.StepAxis(Which::kAxis1), 0);
  EXPECT_EQ(empty.StepAxis(Which::kAxis1), 0);
  EXPECT_EQ(empty.GetAxis1().remaining, 0);

  GDDAStepper once(Axis{}, Axis{4, 1, 0, 1, 1}, 0, 0);
  EXPECT_EQ(once.StepAxis(Which::kAxis1), 4);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(once.StepAxis(Which::kAxis1), 0);
  }
  EXPECT_EQ(once.GetAxis1().remaining, 0);
  EXPECT_FALSE(once.HasSteps());

  // A negative count has no steps (it would otherwise run through the whole 16-bit range).
  GDDAStepper negative(Axis{}, Axis{4, 1, 0, -1, 1}, 0, 0);
  EXPECT_FALSE(negative.HasSteps());
  EXPECT_EQ(negative.StepAxis(Which::kAxis1), 0);
  EXPECT_EQ(negative.GetAxis1().remaining, -1);
}

}  // namespace
