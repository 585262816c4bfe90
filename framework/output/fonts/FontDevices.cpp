// How the fonts reach their render device.
#include "framework/output/fonts/FontDevices.h"

#include <atomic>

namespace vel {

namespace {

std::atomic<const RenderDeviceAccess*> g_access{nullptr};

}  // namespace

void SetRenderDeviceAccess(const RenderDeviceAccess* access) {
  g_access.store(access);
}

std::uint32_t RenderDeviceCookie(const GRenderDevice* device) {
  const RenderDeviceAccess* access = g_access.load();
  return device != nullptr && access != nullptr ? access->cookie(device) : 0;
}

GFontDatabase* RenderDeviceFontTable(const GRenderDevice* device) {
  const RenderDeviceAccess* access = g_access.load();
  return device != nullptr && access != nullptr ? access->font_table(device) : nullptr;
}

GRenderDevice* FindRenderDevice(std::uint32_t cookie) {
  const RenderDeviceAccess* access = g_access.load();
  return access != nullptr ? access->find(cookie) : nullptr;
}

}  // namespace vel
