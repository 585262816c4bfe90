// GBaseObject: identity, serial numbers, the leaf's answers to the root operations, deep copy and
// the root part of every stored framework object.
#include "framework/core/GBaseObject.h"

#include <atomic>
#include <functional>
#include <new>
#include <type_traits>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GIterator.h"
#include "framework/core/MPersistentComposite.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace {

// The process-wide object counter: serial numbers are handed out from it in blocks, one block at
// a time to each thread, and a thread numbers its objects from its block in order, so the first
// object gets 1 and the objects of a program that makes them on one thread are numbered 1, 2, 3...
// The counter is atomic, so objects made on several threads never share a serial number (serial
// numbers are record keys); a thread's own block is its alone and costs no atomic operation per
// object (a job makes several objects a page). Numbers left in the block of a thread that ends
// are never used.
constexpr std::uint32_t kSerialBlock = 64;
constinit std::atomic<std::uint32_t> g_object_counter{0};

struct SerialBlock {
  std::uint32_t next = 0;  // the last number handed out
  std::uint32_t end = 0;   // the last number of the block
};
constinit thread_local SerialBlock t_serials;

std::uint32_t NextSerialNumber() {
  SerialBlock& block = t_serials;
  if (block.next == block.end) {
    block.next = g_object_counter.fetch_add(kSerialBlock, std::memory_order_relaxed);
    block.end = block.next + kSerialBlock;
  }
  return ++block.next;
}

// A new composite holding `object`, for the find-all operations of a leaf.
GBaseObject* CompositeOf(const GBaseObject* object) {
  auto* composite = new (std::nothrow) MPersistentComposite;
  if (composite != nullptr) {
    composite->Add(const_cast<GBaseObject*>(object));
    if (composite->Count() == 0) {
      delete composite;
      return nullptr;
    }
  }
  return composite;
}

}  // namespace

GBaseObject::GBaseObject() : serial_(NextSerialNumber()) {}

std::uint32_t GBaseObject::TakeSerialNumber() {
  return NextSerialNumber();
}

GBaseObject::GBaseObject(std::uint32_t key) : key_(key), serial_(NextSerialNumber()) {}

GBaseObject::GBaseObject(const GBaseObject& other)
    : RWCollectable(other), key_(other.key_), serial_(other.serial_) {}

GBaseObject& GBaseObject::operator=(const GBaseObject& other) {
  if (this != &other) {
    key_ = other.key_;
    serial_ = other.serial_;
  }
  return *this;
}

std::uint32_t GBaseObject::StoredByteCount() const {
  return RWCollectable::StoredByteCount() + 12;
}

int GBaseObject::Compare(const RWCollectable* other) const {
  if (other == this) {
    return 0;
  }
  return std::less<const void*>()(this, other) ? -1 : 1;
}

std::uint32_t GBaseObject::Hash() const {
  return *Key();
}

bool GBaseObject::IsEqual(const RWCollectable* other) const {
  const auto* object = dynamic_cast<const GBaseObject*>(other);
  return object != nullptr && object->IsA() == IsA() && IsSameKey(object);
}

template <typename Carrier>
void GBaseObject::Restore(Carrier& carrier) {
  RWCollectable::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  std::uint32_t key = 0;
  std::uint32_t serial = 0;
  if constexpr (std::is_same_v<Carrier, RWBinaryFile>) {
    if (!carrier.Read(key) || !carrier.Read(serial)) {
      return;
    }
  } else {
    unsigned long stored_key = 0;
    unsigned long stored_serial = 0;
    carrier.Get(stored_key);
    carrier.Get(stored_serial);
    if (carrier.Good() == 0) {
      return;
    }
    key = static_cast<std::uint32_t>(stored_key);
    serial = static_cast<std::uint32_t>(stored_serial);
  }
  key_ = key;
  serial_ = serial;
}

void GBaseObject::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GBaseObject::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GBaseObject::SaveContents(RWVirtualOutStream& stream) const {
  RWCollectable::SaveContents(stream);
  vel::WriteClassVersion(stream);
  stream.Put(static_cast<unsigned long>(key_));
  stream.Put(static_cast<unsigned long>(serial_));
}

void GBaseObject::SaveContents(RWBinaryFile& file) const {
  RWCollectable::SaveContents(file);
  vel::WriteClassVersion(file);
  (void)file.Write(static_cast<unsigned int>(key_));
  (void)file.Write(static_cast<unsigned int>(serial_));
}

bool GBaseObject::IsKindOf(RWClassID id) const {
  return id == vel::classid::kGBaseObject;
}

void GBaseObject::Add(GBaseObject* /*object*/) {}

void GBaseObject::Prepend(GBaseObject* /*object*/) {}

GBaseObject* GBaseObject::RemoveObject(const GBaseObject* /*object*/) {
  return nullptr;
}

GBaseObject* GBaseObject::RemoveByKey(std::uint32_t /*key*/) {
  return nullptr;
}

GBaseObject* GBaseObject::RemoveByClassId(RWClassID /*id*/) {
  return nullptr;
}

int GBaseObject::ReplaceByKey(std::uint32_t /*key*/, const GBaseObject* /*object*/) {
  return 0;
}

int GBaseObject::ReplaceByClassId(RWClassID /*id*/, const GBaseObject* /*object*/) {
  return 0;
}

int GBaseObject::ReplaceEqual(const GBaseObject* /*object*/, const GBaseObject* /*replacement*/) {
  return 0;
}

int GBaseObject::ReplaceKindOf(RWClassID /*id*/, const GBaseObject* /*object*/) {
  return 0;
}

void GBaseObject::AddRef(const GCountedPtr& /*reference*/) {}

void GBaseObject::PrependRef(const GCountedPtr& /*reference*/) {}

GCountedPtr GBaseObject::RemoveRefEqual(const GBaseObject* /*object*/) {
  return EmptyRef();
}

GCountedPtr GBaseObject::RemoveRefByKey(std::uint32_t /*key*/) {
  return EmptyRef();
}

GCountedPtr GBaseObject::RemoveRefByClassId(RWClassID /*id*/) {
  return EmptyRef();
}

int GBaseObject::ReplaceRefByKey(std::uint32_t /*key*/, const GCountedPtr& /*reference*/) {
  return 0;
}

int GBaseObject::ReplaceRefByClassId(RWClassID /*id*/, const GCountedPtr& /*reference*/) {
  return 0;
}

void GBaseObject::Clear() {}

GBaseObject* GBaseObject::FindByKey(std::uint32_t key) const {
  return key_ == key ? const_cast<GBaseObject*>(this) : nullptr;
}

GBaseObject* GBaseObject::FindByClassId(RWClassID id) const {
  return IsA() == id ? const_cast<GBaseObject*>(this) : nullptr;
}

GBaseObject* GBaseObject::FindEqual(const GBaseObject* object) const {
  return IsSameKey(object) ? const_cast<GBaseObject*>(this) : nullptr;
}

GBaseObject* GBaseObject::FindKindOf(RWClassID id) const {
  return IsKindOf(id) ? const_cast<GBaseObject*>(this) : nullptr;
}

GBaseObject* GBaseObject::CollectByClassId(RWClassID id, GBaseObject* collection) const {
  if (collection != nullptr && IsA() == id) {
    collection->Add(const_cast<GBaseObject*>(this));
  }
  return collection;
}

GBaseObject* GBaseObject::CollectByKey(std::uint32_t key, GBaseObject* collection) const {
  if (collection != nullptr && *Key() == key) {
    collection->Add(const_cast<GBaseObject*>(this));
  }
  return collection;
}

GBaseObject* GBaseObject::FindAllByKey(std::uint32_t key) const {
  return *Key() == key ? CompositeOf(this) : nullptr;
}

GBaseObject* GBaseObject::FindAllByClassId(RWClassID id) const {
  return IsA() == id ? CompositeOf(this) : nullptr;
}

GBaseObject* GBaseObject::CollectKindOf(RWClassID id, GBaseObject* collection) const {
  if (collection != nullptr && IsKindOf(id)) {
    collection->Add(const_cast<GBaseObject*>(this));
  }
  return collection;
}

GBaseObject* GBaseObject::FindAllKindOf(RWClassID id) const {
  return IsKindOf(id) ? CompositeOf(this) : nullptr;
}

GCountedPtr GBaseObject::GetRefByKey(std::uint32_t key) {
  return *Key() == key ? GCountedPtr(this) : EmptyRef();
}

GCountedPtr GBaseObject::GetRefByClassId(RWClassID id) {
  return IsA() == id ? GCountedPtr(this) : EmptyRef();
}

GCountedPtr GBaseObject::GetRefEqual(const GBaseObject* object) {
  return IsSameKey(object) ? GCountedPtr(this) : EmptyRef();
}

const GBaseObject* GBaseObject::AsComposite() const {
  return nullptr;
}

const std::uint32_t* GBaseObject::Key() const {
  return &key_;
}

std::uint32_t GBaseObject::SerialNumber() const {
  return serial_;
}

std::uint32_t GBaseObject::Count() const {
  return 1;
}

std::uint32_t GBaseObject::TotalCount() const {
  return 1;
}

GIterator* GBaseObject::CreateIterator() const {
  return new (std::nothrow) GNullIterator;
}

RWClassID GBaseObject::CategoryId() const {
  return IsA();
}

GBaseObject* GBaseObject::DeepCopy() const {
  if (AsComposite() == nullptr) {
    return dynamic_cast<GBaseObject*>(Clone());
  }
  RWCollectable* made = CreateInstance();
  auto* copy = dynamic_cast<GBaseObject*>(made);
  if (copy == nullptr) {
    delete made;
    return nullptr;
  }
  copy->key_ = *Key();
  GIterator* iterator = CreateIterator();
  if (iterator == nullptr) {
    delete copy;
    return nullptr;
  }
  while (iterator->Advance() != 0) {
    const GBaseObject* child = iterator->Current();
    if (child == nullptr) {
      continue;
    }
    GBaseObject* child_copy = child->DeepCopy();
    if (child_copy == nullptr) {
      delete iterator;
      delete copy;
      return nullptr;
    }
    copy->Add(child_copy);
  }
  delete iterator;
  return copy;
}

bool GBaseObject::IsFrameworkObject(const RWCollectable* object) {
  return dynamic_cast<const GBaseObject*>(object) != nullptr;
}

namespace vel {

void DestroyRefused(GBaseObject* object, bool held_here) {
  if (object != nullptr && !held_here && object->References() == RWRefCounted::kNoHolder) {
    delete object;
  }
}

bool CarrierGood(const RWVirtualInStream& stream) {
  return stream.Good() != 0;
}

bool CarrierGood(const RWBinaryFile& file) {
  return !file.Eof() && !file.Error();
}

void FailCarrier(RWVirtualInStream& stream) {
  stream.SetStatus(stream.Status() | kRWStreamFail);
}

void FailCarrier(RWBinaryFile& file) {
  file.SetError();
}

}  // namespace vel
