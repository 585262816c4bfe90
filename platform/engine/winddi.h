// Stand-in for the graphics engine services that the kernel-mode module calls: engine memory,
// semaphores, last error, local time, code pages, floating-point objects, data modules, the
// built-in system image with its native file functions, printers and debug output.
//
// Every call writes one line to the platform's call log and can be made to fail through its
// switch (platform/CallLog.h), except the calls that run once per item (FLOATOBJ_*, engine memory,
// semaphore acquire and release), which keep counters and ledgers instead and are logged only
// under full logging (platform/engine/EngineFixture.h).
#pragma once

#include <cstdarg>
#include <cstring>

#include "platform/PlatformTypes.h"

// --- Handles ----------------------------------------------------------------------------------

struct HSEMAPHORE__;
using HSEMAPHORE = HSEMAPHORE__*;
struct HDEV__;
using HDEV = HDEV__*;

// --- Engine memory ----------------------------------------------------------------------------

inline constexpr ULONG FL_ZERO_MEMORY = 0x1;
inline constexpr ULONG FL_NONPAGED_MEMORY = 0x2;

// Allocates `cj` bytes charged to the pool `tag`. Without FL_ZERO_MEMORY the block is filled with
// a non-zero pattern (0xE5). Null when the memory cannot be had (or the switch fails the call).
PVOID EngAllocMem(ULONG flags, ULONG cj, ULONG tag);
// Frees a block of EngAllocMem; null does nothing.
void EngFreeMem(PVOID block);

// --- Semaphores -------------------------------------------------------------------------------

// An engine semaphore is a recursive lock: the owning thread may acquire it again. Acquiring or
// releasing a null semaphore (a creation that failed and was not checked) does nothing and is
// recorded in the ledger, as are a release by a thread that does not hold the semaphore (refused)
// and a deletion while it is held.
HSEMAPHORE EngCreateSemaphore();
void EngAcquireSemaphore(HSEMAPHORE semaphore);
void EngReleaseSemaphore(HSEMAPHORE semaphore);
void EngDeleteSemaphore(HSEMAPHORE semaphore);

// --- Last error and local time ----------------------------------------------------------------

// One value per thread, 0 until set.
ULONG EngGetLastError();
void EngSetLastError(ULONG error);

struct ENG_TIME_FIELDS {
  USHORT usYear;
  USHORT usMonth;
  USHORT usDay;
  USHORT usHour;
  USHORT usMinute;
  USHORT usSecond;
  USHORT usMilliseconds;
  USHORT usWeekday;  // 0 Sunday
};
using PENG_TIME_FIELDS = ENG_TIME_FIELDS*;

// The local time of the engine's clock, which the host sets; 2000-01-01 00:00:00.000 (a
// Saturday, weekday 6) until it does.
void EngQueryLocalTime(PENG_TIME_FIELDS time);

// --- Code pages -------------------------------------------------------------------------------

// Code pages 874, 932, 936, 949, 950, 1250-1257 and 1361; 0 is the system ANSI code page, which
// the host sets (1252 by default). Sizes are in bytes on both sides. Output is cut at the buffer
// (never in the middle of a character) and gets no terminator; an unmappable character becomes
// the code page's default character. The result is the bytes written, or -1 for an unknown code
// page or a bad argument.
INT EngMultiByteToWideChar(UINT code_page, LPWSTR wide, INT wide_bytes, LPSTR multi_byte,
                           INT multi_byte_bytes);
INT EngWideCharToMultiByte(UINT code_page, LPWSTR wide, INT wide_bytes, LPSTR multi_byte,
                           INT multi_byte_bytes);
// The same in the system ANSI code page; the bytes written go to the count argument (when not
// null).
void EngMultiByteToUnicodeN(LPWSTR unicode, ULONG max_unicode_bytes, PULONG unicode_bytes,
                            char* multi_byte, ULONG multi_byte_bytes);
void EngUnicodeToMultiByteN(char* multi_byte, ULONG max_multi_byte_bytes, PULONG multi_byte_bytes,
                            PWSTR unicode, ULONG unicode_bytes);

// --- Floating-point objects -------------------------------------------------------------------

// A FLOATOBJ is 8 opaque bytes (the size of two 32-bit words) that hold a double. A FLOATL is a
// single-precision value passed as its 32-bit IEEE pattern. The operations keep no state, take
// no lock and write no log: every real of the render module passes through them.
struct FLOATOBJ {
  // Opaque to drivers: they copy the whole object and use it only through FLOATOBJ_*.
  double value_;
};
using PFLOATOBJ = FLOATOBJ*;
using FLOATL = LONG;
static_assert(sizeof(FLOATOBJ) == sizeof(double));

struct FLOATOBJ_XFORM {
  FLOATOBJ eM11;
  FLOATOBJ eM12;
  FLOATOBJ eM21;
  FLOATOBJ eM22;
  FLOATOBJ eDx;
  FLOATOBJ eDy;
};
using PFLOATOBJ_XFORM = FLOATOBJ_XFORM*;

namespace vel::platform::engine_detail {

inline double Load(const FLOATOBJ* f) { return f->value_; }

inline void Store(FLOATOBJ* f, double value) { f->value_ = value; }

}  // namespace vel::platform::engine_detail

// Sets the object from the single-precision value whose pattern `e` holds.
inline void FLOATOBJ_SetFloat(PFLOATOBJ f, FLOATL e) {
  float value;
  std::memcpy(&value, &e, sizeof value);
  vel::platform::engine_detail::Store(f, value);
}

inline void FLOATOBJ_SetLong(PFLOATOBJ f, LONG l) {
  vel::platform::engine_detail::Store(f, static_cast<double>(l));
}

// The value rounded to the nearest single, as its 32-bit pattern.
inline FLOATL FLOATOBJ_GetFloat(PFLOATOBJ f) {
  auto value = static_cast<float>(vel::platform::engine_detail::Load(f));
  FLOATL e;
  std::memcpy(&e, &value, sizeof e);
  return e;
}

// The value truncated toward zero, saturated at the 32-bit limits; NaN gives 0.
inline LONG FLOATOBJ_GetLong(PFLOATOBJ f) {
  double value = vel::platform::engine_detail::Load(f);
  if (!(value == value)) {
    return 0;
  }
  if (value >= 2147483647.0) {
    return 2147483647;
  }
  if (value <= -2147483648.0) {
    return -2147483647 - 1;
  }
  return static_cast<LONG>(value);
}

// The arithmetic works on its first operand in place.
inline void FLOATOBJ_Add(PFLOATOBJ f, PFLOATOBJ g) {
  using namespace vel::platform::engine_detail;
  Store(f, Load(f) + Load(g));
}

inline void FLOATOBJ_Sub(PFLOATOBJ f, PFLOATOBJ g) {
  using namespace vel::platform::engine_detail;
  Store(f, Load(f) - Load(g));
}

inline void FLOATOBJ_Mul(PFLOATOBJ f, PFLOATOBJ g) {
  using namespace vel::platform::engine_detail;
  Store(f, Load(f) * Load(g));
}

inline void FLOATOBJ_Div(PFLOATOBJ f, PFLOATOBJ g) {
  using namespace vel::platform::engine_detail;
  Store(f, Load(f) / Load(g));
}

inline void FLOATOBJ_Neg(PFLOATOBJ f) {
  using namespace vel::platform::engine_detail;
  Store(f, -Load(f));
}

// --- Data modules -----------------------------------------------------------------------------

// Names are Windows, NT or POSIX names (platform/PathMap.h).
// A read-only view of an existing file; 0 when the file is missing. A 0-byte file gives a view
// of size 0.
HANDLE EngLoadModule(LPWSTR name);
// A writable view of the file, which is opened or created. With `cj` above 0 the file becomes
// exactly `cj` bytes long (grown with zeros or shrunk); with 0 it keeps its length. The view's
// size is the file's length.
HANDLE EngLoadModuleForWrite(LPWSTR name, ULONG cj);
// The view's address and size.
PVOID EngMapModule(HANDLE module, PULONG size);
// Writes back, unmaps and closes.
void EngFreeModule(HANDLE module);

// --- System images ----------------------------------------------------------------------------

// The engine knows one image, "ntdll.dll" (the name matched ignoring case, with or without a
// folder), holding the native file functions and run-time helpers below.
HANDLE EngLoadImage(LPWSTR name);
PVOID EngFindImageProcAddress(HANDLE image, LPSTR name);
void EngUnloadImage(HANDLE image);

// --- Native file functions (reached through the image) ----------------------------------------

using NTSTATUS = LONG;
using ACCESS_MASK = ULONG;
using BOOLEAN = BYTE;
using PHANDLE = HANDLE*;

inline constexpr NTSTATUS STATUS_SUCCESS = 0;
inline constexpr NTSTATUS STATUS_BUFFER_OVERFLOW = static_cast<NTSTATUS>(0x80000005);
inline constexpr NTSTATUS STATUS_INVALID_INFO_CLASS = static_cast<NTSTATUS>(0xC0000003);
inline constexpr NTSTATUS STATUS_INFO_LENGTH_MISMATCH = static_cast<NTSTATUS>(0xC0000004);
inline constexpr NTSTATUS STATUS_INVALID_HANDLE = static_cast<NTSTATUS>(0xC0000008);
inline constexpr NTSTATUS STATUS_INVALID_PARAMETER = static_cast<NTSTATUS>(0xC000000D);
inline constexpr NTSTATUS STATUS_END_OF_FILE = static_cast<NTSTATUS>(0xC0000011);
inline constexpr NTSTATUS STATUS_NO_MEMORY = static_cast<NTSTATUS>(0xC0000017);
inline constexpr NTSTATUS STATUS_ACCESS_DENIED = static_cast<NTSTATUS>(0xC0000022);
inline constexpr NTSTATUS STATUS_OBJECT_NAME_INVALID = static_cast<NTSTATUS>(0xC0000033);
inline constexpr NTSTATUS STATUS_OBJECT_NAME_NOT_FOUND = static_cast<NTSTATUS>(0xC0000034);
inline constexpr NTSTATUS STATUS_OBJECT_NAME_COLLISION = static_cast<NTSTATUS>(0xC0000035);
inline constexpr NTSTATUS STATUS_DISK_FULL = static_cast<NTSTATUS>(0xC000007F);
inline constexpr NTSTATUS STATUS_UNSUCCESSFUL = static_cast<NTSTATUS>(0xC0000001);

// Dispositions of ZwCreateFile.
inline constexpr ULONG FILE_SUPERSEDE = 0;
inline constexpr ULONG FILE_OPEN = 1;
inline constexpr ULONG FILE_CREATE = 2;
inline constexpr ULONG FILE_OPEN_IF = 3;
inline constexpr ULONG FILE_OVERWRITE = 4;
inline constexpr ULONG FILE_OVERWRITE_IF = 5;
// What ZwCreateFile did (the status block's information).
inline constexpr ULONG_PTR FILE_SUPERSEDED = 0;
inline constexpr ULONG_PTR FILE_OPENED = 1;
inline constexpr ULONG_PTR FILE_CREATED = 2;
inline constexpr ULONG_PTR FILE_OVERWRITTEN = 3;

inline constexpr ACCESS_MASK DELETE = 0x00010000;
inline constexpr ACCESS_MASK SYNCHRONIZE = 0x00100000;
inline constexpr ULONG FILE_ATTRIBUTE_READONLY = 0x01;
inline constexpr ULONG FILE_ATTRIBUTE_TEMPORARY = 0x100;
inline constexpr ULONG FILE_DELETE_ON_CLOSE = 0x1000;
inline constexpr ULONG OBJ_CASE_INSENSITIVE = 0x40;

union LARGE_INTEGER {
  struct {
    ULONG LowPart;
    LONG HighPart;
  } u;
  LONGLONG QuadPart;
};
using PLARGE_INTEGER = LARGE_INTEGER*;

struct UNICODE_STRING {
  USHORT Length;         // bytes, without a terminator
  USHORT MaximumLength;  // bytes
  PWSTR Buffer;
};
using PUNICODE_STRING = UNICODE_STRING*;

struct ANSI_STRING {
  USHORT Length;
  USHORT MaximumLength;
  char* Buffer;
};
using PANSI_STRING = ANSI_STRING*;

struct OBJECT_ATTRIBUTES {
  ULONG Length;
  HANDLE RootDirectory;
  PUNICODE_STRING ObjectName;
  ULONG Attributes;
  PVOID SecurityDescriptor;
  PVOID SecurityQualityOfService;
};
using POBJECT_ATTRIBUTES = OBJECT_ATTRIBUTES*;

struct IO_STATUS_BLOCK {
  union {
    NTSTATUS Status;
    PVOID Pointer;
  };
  ULONG_PTR Information;
};
using PIO_STATUS_BLOCK = IO_STATUS_BLOCK*;

// Information classes answered by the native query and set calls.
inline constexpr ULONG FileStandardInformation = 5;
inline constexpr ULONG FilePositionInformation = 14;

struct FILE_STANDARD_INFORMATION {
  LARGE_INTEGER AllocationSize;
  LARGE_INTEGER EndOfFile;
  ULONG NumberOfLinks;
  BOOLEAN DeletePending;
  BOOLEAN Directory;
};
static_assert(sizeof(FILE_STANDARD_INFORMATION) == 24);

struct FILE_POSITION_INFORMATION {
  LARGE_INTEGER CurrentByteOffset;
};
static_assert(sizeof(FILE_POSITION_INFORMATION) == 8);

// The thirteen functions of the image, as EngFindImageProcAddress gives them.
//
// ZwCreateFile: the name comes from the object attributes (a Windows or NT name, or a POSIX path).
// Access GENERIC_READ / GENERIC_WRITE choose the open mode (DELETE alone opens for deletion);
// dispositions as above (FILE_OPEN and FILE_OVERWRITE need the file, FILE_CREATE needs it
// absent); FILE_DELETE_ON_CLOSE among the options removes the file at ZwClose; attribute
// FILE_ATTRIBUTE_READONLY creates the file read-only. Statuses: success, not found (0xC0000034),
// collision (0xC0000035), access denied (0xC0000022), invalid parameter. The handle is 0 on
// failure.
using PFN_ZwCreateFile = NTSTATUS (*)(PHANDLE file, ACCESS_MASK access, POBJECT_ATTRIBUTES object,
                                      PIO_STATUS_BLOCK status, PLARGE_INTEGER allocation_size,
                                      ULONG attributes, ULONG share, ULONG disposition,
                                      ULONG options, PVOID ea_buffer, ULONG ea_length);
using PFN_ZwClose = NTSTATUS (*)(HANDLE file);
// Reads and writes work at the current position (or at *byte_offset, which then becomes it). At
// end of file a read answers STATUS_END_OF_FILE with 0 bytes.
using PFN_ZwReadFile = NTSTATUS (*)(HANDLE file, HANDLE event, PVOID apc_routine,
                                    PVOID apc_context, PIO_STATUS_BLOCK status, PVOID buffer,
                                    ULONG length, PLARGE_INTEGER byte_offset, PULONG key);
using PFN_ZwWriteFile = PFN_ZwReadFile;
// Classes 5 (standard information) and 14 (position) are answered; 14 can be set. A record
// shorter than the class needs gives STATUS_INFO_LENGTH_MISMATCH.
using PFN_ZwQueryInformationFile = NTSTATUS (*)(HANDLE file, PIO_STATUS_BLOCK status,
                                                PVOID information, ULONG length,
                                                ULONG information_class);
using PFN_ZwSetInformationFile = PFN_ZwQueryInformationFile;
// ANSI strings are in the system ANSI code page. With `allocate` the destination's buffer is
// engine memory, freed with RtlFreeUnicodeString.
using PFN_RtlAnsiStringToUnicodeString = NTSTATUS (*)(PUNICODE_STRING destination,
                                                      PANSI_STRING source, BOOLEAN allocate);
using PFN_RtlFreeUnicodeString = void (*)(PUNICODE_STRING string);
using PFN_RtlInitAnsiString = void (*)(PANSI_STRING string, const char* text);
using PFN_RtlInitUnicodeString = void (*)(PUNICODE_STRING string, PCWSTR text);
using PFN_RtlConvertLongToLargeInteger = LARGE_INTEGER (*)(LONG value);
using PFN_RtlLargeIntegerAdd = LARGE_INTEGER (*)(LARGE_INTEGER a, LARGE_INTEGER b);
using PFN_RtlLargeIntegerSubtract = PFN_RtlLargeIntegerAdd;

// --- Printers ---------------------------------------------------------------------------------

// hPrinter is the engine printer handle the host opened (platform/spooler/PrinterStore.h).

// Level 2 only: a PRINTER_INFO_2 whose server, printer, port and driver names and default DEVMODE
// are packed after the record in the same buffer; the other fields are null or 0. A short buffer
// gives FALSE with last error ERROR_INSUFFICIENT_BUFFER and the size in *needed.
BOOL EngGetPrinter(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed);
// ERROR_SUCCESS with the type and size; ERROR_MORE_DATA with the type and the size needed when
// the buffer is short (a null buffer of size 0 is the probe); ERROR_FILE_NOT_FOUND when the value
// is absent. A zero-length value answers ERROR_SUCCESS with size 0.
DWORD EngGetPrinterData(HANDLE printer, LPWSTR value_name, LPDWORD type, LPBYTE data, DWORD size,
                        LPDWORD needed);
// ERROR_SUCCESS, or ERROR_ACCESS_DENIED when the store is read-only.
DWORD EngSetPrinterData(HANDLE printer, LPWSTR value_name, DWORD type, LPBYTE data, DWORD size);
// Level 1: FORM_INFO_1 records (flags 0 user, 1 built-in, 2 printer; sizes in micrometres) with
// their names packed after the records. The same size protocol as EngGetPrinter.
BOOL EngEnumForms(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                  LPDWORD returned);
// A missing form gives FALSE with ERROR_INVALID_FORM_NAME.
BOOL EngGetForm(HANDLE printer, LPWSTR form_name, DWORD level, LPBYTE buffer, DWORD size,
                LPDWORD needed);
// The driver data file of the printer bound to the device, as an engine-owned string that stays
// valid while the device is bound; null for an unbound device.
LPWSTR EngGetPrinterDataFileName(HDEV hdev);
// Appends to the handle's output sink; *written is the bytes taken. A write of 0 bytes succeeds.
BOOL EngWritePrinter(HANDLE printer, LPVOID buffer, DWORD size, LPDWORD written);

// --- Debug output -----------------------------------------------------------------------------

// Writes prefix and the formatted text to the kernel debugger output: standard error and the call
// log ("EngDebugPrint(<prefix><text>)").
void EngDebugPrint(const char* prefix, const char* format, va_list arguments);

// Breaks into the kernel debugger. The stand-in logs "EngDebugBreak" and returns.
void EngDebugBreak();

// The driver interface and the engine objects.
#include "platform/engine/DdiObjects.h"  // IWYU pragma: export
