// PCL XL scan-line operators: BeginScan (0xB6), EndScan (0xB8) and ScanLineRel (0xB9), written
// one line at a time or gathered in a caller-owned batch.
//
// A scan line is a first and a second 16-bit coordinate given by the caller and n pairs of 16-bit
// values (gap before a run, run length), 2n values in all. Its record in ScanLineRel data is
//
//   SIZE  FIELD
//   2     second coordinate
//   2     first coordinate
//   2     n
//   1     pair type: 0 when every value is at most 255 (values written as bytes), else 2 (uint16)
//   2n/4n the values
//
// and the embedded data of one ScanLineRel is the byte 3 followed by its records. The stream must
// be valid; a pair count above 65535 raises kXLCountTooLarge and writes nothing.
//
// Batch layout (unsigned 16-bit words, owned by the caller):
//
//   WORD  MEANING
//   0     capacity of the whole array in words; 0 = batching off
//   1     index of the next free word
//   2     index of the first record (5)
//   3     byte count of the pending embedded data, starting at 1 (the leading byte 3)
//   4     number of pending scan lines
//   5...  records: second, first, n, pair type, then the 2n values
#pragma once

#include <cstdint>

#include "framework/output/pclxl/XLStream.h"

void XLBeginScan(XLStream* stream);
void XLEndScan(XLStream* stream);

// One line as a ScanLineRel block of its own: the operator, the data length (short form when it
// fits a byte), the byte 3 and the record. No BeginScan or EndScan: the caller brackets it.
void XLScanLineRel(XLStream* stream,
                   std::uint16_t first,
                   std::uint16_t second,
                   const std::uint16_t* pairs,
                   std::uint32_t n);

// Prepares a batch of capacity_words words; below 10 words batching is off (word 0 = 0).
void XLInitScanBatch(XLStream* stream, std::uint16_t* batch, std::uint16_t capacity_words);

// Writes the pending lines, when there are any: BeginScan; NumberOfScanLines uint16 when more than
// one line is pending; ScanLineRel with one data block of all records; EndScan. The batch is
// then empty again.
void XLFlushScanBatch(XLStream* stream, std::uint16_t* batch);

// Adds a line to the batch, flushing the batch first when the line does not fit the free words
// (more than 2n + 4 must be free) or the 16-bit byte count. A line that does not fit an empty
// batch either, or any line while batching is off, is written at once between BeginScan and
// EndScan. Returns the bytes the line added to the pending data, 0 when it was written at once.
std::uint16_t XLAddScanLine(XLStream* stream,
                            std::uint16_t first,
                            std::uint16_t second,
                            const std::uint16_t* pairs,
                            std::uint32_t n,
                            std::uint16_t* batch);
