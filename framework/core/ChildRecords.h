// The children of a framework container as object records: their stored size, their save (a full
// record the first time a save meets a child, a reference after that) and their restore.
#pragma once

#include <cstdint>

class GCountedPtrArray;
class RWBinaryFile;
class RWCollectable;
class RWVirtualInStream;
class RWVirtualOutStream;

namespace vel {

// The sum of the children's object records. Call it inside the stored-size pass of the holder.
std::uint32_t ChildRecordsSize(const GCountedPtrArray& children);

// u32 count, then one object record per child in order.
void SaveChildRecords(RWVirtualOutStream& stream, const GCountedPtrArray& children);
void SaveChildRecords(RWBinaryFile& file, const GCountedPtrArray& children);

// Reads the u32 count and that many object records, appending every framework object read to
// `children` (nil records add nothing). Each child is kept by its reference word, outside the
// restore's bookkeeping. A record that is not a framework object, or a reference to a record still
// being read (an object that holds the holder), fails the carrier: the caller lets go of what was
// appended (its ForgetRestoredMembers). The array grows by doubling, so a long list restores in
// linear time. Answers whether all records were read.
bool RestoreChildRecords(RWVirtualInStream& stream, GCountedPtrArray& children);
bool RestoreChildRecords(RWBinaryFile& file, GCountedPtrArray& children);

}  // namespace vel
