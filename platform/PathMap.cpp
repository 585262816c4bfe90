// The mapping of Windows and NT names to host paths, with the case-insensitive fallback.
#include "platform/PathMap.h"

#include <dirent.h>
#include <sys/stat.h>

#include <filesystem>
#include <mutex>
#include <vector>

#include "platform/WideText.h"

namespace vel::platform {
namespace {

struct RootState {
  std::mutex mutex;
  std::string root;
};

RootState& GetRootState() {
  static RootState* state = new RootState;
  return *state;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) {
      return false;
    }
  }
  return true;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

bool IsDriveSpec(std::string_view text) {
  return text.size() >= 2 && text[1] == ':' &&
         ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z'));
}

bool Exists(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0;
}

// The entry of `folder` whose name equals `name` ignoring ASCII case, or `name` itself.
std::string FindEntry(const std::string& folder, const std::string& name) {
  std::string exact = folder + "/" + name;
  if (Exists(exact)) {
    return name;
  }
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) {
    return name;
  }
  std::string found = name;
  while (dirent* entry = ::readdir(dir)) {
    if (EqualsIgnoringAsciiCase(entry->d_name, name)) {
      found = entry->d_name;
      break;
    }
  }
  ::closedir(dir);
  return found;
}

// Splits `rest` at slashes and backslashes, resolving "." and ".." without leaving `base`.
std::vector<std::string> Components(std::string_view rest) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t end = rest.find_first_of("\\/", start);
    if (end == std::string_view::npos) {
      end = rest.size();
    }
    std::string_view part = rest.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) {
        parts.pop_back();
      }
    } else if (!part.empty() && part != ".") {
      parts.emplace_back(part);
    }
    start = end + 1;
  }
  return parts;
}

std::string Resolve(const std::string& base, std::string_view rest) {
  std::string path = base;
  for (const std::string& part : Components(rest)) {
    std::string entry = FindEntry(path, part);
    path += '/';
    path += entry;
  }
  return path;
}

}  // namespace

void SetPlatformRoot(const std::string& folder) {
  RootState& state = GetRootState();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.root = folder;
  while (state.root.size() > 1 && state.root.back() == '/') {
    state.root.pop_back();
  }
}

std::string PlatformRoot() {
  RootState& state = GetRootState();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (state.root.empty()) {
    std::error_code error;
    std::filesystem::path temp = std::filesystem::temp_directory_path(error);
    state.root = (error ? std::filesystem::path("/tmp") : temp) / "vel-platform-root";
  }
  return state.root;
}

std::string MapPlatformPath(std::string_view name) {
  if (name.empty() || name.find('\0') != std::string_view::npos) {
    return {};
  }
  if (name[0] == '/') {
    return std::string(name);
  }
  std::string root = PlatformRoot();
  std::string_view rest = name;
  bool needs_drive = false;
  if (StartsWithIgnoringCase(rest, "\\??\\")) {
    rest.remove_prefix(4);
    needs_drive = true;
  } else if (StartsWithIgnoringCase(rest, "\\DosDevices\\")) {
    rest.remove_prefix(12);
    needs_drive = true;
  } else if (StartsWithIgnoringCase(rest, "\\SystemRoot") &&
             (rest.size() == 11 || rest[11] == '\\' || rest[11] == '/')) {
    rest.remove_prefix(11);
    return Resolve(Resolve(root, "C\\WINNT"), rest);
  }
  if (IsDriveSpec(rest)) {
    char drive = rest[0] >= 'a' ? static_cast<char>(rest[0] - 'a' + 'A') : rest[0];
    rest.remove_prefix(2);
    return Resolve(Resolve(root, std::string(1, drive)), rest);
  }
  if (needs_drive || StartsWithIgnoringCase(rest, "\\\\") ||
      StartsWithIgnoringCase(rest, "\\Device\\")) {
    // Device objects and network names are no files of this machine.
    return {};
  }
  if (rest[0] == '\\') {
    return Resolve(Resolve(root, "C"), rest);
  }
  return Resolve(root, rest);
}

std::string MapPlatformPath(std::u16string_view name) {
  return MapPlatformPath(ToUtf8(name));
}

}  // namespace vel::platform
