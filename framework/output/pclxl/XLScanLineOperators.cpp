// PCL XL scan-line operators and the scan-line batch.
#include "framework/output/pclxl/XLScanLineOperators.h"

#include <algorithm>

#include "framework/output/pclxl/XLEncoder.h"
#include "framework/output/pclxl/XLStreamInternal.h"
#include "framework/output/pclxl/XLTags.h"

namespace {

// Batch words.
constexpr int kCapacity = 0;
constexpr int kNextFree = 1;
constexpr int kFirstRecord = 2;
constexpr int kByteCount = 3;
constexpr int kLineCount = 4;
constexpr std::uint16_t kRecordStart = 5;
constexpr std::uint16_t kMinimumCapacity = 10;

constexpr std::uint8_t kScanDataFormat = 3;  // the leading byte of ScanLineRel data
constexpr std::uint8_t kBytePairs = 0;
constexpr std::uint8_t kWordPairs = 2;
constexpr std::uint32_t kRecordHeadBytes = 7;  // second, first, n, pair type
constexpr std::uint32_t kRecordHeadWords = 4;

bool ValuesFitBytes(const std::uint16_t* values, std::uint32_t count) {
  return std::all_of(values, values + count, [](std::uint16_t v) { return v <= 255; });
}

// One record's values, as bytes or as uint16 values by its pair type.
void RecordValues(XLStream* stream,
                  const std::uint16_t* values,
                  std::uint32_t count,
                  std::uint8_t pair_type) {
  if (pair_type == kBytePairs) {
    XLRawBytesFrom16(stream, values, count);
  } else {
    XLRawUInt16Array(stream, values, count);
  }
}

}  // namespace

void XLBeginScan(XLStream* stream) {
  XLWriteOperator(stream, kXLOpBeginScan);
}

void XLEndScan(XLStream* stream) {
  XLWriteOperator(stream, kXLOpEndScan);
}

void XLScanLineRel(XLStream* stream,
                   std::uint16_t first,
                   std::uint16_t second,
                   const std::uint16_t* pairs,
                   std::uint32_t n) {
  if (stream->error != kXLNoError) {
    return;
  }
  if (n > 0xFFFF) {
    vel::xl::RaiseError(stream, kXLCountTooLarge);
    return;
  }
  const std::uint32_t values = 2 * n;
  const std::uint8_t pair_type = ValuesFitBytes(pairs, values) ? kBytePairs : kWordPairs;
  const std::uint32_t value_bytes = pair_type == kBytePairs ? values : 2 * values;
  XLWriteOperator(stream, kXLOpScanLineRel);
  XLDataLength(stream, 1 + kRecordHeadBytes + value_bytes);
  XLRawByte(stream, kScanDataFormat);
  XLRawUInt16(stream, second);
  XLRawUInt16(stream, first);
  XLRawUInt16(stream, static_cast<std::uint16_t>(n));
  XLRawByte(stream, pair_type);
  RecordValues(stream, pairs, values, pair_type);
}

void XLInitScanBatch(XLStream* /*stream*/, std::uint16_t* batch, std::uint16_t capacity_words) {
  if (capacity_words < kMinimumCapacity) {
    batch[kCapacity] = 0;
    return;
  }
  batch[kCapacity] = capacity_words;
  batch[kNextFree] = kRecordStart;
  batch[kFirstRecord] = kRecordStart;
  batch[kByteCount] = 1;
  batch[kLineCount] = 0;
}

void XLFlushScanBatch(XLStream* stream, std::uint16_t* batch) {
  const std::uint16_t capacity = batch[kCapacity];
  if (stream->error != kXLNoError || capacity == 0 || batch[kLineCount] == 0) {
    return;
  }
  const std::uint16_t lines = batch[kLineCount];
  XLWriteOperator(stream, kXLOpBeginScan);
  if (lines > 1) {
    XLUInt16(stream, lines);
    XLWriteAttribute(stream, kXLAttrNumberOfScanLines);
  }
  XLWriteOperator(stream, kXLOpScanLineRel);
  XLDataLength(stream, batch[kByteCount]);
  XLRawByte(stream, kScanDataFormat);
  std::uint32_t index = batch[kFirstRecord];
  for (std::uint16_t line = 0; line < lines; ++line) {
    const std::uint16_t n = batch[index + 2];
    const auto pair_type = static_cast<std::uint8_t>(batch[index + 3]);
    XLRawUInt16(stream, batch[index]);      // second
    XLRawUInt16(stream, batch[index + 1]);  // first
    XLRawUInt16(stream, n);
    XLRawByte(stream, pair_type);
    RecordValues(stream, batch + index + kRecordHeadWords, 2u * n, pair_type);
    index += kRecordHeadWords + 2u * n;
  }
  XLInitScanBatch(stream, batch, capacity);
  XLWriteOperator(stream, kXLOpEndScan);
}

std::uint16_t XLAddScanLine(XLStream* stream,
                            std::uint16_t first,
                            std::uint16_t second,
                            const std::uint16_t* pairs,
                            std::uint32_t n,
                            std::uint16_t* batch) {
  if (stream->error != kXLNoError) {
    return 0;
  }
  if (n > 0xFFFF) {
    vel::xl::RaiseError(stream, kXLCountTooLarge);
    return 0;
  }
  const std::uint32_t values = 2 * n;
  const std::uint8_t pair_type = ValuesFitBytes(pairs, values) ? kBytePairs : kWordPairs;
  const std::uint32_t words = kRecordHeadWords + values;
  const std::uint32_t bytes = kRecordHeadBytes + (pair_type == kBytePairs ? values : 2 * values);
  // The line must leave a word free, and the pending byte count must stay within its 16 bits
  // (a large batch of 16-bit pairs holds more bytes than a 16-bit count can say).
  const auto fits = [&] {
    const std::uint32_t capacity = batch[kCapacity];
    if (capacity == 0) {
      return false;
    }
    const std::uint32_t next = batch[kNextFree];
    const std::uint32_t free_words = next <= capacity ? capacity - next : 0;
    return free_words > words && batch[kByteCount] + bytes <= 0xFFFF;
  };
  if (!fits()) {
    XLFlushScanBatch(stream, batch);
    if (!fits()) {
      XLBeginScan(stream);
      XLScanLineRel(stream, first, second, pairs, n);
      XLEndScan(stream);
      return 0;
    }
  }
  std::uint16_t* record = batch + batch[kNextFree];
  record[0] = second;
  record[1] = first;
  record[2] = static_cast<std::uint16_t>(n);
  record[3] = pair_type;
  std::copy(pairs, pairs + values, record + kRecordHeadWords);
  batch[kNextFree] = static_cast<std::uint16_t>(batch[kNextFree] + words);
  batch[kByteCount] = static_cast<std::uint16_t>(batch[kByteCount] + bytes);
  batch[kLineCount] = static_cast<std::uint16_t>(batch[kLineCount] + 1);
  return static_cast<std::uint16_t>(bytes);
}
