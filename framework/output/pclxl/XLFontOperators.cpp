// PCL XL operators of font and character download.
#include "framework/output/pclxl/XLFontOperators.h"

#include "framework/output/pclxl/XLEncoder.h"
#include "framework/output/pclxl/XLTags.h"

namespace {

void FontNameOperator(XLStream* stream,
                      const std::uint8_t* name,
                      std::uint32_t count,
                      std::uint8_t op) {
  XLUByteArray(stream, name, count);
  XLWriteAttribute(stream, kXLAttrFontName);
  XLWriteOperator(stream, op);
}

}  // namespace

void XLBeginFontHeader(XLStream* stream,
                       const std::uint8_t* name,
                       std::uint32_t count,
                       std::uint8_t format) {
  XLUByteArray(stream, name, count);
  XLWriteAttribute(stream, kXLAttrFontName);
  XLUByte(stream, format);
  XLWriteAttribute(stream, kXLAttrFontFormat);
  XLWriteOperator(stream, kXLOpBeginFontHeader);
}

void XLReadFontHeader(XLStream* stream, std::uint16_t length) {
  XLUInt16(stream, length);
  XLWriteAttribute(stream, kXLAttrFontHeaderLength);
  XLWriteOperator(stream, kXLOpReadFontHeader);
}

void XLEndFontHeader(XLStream* stream) {
  XLWriteOperator(stream, kXLOpEndFontHeader);
}

void XLBeginChar(XLStream* stream, const std::uint8_t* name, std::uint32_t count) {
  FontNameOperator(stream, name, count, kXLOpBeginChar);
}

void XLReadChar(XLStream* stream, std::uint16_t char_code, std::uint32_t data_size) {
  XLUInt16(stream, char_code);
  XLWriteAttribute(stream, kXLAttrCharCode);
  XLUInt32(stream, data_size);
  XLWriteAttribute(stream, kXLAttrCharDataSize);
  XLWriteOperator(stream, kXLOpReadChar);
}

void XLEndChar(XLStream* stream) {
  XLWriteOperator(stream, kXLOpEndChar);
}

void XLRemoveFont(XLStream* stream, const std::uint8_t* name, std::uint32_t count) {
  FontNameOperator(stream, name, count, kXLOpRemoveFont);
}

void XLSetCharAttributes(XLStream* stream, std::uint8_t writing_mode) {
  XLUByte(stream, writing_mode);
  XLWriteAttribute(stream, kXLAttrWritingMode);
  XLWriteOperator(stream, kXLOpSetCharAttributes);
}
