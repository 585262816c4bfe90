// The root of every persistent class: identity, copy, comparison, hashing, stored size, and saving
// and restoring contents, with defaults that work on object identity.
#pragma once

#include <cstdint>

#include "rw/RWDefs.h"

class RWBinaryFile;
class RWVirtualInStream;
class RWVirtualOutStream;

// The library's own classes use class ids from 0x8000 up; 0x8000 itself answers an unknown class.
inline constexpr RWClassID kRWUnknownClassId = 0x8000;
inline constexpr RWClassID kRWCollectableClassId = 0x8007;
// Classes identified in streams by their string id.
inline constexpr RWClassID kRWFirstStringIdClass = 0x9000;
inline constexpr RWClassID kRWLastStringIdClass = 0xF000;

class RWCollectable {
 public:
  RWCollectable() = default;
  RWCollectable(const RWCollectable&) = default;
  RWCollectable& operator=(const RWCollectable&) = default;

  // A new default object of the same class (null when memory is short).
  virtual RWCollectable* CreateInstance() const;
  // A new copy of this object (null when memory is short).
  virtual RWCollectable* Clone() const;
  virtual RWClassID IsA() const;
  virtual ~RWCollectable() = default;
  // Bytes that SaveContents to a binary file writes.
  virtual std::uint32_t StoredByteCount() const;
  // By address: 0 for the same object, 1 when this address is greater, else -1.
  virtual int Compare(const RWCollectable* other) const;
  // The address folded to 32 bits, a: (a >> 3) XOR a.
  virtual std::uint32_t Hash() const;
  virtual bool IsEqual(const RWCollectable* other) const;
  virtual void RestoreContents(RWVirtualInStream& stream);
  virtual void RestoreContents(RWBinaryFile& file);
  virtual void SaveContents(RWVirtualOutStream& stream) const;
  virtual void SaveContents(RWBinaryFile& file) const;
  // Drops, without freeing, every pointer this object restored through the holder protocol
  // (RWRestoredMember, see rw/rwstore.h). A failed restore calls it on each holder it unwinds,
  // given or made, after freeing what the holder received new, so that no holder keeps a freed
  // pointer. A class that holds what it restores through RWRestoredMember overrides it; the
  // default, for classes that restore no pointers that way, does nothing.
  virtual void ForgetRestoredMembers();

  // Writes this object's record: the object and everything it points to, each object reached
  // once in a save written once and referred to by its number afterwards (see rw/rwstore.h). A
  // record that would nest deeper than a restore accepts (RWLoadTable::kMaxDepth) is not written
  // and fails the stream (file), so a save never writes what its restore refuses.
  void SaveObject(RWVirtualOutStream& stream) const;
  void SaveObject(RWBinaryFile& file) const;
  // The bytes that SaveObject(RWBinaryFile&) would write, counted as a pass of its own. It enters
  // objects in the calling thread's save table, so it must not run inside a save. For a graph
  // that nests too deep to be saved, the count stops at that depth.
  std::uint32_t TotalStoredSize() const;

  static RWClassID ClassId() { return kRWCollectableClassId; }
  // The class-name string under which a class is known to the class factory.
  static const char* ClassName() { return "RWCollectable"; }
  // The default object of the class. Null when memory is short.
  static RWCollectable* Create();

  bool operator==(const RWCollectable& other) const { return IsEqual(&other); }

  // 0x9000, 0x9001, ... under the unit's lock, one per call for the whole process.
  static RWClassID NextClassId();
  static bool IsStringIdClass(RWClassID id) {
    return id >= kRWFirstStringIdClass && id <= kRWLastStringIdClass;
  }

  // The 32-bit fold of an address that the identity hashes use.
  static std::uint32_t FoldAddress(const void* address);
};

// Saving and restoring object pointers. A null pointer travels as a reference to the nil object
// and restores as null. Restores read data from outside the process: they fail soft (a failed
// stream or file and a null result), and the errors they raise do not end the process.
//
// Saves the object's record, or the nil reference for null.
RWVirtualOutStream& operator<<(RWVirtualOutStream& stream, const RWCollectable* object);
RWBinaryFile& operator<<(RWBinaryFile& file, const RWCollectable* object);
// Restores a pointer. A new record makes a new object through the class factory and stores it in
// `object` (an object the pointer held before is left alone); a reference to an object already
// restored in this restore stores that object, and must name the object the pointer holds when it
// is not null. After a failure the pointer keeps its value.
RWVirtualInStream& operator>>(RWVirtualInStream& stream, RWCollectable*& object);
RWBinaryFile& operator>>(RWBinaryFile& file, RWCollectable*& object);
// Restores into a given object: a new record fills `object` (whatever class the record names); a
// reference must name `object`. Returns the object restored or referenced; null after a failure,
// at the end of data, or for a reference to the nil object.
RWCollectable* operator>>(RWVirtualInStream& stream, RWCollectable& object);
RWCollectable* operator>>(RWBinaryFile& file, RWCollectable& object);

// The same as TotalStoredSize of the object, and 6 (a reference to the nil object) for null.
std::uint32_t RWTotalStoredSize(const RWCollectable* object);

// Typed pointer restores for the persistent classes: restore a pointer into a local and hand it
// over as a T. An object that is not a T is not handed over: the stream (file) fails, the pointer
// becomes null, and an object the restore made for it is freed with the restore.
using RWClassTest = bool (*)(const RWCollectable* object);
RWCollectable* RWRestoreTypedPointer(RWVirtualInStream& stream, RWClassTest is_wanted);
RWCollectable* RWRestoreTypedPointer(RWBinaryFile& file, RWClassTest is_wanted);

template <typename T>
RWVirtualInStream& RestorePointer(RWVirtualInStream& stream, T*& object) {
  object = dynamic_cast<T*>(RWRestoreTypedPointer(
      stream, [](const RWCollectable* p) { return dynamic_cast<const T*>(p) != nullptr; }));
  return stream;
}

template <typename T>
RWBinaryFile& RestorePointer(RWBinaryFile& file, T*& object) {
  object = dynamic_cast<T*>(RWRestoreTypedPointer(
      file, [](const RWCollectable* p) { return dynamic_cast<const T*>(p) != nullptr; }));
  return file;
}
