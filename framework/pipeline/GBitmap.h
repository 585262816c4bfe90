// GBitmap: the persistent handle to a raster image. Copies share one GBitmapImp through its use
// count; the last handle to let go deletes it. Handles that share an implementation belong to one
// job and stay on its thread.
//
// Stored form (after the root part):
//   u32  class version word, 1
//   object reference  the implementation (a GBitmapImp, or the nil object)
#pragma once

#include <cstdint>

#include "framework/core/GBaseObject.h"
#include "framework/pipeline/GBitmapImp.h"
#include "framework/pipeline/GPoint.h"
#include "framework/pipeline/GRect.h"

class GPaletteTable;

class GBitmap : public GBaseObject {
 public:
  GBitmap() = default;
  // A new implementation (see GBitmapImp's constructor), used once; none when memory is short.
  GBitmap(std::int32_t owns_data, std::uint8_t* data, std::uint32_t data_size,
          std::uint8_t alignment, GPoint top_left, GPoint bottom_right,
          std::uint8_t bits_per_pixel, std::uint8_t planes, std::int32_t compressed,
          GPaletteTable* palette, std::int32_t bottom_up, std::int32_t has_masks,
          std::uint32_t red_mask, std::uint32_t green_mask, std::uint32_t blue_mask,
          std::uint16_t segment_step, std::uint16_t rows_per_segment,
          std::uint32_t segment_info);
  // Shares `implementation` (null: none); a new one is then owned through its use count.
  explicit GBitmap(GBitmapImp* implementation);
  GBitmap(const GBitmap& other);
  GBitmap& operator=(const GBitmap& other);
  ~GBitmap() override;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // The same implementation (both none included), or implementations IsSameKey.
  bool IsSameKey(const GBaseObject* other) const override;

  bool IsNull() const { return implementation_ == nullptr; }
  // Gives this handle an implementation of its own that owns its pixels.
  void MakeUnique();
  const GBitmapImp* GetImplementation() const { return implementation_; }

  // The implementation's answers (an empty image's without one).
  void GetBounds(GRect& bounds) const;
  std::uint8_t GetBitsPerPixel() const;
  std::uint32_t GetRowByteCount(std::int32_t left, std::int32_t right) const;
  std::uint32_t GetRow(std::uint8_t* buffer, std::int32_t left, std::int32_t right,
                       std::int32_t row, std::int32_t grey) const;
  std::uint32_t GetWorkingSize();
  bool HasDoubleWorkingSize() const;
  bool IsSegmented() const;
  const std::uint8_t* GetData() const;
  std::uint32_t GetDataSize() const;
  std::uint8_t GetAlignment() const;
  std::uint8_t GetFormatByte() const;
  std::int32_t GetBottomUp() const;
  std::int32_t GetHasMasks() const;
  std::uint16_t GetRowsPerSegment() const;
  std::uint32_t GetSegmentInfo() const;
  std::uint16_t GetSegmentStep() const;
  const GPaletteTable* GetPalette() const;
  std::uint32_t GetRedMask() const;
  std::uint32_t GetGreenMask() const;
  std::uint32_t GetBlueMask() const;

  static RWClassID ClassId();
  static const char* ClassName() { return "GBitmap"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  // Shares `implementation` in place of the one held.
  void Share(GBitmapImp* implementation);

  GBitmapImp* implementation_ = nullptr;
};
