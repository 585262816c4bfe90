// GDeviceFontList: the descriptions of the printer-resident fonts of one source (the fonts the
// user added, or one mass-storage location), keyed by the source's attribute key, with the stamp
// of the font-list file it was read from and two optional lookup tables that map a 16-bit,
// respectively 32-bit, key (a GPersistableULong) to an object holding a 32-bit value.
//
// Stored form (after the root part), class version 3:
//   u32  version, 3
//   u32  number of descriptions n
//   n    descriptions, each its stored form without an object header
//   u32  stamp                                   } absent before version 2 (restored as 0)
//        first table, an object record (nil)     } absent before version 3 (restored as
//        second table, an object record (nil)    } no tables)
// A version outside 1 to 3 stops the restore after the version word and fails the carrier. A
// restore replaces the descriptions and the stamp only when all of them were read; each table is
// then kept as soon as it is read.
#pragma once

#include <cstdint>

#include "framework/core/GBaseObject.h"
#include "framework/output/GDeviceFontDescription.h"

class MAssociationList;

class GDeviceFontList : public GBaseObject {
 public:
  static constexpr std::uint32_t kVersion = 3;
  using Predicate = int (*)(const GDeviceFontDescription& description, void* argument);

  explicit GDeviceFontList(std::uint32_t key = 0);
  // Deep: every description and both tables copied, the stamp taken over.
  GDeviceFontList(const GDeviceFontList& other);
  GDeviceFontList& operator=(const GDeviceFontList& other);
  ~GDeviceFontList() override;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // A failed restore: deletes the tables it read.
  void ForgetRestoredMembers() override;
  bool IsKindOf(RWClassID id) const override;
  // The same class, equal keys, both tables absent, the same or equal, and pairwise equal
  // descriptions.
  bool IsSameKey(const GBaseObject* other) const override;

  // 1 when some description, walked in order, makes `predicate` answer non-zero, else 0.
  virtual int FindIf(Predicate predicate, void* argument) const;

  // Appends a copy; false when memory is short.
  bool Append(const GDeviceFontDescription& description);
  // 1 and a copy in `out`, or 0 when the index is not below the count.
  int GetAt(std::uint32_t index, GDeviceFontDescription& out) const;
  // The description at `index`, or null.
  const GDeviceFontDescription* DescriptionAt(std::uint32_t index) const;
  std::uint32_t DescriptionCount() const { return descriptions_.count; }
  // Deletes every description and both tables.
  void Clear() override;
  void SetStamp(std::uint32_t stamp) { stamp_ = stamp; }
  std::uint32_t GetStamp() const { return stamp_; }
  // Take `table` over (null for none), deleting the old one.
  void SetFirstTable(MAssociationList* table);
  void SetSecondTable(MAssociationList* table);
  const MAssociationList* GetFirstTable() const { return first_table_; }
  const MAssociationList* GetSecondTable() const { return second_table_; }
  // The value stored for the key, or 0 when there is no table or no entry.
  std::uint32_t LookupFirst(std::uint16_t key) const;
  std::uint32_t LookupSecond(std::uint32_t key) const;

  static RWClassID ClassId();
  static const char* ClassName() { return "GDeviceFontList"; }
  static RWCollectable* Create();

 private:
  struct Node;
  struct Chain {
    Node* head = nullptr;
    Node* tail = nullptr;
    std::uint32_t count = 0;
  };
  static bool AppendTo(Chain& chain, const GDeviceFontDescription& description);
  static void Free(Chain& chain);
  // The descriptions become `chain`'s (the old ones are deleted); `chain` is left empty.
  void TakeChain(Chain& chain);

  template <typename Carrier>
  void Save(Carrier& carrier) const;
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  bool RestoreTable(Carrier& carrier, MAssociationList*& table);

  Chain descriptions_;
  std::uint32_t stamp_ = 0;
  MAssociationList* first_table_ = nullptr;
  MAssociationList* second_table_ = nullptr;
};
