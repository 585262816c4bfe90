// Stand-in Win32 registry.
#include "platform/win32/winreg.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "platform/CallLog.h"
#include "platform/WideText.h"
#include "platform/win32/text.h"

namespace vel::platform {
namespace {

struct Value {
  DWORD type = REG_NONE;
  std::vector<std::uint8_t> bytes;
};

struct Key {
  std::map<std::u16string, std::shared_ptr<Key>> children;  // by folded name
  std::map<std::u16string, Value> values;                   // by folded name
};

// An open key: holds its node, so a reset tree leaves it valid.
struct OpenKey {
  std::shared_ptr<Key> key;
};

struct State {
  std::mutex mutex;
  std::shared_ptr<Key> root;
  std::set<OpenKey*> open;
};

std::vector<std::u16string> Components(std::u16string_view path) {
  std::vector<std::u16string> parts;
  while (!path.empty()) {
    const std::size_t slash = path.find(u'\\');
    const std::u16string_view part = path.substr(0, slash);
    if (!part.empty()) {
      parts.push_back(FoldCase(part));
    }
    if (slash == std::u16string_view::npos) {
      break;
    }
    path.remove_prefix(slash + 1);
  }
  return parts;
}

std::shared_ptr<Key> MakePath(const std::shared_ptr<Key>& root, std::u16string_view path) {
  std::shared_ptr<Key> key = root;
  for (const std::u16string& part : Components(path)) {
    auto& child = key->children[part];
    if (child == nullptr) {
      child = std::make_shared<Key>();
    }
    key = child;
  }
  return key;
}

std::vector<std::uint8_t> StringBytes(std::u16string_view text) {
  std::vector<std::uint8_t> bytes;
  for (char16_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

void Seed(State& state) {
  state.root = std::make_shared<Key>();
  MakePath(state.root, u"SYSTEM\\CurrentControlSet\\Control\\ProductOptions")
      ->values[FoldCase(u"ProductType")] = Value{REG_SZ, StringBytes(u"WinNT")};
}

State& GetState() {
  static State* state = [] {
    auto* s = new State;
    Seed(*s);
    return s;
  }();
  return *state;
}

// The node of a key handle, or null for a bad handle. Predefined keys other than
// HKEY_LOCAL_MACHINE are empty.
std::shared_ptr<Key> NodeOf(State& state, HKEY key) {
  if (key == HKEY_LOCAL_MACHINE) {
    return state.root;
  }
  if (key == HKEY_CURRENT_USER || key == HKEY_CLASSES_ROOT) {
    static const std::shared_ptr<Key> empty = std::make_shared<Key>();
    return empty;
  }
  auto* open = reinterpret_cast<OpenKey*>(key);
  return state.open.count(open) != 0 ? open->key : nullptr;
}

std::string KeyText(HKEY key) {
  if (key == HKEY_LOCAL_MACHINE) {
    return "HKLM";
  }
  return key == nullptr ? "null" : "key";
}

LONG Open(HKEY key, std::u16string_view sub_key, HKEY* result) {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  std::shared_ptr<Key> node = NodeOf(state, key);
  if (node == nullptr) {
    return static_cast<LONG>(ERROR_INVALID_HANDLE);
  }
  for (const std::u16string& part : Components(sub_key)) {
    auto it = node->children.find(part);
    if (it == node->children.end()) {
      return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
    }
    node = it->second;
  }
  auto* open = new OpenKey{node};
  state.open.insert(open);
  *result = reinterpret_cast<HKEY>(open);
  return static_cast<LONG>(ERROR_SUCCESS);
}

LONG Query(HKEY key,
           std::u16string_view name,
           bool ansi,
           LPDWORD type,
           LPBYTE data,
           LPDWORD data_size) {
  if (data != nullptr && data_size == nullptr) {
    return static_cast<LONG>(ERROR_INVALID_PARAMETER);
  }
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  std::shared_ptr<Key> node = NodeOf(state, key);
  if (node == nullptr) {
    return static_cast<LONG>(ERROR_INVALID_HANDLE);
  }
  auto it = node->values.find(FoldCase(name));
  if (it == node->values.end()) {
    return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
  }
  const Value& value = it->second;
  std::vector<std::uint8_t> narrow;
  const std::vector<std::uint8_t>* bytes = &value.bytes;
  if (ansi && (value.type == REG_SZ || value.type == REG_EXPAND_SZ || value.type == REG_MULTI_SZ)) {
    std::u16string wide;
    for (std::size_t i = 0; i + 1 < value.bytes.size(); i += 2) {
      wide.push_back(static_cast<char16_t>(value.bytes[i] | value.bytes[i + 1] << 8));
    }
    const std::string text = NarrowAnsi(wide);
    narrow.assign(text.begin(), text.end());
    bytes = &narrow;
  }
  if (type != nullptr) {
    *type = value.type;
  }
  const auto size = static_cast<DWORD>(bytes->size());
  if (data == nullptr) {
    if (data_size != nullptr) {
      *data_size = size;
    }
    return static_cast<LONG>(ERROR_SUCCESS);
  }
  if (*data_size < size) {
    *data_size = size;
    return static_cast<LONG>(ERROR_MORE_DATA);
  }
  std::copy(bytes->begin(), bytes->end(), data);
  *data_size = size;
  return static_cast<LONG>(ERROR_SUCCESS);
}

LONG Logged(const std::string& call, LONG result) {
  LogCall(call + " = " + std::to_string(result));
  return result;
}

}  // namespace

void RegistrySetValue(const std::u16string& key_path,
                      const std::u16string& name,
                      DWORD type,
                      std::vector<std::uint8_t> bytes) {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  MakePath(state.root, key_path)->values[FoldCase(name)] = Value{type, std::move(bytes)};
}

void RegistrySetString(const std::u16string& key_path,
                       const std::u16string& name,
                       const std::u16string& value) {
  RegistrySetValue(key_path, name, REG_SZ, StringBytes(value));
}

void RegistrySetDword(const std::u16string& key_path, const std::u16string& name, DWORD value) {
  RegistrySetValue(
      key_path, name, REG_DWORD,
      {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
       static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)});
}

void RegistryDeleteKey(const std::u16string& key_path) {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  std::vector<std::u16string> parts = Components(key_path);
  if (parts.empty()) {
    return;
  }
  std::shared_ptr<Key> node = state.root;
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    auto it = node->children.find(parts[i]);
    if (it == node->children.end()) {
      return;
    }
    node = it->second;
  }
  node->children.erase(parts.back());
}

void ResetRegistry() {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  Seed(state);
}

}  // namespace vel::platform

LONG RegOpenKeyExW(HKEY key, LPCWSTR sub_key, DWORD, REGSAM, HKEY* result) {
  const std::string call =
      "RegOpenKeyExW(" + vel::platform::KeyText(key) + ", " + vel::platform::LogText(sub_key) + ")";
  if (result == nullptr) {
    return vel::platform::Logged(call, static_cast<LONG>(ERROR_INVALID_PARAMETER));
  }
  *result = nullptr;
  if (vel::platform::ShouldFail("RegOpenKeyExW")) {
    return vel::platform::Logged(call, static_cast<LONG>(ERROR_ACCESS_DENIED));
  }
  return vel::platform::Logged(
      call, vel::platform::Open(key, sub_key != nullptr ? sub_key : u"", result));
}

LONG RegOpenKeyExA(HKEY key, LPCSTR sub_key, DWORD, REGSAM, HKEY* result) {
  const std::string call = "RegOpenKeyExA(" + vel::platform::KeyText(key) + ", " +
                           (sub_key != nullptr ? sub_key : "(null)") + ")";
  if (result == nullptr) {
    return vel::platform::Logged(call, static_cast<LONG>(ERROR_INVALID_PARAMETER));
  }
  *result = nullptr;
  if (vel::platform::ShouldFail("RegOpenKeyExA")) {
    return vel::platform::Logged(call, static_cast<LONG>(ERROR_ACCESS_DENIED));
  }
  return vel::platform::Logged(
      call, vel::platform::Open(key, vel::platform::WidenAnsi(sub_key != nullptr ? sub_key : ""),
                                result));
}

LONG RegQueryValueExW(HKEY key,
                      LPCWSTR name,
                      LPDWORD,
                      LPDWORD type,
                      LPBYTE data,
                      LPDWORD data_size) {
  const std::string call = "RegQueryValueExW(" + vel::platform::LogText(name) + ")";
  if (vel::platform::ShouldFail("RegQueryValueExW")) {
    return vel::platform::Logged(call, static_cast<LONG>(ERROR_FILE_NOT_FOUND));
  }
  return vel::platform::Logged(
      call, vel::platform::Query(key, name != nullptr ? name : u"", false, type, data, data_size));
}

LONG RegQueryValueExA(HKEY key,
                      LPCSTR name,
                      LPDWORD,
                      LPDWORD type,
                      LPBYTE data,
                      LPDWORD data_size) {
  const std::string call =
      "RegQueryValueExA(" + std::string(name != nullptr ? name : "(null)") + ")";
  if (vel::platform::ShouldFail("RegQueryValueExA")) {
    return vel::platform::Logged(call, static_cast<LONG>(ERROR_FILE_NOT_FOUND));
  }
  return vel::platform::Logged(
      call, vel::platform::Query(key, vel::platform::WidenAnsi(name != nullptr ? name : ""), true,
                                 type, data, data_size));
}

LONG RegCloseKey(HKEY key) {
  auto& state = vel::platform::GetState();
  LONG result = static_cast<LONG>(ERROR_SUCCESS);
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    auto* open = reinterpret_cast<vel::platform::OpenKey*>(key);
    if (key == HKEY_LOCAL_MACHINE || key == HKEY_CURRENT_USER || key == HKEY_CLASSES_ROOT) {
      // Predefined keys stay open.
    } else if (state.open.erase(open) != 0) {
      delete open;
    } else {
      result = static_cast<LONG>(ERROR_INVALID_HANDLE);
    }
  }
  return vel::platform::Logged("RegCloseKey", result);
}
