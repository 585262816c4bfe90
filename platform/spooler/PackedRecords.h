// The spooler's records as its calls hand them out: a record laid into the caller's buffer with
// the strings (and the DEVMODE) it points to packed after it. Shared by the engine's printer
// calls and the Win32 spooler calls, which answer the same records.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "platform/PlatformTypes.h"
#include "platform/spooler/PrinterStore.h"

namespace vel::platform::spooler {

// Lays records and their strings out in a caller's buffer: first the size needed, then, when the
// buffer holds it, the bytes.
class Packer {
 public:
  Packer(LPBYTE buffer, DWORD size) : buffer_(buffer), size_(size) {}

  // Reserves `count` bytes aligned to `align`; the address in the buffer, or null while only
  // measuring.
  BYTE* Reserve(std::size_t count, std::size_t align) {
    used_ = (used_ + align - 1) / align * align;
    BYTE* at = Fits() ? buffer_ + used_ : nullptr;
    used_ += count;
    return at;
  }

  LPWSTR String(const std::u16string& text) {
    auto* at = reinterpret_cast<LPWSTR>(Reserve((text.size() + 1) * 2, alignof(WCHAR)));
    if (at != nullptr) {
      std::memcpy(at, text.data(), text.size() * 2);
      at[text.size()] = 0;
    }
    return at;
  }

  // True while the buffer can hold everything: the final size is known only at the end, so the
  // caller measures first.
  bool Fits() const { return buffer_ != nullptr && measured_ <= size_; }
  void SetMeasured(std::size_t measured) {
    measured_ = measured;
    used_ = 0;
  }
  std::size_t Used() const { return used_; }

 private:
  LPBYTE buffer_;
  DWORD size_;
  std::size_t used_ = 0;
  std::size_t measured_ = static_cast<std::size_t>(-1);
};

// PRINTER_INFO_2W: the names and the default DEVMODE; the other pointers null, the numbers 0 but
// Attributes.
void PackPrinter(Packer& packer, const PrinterRecord& record);
// An array of FORM_INFO_1W with the names after it.
void PackForms(Packer& packer, const std::vector<FormRecord>& forms);

// Measures, then packs when the buffer is large enough. The size needed goes to *needed.
template <typename Pack>
bool PackInto(LPBYTE buffer, DWORD size, LPDWORD needed, Pack pack) {
  Packer measure(nullptr, 0);
  pack(measure);
  std::size_t total = measure.Used();
  if (needed != nullptr) {
    *needed = static_cast<DWORD>(total);
  }
  if (buffer == nullptr || size < total) {
    return false;
  }
  Packer packer(buffer, size);
  packer.SetMeasured(total);
  pack(packer);
  return true;
}

}  // namespace vel::platform::spooler
