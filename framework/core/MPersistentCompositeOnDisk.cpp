// The disk-backed persistent composite, its shared implementation and its iterator.
#include "framework/core/MPersistentCompositeOnDisk.h"

#include <cstdint>
#include <cstring>
#include <list>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "framework/core/CachedCast.h"
#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/StoredFields.h"
#include "framework/core/StoredStrings.h"
#include "framework/core/StringWidth.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWDiskBTree.h"
#include "rw/RWError.h"
#include "rw/RWFileSpaceManager.h"
#include "rw/RWStaticLock.h"
#include "rw/RWVirtualStream.h"
#include "vel_flavour.h"

namespace {

constexpr char kIndexKey[] = "IndexOfRecords";
constexpr std::uint32_t kCacheBlocks = 10;
constexpr std::uint32_t kKeyLength = 16;
constexpr std::uint32_t kOrder = 10;
constexpr std::uint32_t kMinFill = 10;

// Objects stored as themselves under a proxy record.
bool StoredAsProxy(RWClassID id) {
  return id == vel::classid::kMPersistentCompositeOnDisk ||
         id == vel::classid::kGCommandCompositeOnDisk;
}

// One entry per open composite, in the order of opening.
struct OpenStore {
  RWCString name;
  GCountedPtr implementation;
};

// Made once, never destroyed (composites may close during the exit of the process).
std::list<OpenStore>& OpenStores() {
  static auto* const stores = new std::list<OpenStore>;
  return *stores;
}

// The names of the files whose implementations are being made: a composite restored while its own
// file opens (a store holding a proxy of itself) stays closed rather than open the file twice.
std::vector<RWCString>& Opening() {
  static auto* const names = new std::vector<RWCString>;
  return *names;
}

bool IsOpening(const RWCString& name) {
  for (const RWCString& opening : Opening()) {
    if (opening == name) {
      return true;
    }
  }
  return false;
}

std::list<OpenStore>::iterator FindStore(const RWCString& name) {
  std::list<OpenStore>& stores = OpenStores();
  for (auto entry = stores.begin(); entry != stores.end(); ++entry) {
    if (entry->name.Length() == name.Length() && entry->name == name) {
      return entry;
    }
  }
  return stores.end();
}

MPersistentCompositeOnDiskImp* ImpOf(const GCountedPtr& reference) {
  return static_cast<MPersistentCompositeOnDiskImp*>(reference.Get());
}

// The gross size of a block of the space manager for n bytes (the size word included).
std::int64_t GrossSize(std::uint32_t n) {
  return (static_cast<std::int64_t>(n) + 4 + 3) & ~std::int64_t{3};
}

// The store lock, and the record file's errors taken as errors of data from outside the process
// (rw/RWError.h): a corrupt file fails the operation, it never ends the process.
class StoreScope {
 public:
  StoreScope() : lock_(MPersistentCompositeOnDisk::StoreLock()) {}

 private:
  RWLockGuard lock_;
  RWSoftErrorScope soft_errors_;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// MPersistentCompositeOnDiskImp

MPersistentCompositeOnDiskImp::MPersistentCompositeOnDiskImp() = default;

MPersistentCompositeOnDiskImp::MPersistentCompositeOnDiskImp(const RWCString& name,
                                                             std::uint32_t key)
    : GBaseObject(key), file_name_(name) {
  const StoreScope scope;
  OpenFile();
}

MPersistentCompositeOnDiskImp::MPersistentCompositeOnDiskImp(
    const MPersistentCompositeOnDiskImp& other)
    : GBaseObject(other), GRecordStore() {}

MPersistentCompositeOnDiskImp::~MPersistentCompositeOnDiskImp() {
  const StoreScope scope;
  CloseFile();
  if (delete_on_close_ && file_name_.Length() != 0) {
    (void)vel::flavour::FileRemove(file_name_.Data());
  }
}

RWClassID MPersistentCompositeOnDiskImp::ClassId() {
  return vel::classid::kMPersistentCompositeOnDiskImp;
}

RWCollectable* MPersistentCompositeOnDiskImp::Create() {
  return new (std::nothrow) MPersistentCompositeOnDiskImp;
}

RWCollectable* MPersistentCompositeOnDiskImp::CreateInstance() const {
  return Create();
}

RWCollectable* MPersistentCompositeOnDiskImp::Clone() const {
  return new (std::nothrow) MPersistentCompositeOnDiskImp(*this);
}

RWClassID MPersistentCompositeOnDiskImp::IsA() const {
  return ClassId();
}

std::uint32_t MPersistentCompositeOnDiskImp::StoredByteCount() const {
  return GBaseObject::StoredByteCount() + vel::kClassVersionSize;
}

void MPersistentCompositeOnDiskImp::RestoreContents(RWVirtualInStream& stream) {
  GBaseObject::RestoreContents(stream);
  if (vel::CarrierGood(stream)) {
    (void)vel::ReadClassVersion(stream);
  }
}

void MPersistentCompositeOnDiskImp::RestoreContents(RWBinaryFile& file) {
  GBaseObject::RestoreContents(file);
  if (vel::CarrierGood(file)) {
    (void)vel::ReadClassVersion(file);
  }
}

void MPersistentCompositeOnDiskImp::SaveContents(RWVirtualOutStream& stream) const {
  GBaseObject::SaveContents(stream);
  vel::WriteClassVersion(stream);
}

void MPersistentCompositeOnDiskImp::SaveContents(RWBinaryFile& file) const {
  GBaseObject::SaveContents(file);
  vel::WriteClassVersion(file);
}

bool MPersistentCompositeOnDiskImp::IsKindOf(RWClassID id) const {
  return id == ClassId() || GBaseObject::IsKindOf(id);
}

bool MPersistentCompositeOnDiskImp::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA()) {
    return false;
  }
  const auto* theirs = static_cast<const MPersistentCompositeOnDiskImp*>(other);
  const StoreScope scope;
  // The index's own record part is never used; the records are.
  if (index_.Count() != theirs->index_.Count()) {
    return false;
  }
  for (std::uint32_t i = 0; i < index_.Count(); ++i) {
    if (!index_.ChildAt(i)->IsSameRecord(*theirs->index_.ChildAt(i).Get())) {
      return false;
    }
  }
  return true;
}

bool MPersistentCompositeOnDiskImp::FileGood() const {
  return manager_ != nullptr && manager_->IsOpen() && !manager_->Error() && tree_ != nullptr &&
         tree_->IsUsable();
}

void MPersistentCompositeOnDiskImp::FailFile() {
  if (manager_ != nullptr) {
    manager_->SetError();
  }
  error_ = 1;
}

void MPersistentCompositeOnDiskImp::OpenFile() {
  error_ = 0;
  index_.Clear();
  Opening().push_back(file_name_);
  manager_.reset(new (std::nothrow) RWFileSpaceManager(file_name_.Data()));
  if (manager_ == nullptr || !manager_->IsOpen()) {
    manager_.reset();
    error_ = 1;
    Opening().pop_back();
    return;
  }
  const bool existed = std::strcmp(manager_->GetMode(), "rb+") == 0;
  if (!manager_->Error()) {
    tree_.reset(new (std::nothrow) RWDiskBTree(manager_.get(), kCacheBlocks, false, kKeyLength,
                                               false, -1, false, kOrder, kMinFill));
    // A reopened file decides its tree's keys: record names need text keys of the usual length.
    // Keys compare as NUL-terminated byte strings over at most the key length (the first
    // difference decides, bytes unsigned): the tree's own comparison of text keys.
    if (tree_ == nullptr || !tree_->IsUsable() || tree_->HasRawKeys() ||
        tree_->KeyLength() != kKeyLength) {
      FailFile();
    }
  }
  index_offset_ = -1;
  if (FileGood() && existed) {
    // The index stays where it is while the file is open: a file only read is never written.
    std::int32_t offset = -1;
    if (tree_->FindKeyAndValue(kIndexKey, nullptr, &offset)) {
      // The index record is data from outside: a record that does not read back whole as a
      // record composite leaves the index empty and the file in error.
      const bool read = manager_->SeekTo(offset) && (*manager_ >> index_) == &index_ &&
                        !manager_->Error();
      if (read) {
        index_offset_ = offset;
      } else {
        index_.Clear();
        FailFile();
      }
    } else if (!tree_->IsUsable()) {
      FailFile();
    }
  }
  // A file without an index (a new one) gets one when it closes.
  index_changed_ = index_offset_ < 0;
  if (FileGood()) {
    // The tree's pairs, kept in memory as well, so that finding a record costs no walk of the
    // file (the tree stays the record of them on disk). Records are found by their serial
    // numbers: a key that no serial number is named by (the index's own) is no record's.
    offsets_.Reserve(index_.RecordCount());
    tree_->ApplyToKeyAndValue(
        [](const char* key, std::int32_t value, void* client) {
          auto* store = static_cast<MPersistentCompositeOnDiskImp*>(client);
          std::uint32_t serial = 0;
          if (RecordOffsets::SerialOfName(key, &serial) && !store->offsets_.Set(serial, value)) {
            store->FailFile();
          }
        },
        this);
    if (!tree_->IsUsable()) {
      FailFile();
    }
  }
  if (!FileGood()) {
    offsets_.Clear();
    error_ = 1;
  }
  Opening().pop_back();
}

void MPersistentCompositeOnDiskImp::CloseFile() {
  if (manager_ != nullptr && tree_ != nullptr) {
    if (FileGood() && index_changed_) {
      // The new index is written and named before the old one's space is given back.
      const std::int32_t offset = WriteIndex();
      if (offset >= 0) {
        std::int32_t old = -1;
        const bool named = index_offset_ >= 0 ? tree_->ReplaceValue(kIndexKey, offset, &old)
                                              : tree_->InsertKeyAndValue(kIndexKey, offset);
        if (!named || (old >= 0 && !manager_->Deallocate(old))) {
          FailFile();
        }
      }
    }
    if (FileGood() && !manager_->Flush()) {
      FailFile();
    }
    if (!FileGood()) {
      error_ = 1;
    }
  }
  index_.Clear();
  offsets_.Clear();
  tree_.reset();
  manager_.reset();
}

bool MPersistentCompositeOnDiskImp::KeyPresent(std::uint32_t serial) {
  return FileGood() && offsets_.Contains(serial);
}

std::int32_t MPersistentCompositeOnDiskImp::WriteObject(const RWCollectable& object) {
  if (!FileGood()) {
    return -1;
  }
  const std::uint32_t size = object.TotalStoredSize();
  const std::int32_t offset = manager_->Allocate(size);
  if (offset < 0) {
    FailFile();
    return -1;
  }
  // A class whose stored size is wrong writes past its block or leaves part of it unwritten.
  // Written into a block in the middle of the space, an overrun would land in the neighbouring
  // block, so such a record is first written beyond the end of space, where nothing lives, and
  // measured there. A block at the end of space is measured in place.
  auto write_at = [&](std::int64_t at) {
    if (at > INT32_MAX || !manager_->SeekTo(static_cast<std::int32_t>(at))) {
      return false;
    }
    object.SaveObject(*manager_);
    return !manager_->Error() &&
           static_cast<std::int64_t>(manager_->CurOffset()) == at + static_cast<std::int64_t>(size);
  };
  const std::int64_t block_end = static_cast<std::int64_t>(offset) - 4 + GrossSize(size);
  bool exact = true;
  if (block_end != manager_->EndOfSpace()) {
    exact = write_at(manager_->EndOfSpace());
  }
  if (exact) {
    exact = write_at(offset);
  }
  if (!exact) {
    (void)manager_->Deallocate(offset);
    error_ = 1;
    return -1;
  }
  return offset;
}

std::int32_t MPersistentCompositeOnDiskImp::WriteIndex() {
  if (!FileGood()) {
    return -1;
  }
  // Beyond the end of space nothing lives: the record is written where a block taken from the
  // end would hold it, and measured.
  const std::int64_t at = static_cast<std::int64_t>(manager_->EndOfSpace()) + 4;
  if (at > INT32_MAX || !manager_->SeekToWrite(static_cast<std::int32_t>(at))) {
    return WriteObject(index_);
  }
  index_.SaveObject(*manager_);
  const std::int64_t end = manager_->CurOffset();
  if (manager_->Error() || end < at || end - at > RWFileSpaceManager::kMaxRequest) {
    error_ = 1;
    return -1;
  }
  const auto size = static_cast<std::uint32_t>(end - at);
  const std::int32_t offset = manager_->Allocate(size);
  if (offset < 0) {
    FailFile();
    return -1;
  }
  if (offset != at) {
    // The space came from the free list: written again there, and it must come out the same.
    bool same = manager_->SeekTo(offset);
    if (same) {
      index_.SaveObject(*manager_);
      same = !manager_->Error() && static_cast<std::int64_t>(manager_->CurOffset()) ==
                                       static_cast<std::int64_t>(offset) + size;
    }
    if (!same) {
      (void)manager_->Deallocate(offset);
      error_ = 1;
      return -1;
    }
  }
  return offset;
}

bool MPersistentCompositeOnDiskImp::WriteRecord(const GRecord& record, const GBaseObject& object) {
  const std::int32_t offset = WriteObject(object);
  if (offset < 0) {
    return false;
  }
  char name[GRecord::kNameBuffer];
  (void)GRecord::FormatName(record.RecordedSerial(), name);
  if (!tree_->InsertKeyAndValue(name, offset)) {
    (void)manager_->Deallocate(offset);
    if (!tree_->IsUsable()) {
      FailFile();
    }
    error_ = 1;
    return false;
  }
  if (!offsets_.Set(record.RecordedSerial(), offset)) {
    FailFile();
    return false;
  }
  return true;
}

void MPersistentCompositeOnDiskImp::TakeChildren(GRecordComposite& record) {
  for (std::uint32_t i = 0; i < record.Count(); ++i) {
    (void)TakeRecord(*record.ChildAt(i));
  }
  record.Clear();
}

GRecordRef MPersistentCompositeOnDiskImp::StoreObject(const GCountedPtr& reference,
                                                      bool for_child) {
  if (!reference || !FileGood()) {
    return GRecordRef();
  }
  return StoreHeld(*reference.Get(), for_child);
}

GRecordRef MPersistentCompositeOnDiskImp::StoreHeld(const GBaseObject& given, bool for_child) {
  index_changed_ = true;
  // The caller keeps the object for the call; the copies made here are held here.
  const GBaseObject* stored = &given;
  GCountedPtr stored_copy;
  if (offsets_.Contains(given.SerialNumber())) {
    // Keys stay unique: a second object with the serial number of one already stored (a copy)
    // is stored as a copy with a fresh serial number.
    RWCollectable* clone = given.Clone();
    auto* copy = dynamic_cast<GBaseObject*>(clone);
    if (copy == nullptr) {
      delete clone;
      return GRecordRef();
    }
    copy->SetSerialNumber(GBaseObject::TakeSerialNumber());
    stored_copy = GCountedPtr(copy);
    stored = copy;
  }
  const GBaseObject& object = *stored;
  GRecordRef record;
  const GBaseObject* written = stored;
  GCountedPtr written_copy;
  if (StoredAsProxy(object.IsA())) {
    record = GRecordRef(new (std::nothrow) GRecordProxy(object));
  } else if (object.AsComposite() == nullptr) {
    record = GRecordRef(new (std::nothrow) GRecord(object));
  } else {
    auto* composite = new (std::nothrow) GRecordComposite(object);
    record = GRecordRef(composite);
    if (composite == nullptr) {
      return GRecordRef();
    }
    GIterator* iterator = object.CreateIterator();
    bool stored_all = iterator != nullptr;
    while (stored_all && iterator->Advance() != 0) {
      if (!FileGood()) {
        stored_all = false;
        break;
      }
      // A child of an in-memory composite is held by the composite, which the caller holds;
      // an iterator that hands out no plain pointers hands out a counted reference.
      GCountedPtr held;
      const GBaseObject* child = iterator->Current();
      if (child == nullptr) {
        held = iterator->CurrentRef();
        child = held.Get();
      }
      if (child == nullptr) {
        continue;
      }
      const GRecordRef child_record = StoreHeld(*child, true);
      stored_all = child_record && composite->AddChildRecord(child_record);
      if (child_record && !stored_all) {
        (void)TakeRecord(*child_record);
      }
    }
    delete iterator;
    // The composite itself is written without its children, which live in their own records:
    // a copy emptied of them, keeping its other fields.
    RWCollectable* made = stored_all ? object.Clone() : nullptr;
    auto* shell = dynamic_cast<GBaseObject*>(made);
    if (shell == nullptr) {
      delete made;
      TakeChildren(*composite);
      return GRecordRef();
    }
    written_copy = GCountedPtr(shell);
    written = shell;
    shell->Clear();
    // A composite whose Clear keeps the leaf behaviour (a command list) gives its children up
    // one by one; one that keeps them even so is written as a new empty object of its class, so
    // that no child is stored twice.
    if (shell->Count() != 0) {
      if (const std::unique_ptr<GIterator> children(shell->CreateIterator()); children) {
        while (children->Advance() != 0) {
          children->RemoveCurrent();
        }
      }
    }
    if (shell->Count() != 0) {
      auto* empty = dynamic_cast<GBaseObject*>(object.CreateInstance());
      if (empty == nullptr) {
        TakeChildren(*composite);
        return GRecordRef();
      }
      empty->SetKey(*object.Key());
      written_copy = GCountedPtr(empty);
      written = empty;
      shell = empty;
    }
    shell->SetSerialNumber(object.SerialNumber());
  }
  if (!record || !WriteRecord(*record, *written)) {
    if (record && record->AsRecordComposite() != nullptr) {
      TakeChildren(*record->AsRecordComposite());
    }
    return GRecordRef();
  }
  if (!for_child && !index_.AddChildRecord(record)) {
    (void)TakeRecord(*record);
    return GRecordRef();
  }
  return record;
}

GCountedPtr MPersistentCompositeOnDiskImp::ReadRecord(const GRecord& record, bool take) {
  if (take) {
    index_changed_ = true;
  }
  if (!FileGood()) {
    return GCountedPtr();
  }
  const std::uint32_t serial = record.RecordedSerial();
  const std::int32_t* entry = offsets_.Find(serial);
  if (entry == nullptr) {
    return GCountedPtr();
  }
  const std::int32_t offset = *entry;
  if (take) {
    (void)offsets_.Erase(serial);
    char name[GRecord::kNameBuffer];
    (void)GRecord::FormatName(serial, name);
    if (!tree_->RemoveKeyAndValue(name, nullptr, nullptr)) {
      FailFile();
      return GCountedPtr();
    }
  }
  GCountedPtr object;
  if (manager_->SeekTo(offset)) {
    RWCollectable* read = nullptr;
    *manager_ >> read;
    auto* framework_object = vel::CachedCast<GBaseObject>(read);
    if (framework_object == nullptr) {
      delete read;
    }
    object = GCountedPtr(framework_object);
  }
  if (manager_->Error()) {
    error_ = 1;
    return GCountedPtr();
  }
  if (take && !manager_->Deallocate(offset)) {
    FailFile();
  }
  auto* composite = const_cast<GRecord&>(record).AsRecordComposite();
  if (composite != nullptr) {
    for (std::uint32_t i = 0; i < composite->Count(); ++i) {
      const GRecordRef& child_record = composite->ChildAt(i);
      const GCountedPtr child = ReadRecord(*child_record, take);
      if (!child || !object) {
        continue;
      }
      if (StoredAsProxy(child->IsA())) {
        object->AddRef(child);
      } else {
        object->Add(child.Get());
      }
    }
  }
  if (!FileGood()) {
    error_ = 1;
  }
  return object;
}

GCountedPtr MPersistentCompositeOnDiskImp::LoadRecord(const GRecord& record) {
  return ReadRecord(record, false);
}

GCountedPtr MPersistentCompositeOnDiskImp::TakeRecord(const GRecord& record) {
  return ReadRecord(record, true);
}

GRecordRef MPersistentCompositeOnDiskImp::ReplaceRecord(const GRecord& record,
                                                        const GCountedPtr& object) {
  if (!object || !KeyPresent(record.RecordedSerial())) {
    return GRecordRef();
  }
  (void)TakeRecord(record);
  return StoreObject(object, true);
}

void MPersistentCompositeOnDiskImp::AddRef(const GCountedPtr& reference) {
  const StoreScope scope;
  if (reference) {
    (void)StoreObject(reference, false);
  }
}

void MPersistentCompositeOnDiskImp::PrependRef(const GCountedPtr& reference) {
  AddRef(reference);
}

GCountedPtr MPersistentCompositeOnDiskImp::RemoveRefEqual(const GBaseObject* object) {
  const StoreScope scope;
  index_changed_ = true;
  if (object == nullptr) {
    return GCountedPtr();
  }
  return index_.RemoveFromChildren(GRecordMatch::Equal(object), *this);
}

GCountedPtr MPersistentCompositeOnDiskImp::RemoveRefByKey(std::uint32_t key) {
  const StoreScope scope;
  index_changed_ = true;
  return index_.RemoveFromChildren(GRecordMatch::Key(key), *this);
}

GCountedPtr MPersistentCompositeOnDiskImp::RemoveRefByClassId(RWClassID id) {
  const StoreScope scope;
  index_changed_ = true;
  return index_.RemoveFromChildren(GRecordMatch::ClassId(id), *this);
}

int MPersistentCompositeOnDiskImp::ReplaceRefByKey(std::uint32_t key,
                                                   const GCountedPtr& reference) {
  const StoreScope scope;
  index_changed_ = true;
  return index_.ReplaceInChildren(GRecordMatch::Key(key), reference, *this);
}

int MPersistentCompositeOnDiskImp::ReplaceRefByClassId(RWClassID id,
                                                       const GCountedPtr& reference) {
  const StoreScope scope;
  index_changed_ = true;
  return index_.ReplaceInChildren(GRecordMatch::ClassId(id), reference, *this);
}

int MPersistentCompositeOnDiskImp::ReplaceRefEqual(const GBaseObject* object,
                                                   const GCountedPtr& reference) {
  const StoreScope scope;
  index_changed_ = true;
  if (object == nullptr) {
    return 0;
  }
  return index_.ReplaceInChildren(GRecordMatch::Equal(object), reference, *this);
}

void MPersistentCompositeOnDiskImp::Clear() {
  const StoreScope scope;
  if (FileGood()) {
    tree_->Clear();
  }
  offsets_.Clear();
  tree_.reset();
  if (manager_ != nullptr && !manager_->Error()) {
    (void)manager_->Erase();
  }
  manager_.reset();
  OpenFile();
}

GCountedPtr MPersistentCompositeOnDiskImp::GetRefByKey(std::uint32_t key) {
  const StoreScope scope;
  return index_.GetFromChildren(GRecordMatch::Key(key), *this);
}

GCountedPtr MPersistentCompositeOnDiskImp::GetRefByClassId(RWClassID id) {
  const StoreScope scope;
  return index_.GetFromChildren(GRecordMatch::ClassId(id), *this);
}

GCountedPtr MPersistentCompositeOnDiskImp::GetRefEqual(const GBaseObject* object) {
  const StoreScope scope;
  if (object == nullptr) {
    return GCountedPtr();
  }
  return index_.GetFromChildren(GRecordMatch::Equal(object), *this);
}

std::uint32_t MPersistentCompositeOnDiskImp::Count() const {
  const StoreScope scope;
  return index_.RecordCount();
}

std::uint32_t MPersistentCompositeOnDiskImp::TotalCount() const {
  return Count();
}

GIterator* MPersistentCompositeOnDiskImp::CreateIterator() const {
  return new (std::nothrow)
      GRecordStoreIterator(GCountedPtr(const_cast<MPersistentCompositeOnDiskImp*>(this)));
}

std::uint32_t MPersistentCompositeOnDiskImp::GetError() const {
  // Reads no file: the lock alone.
  RWLockGuard guard(MPersistentCompositeOnDisk::StoreLock());
  return ErrorHeld();
}

std::uint32_t MPersistentCompositeOnDiskImp::ErrorHeld() const {
  return error_ != 0 || (manager_ != nullptr && manager_->Error()) ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// MPersistentCompositeOnDisk

RWStaticLock& MPersistentCompositeOnDisk::StoreLock() {
  static RWStaticLock* const lock = new RWStaticLock;
  return *lock;
}

std::uint32_t MPersistentCompositeOnDisk::OpenStoreEntries() {
  RWLockGuard guard(StoreLock());
  return static_cast<std::uint32_t>(OpenStores().size());
}

MPersistentCompositeOnDisk::MPersistentCompositeOnDisk(std::int32_t delete_flag)
    : delete_flag_(delete_flag) {}

MPersistentCompositeOnDisk::MPersistentCompositeOnDisk(const RWWString& name,
                                                       std::int32_t delete_flag,
                                                       std::uint32_t key)
    : GBaseObject(key), delete_flag_(delete_flag) {
  RWCString narrow;
  (void)NarrowString(name, narrow);
  Open(narrow);
}

MPersistentCompositeOnDisk::MPersistentCompositeOnDisk(const MPersistentCompositeOnDisk& other)
    : GBaseObject(other), file_name_(other.file_name_), delete_flag_(other.delete_flag_) {
  if (other.state_ == kOpen) {
    Open(file_name_);
  }
}

MPersistentCompositeOnDisk& MPersistentCompositeOnDisk::operator=(
    const MPersistentCompositeOnDisk& other) {
  if (this == &other) {
    return *this;
  }
  RWLockGuard guard(StoreLock());
  if (imp_ && imp_.Get() == other.imp_.Get() && state_ == other.state_) {
    return *this;
  }
  Close();
  imp_.Reset();
  GBaseObject::operator=(other);
  delete_flag_ = other.delete_flag_;
  file_name_ = other.file_name_;
  if (other.state_ == kOpen) {
    Open(file_name_);
  }
  return *this;
}

MPersistentCompositeOnDisk::~MPersistentCompositeOnDisk() {
  RWLockGuard guard(StoreLock());
  Close();
  if (delete_flag_ == 1 && used_file_) {
    // The file goes with the last user of its implementation, not before; a composite that never
    // opened its file (one restored and never used) is no user of it and deletes nothing.
    if (imp_) {
      ImpOf(imp_)->DeleteFileOnClose();
    } else if (const auto entry = FindStore(file_name_); entry != OpenStores().end()) {
      ImpOf(entry->implementation)->DeleteFileOnClose();
    } else if (file_name_.Length() != 0) {
      (void)vel::flavour::FileRemove(file_name_.Data());
    }
  }
  imp_.Reset();
}

RWClassID MPersistentCompositeOnDisk::ClassId() {
  return vel::classid::kMPersistentCompositeOnDisk;
}

RWCollectable* MPersistentCompositeOnDisk::Create() {
  return new (std::nothrow) MPersistentCompositeOnDisk;
}

RWCollectable* MPersistentCompositeOnDisk::CreateInstance() const {
  return Create();
}

RWCollectable* MPersistentCompositeOnDisk::Clone() const {
  return new (std::nothrow) MPersistentCompositeOnDisk(*this);
}

GBaseObject* MPersistentCompositeOnDisk::DeepCopy() const {
  return dynamic_cast<GBaseObject*>(Clone());
}

RWClassID MPersistentCompositeOnDisk::IsA() const {
  return ClassId();
}

std::uint32_t MPersistentCompositeOnDisk::StoredByteCount() const {
  return GBaseObject::StoredByteCount() + 16 + static_cast<std::uint32_t>(file_name_.Length());
}

template <typename Carrier>
void MPersistentCompositeOnDisk::Save(Carrier& carrier) const {
  GBaseObject::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteField(carrier, state_);
  vel::WriteString(carrier, file_name_);
  vel::WriteField(carrier, delete_flag_);
}

template <typename Carrier>
void MPersistentCompositeOnDisk::Restore(Carrier& carrier) {
  GBaseObject::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  std::int32_t state = 0;
  RWCString name;
  std::int32_t delete_flag = 0;
  if (!vel::ReadField(carrier, state) || !vel::ReadString(carrier, name) ||
      !vel::ReadField(carrier, delete_flag)) {
    vel::FailCarrier(carrier);
    return;
  }
  RWLockGuard guard(StoreLock());
  Close();
  imp_.Reset();
  file_name_ = name;
  delete_flag_ = delete_flag;
  // A file already open is shared at once. Opening another one reads its index, which cannot be
  // done while this record is being read (the restore tables of a thread are shared by every
  // record read inside the outermost one): the composite then opens its file at its first use.
  if (FindStore(file_name_) != OpenStores().end()) {
    Open(file_name_);
  }
}

void MPersistentCompositeOnDisk::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void MPersistentCompositeOnDisk::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void MPersistentCompositeOnDisk::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void MPersistentCompositeOnDisk::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

bool MPersistentCompositeOnDisk::IsKindOf(RWClassID id) const {
  return id == ClassId() || GBaseObject::IsKindOf(id);
}

bool MPersistentCompositeOnDisk::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA()) {
    return false;
  }
  const auto* theirs = static_cast<const MPersistentCompositeOnDisk*>(other);
  RWLockGuard guard(StoreLock());
  return theirs->file_name_ == file_name_ && theirs->state_ == state_ &&
         theirs->imp_.Get() == imp_.Get() && theirs->delete_flag_ == delete_flag_;
}

void MPersistentCompositeOnDisk::Open(const RWCString& name) {
  RWLockGuard guard(StoreLock());
  if (state_ == kOpen) {
    return;
  }
  file_name_ = name;
  if (IsOpening(name)) {
    return;
  }
  std::list<OpenStore>& stores = OpenStores();
  const auto found = FindStore(name);
  GCountedPtr implementation;
  if (found != stores.end()) {
    implementation = found->implementation;
  } else {
    implementation = GCountedPtr(new (std::nothrow) MPersistentCompositeOnDiskImp(name, *Key()));
  }
  if (!implementation) {
    return;
  }
  try {
    stores.insert(found != stores.end() ? std::next(found) : stores.end(),
                  OpenStore{name, implementation});
  } catch (const std::bad_alloc&) {
    return;
  }
  imp_ = implementation;
  state_ = kOpen;
  used_file_ = true;
}

void MPersistentCompositeOnDisk::Close() {
  RWLockGuard guard(StoreLock());
  if (state_ == kClosed) {
    return;
  }
  state_ = kClosed;
  std::list<OpenStore>& stores = OpenStores();
  if (const auto entry = FindStore(file_name_); entry != stores.end()) {
    stores.erase(entry);
  }
  // A closed composite holds no implementation: the last entry's close must be the file's close.
  imp_.Reset();
}

RWCString MPersistentCompositeOnDisk::GetFileName(RWCString& name) const {
  RWLockGuard guard(StoreLock());
  name = imp_ ? ImpOf(imp_)->FileName() : file_name_;
  return name;
}

std::uint32_t MPersistentCompositeOnDisk::GetFileStatus() {
  RWLockGuard guard(StoreLock());
  if (state_ == kOpen && imp_) {
    file_status_ = ImpOf(imp_)->ErrorHeld();
  }
  return file_status_;
}

GCountedPtr MPersistentCompositeOnDisk::Implementation() const {
  RWLockGuard guard(StoreLock());
  return imp_;
}

MPersistentCompositeOnDiskImp* MPersistentCompositeOnDisk::Use(GCountedPtr& holder) const {
  RWLockGuard guard(StoreLock());
  if (state_ != kOpen) {
    const_cast<MPersistentCompositeOnDisk*>(this)->Open(file_name_);
  }
  holder = imp_;
  return ImpOf(holder);
}

void MPersistentCompositeOnDisk::AddRef(const GCountedPtr& reference) {
  GCountedPtr holder;
  if (auto* imp = Use(holder)) {
    imp->AddRef(reference);
  }
}

void MPersistentCompositeOnDisk::PrependRef(const GCountedPtr& reference) {
  GCountedPtr holder;
  if (auto* imp = Use(holder)) {
    imp->PrependRef(reference);
  }
}

GCountedPtr MPersistentCompositeOnDisk::RemoveRefEqual(const GBaseObject* object) {
  GCountedPtr holder;
  auto* imp = Use(holder);
  return imp != nullptr ? imp->RemoveRefEqual(object) : GCountedPtr();
}

GCountedPtr MPersistentCompositeOnDisk::RemoveRefByKey(std::uint32_t key) {
  GCountedPtr holder;
  auto* imp = Use(holder);
  return imp != nullptr ? imp->RemoveRefByKey(key) : GCountedPtr();
}

GCountedPtr MPersistentCompositeOnDisk::RemoveRefByClassId(RWClassID id) {
  GCountedPtr holder;
  auto* imp = Use(holder);
  return imp != nullptr ? imp->RemoveRefByClassId(id) : GCountedPtr();
}

int MPersistentCompositeOnDisk::ReplaceRefByKey(std::uint32_t key, const GCountedPtr& reference) {
  GCountedPtr holder;
  auto* imp = Use(holder);
  return imp != nullptr ? imp->ReplaceRefByKey(key, reference) : 0;
}

int MPersistentCompositeOnDisk::ReplaceRefByClassId(RWClassID id, const GCountedPtr& reference) {
  GCountedPtr holder;
  auto* imp = Use(holder);
  return imp != nullptr ? imp->ReplaceRefByClassId(id, reference) : 0;
}

int MPersistentCompositeOnDisk::ReplaceRefEqual(const GBaseObject* object,
                                                const GCountedPtr& reference) {
  GCountedPtr holder;
  auto* imp = Use(holder);
  return imp != nullptr ? imp->ReplaceRefEqual(object, reference) : 0;
}

void MPersistentCompositeOnDisk::Clear() {
  GCountedPtr holder;
  if (auto* imp = Use(holder)) {
    imp->Clear();
  }
}

GCountedPtr MPersistentCompositeOnDisk::GetRefByKey(std::uint32_t key) {
  GCountedPtr holder;
  auto* imp = Use(holder);
  return imp != nullptr ? imp->GetRefByKey(key) : GCountedPtr();
}

GCountedPtr MPersistentCompositeOnDisk::GetRefByClassId(RWClassID id) {
  GCountedPtr holder;
  auto* imp = Use(holder);
  return imp != nullptr ? imp->GetRefByClassId(id) : GCountedPtr();
}

GCountedPtr MPersistentCompositeOnDisk::GetRefEqual(const GBaseObject* object) {
  GCountedPtr holder;
  auto* imp = Use(holder);
  return imp != nullptr ? imp->GetRefEqual(object) : GCountedPtr();
}

std::uint32_t MPersistentCompositeOnDisk::Count() const {
  GCountedPtr holder;
  auto* imp = Use(holder);
  return imp != nullptr ? imp->Count() : 0;
}

std::uint32_t MPersistentCompositeOnDisk::TotalCount() const {
  GCountedPtr holder;
  auto* imp = Use(holder);
  return imp != nullptr ? imp->TotalCount() : 0;
}

GIterator* MPersistentCompositeOnDisk::CreateIterator() const {
  GCountedPtr holder;
  auto* imp = Use(holder);
  return imp != nullptr ? imp->CreateIterator() : new (std::nothrow) GNullIterator;
}

// ---------------------------------------------------------------------------------------------
// GRecordStoreIterator

GRecordStoreIterator::GRecordStoreIterator(const GCountedPtr& implementation)
    : implementation_(implementation) {}

MPersistentCompositeOnDiskImp& GRecordStoreIterator::Imp() const {
  return *ImpOf(implementation_);
}

std::int64_t GRecordStoreIterator::Locate() const {
  if (!current_) {
    return -1;
  }
  const GRecordComposite& index = Imp().index_;
  if (position_ >= 0 && index.ChildAt(static_cast<std::uint32_t>(position_)).Get() == current_.Get()) {
    return position_;
  }
  return index.IndexOf(current_.Get());
}

int GRecordStoreIterator::Advance() {
  const StoreScope scope;
  const GRecordComposite& index = Imp().index_;
  std::int64_t next = 0;
  if (current_) {
    const std::int64_t at = Locate();
    // A current record taken out meanwhile: the record after it has moved into its place.
    next = at >= 0 ? at + 1 : position_;
  }
  if (next < 0 || next >= index.Count()) {
    current_.Reset();
    position_ = -1;
    return 0;
  }
  position_ = next;
  current_ = index.ChildAt(static_cast<std::uint32_t>(next));
  return 1;
}

int GRecordStoreIterator::StepBack() {
  const StoreScope scope;
  const GRecordComposite& index = Imp().index_;
  std::int64_t previous = static_cast<std::int64_t>(index.Count()) - 1;
  if (current_) {
    const std::int64_t at = Locate();
    previous = (at >= 0 ? at : position_) - 1;
  }
  if (previous < 0 || previous >= index.Count()) {
    current_.Reset();
    position_ = -1;
    return 0;
  }
  position_ = previous;
  current_ = index.ChildAt(static_cast<std::uint32_t>(previous));
  return 1;
}

void GRecordStoreIterator::Reset() {
  const StoreScope scope;
  current_.Reset();
  position_ = -1;
}

GCountedPtr GRecordStoreIterator::CurrentRef() const {
  const StoreScope scope;
  if (!current_ || Locate() < 0) {
    return GCountedPtr();
  }
  return Imp().LoadRecord(*current_);
}

void GRecordStoreIterator::RemoveCurrent() {
  const StoreScope scope;
  const GCountedPtr object = CurrentRef();
  if (object) {
    (void)Imp().RemoveRefEqual(object.Get());
  }
}

void GRecordStoreIterator::ReplaceCurrentRef(const GCountedPtr& reference) {
  const StoreScope scope;
  const GCountedPtr object = CurrentRef();
  if (!object || Imp().ReplaceRefEqual(object.Get(), reference) == 0) {
    return;
  }
  // The replacing record took the current one's place: it is the current item now, so that the
  // next Advance moves past it.
  if (Locate() < 0 && position_ >= 0 && position_ < Imp().index_.Count()) {
    current_ = Imp().index_.ChildAt(static_cast<std::uint32_t>(position_));
  }
}

void GRecordStoreIterator::ReplaceCurrent(GBaseObject* object) {
  ReplaceCurrentRef(GCountedPtr(object));
}
