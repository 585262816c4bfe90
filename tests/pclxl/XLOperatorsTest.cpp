// The operator functions: each one's output decoded and compared with its row of the function
// table (attribute ids, value types, operator byte, values in argument order), and the byte-exact
// edge cases of the family, the text spacing choice and the vendor-unique operator.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "framework/output/pclxl/XLEncoder.h"
#include "framework/output/pclxl/XLFontOperators.h"
#include "framework/output/pclxl/XLImageOperators.h"
#include "framework/output/pclxl/XLPathOperators.h"
#include "framework/output/pclxl/XLScanLineOperators.h"
#include "framework/output/pclxl/XLSessionOperators.h"
#include "framework/output/pclxl/XLStateOperators.h"
#include "framework/output/pclxl/XLTextOperators.h"
#include "framework/output/pclxl/XLVendorOperators.h"
#include "tests/pclxl/XLTestStream.h"
#include "tests/support/PclXlDecoder.h"

namespace {

using vel::test::Bytes;
using vel::test::BytesEqual;
using vel::test::DecodePclXl;
using vel::test::HexBytes;
using vel::test::TestStream;
using vel::test::XlDecoded;
using vel::test::XlSignature;
using vel::test::XlValues;

// Attribute ids by name, from the format's attribute table.
const std::map<std::string, int> kAttributeIds = {
    {"PaletteDepth", 0x02},
    {"ColorSpace", 0x03},
    {"NullBrush", 0x04},
    {"NullPen", 0x05},
    {"PaletteData", 0x06},
    {"PatternSelectID", 0x08},
    {"GrayLevel", 0x09},
    {"RGBColor", 0x0B},
    {"NewDestinationSize", 0x0D},
    {"PrimaryArray", 0x0E},
    {"PrimaryDepth", 0x0F},
    {"DeviceMatrix", 0x21},
    {"DitherMatrixDataType", 0x22},
    {"DitherOrigin", 0x23},
    {"MediaSize", 0x25},
    {"MediaSource", 0x26},
    {"MediaType", 0x27},
    {"Orientation", 0x28},
    {"PageAngle", 0x29},
    {"PageOrigin", 0x2A},
    {"PageScale", 0x2B},
    {"ROP3", 0x2C},
    {"TxMode", 0x2D},
    {"CustomMediaSize", 0x2F},
    {"CustomMediaSizeUnits", 0x30},
    {"PageCopies", 0x31},
    {"DitherMatrixSize", 0x32},
    {"DitherMatrixDepth", 0x33},
    {"ArcDirection", 0x41},
    {"BoundingBox", 0x42},
    {"DashOffset", 0x43},
    {"EllipseDimension", 0x44},
    {"EndPoint", 0x45},
    {"FillMode", 0x46},
    {"LineCapStyle", 0x47},
    {"LineJoinStyle", 0x48},
    {"MiterLength", 0x49},
    {"LineDashStyle", 0x4A},
    {"PenWidth", 0x4B},
    {"Point", 0x4C},
    {"NumberOfPoints", 0x4D},
    {"SolidLine", 0x4E},
    {"StartPoint", 0x4F},
    {"PointType", 0x50},
    {"ControlPoint1", 0x51},
    {"ControlPoint2", 0x52},
    {"ClipRegion", 0x53},
    {"ClipMode", 0x54},
    {"ColorDepth", 0x62},
    {"BlockHeight", 0x63},
    {"ColorMapping", 0x64},
    {"CompressMode", 0x65},
    {"DestinationSize", 0x67},
    {"PatternPersistence", 0x68},
    {"PatternDefineID", 0x69},
    {"SourceHeight", 0x6B},
    {"SourceWidth", 0x6C},
    {"StartLine", 0x6D},
    {"CommentData", 0x81},
    {"DataOrg", 0x82},
    {"Measure", 0x86},
    {"SourceType", 0x88},
    {"UnitsPerMeasure", 0x89},
    {"StreamName", 0x8B},
    {"StreamDataLength", 0x8C},
    {"ErrorReport", 0x8F},
    {"CharAngle", 0xA1},
    {"CharCode", 0xA2},
    {"CharDataSize", 0xA3},
    {"CharScale", 0xA4},
    {"CharShear", 0xA5},
    {"CharSize", 0xA6},
    {"FontHeaderLength", 0xA7},
    {"FontName", 0xA8},
    {"FontFormat", 0xA9},
    {"SymbolSet", 0xAA},
    {"TextData", 0xAB},
    {"CharSubModeArray", 0xAC},
    {"XSpacingData", 0xAF},
    {"YSpacingData", 0xB0},
    {"CharBoldValue", 0xB1},
};

std::string Hex2(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X", value);
  return text;
}

// A row's attribute list, "Name type, Name type" (a name may be a hex id; "-" is a value
// written without an id; "ubyte_array<sint16>" is written as the first type and given to the
// function as the second), as the decoder's signature of the function's output.
std::string ExpectedSignature(const std::string& attributes, int op) {
  std::string out;
  std::size_t pos = 0;
  while (pos < attributes.size()) {
    std::size_t end = attributes.find(", ", pos);
    if (end == std::string::npos) {
      end = attributes.size();
    }
    const std::string item = attributes.substr(pos, end - pos);
    const std::size_t blank = item.find(' ');
    const std::string name = item.substr(0, blank);
    std::string type = item.substr(blank + 1);
    type = type.substr(0, type.find('<'));
    out += type + " ";
    if (name.rfind("0x", 0) == 0) {
      out += "@" + Hex2(std::stoi(name, nullptr, 16)) + " ";
    } else if (name != "-") {
      const auto found = kAttributeIds.find(name);
      out += found != kAttributeIds.end() ? "@" + Hex2(found->second) + " " : "@?" + name + " ";
    }
    pos = end + 2;
  }
  return out + "op" + Hex2(op);
}

struct OperatorRow {
  const char* function;
  int op;
  const char* attributes;
  void (*write)(XLStream*);
};

// One row per function: the function, its operator, its attribute list as the function table
// gives it. Each call passes 1, 2, 3, ... in argument order, and two elements per array, so the
// decoded values must come out as that same sequence.
// clang-format off
const OperatorRow kRows[] = {
    {"XLBeginSession", 0x41, "UnitsPerMeasure uint16_xy, Measure ubyte",
     [](XLStream* s) { XLBeginSession(s, 1, 2, 3); }},
    {"XLBeginSessionErrorReport", 0x41, "UnitsPerMeasure uint16_xy, Measure ubyte, ErrorReport ubyte",
     [](XLStream* s) { XLBeginSessionErrorReport(s, 1, 2, 3, 4); }},
    {"XLEndSession", 0x42, "",
     [](XLStream* s) { XLEndSession(s); }},
    {"XLBeginPage", 0x43, "Orientation ubyte, MediaSize ubyte",
     [](XLStream* s) { XLBeginPage(s, 1, 2); }},
    {"XLBeginPageCustomSize", 0x43, "Orientation ubyte, CustomMediaSize uint16_xy, CustomMediaSizeUnits ubyte",
     [](XLStream* s) { XLBeginPageCustomSize(s, 1, 2, 3, 4); }},
    {"XLBeginPageSource", 0x43, "Orientation ubyte, MediaSize ubyte, MediaSource ubyte",
     [](XLStream* s) { XLBeginPageSource(s, 1, 2, 3); }},
    {"XLBeginPageCustomSizeSource", 0x43, "Orientation ubyte, CustomMediaSize uint16_xy, CustomMediaSizeUnits ubyte, MediaSource ubyte",
     [](XLStream* s) { XLBeginPageCustomSizeSource(s, 1, 2, 3, 4, 5); }},
    {"XLBeginPageTypeSource", 0x43, "Orientation ubyte, MediaSize ubyte, MediaType ubyte_array, MediaSource ubyte",
     [](XLStream* s) { const std::uint8_t a3[] = {3, 4}; XLBeginPageTypeSource(s, 1, 2, a3, 2, 5); }},
    {"XLBeginPageCustomSizeTypeSource", 0x43, "Orientation ubyte, CustomMediaSize uint16_xy, CustomMediaSizeUnits ubyte, MediaType ubyte_array, MediaSource ubyte",
     [](XLStream* s) { const std::uint8_t a5[] = {5, 6}; XLBeginPageCustomSizeTypeSource(s, 1, 2, 3, 4, a5, 2, 7); }},
    {"XLEndPage", 0x44, "",
     [](XLStream* s) { XLEndPage(s); }},
    {"XLEndPageCopies", 0x44, "PageCopies uint16",
     [](XLStream* s) { XLEndPageCopies(s, 1); }},
    {"XLEndPageCopiesSource", 0x44, "PageCopies uint16, 0x26 ubyte",
     [](XLStream* s) { XLEndPageCopiesSource(s, 1, 2); }},
    {"XLEndPageSource", 0x44, "0x26 ubyte",
     [](XLStream* s) { XLEndPageSource(s, 1); }},
    {"XLComment", 0x47, "CommentData ubyte_array",
     [](XLStream* s) { const std::uint8_t a1[] = {1, 2}; XLComment(s, a1, 2); }},
    {"XLOpenDataSource", 0x48, "SourceType ubyte",
     [](XLStream* s) { XLOpenDataSource(s, 1); }},
    {"XLOpenDataSourceDataOrg", 0x48, "SourceType ubyte, DataOrg ubyte",
     [](XLStream* s) { XLOpenDataSourceDataOrg(s, 1, 2); }},
    {"XLCloseDataSource", 0x49, "",
     [](XLStream* s) { XLCloseDataSource(s); }},
    {"XLEchoComment", 0x4A, "CommentData ubyte_array",
     [](XLStream* s) { const std::uint8_t a1[] = {1, 2}; XLEchoComment(s, a1, 2); }},
    {"XLQuery", 0x4B, "0x8A ubyte_array",
     [](XLStream* s) { const std::uint8_t a1[] = {1, 2}; XLQuery(s, a1, 2); }},
    {"XLBeginFontHeader", 0x4F, "FontName ubyte_array, FontFormat ubyte",
     [](XLStream* s) { const std::uint8_t a1[] = {1, 2}; XLBeginFontHeader(s, a1, 2, 3); }},
    {"XLReadFontHeader", 0x50, "FontHeaderLength uint16",
     [](XLStream* s) { XLReadFontHeader(s, 1); }},
    {"XLEndFontHeader", 0x51, "",
     [](XLStream* s) { XLEndFontHeader(s); }},
    {"XLBeginChar", 0x52, "FontName ubyte_array",
     [](XLStream* s) { const std::uint8_t a1[] = {1, 2}; XLBeginChar(s, a1, 2); }},
    {"XLReadChar", 0x53, "CharCode uint16, CharDataSize uint32",
     [](XLStream* s) { XLReadChar(s, 1, 2); }},
    {"XLEndChar", 0x54, "",
     [](XLStream* s) { XLEndChar(s); }},
    {"XLRemoveFont", 0x55, "FontName ubyte_array",
     [](XLStream* s) { const std::uint8_t a1[] = {1, 2}; XLRemoveFont(s, a1, 2); }},
    {"XLSetCharAttributes", 0x56, "0xAD ubyte",
     [](XLStream* s) { XLSetCharAttributes(s, 1); }},
    {"XLBeginStream", 0x5B, "StreamName ubyte_array",
     [](XLStream* s) { const std::uint8_t a1[] = {1, 2}; XLBeginStream(s, a1, 2); }},
    {"XLReadStream", 0x5C, "StreamDataLength uint32",
     [](XLStream* s) { XLReadStream(s, 1); }},
    {"XLEndStream", 0x5D, "",
     [](XLStream* s) { XLEndStream(s); }},
    {"XLExecStream", 0x5E, "StreamName ubyte_array",
     [](XLStream* s) { const std::uint8_t a1[] = {1, 2}; XLExecStream(s, a1, 2); }},
    {"XLRemoveStream", 0x5F, "StreamName ubyte_array",
     [](XLStream* s) { const std::uint8_t a1[] = {1, 2}; XLRemoveStream(s, a1, 2); }},
    {"XLPopGS", 0x60, "",
     [](XLStream* s) { XLPopGS(s); }},
    {"XLPushGS", 0x61, "",
     [](XLStream* s) { XLPushGS(s); }},
    {"XLSetClipReplace", 0x62, "ClipRegion ubyte",
     [](XLStream* s) { XLSetClipReplace(s, 1); }},
    {"XLSetBrushSourceGrayReal32", 0x63, "GrayLevel real32",
     [](XLStream* s) { XLSetBrushSourceGrayReal32(s, 1); }},
    {"XLSetBrushSourceGray", 0x63, "GrayLevel ubyte",
     [](XLStream* s) { XLSetBrushSourceGray(s, 1); }},
    {"XLSetBrushSourceNull", 0x63, "NullBrush ubyte",
     [](XLStream* s) { XLSetBrushSourceNull(s, 1); }},
    {"XLSetBrushSourcePattern", 0x63, "PatternSelectID sint16",
     [](XLStream* s) { XLSetBrushSourcePattern(s, 1); }},
    {"XLSetBrushSourcePatternSize", 0x63, "NewDestinationSize uint16_xy, PatternSelectID sint16",
     [](XLStream* s) { XLSetBrushSourcePatternSize(s, 1, 2, 3); }},
    {"XLSetBrushSourceRGBReal32", 0x63, "RGBColor real32_array",
     [](XLStream* s) { const float a1[] = {1, 2}; XLSetBrushSourceRGBReal32(s, a1, 2); }},
    {"XLSetBrushSourceRGB", 0x63, "RGBColor ubyte_array",
     [](XLStream* s) { const std::uint8_t a1[] = {1, 2}; XLSetBrushSourceRGB(s, a1, 2); }},
    {"XLSetBrushSourcePrimary", 0x63, "PrimaryDepth ubyte, PrimaryArray ubyte_array",
     [](XLStream* s) { const std::uint8_t a2[] = {2, 3}; XLSetBrushSourcePrimary(s, 1, a2, 2); }},
    {"XLSetPenSourceGrayReal32", 0x79, "GrayLevel real32",
     [](XLStream* s) { XLSetPenSourceGrayReal32(s, 1); }},
    {"XLSetPenSourceGray", 0x79, "GrayLevel ubyte",
     [](XLStream* s) { XLSetPenSourceGray(s, 1); }},
    {"XLSetPenSourceNull", 0x79, "NullPen ubyte",
     [](XLStream* s) { XLSetPenSourceNull(s, 1); }},
    {"XLSetPenSourcePattern", 0x79, "PatternSelectID sint16",
     [](XLStream* s) { XLSetPenSourcePattern(s, 1); }},
    {"XLSetPenSourcePatternSize", 0x79, "NewDestinationSize uint16_xy, PatternSelectID sint16",
     [](XLStream* s) { XLSetPenSourcePatternSize(s, 1, 2, 3); }},
    {"XLSetPenSourceRGBReal32", 0x79, "RGBColor real32_array",
     [](XLStream* s) { const float a1[] = {1, 2}; XLSetPenSourceRGBReal32(s, a1, 2); }},
    {"XLSetPenSourceRGB", 0x79, "RGBColor ubyte_array",
     [](XLStream* s) { const std::uint8_t a1[] = {1, 2}; XLSetPenSourceRGB(s, a1, 2); }},
    {"XLSetPenSourcePrimary", 0x79, "PrimaryDepth ubyte, PrimaryArray ubyte_array",
     [](XLStream* s) { const std::uint8_t a2[] = {2, 3}; XLSetPenSourcePrimary(s, 1, a2, 2); }},
    {"XLSetCharAngleSInt16", 0x64, "CharAngle sint16",
     [](XLStream* s) { XLSetCharAngleSInt16(s, 1); }},
    {"XLSetCharAngleReal32", 0x64, "CharAngle real32",
     [](XLStream* s) { XLSetCharAngleReal32(s, 1); }},
    {"XLSetCharScale", 0x65, "CharScale real32_xy",
     [](XLStream* s) { XLSetCharScale(s, 1, 2); }},
    {"XLSetCharShearSInt16", 0x66, "CharShear sint16_xy",
     [](XLStream* s) { XLSetCharShearSInt16(s, 1, 2); }},
    {"XLSetCharShearReal32", 0x66, "CharShear real32_xy",
     [](XLStream* s) { XLSetCharShearReal32(s, 1, 2); }},
    {"XLSetClipIntersect", 0x67, "ClipRegion ubyte",
     [](XLStream* s) { XLSetClipIntersect(s, 1); }},
    {"XLSetClipRectangleSInt16", 0x68, "BoundingBox sint16_box, ClipRegion ubyte",
     [](XLStream* s) { XLSetClipRectangleSInt16(s, 1, 2, 3, 4, 5); }},
    {"XLSetClipRectangleUInt16", 0x68, "BoundingBox uint16_box, ClipRegion ubyte",
     [](XLStream* s) { XLSetClipRectangleUInt16(s, 1, 2, 3, 4, 5); }},
    {"XLSetClipRectangleSInt32", 0x68, "BoundingBox sint32_box, ClipRegion ubyte",
     [](XLStream* s) { XLSetClipRectangleSInt32(s, 1, 2, 3, 4, 5); }},
    {"XLSetClipRectangleReal32", 0x68, "BoundingBox real32_box, ClipRegion ubyte",
     [](XLStream* s) { XLSetClipRectangleReal32(s, 1, 2, 3, 4, 5); }},
    {"XLSetClipToPage", 0x69, "",
     [](XLStream* s) { XLSetClipToPage(s); }},
    {"XLSetColorSpace", 0x6A, "ColorSpace ubyte",
     [](XLStream* s) { XLSetColorSpace(s, 1); }},
    {"XLSetColorSpacePalette", 0x6A, "ColorSpace ubyte, PaletteDepth ubyte, PaletteData ubyte_array",
     [](XLStream* s) { const std::uint8_t a3[] = {3, 4}; XLSetColorSpacePalette(s, 1, 2, a3, 2); }},
    {"XLSetColorSpaceColorimetric", 0x6A, "0x11 ubyte, 0x12 real32_array, 0x13 real32_array, 0x14 real32_array, 0x15 real32_array",
     [](XLStream* s) { const float a2[] = {2, 3}; const float a4[] = {4, 5}; const float a6[] = {6, 7}; const float a8[] = {8, 9}; XLSetColorSpaceColorimetric(s, 1, a2, 2, a4, 2, a6, 2, a8, 2); }},
    {"XLSetColorSpaceExtended", 0x6A, "0x16 ubyte, 0x17 real32, 0x18 real32, 0x19 real32, 0x1A real32, 0x1B real32, 0x1C real32",
     [](XLStream* s) { XLSetColorSpaceExtended(s, 1, 2, 3, 4, 5, 6, 7); }},
    {"XLSetCursorSInt16", 0x6B, "Point sint16_xy",
     [](XLStream* s) { XLSetCursorSInt16(s, 1, 2); }},
    {"XLSetCursorUInt16", 0x6B, "Point uint16_xy",
     [](XLStream* s) { XLSetCursorUInt16(s, 1, 2); }},
    {"XLSetCursorSInt32", 0x6B, "Point sint32_xy",
     [](XLStream* s) { XLSetCursorSInt32(s, 1, 2); }},
    {"XLSetCursorReal32", 0x6B, "Point real32_xy",
     [](XLStream* s) { XLSetCursorReal32(s, 1, 2); }},
    {"XLSetCursorMeasure", 0x6B, "0x86 ubyte, 0x89 real32_xy",
     [](XLStream* s) { XLSetCursorMeasure(s, 1, 2, 3); }},
    {"XLSetCursorRelSInt16", 0x6C, "Point sint16_xy",
     [](XLStream* s) { XLSetCursorRelSInt16(s, 1, 2); }},
    {"XLSetCursorRelUInt16", 0x6C, "Point uint16_xy",
     [](XLStream* s) { XLSetCursorRelUInt16(s, 1, 2); }},
    {"XLSetCursorRelSInt32", 0x6C, "Point sint32_xy",
     [](XLStream* s) { XLSetCursorRelSInt32(s, 1, 2); }},
    {"XLSetCursorRelReal32", 0x6C, "Point real32_xy",
     [](XLStream* s) { XLSetCursorRelReal32(s, 1, 2); }},
    {"XLSetHalftoneMethod", 0x6D, "DeviceMatrix ubyte",
     [](XLStream* s) { XLSetHalftoneMethod(s, 1); }},
    {"XLSetHalftoneMethodDither", 0x6D, "DitherMatrixSize uint16_xy, DitherMatrixDepth ubyte, DitherMatrixDataType ubyte",
     [](XLStream* s) { XLSetHalftoneMethodDither(s, 1, 2, 3, 4); }},
    {"XLSetHalftoneMethodDitherOrigin", 0x6D, "DitherMatrixSize uint16_xy, DitherMatrixDepth ubyte, DitherMatrixDataType ubyte, DitherOrigin uint16_xy",
     [](XLStream* s) { XLSetHalftoneMethodDitherOrigin(s, 1, 2, 3, 4, 5, 6); }},
    {"XLSetFillMode", 0x6E, "FillMode ubyte",
     [](XLStream* s) { XLSetFillMode(s, 1); }},
    {"XLSetFont", 0x6F, "FontName ubyte_array, CharSize real32, SymbolSet uint16",
     [](XLStream* s) { const std::uint8_t a1[] = {1, 2}; XLSetFont(s, a1, 2, 3, 4); }},
    {"XLSetLineDash", 0x70, "LineDashStyle uint16_array",
     [](XLStream* s) { const std::uint16_t a1[] = {1, 2}; XLSetLineDash(s, a1, 2); }},
    {"XLSetLineDashOffset", 0x70, "LineDashStyle uint16_array, DashOffset uint16",
     [](XLStream* s) { const std::uint16_t a1[] = {1, 2}; XLSetLineDashOffset(s, a1, 2, 3); }},
    {"XLSetLineDashSolid", 0x70, "SolidLine ubyte",
     [](XLStream* s) { XLSetLineDashSolid(s, 1); }},
    {"XLSetLineCap", 0x71, "LineCapStyle ubyte",
     [](XLStream* s) { XLSetLineCap(s, 1); }},
    {"XLSetLineJoin", 0x72, "LineJoinStyle ubyte",
     [](XLStream* s) { XLSetLineJoin(s, 1); }},
    {"XLSetMiterLimitUInt16", 0x73, "MiterLength uint16",
     [](XLStream* s) { XLSetMiterLimitUInt16(s, 1); }},
    {"XLSetMiterLimitReal32", 0x73, "MiterLength real32",
     [](XLStream* s) { XLSetMiterLimitReal32(s, 1); }},
    {"XLSetPageDefaultCTM", 0x74, "",
     [](XLStream* s) { XLSetPageDefaultCTM(s); }},
    {"XLSetPageOriginSInt16", 0x75, "PageOrigin sint16_xy",
     [](XLStream* s) { XLSetPageOriginSInt16(s, 1, 2); }},
    {"XLSetPageOriginUInt16", 0x75, "PageOrigin uint16_xy",
     [](XLStream* s) { XLSetPageOriginUInt16(s, 1, 2); }},
    {"XLSetPageOriginSInt32", 0x75, "PageOrigin sint32_xy",
     [](XLStream* s) { XLSetPageOriginSInt32(s, 1, 2); }},
    {"XLSetPageOriginReal32", 0x75, "PageOrigin real32_xy",
     [](XLStream* s) { XLSetPageOriginReal32(s, 1, 2); }},
    {"XLSetPageRotationSInt16", 0x76, "PageAngle sint16",
     [](XLStream* s) { XLSetPageRotationSInt16(s, 1); }},
    {"XLSetPageRotationReal32", 0x76, "PageAngle real32",
     [](XLStream* s) { XLSetPageRotationReal32(s, 1); }},
    {"XLSetPageScale", 0x77, "PageScale real32_xy",
     [](XLStream* s) { XLSetPageScale(s, 1, 2); }},
    {"XLSetPatternTxMode", 0x78, "TxMode ubyte",
     [](XLStream* s) { XLSetPatternTxMode(s, 1); }},
    {"XLSetPenWidthUInt16", 0x7A, "PenWidth uint16",
     [](XLStream* s) { XLSetPenWidthUInt16(s, 1); }},
    {"XLSetPenWidthReal32", 0x7A, "PenWidth real32",
     [](XLStream* s) { XLSetPenWidthReal32(s, 1); }},
    {"XLSetROP", 0x7B, "ROP3 ubyte",
     [](XLStream* s) { XLSetROP(s, 1); }},
    {"XLSetSourceTxMode", 0x7C, "TxMode ubyte",
     [](XLStream* s) { XLSetSourceTxMode(s, 1); }},
    {"XLSetCharBoldValue", 0x7D, "CharBoldValue real32",
     [](XLStream* s) { XLSetCharBoldValue(s, 1); }},
    {"XLOperator7E", 0x7E, "- sint16, - sint16",
     [](XLStream* s) { XLOperator7E(s, 1, 2); }},
    {"XLSetClipMode", 0x7F, "ClipMode ubyte",
     [](XLStream* s) { XLSetClipMode(s, 1); }},
    {"XLSetPathToClip", 0x80, "",
     [](XLStream* s) { XLSetPathToClip(s); }},
    {"XLSetCharSubMode", 0x81, "CharSubModeArray ubyte_array",
     [](XLStream* s) { const std::uint8_t a1[] = {1, 2}; XLSetCharSubMode(s, a1, 2); }},
    {"XLCloseSubPath", 0x84, "",
     [](XLStream* s) { XLCloseSubPath(s); }},
    {"XLNewPath", 0x85, "",
     [](XLStream* s) { XLNewPath(s); }},
    {"XLPaintPath", 0x86, "",
     [](XLStream* s) { XLPaintPath(s); }},
    {"XLArcPathSInt16", 0x91, "BoundingBox sint16_box, StartPoint sint16_xy, EndPoint sint16_xy, ArcDirection ubyte",
     [](XLStream* s) { XLArcPathSInt16(s, 1, 2, 3, 4, 5, 6, 7, 8, 9); }},
    {"XLArcPathUInt16", 0x91, "BoundingBox uint16_box, StartPoint uint16_xy, EndPoint uint16_xy, ArcDirection ubyte",
     [](XLStream* s) { XLArcPathUInt16(s, 1, 2, 3, 4, 5, 6, 7, 8, 9); }},
    {"XLArcPathSInt32", 0x91, "BoundingBox sint32_box, StartPoint sint32_xy, EndPoint sint32_xy, ArcDirection ubyte",
     [](XLStream* s) { XLArcPathSInt32(s, 1, 2, 3, 4, 5, 6, 7, 8, 9); }},
    {"XLArcPathReal32", 0x91, "BoundingBox real32_box, StartPoint real32_xy, EndPoint real32_xy, ArcDirection ubyte",
     [](XLStream* s) { XLArcPathReal32(s, 1, 2, 3, 4, 5, 6, 7, 8, 9); }},
    {"XLBezierPath", 0x93, "NumberOfPoints uint16, PointType ubyte",
     [](XLStream* s) { XLBezierPath(s, 1, 2); }},
    {"XLBezierPathSInt16", 0x93, "ControlPoint1 sint16_xy, ControlPoint2 sint16_xy, EndPoint sint16_xy",
     [](XLStream* s) { XLBezierPathSInt16(s, 1, 2, 3, 4, 5, 6); }},
    {"XLBezierPathUInt16", 0x93, "ControlPoint1 uint16_xy, ControlPoint2 uint16_xy, EndPoint uint16_xy",
     [](XLStream* s) { XLBezierPathUInt16(s, 1, 2, 3, 4, 5, 6); }},
    {"XLBezierPathSInt32", 0x93, "ControlPoint1 sint32_xy, ControlPoint2 sint32_xy, EndPoint sint32_xy",
     [](XLStream* s) { XLBezierPathSInt32(s, 1, 2, 3, 4, 5, 6); }},
    {"XLBezierPathReal32", 0x93, "ControlPoint1 real32_xy, ControlPoint2 real32_xy, EndPoint real32_xy",
     [](XLStream* s) { XLBezierPathReal32(s, 1, 2, 3, 4, 5, 6); }},
    {"XLBezierRelPath", 0x95, "NumberOfPoints uint16, PointType ubyte",
     [](XLStream* s) { XLBezierRelPath(s, 1, 2); }},
    {"XLBezierRelPathSInt16", 0x95, "ControlPoint1 sint16_xy, ControlPoint2 sint16_xy, EndPoint sint16_xy",
     [](XLStream* s) { XLBezierRelPathSInt16(s, 1, 2, 3, 4, 5, 6); }},
    {"XLBezierRelPathUInt16", 0x95, "ControlPoint1 uint16_xy, ControlPoint2 uint16_xy, EndPoint uint16_xy",
     [](XLStream* s) { XLBezierRelPathUInt16(s, 1, 2, 3, 4, 5, 6); }},
    {"XLBezierRelPathSInt32", 0x95, "ControlPoint1 sint32_xy, ControlPoint2 sint32_xy, EndPoint sint32_xy",
     [](XLStream* s) { XLBezierRelPathSInt32(s, 1, 2, 3, 4, 5, 6); }},
    {"XLBezierRelPathReal32", 0x95, "ControlPoint1 real32_xy, ControlPoint2 real32_xy, EndPoint real32_xy",
     [](XLStream* s) { XLBezierRelPathReal32(s, 1, 2, 3, 4, 5, 6); }},
    {"XLChordSInt16", 0x96, "BoundingBox sint16_box, StartPoint sint16_xy, EndPoint sint16_xy",
     [](XLStream* s) { XLChordSInt16(s, 1, 2, 3, 4, 5, 6, 7, 8); }},
    {"XLChordUInt16", 0x96, "BoundingBox uint16_box, StartPoint uint16_xy, EndPoint uint16_xy",
     [](XLStream* s) { XLChordUInt16(s, 1, 2, 3, 4, 5, 6, 7, 8); }},
    {"XLChordSInt32", 0x96, "BoundingBox sint32_box, StartPoint sint32_xy, EndPoint sint32_xy",
     [](XLStream* s) { XLChordSInt32(s, 1, 2, 3, 4, 5, 6, 7, 8); }},
    {"XLChordReal32", 0x96, "BoundingBox real32_box, StartPoint real32_xy, EndPoint real32_xy",
     [](XLStream* s) { XLChordReal32(s, 1, 2, 3, 4, 5, 6, 7, 8); }},
    {"XLChordPathSInt16", 0x97, "BoundingBox sint16_box, StartPoint sint16_xy, EndPoint sint16_xy",
     [](XLStream* s) { XLChordPathSInt16(s, 1, 2, 3, 4, 5, 6, 7, 8); }},
    {"XLChordPathUInt16", 0x97, "BoundingBox uint16_box, StartPoint uint16_xy, EndPoint uint16_xy",
     [](XLStream* s) { XLChordPathUInt16(s, 1, 2, 3, 4, 5, 6, 7, 8); }},
    {"XLChordPathSInt32", 0x97, "BoundingBox sint32_box, StartPoint sint32_xy, EndPoint sint32_xy",
     [](XLStream* s) { XLChordPathSInt32(s, 1, 2, 3, 4, 5, 6, 7, 8); }},
    {"XLChordPathReal32", 0x97, "BoundingBox real32_box, StartPoint real32_xy, EndPoint real32_xy",
     [](XLStream* s) { XLChordPathReal32(s, 1, 2, 3, 4, 5, 6, 7, 8); }},
    {"XLPieSInt16", 0x9E, "BoundingBox sint16_box, StartPoint sint16_xy, EndPoint sint16_xy",
     [](XLStream* s) { XLPieSInt16(s, 1, 2, 3, 4, 5, 6, 7, 8); }},
    {"XLPieUInt16", 0x9E, "BoundingBox uint16_box, StartPoint uint16_xy, EndPoint uint16_xy",
     [](XLStream* s) { XLPieUInt16(s, 1, 2, 3, 4, 5, 6, 7, 8); }},
    {"XLPieSInt32", 0x9E, "BoundingBox sint32_box, StartPoint sint32_xy, EndPoint sint32_xy",
     [](XLStream* s) { XLPieSInt32(s, 1, 2, 3, 4, 5, 6, 7, 8); }},
    {"XLPieReal32", 0x9E, "BoundingBox real32_box, StartPoint real32_xy, EndPoint real32_xy",
     [](XLStream* s) { XLPieReal32(s, 1, 2, 3, 4, 5, 6, 7, 8); }},
    {"XLPiePathSInt16", 0x9F, "BoundingBox sint16_box, StartPoint sint16_xy, EndPoint sint16_xy",
     [](XLStream* s) { XLPiePathSInt16(s, 1, 2, 3, 4, 5, 6, 7, 8); }},
    {"XLPiePathUInt16", 0x9F, "BoundingBox uint16_box, StartPoint uint16_xy, EndPoint uint16_xy",
     [](XLStream* s) { XLPiePathUInt16(s, 1, 2, 3, 4, 5, 6, 7, 8); }},
    {"XLPiePathSInt32", 0x9F, "BoundingBox sint32_box, StartPoint sint32_xy, EndPoint sint32_xy",
     [](XLStream* s) { XLPiePathSInt32(s, 1, 2, 3, 4, 5, 6, 7, 8); }},
    {"XLPiePathReal32", 0x9F, "BoundingBox real32_box, StartPoint real32_xy, EndPoint real32_xy",
     [](XLStream* s) { XLPiePathReal32(s, 1, 2, 3, 4, 5, 6, 7, 8); }},
    {"XLEllipseSInt16", 0x98, "BoundingBox sint16_box",
     [](XLStream* s) { XLEllipseSInt16(s, 1, 2, 3, 4); }},
    {"XLEllipseUInt16", 0x98, "BoundingBox uint16_box",
     [](XLStream* s) { XLEllipseUInt16(s, 1, 2, 3, 4); }},
    {"XLEllipseSInt32", 0x98, "BoundingBox sint32_box",
     [](XLStream* s) { XLEllipseSInt32(s, 1, 2, 3, 4); }},
    {"XLEllipseReal32", 0x98, "BoundingBox real32_box",
     [](XLStream* s) { XLEllipseReal32(s, 1, 2, 3, 4); }},
    {"XLEllipsePathSInt16", 0x99, "BoundingBox sint16_box",
     [](XLStream* s) { XLEllipsePathSInt16(s, 1, 2, 3, 4); }},
    {"XLEllipsePathUInt16", 0x99, "BoundingBox uint16_box",
     [](XLStream* s) { XLEllipsePathUInt16(s, 1, 2, 3, 4); }},
    {"XLEllipsePathSInt32", 0x99, "BoundingBox sint32_box",
     [](XLStream* s) { XLEllipsePathSInt32(s, 1, 2, 3, 4); }},
    {"XLEllipsePathReal32", 0x99, "BoundingBox real32_box",
     [](XLStream* s) { XLEllipsePathReal32(s, 1, 2, 3, 4); }},
    {"XLRectangleSInt16", 0xA0, "BoundingBox sint16_box",
     [](XLStream* s) { XLRectangleSInt16(s, 1, 2, 3, 4); }},
    {"XLRectangleUInt16", 0xA0, "BoundingBox uint16_box",
     [](XLStream* s) { XLRectangleUInt16(s, 1, 2, 3, 4); }},
    {"XLRectangleSInt32", 0xA0, "BoundingBox sint32_box",
     [](XLStream* s) { XLRectangleSInt32(s, 1, 2, 3, 4); }},
    {"XLRectangleReal32", 0xA0, "BoundingBox real32_box",
     [](XLStream* s) { XLRectangleReal32(s, 1, 2, 3, 4); }},
    {"XLRectanglePathSInt16", 0xA1, "BoundingBox sint16_box",
     [](XLStream* s) { XLRectanglePathSInt16(s, 1, 2, 3, 4); }},
    {"XLRectanglePathUInt16", 0xA1, "BoundingBox uint16_box",
     [](XLStream* s) { XLRectanglePathUInt16(s, 1, 2, 3, 4); }},
    {"XLRectanglePathSInt32", 0xA1, "BoundingBox sint32_box",
     [](XLStream* s) { XLRectanglePathSInt32(s, 1, 2, 3, 4); }},
    {"XLRectanglePathReal32", 0xA1, "BoundingBox real32_box",
     [](XLStream* s) { XLRectanglePathReal32(s, 1, 2, 3, 4); }},
    {"XLLinePath", 0x9B, "NumberOfPoints uint16, PointType ubyte",
     [](XLStream* s) { XLLinePath(s, 1, 2); }},
    {"XLLinePathSInt16", 0x9B, "EndPoint sint16_xy",
     [](XLStream* s) { XLLinePathSInt16(s, 1, 2); }},
    {"XLLinePathUInt16", 0x9B, "EndPoint uint16_xy",
     [](XLStream* s) { XLLinePathUInt16(s, 1, 2); }},
    {"XLLinePathSInt32", 0x9B, "EndPoint sint32_xy",
     [](XLStream* s) { XLLinePathSInt32(s, 1, 2); }},
    {"XLLinePathReal32", 0x9B, "EndPoint real32_xy",
     [](XLStream* s) { XLLinePathReal32(s, 1, 2); }},
    {"XLLineRelPath", 0x9D, "NumberOfPoints uint16, PointType ubyte",
     [](XLStream* s) { XLLineRelPath(s, 1, 2); }},
    {"XLLineRelPathSInt16", 0x9D, "EndPoint sint16_xy",
     [](XLStream* s) { XLLineRelPathSInt16(s, 1, 2); }},
    {"XLLineRelPathUInt16", 0x9D, "EndPoint uint16_xy",
     [](XLStream* s) { XLLineRelPathUInt16(s, 1, 2); }},
    {"XLLineRelPathSInt32", 0x9D, "EndPoint sint32_xy",
     [](XLStream* s) { XLLineRelPathSInt32(s, 1, 2); }},
    {"XLLineRelPathReal32", 0x9D, "EndPoint real32_xy",
     [](XLStream* s) { XLLineRelPathReal32(s, 1, 2); }},
    {"XLRoundRectangleSInt16", 0xA2, "BoundingBox sint16_box, EllipseDimension uint16_xy",
     [](XLStream* s) { XLRoundRectangleSInt16(s, 1, 2, 3, 4, 5, 6); }},
    {"XLRoundRectangleUInt16", 0xA2, "BoundingBox uint16_box, EllipseDimension uint16_xy",
     [](XLStream* s) { XLRoundRectangleUInt16(s, 1, 2, 3, 4, 5, 6); }},
    {"XLRoundRectangleSInt32", 0xA2, "BoundingBox sint32_box, EllipseDimension uint32_xy",
     [](XLStream* s) { XLRoundRectangleSInt32(s, 1, 2, 3, 4, 5, 6); }},
    {"XLRoundRectangleReal32", 0xA2, "BoundingBox real32_box, EllipseDimension real32_xy",
     [](XLStream* s) { XLRoundRectangleReal32(s, 1, 2, 3, 4, 5, 6); }},
    {"XLRoundRectanglePathSInt16", 0xA3, "BoundingBox sint16_box, EllipseDimension uint16_xy",
     [](XLStream* s) { XLRoundRectanglePathSInt16(s, 1, 2, 3, 4, 5, 6); }},
    {"XLRoundRectanglePathUInt16", 0xA3, "BoundingBox uint16_box, EllipseDimension uint16_xy",
     [](XLStream* s) { XLRoundRectanglePathUInt16(s, 1, 2, 3, 4, 5, 6); }},
    {"XLRoundRectanglePathSInt32", 0xA3, "BoundingBox sint32_box, EllipseDimension sint32_xy",
     [](XLStream* s) { XLRoundRectanglePathSInt32(s, 1, 2, 3, 4, 5, 6); }},
    {"XLRoundRectanglePathReal32", 0xA3, "BoundingBox real32_box, EllipseDimension real32_xy",
     [](XLStream* s) { XLRoundRectanglePathReal32(s, 1, 2, 3, 4, 5, 6); }},
    {"XLText", 0xA8, "TextData ubyte_array",
     [](XLStream* s) { const std::uint8_t a1[] = {1, 2}; XLText(s, a1, 2); }},
    {"XLTextXYSpacing", 0xA8, "TextData ubyte_array, XSpacingData sint16_array, YSpacingData sint16_array",
     [](XLStream* s) { const std::uint8_t a1[] = {1, 2}; const std::int16_t a3[] = {3, 4}; const std::int16_t a5[] = {5, 6}; XLTextXYSpacing(s, a1, 2, a3, 2, a5, 2); }},
    {"XLTextXSpacing", 0xA8, "TextData ubyte_array, XSpacingData ubyte_array<sint16>",
     [](XLStream* s) { const std::uint8_t a1[] = {1, 2}; const std::int16_t a3[] = {3, 4}; XLTextXSpacing(s, a1, 2, a3, 2); }},
    {"XLTextYSpacing", 0xA8, "TextData ubyte_array, YSpacingData ubyte_array<sint16>",
     [](XLStream* s) { const std::uint8_t a1[] = {1, 2}; const std::int16_t a3[] = {3, 4}; XLTextYSpacing(s, a1, 2, a3, 2); }},
    {"XLTextUInt16", 0xA8, "TextData uint16_array",
     [](XLStream* s) { const std::uint16_t a1[] = {1, 2}; XLTextUInt16(s, a1, 2); }},
    {"XLTextXYSpacingUInt16", 0xA8, "TextData uint16_array, XSpacingData sint16_array, YSpacingData sint16_array",
     [](XLStream* s) { const std::uint16_t a1[] = {1, 2}; const std::int16_t a3[] = {3, 4}; const std::int16_t a5[] = {5, 6}; XLTextXYSpacingUInt16(s, a1, 2, a3, 2, a5, 2); }},
    {"XLTextXSpacingUInt16", 0xA8, "TextData uint16_array, XSpacingData ubyte_array<sint16>",
     [](XLStream* s) { const std::uint16_t a1[] = {1, 2}; const std::int16_t a3[] = {3, 4}; XLTextXSpacingUInt16(s, a1, 2, a3, 2); }},
    {"XLTextYSpacingUInt16", 0xA8, "TextData uint16_array, YSpacingData ubyte_array<sint16>",
     [](XLStream* s) { const std::uint16_t a1[] = {1, 2}; const std::int16_t a3[] = {3, 4}; XLTextYSpacingUInt16(s, a1, 2, a3, 2); }},
    {"XLTextPath", 0xA9, "TextData ubyte_array",
     [](XLStream* s) { const std::uint8_t a1[] = {1, 2}; XLTextPath(s, a1, 2); }},
    {"XLTextPathXYSpacing", 0xA9, "TextData ubyte_array, XSpacingData sint16_array, YSpacingData sint16_array",
     [](XLStream* s) { const std::uint8_t a1[] = {1, 2}; const std::int16_t a3[] = {3, 4}; const std::int16_t a5[] = {5, 6}; XLTextPathXYSpacing(s, a1, 2, a3, 2, a5, 2); }},
    {"XLTextPathXSpacing", 0xA9, "TextData ubyte_array, XSpacingData ubyte_array<sint16>",
     [](XLStream* s) { const std::uint8_t a1[] = {1, 2}; const std::int16_t a3[] = {3, 4}; XLTextPathXSpacing(s, a1, 2, a3, 2); }},
    {"XLTextPathYSpacing", 0xA9, "TextData ubyte_array, YSpacingData ubyte_array<sint16>",
     [](XLStream* s) { const std::uint8_t a1[] = {1, 2}; const std::int16_t a3[] = {3, 4}; XLTextPathYSpacing(s, a1, 2, a3, 2); }},
    {"XLTextPathUInt16", 0xA9, "TextData uint16_array",
     [](XLStream* s) { const std::uint16_t a1[] = {1, 2}; XLTextPathUInt16(s, a1, 2); }},
    {"XLTextPathXYSpacingUInt16", 0xA9, "TextData uint16_array, XSpacingData sint16_array, YSpacingData sint16_array",
     [](XLStream* s) { const std::uint16_t a1[] = {1, 2}; const std::int16_t a3[] = {3, 4}; const std::int16_t a5[] = {5, 6}; XLTextPathXYSpacingUInt16(s, a1, 2, a3, 2, a5, 2); }},
    {"XLTextPathXSpacingUInt16", 0xA9, "TextData uint16_array, XSpacingData ubyte_array<sint16>",
     [](XLStream* s) { const std::uint16_t a1[] = {1, 2}; const std::int16_t a3[] = {3, 4}; XLTextPathXSpacingUInt16(s, a1, 2, a3, 2); }},
    {"XLTextPathYSpacingUInt16", 0xA9, "TextData uint16_array, YSpacingData ubyte_array<sint16>",
     [](XLStream* s) { const std::uint16_t a1[] = {1, 2}; const std::int16_t a3[] = {3, 4}; XLTextPathYSpacingUInt16(s, a1, 2, a3, 2); }},
    {"XLBeginImage", 0xB0, "ColorMapping ubyte, ColorDepth ubyte, SourceWidth uint16, SourceHeight uint16, DestinationSize uint16_xy",
     [](XLStream* s) { XLBeginImage(s, 1, 2, 3, 4, 5, 6); }},
    {"XLBeginImageUInt32", 0xB0, "ColorMapping ubyte, ColorDepth ubyte, SourceWidth uint32, SourceHeight uint32, DestinationSize uint16_xy",
     [](XLStream* s) { XLBeginImageUInt32(s, 1, 2, 3, 4, 5, 6); }},
    {"XLReadImage", 0xB1, "StartLine uint16, BlockHeight uint16, CompressMode ubyte",
     [](XLStream* s) { XLReadImage(s, 1, 2, 3); }},
    {"XLReadImageUInt32", 0xB1, "StartLine uint32, BlockHeight uint32, CompressMode ubyte",
     [](XLStream* s) { XLReadImageUInt32(s, 1, 2, 3); }},
    {"XLEndImage", 0xB2, "",
     [](XLStream* s) { XLEndImage(s); }},
    {"XLBeginRastPattern", 0xB3, "ColorMapping ubyte, ColorDepth ubyte, SourceWidth uint16, SourceHeight uint16, DestinationSize uint16_xy, PatternDefineID sint16, PatternPersistence ubyte",
     [](XLStream* s) { XLBeginRastPattern(s, 1, 2, 3, 4, 5, 6, 7, 8); }},
    {"XLBeginRastPatternUInt32", 0xB3, "ColorMapping ubyte, ColorDepth ubyte, SourceWidth uint32, SourceHeight uint32, DestinationSize uint32_xy, PatternDefineID sint16",
     [](XLStream* s) { XLBeginRastPatternUInt32(s, 1, 2, 3, 4, 5, 6, 7); }},
    {"XLReadRastPattern", 0xB4, "StartLine uint16, BlockHeight uint16, CompressMode ubyte",
     [](XLStream* s) { XLReadRastPattern(s, 1, 2, 3); }},
    {"XLReadRastPatternUInt32", 0xB4, "StartLine uint32, BlockHeight uint32, CompressMode ubyte",
     [](XLStream* s) { XLReadRastPatternUInt32(s, 1, 2, 3); }},
    {"XLEndRastPattern", 0xB5, "",
     [](XLStream* s) { XLEndRastPattern(s); }},
    {"XLBeginScan", 0xB6, "",
     [](XLStream* s) { XLBeginScan(s); }},
    {"XLEndScan", 0xB8, "",
     [](XLStream* s) { XLEndScan(s); }},
};
// clang-format on

TEST(XLOperatorFunctions, EachWritesItsRowOfTheFunctionTable) {
  for (const OperatorRow& row : kRows) {
    SCOPED_TRACE(row.function);
    TestStream stream;
    row.write(stream.get());
    EXPECT_EQ(stream.get()->error, kXLNoError);
    const XlDecoded decoded = DecodePclXl(stream.Output());
    ASSERT_EQ(decoded.error, "");
    EXPECT_EQ(XlSignature(decoded.items), ExpectedSignature(row.attributes, row.op));
    const std::vector<double> values = XlValues(decoded.items);
    for (std::size_t i = 0; i < values.size(); ++i) {
      EXPECT_EQ(values[i], static_cast<double>(i + 1)) << "value " << i;
    }
  }
}

TEST(XLOperatorFunctions, NothingIsWrittenOnceTheStreamHasFailed) {
  for (const OperatorRow& row : kRows) {
    TestStream stream;
    XLWriteOperator(stream.get(), 0x45);
    row.write(stream.get());
    EXPECT_TRUE(stream.Output().empty()) << row.function;
  }
}

TEST(XLOperatorFunctions, ArcPathIsByteExact) {
  TestStream stream;
  XLArcPathSInt16(stream.get(), 0, 0, 100, 50, 100, 25, 0, 25, 0);
  EXPECT_TRUE(BytesEqual(HexBytes(R"(
      E3 00 00 00 00 64 00 32 00  F8 42   # BoundingBox (0, 0, 100, 50)
      D3 64 00 19 00              F8 4F   # StartPoint (100, 25)
      D3 00 00 19 00              F8 45   # EndPoint (0, 25)
      C0 00                       F8 41   # ArcDirection 0
      91                                  # ArcPath
  )"),
                         stream.Output()));
}

// A stored stream is executed and removed by the name that BeginStream gave it.
TEST(XLOperatorFunctions, StoredStreamIsDefinedExecutedAndRemovedByName) {
  const std::uint8_t name[] = {'S', '1'};
  TestStream stream;
  XLBeginStream(stream.get(), name, 2);
  XLEndStream(stream.get());
  XLExecStream(stream.get(), name, 2);
  XLRemoveStream(stream.get(), name, 2);
  EXPECT_TRUE(BytesEqual(HexBytes(R"(
      C8 C1 02 00 53 31  F8 8B  5B   # BeginStream StreamName "S1"
      5D                             # EndStream
      C8 C1 02 00 53 31  F8 8B  5E   # ExecStream StreamName "S1"
      C8 C1 02 00 53 31  F8 8B  5F   # RemoveStream StreamName "S1"
  )"),
                         stream.Output()));
}

TEST(XLOperatorFunctions, EndPageWithoutAttributesIsOneByte) {
  TestStream stream;
  XLEndPage(stream.get());
  EXPECT_TRUE(BytesEqual(HexBytes("44"), stream.Output()));
}

TEST(XLOperatorFunctions, SingleSpacingArrayIsBytesOnlyWhenEveryValueFits) {
  const std::uint8_t text[] = {'A', 'B'};
  const std::uint16_t wide[] = {'A', 'B'};
  struct Case {
    std::vector<std::int16_t> spacing;
    const char* array;
  };
  const Case cases[] = {
      {{10, 300}, "CB C1 02 00 0A 00 2C 01"}, {{10, 20}, "C8 C1 02 00 0A 14"},
      {{0, 255}, "C8 C1 02 00 00 FF"},        {{-1, 20}, "CB C1 02 00 FF FF 14 00"},
      {{256}, "CB C1 01 00 00 01"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.array);
    const auto count = static_cast<std::uint32_t>(c.spacing.size());
    TestStream x;
    XLTextXSpacing(x.get(), text, 2, c.spacing.data(), count);
    EXPECT_TRUE(BytesEqual(
        HexBytes("C8 C1 02 00 41 42 F8 AB " + std::string(c.array) + " F8 AF A8"), x.Output()));
    TestStream y;
    XLTextPathYSpacingUInt16(y.get(), wide, 2, c.spacing.data(), count);
    EXPECT_TRUE(
        BytesEqual(HexBytes("C9 C1 02 00 41 00 42 00 F8 AB " + std::string(c.array) + " F8 B0 A9"),
                   y.Output()));
  }
}

TEST(XLOperatorFunctions, TextCountBeyondItsFieldIsRefused) {
  const std::vector<std::uint8_t> text(65536, 'A');
  TestStream stream;
  XLText(stream.get(), text.data(), 65536);
  EXPECT_TRUE(stream.Output().empty());
  EXPECT_EQ(stream.get()->error, kXLCountTooLarge);
}

// Vendor extensions: "qz" and the extension number, written least significant byte first.
constexpr std::uint32_t Code(std::uint16_t extension) {
  return 0x717A0000u | extension;
}

TEST(XLVendorUnique, LevelFiveWritesOnlyTheCode) {
  TestStream stream;
  XLVendorUnique(stream.get(), 0, 1, 2, 3, 4, 5, 6, 7.0f, 8.0f, 9);
  EXPECT_TRUE(BytesEqual(HexBytes("C2 1B 30 7A 71  F8 91  46"), stream.Output()));
}

TEST(XLVendorUnique, EachExtensionCarriesTheAttributesOfItsLevel) {
  // Level of each of the 30 extensions, and the attributes after the code that each level writes.
  const int levels[30] = {5, 5, 5, 5, 4, 4, 4, 4, 4, 4, 4, 4, 3, 2, 3,
                          1, 2, 1, 1, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 5};
  const char* const level_signatures[6] = {
      "",
      " uint32 @97 uint16 @96 uint16 @95 uint16 @94 uint16 @93 ubyte @98 real32 @9A real32 @99",
      " uint32 @97 uint16 @96 uint16 @95 uint16 @94 uint16 @93 ubyte @98 uint16 @9B",
      " uint32 @97 uint16 @96 uint16 @95 uint16 @94 uint16 @93",
      " uint32 @97",
      ""};
  for (std::uint32_t index = 0; index < 30; ++index) {
    SCOPED_TRACE(index);
    const std::uint16_t extension = index < 4 ? static_cast<std::uint16_t>(0x301B + index)
                                              : static_cast<std::uint16_t>(0x3001 + (index - 4));
    const int level = levels[index];
    TestStream stream;
    // Values for 0x93 ... 0x9B: 93, 94, ... so the decoded order shows which went where.
    XLVendorUnique(stream.get(), index, 93, 94, 95, 96, 97, 98, 99.0f, 154.0f, 155);
    const XlDecoded decoded = DecodePclXl(stream.Output());
    ASSERT_EQ(decoded.error, "");
    EXPECT_EQ(XlSignature(decoded.items),
              std::string("uint32 @91") + level_signatures[level] + " op46");
    std::vector<double> expected = {static_cast<double>(Code(extension))};
    if (level < 5) {
      expected.push_back(97);
    }
    if (level < 4) {
      expected.insert(expected.end(), {96, 95, 94, 93});
    }
    if (level < 3) {
      expected.push_back(98);
    }
    if (level < 2) {
      expected.insert(expected.end(), {154, 99});
    }
    if (level == 2) {
      expected.push_back(155);
    }
    EXPECT_EQ(XlValues(decoded.items), expected);
  }
}

TEST(XLVendorUnique, IndexBeyondTheTableIsAnUndefinedOperator) {
  TestStream stream;
  XLVendorUnique(stream.get(), 30, 1, 2, 3, 4, 5, 6, 7.0f, 8.0f, 9);
  EXPECT_TRUE(stream.Output().empty());
  EXPECT_EQ(stream.get()->error, kXLOperatorUndefined);
  EXPECT_EQ(stream.get()->error_count, 1);
}

TEST(XLVendorUnique, FixedExtensions) {
  struct Case {
    const char* name;
    void (*write)(XLStream*);
    const char* signature;
    std::vector<double> values;
  };
  const Case cases[] = {
      {"2002",
       [](XLStream* s) { XLVendorUnique2002(s, 7); },
       "uint32 @91 ubyte @93 op46",
       {Code(0x2002), 7}},
      {"2001",
       [](XLStream* s) { XLVendorUnique2001(s, 7, 8); },
       "uint32 @91 ubyte @93 ubyte @94 op46",
       {Code(0x2001), 7, 8}},
      {"1001",
       [](XLStream* s) { XLVendorUnique1001(s, 7, 800); },
       "uint32 @91 ubyte @93 uint16 @94 op46",
       {Code(0x1001), 7, 800}},
      {"1002",
       [](XLStream* s) { XLVendorUnique1002(s, 7, 800); },
       "uint32 @91 ubyte @93 uint16 @94 op46",
       {Code(0x1002), 7, 800}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestStream stream;
    c.write(stream.get());
    const XlDecoded decoded = DecodePclXl(stream.Output());
    ASSERT_EQ(decoded.error, "");
    EXPECT_EQ(XlSignature(decoded.items), c.signature);
    EXPECT_EQ(XlValues(decoded.items), c.values);
  }
}

TEST(XLVendorUnique, DataFollowsTheOperatorRaw) {
  TestStream stream;
  const std::uint8_t data[] = {0xDE, 0xAD, 0xBE};
  XLVendorUniqueData(stream.get(), 5, 0x0102, data, 3);
  EXPECT_TRUE(BytesEqual(HexBytes(R"(
      C2 03 10 7A 71  F8 91   # extension 0x1003
      C0 05           F8 94
      C1 02 01        F8 93
      C2 03 00 00 00  F8 92   # data length
      46
      DE AD BE                # the data, without a data-length tag
  )"),
                         stream.Output()));
}

TEST(PclXlDecoder, RejectsTruncatedAndStrayBytes) {
  for (const char* hex : {"C1 01", "C8 C1 03 00 01", "F8", "FA 05 00 00 00 01", "FB", "00", "C6"}) {
    EXPECT_NE(DecodePclXl(HexBytes(hex)).error, "") << hex;
  }
  const XlDecoded header = DecodePclXl(HexBytes("29 20 41 0A 41"));
  EXPECT_EQ(header.header, ") A");
  EXPECT_EQ(XlSignature(header.items), "op41");
}

}  // namespace
