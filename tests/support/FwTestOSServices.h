// A test implementation of the operating-system services over the stand-in platform, behaving as
// the flavour's module does: the UI flavour over the Win32 spooler calls, the registry, the
// profile and the environment; the render flavour over the engine's printer calls, with registry
// reads answering the caller's default and a default locale.
//
// Device sessions are opaque keys that a test binds to a stand-in printer. The creation
// operations answer what the factories that tests set make (null when unset), except the
// character translator: the render flavour hands out the test translator unless `make_translator`
// is set. The services count the file readers made for each driver data file name.
#pragma once

#include <cstdint>
#include <functional>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "framework/core/GOSServices.h"
#include "platform/PlatformTypes.h"

namespace vel::test {

class TestOSServices : public GOSServices {
 public:
  // Registers itself as the process's instance and makes the services lock.
  TestOSServices();
  ~TestOSServices() override;

  // A new session key bound to the stand-in printer of that name (which need not exist: the
  // platform calls then fail). The binding lives as long as the services.
  GDeviceSession* BindSession(const std::u16string& printer);
  // Binds a real session object (a driver object made by a factory above) to the stand-in printer
  // of that name, replacing a binding it had; Unbind forgets it (call it before the object goes).
  void BindObject(GDeviceSession* session, const std::u16string& printer);
  void UnbindObject(GDeviceSession* session);
  // Render flavour: the engine device handle that stands for the session's device, bound to the
  // printer for the engine's data-file name.
  void* SessionDevice(GDeviceSession* session) const;

  // What the creation operations make.
  std::function<GDeviceSession*(const GPrinterKey&)> make_ui_driver;
  std::function<GDeviceSession*(const GPrinterKey&)> make_render_device;
  std::function<GDeviceSession*(GDeviceSession*)> make_substitute;
  std::function<GCharTranslator*()> make_translator;
  // The font metrics of new font implementations (none without it).
  std::function<GFontMetrics*()> make_font_metrics;
  std::function<GOutputPort*(GDeviceSession*, const RWWString*, std::uint32_t)> make_output_port;
  // When set, what CreateLocaleInfo answers (null: no locale) in both flavours.
  std::function<GLocaleInfo*()> make_locale;

  // Memory writers made since construction.
  int MemoryWriterCount() const { return memory_writers_.load(); }
  // File readers made for this name since construction.
  int FileReaderCount(const std::u16string& name) const;

  GDeviceSession* CreateUIDriverObject(const GPrinterKey& key) override;
  GDeviceSession* CreateRenderDevice(const GPrinterKey& key) override;
  GDeviceSession* CreateSubstituteDevice(GDeviceSession* device) override;
  GDeviceExtension* CreateDeviceExtension(GRenderDevice* device) override;
  GOutputPort* CreateOutputPort(GDeviceSession* device, const RWWString* argument,
                                std::uint32_t flags) override;
  GBitmapFontManager* CreateBitmapFontManager() override;
  GFontMetrics* CreateFontMetrics() override;
  GCharTranslator* CreateCharacterTranslator() override;
  GStreamReaderBase* CreateMemoryReader(const std::uint8_t* data, std::uint32_t length,
                                        std::int32_t format) override;
  GStreamReaderBase* CreateFileReader(const RWWString& name, std::int32_t format) override;
  GStreamWriterBase* CreateMemoryWriter(std::uint8_t* data, std::uint32_t capacity,
                                        std::int32_t format) override;
  GStreamWriterBase* CreateFileWriter(const RWWString& name, std::int32_t format) override;
  GSemaphore* CreateSemaphore() override;
  RWWString& GetDriverDataFileName(RWWString& out, GDeviceSession* session) override;
  GLocaleInfo* CreateLocaleInfo() override;
  RWWString& GetTempDirectory(RWWString& out, GDeviceSession* session) override;
  void SeedRandom() override;
  std::int32_t Random() override;
  std::int32_t FileExists(const RWWString& name) override;
  std::int32_t CreateEmptyFile(const RWWString& name) override;
  std::int32_t SetPrinterDataNumber(GDeviceSession* session, const RWWString& name,
                                    std::uint32_t value) override;
  std::int32_t SetPrinterDataString(GDeviceSession* session, const RWWString& name,
                                    const RWWString& value) override;
  std::int32_t SetPrinterDataBinary(GDeviceSession* session, const RWWString& name,
                                    const std::uint8_t* data, std::uint32_t size) override;
  std::uint32_t GetPrinterDataNumber(GDeviceSession* session, const RWWString& name,
                                     std::uint32_t dflt) override;
  RWWString& GetPrinterDataString(RWWString& out, GDeviceSession* session, const RWWString& name,
                                  const RWWString& dflt) override;
  std::int32_t GetPrinterDataBinary(GDeviceSession* session, const RWWString& name,
                                    std::uint8_t* buffer, std::uint32_t capacity,
                                    std::uint32_t* size_out) override;
  RWWString& GetRegistryString(RWWString& out, const RWWString& key, const RWWString& value,
                               const RWWString& dflt) override;
  std::uint32_t GetRegistryNumber(const RWWString& key, const RWWString& value,
                                  std::uint32_t dflt) override;
  std::int32_t RegistryKeyExists(const RWWString& key) override;

 private:
  struct Binding;
  static std::unique_ptr<Binding> OpenBinding(const std::u16string& printer);
  static void CloseBinding(Binding& binding);
  // The printer handle of a session (null for an unknown or null session).
  HANDLE PrinterHandle(GDeviceSession* session) const;

  std::map<const GDeviceSession*, std::unique_ptr<Binding>> bindings_;
  mutable std::mutex mutex_;
  std::map<std::u16string, int> file_reads_;
  std::atomic<int> memory_writers_{0};
};

}  // namespace vel::test
