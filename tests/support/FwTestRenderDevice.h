// A render device for tests: the final class that the render module would supply, over the test
// services. Its job attribute group is a fixture of job settings (or what the test makes), its
// printer key compares driver names, and it starts a pending document when a page needs it. It
// binds itself to the stand-in printer of its name in the test services, so that the services'
// driver data file and printer data are that printer's.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/core/GDeviceSession.h"
#include "framework/core/GPrinterKey.h"
#include "framework/core/GRenderDevice.h"
#include "tests/support/FwTestOSServices.h"

class GAttributeComposite;

namespace vel::test {

// A printer key by names: the same printer when all three names are equal, the same driver when
// the driver names are.
class TestPrinterKey : public GPrinterKey {
 public:
  TestPrinterKey(const std::u16string& printer,
                 const std::u16string& driver,
                 const std::u16string& port = u"LPT1:");
  std::int32_t IsSamePrinter(const GPrinterKey& other) const override;
  std::int32_t IsSameDriver(const GPrinterKey& other) const override;
};

// The job settings fixture, a new group (owned by the caller) holding:
//   362: 247 = 1, 249 {322 = 600, 323 = 600}, 260 = 2 (Letter), 265 = 0, 270 = 1, 272 = 26 (A4),
//        279 = 1, 280 = 999 (a paper the printer lacks)
//   363: 257 = 1
//   364: 258 = 1, 261 "Plain", 262 "Bond", 263 = 2, 264 = 1, 291 = 3, 292 = 1, 293 = 1, 296 = 7,
//        297 = 8, 379 {382 = 2}
//   365: 310 = 1
//   366: 378 [{384 "Fast", 500 = 1}, {384 "Secure", 501 = 1}]
//   276: custom sizes 0x4000 "Small" (100 x 150 mm) and 0x43E7 "Large" (200 x 300 mm)
GAttributeComposite* MakeJobSettings();

class TestRenderDevice : public GRenderDevice {
 public:
  explicit TestRenderDevice(const GPrinterKey& key);
  TestRenderDevice(const std::u16string& printer, const std::u16string& driver);
  ~TestRenderDevice() override;

  // What CreateAttributeGroup and DelegateToOwner answer (MakeJobSettings when unset).
  std::function<GAttributeComposite*()> make_settings;
  // What FreeMemory answers.
  std::int32_t free_memory_answer = 0;
  int delegate_calls = 0;

  GAttributeComposite* CreateDefaultAttributes() override { return nullptr; }
  GAttributeComposite* CreateAttributeGroup() override;
  GPrinterKey* GetPrinterKey() override;
  GAttributeComposite* DelegateToOwner() override;
  // StartDocument when a document is pending, else 0.
  std::uint16_t EnsureDocumentStarted() override;
  // Rebinds the test services to the new printer.
  void Reopen(const GPrinterKey& key) override;
  std::int32_t FreeMemory() override { return free_memory_answer; }

  // Watermarks, each call logged with its arguments and its answer:
  //   prepare("Draft", font "Arial", height -400, size 48, weight 700, styles 0 0 1,
  //           rgb(255, 0, 0, 255), paper 5100 x 6600) = 1
  //   make("Draft", handle 1, rgb(255, 0, 0, 255), media 5100 x 6600, 387 = 1) = graphic
  //   release(1)
  // Prepare answers next_watermark_handle and counts it up (0 stays 0: no watermark); make
  // answers, while make_watermark_graphics is set, a new rectangle graphic (key 0, no bundle) over
  // the media's printable area; release sets the handle to 0.
  std::uint32_t PrepareWatermark(const GWatermarkDescription& description,
                                 std::int16_t paper_width,
                                 std::int16_t paper_height) override;
  void ReleaseWatermark(std::uint32_t* handle) override;
  GCommand* MakeWatermark(const RWWString& text,
                          std::uint32_t handle,
                          const GRGBColor& colour,
                          const GMedia& media,
                          std::int16_t value_387) override;
  std::vector<std::string> watermark_log;
  std::uint32_t next_watermark_handle = 1;
  bool make_watermark_graphics = true;

  // Devices alive now and made since the process started.
  static std::atomic<int> live;
  static std::atomic<int> made;
};

// A UI driver object as the UI module makes one (its UI interface is the module's, so it answers
// none), bound to its printer in the test services like the test render device.
class TestUIObject : public GUIDeviceSession {
 public:
  explicit TestUIObject(const GPrinterKey& key);
  ~TestUIObject() override;
  GUIDriverInterface* GetUIInterface() override { return nullptr; }
  GAttributeComposite* CreateDefaultAttributes() override { return nullptr; }
  GAttributeComposite* CreateAttributeGroup() override;
  GPrinterKey* GetPrinterKey() override;
  GAttributeComposite* DelegateToOwner() override { return nullptr; }
  void Reopen(const GPrinterKey& key) override;
  // Runs `on_close` (under the driver server's UI lock).
  void Close() override;

  std::function<void()> on_close;
  static std::atomic<int> live;
  static std::atomic<int> made;
};

// Test services that make both kinds of object whatever the flavour (the factories decide), so a
// driver server's two tables can be used in one test binary.
class BothKindsServices : public TestOSServices {
 public:
  GDeviceSession* CreateUIDriverObject(const GPrinterKey& key) override {
    return make_ui_driver ? make_ui_driver(key) : nullptr;
  }
  GDeviceSession* CreateRenderDevice(const GPrinterKey& key) override {
    return make_render_device ? make_render_device(key) : nullptr;
  }
};

}  // namespace vel::test
