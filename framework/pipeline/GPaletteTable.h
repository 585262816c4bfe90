// GPaletteTable: the ordered colours of an indexed raster image; pixel value i stands for entry i.
//
// Stored form (after the root part):
//   u32  class version word, 1
//   u32  count
//   count x object reference  each colour (an object record, or the nil object)
#pragma once

#include <cstdint>
#include <vector>

#include "framework/core/GBaseObject.h"

class GColor;

// An ordered vector of colour pointers. It neither copies nor deletes what it holds; the palette
// table does. Colours are matched by IsSameKey.
class GColorPointerVector {
 public:
  static constexpr std::uint32_t kNotFound = 0xFFFFFFFFu;
  static constexpr std::uint32_t kGrowth = 64;

  GColorPointerVector() { entries_.reserve(kGrowth); }

  // The first entry IsSameKey with `color`, or kNotFound.
  std::uint32_t index(const GColor* color) const;
  // Appends; a full vector grows by kGrowth entries.
  void insert(GColor* color);
  std::uint32_t occurrencesOf(const GColor* color) const;
  // Takes out the first entry IsSameKey with `color`; false when there is none.
  bool remove(const GColor* color);
  // Takes out every such entry; answers how many.
  std::uint32_t removeAll(const GColor* color);

  std::uint32_t entries() const { return static_cast<std::uint32_t>(entries_.size()); }
  GColor* operator[](std::uint32_t i) const { return entries_[i]; }
  // Empties the vector and shrinks it back to kGrowth entries.
  void clearAndReshape();

 private:
  std::vector<GColor*> entries_;
};

class GPaletteTable : public GBaseObject {
 public:
  // White then black, each with a fourth byte of 255.
  GPaletteTable();
  // A Copy of each colour, in order.
  explicit GPaletteTable(const GColorPointerVector& colors);
  GPaletteTable(const GPaletteTable& other);
  GPaletteTable& operator=(const GPaletteTable& other);
  ~GPaletteTable() override;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // The same class and key, the same count, and each entry IsSameKey with the other's.
  bool IsSameKey(const GBaseObject* other) const override;

  // Entry i; an index at or past the count raises the index error and answers null.
  const GColor* GetEntry(std::uint32_t i) const;
  std::uint32_t GetCount() const { return entries_.entries(); }
  // Takes `color` as the last entry.
  void Append(GColor* color);

  static RWClassID ClassId();
  static const char* ClassName() { return "GPaletteTable"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  void DeleteEntries();
  void CopyEntries(const GColorPointerVector& colors);

  GColorPointerVector entries_;
};
