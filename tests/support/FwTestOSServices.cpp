// The test services over the stand-in platform.
#include "tests/support/FwTestOSServices.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <new>
#include <vector>

#include "common/PrinterDataFormat.h"
#include "framework/core/GLocaleInfo.h"
#include "framework/core/GRandom.h"
#include "framework/core/GSemaphore.h"
#include "framework/core/GStreamHolders.h"
#include "framework/core/StringWidth.h"
#include "platform/spooler/PrinterStore.h"
#include "platform/win32/files.h"
#include "platform/win32/profile.h"
#include "platform/win32/windows.h"
#include "platform/win32/winreg.h"
#include "platform/win32/winspool.h"
#include "tests/support/FwCharTranslator.h"
#include "tests/support/FwTestEngineCalls.h"
#include "vel_flavour.h"

namespace vel::test {
namespace {

constexpr bool kRender = vel::flavour::kIsRenderFlavour;

std::u16string Text(const RWWString& text) {
  return std::u16string(text.Data(), text.Length());
}

// The UI module's lock: a Win32 semaphore of count 1 (not re-entrant).
class Win32Semaphore : public GSemaphore {
 public:
  explicit Win32Semaphore(HANDLE handle) : handle_(handle) {}
  ~Win32Semaphore() override { CloseHandle(handle_); }
  std::int32_t Release() override {
    return ReleaseSemaphore(handle_, 1, nullptr) ? 0 : vel::kReleaseFailed;
  }
  std::int32_t Acquire() override {
    return WaitForSingleObject(handle_, INFINITE) == WAIT_OBJECT_0 ? 0 : -1;
  }

 private:
  HANDLE handle_;
};

// The raw values of one printer handle, through the flavour's calls.
class HandleSeam : public vel::PrinterDataSeam {
 public:
  explicit HandleSeam(HANDLE printer) : printer_(printer) {}
  std::uint32_t GetValue(const char16_t* name, std::uint32_t* type, std::uint8_t* data,
                         std::uint32_t size, std::uint32_t* needed) override {
    DWORD value_type = 0;
    DWORD value_needed = 0;
    DWORD result = 0;
    if constexpr (kRender) {
      result = engine_calls::GetPrinterData(printer_, name, &value_type, data, size,
                                            &value_needed);
    } else {
      result = GetPrinterDataW(printer_, name, &value_type, data, size, &value_needed);
    }
    *type = value_type;
    *needed = value_needed;
    return result;
  }
  std::uint32_t SetValue(const char16_t* name, std::uint32_t type, const std::uint8_t* data,
                         std::uint32_t size) override {
    if constexpr (kRender) {
      return engine_calls::SetPrinterData(printer_, name, type, data, size);
    } else {
      return SetPrinterDataW(printer_, name, type, data, size);
    }
  }

 private:
  HANDLE printer_;
};

}  // namespace

struct TestOSServices::Binding {
  std::u16string printer;
  HANDLE handle = nullptr;
  char device = 0;  // its address is the session's engine device handle
};

TestOSServices::TestOSServices() {
  CreateServicesLock();
}

TestOSServices::~TestOSServices() {
  for (auto& [session, binding] : bindings_) {
    CloseBinding(*binding);
  }
}

std::unique_ptr<TestOSServices::Binding> TestOSServices::OpenBinding(
    const std::u16string& printer) {
  auto binding = std::make_unique<Binding>();
  binding->printer = printer;
  if constexpr (kRender) {
    binding->handle = vel::platform::spooler::OpenPrinterHandle(printer, PRINTER_ALL_ACCESS);
    if (binding->handle != nullptr) {
      engine_calls::BindDevice(&binding->device, binding->handle);
    }
  } else {
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (!OpenPrinterW(printer.c_str(), &binding->handle, &defaults)) {
      binding->handle = nullptr;
    }
  }
  return binding;
}

void TestOSServices::CloseBinding(Binding& binding) {
  if constexpr (kRender) {
    engine_calls::UnbindDevice(&binding.device);
    vel::platform::spooler::ClosePrinterHandle(binding.handle);
  } else {
    if (binding.handle != nullptr) {
      ClosePrinter(binding.handle);
    }
  }
}

GDeviceSession* TestOSServices::BindSession(const std::u16string& printer) {
  std::unique_ptr<Binding> binding = OpenBinding(printer);
  auto* session = reinterpret_cast<GDeviceSession*>(binding.get());
  std::lock_guard<std::mutex> hold(mutex_);
  bindings_[session] = std::move(binding);
  return session;
}

void TestOSServices::BindObject(GDeviceSession* session, const std::u16string& printer) {
  UnbindObject(session);
  std::unique_ptr<Binding> binding = OpenBinding(printer);
  std::lock_guard<std::mutex> hold(mutex_);
  bindings_[session] = std::move(binding);
}

void TestOSServices::UnbindObject(GDeviceSession* session) {
  std::unique_ptr<Binding> binding;
  {
    std::lock_guard<std::mutex> hold(mutex_);
    auto found = bindings_.find(session);
    if (found == bindings_.end()) {
      return;
    }
    binding = std::move(found->second);
    bindings_.erase(found);
  }
  CloseBinding(*binding);
}

HANDLE TestOSServices::PrinterHandle(GDeviceSession* session) const {
  std::lock_guard<std::mutex> hold(mutex_);
  auto found = bindings_.find(session);
  return found != bindings_.end() ? found->second->handle : nullptr;
}

void* TestOSServices::SessionDevice(GDeviceSession* session) const {
  std::lock_guard<std::mutex> hold(mutex_);
  auto found = bindings_.find(session);
  return found != bindings_.end() ? &found->second->device : nullptr;
}

int TestOSServices::FileReaderCount(const std::u16string& name) const {
  std::lock_guard<std::mutex> hold(mutex_);
  auto found = file_reads_.find(name);
  return found != file_reads_.end() ? found->second : 0;
}

GDeviceSession* TestOSServices::CreateUIDriverObject(const GPrinterKey& key) {
  return !kRender && make_ui_driver ? make_ui_driver(key) : nullptr;
}

GDeviceSession* TestOSServices::CreateRenderDevice(const GPrinterKey& key) {
  return kRender && make_render_device ? make_render_device(key) : nullptr;
}

GDeviceSession* TestOSServices::CreateSubstituteDevice(GDeviceSession* device) {
  return make_substitute ? make_substitute(device) : GOSServices::CreateSubstituteDevice(device);
}

GDeviceExtension* TestOSServices::CreateDeviceExtension(GRenderDevice* /*device*/) {
  return nullptr;
}

GOutputPort* TestOSServices::CreateOutputPort(GDeviceSession* device, const RWWString* argument,
                                              std::uint32_t flags) {
  return kRender && make_output_port ? make_output_port(device, argument, flags) : nullptr;
}

GBitmapFontManager* TestOSServices::CreateBitmapFontManager() {
  return nullptr;
}

GFontMetrics* TestOSServices::CreateFontMetrics() {
  return make_font_metrics ? make_font_metrics() : nullptr;
}

GCharTranslator* TestOSServices::CreateCharacterTranslator() {
  if (!kRender) {
    return nullptr;
  }
  return make_translator ? make_translator() : new (std::nothrow) TestCharTranslator;
}

GStreamReaderBase* TestOSServices::CreateMemoryReader(const std::uint8_t* data,
                                                      std::uint32_t length, std::int32_t format) {
  return new (std::nothrow) GStreamReader(data, length, format);
}

GStreamReaderBase* TestOSServices::CreateFileReader(const RWWString& name, std::int32_t format) {
  {
    std::lock_guard<std::mutex> hold(mutex_);
    ++file_reads_[Text(name)];
  }
  return new (std::nothrow) GStreamReader(name, format);
}

GStreamWriterBase* TestOSServices::CreateMemoryWriter(std::uint8_t* data, std::uint32_t capacity,
                                                      std::int32_t format) {
  memory_writers_.fetch_add(1);
  return new (std::nothrow) GStreamWriter(data, capacity, format);
}

GStreamWriterBase* TestOSServices::CreateFileWriter(const RWWString& name, std::int32_t format) {
  return new (std::nothrow) GStreamWriter(name, format);
}

GSemaphore* TestOSServices::CreateSemaphore() {
  if constexpr (kRender) {
    return engine_calls::CreateSemaphore();
  } else {
    HANDLE handle = CreateSemaphoreW(nullptr, 1, 1, nullptr);
    if (handle == nullptr) {
      return nullptr;
    }
    auto* lock = new (std::nothrow) Win32Semaphore(handle);
    if (lock == nullptr) {
      CloseHandle(handle);
    }
    return lock;
  }
}

RWWString& TestOSServices::GetDriverDataFileName(RWWString& out, GDeviceSession* session) {
  out = RWWString();
  if constexpr (kRender) {
    void* device = SessionDevice(session);
    const char16_t* name = device != nullptr ? engine_calls::DataFileName(device) : nullptr;
    if (name != nullptr) {
      out = RWWString(name);
    }
  } else {
    HANDLE printer = PrinterHandle(session);
    DWORD needed = 0;
    GetPrinterDriverW(printer, nullptr, 2, nullptr, 0, &needed);
    if (needed == 0) {
      return out;
    }
    std::vector<BYTE> buffer(needed);
    if (GetPrinterDriverW(printer, nullptr, 2, buffer.data(), needed, &needed)) {
      const auto* info = reinterpret_cast<const DRIVER_INFO_2W*>(buffer.data());
      if (info->pDataFile != nullptr) {
        out = RWWString(info->pDataFile);
      }
    }
  }
  return out;
}

GLocaleInfo* TestOSServices::CreateLocaleInfo() {
  if (make_locale) {
    return make_locale();
  }
  auto* locale = new (std::nothrow) GLocaleInfo;
  if (locale == nullptr || kRender) {
    return locale;
  }
  for (int i = 0; i < GLocaleInfo::kNumberCount; ++i) {
    const auto which = static_cast<GLocaleInfo::Number>(i);
    RWWString key;
    WidenString(GLocaleInfo::NumberKey(which), key);
    locale->SetNumber(which, static_cast<std::int32_t>(GetProfileIntW(
                                 u"Intl", key.Data(), GLocaleInfo::NumberDefault(which))));
  }
  for (int i = 0; i < GLocaleInfo::kTextCount; ++i) {
    const auto which = static_cast<GLocaleInfo::Text>(i);
    RWWString key;
    RWWString dflt;
    WidenString(GLocaleInfo::TextKey(which), key);
    WidenString(GLocaleInfo::TextDefault(which), dflt);
    char16_t buffer[128] = {};
    GetProfileStringW(u"Intl", key.Data(), dflt.Data(), buffer, 128);
    RWCString narrow;
    NarrowString(RWWString(buffer), narrow);
    locale->SetText(which, narrow.Data());
  }
  return locale;
}

RWWString& TestOSServices::GetTempDirectory(RWWString& out, GDeviceSession* session) {
  GetPrinterDataString(out, session, u"TempDirectoryLocation", RWWString());
  if (out.Length() != 0) {
    return out;
  }
  const char* directory = nullptr;
  if constexpr (!kRender) {
    directory = std::getenv("TMP");
    if (directory == nullptr) {
      directory = std::getenv("TEMP");
    }
  }
  if (directory == nullptr) {
    directory = "\\SystemRoot\\System32\\Spool\\Printers";
  }
  WidenString(directory, out);
  return out;
}

void TestOSServices::SeedRandom() {
  std::uint64_t clock = 0;
  if constexpr (kRender) {
    clock = engine_calls::LocalTime();
  }
  clock ^= static_cast<std::uint64_t>(
      std::chrono::steady_clock::now().time_since_epoch().count());
  vel::SeedRandomOnce(clock, static_cast<std::uint64_t>(getpid()));
}

std::int32_t TestOSServices::Random() {
  return vel::NextRandom();
}

std::int32_t TestOSServices::FileExists(const RWWString& name) {
  const std::u16string text = Text(name);
  HANDLE file =
      CreateFileW(text.c_str(), 0, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return 0;
  }
  CloseHandle(file);
  return 1;
}

std::int32_t TestOSServices::CreateEmptyFile(const RWWString& name) {
  const std::u16string text = Text(name);
  HANDLE file = CreateFileW(text.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return 0;
  }
  CloseHandle(file);
  return 1;
}

std::int32_t TestOSServices::SetPrinterDataNumber(GDeviceSession* session, const RWWString& name,
                                                  std::uint32_t value) {
  HandleSeam seam(PrinterHandle(session));
  return vel::SetPrinterDataNumber(seam, name, value);
}

std::int32_t TestOSServices::SetPrinterDataString(GDeviceSession* session, const RWWString& name,
                                                  const RWWString& value) {
  HandleSeam seam(PrinterHandle(session));
  return vel::SetPrinterDataString(seam, name, value);
}

std::int32_t TestOSServices::SetPrinterDataBinary(GDeviceSession* session, const RWWString& name,
                                                  const std::uint8_t* data, std::uint32_t size) {
  HandleSeam seam(PrinterHandle(session));
  return vel::SetPrinterDataBinary(seam, name, data, size);
}

std::uint32_t TestOSServices::GetPrinterDataNumber(GDeviceSession* session, const RWWString& name,
                                                   std::uint32_t dflt) {
  HandleSeam seam(PrinterHandle(session));
  return vel::GetPrinterDataNumber(seam, name, dflt);
}

RWWString& TestOSServices::GetPrinterDataString(RWWString& out, GDeviceSession* session,
                                                const RWWString& name, const RWWString& dflt) {
  HandleSeam seam(PrinterHandle(session));
  return vel::GetPrinterDataString(out, seam, name, dflt);
}

std::int32_t TestOSServices::GetPrinterDataBinary(GDeviceSession* session, const RWWString& name,
                                                  std::uint8_t* buffer, std::uint32_t capacity,
                                                  std::uint32_t* size_out) {
  HandleSeam seam(PrinterHandle(session));
  return vel::GetPrinterDataBinary(seam, name, buffer, capacity, size_out);
}

RWWString& TestOSServices::GetRegistryString(RWWString& out, const RWWString& key,
                                             const RWWString& value, const RWWString& dflt) {
  out = dflt;
  if constexpr (kRender) {
    return out;
  }
  HKEY opened = nullptr;
  const std::u16string path = Text(key);
  const std::u16string value_name = Text(value);
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &opened) != 0) {
    return out;
  }
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(opened, value_name.c_str(), nullptr, &type, nullptr, &size) == 0 &&
      type == REG_SZ && size > 0) {
    std::vector<BYTE> bytes(size + 2, 0);
    if (RegQueryValueExW(opened, value_name.c_str(), nullptr, &type, bytes.data(), &size) == 0) {
      std::u16string text;
      for (DWORD i = 0; i + 1 < size; i += 2) {
        const char16_t c = static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
        if (c == 0) {
          break;
        }
        text.push_back(c);
      }
      out = RWWString(text.data(), text.size());
    }
  }
  RegCloseKey(opened);
  return out;
}

std::uint32_t TestOSServices::GetRegistryNumber(const RWWString& key, const RWWString& value,
                                                std::uint32_t dflt) {
  if constexpr (kRender) {
    return dflt;
  }
  HKEY opened = nullptr;
  const std::u16string path = Text(key);
  const std::u16string value_name = Text(value);
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &opened) != 0) {
    return dflt;
  }
  DWORD type = 0;
  DWORD size = 4;
  BYTE bytes[4] = {};
  std::uint32_t result = dflt;
  if (RegQueryValueExW(opened, value_name.c_str(), nullptr, &type, bytes, &size) == 0 &&
      type == REG_DWORD && size == 4) {
    result = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
  }
  RegCloseKey(opened);
  return result;
}

std::int32_t TestOSServices::RegistryKeyExists(const RWWString& key) {
  if constexpr (kRender) {
    return 0;
  }
  HKEY opened = nullptr;
  const std::u16string path = Text(key);
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &opened) != 0) {
    return 0;
  }
  RegCloseKey(opened);
  return 1;
}

}  // namespace vel::test
