// How the fonts reach the render device that holds their downloaded-font table: its cookie, its
// table, and the device the driver server knows under a cookie.
#pragma once

#include <cstdint>

class GFontDatabase;
class GRenderDevice;

namespace vel {

// The cookie under which the driver server knows the device; 0 for none.
std::uint32_t RenderDeviceCookie(const GRenderDevice* device);
// The device's downloaded-font table, or null.
GFontDatabase* RenderDeviceFontTable(const GRenderDevice* device);
// The render device filed under the cookie, or null.
GRenderDevice* FindRenderDevice(std::uint32_t cookie);

// Until the driver server and the render device can be reached from here, these three answers
// come from a table of functions that the module (or a test) installs; without one they answer
// 0 and null.
struct RenderDeviceAccess {
  std::uint32_t (*cookie)(const GRenderDevice* device);
  GFontDatabase* (*font_table)(const GRenderDevice* device);
  GRenderDevice* (*find)(std::uint32_t cookie);
};
void SetRenderDeviceAccess(const RenderDeviceAccess* access);

}  // namespace vel
