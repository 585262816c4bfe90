// How the fonts reach the render device that holds their downloaded-font table: its cookie, its
// table, and the device the driver server knows under a cookie.
#pragma once

#include <cstdint>

class GFontDatabase;
class GRenderDevice;

namespace vel {

// The cookie under which the driver server filed the device; 0 for none.
std::uint32_t RenderDeviceCookie(const GRenderDevice* device);
// The device's downloaded-font table, or null.
GFontDatabase* RenderDeviceFontTable(const GRenderDevice* device);
// The render device the driver server files under the cookie, or null (also without a server).
GRenderDevice* FindRenderDevice(std::uint32_t cookie);

}  // namespace vel
