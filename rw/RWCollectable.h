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

  static RWClassID ClassId() { return kRWCollectableClassId; }
  // The class-name string under which a class is known to the class factory.
  static const char* ClassName() { return "RWCollectable"; }

  bool operator==(const RWCollectable& other) const { return IsEqual(&other); }

  // 0x9000, 0x9001, ... under the unit's lock, one per call for the whole process.
  static RWClassID NextClassId();
  static bool IsStringIdClass(RWClassID id) {
    return id >= kRWFirstStringIdClass && id <= kRWLastStringIdClass;
  }

  // The 32-bit fold of an address that the identity hashes use.
  static std::uint32_t FoldAddress(const void* address);
};
