// GWatermarkDescription: what the watermark filter hands the job's device so that the device can
// make the watermark graphic of a page: the text, its font, height, weight and style, its colour,
// and the values the device interprets itself. The fields stand in the order in which the device
// receives them; every value comes from the watermark group (379) of the document start, except
// the height (worked out for each page's media) and the handle (what the device answered when it
// prepared the watermark).
#pragma once

#include <cstdint>

#include "framework/pipeline/GRGBColor.h"
#include "rw/RWWString.h"

class GWatermarkDescription {
 public:
  RWWString text;                  // 385, widened from 8-bit text
  std::uint32_t text_length = 0;   // characters of the text
  RWWString font_name;             // 386
  std::int32_t height = 0;         // resolution x of the page media x size / -72: negative
  std::int32_t value_392 = 0;      // 392
  std::int32_t value_387 = 1;      // 387
  std::int32_t fourth_value = 4;   // always 4
  std::int32_t reserved[3] = {0, 0, 0};
  std::int32_t weight = 0;         // 700 when bit 0 of 388 is set, else 0
  std::uint32_t style_flags[3] = {0, 0, 0};  // bits 1, 2 and 3 of 388
  std::uint16_t fixed_value = 168; // always 168
  std::uint16_t size = 0;          // 390, points
  GRGBColor colour;                // 398 red, 399 green, 400 blue, fourth byte 255
  std::int32_t value_396 = 0;      // 396
  std::int32_t value_397 = 0;      // 397
  std::int32_t value_393 = 0;      // 393
  std::int32_t value_394 = 0;      // 394
  std::uint32_t handle = 0;        // the device's answer to preparing it; 0 = none
};
