// Reader of device-independent bitmaps as bitmap resources hold them (the header of wingdi.h's
// BITMAPINFOHEADER, the colour table, the rows). Every size and offset is checked against the
// resource's bytes; nothing outside them is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/win32/gdi/GdiState.h"

namespace vel::platform::gdi {

// The largest width or height accepted, and the most pixels of one bitmap.
inline constexpr std::int64_t kMaxDibSide = 16384;
inline constexpr std::int64_t kMaxDibPixels = std::int64_t{1} << 24;

// Reads a DIB of 1, 4, 8 or 24 bits (uncompressed) into a surface: 1 bit gives a monochrome
// surface (a pixel is white when its colour-table entry is nearer white), more bits a colour one.
// False with `why` for anything malformed.
[[nodiscard]] bool ReadDib(const std::uint8_t* data,
                           std::size_t size,
                           Surface& surface,
                           std::string& why);

}  // namespace vel::platform::gdi
