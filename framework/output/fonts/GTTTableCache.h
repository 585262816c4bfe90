// GTTTableCache: the whole TrueType tables that a font reader has read, by table number, so that
// they are read from the font once and can travel inside stored object graphs.
//
// Stored form (after the root part):
//   u32  class version word, 1
//   u8   slot count (24)
//   u32  count of loaded slots
//   per slot:
//     i32  state: 1 loaded, 0 empty
//     when loaded: u32 size, then size bytes
// A restore refuses more than 24 slots and sizes beyond the data; it then fails the carrier and
// leaves the cache as it was.
#pragma once

#include <cstdint>

#include "framework/core/GBaseObject.h"

class GMemoryBlock;

class GTTTableCache : public GBaseObject {
 public:
  static constexpr std::uint32_t kSlots = 24;

  GTTTableCache() = default;
  // The root part only: the copy starts empty (its owner fills it again).
  GTTTableCache(const GTTTableCache& other) : GBaseObject(other) {}
  GTTTableCache& operator=(const GTTTableCache&) = delete;
  ~GTTTableCache() override;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // The same class, equal root parts and, slot by slot, equal state, size and bytes.
  bool IsSameKey(const GBaseObject* other) const override;

  // Slot `index` takes the block's bytes (the block is deleted). A loaded slot frees what it held
  // and keeps its place in the count. Answers 1 when the count grew; 0 when the slot was loaded
  // already, or when the index is out of range or memory is short (the slot is then unchanged).
  int SetTable(std::uint32_t index, GMemoryBlock* block);
  // Null for an empty slot (or an index out of range); else a new block owned by the caller: for a
  // table of size 0 an empty owning block, otherwise one that refers to the cached bytes.
  GMemoryBlock* GetTable(std::uint32_t index) const;
  // The bytes of a loaded slot, without a block: false for an empty slot.
  bool View(std::uint32_t index, const std::uint8_t*& data, std::uint32_t& size) const {
    if (!IsLoaded(index)) {
      return false;
    }
    data = slots_[index].data;
    size = slots_[index].size;
    return true;
  }
  bool IsLoaded(std::uint32_t index) const { return index < kSlots && slots_[index].loaded; }
  std::uint32_t GetCount() const { return count_; }
  // Moves every table loaded in `other` and empty here into this cache; `other` loses it.
  // Answers the number of tables moved.
  std::uint32_t Absorb(GTTTableCache& other);

  static RWClassID ClassId();
  static const char* ClassName() { return "GTTTableCache"; }
  static RWCollectable* Create();

 private:
  struct Slot {
    bool loaded = false;
    std::uint32_t size = 0;
    std::uint8_t* data = nullptr;
  };

  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  void FreeSlots();

  std::uint32_t count_ = 0;
  Slot slots_[kSlots];
};
