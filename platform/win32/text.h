// Stand-in Win32 text services: the per-thread last error, wide string helpers, the formatted
// print of the platform, code page 1252 conversions and MulDiv.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

#include "platform/PlatformTypes.h"

// The last error is kept per thread; every thread starts at 0.
void SetLastError(DWORD error);
DWORD GetLastError();

int lstrlenW(LPCWSTR text);  // 0 for null
// Copies at most max_count - 1 characters and a NUL; answers destination (null when it is null).
LPWSTR lstrcpynW(LPWSTR destination, LPCWSTR source, int max_count);
// Compare ignoring case (ASCII and Latin-1 letters); <0, 0, >0. A null string sorts first.
int lstrcmpiW(LPCWSTR left, LPCWSTR right);
int lstrcmpiA(LPCSTR left, LPCSTR right);

// The platform's formatted print into a wide buffer. Conversions: %s (wide string; %hs narrow),
// %c, %d, %i, %u, %x, %X and %% with the flags '-' and '0', a width and the size prefixes 'l' and
// 'h'. The platform's long is 32 bits: %lu, %ld and %lx read a DWORD-sized argument. wsprintfW
// writes at most 1024 characters with the NUL, as on the platform; wnsprintfW at most `count`.
// Both answer the characters written without the NUL.
int wsprintfW(LPWSTR buffer, LPCWSTR format, ...);
int wnsprintfW(LPWSTR buffer, int count, LPCWSTR format, ...);
int wvnsprintfW(LPWSTR buffer, int count, LPCWSTR format, va_list arguments);

inline constexpr UINT CP_ACP = 0;
inline constexpr UINT CP_OEMCP = 1;
inline constexpr UINT CP_THREAD_ACP = 3;

// Code page 1252 only (CP_ACP and CP_THREAD_ACP are 1252); other code pages fail with 87. A length
// of -1 converts through the NUL and counts it. A count of 0 asks for the size needed; a short
// buffer gives 0 and 122. Characters that 1252 cannot hold become the default character ('?').
int MultiByteToWideChar(UINT code_page,
                        DWORD flags,
                        LPCSTR source,
                        int source_bytes,
                        LPWSTR destination,
                        int destination_count);
int WideCharToMultiByte(UINT code_page,
                        DWORD flags,
                        LPCWSTR source,
                        int source_count,
                        LPSTR destination,
                        int destination_bytes,
                        LPCSTR default_char,
                        BOOL* used_default_char);

// number * numerator / denominator with a 64-bit product, rounded half away from zero; -1 when
// the denominator is 0 or the result does not fit 32 bits.
int MulDiv(int number, int numerator, int denominator);

namespace vel::platform {

// Code page 1252 conversions of whole strings.
std::u16string WidenAnsi(std::string_view text);
std::string NarrowAnsi(std::u16string_view text);

// Text of a wide string for log lines (UTF-8); "(null)" for null.
std::string LogText(LPCWSTR text);

}  // namespace vel::platform
