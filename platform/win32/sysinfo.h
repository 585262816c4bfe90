// Stand-in Win32 system information: the version probe and the user name, with fixed defaults
// that tests change explicitly.
#pragma once

#include <cstddef>
#include <string>

#include "platform/PlatformTypes.h"

// The version record, 276 bytes; the extended record adds 8 bytes.
struct OSVERSIONINFOW {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  WCHAR szCSDVersion[128];
};
static_assert(sizeof(OSVERSIONINFOW) == 276);
static_assert(offsetof(OSVERSIONINFOW, dwMajorVersion) == 4);
static_assert(offsetof(OSVERSIONINFOW, dwMinorVersion) == 8);
static_assert(offsetof(OSVERSIONINFOW, dwBuildNumber) == 12);
static_assert(offsetof(OSVERSIONINFOW, dwPlatformId) == 16);
static_assert(offsetof(OSVERSIONINFOW, szCSDVersion) == 20);

struct OSVERSIONINFOEXW {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  WCHAR szCSDVersion[128];
  WORD wServicePackMajor;
  WORD wServicePackMinor;
  WORD wSuiteMask;
  BYTE wProductType;
  BYTE wReserved;
};
static_assert(sizeof(OSVERSIONINFOEXW) == 284);
static_assert(offsetof(OSVERSIONINFOEXW, wServicePackMajor) == 276);
static_assert(offsetof(OSVERSIONINFOEXW, wProductType) == 282);

inline constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

// Fills the record whose dwOSVersionInfoSize is at least 276 bytes (the extended fields too from
// 284 bytes); a smaller size gives FALSE and 122. Default: platform 2, version 4.0, build 1381.
BOOL GetVersionExW(OSVERSIONINFOW* info);
// Major version in the low byte, minor in the next, build in the high word.
DWORD GetVersion();

// The user name with its NUL; *size in characters. A short buffer: FALSE, 122 and the needed
// size with the NUL.
BOOL GetUserNameW(LPWSTR buffer, LPDWORD size);

namespace vel::platform {

struct SystemVersion {
  DWORD major = 4;
  DWORD minor = 0;
  DWORD build = 1381;
  DWORD platform = VER_PLATFORM_WIN32_NT;
  std::u16string service_pack;  // szCSDVersion
};

void SetSystemVersion(const SystemVersion& version);
void SetUserName(const std::u16string& name);  // default "User"
// Restores the default version and user name.
void ResetSystemInfo();

}  // namespace vel::platform
