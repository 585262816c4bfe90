// GDeviceFontDescription: one font that lives in the printer (added by the user, or on a ROM
// add-on card, the disk, flash or a DIMM), as font matching sees it.
//
// Stored form (after the root part), class version 2:
//   u32  version, 2
//   u32  name length, then the bytes
//   u32  second name length, then the bytes
//   u32  character set (16: several)
//   u32  number of character sets n, then n u32 character-set codes
//   u16  first match field
//   u32  second match field
//   u32  style class (0, 0x10 ... 0x50)
//   u32  flag
//   u32  technology (0 bitmap; 1, 2 and 5 scalable kinds)
//   i16  record value
//   u16  reserved value                     } absent in version 1 (restored as 0)
//   u32  location class                     }
// A version other than 1 and 2 stops the restore after the version word and fails the carrier.
// A restore takes the fields only when all were read.
#pragma once

#include <cstdint>

#include "framework/core/GBaseObject.h"
#include "framework/output/GValueVector.h"
#include "rw/RWCString.h"

class GDeviceFontDescription : public GBaseObject {
 public:
  static constexpr std::uint32_t kVersion = 2;
  static constexpr std::uint32_t kSeveralSets = 16;

  // Location classes.
  static constexpr std::uint32_t kOtherLocation = 0;
  static constexpr std::uint32_t kROMAddOn = 1;
  static constexpr std::uint32_t kDisk = 2;
  static constexpr std::uint32_t kFlash = 3;
  static constexpr std::uint32_t kDIMM = 4;

  // Empty names and vector, every number 0.
  GDeviceFontDescription() = default;
  GDeviceFontDescription(const RWCString& name, const RWCString& second_name,
                         std::uint32_t char_set, const GValueVector& char_sets,
                         std::uint16_t first_match, std::uint32_t second_match,
                         std::uint32_t style_class, std::uint32_t flag, std::uint32_t technology,
                         std::int16_t record_value, std::uint16_t reserved,
                         std::uint32_t location_class);
  GDeviceFontDescription(const GDeviceFontDescription& other) = default;
  GDeviceFontDescription& operator=(const GDeviceFontDescription& other) = default;
  ~GDeviceFontDescription() override = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The root part + both names' lengths + 4 x the number of sets + 46.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // The same object; or the same class, equal keys and every field equal.
  bool IsSameKey(const GBaseObject* other) const override;

  const RWCString& GetName() const { return name_; }
  const RWCString& GetSecondName() const { return second_name_; }
  std::uint32_t GetCharSet() const { return char_set_; }
  const GValueVector& GetCharSets() const { return char_sets_; }
  GValueVector& GetCharSets() { return char_sets_; }
  std::uint16_t GetFirstMatch() const { return first_match_; }
  std::uint32_t GetSecondMatch() const { return second_match_; }
  std::uint32_t GetStyleClass() const { return style_class_; }
  std::uint32_t GetFlag() const { return flag_; }
  std::uint32_t GetTechnology() const { return technology_; }
  std::int16_t GetRecordValue() const { return record_value_; }
  std::uint16_t GetReserved() const { return reserved_; }
  std::uint32_t GetLocationClass() const { return location_class_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GDeviceFontDescription"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  template <typename Carrier>
  void Restore(Carrier& carrier);

  RWCString name_;
  RWCString second_name_;
  std::uint32_t char_set_ = 0;
  GValueVector char_sets_;
  std::uint16_t first_match_ = 0;
  std::uint32_t second_match_ = 0;
  std::uint32_t style_class_ = 0;
  std::uint32_t flag_ = 0;
  std::uint32_t technology_ = 0;
  std::int16_t record_value_ = 0;
  std::uint16_t reserved_ = 0;
  std::uint32_t location_class_ = 0;
};
