// Types, records and error codes that the Win32 and graphics-engine stand-ins share: integer types,
// 16-bit wide characters, pointer-sized handles, the geometry records, the Win32 error codes and
// registry value types the system uses, and the spooler's printer, form and DEVMODE records.
#pragma once

#include <cstddef>
#include <cstdint>

// Integer types of the platform. `LONG` and `ULONG` are 32-bit, as on the 32-bit platform.
using BOOL = std::int32_t;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using INT = std::int32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using ULONG_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using SIZE_T = std::size_t;

// Wide characters are 16-bit everywhere (UTF-16 code units).
using WCHAR = char16_t;
using PWSTR = WCHAR*;
using LPWSTR = WCHAR*;
using PCWSTR = const WCHAR*;
using LPCWSTR = const WCHAR*;
using PSTR = char*;
using LPSTR = char*;
using LPCSTR = const char*;
using PVOID = void*;
using LPVOID = void*;
using LPBYTE = BYTE*;
using PBYTE = BYTE*;
using LPDWORD = DWORD*;
using PULONG = ULONG*;
using LPCVOID = const void*;
using LANGID = WORD;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using LPARAM = LONG_PTR;
using WPARAM = UINT_PTR;

// Opaque handles are pointer-sized and never stored.
using HANDLE = void*;
using HWND = void*;
using HMODULE = void*;
using HINSTANCE = void*;
struct HKEY__;
using HKEY = HKEY__*;
struct HRSRC__;
using HRSRC = HRSRC__*;
using HGLOBAL = void*;
// Any function; callers cast it to its real type (void (*)() casts without warnings).
using FARPROC = void (*)();

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;

struct POINTL {
  LONG x;
  LONG y;
};

struct SIZEL {
  LONG cx;
  LONG cy;
};

struct RECTL {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};

// A logical font, as the engine's DEVINFO and GDI's font calls take it.
inline constexpr int LF_FACESIZE = 32;

struct LOGFONTW {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  WCHAR lfFaceName[LF_FACESIZE];
};

// Win32 error codes (GetLastError values and the results of the spooler's data calls).
inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
inline constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
inline constexpr DWORD ERROR_ACCESS_DENIED = 5;
inline constexpr DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr DWORD ERROR_INVALID_DATA = 13;
inline constexpr DWORD ERROR_WRITE_FAULT = 29;
inline constexpr DWORD ERROR_GEN_FAILURE = 31;
inline constexpr DWORD ERROR_NOT_SUPPORTED = 50;
inline constexpr DWORD ERROR_FILE_EXISTS = 80;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr DWORD ERROR_INVALID_NAME = 123;
inline constexpr DWORD ERROR_INVALID_LEVEL = 124;
inline constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
inline constexpr DWORD ERROR_PROC_NOT_FOUND = 127;
inline constexpr DWORD ERROR_BAD_EXE_FORMAT = 193;
inline constexpr DWORD ERROR_ALREADY_EXISTS = 183;
inline constexpr DWORD ERROR_MORE_DATA = 234;
inline constexpr DWORD ERROR_NO_MORE_ITEMS = 259;
inline constexpr DWORD ERROR_NO_UNICODE_TRANSLATION = 1113;
inline constexpr DWORD ERROR_DLL_INIT_FAILED = 1114;
inline constexpr DWORD ERROR_CANCELLED = 1223;
inline constexpr DWORD ERROR_INVALID_PRINTER_NAME = 1801;
inline constexpr DWORD ERROR_RESOURCE_DATA_NOT_FOUND = 1812;
inline constexpr DWORD ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;
inline constexpr DWORD ERROR_RESOURCE_NAME_NOT_FOUND = 1814;
inline constexpr DWORD ERROR_RESOURCE_LANG_NOT_FOUND = 1815;
inline constexpr DWORD ERROR_NOT_ENOUGH_QUOTA = 1816;
inline constexpr DWORD ERROR_INVALID_FORM_NAME = 1902;

// Registry and printer-data value types.
inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;

// Access and attribute words that both the Win32 file calls and the engine's native file calls
// take (one definition, so the two headers can meet in one unit).
inline constexpr DWORD GENERIC_READ = 0x80000000;
inline constexpr DWORD GENERIC_WRITE = 0x40000000;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr DWORD REG_MULTI_SZ = 7;

// The public part of the device-mode record (spec version 0x401), 220 bytes. The driver's private
// part (dmDriverExtra bytes) follows it in memory; dmSize + dmDriverExtra is the whole record.
struct DEVMODEW {
  WCHAR dmDeviceName[32];  //   0
  WORD dmSpecVersion;      //  64
  WORD dmDriverVersion;    //  66
  WORD dmSize;             //  68
  WORD dmDriverExtra;      //  70
  DWORD dmFields;          //  72
  SHORT dmOrientation;     //  76
  SHORT dmPaperSize;       //  78
  SHORT dmPaperLength;     //  80
  SHORT dmPaperWidth;      //  82
  SHORT dmScale;           //  84
  SHORT dmCopies;          //  86
  SHORT dmDefaultSource;   //  88
  SHORT dmPrintQuality;    //  90
  SHORT dmColor;           //  92
  SHORT dmDuplex;          //  94
  SHORT dmYResolution;     //  96
  SHORT dmTTOption;        //  98
  SHORT dmCollate;         // 100
  WCHAR dmFormName[32];    // 102
  WORD dmLogPixels;        // 166
  DWORD dmBitsPerPel;      // 168
  DWORD dmPelsWidth;       // 172
  DWORD dmPelsHeight;      // 176
  DWORD dmDisplayFlags;    // 180
  DWORD dmDisplayFrequency;  // 184
  DWORD dmICMMethod;       // 188
  DWORD dmICMIntent;       // 192
  DWORD dmMediaType;       // 196
  DWORD dmDitherType;      // 200
  DWORD dmReserved1;       // 204
  DWORD dmReserved2;       // 208
  DWORD dmPanningWidth;    // 212
  DWORD dmPanningHeight;   // 216
};
static_assert(sizeof(DEVMODEW) == 220);
static_assert(offsetof(DEVMODEW, dmDeviceName) == 0);
static_assert(offsetof(DEVMODEW, dmSpecVersion) == 64);
static_assert(offsetof(DEVMODEW, dmDriverVersion) == 66);
static_assert(offsetof(DEVMODEW, dmSize) == 68);
static_assert(offsetof(DEVMODEW, dmDriverExtra) == 70);
static_assert(offsetof(DEVMODEW, dmFields) == 72);
static_assert(offsetof(DEVMODEW, dmOrientation) == 76);
static_assert(offsetof(DEVMODEW, dmPaperSize) == 78);
static_assert(offsetof(DEVMODEW, dmPaperLength) == 80);
static_assert(offsetof(DEVMODEW, dmPaperWidth) == 82);
static_assert(offsetof(DEVMODEW, dmScale) == 84);
static_assert(offsetof(DEVMODEW, dmCopies) == 86);
static_assert(offsetof(DEVMODEW, dmDefaultSource) == 88);
static_assert(offsetof(DEVMODEW, dmPrintQuality) == 90);
static_assert(offsetof(DEVMODEW, dmColor) == 92);
static_assert(offsetof(DEVMODEW, dmDuplex) == 94);
static_assert(offsetof(DEVMODEW, dmYResolution) == 96);
static_assert(offsetof(DEVMODEW, dmTTOption) == 98);
static_assert(offsetof(DEVMODEW, dmCollate) == 100);
static_assert(offsetof(DEVMODEW, dmFormName) == 102);
static_assert(offsetof(DEVMODEW, dmLogPixels) == 166);
static_assert(offsetof(DEVMODEW, dmBitsPerPel) == 168);
static_assert(offsetof(DEVMODEW, dmPelsWidth) == 172);
static_assert(offsetof(DEVMODEW, dmPelsHeight) == 176);
static_assert(offsetof(DEVMODEW, dmDisplayFlags) == 180);
static_assert(offsetof(DEVMODEW, dmDisplayFrequency) == 184);
static_assert(offsetof(DEVMODEW, dmICMMethod) == 188);
static_assert(offsetof(DEVMODEW, dmICMIntent) == 192);
static_assert(offsetof(DEVMODEW, dmMediaType) == 196);
static_assert(offsetof(DEVMODEW, dmDitherType) == 200);
static_assert(offsetof(DEVMODEW, dmReserved1) == 204);
static_assert(offsetof(DEVMODEW, dmReserved2) == 208);
static_assert(offsetof(DEVMODEW, dmPanningWidth) == 212);
static_assert(offsetof(DEVMODEW, dmPanningHeight) == 216);
using DEVMODE = DEVMODEW;
using PDEVMODEW = DEVMODEW*;
using LPDEVMODEW = DEVMODEW*;

inline constexpr DWORD DM_ORIENTATION = 0x1;
inline constexpr DWORD DM_PAPERSIZE = 0x2;
inline constexpr DWORD DM_PAPERLENGTH = 0x4;
inline constexpr DWORD DM_PAPERWIDTH = 0x8;
inline constexpr DWORD DM_SCALE = 0x10;
inline constexpr DWORD DM_COPIES = 0x100;
inline constexpr DWORD DM_DEFAULTSOURCE = 0x200;
inline constexpr DWORD DM_PRINTQUALITY = 0x400;
inline constexpr DWORD DM_COLOR = 0x800;
inline constexpr DWORD DM_DUPLEX = 0x1000;
inline constexpr DWORD DM_YRESOLUTION = 0x2000;
inline constexpr DWORD DM_TTOPTION = 0x4000;
inline constexpr DWORD DM_COLLATE = 0x8000;
inline constexpr DWORD DM_FORMNAME = 0x10000;

// A printer as the spooler describes it (information level 2). The strings and the DEVMODE that
// the pointers reach are packed after the record in the caller's buffer.
struct PRINTER_INFO_2W {
  LPWSTR pServerName;
  LPWSTR pPrinterName;
  LPWSTR pShareName;
  LPWSTR pPortName;
  LPWSTR pDriverName;
  LPWSTR pComment;
  LPWSTR pLocation;
  DEVMODEW* pDevMode;
  LPWSTR pSepFile;
  LPWSTR pPrintProcessor;
  LPWSTR pDatatype;
  LPWSTR pParameters;
  void* pSecurityDescriptor;
  DWORD Attributes;
  DWORD Priority;
  DWORD DefaultPriority;
  DWORD StartTime;
  DWORD UntilTime;
  DWORD Status;
  DWORD cJobs;
  DWORD AveragePPM;
};
using PRINTER_INFO_2 = PRINTER_INFO_2W;

// A spooler form (information level 1): sizes and the imageable area in micrometres.
struct FORM_INFO_1W {
  DWORD Flags;
  LPWSTR pName;
  SIZEL Size;
  RECTL ImageableArea;
};
using FORM_INFO_1 = FORM_INFO_1W;

inline constexpr DWORD FORM_USER = 0;
inline constexpr DWORD FORM_BUILTIN = 1;
inline constexpr DWORD FORM_PRINTER = 2;
