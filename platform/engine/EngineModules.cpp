// Data modules (files mapped into memory) and the built-in system image of the stand-in engine.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mutex>
#include <new>
#include <set>
#include <string>

#include "platform/CallLog.h"
#include "platform/PathMap.h"
#include "platform/WideText.h"
#include "platform/engine/EngineFixture.h"
#include "platform/engine/EngineLedger.h"
#include "platform/engine/EngineNative.h"
#include "platform/engine/winddi.h"

namespace detail = vel::platform::engine::detail;
using vel::platform::LogCall;
using vel::platform::ShouldFail;

namespace {

// The view of a 0-byte file: a valid address of which no byte may be used.
unsigned char g_empty_view[1];

struct Module {
  int fd = -1;
  void* view = nullptr;
  std::size_t size = 0;
  std::uint32_t generation = 0;
};

struct Image {
  std::uint32_t generation = 0;
};

// Live modules and images, so that a stale or foreign handle is refused rather than used.
struct Registry {
  std::mutex mutex;
  std::set<void*> modules;
  std::set<void*> images;
  std::set<std::string> omitted_names;
};

Registry& GetRegistry() {
  static Registry* registry = new Registry;
  return *registry;
}

std::string NameText(LPCWSTR name) {
  return name == nullptr ? std::string("null")
                         : vel::platform::ToUtf8(std::u16string_view(
                               name, vel::platform::WideLength(name)));
}

HANDLE Open(LPWSTR name, bool writable, ULONG cj) {
  if (name == nullptr) {
    return nullptr;
  }
  std::string path =
      vel::platform::MapPlatformPath(std::u16string_view(name, vel::platform::WideLength(name)));
  if (path.empty()) {
    return nullptr;
  }
  int fd = ::open(path.c_str(), writable ? (O_RDWR | O_CREAT | O_CLOEXEC) : (O_RDONLY | O_CLOEXEC),
                  0644);
  if (fd < 0) {
    return nullptr;
  }
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
      (writable && cj > 0 && ::ftruncate(fd, static_cast<off_t>(cj)) != 0) ||
      (writable && cj > 0 && ::fstat(fd, &info) != 0) ||
      static_cast<std::uint64_t>(info.st_size) > 0xFFFFFFFFu) {
    ::close(fd);
    return nullptr;
  }
  auto size = static_cast<std::size_t>(info.st_size);
  void* view = g_empty_view;
  if (size > 0) {
    view = ::mmap(nullptr, size, writable ? (PROT_READ | PROT_WRITE) : PROT_READ,
                  writable ? MAP_SHARED : MAP_PRIVATE, fd, 0);
    if (view == MAP_FAILED) {
      ::close(fd);
      return nullptr;
    }
  }
  auto* module = new (std::nothrow) Module;
  if (module == nullptr) {
    if (size > 0) {
      ::munmap(view, size);
    }
    ::close(fd);
    return nullptr;
  }
  module->fd = fd;
  module->view = view;
  module->size = size;
  module->generation = detail::CountCreated(detail::Kind::kModule);
  Registry& registry = GetRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.modules.insert(module);
  return module;
}

bool IsModule(HANDLE handle) {
  Registry& registry = GetRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  return registry.modules.count(handle) != 0;
}

bool IsSystemImageName(std::string_view name) {
  std::size_t slash = name.find_last_of("\\/");
  std::string_view base = slash == std::string_view::npos ? name : name.substr(slash + 1);
  return vel::platform::EqualsIgnoringCase(vel::platform::ToUtf16(base), u"ntdll.dll");
}

}  // namespace

HANDLE EngLoadModule(LPWSTR name) {
  HANDLE module = ShouldFail("EngLoadModule") ? nullptr : Open(name, false, 0);
  LogCall("EngLoadModule(" + NameText(name) + ")" + (module == nullptr ? " = 0" : ""));
  return module;
}

HANDLE EngLoadModuleForWrite(LPWSTR name, ULONG cj) {
  HANDLE module = ShouldFail("EngLoadModuleForWrite") ? nullptr : Open(name, true, cj);
  LogCall("EngLoadModuleForWrite(" + NameText(name) + ", " + std::to_string(cj) + ")" +
          (module == nullptr ? " = 0" : ""));
  return module;
}

PVOID EngMapModule(HANDLE handle, PULONG size) {
  if (ShouldFail("EngMapModule") || !IsModule(handle)) {
    LogCall("EngMapModule = null");
    return nullptr;
  }
  auto* module = static_cast<Module*>(handle);
  if (size != nullptr) {
    *size = static_cast<ULONG>(module->size);
  }
  LogCall("EngMapModule = " + std::to_string(module->size) + " bytes");
  return module->view;
}

void EngFreeModule(HANDLE handle) {
  {
    Registry& registry = GetRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    if (registry.modules.erase(handle) == 0) {
      LogCall("EngFreeModule(unknown handle)");
      detail::AddProblem("EngFreeModule of a handle that is no open module");
      return;
    }
  }
  auto* module = static_cast<Module*>(handle);
  if (module->size > 0) {
    ::munmap(module->view, module->size);
  }
  ::close(module->fd);
  detail::CountDeleted(detail::Kind::kModule, module->generation);
  delete module;
  LogCall("EngFreeModule");
}

HANDLE EngLoadImage(LPWSTR name) {
  std::string text = NameText(name);
  Image* image = nullptr;
  if (!ShouldFail("EngLoadImage") && name != nullptr && IsSystemImageName(text)) {
    image = new (std::nothrow) Image;
    if (image != nullptr) {
      image->generation = detail::CountCreated(detail::Kind::kImage);
      Registry& registry = GetRegistry();
      std::lock_guard<std::mutex> lock(registry.mutex);
      registry.images.insert(image);
    }
  }
  LogCall("EngLoadImage(" + text + ")" + (image == nullptr ? " = 0" : ""));
  return image;
}

PVOID EngFindImageProcAddress(HANDLE image, LPSTR name) {
  std::string text = name == nullptr ? std::string("null") : std::string(name);
  PVOID address = nullptr;
  if (!ShouldFail("EngFindImageProcAddress") && name != nullptr) {
    Registry& registry = GetRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    if (registry.images.count(image) != 0 && registry.omitted_names.count(text) == 0) {
      address = vel::platform::engine::native::FindFunction(text);
    }
  }
  LogCall("EngFindImageProcAddress(" + text + ")" + (address == nullptr ? " = null" : ""));
  return address;
}

void EngUnloadImage(HANDLE handle) {
  {
    Registry& registry = GetRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    if (registry.images.erase(handle) == 0) {
      LogCall("EngUnloadImage(unknown handle)");
      detail::AddProblem("EngUnloadImage of a handle that is no loaded image");
      return;
    }
  }
  auto* image = static_cast<Image*>(handle);
  detail::CountDeleted(detail::Kind::kImage, image->generation);
  delete image;
  LogCall("EngUnloadImage");
}

namespace vel::platform::engine {

void OmitImageName(const std::string& name) {
  Registry& registry = GetRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  if (name.empty()) {
    registry.omitted_names.clear();
  } else {
    registry.omitted_names.insert(name);
  }
}

}  // namespace vel::platform::engine
