// GPaletteTable and its colour vector.
#include "framework/pipeline/GPaletteTable.h"

#include <algorithm>
#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/StoredFields.h"
#include "framework/pipeline/GColor.h"
#include "framework/pipeline/GRGBColor.h"
#include "rw/RWError.h"
#include "rw/rwstore.h"

namespace {

bool SameColor(const GColor* a, const GColor* b) {
  if (a == nullptr || b == nullptr) {
    return a == b;
  }
  return a->IsSameKey(b);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// GColorPointerVector

std::uint32_t GColorPointerVector::index(const GColor* color) const {
  for (std::uint32_t i = 0; i < entries(); ++i) {
    if (SameColor(entries_[i], color)) {
      return i;
    }
  }
  return kNotFound;
}

void GColorPointerVector::insert(GColor* color) {
  if (entries_.size() == entries_.capacity()) {
    entries_.reserve(entries_.capacity() + kGrowth);
  }
  entries_.push_back(color);
}

std::uint32_t GColorPointerVector::occurrencesOf(const GColor* color) const {
  return static_cast<std::uint32_t>(std::count_if(
      entries_.begin(), entries_.end(), [color](const GColor* e) { return SameColor(e, color); }));
}

bool GColorPointerVector::remove(const GColor* color) {
  const std::uint32_t i = index(color);
  if (i == kNotFound) {
    return false;
  }
  entries_.erase(entries_.begin() + i);
  return true;
}

std::uint32_t GColorPointerVector::removeAll(const GColor* color) {
  const auto before = entries_.size();
  std::erase_if(entries_, [color](const GColor* e) { return SameColor(e, color); });
  return static_cast<std::uint32_t>(before - entries_.size());
}

void GColorPointerVector::clearAndReshape() {
  std::vector<GColor*> fresh;
  fresh.reserve(kGrowth);
  entries_.swap(fresh);
}

// ---------------------------------------------------------------------------------------------
// GPaletteTable

GPaletteTable::GPaletteTable() {
  for (std::uint8_t level : {std::uint8_t{255}, std::uint8_t{0}}) {
    auto* color = new (std::nothrow) GRGBColor(level, level, level, 255);
    if (color != nullptr) {
      entries_.insert(color);
    }
  }
}

GPaletteTable::GPaletteTable(const GColorPointerVector& colors) {
  CopyEntries(colors);
}

GPaletteTable::GPaletteTable(const GPaletteTable& other) : GBaseObject(other) {
  CopyEntries(other.entries_);
}

GPaletteTable& GPaletteTable::operator=(const GPaletteTable& other) {
  if (this == &other) {
    return *this;
  }
  GBaseObject::operator=(other);
  DeleteEntries();
  CopyEntries(other.entries_);
  return *this;
}

GPaletteTable::~GPaletteTable() {
  DeleteEntries();
}

void GPaletteTable::DeleteEntries() {
  for (std::uint32_t i = 0; i < entries_.entries(); ++i) {
    delete entries_[i];
  }
  entries_.clearAndReshape();
}

void GPaletteTable::CopyEntries(const GColorPointerVector& colors) {
  for (std::uint32_t i = 0; i < colors.entries(); ++i) {
    const GColor* color = colors[i];
    if (color == nullptr) {
      continue;
    }
    auto* copy = dynamic_cast<GColor*>(color->Clone());
    if (copy != nullptr) {
      entries_.insert(copy);
    }
  }
}

void GPaletteTable::Append(GColor* color) {
  if (color != nullptr) {
    entries_.insert(color);
  }
}

const GColor* GPaletteTable::GetEntry(std::uint32_t i) const {
  if (i >= entries_.entries()) {
    RWRaiseIndex(i, entries_.entries());
    return nullptr;
  }
  return entries_[i];
}

RWClassID GPaletteTable::ClassId() {
  return vel::classid::kGPaletteTable;
}

RWCollectable* GPaletteTable::Create() {
  return new (std::nothrow) GPaletteTable;
}

RWCollectable* GPaletteTable::CreateInstance() const {
  return Create();
}

RWCollectable* GPaletteTable::Clone() const {
  auto* copy = new (std::nothrow) GPaletteTable(*this);
  if (copy != nullptr && copy->GetCount() != GetCount()) {
    delete copy;
    return nullptr;
  }
  return copy;
}

RWClassID GPaletteTable::IsA() const {
  return ClassId();
}

std::uint32_t GPaletteTable::StoredByteCount() const {
  std::uint32_t size = GBaseObject::StoredByteCount() + 8;
  for (std::uint32_t i = 0; i < entries_.entries(); ++i) {
    size += RWTotalStoredSize(entries_[i]);
  }
  return size;
}

bool GPaletteTable::IsKindOf(RWClassID id) const {
  return id == vel::classid::kGPaletteTable || GBaseObject::IsKindOf(id);
}

bool GPaletteTable::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA() || !GBaseObject::IsSameKey(other)) {
    return false;
  }
  const auto& that = *static_cast<const GPaletteTable*>(other);
  if (GetCount() != that.GetCount()) {
    return false;
  }
  for (std::uint32_t i = 0; i < GetCount(); ++i) {
    if (!SameColor(entries_[i], that.entries_[i])) {
      return false;
    }
  }
  return true;
}

template <typename Carrier>
void GPaletteTable::Restore(Carrier& carrier) {
  GBaseObject::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  DeleteEntries();
  std::uint32_t count = 0;
  if (!vel::ReadField(carrier, count)) {
    vel::FailCarrier(carrier);
    return;
  }
  // The count is not trusted: entries are appended as they arrive, so a count beyond the record
  // ends at its first missing entry having allocated only what was read.
  for (std::uint32_t i = 0; i < count; ++i) {
    RWRestoredMember member(carrier, nullptr);
    RWCollectable* read = member.Object();
    auto* color = dynamic_cast<GColor*>(read);
    // The table owns its colours: a colour read before would get two owners.
    if (!vel::CarrierGood(carrier) || (read != nullptr && (color == nullptr || !member.IsNew()))) {
      member.Keep(RWHold::kRefuses);
      vel::FailCarrier(carrier);
      return;
    }
    if (color == nullptr) {
      member.Keep(RWHold::kRefuses);
      continue;
    }
    member.Keep(RWHold::kOwns);
    entries_.insert(color);
  }
}

void GPaletteTable::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GPaletteTable::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

template <typename Carrier>
void GPaletteTable::Save(Carrier& carrier) const {
  GBaseObject::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteField(carrier, entries_.entries());
  for (std::uint32_t i = 0; i < entries_.entries(); ++i) {
    carrier << static_cast<const RWCollectable*>(entries_[i]);
  }
}

void GPaletteTable::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GPaletteTable::SaveContents(RWBinaryFile& file) const {
  Save(file);
}
