// Pieces that the page filters share: reading a numeric setting from a command's bundle, and
// placing a command's own transform after the filter's page transform.
#pragma once

#include <cstdint>

class GBaseObject;
class GCommand;
class GTransformAttribute;

namespace vel {

// The 16-bit number that a value attribute (as its signed reading) or a range attribute holds;
// `fallback` for null and for any other kind of object.
std::int32_t SettingNumber(const GBaseObject* attribute, std::int32_t fallback);

// A float truncated toward zero and clamped into the signed 16-bit range (NaN gives 0).
std::int16_t TruncateToShort(float value);

// An angle in degrees reduced into 0 to 359.
std::int32_t ReduceDegrees(std::int32_t angle);

// When the command's bundle holds a transform (class 103), it is taken out and its concatenation
// with `page` (Concatenate(its transform, page)) is filed in its place with SetAttribute. A command
// without a bundle or without a transform is left as it is.
void ConcatenateCommandTransform(GCommand& command, const GTransformAttribute& page);

}  // namespace vel
