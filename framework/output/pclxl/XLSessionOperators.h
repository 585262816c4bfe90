// PCL XL operators of sessions, pages, data sources, comments, queries and streams (0x41-0x5F
// without the font and vendor operators).
//
// Each function writes its attribute list (value, attribute id) in the order of its arguments and
// then the operator byte; every attribute is always written. The stream must be valid; once its
// error is set nothing is written (XLEncoder.h). An array argument is a pointer and an element
// count; a count above 65535 raises kXLCountTooLarge.
#pragma once

#include <cstdint>

#include "framework/output/pclxl/XLStream.h"

// BeginSession (0x41): UnitsPerMeasure uint16_xy, Measure ubyte [, ErrorReport ubyte].
void XLBeginSession(XLStream* stream,
                    std::uint16_t units_x,
                    std::uint16_t units_y,
                    std::uint8_t measure);
void XLBeginSessionErrorReport(XLStream* stream,
                               std::uint16_t units_x,
                               std::uint16_t units_y,
                               std::uint8_t measure,
                               std::uint8_t error_report);

// EndSession (0x42).
void XLEndSession(XLStream* stream);

// BeginPage (0x43): Orientation ubyte, then the media size (MediaSize ubyte, or CustomMediaSize
// uint16_xy and CustomMediaSizeUnits ubyte), then MediaType ubyte_array and MediaSource ubyte
// where the name says so.
void XLBeginPage(XLStream* stream, std::uint8_t orientation, std::uint8_t media_size);
void XLBeginPageCustomSize(XLStream* stream,
                           std::uint8_t orientation,
                           std::uint16_t width,
                           std::uint16_t height,
                           std::uint8_t units);
void XLBeginPageSource(XLStream* stream,
                       std::uint8_t orientation,
                       std::uint8_t media_size,
                       std::uint8_t media_source);
void XLBeginPageCustomSizeSource(XLStream* stream,
                                 std::uint8_t orientation,
                                 std::uint16_t width,
                                 std::uint16_t height,
                                 std::uint8_t units,
                                 std::uint8_t media_source);
void XLBeginPageTypeSource(XLStream* stream,
                           std::uint8_t orientation,
                           std::uint8_t media_size,
                           const std::uint8_t* media_type,
                           std::uint32_t media_type_count,
                           std::uint8_t media_source);
void XLBeginPageCustomSizeTypeSource(XLStream* stream,
                                     std::uint8_t orientation,
                                     std::uint16_t width,
                                     std::uint16_t height,
                                     std::uint8_t units,
                                     const std::uint8_t* media_type,
                                     std::uint32_t media_type_count,
                                     std::uint8_t media_source);

// EndPage (0x44): [PageCopies uint16] [MediaSource ubyte].
void XLEndPage(XLStream* stream);
void XLEndPageCopies(XLStream* stream, std::uint16_t copies);
void XLEndPageCopiesSource(XLStream* stream, std::uint16_t copies, std::uint8_t media_source);
void XLEndPageSource(XLStream* stream, std::uint8_t media_source);

// Comment (0x47) and EchoComment (0x4A): CommentData ubyte_array.
void XLComment(XLStream* stream, const std::uint8_t* data, std::uint32_t count);
void XLEchoComment(XLStream* stream, const std::uint8_t* data, std::uint32_t count);

// OpenDataSource (0x48): SourceType ubyte [, DataOrg ubyte]. CloseDataSource (0x49).
void XLOpenDataSource(XLStream* stream, std::uint8_t source_type);
void XLOpenDataSourceDataOrg(XLStream* stream, std::uint8_t source_type, std::uint8_t data_org);
void XLCloseDataSource(XLStream* stream);

// Query (0x4B): attribute 0x8A ubyte_array.
void XLQuery(XLStream* stream, const std::uint8_t* key, std::uint32_t count);

// BeginStream (0x5B): StreamName ubyte_array. ReadStream (0x5C): StreamDataLength uint32, then
// the caller's embedded data. EndStream (0x5D). ExecStream (0x5E) and RemoveStream (0x5F):
// StreamName ubyte_array, the name that BeginStream defined; for "S1":
//   C8 C1 02 00 53 31   ubyte_array of 2: 'S' '1'
//   F8 8B               StreamName
//   5E                  ExecStream (5F: RemoveStream)
void XLBeginStream(XLStream* stream, const std::uint8_t* name, std::uint32_t count);
void XLReadStream(XLStream* stream, std::uint32_t length);
void XLEndStream(XLStream* stream);
void XLExecStream(XLStream* stream, const std::uint8_t* name, std::uint32_t count);
void XLRemoveStream(XLStream* stream, const std::uint8_t* name, std::uint32_t count);
