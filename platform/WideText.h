// Conversions between the platform's 16-bit wide strings and the host's UTF-8 text.
#pragma once

#include <string>
#include <string_view>

namespace vel::platform {

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);
// UTF-8 to UTF-16; a malformed sequence becomes U+FFFD.
std::u16string ToUtf16(std::string_view text);

// Length of a null-terminated wide string; 0 for null.
std::size_t WideLength(const char16_t* text);

// Compares ignoring ASCII case, as the platform compares printer, form and value names.
bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b);
// The name with ASCII letters in upper case: the key under which names that compare equal
// ignoring case are kept.
std::u16string FoldCase(std::u16string_view text);

}  // namespace vel::platform
