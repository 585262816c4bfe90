// GRasterRowSource: one stage of the chain through which the back ends read an image's rows. Each
// stage reads rows from the source below it and hands changed rows up: a bitmap reader at the
// bottom, clip, scale and dither stages above it and a padding or run-length filter on top.
//
// The contract between stages:
//  - A caller's buffer holds at least GetRowBytes() bytes of the stage it reads from, and no row
//    handed up is longer. Stages allocate their own buffers in Prepare, never per row.
//  - A row comes with its number (lines counted from the top of the stage's rectangle), its length
//    in bytes (0: no more rows), how many lines it stands for (repeat) and a flag byte (1).
//  - GetRect is the rectangle of pixels the stage delivers; its width fixes the pixels of a row.
//  - Narrow rows: a stage whose 8-bit rows are pixels each written k times across may hand them
//    up unwritten, k times narrower, to a consumer that asks for them and grows them itself. A
//    narrow row holds ceil(width / k) pixels, pixel i standing for columns k i to k i + k - 1;
//    its length counts those bytes. Stages hand up full rows unless asked.
#pragma once

#include <cstdint>

#include "framework/pipeline/GRect.h"

class GPaletteTable;

class GRasterRowSource {
 public:
  GRasterRowSource() = default;
  GRasterRowSource(const GRasterRowSource&) = delete;
  GRasterRowSource& operator=(const GRasterRowSource&) = delete;
  virtual ~GRasterRowSource() = default;

  // Fills `buffer` with the next row and reports it (see above); answers a status that the stages
  // pass on without using (0).
  virtual std::uint32_t ReadRow(std::uint8_t* buffer, std::uint16_t& row_number,
                                std::uint32_t& length, std::uint8_t& repeat,
                                std::uint8_t& flag) = 0;
  // Works out the stage's sizes from the source below and allocates its buffers; answers 0 when
  // the stage is not needed or cannot work (it is then left out of the chain). The base is ready.
  virtual std::int32_t Prepare();
  // The largest row this stage hands up; the base asks the source below.
  virtual std::uint32_t GetRowBytes() const;
  // The rectangle of pixels this stage delivers, into `rect`; the base asks the source below.
  virtual GRect* GetRect(GRect& rect) const;
  // The bits per pixel of the rows; the base asks the source below.
  virtual std::uint8_t GetBitsPerPixel() const;
  // The palette the pixel values index, or null; the base asks the source below.
  virtual const GPaletteTable* GetPalette() const;
  // The factor k by which this stage can hand up narrow rows (see above); 1 when it cannot. The
  // base cannot.
  virtual std::uint32_t GetNarrowFactor() const;
  // Asks the prepared stage to hand up narrow rows of GetNarrowFactor() from now on; answers
  // whether it will. A consumer asks once, at the end of its own Prepare when it is sure to enter
  // the chain, and before any row is read. The base answers false.
  virtual bool UseNarrowRows();

  void SetInner(GRasterRowSource* inner) { inner_ = inner; }
  GRasterRowSource* GetInner() const { return inner_; }
  bool IsReady() const { return ready_ != 0; }

 protected:
  // Reads a row from below; length 0 without a source below.
  std::uint32_t ReadInner(std::uint8_t* buffer, std::uint16_t& row_number,
                          std::uint32_t& length, std::uint8_t& repeat, std::uint8_t& flag);

  GRasterRowSource* inner_ = nullptr;  // not owned: the chain's owner deletes the stages
  std::int32_t ready_ = 0;
  std::uint32_t row_bytes_ = 0;
};

// A stage that holds a point: the dither stage's origin.
class GPointRowStage : public GRasterRowSource {
 protected:
  GPointRowStage(std::int16_t x, std::int16_t y) : x_(x), y_(y) {}

  std::int16_t x_;
  std::int16_t y_;
};

// A stage that holds a rectangle, which GetRect answers: the scale stage's destination.
class GRectRowStage : public GRasterRowSource {
 public:
  GRect* GetRect(GRect& rect) const override;

 protected:
  explicit GRectRowStage(const GRect& rect) : rect_(rect) {}

  GRect rect_;
};
