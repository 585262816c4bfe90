// PCL XL operators of font and character download (0x4F-0x56).
//
// Each function writes its attribute list (value, attribute id) in the order of its arguments and
// then the operator byte. ReadFontHeader and ReadChar are followed at once by the caller's
// embedded data (XLDataLength and the raw writers of XLEncoder.h). The stream must be valid.
#pragma once

#include <cstdint>

#include "framework/output/pclxl/XLStream.h"

// BeginFontHeader (0x4F): FontName ubyte_array, FontFormat ubyte.
void XLBeginFontHeader(XLStream* stream,
                       const std::uint8_t* name,
                       std::uint32_t count,
                       std::uint8_t format);

// ReadFontHeader (0x50): FontHeaderLength uint16.
void XLReadFontHeader(XLStream* stream, std::uint16_t length);

// EndFontHeader (0x51).
void XLEndFontHeader(XLStream* stream);

// BeginChar (0x52): FontName ubyte_array.
void XLBeginChar(XLStream* stream, const std::uint8_t* name, std::uint32_t count);

// ReadChar (0x53): CharCode uint16, CharDataSize uint32.
void XLReadChar(XLStream* stream, std::uint16_t char_code, std::uint32_t data_size);

// EndChar (0x54).
void XLEndChar(XLStream* stream);

// RemoveFont (0x55): FontName ubyte_array.
void XLRemoveFont(XLStream* stream, const std::uint8_t* name, std::uint32_t count);

// SetCharAttributes (0x56): WritingMode (0xAD) ubyte.
void XLSetCharAttributes(XLStream* stream, std::uint8_t writing_mode);
