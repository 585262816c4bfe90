// The records and entry types of the printer driver's UI functions, as the spooler and the
// applications call them in the configuration (UI) module. Records that carry pointers have
// natural field types in the platform's field order.
#pragma once

#include "platform/PlatformTypes.h"

// What DocumentPropertiesW hands the driver's document sheet.
struct DOCUMENTPROPERTYHEADER {
  WORD cbSize;
  WORD Reserved;
  HANDLE hPrinter;
  LPWSTR pszPrinterName;
  DEVMODEW* pdmIn;
  DEVMODEW* pdmOut;
  DWORD cbOut;
  DWORD fMode;
};

// What PrinterProperties hands the driver's device sheet.
struct DEVICEPROPERTYHEADER {
  WORD cbSize;
  WORD Flags;
  HANDLE hPrinter;
  LPWSTR pszPrinterName;
};
inline constexpr WORD DPS_NOPERMISSION = 0x1;

// The print-time check of a DEVMODE.
struct DEVQUERYPRINT_INFO {
  WORD cbSize;
  WORD Level;
  HANDLE hPrinter;
  DEVMODEW* pDevMode;
  LPWSTR pszErrorStr;
  DWORD cchErrorStr;
  DWORD cchNeeded;
};

struct DRIVER_UPGRADE_INFO_1W {
  LPWSTR pPrinterName;
  LPWSTR pOldDriverDirectory;
};

// DocumentProperties modes and the DEVMODE conversion modes.
inline constexpr DWORD DM_UPDATE = 1;
inline constexpr DWORD DM_COPY = 2;
inline constexpr DWORD DM_PROMPT = 4;
inline constexpr DWORD DM_MODIFY = 8;
inline constexpr DWORD DM_OUT_BUFFER = DM_COPY;
inline constexpr DWORD DM_IN_PROMPT = DM_PROMPT;
inline constexpr DWORD DM_IN_BUFFER = DM_MODIFY;
inline constexpr DWORD DM_OUT_DEFAULT = DM_UPDATE;
inline constexpr DWORD DM_ADVANCED = 0x10;
inline constexpr DWORD DM_NOPERMISSION = 0x20;
inline constexpr DWORD DM_USER_DEFAULT = 0x40;
inline constexpr DWORD CDM_CONVERT = 1;
inline constexpr DWORD CDM_CONVERT351 = 2;
inline constexpr DWORD CDM_DRIVER_DEFAULT = 4;

// The driver's exports that the spooler calls, by their names in the configuration module.
using DrvDocumentPropertiesFunction = LONG (*)(HWND window,
                                               HANDLE printer,
                                               LPWSTR device_name,
                                               DEVMODEW* output,
                                               DEVMODEW* input,
                                               DWORD mode);
using DrvAdvancedDocumentPropertiesFunction =
    LONG (*)(HWND window, HANDLE printer, LPWSTR device_name, DEVMODEW* output, DEVMODEW* input);
using PrinterPropertiesFunction = BOOL (*)(HWND window, HANDLE printer);
using DrvDeviceCapabilitiesFunction =
    DWORD (*)(HANDLE printer, LPWSTR device_name, WORD capability, void* output, DEVMODEW* devmode);
using DrvConvertDevModeFunction =
    BOOL (*)(LPWSTR printer_name, DEVMODEW* input, DEVMODEW* output, LONG* needed, DWORD mode);
using DevQueryPrintExFunction = BOOL (*)(DEVQUERYPRINT_INFO* info);
using DrvUpgradePrinterFunction = BOOL (*)(DWORD level, LPBYTE info);
using DrvPrinterEventFunction = BOOL (*)(LPWSTR printer_name,
                                         INT event,
                                         DWORD flags,
                                         LPARAM lparam);
