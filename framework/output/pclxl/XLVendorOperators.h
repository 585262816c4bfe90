// The PCL XL vendor-unique operator (0x46) and its extensions.
//
// Every function writes first the extension's code as a uint32 value with attribute 0x91, then
// its own attributes, then operator 0x46. Codes hold "qz" in their high half (XLVendorCode).
// The stream must be valid.
#pragma once

#include <cstdint>

#include "framework/output/pclxl/XLStream.h"

// Extension 0x2002: 0x93 ubyte.
void XLVendorUnique2002(XLStream* stream, std::uint8_t attr93);

// Extension 0x2001: 0x93 ubyte, 0x94 ubyte.
void XLVendorUnique2001(XLStream* stream, std::uint8_t attr93, std::uint8_t attr94);

// Extensions 0x1001 and 0x1002: 0x93 ubyte, 0x94 uint16.
void XLVendorUnique1001(XLStream* stream, std::uint8_t attr93, std::uint16_t attr94);
void XLVendorUnique1002(XLStream* stream, std::uint8_t attr93, std::uint16_t attr94);

// Extension 0x1003, with data: 0x94 ubyte, 0x93 uint16, 0x92 uint32 = length; the operator; then
// the length bytes of data, raw, without a data-length tag.
void XLVendorUniqueData(XLStream* stream,
                        std::uint8_t attr94,
                        std::uint16_t attr93,
                        const std::uint8_t* data,
                        std::uint32_t length);

// The extension of kXLVendorExtensions[index], with as many of the given values as its level
// carries, in this order:
//
//   level  attributes after the code
//   5      (none)
//   4      0x97 uint32
//   3      0x97; 0x96, 0x95, 0x94, 0x93 uint16
//   2      0x97; 0x96 ... 0x93; 0x98 ubyte; 0x9B uint16
//   1      0x97; 0x96 ... 0x93; 0x98 ubyte; 0x9A real32, 0x99 real32
//
// An index beyond the table names no operator: it raises kXLOperatorUndefined and writes nothing.
void XLVendorUnique(XLStream* stream,
                    std::uint32_t index,
                    std::uint16_t attr93,
                    std::uint16_t attr94,
                    std::uint16_t attr95,
                    std::uint16_t attr96,
                    std::uint32_t attr97,
                    std::uint8_t attr98,
                    float attr99,
                    float attr9a,
                    std::uint16_t attr9b);
