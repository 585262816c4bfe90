// PCL XL text operators: Text (0xA8) and TextPath (0xA9).
//
// TextData is written as a ubyte_array (8-bit codes) or, for the functions ending in UInt16, as a
// uint16_array (16-bit codes). Spacing values are signed 16-bit numbers:
//   (no spacing)   TextData
//   XYSpacing      TextData, XSpacingData sint16_array, YSpacingData sint16_array
//   XSpacing       TextData, XSpacingData
//   YSpacing       TextData, YSpacingData
// A single spacing array is written as a ubyte_array of the low bytes when every value lies in
// 0..255, otherwise as a sint16_array. The stream must be valid; a count above 65535 raises
// kXLCountTooLarge.
#pragma once

#include <cstdint>

#include "framework/output/pclxl/XLStream.h"

void XLText(XLStream* stream, const std::uint8_t* text, std::uint32_t count);
void XLTextUInt16(XLStream* stream, const std::uint16_t* text, std::uint32_t count);
void XLTextXYSpacing(XLStream* stream,
                     const std::uint8_t* text,
                     std::uint32_t count,
                     const std::int16_t* x_spacing,
                     std::uint32_t x_count,
                     const std::int16_t* y_spacing,
                     std::uint32_t y_count);
void XLTextXYSpacingUInt16(XLStream* stream,
                           const std::uint16_t* text,
                           std::uint32_t count,
                           const std::int16_t* x_spacing,
                           std::uint32_t x_count,
                           const std::int16_t* y_spacing,
                           std::uint32_t y_count);
void XLTextXSpacing(XLStream* stream,
                    const std::uint8_t* text,
                    std::uint32_t count,
                    const std::int16_t* x_spacing,
                    std::uint32_t x_count);
void XLTextXSpacingUInt16(XLStream* stream,
                          const std::uint16_t* text,
                          std::uint32_t count,
                          const std::int16_t* x_spacing,
                          std::uint32_t x_count);
void XLTextYSpacing(XLStream* stream,
                    const std::uint8_t* text,
                    std::uint32_t count,
                    const std::int16_t* y_spacing,
                    std::uint32_t y_count);
void XLTextYSpacingUInt16(XLStream* stream,
                          const std::uint16_t* text,
                          std::uint32_t count,
                          const std::int16_t* y_spacing,
                          std::uint32_t y_count);

void XLTextPath(XLStream* stream, const std::uint8_t* text, std::uint32_t count);
void XLTextPathUInt16(XLStream* stream, const std::uint16_t* text, std::uint32_t count);
void XLTextPathXYSpacing(XLStream* stream,
                         const std::uint8_t* text,
                         std::uint32_t count,
                         const std::int16_t* x_spacing,
                         std::uint32_t x_count,
                         const std::int16_t* y_spacing,
                         std::uint32_t y_count);
void XLTextPathXYSpacingUInt16(XLStream* stream,
                               const std::uint16_t* text,
                               std::uint32_t count,
                               const std::int16_t* x_spacing,
                               std::uint32_t x_count,
                               const std::int16_t* y_spacing,
                               std::uint32_t y_count);
void XLTextPathXSpacing(XLStream* stream,
                        const std::uint8_t* text,
                        std::uint32_t count,
                        const std::int16_t* x_spacing,
                        std::uint32_t x_count);
void XLTextPathXSpacingUInt16(XLStream* stream,
                              const std::uint16_t* text,
                              std::uint32_t count,
                              const std::int16_t* x_spacing,
                              std::uint32_t x_count);
void XLTextPathYSpacing(XLStream* stream,
                        const std::uint8_t* text,
                        std::uint32_t count,
                        const std::int16_t* y_spacing,
                        std::uint32_t y_count);
void XLTextPathYSpacingUInt16(XLStream* stream,
                              const std::uint16_t* text,
                              std::uint32_t count,
                              const std::int16_t* y_spacing,
                              std::uint32_t y_count);
