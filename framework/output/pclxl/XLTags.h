// PCL XL codes of the binary binding: data type tags, attribute ids, operator codes, and the
// library's tables of defined operators, defined attributes and vendor extensions.
#pragma once

#include <cstdint>

// clang-format off

// Data type tags, in rows by value.
//
//          _0       _1       _2       _3       _4       _5
//   C0     ubyte    uint16   uint32   sint16   sint32   real32    one value
//   C8     ubyte    uint16   uint32   sint16   sint32   real32    array: uint16 count, values
//   D0     ubyte    uint16   uint32   sint16   sint32   real32    pair: x, y
//   E0     ubyte    uint16   uint32   sint16   sint32   real32    box: four values
//   F8     attribute id (one byte follows)
//   FA     embedded data, 4-byte length;   FB  embedded data, 1-byte length
enum XLTag : std::uint8_t {
  kXLTagUByte        = 0xC0, kXLTagUInt16      = 0xC1, kXLTagUInt32      = 0xC2,
  kXLTagSInt16       = 0xC3, kXLTagSInt32      = 0xC4, kXLTagReal32      = 0xC5,
  kXLTagUByteArray   = 0xC8, kXLTagUInt16Array = 0xC9, kXLTagUInt32Array = 0xCA,
  kXLTagSInt16Array  = 0xCB, kXLTagSInt32Array = 0xCC, kXLTagReal32Array = 0xCD,
  kXLTagUByteXY      = 0xD0, kXLTagUInt16XY    = 0xD1, kXLTagUInt32XY    = 0xD2,
  kXLTagSInt16XY     = 0xD3, kXLTagSInt32XY    = 0xD4, kXLTagReal32XY    = 0xD5,
  kXLTagUByteBox     = 0xE0, kXLTagUInt16Box   = 0xE1, kXLTagUInt32Box   = 0xE2,
  kXLTagSInt16Box    = 0xE3, kXLTagSInt32Box   = 0xE4, kXLTagReal32Box   = 0xE5,
  kXLTagAttributeId  = 0xF8,  // followed by the id as one byte
  kXLTagDataLength   = 0xFA,  // followed by a 4-byte length, then the data
  kXLTagDataLengthByte = 0xFB,  // followed by a 1-byte length, then the data
};

// Attribute ids, by value.
enum XLAttributeId : std::uint8_t {
  kXLAttrPaletteDepth           = 0x02,
  kXLAttrColorSpace             = 0x03,
  kXLAttrNullBrush              = 0x04,
  kXLAttrNullPen                = 0x05,
  kXLAttrPaletteData            = 0x06,
  kXLAttrPatternSelectID        = 0x08,
  kXLAttrGrayLevel              = 0x09,
  kXLAttrRGBColor               = 0x0B,
  kXLAttrNewDestinationSize     = 0x0D,
  kXLAttrPrimaryArray           = 0x0E,
  kXLAttrPrimaryDepth           = 0x0F,
  kXLAttrColorimetricColorSpace = 0x11,
  kXLAttrXYChromaticities       = 0x12,
  kXLAttrWhiteReferencePoint    = 0x13,
  kXLAttrCRGBMinMax             = 0x14,
  kXLAttrGammaGain              = 0x15,
  kXLAttrDeviceMatrix           = 0x21,
  kXLAttrDitherMatrixDataType   = 0x22,
  kXLAttrDitherOrigin           = 0x23,
  kXLAttrMediaSize              = 0x25,
  kXLAttrMediaSource            = 0x26,
  kXLAttrMediaType              = 0x27,
  kXLAttrOrientation            = 0x28,
  kXLAttrPageAngle              = 0x29,
  kXLAttrPageOrigin             = 0x2A,
  kXLAttrPageScale              = 0x2B,
  kXLAttrROP3                   = 0x2C,
  kXLAttrTxMode                 = 0x2D,
  kXLAttrCustomMediaSize        = 0x2F,
  kXLAttrCustomMediaSizeUnits   = 0x30,
  kXLAttrPageCopies             = 0x31,
  kXLAttrDitherMatrixSize       = 0x32,
  kXLAttrDitherMatrixDepth      = 0x33,
  kXLAttrArcDirection           = 0x41,
  kXLAttrBoundingBox            = 0x42,
  kXLAttrDashOffset             = 0x43,
  kXLAttrEllipseDimension       = 0x44,
  kXLAttrEndPoint               = 0x45,
  kXLAttrFillMode               = 0x46,
  kXLAttrLineCapStyle           = 0x47,
  kXLAttrLineJoinStyle          = 0x48,
  kXLAttrMiterLength            = 0x49,
  kXLAttrLineDashStyle          = 0x4A,
  kXLAttrPenWidth               = 0x4B,
  kXLAttrPoint                  = 0x4C,
  kXLAttrNumberOfPoints         = 0x4D,
  kXLAttrSolidLine              = 0x4E,
  kXLAttrStartPoint             = 0x4F,
  kXLAttrPointType              = 0x50,
  kXLAttrControlPoint1          = 0x51,
  kXLAttrControlPoint2          = 0x52,
  kXLAttrClipRegion             = 0x53,
  kXLAttrClipMode               = 0x54,
  kXLAttrColorDepth             = 0x62,
  kXLAttrBlockHeight            = 0x63,
  kXLAttrColorMapping           = 0x64,
  kXLAttrCompressMode           = 0x65,
  kXLAttrDestinationSize        = 0x67,
  kXLAttrPatternPersistence     = 0x68,
  kXLAttrPatternDefineID        = 0x69,
  kXLAttrSourceHeight           = 0x6B,
  kXLAttrSourceWidth            = 0x6C,
  kXLAttrStartLine              = 0x6D,
  kXLAttrNumberOfScanLines      = 0x73,
  kXLAttrCommentData            = 0x81,
  kXLAttrDataOrg                = 0x82,
  kXLAttrMeasure                = 0x86,
  kXLAttrSourceType             = 0x88,
  kXLAttrUnitsPerMeasure        = 0x89,
  kXLAttrQueryKey               = 0x8A,
  kXLAttrStreamName             = 0x8B,
  kXLAttrStreamDataLength       = 0x8C,
  kXLAttrErrorReport            = 0x8F,
  kXLAttrVUExtension            = 0x91,
  kXLAttrVUDataLength           = 0x92,
  kXLAttrVUAttr1                = 0x93,
  kXLAttrVUAttr2                = 0x94,
  kXLAttrVUAttr3                = 0x95,
  kXLAttrVUAttr4                = 0x96,
  kXLAttrVUAttr5                = 0x97,
  kXLAttrVUAttr6                = 0x98,
  kXLAttrVUAttr7                = 0x99,
  kXLAttrVUAttr8                = 0x9A,
  kXLAttrVUAttr9                = 0x9B,
  kXLAttrCharAngle              = 0xA1,
  kXLAttrCharCode               = 0xA2,
  kXLAttrCharDataSize           = 0xA3,
  kXLAttrCharScale              = 0xA4,
  kXLAttrCharShear              = 0xA5,
  kXLAttrCharSize               = 0xA6,
  kXLAttrFontHeaderLength       = 0xA7,
  kXLAttrFontName               = 0xA8,
  kXLAttrFontFormat             = 0xA9,
  kXLAttrSymbolSet              = 0xAA,
  kXLAttrTextData               = 0xAB,
  kXLAttrCharSubModeArray       = 0xAC,
  kXLAttrWritingMode            = 0xAD,
  kXLAttrXSpacingData           = 0xAF,
  kXLAttrYSpacingData           = 0xB0,
  kXLAttrCharBoldValue          = 0xB1,
};

// Operator codes, by value.
enum XLOperatorCode : std::uint8_t {
  kXLOpBeginSession       = 0x41,
  kXLOpEndSession         = 0x42,
  kXLOpBeginPage          = 0x43,
  kXLOpEndPage            = 0x44,
  kXLOpVendorUnique       = 0x46,
  kXLOpComment            = 0x47,
  kXLOpOpenDataSource     = 0x48,
  kXLOpCloseDataSource    = 0x49,
  kXLOpEchoComment        = 0x4A,
  kXLOpQuery              = 0x4B,
  kXLOpBeginFontHeader    = 0x4F,
  kXLOpReadFontHeader     = 0x50,
  kXLOpEndFontHeader      = 0x51,
  kXLOpBeginChar          = 0x52,
  kXLOpReadChar           = 0x53,
  kXLOpEndChar            = 0x54,
  kXLOpRemoveFont         = 0x55,
  kXLOpSetCharAttributes  = 0x56,
  kXLOpBeginStream        = 0x5B,
  kXLOpReadStream         = 0x5C,
  kXLOpEndStream          = 0x5D,
  kXLOpExecStream         = 0x5E,
  kXLOpRemoveStream       = 0x5F,
  kXLOpPopGS              = 0x60,
  kXLOpPushGS             = 0x61,
  kXLOpSetClipReplace     = 0x62,
  kXLOpSetBrushSource     = 0x63,
  kXLOpSetCharAngle       = 0x64,
  kXLOpSetCharScale       = 0x65,
  kXLOpSetCharShear       = 0x66,
  kXLOpSetClipIntersect   = 0x67,
  kXLOpSetClipRectangle   = 0x68,
  kXLOpSetClipToPage      = 0x69,
  kXLOpSetColorSpace      = 0x6A,
  kXLOpSetCursor          = 0x6B,
  kXLOpSetCursorRel       = 0x6C,
  kXLOpSetHalftoneMethod  = 0x6D,
  kXLOpSetFillMode        = 0x6E,
  kXLOpSetFont            = 0x6F,
  kXLOpSetLineDash        = 0x70,
  kXLOpSetLineCap         = 0x71,
  kXLOpSetLineJoin        = 0x72,
  kXLOpSetMiterLimit      = 0x73,
  kXLOpSetPageDefaultCTM  = 0x74,
  kXLOpSetPageOrigin      = 0x75,
  kXLOpSetPageRotation    = 0x76,
  kXLOpSetPageScale       = 0x77,
  kXLOpSetPatternTxMode   = 0x78,
  kXLOpSetPenSource       = 0x79,
  kXLOpSetPenWidth        = 0x7A,
  kXLOpSetROP             = 0x7B,
  kXLOpSetSourceTxMode    = 0x7C,
  kXLOpSetCharBoldValue   = 0x7D,
  kXLOp7E                 = 0x7E,
  kXLOpSetClipMode        = 0x7F,
  kXLOpSetPathToClip      = 0x80,
  kXLOpSetCharSubMode     = 0x81,
  kXLOpCloseSubPath       = 0x84,
  kXLOpNewPath            = 0x85,
  kXLOpPaintPath          = 0x86,
  kXLOpArcPath            = 0x91,
  kXLOpBezierPath         = 0x93,
  kXLOpBezierRelPath      = 0x95,
  kXLOpChord              = 0x96,
  kXLOpChordPath          = 0x97,
  kXLOpEllipse            = 0x98,
  kXLOpEllipsePath        = 0x99,
  kXLOpLinePath           = 0x9B,
  kXLOpLineRelPath        = 0x9D,
  kXLOpPie                = 0x9E,
  kXLOpPiePath            = 0x9F,
  kXLOpRectangle          = 0xA0,
  kXLOpRectanglePath      = 0xA1,
  kXLOpRoundRectangle     = 0xA2,
  kXLOpRoundRectanglePath = 0xA3,
  kXLOpText               = 0xA8,
  kXLOpTextPath           = 0xA9,
  kXLOpBeginImage         = 0xB0,
  kXLOpReadImage          = 0xB1,
  kXLOpEndImage           = 0xB2,
  kXLOpBeginRastPattern   = 0xB3,
  kXLOpReadRastPattern    = 0xB4,
  kXLOpEndRastPattern     = 0xB5,
  kXLOpBeginScan          = 0xB6,
  kXLOpEndScan            = 0xB8,
  kXLOpScanLineRel        = 0xB9,
};

// clang-format on

// Which operator codes and attribute ids XLWriteOperator and XLWriteAttribute accept: an entry
// holds the code itself when it is defined and 0 otherwise.
extern const std::uint8_t kXLDefinedOperators[256];
extern const std::uint8_t kXLDefinedAttributes[256];

// A vendor extension: its 32-bit code and its level (1 to 5; the lower, the more attributes).
struct XLVendorExtension {
  std::uint32_t code;
  std::uint32_t level;
};

inline constexpr int kXLVendorExtensionCount = 30;
extern const XLVendorExtension kXLVendorExtensions[kXLVendorExtensionCount];

// A vendor extension code: the letters "qz" in the high half (first letter in the top byte) and
// the extension number in the low half.
constexpr std::uint32_t XLVendorCode(std::uint16_t extension) {
  return (std::uint32_t{'q'} << 24) | (std::uint32_t{'z'} << 16) | extension;
}
