// Stand-in Win32 spooler calls over the process's printer store (platform/spooler/): printer
// handles with the access they were granted, printers, the driver record, printer data and forms.
// Names and records the calls only read are const, so literals and LPWSTR both pass.
// Buffers follow the platform's size protocol: a short (or null) buffer gives FALSE, 122 and the
// bytes needed; a record is packed into the caller's buffer with the strings (and the DEVMODE)
// it points to.
#pragma once

#include "platform/PlatformTypes.h"

using ACCESS_MASK = DWORD;

inline constexpr ACCESS_MASK PRINTER_ACCESS_ADMINISTER = 0x4;
inline constexpr ACCESS_MASK PRINTER_ACCESS_USE = 0x8;
inline constexpr ACCESS_MASK PRINTER_ALL_ACCESS = 0xF000C;

struct PRINTER_DEFAULTSW {
  LPWSTR pDatatype;
  DEVMODEW* pDevMode;
  ACCESS_MASK DesiredAccess;
};

// The printer's driver (information level 2).
struct DRIVER_INFO_2W {
  DWORD cVersion;
  LPWSTR pName;
  LPWSTR pEnvironment;
  LPWSTR pDriverPath;
  LPWSTR pDataFile;
  LPWSTR pConfigFile;
};

struct DRIVER_INFO_1W {
  LPWSTR pName;
};

// A document as StartDoc receives it.
struct DOCINFOW {
  INT cbSize;
  LPCWSTR lpszDocName;
  LPCWSTR lpszOutput;
  LPCWSTR lpszDatatype;
  DWORD fwType;
};

// Opens a printer by name. Without defaults (or with access 0) the handle gets
// PRINTER_ACCESS_USE; administer access (PRINTER_ALL_ACCESS or PRINTER_ACCESS_ADMINISTER) only
// when the user is an administrator (the store's switch, vel::platform::spooler::
// SetUserIsAdministrator; else FALSE and 5). Unknown printer: FALSE and 1801.
BOOL OpenPrinterW(LPCWSTR printer_name, HANDLE* printer, PRINTER_DEFAULTSW* defaults);
BOOL ClosePrinter(HANDLE printer);

// Level 2: PRINTER_INFO_2W with the names and the stored DEVMODE packed after it (other pointer
// fields null, numbers 0 but Attributes).
BOOL GetPrinterW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed);
// Level 2 needs administer access (else 5): stores the port, driver name and attributes of the
// record and dmSize + dmDriverExtra bytes of pDevMode (a null pDevMode keeps the stored one).
// Level 0 with a command is accepted and does nothing.
BOOL SetPrinterW(HANDLE printer, DWORD level, const BYTE* buffer, DWORD command);
// Levels 1 and 2 (cVersion 2, environment "Windows NT x86").
BOOL GetPrinterDriverW(HANDLE printer,
                       LPCWSTR environment,
                       DWORD level,
                       LPBYTE buffer,
                       DWORD size,
                       LPDWORD needed);

// Results are error codes: 0; 234 with the type and the size needed when the buffer is short (a
// null buffer of size 0 is the size probe); 2 when the value is missing; 6 for a bad handle. A
// zero-length value answers 0 with size 0.
DWORD GetPrinterDataW(HANDLE printer,
                      LPCWSTR value_name,
                      LPDWORD type,
                      LPBYTE data,
                      DWORD size,
                      LPDWORD needed);
// 5 on a handle without administer access (or a read-only store).
DWORD SetPrinterDataW(HANDLE printer, LPCWSTR value_name, DWORD type, const BYTE* data, DWORD size);

// Forms (level 1): the built-in forms in paper-code order (position + 1 is the paper code), then
// the added forms in the order of addition. Names compare ignoring case.
BOOL EnumFormsW(HANDLE printer,
                DWORD level,
                LPBYTE buffer,
                DWORD size,
                LPDWORD needed,
                LPDWORD returned);
// 1902 for a missing form.
BOOL GetFormW(HANDLE printer,
              LPCWSTR form_name,
              DWORD level,
              LPBYTE buffer,
              DWORD size,
              LPDWORD needed);
// 80 when the name exists; the store's limit on added forms refuses with 1816.
BOOL AddFormW(HANDLE printer, DWORD level, const BYTE* form);
// Refused for built-in forms (5); 1902 for a missing form.
BOOL SetFormW(HANDLE printer, LPCWSTR form_name, DWORD level, const BYTE* form);
// Refused for built-in forms (5); later forms move down one position.
BOOL DeleteFormW(HANDLE printer, LPCWSTR form_name);
