// GPersistableLong and GPersistableULong: one 32-bit integer (signed, respectively unsigned) as a
// framework object, so that a plain number can sit in composites, travel in object graphs and be
// compared and ordered like any other framework object.
//
// Stored form (after the root part):
//   u32  class version word, 1
//   i32  the value (GPersistableLong), respectively u32 (GPersistableULong)
#pragma once

#include <cstdint>

#include "framework/core/GBaseObject.h"

class GPersistableLong : public GBaseObject {
 public:
  GPersistableLong() = default;
  // Key 0.
  explicit GPersistableLong(std::int32_t value) : value_(value) {}

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  std::uint32_t StoredByteCount() const override;
  // By value, signed, against another GPersistableLong: -1, 0 or 1. Any other object by identity.
  int Compare(const RWCollectable* other) const override;
  // The value, as IsEqual compares values only.
  std::uint32_t Hash() const override;
  // The same class and equal values; the keys are not compared.
  bool IsEqual(const RWCollectable* other) const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // The same class, equal keys and equal values.
  bool IsSameKey(const GBaseObject* other) const override;

  std::int32_t GetValue() const { return value_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GPersistableLong"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);

  std::int32_t value_ = 0;
};

class GPersistableULong : public GBaseObject {
 public:
  GPersistableULong() = default;
  explicit GPersistableULong(std::uint32_t value) : value_(value) {}

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  std::uint32_t StoredByteCount() const override;
  // By value, unsigned, against another GPersistableULong; any other object by identity.
  int Compare(const RWCollectable* other) const override;
  std::uint32_t Hash() const override;
  bool IsEqual(const RWCollectable* other) const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  bool IsSameKey(const GBaseObject* other) const override;

  std::uint32_t GetValue() const { return value_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GPersistableULong"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);

  std::uint32_t value_ = 0;
};
