// The native layer of the kernel-mode files: file operations on the kernel's numeric file
// handles, over the native file functions of the system image "ntdll.dll", bound by name.
//
// Binding is an explicit start-up step (KMNativeBind) with its undo (KMNativeUnbind); it is all
// or none: when the image does not load or lacks any one of the thirteen names, nothing is bound
// and every operation of the layer fails (open gives 0, everything else -1).
#pragma once

#include <cstdint>

#include "platform/engine/winddi.h"

// The process-wide record of the bound image and its entry points, in lookup order.
struct KMNativeImports {
  HANDLE image = nullptr;
  PFN_ZwCreateFile ZwCreateFile = nullptr;
  PFN_ZwClose ZwClose = nullptr;
  PFN_ZwReadFile ZwReadFile = nullptr;
  PFN_ZwWriteFile ZwWriteFile = nullptr;
  PFN_ZwQueryInformationFile ZwQueryInformationFile = nullptr;
  PFN_ZwSetInformationFile ZwSetInformationFile = nullptr;
  PFN_RtlAnsiStringToUnicodeString RtlAnsiStringToUnicodeString = nullptr;
  PFN_RtlFreeUnicodeString RtlFreeUnicodeString = nullptr;
  PFN_RtlInitAnsiString RtlInitAnsiString = nullptr;
  PFN_RtlInitUnicodeString RtlInitUnicodeString = nullptr;
  PFN_RtlConvertLongToLargeInteger RtlConvertLongToLargeInteger = nullptr;
  PFN_RtlLargeIntegerAdd RtlLargeIntegerAdd = nullptr;
  PFN_RtlLargeIntegerSubtract RtlLargeIntegerSubtract = nullptr;
};

// Loads the image and looks up the thirteen names; true when all are bound. Binding again while
// bound does nothing and answers true.
bool KMNativeBind();
// Unloads the image and clears every entry.
void KMNativeUnbind();
bool KMNativeIsBound();

// Open: the handle, or 0 on failure or when the layer is not bound. Drive-letter names
// ("C:\TEMP\x") are handed to the kernel as "\??\C:\TEMP\x"; other names pass unchanged.
HANDLE KMNativeOpen(const char* name, std::uint32_t flags, std::uint32_t permission);
HANDLE KMNativeShareOpen(const char* name, std::uint32_t flags, std::uint32_t share,
                         std::uint32_t permission);
HANDLE KMNativeOpenW(LPCWSTR name, std::uint32_t flags, std::uint32_t permission);
HANDLE KMNativeShareOpenW(LPCWSTR name, std::uint32_t flags, std::uint32_t share,
                          std::uint32_t permission);
HANDLE KMNativeCreate(PUNICODE_STRING name, std::uint32_t flags, std::uint32_t share,
                      std::uint32_t permission);
// 0, or -1.
int KMNativeClose(HANDLE handle);
// Bytes moved at the handle's position, or -1 on error. A read at end of file answers 0.
std::int32_t KMNativeRead(HANDLE handle, void* buffer, std::uint32_t count);
std::int32_t KMNativeWrite(HANDLE handle, const void* buffer, std::uint32_t count);
// The new position (origin 0 start, 1 current, 2 end), or -1; a target of 0x7FFFFFFF or more
// answers -1 even though the position was set.
std::int32_t KMNativeSeek(HANDLE handle, std::int32_t offset, int origin);
// End of file and current position; -1 on failure or at 0x7FFFFFFF or more.
std::int32_t KMNativeLength(HANDLE handle);
std::int32_t KMNativeTell(HANDLE handle);
// 0 when the file was deleted, else -1.
int KMFileDelete(const char* name);
int KMNativeDeleteW(LPCWSTR name);
int KMNativeDeleteByName(PUNICODE_STRING name);

// The ANSI name converted to a terminated wide name in engine memory (free with EngFreeMem);
// null when memory is short or the name is null.
WCHAR* KMAnsiToWide(const char* name);
