// Stand-in Win32 resource calls over the resource tables of loaded modules
// (platform/win32/ModuleDescriptor.h).
#pragma once

#include "platform/PlatformTypes.h"

// An integer resource id in the pointer form the resource calls take, and the test for it.
inline LPCWSTR MAKEINTRESOURCEW(WORD id) {
  return reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(id));
}
inline bool IS_INTRESOURCE(LPCWSTR name) {
  return (reinterpret_cast<ULONG_PTR>(name) >> 16) == 0;
}

#define RT_CURSOR MAKEINTRESOURCEW(1)
#define RT_BITMAP MAKEINTRESOURCEW(2)
#define RT_ICON MAKEINTRESOURCEW(3)
#define RT_MENU MAKEINTRESOURCEW(4)
#define RT_DIALOG MAKEINTRESOURCEW(5)
#define RT_STRING MAKEINTRESOURCEW(6)
#define RT_RCDATA MAKEINTRESOURCEW(10)
#define RT_GROUP_CURSOR MAKEINTRESOURCEW(12)
#define RT_GROUP_ICON MAKEINTRESOURCEW(14)
#define RT_VERSION MAKEINTRESOURCEW(16)

// Names and types are integer ids, strings (compared ignoring case) or "#<decimal id>". The
// module null is the process's own image. FindResourceW prefers language 1033, then neutral (0),
// then the first of any language; FindResourceExW with a language other than 0 wants exactly it.
// Not found: null with 1813 (no such type), 1814 (no such name) or 1815 (no such language).
HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
HRSRC FindResourceExW(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language);
// The resource's bytes stay where the module keeps them while it is loaded; they are read-only.
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL resource);
DWORD SizeofResource(HMODULE module, HRSRC resource);

// String `id` of the module's RT_STRING block id / 16 + 1, entry id % 16. Copies at most
// count - 1 characters and a NUL and answers the characters copied; a missing or empty string
// answers 0 with an empty buffer. With count 0 the buffer receives a read-only pointer to the
// string's characters (not terminated) and the answer is its length.
int LoadStringW(HINSTANCE module, UINT id, LPWSTR buffer, int count);
