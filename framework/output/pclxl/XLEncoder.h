// The byte encoder of PCL XL streams (binary binding, little-endian): the stream header, operator
// and attribute-id bytes, typed values, pairs, boxes, arrays, embedded data and raw bytes.
//
// Every writer takes a valid stream (never null) and writes nothing once the stream's error is
// set. A caller writes an operator's attribute list first (value, attribute id, value, attribute
// id, ...) and then the operator.
//
// Room: before each unit (a tag, a byte, a 16-bit or a 32-bit value) a writer flushes the buffer
// when fewer bytes than the unit are free, so no unit is ever split across two flushes. Bulk data
// is copied in the largest runs that fit and may pass through any number of flushes.
//
// Counts: array counts are written as uint16 values and embedded lengths as 32-bit values. An
// array of more than 65535 elements, or embedded data longer than 2^32 - 1 bytes, would not fit
// its field: the writer then raises kXLCountTooLarge and writes nothing at all.
#pragma once

#include <cstdint>

#include "framework/output/pclxl/XLStream.h"

// Stream header: ") QZ-PCL XL" (the binding selector), ";<class>", ";<revision>", ";Comment",
// comment_length bytes of comment as given, and a line feed. Class and revision are unsigned
// decimal numbers.
void XLWriteStreamHeader(XLStream* stream,
                         std::uint16_t protocol_class,
                         std::uint16_t revision,
                         const char* comment,
                         std::uint32_t comment_length);

// An operator byte, or an attribute id (F8 and the id). An undefined number writes nothing and
// raises kXLOperatorUndefined or kXLAttributeUndefined, replacing whatever error the stream held.
void XLWriteOperator(XLStream* stream, std::uint16_t op);
void XLWriteAttribute(XLStream* stream, std::uint16_t id);

// Typed values: tag C0 to C5, then the value.
void XLUByte(XLStream* stream, std::uint8_t value);
void XLUInt16(XLStream* stream, std::uint16_t value);
void XLUInt32(XLStream* stream, std::uint32_t value);
void XLSInt16(XLStream* stream, std::int16_t value);
void XLSInt32(XLStream* stream, std::int32_t value);
void XLReal32(XLStream* stream, float value);

// Pairs: tag D0 to D5, then x, then y.
void XLUByteXY(XLStream* stream, std::uint8_t x, std::uint8_t y);
void XLUInt16XY(XLStream* stream, std::uint16_t x, std::uint16_t y);
void XLUInt32XY(XLStream* stream, std::uint32_t x, std::uint32_t y);
void XLSInt16XY(XLStream* stream, std::int16_t x, std::int16_t y);
void XLSInt32XY(XLStream* stream, std::int32_t x, std::int32_t y);
void XLReal32XY(XLStream* stream, float x, float y);

// Boxes: tag E0 to E5, then the four values in argument order.
void XLUByteBox(XLStream* stream,
                std::uint8_t left,
                std::uint8_t top,
                std::uint8_t right,
                std::uint8_t bottom);
void XLUInt16Box(XLStream* stream,
                 std::uint16_t left,
                 std::uint16_t top,
                 std::uint16_t right,
                 std::uint16_t bottom);
void XLUInt32Box(XLStream* stream,
                 std::uint32_t left,
                 std::uint32_t top,
                 std::uint32_t right,
                 std::uint32_t bottom);
void XLSInt16Box(XLStream* stream,
                 std::int16_t left,
                 std::int16_t top,
                 std::int16_t right,
                 std::int16_t bottom);
void XLSInt32Box(XLStream* stream,
                 std::int32_t left,
                 std::int32_t top,
                 std::int32_t right,
                 std::int32_t bottom);
void XLReal32Box(XLStream* stream, float left, float top, float right, float bottom);

// Arrays: tag C8 to CD, the element count as a uint16 value (C1 and two bytes), the elements.
// XLUByteArrayFrom16 writes the low byte of each 16-bit value.
void XLUByteArray(XLStream* stream, const std::uint8_t* values, std::uint32_t count);
void XLUByteArrayFrom16(XLStream* stream, const std::uint16_t* values, std::uint32_t count);
void XLUInt16Array(XLStream* stream, const std::uint16_t* values, std::uint32_t count);
void XLUInt32Array(XLStream* stream, const std::uint32_t* values, std::uint32_t count);
void XLSInt16Array(XLStream* stream, const std::int16_t* values, std::uint32_t count);
void XLSInt32Array(XLStream* stream, const std::int32_t* values, std::uint32_t count);
void XLReal32Array(XLStream* stream, const float* values, std::uint32_t count);

// Data lengths: XLDataLength writes FB and one byte below 256, else FA and four bytes;
// XLDataLength32 always writes FA and four bytes.
void XLDataLength(XLStream* stream, std::uint32_t length);
void XLDataLength32(XLStream* stream, std::uint32_t length);

// Embedded data: FA, the length in bytes (count times the element size), the elements. The
// functions ending in BE write each element most significant byte first.
void XLEmbedBytes(XLStream* stream, const std::uint8_t* bytes, std::uint32_t length);
void XLEmbedUInt16(XLStream* stream, const std::uint16_t* values, std::uint32_t count);
void XLEmbedUInt16BE(XLStream* stream, const std::uint16_t* values, std::uint32_t count);
void XLEmbedUInt32(XLStream* stream, const std::uint32_t* values, std::uint32_t count);
void XLEmbedUInt32BE(XLStream* stream, const std::uint32_t* values, std::uint32_t count);
void XLEmbedReal32(XLStream* stream, const float* values, std::uint32_t count);
void XLEmbedReal32BE(XLStream* stream, const float* values, std::uint32_t count);

// Raw values without a tag, for the inside of embedded data and for font data; BE most
// significant byte first. XLRawBytesFrom16 writes the low byte of each 16-bit value.
void XLRawByte(XLStream* stream, std::uint8_t value);
void XLRawUInt16(XLStream* stream, std::uint16_t value);
void XLRawUInt16BE(XLStream* stream, std::uint16_t value);
void XLRawUInt32(XLStream* stream, std::uint32_t value);
void XLRawUInt32BE(XLStream* stream, std::uint32_t value);
void XLRawReal32(XLStream* stream, float value);
void XLRawReal32BE(XLStream* stream, float value);
void XLRawBytes(XLStream* stream, const std::uint8_t* bytes, std::uint32_t count);
void XLRawBytesFrom16(XLStream* stream, const std::uint16_t* values, std::uint32_t count);
void XLRawUInt16Array(XLStream* stream, const std::uint16_t* values, std::uint32_t count);
void XLRawUInt16ArrayBE(XLStream* stream, const std::uint16_t* values, std::uint32_t count);
void XLRawUInt32Array(XLStream* stream, const std::uint32_t* values, std::uint32_t count);
void XLRawUInt32ArrayBE(XLStream* stream, const std::uint32_t* values, std::uint32_t count);
void XLRawReal32Array(XLStream* stream, const float* values, std::uint32_t count);
void XLRawReal32ArrayBE(XLStream* stream, const float* values, std::uint32_t count);
