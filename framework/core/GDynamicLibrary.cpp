// GDynamicLibrary: loading, sharing and calling a library.
#include "framework/core/GDynamicLibrary.h"

#include <atomic>
#include <new>

#include "framework/core/CachedCast.h"
#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/StoredStrings.h"
#include "framework/pipeline/CommandParts.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"
#include "vel_flavour.h"

namespace {

// Unloads a module. The kept cast answers are forgotten first: a type loaded later may be given the
// address of a type_info that goes with this module.
void FreeModuleAndForgetCasts(void* handle) {
  vel::ForgetCachedCasts();
  vel::flavour::FreeModule(handle);
}

}  // namespace

// The module handle with a count of the library objects that hold it.
class GDynamicLibrary::SharedModule {
 public:
  explicit SharedModule(void* handle) : handle_(handle) {}
  SharedModule(const SharedModule&) = delete;
  SharedModule& operator=(const SharedModule&) = delete;

  static SharedModule* Hold(SharedModule* module) {
    if (module != nullptr) {
      module->holders_.fetch_add(1, std::memory_order_relaxed);
    }
    return module;
  }
  static void Drop(SharedModule* module) {
    if (module != nullptr && module->holders_.fetch_sub(1, std::memory_order_acq_rel) == 1) {
      FreeModuleAndForgetCasts(module->handle_);
      delete module;
    }
  }
  void* Handle() const { return handle_; }

 private:
  void* handle_;
  std::atomic<int> holders_{1};
};

GDynamicLibrary::GDynamicLibrary(const RWWString& file_name) : file_name_(file_name) {}

GDynamicLibrary::GDynamicLibrary(const GDynamicLibrary& other)
    : GBaseObject(other),
      file_name_(other.file_name_),
      loaded_(other.loaded_),
      module_(SharedModule::Hold(other.module_)) {}

GDynamicLibrary& GDynamicLibrary::operator=(const GDynamicLibrary& other) {
  if (this == &other) {
    return *this;
  }
  GBaseObject::operator=(other);
  file_name_ = other.file_name_;
  loaded_ = other.loaded_;
  SharedModule* old = module_;
  module_ = SharedModule::Hold(other.module_);
  SharedModule::Drop(old);
  return *this;
}

GDynamicLibrary::~GDynamicLibrary() {
  Unload();
}

RWClassID GDynamicLibrary::ClassId() {
  return vel::classid::kGDynamicLibrary;
}

RWCollectable* GDynamicLibrary::Create() {
  return new (std::nothrow) GDynamicLibrary;
}

RWCollectable* GDynamicLibrary::CreateInstance() const {
  return Create();
}

RWCollectable* GDynamicLibrary::Clone() const {
  return new (std::nothrow) GDynamicLibrary(*this);
}

RWClassID GDynamicLibrary::IsA() const {
  return ClassId();
}

bool GDynamicLibrary::IsKindOf(RWClassID id) const {
  return id == ClassId() || GBaseObject::IsKindOf(id);
}

bool GDynamicLibrary::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  const auto* library = dynamic_cast<const GDynamicLibrary*>(other);
  return library != nullptr && GBaseObject::IsSameKey(other) &&
         file_name_ == library->file_name_;
}

void* GDynamicLibrary::Module() const {
  return module_ != nullptr ? module_->Handle() : nullptr;
}

void GDynamicLibrary::Load() {
  if (loaded_ != 0) {
    return;
  }
  loaded_ = 1;
  void* handle = vel::flavour::LoadModule(file_name_.Data());
  if (handle == nullptr) {
    return;
  }
  module_ = new (std::nothrow) SharedModule(handle);
  if (module_ == nullptr) {
    FreeModuleAndForgetCasts(handle);
  }
}

void GDynamicLibrary::Unload() {
  if (loaded_ == 0) {
    return;
  }
  SharedModule::Drop(module_);
  module_ = nullptr;
  loaded_ = 0;
}

std::uintptr_t GDynamicLibrary::CallWith(const char* entry, const std::uintptr_t* words) {
  Load();
  if (module_ == nullptr || entry == nullptr) {
    return 0;
  }
  void (*address)() = vel::flavour::FindModuleEntry(module_->Handle(), entry);
  if (address == nullptr) {
    return 0;
  }
  using Entry = std::uintptr_t (*)(const std::uintptr_t*);
  return reinterpret_cast<Entry>(address)(words);
}

bool GDynamicLibrary::HasEntry(const char* entry) const {
  return module_ != nullptr && entry != nullptr &&
         vel::flavour::FindModuleEntry(module_->Handle(), entry) != nullptr;
}

std::uint32_t GDynamicLibrary::StoredByteCount() const {
  return GBaseObject::StoredByteCount() + vel::kClassVersionSize + vel::StoredWideSize(file_name_);
}

template <typename Carrier>
void GDynamicLibrary::Save(Carrier& carrier) const {
  GBaseObject::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteString(carrier, file_name_);
}

void GDynamicLibrary::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GDynamicLibrary::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GDynamicLibrary::Restore(Carrier& carrier) {
  GBaseObject::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  RWWString name;
  if (!vel::ReadString(carrier, name)) {
    return;
  }
  file_name_ = name;
  Unload();
}

void GDynamicLibrary::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GDynamicLibrary::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}
