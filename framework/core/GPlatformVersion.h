// GPlatformVersion: which operating system the driver runs on, as the operating-system services
// report it, and the probe that asks the platform.
//
// platform: 4 Win32s, 5 the Windows 95 family, 6 Windows NT workstation, 7 Windows NT server.
// version:  the major version shifted left by 16, or-ed with the minor version.
// build:    the build number as the version query answers it; its low 16 bits when only the
//           retry with the larger record answered; 0 when only the short version number was had.
#pragma once

#include <cstdint>

struct GPlatformVersion {
  std::uint32_t platform = 0;
  std::uint32_t version = 0;
  std::uint32_t build = 0;

  // All three fields equal.
  friend bool operator==(const GPlatformVersion& a, const GPlatformVersion& b) = default;

  // The platform family: platform 1 gives 1; 2, 3 or 4 give 2; 5 gives 3; 6, 7 or 8 give 4;
  // 9 gives 5; any other value 0.
  std::uint32_t Family() const;

  // Asks the platform: the version record (the standard 276-byte query; when it fails a retry
  // with a 552-byte record; when that fails too or names an unknown platform, the short version
  // number), and on Windows NT the product type under
  // HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\ProductOptions ("Winnt", in any case,
  // is a workstation; anything else a server). Fills this record and answers 1; answers 0 and
  // leaves the record as it was when the first query names an unknown platform or the product type
  // cannot be read.
  int Probe();
};
