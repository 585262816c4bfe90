// One object record that a command holds by counted reference (its bundle, the failed command of
// an error command): read it, check its kind, and hand it over without the restore's bookkeeping
// ever freeing it.
#pragma once

#include "rw/RWDefs.h"

class GBaseObject;
class GCountedPtr;
class RWBinaryFile;
class RWVirtualInStream;

namespace vel {

// Reads one object record. Answers true with `object` set to the framework object read (null for
// the nil record), which the caller then holds by a counted reference. A record that is not a
// framework object of kind `kind` (IsKindOf), or that names a record still being read (an object
// that holds the reader), is refused: the carrier fails and the answer is false. A failed read
// answers false as well; `object` is then untouched.
[[nodiscard]] bool RestoreHeldRecord(RWVirtualInStream& stream,
                                     RWClassID kind,
                                     GBaseObject*& object);
[[nodiscard]] bool RestoreHeldRecord(RWBinaryFile& file, RWClassID kind, GBaseObject*& object);

// The same with the kind decided by `accepts` (a framework object it answers false for is refused).
using HeldRecordTest = bool (*)(const GBaseObject& object);
[[nodiscard]] bool RestoreHeldRecord(RWVirtualInStream& stream,
                                     HeldRecordTest accepts,
                                     GBaseObject*& object);
[[nodiscard]] bool RestoreHeldRecord(RWBinaryFile& file,
                                     HeldRecordTest accepts,
                                     GBaseObject*& object);

// Reads one record as RestoreHeldRecord does and holds what it names in `reference` (the nil record
// empties it; the old target loses the reference). False after a failure, `reference` unchanged.
[[nodiscard]] bool RestoreHeldReference(RWVirtualInStream& stream,
                                        RWClassID kind,
                                        GCountedPtr& reference);
[[nodiscard]] bool RestoreHeldReference(RWBinaryFile& file, RWClassID kind, GCountedPtr& reference);
[[nodiscard]] bool RestoreHeldReference(RWVirtualInStream& stream,
                                        HeldRecordTest accepts,
                                        GCountedPtr& reference);
[[nodiscard]] bool RestoreHeldReference(RWBinaryFile& file,
                                        HeldRecordTest accepts,
                                        GCountedPtr& reference);

// The same for an object that its holder owns outright (no counted reference): the record must
// also be a new one, since a reference to an object read before would give it a second owner.
[[nodiscard]] bool RestoreOwnedRecord(RWVirtualInStream& stream,
                                      RWClassID kind,
                                      GBaseObject*& object);
[[nodiscard]] bool RestoreOwnedRecord(RWBinaryFile& file, RWClassID kind, GBaseObject*& object);

}  // namespace vel
