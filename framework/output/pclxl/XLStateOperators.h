// PCL XL operators of the graphics state (0x60-0x81): graphics-state stack, clips, brush and pen
// sources, colour space, cursor, halftoning, line style, page transform, raster operation and
// character attributes.
//
// Each function writes its attribute list (value, attribute id) in the order of its arguments and
// then the operator byte; every attribute is always written. A suffix SInt16, UInt16, SInt32 or
// Real32 names the number type of the coordinates; other suffixes name the attributes written.
// The stream must be valid. An array argument is a pointer and an element count; a count above
// 65535 raises kXLCountTooLarge.
#pragma once

#include <cstdint>

#include "framework/output/pclxl/XLStream.h"

// PopGS (0x60), PushGS (0x61).
void XLPopGS(XLStream* stream);
void XLPushGS(XLStream* stream);

// SetClipReplace (0x62), SetClipIntersect (0x67): ClipRegion ubyte.
void XLSetClipReplace(XLStream* stream, std::uint8_t clip_region);
void XLSetClipIntersect(XLStream* stream, std::uint8_t clip_region);

// SetBrushSource (0x63) and SetPenSource (0x79), one function per way of giving the source:
//   Gray            GrayLevel ubyte            GrayReal32   GrayLevel real32
//   Null            NullBrush / NullPen ubyte  Pattern      PatternSelectID sint16
//   PatternSize     NewDestinationSize uint16_xy, PatternSelectID sint16
//   RGB             RGBColor ubyte_array       RGBReal32    RGBColor real32_array
//   Primary         PrimaryDepth ubyte, PrimaryArray ubyte_array
void XLSetBrushSourceGray(XLStream* stream, std::uint8_t gray);
void XLSetBrushSourceGrayReal32(XLStream* stream, float gray);
void XLSetBrushSourceNull(XLStream* stream, std::uint8_t null_brush);
void XLSetBrushSourcePattern(XLStream* stream, std::int16_t pattern_id);
void XLSetBrushSourcePatternSize(XLStream* stream,
                                 std::uint16_t width,
                                 std::uint16_t height,
                                 std::int16_t pattern_id);
void XLSetBrushSourceRGB(XLStream* stream, const std::uint8_t* rgb, std::uint32_t count);
void XLSetBrushSourceRGBReal32(XLStream* stream, const float* rgb, std::uint32_t count);
void XLSetBrushSourcePrimary(XLStream* stream,
                             std::uint8_t depth,
                             const std::uint8_t* primaries,
                             std::uint32_t count);
void XLSetPenSourceGray(XLStream* stream, std::uint8_t gray);
void XLSetPenSourceGrayReal32(XLStream* stream, float gray);
void XLSetPenSourceNull(XLStream* stream, std::uint8_t null_pen);
void XLSetPenSourcePattern(XLStream* stream, std::int16_t pattern_id);
void XLSetPenSourcePatternSize(XLStream* stream,
                               std::uint16_t width,
                               std::uint16_t height,
                               std::int16_t pattern_id);
void XLSetPenSourceRGB(XLStream* stream, const std::uint8_t* rgb, std::uint32_t count);
void XLSetPenSourceRGBReal32(XLStream* stream, const float* rgb, std::uint32_t count);
void XLSetPenSourcePrimary(XLStream* stream,
                           std::uint8_t depth,
                           const std::uint8_t* primaries,
                           std::uint32_t count);

// SetCharAngle (0x64): CharAngle. SetCharScale (0x65): CharScale real32_xy. SetCharShear (0x66):
// CharShear xy. SetCharBoldValue (0x7D): CharBoldValue real32. SetCharSubMode (0x81):
// CharSubModeArray ubyte_array.
void XLSetCharAngleSInt16(XLStream* stream, std::int16_t angle);
void XLSetCharAngleReal32(XLStream* stream, float angle);
void XLSetCharScale(XLStream* stream, float x, float y);
void XLSetCharShearSInt16(XLStream* stream, std::int16_t x, std::int16_t y);
void XLSetCharShearReal32(XLStream* stream, float x, float y);
void XLSetCharBoldValue(XLStream* stream, float bold_value);
void XLSetCharSubMode(XLStream* stream, const std::uint8_t* modes, std::uint32_t count);

// SetClipRectangle (0x68): BoundingBox box, ClipRegion ubyte. SetClipToPage (0x69).
void XLSetClipRectangleSInt16(XLStream* stream,
                              std::int16_t left,
                              std::int16_t top,
                              std::int16_t right,
                              std::int16_t bottom,
                              std::uint8_t clip_region);
void XLSetClipRectangleUInt16(XLStream* stream,
                              std::uint16_t left,
                              std::uint16_t top,
                              std::uint16_t right,
                              std::uint16_t bottom,
                              std::uint8_t clip_region);
void XLSetClipRectangleSInt32(XLStream* stream,
                              std::int32_t left,
                              std::int32_t top,
                              std::int32_t right,
                              std::int32_t bottom,
                              std::uint8_t clip_region);
void XLSetClipRectangleReal32(XLStream* stream,
                              float left,
                              float top,
                              float right,
                              float bottom,
                              std::uint8_t clip_region);
void XLSetClipToPage(XLStream* stream);

// SetColorSpace (0x6A):
//   (plain)        ColorSpace ubyte
//   Palette        ColorSpace ubyte, PaletteDepth ubyte, PaletteData ubyte_array
//   Colorimetric   0x11 ubyte, then 0x12, 0x13, 0x14, 0x15 as real32_array
//   Extended       0x16 ubyte, then 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C as real32, one id each
void XLSetColorSpace(XLStream* stream, std::uint8_t color_space);
void XLSetColorSpacePalette(XLStream* stream,
                            std::uint8_t color_space,
                            std::uint8_t depth,
                            const std::uint8_t* palette,
                            std::uint32_t count);
void XLSetColorSpaceColorimetric(XLStream* stream,
                                 std::uint8_t attr11,
                                 const float* attr12,
                                 std::uint32_t count12,
                                 const float* attr13,
                                 std::uint32_t count13,
                                 const float* attr14,
                                 std::uint32_t count14,
                                 const float* attr15,
                                 std::uint32_t count15);
void XLSetColorSpaceExtended(XLStream* stream,
                             std::uint8_t attr16,
                             float attr17,
                             float attr18,
                             float attr19,
                             float attr1a,
                             float attr1b,
                             float attr1c);

// SetCursor (0x6B) and SetCursorRel (0x6C): Point xy. SetCursorMeasure writes SetCursor with
// Measure ubyte and UnitsPerMeasure real32_xy instead.
void XLSetCursorSInt16(XLStream* stream, std::int16_t x, std::int16_t y);
void XLSetCursorUInt16(XLStream* stream, std::uint16_t x, std::uint16_t y);
void XLSetCursorSInt32(XLStream* stream, std::int32_t x, std::int32_t y);
void XLSetCursorReal32(XLStream* stream, float x, float y);
void XLSetCursorMeasure(XLStream* stream, std::uint8_t measure, float units_x, float units_y);
void XLSetCursorRelSInt16(XLStream* stream, std::int16_t x, std::int16_t y);
void XLSetCursorRelUInt16(XLStream* stream, std::uint16_t x, std::uint16_t y);
void XLSetCursorRelSInt32(XLStream* stream, std::int32_t x, std::int32_t y);
void XLSetCursorRelReal32(XLStream* stream, float x, float y);

// SetHalftoneMethod (0x6D): DeviceMatrix ubyte; or DitherMatrixSize uint16_xy,
// DitherMatrixDepth ubyte, DitherMatrixDataType ubyte [, DitherOrigin uint16_xy].
void XLSetHalftoneMethod(XLStream* stream, std::uint8_t device_matrix);
void XLSetHalftoneMethodDither(XLStream* stream,
                               std::uint16_t width,
                               std::uint16_t height,
                               std::uint8_t depth,
                               std::uint8_t data_type);
void XLSetHalftoneMethodDitherOrigin(XLStream* stream,
                                     std::uint16_t width,
                                     std::uint16_t height,
                                     std::uint8_t depth,
                                     std::uint8_t data_type,
                                     std::uint16_t origin_x,
                                     std::uint16_t origin_y);

// SetFillMode (0x6E): FillMode ubyte.
void XLSetFillMode(XLStream* stream, std::uint8_t fill_mode);

// SetFont (0x6F): FontName ubyte_array, CharSize real32, SymbolSet uint16.
void XLSetFont(XLStream* stream,
               const std::uint8_t* name,
               std::uint32_t count,
               float char_size,
               std::uint16_t symbol_set);

// SetLineDash (0x70): LineDashStyle uint16_array [, DashOffset uint16]; or SolidLine ubyte.
void XLSetLineDash(XLStream* stream, const std::uint16_t* dashes, std::uint32_t count);
void XLSetLineDashOffset(XLStream* stream,
                         const std::uint16_t* dashes,
                         std::uint32_t count,
                         std::uint16_t offset);
void XLSetLineDashSolid(XLStream* stream, std::uint8_t solid_line);

// SetLineCap (0x71): LineCapStyle ubyte. SetLineJoin (0x72): LineJoinStyle ubyte.
// SetMiterLimit (0x73): MiterLength.
void XLSetLineCap(XLStream* stream, std::uint8_t cap_style);
void XLSetLineJoin(XLStream* stream, std::uint8_t join_style);
void XLSetMiterLimitUInt16(XLStream* stream, std::uint16_t miter_length);
void XLSetMiterLimitReal32(XLStream* stream, float miter_length);

// SetPageDefaultCTM (0x74). SetPageOrigin (0x75): PageOrigin xy. SetPageRotation (0x76):
// PageAngle. SetPageScale (0x77): PageScale real32_xy.
void XLSetPageDefaultCTM(XLStream* stream);
void XLSetPageOriginSInt16(XLStream* stream, std::int16_t x, std::int16_t y);
void XLSetPageOriginUInt16(XLStream* stream, std::uint16_t x, std::uint16_t y);
void XLSetPageOriginSInt32(XLStream* stream, std::int32_t x, std::int32_t y);
void XLSetPageOriginReal32(XLStream* stream, float x, float y);
void XLSetPageRotationSInt16(XLStream* stream, std::int16_t angle);
void XLSetPageRotationReal32(XLStream* stream, float angle);
void XLSetPageScale(XLStream* stream, float x, float y);

// SetPatternTxMode (0x78) and SetSourceTxMode (0x7C): TxMode ubyte.
void XLSetPatternTxMode(XLStream* stream, std::uint8_t tx_mode);
void XLSetSourceTxMode(XLStream* stream, std::uint8_t tx_mode);

// SetPenWidth (0x7A): PenWidth.
void XLSetPenWidthUInt16(XLStream* stream, std::uint16_t width);
void XLSetPenWidthReal32(XLStream* stream, float width);

// SetROP (0x7B): ROP3 ubyte.
void XLSetROP(XLStream* stream, std::uint8_t rop3);

// Operator 0x7E: two sint16 values, written bare (without attribute ids), then the operator.
// What attributes the operator takes is not known; the values are written as given.
void XLOperator7E(XLStream* stream, std::int16_t first, std::int16_t second);

// SetClipMode (0x7F): ClipMode ubyte. SetPathToClip (0x80).
void XLSetClipMode(XLStream* stream, std::uint8_t clip_mode);
void XLSetPathToClip(XLStream* stream);
