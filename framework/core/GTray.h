// GTray: an input tray (a source of paper), with the GMedia loaded in it when known.
//
// Stored form (after the attribute part):
//   u32     class version word, 1
//   string  name (u32 length, bytes)
//   i16     tray id
//   i32     first value
//   i32     second value
//   i32     capacity, sheets (-1 unknown)
//   i32     level, sheets (-1 unknown)
//   i32     media present, 1 or 0
//           the media as an object record, only when present is 1
// A restore drops the tray's media first and keeps its own copy of the media it reads; a record of
// another class than GMedia fails the carrier and leaves the tray without media.
#pragma once

#include <cstdint>

#include "framework/core/GAttribute.h"
#include "rw/RWCString.h"

class GMedia;

class GTray : public GAttribute {
 public:
  GTray() = default;
  GTray(const char* name, std::int16_t tray_id, std::uint32_t key);
  // Takes ownership of `media` (null allowed).
  GTray(const char* name,
        std::int16_t tray_id,
        std::int32_t first_value,
        std::int32_t second_value,
        std::int32_t capacity,
        std::int32_t level,
        GMedia* media,
        std::uint32_t key);
  // Every field, and a copy of the media of its own.
  GTray(const GTray& other);
  GTray& operator=(const GTray& other);
  ~GTray() override;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The attribute part + 30 + the name + the media's object record when present.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // This object; or the same class and key, equal fields, and either both without media or both
  // with media that are IsSameKey.
  bool IsSameKey(const GBaseObject* other) const override;
  // HandleTray.
  [[nodiscard]] std::uint16_t Accept(GTypedHandlers& handlers) override;

  const RWCString& GetName() const { return name_; }
  std::int16_t GetTrayId() const { return tray_id_; }
  std::int32_t GetFirstValue() const { return first_value_; }
  std::int32_t GetSecondValue() const { return second_value_; }
  std::int32_t GetCapacity() const { return capacity_; }
  std::int32_t GetLevel() const { return level_; }
  // The media, kept by the tray.
  GMedia* GetMedia() const { return media_; }
  void SetFirstValue(std::int32_t value) { first_value_ = value; }
  void SetSecondValue(std::int32_t value) { second_value_ = value; }
  void SetCapacity(std::int32_t capacity) { capacity_ = capacity; }
  // Deletes the current media and takes ownership of `media` (null allowed).
  void SetMedia(GMedia* media);
  // Hands the media to the caller; the tray has none afterwards.
  GMedia* ReleaseMedia();
  // See vel::SetLevel.
  int SetLevel(std::int32_t value, int as_percentage);

  static RWClassID ClassId();
  static const char* ClassName() { return "GTray"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  template <typename Carrier>
  void Restore(Carrier& carrier);

  RWCString name_;
  std::int16_t tray_id_ = 0;
  std::int32_t first_value_ = 0;
  std::int32_t second_value_ = 0;
  std::int32_t capacity_ = -1;
  std::int32_t level_ = -1;
  GMedia* media_ = nullptr;
};

namespace vel {

// The level rule of trays and bins. Flag 0: the level becomes `value` when the capacity is above
// it (answer 1), else nothing changes (0). Flag non-zero: `value` is a percentage, accepted only
// when the capacity is positive and the value at most 100; the level becomes capacity x value /
// 100 (in 64 bits), held within 0 and the capacity. Answers 1 when the level was set.
int SetLevel(std::int32_t capacity, std::int32_t& level, std::int32_t value, int as_percentage);

}  // namespace vel
