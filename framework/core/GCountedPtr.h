// GCountedPtr: the framework's shared reference to a framework object. Several counted pointers may
// hold one target; the target counts its holders in its reference word and the last holder to let
// go deletes it.
//
// The reference word lives in the target (GBaseObject): the number of holders minus one, -1 for an
// object that no counted pointer holds. Its changes are atomic, with the same results as changes
// made under the unit's one lock (Lock()), which every change names.
//
// A counted pointer is persistent so that its holder can save and restore the reference with its
// own contents: the target travels as an object record (a full record the first time a save meets
// it, a reference afterwards), so shared targets stay shared across a save and restore. The
// reference word itself is never stored. The class factory never makes a counted pointer: it is
// always saved and restored in place, inside its holder.
//
// A restored target is kept by its reference word, outside the restore's bookkeeping, which never
// frees it. A holder that restores counted pointers resets them in its ForgetRestoredMembers, so a
// failed restore leaves it holding nothing the restore gave it (see rw/rwstore.h).
#pragma once

#include <cstdint>
#include <utility>

#include "rw/RWCollectable.h"

class GBaseObject;
class RWStaticLock;

class GCountedPtr : public RWCollectable {
 public:
  // Empty.
  GCountedPtr() = default;
  // Holds `target` (null allowed); a target gains one reference.
  explicit GCountedPtr(GBaseObject* target);
  GCountedPtr(const GCountedPtr& other);
  // Takes the other's reference; the other becomes empty. No reference word changes.
  GCountedPtr(GCountedPtr&& other) noexcept;
  // Nothing when the other holds the same target; otherwise drops the old target as the
  // destructor does and holds the other's.
  GCountedPtr& operator=(const GCountedPtr& other);
  GCountedPtr& operator=(GCountedPtr&& other) noexcept;
  // Drops the reference; the last one deletes the target. (Inline, so that the many empty entries
  // of a child array cost no call.)
  ~GCountedPtr() override { Reset(); }

  RWCollectable* CreateInstance() const override { return nullptr; }
  RWCollectable* Clone() const override { return nullptr; }
  RWClassID IsA() const override;
  // The target's total stored size, or 6 (the nil reference) for none; a target already counted
  // in the same pass is a reference, 6 bytes as well.
  std::uint32_t StoredByteCount() const override;
  // Stored form: the target as an object record (nil record for none), and nothing else.
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // Reads the target's record and holds what it names, dropping the old target (deleted when that
  // was its last reference). A record that names no framework object fails the carrier; so does a
  // reference to a record still being read (holding it would make a cycle of references that never
  // lets go). After a failure the pointer keeps its old target.
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;

  virtual bool IsKindOf(RWClassID id) const;
  // A new deep copy of the target that no counted pointer holds; null for an empty pointer.
  virtual GBaseObject* CopyTarget() const;

  GBaseObject* Get() const { return target_; }
  GBaseObject* operator->() const { return target_; }
  explicit operator bool() const { return target_ != nullptr; }

  // Lets go of the target without deleting it, also when this was its last reference (the word
  // then returns to -1 and the caller owns the object). Returns the target; the pointer is empty.
  GBaseObject* Release();
  // Drops the reference as the destructor does; the pointer is empty.
  void Reset() {
    if (target_ != nullptr) {
      DropReference(std::exchange(target_, nullptr));
    }
  }

  static RWClassID ClassId();
  static const char* ClassName() { return "GCountedPtr"; }
  // The factory's create function: always null.
  static RWCollectable* Create() { return nullptr; }

  // The lock that every change of a reference word names (see rw/RWRefCounted.h).
  static RWStaticLock& Lock();
  // Adds one reference to `object`, respectively drops one and deletes it at the last.
  static void AddReference(GBaseObject* object);
  static void DropReference(GBaseObject* object);

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);

  GBaseObject* target_ = nullptr;
};
