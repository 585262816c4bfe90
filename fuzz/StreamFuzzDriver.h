// Drives every get operation of a virtual stream reader from fuzz bytes.
//
// Input: byte 0 is the length k of an operation script (at most 64), bytes 1..k are the script,
// the rest is the stream's data. The script runs in a loop until the data ends (or a fixed number
// of operations); a failure that is not the end of data is cleared, so the reader goes on deeper.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "rw/RWError.h"
#include "rw/RWVirtualStream.h"

namespace vel::fuzz {

// Array reads of up to this many elements; string buffers up to this size.
constexpr std::size_t kMaxCount = 300;
constexpr int kMaxOperations = 4096;

template <typename T>
void GetArray(RWVirtualInStream& in, std::size_t count) {
  std::vector<T> values(count);
  in.Get(values.data(), count);
}

inline void RunOperation(RWVirtualInStream& in, std::uint8_t op) {
  const std::size_t count = (op >> 5) == 7 ? kMaxCount : (op >> 5);
  switch (op & 0x1F) {
    case 0: {
      unsigned long v;
      in.Get(v);
      break;
    }
    case 1: {
      unsigned int v;
      in.Get(v);
      break;
    }
    case 2: {
      unsigned short v;
      in.Get(v);
      break;
    }
    case 3: {
      unsigned char v;
      in.Get(v);
      break;
    }
    case 4: {
      short v;
      in.Get(v);
      break;
    }
    case 5: {
      long v;
      in.Get(v);
      break;
    }
    case 6: {
      int v;
      in.Get(v);
      break;
    }
    case 7: {
      float v;
      in.Get(v);
      break;
    }
    case 8: {
      double v;
      in.Get(v);
      break;
    }
    case 9: {
      char v;
      in.Get(v);
      break;
    }
    case 10: {
      unsigned char v;
      in.GetByte(v);
      break;
    }
    case 11: {
      char v;
      in.GetByte(v);
      break;
    }
    case 12:
      (void)in.Get();
      break;
    case 13: {
      // Sizes 0 (nothing may be stored), 1, ..., and a large buffer.
      std::unique_ptr<char[]> buffer(count > 0 ? new char[count] : nullptr);
      in.GetString(buffer.get(), count);
      break;
    }
    case 14:
      GetArray<unsigned long>(in, count);
      break;
    case 15:
      GetArray<unsigned int>(in, count);
      break;
    case 16:
      GetArray<unsigned short>(in, count);
      break;
    case 17:
      GetArray<unsigned char>(in, count);
      break;
    case 18:
      GetArray<short>(in, count);
      break;
    case 19:
      GetArray<long>(in, count);
      break;
    case 20:
      GetArray<int>(in, count);
      break;
    case 21:
      GetArray<float>(in, count);
      break;
    case 22:
      GetArray<double>(in, count);
      break;
    case 23:
      GetArray<char>(in, count);
      break;
    default: {
      int v;
      in.Get(v);
      break;
    }
  }
}

// Splits the input, makes the reader over the data and runs the script.
template <typename Reader>
void Drive(const std::uint8_t* data, std::size_t size) {
  static const RWErrorHook previous = SetErrorHook(+[](const RWErrorBase&) {});
  (void)previous;
  if (size == 0) {
    return;
  }
  const std::size_t script_size = std::min<std::size_t>({data[0], 64, size - 1});
  const std::uint8_t* script = data + 1;
  const char* text = reinterpret_cast<const char*>(script + script_size);
  const std::size_t text_size = size - 1 - script_size;
  std::stringbuf buffer(std::string(text, text_size), std::ios_base::in);
  Reader in(&buffer);
  if (script_size == 0) {
    return;
  }
  for (int done = 0; done < kMaxOperations && in.Eof() == 0; ++done) {
    RunOperation(in, script[static_cast<std::size_t>(done) % script_size]);
    if (in.Fail() != 0 && in.Eof() == 0) {
      in.SetStatus(kRWStreamGood);
    }
  }
}

}  // namespace vel::fuzz
