// The spooler's side of the printer driver's UI functions.
#include "platform/win32/spoolui.h"

#include <optional>
#include <string>

#include "platform/CallLog.h"
#include "platform/WideText.h"
#include "platform/spooler/PrinterStore.h"
#include "platform/win32/loader.h"
#include "platform/win32/text.h"
#include "platform/win32/winspool.h"

namespace spooler = vel::platform::spooler;

namespace {

// The configuration module of a printer, loaded for one call; the export found by name.
class ConfigModule {
 public:
  ConfigModule(std::optional<std::u16string> printer_name, const char* export_name) {
    if (vel::platform::ShouldFail(export_name)) {
      SetLastError(ERROR_GEN_FAILURE);
      return;
    }
    std::optional<spooler::PrinterRecord> record =
        printer_name ? spooler::GetPrinter(*printer_name) : std::nullopt;
    if (!record) {
      SetLastError(printer_name ? ERROR_INVALID_PRINTER_NAME : ERROR_INVALID_HANDLE);
      return;
    }
    module_ = LoadLibraryW(record->config_file.c_str());
    if (module_ != nullptr) {
      function_ = GetProcAddress(module_, export_name);
    }
  }
  ~ConfigModule() {
    if (module_ != nullptr) {
      // The free must not hide the error of the call.
      const DWORD error = GetLastError();
      FreeLibrary(module_);
      SetLastError(error);
    }
  }
  ConfigModule(const ConfigModule&) = delete;
  ConfigModule& operator=(const ConfigModule&) = delete;

  template <typename Function>
  Function Get() const {
    return reinterpret_cast<Function>(function_);
  }

 private:
  HMODULE module_ = nullptr;
  FARPROC function_ = nullptr;
};

std::optional<std::u16string> NameOf(HANDLE printer) {
  return spooler::HandlePrinterName(printer);
}

// A handle for the call: the caller's, or one opened by the device name and closed afterwards.
class CallHandle {
 public:
  CallHandle(HANDLE printer, LPCWSTR device_name) : handle_(printer) {
    if (handle_ == nullptr && device_name != nullptr) {
      std::u16string name(device_name);
      if (OpenPrinterW(name.data(), &handle_, nullptr)) {
        opened_ = true;
      }
    }
  }
  ~CallHandle() {
    if (opened_) {
      const DWORD error = GetLastError();
      ClosePrinter(handle_);
      SetLastError(error);
    }
  }
  CallHandle(const CallHandle&) = delete;
  CallHandle& operator=(const CallHandle&) = delete;
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_ = nullptr;
  bool opened_ = false;
};

std::string Name(LPCWSTR name) {
  return vel::platform::LogText(name);
}

}  // namespace

LONG DocumentPropertiesW(HWND window,
                         HANDLE printer,
                         LPWSTR device_name,
                         DEVMODEW* output,
                         DEVMODEW* input,
                         DWORD mode) {
  CallHandle handle(printer, device_name);
  LONG result = -1;
  {
    ConfigModule module(NameOf(handle.Get()), "DrvDocumentProperties");
    if (auto function = module.Get<DrvDocumentPropertiesFunction>()) {
      result = function(window, handle.Get(), device_name, output, input, mode);
    }
  }
  vel::platform::LogCall("DocumentPropertiesW(" + Name(device_name) + ", " + std::to_string(mode) +
                         ") = " + std::to_string(result));
  return result;
}

LONG AdvancedDocumentPropertiesW(HWND window,
                                 HANDLE printer,
                                 LPWSTR device_name,
                                 DEVMODEW* output,
                                 DEVMODEW* input) {
  CallHandle handle(printer, device_name);
  LONG result = 0;
  {
    ConfigModule module(NameOf(handle.Get()), "DrvAdvancedDocumentProperties");
    if (auto function = module.Get<DrvAdvancedDocumentPropertiesFunction>()) {
      result = function(window, handle.Get(), device_name, output, input);
    }
  }
  vel::platform::LogCall("AdvancedDocumentPropertiesW(" + Name(device_name) +
                         ") = " + std::to_string(result));
  return result;
}

BOOL PrinterProperties(HWND window, HANDLE printer) {
  BOOL result = FALSE;
  {
    ConfigModule module(NameOf(printer), "PrinterProperties");
    if (auto function = module.Get<PrinterPropertiesFunction>()) {
      result = function(window, printer);
    }
  }
  const std::optional<std::u16string> name = NameOf(printer);
  vel::platform::LogCall("PrinterProperties(" +
                         (name ? vel::platform::ToUtf8(*name) : std::string("(bad handle)")) +
                         ") = " + std::to_string(result));
  return result;
}

INT DeviceCapabilitiesW(LPCWSTR device,
                        LPCWSTR,
                        WORD capability,
                        LPWSTR output,
                        const DEVMODEW* devmode) {
  CallHandle handle(nullptr, device);
  INT result = -1;
  if (handle.Get() != nullptr) {
    ConfigModule module(NameOf(handle.Get()), "DrvDeviceCapabilities");
    if (auto function = module.Get<DrvDeviceCapabilitiesFunction>()) {
      std::u16string name(device);
      result = static_cast<INT>(
          function(handle.Get(), name.data(), capability, output, const_cast<DEVMODEW*>(devmode)));
    }
  }
  vel::platform::LogCall("DeviceCapabilitiesW(" + Name(device) + ", " + std::to_string(capability) +
                         ") = " + std::to_string(result));
  return result;
}

namespace vel::platform {

BOOL SpoolerConvertDevMode(LPWSTR printer_name,
                           DEVMODEW* input,
                           DEVMODEW* output,
                           LONG* needed,
                           DWORD mode) {
  BOOL result = FALSE;
  {
    ConfigModule module(
        printer_name != nullptr ? std::optional<std::u16string>(printer_name) : std::nullopt,
        "DrvConvertDevMode");
    if (auto function = module.Get<DrvConvertDevModeFunction>()) {
      result = function(printer_name, input, output, needed, mode);
    }
  }
  LogCall("DrvConvertDevMode(" + Name(printer_name) + ", " + std::to_string(mode) +
          ") = " + std::to_string(result));
  return result;
}

BOOL SpoolerDevQueryPrintEx(DEVQUERYPRINT_INFO* info) {
  BOOL result = FALSE;
  {
    ConfigModule module(info != nullptr ? NameOf(info->hPrinter) : std::nullopt, "DevQueryPrintEx");
    if (auto function = module.Get<DevQueryPrintExFunction>()) {
      result = function(info);
    }
  }
  LogCall("DevQueryPrintEx = " + std::to_string(result));
  return result;
}

BOOL SpoolerUpgradePrinter(LPWSTR printer_name, DWORD level, LPBYTE info) {
  BOOL result = FALSE;
  {
    ConfigModule module(
        printer_name != nullptr ? std::optional<std::u16string>(printer_name) : std::nullopt,
        "DrvUpgradePrinter");
    if (auto function = module.Get<DrvUpgradePrinterFunction>()) {
      result = function(level, info);
    }
  }
  LogCall("DrvUpgradePrinter(" + Name(printer_name) + ", " + std::to_string(level) +
          ") = " + std::to_string(result));
  return result;
}

BOOL SpoolerPrinterEvent(LPWSTR printer_name, INT event, DWORD flags, LPARAM lparam) {
  BOOL result = FALSE;
  {
    ConfigModule module(
        printer_name != nullptr ? std::optional<std::u16string>(printer_name) : std::nullopt,
        "DrvPrinterEvent");
    if (auto function = module.Get<DrvPrinterEventFunction>()) {
      result = function(printer_name, event, flags, lparam);
    }
  }
  LogCall("DrvPrinterEvent(" + Name(printer_name) + ", " + std::to_string(event) +
          ") = " + std::to_string(result));
  return result;
}

}  // namespace vel::platform
