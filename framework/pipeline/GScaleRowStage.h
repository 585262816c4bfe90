// GScaleRowStage: scales the rows below it from their rectangle's size to a destination
// rectangle's, by replicating or dropping pixels and rows with error terms, as a line-drawing
// stepper does.
//
// Across a row the steps are the same for every row: each output pixel copies the current source
// pixel and then steps (growing: the pixel is written as often as the stepper says; shrinking:
// the stepper skips source pixels). Down the image a growing stage hands a row up once with the
// number of lines it stands for, and a shrinking one steps first and then reads the row it keeps.
// So 3 to 7 repeats pixels 3, 2, 2 times, 7 to 3 keeps 0, 1, 3 across and 0, 2, 4 down, and
// 8 to 4 keeps 0, 1, 3, 5 across and 0, 2, 4, 6 down.
#pragma once

#include <cstdint>
#include <memory>

#include "framework/pipeline/GRasterRowSource.h"

class GScaleRowStage : public GRectRowStage {
 public:
  explicit GScaleRowStage(const GRect& destination) : GRectRowStage(destination) {}

  // A row stands for at most 255 lines; a row that stands for more is handed up again with the
  // lines left. No more than the destination's height in lines is handed up.
  std::uint32_t ReadRow(std::uint8_t* buffer, std::uint16_t& row_number, std::uint32_t& length,
                        std::uint8_t& repeat, std::uint8_t& flag) override;
  // Not ready without a source below, for equal sizes, for a size of 0 or below on either side,
  // and for rows other than 1, 4, 8 and 24 bits per pixel.
  std::int32_t Prepare() override;
  std::uint32_t GetRowBytes() const override { return row_bytes_; }
  // 2 for 8-bit rows doubled across whose rows below fit the stage's own rows: a narrow row is
  // then the row below as it came.
  std::uint32_t GetNarrowFactor() const override;
  bool UseNarrowRows() override;

 private:
  // How many lines the next source row stands for, growing; how many source rows to step,
  // shrinking.
  std::int32_t GrowLines();
  std::int32_t ShrinkSteps();
  // Builds the output row from the source row in `row_`.
  void ScaleRow(std::uint8_t* out) const;

  std::int32_t src_w_ = 0;
  std::int32_t src_h_ = 0;
  std::int32_t dst_w_ = 0;
  std::int32_t dst_h_ = 0;
  std::int64_t y_error_ = 0;
  bool x_scale_ = false;
  bool y_scale_ = false;
  bool y_shrink_ = false;
  std::uint8_t bits_ = 0;
  std::uint32_t source_bytes_ = 0;  // of a source row of the rectangle below
  std::uint32_t scaled_bytes_ = 0;  // of an output row
  std::unique_ptr<std::uint8_t[]> row_;         // the source row, when scaling across
  std::unique_ptr<std::uint32_t[]> x_source_;   // source pixel of each output pixel
  std::uint32_t factor_ = 0;  // every source pixel written this many times across, or 0
  std::unique_ptr<std::uint8_t[]> held_;        // a row that stands for more than 255 lines
  std::int32_t out_line_ = 0;
  std::int32_t lines_due_ = 0;  // lines of the held row still to hand up
  bool narrow_ = false;         // rows handed up unscaled across
};
