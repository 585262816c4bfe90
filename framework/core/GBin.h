// GBin: an output bin. It is an attribute, but its stored form leaves the attribute part out (the
// enabled flag is not stored): a restored bin keeps the flag of the object restored into.
//
// Stored form (after the root part):
//   u32     class version word, 1
//   string  name (u32 length, bytes)
//   i16     bin id
//   i32     first value
//   i32     second value
//   i32     capacity, sheets (-1 unknown)
//   i32     level, sheets (-1 unknown)
//   i32     third value
//   i32     fourth value
#pragma once

#include <cstdint>

#include "framework/core/GAttribute.h"
#include "rw/RWCString.h"

class GBin : public GAttribute {
 public:
  GBin() = default;
  GBin(const char* name, std::int16_t bin_id, std::uint32_t key);
  GBin(const char* name,
       std::int16_t bin_id,
       std::int32_t first_value,
       std::int32_t second_value,
       std::int32_t capacity,
       std::int32_t level,
       std::int32_t third_value,
       std::int32_t fourth_value,
       std::uint32_t key);
  GBin(const GBin& other) = default;
  GBin& operator=(const GBin& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The root part + 34 + the name.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // This object; or the same class and key and every field equal.
  bool IsSameKey(const GBaseObject* other) const override;
  // 1; no handler.
  [[nodiscard]] std::uint16_t Accept(GTypedHandlers& handlers) override;

  const RWCString& GetName() const { return name_; }
  void SetName(const char* name);
  std::int16_t GetBinId() const { return bin_id_; }
  std::int32_t GetFirstValue() const { return first_value_; }
  std::int32_t GetSecondValue() const { return second_value_; }
  std::int32_t GetThirdValue() const { return third_value_; }
  std::int32_t GetFourthValue() const { return fourth_value_; }
  std::int32_t GetCapacity() const { return capacity_; }
  std::int32_t GetLevel() const { return level_; }
  void SetSecondValue(std::int32_t value) { second_value_ = value; }
  void SetThirdValue(std::int32_t value) { third_value_ = value; }
  void SetFourthValue(std::int32_t value) { fourth_value_ = value; }
  void SetCapacity(std::int32_t capacity) { capacity_ = capacity; }
  // As the tray's (vel::SetLevel).
  int SetLevel(std::int32_t value, int as_percentage);

  static RWClassID ClassId();
  static const char* ClassName() { return "GBin"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  template <typename Carrier>
  void Restore(Carrier& carrier);

  RWCString name_;
  std::int16_t bin_id_ = 0;
  std::int32_t first_value_ = 0;
  std::int32_t second_value_ = 0;
  std::int32_t capacity_ = -1;
  std::int32_t level_ = -1;
  std::int32_t third_value_ = 0;
  std::int32_t fourth_value_ = 0;
};
