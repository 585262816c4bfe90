// The printer-data value format.
#include "common/PrinterDataFormat.h"

#include <string>
#include <vector>

namespace vel {
namespace {

constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kMoreData = 234;

std::u16string Terminated(const RWWString& text) {
  return std::u16string(text.Data(), text.Length());
}

std::u16string ChunkName(const std::u16string& name, std::uint32_t index) {
  char16_t digits[10];
  int n = 0;
  do {
    digits[n++] = static_cast<char16_t>(u'0' + index % 10);
    index /= 10;
  } while (index != 0);
  std::u16string chunk = name;
  chunk.push_back(u':');
  while (n > 0) {
    chunk.push_back(digits[--n]);
  }
  return chunk;
}

// The chunk count of a block, or 0 when there is none or its size would not fit 32 bits.
std::uint32_t ChunkCount(PrinterDataSeam& seam, const std::u16string& name) {
  std::uint32_t type = 0;
  std::uint32_t needed = 0;
  std::uint8_t bytes[4] = {};
  if (seam.GetValue(name.c_str(), &type, bytes, 4, &needed) != 0 || type != kRegDword ||
      needed != 4) {
    return 0;
  }
  const std::uint32_t count = bytes[0] | bytes[1] << 8 | bytes[2] << 16 |
                              static_cast<std::uint32_t>(bytes[3]) << 24;
  if (static_cast<std::uint64_t>(count) * kPrinterDataChunk > UINT32_MAX) {
    return 0;
  }
  return count;
}

// Every chunk is present, REG_BINARY and at most 248 bytes.
bool ChunksSound(PrinterDataSeam& seam, const std::u16string& name, std::uint32_t count) {
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint32_t type = 0;
    std::uint32_t needed = 0;
    const std::uint32_t result =
        seam.GetValue(ChunkName(name, i).c_str(), &type, nullptr, 0, &needed);
    if ((result != 0 && result != kMoreData) || type != kRegBinary ||
        needed > kPrinterDataChunk) {
      return false;
    }
  }
  return true;
}

}  // namespace

RWWString PrinterDataChunkName(const RWWString& name, std::uint32_t index) {
  const std::u16string chunk = ChunkName(Terminated(name), index);
  return RWWString(chunk.data(), chunk.size());
}

std::int32_t SetPrinterDataNumber(PrinterDataSeam& seam, const RWWString& name,
                                  std::uint32_t value) {
  const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value),
                                 static_cast<std::uint8_t>(value >> 8),
                                 static_cast<std::uint8_t>(value >> 16),
                                 static_cast<std::uint8_t>(value >> 24)};
  return seam.SetValue(Terminated(name).c_str(), kRegDword, bytes, 4) == 0 ? 1 : 0;
}

std::int32_t SetPrinterDataString(PrinterDataSeam& seam, const RWWString& name,
                                  const RWWString& value) {
  if (value.Length() > UINT32_MAX / 2) {
    return 0;
  }
  std::vector<std::uint8_t> bytes(value.Length() * 2);
  for (std::size_t i = 0; i < value.Length(); ++i) {
    bytes[2 * i] = static_cast<std::uint8_t>(value.Data()[i]);
    bytes[2 * i + 1] = static_cast<std::uint8_t>(value.Data()[i] >> 8);
  }
  return seam.SetValue(Terminated(name).c_str(), kRegSz, bytes.data(),
                       static_cast<std::uint32_t>(bytes.size())) == 0
             ? 1
             : 0;
}

std::int32_t SetPrinterDataBinary(PrinterDataSeam& seam, const RWWString& name,
                                  const std::uint8_t* data, std::uint32_t size) {
  if (data == nullptr && size != 0) {
    return 0;
  }
  const std::uint32_t count = size / kPrinterDataChunk + 1;
  if (SetPrinterDataNumber(seam, name, count) != 1) {
    return 0;
  }
  const std::u16string bare = Terminated(name);
  std::uint32_t remaining = size;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint32_t chunk = remaining < kPrinterDataChunk ? remaining : kPrinterDataChunk;
    const std::uint8_t* at = chunk != 0 ? data + (size - remaining) : nullptr;
    if (seam.SetValue(ChunkName(bare, i).c_str(), kRegBinary, at, chunk) != 0) {
      return 0;
    }
    remaining -= chunk;
  }
  return 1;
}

std::uint32_t GetPrinterDataNumber(PrinterDataSeam& seam, const RWWString& name,
                                   std::uint32_t dflt) {
  std::uint32_t type = 0;
  std::uint32_t needed = 0;
  std::uint8_t bytes[4] = {};
  if (seam.GetValue(Terminated(name).c_str(), &type, bytes, 4, &needed) != 0 ||
      type != kRegDword || needed != 4) {
    return dflt;
  }
  return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

RWWString& GetPrinterDataString(RWWString& out, PrinterDataSeam& seam, const RWWString& name,
                                const RWWString& dflt) {
  out = dflt;
  const std::u16string bare = Terminated(name);
  std::uint32_t type = 0;
  std::uint32_t needed = 0;
  const std::uint32_t probe = seam.GetValue(bare.c_str(), &type, nullptr, 0, &needed);
  if ((probe != 0 && probe != kMoreData) || type != kRegSz || needed == 0) {
    return out;
  }
  std::vector<std::uint8_t> bytes(needed);
  std::uint32_t read = 0;
  if (seam.GetValue(bare.c_str(), &type, bytes.data(), needed, &read) != 0 || type != kRegSz ||
      read == 0 || read > needed) {
    return out;
  }
  std::u16string text;
  for (std::uint32_t i = 0; i + 1 < read; i += 2) {
    const char16_t c = static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
    if (c == 0) {
      break;
    }
    text.push_back(c);
  }
  out = RWWString(text.data(), text.size());
  return out;
}

std::int32_t GetPrinterDataBinary(PrinterDataSeam& seam, const RWWString& name,
                                  std::uint8_t* buffer, std::uint32_t capacity,
                                  std::uint32_t* size_out) {
  const std::u16string bare = Terminated(name);
  const std::uint32_t count = ChunkCount(seam, bare);
  if (count == 0) {
    return 0;
  }
  const std::uint32_t full = count * kPrinterDataChunk;
  if (buffer == nullptr || capacity == 0) {
    if (!ChunksSound(seam, bare, count)) {
      return 0;
    }
    if (size_out != nullptr) {
      *size_out = full;
    }
    return 1;
  }
  if (capacity < full - kPrinterDataChunk) {
    if (size_out != nullptr) {
      *size_out = full;
    }
    return 0;
  }
  std::uint32_t total = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint32_t type = 0;
    std::uint32_t needed = 0;
    const std::uint32_t room = capacity - total;
    const std::uint32_t result =
        seam.GetValue(ChunkName(bare, i).c_str(), &type, buffer + total,
                      room < kPrinterDataChunk ? room : kPrinterDataChunk, &needed);
    if (result != 0 || type != kRegBinary || needed > kPrinterDataChunk || needed > room) {
      return 0;
    }
    total += needed;
  }
  if (size_out != nullptr) {
    *size_out = total;
  }
  return 1;
}

}  // namespace vel
