// PCL XL text operators.
#include "framework/output/pclxl/XLTextOperators.h"

#include "framework/output/pclxl/XLEncoder.h"
#include "framework/output/pclxl/XLTags.h"

namespace {

void TextData(XLStream* stream, const std::uint8_t* text, std::uint32_t count) {
  XLUByteArray(stream, text, count);
  XLWriteAttribute(stream, kXLAttrTextData);
}

void TextData(XLStream* stream, const std::uint16_t* text, std::uint32_t count) {
  XLUInt16Array(stream, text, count);
  XLWriteAttribute(stream, kXLAttrTextData);
}

void Spacing(XLStream* stream,
             const std::int16_t* spacing,
             std::uint32_t count,
             std::uint8_t attribute) {
  XLSInt16Array(stream, spacing, count);
  XLWriteAttribute(stream, attribute);
}

// A single spacing array: bytes when every value fits 0..255, which halves its size.
void CompactSpacing(XLStream* stream,
                    const std::int16_t* spacing,
                    std::uint32_t count,
                    std::uint8_t attribute) {
  bool bytes = true;
  for (std::uint32_t i = 0; i < count && bytes; ++i) {
    bytes = spacing[i] >= 0 && spacing[i] <= 255;
  }
  if (bytes) {
    XLUByteArrayFrom16(stream, reinterpret_cast<const std::uint16_t*>(spacing), count);
  } else {
    XLSInt16Array(stream, spacing, count);
  }
  XLWriteAttribute(stream, attribute);
}

template <typename Code>
void Text(XLStream* stream, const Code* text, std::uint32_t count, std::uint8_t op) {
  TextData(stream, text, count);
  XLWriteOperator(stream, op);
}

template <typename Code>
void TextXY(XLStream* stream,
            const Code* text,
            std::uint32_t count,
            const std::int16_t* x_spacing,
            std::uint32_t x_count,
            const std::int16_t* y_spacing,
            std::uint32_t y_count,
            std::uint8_t op) {
  TextData(stream, text, count);
  Spacing(stream, x_spacing, x_count, kXLAttrXSpacingData);
  Spacing(stream, y_spacing, y_count, kXLAttrYSpacingData);
  XLWriteOperator(stream, op);
}

template <typename Code>
void TextOneSpacing(XLStream* stream,
                    const Code* text,
                    std::uint32_t count,
                    const std::int16_t* spacing,
                    std::uint32_t spacing_count,
                    std::uint8_t attribute,
                    std::uint8_t op) {
  TextData(stream, text, count);
  CompactSpacing(stream, spacing, spacing_count, attribute);
  XLWriteOperator(stream, op);
}

}  // namespace

void XLText(XLStream* stream, const std::uint8_t* text, std::uint32_t count) {
  Text(stream, text, count, kXLOpText);
}

void XLTextUInt16(XLStream* stream, const std::uint16_t* text, std::uint32_t count) {
  Text(stream, text, count, kXLOpText);
}

void XLTextXYSpacing(XLStream* stream,
                     const std::uint8_t* text,
                     std::uint32_t count,
                     const std::int16_t* x_spacing,
                     std::uint32_t x_count,
                     const std::int16_t* y_spacing,
                     std::uint32_t y_count) {
  TextXY(stream, text, count, x_spacing, x_count, y_spacing, y_count, kXLOpText);
}

void XLTextXYSpacingUInt16(XLStream* stream,
                           const std::uint16_t* text,
                           std::uint32_t count,
                           const std::int16_t* x_spacing,
                           std::uint32_t x_count,
                           const std::int16_t* y_spacing,
                           std::uint32_t y_count) {
  TextXY(stream, text, count, x_spacing, x_count, y_spacing, y_count, kXLOpText);
}

void XLTextXSpacing(XLStream* stream,
                    const std::uint8_t* text,
                    std::uint32_t count,
                    const std::int16_t* x_spacing,
                    std::uint32_t x_count) {
  TextOneSpacing(stream, text, count, x_spacing, x_count, kXLAttrXSpacingData, kXLOpText);
}

void XLTextXSpacingUInt16(XLStream* stream,
                          const std::uint16_t* text,
                          std::uint32_t count,
                          const std::int16_t* x_spacing,
                          std::uint32_t x_count) {
  TextOneSpacing(stream, text, count, x_spacing, x_count, kXLAttrXSpacingData, kXLOpText);
}

void XLTextYSpacing(XLStream* stream,
                    const std::uint8_t* text,
                    std::uint32_t count,
                    const std::int16_t* y_spacing,
                    std::uint32_t y_count) {
  TextOneSpacing(stream, text, count, y_spacing, y_count, kXLAttrYSpacingData, kXLOpText);
}

void XLTextYSpacingUInt16(XLStream* stream,
                          const std::uint16_t* text,
                          std::uint32_t count,
                          const std::int16_t* y_spacing,
                          std::uint32_t y_count) {
  TextOneSpacing(stream, text, count, y_spacing, y_count, kXLAttrYSpacingData, kXLOpText);
}

void XLTextPath(XLStream* stream, const std::uint8_t* text, std::uint32_t count) {
  Text(stream, text, count, kXLOpTextPath);
}

void XLTextPathUInt16(XLStream* stream, const std::uint16_t* text, std::uint32_t count) {
  Text(stream, text, count, kXLOpTextPath);
}

void XLTextPathXYSpacing(XLStream* stream,
                         const std::uint8_t* text,
                         std::uint32_t count,
                         const std::int16_t* x_spacing,
                         std::uint32_t x_count,
                         const std::int16_t* y_spacing,
                         std::uint32_t y_count) {
  TextXY(stream, text, count, x_spacing, x_count, y_spacing, y_count, kXLOpTextPath);
}

void XLTextPathXYSpacingUInt16(XLStream* stream,
                               const std::uint16_t* text,
                               std::uint32_t count,
                               const std::int16_t* x_spacing,
                               std::uint32_t x_count,
                               const std::int16_t* y_spacing,
                               std::uint32_t y_count) {
  TextXY(stream, text, count, x_spacing, x_count, y_spacing, y_count, kXLOpTextPath);
}

void XLTextPathXSpacing(XLStream* stream,
                        const std::uint8_t* text,
                        std::uint32_t count,
                        const std::int16_t* x_spacing,
                        std::uint32_t x_count) {
  TextOneSpacing(stream, text, count, x_spacing, x_count, kXLAttrXSpacingData, kXLOpTextPath);
}

void XLTextPathXSpacingUInt16(XLStream* stream,
                              const std::uint16_t* text,
                              std::uint32_t count,
                              const std::int16_t* x_spacing,
                              std::uint32_t x_count) {
  TextOneSpacing(stream, text, count, x_spacing, x_count, kXLAttrXSpacingData, kXLOpTextPath);
}

void XLTextPathYSpacing(XLStream* stream,
                        const std::uint8_t* text,
                        std::uint32_t count,
                        const std::int16_t* y_spacing,
                        std::uint32_t y_count) {
  TextOneSpacing(stream, text, count, y_spacing, y_count, kXLAttrYSpacingData, kXLOpTextPath);
}

void XLTextPathYSpacingUInt16(XLStream* stream,
                              const std::uint16_t* text,
                              std::uint32_t count,
                              const std::int16_t* y_spacing,
                              std::uint32_t y_count) {
  TextOneSpacing(stream, text, count, y_spacing, y_count, kXLAttrYSpacingData, kXLOpTextPath);
}
