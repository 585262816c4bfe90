// GMedia: one paper as the device sees it: its name, its size and printable area in device units
// (units of its resolution), its orientation and resolution, and the paper id by which the rest of
// the system names it (below 16384 a predefined paper, from 16384 up a custom size).
//
// Stored form (after the attribute part):
//   u32     class version word, 1
//   string  name (u32 length, bytes)
//   i16     paper width
//   i16     paper height
//   i16     printable width
//   i16     printable height
//   i16     printable origin x
//   i16     printable origin y
//   i32     orientation, degrees (90 and 270: width and height exchanged)
//   u16     resolution x, dots per inch
//   u16     resolution y
//   u16     auxiliary value
//   string  second name
//   string  media type
//   i16     paper id
#pragma once

#include <cstdint>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GAttribute.h"
#include "rw/RWCString.h"

class GMedia : public GAttribute {
 public:
  // Key 190 (the media attribute), empty strings, sizes 0, orientation 0, 600 x 600 dpi.
  GMedia();
  // Each pair points at two values (width and height, or x and y). Null strings are empty.
  GMedia(const char* name,
         const std::int16_t* size,
         const std::int16_t* printable_size,
         const std::int16_t* printable_origin,
         std::int32_t orientation,
         std::int16_t paper_id,
         std::uint16_t resolution_x,
         std::uint16_t resolution_y,
         std::uint32_t key,
         std::uint16_t auxiliary_value,
         const char* second_name,
         const char* media_type);
  GMedia(const GMedia& other) = default;
  GMedia& operator=(const GMedia& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The attribute part + 40 + the three strings.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // This object; or the same class and key and every field equal.
  bool IsSameKey(const GBaseObject* other) const override;
  // HandleMedia.
  [[nodiscard]] std::uint16_t Accept(GTypedHandlers& handlers) override;

  const RWCString& GetName() const { return name_; }
  const std::int16_t* GetSize() const { return size_; }
  const std::int16_t* GetPrintableSize() const { return printable_size_; }
  const std::int16_t* GetPrintableOrigin() const { return printable_origin_; }
  // Left and top are the origin; right and bottom the origin plus the printable size (16-bit sums).
  void GetPrintableRect(std::int16_t* left,
                        std::int16_t* top,
                        std::int16_t* right,
                        std::int16_t* bottom) const;
  std::int32_t GetOrientation() const { return orientation_; }
  std::uint16_t GetResolutionX() const { return resolution_x_; }
  std::uint16_t GetResolutionY() const { return resolution_y_; }
  std::uint16_t GetAuxiliaryValue() const { return auxiliary_value_; }
  const RWCString& GetSecondName() const { return second_name_; }
  const RWCString& GetMediaType() const { return media_type_; }
  std::int16_t GetPaperId() const { return paper_id_; }

  void SetAuxiliaryValue(std::uint16_t value) { auxiliary_value_ = value; }
  void SetSecondName(const char* name);
  void SetMediaType(const char* type);
  void SetPaperId(std::int16_t paper_id) { paper_id_ = paper_id; }

  static RWClassID ClassId() { return vel::classid::kGMedia; }
  static const char* ClassName() { return "GMedia"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  template <typename Carrier>
  void Restore(Carrier& carrier);

  RWCString name_;
  std::int16_t size_[2] = {0, 0};
  std::int16_t printable_size_[2] = {0, 0};
  std::int16_t printable_origin_[2] = {0, 0};
  std::int32_t orientation_ = 0;
  std::uint16_t resolution_x_ = 600;
  std::uint16_t resolution_y_ = 600;
  std::uint16_t auxiliary_value_ = 0;
  RWCString second_name_;
  RWCString media_type_;
  std::int16_t paper_id_ = 0;
};
