// GCustomMediaSize: a paper size chosen by the user (a spooler form): an id, a name and a width and
// height in one of four length units, convertible between them; MakeCustomMedia turns it into a
// GMedia for a resolution, an orientation and a set of margins.
//
// Units (u32 code): 0 hundredths of an inch, 1 millimetres, 2 ten-thousandths of an inch,
// 3 micrometres.
//
// Stored form (after the attribute part):
//   u32     class version word, 1
//   i16     media id (16384 + n for the custom size made from the n-th spooler form)
//   string  name (u32 length, bytes)
//   i32     unit
//   u32     width, in the unit
//   u32     height, in the unit
#pragma once

#include <cstdint>

#include "framework/core/GAttribute.h"
#include "rw/RWCString.h"

class GMedia;

namespace vel {

inline constexpr std::uint32_t kUnitHundredthInch = 0;
inline constexpr std::uint32_t kUnitMillimetre = 1;
inline constexpr std::uint32_t kUnitTenThousandthInch = 2;
inline constexpr std::uint32_t kUnitMicrometre = 3;

// The first id of the custom sizes made from spooler forms.
inline constexpr std::int16_t kFirstCustomMediaId = 16384;

}  // namespace vel

class GCustomMediaSize : public GAttribute {
 public:
  GCustomMediaSize() = default;
  GCustomMediaSize(std::int16_t media_id,
                   const char* name,
                   std::uint32_t unit,
                   std::uint32_t width,
                   std::uint32_t height,
                   std::uint32_t key);
  // From device units: width x 100 / resolution x and height x 100 / resolution y (truncated) in
  // hundredths of an inch, then SetUnit(unit). A resolution of 0 gives a size of 0.
  GCustomMediaSize(std::int16_t media_id,
                   const char* name,
                   std::uint16_t resolution_x,
                   std::uint16_t resolution_y,
                   std::uint32_t unit,
                   std::uint32_t width_in_dots,
                   std::uint32_t height_in_dots,
                   std::uint32_t key);
  GCustomMediaSize(const GCustomMediaSize& other) = default;
  GCustomMediaSize& operator=(const GCustomMediaSize& other) = default;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The attribute part + 22 + the name.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // This object; or the same class, key, media id and name, and the same size: compared as stored
  // when the units are the same, else both converted to micrometres.
  bool IsSameKey(const GBaseObject* other) const override;
  // 0; no handler.
  [[nodiscard]] std::uint16_t Accept(GTypedHandlers& handlers) override;

  std::int16_t GetMediaId() const { return media_id_; }
  void SetMediaId(std::int16_t media_id) { media_id_ = media_id; }
  const RWCString& GetName() const { return name_; }
  void SetName(const char* name);
  std::uint32_t GetUnit() const { return unit_; }

  // Width and height in the stored unit.
  void GetSize(std::uint32_t* size) const;
  // The unit stays.
  void SetSize(std::uint32_t width, std::uint32_t height);
  void SetSize(const std::uint32_t* size) { SetSize(size[0], size[1]); }
  // Stored as given, no conversion.
  void SetUnitAndSize(std::uint32_t unit, std::uint32_t width, std::uint32_t height);
  void GetSizeInUnit(std::uint32_t* size, std::uint32_t unit) const;
  // Converts the size to `unit` and keeps both.
  void SetUnit(std::uint32_t unit);
  // The size in ten-thousandths of an inch times the resolution / 10000, truncated; products are
  // taken in 64 bits and a result beyond 32 bits saturates.
  void GetSizeInDots(std::uint32_t* size,
                     std::uint16_t resolution_x,
                     std::uint16_t resolution_y) const;

  static RWClassID ClassId();
  static const char* ClassName() { return "GCustomMediaSize"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  template <typename Carrier>
  void Restore(Carrier& carrier);

  std::int16_t media_id_ = 0;
  RWCString name_;
  std::uint32_t unit_ = 0;
  std::uint32_t width_ = 0;
  std::uint32_t height_ = 0;
};

// Converts a width and height from one unit to another: multiply, then divide rounding to
// nearest (halves up). The same unit, or a unit code above 3, leaves the pair as it is. Products
// are taken in 64 bits; a result beyond 32 bits saturates at 0xFFFFFFFF.
void ConvertMediaSizeUnits(std::uint32_t* out,
                           std::uint32_t from_unit,
                           std::uint32_t to_unit,
                           const std::uint32_t* in);

// A new GMedia (owned by the caller) for the custom size, at the resolution held by values 322 and
// 323 of group 249 of `settings`. Null when memory is short or an attribute it reads is missing.
GMedia* MakeCustomMedia(const GCustomMediaSize& size,
                        const GBaseObject& settings,
                        const GBaseObject& margins);

// The same at a given resolution. Reads the orientation (value 265 of `settings`, degrees) and the
// margins (values 331 to 334, left, top, right and bottom in ten-thousandths of an inch, of group
// 330 of `margins`). The paper size is the custom size in dots, exchanged at 90 and 270 degrees;
// the printable origin is the left and top margin in dots; the printable size is the size less the
// margins (never below 0) in dots, exchanged the same way while the margins are not. Sizes that do
// not fit the media's 16-bit fields are held at 32767.
GMedia* MakeCustomMediaAtResolution(const GCustomMediaSize& size,
                                    const GBaseObject& settings,
                                    const GBaseObject& margins,
                                    std::uint16_t resolution_x,
                                    std::uint16_t resolution_y);
