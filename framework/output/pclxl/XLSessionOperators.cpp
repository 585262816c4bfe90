// PCL XL operators of sessions, pages, data sources, comments, queries and streams.
#include "framework/output/pclxl/XLSessionOperators.h"

#include "framework/output/pclxl/XLEncoder.h"
#include "framework/output/pclxl/XLTags.h"

namespace {

// The attributes that every BeginPage variant opens with.
void PageOrientation(XLStream* stream, std::uint8_t orientation) {
  XLUByte(stream, orientation);
  XLWriteAttribute(stream, kXLAttrOrientation);
}

void PageMediaSize(XLStream* stream, std::uint8_t media_size) {
  XLUByte(stream, media_size);
  XLWriteAttribute(stream, kXLAttrMediaSize);
}

void PageCustomSize(XLStream* stream,
                    std::uint16_t width,
                    std::uint16_t height,
                    std::uint8_t units) {
  XLUInt16XY(stream, width, height);
  XLWriteAttribute(stream, kXLAttrCustomMediaSize);
  XLUByte(stream, units);
  XLWriteAttribute(stream, kXLAttrCustomMediaSizeUnits);
}

void PageMediaType(XLStream* stream, const std::uint8_t* media_type, std::uint32_t count) {
  XLUByteArray(stream, media_type, count);
  XLWriteAttribute(stream, kXLAttrMediaType);
}

void PageMediaSource(XLStream* stream, std::uint8_t media_source) {
  XLUByte(stream, media_source);
  XLWriteAttribute(stream, kXLAttrMediaSource);
}

void ByteArrayOperator(XLStream* stream,
                       const std::uint8_t* data,
                       std::uint32_t count,
                       std::uint8_t attribute,
                       std::uint8_t op) {
  XLUByteArray(stream, data, count);
  XLWriteAttribute(stream, attribute);
  XLWriteOperator(stream, op);
}

void UInt32Operator(XLStream* stream,
                    std::uint32_t value,
                    std::uint8_t attribute,
                    std::uint8_t op) {
  XLUInt32(stream, value);
  XLWriteAttribute(stream, attribute);
  XLWriteOperator(stream, op);
}

}  // namespace

void XLBeginSession(XLStream* stream,
                    std::uint16_t units_x,
                    std::uint16_t units_y,
                    std::uint8_t measure) {
  XLUInt16XY(stream, units_x, units_y);
  XLWriteAttribute(stream, kXLAttrUnitsPerMeasure);
  XLUByte(stream, measure);
  XLWriteAttribute(stream, kXLAttrMeasure);
  XLWriteOperator(stream, kXLOpBeginSession);
}

void XLBeginSessionErrorReport(XLStream* stream,
                               std::uint16_t units_x,
                               std::uint16_t units_y,
                               std::uint8_t measure,
                               std::uint8_t error_report) {
  XLUInt16XY(stream, units_x, units_y);
  XLWriteAttribute(stream, kXLAttrUnitsPerMeasure);
  XLUByte(stream, measure);
  XLWriteAttribute(stream, kXLAttrMeasure);
  XLUByte(stream, error_report);
  XLWriteAttribute(stream, kXLAttrErrorReport);
  XLWriteOperator(stream, kXLOpBeginSession);
}

void XLEndSession(XLStream* stream) {
  XLWriteOperator(stream, kXLOpEndSession);
}

void XLBeginPage(XLStream* stream, std::uint8_t orientation, std::uint8_t media_size) {
  PageOrientation(stream, orientation);
  PageMediaSize(stream, media_size);
  XLWriteOperator(stream, kXLOpBeginPage);
}

void XLBeginPageCustomSize(XLStream* stream,
                           std::uint8_t orientation,
                           std::uint16_t width,
                           std::uint16_t height,
                           std::uint8_t units) {
  PageOrientation(stream, orientation);
  PageCustomSize(stream, width, height, units);
  XLWriteOperator(stream, kXLOpBeginPage);
}

void XLBeginPageSource(XLStream* stream,
                       std::uint8_t orientation,
                       std::uint8_t media_size,
                       std::uint8_t media_source) {
  PageOrientation(stream, orientation);
  PageMediaSize(stream, media_size);
  PageMediaSource(stream, media_source);
  XLWriteOperator(stream, kXLOpBeginPage);
}

void XLBeginPageCustomSizeSource(XLStream* stream,
                                 std::uint8_t orientation,
                                 std::uint16_t width,
                                 std::uint16_t height,
                                 std::uint8_t units,
                                 std::uint8_t media_source) {
  PageOrientation(stream, orientation);
  PageCustomSize(stream, width, height, units);
  PageMediaSource(stream, media_source);
  XLWriteOperator(stream, kXLOpBeginPage);
}

void XLBeginPageTypeSource(XLStream* stream,
                           std::uint8_t orientation,
                           std::uint8_t media_size,
                           const std::uint8_t* media_type,
                           std::uint32_t media_type_count,
                           std::uint8_t media_source) {
  PageOrientation(stream, orientation);
  PageMediaSize(stream, media_size);
  PageMediaType(stream, media_type, media_type_count);
  PageMediaSource(stream, media_source);
  XLWriteOperator(stream, kXLOpBeginPage);
}

void XLBeginPageCustomSizeTypeSource(XLStream* stream,
                                     std::uint8_t orientation,
                                     std::uint16_t width,
                                     std::uint16_t height,
                                     std::uint8_t units,
                                     const std::uint8_t* media_type,
                                     std::uint32_t media_type_count,
                                     std::uint8_t media_source) {
  PageOrientation(stream, orientation);
  PageCustomSize(stream, width, height, units);
  PageMediaType(stream, media_type, media_type_count);
  PageMediaSource(stream, media_source);
  XLWriteOperator(stream, kXLOpBeginPage);
}

void XLEndPage(XLStream* stream) {
  XLWriteOperator(stream, kXLOpEndPage);
}

void XLEndPageCopies(XLStream* stream, std::uint16_t copies) {
  XLUInt16(stream, copies);
  XLWriteAttribute(stream, kXLAttrPageCopies);
  XLWriteOperator(stream, kXLOpEndPage);
}

void XLEndPageCopiesSource(XLStream* stream, std::uint16_t copies, std::uint8_t media_source) {
  XLUInt16(stream, copies);
  XLWriteAttribute(stream, kXLAttrPageCopies);
  PageMediaSource(stream, media_source);
  XLWriteOperator(stream, kXLOpEndPage);
}

void XLEndPageSource(XLStream* stream, std::uint8_t media_source) {
  PageMediaSource(stream, media_source);
  XLWriteOperator(stream, kXLOpEndPage);
}

void XLComment(XLStream* stream, const std::uint8_t* data, std::uint32_t count) {
  ByteArrayOperator(stream, data, count, kXLAttrCommentData, kXLOpComment);
}

void XLEchoComment(XLStream* stream, const std::uint8_t* data, std::uint32_t count) {
  ByteArrayOperator(stream, data, count, kXLAttrCommentData, kXLOpEchoComment);
}

void XLOpenDataSource(XLStream* stream, std::uint8_t source_type) {
  XLUByte(stream, source_type);
  XLWriteAttribute(stream, kXLAttrSourceType);
  XLWriteOperator(stream, kXLOpOpenDataSource);
}

void XLOpenDataSourceDataOrg(XLStream* stream, std::uint8_t source_type, std::uint8_t data_org) {
  XLUByte(stream, source_type);
  XLWriteAttribute(stream, kXLAttrSourceType);
  XLUByte(stream, data_org);
  XLWriteAttribute(stream, kXLAttrDataOrg);
  XLWriteOperator(stream, kXLOpOpenDataSource);
}

void XLCloseDataSource(XLStream* stream) {
  XLWriteOperator(stream, kXLOpCloseDataSource);
}

void XLQuery(XLStream* stream, const std::uint8_t* key, std::uint32_t count) {
  ByteArrayOperator(stream, key, count, kXLAttrQueryKey, kXLOpQuery);
}

void XLBeginStream(XLStream* stream, const std::uint8_t* name, std::uint32_t count) {
  ByteArrayOperator(stream, name, count, kXLAttrStreamName, kXLOpBeginStream);
}

void XLReadStream(XLStream* stream, std::uint32_t length) {
  UInt32Operator(stream, length, kXLAttrStreamDataLength, kXLOpReadStream);
}

void XLEndStream(XLStream* stream) {
  XLWriteOperator(stream, kXLOpEndStream);
}

void XLExecStream(XLStream* stream, const std::uint8_t* name, std::uint32_t count) {
  ByteArrayOperator(stream, name, count, kXLAttrStreamName, kXLOpExecStream);
}

void XLRemoveStream(XLStream* stream, const std::uint8_t* name, std::uint32_t count) {
  ByteArrayOperator(stream, name, count, kXLAttrStreamName, kXLOpRemoveStream);
}
