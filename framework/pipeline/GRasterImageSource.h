// GRasterImageSource: builds and owns a chain of row sources and reads the image from its top.
//
// A reader of the chain sizes its buffer from GetRowBytes() and reads rows until a row of length
// 0 or until it has read as many lines as GetRect() reports in height, whichever comes first:
// the clip stage does not cut the rows below the clipped bottom, so only that count gives the
// clipped image. A row stands for `repeat` lines.
#pragma once

#include <cstdint>

#include "framework/pipeline/GRasterRowSource.h"

class GBitmap;
class GClipAttribute;
class GDitherMatrix;
class GRasterRowFilter;

class GRasterImageSource : public GRasterRowSource {
 public:
  // The chain from `bottom` (prepared here) and the stages above it, bottom first; each of the
  // four middle stages may be null, `last` must be present. A stage whose Prepare answers 0 is
  // deleted at once; the others become the chain's, which deletes them.
  GRasterImageSource(GRasterRowSource* bottom, GRasterRowSource* stage1, GRasterRowSource* stage2,
                     GRasterRowSource* stage3, GRasterRowSource* stage4, GRasterRowSource* last);
  // The chain a back end reads an image through: `source` in image pixels of `bitmap`,
  // `destination` on the page. `clip` (or null) and `matrix` (or null) are the caller's and only
  // read while building; `filter` becomes the chain's.
  //  - `rgb` 0 reads images deeper than 8 bits as 8-bit grey levels.
  //  - dither mode 0: scale and clip only when the image shrinks; mode 1: scale, clip and
  //    dither; mode 2: as mode 1 when bits per pixel x source area > destination area, else
  //    nothing; other modes nothing.
  //  - When a clip stage enters the chain, `destination` becomes the clipped rectangle.
  // Areas are counted in 64 bits, a rectangle of no width or height having area 0.
  GRasterImageSource(const GRect& source, GRect& destination, const GClipAttribute* clip,
                     const GBitmap& bitmap, std::int32_t rgb, std::int32_t dither_mode,
                     const GDitherMatrix* matrix, GRasterRowFilter* filter);
  // Deletes every stage, from the top down.
  ~GRasterImageSource() override;

  // The top's next row; length 0 when there is no chain.
  std::uint32_t ReadRow(std::uint8_t* buffer, std::uint16_t& row_number, std::uint32_t& length,
                        std::uint8_t& repeat, std::uint8_t& flag) override;

 private:
  // Links `stage` on top when its Prepare answers non-zero, else deletes it; true when linked.
  bool Offer(GRasterRowSource* stage);
};
