// Render devices as the fonts reach them (a cookie and a downloaded-font table each), for the font
// tests.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "framework/output/fonts/FontDevices.h"
#include "framework/output/fonts/GFontDatabase.h"

namespace vel::test {

// Render devices as the fonts see them: a cookie and a table each.
class FontDevices {
 public:
  FontDevices() {
    instance_ = this;
    vel::SetRenderDeviceAccess(&kAccess);
  }
  ~FontDevices() {
    vel::SetRenderDeviceAccess(nullptr);
    instance_ = nullptr;
  }
  // A device filed under the cookie, with its own table.
  GRenderDevice* Add(std::uint32_t cookie) {
    auto* device = reinterpret_cast<GRenderDevice*>(static_cast<std::uintptr_t>(cookie) << 4);
    tables_[cookie] = std::make_unique<GFontDatabase>(device);
    return device;
  }
  void Remove(std::uint32_t cookie) { tables_.erase(cookie); }
  GFontDatabase& Table(std::uint32_t cookie) { return *tables_.at(cookie); }

 private:
  static std::uint32_t CookieOf(const GRenderDevice* device) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(device) >> 4);
  }
  static GFontDatabase* TableOf(const GRenderDevice* device) {
    auto found = instance_->tables_.find(CookieOf(device));
    return found == instance_->tables_.end() ? nullptr : found->second.get();
  }
  static GRenderDevice* Find(std::uint32_t cookie) {
    return instance_->tables_.count(cookie) != 0
               ? reinterpret_cast<GRenderDevice*>(static_cast<std::uintptr_t>(cookie) << 4)
               : nullptr;
  }
  static constexpr vel::RenderDeviceAccess kAccess{&CookieOf, &TableOf, &Find};
  static inline FontDevices* instance_ = nullptr;
  std::map<std::uint32_t, std::unique_ptr<GFontDatabase>> tables_;
};

}  // namespace vel::test
