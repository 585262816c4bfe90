// GRasterGraphic: the drawing command of an image. It holds the bitmap, the part of it to draw
// (source rectangle, in image pixels) and the place on the page where that part goes (destination
// rectangle, in device pixels), scaled from one to the other. A second bitmap is carried, stored and
// compared with the graphic; nothing reads it.
//
// Stored form (after the graphic part):
//   u32  class version word, 1
//   the image: a GBitmap record with its class header, read back into the graphic's own handle
//   i16  source left, top, right, bottom
//   i16  destination left, top, right, bottom
//   the second bitmap: a GBitmap record, as the image
// A restore whose bitmap records are damaged, or are references in place of records, fails the
// carrier.
#pragma once

#include <cstdint>

#include "framework/pipeline/GBitmap.h"
#include "framework/pipeline/GGraphic.h"
#include "framework/pipeline/GRect.h"

class GClipAttribute;

class GRasterGraphic : public GGraphic {
 public:
  // Empty bitmaps, rectangles 0, no bundle.
  GRasterGraphic() = default;
  // The bundle (null allowed) gets key 244; the bitmaps are shared as handles.
  GRasterGraphic(const GBitmap& image, GGraphicBundle* bundle, const GRect& source,
                 const GRect& destination, const GBitmap& second);
  GRasterGraphic(const GBitmap& image, const GRect& source, const GRect& destination,
                 const GBitmap& second, GGraphicBundle* bundle, std::uint32_t key);
  // Shares the bundle and both bitmaps' implementations.
  GRasterGraphic(const GRasterGraphic& other) = default;
  GRasterGraphic& operator=(const GRasterGraphic&) = delete;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The graphic part + 4 + both bitmap records + 16.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  // 604, 602, 601 and 751.
  bool IsKindOf(RWClassID id) const override;
  // The class, the command test, the images, both rectangles and the second bitmaps.
  bool IsSameKey(const GBaseObject* other) const override;
  // Gives the image an implementation of its own.
  void MakeUnique() override;
  // HandleRasterGraphic.
  [[nodiscard]] std::uint16_t Accept(GTypedHandlers& handlers) override;

  // A handle sharing the image.
  void GetBitmap(GBitmap& image) const { image = image_; }
  void GetSecondBitmap(GBitmap& second) const { second = second_; }
  const GBitmap& Image() const { return image_; }
  void GetSourceRect(GRect& source) const { source = source_; }
  void GetDestinationRect(GRect& destination) const { destination = destination_; }

  // Cuts the image to the part that `clip` (null: none) leaves visible, keeping the scale:
  // `source` and `destination` get the parts of the source and destination rectangles to draw.
  // Answers 1 when `destination` is exactly the visible part of the destination (or nothing is
  // visible, both rectangles then 0), and 0 when the image part covers slightly more than it.
  // A rectangle whose right is at or below its left, or bottom at or below its top, is empty.
  int ComputeClippedRects(const GClipAttribute* clip, GRect& source, GRect& destination) const;

  static RWClassID ClassId();
  static const char* ClassName() { return "GRasterGraphic"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  template <typename Carrier>
  void Restore(Carrier& carrier);

  GBitmap image_;
  GRect source_;
  GRect destination_;
  GBitmap second_;
};

namespace vel {

// The clipped rectangles of an image drawn from `source` to `destination` (see
// GRasterGraphic::ComputeClippedRects).
int ComputeClippedRects(const GRect& source, const GRect& destination, const GClipAttribute* clip,
                        GRect& clipped_source, GRect& clipped_destination);

}  // namespace vel
