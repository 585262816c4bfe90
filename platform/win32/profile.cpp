// Stand-in Win32 profile.
#include "platform/win32/profile.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <vector>

#include "platform/CallLog.h"
#include "platform/WideText.h"
#include "platform/win32/text.h"

namespace vel::platform {
namespace {

struct Entry {
  std::u16string name;  // as first written
  std::u16string value;
};

struct Section {
  std::u16string name;
  std::map<std::u16string, Entry> keys;  // by folded name
};

struct State {
  std::mutex mutex;
  std::map<std::u16string, Section> sections;  // by folded name
};

void Set(State& state,
         const std::u16string& section,
         const std::u16string& key,
         const std::u16string& value) {
  Section& s = state.sections[FoldCase(section)];
  if (s.name.empty()) {
    s.name = section;
  }
  Entry& entry = s.keys[FoldCase(key)];
  if (entry.name.empty()) {
    entry.name = key;
  }
  entry.value = value;
}

// The international settings of the United States.
void Seed(State& state) {
  state.sections.clear();
  static const char16_t* const kIntl[][2] = {
      {u"iCountry", u"1"},        {u"iCurrDigits", u"2"},
      {u"iCurrency", u"0"},       {u"iDate", u"0"},
      {u"iDigits", u"2"},         {u"iLZero", u"1"},
      {u"iMeasure", u"1"},        {u"iNegCurr", u"1"},
      {u"iTime", u"0"},           {u"iTLZero", u"0"},
      {u"Locale", u"00000409"},   {u"s1159", u"AM"},
      {u"s2359", u"PM"},          {u"sCountry", u"United States"},
      {u"sCurrency", u"$"},       {u"sDate", u"/"},
      {u"sDecimal", u"."},        {u"sLanguage", u"ENU"},
      {u"sList", u","},           {u"sLongDate", u"dddd, MMMM dd, yyyy"},
      {u"sShortDate", u"M/d/yy"}, {u"sThousand", u","},
      {u"sTime", u":"},
  };
  for (const auto& pair : kIntl) {
    Set(state, u"intl", pair[0], pair[1]);
  }
}

State& GetState() {
  static State* state = [] {
    auto* s = new State;
    Seed(*s);
    return s;
  }();
  return *state;
}

// The value of a key, the list of a section's keys, or the list of sections (null `section` or
// `key`): lists hold each name with its NUL. False when the key or section is missing.
bool Lookup(const char16_t* section, const char16_t* key, std::u16string* text, bool* list) {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  *list = section == nullptr || key == nullptr;
  if (section == nullptr) {
    for (const auto& [folded, s] : state.sections) {
      *text += s.name;
      text->push_back(0);
    }
    return true;
  }
  auto s = state.sections.find(FoldCase(section));
  if (s == state.sections.end()) {
    return false;
  }
  if (key == nullptr) {
    for (const auto& [folded, entry] : s->second.keys) {
      *text += entry.name;
      text->push_back(0);
    }
    return true;
  }
  auto entry = s->second.keys.find(FoldCase(key));
  if (entry == s->second.keys.end()) {
    return false;
  }
  *text = entry->second.value;
  return true;
}

// Copies a value (cut at size - 1) or a list (cut at size - 2, double NUL) into `buffer`.
template <typename Char>
DWORD CopyOut(const std::u16string& text,
              bool list,
              Char* buffer,
              DWORD size,
              Char (*convert)(char16_t)) {
  if (buffer == nullptr || size == 0) {
    return 0;
  }
  if (list) {
    if (size < 2) {
      buffer[0] = 0;
      return 0;
    }
    std::size_t count = text.size();
    if (count + 1 > size) {
      count = size - 2;
    }
    for (std::size_t i = 0; i < count; ++i) {
      buffer[i] = convert(text[i]);
    }
    buffer[count] = 0;
    if (count + 1 < size) {
      buffer[count + 1] = 0;
    }
    return static_cast<DWORD>(count);
  }
  const std::size_t count = std::min<std::size_t>(text.size(), size - 1);
  for (std::size_t i = 0; i < count; ++i) {
    buffer[i] = convert(text[i]);
  }
  buffer[count] = 0;
  return static_cast<DWORD>(count);
}

UINT ParseInt(const std::u16string& text, INT default_value) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) {
    ++i;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
    negative = text[i] == u'-';
    ++i;
  }
  if (i >= text.size() || text[i] < u'0' || text[i] > u'9') {
    return static_cast<UINT>(default_value);
  }
  std::uint32_t value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = value * 10 + (text[i] - u'0');  // wraps as the platform's does
  }
  return negative ? 0u - value : value;
}

char16_t Same(char16_t c) {
  return c;
}

char Narrow(char16_t c) {
  const std::string text = NarrowAnsi(std::u16string_view(&c, 1));
  return text[0];
}

std::u16string WideOrNull(LPCSTR text, bool* null) {
  *null = text == nullptr;
  return text != nullptr ? WidenAnsi(text) : std::u16string();
}

}  // namespace

void SetProfileString(const std::u16string& section,
                      const std::u16string& key,
                      const std::u16string& value) {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  Set(state, section, key, value);
}

void RemoveProfileString(const std::u16string& section, const std::u16string& key) {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  auto s = state.sections.find(FoldCase(section));
  if (s != state.sections.end()) {
    s->second.keys.erase(FoldCase(key));
  }
}

void ResetProfile() {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  Seed(state);
}

}  // namespace vel::platform

UINT GetProfileIntW(LPCWSTR section, LPCWSTR key, INT default_value) {
  std::u16string text;
  bool list = false;
  UINT result = static_cast<UINT>(default_value);
  if (!vel::platform::ShouldFail("GetProfileIntW") && section != nullptr && key != nullptr &&
      vel::platform::Lookup(section, key, &text, &list)) {
    result = vel::platform::ParseInt(text, default_value);
  }
  vel::platform::LogCall("GetProfileIntW(" + vel::platform::LogText(section) + ", " +
                         vel::platform::LogText(key) +
                         ") = " + std::to_string(static_cast<INT>(result)));
  return result;
}

UINT GetProfileIntA(LPCSTR section, LPCSTR key, INT default_value) {
  std::u16string text;
  bool list = false;
  UINT result = static_cast<UINT>(default_value);
  if (!vel::platform::ShouldFail("GetProfileIntA") && section != nullptr && key != nullptr &&
      vel::platform::Lookup(vel::platform::WidenAnsi(section).c_str(),
                            vel::platform::WidenAnsi(key).c_str(), &text, &list)) {
    result = vel::platform::ParseInt(text, default_value);
  }
  vel::platform::LogCall("GetProfileIntA(" + std::string(section != nullptr ? section : "(null)") +
                         ", " + (key != nullptr ? key : "(null)") +
                         ") = " + std::to_string(static_cast<INT>(result)));
  return result;
}

DWORD GetProfileStringW(LPCWSTR section,
                        LPCWSTR key,
                        LPCWSTR default_value,
                        LPWSTR buffer,
                        DWORD size) {
  std::u16string text;
  bool list = false;
  if (vel::platform::ShouldFail("GetProfileStringW") ||
      !vel::platform::Lookup(section, key, &text, &list)) {
    text = default_value != nullptr ? default_value : u"";
    list = false;
  }
  const DWORD result = vel::platform::CopyOut(text, list, buffer, size, &vel::platform::Same);
  vel::platform::LogCall("GetProfileStringW(" + vel::platform::LogText(section) + ", " +
                         vel::platform::LogText(key) + ") = " + std::to_string(result));
  return result;
}

DWORD GetProfileStringA(LPCSTR section,
                        LPCSTR key,
                        LPCSTR default_value,
                        LPSTR buffer,
                        DWORD size) {
  bool null_section = false;
  bool null_key = false;
  const std::u16string wide_section = vel::platform::WideOrNull(section, &null_section);
  const std::u16string wide_key = vel::platform::WideOrNull(key, &null_key);
  std::u16string text;
  bool list = false;
  if (vel::platform::ShouldFail("GetProfileStringA") ||
      !vel::platform::Lookup(null_section ? nullptr : wide_section.c_str(),
                             null_key ? nullptr : wide_key.c_str(), &text, &list)) {
    text = vel::platform::WidenAnsi(default_value != nullptr ? default_value : "");
    list = false;
  }
  const DWORD result = vel::platform::CopyOut(text, list, buffer, size, &vel::platform::Narrow);
  vel::platform::LogCall("GetProfileStringA(" +
                         std::string(section != nullptr ? section : "(null)") + ", " +
                         (key != nullptr ? key : "(null)") + ") = " + std::to_string(result));
  return result;
}
