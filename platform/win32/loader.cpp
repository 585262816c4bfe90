// Stand-in Win32 module loader over virtual modules and module shared libraries.
#include "platform/win32/loader.h"

#include <dlfcn.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "platform/CallLog.h"
#include "platform/PathMap.h"
#include "platform/WideText.h"
#include "platform/win32/LoaderInternal.h"
#include "platform/win32/text.h"

namespace vel::platform {
namespace {

using detail::ResourceRecord;

// What a module holds once it is read: from a virtual definition or from a shared library's
// descriptor. Resource records point into `owned` (virtual) or into the library's table.
struct Image {
  ModuleEntry entry = nullptr;
  std::shared_ptr<const VirtualModule> definition;  // virtual modules
  std::vector<ResourceRecord> resources;
  void* library = nullptr;             // shared libraries: the dlopen handle
  const void* library_base = nullptr;  // and its load address, to check exports
};

struct Module {
  int serial = 0;
  std::u16string path;      // Windows-style
  std::u16string key;       // folded path without ".DLL"
  std::u16string base_key;  // folded base name without ".DLL"
  Image image;
  int count = 0;
};

struct State {
  std::recursive_mutex mutex;
  std::vector<std::shared_ptr<const VirtualModule>> virtual_modules;
  std::vector<std::unique_ptr<Module>> loaded;
  std::map<std::u16string, DWORD> failures;  // by base key
  std::string host_folder;
  std::u16string windows_folder = u"C:\\WINNT\\system32";
  int next_serial = 1;
  Module process;
};

State& GetState() {
  static State* state = [] {
    auto* s = new State;
    s->process.serial = 0;
    s->process.path = u"C:\\WINNT\\system32\\velhost.exe";
    s->process.count = 1;
    return s;
  }();
  return *state;
}

std::u16string StripDll(std::u16string folded) {
  if (folded.size() > 4 && folded.compare(folded.size() - 4, 4, u".DLL") == 0) {
    folded.resize(folded.size() - 4);
  }
  return folded;
}

std::u16string BaseName(std::u16string_view path) {
  const auto slash = path.find_last_of(u"\\/:");
  return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

bool IsPath(std::u16string_view name) {
  return name.find_first_of(u"\\/:") != std::u16string_view::npos;
}

// The key under which names compare: case folded, '/' taken as '\', without ".DLL".
std::u16string KeyOf(std::u16string_view name) {
  std::u16string key = FoldCase(name);
  std::replace(key.begin(), key.end(), u'/', u'\\');
  return StripDll(std::move(key));
}

std::u16string WithDll(std::u16string name) {
  if (name.find(u'.') == std::u16string::npos) {
    name += u".dll";
  }
  return name;
}

Module* FindLoaded(State& state, std::u16string_view name) {
  const bool path = IsPath(name);
  const std::u16string key = KeyOf(name);
  for (auto& module : state.loaded) {
    if ((path ? module->key : module->base_key) == key) {
      return module.get();
    }
  }
  return nullptr;
}

Module* FindHandle(State& state, HMODULE handle) {
  for (auto& module : state.loaded) {
    if (reinterpret_cast<HMODULE>(module.get()) == handle) {
      return module.get();
    }
  }
  return nullptr;
}

std::shared_ptr<const VirtualModule> FindVirtual(State& state, std::u16string_view name) {
  const bool path = IsPath(name);
  const std::u16string key = KeyOf(name);
  for (const auto& definition : state.virtual_modules) {
    const std::u16string candidate =
        path ? KeyOf(definition->path) : KeyOf(BaseName(definition->path));
    if (candidate == key) {
      return definition;
    }
  }
  return nullptr;
}

ResourceRecord RecordOf(const ResourceId& type,
                        const ResourceId& name,
                        std::uint16_t language,
                        const std::uint8_t* data,
                        std::uint32_t size) {
  ResourceRecord record;
  record.type_id = type.name == nullptr ? type.id : 0;
  record.type_name = type.name == nullptr ? u"" : FoldCase(type.name);
  record.name_id = name.name == nullptr ? name.id : 0;
  record.name_name = name.name == nullptr ? u"" : FoldCase(name.name);
  record.language = language;
  record.data = data;
  record.size = size;
  return record;
}

Image ImageOf(std::shared_ptr<const VirtualModule> definition) {
  Image image;
  image.entry = definition->entry;
  for (const auto& resource : definition->resources) {
    image.resources.push_back(RecordOf(resource.type, resource.name, resource.language,
                                       resource.bytes.data(),
                                       static_cast<std::uint32_t>(resource.bytes.size())));
  }
  image.definition = std::move(definition);
  return image;
}

// Opens a module shared library and reads its descriptor; 0 or the error of a failed open.
DWORD OpenLibrary(const std::string& host_path, Image* image) {
  void* library = dlopen(host_path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    return ERROR_BAD_EXE_FORMAT;
  }
  auto function =
      reinterpret_cast<ModuleDescriptorFunction>(dlsym(library, kModuleDescriptorExport));
  const ModuleDescriptor* descriptor = function != nullptr ? function() : nullptr;
  Dl_info info{};
  if (descriptor == nullptr || descriptor->version != kModuleDescriptorVersion ||
      (descriptor->resource_count > 0 && descriptor->resources == nullptr) ||
      dladdr(reinterpret_cast<void*>(function), &info) == 0) {
    dlclose(library);
    return ERROR_BAD_EXE_FORMAT;
  }
  image->entry = descriptor->entry;
  image->library = library;
  image->library_base = info.dli_fbase;
  for (std::size_t i = 0; i < descriptor->resource_count; ++i) {
    const ResourceEntry& entry = descriptor->resources[i];
    image->resources.push_back(
        RecordOf(entry.type, entry.name, entry.language, entry.data, entry.size));
  }
  return 0;
}

// The host file of a bare module name in the module folder, matched ignoring case.
std::optional<std::string> FindInFolder(const State& state, std::u16string_view name) {
  if (state.host_folder.empty()) {
    return std::nullopt;
  }
  const std::u16string wanted = KeyOf(BaseName(name)) + FoldCase(WidenAnsi(ModuleFileSuffix()));
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(state.host_folder, error)) {
    if (FoldCase(WidenAnsi(entry.path().filename().string())) == wanted &&
        entry.is_regular_file(error)) {
      return entry.path().string();
    }
  }
  return std::nullopt;
}

struct Found {
  std::u16string path;  // Windows-style
  std::shared_ptr<const VirtualModule> definition;
  std::string host_path;  // shared library
};

// Where a name leads that is not loaded yet: a virtual module or a shared library.
std::optional<Found> Locate(State& state, std::u16string_view name) {
  if (auto definition = FindVirtual(state, name)) {
    return Found{definition->path, definition, {}};
  }
  if (!IsPath(name)) {
    if (auto host = FindInFolder(state, name)) {
      return Found{state.windows_folder + u"\\" + WithDll(std::u16string(name)), nullptr, *host};
    }
    return std::nullopt;
  }
  // A path: the module file on disk has the host's suffix in place of ".dll"; a file of exactly
  // the given name is taken too.
  std::u16string stem(name);
  if (KeyOf(stem) != FoldCase(stem)) {
    stem.resize(stem.size() - 4);
  }
  for (const std::u16string& candidate :
       {stem + WidenAnsi(ModuleFileSuffix()), std::u16string(name)}) {
    const std::string host = MapPlatformPath(std::u16string_view(candidate));
    std::error_code error;
    if (!host.empty() && std::filesystem::is_regular_file(host, error)) {
      return Found{std::u16string(name), nullptr, host};
    }
  }
  return std::nullopt;
}

void Unload(State& state, Module* module) {
  if (module->image.library != nullptr) {
    dlclose(module->image.library);
  }
  for (auto it = state.loaded.begin(); it != state.loaded.end(); ++it) {
    if (it->get() == module) {
      state.loaded.erase(it);
      return;
    }
  }
}

HMODULE Load(std::u16string_view name, DWORD* error) {
  State& state = GetState();
  if (auto failure = state.failures.find(KeyOf(BaseName(name))); failure != state.failures.end()) {
    *error = failure->second;
    return nullptr;
  }
  if (Module* module = FindLoaded(state, name)) {
    ++module->count;
    return reinterpret_cast<HMODULE>(module);
  }
  std::optional<Found> found = Locate(state, name);
  if (!found) {
    *error = ERROR_MOD_NOT_FOUND;
    return nullptr;
  }
  Image image;
  if (found->definition != nullptr) {
    image = ImageOf(found->definition);
  } else if (DWORD open_error = OpenLibrary(found->host_path, &image); open_error != 0) {
    *error = open_error;
    return nullptr;
  }
  // The same library reached by another name is the same module.
  if (image.library != nullptr) {
    for (auto& module : state.loaded) {
      if (module->image.library == image.library) {
        dlclose(image.library);
        ++module->count;
        return reinterpret_cast<HMODULE>(module.get());
      }
    }
  }
  auto module = std::make_unique<Module>();
  module->serial = state.next_serial++;
  module->path = found->path;
  module->key = KeyOf(found->path);
  module->base_key = KeyOf(BaseName(found->path));
  module->image = std::move(image);
  module->count = 1;
  Module* raw = module.get();
  state.loaded.push_back(std::move(module));
  const auto handle = reinterpret_cast<HMODULE>(raw);
  if (raw->image.entry != nullptr &&
      raw->image.entry(handle, DLL_PROCESS_ATTACH, nullptr) == FALSE) {
    raw->image.entry(handle, DLL_PROCESS_DETACH, nullptr);
    Unload(state, raw);
    *error = ERROR_DLL_INIT_FAILED;
    return nullptr;
  }
  return handle;
}

}  // namespace

void RegisterVirtualModule(VirtualModule module) {
  State& state = GetState();
  std::lock_guard<std::recursive_mutex> lock(state.mutex);
  auto definition = std::make_shared<const VirtualModule>(std::move(module));
  const std::u16string key = KeyOf(definition->path);
  for (auto& existing : state.virtual_modules) {
    if (KeyOf(existing->path) == key) {
      existing = definition;
      return;
    }
  }
  state.virtual_modules.push_back(std::move(definition));
}

void UnregisterVirtualModule(const std::u16string& path) {
  State& state = GetState();
  std::lock_guard<std::recursive_mutex> lock(state.mutex);
  const std::u16string key = KeyOf(path);
  std::erase_if(state.virtual_modules, [&](const auto& d) { return KeyOf(d->path) == key; });
}

void SetModuleFolder(const std::string& host_folder, const std::u16string& windows_folder) {
  State& state = GetState();
  std::lock_guard<std::recursive_mutex> lock(state.mutex);
  state.host_folder = host_folder;
  state.windows_folder = windows_folder;
}

void SetProcessImagePath(const std::u16string& path) {
  State& state = GetState();
  std::lock_guard<std::recursive_mutex> lock(state.mutex);
  state.process.path = path;
}

int ModuleLoadCount(HMODULE handle) {
  State& state = GetState();
  std::lock_guard<std::recursive_mutex> lock(state.mutex);
  Module* module = FindHandle(state, handle);
  return module != nullptr ? module->count : 0;
}

void FailModuleLoad(const std::u16string& name, DWORD error) {
  State& state = GetState();
  std::lock_guard<std::recursive_mutex> lock(state.mutex);
  state.failures[KeyOf(BaseName(name))] = error;
}

void ResetLoaderFixture() {
  State& state = GetState();
  std::lock_guard<std::recursive_mutex> lock(state.mutex);
  state.virtual_modules.clear();
  state.failures.clear();
  state.host_folder.clear();
  state.windows_folder = u"C:\\WINNT\\system32";
  state.process.path = u"C:\\WINNT\\system32\\velhost.exe";
}

const char* ModuleFileSuffix() {
#if defined(__APPLE__)
  return ".dylib";
#else
  return ".so";
#endif
}

namespace detail {

const std::vector<ResourceRecord>* ResourcesOf(HMODULE handle) {
  State& state = GetState();
  std::lock_guard<std::recursive_mutex> lock(state.mutex);
  if (handle == nullptr || handle == reinterpret_cast<HMODULE>(&state.process)) {
    return &state.process.image.resources;
  }
  Module* module = FindHandle(state, handle);
  return module != nullptr ? &module->image.resources : nullptr;
}

bool ReadVersionResource(LPCWSTR name, std::vector<std::uint8_t>* bytes, DWORD* error) {
  State& state = GetState();
  std::lock_guard<std::recursive_mutex> lock(state.mutex);
  if (name == nullptr || *name == 0) {
    *error = ERROR_INVALID_PARAMETER;
    return false;
  }
  auto copy_version = [&](const std::vector<ResourceRecord>& resources) {
    for (const ResourceRecord& record : resources) {
      if (record.type_name.empty() && record.type_id == kRtVersion) {
        bytes->assign(record.data, record.data + record.size);
        return true;
      }
    }
    *error = ERROR_RESOURCE_TYPE_NOT_FOUND;
    return false;
  };
  if (Module* module = FindLoaded(state, name)) {
    return copy_version(module->image.resources);
  }
  std::optional<Found> found = Locate(state, name);
  if (!found) {
    *error = ERROR_FILE_NOT_FOUND;
    return false;
  }
  if (found->definition != nullptr) {
    return copy_version(ImageOf(found->definition).resources);
  }
  Image image;
  if (DWORD open_error = OpenLibrary(found->host_path, &image); open_error != 0) {
    *error = open_error;
    return false;
  }
  const bool result = copy_version(image.resources);
  dlclose(image.library);
  return result;
}

bool FindModule(LPCWSTR name, std::u16string* windows_path) {
  State& state = GetState();
  std::lock_guard<std::recursive_mutex> lock(state.mutex);
  if (name == nullptr || *name == 0) {
    return false;
  }
  if (Module* module = FindLoaded(state, name)) {
    *windows_path = module->path;
    return true;
  }
  std::optional<Found> found = Locate(state, name);
  if (!found) {
    return false;
  }
  *windows_path = found->path;
  return true;
}

std::string ModuleLogText(HMODULE handle) {
  if (handle == nullptr) {
    return "null";
  }
  State& state = GetState();
  std::lock_guard<std::recursive_mutex> lock(state.mutex);
  if (handle == reinterpret_cast<HMODULE>(&state.process)) {
    return "module#0";
  }
  Module* module = FindHandle(state, handle);
  return module != nullptr ? "module#" + std::to_string(module->serial) : "module#?";
}

}  // namespace detail
}  // namespace vel::platform

using vel::platform::LogCall;
using vel::platform::LogText;
using vel::platform::ShouldFail;
using vel::platform::detail::ModuleLogText;

HMODULE LoadLibraryW(LPCWSTR name) {
  auto& state = vel::platform::GetState();
  std::lock_guard<std::recursive_mutex> lock(state.mutex);
  DWORD error = 0;
  HMODULE module = nullptr;
  if (ShouldFail("LoadLibraryW")) {
    error = ERROR_NOT_ENOUGH_MEMORY;
  } else if (name == nullptr || *name == 0) {
    error = ERROR_INVALID_PARAMETER;
  } else {
    module = vel::platform::Load(name, &error);
  }
  if (module == nullptr) {
    SetLastError(error);
  }
  LogCall("LoadLibraryW(" + LogText(name) + ") = " + ModuleLogText(module) +
          (module == nullptr ? " error " + std::to_string(error) : ""));
  return module;
}

BOOL FreeLibrary(HMODULE handle) {
  auto& state = vel::platform::GetState();
  std::lock_guard<std::recursive_mutex> lock(state.mutex);
  const std::string text = ModuleLogText(handle);
  if (ShouldFail("FreeLibrary")) {
    SetLastError(ERROR_GEN_FAILURE);
    LogCall("FreeLibrary(" + text + ") = FALSE");
    return FALSE;
  }
  vel::platform::Module* module = vel::platform::FindHandle(state, handle);
  if (module == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    LogCall("FreeLibrary(" + text + ") = FALSE");
    return FALSE;
  }
  LogCall("FreeLibrary(" + text + ") = TRUE");
  if (--module->count == 0) {
    if (module->image.entry != nullptr) {
      module->image.entry(handle, DLL_PROCESS_DETACH, nullptr);
    }
    vel::platform::Unload(state, module);
  }
  return TRUE;
}

FARPROC GetProcAddress(HMODULE handle, LPCSTR name) {
  auto& state = vel::platform::GetState();
  std::lock_guard<std::recursive_mutex> lock(state.mutex);
  const bool by_name = reinterpret_cast<ULONG_PTR>(name) > 0xFFFF;
  const std::string name_text =
      by_name ? name : "#" + std::to_string(reinterpret_cast<ULONG_PTR>(name));
  FARPROC result = nullptr;
  DWORD error = ERROR_PROC_NOT_FOUND;
  vel::platform::Module* module = vel::platform::FindHandle(state, handle);
  if (ShouldFail("GetProcAddress")) {
    error = ERROR_GEN_FAILURE;
  } else if (module == nullptr) {
    error = ERROR_INVALID_HANDLE;
  } else if (by_name && module->image.definition != nullptr) {
    const auto& exports = module->image.definition->exports;
    if (auto it = exports.find(name); it != exports.end()) {
      result = it->second;
    }
  } else if (by_name && module->image.library != nullptr) {
    // dlsym also searches the library's dependencies; an export is the module's own symbol only.
    void* symbol = dlsym(module->image.library, name);
    Dl_info info{};
    if (symbol != nullptr && dladdr(symbol, &info) != 0 &&
        info.dli_fbase == module->image.library_base) {
      result = reinterpret_cast<FARPROC>(symbol);
    }
  }
  if (result == nullptr) {
    SetLastError(error);
  }
  LogCall("GetProcAddress(" + ModuleLogText(handle) + ", " + name_text +
          ") = " + (result != nullptr ? "found" : "null error " + std::to_string(error)));
  return result;
}

DWORD GetModuleFileNameW(HMODULE handle, LPWSTR buffer, DWORD size) {
  auto& state = vel::platform::GetState();
  std::lock_guard<std::recursive_mutex> lock(state.mutex);
  const std::string text = ModuleLogText(handle);
  const vel::platform::Module* module =
      handle == nullptr ? &state.process : vel::platform::FindHandle(state, handle);
  if (handle == reinterpret_cast<HMODULE>(&state.process)) {
    module = &state.process;
  }
  if (ShouldFail("GetModuleFileNameW") || module == nullptr) {
    SetLastError(module == nullptr ? ERROR_MOD_NOT_FOUND : ERROR_GEN_FAILURE);
    LogCall("GetModuleFileNameW(" + text + ") = 0");
    return 0;
  }
  DWORD result = 0;
  if (buffer == nullptr || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
  } else if (module->path.size() >= size) {
    lstrcpynW(buffer, module->path.c_str(), static_cast<int>(size));
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    result = size;
  } else {
    lstrcpynW(buffer, module->path.c_str(), static_cast<int>(size));
    result = static_cast<DWORD>(module->path.size());
  }
  LogCall("GetModuleFileNameW(" + text + ", " + std::to_string(size) +
          ") = " + std::to_string(result));
  return result;
}

HMODULE GetModuleHandleW(LPCWSTR name) {
  auto& state = vel::platform::GetState();
  std::lock_guard<std::recursive_mutex> lock(state.mutex);
  HMODULE result = nullptr;
  if (ShouldFail("GetModuleHandleW")) {
    SetLastError(ERROR_GEN_FAILURE);
  } else if (name == nullptr) {
    result = reinterpret_cast<HMODULE>(&state.process);
  } else if (vel::platform::Module* module = vel::platform::FindLoaded(state, name)) {
    result = reinterpret_cast<HMODULE>(module);
  } else {
    SetLastError(ERROR_MOD_NOT_FOUND);
  }
  LogCall("GetModuleHandleW(" + LogText(name) + ") = " + ModuleLogText(result));
  return result;
}
