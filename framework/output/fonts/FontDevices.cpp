// How the fonts reach their render device: through the driver server.
#include "framework/output/fonts/FontDevices.h"

#include "framework/core/GDriverServer.h"
#include "framework/core/GRenderDevice.h"

namespace vel {

std::uint32_t RenderDeviceCookie(const GRenderDevice* device) {
  return device != nullptr ? device->GetCookie() : 0;
}

GFontDatabase* RenderDeviceFontTable(const GRenderDevice* device) {
  return device != nullptr ? device->GetDownloadedFontTable() : nullptr;
}

GRenderDevice* FindRenderDevice(std::uint32_t cookie) {
  GDriverServer* server = GetDriverServer();
  return server != nullptr && cookie != 0 ? server->FindRenderDriver(cookie) : nullptr;
}

}  // namespace vel
