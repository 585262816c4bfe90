// GGlyphCache and GGlyphCacheNode: the outline bytes of the glyphs a font reader has read, by
// 16-bit glyph index, in 256 pages of 256 entries; glyph g lives in page g >> 8 at entry g & 0xFF.
//
// Stored form of the cache (after the root part):
//   u32  class version word, 1
//   u16  page count (256)
//   u16  entries per page (256)
//   u32  count of nodes
//   per page:
//     i32  present: 0 or 1
//     when present, per entry:
//       i32  present: 0 or 1
//       when present: the node as an object record
// A restore refuses more than 256 pages or entries, and any node record that is not a new
// GGlyphCacheNode; it then fails the carrier and leaves the cache as it was.
//
// Stored form of a node (after the root part):
//   u32  class version word, 1
//   u32  size
//   size bytes of glyph data
#pragma once

#include <cstdint>

#include "framework/core/GBaseObject.h"

class GMemoryBlock;

class GGlyphCacheNode : public GBaseObject {
 public:
  GGlyphCacheNode() = default;
  // Takes the block's bytes and deletes the block (null: an empty node).
  explicit GGlyphCacheNode(GMemoryBlock* block);
  GGlyphCacheNode(const GGlyphCacheNode& other);
  GGlyphCacheNode& operator=(const GGlyphCacheNode&) = delete;
  ~GGlyphCacheNode() override;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // The same class, equal root parts, equal size and bytes.
  bool IsSameKey(const GBaseObject* other) const override;

  // A new block that refers to the node's bytes (owned by the caller; null when memory is short).
  GMemoryBlock* GetData() const;
  const std::uint8_t* Data() const { return data_; }
  std::uint32_t GetSize() const { return size_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GGlyphCacheNode"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;

  std::uint8_t* data_ = nullptr;
  std::uint32_t size_ = 0;
};

class GGlyphCache : public GBaseObject {
 public:
  static constexpr std::uint32_t kPages = 256;
  static constexpr std::uint32_t kEntriesPerPage = 256;

  GGlyphCache() = default;
  // The root part only, as for the table cache: the copy starts empty.
  GGlyphCache(const GGlyphCache& other) : GBaseObject(other) {}
  GGlyphCache& operator=(const GGlyphCache&) = delete;
  ~GGlyphCache() override;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // Each present node counts as its object record is written, record header included.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // The same class, equal root parts, and page by page: both absent, or both present with every
  // entry absent on both sides or equal nodes.
  bool IsSameKey(const GBaseObject* other) const override;
  // Empties the cache (a failed restore around it).
  void ForgetRestoredMembers() override;

  // Stores the node (owned from now on) under the glyph. A node already there is freed and the
  // count stays. Answers 1 when the count grew, else 0; when the page cannot be made the node is
  // freed and the answer is 0.
  int Insert(std::uint16_t glyph, GGlyphCacheNode* node);
  // The node or null.
  GGlyphCacheNode* Find(std::uint16_t glyph) const;
  std::uint32_t GetCount() const { return count_; }
  // Moves every node of `other` whose place is empty here into this cache; `other` loses it.
  // Answers the number of nodes moved.
  std::uint32_t Absorb(GGlyphCache& other);

  static RWClassID ClassId();
  static const char* ClassName() { return "GGlyphCache"; }
  static RWCollectable* Create();

 private:
  struct Page {
    GGlyphCacheNode* entries[kEntriesPerPage] = {};
  };

  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  static void FreePages(Page** pages);

  std::uint32_t count_ = 0;
  Page* pages_[kPages] = {};
};
