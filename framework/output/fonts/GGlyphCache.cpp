// GGlyphCache and GGlyphCacheNode.
#include "framework/output/fonts/GGlyphCache.h"

#include <cstring>
#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/StoredBytes.h"
#include "framework/core/StoredFields.h"
#include "framework/output/fonts/GMemoryBlock.h"
#include "framework/pipeline/HeldRecord.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"
#include "rw/rwstore.h"

// ---------------------------------------------------------------------------------------------
// GGlyphCacheNode

GGlyphCacheNode::GGlyphCacheNode(GMemoryBlock* block) {
  if (block == nullptr) {
    return;
  }
  const std::uint32_t size = block->GetSize();
  data_ = size == 0 ? nullptr : block->TakeData();
  size_ = data_ == nullptr ? 0 : size;
  delete block;
}

GGlyphCacheNode::GGlyphCacheNode(const GGlyphCacheNode& other)
    : GBaseObject(other), data_(vel::CopyBytes(other.data_, other.size_)) {
  size_ = data_ == nullptr ? 0 : other.size_;
}

GGlyphCacheNode::~GGlyphCacheNode() {
  delete[] data_;
}

RWClassID GGlyphCacheNode::ClassId() {
  return vel::classid::kGGlyphCacheNode;
}

RWCollectable* GGlyphCacheNode::Create() {
  return new (std::nothrow) GGlyphCacheNode;
}

RWCollectable* GGlyphCacheNode::CreateInstance() const {
  return Create();
}

RWCollectable* GGlyphCacheNode::Clone() const {
  return new (std::nothrow) GGlyphCacheNode(*this);
}

RWClassID GGlyphCacheNode::IsA() const {
  return ClassId();
}

bool GGlyphCacheNode::IsKindOf(RWClassID id) const {
  return id == ClassId() || GBaseObject::IsKindOf(id);
}

bool GGlyphCacheNode::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA() || !GBaseObject::IsSameKey(other)) {
    return false;
  }
  const auto* that = static_cast<const GGlyphCacheNode*>(other);
  return size_ == that->size_ && (size_ == 0 || std::memcmp(data_, that->data_, size_) == 0);
}

GMemoryBlock* GGlyphCacheNode::GetData() const {
  return new (std::nothrow) GMemoryBlock(data_, size_, false);
}

std::uint32_t GGlyphCacheNode::StoredByteCount() const {
  return GBaseObject::StoredByteCount() + 8 + size_;
}

template <typename Carrier>
void GGlyphCacheNode::Save(Carrier& carrier) const {
  GBaseObject::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteField(carrier, size_);
  vel::WriteBytes(carrier, data_, size_);
}

template <typename Carrier>
void GGlyphCacheNode::Restore(Carrier& carrier) {
  GBaseObject::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  std::uint32_t size = 0;
  if (!vel::ReadField(carrier, size)) {
    vel::FailCarrier(carrier);
    return;
  }
  std::uint8_t* data = nullptr;
  if (vel::ReadStoredBytes(carrier, size, data) != vel::StoredBytesResult::kRead) {
    return;
  }
  delete[] data_;
  data_ = data;
  size_ = data == nullptr ? 0 : size;
}

void GGlyphCacheNode::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GGlyphCacheNode::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GGlyphCacheNode::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GGlyphCacheNode::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

// ---------------------------------------------------------------------------------------------
// GGlyphCache

GGlyphCache::~GGlyphCache() {
  FreePages(pages_);
}

void GGlyphCache::FreePages(Page** pages) {
  for (std::uint32_t p = 0; p < kPages; ++p) {
    if (pages[p] == nullptr) {
      continue;
    }
    for (GGlyphCacheNode* node : pages[p]->entries) {
      delete node;
    }
    delete pages[p];
    pages[p] = nullptr;
  }
}

void GGlyphCache::ForgetRestoredMembers() {
  FreePages(pages_);
  count_ = 0;
}

RWClassID GGlyphCache::ClassId() {
  return vel::classid::kGGlyphCache;
}

RWCollectable* GGlyphCache::Create() {
  return new (std::nothrow) GGlyphCache;
}

RWCollectable* GGlyphCache::CreateInstance() const {
  return Create();
}

RWCollectable* GGlyphCache::Clone() const {
  return new (std::nothrow) GGlyphCache(*this);
}

RWClassID GGlyphCache::IsA() const {
  return ClassId();
}

bool GGlyphCache::IsKindOf(RWClassID id) const {
  return id == ClassId() || GBaseObject::IsKindOf(id);
}

int GGlyphCache::Insert(std::uint16_t glyph, GGlyphCacheNode* node) {
  if (node == nullptr) {
    return 0;
  }
  Page*& page = pages_[glyph >> 8];
  if (page == nullptr) {
    page = new (std::nothrow) Page;
    if (page == nullptr) {
      delete node;
      return 0;
    }
  }
  GGlyphCacheNode*& entry = page->entries[glyph & 0xFF];
  if (entry == node) {
    return 0;
  }
  const bool replaced = entry != nullptr;
  delete entry;
  entry = node;
  if (replaced) {
    return 0;
  }
  ++count_;
  return 1;
}

GGlyphCacheNode* GGlyphCache::Find(std::uint16_t glyph) const {
  const Page* page = pages_[glyph >> 8];
  return page == nullptr ? nullptr : page->entries[glyph & 0xFF];
}

std::uint32_t GGlyphCache::Absorb(GGlyphCache& other) {
  if (&other == this) {
    return 0;
  }
  std::uint32_t moved = 0;
  for (std::uint32_t p = 0; p < kPages; ++p) {
    Page* from = other.pages_[p];
    if (from == nullptr) {
      continue;
    }
    for (std::uint32_t e = 0; e < kEntriesPerPage; ++e) {
      GGlyphCacheNode*& node = from->entries[e];
      if (node == nullptr || Find(static_cast<std::uint16_t>(p << 8 | e)) != nullptr) {
        continue;
      }
      if (Insert(static_cast<std::uint16_t>(p << 8 | e), node) == 1) {
        ++moved;
        node = nullptr;
        --other.count_;
      } else {
        node = nullptr;  // Insert freed it: no page could be made
        --other.count_;
      }
    }
  }
  return moved;
}

bool GGlyphCache::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA() || !GBaseObject::IsSameKey(other)) {
    return false;
  }
  const auto* that = static_cast<const GGlyphCache*>(other);
  for (std::uint32_t p = 0; p < kPages; ++p) {
    const Page* a = pages_[p];
    const Page* b = that->pages_[p];
    if ((a == nullptr) != (b == nullptr)) {
      return false;
    }
    if (a == nullptr) {
      continue;
    }
    for (std::uint32_t e = 0; e < kEntriesPerPage; ++e) {
      const GGlyphCacheNode* x = a->entries[e];
      const GGlyphCacheNode* y = b->entries[e];
      if ((x == nullptr) != (y == nullptr) || (x != nullptr && !x->IsSameKey(y))) {
        return false;
      }
    }
  }
  return true;
}

std::uint32_t GGlyphCache::StoredByteCount() const {
  // One size pass for all nodes, as their save shares one table.
  RWSaveTableScope scope(RWSaveTable::Purpose::kSize);
  std::uint32_t size = GBaseObject::StoredByteCount() + 12 + 4 * kPages;
  for (const Page* page : pages_) {
    if (page == nullptr) {
      continue;
    }
    size += 4 * kEntriesPerPage;
    for (const GGlyphCacheNode* node : page->entries) {
      if (node != nullptr) {
        size += RWTotalStoredSize(node);
      }
    }
  }
  return size;
}

template <typename Carrier>
void GGlyphCache::Save(Carrier& carrier) const {
  RWSaveTableScope scope(RWSaveTable::Purpose::kSave);
  GBaseObject::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  vel::WriteField(carrier, static_cast<std::uint16_t>(kPages));
  vel::WriteField(carrier, static_cast<std::uint16_t>(kEntriesPerPage));
  vel::WriteField(carrier, count_);
  for (const Page* page : pages_) {
    vel::WriteField(carrier, static_cast<std::int32_t>(page != nullptr ? 1 : 0));
    if (page == nullptr) {
      continue;
    }
    for (const GGlyphCacheNode* node : page->entries) {
      vel::WriteField(carrier, static_cast<std::int32_t>(node != nullptr ? 1 : 0));
      if (node != nullptr) {
        carrier << static_cast<const RWCollectable*>(node);
      }
    }
  }
}

template <typename Carrier>
void GGlyphCache::Restore(Carrier& carrier) {
  RWLoadTableScope scope;  // one restore for every record, as the save shares one table
  GBaseObject::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  std::uint16_t page_count = 0;
  std::uint16_t entries_per_page = 0;
  std::uint32_t stored_count = 0;
  if (!vel::ReadField(carrier, page_count) || !vel::ReadField(carrier, entries_per_page) ||
      !vel::ReadField(carrier, stored_count) || page_count > kPages ||
      entries_per_page > kEntriesPerPage) {
    vel::FailCarrier(carrier);
    return;
  }
  // The pages are read aside and take the cache's place only when all of them could be read.
  Page* read[kPages] = {};
  std::uint32_t count = 0;
  auto fail = [&read, &carrier] {
    FreePages(read);
    vel::FailCarrier(carrier);
  };
  for (std::uint32_t p = 0; p < page_count; ++p) {
    std::int32_t page_present = 0;
    if (!vel::ReadField(carrier, page_present)) {
      fail();
      return;
    }
    if (page_present != 1) {
      continue;
    }
    for (std::uint32_t e = 0; e < entries_per_page; ++e) {
      std::int32_t present = 0;
      if (!vel::ReadField(carrier, present)) {
        fail();
        return;
      }
      if (present != 1) {
        continue;
      }
      GBaseObject* object = nullptr;
      if (!vel::RestoreOwnedRecord(carrier, GGlyphCacheNode::ClassId(), object) ||
          object == nullptr) {
        fail();
        return;
      }
      auto* node = static_cast<GGlyphCacheNode*>(object);
      if (read[p] == nullptr) {
        read[p] = new (std::nothrow) Page;
        if (read[p] == nullptr) {
          delete node;
          fail();
          return;
        }
      }
      read[p]->entries[e] = node;
      ++count;
    }
  }
  FreePages(pages_);
  for (std::uint32_t p = 0; p < kPages; ++p) {
    pages_[p] = read[p];
  }
  // The count is what was read, whatever the stored word said.
  count_ = count;
}

void GGlyphCache::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GGlyphCache::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

void GGlyphCache::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GGlyphCache::SaveContents(RWBinaryFile& file) const {
  Save(file);
}
