// Reading a record that a command holds by counted reference.
#include "framework/pipeline/HeldRecord.h"

#include "framework/core/GBaseObject.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"
#include "rw/rwstore.h"

namespace {

template <typename Carrier>
bool Restore(Carrier& carrier, RWClassID kind, bool owned, GBaseObject*& object) {
  // No holder is named: the object is kept by its reference word, which the restore's bookkeeping
  // never frees. The holder lets go of it in its ForgetRestoredMembers when the restore fails.
  RWRestoredMember member(carrier, nullptr);
  if (!vel::CarrierGood(carrier)) {
    return false;
  }
  RWCollectable* read = member.Object();
  const auto* framework_object = dynamic_cast<GBaseObject*>(read);
  if ((read != nullptr && (framework_object == nullptr || !framework_object->IsKindOf(kind))) ||
      member.NamesOpenRecord() || (owned && read != nullptr && !member.IsNew())) {
    member.Keep(RWHold::kRefuses);
    vel::FailCarrier(carrier);
    return false;
  }
  member.Keep(member.IsNew() ? RWHold::kOwns : RWHold::kHolds);
  object = const_cast<GBaseObject*>(framework_object);
  return true;
}

}  // namespace

namespace vel {

bool RestoreHeldRecord(RWVirtualInStream& stream, RWClassID kind, GBaseObject*& object) {
  return Restore(stream, kind, false, object);
}

bool RestoreHeldRecord(RWBinaryFile& file, RWClassID kind, GBaseObject*& object) {
  return Restore(file, kind, false, object);
}

bool RestoreOwnedRecord(RWVirtualInStream& stream, RWClassID kind, GBaseObject*& object) {
  return Restore(stream, kind, true, object);
}

bool RestoreOwnedRecord(RWBinaryFile& file, RWClassID kind, GBaseObject*& object) {
  return Restore(file, kind, true, object);
}

}  // namespace vel
