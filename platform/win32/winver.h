// Stand-in Win32 version information calls: a module's RT_VERSION block and the walk over it.
#pragma once

#include <cstddef>

#include "platform/PlatformTypes.h"

// The fixed file information of a version block, 52 bytes in the 32-bit layout.
struct VS_FIXEDFILEINFO {
  DWORD dwSignature;  // 0xFEEF04BD
  DWORD dwStrucVersion;
  DWORD dwFileVersionMS;
  DWORD dwFileVersionLS;
  DWORD dwProductVersionMS;
  DWORD dwProductVersionLS;
  DWORD dwFileFlagsMask;
  DWORD dwFileFlags;
  DWORD dwFileOS;
  DWORD dwFileType;
  DWORD dwFileSubtype;
  DWORD dwFileDateMS;
  DWORD dwFileDateLS;
};
static_assert(sizeof(VS_FIXEDFILEINFO) == 52);
static_assert(offsetof(VS_FIXEDFILEINFO, dwSignature) == 0);
static_assert(offsetof(VS_FIXEDFILEINFO, dwStrucVersion) == 4);
static_assert(offsetof(VS_FIXEDFILEINFO, dwFileVersionMS) == 8);
static_assert(offsetof(VS_FIXEDFILEINFO, dwFileVersionLS) == 12);
static_assert(offsetof(VS_FIXEDFILEINFO, dwProductVersionMS) == 16);
static_assert(offsetof(VS_FIXEDFILEINFO, dwProductVersionLS) == 20);
static_assert(offsetof(VS_FIXEDFILEINFO, dwFileFlagsMask) == 24);
static_assert(offsetof(VS_FIXEDFILEINFO, dwFileFlags) == 28);
static_assert(offsetof(VS_FIXEDFILEINFO, dwFileOS) == 32);
static_assert(offsetof(VS_FIXEDFILEINFO, dwFileType) == 36);
static_assert(offsetof(VS_FIXEDFILEINFO, dwFileSubtype) == 40);
static_assert(offsetof(VS_FIXEDFILEINFO, dwFileDateMS) == 44);
static_assert(offsetof(VS_FIXEDFILEINFO, dwFileDateLS) == 48);

inline constexpr DWORD VS_FFI_SIGNATURE = 0xFEEF04BD;

// The size of the RT_VERSION block of the module found by name or path as LoadLibraryW finds it,
// loaded or not; 0 with an error when there is none. *handle is set to 0.
DWORD GetFileVersionInfoSizeW(LPCWSTR file_name, LPDWORD handle);
// Copies min(size, block size) bytes of the block.
BOOL GetFileVersionInfoW(LPCWSTR file_name, DWORD handle, DWORD size, LPVOID data);
// Walks a block in the 32-bit layout: "\" answers the fixed file information (length in bytes),
// "\VarFileInfo\Translation" the language and code page pairs (length in bytes),
// "\StringFileInfo\<lang><cp>\<key>" the string (length in characters with the NUL). Keys
// compare ignoring case. Every node is checked against its parent and the block; a damaged block
// answers FALSE.
BOOL VerQueryValueW(LPCVOID block, LPCWSTR sub_block, LPVOID* value, UINT* length);
// The name of a language id from a small table; unknown ids are "Language Neutral". Copies at
// most size - 1 characters and a NUL; answers the name's length.
DWORD VerLanguageNameW(DWORD language, LPWSTR buffer, DWORD size);

inline constexpr DWORD SCS_32BIT_BINARY = 0;
// FALSE with 193 for every module of this host: none is a platform binary.
BOOL GetBinaryTypeW(LPCWSTR application_name, LPDWORD binary_type);
