// Lists of printer-resident font descriptions.
#include "framework/output/GDeviceFontList.h"

#include <new>
#include <utility>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GPersistableLong.h"
#include "framework/core/MAssociationList.h"
#include "framework/core/StoredFields.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"
#include "rw/rwstore.h"

struct GDeviceFontList::Node {
  explicit Node(const GDeviceFontDescription& from) : description(from) {}
  Node* next = nullptr;
  GDeviceFontDescription description;
};

namespace {

MAssociationList* CopyTable(const MAssociationList* table) {
  return table == nullptr ? nullptr : static_cast<MAssociationList*>(table->Clone());
}

bool SameTables(const MAssociationList* a, const MAssociationList* b) {
  return a == b || (a != nullptr && b != nullptr && a->IsSameKey(b));
}

std::uint32_t Lookup(const MAssociationList* table, std::uint32_t key) {
  if (table == nullptr) {
    return 0;
  }
  const GPersistableULong key_object(key);
  RWCollectable* value = const_cast<MAssociationList*>(table)->FindValue(&key_object);
  if (const auto* unsigned_value = dynamic_cast<const GPersistableULong*>(value)) {
    return unsigned_value->GetValue();
  }
  if (const auto* signed_value = dynamic_cast<const GPersistableLong*>(value)) {
    return static_cast<std::uint32_t>(signed_value->GetValue());
  }
  return 0;
}

}  // namespace

GDeviceFontList::GDeviceFontList(std::uint32_t key) : GBaseObject(key) {}

GDeviceFontList::GDeviceFontList(const GDeviceFontList& other)
    : GBaseObject(other), stamp_(other.stamp_), first_table_(CopyTable(other.first_table_)),
      second_table_(CopyTable(other.second_table_)) {
  for (Node* node = other.descriptions_.head; node != nullptr; node = node->next) {
    if (!AppendTo(descriptions_, node->description)) {
      break;
    }
  }
}

GDeviceFontList& GDeviceFontList::operator=(const GDeviceFontList& other) {
  if (this != &other) {
    GBaseObject::operator=(other);
    Chain copy;
    for (Node* node = other.descriptions_.head; node != nullptr; node = node->next) {
      if (!AppendTo(copy, node->description)) {
        break;
      }
    }
    TakeChain(copy);
    stamp_ = other.stamp_;
    SetFirstTable(CopyTable(other.first_table_));
    SetSecondTable(CopyTable(other.second_table_));
  }
  return *this;
}

GDeviceFontList::~GDeviceFontList() {
  Clear();
}

bool GDeviceFontList::AppendTo(Chain& chain, const GDeviceFontDescription& description) {
  Node* node = new (std::nothrow) Node(description);
  if (node == nullptr) {
    return false;
  }
  (chain.tail == nullptr ? chain.head : chain.tail->next) = node;
  chain.tail = node;
  ++chain.count;
  return true;
}

void GDeviceFontList::Free(Chain& chain) {
  Node* node = chain.head;
  while (node != nullptr) {
    Node* next = node->next;
    delete node;
    node = next;
  }
  chain = Chain();
}

void GDeviceFontList::TakeChain(Chain& chain) {
  Free(descriptions_);
  descriptions_ = std::exchange(chain, Chain());
}

bool GDeviceFontList::Append(const GDeviceFontDescription& description) {
  return AppendTo(descriptions_, description);
}

const GDeviceFontDescription* GDeviceFontList::DescriptionAt(std::uint32_t index) const {
  Node* node = descriptions_.head;
  for (std::uint32_t i = 0; node != nullptr && i < index; ++i) {
    node = node->next;
  }
  return node == nullptr ? nullptr : &node->description;
}

int GDeviceFontList::GetAt(std::uint32_t index, GDeviceFontDescription& out) const {
  const GDeviceFontDescription* description = DescriptionAt(index);
  if (description == nullptr) {
    return 0;
  }
  out = *description;
  return 1;
}

int GDeviceFontList::FindIf(Predicate predicate, void* argument) const {
  for (Node* node = descriptions_.head; node != nullptr; node = node->next) {
    if (predicate(node->description, argument) != 0) {
      return 1;
    }
  }
  return 0;
}

void GDeviceFontList::Clear() {
  Free(descriptions_);
  SetFirstTable(nullptr);
  SetSecondTable(nullptr);
}

void GDeviceFontList::SetFirstTable(MAssociationList* table) {
  if (table != first_table_) {
    delete first_table_;
    first_table_ = table;
  }
}

void GDeviceFontList::SetSecondTable(MAssociationList* table) {
  if (table != second_table_) {
    delete second_table_;
    second_table_ = table;
  }
}

std::uint32_t GDeviceFontList::LookupFirst(std::uint16_t key) const {
  return Lookup(first_table_, key);
}

std::uint32_t GDeviceFontList::LookupSecond(std::uint32_t key) const {
  return Lookup(second_table_, key);
}

RWClassID GDeviceFontList::ClassId() {
  return vel::classid::kGDeviceFontList;
}

RWCollectable* GDeviceFontList::Create() {
  return new (std::nothrow) GDeviceFontList;
}

RWCollectable* GDeviceFontList::CreateInstance() const {
  return Create();
}

RWCollectable* GDeviceFontList::Clone() const {
  return new (std::nothrow) GDeviceFontList(*this);
}

RWClassID GDeviceFontList::IsA() const {
  return ClassId();
}

bool GDeviceFontList::IsKindOf(RWClassID id) const {
  return id == ClassId() || GBaseObject::IsKindOf(id);
}

bool GDeviceFontList::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA() || !GBaseObject::IsSameKey(other)) {
    return false;
  }
  const auto& list = static_cast<const GDeviceFontList&>(*other);
  if (!SameTables(first_table_, list.first_table_) ||
      !SameTables(second_table_, list.second_table_) ||
      descriptions_.count != list.descriptions_.count) {
    return false;
  }
  for (Node *a = descriptions_.head, *b = list.descriptions_.head; a != nullptr && b != nullptr;
       a = a->next, b = b->next) {
    if (!a->description.IsSameKey(&b->description)) {
      return false;
    }
  }
  return true;
}

std::uint32_t GDeviceFontList::StoredByteCount() const {
  RWSaveTableScope scope(RWSaveTable::Purpose::kSize);
  std::uint32_t size = GBaseObject::StoredByteCount() + 4 + 4 + 4;
  for (Node* node = descriptions_.head; node != nullptr; node = node->next) {
    size += node->description.StoredByteCount();
  }
  return size + RWTotalStoredSize(first_table_) + RWTotalStoredSize(second_table_);
}

template <typename Carrier>
void GDeviceFontList::Save(Carrier& carrier) const {
  RWSaveTableScope scope(RWSaveTable::Purpose::kSave);
  GBaseObject::SaveContents(carrier);
  vel::WriteField(carrier, kVersion);
  vel::WriteField(carrier, descriptions_.count);
  for (Node* node = descriptions_.head; node != nullptr; node = node->next) {
    node->description.SaveContents(carrier);
  }
  vel::WriteField(carrier, stamp_);
  carrier << static_cast<const RWCollectable*>(first_table_);
  carrier << static_cast<const RWCollectable*>(second_table_);
}

void GDeviceFontList::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GDeviceFontList::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

// Reads one table record. A new record is owned by the list; a reference to a table read before
// is copied, so that no two lists own one table.
template <typename Carrier>
bool GDeviceFontList::RestoreTable(Carrier& carrier, MAssociationList*& table) {
  RWRestoredMember member(carrier, this);
  if (!vel::CarrierGood(carrier)) {
    return false;
  }
  RWCollectable* read = member.Object();
  auto* list = dynamic_cast<MAssociationList*>(read);
  if ((read != nullptr && list == nullptr) || member.NamesOpenRecord()) {
    member.Keep(RWHold::kRefuses);
    vel::FailCarrier(carrier);
    return false;
  }
  if (list == nullptr || member.IsNew()) {
    member.Keep(RWHold::kOwns);
    table = list;
    return true;
  }
  member.Keep(RWHold::kRefuses);
  table = CopyTable(list);
  return true;
}

template <typename Carrier>
void GDeviceFontList::Restore(Carrier& carrier) {
  RWLoadTableScope scope;  // one restore for every record, as the save shares one table
  GBaseObject::RestoreContents(carrier);
  std::uint32_t version = 0;
  if (!vel::CarrierGood(carrier) || !vel::ReadField(carrier, version) || version == 0 ||
      version > kVersion) {
    vel::FailCarrier(carrier);
    return;
  }
  std::uint32_t count = 0;
  if (!vel::ReadField(carrier, count)) {
    vel::FailCarrier(carrier);
    return;
  }
  // The count is untrusted: descriptions are appended as they are read.
  Chain read;
  GDeviceFontDescription scratch;
  for (std::uint32_t i = 0; i < count; ++i) {
    scratch.RestoreContents(carrier);
    if (!vel::CarrierGood(carrier) || !AppendTo(read, scratch)) {
      Free(read);
      vel::FailCarrier(carrier);
      return;
    }
  }
  std::uint32_t stamp = 0;
  if (version >= 2 && !vel::ReadField(carrier, stamp)) {
    Free(read);
    vel::FailCarrier(carrier);
    return;
  }
  TakeChain(read);
  stamp_ = stamp;
  SetFirstTable(nullptr);
  SetSecondTable(nullptr);
  if (version >= 3) {
    // Each table is kept as soon as it is read, so that a failure later on finds it here
    // (ForgetRestoredMembers).
    MAssociationList* table = nullptr;
    if (!RestoreTable(carrier, table)) {
      return;
    }
    SetFirstTable(table);
    table = nullptr;
    if (!RestoreTable(carrier, table)) {
      return;
    }
    SetSecondTable(table);
  }
}

void GDeviceFontList::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GDeviceFontList::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GDeviceFontList::ForgetRestoredMembers() {
  SetFirstTable(nullptr);
  SetSecondTable(nullptr);
  GBaseObject::ForgetRestoredMembers();
}
