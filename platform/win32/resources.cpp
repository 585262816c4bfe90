// Stand-in Win32 resource calls.
#include "platform/win32/resources.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/CallLog.h"
#include "platform/WideText.h"
#include "platform/win32/LoaderInternal.h"
#include "platform/win32/text.h"

namespace {

using vel::platform::detail::ResourceRecord;

constexpr WORD kPreferredLanguage = 1033;

// A type or name as the calls take it: integer id, folded string, or "#<id>".
struct Key {
  std::uint16_t id = 0;
  std::u16string name;
  bool valid = true;
};

Key KeyOf(LPCWSTR text) {
  Key key;
  if (IS_INTRESOURCE(text)) {
    key.id = static_cast<std::uint16_t>(reinterpret_cast<ULONG_PTR>(text));
    key.valid = key.id != 0;
    return key;
  }
  if (text[0] == u'#') {
    std::uint32_t value = 0;
    const char16_t* p = text + 1;
    for (; *p >= u'0' && *p <= u'9' && value <= 0xFFFF; ++p) {
      value = value * 10 + (*p - u'0');
    }
    key.valid = *p == 0 && p != text + 1 && value != 0 && value <= 0xFFFF;
    key.id = static_cast<std::uint16_t>(value);
    return key;
  }
  key.name = vel::platform::FoldCase(text);
  return key;
}

bool TypeMatches(const ResourceRecord& record, const Key& key) {
  return key.name.empty() ? record.type_name.empty() && record.type_id == key.id
                          : record.type_name == key.name;
}

bool NameMatches(const ResourceRecord& record, const Key& key) {
  return key.name.empty() ? record.name_name.empty() && record.name_id == key.id
                          : record.name_name == key.name;
}

std::string KeyText(LPCWSTR text) {
  if (IS_INTRESOURCE(text)) {
    return std::to_string(reinterpret_cast<ULONG_PTR>(text));
  }
  return vel::platform::LogText(text);
}

// `exact`: only `language`; otherwise 1033, neutral, then any.
HRSRC Find(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language, bool exact, DWORD* error) {
  const std::vector<ResourceRecord>* resources = vel::platform::detail::ResourcesOf(module);
  if (resources == nullptr) {
    *error = ERROR_INVALID_HANDLE;
    return nullptr;
  }
  if (type == nullptr || name == nullptr) {
    *error = ERROR_INVALID_PARAMETER;
    return nullptr;
  }
  const Key type_key = KeyOf(type);
  const Key name_key = KeyOf(name);
  bool type_seen = false;
  bool name_seen = false;
  const ResourceRecord* neutral = nullptr;
  const ResourceRecord* any = nullptr;
  for (const ResourceRecord& record : *resources) {
    if (!type_key.valid || !TypeMatches(record, type_key)) {
      continue;
    }
    type_seen = true;
    if (!name_key.valid || !NameMatches(record, name_key)) {
      continue;
    }
    name_seen = true;
    if (record.language == language) {
      return reinterpret_cast<HRSRC>(const_cast<ResourceRecord*>(&record));
    }
    if (record.language == 0 && neutral == nullptr) {
      neutral = &record;
    }
    if (any == nullptr) {
      any = &record;
    }
  }
  const ResourceRecord* fallback = exact ? nullptr : (neutral != nullptr ? neutral : any);
  if (fallback != nullptr) {
    return reinterpret_cast<HRSRC>(const_cast<ResourceRecord*>(fallback));
  }
  *error = !type_seen
               ? ERROR_RESOURCE_TYPE_NOT_FOUND
               : (!name_seen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_LANG_NOT_FOUND);
  return nullptr;
}

HRSRC FindLogged(const char* call,
                 HMODULE module,
                 LPCWSTR type,
                 LPCWSTR name,
                 WORD language,
                 bool exact) {
  DWORD error = ERROR_GEN_FAILURE;
  HRSRC result =
      vel::platform::ShouldFail(call) ? nullptr : Find(module, type, name, language, exact, &error);
  if (result == nullptr) {
    SetLastError(error);
  }
  vel::platform::LogCall(std::string(call) + "(" + vel::platform::detail::ModuleLogText(module) +
                         ", type " + KeyText(type) + ", name " + KeyText(name) + ") = " +
                         (result != nullptr ? "found" : "null error " + std::to_string(error)));
  return result;
}

}  // namespace

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type) {
  return FindLogged("FindResourceW", module, type, name, kPreferredLanguage, false);
}

HRSRC FindResourceExW(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language) {
  const bool exact = language != 0;
  return FindLogged("FindResourceExW", module, type, name, exact ? language : kPreferredLanguage,
                    exact);
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) {
  if (resource == nullptr || vel::platform::ShouldFail("LoadResource")) {
    SetLastError(resource == nullptr ? ERROR_INVALID_HANDLE : ERROR_GEN_FAILURE);
    vel::platform::LogCall("LoadResource = null");
    return nullptr;
  }
  const auto* record = reinterpret_cast<const ResourceRecord*>(resource);
  vel::platform::LogCall("LoadResource = " + std::to_string(record->size) + " bytes");
  // An empty resource still answers a non-null block, as a found resource always does.
  static const std::uint8_t kEmpty = 0;
  return const_cast<std::uint8_t*>(record->data != nullptr ? record->data : &kEmpty);
}

LPVOID LockResource(HGLOBAL resource) {
  return resource;
}

DWORD SizeofResource(HMODULE, HRSRC resource) {
  if (resource == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return reinterpret_cast<const ResourceRecord*>(resource)->size;
}

int LoadStringW(HINSTANCE module, UINT id, LPWSTR buffer, int count) {
  const std::string call = "LoadStringW(" + vel::platform::detail::ModuleLogText(module) + ", " +
                           std::to_string(id) + ", " + std::to_string(count) + ") = ";
  if (buffer == nullptr || count < 0 || vel::platform::ShouldFail("LoadStringW")) {
    SetLastError(buffer == nullptr || count < 0 ? ERROR_INVALID_PARAMETER : ERROR_GEN_FAILURE);
    vel::platform::LogCall(call + "0");
    return 0;
  }
  if (count > 0) {
    buffer[0] = 0;
  }
  DWORD error = 0;
  const WORD block = static_cast<WORD>((id >> 4) + 1);
  HRSRC found = id > 0xFFFF ? nullptr
                            : Find(module, RT_STRING, MAKEINTRESOURCEW(block), kPreferredLanguage,
                                   false, &error);
  if (found == nullptr) {
    SetLastError(id > 0xFFFF ? ERROR_RESOURCE_NAME_NOT_FOUND : error);
    vel::platform::LogCall(call + "0");
    return 0;
  }
  // A string block: 16 counted strings, each a 16-bit length and that many characters.
  const auto* record = reinterpret_cast<const ResourceRecord*>(found);
  const std::uint8_t* data = record->data;
  const std::size_t size = record->size;
  std::size_t offset = 0;
  const unsigned wanted = id & 15;
  for (unsigned index = 0;; ++index) {
    if (offset + 2 > size) {
      SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
      vel::platform::LogCall(call + "0");
      return 0;
    }
    const std::size_t length = data[offset] | (data[offset + 1] << 8);
    offset += 2;
    if (length * 2 > size - offset) {
      SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
      vel::platform::LogCall(call + "0");
      return 0;
    }
    if (index == wanted) {
      const auto* characters = reinterpret_cast<const WCHAR*>(data + offset);
      int result = 0;
      if (count == 0) {
        // The caller gets a pointer to the characters in place; a block kept at an odd address
        // cannot be handed out as characters.
        if (reinterpret_cast<ULONG_PTR>(characters) % alignof(WCHAR) != 0) {
          SetLastError(ERROR_INVALID_DATA);
        } else {
          std::memcpy(buffer, &characters, sizeof characters);
          result = static_cast<int>(length);
        }
      } else {
        const std::size_t copied = std::min(length, static_cast<std::size_t>(count - 1));
        std::memcpy(buffer, characters, copied * 2);
        buffer[copied] = 0;
        result = static_cast<int>(copied);
      }
      if (length == 0) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
      }
      vel::platform::LogCall(call + std::to_string(result));
      return result;
    }
    offset += length * 2;
  }
}
