// GResourceMapping: ties a framework item id (the paper id of a GMedia, the id of a GTray) to the
// id the same item carries outside the framework (the DEVMODE paper-size and paper-source values)
// and to the string resource id of its display name in the resource module (whose low 16 bits
// load the string).
//
// Stored form (after the root part):
//   u32  class version word, 1
//   u32  string id (0x0FFFFFFF for none)
//   u16  DEVMODE id
//   i16  item id
#pragma once

#include <cstdint>

#include "framework/core/GBaseObject.h"

class GResourceMapping : public GBaseObject {
 public:
  static constexpr std::uint32_t kNoStringId = 0x0FFFFFFF;

  GResourceMapping() = default;
  GResourceMapping(std::uint32_t string_id,
                   std::uint16_t devmode_id,
                   std::int16_t item_id,
                   std::uint32_t key)
      : GBaseObject(key), string_id_(string_id), devmode_id_(devmode_id), item_id_(item_id) {}
  GResourceMapping(const GResourceMapping& other) = default;
  GResourceMapping& operator=(const GResourceMapping& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The root part + 12.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // This object; or the same class and key and the same three ids.
  bool IsSameKey(const GBaseObject* other) const override;

  std::uint32_t GetStringId() const { return string_id_; }
  std::uint16_t GetDevModeId() const { return devmode_id_; }
  std::int16_t GetItemId() const { return item_id_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GResourceMapping"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  template <typename Carrier>
  void Restore(Carrier& carrier);

  std::uint32_t string_id_ = kNoStringId;
  std::uint16_t devmode_id_ = 0;
  std::int16_t item_id_ = 0;
};
