// PCL XL operators of the graphics state.
#include "framework/output/pclxl/XLStateOperators.h"

#include "framework/output/pclxl/XLEncoder.h"
#include "framework/output/pclxl/XLStreamInternal.h"
#include "framework/output/pclxl/XLTags.h"

namespace {

using vel::xl::Box;
using vel::xl::Pair;
using vel::xl::Value;

// Operators of one attribute: a value, a pair or an array, its id, the operator.
template <typename T>
void ValueOperator(XLStream* stream, T value, std::uint8_t attribute, std::uint8_t op) {
  Value(stream, value);
  XLWriteAttribute(stream, attribute);
  XLWriteOperator(stream, op);
}

template <typename T>
void PairOperator(XLStream* stream, T x, T y, std::uint8_t attribute, std::uint8_t op) {
  Pair(stream, x, y);
  XLWriteAttribute(stream, attribute);
  XLWriteOperator(stream, op);
}

void ByteArrayOperator(XLStream* stream,
                       const std::uint8_t* values,
                       std::uint32_t count,
                       std::uint8_t attribute,
                       std::uint8_t op) {
  XLUByteArray(stream, values, count);
  XLWriteAttribute(stream, attribute);
  XLWriteOperator(stream, op);
}

// The sources of SetBrushSource and SetPenSource differ only in the operator and in the id of
// the null source.
void SourcePatternSize(XLStream* stream,
                       std::uint16_t width,
                       std::uint16_t height,
                       std::int16_t pattern_id,
                       std::uint8_t op) {
  XLUInt16XY(stream, width, height);
  XLWriteAttribute(stream, kXLAttrNewDestinationSize);
  XLSInt16(stream, pattern_id);
  XLWriteAttribute(stream, kXLAttrPatternSelectID);
  XLWriteOperator(stream, op);
}

void SourceRGBReal32(XLStream* stream, const float* rgb, std::uint32_t count, std::uint8_t op) {
  XLReal32Array(stream, rgb, count);
  XLWriteAttribute(stream, kXLAttrRGBColor);
  XLWriteOperator(stream, op);
}

void SourcePrimary(XLStream* stream,
                   std::uint8_t depth,
                   const std::uint8_t* primaries,
                   std::uint32_t count,
                   std::uint8_t op) {
  XLUByte(stream, depth);
  XLWriteAttribute(stream, kXLAttrPrimaryDepth);
  XLUByteArray(stream, primaries, count);
  XLWriteAttribute(stream, kXLAttrPrimaryArray);
  XLWriteOperator(stream, op);
}

template <typename T>
void ClipRectangle(XLStream* stream, T left, T top, T right, T bottom, std::uint8_t clip_region) {
  Box(stream, left, top, right, bottom);
  XLWriteAttribute(stream, kXLAttrBoundingBox);
  XLUByte(stream, clip_region);
  XLWriteAttribute(stream, kXLAttrClipRegion);
  XLWriteOperator(stream, kXLOpSetClipRectangle);
}

void Dither(XLStream* stream,
            std::uint16_t width,
            std::uint16_t height,
            std::uint8_t depth,
            std::uint8_t data_type) {
  XLUInt16XY(stream, width, height);
  XLWriteAttribute(stream, kXLAttrDitherMatrixSize);
  XLUByte(stream, depth);
  XLWriteAttribute(stream, kXLAttrDitherMatrixDepth);
  XLUByte(stream, data_type);
  XLWriteAttribute(stream, kXLAttrDitherMatrixDataType);
}

void RealArrayAttribute(XLStream* stream,
                        const float* values,
                        std::uint32_t count,
                        std::uint8_t attribute) {
  XLReal32Array(stream, values, count);
  XLWriteAttribute(stream, attribute);
}

void RealAttribute(XLStream* stream, float value, std::uint8_t attribute) {
  XLReal32(stream, value);
  XLWriteAttribute(stream, attribute);
}

}  // namespace

void XLPopGS(XLStream* stream) {
  XLWriteOperator(stream, kXLOpPopGS);
}

void XLPushGS(XLStream* stream) {
  XLWriteOperator(stream, kXLOpPushGS);
}

void XLSetClipReplace(XLStream* stream, std::uint8_t clip_region) {
  ValueOperator(stream, clip_region, kXLAttrClipRegion, kXLOpSetClipReplace);
}

void XLSetClipIntersect(XLStream* stream, std::uint8_t clip_region) {
  ValueOperator(stream, clip_region, kXLAttrClipRegion, kXLOpSetClipIntersect);
}

void XLSetBrushSourceGray(XLStream* stream, std::uint8_t gray) {
  ValueOperator(stream, gray, kXLAttrGrayLevel, kXLOpSetBrushSource);
}

void XLSetBrushSourceGrayReal32(XLStream* stream, float gray) {
  ValueOperator(stream, gray, kXLAttrGrayLevel, kXLOpSetBrushSource);
}

void XLSetBrushSourceNull(XLStream* stream, std::uint8_t null_brush) {
  ValueOperator(stream, null_brush, kXLAttrNullBrush, kXLOpSetBrushSource);
}

void XLSetBrushSourcePattern(XLStream* stream, std::int16_t pattern_id) {
  ValueOperator(stream, pattern_id, kXLAttrPatternSelectID, kXLOpSetBrushSource);
}

void XLSetBrushSourcePatternSize(XLStream* stream,
                                 std::uint16_t width,
                                 std::uint16_t height,
                                 std::int16_t pattern_id) {
  SourcePatternSize(stream, width, height, pattern_id, kXLOpSetBrushSource);
}

void XLSetBrushSourceRGB(XLStream* stream, const std::uint8_t* rgb, std::uint32_t count) {
  ByteArrayOperator(stream, rgb, count, kXLAttrRGBColor, kXLOpSetBrushSource);
}

void XLSetBrushSourceRGBReal32(XLStream* stream, const float* rgb, std::uint32_t count) {
  SourceRGBReal32(stream, rgb, count, kXLOpSetBrushSource);
}

void XLSetBrushSourcePrimary(XLStream* stream,
                             std::uint8_t depth,
                             const std::uint8_t* primaries,
                             std::uint32_t count) {
  SourcePrimary(stream, depth, primaries, count, kXLOpSetBrushSource);
}

void XLSetPenSourceGray(XLStream* stream, std::uint8_t gray) {
  ValueOperator(stream, gray, kXLAttrGrayLevel, kXLOpSetPenSource);
}

void XLSetPenSourceGrayReal32(XLStream* stream, float gray) {
  ValueOperator(stream, gray, kXLAttrGrayLevel, kXLOpSetPenSource);
}

void XLSetPenSourceNull(XLStream* stream, std::uint8_t null_pen) {
  ValueOperator(stream, null_pen, kXLAttrNullPen, kXLOpSetPenSource);
}

void XLSetPenSourcePattern(XLStream* stream, std::int16_t pattern_id) {
  ValueOperator(stream, pattern_id, kXLAttrPatternSelectID, kXLOpSetPenSource);
}

void XLSetPenSourcePatternSize(XLStream* stream,
                               std::uint16_t width,
                               std::uint16_t height,
                               std::int16_t pattern_id) {
  SourcePatternSize(stream, width, height, pattern_id, kXLOpSetPenSource);
}

void XLSetPenSourceRGB(XLStream* stream, const std::uint8_t* rgb, std::uint32_t count) {
  ByteArrayOperator(stream, rgb, count, kXLAttrRGBColor, kXLOpSetPenSource);
}

void XLSetPenSourceRGBReal32(XLStream* stream, const float* rgb, std::uint32_t count) {
  SourceRGBReal32(stream, rgb, count, kXLOpSetPenSource);
}

void XLSetPenSourcePrimary(XLStream* stream,
                           std::uint8_t depth,
                           const std::uint8_t* primaries,
                           std::uint32_t count) {
  SourcePrimary(stream, depth, primaries, count, kXLOpSetPenSource);
}

void XLSetCharAngleSInt16(XLStream* stream, std::int16_t angle) {
  ValueOperator(stream, angle, kXLAttrCharAngle, kXLOpSetCharAngle);
}

void XLSetCharAngleReal32(XLStream* stream, float angle) {
  ValueOperator(stream, angle, kXLAttrCharAngle, kXLOpSetCharAngle);
}

void XLSetCharScale(XLStream* stream, float x, float y) {
  PairOperator(stream, x, y, kXLAttrCharScale, kXLOpSetCharScale);
}

void XLSetCharShearSInt16(XLStream* stream, std::int16_t x, std::int16_t y) {
  PairOperator(stream, x, y, kXLAttrCharShear, kXLOpSetCharShear);
}

void XLSetCharShearReal32(XLStream* stream, float x, float y) {
  PairOperator(stream, x, y, kXLAttrCharShear, kXLOpSetCharShear);
}

void XLSetCharBoldValue(XLStream* stream, float bold_value) {
  ValueOperator(stream, bold_value, kXLAttrCharBoldValue, kXLOpSetCharBoldValue);
}

void XLSetCharSubMode(XLStream* stream, const std::uint8_t* modes, std::uint32_t count) {
  ByteArrayOperator(stream, modes, count, kXLAttrCharSubModeArray, kXLOpSetCharSubMode);
}

void XLSetClipRectangleSInt16(XLStream* stream,
                              std::int16_t left,
                              std::int16_t top,
                              std::int16_t right,
                              std::int16_t bottom,
                              std::uint8_t clip_region) {
  ClipRectangle(stream, left, top, right, bottom, clip_region);
}

void XLSetClipRectangleUInt16(XLStream* stream,
                              std::uint16_t left,
                              std::uint16_t top,
                              std::uint16_t right,
                              std::uint16_t bottom,
                              std::uint8_t clip_region) {
  ClipRectangle(stream, left, top, right, bottom, clip_region);
}

void XLSetClipRectangleSInt32(XLStream* stream,
                              std::int32_t left,
                              std::int32_t top,
                              std::int32_t right,
                              std::int32_t bottom,
                              std::uint8_t clip_region) {
  ClipRectangle(stream, left, top, right, bottom, clip_region);
}

void XLSetClipRectangleReal32(XLStream* stream,
                              float left,
                              float top,
                              float right,
                              float bottom,
                              std::uint8_t clip_region) {
  ClipRectangle(stream, left, top, right, bottom, clip_region);
}

void XLSetClipToPage(XLStream* stream) {
  XLWriteOperator(stream, kXLOpSetClipToPage);
}

void XLSetColorSpace(XLStream* stream, std::uint8_t color_space) {
  ValueOperator(stream, color_space, kXLAttrColorSpace, kXLOpSetColorSpace);
}

void XLSetColorSpacePalette(XLStream* stream,
                            std::uint8_t color_space,
                            std::uint8_t depth,
                            const std::uint8_t* palette,
                            std::uint32_t count) {
  XLUByte(stream, color_space);
  XLWriteAttribute(stream, kXLAttrColorSpace);
  XLUByte(stream, depth);
  XLWriteAttribute(stream, kXLAttrPaletteDepth);
  XLUByteArray(stream, palette, count);
  XLWriteAttribute(stream, kXLAttrPaletteData);
  XLWriteOperator(stream, kXLOpSetColorSpace);
}

void XLSetColorSpaceColorimetric(XLStream* stream,
                                 std::uint8_t attr11,
                                 const float* attr12,
                                 std::uint32_t count12,
                                 const float* attr13,
                                 std::uint32_t count13,
                                 const float* attr14,
                                 std::uint32_t count14,
                                 const float* attr15,
                                 std::uint32_t count15) {
  XLUByte(stream, attr11);
  XLWriteAttribute(stream, kXLAttrColorimetricColorSpace);
  RealArrayAttribute(stream, attr12, count12, kXLAttrXYChromaticities);
  RealArrayAttribute(stream, attr13, count13, kXLAttrWhiteReferencePoint);
  RealArrayAttribute(stream, attr14, count14, kXLAttrCRGBMinMax);
  RealArrayAttribute(stream, attr15, count15, kXLAttrGammaGain);
  XLWriteOperator(stream, kXLOpSetColorSpace);
}

void XLSetColorSpaceExtended(XLStream* stream,
                             std::uint8_t attr16,
                             float attr17,
                             float attr18,
                             float attr19,
                             float attr1a,
                             float attr1b,
                             float attr1c) {
  XLUByte(stream, attr16);
  XLWriteAttribute(stream, 0x16);
  RealAttribute(stream, attr17, 0x17);
  RealAttribute(stream, attr18, 0x18);
  RealAttribute(stream, attr19, 0x19);
  RealAttribute(stream, attr1a, 0x1A);
  RealAttribute(stream, attr1b, 0x1B);
  // Each value has an id of its own, as in every other attribute list; naming 0x1A twice would
  // make the printer reject the list.
  RealAttribute(stream, attr1c, 0x1C);
  XLWriteOperator(stream, kXLOpSetColorSpace);
}

void XLSetCursorSInt16(XLStream* stream, std::int16_t x, std::int16_t y) {
  PairOperator(stream, x, y, kXLAttrPoint, kXLOpSetCursor);
}

void XLSetCursorUInt16(XLStream* stream, std::uint16_t x, std::uint16_t y) {
  PairOperator(stream, x, y, kXLAttrPoint, kXLOpSetCursor);
}

void XLSetCursorSInt32(XLStream* stream, std::int32_t x, std::int32_t y) {
  PairOperator(stream, x, y, kXLAttrPoint, kXLOpSetCursor);
}

void XLSetCursorReal32(XLStream* stream, float x, float y) {
  PairOperator(stream, x, y, kXLAttrPoint, kXLOpSetCursor);
}

void XLSetCursorMeasure(XLStream* stream, std::uint8_t measure, float units_x, float units_y) {
  XLUByte(stream, measure);
  XLWriteAttribute(stream, kXLAttrMeasure);
  PairOperator(stream, units_x, units_y, kXLAttrUnitsPerMeasure, kXLOpSetCursor);
}

void XLSetCursorRelSInt16(XLStream* stream, std::int16_t x, std::int16_t y) {
  PairOperator(stream, x, y, kXLAttrPoint, kXLOpSetCursorRel);
}

void XLSetCursorRelUInt16(XLStream* stream, std::uint16_t x, std::uint16_t y) {
  PairOperator(stream, x, y, kXLAttrPoint, kXLOpSetCursorRel);
}

void XLSetCursorRelSInt32(XLStream* stream, std::int32_t x, std::int32_t y) {
  PairOperator(stream, x, y, kXLAttrPoint, kXLOpSetCursorRel);
}

void XLSetCursorRelReal32(XLStream* stream, float x, float y) {
  PairOperator(stream, x, y, kXLAttrPoint, kXLOpSetCursorRel);
}

void XLSetHalftoneMethod(XLStream* stream, std::uint8_t device_matrix) {
  ValueOperator(stream, device_matrix, kXLAttrDeviceMatrix, kXLOpSetHalftoneMethod);
}

void XLSetHalftoneMethodDither(XLStream* stream,
                               std::uint16_t width,
                               std::uint16_t height,
                               std::uint8_t depth,
                               std::uint8_t data_type) {
  Dither(stream, width, height, depth, data_type);
  XLWriteOperator(stream, kXLOpSetHalftoneMethod);
}

void XLSetHalftoneMethodDitherOrigin(XLStream* stream,
                                     std::uint16_t width,
                                     std::uint16_t height,
                                     std::uint8_t depth,
                                     std::uint8_t data_type,
                                     std::uint16_t origin_x,
                                     std::uint16_t origin_y) {
  Dither(stream, width, height, depth, data_type);
  PairOperator(stream, origin_x, origin_y, kXLAttrDitherOrigin, kXLOpSetHalftoneMethod);
}

void XLSetFillMode(XLStream* stream, std::uint8_t fill_mode) {
  ValueOperator(stream, fill_mode, kXLAttrFillMode, kXLOpSetFillMode);
}

void XLSetFont(XLStream* stream,
               const std::uint8_t* name,
               std::uint32_t count,
               float char_size,
               std::uint16_t symbol_set) {
  XLUByteArray(stream, name, count);
  XLWriteAttribute(stream, kXLAttrFontName);
  XLReal32(stream, char_size);
  XLWriteAttribute(stream, kXLAttrCharSize);
  ValueOperator(stream, symbol_set, kXLAttrSymbolSet, kXLOpSetFont);
}

void XLSetLineDash(XLStream* stream, const std::uint16_t* dashes, std::uint32_t count) {
  XLUInt16Array(stream, dashes, count);
  XLWriteAttribute(stream, kXLAttrLineDashStyle);
  XLWriteOperator(stream, kXLOpSetLineDash);
}

void XLSetLineDashOffset(XLStream* stream,
                         const std::uint16_t* dashes,
                         std::uint32_t count,
                         std::uint16_t offset) {
  XLUInt16Array(stream, dashes, count);
  XLWriteAttribute(stream, kXLAttrLineDashStyle);
  ValueOperator(stream, offset, kXLAttrDashOffset, kXLOpSetLineDash);
}

void XLSetLineDashSolid(XLStream* stream, std::uint8_t solid_line) {
  ValueOperator(stream, solid_line, kXLAttrSolidLine, kXLOpSetLineDash);
}

void XLSetLineCap(XLStream* stream, std::uint8_t cap_style) {
  ValueOperator(stream, cap_style, kXLAttrLineCapStyle, kXLOpSetLineCap);
}

void XLSetLineJoin(XLStream* stream, std::uint8_t join_style) {
  ValueOperator(stream, join_style, kXLAttrLineJoinStyle, kXLOpSetLineJoin);
}

void XLSetMiterLimitUInt16(XLStream* stream, std::uint16_t miter_length) {
  ValueOperator(stream, miter_length, kXLAttrMiterLength, kXLOpSetMiterLimit);
}

void XLSetMiterLimitReal32(XLStream* stream, float miter_length) {
  ValueOperator(stream, miter_length, kXLAttrMiterLength, kXLOpSetMiterLimit);
}

void XLSetPageDefaultCTM(XLStream* stream) {
  XLWriteOperator(stream, kXLOpSetPageDefaultCTM);
}

void XLSetPageOriginSInt16(XLStream* stream, std::int16_t x, std::int16_t y) {
  PairOperator(stream, x, y, kXLAttrPageOrigin, kXLOpSetPageOrigin);
}

void XLSetPageOriginUInt16(XLStream* stream, std::uint16_t x, std::uint16_t y) {
  PairOperator(stream, x, y, kXLAttrPageOrigin, kXLOpSetPageOrigin);
}

void XLSetPageOriginSInt32(XLStream* stream, std::int32_t x, std::int32_t y) {
  PairOperator(stream, x, y, kXLAttrPageOrigin, kXLOpSetPageOrigin);
}

void XLSetPageOriginReal32(XLStream* stream, float x, float y) {
  PairOperator(stream, x, y, kXLAttrPageOrigin, kXLOpSetPageOrigin);
}

void XLSetPageRotationSInt16(XLStream* stream, std::int16_t angle) {
  ValueOperator(stream, angle, kXLAttrPageAngle, kXLOpSetPageRotation);
}

void XLSetPageRotationReal32(XLStream* stream, float angle) {
  ValueOperator(stream, angle, kXLAttrPageAngle, kXLOpSetPageRotation);
}

void XLSetPageScale(XLStream* stream, float x, float y) {
  PairOperator(stream, x, y, kXLAttrPageScale, kXLOpSetPageScale);
}

void XLSetPatternTxMode(XLStream* stream, std::uint8_t tx_mode) {
  ValueOperator(stream, tx_mode, kXLAttrTxMode, kXLOpSetPatternTxMode);
}

void XLSetSourceTxMode(XLStream* stream, std::uint8_t tx_mode) {
  ValueOperator(stream, tx_mode, kXLAttrTxMode, kXLOpSetSourceTxMode);
}

void XLSetPenWidthUInt16(XLStream* stream, std::uint16_t width) {
  ValueOperator(stream, width, kXLAttrPenWidth, kXLOpSetPenWidth);
}

void XLSetPenWidthReal32(XLStream* stream, float width) {
  ValueOperator(stream, width, kXLAttrPenWidth, kXLOpSetPenWidth);
}

void XLSetROP(XLStream* stream, std::uint8_t rop3) {
  ValueOperator(stream, rop3, kXLAttrROP3, kXLOpSetROP);
}

void XLOperator7E(XLStream* stream, std::int16_t first, std::int16_t second) {
  XLSInt16(stream, first);
  XLSInt16(stream, second);
  XLWriteOperator(stream, kXLOp7E);
}

void XLSetClipMode(XLStream* stream, std::uint8_t clip_mode) {
  ValueOperator(stream, clip_mode, kXLAttrClipMode, kXLOpSetClipMode);
}

void XLSetPathToClip(XLStream* stream) {
  XLWriteOperator(stream, kXLOpSetPathToClip);
}
