// The printer-data value format that both modules write and read, over a raw get/set seam (the
// spooler's calls in the UI module, the engine's in the render module). Value names are wide.
//
//   kind     stored as
//   number   REG_DWORD, exactly 4 bytes (little-endian); any other type or size reads as the
//            caller's default
//   string   REG_SZ, the 16-bit characters without a terminator; read as at most size / 2
//            characters, stopping at a NUL; an empty value reads as the default
//   binary   n bytes: REG_DWORD count c = n / 248 + 1 under the bare name, then c REG_BINARY
//            chunks "name:0", "name:1", ... of 248 bytes, the last one holding the rest (so a
//            block whose size is a multiple of 248, 0 included, ends with an empty chunk)
//
// Stored counts and chunks are untrusted: a read fails (0) when a chunk is missing, is not
// REG_BINARY, holds more than 248 bytes or more than the caller's buffer takes, or when the count
// is 0 or its size does not fit 32 bits.
#pragma once

#include <cstdint>

#include "rw/RWWString.h"

namespace vel {

inline constexpr std::uint32_t kPrinterDataChunk = 248;

// One printer's raw values. Results are the platform's error codes: 0 success; 234 (more data)
// with `needed` set when `size` is short or `data` null; anything else when the value cannot be
// read or written.
class PrinterDataSeam {
 public:
  virtual ~PrinterDataSeam() = default;
  virtual std::uint32_t GetValue(const char16_t* name, std::uint32_t* type, std::uint8_t* data,
                                 std::uint32_t size, std::uint32_t* needed) = 0;
  virtual std::uint32_t SetValue(const char16_t* name, std::uint32_t type,
                                 const std::uint8_t* data, std::uint32_t size) = 0;
};

// Writers: 1 on success, 0 on failure. A binary block stops at the first chunk that fails (the
// chunks of an earlier, longer block are left alone).
std::int32_t SetPrinterDataNumber(PrinterDataSeam& seam, const RWWString& name,
                                  std::uint32_t value);
std::int32_t SetPrinterDataString(PrinterDataSeam& seam, const RWWString& name,
                                  const RWWString& value);
std::int32_t SetPrinterDataBinary(PrinterDataSeam& seam, const RWWString& name,
                                  const std::uint8_t* data, std::uint32_t size);

std::uint32_t GetPrinterDataNumber(PrinterDataSeam& seam, const RWWString& name,
                                   std::uint32_t dflt);
RWWString& GetPrinterDataString(RWWString& out, PrinterDataSeam& seam, const RWWString& name,
                                const RWWString& dflt);
// 1 with the bytes read in *size_out; 0 on failure (a missing value leaves *size_out alone).
// With a null buffer or capacity 0 only the size is reported: count x 248, once every chunk is
// present and sound. A buffer below (count - 1) x 248 bytes fails with that size reported.
std::int32_t GetPrinterDataBinary(PrinterDataSeam& seam, const RWWString& name,
                                  std::uint8_t* buffer, std::uint32_t capacity,
                                  std::uint32_t* size_out);

// The name of chunk `index` of a block: "name:index".
RWWString PrinterDataChunkName(const RWWString& name, std::uint32_t index);

}  // namespace vel
