// PCL XL operators of images and raster patterns.
#include "framework/output/pclxl/XLImageOperators.h"

#include "framework/output/pclxl/XLEncoder.h"
#include "framework/output/pclxl/XLStreamInternal.h"
#include "framework/output/pclxl/XLTags.h"

namespace {

using vel::xl::Pair;
using vel::xl::Value;

// The source description that BeginImage and BeginRastPattern open with.
template <typename Size, typename Destination>
void Source(XLStream* stream,
            std::uint8_t color_mapping,
            std::uint8_t color_depth,
            Size source_width,
            Size source_height,
            Destination destination_width,
            Destination destination_height) {
  XLUByte(stream, color_mapping);
  XLWriteAttribute(stream, kXLAttrColorMapping);
  XLUByte(stream, color_depth);
  XLWriteAttribute(stream, kXLAttrColorDepth);
  Value(stream, source_width);
  XLWriteAttribute(stream, kXLAttrSourceWidth);
  Value(stream, source_height);
  XLWriteAttribute(stream, kXLAttrSourceHeight);
  Pair(stream, destination_width, destination_height);
  XLWriteAttribute(stream, kXLAttrDestinationSize);
}

template <typename Line>
void ReadBlock(XLStream* stream,
               Line start_line,
               Line block_height,
               std::uint8_t compress_mode,
               std::uint8_t op) {
  Value(stream, start_line);
  XLWriteAttribute(stream, kXLAttrStartLine);
  Value(stream, block_height);
  XLWriteAttribute(stream, kXLAttrBlockHeight);
  XLUByte(stream, compress_mode);
  XLWriteAttribute(stream, kXLAttrCompressMode);
  XLWriteOperator(stream, op);
}

}  // namespace

void XLBeginImage(XLStream* stream,
                  std::uint8_t color_mapping,
                  std::uint8_t color_depth,
                  std::uint16_t source_width,
                  std::uint16_t source_height,
                  std::uint16_t destination_width,
                  std::uint16_t destination_height) {
  Source(stream, color_mapping, color_depth, source_width, source_height, destination_width,
         destination_height);
  XLWriteOperator(stream, kXLOpBeginImage);
}

void XLBeginImageUInt32(XLStream* stream,
                        std::uint8_t color_mapping,
                        std::uint8_t color_depth,
                        std::uint32_t source_width,
                        std::uint32_t source_height,
                        std::uint16_t destination_width,
                        std::uint16_t destination_height) {
  Source(stream, color_mapping, color_depth, source_width, source_height, destination_width,
         destination_height);
  XLWriteOperator(stream, kXLOpBeginImage);
}

void XLReadImage(XLStream* stream,
                 std::uint16_t start_line,
                 std::uint16_t block_height,
                 std::uint8_t compress_mode) {
  ReadBlock(stream, start_line, block_height, compress_mode, kXLOpReadImage);
}

void XLReadImageUInt32(XLStream* stream,
                       std::uint32_t start_line,
                       std::uint32_t block_height,
                       std::uint8_t compress_mode) {
  ReadBlock(stream, start_line, block_height, compress_mode, kXLOpReadImage);
}

void XLReadRastPattern(XLStream* stream,
                       std::uint16_t start_line,
                       std::uint16_t block_height,
                       std::uint8_t compress_mode) {
  ReadBlock(stream, start_line, block_height, compress_mode, kXLOpReadRastPattern);
}

void XLReadRastPatternUInt32(XLStream* stream,
                             std::uint32_t start_line,
                             std::uint32_t block_height,
                             std::uint8_t compress_mode) {
  ReadBlock(stream, start_line, block_height, compress_mode, kXLOpReadRastPattern);
}

void XLEndImage(XLStream* stream) {
  XLWriteOperator(stream, kXLOpEndImage);
}

void XLEndRastPattern(XLStream* stream) {
  XLWriteOperator(stream, kXLOpEndRastPattern);
}

void XLBeginRastPattern(XLStream* stream,
                        std::uint8_t color_mapping,
                        std::uint8_t color_depth,
                        std::uint16_t source_width,
                        std::uint16_t source_height,
                        std::uint16_t destination_width,
                        std::uint16_t destination_height,
                        std::int16_t pattern_id,
                        std::uint8_t persistence) {
  Source(stream, color_mapping, color_depth, source_width, source_height, destination_width,
         destination_height);
  XLSInt16(stream, pattern_id);
  XLWriteAttribute(stream, kXLAttrPatternDefineID);
  XLUByte(stream, persistence);
  XLWriteAttribute(stream, kXLAttrPatternPersistence);
  XLWriteOperator(stream, kXLOpBeginRastPattern);
}

void XLBeginRastPatternUInt32(XLStream* stream,
                              std::uint8_t color_mapping,
                              std::uint8_t color_depth,
                              std::uint32_t source_width,
                              std::uint32_t source_height,
                              std::uint32_t destination_width,
                              std::uint32_t destination_height,
                              std::int16_t pattern_id) {
  Source(stream, color_mapping, color_depth, source_width, source_height, destination_width,
         destination_height);
  XLSInt16(stream, pattern_id);
  XLWriteAttribute(stream, kXLAttrPatternDefineID);
  XLWriteOperator(stream, kXLOpBeginRastPattern);
}
