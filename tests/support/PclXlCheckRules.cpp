// Operator and attribute tables of the PCL XL job checker, written from the format's operator and
// attribute numbering.
#include "tests/support/PclXlCheckRules.h"

#include <array>
#include <cstdio>

namespace vel::test {

namespace {

// Attribute names by id.
const char* AttributeNameOrNull(std::uint8_t id) {
  switch (id) {
    // 0x02-0x15: colour
    case 0x02:
      return "PaletteDepth";
    case 0x03:
      return "ColorSpace";
    case 0x04:
      return "NullBrush";
    case 0x05:
      return "NullPen";
    case 0x06:
      return "PaletteData";
    case 0x08:
      return "PatternSelectID";
    case 0x09:
      return "GrayLevel";
    case 0x0B:
      return "RGBColor";
    case 0x0C:
      return "PatternOrigin";
    case 0x0D:
      return "NewDestinationSize";
    case 0x0E:
      return "PrimaryArray";
    case 0x0F:
      return "PrimaryDepth";
    case 0x11:
      return "ColorimetricColorSpace";
    case 0x12:
      return "XYChromaticities";
    case 0x13:
      return "WhitePointReference";
    case 0x14:
      return "CRGBMinMax";
    case 0x15:
      return "GammaGain";
    // 0x21-0x36: halftone, media and page
    case 0x21:
      return "DeviceMatrix";
    case 0x22:
      return "DitherMatrixDataType";
    case 0x23:
      return "DitherOrigin";
    case 0x24:
      return "MediaDestination";
    case 0x25:
      return "MediaSize";
    case 0x26:
      return "MediaSource";
    case 0x27:
      return "MediaType";
    case 0x28:
      return "Orientation";
    case 0x29:
      return "PageAngle";
    case 0x2A:
      return "PageOrigin";
    case 0x2B:
      return "PageScale";
    case 0x2C:
      return "ROP3";
    case 0x2D:
      return "TxMode";
    case 0x2F:
      return "CustomMediaSize";
    case 0x30:
      return "CustomMediaSizeUnits";
    case 0x31:
      return "PageCopies";
    case 0x32:
      return "DitherMatrixSize";
    case 0x33:
      return "DitherMatrixDepth";
    case 0x34:
      return "SimplexPageMode";
    case 0x35:
      return "DuplexPageMode";
    case 0x36:
      return "DuplexPageSide";
    // 0x41-0x54: drawing
    case 0x41:
      return "ArcDirection";
    case 0x42:
      return "BoundingBox";
    case 0x43:
      return "DashOffset";
    case 0x44:
      return "EllipseDimension";
    case 0x45:
      return "EndPoint";
    case 0x46:
      return "FillMode";
    case 0x47:
      return "LineCapStyle";
    case 0x48:
      return "LineJoinStyle";
    case 0x49:
      return "MiterLength";
    case 0x4A:
      return "LineDashStyle";
    case 0x4B:
      return "PenWidth";
    case 0x4C:
      return "Point";
    case 0x4D:
      return "NumberOfPoints";
    case 0x4E:
      return "SolidLine";
    case 0x4F:
      return "StartPoint";
    case 0x50:
      return "PointType";
    case 0x51:
      return "ControlPoint1";
    case 0x52:
      return "ControlPoint2";
    case 0x53:
      return "ClipRegion";
    case 0x54:
      return "ClipMode";
    // 0x62-0x73: images, patterns and scan lines
    case 0x62:
      return "ColorDepth";
    case 0x63:
      return "BlockHeight";
    case 0x64:
      return "ColorMapping";
    case 0x65:
      return "CompressMode";
    case 0x66:
      return "DestinationBox";
    case 0x67:
      return "DestinationSize";
    case 0x68:
      return "PatternPersistence";
    case 0x69:
      return "PatternDefineID";
    case 0x6B:
      return "SourceHeight";
    case 0x6C:
      return "SourceWidth";
    case 0x6D:
      return "StartLine";
    case 0x6E:
      return "PadBytesMultiple";
    case 0x6F:
      return "BlockByteLength";
    case 0x73:
      return "NumberOfScanLines";
    // 0x81-0x9B: session, streams and vendor attributes
    case 0x81:
      return "CommentData";
    case 0x82:
      return "DataOrg";
    case 0x86:
      return "Measure";
    case 0x88:
      return "SourceType";
    case 0x89:
      return "UnitsPerMeasure";
    case 0x8A:
      return "QueryKey";
    case 0x8B:
      return "StreamName";
    case 0x8C:
      return "StreamDataLength";
    case 0x8F:
      return "ErrorReport";
    case 0x91:
      return "VUExtension";
    case 0x92:
      return "VUDataLength";
    case 0x93:
      return "VUAttr1";
    case 0x94:
      return "VUAttr2";
    case 0x95:
      return "VUAttr3";
    case 0x96:
      return "VUAttr4";
    case 0x97:
      return "VUAttr5";
    case 0x98:
      return "VUAttr6";
    case 0x99:
      return "VUAttr7";
    case 0x9A:
      return "VUAttr8";
    case 0x9B:
      return "VUAttr9";
    // 0xA1-0xB1: fonts and text
    case 0xA1:
      return "CharAngle";
    case 0xA2:
      return "CharCode";
    case 0xA3:
      return "CharDataSize";
    case 0xA4:
      return "CharScale";
    case 0xA5:
      return "CharShear";
    case 0xA6:
      return "CharSize";
    case 0xA7:
      return "FontHeaderLength";
    case 0xA8:
      return "FontName";
    case 0xA9:
      return "FontFormat";
    case 0xAA:
      return "SymbolSet";
    case 0xAB:
      return "TextData";
    case 0xAC:
      return "CharSubModeArray";
    case 0xAD:
      return "WritingMode";
    case 0xAF:
      return "XSpacingData";
    case 0xB0:
      return "YSpacingData";
    case 0xB1:
      return "CharBoldValue";
    default:
      return nullptr;
  }
}

// Shorthands for the rule table.
constexpr std::uint32_t kUB = kXlUByte;
constexpr std::uint32_t kU16 = kXlUInt16;
constexpr std::uint32_t kU32 = kXlUInt32;
constexpr std::uint32_t kS16 = kXlSInt16;
constexpr std::uint32_t kR32 = kXlReal32;
constexpr std::uint32_t kUBArr = kXlUByteArray;
constexpr std::uint32_t kU16Arr = kXlUInt16Array;
constexpr std::uint32_t kS16Arr = kXlSInt16Array;
constexpr std::uint32_t kR32Arr = kXlReal32Array;
constexpr std::uint32_t kU16XY = kXlUInt16XY;
constexpr std::uint32_t kS16XY = kXlSInt16XY;
constexpr std::uint32_t kR32XY = kXlReal32XY;
// Page coordinates: 8- and 16-bit forms only.
constexpr std::uint32_t kCoordXY = kXlUByteXY | kXlUInt16XY | kXlSInt16XY;
constexpr std::uint32_t kCoordBox = kXlUByteBox | kXlUInt16Box | kXlSInt16Box;

constexpr bool kReq = true;
constexpr bool kOpt = false;

using P = XlPlace;
using D = XlData;

std::vector<XlOpRule> BuildRules() {
  const std::vector<XlAttrRule> box_only = {{0x42, kCoordBox, kReq}};
  const std::vector<XlAttrRule> box_start_end = {
      {0x42, kCoordBox, kReq}, {0x4F, kCoordXY, kReq}, {0x45, kCoordXY, kReq}};
  const std::vector<XlAttrRule> line_forms = {
      {0x4D, kU16, kOpt}, {0x50, kUB, kOpt}, {0x45, kCoordXY, kOpt}};
  const std::vector<XlAttrRule> bezier_forms = {{0x4D, kU16, kOpt},
                                                {0x50, kUB, kOpt},
                                                {0x51, kCoordXY, kOpt},
                                                {0x52, kCoordXY, kOpt},
                                                {0x45, kCoordXY, kOpt}};
  const std::vector<XlAttrRule> round_rectangle = {{0x42, kCoordBox, kReq}, {0x44, kU16XY, kReq}};
  const std::vector<XlAttrRule> text = {{0xAB, kUBArr | kU16Arr, kReq},
                                        {0xAF, kUBArr | kS16Arr, kOpt},
                                        {0xB0, kUBArr | kS16Arr, kOpt}};
  const std::vector<XlAttrRule> image = {{0x64, kUB, kReq},
                                         {0x62, kUB, kReq},
                                         {0x6C, kU16, kReq},
                                         {0x6B, kU16, kReq},
                                         {0x67, kU16XY, kReq}};
  std::vector<XlAttrRule> pattern = image;
  pattern.push_back({0x69, kS16, kReq});
  pattern.push_back({0x68, kUB, kReq});
  const std::vector<XlAttrRule> read_block = {
      {0x6D, kU16 | kU32, kReq}, {0x63, kU16 | kU32, kReq}, {0x65, kUB, kReq}};
  const std::vector<XlAttrRule> brush_pen_common = {
      {0x09, kR32 | kUB, kOpt},       {0x08, kS16, kOpt}, {0x0D, kU16XY, kOpt},
      {0x0B, kR32Arr | kUBArr, kOpt}, {0x0F, kUB, kOpt},  {0x0E, kUBArr, kOpt}};
  std::vector<XlAttrRule> brush = brush_pen_common;
  brush.push_back({0x04, kUB, kOpt});
  std::vector<XlAttrRule> pen = brush_pen_common;
  pen.push_back({0x05, kUB, kOpt});
  const std::vector<XlAttrRule> vendor = {
      {0x91, kU32, kReq}, {0x92, kU32, kOpt}, {0x93, kUB | kU16, kOpt}, {0x94, kUB | kU16, kOpt},
      {0x95, kU16, kOpt}, {0x96, kU16, kOpt}, {0x97, kU32, kOpt},       {0x98, kUB, kOpt},
      {0x99, kR32, kOpt}, {0x9A, kR32, kOpt}, {0x9B, kU16, kOpt}};

  return {
      // Session and page structure.
      {0x41,
       "BeginSession",
       P::kSession,
       D::kNone,
       {{0x89, kU16XY, kReq}, {0x86, kUB, kReq}, {0x8F, kUB, kOpt}}},
      {0x42, "EndSession", P::kSession, D::kNone, {}},
      {0x43,
       "BeginPage",
       P::kSession,
       D::kNone,
       {{0x28, kUB, kReq},
        {0x25, kUB | kUBArr, kOpt},
        {0x2F, kU16XY, kOpt},
        {0x30, kUB, kOpt},
        {0x26, kUB, kOpt},
        {0x27, kUBArr, kOpt}}},
      {0x44, "EndPage", P::kSession, D::kNone, {{0x31, kU16, kOpt}}},
      {0x46, "VendorUnique", P::kAnywhere, D::kWithForm, vendor},
      {0x47, "Comment", P::kAnywhere, D::kNone, {{0x81, kUBArr, kReq}}},
      {0x48, "OpenDataSource", P::kSession, D::kNone, {{0x88, kUB, kReq}, {0x82, kUB, kReq}}},
      {0x49, "CloseDataSource", P::kSession, D::kNone, {}},
      {0x4A, "EchoComment", P::kAnywhere, D::kNone, {{0x81, kUBArr, kReq}}},
      {0x4B, "Query", P::kAnywhere, D::kNone, {{0x8A, kUBArr, kReq}}},
      // Fonts.
      {0x4F,
       "BeginFontHeader",
       P::kDataSource,
       D::kNone,
       {{0xA8, kUBArr, kReq}, {0xA9, kUB, kReq}}},
      {0x50, "ReadFontHeader", P::kBlock, D::kAlways, {{0xA7, kU16, kReq}}},
      {0x51, "EndFontHeader", P::kBlock, D::kNone, {}},
      {0x52, "BeginChar", P::kDataSource, D::kNone, {{0xA8, kUBArr, kReq}}},
      {0x53, "ReadChar", P::kBlock, D::kAlways, {{0xA2, kU16, kReq}, {0xA3, kU32, kReq}}},
      {0x54, "EndChar", P::kBlock, D::kNone, {}},
      {0x55, "RemoveFont", P::kDataSource, D::kNone, {{0xA8, kUBArr, kReq}}},
      {0x56, "SetCharAttributes", P::kPage, D::kNone, {{0xAD, kUB, kReq}}},
      // Streams.
      {0x5B, "BeginStream", P::kDataSource, D::kNone, {{0x8B, kUBArr, kReq}}},
      {0x5C, "ReadStream", P::kBlock, D::kAlways, {{0x8C, kU32, kReq}}},
      {0x5D, "EndStream", P::kBlock, D::kNone, {}},
      {0x5E, "ExecStream", P::kPage, D::kNone, {{0x8B, kUBArr, kReq}}},
      {0x5F, "RemoveStream", P::kDataSource, D::kNone, {{0x8B, kUBArr, kReq}}},
      // Graphics state.
      {0x60, "PopGS", P::kPage, D::kNone, {}},
      {0x61, "PushGS", P::kPage, D::kNone, {}},
      {0x62, "SetClipReplace", P::kPage, D::kNone, {{0x53, kUB, kReq}}},
      {0x63, "SetBrushSource", P::kPage, D::kNone, brush},
      {0x64, "SetCharAngle", P::kPage, D::kNone, {{0xA1, kS16 | kR32, kReq}}},
      {0x65, "SetCharScale", P::kPage, D::kNone, {{0xA4, kR32XY, kReq}}},
      {0x66, "SetCharShear", P::kPage, D::kNone, {{0xA5, kS16XY | kR32XY, kReq}}},
      {0x67, "SetClipIntersect", P::kPage, D::kNone, {{0x53, kUB, kReq}}},
      {0x68, "SetClipRectangle", P::kPage, D::kNone, {{0x42, kCoordBox, kReq}, {0x53, kUB, kReq}}},
      {0x69, "SetClipToPage", P::kPage, D::kNone, {}},
      {0x6A,
       "SetColorSpace",
       P::kPage,
       D::kNone,
       {{0x03, kUB, kOpt},
        {0x02, kUB, kOpt},
        {0x06, kUBArr, kOpt},
        {0x11, kUB, kOpt},
        {0x12, kR32Arr, kOpt},
        {0x13, kR32Arr, kOpt},
        {0x14, kR32Arr, kOpt},
        {0x15, kR32Arr, kOpt}}},
      {0x6B, "SetCursor", P::kPage, D::kNone, {{0x4C, kCoordXY, kReq}}},
      {0x6C, "SetCursorRel", P::kPage, D::kNone, {{0x4C, kCoordXY, kReq}}},
      {0x6D,
       "SetHalftoneMethod",
       P::kPage,
       D::kWithForm,
       {{0x21, kUB, kOpt},
        {0x32, kU16XY, kOpt},
        {0x33, kUB, kOpt},
        {0x22, kUB, kOpt},
        {0x23, kU16XY, kOpt}}},
      {0x6E, "SetFillMode", P::kPage, D::kNone, {{0x46, kUB, kReq}}},
      {0x6F,
       "SetFont",
       P::kPage,
       D::kNone,
       {{0xA8, kUBArr, kReq}, {0xA6, kR32, kReq}, {0xAA, kU16, kReq}}},
      {0x70,
       "SetLineDash",
       P::kPage,
       D::kNone,
       {{0x4A, kU16Arr, kOpt}, {0x43, kU16, kOpt}, {0x4E, kUB, kOpt}}},
      {0x71, "SetLineCap", P::kPage, D::kNone, {{0x47, kUB, kReq}}},
      {0x72, "SetLineJoin", P::kPage, D::kNone, {{0x48, kUB, kReq}}},
      {0x73, "SetMiterLimit", P::kPage, D::kNone, {{0x49, kU16, kReq}}},
      {0x74, "SetPageDefaultCTM", P::kPage, D::kNone, {}},
      {0x75, "SetPageOrigin", P::kPage, D::kNone, {{0x2A, kCoordXY, kReq}}},
      {0x76, "SetPageRotation", P::kPage, D::kNone, {{0x29, kS16, kReq}}},
      {0x77, "SetPageScale", P::kPage, D::kNone, {{0x2B, kR32XY, kReq}}},
      {0x78, "SetPatternTxMode", P::kPage, D::kNone, {{0x2D, kUB, kReq}}},
      {0x79, "SetPenSource", P::kPage, D::kNone, pen},
      {0x7A, "SetPenWidth", P::kPage, D::kNone, {{0x4B, kU16, kReq}}},
      {0x7B, "SetROP", P::kPage, D::kNone, {{0x2C, kUB, kReq}}},
      {0x7C, "SetSourceTxMode", P::kPage, D::kNone, {{0x2D, kUB, kReq}}},
      {0x7D, "SetCharBoldValue", P::kPage, D::kNone, {{0xB1, kR32, kReq}}},
      {0x7F, "SetClipMode", P::kPage, D::kNone, {{0x54, kUB, kReq}}},
      {0x80, "SetPathToClip", P::kPage, D::kNone, {}},
      {0x81, "SetCharSubMode", P::kPage, D::kNone, {{0xAC, kUBArr, kReq}}},
      // Paths and painting.
      {0x84, "CloseSubPath", P::kPage, D::kNone, {}},
      {0x85, "NewPath", P::kPage, D::kNone, {}},
      {0x86, "PaintPath", P::kPage, D::kNone, {}},
      {0x91,
       "ArcPath",
       P::kPage,
       D::kNone,
       {{0x42, kCoordBox, kReq},
        {0x4F, kCoordXY, kReq},
        {0x45, kCoordXY, kReq},
        {0x41, kUB, kReq}}},
      {0x93, "BezierPath", P::kPage, D::kWithForm, bezier_forms},
      {0x95, "BezierRelPath", P::kPage, D::kWithForm, bezier_forms},
      {0x96, "Chord", P::kPage, D::kNone, box_start_end},
      {0x97, "ChordPath", P::kPage, D::kNone, box_start_end},
      {0x98, "Ellipse", P::kPage, D::kNone, box_only},
      {0x99, "EllipsePath", P::kPage, D::kNone, box_only},
      {0x9B, "LinePath", P::kPage, D::kWithForm, line_forms},
      {0x9D, "LineRelPath", P::kPage, D::kWithForm, line_forms},
      {0x9E, "Pie", P::kPage, D::kNone, box_start_end},
      {0x9F, "PiePath", P::kPage, D::kNone, box_start_end},
      {0xA0, "Rectangle", P::kPage, D::kNone, box_only},
      {0xA1, "RectanglePath", P::kPage, D::kNone, box_only},
      {0xA2, "RoundRectangle", P::kPage, D::kNone, round_rectangle},
      {0xA3, "RoundRectanglePath", P::kPage, D::kNone, round_rectangle},
      {0xA8, "Text", P::kPage, D::kNone, text},
      {0xA9, "TextPath", P::kPage, D::kNone, text},
      // Images, patterns and scan lines.
      {0xB0, "BeginImage", P::kPage, D::kNone, image},
      {0xB1, "ReadImage", P::kBlock, D::kAlways, read_block},
      {0xB2, "EndImage", P::kBlock, D::kNone, {}},
      {0xB3, "BeginRastPattern", P::kDataSource, D::kNone, pattern},
      {0xB4, "ReadRastPattern", P::kBlock, D::kAlways, read_block},
      {0xB5, "EndRastPattern", P::kBlock, D::kNone, {}},
      {0xB6, "BeginScan", P::kPage, D::kNone, {}},
      {0xB8, "EndScan", P::kBlock, D::kNone, {}},
      {0xB9, "ScanLineRel", P::kBlock, D::kAlways, {{0x73, kU16, kOpt}}},
  };
}

const std::array<const XlOpRule*, 256>& RuleIndex() {
  static const std::vector<XlOpRule> rules = BuildRules();
  static const std::array<const XlOpRule*, 256> index = [] {
    std::array<const XlOpRule*, 256> table{};
    for (const XlOpRule& rule : rules) {
      table[rule.code] = &rule;
    }
    return table;
  }();
  return index;
}

// Names of the operators that have no rule (our jobs never send them).
const char* UncheckedOperatorName(std::uint8_t code) {
  switch (code) {
    case 0x4C:
      return "Diagnostic3";
    case 0x7E:
      return "SetNeutralAxis";
    case 0x82:
      return "BeginUserDefinedLineCap";
    case 0x83:
      return "EndUserDefinedLineCap";
    case 0x92:
      return "SetColorTrapping";
    case 0x94:
      return "SetAdaptiveHalftoning";
    case 0xBF:
      return "PassThrough";
    default:
      return nullptr;
  }
}

std::string Hex(const char* prefix, unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "%s0x%02X", prefix, value);
  return text;
}

}  // namespace

std::uint32_t XlTypeBitOf(std::uint8_t tag) {
  const int type = tag & 0x07;
  if (type > 5) {
    return 0;
  }
  switch (tag & 0xF8) {
    case 0xC0:
      return 1u << type;
    case 0xC8:
      return 1u << (6 + type);
    case 0xD0:
      return 1u << (12 + type);
    case 0xE0:
      return 1u << (18 + type);
    default:
      return 0;
  }
}

std::string XlTypeBitsText(std::uint32_t bits) {
  static constexpr const char* kElements[6] = {"ubyte",  "uint16", "uint32",
                                               "sint16", "sint32", "real32"};
  static constexpr const char* kShapes[4] = {"", "_array", "_xy", "_box"};
  std::string text;
  for (int bit = 0; bit < 24; ++bit) {
    if ((bits & (1u << bit)) == 0) {
      continue;
    }
    if (!text.empty()) {
      text += " or ";
    }
    text += std::string(kElements[bit % 6]) + kShapes[bit / 6];
  }
  return text.empty() ? "nothing" : text;
}

const XlOpRule* FindXlOpRule(std::uint8_t code) {
  return RuleIndex()[code];
}

std::string XlOperatorName(std::uint8_t code) {
  if (const XlOpRule* rule = FindXlOpRule(code)) {
    return rule->name;
  }
  if (const char* name = UncheckedOperatorName(code)) {
    return name;
  }
  return Hex("op ", code);
}

std::string XlAttributeName(std::uint8_t id) {
  if (const char* name = AttributeNameOrNull(id)) {
    return name;
  }
  return Hex("attr ", id);
}

bool XlBuildsPath(std::uint8_t code) {
  switch (code) {
    case 0x91:  // ArcPath
    case 0x93:  // BezierPath
    case 0x95:  // BezierRelPath
    case 0x97:  // ChordPath
    case 0x99:  // EllipsePath
    case 0x9B:  // LinePath
    case 0x9D:  // LineRelPath
    case 0x9F:  // PiePath
    case 0xA1:  // RectanglePath
    case 0xA3:  // RoundRectanglePath
    case 0xA9:  // TextPath
      return true;
    default:
      return false;
  }
}

}  // namespace vel::test
