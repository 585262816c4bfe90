// Stand-in Win32 registry: an in-memory HKEY_LOCAL_MACHINE tree that hosts and tests load, read
// through the W and A calls. Key and value names compare ignoring case; key paths use '\'.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/PlatformTypes.h"

using REGSAM = DWORD;

#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000000)))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000001)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000002)))

inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

// Opens `sub_key` below `key` (HKEY_LOCAL_MACHINE or an open key; a null or empty sub key opens
// the key itself again). 0, or 2 when the key does not exist, 6 for a bad key handle.
LONG RegOpenKeyExW(HKEY key, LPCWSTR sub_key, DWORD options, REGSAM desired, HKEY* result);
LONG RegOpenKeyExA(HKEY key, LPCSTR sub_key, DWORD options, REGSAM desired, HKEY* result);
// A value (null or empty name: the key's default value). With null data, *data_size receives the
// size (the size probe). A short buffer gives 234 with the size needed; a missing value 2. The A
// form answers strings (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) in code page 1252, sized in bytes.
LONG RegQueryValueExW(HKEY key,
                      LPCWSTR name,
                      LPDWORD reserved,
                      LPDWORD type,
                      LPBYTE data,
                      LPDWORD data_size);
LONG RegQueryValueExA(HKEY key,
                      LPCSTR name,
                      LPDWORD reserved,
                      LPDWORD type,
                      LPBYTE data,
                      LPDWORD data_size);
LONG RegCloseKey(HKEY key);

namespace vel::platform {

// Fixture: values below HKEY_LOCAL_MACHINE, keys made as needed. Strings are stored with their
// NUL, as the platform stores them.
void RegistrySetValue(const std::u16string& key_path,
                      const std::u16string& name,
                      DWORD type,
                      std::vector<std::uint8_t> bytes);
void RegistrySetString(const std::u16string& key_path,
                       const std::u16string& name,
                       const std::u16string& value);
void RegistrySetDword(const std::u16string& key_path, const std::u16string& name, DWORD value);
void RegistryDeleteKey(const std::u16string& key_path);
// Back to the seeded tree: "SYSTEM\CurrentControlSet\Control\ProductOptions" "ProductType" =
// "WinNT". Open keys keep what they had opened.
void ResetRegistry();

}  // namespace vel::platform
