// The children of a framework container as object records.
#include "framework/core/ChildRecords.h"

#include <utility>

#include "framework/core/GBaseObject.h"
#include "framework/core/GCountedPtrArray.h"
#include "framework/core/StoredFields.h"
#include "rw/rwstore.h"

namespace vel {

namespace {

template <typename Carrier>
void Save(Carrier& carrier, const GCountedPtrArray& children) {
  WriteField(carrier, children.Count());
  for (std::uint32_t i = 0; i < children.Count(); ++i) {
    carrier << static_cast<const RWCollectable*>(children.TargetAt(i));
  }
}

template <typename Carrier>
bool Restore(Carrier& carrier, GCountedPtrArray& children) {
  std::uint32_t count = 0;
  if (!ReadField(carrier, count)) {
    FailCarrier(carrier);
    return false;
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    RWRestoredMember member(carrier, nullptr);
    RWCollectable* object = member.Object();
    const bool accepted = CarrierGood(carrier) &&
                          (object == nullptr || GBaseObject::IsFrameworkObject(object)) &&
                          !member.NamesOpenRecord();
    if (!accepted) {
      member.Keep(RWHold::kRefuses);
      FailCarrier(carrier);
      return false;
    }
    member.Keep(member.IsNew() ? RWHold::kOwns : RWHold::kHolds);
    if (object == nullptr) {
      continue;
    }
    // The array's storage is made at its first insertion, so that one may fail as well as a growth.
    GCountedPtr held(static_cast<GBaseObject*>(object));
    if ((children.Count() == children.Capacity() &&
         !children.Resize(children.Capacity() < 32 ? 64 : 2 * children.Capacity())) ||
        !children.Insert(std::move(held))) {
      // The object is not kept by anything else yet: `held` hands it to the array's rules.
      FailCarrier(carrier);
      return false;
    }
  }
  return true;
}

}  // namespace

std::uint32_t ChildRecordsSize(const GCountedPtrArray& children) {
  std::uint32_t size = 0;
  for (std::uint32_t i = 0; i < children.Count(); ++i) {
    size += RWTotalStoredSize(children.TargetAt(i));
  }
  return size;
}

void SaveChildRecords(RWVirtualOutStream& stream, const GCountedPtrArray& children) {
  Save(stream, children);
}

void SaveChildRecords(RWBinaryFile& file, const GCountedPtrArray& children) {
  Save(file, children);
}

bool RestoreChildRecords(RWVirtualInStream& stream, GCountedPtrArray& children) {
  return Restore(stream, children);
}

bool RestoreChildRecords(RWBinaryFile& file, GCountedPtrArray& children) {
  return Restore(file, children);
}

}  // namespace vel
