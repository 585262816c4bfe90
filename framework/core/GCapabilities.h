// GCapabilities: a set of capability numbers as a bit vector: bit n set means capability n is
// present; the length in bits is the number of capabilities the set can answer for.
//
// Stored form (after the root part):
//   u32  class version word, 1
//   u32  length in bits
//   u8   (length + 7) / 8 bytes, capability n in byte n / 8 at bit n mod 8 (least significant
//        bit first)
// A restore replaces the vector by the one stored (a stored length of 0 empties it). The bytes are
// read before the vector is built, growing with the data, so a length whose bytes are not there
// fails the carrier without allocating for it; when memory runs out the set is left empty.
#pragma once

#include <cstdint>

#include "framework/core/GBaseObject.h"
#include "rw/RWBitVector.h"

class GCapabilities : public GBaseObject {
 public:
  GCapabilities() = default;
  // `length` bits, all clear.
  GCapabilities(std::uint32_t key, std::uint32_t length);
  // The same, then the capability (or the capabilities) set as by Set and SetMany.
  GCapabilities(std::uint32_t key, std::uint32_t length, std::uint32_t capability);
  GCapabilities(std::uint32_t key,
                std::uint32_t length,
                const std::uint32_t* capabilities,
                std::uint16_t count);
  GCapabilities(const GCapabilities& other) = default;
  GCapabilities& operator=(const GCapabilities& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The root part + 8 + the bytes of the vector.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // This object; or the same class and key and equal vectors (length and bits).
  bool IsSameKey(const GBaseObject* other) const override;

  // Grows the vector to capability + 1 bits when needed (new bits clear), then sets the bit.
  void Set(std::uint32_t capability);
  // Grows to the largest capability + 1 bits when that exceeds the length, then sets every bit.
  void SetMany(const std::uint32_t* capabilities, std::uint16_t count);
  // Numbers at or beyond the length are ignored. (The root's Clear, of children, stays: a leaf
  // has none.)
  using GBaseObject::Clear;
  void Clear(std::uint32_t capability);
  void ClearMany(const std::uint32_t* capabilities, std::uint16_t count);
  // False at or beyond the length.
  bool Has(std::uint32_t capability) const;
  // Every number below the length and set; true for none.
  bool HasAll(const std::uint32_t* capabilities, std::uint16_t count) const;
  // Some number below the length and set; false for none.
  bool HasAny(const std::uint32_t* capabilities, std::uint16_t count) const;
  // Every number below the length; true for none.
  bool AllBelowLength(const std::uint32_t* capabilities, std::uint16_t count) const;
  std::uint32_t GetLength() const { return bits_.Length(); }
  std::uint32_t CountSet() const { return bits_.CountSetBits(); }

  static RWClassID ClassId();
  static const char* ClassName() { return "GCapabilities"; }
  static RWCollectable* Create();

 private:
  // Grows to `length` bits when shorter; false when it could not.
  bool GrowTo(std::uint64_t length);
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  template <typename Carrier>
  void Restore(Carrier& carrier);

  RWBitVector bits_;
};
