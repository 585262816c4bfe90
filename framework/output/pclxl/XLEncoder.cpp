// The byte encoder of PCL XL streams: units with a room check each, and bulk runs.
#include "framework/output/pclxl/XLEncoder.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "framework/output/pclxl/XLStreamInternal.h"
#include "framework/output/pclxl/XLTags.h"

namespace {

using vel::xl::Advance;
using vel::xl::MakeRoom;
using vel::xl::RaiseError;

// Element stores, by byte order.
inline void Store16(std::uint8_t* out, std::uint16_t value) {
  out[0] = static_cast<std::uint8_t>(value);
  out[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void Store16BE(std::uint8_t* out, std::uint16_t value) {
  out[0] = static_cast<std::uint8_t>(value >> 8);
  out[1] = static_cast<std::uint8_t>(value);
}

inline void Store32(std::uint8_t* out, std::uint32_t value) {
  out[0] = static_cast<std::uint8_t>(value);
  out[1] = static_cast<std::uint8_t>(value >> 8);
  out[2] = static_cast<std::uint8_t>(value >> 16);
  out[3] = static_cast<std::uint8_t>(value >> 24);
}

inline void Store32BE(std::uint8_t* out, std::uint32_t value) {
  out[0] = static_cast<std::uint8_t>(value >> 24);
  out[1] = static_cast<std::uint8_t>(value >> 16);
  out[2] = static_cast<std::uint8_t>(value >> 8);
  out[3] = static_cast<std::uint8_t>(value);
}

inline std::uint32_t Bits(float value) {
  return std::bit_cast<std::uint32_t>(value);
}

// Where a unit of n bytes can be stored at once: the write pointer when no error is pending and
// the buffer holds n more bytes (its parts one by one would then go there without a flush), else
// null, and the parts go one by one.
inline std::uint8_t* Whole(XLStream* stream, std::int32_t n) {
  return stream->error == kXLNoError && stream->free_bytes >= n ? stream->write_ptr : nullptr;
}

// Units: each checks the error and makes room for itself.
inline void Put8(XLStream* stream, std::uint8_t value) {
  if (stream->error != kXLNoError || !MakeRoom(stream, 1)) {
    return;
  }
  stream->write_ptr[0] = value;
  Advance(stream, 1);
}

inline void Put16(XLStream* stream, std::uint16_t value) {
  if (stream->error != kXLNoError || !MakeRoom(stream, 2)) {
    return;
  }
  Store16(stream->write_ptr, value);
  Advance(stream, 2);
}

inline void Put16BE(XLStream* stream, std::uint16_t value) {
  if (stream->error != kXLNoError || !MakeRoom(stream, 2)) {
    return;
  }
  Store16BE(stream->write_ptr, value);
  Advance(stream, 2);
}

inline void Put32(XLStream* stream, std::uint32_t value) {
  if (stream->error != kXLNoError || !MakeRoom(stream, 4)) {
    return;
  }
  Store32(stream->write_ptr, value);
  Advance(stream, 4);
}

inline void Put32BE(XLStream* stream, std::uint32_t value) {
  if (stream->error != kXLNoError || !MakeRoom(stream, 4)) {
    return;
  }
  Store32BE(stream->write_ptr, value);
  Advance(stream, 4);
}

// Bulk runs: as many whole elements as the buffer holds, then a flush, until all are written.
template <std::int32_t kSize, typename T, typename Store>
void PutRun(XLStream* stream, const T* values, std::uint32_t count, Store store) {
  while (count > 0 && stream->error == kXLNoError) {
    if (!MakeRoom(stream, kSize)) {
      return;
    }
    const std::uint32_t run =
        std::min(count, static_cast<std::uint32_t>(stream->free_bytes / kSize));
    std::uint8_t* out = stream->write_ptr;
    for (std::uint32_t i = 0; i < run; ++i, out += kSize) {
      store(out, values[i]);
    }
    Advance(stream, static_cast<std::int32_t>(run * kSize));
    values += run;
    count -= run;
  }
}

void PutBytes(XLStream* stream, const std::uint8_t* bytes, std::uint32_t count) {
  while (count > 0 && stream->error == kXLNoError) {
    if (!MakeRoom(stream, 1)) {
      return;
    }
    const std::uint32_t run = std::min(count, static_cast<std::uint32_t>(stream->free_bytes));
    std::memcpy(stream->write_ptr, bytes, run);
    Advance(stream, static_cast<std::int32_t>(run));
    bytes += run;
    count -= run;
  }
}

void PutText(XLStream* stream, const char* text, std::uint32_t length) {
  PutBytes(stream, reinterpret_cast<const std::uint8_t*>(text), length);
}

// ";<value>" in unsigned decimal, as the header's class and revision fields are written.
void PutDecimalField(XLStream* stream, std::uint16_t value) {
  char digits[6];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value = static_cast<std::uint16_t>(value / 10);
  } while (value != 0);
  char field[7] = {';'};
  for (int i = 0; i < count; ++i) {
    field[1 + i] = digits[count - 1 - i];
  }
  PutText(stream, field, static_cast<std::uint32_t>(count + 1));
}

const auto kStoreLowByte = [](std::uint8_t* out, std::uint16_t value) {
  out[0] = static_cast<std::uint8_t>(value);
};
const auto kStore16 = [](std::uint8_t* out, std::uint16_t value) { Store16(out, value); };
const auto kStore16BE = [](std::uint8_t* out, std::uint16_t value) { Store16BE(out, value); };
const auto kStoreS16 = [](std::uint8_t* out, std::int16_t value) {
  Store16(out, static_cast<std::uint16_t>(value));
};
const auto kStore32 = [](std::uint8_t* out, std::uint32_t value) { Store32(out, value); };
const auto kStore32BE = [](std::uint8_t* out, std::uint32_t value) { Store32BE(out, value); };
const auto kStoreS32 = [](std::uint8_t* out, std::int32_t value) {
  Store32(out, static_cast<std::uint32_t>(value));
};
const auto kStoreReal = [](std::uint8_t* out, float value) { Store32(out, Bits(value)); };
const auto kStoreRealBE = [](std::uint8_t* out, float value) { Store32BE(out, Bits(value)); };

// Array head: the tag and the count as a uint16 value. A count beyond 16 bits is refused before
// anything is written.
bool PutArrayHead(XLStream* stream, std::uint8_t tag, std::uint32_t count) {
  if (stream->error != kXLNoError) {
    return false;
  }
  if (count > 0xFFFF) {
    RaiseError(stream, kXLCountTooLarge);
    return false;
  }
  Put8(stream, tag);
  Put8(stream, kXLTagUInt16);
  Put16(stream, static_cast<std::uint16_t>(count));
  return true;
}

// Embedded data head: the long-form length of count elements of element_size bytes. A length
// beyond 32 bits is refused before anything is written.
bool PutEmbedHead(XLStream* stream, std::uint32_t count, std::uint32_t element_size) {
  if (stream->error != kXLNoError) {
    return false;
  }
  if (count > UINT32_MAX / element_size) {
    RaiseError(stream, kXLCountTooLarge);
    return false;
  }
  XLDataLength32(stream, count * element_size);
  return true;
}

}  // namespace

void XLWriteStreamHeader(XLStream* stream,
                         std::uint16_t protocol_class,
                         std::uint16_t revision,
                         const char* comment,
                         std::uint32_t comment_length) {
  static constexpr char kBinding[] = ") QZ-PCL XL";  // ") " selects binary little-endian
  static constexpr char kComment[] = ";Comment";
  PutText(stream, kBinding, sizeof kBinding - 1);
  PutDecimalField(stream, protocol_class);
  PutDecimalField(stream, revision);
  PutText(stream, kComment, sizeof kComment - 1);
  PutText(stream, comment, comment_length);
  PutText(stream, "\n", 1);
}

void XLWriteOperator(XLStream* stream, std::uint16_t op) {
  if (op < 256 && kXLDefinedOperators[op] != 0) {
    Put8(stream, kXLDefinedOperators[op]);
    return;
  }
  RaiseError(stream, kXLOperatorUndefined);
}

void XLWriteAttribute(XLStream* stream, std::uint16_t id) {
  if (id < 256 && kXLDefinedAttributes[id] != 0) {
    if (std::uint8_t* out = Whole(stream, 2)) {
      out[0] = kXLTagAttributeId;
      out[1] = kXLDefinedAttributes[id];
      Advance(stream, 2);
      return;
    }
    Put8(stream, kXLTagAttributeId);
    Put8(stream, kXLDefinedAttributes[id]);
    return;
  }
  RaiseError(stream, kXLAttributeUndefined);
}

void XLUByte(XLStream* stream, std::uint8_t value) {
  if (std::uint8_t* out = Whole(stream, 2)) {
    out[0] = kXLTagUByte;
    out[1] = value;
    Advance(stream, 2);
    return;
  }
  Put8(stream, kXLTagUByte);
  Put8(stream, value);
}

void XLUInt16(XLStream* stream, std::uint16_t value) {
  if (std::uint8_t* out = Whole(stream, 3)) {
    out[0] = kXLTagUInt16;
    Store16(out + 1, value);
    Advance(stream, 3);
    return;
  }
  Put8(stream, kXLTagUInt16);
  Put16(stream, value);
}

void XLUInt32(XLStream* stream, std::uint32_t value) {
  Put8(stream, kXLTagUInt32);
  Put32(stream, value);
}

void XLSInt16(XLStream* stream, std::int16_t value) {
  if (std::uint8_t* out = Whole(stream, 3)) {
    out[0] = kXLTagSInt16;
    Store16(out + 1, static_cast<std::uint16_t>(value));
    Advance(stream, 3);
    return;
  }
  Put8(stream, kXLTagSInt16);
  Put16(stream, static_cast<std::uint16_t>(value));
}

void XLSInt32(XLStream* stream, std::int32_t value) {
  Put8(stream, kXLTagSInt32);
  Put32(stream, static_cast<std::uint32_t>(value));
}

void XLReal32(XLStream* stream, float value) {
  Put8(stream, kXLTagReal32);
  Put32(stream, Bits(value));
}

void XLUByteXY(XLStream* stream, std::uint8_t x, std::uint8_t y) {
  if (std::uint8_t* out = Whole(stream, 3)) {
    out[0] = kXLTagUByteXY;
    out[1] = x;
    out[2] = y;
    Advance(stream, 3);
    return;
  }
  Put8(stream, kXLTagUByteXY);
  Put8(stream, x);
  Put8(stream, y);
}

void XLUInt16XY(XLStream* stream, std::uint16_t x, std::uint16_t y) {
  if (std::uint8_t* out = Whole(stream, 5)) {
    out[0] = kXLTagUInt16XY;
    Store16(out + 1, x);
    Store16(out + 3, y);
    Advance(stream, 5);
    return;
  }
  Put8(stream, kXLTagUInt16XY);
  Put16(stream, x);
  Put16(stream, y);
}

void XLUInt32XY(XLStream* stream, std::uint32_t x, std::uint32_t y) {
  Put8(stream, kXLTagUInt32XY);
  Put32(stream, x);
  Put32(stream, y);
}

void XLSInt16XY(XLStream* stream, std::int16_t x, std::int16_t y) {
  if (std::uint8_t* out = Whole(stream, 5)) {
    out[0] = kXLTagSInt16XY;
    Store16(out + 1, static_cast<std::uint16_t>(x));
    Store16(out + 3, static_cast<std::uint16_t>(y));
    Advance(stream, 5);
    return;
  }
  Put8(stream, kXLTagSInt16XY);
  Put16(stream, static_cast<std::uint16_t>(x));
  Put16(stream, static_cast<std::uint16_t>(y));
}

void XLSInt32XY(XLStream* stream, std::int32_t x, std::int32_t y) {
  Put8(stream, kXLTagSInt32XY);
  Put32(stream, static_cast<std::uint32_t>(x));
  Put32(stream, static_cast<std::uint32_t>(y));
}

void XLReal32XY(XLStream* stream, float x, float y) {
  Put8(stream, kXLTagReal32XY);
  Put32(stream, Bits(x));
  Put32(stream, Bits(y));
}

void XLUByteBox(XLStream* stream,
                std::uint8_t left,
                std::uint8_t top,
                std::uint8_t right,
                std::uint8_t bottom) {
  Put8(stream, kXLTagUByteBox);
  Put8(stream, left);
  Put8(stream, top);
  Put8(stream, right);
  Put8(stream, bottom);
}

void XLUInt16Box(XLStream* stream,
                 std::uint16_t left,
                 std::uint16_t top,
                 std::uint16_t right,
                 std::uint16_t bottom) {
  if (std::uint8_t* out = Whole(stream, 9)) {
    out[0] = kXLTagUInt16Box;
    Store16(out + 1, left);
    Store16(out + 3, top);
    Store16(out + 5, right);
    Store16(out + 7, bottom);
    Advance(stream, 9);
    return;
  }
  Put8(stream, kXLTagUInt16Box);
  Put16(stream, left);
  Put16(stream, top);
  Put16(stream, right);
  Put16(stream, bottom);
}

void XLUInt32Box(XLStream* stream,
                 std::uint32_t left,
                 std::uint32_t top,
                 std::uint32_t right,
                 std::uint32_t bottom) {
  Put8(stream, kXLTagUInt32Box);
  Put32(stream, left);
  Put32(stream, top);
  Put32(stream, right);
  Put32(stream, bottom);
}

void XLSInt16Box(XLStream* stream,
                 std::int16_t left,
                 std::int16_t top,
                 std::int16_t right,
                 std::int16_t bottom) {
  if (std::uint8_t* out = Whole(stream, 9)) {
    out[0] = kXLTagSInt16Box;
    Store16(out + 1, static_cast<std::uint16_t>(left));
    Store16(out + 3, static_cast<std::uint16_t>(top));
    Store16(out + 5, static_cast<std::uint16_t>(right));
    Store16(out + 7, static_cast<std::uint16_t>(bottom));
    Advance(stream, 9);
    return;
  }
  Put8(stream, kXLTagSInt16Box);
  Put16(stream, static_cast<std::uint16_t>(left));
  Put16(stream, static_cast<std::uint16_t>(top));
  Put16(stream, static_cast<std::uint16_t>(right));
  Put16(stream, static_cast<std::uint16_t>(bottom));
}

void XLSInt32Box(XLStream* stream,
                 std::int32_t left,
                 std::int32_t top,
                 std::int32_t right,
                 std::int32_t bottom) {
  Put8(stream, kXLTagSInt32Box);
  Put32(stream, static_cast<std::uint32_t>(left));
  Put32(stream, static_cast<std::uint32_t>(top));
  Put32(stream, static_cast<std::uint32_t>(right));
  Put32(stream, static_cast<std::uint32_t>(bottom));
}

void XLReal32Box(XLStream* stream, float left, float top, float right, float bottom) {
  Put8(stream, kXLTagReal32Box);
  Put32(stream, Bits(left));
  Put32(stream, Bits(top));
  Put32(stream, Bits(right));
  Put32(stream, Bits(bottom));
}

void XLUByteArray(XLStream* stream, const std::uint8_t* values, std::uint32_t count) {
  if (PutArrayHead(stream, kXLTagUByteArray, count)) {
    PutBytes(stream, values, count);
  }
}

void XLUByteArrayFrom16(XLStream* stream, const std::uint16_t* values, std::uint32_t count) {
  if (PutArrayHead(stream, kXLTagUByteArray, count)) {
    PutRun<1>(stream, values, count, kStoreLowByte);
  }
}

void XLUInt16Array(XLStream* stream, const std::uint16_t* values, std::uint32_t count) {
  if (PutArrayHead(stream, kXLTagUInt16Array, count)) {
    PutRun<2>(stream, values, count, kStore16);
  }
}

void XLUInt32Array(XLStream* stream, const std::uint32_t* values, std::uint32_t count) {
  if (PutArrayHead(stream, kXLTagUInt32Array, count)) {
    PutRun<4>(stream, values, count, kStore32);
  }
}

void XLSInt16Array(XLStream* stream, const std::int16_t* values, std::uint32_t count) {
  if (PutArrayHead(stream, kXLTagSInt16Array, count)) {
    PutRun<2>(stream, values, count, kStoreS16);
  }
}

void XLSInt32Array(XLStream* stream, const std::int32_t* values, std::uint32_t count) {
  if (PutArrayHead(stream, kXLTagSInt32Array, count)) {
    PutRun<4>(stream, values, count, kStoreS32);
  }
}

void XLReal32Array(XLStream* stream, const float* values, std::uint32_t count) {
  if (PutArrayHead(stream, kXLTagReal32Array, count)) {
    PutRun<4>(stream, values, count, kStoreReal);
  }
}

void XLDataLength(XLStream* stream, std::uint32_t length) {
  if (length < 256) {
    Put8(stream, kXLTagDataLengthByte);
    Put8(stream, static_cast<std::uint8_t>(length));
    return;
  }
  XLDataLength32(stream, length);
}

void XLDataLength32(XLStream* stream, std::uint32_t length) {
  if (std::uint8_t* out = Whole(stream, 5)) {
    out[0] = kXLTagDataLength;
    Store32(out + 1, length);
    Advance(stream, 5);
    return;
  }
  Put8(stream, kXLTagDataLength);
  Put32(stream, length);
}

void XLEmbedBytes(XLStream* stream, const std::uint8_t* bytes, std::uint32_t length) {
  if (PutEmbedHead(stream, length, 1)) {
    PutBytes(stream, bytes, length);
  }
}

void XLEmbedUInt16(XLStream* stream, const std::uint16_t* values, std::uint32_t count) {
  if (PutEmbedHead(stream, count, 2)) {
    PutRun<2>(stream, values, count, kStore16);
  }
}

void XLEmbedUInt16BE(XLStream* stream, const std::uint16_t* values, std::uint32_t count) {
  if (PutEmbedHead(stream, count, 2)) {
    PutRun<2>(stream, values, count, kStore16BE);
  }
}

void XLEmbedUInt32(XLStream* stream, const std::uint32_t* values, std::uint32_t count) {
  if (PutEmbedHead(stream, count, 4)) {
    PutRun<4>(stream, values, count, kStore32);
  }
}

void XLEmbedUInt32BE(XLStream* stream, const std::uint32_t* values, std::uint32_t count) {
  if (PutEmbedHead(stream, count, 4)) {
    PutRun<4>(stream, values, count, kStore32BE);
  }
}

void XLEmbedReal32(XLStream* stream, const float* values, std::uint32_t count) {
  if (PutEmbedHead(stream, count, 4)) {
    PutRun<4>(stream, values, count, kStoreReal);
  }
}

void XLEmbedReal32BE(XLStream* stream, const float* values, std::uint32_t count) {
  if (PutEmbedHead(stream, count, 4)) {
    PutRun<4>(stream, values, count, kStoreRealBE);
  }
}

void XLRawByte(XLStream* stream, std::uint8_t value) {
  Put8(stream, value);
}

void XLRawUInt16(XLStream* stream, std::uint16_t value) {
  Put16(stream, value);
}

void XLRawUInt16BE(XLStream* stream, std::uint16_t value) {
  Put16BE(stream, value);
}

void XLRawUInt32(XLStream* stream, std::uint32_t value) {
  Put32(stream, value);
}

void XLRawUInt32BE(XLStream* stream, std::uint32_t value) {
  Put32BE(stream, value);
}

void XLRawReal32(XLStream* stream, float value) {
  Put32(stream, Bits(value));
}

void XLRawReal32BE(XLStream* stream, float value) {
  Put32BE(stream, Bits(value));
}

void XLRawBytes(XLStream* stream, const std::uint8_t* bytes, std::uint32_t count) {
  PutBytes(stream, bytes, count);
}

void XLRawBytesFrom16(XLStream* stream, const std::uint16_t* values, std::uint32_t count) {
  PutRun<1>(stream, values, count, kStoreLowByte);
}

void XLRawUInt16Array(XLStream* stream, const std::uint16_t* values, std::uint32_t count) {
  PutRun<2>(stream, values, count, kStore16);
}

void XLRawUInt16ArrayBE(XLStream* stream, const std::uint16_t* values, std::uint32_t count) {
  PutRun<2>(stream, values, count, kStore16BE);
}

void XLRawUInt32Array(XLStream* stream, const std::uint32_t* values, std::uint32_t count) {
  PutRun<4>(stream, values, count, kStore32);
}

void XLRawUInt32ArrayBE(XLStream* stream, const std::uint32_t* values, std::uint32_t count) {
  PutRun<4>(stream, values, count, kStore32BE);
}

void XLRawReal32Array(XLStream* stream, const float* values, std::uint32_t count) {
  PutRun<4>(stream, values, count, kStoreReal);
}

void XLRawReal32ArrayBE(XLStream* stream, const float* values, std::uint32_t count) {
  PutRun<4>(stream, values, count, kStoreRealBE);
}
