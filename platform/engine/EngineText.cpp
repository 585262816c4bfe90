// Code-page conversions of the stand-in engine, through iconv. Each thread keeps its own
// conversion descriptors (a descriptor must not be shared between threads).
#include <errno.h>
#include <iconv.h>

#include <atomic>
#include <cstring>
#include <string>

#include "platform/CallLog.h"
#include "platform/engine/EngineFixture.h"
#include "platform/engine/winddi.h"

namespace {

std::atomic<UINT> g_ansi_code_page{1252};

// The host's name for each code page the engine converts.
const char* CodePageName(UINT code_page) {
  switch (code_page) {
    case 874: return "CP874";
    case 932: return "CP932";
    case 936: return "CP936";
    case 949: return "CP949";
    case 950: return "CP950";
    case 1250: return "CP1250";
    case 1251: return "CP1251";
    case 1252: return "CP1252";
    case 1253: return "CP1253";
    case 1254: return "CP1254";
    case 1255: return "CP1255";
    case 1256: return "CP1256";
    case 1257: return "CP1257";
    case 1361: return "JOHAB";
    default: return nullptr;
  }
}

// The default character of every code page here is '?'.
constexpr char kDefaultChar = '?';
constexpr char16_t kDefaultWideChar = u'?';

enum class Direction { kToWide, kFromWide };

struct CachedDescriptor {
  UINT code_page = 0;
  Direction direction = Direction::kToWide;
  iconv_t descriptor = reinterpret_cast<iconv_t>(-1);
};

// A few descriptors per thread, reused round-robin; closed when the thread ends.
struct DescriptorCache {
  CachedDescriptor entries[4];
  int next = 0;
  ~DescriptorCache() {
    for (CachedDescriptor& entry : entries) {
      if (entry.descriptor != reinterpret_cast<iconv_t>(-1)) {
        iconv_close(entry.descriptor);
      }
    }
  }
};

iconv_t Descriptor(UINT code_page, Direction direction) {
  thread_local DescriptorCache cache;
  for (CachedDescriptor& entry : cache.entries) {
    if (entry.descriptor != reinterpret_cast<iconv_t>(-1) && entry.code_page == code_page &&
        entry.direction == direction) {
      iconv(entry.descriptor, nullptr, nullptr, nullptr, nullptr);
      return entry.descriptor;
    }
  }
  const char* name = CodePageName(code_page);
  if (name == nullptr) {
    return reinterpret_cast<iconv_t>(-1);
  }
  iconv_t descriptor = direction == Direction::kToWide ? iconv_open("UTF-16LE", name)
                                                       : iconv_open(name, "UTF-16LE");
  if (descriptor == reinterpret_cast<iconv_t>(-1)) {
    return descriptor;
  }
  CachedDescriptor& slot = cache.entries[cache.next];
  cache.next = (cache.next + 1) % 4;
  if (slot.descriptor != reinterpret_cast<iconv_t>(-1)) {
    iconv_close(slot.descriptor);
  }
  slot = CachedDescriptor{code_page, direction, descriptor};
  return descriptor;
}

// Emits what a converter holds back (CP1255 keeps a base letter until it knows whether a
// combining mark follows) and returns the converter to its initial state.
void Flush(iconv_t descriptor, char** out_at, std::size_t* out_left) {
  if (iconv(descriptor, nullptr, nullptr, out_at, out_left) == static_cast<std::size_t>(-1)) {
    iconv(descriptor, nullptr, nullptr, nullptr, nullptr);
  }
}

UINT Resolve(UINT code_page) { return code_page == 0 ? g_ansi_code_page.load() : code_page; }

// Multi-byte to UTF-16LE into `out` (bytes). An undecodable byte becomes the default character;
// output stops where the next character would not fit. -1 for an unknown code page.
long ToWide(UINT code_page, const char* in, std::size_t in_size, char* out, std::size_t out_size) {
  iconv_t descriptor = Descriptor(Resolve(code_page), Direction::kToWide);
  if (descriptor == reinterpret_cast<iconv_t>(-1)) {
    return -1;
  }
  if (out_size < 2 || in_size == 0) {
    return 0;
  }
  char* in_at = const_cast<char*>(in);
  std::size_t in_left = in_size;
  char* out_at = out;
  std::size_t out_left = out_size & ~std::size_t{1};
  while (in_left > 0) {
    if (iconv(descriptor, &in_at, &in_left, &out_at, &out_left) != static_cast<std::size_t>(-1)) {
      break;
    }
    if (errno == E2BIG) {
      break;
    }
    // An invalid or cut-off sequence: one byte becomes the default character.
    Flush(descriptor, &out_at, &out_left);
    if (out_left < 2) {
      break;
    }
    std::memcpy(out_at, &kDefaultWideChar, 2);
    out_at += 2;
    out_left -= 2;
    ++in_at;
    --in_left;
  }
  Flush(descriptor, &out_at, &out_left);
  return out_at - out;
}

// UTF-16LE to multi-byte. An unmappable character (or a lone surrogate) becomes the default
// character.
long FromWide(UINT code_page, const char* in, std::size_t in_size, char* out,
              std::size_t out_size) {
  iconv_t descriptor = Descriptor(Resolve(code_page), Direction::kFromWide);
  if (descriptor == reinterpret_cast<iconv_t>(-1)) {
    return -1;
  }
  if (out_size == 0 || in_size < 2) {
    return 0;
  }
  char* in_at = const_cast<char*>(in);
  std::size_t in_left = in_size & ~std::size_t{1};
  char* out_at = out;
  std::size_t out_left = out_size;
  while (in_left > 0) {
    if (iconv(descriptor, &in_at, &in_left, &out_at, &out_left) != static_cast<std::size_t>(-1)) {
      break;
    }
    if (errno == E2BIG) {
      break;
    }
    Flush(descriptor, &out_at, &out_left);
    if (out_left == 0) {
      break;
    }
    *out_at++ = kDefaultChar;
    --out_left;
    // Skip the unmappable character: a surrogate pair as one, anything else as one unit.
    char16_t unit;
    std::memcpy(&unit, in_at, 2);
    std::size_t skip = 2;
    if (unit >= 0xD800 && unit < 0xDC00 && in_left >= 4) {
      char16_t next;
      std::memcpy(&next, in_at + 2, 2);
      if (next >= 0xDC00 && next < 0xE000) {
        skip = 4;
      }
    }
    in_at += skip;
    in_left -= skip;
  }
  Flush(descriptor, &out_at, &out_left);
  return out_at - out;
}

void Log(const char* function, UINT code_page, long result) {
  vel::platform::LogCall(std::string(function) + "(" + std::to_string(code_page) + ") = " +
                         std::to_string(result));
}

}  // namespace

INT EngMultiByteToWideChar(UINT code_page, LPWSTR wide, INT wide_bytes, LPSTR multi_byte,
                           INT multi_byte_bytes) {
  long result = -1;
  if (!vel::platform::ShouldFail("EngMultiByteToWideChar") && wide_bytes >= 0 &&
      multi_byte_bytes >= 0 && (wide != nullptr || wide_bytes == 0) &&
      (multi_byte != nullptr || multi_byte_bytes == 0)) {
    result = ToWide(code_page, multi_byte, static_cast<std::size_t>(multi_byte_bytes),
                    reinterpret_cast<char*>(wide), static_cast<std::size_t>(wide_bytes));
  }
  Log("EngMultiByteToWideChar", code_page, result);
  return static_cast<INT>(result);
}

INT EngWideCharToMultiByte(UINT code_page, LPWSTR wide, INT wide_bytes, LPSTR multi_byte,
                           INT multi_byte_bytes) {
  long result = -1;
  if (!vel::platform::ShouldFail("EngWideCharToMultiByte") && wide_bytes >= 0 &&
      multi_byte_bytes >= 0 && (wide != nullptr || wide_bytes == 0) &&
      (multi_byte != nullptr || multi_byte_bytes == 0)) {
    result = FromWide(code_page, reinterpret_cast<const char*>(wide),
                      static_cast<std::size_t>(wide_bytes), multi_byte,
                      static_cast<std::size_t>(multi_byte_bytes));
  }
  Log("EngWideCharToMultiByte", code_page, result);
  return static_cast<INT>(result);
}

void EngMultiByteToUnicodeN(LPWSTR unicode, ULONG max_unicode_bytes, PULONG unicode_bytes,
                            char* multi_byte, ULONG multi_byte_bytes) {
  long result = 0;
  if (!vel::platform::ShouldFail("EngMultiByteToUnicodeN") &&
      (unicode != nullptr || max_unicode_bytes == 0) &&
      (multi_byte != nullptr || multi_byte_bytes == 0)) {
    result = ToWide(0, multi_byte, multi_byte_bytes, reinterpret_cast<char*>(unicode),
                    max_unicode_bytes);
  }
  if (result < 0) {
    result = 0;
  }
  if (unicode_bytes != nullptr) {
    *unicode_bytes = static_cast<ULONG>(result);
  }
  Log("EngMultiByteToUnicodeN", g_ansi_code_page.load(), result);
}

void EngUnicodeToMultiByteN(char* multi_byte, ULONG max_multi_byte_bytes,
                            PULONG multi_byte_bytes, PWSTR unicode, ULONG unicode_bytes) {
  long result = 0;
  if (!vel::platform::ShouldFail("EngUnicodeToMultiByteN") &&
      (unicode != nullptr || unicode_bytes == 0) &&
      (multi_byte != nullptr || max_multi_byte_bytes == 0)) {
    result = FromWide(0, reinterpret_cast<const char*>(unicode), unicode_bytes, multi_byte,
                      max_multi_byte_bytes);
  }
  if (result < 0) {
    result = 0;
  }
  if (multi_byte_bytes != nullptr) {
    *multi_byte_bytes = static_cast<ULONG>(result);
  }
  Log("EngUnicodeToMultiByteN", g_ansi_code_page.load(), result);
}

namespace vel::platform::engine {

bool SetAnsiCodePage(UINT code_page) {
  if (CodePageName(code_page) == nullptr) {
    return false;
  }
  g_ansi_code_page = code_page;
  return true;
}

}  // namespace vel::platform::engine
