// Records: the small in-memory entries by which a disk-backed composite remembers what its record
// file holds. A record carries the class id, serial number and key of one stored object, so that
// the store can answer the find, remove and replace operations of the root without loading the
// objects. A record composite mirrors a stored composite and holds the records of its children; a
// record proxy stands for an object that answers for itself (a disk-backed composite stored inside
// another one) and holds a copy of it.
//
// The record of an object is named in the record file by the object's serial number in lower-case
// hexadecimal digits without leading zeros (serial 255 is "ff").
//
// Records are held by counted references (GRecordRef); the reference word counts the holders minus
// one, -1 for none. Record trees are trees: every record has one holder list.
//
// Stored forms (after the collectable base, which writes nothing):
//   GRecord           u32 class version 1, u16 class id, u32 serial number, u32 key     (14 bytes)
//   GRecordProxy      the GRecord part, u32 class version 1, the held object as an object record
//                     (the nil object for none)
//   GRecordComposite  the GRecord part, u32 class version 1, u32 count, one record per child
// A restore that meets another version word keeps the fields of that class and fails the carrier.
// A record composite refuses (failing the carrier) a child that is not a record and a child that is
// a reference to a record already read: record trees share nothing, so a shared or cyclic child
// can only come from damaged data, and would make every walk over the tree repeat itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include "framework/core/GCountedPtr.h"
#include "rw/RWCString.h"
#include "rw/RWCollectable.h"
#include "rw/RWRefCounted.h"
#include "rw/RWStaticLock.h"

class GBaseObject;
class GRecord;
class GRecordComposite;
class RWStaticLock;

// A counted reference to a record: the last holder to let go deletes it.
class GRecordRef {
 public:
  GRecordRef() = default;
  explicit GRecordRef(GRecord* record);  // inline below GRecord
  GRecordRef(const GRecordRef& other);
  GRecordRef(GRecordRef&& other) noexcept : record_(other.record_) { other.record_ = nullptr; }
  GRecordRef& operator=(const GRecordRef& other);
  GRecordRef& operator=(GRecordRef&& other) noexcept {
    if (this != &other) {
      Reset();
      record_ = other.record_;
      other.record_ = nullptr;
    }
    return *this;
  }
  // An empty reference goes without a call.
  ~GRecordRef() {
    if (record_ != nullptr) {
      Release();
    }
  }

  GRecord* Get() const { return record_; }
  GRecord* operator->() const { return record_; }
  GRecord& operator*() const { return *record_; }
  explicit operator bool() const { return record_ != nullptr; }
  void Reset() {
    if (record_ != nullptr) {
      Release();
    }
  }

 private:
  // Lets go of the record (not null): the last holder deletes it.
  void Release();

  GRecord* record_ = nullptr;
};

// What a record operation looks for: a class id, a key, or the serial number of an object.
struct GRecordMatch {
  enum class Field { kClassId, kKey, kSerial };
  Field field = Field::kKey;
  std::uint32_t value = 0;
  // The object whose serial number is asked for (Field::kSerial), passed on to held objects.
  const GBaseObject* object = nullptr;

  static GRecordMatch ClassId(RWClassID id) { return {Field::kClassId, id, nullptr}; }
  static GRecordMatch Key(std::uint32_t key) { return {Field::kKey, key, nullptr}; }
  static GRecordMatch Equal(const GBaseObject* object);
};

// The owner of a record tree: the store that holds the recorded objects.
class GRecordStore {
 public:
  // A new object read from the store (with its stored children); the store is unchanged. Empty
  // when the record's object is not there.
  virtual GCountedPtr LoadRecord(const GRecord& record) = 0;
  // The same, taking the object (and its stored children) out of the store.
  virtual GCountedPtr TakeRecord(const GRecord& record) = 0;
  // Takes the record's object out and stores `object` in its place; the record of the object
  // stored, or the empty reference when the record's object was not there (nothing changed) or
  // the store failed.
  virtual GRecordRef ReplaceRecord(const GRecord& record, const GCountedPtr& object) = 0;

 protected:
  ~GRecordStore() = default;
};

class GRecord : public RWCollectable {
 public:
  // Class id 0, serial number 0, key 0 (used before a restore).
  GRecord();
  // The class id, serial number and key of `object`.
  explicit GRecord(const GBaseObject& object);
  // The fields; the copy has no holder.
  GRecord(const GRecord& other);
  GRecord& operator=(const GRecord&) = delete;
  ~GRecord() override = default;

  // Records of this class come and go by the thousand (a store's index holds one per object, made
  // when the store opens and freed when it closes): their blocks are kept for reuse on the thread
  // that frees them, up to a bound. Records of the subclasses, and every block beyond the bound,
  // go to the general allocator.
  static void* operator new(std::size_t size);
  static void* operator new(std::size_t size, const std::nothrow_t& tag) noexcept;
  static void operator delete(void* block, std::size_t size) noexcept;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // 14.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;

  // Null; a record composite answers itself.
  virtual GRecordComposite* AsRecordComposite();
  // Nothing (false); a record composite appends the record (false when memory is short).
  virtual bool AddChildRecord(const GRecordRef& record);

  // The record protocol. A plain record answers for itself: when it matches, the owner takes out,
  // loads or replaces the recorded object; otherwise the empty reference or 0.
  GCountedPtr RemoveRefByClassId(RWClassID id, GRecordStore& owner);
  GCountedPtr RemoveRefByKey(std::uint32_t key, GRecordStore& owner);
  GCountedPtr RemoveRefEqual(const GBaseObject* object, GRecordStore& owner);
  int ReplaceRefByClassId(RWClassID id, const GCountedPtr& object, GRecordStore& owner);
  int ReplaceRefByKey(std::uint32_t key, const GCountedPtr& object, GRecordStore& owner);
  int ReplaceRefEqual(const GBaseObject* match, const GCountedPtr& object, GRecordStore& owner);
  GCountedPtr GetRefByClassId(RWClassID id, GRecordStore& owner);
  GCountedPtr GetRefByKey(std::uint32_t key, GRecordStore& owner);
  GCountedPtr GetRefEqual(const GBaseObject* object, GRecordStore& owner);
  // 1; a record composite: the sum over its children.
  virtual std::uint32_t RecordCount() const;

  // The operations behind the protocol. Replace hands the record that the owner made for the
  // replacing object to `replacement` (when not null) for the holder of this record to put in its
  // place.
  virtual GCountedPtr Remove(const GRecordMatch& match, GRecordStore& owner);
  virtual GCountedPtr Get(const GRecordMatch& match, GRecordStore& owner);
  virtual int Replace(const GRecordMatch& match,
                      const GCountedPtr& object,
                      GRecordStore& owner,
                      GRecordRef* replacement);

  // True when the record's own field is the one asked for.
  bool Matches(const GRecordMatch& match) const;
  // The serial number in lower-case hexadecimal ("ff" for 255).
  RWCString Name() const;
  static RWCString NameOf(std::uint32_t serial);
  // The same name, NUL-terminated, in a buffer of the caller (no allocation): its length.
  static constexpr std::size_t kNameBuffer = 9;
  static std::size_t FormatName(std::uint32_t serial, char (&name)[kNameBuffer]);

  RWClassID RecordedClassId() const { return class_id_; }
  std::uint32_t RecordedSerial() const { return serial_; }
  std::uint32_t RecordedKey() const { return key_; }
  // Same class and fields (and, in the subclasses, the same held object or children).
  virtual bool IsSameRecord(const GRecord& other) const;

  RWRefCounted& ReferenceWord() { return references_; }
  std::int32_t References() const { return references_.References(); }
  // The lock that every change of a record's reference word names.
  static RWStaticLock& Lock() {
    // Made once, never destroyed (records may go during the exit of the process).
    static RWStaticLock* const lock = new RWStaticLock;
    return *lock;
  }

  static RWClassID ClassId();
  static const char* ClassName() { return "GRecord"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;

  RWRefCounted references_{RWRefCounted::kNoHolder};
  RWClassID class_id_ = 0;
  std::uint32_t serial_ = 0;
  std::uint32_t key_ = 0;
};

inline GRecordRef::GRecordRef(GRecord* record) : record_(record) {
  if (record_ != nullptr) {
    record_->ReferenceWord().AddReference(GRecord::Lock());
  }
}

inline GRecordRef::GRecordRef(const GRecordRef& other) : GRecordRef(other.record_) {}

class GRecordProxy : public GRecord {
 public:
  GRecordProxy() = default;
  // The record part from `object`; the held object is the object's Clone (none when it cannot
  // be had).
  explicit GRecordProxy(const GBaseObject& object);
  // A copy holds a Clone of the held object, never the same one.
  GRecordProxy(const GRecordProxy& other);
  ~GRecordProxy() override = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  void ForgetRestoredMembers() override;

  // Answers for itself when its own field matches, else asks the held object. Replacing by serial
  // number always answers 0.
  GCountedPtr Remove(const GRecordMatch& match, GRecordStore& owner) override;
  GCountedPtr Get(const GRecordMatch& match, GRecordStore& owner) override;
  int Replace(const GRecordMatch& match,
              const GCountedPtr& object,
              GRecordStore& owner,
              GRecordRef* replacement) override;
  bool IsSameRecord(const GRecord& other) const override;

  GBaseObject* Held() const { return held_.Get(); }

  static RWClassID ClassId();
  static const char* ClassName() { return "GRecordProxy"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;

  // Held by a counted reference, so that a held object may hand out references to itself.
  GCountedPtr held_;
};

class GRecordComposite : public GRecord {
 public:
  GRecordComposite() = default;
  // The record part from `object`, no children.
  explicit GRecordComposite(const GBaseObject& object);
  // The record part; references to the same child records.
  GRecordComposite(const GRecordComposite& other);
  ~GRecordComposite() override = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  void ForgetRestoredMembers() override { Clear(); }

  GRecordComposite* AsRecordComposite() override { return this; }
  bool AddChildRecord(const GRecordRef& record) override;
  std::uint32_t RecordCount() const override;

  // Itself first, then its children in order, depth first. A removal unlinks the record of a
  // matching direct child; a replacement puts the record of the replacing object in the matching
  // direct child's place.
  GCountedPtr Remove(const GRecordMatch& match, GRecordStore& owner) override;
  GCountedPtr Get(const GRecordMatch& match, GRecordStore& owner) override;
  int Replace(const GRecordMatch& match,
              const GCountedPtr& object,
              GRecordStore& owner,
              GRecordRef* replacement) override;
  bool IsSameRecord(const GRecord& other) const override;

  // The same walks over the children only (the owner's index, which records nothing itself).
  GCountedPtr RemoveFromChildren(const GRecordMatch& match, GRecordStore& owner);
  GCountedPtr GetFromChildren(const GRecordMatch& match, GRecordStore& owner);
  int ReplaceInChildren(const GRecordMatch& match, const GCountedPtr& object, GRecordStore& owner);

  // Releases every child record.
  void Clear() { children_.clear(); }
  std::uint32_t Count() const { return static_cast<std::uint32_t>(children_.size()); }
  // The child at `index`, the empty reference beyond the count. The reference is the list's own
  // entry: valid until the list changes.
  const GRecordRef& ChildAt(std::uint32_t index) const {
    return index < children_.size() ? children_[index] : NoChild();
  }
  // Takes the child at `index` out and hands its reference over.
  GRecordRef Unlink(std::uint32_t index);
  // The index of `record` among the children, or -1.
  std::int64_t IndexOf(const GRecord* record) const;

  static RWClassID ClassId();
  static const char* ClassName() { return "GRecordComposite"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  // The empty reference ChildAt answers beyond the count.
  static const GRecordRef& NoChild();
  // Appends the record itself (`record` left empty); false when memory is short.
  bool AppendChild(GRecordRef&& record);
  // True for a child that a walk for `match` passes over without asking it (or holding it).
  bool SkipsChild(std::size_t index, const GRecordMatch& match) const;

  std::vector<GRecordRef> children_;
};
