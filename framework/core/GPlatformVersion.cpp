// GPlatformVersion: the platform family and the probe.
#include "framework/core/GPlatformVersion.h"

#include <cstring>

#include "platform/win32/sysinfo.h"
#include "platform/win32/text.h"
#include "platform/win32/winreg.h"

namespace {

constexpr std::uint32_t kWin32s = 4;
constexpr std::uint32_t kWindows95 = 5;
constexpr std::uint32_t kNtWorkstation = 6;
constexpr std::uint32_t kNtServer = 7;

// The version record's platform id (0 Win32s, 1 Windows 95, 2 Windows NT) as a platform, or 0.
std::uint32_t PlatformOf(DWORD id) {
  switch (id) {
    case 0:
      return kWin32s;
    case 1:
      return kWindows95;
    case 2:
      return kNtWorkstation;
    default:
      return 0;
  }
}

// The product type of a Windows NT installation: workstation or server; 0 when it cannot be read.
std::uint32_t NtProductPlatform() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\ProductOptions", 0,
                    KEY_READ, &key) != 0) {
    return 0;
  }
  // At most 128 bytes are read; a stored value need not end in NUL, so one more byte holds the
  // terminator.
  char product[129] = {};
  DWORD type = 0;
  DWORD size = 128;
  const LONG result =
      RegQueryValueExA(key, "ProductType", nullptr, &type, reinterpret_cast<BYTE*>(product), &size);
  (void)RegCloseKey(key);
  if (result != 0) {
    return 0;
  }
  product[size < 128 ? size : 128] = '\0';
  return lstrcmpiA(product, "Winnt") == 0 ? kNtWorkstation : kNtServer;
}

}  // namespace

std::uint32_t GPlatformVersion::Family() const {
  switch (platform) {
    case 1:
      return 1;
    case 2:
    case 3:
    case 4:
      return 2;
    case 5:
      return 3;
    case 6:
    case 7:
    case 8:
      return 4;
    case 9:
      return 5;
    default:
      return 0;
  }
}

int GPlatformVersion::Probe() {
  GPlatformVersion found;
  OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
  if (GetVersionExW(&info) != FALSE) {
    found.platform = PlatformOf(info.dwPlatformId);
    if (found.platform == 0) {
      return 0;
    }
    found.version = info.dwMajorVersion << 16 | info.dwMinorVersion;
    found.build = info.dwBuildNumber;
  } else {
    // The retry offers a record twice the standard size.
    union {
      OSVERSIONINFOW info;
      unsigned char bytes[2 * sizeof(OSVERSIONINFOW)];
    } larger = {};
    larger.info.dwOSVersionInfoSize = sizeof larger;
    if (GetVersionExW(&larger.info) != FALSE && PlatformOf(larger.info.dwPlatformId) != 0) {
      found.platform = PlatformOf(larger.info.dwPlatformId);
      found.version = larger.info.dwMajorVersion << 16 | larger.info.dwMinorVersion;
      found.build = larger.info.dwBuildNumber & 0xFFFF;
    } else {
      const DWORD short_version = GetVersion();
      const std::uint32_t major = short_version & 0xFF;
      found.version = major << 16 | (short_version >> 8 & 0xFF);
      found.build = 0;
      if ((short_version & 0x80000000u) == 0) {
        found.platform = kNtWorkstation;
      } else {
        found.platform = major == 3 ? kWin32s : kWindows95;
      }
    }
  }
  if (found.platform == kNtWorkstation) {
    found.platform = NtProductPlatform();
    if (found.platform == 0) {
      return 0;
    }
  }
  *this = found;
  return 1;
}
