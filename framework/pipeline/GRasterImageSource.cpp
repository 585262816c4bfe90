// GRasterImageSource: the row-source chain of an image.
#include "framework/pipeline/GRasterImageSource.h"

#include <new>

#include "framework/pipeline/GBitmap.h"
#include "framework/pipeline/GBitmapRowReader.h"
#include "framework/pipeline/GClipAttribute.h"
#include "framework/pipeline/GClipRowStage.h"
#include "framework/pipeline/GDitherRowStage.h"
#include "framework/pipeline/GRasterRowFilter.h"
#include "framework/pipeline/GScaleRowStage.h"

namespace {

std::uint64_t Area(const GRect& rect) {
  return std::uint64_t(vel::RectWidth(rect)) * std::uint64_t(vel::RectHeight(rect));
}

}  // namespace

GRasterImageSource::GRasterImageSource(GRasterRowSource* bottom, GRasterRowSource* stage1,
                                       GRasterRowSource* stage2, GRasterRowSource* stage3,
                                       GRasterRowSource* stage4, GRasterRowSource* last) {
  if (bottom != nullptr) {
    bottom->Prepare();
    inner_ = bottom;
  }
  for (GRasterRowSource* stage : {stage1, stage2, stage3, stage4, last}) {
    if (stage != nullptr) {
      Offer(stage);
    }
  }
  ready_ = 1;
}

GRasterImageSource::GRasterImageSource(const GRect& source, GRect& destination,
                                       const GClipAttribute* clip, const GBitmap& bitmap,
                                       std::int32_t rgb, std::int32_t dither_mode,
                                       const GDitherMatrix* matrix, GRasterRowFilter* filter) {
  std::uint64_t depth = bitmap.GetBitsPerPixel();
  const bool grey_rows = rgb == 0 && depth > 8;
  if (grey_rows) {
    depth = 8;
  }
  GRect clipped = destination;
  GRect bounds;
  if (clip != nullptr && clip->GetBounds(bounds)) {
    vel::IntersectRects(destination, bounds, clipped);
  }
  const std::uint64_t source_area = Area(source);
  const std::uint64_t clipped_area = Area(clipped);

  bool scale = false;
  bool dither = false;
  switch (dither_mode) {
    case 0:
      scale = source_area > clipped_area;
      break;
    case 1:
      scale = dither = true;
      break;
    case 2:
      scale = dither = depth * source_area > clipped_area;
      break;
    default:
      break;
  }

  GRasterRowSource* reader = new (std::nothrow) GBitmapRowReader(bitmap, source, grey_rows);
  if (reader != nullptr) {
    reader->Prepare();
    inner_ = reader;
  }
  bool scaled = false;
  if (scale) {
    scaled = Offer(new (std::nothrow) GScaleRowStage(destination));
    if (clip != nullptr) {
      // Without a scale stage the rows below are in image pixels: the clip is moved there.
      const std::int32_t dx = scaled ? 0 : std::int32_t{source.left} - destination.left;
      const std::int32_t dy = scaled ? 0 : std::int32_t{source.top} - destination.top;
      if (Offer(new (std::nothrow) GClipRowStage(clip, dx, dy))) {
        destination = clipped;
      }
    }
  }
  if (dither) {
    Offer(new (std::nothrow) GDitherRowStage(matrix, destination));
  }
  if (filter != nullptr) {
    Offer(filter);
  }
  ready_ = 1;
}

GRasterImageSource::~GRasterImageSource() {
  GRasterRowSource* stage = inner_;
  while (stage != nullptr) {
    GRasterRowSource* below = stage->GetInner();
    delete stage;
    stage = below;
  }
}

bool GRasterImageSource::Offer(GRasterRowSource* stage) {
  if (stage == nullptr) {
    return false;
  }
  stage->SetInner(inner_);
  if (stage->Prepare() == 0) {
    delete stage;
    return false;
  }
  inner_ = stage;
  return true;
}

std::uint32_t GRasterImageSource::ReadRow(std::uint8_t* buffer, std::uint16_t& row_number,
                                          std::uint32_t& length, std::uint8_t& repeat,
                                          std::uint8_t& flag) {
  return ReadInner(buffer, row_number, length, repeat, flag);
}
