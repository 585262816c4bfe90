// GNupFilter: the page filter that prints several pages on one sheet. At the document start it
// reads the n-up settings (group 328: 266 pages per sheet, 268 page order, 267 frames), chooses a
// grid and the sheet's orientation and lays out one cell per page of a sheet; at each page start
// it works out the transform that scales the page into its cell and sends it on in a null command
// behind the page start; it keeps the page start of the first page and the page end of the last
// page of each sheet and turns the others into null commands; it can frame every cell that
// received a page. Every other command whose bundle holds a transform gets the current transform
// concatenated to it. With one page per sheet, without the settings, and for settings it cannot
// lay out (pages per sheet below 1, a page order outside 0 to 3, no media 259, no room for a cell)
// it switches itself off and the document passes unchanged.
//
// The filter keeps no graphic state of its own and attaches none: merging and attaching do
// nothing. All sizes are in the device units of the media.
//
// Stored form (after the peripheral part):
//   u32  class version word, 3
//   i16  left margin, i16 right margin, i16 top margin, i16 bottom margin
//   i32  vertical gutter (between rows), i32 horizontal gutter (between columns)
//   i16  pages per sheet, i16 page order
//   i16  sheet width, i16 sheet height
//   i16  printable width, i16 printable height
//   i16  document orientation, i16 page orientation
//   u32  frames flag
//        page media, sheet media (object records)
// The scale, the page counter, the grid, the sheet orientation and the transform are not stored:
// a restore leaves them reset (scale 0, counter 0, no grid, orientation 0, identity). The paper
// size is not stored either; it comes back at the next document start. A restore that meets
// another version word keeps the fields and fails the carrier.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/core/GMedia.h"
#include "framework/core/GPeripheral.h"
#include "framework/pipeline/GTransformAttribute.h"

// A cell of the n-up grid, or the place of a page: orientation, origin, size and rotation (angles
// in degrees, reduced into 0 to 359), and the box the rotation gives: for 0 (x, y, width,
// height), 90 (x, y + height, height, width), 180 (x + width, y + height, width, height), 270
// (x + width, y, height, width), else all 0.
class GNupCell {
 public:
  GNupCell() = default;
  GNupCell(std::int16_t orientation, GPoint origin, GPoint size, std::int16_t rotation);
  virtual ~GNupCell() = default;
  GNupCell(const GNupCell&) = default;
  GNupCell& operator=(const GNupCell&) = default;

  // Orientation, origin and size equal (rotation and box are not compared).
  virtual bool IsEqual(const GNupCell& other) const;

  GPoint GetOrigin() const { return origin_; }
  GPoint GetSize() const { return size_; }
  std::int16_t GetOrientation() const { return orientation_; }
  std::int16_t GetRotation() const { return rotation_; }
  const std::int16_t* GetBox() const { return box_; }
  void SetOrigin(GPoint origin) { origin_ = origin; }
  void SetSize(GPoint size) { size_ = size; }
  void SetOrientation(std::int16_t orientation);

 private:
  std::int16_t orientation_ = 0;
  GPoint origin_;
  GPoint size_;
  std::int16_t rotation_ = 0;
  std::int16_t box_[4] = {0, 0, 0, 0};
};

class GNupFilter : public GPeripheral {
 public:
  static constexpr std::uint32_t kClassVersionWord = 3;

  // The defaults: margins 120, gutters 30, 2 pages per sheet, page order 0, the rest 0, default
  // media, no cells.
  GNupFilter();
  GNupFilter(const RWCString& name,
             GState* page_state,
             GConfiguration* configuration,
             std::uint32_t key,
             std::uint32_t add_on_list_key,
             std::int32_t add_on_kind,
             std::int32_t add_on_mode);
  // Every field, both media and every cell.
  GNupFilter(const GNupFilter& other) = default;
  GNupFilter& operator=(const GNupFilter&) = delete;

  RWCollectable* CreateInstance() const override;
  RWCollectable* Clone() const override;
  RWClassID IsA() const override;
  // The peripheral part + 40 + the two media records.
  std::uint32_t StoredByteCount() const override;
  void RestoreContents(RWVirtualInStream& stream) override;
  void RestoreContents(RWBinaryFile& file) override;
  void SaveContents(RWVirtualOutStream& stream) const override;
  void SaveContents(RWBinaryFile& file) const override;
  bool IsKindOf(RWClassID id) const override;
  // The peripheral test, the stored fields and both media.
  bool IsSameKey(const GBaseObject* other) const override;

  // The whole behaviour (see above); the answer goes on to the next stage.
  GCommandRef HandleCommand(GCommandRef command) override;
  void MergeGraphicBundle(GState* bundle) override;
  void AttachState(std::uint32_t key) override;
  // True for the command whose transform (or duplex value) the last HandleCommand changed.
  bool ChangedInPlace(const GCommand& command) const override;

  void SetMargins(std::int16_t left, std::int16_t right, std::int16_t top, std::int16_t bottom);
  void SetHorizontalGutter(std::int16_t gutter) { horizontal_gutter_ = gutter; }
  void SetVerticalGutter(std::int16_t gutter) { vertical_gutter_ = gutter; }

  // The transform that places a page (page cell: origin = its printable origin, size = its paper
  // size, rotation) in `cell`: turned by the sum of the two rotations, scaled uniformly to fit,
  // centred and shifted by the page's printable origin. A page of no extent gives the identity.
  static GTransformAttribute CellTransform(const GNupCell& cell, const GNupCell& page);
  // An angle reduced into 0 to 359.
  static std::int16_t ReduceAngle(std::int32_t angle);

  // What the last document start worked out.
  std::int16_t GetPagesPerSheet() const { return pages_per_sheet_; }
  std::int16_t GetPageOrder() const { return page_order_; }
  std::int16_t GetRows() const { return rows_; }
  std::int16_t GetColumns() const { return columns_; }
  std::int16_t GetSheetOrientation() const { return sheet_orientation_; }
  std::int16_t GetSheetWidth() const { return sheet_width_; }
  std::int16_t GetSheetHeight() const { return sheet_height_; }
  float GetScaleX() const { return scale_x_; }
  float GetScaleY() const { return scale_y_; }
  std::int16_t GetPageCounter() const { return page_counter_; }
  const GTransformAttribute& GetTransform() const { return transform_; }
  const std::vector<GNupCell>& GetCells() const { return cells_; }
  // The four candidates of the last grid choice, and the winner (-1 before any).
  const std::int64_t* GetCandidates() const { return candidates_; }
  int GetWinner() const { return winner_; }

  static RWClassID ClassId();
  static const char* ClassName() { return "GNupFilter"; }
  static RWCollectable* Create();

 private:
  template <typename Carrier>
  void Save(Carrier& carrier) const;
  template <typename Carrier>
  void Restore(Carrier& carrier);
  void SetDefaults();
  void ResetForDocument();
  // The grid and its cells; false when the settings leave no room for them.
  bool ChooseGrid();
  bool LayOutCells();
  GCommandRef DocumentStart(const GCommandRef& command);
  GCommandRef PageStart(const GCommandRef& command);
  GCommandRef PageEnd(const GCommandRef& command);
  GCommandRef DocumentEnd(const GCommandRef& command);
  // Concatenates the current transform to a transform in the command's bundle.
  GCommandRef PassOn(const GCommandRef& command);
  GCommand* FrameCommand(const GNupCell& cell) const;

  std::int16_t left_margin_ = 120;
  std::int16_t right_margin_ = 120;
  std::int16_t top_margin_ = 120;
  std::int16_t bottom_margin_ = 120;
  std::int32_t vertical_gutter_ = 30;
  std::int32_t horizontal_gutter_ = 30;
  std::int16_t pages_per_sheet_ = 2;
  std::int16_t page_order_ = 0;
  float scale_x_ = 0;
  float scale_y_ = 0;
  std::int16_t page_counter_ = 0;
  std::int16_t rows_ = 0;
  std::int16_t columns_ = 0;
  std::int16_t sheet_orientation_ = 0;
  GTransformAttribute transform_;
  std::int16_t sheet_width_ = 0;
  std::int16_t sheet_height_ = 0;
  std::int16_t paper_width_ = 0;
  std::int16_t paper_height_ = 0;
  std::int16_t printable_width_ = 0;
  std::int16_t printable_height_ = 0;
  std::int16_t document_orientation_ = 0;
  std::int16_t page_orientation_ = 0;
  std::uint32_t border_ = 0;
  GMedia page_media_;
  GMedia sheet_media_;
  std::vector<GNupCell> cells_;
  std::int64_t candidates_[4] = {0, 0, 0, 0};
  int winner_ = -1;
  // The command the last HandleCommand changed and answered itself (compared, never used).
  const GCommand* changed_ = nullptr;
};
