// Reading a record that a command holds by counted reference.
#include "framework/pipeline/HeldRecord.h"

#include "framework/core/CachedCast.h"
#include "framework/core/GBaseObject.h"
#include "framework/core/GCountedPtr.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"
#include "rw/rwstore.h"

namespace {

template <typename Carrier, typename Test>
bool Restore(Carrier& carrier, const Test& accepts, GBaseObject*& object, bool owned = false) {
  // No holder is named: the object is kept by its reference word, which the restore's bookkeeping
  // never frees. The holder lets go of it in its ForgetRestoredMembers when the restore fails.
  RWRestoredMember member(carrier, nullptr);
  if (!vel::CarrierGood(carrier)) {
    return false;
  }
  RWCollectable* read = member.Object();
  const auto* framework_object = vel::CachedCast<GBaseObject>(read);
  if ((read != nullptr && (framework_object == nullptr || !accepts(*framework_object))) ||
      member.NamesOpenRecord() || (owned && read != nullptr && !member.IsNew())) {
    member.Keep(RWHold::kRefuses);
    vel::FailCarrier(carrier);
    return false;
  }
  member.Keep(member.IsNew() ? RWHold::kOwns : RWHold::kHolds);
  object = const_cast<GBaseObject*>(framework_object);
  return true;
}

template <typename Carrier, typename Kind>
bool RestoreReference(Carrier& carrier, const Kind& kind, GCountedPtr& reference) {
  GBaseObject* object = reference.Get();
  if (!vel::RestoreHeldRecord(carrier, kind, object)) {
    return false;
  }
  if (object != reference.Get()) {
    reference = GCountedPtr(object);
  }
  return true;
}

}  // namespace

namespace vel {

bool RestoreHeldRecord(RWVirtualInStream& stream, RWClassID kind, GBaseObject*& object) {
  return Restore(stream, [kind](const GBaseObject& read) { return read.IsKindOf(kind); }, object);
}

bool RestoreHeldRecord(RWBinaryFile& file, RWClassID kind, GBaseObject*& object) {
  return Restore(file, [kind](const GBaseObject& read) { return read.IsKindOf(kind); }, object);
}

bool RestoreHeldRecord(RWVirtualInStream& stream, HeldRecordTest accepts, GBaseObject*& object) {
  return Restore(stream, accepts, object);
}

bool RestoreHeldRecord(RWBinaryFile& file, HeldRecordTest accepts, GBaseObject*& object) {
  return Restore(file, accepts, object);
}

bool RestoreHeldReference(RWVirtualInStream& stream, RWClassID kind, GCountedPtr& reference) {
  return RestoreReference(stream, kind, reference);
}

bool RestoreHeldReference(RWBinaryFile& file, RWClassID kind, GCountedPtr& reference) {
  return RestoreReference(file, kind, reference);
}

bool RestoreHeldReference(RWVirtualInStream& stream,
                          HeldRecordTest accepts,
                          GCountedPtr& reference) {
  return RestoreReference(stream, accepts, reference);
}

bool RestoreHeldReference(RWBinaryFile& file, HeldRecordTest accepts, GCountedPtr& reference) {
  return RestoreReference(file, accepts, reference);
}

bool RestoreOwnedRecord(RWVirtualInStream& stream, RWClassID kind, GBaseObject*& object) {
  return Restore(
      stream, [kind](const GBaseObject& read) { return read.IsKindOf(kind); }, object, true);
}

bool RestoreOwnedRecord(RWBinaryFile& file, RWClassID kind, GBaseObject*& object) {
  return Restore(
      file, [kind](const GBaseObject& read) { return read.IsKindOf(kind); }, object, true);
}

}  // namespace vel
