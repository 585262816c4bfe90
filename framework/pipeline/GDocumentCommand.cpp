// GDocumentCommand, GDocumentStart and GDocumentEnd.
#include "framework/pipeline/GDocumentCommand.h"

#include <new>
#include <type_traits>

#include "framework/core/ClassVersion.h"
#include "framework/core/GDeviceSession.h"
#include "framework/core/GDriverServer.h"
#include "framework/core/GRenderDevice.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GState.h"
#include "framework/core/GTypedHandlers.h"
#include "framework/core/StoredFields.h"
#include "framework/core/StoredStrings.h"
#include "framework/pipeline/CommandParts.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"
#include "rw/rwstore.h"

namespace {

using vel::ReadString;
using vel::WriteString;

}  // namespace

// ---- GDocumentCommand

GDocumentCommand::GDocumentCommand(std::uint32_t key)
    : GDocumentCommand(RWWString(), RWWString(), nullptr, key) {}

GDocumentCommand::GDocumentCommand(GState* bundle, std::uint32_t key)
    : GDocumentCommand(RWWString(), RWWString(), bundle, key) {}

GDocumentCommand::GDocumentCommand(const RWWString& job_name,
                                   const RWWString& printer_name,
                                   std::uint32_t key)
    : GDocumentCommand(job_name, printer_name, nullptr, key) {}

GDocumentCommand::GDocumentCommand(const RWWString& job_name,
                                   const RWWString& printer_name,
                                   GState* bundle,
                                   std::uint32_t key)
    : GCommand(vel::LevelBundle(bundle, vel::key::kDocumentGroup), key),
      job_name_(job_name),
      printer_name_(printer_name) {}

RWClassID GDocumentCommand::ClassId() {
  return vel::classid::kGDocumentCommand;
}

bool GDocumentCommand::IsKindOf(RWClassID id) const {
  return id == vel::classid::kGDocumentCommand || GCommand::IsKindOf(id);
}

bool GDocumentCommand::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (!SameClass(other) || !GCommand::IsSameKey(other)) {
    return false;
  }
  const auto* command = dynamic_cast<const GDocumentCommand*>(other);
  return command != nullptr && command->printer_name_ == printer_name_ &&
         command->job_name_ == job_name_;
}

void GDocumentCommand::SetGraphicBundle(GBaseObject* bundle) {
  vel::SetLevelBundle(*this, bundle, vel::key::kDocumentGroup);
}

GOutputPort* GDocumentCommand::ReleaseOutputChannel() {
  GOutputPort* channel = channel_;
  channel_ = nullptr;
  return channel;
}

std::uint32_t GDocumentCommand::StoredByteCount() const {
  const vel::StoredSizeScope scope(this);
  return GCommand::StoredByteCount() + vel::kClassVersionSize + vel::StoredWideSize(job_name_) +
         vel::StoredWideSize(printer_name_);
}

template <typename Carrier>
void GDocumentCommand::Save(Carrier& carrier) const {
  const vel::SaveScope scope(this);
  GCommand::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  WriteString(carrier, job_name_);
  WriteString(carrier, printer_name_);
}

void GDocumentCommand::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GDocumentCommand::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GDocumentCommand::Restore(Carrier& carrier) {
  const vel::RestoreScope scope(this, carrier);
  GCommand::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  RWWString job_name;
  RWWString printer_name;
  if (ReadString(carrier, job_name) && ReadString(carrier, printer_name)) {
    job_name_ = job_name;
    printer_name_ = printer_name;
  }
}

void GDocumentCommand::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GDocumentCommand::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

// ---- GDocumentStart

GDocumentStart::GDocumentStart(std::uint32_t key) : GDocumentCommand(key) {}

GDocumentStart::GDocumentStart(const RWWString& job_name,
                               const RWWString& printer_name,
                               GDeviceSession* printer_handle,
                               std::uint32_t key)
    : GDocumentCommand(job_name, printer_name, key), printer_handle_(printer_handle) {}

GDocumentStart::GDocumentStart(const RWWString& job_name,
                               const RWWString& printer_name,
                               GDeviceSession* printer_handle,
                               GState* bundle,
                               std::uint32_t key)
    : GDocumentCommand(job_name, printer_name, bundle, key), printer_handle_(printer_handle) {}

RWClassID GDocumentStart::ClassId() {
  return vel::classid::kGDocumentStart;
}

RWCollectable* GDocumentStart::Create() {
  return new (std::nothrow) GDocumentStart;
}

RWCollectable* GDocumentStart::CreateInstance() const {
  return Create();
}

RWCollectable* GDocumentStart::Clone() const {
  return new (std::nothrow) GDocumentStart(*this);
}

RWClassID GDocumentStart::IsA() const {
  return ClassId();
}

bool GDocumentStart::IsKindOf(RWClassID id) const {
  return id == ClassId() || GDocumentCommand::IsKindOf(id);
}

bool GDocumentStart::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  const auto* start = dynamic_cast<const GDocumentStart*>(other);
  return SameClass(other) && start != nullptr && start->printer_handle_ == printer_handle_ &&
         GDocumentCommand::IsSameKey(other);
}

std::uint16_t GDocumentStart::Accept(GTypedHandlers& handlers) {
  return handlers.HandleDocumentStart(*this);
}

std::uint32_t GDocumentStart::CookieOfHandle() const {
  return printer_handle_ != nullptr ? printer_handle_->GetCookie() : 0;
}

GDeviceSession* GDocumentStart::SessionOfCookie(std::uint32_t cookie) {
  GDriverServer* server = GetDriverServer();
  GRenderDevice* device = server != nullptr ? server->FindRenderDriver(cookie) : nullptr;
  return device;
}

std::uint32_t GDocumentStart::StoredByteCount() const {
  return GDocumentCommand::StoredByteCount() + vel::kClassVersionSize + 4 +
         (printer_handle_ != nullptr ? 4 : 0);
}

template <typename Carrier>
void GDocumentStart::Save(Carrier& carrier) const {
  const vel::SaveScope scope(this);
  GDocumentCommand::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteField(carrier, std::int32_t{printer_handle_ != nullptr ? 1 : 0});
  if (printer_handle_ != nullptr) {
    vel::WriteField(carrier, CookieOfHandle());
  }
}

void GDocumentStart::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GDocumentStart::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GDocumentStart::Restore(Carrier& carrier) {
  const vel::RestoreScope scope(this, carrier);
  GDocumentCommand::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  std::int32_t flag = 0;
  if (!vel::ReadField(carrier, flag)) {
    vel::FailCarrier(carrier);
    return;
  }
  if (flag == 0) {
    return;
  }
  std::uint32_t cookie = 0;
  if (flag != 1 || !vel::ReadField(carrier, cookie)) {
    // Only 0 and 1 are written; anything else is damaged data.
    vel::FailCarrier(carrier);
    return;
  }
  printer_handle_ = SessionOfCookie(cookie);
}

void GDocumentStart::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GDocumentStart::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

// ---- GDocumentEnd

RWClassID GDocumentEnd::ClassId() {
  return vel::classid::kGDocumentEnd;
}

RWCollectable* GDocumentEnd::Create() {
  return new (std::nothrow) GDocumentEnd;
}

RWCollectable* GDocumentEnd::CreateInstance() const {
  return Create();
}

RWCollectable* GDocumentEnd::Clone() const {
  return new (std::nothrow) GDocumentEnd(*this);
}

RWClassID GDocumentEnd::IsA() const {
  return ClassId();
}

bool GDocumentEnd::IsKindOf(RWClassID id) const {
  return id == ClassId() || GDocumentCommand::IsKindOf(id);
}

bool GDocumentEnd::IsSameKey(const GBaseObject* other) const {
  return GDocumentCommand::IsSameKey(other);
}

std::uint16_t GDocumentEnd::Accept(GTypedHandlers& handlers) {
  return handlers.HandleDocumentEnd(*this);
}

std::uint32_t GDocumentEnd::StoredByteCount() const {
  return GDocumentCommand::StoredByteCount() + vel::kClassVersionSize;
}

void GDocumentEnd::SaveContents(RWVirtualOutStream& stream) const {
  vel::SaveVersionAfter<GDocumentCommand>(*this, stream);
}

void GDocumentEnd::SaveContents(RWBinaryFile& file) const {
  vel::SaveVersionAfter<GDocumentCommand>(*this, file);
}

void GDocumentEnd::RestoreContents(RWVirtualInStream& stream) {
  vel::RestoreVersionAfter<GDocumentCommand>(*this, stream);
}

void GDocumentEnd::RestoreContents(RWBinaryFile& file) {
  vel::RestoreVersionAfter<GDocumentCommand>(*this, file);
}
