// The rules the PCL XL job checker holds for each operator: where it may stand, which attributes
// it takes with which value types, which of them it needs, and whether embedded data follows it.
// They are the forms that our back ends may send (every PCL XL printer accepts them), narrower
// than what the format allows in a few places: coordinates never 32-bit or real, sizes of images
// and patterns never 32-bit, no real pen width, miter limit or page rotation.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vel::test {

// Value types as one bit each, so a rule can allow several.
enum XlTypeBit : std::uint32_t {
  kXlUByte = 1u << 0,
  kXlUInt16 = 1u << 1,
  kXlUInt32 = 1u << 2,
  kXlSInt16 = 1u << 3,
  kXlSInt32 = 1u << 4,
  kXlReal32 = 1u << 5,
  kXlUByteArray = 1u << 6,
  kXlUInt16Array = 1u << 7,
  kXlUInt32Array = 1u << 8,
  kXlSInt16Array = 1u << 9,
  kXlSInt32Array = 1u << 10,
  kXlReal32Array = 1u << 11,
  kXlUByteXY = 1u << 12,
  kXlUInt16XY = 1u << 13,
  kXlUInt32XY = 1u << 14,
  kXlSInt16XY = 1u << 15,
  kXlSInt32XY = 1u << 16,
  kXlReal32XY = 1u << 17,
  kXlUByteBox = 1u << 18,
  kXlUInt16Box = 1u << 19,
  kXlUInt32Box = 1u << 20,
  kXlSInt16Box = 1u << 21,
  kXlSInt32Box = 1u << 22,
  kXlReal32Box = 1u << 23,
};

// The bit of a data type tag (C0-C5, C8-CD, D0-D5, E0-E5); 0 for any other byte.
std::uint32_t XlTypeBitOf(std::uint8_t tag);

// "ubyte or uint16_xy" style text of a set of type bits.
std::string XlTypeBitsText(std::uint32_t bits);

// Where an operator may stand.
enum class XlPlace {
  kSession,     // structure operators, placed by their own rules
  kAnywhere,    // after BeginSession, outside blocks (comments, vendor operators)
  kDataSource,  // inside the open data source, inside or outside a page
  kPage,        // inside a page only
  kBlock,       // only inside its block (ReadImage, ReadChar, ...)
};

enum class XlData {
  kNone,      // no embedded data may follow
  kAlways,    // exactly one data block follows
  kWithForm,  // data follows when the operator's counted form is used (checked by the checker)
};

struct XlAttrRule {
  std::uint8_t id;
  std::uint32_t types;
  bool required;
};

struct XlOpRule {
  std::uint8_t code;
  const char* name;
  XlPlace place;
  XlData data;
  std::vector<XlAttrRule> attributes;
};

// The rule of an operator code, or null for an operator our jobs never use.
const XlOpRule* FindXlOpRule(std::uint8_t code);

// Names for messages and dumps: "SetFont", "FontName"; "op 0x7E" or "attr 0x1D" when unknown.
std::string XlOperatorName(std::uint8_t code);
std::string XlAttributeName(std::uint8_t id);

// Attribute ids used by the checker's own logic.
namespace xl_attr {
inline constexpr std::uint8_t kPaletteDepth = 0x02;
inline constexpr std::uint8_t kColorSpace = 0x03;
inline constexpr std::uint8_t kNullBrush = 0x04;
inline constexpr std::uint8_t kNullPen = 0x05;
inline constexpr std::uint8_t kPaletteData = 0x06;
inline constexpr std::uint8_t kPatternSelectID = 0x08;
inline constexpr std::uint8_t kGrayLevel = 0x09;
inline constexpr std::uint8_t kRGBColor = 0x0B;
inline constexpr std::uint8_t kNewDestinationSize = 0x0D;
inline constexpr std::uint8_t kPrimaryArray = 0x0E;
inline constexpr std::uint8_t kPrimaryDepth = 0x0F;
inline constexpr std::uint8_t kColorimetricColorSpace = 0x11;
inline constexpr std::uint8_t kDitherMatrixSize = 0x32;
inline constexpr std::uint8_t kMediaSize = 0x25;
inline constexpr std::uint8_t kCustomMediaSize = 0x2F;
inline constexpr std::uint8_t kCustomMediaSizeUnits = 0x30;
inline constexpr std::uint8_t kDashOffset = 0x43;
inline constexpr std::uint8_t kEndPoint = 0x45;
inline constexpr std::uint8_t kLineDashStyle = 0x4A;
inline constexpr std::uint8_t kNumberOfPoints = 0x4D;
inline constexpr std::uint8_t kSolidLine = 0x4E;
inline constexpr std::uint8_t kPointType = 0x50;
inline constexpr std::uint8_t kControlPoint1 = 0x51;
inline constexpr std::uint8_t kControlPoint2 = 0x52;
inline constexpr std::uint8_t kColorDepth = 0x62;
inline constexpr std::uint8_t kBlockHeight = 0x63;
inline constexpr std::uint8_t kColorMapping = 0x64;
inline constexpr std::uint8_t kCompressMode = 0x65;
inline constexpr std::uint8_t kDestinationSize = 0x67;
inline constexpr std::uint8_t kPatternPersistence = 0x68;
inline constexpr std::uint8_t kPatternDefineID = 0x69;
inline constexpr std::uint8_t kSourceHeight = 0x6B;
inline constexpr std::uint8_t kSourceWidth = 0x6C;
inline constexpr std::uint8_t kStartLine = 0x6D;
inline constexpr std::uint8_t kNumberOfScanLines = 0x73;
inline constexpr std::uint8_t kDataOrg = 0x82;
inline constexpr std::uint8_t kCharCode = 0xA2;
inline constexpr std::uint8_t kCharDataSize = 0xA3;
inline constexpr std::uint8_t kCharSize = 0xA6;
inline constexpr std::uint8_t kFontHeaderLength = 0xA7;
inline constexpr std::uint8_t kFontName = 0xA8;
inline constexpr std::uint8_t kFontFormat = 0xA9;
inline constexpr std::uint8_t kTextData = 0xAB;
inline constexpr std::uint8_t kXSpacingData = 0xAF;
inline constexpr std::uint8_t kYSpacingData = 0xB0;
}  // namespace xl_attr

// Operator codes used by the checker's own logic.
namespace xl_op {
inline constexpr std::uint8_t kBeginSession = 0x41;
inline constexpr std::uint8_t kEndSession = 0x42;
inline constexpr std::uint8_t kBeginPage = 0x43;
inline constexpr std::uint8_t kEndPage = 0x44;
inline constexpr std::uint8_t kVendorUnique = 0x46;
inline constexpr std::uint8_t kOpenDataSource = 0x48;
inline constexpr std::uint8_t kCloseDataSource = 0x49;
inline constexpr std::uint8_t kBeginFontHeader = 0x4F;
inline constexpr std::uint8_t kReadFontHeader = 0x50;
inline constexpr std::uint8_t kEndFontHeader = 0x51;
inline constexpr std::uint8_t kBeginChar = 0x52;
inline constexpr std::uint8_t kReadChar = 0x53;
inline constexpr std::uint8_t kEndChar = 0x54;
inline constexpr std::uint8_t kRemoveFont = 0x55;
inline constexpr std::uint8_t kBeginStream = 0x5B;
inline constexpr std::uint8_t kReadStream = 0x5C;
inline constexpr std::uint8_t kEndStream = 0x5D;
inline constexpr std::uint8_t kPopGS = 0x60;
inline constexpr std::uint8_t kPushGS = 0x61;
inline constexpr std::uint8_t kSetClipReplace = 0x62;
inline constexpr std::uint8_t kSetBrushSource = 0x63;
inline constexpr std::uint8_t kSetColorSpace = 0x6A;
inline constexpr std::uint8_t kSetHalftoneMethod = 0x6D;
inline constexpr std::uint8_t kSetFont = 0x6F;
inline constexpr std::uint8_t kSetLineDash = 0x70;
inline constexpr std::uint8_t kSetPenSource = 0x79;
inline constexpr std::uint8_t kNewPath = 0x85;
inline constexpr std::uint8_t kBezierPath = 0x93;
inline constexpr std::uint8_t kBezierRelPath = 0x95;
inline constexpr std::uint8_t kLinePath = 0x9B;
inline constexpr std::uint8_t kLineRelPath = 0x9D;
inline constexpr std::uint8_t kText = 0xA8;
inline constexpr std::uint8_t kTextPath = 0xA9;
inline constexpr std::uint8_t kBeginImage = 0xB0;
inline constexpr std::uint8_t kReadImage = 0xB1;
inline constexpr std::uint8_t kEndImage = 0xB2;
inline constexpr std::uint8_t kBeginRastPattern = 0xB3;
inline constexpr std::uint8_t kReadRastPattern = 0xB4;
inline constexpr std::uint8_t kEndRastPattern = 0xB5;
inline constexpr std::uint8_t kBeginScan = 0xB6;
inline constexpr std::uint8_t kEndScan = 0xB8;
inline constexpr std::uint8_t kScanLineRel = 0xB9;
}  // namespace xl_op

// True for the operators that add to the current path.
bool XlBuildsPath(std::uint8_t code);

}  // namespace vel::test
