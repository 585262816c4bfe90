// PCL XL operators of images and raster patterns (0xB0-0xB5).
//
// Each function writes its attribute list (value, attribute id) in the order of its arguments and
// then the operator byte. ReadImage and ReadRastPattern are followed at once by the caller's
// embedded data holding the block (XLEmbedBytes). The stream must be valid.
#pragma once

#include <cstdint>

#include "framework/output/pclxl/XLStream.h"

// BeginImage (0xB0): ColorMapping ubyte, ColorDepth ubyte, SourceWidth, SourceHeight (uint16, or
// uint32 for the UInt32 function), DestinationSize uint16_xy.
void XLBeginImage(XLStream* stream,
                  std::uint8_t color_mapping,
                  std::uint8_t color_depth,
                  std::uint16_t source_width,
                  std::uint16_t source_height,
                  std::uint16_t destination_width,
                  std::uint16_t destination_height);
void XLBeginImageUInt32(XLStream* stream,
                        std::uint8_t color_mapping,
                        std::uint8_t color_depth,
                        std::uint32_t source_width,
                        std::uint32_t source_height,
                        std::uint16_t destination_width,
                        std::uint16_t destination_height);

// ReadImage (0xB1) and ReadRastPattern (0xB4): StartLine, BlockHeight (uint16, or uint32 for the
// UInt32 functions), CompressMode ubyte.
void XLReadImage(XLStream* stream,
                 std::uint16_t start_line,
                 std::uint16_t block_height,
                 std::uint8_t compress_mode);
void XLReadImageUInt32(XLStream* stream,
                       std::uint32_t start_line,
                       std::uint32_t block_height,
                       std::uint8_t compress_mode);
void XLReadRastPattern(XLStream* stream,
                       std::uint16_t start_line,
                       std::uint16_t block_height,
                       std::uint8_t compress_mode);
void XLReadRastPatternUInt32(XLStream* stream,
                             std::uint32_t start_line,
                             std::uint32_t block_height,
                             std::uint8_t compress_mode);

// EndImage (0xB2), EndRastPattern (0xB5).
void XLEndImage(XLStream* stream);
void XLEndRastPattern(XLStream* stream);

// BeginRastPattern (0xB3): ColorMapping ubyte, ColorDepth ubyte, SourceWidth uint16,
// SourceHeight uint16, DestinationSize uint16_xy, PatternDefineID sint16, PatternPersistence
// ubyte; the UInt32 function: SourceWidth uint32, SourceHeight uint32, DestinationSize
// uint32_xy, PatternDefineID sint16 and no PatternPersistence.
void XLBeginRastPattern(XLStream* stream,
                        std::uint8_t color_mapping,
                        std::uint8_t color_depth,
                        std::uint16_t source_width,
                        std::uint16_t source_height,
                        std::uint16_t destination_width,
                        std::uint16_t destination_height,
                        std::int16_t pattern_id,
                        std::uint8_t persistence);
void XLBeginRastPatternUInt32(XLStream* stream,
                              std::uint8_t color_mapping,
                              std::uint8_t color_depth,
                              std::uint32_t source_width,
                              std::uint32_t source_height,
                              std::uint32_t destination_width,
                              std::uint32_t destination_height,
                              std::int16_t pattern_id);
