// Records, record proxies and record composites.
#include "framework/core/GRecord.h"

#include <algorithm>
#include <bit>
#include <new>
#include <type_traits>
#include <typeinfo>
#include <utility>

#include "framework/core/CachedCast.h"
#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GBaseObject.h"
#include "framework/core/StoredFields.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWDiskBytes.h"
#include "rw/RWFactory.h"
#include "rw/RWStaticLock.h"
#include "rw/RWVirtualStream.h"
#include "rw/rwstore.h"

// ---------------------------------------------------------------------------------------------
// GRecordRef

GRecordRef& GRecordRef::operator=(const GRecordRef& other) {
  if (other.record_ != record_) {
    GRecordRef copy(other);
    std::swap(record_, copy.record_);
  }
  return *this;
}

void GRecordRef::Release() {
  GRecord* record = std::exchange(record_, nullptr);
  if (record->ReferenceWord().RemoveReference(GRecord::Lock()) == 0) {
    delete record;
  }
}

GRecordMatch GRecordMatch::Equal(const GBaseObject* object) {
  return {Field::kSerial, object != nullptr ? object->SerialNumber() : 0, object};
}

// ---------------------------------------------------------------------------------------------
// GRecord

// ---------------------------------------------------------------------------------------------
// The blocks of plain records

namespace {

// A free block holds the next one.
struct FreeRecordBlock {
  FreeRecordBlock* next;
};
static_assert(sizeof(FreeRecordBlock) <= sizeof(GRecord));

// At most this many blocks wait on a thread (a few KiB of a store's index at a time).
constexpr std::uint32_t kKeptRecordBlocks = 4096;

constinit thread_local FreeRecordBlock* t_free_records = nullptr;
constinit thread_local std::uint32_t t_free_record_count = 0;
// The thread is ending: its kept blocks are gone and no block is kept any more.
constinit thread_local bool t_record_blocks_closed = false;

#if defined(__SANITIZE_ADDRESS__)
#define VEL_RECORD_BLOCKS_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VEL_RECORD_BLOCKS_ASAN 1
#endif
#endif

#if defined(VEL_RECORD_BLOCKS_ASAN)
extern "C" void __asan_poison_memory_region(void const volatile* address, std::size_t size);
extern "C" void __asan_unpoison_memory_region(void const volatile* address, std::size_t size);
// A kept block stays poisoned but for its link, so that a use of a freed record is still caught.
void KeepPoisoned(void* block) {
  __asan_poison_memory_region(static_cast<char*>(block) + sizeof(FreeRecordBlock),
                              sizeof(GRecord) - sizeof(FreeRecordBlock));
}
void Unpoison(void* block) {
  __asan_unpoison_memory_region(block, sizeof(GRecord));
}
#else
void KeepPoisoned(void* /*block*/) {}
void Unpoison(void* /*block*/) {}
#endif

// Frees the kept blocks when the thread ends.
struct RecordBlockDrain {
  RecordBlockDrain() = default;
  RecordBlockDrain(const RecordBlockDrain&) = delete;
  RecordBlockDrain& operator=(const RecordBlockDrain&) = delete;
  ~RecordBlockDrain() {
    t_record_blocks_closed = true;
    while (t_free_records != nullptr) {
      FreeRecordBlock* block = t_free_records;
      t_free_records = block->next;
      Unpoison(block);
      ::operator delete(block);
    }
    t_free_record_count = 0;
  }
  void Arm() {}
};
thread_local RecordBlockDrain t_record_block_drain;

void* TakeKeptRecordBlock() {
  FreeRecordBlock* block = t_free_records;
  if (block == nullptr) {
    return nullptr;
  }
  t_free_records = block->next;
  --t_free_record_count;
  Unpoison(block);
  return block;
}

}  // namespace

void* GRecord::operator new(std::size_t size) {
  if (size == sizeof(GRecord)) {
    if (void* block = TakeKeptRecordBlock()) {
      return block;
    }
  }
  return ::operator new(size);
}

void* GRecord::operator new(std::size_t size, const std::nothrow_t& tag) noexcept {
  if (size == sizeof(GRecord)) {
    if (void* block = TakeKeptRecordBlock()) {
      return block;
    }
  }
  return ::operator new(size, tag);
}

void GRecord::operator delete(void* block, std::size_t size) noexcept {
  if (block == nullptr) {
    return;
  }
  if (size != sizeof(GRecord) || t_record_blocks_closed ||
      t_free_record_count >= kKeptRecordBlocks) {
    ::operator delete(block);
    return;
  }
  if (t_free_records == nullptr) {
    t_record_block_drain.Arm();  // the thread frees what it keeps when it ends
    if (t_record_blocks_closed) {
      ::operator delete(block);
      return;
    }
  }
  auto* free_block = static_cast<FreeRecordBlock*>(block);
  free_block->next = t_free_records;
  t_free_records = free_block;
  ++t_free_record_count;
  KeepPoisoned(block);
}

// ---------------------------------------------------------------------------------------------

GRecord::GRecord() = default;

GRecord::GRecord(const GBaseObject& object)
    : class_id_(object.IsA()), serial_(object.SerialNumber()), key_(*object.Key()) {}

GRecord::GRecord(const GRecord& other)
    : RWCollectable(other), class_id_(other.class_id_), serial_(other.serial_), key_(other.key_) {}

RWClassID GRecord::ClassId() {
  return vel::classid::kGRecord;
}

RWCollectable* GRecord::Create() {
  return new (std::nothrow) GRecord;
}

RWCollectable* GRecord::CreateInstance() const {
  return Create();
}

RWCollectable* GRecord::Clone() const {
  return new (std::nothrow) GRecord(*this);
}

RWClassID GRecord::IsA() const {
  return ClassId();
}

std::uint32_t GRecord::StoredByteCount() const {
  return RWCollectable::StoredByteCount() + vel::kClassVersionSize + 2 + 4 + 4;
}

template <typename Carrier>
void GRecord::Save(Carrier& carrier) const {
  RWCollectable::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteField(carrier, static_cast<std::uint16_t>(class_id_));
  vel::WriteField(carrier, serial_);
  vel::WriteField(carrier, key_);
}

template <typename Carrier>
void GRecord::Restore(Carrier& carrier) {
  RWCollectable::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  std::uint16_t id = 0;
  std::uint32_t serial = 0;
  std::uint32_t key = 0;
  if (!vel::ReadField(carrier, id) || !vel::ReadField(carrier, serial) ||
      !vel::ReadField(carrier, key)) {
    vel::FailCarrier(carrier);
    return;
  }
  class_id_ = id;
  serial_ = serial;
  key_ = key;
}

void GRecord::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GRecord::RestoreContents(RWBinaryFile& file) {
  // The version word and the fields in one read, as SaveContents writes them. Another word, or
  // bytes missing, fail the file and keep the fields.
  RWCollectable::RestoreContents(file);
  if (file.Eof() || file.Error()) {
    return;
  }
  unsigned char bytes[vel::kClassVersionSize + 10];
  if (!file.Read(bytes, sizeof bytes) || vel::disk::LoadU32(bytes) != vel::kClassVersion) {
    file.SetError();
    return;
  }
  const unsigned char* fields = bytes + vel::kClassVersionSize;
  class_id_ = vel::disk::LoadU16(fields);
  serial_ = vel::disk::LoadU32(fields + 2);
  key_ = vel::disk::LoadU32(fields + 6);
}

void GRecord::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GRecord::SaveContents(RWBinaryFile& file) const {
  // The fields after the version word in one write: a store's index writes one record for every
  // object it holds.
  RWCollectable::SaveContents(file);
  vel::WriteClassVersion(file);
  unsigned char fields[10];
  vel::disk::StoreU16(fields, static_cast<std::uint16_t>(class_id_));
  vel::disk::StoreU32(fields + 2, serial_);
  vel::disk::StoreU32(fields + 6, key_);
  (void)file.Write(fields, sizeof fields);
}

GRecordComposite* GRecord::AsRecordComposite() {
  return nullptr;
}

bool GRecord::AddChildRecord(const GRecordRef& /*record*/) {
  return false;
}

bool GRecord::Matches(const GRecordMatch& match) const {
  switch (match.field) {
    case GRecordMatch::Field::kClassId:
      return class_id_ == match.value;
    case GRecordMatch::Field::kKey:
      return key_ == match.value;
    case GRecordMatch::Field::kSerial:
      return match.object != nullptr && serial_ == match.value;
  }
  return false;
}

GCountedPtr GRecord::Remove(const GRecordMatch& match, GRecordStore& owner) {
  return Matches(match) ? owner.TakeRecord(*this) : GCountedPtr();
}

GCountedPtr GRecord::Get(const GRecordMatch& match, GRecordStore& owner) {
  return Matches(match) ? owner.LoadRecord(*this) : GCountedPtr();
}

int GRecord::Replace(const GRecordMatch& match,
                     const GCountedPtr& object,
                     GRecordStore& owner,
                     GRecordRef* replacement) {
  if (!Matches(match)) {
    return 0;
  }
  GRecordRef fresh = owner.ReplaceRecord(*this, object);
  if (!fresh) {
    return 0;
  }
  if (replacement != nullptr) {
    *replacement = std::move(fresh);
  }
  return 1;
}

GCountedPtr GRecord::RemoveRefByClassId(RWClassID id, GRecordStore& owner) {
  return Remove(GRecordMatch::ClassId(id), owner);
}

GCountedPtr GRecord::RemoveRefByKey(std::uint32_t key, GRecordStore& owner) {
  return Remove(GRecordMatch::Key(key), owner);
}

GCountedPtr GRecord::RemoveRefEqual(const GBaseObject* object, GRecordStore& owner) {
  return Remove(GRecordMatch::Equal(object), owner);
}

int GRecord::ReplaceRefByClassId(RWClassID id, const GCountedPtr& object, GRecordStore& owner) {
  return Replace(GRecordMatch::ClassId(id), object, owner, nullptr);
}

int GRecord::ReplaceRefByKey(std::uint32_t key, const GCountedPtr& object, GRecordStore& owner) {
  return Replace(GRecordMatch::Key(key), object, owner, nullptr);
}

int GRecord::ReplaceRefEqual(const GBaseObject* match,
                             const GCountedPtr& object,
                             GRecordStore& owner) {
  return Replace(GRecordMatch::Equal(match), object, owner, nullptr);
}

GCountedPtr GRecord::GetRefByClassId(RWClassID id, GRecordStore& owner) {
  return Get(GRecordMatch::ClassId(id), owner);
}

GCountedPtr GRecord::GetRefByKey(std::uint32_t key, GRecordStore& owner) {
  return Get(GRecordMatch::Key(key), owner);
}

GCountedPtr GRecord::GetRefEqual(const GBaseObject* object, GRecordStore& owner) {
  return Get(GRecordMatch::Equal(object), owner);
}

std::uint32_t GRecord::RecordCount() const {
  return 1;
}

std::size_t GRecord::FormatName(std::uint32_t serial, char (&name)[kNameBuffer]) {
  static constexpr char kDigits[] = "0123456789abcdef";
  // One digit for each started group of four bits (one for 0).
  const auto length = static_cast<std::size_t>((std::bit_width(serial | 1u) + 3) / 4);
  name[length] = '\0';
  for (std::size_t i = length; i > 0; --i) {
    name[i - 1] = kDigits[serial & 0xF];
    serial >>= 4;
  }
  return length;
}

RWCString GRecord::NameOf(std::uint32_t serial) {
  char name[kNameBuffer];
  const std::size_t length = FormatName(serial, name);
  return RWCString(name, length);
}

RWCString GRecord::Name() const {
  return NameOf(serial_);
}

bool GRecord::IsSameRecord(const GRecord& other) const {
  return other.IsA() == IsA() && other.class_id_ == class_id_ && other.serial_ == serial_ &&
         other.key_ == key_;
}

// ---------------------------------------------------------------------------------------------
// GRecordProxy

namespace {

GBaseObject* CloneOf(const GBaseObject* object) {
  if (object == nullptr) {
    return nullptr;
  }
  RWCollectable* clone = object->Clone();
  auto* copy = dynamic_cast<GBaseObject*>(clone);
  if (copy == nullptr) {
    delete clone;
  }
  return copy;
}

}  // namespace

GRecordProxy::GRecordProxy(const GBaseObject& object) : GRecord(object), held_(CloneOf(&object)) {}

GRecordProxy::GRecordProxy(const GRecordProxy& other)
    : GRecord(other), held_(CloneOf(other.held_.Get())) {}

RWClassID GRecordProxy::ClassId() {
  return vel::classid::kGRecordProxy;
}

RWCollectable* GRecordProxy::Create() {
  return new (std::nothrow) GRecordProxy;
}

RWCollectable* GRecordProxy::CreateInstance() const {
  return Create();
}

RWCollectable* GRecordProxy::Clone() const {
  return new (std::nothrow) GRecordProxy(*this);
}

RWClassID GRecordProxy::IsA() const {
  return ClassId();
}

std::uint32_t GRecordProxy::StoredByteCount() const {
  return GRecord::StoredByteCount() + vel::kClassVersionSize + RWTotalStoredSize(held_.Get());
}

template <typename Carrier>
void GRecordProxy::Save(Carrier& carrier) const {
  GRecord::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  carrier << static_cast<const RWCollectable*>(held_.Get());
}

template <typename Carrier>
void GRecordProxy::Restore(Carrier& carrier) {
  GRecord::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  held_.Reset();
  RWRestoredMember member(carrier, nullptr);
  RWCollectable* read = member.Object();
  auto* object = dynamic_cast<GBaseObject*>(read);
  // The proxy owns its object: a reference to an object read before would give it two owners.
  if (!vel::CarrierGood(carrier) || (read != nullptr && (object == nullptr || !member.IsNew()))) {
    member.Keep(RWHold::kRefuses);
    vel::FailCarrier(carrier);
    return;
  }
  member.Keep(object != nullptr ? RWHold::kOwns : RWHold::kRefuses);
  held_ = GCountedPtr(object);
}

void GRecordProxy::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GRecordProxy::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GRecordProxy::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GRecordProxy::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

void GRecordProxy::ForgetRestoredMembers() {
  held_.Reset();
}

GCountedPtr GRecordProxy::Remove(const GRecordMatch& match, GRecordStore& owner) {
  if (Matches(match)) {
    return GRecord::Remove(match, owner);
  }
  if (!held_) {
    return GCountedPtr();
  }
  switch (match.field) {
    case GRecordMatch::Field::kClassId:
      return held_->RemoveRefByClassId(static_cast<RWClassID>(match.value));
    case GRecordMatch::Field::kKey:
      return held_->RemoveRefByKey(match.value);
    case GRecordMatch::Field::kSerial:
      return held_->RemoveRefEqual(match.object);
  }
  return GCountedPtr();
}

GCountedPtr GRecordProxy::Get(const GRecordMatch& match, GRecordStore& owner) {
  if (Matches(match)) {
    return GRecord::Get(match, owner);
  }
  if (!held_) {
    return GCountedPtr();
  }
  switch (match.field) {
    case GRecordMatch::Field::kClassId:
      return held_->GetRefByClassId(static_cast<RWClassID>(match.value));
    case GRecordMatch::Field::kKey:
      return held_->GetRefByKey(match.value);
    case GRecordMatch::Field::kSerial:
      return held_->GetRefEqual(match.object);
  }
  return GCountedPtr();
}

int GRecordProxy::Replace(const GRecordMatch& match,
                          const GCountedPtr& object,
                          GRecordStore& owner,
                          GRecordRef* replacement) {
  if (match.field == GRecordMatch::Field::kSerial) {
    return 0;
  }
  if (Matches(match)) {
    return GRecord::Replace(match, object, owner, replacement);
  }
  if (!held_) {
    return 0;
  }
  switch (match.field) {
    case GRecordMatch::Field::kClassId:
      return held_->ReplaceRefByClassId(static_cast<RWClassID>(match.value), object);
    case GRecordMatch::Field::kKey:
      return held_->ReplaceRefByKey(match.value, object);
    case GRecordMatch::Field::kSerial:
      return 0;
  }
  return 0;
}

bool GRecordProxy::IsSameRecord(const GRecord& other) const {
  if (!GRecord::IsSameRecord(other)) {
    return false;
  }
  const GBaseObject* mine = held_.Get();
  const GBaseObject* theirs = static_cast<const GRecordProxy&>(other).held_.Get();
  if (mine == nullptr || theirs == nullptr) {
    return mine == theirs;
  }
  return mine->IsA() == theirs->IsA() && mine->IsSameKey(theirs);
}

// ---------------------------------------------------------------------------------------------
// GRecordComposite

GRecordComposite::GRecordComposite(const GBaseObject& object) : GRecord(object) {}

GRecordComposite::GRecordComposite(const GRecordComposite& other) : GRecord(other) {
  try {
    children_ = other.children_;
  } catch (const std::bad_alloc&) {
    children_.clear();
  }
}

RWClassID GRecordComposite::ClassId() {
  return vel::classid::kGRecordComposite;
}

RWCollectable* GRecordComposite::Create() {
  return new (std::nothrow) GRecordComposite;
}

RWCollectable* GRecordComposite::CreateInstance() const {
  return Create();
}

RWCollectable* GRecordComposite::Clone() const {
  return new (std::nothrow) GRecordComposite(*this);
}

RWClassID GRecordComposite::IsA() const {
  return ClassId();
}

// The children of a record composite are mostly plain records (a store's index holds one for every
// object it keeps), so the composite writes and reads their object records in a file itself: the
// same bytes (the class id, then the record's contents) and the same numbering in the save's and
// the restore's tables as the record writer and reader give them, without their general steps.
// Any other child (a record composite or proxy, a record that another holder shares, a record of a
// class by name or a reference) goes through the record writer and reader.
namespace {

// A plain record's object record in a file: its class id, then its contents.
constexpr std::uint32_t kPlainRecordBytes = 2 + vel::kClassVersionSize + 2 + 4 + 4;

// A child written as above: a record of the plain class that no other holder shares, so that
// nothing else in a save can name it.
bool IsPlainChild(const GRecord& record) {
  return record.References() == 0 && typeid(record) == typeid(GRecord);
}

// The table in which the children of a composite being saved (or measured) are numbered, or null
// when the composite's contents are not written inside a record of that table (each child then
// begins a save of its own).
RWSaveTable* ChildSaveTable(RWSaveTable::Purpose purpose) {
  RWSaveTable* table = RWCurrentSaveTable();
  return table != nullptr && table->GetPurpose() == purpose && table->Entries() > 1 ? table
                                                                                      : nullptr;
}

// The object records of plain children in a row, gathered and written a batch at a time.
class PlainRecordWriter {
 public:
  PlainRecordWriter(RWBinaryFile& file, RWSaveTable& table) : file_(file), table_(table) {}
  ~PlainRecordWriter() { Flush(); }
  PlainRecordWriter(const PlainRecordWriter&) = delete;
  PlainRecordWriter& operator=(const PlainRecordWriter&) = delete;

  void Write(const GRecord& record) {
    (void)table_.AddUnnamed();
    if (!table_.BeginRecord()) {
      Flush();
      file_.SetError();  // nested deeper than a restore would read
      return;
    }
    unsigned char* bytes = batch_ + used_;
    vel::disk::StoreU16(bytes, GRecord::ClassId());
    vel::disk::StoreU32(bytes + 2, vel::ClassVersionWord());
    vel::disk::StoreU16(bytes + 6, static_cast<std::uint16_t>(record.RecordedClassId()));
    vel::disk::StoreU32(bytes + 8, record.RecordedSerial());
    vel::disk::StoreU32(bytes + 12, record.RecordedKey());
    used_ += kPlainRecordBytes;
    table_.EndRecord();
    if (used_ == sizeof batch_) {
      Flush();
    }
  }
  // Writes what was gathered (before any other record goes to the file).
  void Flush() {
    if (used_ != 0) {
      (void)file_.Write(batch_, used_);
      used_ = 0;
    }
  }

 private:
  static constexpr std::size_t kBatch = 64;

  RWBinaryFile& file_;
  RWSaveTable& table_;
  unsigned char batch_[kBatch * kPlainRecordBytes];
  std::size_t used_ = 0;
};

enum class ChildRead { kRead, kFailed, kOther };

ChildRead ReadPlainRecord(RWVirtualInStream& /*stream*/, RWLoadTable& /*table*/,
                          GRecordRef& /*child*/) {
  return ChildRead::kOther;
}

// The next child when its record is a new plain record: entered in the restore's table as the
// record reader enters it (and kept as the reader's holders keep an owned object). kOther, with
// the file where it was, for any other record; kFailed when the file could not be read or the
// record's contents failed (what the record made is freed).
ChildRead ReadPlainRecord(RWBinaryFile& file, RWLoadTable& table, GRecordRef& child) {
  // Where the record starts, taken before anything is read: a file that cannot tell it (a pipe)
  // cannot go back either, and leaves every child to the general reader.
  const std::int32_t at = file.CurOffset();
  if (at < 0) {
    return ChildRead::kOther;
  }
  unsigned short id = 0;
  if (!file.Read(id)) {
    return ChildRead::kFailed;
  }
  RWCollectable* made = id == GRecord::ClassId() ? CreateByClassId(id) : nullptr;
  if (made == nullptr || typeid(*made) != typeid(GRecord)) {
    delete made;
    // Back to the record's start for the general reader.
    return file.SeekTo(at) ? ChildRead::kOther : ChildRead::kFailed;
  }
  auto* record = static_cast<GRecord*>(made);
  const std::uint32_t index = table.Count();
  if (!table.AppendOwnedObject(record)) {
    delete record;
    return ChildRead::kFailed;
  }
  if (!table.BeginRecord(index)) {
    table.FailRecord(index);  // nested too deep
    return ChildRead::kFailed;
  }
  record->GRecord::RestoreContents(file);
  if (file.Eof() || file.Error()) {
    table.FailRecord(index);
    return ChildRead::kFailed;
  }
  table.EndRecord(index);
  child = GRecordRef(record);
  return ChildRead::kRead;
}

RWLoadTable* ChildLoadTable(RWVirtualInStream& /*stream*/) {
  return nullptr;
}

// The table of the restore that reads the composite's record (the composite's own entry is in it),
// or null.
RWLoadTable* ChildLoadTable(RWBinaryFile& /*file*/) {
  RWLoadTable* table = RWCurrentLoadTable();
  return table != nullptr && table->Count() > 1 ? table : nullptr;
}

}  // namespace

std::uint32_t GRecordComposite::StoredByteCount() const {
  std::uint32_t size = GRecord::StoredByteCount() + vel::kClassVersionSize + 4;
  RWSaveTable* table = ChildSaveTable(RWSaveTable::Purpose::kSize);
  for (const GRecordRef& child : children_) {
    if (table != nullptr && IsPlainChild(*child)) {
      (void)table->AddUnnamed();
      if (table->BeginRecord()) {
        size += kPlainRecordBytes;
        table->EndRecord();
      }
      continue;
    }
    size += RWTotalStoredSize(child.Get());
  }
  return size;
}

template <typename Carrier>
void GRecordComposite::Save(Carrier& carrier) const {
  GRecord::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteField(carrier, Count());
  if constexpr (std::is_same_v<Carrier, RWBinaryFile>) {
    if (RWSaveTable* table = ChildSaveTable(RWSaveTable::Purpose::kSave)) {
      PlainRecordWriter plain(carrier, *table);
      for (const GRecordRef& child : children_) {
        if (IsPlainChild(*child)) {
          plain.Write(*child);
        } else {
          plain.Flush();
          carrier << static_cast<const RWCollectable*>(child.Get());
        }
      }
      return;
    }
  }
  for (const GRecordRef& child : children_) {
    carrier << static_cast<const RWCollectable*>(child.Get());
  }
}

template <typename Carrier>
void GRecordComposite::Restore(Carrier& carrier) {
  GRecord::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  Clear();
  std::uint32_t count = 0;
  if (!vel::ReadField(carrier, count)) {
    vel::FailCarrier(carrier);
    return;
  }
  RWLoadTable* table = ChildLoadTable(carrier);
  try {
    // The count is data from outside: a bounded guess of the room needed.
    children_.reserve(std::min<std::uint32_t>(count, 4096));
  } catch (const std::bad_alloc&) {
    vel::FailCarrier(carrier);
    return;
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    if (table != nullptr) {
      GRecordRef plain;
      const ChildRead read = ReadPlainRecord(carrier, *table, plain);
      if (read == ChildRead::kFailed ||
          (read == ChildRead::kRead && !AppendChild(std::move(plain)))) {
        vel::FailCarrier(carrier);
        return;
      }
      if (read == ChildRead::kRead) {
        continue;
      }
    }
    RWRestoredMember member(carrier, nullptr);
    RWCollectable* read = member.Object();
    auto* record = vel::CachedCast<GRecord>(read);
    // Only new records: record trees share nothing (see the header).
    const bool accepted =
        vel::CarrierGood(carrier) && (read == nullptr || (record != nullptr && member.IsNew()));
    if (!accepted) {
      member.Keep(RWHold::kRefuses);
      vel::FailCarrier(carrier);
      return;
    }
    member.Keep(record != nullptr ? RWHold::kOwns : RWHold::kRefuses);
    if (record == nullptr) {
      continue;
    }
    GRecordRef held(record);
    if (!AppendChild(std::move(held))) {
      vel::FailCarrier(carrier);
      return;
    }
  }
}

void GRecordComposite::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GRecordComposite::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GRecordComposite::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GRecordComposite::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

bool GRecordComposite::AddChildRecord(const GRecordRef& record) {
  GRecordRef copy(record);
  return AppendChild(std::move(copy));
}

bool GRecordComposite::AppendChild(GRecordRef&& record) {
  if (!record) {
    return false;
  }
  try {
    children_.push_back(std::move(record));
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

std::uint32_t GRecordComposite::RecordCount() const {
  std::uint32_t count = 0;
  for (const GRecordRef& child : children_) {
    count += child->RecordCount();
  }
  return count;
}

const GRecordRef& GRecordComposite::NoChild() {
  static const GRecordRef none;
  return none;
}

bool GRecordComposite::SkipsChild(std::size_t index, const GRecordMatch& match) const {
  // A plain record that does not match answers nothing and leaves the owner alone.
  const GRecord& child = *children_[index];
  return typeid(child) == typeid(GRecord) && !child.Matches(match);
}

GRecordRef GRecordComposite::Unlink(std::uint32_t index) {
  if (index >= children_.size()) {
    return GRecordRef();
  }
  GRecordRef record = std::move(children_[index]);
  children_.erase(children_.begin() + index);
  return record;
}

std::int64_t GRecordComposite::IndexOf(const GRecord* record) const {
  for (std::size_t i = 0; i < children_.size(); ++i) {
    if (children_[i].Get() == record) {
      return static_cast<std::int64_t>(i);
    }
  }
  return -1;
}

GCountedPtr GRecordComposite::RemoveFromChildren(const GRecordMatch& match, GRecordStore& owner) {
  for (std::size_t i = 0; i < children_.size(); ++i) {
    if (SkipsChild(i, match)) {
      continue;
    }
    // The child stays alive while it works, whatever the owner does to this list.
    const GRecordRef child = children_[i];
    if (child->Matches(match)) {
      GCountedPtr object = child->Remove(match, owner);
      const std::int64_t at = IndexOf(child.Get());
      if (at >= 0) {
        (void)Unlink(static_cast<std::uint32_t>(at));
      }
      return object;
    }
    if (GCountedPtr object = child->Remove(match, owner)) {
      return object;
    }
  }
  return GCountedPtr();
}

GCountedPtr GRecordComposite::GetFromChildren(const GRecordMatch& match, GRecordStore& owner) {
  for (std::size_t i = 0; i < children_.size(); ++i) {
    if (SkipsChild(i, match)) {
      continue;
    }
    const GRecordRef child = children_[i];
    if (GCountedPtr object = child->Get(match, owner)) {
      return object;
    }
    if (child->Matches(match)) {
      // The first matching child decides, even when its object could not be had.
      return GCountedPtr();
    }
  }
  return GCountedPtr();
}

int GRecordComposite::ReplaceInChildren(const GRecordMatch& match,
                                        const GCountedPtr& object,
                                        GRecordStore& owner) {
  for (std::size_t i = 0; i < children_.size(); ++i) {
    if (SkipsChild(i, match)) {
      continue;
    }
    const GRecordRef child = children_[i];
    if (child->Matches(match)) {
      GRecordRef fresh;
      const int answer = child->Replace(match, object, owner, &fresh);
      const std::int64_t at = IndexOf(child.Get());
      if (answer != 0 && fresh && at >= 0) {
        children_[static_cast<std::size_t>(at)] = std::move(fresh);
      }
      return answer;
    }
    if (const int answer = child->Replace(match, object, owner, nullptr); answer != 0) {
      return answer;
    }
  }
  return 0;
}

GCountedPtr GRecordComposite::Remove(const GRecordMatch& match, GRecordStore& owner) {
  if (GCountedPtr object = GRecord::Remove(match, owner)) {
    return object;
  }
  return RemoveFromChildren(match, owner);
}

GCountedPtr GRecordComposite::Get(const GRecordMatch& match, GRecordStore& owner) {
  if (GCountedPtr object = GRecord::Get(match, owner)) {
    return object;
  }
  return GetFromChildren(match, owner);
}

int GRecordComposite::Replace(const GRecordMatch& match,
                              const GCountedPtr& object,
                              GRecordStore& owner,
                              GRecordRef* replacement) {
  if (const int answer = GRecord::Replace(match, object, owner, replacement); answer != 0) {
    return answer;
  }
  return ReplaceInChildren(match, object, owner);
}

bool GRecordComposite::IsSameRecord(const GRecord& other) const {
  if (!GRecord::IsSameRecord(other)) {
    return false;
  }
  const auto& theirs = static_cast<const GRecordComposite&>(other);
  if (theirs.children_.size() != children_.size()) {
    return false;
  }
  for (std::size_t i = 0; i < children_.size(); ++i) {
    if (!children_[i]->IsSameRecord(*theirs.children_[i].Get())) {
      return false;
    }
  }
  return true;
}
