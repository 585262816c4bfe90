// Framework objects for tests.
#include "tests/support/FwTestObjects.h"

#include <iterator>
#include <new>
#include <type_traits>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkClasses.h"
#include "framework/core/GRecord.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWFactory.h"
#include "rw/RWVirtualStream.h"
#include "rw/rwstore.h"
#include "tests/support/FwTestFonts.h"
#include "tests/support/FwTestLanguagePeripheral.h"
#include "tests/support/FwTestPeripheral.h"
#include "tests/support/FwTestShape.h"

std::atomic<int> FwTestLeaf::live_{0};

FwTestLeaf::FwTestLeaf(int value, std::uint32_t key) : GBaseObject(key), value_(value) {
  ++live_;
}

FwTestLeaf::FwTestLeaf(const FwTestLeaf& other) : GBaseObject(other), value_(other.value_) {
  ++live_;
}

FwTestLeaf::~FwTestLeaf() {
  --live_;
}

RWCollectable* FwTestLeaf::Create() {
  return new (std::nothrow) FwTestLeaf;
}

RWCollectable* FwTestLeaf::Clone() const {
  return new (std::nothrow) FwTestLeaf(*this);
}

std::uint32_t FwTestLeaf::StoredByteCount() const {
  return GBaseObject::StoredByteCount() + 8;
}

bool FwTestLeaf::IsKindOf(RWClassID id) const {
  return id == kClassId || GBaseObject::IsKindOf(id);
}

bool FwTestLeaf::IsSameKey(const GBaseObject* other) const {
  const auto* leaf = dynamic_cast<const FwTestLeaf*>(other);
  return leaf != nullptr && GBaseObject::IsSameKey(other) && leaf->value_ == value_;
}

template <typename Carrier>
void FwTestLeaf::Restore(Carrier& carrier) {
  GBaseObject::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  int value = 0;
  if constexpr (std::is_same_v<Carrier, RWBinaryFile>) {
    if (carrier.Read(value)) {
      value_ = value;
    }
  } else {
    carrier.Get(value);
    if (carrier.Good() != 0) {
      value_ = value;
    }
  }
}

void FwTestLeaf::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void FwTestLeaf::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void FwTestLeaf::SaveContents(RWVirtualOutStream& stream) const {
  GBaseObject::SaveContents(stream);
  vel::WriteClassVersion(stream);
  stream.Put(value_);
}

void FwTestLeaf::SaveContents(RWBinaryFile& file) const {
  GBaseObject::SaveContents(file);
  vel::WriteClassVersion(file);
  (void)file.Write(value_);
}

RWCollectable* FwPtrHolder::Create() {
  return new (std::nothrow) FwPtrHolder;
}

RWCollectable* FwPtrHolder::Clone() const {
  return new (std::nothrow) FwPtrHolder(*this);
}

std::uint32_t FwPtrHolder::StoredByteCount() const {
  RWSaveTableScope scope(RWSaveTable::Purpose::kSize);
  return GBaseObject::StoredByteCount() + 4 + pointer_.StoredByteCount();
}

bool FwPtrHolder::IsSameKey(const GBaseObject* other) const {
  const auto* holder = dynamic_cast<const FwPtrHolder*>(other);
  if (holder == nullptr || !GBaseObject::IsSameKey(other)) {
    return false;
  }
  const GBaseObject* mine = pointer_.Get();
  const GBaseObject* theirs = holder->pointer_.Get();
  return mine == nullptr ? theirs == nullptr : mine->IsSameKey(theirs);
}

template <typename Carrier>
void FwPtrHolder::Restore(Carrier& carrier) {
  GBaseObject::RestoreContents(carrier);
  if (vel::CarrierGood(carrier) && vel::ReadClassVersion(carrier)) {
    pointer_.RestoreContents(carrier);
  }
}

void FwPtrHolder::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void FwPtrHolder::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void FwPtrHolder::SaveContents(RWVirtualOutStream& stream) const {
  RWSaveTableScope scope(RWSaveTable::Purpose::kSave);
  GBaseObject::SaveContents(stream);
  vel::WriteClassVersion(stream);
  pointer_.SaveContents(stream);
}

void FwPtrHolder::SaveContents(RWBinaryFile& file) const {
  RWSaveTableScope scope(RWSaveTable::Purpose::kSave);
  GBaseObject::SaveContents(file);
  vel::WriteClassVersion(file);
  pointer_.SaveContents(file);
}

FwRecordHolder::FwRecordHolder(const FwRecordHolder& other)
    : GBaseObject(other),
      record_(other.record_ != nullptr ? dynamic_cast<GRecord*>(other.record_->Clone())
                                       : nullptr) {}

FwRecordHolder::~FwRecordHolder() {
  delete record_;
}

RWCollectable* FwRecordHolder::Create() {
  return new (std::nothrow) FwRecordHolder;
}

RWCollectable* FwRecordHolder::Clone() const {
  return new (std::nothrow) FwRecordHolder(*this);
}

std::uint32_t FwRecordHolder::StoredByteCount() const {
  RWSaveTableScope scope(RWSaveTable::Purpose::kSize);
  return GBaseObject::StoredByteCount() + 4 + RWTotalStoredSize(record_);
}

bool FwRecordHolder::IsSameKey(const GBaseObject* other) const {
  const auto* holder = dynamic_cast<const FwRecordHolder*>(other);
  if (holder == nullptr || !GBaseObject::IsSameKey(other)) {
    return false;
  }
  if (record_ == nullptr || holder->record_ == nullptr) {
    return record_ == holder->record_;
  }
  return record_->IsSameRecord(*holder->record_);
}

template <typename Carrier>
void FwRecordHolder::Save(Carrier& carrier) const {
  RWSaveTableScope scope(RWSaveTable::Purpose::kSave);
  GBaseObject::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  carrier << static_cast<const RWCollectable*>(record_);
}

template <typename Carrier>
void FwRecordHolder::Restore(Carrier& carrier) {
  GBaseObject::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  delete record_;
  record_ = nullptr;
  RWRestoredMember member(carrier, this);
  auto* record = dynamic_cast<GRecord*>(member.Object());
  if (!vel::CarrierGood(carrier) || record == nullptr || !member.IsNew()) {
    member.Keep(RWHold::kRefuses);
    vel::FailCarrier(carrier);
    return;
  }
  member.Keep(RWHold::kOwns);
  record_ = record;
}

void FwRecordHolder::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void FwRecordHolder::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void FwRecordHolder::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void FwRecordHolder::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

void FwRecordHolder::ForgetRestoredMembers() {
  delete record_;
  record_ = nullptr;
}

namespace {

const RWClassRegistration kTestClasses[] = {
    {&FwRecordHolder::Create, FwRecordHolder::ClassId(), FwRecordHolder::ClassName()},
    {&FwTestLeaf::Create, FwTestLeaf::ClassId(), FwTestLeaf::ClassName()},
    {&FwPtrHolder::Create, FwPtrHolder::ClassId(), FwPtrHolder::ClassName()},
    {&FwTestPeripheral::Create, FwTestPeripheral::ClassId(), FwTestPeripheral::ClassName()},
    {&FwTestShape::Create, FwTestShape::ClassId(), FwTestShape::ClassName()},
    {&FwTestLanguagePeripheral::Create, FwTestLanguagePeripheral::ClassId(),
     FwTestLanguagePeripheral::ClassName()},
    {&FwFreeTypeMetrics::Create, FwFreeTypeMetrics::ClassId(), FwFreeTypeMetrics::ClassName()},
    {&FwTestFontImp::Create, FwTestFontImp::ClassId(), FwTestFontImp::ClassName()},
    {&FwTestFont::Create, FwTestFont::ClassId(), FwTestFont::ClassName()},
};

}  // namespace

void RegisterFrameworkTestClasses() {
  RWRegisterFoundationClasses();
  GRegisterFrameworkClasses();
  RWRegisterClasses(kTestClasses, std::size(kTestClasses));
}

void UnregisterFrameworkTestClasses() {
  RWUnregisterClasses(kTestClasses, std::size(kTestClasses));
  GUnregisterFrameworkClasses();
  RWUnregisterFoundationClasses();
}
