// FwTestPeripheral: recording bodies and the stored form.
#include "tests/support/FwTestPeripheral.h"

#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/pipeline/CommandParts.h"
#include "framework/pipeline/GCommand.h"

FwTestPeripheral::FwTestPeripheral(const RWCString& name, std::uint32_t key)
    : GPeripheral(name, nullptr, nullptr, key, 0, kAddOnNone, kNoAddOns) {}

FwTestPeripheral::FwTestPeripheral(const FwTestPeripheral& other) : GPeripheral(other) {}

RWCollectable* FwTestPeripheral::Create() {
  return new (std::nothrow) FwTestPeripheral;
}

RWCollectable* FwTestPeripheral::Clone() const {
  return new (std::nothrow) FwTestPeripheral(*this);
}

bool FwTestPeripheral::IsKindOf(RWClassID id) const {
  return id == kClassId || GPeripheral::IsKindOf(id);
}

GCommandRef FwTestPeripheral::HandleCommand(GCommandRef command) {
  GCommandRef result = GPeripheral::HandleCommand(command);
  if (replace_ && result.Get() == command.Get() && command.Get() != nullptr) {
    if (GCommand* replacement = replace_(*command.Get())) {
      return GCommandRef(replacement);
    }
  }
  return result;
}

std::uint32_t FwTestPeripheral::StoredByteCount() const {
  const vel::StoredSizeScope scope(this);
  return GPeripheral::StoredByteCount() + vel::kClassVersionSize;
}

void FwTestPeripheral::RestoreContents(RWVirtualInStream& stream) {
  vel::RestoreVersionAfter<GPeripheral>(*this, stream);
}

void FwTestPeripheral::RestoreContents(RWBinaryFile& file) {
  vel::RestoreVersionAfter<GPeripheral>(*this, file);
}

void FwTestPeripheral::SaveContents(RWVirtualOutStream& stream) const {
  vel::SaveVersionAfter<GPeripheral>(*this, stream);
}

void FwTestPeripheral::SaveContents(RWBinaryFile& file) const {
  vel::SaveVersionAfter<GPeripheral>(*this, file);
}

// The recorder's status, after the stage's own default has run (the defaults of the document and
// page commands move the document state; the others do nothing and answer 0); the default's
// status when the recorder's is 0.
#define FW_DEFINE_HANDLER(name, type)                      \
  std::uint16_t FwTestPeripheral::name(type& object) {     \
    const std::uint16_t recorded = recorder_.name(object); \
    const std::uint16_t own = GPeripheral::name(object);   \
    return recorded != 0 ? recorded : own;                 \
  }
FW_TYPED_HANDLERS(FW_DEFINE_HANDLER)
#undef FW_DEFINE_HANDLER
