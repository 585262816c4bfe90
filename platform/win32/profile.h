// Stand-in Win32 profile (the user's WIN.INI settings): sections of key = value texts, read
// through the A and W calls. Section and key names compare ignoring case. The [intl] section
// holds the United States settings unless a test sets others.
#pragma once

#include <string>

#include "platform/PlatformTypes.h"

// The leading integer of the value (optional blanks and sign, then decimal digits); the default
// when the key is missing or its value starts with no number.
UINT GetProfileIntA(LPCSTR section, LPCSTR key, INT default_value);
UINT GetProfileIntW(LPCWSTR section, LPCWSTR key, INT default_value);
// The value, or the default (null: empty) when the key is missing; at most size - 1 characters and
// a NUL; answers the characters copied. A null key lists the section's keys, a null section the
// sections, each with its NUL and a final NUL (cut at size - 2, answering size - 2).
DWORD GetProfileStringA(LPCSTR section, LPCSTR key, LPCSTR default_value, LPSTR buffer, DWORD size);
DWORD GetProfileStringW(LPCWSTR section,
                        LPCWSTR key,
                        LPCWSTR default_value,
                        LPWSTR buffer,
                        DWORD size);

namespace vel::platform {

void SetProfileString(const std::u16string& section,
                      const std::u16string& key,
                      const std::u16string& value);
void RemoveProfileString(const std::u16string& section, const std::u16string& key);
// Back to the default profile: the [intl] section alone.
void ResetProfile();

}  // namespace vel::platform
