// GClipRowStage: cuts rows to the part of the rectangle below it that a clip's bounding rectangle
// leaves: rows above the clipped top are skipped, the columns left of it shifted out, those right
// of it masked off. Rows below the clipped bottom are not cut here: a reader stops after the
// height of the rectangle that the top of the chain reports.
#pragma once

#include <cstdint>

#include "framework/pipeline/GRasterRowSource.h"

class GClipAttribute;

class GClipRowStage : public GRasterRowSource {
 public:
  // `clip` (not owned) is read in Prepare only. Its bounding rectangle is moved by (dx, dy)
  // into the coordinates of the rectangle below (used when that rectangle is in image pixels).
  explicit GClipRowStage(const GClipAttribute* clip, std::int32_t dx = 0, std::int32_t dy = 0)
      : clip_(clip), dx_(dx), dy_(dy) {}

  // Row numbers relative to the clipped top; a row that straddles it stands for the lines inside.
  std::uint32_t ReadRow(std::uint8_t* buffer, std::uint16_t& row_number, std::uint32_t& length,
                        std::uint8_t& repeat, std::uint8_t& flag) override;
  // Not ready without a source below or a clip, for an exterior clip or one without a bounding
  // rectangle, and when the clip cuts nothing. A clip that leaves nothing is ready and delivers
  // no rows.
  std::int32_t Prepare() override;
  std::uint32_t GetRowBytes() const override { return row_bytes_; }
  // The clipped rectangle (all 0 when nothing is left).
  GRect* GetRect(GRect& rect) const override;
  // The narrow factor k of the 8-bit rows below when the clipped left edge lies k columns
  // apart from theirs times a whole number, so that narrow rows can be cut too; else 1.
  std::uint32_t GetNarrowFactor() const override;
  bool UseNarrowRows() override;

 private:
  // Reads the next row below that reaches the clipped top and numbers it from there.
  std::uint32_t ReadKeptRow(std::uint8_t* buffer, std::uint16_t& row_number,
                            std::uint32_t& length, std::uint8_t& repeat, std::uint8_t& flag);
  std::uint32_t ReadNarrowRow(std::uint8_t* buffer, std::uint16_t& row_number,
                              std::uint32_t& length, std::uint8_t& repeat, std::uint8_t& flag);

  const GClipAttribute* clip_;
  std::int32_t dx_;
  std::int32_t dy_;
  GRect clipped_;
  bool empty_ = false;
  std::int32_t row_offset_ = 0;      // clipped top - source top
  std::uint32_t first_byte_ = 0;     // of the first pixel kept
  std::uint32_t bit_offset_ = 0;     // of the first pixel kept, in its byte
  std::uint32_t byte_count_ = 0;     // of a clipped row
  std::uint8_t last_mask_ = 0;       // for the last byte; 0: the row ends on a byte boundary
  std::uint32_t source_bytes_ = 0;   // bytes of a row below that the cut reads
  std::uint32_t column_offset_ = 0;  // clipped left - source left, in pixels
  bool narrow_ = false;              // rows cut and handed up narrow
  std::uint32_t narrow_first_ = 0;   // of the first narrow pixel kept
  std::uint32_t narrow_count_ = 0;   // narrow pixels kept
};
