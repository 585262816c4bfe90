// GErrorCommand.
#include "framework/pipeline/GErrorCommand.h"

#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GTypedHandlers.h"
#include "framework/core/StoredFields.h"
#include "framework/pipeline/CommandParts.h"
#include "framework/pipeline/HeldRecord.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"
#include "rw/rwstore.h"

GErrorCommand::GErrorCommand(std::uint16_t status, GCommand* command, std::uint32_t key)
    : GCommand(key), status_(status), command_(command) {}

RWClassID GErrorCommand::ClassId() {
  return vel::classid::kGErrorCommand;
}

RWCollectable* GErrorCommand::Create() {
  return new (std::nothrow) GErrorCommand;
}

RWCollectable* GErrorCommand::CreateInstance() const {
  return Create();
}

RWCollectable* GErrorCommand::Clone() const {
  return new (std::nothrow) GErrorCommand(*this);
}

RWClassID GErrorCommand::IsA() const {
  return ClassId();
}

bool GErrorCommand::IsKindOf(RWClassID id) const {
  return id == ClassId() || GCommand::IsKindOf(id);
}

bool GErrorCommand::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  const auto* error = dynamic_cast<const GErrorCommand*>(other);
  return SameClass(other) && error != nullptr && GCommand::IsSameKey(other) &&
         error->status_ == status_ && error->command_.Get() == command_.Get();
}

std::uint16_t GErrorCommand::Accept(GTypedHandlers& handlers) {
  return handlers.HandleErrorCommand(*this);
}

GCommand* GErrorCommand::GetCommand() const {
  return static_cast<GCommand*>(command_.Get());
}

GCommand* GErrorCommand::ReleaseCommand() {
  return static_cast<GCommand*>(command_.Release());
}

std::uint32_t GErrorCommand::StoredByteCount() const {
  const vel::StoredSizeScope scope(this);
  std::uint32_t size = GCommand::StoredByteCount() + vel::kClassVersionSize + 2 + 4;
  if (command_.Get() != nullptr) {
    size += RWTotalStoredSize(command_.Get());
  }
  return size;
}

template <typename Carrier>
void GErrorCommand::Save(Carrier& carrier) const {
  const vel::SaveScope scope(this);
  GCommand::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteField(carrier, status_);
  const bool held = command_.Get() != nullptr;
  vel::WriteField(carrier, std::int32_t{held ? 1 : 0});
  if (held) {
    carrier << static_cast<const RWCollectable*>(command_.Get());
  }
}

void GErrorCommand::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GErrorCommand::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GErrorCommand::Restore(Carrier& carrier) {
  const vel::RestoreScope scope(this, carrier);
  GCommand::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  std::uint16_t status = 0;
  std::int32_t flag = 0;
  if (!vel::ReadField(carrier, status) || !vel::ReadField(carrier, flag)) {
    vel::FailCarrier(carrier);
    return;
  }
  if (flag != 0 && flag != 1) {
    // Only 0 and 1 are written; anything else is damaged data.
    vel::FailCarrier(carrier);
    return;
  }
  GBaseObject* command = nullptr;
  if (flag == 1 && !vel::RestoreHeldRecord(carrier, vel::classid::kGCommand, command)) {
    return;
  }
  status_ = status;
  if (command != command_.Get()) {
    command_ = GCountedPtr(command);
  }
}

void GErrorCommand::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GErrorCommand::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GErrorCommand::ForgetRestoredMembers() {
  command_.Reset();
  GCommand::ForgetRestoredMembers();
}
