// The spooler's side of the printer driver's UI functions: each call finds the printer's
// configuration module (the store's config_file path), loads it through the loader, calls its
// export and frees it again, logging the call and its result. The fixture calls at the end do the
// same for what the spooler calls on its own.
//
// Kept apart from winspool.h because the configuration module exports a function of the same
// name as PrinterProperties.
#pragma once

#include "platform/PlatformTypes.h"
#include "platform/win32/winddiui.h"

// DrvDocumentProperties of the printer's module; a null printer handle is opened by the device
// name for the call. -1 with the loader's error when the module or export is missing, or 6 for a
// bad handle.
LONG DocumentPropertiesW(HWND window,
                         HANDLE printer,
                         LPWSTR device_name,
                         DEVMODEW* output,
                         DEVMODEW* input,
                         DWORD mode);
// DrvAdvancedDocumentProperties; 0 when it cannot be called.
LONG AdvancedDocumentPropertiesW(HWND window,
                                 HANDLE printer,
                                 LPWSTR device_name,
                                 DEVMODEW* output,
                                 DEVMODEW* input);
// The module's PrinterProperties export; FALSE when it cannot be called.
BOOL PrinterProperties(HWND window, HANDLE printer);
// Opens the printer by name, calls DrvDeviceCapabilities and closes it; -1 when it cannot.
INT DeviceCapabilitiesW(LPCWSTR device,
                        LPCWSTR port,
                        WORD capability,
                        LPWSTR output,
                        const DEVMODEW* devmode);

namespace vel::platform {

// What the spooler calls in the printer's configuration module on its own: FALSE (and the
// loader's error) when the module or the export is missing.
BOOL SpoolerConvertDevMode(LPWSTR printer_name,
                           DEVMODEW* input,
                           DEVMODEW* output,
                           LONG* needed,
                           DWORD mode);
// The module of info->hPrinter's printer.
BOOL SpoolerDevQueryPrintEx(DEVQUERYPRINT_INFO* info);
BOOL SpoolerUpgradePrinter(LPWSTR printer_name, DWORD level, LPBYTE info);
BOOL SpoolerPrinterEvent(LPWSTR printer_name, INT event, DWORD flags, LPARAM lparam);

}  // namespace vel::platform
