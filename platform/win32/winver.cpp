// Stand-in Win32 version information calls.
#include "platform/win32/winver.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/CallLog.h"
#include "platform/WideText.h"
#include "platform/win32/LoaderInternal.h"
#include "platform/win32/text.h"

namespace {

// One node of a version block in the 32-bit layout (offsets from the node's start, which is
// 4-byte aligned within the block):
//   0  u16  wLength       the node with its value and children, without trailing padding
//   2  u16  wValueLength  bytes for a binary value (wType 0), characters for text (wType 1)
//   4  u16  wType
//   6  WCHAR szKey[]      NUL-terminated, then padding to a 4-byte boundary
//   .. value, then padding to a 4-byte boundary, then the children up to wLength
struct Node {
  std::size_t start = 0;
  std::size_t end = 0;  // start + wLength
  std::u16string key;
  std::size_t value = 0;  // offset of the value
  std::size_t value_bytes = 0;
  std::size_t value_length = 0;  // as the query answers it: bytes, or characters for text
  std::size_t children = 0;
};

std::size_t Align4(std::size_t offset) {
  return (offset + 3) & ~std::size_t{3};
}

std::uint16_t ReadU16(const std::uint8_t* block, std::size_t offset) {
  return static_cast<std::uint16_t>(block[offset] | (block[offset + 1] << 8));
}

// Reads the node at `start`, which must lie within [start, limit).
bool ReadNode(const std::uint8_t* block, std::size_t start, std::size_t limit, Node* node) {
  if (start + 6 > limit) {
    return false;
  }
  const std::size_t length = ReadU16(block, start);
  const std::size_t value_length = ReadU16(block, start + 2);
  const std::uint16_t type = ReadU16(block, start + 4);
  if (length < 6 || length > limit - start || type > 1) {
    return false;
  }
  node->start = start;
  node->end = start + length;
  node->key.clear();
  std::size_t offset = start + 6;
  for (;;) {
    if (offset + 2 > node->end) {
      return false;
    }
    const char16_t c = ReadU16(block, offset);
    offset += 2;
    if (c == 0) {
      break;
    }
    node->key.push_back(c);
  }
  node->value = Align4(offset);
  node->value_length = value_length;
  node->value_bytes = type == 1 ? value_length * 2 : value_length;
  if (node->value > node->end || node->value_bytes > node->end - node->value) {
    return false;
  }
  node->children = std::min(Align4(node->value + node->value_bytes), node->end);
  return true;
}

bool FindChild(const std::uint8_t* block,
               const Node& parent,
               std::u16string_view key,
               Node* child) {
  std::size_t offset = parent.children;
  while (offset < parent.end) {
    if (!ReadNode(block, offset, parent.end, child)) {
      return false;
    }
    if (vel::platform::EqualsIgnoringCase(child->key, key)) {
      return true;
    }
    offset = Align4(child->end);
  }
  return false;
}

struct Language {
  std::uint16_t id;
  const char16_t* name;
};

constexpr Language kLanguages[] = {
    {0x0000, u"Language Neutral"},
    {0x0404, u"Chinese (Taiwan)"},
    {0x0405, u"Czech"},
    {0x0406, u"Danish"},
    {0x0407, u"German (Standard)"},
    {0x0408, u"Greek"},
    {0x0409, u"English (United States)"},
    {0x040A, u"Spanish (Traditional Sort)"},
    {0x040B, u"Finnish"},
    {0x040C, u"French (Standard)"},
    {0x040E, u"Hungarian"},
    {0x0410, u"Italian (Standard)"},
    {0x0411, u"Japanese"},
    {0x0412, u"Korean"},
    {0x0413, u"Dutch (Standard)"},
    {0x0414, u"Norwegian (Bokmal)"},
    {0x0415, u"Polish"},
    {0x0416, u"Portuguese (Brazilian)"},
    {0x0419, u"Russian"},
    {0x041D, u"Swedish"},
    {0x041F, u"Turkish"},
    {0x0804, u"Chinese (PRC)"},
    {0x0809, u"English (United Kingdom)"},
    {0x0816, u"Portuguese (Standard)"},
    {0x0C0A, u"Spanish (Modern Sort)"},
};

}  // namespace

DWORD GetFileVersionInfoSizeW(LPCWSTR file_name, LPDWORD handle) {
  if (handle != nullptr) {
    *handle = 0;
  }
  std::vector<std::uint8_t> bytes;
  DWORD error = ERROR_GEN_FAILURE;
  const bool found = !vel::platform::ShouldFail("GetFileVersionInfoSizeW") &&
                     vel::platform::detail::ReadVersionResource(file_name, &bytes, &error);
  if (!found) {
    SetLastError(error);
  }
  const DWORD size = found ? static_cast<DWORD>(bytes.size()) : 0;
  vel::platform::LogCall("GetFileVersionInfoSizeW(" + vel::platform::LogText(file_name) +
                         ") = " + std::to_string(size));
  return size;
}

BOOL GetFileVersionInfoW(LPCWSTR file_name, DWORD, DWORD size, LPVOID data) {
  std::vector<std::uint8_t> bytes;
  DWORD error = ERROR_GEN_FAILURE;
  BOOL result = FALSE;
  if (data == nullptr) {
    error = ERROR_INVALID_PARAMETER;
  } else if (!vel::platform::ShouldFail("GetFileVersionInfoW") &&
             vel::platform::detail::ReadVersionResource(file_name, &bytes, &error)) {
    std::memcpy(data, bytes.data(), std::min<std::size_t>(size, bytes.size()));
    result = TRUE;
  }
  if (result == FALSE) {
    SetLastError(error);
  }
  vel::platform::LogCall("GetFileVersionInfoW(" + vel::platform::LogText(file_name) + ", " +
                         std::to_string(size) + ") = " + (result ? "TRUE" : "FALSE"));
  return result;
}

BOOL VerQueryValueW(LPCVOID block, LPCWSTR sub_block, LPVOID* value, UINT* length) {
  if (block == nullptr || sub_block == nullptr || value == nullptr || length == nullptr) {
    return FALSE;
  }
  const auto* bytes = static_cast<const std::uint8_t*>(block);
  // The root's length bounds the walk: the block holds at least that many bytes.
  Node node;
  if (!ReadNode(bytes, 0, ReadU16(bytes, 0), &node)) {
    return FALSE;
  }
  std::u16string_view path(sub_block);
  while (!path.empty()) {
    if (path[0] == u'\\') {
      path.remove_prefix(1);
      continue;
    }
    const std::size_t slash = path.find(u'\\');
    const std::u16string_view key = path.substr(0, slash);
    Node child;
    if (!FindChild(bytes, node, key, &child)) {
      return FALSE;
    }
    node = child;
    path = slash == std::u16string_view::npos ? std::u16string_view() : path.substr(slash);
  }
  *value = const_cast<std::uint8_t*>(bytes + node.value);
  *length = static_cast<UINT>(node.value_length);
  return TRUE;
}

DWORD VerLanguageNameW(DWORD language, LPWSTR buffer, DWORD size) {
  const char16_t* name = kLanguages[0].name;
  for (const Language& entry : kLanguages) {
    if (entry.id == language) {
      name = entry.name;
    }
  }
  if (buffer != nullptr && size > 0) {
    lstrcpynW(buffer, name, static_cast<int>(size));
  }
  return static_cast<DWORD>(lstrlenW(name));
}

BOOL GetBinaryTypeW(LPCWSTR application_name, LPDWORD) {
  SetLastError(ERROR_BAD_EXE_FORMAT);
  vel::platform::LogCall("GetBinaryTypeW(" + vel::platform::LogText(application_name) +
                         ") = FALSE");
  return FALSE;
}
