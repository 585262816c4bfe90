// The pieces the page filters share.
#include "framework/pipeline/PageFilterParts.h"

#include <cmath>
#include <limits>
#include <memory>
#include <new>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GRangeAttribute.h"
#include "framework/core/GState.h"
#include "framework/core/GValueAttribute.h"
#include "framework/pipeline/GCommand.h"
#include "framework/pipeline/GTransformAttribute.h"

namespace vel {

std::int32_t SettingNumber(const GBaseObject* attribute, std::int32_t fallback) {
  if (const auto* value = dynamic_cast<const GValueAttribute*>(attribute)) {
    return static_cast<std::int16_t>(value->GetValue());
  }
  if (const auto* range = dynamic_cast<const GRangeAttribute*>(attribute)) {
    return range->GetValue();
  }
  return fallback;
}

std::int16_t TruncateToShort(float value) {
  if (std::isnan(value)) {
    return 0;
  }
  if (value >= static_cast<float>(std::numeric_limits<std::int16_t>::max())) {
    return std::numeric_limits<std::int16_t>::max();
  }
  if (value <= static_cast<float>(std::numeric_limits<std::int16_t>::min())) {
    return std::numeric_limits<std::int16_t>::min();
  }
  return static_cast<std::int16_t>(value);
}

std::int32_t ReduceDegrees(std::int32_t angle) {
  const std::int32_t reduced = angle % 360;
  return reduced < 0 ? reduced + 360 : reduced;
}

void ConcatenateCommandTransform(GCommand& command, const GTransformAttribute& page) {
  GState* bundle = command.GetGraphicBundle();
  if (bundle == nullptr) {
    return;
  }
  std::unique_ptr<GBaseObject> found(bundle->RemoveByClassId(classid::kGTransformAttribute));
  if (const auto* transform = dynamic_cast<const GTransformAttribute*>(found.get())) {
    bundle->SetAttribute(new (std::nothrow) GTransformAttribute(Concatenate(*transform, page)));
  }
}

}  // namespace vel
