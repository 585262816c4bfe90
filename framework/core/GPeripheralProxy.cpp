// GPeripheralProxy: making, forwarding to and giving back the add-on stage of a library.
#include "framework/core/GPeripheralProxy.h"

#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/StoredFields.h"
#include "framework/core/StoredStrings.h"
#include "framework/core/StringWidth.h"
#include "framework/pipeline/CommandParts.h"
#include "framework/pipeline/GCommand.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"
#include "rw/rwstore.h"

namespace {

struct EntryNames {
  const char16_t* create;
  const char16_t* destroy;
};

// By add-on kind, 0 to 4.
constexpr EntryNames kEntryNames[] = {
    {u"_C_GENERIC_ADDON", u"_D_GENERIC_ADDON"},
    {u"_C_PCLXL_ADDON", u"_D_PCLXL_ADDON"},
    {u"_C_PCL_ADDON", u"_D_PCL_ADDON"},
    {u"_C_PS_ADDON", u"_D_PS_ADDON"},
    {u"_C_PJL_ADDON", u"_D_PJL_ADDON"},
};

// The 8-bit form of an entry name, as the platform looks entries up.
RWCString EntryName(const RWWString& name) {
  RWCString narrow;
  (void)NarrowString(name, narrow);
  return narrow;
}

}  // namespace

GPeripheralProxy::GPeripheralProxy() = default;

GPeripheralProxy::GPeripheralProxy(GPeripheral* add_on) : add_on_(add_on) {}

GPeripheralProxy::GPeripheralProxy(const RWWString& library, std::int32_t kind, std::int32_t mode)
    : kind_(kind), mode_(mode), library_(library) {
  SetEntryNames();
  if (mode_ == kLoadOnce) {
    HoldMade(MakeAddOn());
  }
}

GPeripheralProxy::GPeripheralProxy(const GPeripheralProxy& other)
    : GPeripheral(other),
      add_on_(other.add_on_),
      library_made_(other.library_made_),
      create_name_(other.create_name_),
      destroy_name_(other.destroy_name_),
      kind_(other.kind_),
      mode_(other.mode_),
      library_(other.library_) {}

GPeripheralProxy::~GPeripheralProxy() {
  DestroyAddOn();
}

RWClassID GPeripheralProxy::ClassId() {
  return vel::classid::kGPeripheralProxy;
}

RWCollectable* GPeripheralProxy::Create() {
  return new (std::nothrow) GPeripheralProxy;
}

RWCollectable* GPeripheralProxy::CreateInstance() const {
  return Create();
}

RWCollectable* GPeripheralProxy::Clone() const {
  return new (std::nothrow) GPeripheralProxy(*this);
}

RWClassID GPeripheralProxy::IsA() const {
  return ClassId();
}

bool GPeripheralProxy::IsKindOf(RWClassID id) const {
  return id == ClassId() || GPeripheral::IsKindOf(id);
}

bool GPeripheralProxy::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  const auto* proxy = dynamic_cast<const GPeripheralProxy*>(other);
  return proxy != nullptr && GPeripheral::IsSameKey(other) &&
         library_.IsSameKey(&proxy->library_) && kind_ == proxy->kind_ &&
         mode_ == proxy->mode_ && create_name_ == proxy->create_name_ &&
         destroy_name_ == proxy->destroy_name_ && !add_on_ == !proxy->add_on_;
}

void GPeripheralProxy::SetEntryNames() {
  if (kind_ >= kAddOnGeneric && kind_ <= kAddOnPJL) {
    create_name_ = RWWString(kEntryNames[kind_].create);
    destroy_name_ = RWWString(kEntryNames[kind_].destroy);
  } else {
    create_name_ = RWWString();
    destroy_name_ = RWWString();
  }
}

GPeripheral* GPeripheralProxy::MakeAddOn() {
  library_.Load();
  const std::uintptr_t address = library_.Call(EntryName(create_name_).Data(), 0, 0);
  return reinterpret_cast<GPeripheral*>(address);
}

void GPeripheralProxy::HoldMade(GPeripheral* add_on) {
  add_on_ = GCountedPtr(add_on);
  library_made_ = add_on != nullptr;
}

void GPeripheralProxy::DestroyAddOn() {
  if (add_on_) {
    if (library_made_ && add_on_->References() == 0) {
      // The last holder: the library takes back the very object it made.
      GBaseObject* add_on = add_on_.Release();
      const RWCString destroy = EntryName(destroy_name_);
      if (library_.HasEntry(destroy.Data())) {
        (void)library_.Call(destroy.Data(), static_cast<GPeripheral*>(add_on));
      } else {
        // No destroy entry: the stage shares the host's framework and is deleted here, while its
        // library is still loaded.
        delete add_on;
      }
    } else {
      add_on_.Reset();
    }
  }
  library_made_ = false;
  library_.Unload();
}

GCommand* GPeripheralProxy::ProcessCommand(GCommand* command) {
  if (command == nullptr || !IsEnabled()) {
    return command;
  }
  if (add_on_ && library_.IsLoaded()) {
    // Held while it runs: a copy of this proxy may let go of it meanwhile.
    const GCountedPtr add_on = add_on_;
    return static_cast<GPeripheral*>(add_on.Get())->ProcessCommand(command);
  }
  if (mode_ != kLoadPerCommand) {
    return command;
  }
  DestroyAddOn();
  GPeripheral* made = MakeAddOn();
  if (made == nullptr) {
    library_.Unload();
    return command;
  }
  HoldMade(made);
  GCommand* result = made->ProcessCommand(command);
  DestroyAddOn();
  return result;
}

// ---------------------------------------------------------------------------------------------
// Stored form

std::uint32_t GPeripheralProxy::StoredByteCount() const {
  const vel::StoredSizeScope scope(this);
  return GPeripheral::StoredByteCount() + vel::kClassVersionSize + RWTotalStoredSize(&library_) +
         vel::StoredWideSize(create_name_) + vel::StoredWideSize(destroy_name_) + 8 +
         add_on_.StoredByteCount();
}

template <typename Carrier>
void GPeripheralProxy::Save(Carrier& carrier) const {
  const vel::SaveScope scope(this);
  GPeripheral::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  library_.SaveObject(carrier);
  vel::WriteString(carrier, create_name_);
  vel::WriteString(carrier, destroy_name_);
  vel::WriteField(carrier, mode_);
  vel::WriteField(carrier, kind_);
  add_on_.SaveContents(carrier);
}

void GPeripheralProxy::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GPeripheralProxy::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GPeripheralProxy::Restore(Carrier& carrier) {
  const vel::RestoreScope scope(this, carrier);
  GPeripheral::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  DestroyAddOn();
  RWCollectable* restored = carrier >> static_cast<RWCollectable&>(library_);
  if (restored != &library_ || !vel::CarrierGood(carrier)) {
    vel::FailCarrier(carrier);
    return;
  }
  RWWString create_name;
  RWWString destroy_name;
  std::int32_t mode = 0;
  std::int32_t kind = 0;
  if (!vel::ReadString(carrier, create_name) || !vel::ReadString(carrier, destroy_name) ||
      !vel::ReadField(carrier, mode) || !vel::ReadField(carrier, kind)) {
    vel::FailCarrier(carrier);
    return;
  }
  mode_ = mode;
  kind_ = kind;
  SetEntryNames();
  if (mode_ == kLoadOnce) {
    HoldMade(MakeAddOn());
  }
  // The stored stage: kept by its reference word (as a counted pointer keeps what it restores),
  // unless a library stage is held already, which stays.
  RWRestoredMember member(carrier, nullptr);
  if (!vel::CarrierGood(carrier)) {
    member.Keep(RWHold::kRefuses);
    return;
  }
  RWCollectable* object = member.Object();
  auto* stage = dynamic_cast<GPeripheral*>(object);
  if (object != nullptr && (stage == nullptr || member.NamesOpenRecord())) {
    member.Keep(RWHold::kRefuses);
    vel::FailCarrier(carrier);
    return;
  }
  if (stage == nullptr || add_on_) {
    member.Keep(stage == nullptr ? RWHold::kHolds : RWHold::kRefuses);
    return;
  }
  member.Keep(member.IsNew() ? RWHold::kOwns : RWHold::kHolds);
  add_on_ = GCountedPtr(stage);
  library_made_ = false;
}

void GPeripheralProxy::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GPeripheralProxy::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}
