// GBitmapImp: the pixels of a raster image and everything needed to read them row by row: the
// image rectangle, the pixel format, the row layout, the channel masks of direct-colour pixels and
// an optional palette. GBitmap handles share one implementation through its use count.
//
// Every field may come from outside (an application's bitmap, a stored page), so GetRow checks the
// columns, the row and the row's bytes against the buffer before it reads, and a restore accepts
// only a layout whose every row lies inside the buffer.
//
// Stored form (after the root part):
//   u32  class version word, 1
//   i32  ownsData
//   u32  dataSize
//   i16  left, top, right, bottom
//   u8   bitsPerPixel (1, 4, 8, 16, 24 or 32)
//   u8   formatByte
//   i32  doubleWorkingSize
//   i32  bottomUp
//   u8   alignment
//   u16  rowsPerSegment
//   u32  segmentInfo
//   u16  segmentStep
//   u32  workingSize
//   i32  workingSizeKnown
//   u32  stride
//   u32  rowBytes
//   i32  hasMasks
//   3 x (u32 mask, u8 shift, u8 bits)  red, green, blue
//   object reference  the palette (a GPaletteTable, or the nil object)
//   u8[dataSize]      the pixels, when there is a buffer and dataSize is not 0
#pragma once

#include <atomic>
#include <cstdint>

#include "framework/core/GBaseObject.h"
#include "framework/pipeline/BitmapRows.h"
#include "framework/pipeline/GPoint.h"
#include "framework/pipeline/GRect.h"

class GPaletteTable;

class GBitmapImp : public GBaseObject {
 public:
  // One channel of a direct-colour pixel.
  using Channel = vel::rows::Channel;

  GBitmapImp() = default;
  // `palette` becomes the image's own. `planes` is kept as the format byte and `compressed` as
  // the doubled working size; the masks count only with `has_masks` at 16 and 32 bits per pixel.
  // Rows are segmented when `segment_step` is not 0: row i then starts at
  // (i / rowsPerSegment) x (segmentStep x 65536) + (i mod rowsPerSegment) x stride.
  GBitmapImp(std::int32_t owns_data, std::uint8_t* data, std::uint32_t data_size,
             std::uint8_t alignment, GPoint top_left, GPoint bottom_right,
             std::uint8_t bits_per_pixel, std::uint8_t planes, std::int32_t compressed,
             GPaletteTable* palette, std::int32_t bottom_up, std::int32_t has_masks,
             std::uint32_t red_mask, std::uint32_t green_mask, std::uint32_t blue_mask,
             std::uint16_t segment_step, std::uint16_t rows_per_segment,
             std::uint32_t segment_info);
  // A small image over the caller's bits (8 x 8 patterns): not owned, bounds (0, 0) to
  // (width, height), rows exactly `stride` bytes apart. A stride below a row's bytes or above 255
  // gives an image without pixels.
  GBitmapImp(std::uint8_t bits_per_pixel, std::uint8_t* bits, std::uint32_t stride, GPoint size);
  // An owned copy of the pixels and of the palette.
  GBitmapImp(const GBitmapImp& other);
  GBitmapImp& operator=(const GBitmapImp& other);
  ~GBitmapImp() override;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  std::uint32_t StoredByteCount() const override;
  // Fails the carrier, keeping no buffer, for a depth other than 1, 4, 8, 16, 24 and 32, reversed
  // bounds, a rowBytes or stride that does not fit the width, depth and alignment, or a row that
  // lies outside dataSize.
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // Every field, the palettes (when both have one) and the pixel bytes.
  bool IsSameKey(const GBaseObject* other) const override;

  void GetBounds(GRect& bounds) const { bounds = bounds_; }
  // The depth of the rows GetRow delivers: 16 and 32 bits come as 24.
  std::uint8_t GetBitsPerPixel() const;
  // (GetBitsPerPixel x (x1 - x0) + 7) / 8.
  std::uint32_t GetRowByteCount(std::int32_t x0, std::int32_t x1) const;
  // Copies pixels x0 to x1 - 1 of row y into `destination` and answers the bytes written: 1- and
  // 4-bit pixels shifted so that pixel x0 is the first (bits past the last pixel are 0), 8-bit
  // indices as they are, 16-, 24- and 32-bit pixels as red, green, blue; with `grey` 1, those give
  // one byte per pixel, (30 R + 59 G + 11 B) / 100. The columns are clamped to the image; a row
  // outside the image, one whose bytes lie outside the buffer, and any other depth give 0 bytes. `destination` must
  // hold GetRowByteCount(x0, x1) bytes.
  std::uint32_t GetRow(std::uint8_t* destination, std::int32_t x0, std::int32_t x1, std::int32_t y,
                       std::int32_t grey) const;
  // dataSize, doubled with doubleWorkingSize; worked out once and cached.
  std::uint32_t GetWorkingSize();
  // Deletes the palette held and keeps `palette`; the palette already held does nothing.
  void SetPalette(GPaletteTable* palette);
  // Copies a buffer the image does not own into one it owns.
  void MakeOwnCopy();
  bool HasDoubleWorkingSize() const { return double_working_size_ != 0; }
  bool IsSegmented() const { return segment_step_ != 0; }
  // The red, green and blue bytes of a direct-colour pixel.
  void SplitPixel(std::uint32_t pixel, std::uint8_t& red, std::uint8_t& green,
                  std::uint8_t& blue) const;

  const std::uint8_t* GetData() const { return data_; }
  std::uint32_t GetDataSize() const { return data_size_; }
  std::uint8_t GetAlignment() const { return alignment_; }
  std::uint8_t GetFormatByte() const { return format_byte_; }
  std::int32_t GetBottomUp() const { return bottom_up_; }
  std::int32_t GetHasMasks() const { return has_masks_; }
  std::uint16_t GetRowsPerSegment() const { return rows_per_segment_; }
  std::uint32_t GetSegmentInfo() const { return segment_info_; }
  std::uint16_t GetSegmentStep() const { return segment_step_; }
  const GPaletteTable* GetPalette() const { return palette_; }
  std::uint32_t GetRedMask() const { return red_.mask; }
  std::uint32_t GetGreenMask() const { return green_.mask; }
  std::uint32_t GetBlueMask() const { return blue_.mask; }
  std::int32_t GetOwnsData() const { return owns_data_; }
  std::uint32_t GetRowBytes() const { return row_bytes_; }
  std::uint32_t GetStride() const { return stride_; }

  // The use count of the handles that share the implementation.
  std::int32_t AddUse() { return uses_.fetch_add(1, std::memory_order_relaxed) + 1; }
  std::int32_t ReleaseUse() { return uses_.fetch_sub(1, std::memory_order_acq_rel) - 1; }
  std::int32_t Uses() const { return uses_.load(std::memory_order_relaxed); }

  static RWClassID ClassId();
  static const char* ClassName() { return "GBitmapImp"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Restore(Carrier& carrier);
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  void SetUpMasks(std::int32_t has_masks, std::uint32_t red, std::uint32_t green,
                  std::uint32_t blue);
  void FreeBuffer();
  // Stored row `index`, or null when its first `bytes` bytes do not lie inside the buffer.
  const std::uint8_t* RowAt(std::uint32_t index, std::uint64_t bytes) const;
  // The layout of a restored image holds together (see RestoreContents).
  bool LayoutIsSound() const;

  std::int32_t owns_data_ = 1;
  std::uint32_t data_size_ = 0;
  GRect bounds_;
  std::uint8_t bits_per_pixel_ = 0;
  std::uint8_t format_byte_ = 0;
  std::int32_t double_working_size_ = 0;
  std::int32_t bottom_up_ = 0;
  std::uint8_t* data_ = nullptr;
  std::uint8_t alignment_ = 0;
  GPaletteTable* palette_ = nullptr;
  std::uint16_t rows_per_segment_ = 0;
  std::uint32_t segment_info_ = 0;
  std::uint16_t segment_step_ = 0;
  std::uint32_t working_size_ = 0;
  std::int32_t working_size_known_ = 0;
  std::uint32_t row_bytes_ = 0;
  std::uint32_t stride_ = 0;
  std::int32_t has_masks_ = 0;
  Channel red_;
  Channel green_;
  Channel blue_;
  std::atomic<std::int32_t> uses_{0};
};
