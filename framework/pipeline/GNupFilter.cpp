// GNupFilter: grid choice, cell layout, page placement and the stored form.
#include "framework/pipeline/GNupFilter.h"

#include <cmath>
#include <limits>
#include <memory>
#include <new>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/GConfiguration.h"
#include "framework/core/GRangeAttribute.h"
#include "framework/core/GState.h"
#include "framework/core/GValueAttribute.h"
#include "framework/pipeline/CommandParts.h"
#include "framework/pipeline/GBrush.h"
#include "framework/pipeline/GClipToPage.h"
#include "framework/pipeline/GColorPaint.h"
#include "framework/pipeline/GCommand.h"
#include "framework/pipeline/GCommandComposite.h"
#include "framework/pipeline/GFillMode.h"
#include "framework/pipeline/GGraphicBundle.h"
#include "framework/pipeline/GMarkerCommands.h"
#include "framework/pipeline/GPageCommand.h"
#include "framework/pipeline/GPen.h"
#include "framework/pipeline/GRGBColor.h"
#include "framework/pipeline/GRasterOperation.h"
#include "framework/pipeline/GRectangleGraphic.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"
#include "rw/rwstore.h"

namespace {

namespace classid = vel::classid;
namespace key = vel::key;

constexpr std::int16_t kDefaultMargin = 120;
constexpr std::int32_t kDefaultGutter = 30;
constexpr std::uint16_t kFrameRasterOperation = 240;
constexpr std::uint16_t kFramePenWidth = 2;

// A float truncated toward zero into the 16-bit range (NaN gives 0).
std::int32_t TruncateTo16(float value) {
  if (std::isnan(value)) {
    return 0;
  }
  if (value >= static_cast<float>(std::numeric_limits<std::int16_t>::max())) {
    return std::numeric_limits<std::int16_t>::max();
  }
  if (value <= static_cast<float>(std::numeric_limits<std::int16_t>::min())) {
    return std::numeric_limits<std::int16_t>::min();
  }
  return static_cast<std::int32_t>(value);
}

// The number a value or range attribute holds, or `fallback` when `attribute` is neither.
std::int32_t NumberOf(const GBaseObject* attribute, std::int32_t fallback) {
  if (const auto* value = dynamic_cast<const GValueAttribute*>(attribute)) {
    return value->GetValue();
  }
  if (const auto* range = dynamic_cast<const GRangeAttribute*>(attribute)) {
    return range->GetValue();
  }
  return fallback;
}

// The largest v with v * v not above n; -1 for n below 0.
std::int32_t IntegerSquareRoot(std::int32_t n) {
  if (n < 0) {
    return -1;
  }
  std::int64_t v = static_cast<std::int64_t>(std::sqrt(static_cast<double>(n)));
  while (v * v > n) {
    --v;
  }
  while ((v + 1) * (v + 1) <= n) {
    ++v;
  }
  return static_cast<std::int32_t>(v);
}

// The box of a cell for its rotation.
void RotatedBox(GPoint origin, GPoint size, std::int16_t rotation, std::int16_t* box) {
  const std::int16_t x = origin.x;
  const std::int16_t y = origin.y;
  const std::int16_t w = size.x;
  const std::int16_t h = size.y;
  std::int16_t values[4] = {0, 0, 0, 0};
  switch (rotation) {
    case 0:
      values[0] = x, values[1] = y, values[2] = w, values[3] = h;
      break;
    case 90:
      values[0] = x, values[1] = static_cast<std::int16_t>(y + h), values[2] = h, values[3] = w;
      break;
    case 180:
      values[0] = static_cast<std::int16_t>(x + w), values[1] = static_cast<std::int16_t>(y + h);
      values[2] = w, values[3] = h;
      break;
    case 270:
      values[0] = static_cast<std::int16_t>(x + w), values[1] = y, values[2] = h, values[3] = w;
      break;
    default:
      break;
  }
  for (int i = 0; i < 4; ++i) {
    box[i] = values[i];
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// GNupCell

GNupCell::GNupCell(std::int16_t orientation, GPoint origin, GPoint size, std::int16_t rotation)
    : orientation_(GNupFilter::ReduceAngle(orientation)),
      origin_(origin),
      size_(size),
      rotation_(GNupFilter::ReduceAngle(rotation)) {
  RotatedBox(origin_, size_, rotation_, box_);
}

bool GNupCell::IsEqual(const GNupCell& other) const {
  return orientation_ == other.orientation_ && origin_ == other.origin_ && size_ == other.size_;
}

void GNupCell::SetOrientation(std::int16_t orientation) {
  orientation_ = GNupFilter::ReduceAngle(orientation);
}

// ---------------------------------------------------------------------------------------------
// GNupFilter: construction and class

GNupFilter::GNupFilter() = default;

GNupFilter::GNupFilter(const RWCString& name,
                       GState* page_state,
                       GConfiguration* configuration,
                       std::uint32_t key,
                       std::uint32_t add_on_list_key,
                       std::int32_t add_on_kind,
                       std::int32_t add_on_mode)
    : GPeripheral(name, page_state, configuration, key, add_on_list_key, add_on_kind,
                  add_on_mode) {}

RWClassID GNupFilter::ClassId() {
  return classid::kGNupFilter;
}

RWCollectable* GNupFilter::Create() {
  return new (std::nothrow) GNupFilter;
}

RWCollectable* GNupFilter::CreateInstance() const {
  return Create();
}

RWCollectable* GNupFilter::Clone() const {
  return new (std::nothrow) GNupFilter(*this);
}

RWClassID GNupFilter::IsA() const {
  return ClassId();
}

bool GNupFilter::IsKindOf(RWClassID id) const {
  return id == ClassId() || GPeripheral::IsKindOf(id);
}

bool GNupFilter::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA() || !GPeripheral::IsSameKey(other)) {
    return false;
  }
  const auto& theirs = static_cast<const GNupFilter&>(*other);
  return left_margin_ == theirs.left_margin_ && right_margin_ == theirs.right_margin_ &&
         top_margin_ == theirs.top_margin_ && bottom_margin_ == theirs.bottom_margin_ &&
         vertical_gutter_ == theirs.vertical_gutter_ &&
         horizontal_gutter_ == theirs.horizontal_gutter_ &&
         pages_per_sheet_ == theirs.pages_per_sheet_ && page_order_ == theirs.page_order_ &&
         sheet_width_ == theirs.sheet_width_ && sheet_height_ == theirs.sheet_height_ &&
         printable_width_ == theirs.printable_width_ &&
         printable_height_ == theirs.printable_height_ &&
         document_orientation_ == theirs.document_orientation_ &&
         page_orientation_ == theirs.page_orientation_ && border_ == theirs.border_ &&
         page_media_.IsSameKey(&theirs.page_media_) &&
         sheet_media_.IsSameKey(&theirs.sheet_media_);
}

void GNupFilter::SetMargins(std::int16_t left,
                            std::int16_t right,
                            std::int16_t top,
                            std::int16_t bottom) {
  left_margin_ = left;
  right_margin_ = right;
  top_margin_ = top;
  bottom_margin_ = bottom;
}

void GNupFilter::MergeGraphicBundle(GState* /*bundle*/) {}

void GNupFilter::AttachState(std::uint32_t /*key*/) {}

std::int16_t GNupFilter::ReduceAngle(std::int32_t angle) {
  std::int32_t reduced = angle % 360;
  if (reduced < 0) {
    reduced += 360;
  }
  return static_cast<std::int16_t>(reduced);
}

// ---------------------------------------------------------------------------------------------
// Geometry

GTransformAttribute GNupFilter::CellTransform(const GNupCell& cell, const GNupCell& page) {
  const std::int16_t angle = ReduceAngle(cell.GetRotation() + page.GetRotation());
  const GPoint size = page.GetSize();
  const bool turned = angle == 90 || angle == 270;
  const std::int32_t page_width = turned ? size.y : size.x;
  const std::int32_t page_height = turned ? size.x : size.y;
  if (page_width <= 0 || page_height <= 0) {
    return GTransformAttribute();
  }
  const std::int32_t cell_width = cell.GetSize().x;
  const std::int32_t cell_height = cell.GetSize().y;
  std::int32_t x = cell.GetOrigin().x;
  std::int32_t y = cell.GetOrigin().y;
  if (angle == 90 || angle == 180) {
    y += cell_height;
  }
  if (angle == 180 || angle == 270) {
    x += cell_width;
  }
  const float width_ratio = static_cast<float>(cell_width) / static_cast<float>(page_width);
  const float height_ratio = static_cast<float>(cell_height) / static_cast<float>(page_height);
  const float s = height_ratio < width_ratio ? height_ratio : width_ratio;
  const float dx = (static_cast<float>(cell_width) - s * static_cast<float>(page_width)) * 0.5f +
                   static_cast<float>(page.GetOrigin().x) * s;
  const float dy = (static_cast<float>(cell_height) - s * static_cast<float>(page_height)) * 0.5f +
                   static_cast<float>(page.GetOrigin().y) * s;
  const std::int32_t shift_x = TruncateTo16(dx);
  const std::int32_t shift_y = TruncateTo16(dy);
  switch (angle) {
    case 90:
      x += shift_x, y -= shift_y;
      break;
    case 180:
      x -= shift_x, y -= shift_y;
      break;
    case 270:
      x -= shift_x, y += shift_y;
      break;
    default:
      x += shift_x, y += shift_y;
      break;
  }
  return GTransformAttribute(angle, GPoint{static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)},
                             GScale{s, s});
}

bool GNupFilter::ChooseGrid() {
  const std::int64_t pages = pages_per_sheet_;
  const std::int64_t r = IntegerSquareRoot(pages_per_sheet_);
  const std::int64_t k = pages / r + (pages % r != 0 ? 1 : 0);
  const std::int64_t w = static_cast<std::int16_t>(paper_width_ - left_margin_ - right_margin_);
  const std::int64_t h = static_cast<std::int16_t>(paper_height_ - top_margin_ - bottom_margin_);
  if (w <= 0 || h <= 0 || paper_width_ <= 0 || paper_height_ <= 0) {
    return false;
  }
  const std::int64_t hg = horizontal_gutter_;
  const std::int64_t vg = vertical_gutter_;
  const std::int64_t aspect = static_cast<std::int64_t>(paper_width_) * 1000 / paper_height_;
  // Numerator and denominator of each configuration's cell aspect, in thousandths.
  const std::int64_t numerators[4] = {(w - (r - 1) * hg) * k * 1000, (w - (k - 1) * hg) * r * 1000,
                                      (h - (r - 1) * hg) * k * 1000, (h - (k - 1) * hg) * r * 1000};
  const std::int64_t denominators[4] = {(h - (k - 1) * vg) * r, (h - (r - 1) * vg) * k,
                                        (w - (k - 1) * vg) * r, (w - (r - 1) * vg) * k};
  for (int i = 0; i < 4; ++i) {
    if (denominators[i] <= 0) {
      return false;
    }
    candidates_[i] = numerators[i] / denominators[i];
  }
  int best = 0;
  for (int i = 1; i < 4; ++i) {
    const std::int64_t distance = candidates_[i] - aspect;
    const std::int64_t best_distance = candidates_[best] - aspect;
    if ((distance < 0 ? -distance : distance) < (best_distance < 0 ? -best_distance : best_distance)) {
      best = i;
    }
  }
  winner_ = best;
  const bool narrow = candidates_[best] <= aspect;
  // The two sides that can give the scale: a share of the width and a share of the height, each
  // a 16-bit value divided by the grid's count and by the paper's side.
  std::int64_t share = 0;
  std::int64_t count = 1;
  std::int64_t side = paper_width_;
  switch (best) {
    case 0:
      columns_ = static_cast<std::int16_t>(r), rows_ = static_cast<std::int16_t>(k);
      sheet_width_ = paper_width_, sheet_height_ = paper_height_;
      sheet_orientation_ = static_cast<std::int16_t>(document_orientation_ % 180);
      share = narrow ? w - (r - 1) * hg : h - (k - 1) * vg;
      count = narrow ? r : k;
      break;
    case 1:
      columns_ = static_cast<std::int16_t>(k), rows_ = static_cast<std::int16_t>(r);
      sheet_width_ = paper_width_, sheet_height_ = paper_height_;
      sheet_orientation_ = static_cast<std::int16_t>(document_orientation_ % 180);
      share = narrow ? w - (k - 1) * hg : h - (r - 1) * vg;
      count = narrow ? k : r;
      break;
    case 2:
      columns_ = static_cast<std::int16_t>(r), rows_ = static_cast<std::int16_t>(k);
      sheet_width_ = paper_height_, sheet_height_ = paper_width_;
      sheet_orientation_ = 0;
      share = narrow ? h - (r - 1) * vg : w - (k - 1) * hg;
      count = narrow ? r : k;
      break;
    default:
      columns_ = static_cast<std::int16_t>(k), rows_ = static_cast<std::int16_t>(r);
      sheet_width_ = paper_height_, sheet_height_ = paper_width_;
      sheet_orientation_ = 90;
      share = narrow ? h - (k - 1) * vg : w - (r - 1) * hg;
      count = narrow ? k : r;
      break;
  }
  side = narrow ? paper_width_ : paper_height_;
  double s = static_cast<double>(static_cast<std::int16_t>(share)) / static_cast<double>(count) /
             static_cast<double>(side);
  if (s < 0) {
    s = 0;
  }
  scale_x_ = static_cast<float>(s);
  scale_y_ = scale_x_;
  transform_.SetScale(scale_x_, scale_y_);
  return true;
}

bool GNupFilter::LayOutCells() {
  cells_.clear();
  if (columns_ <= 0 || rows_ <= 0) {
    return false;
  }
  const std::int64_t cell_width =
      (static_cast<std::int64_t>(sheet_width_) - (columns_ - 1) * std::int64_t{horizontal_gutter_} -
       left_margin_ - right_margin_) /
      columns_;
  const std::int64_t cell_height =
      (static_cast<std::int64_t>(sheet_height_) - (rows_ - 1) * std::int64_t{vertical_gutter_} -
       top_margin_ - bottom_margin_) /
      rows_;
  if (cell_width <= 0 || cell_height <= 0) {
    return false;
  }
  const GPoint size{static_cast<std::int16_t>(cell_width), static_cast<std::int16_t>(cell_height)};
  auto cell_at = [&](std::int32_t column, std::int32_t row) {
    const GPoint origin{
        static_cast<std::int16_t>(left_margin_ + column * (size.x + horizontal_gutter_)),
        static_cast<std::int16_t>(top_margin_ + row * (size.y + vertical_gutter_))};
    cells_.emplace_back(0, origin, size, 0);
  };
  cells_.reserve(static_cast<std::size_t>(rows_) * static_cast<std::size_t>(columns_));
  const bool rows_first = page_order_ == 0 || page_order_ == 2;
  const bool from_right = page_order_ == 2 || page_order_ == 3;
  const std::int32_t outer = rows_first ? rows_ : columns_;
  const std::int32_t inner = rows_first ? columns_ : rows_;
  for (std::int32_t a = 0; a < outer; ++a) {
    for (std::int32_t b = 0; b < inner; ++b) {
      std::int32_t column = rows_first ? b : a;
      const std::int32_t row = rows_first ? a : b;
      if (from_right) {
        column = columns_ - 1 - column;
      }
      cell_at(column, row);
    }
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Commands

void GNupFilter::ResetForDocument() {
  left_margin_ = right_margin_ = top_margin_ = bottom_margin_ = kDefaultMargin;
  vertical_gutter_ = horizontal_gutter_ = kDefaultGutter;
  pages_per_sheet_ = 1;
  page_order_ = 0;
  scale_x_ = scale_y_ = 0;
  page_counter_ = rows_ = columns_ = sheet_orientation_ = 0;
  transform_ = GTransformAttribute();
  sheet_width_ = sheet_height_ = paper_width_ = paper_height_ = 0;
  printable_width_ = printable_height_ = 0;
  document_orientation_ = page_orientation_ = 0;
  border_ = 0;
  page_media_ = GMedia();
  sheet_media_ = GMedia();
  cells_.clear();
  candidates_[0] = candidates_[1] = candidates_[2] = candidates_[3] = 0;
  winner_ = -1;
}

bool GNupFilter::ChangedInPlace(const GCommand& command) const {
  return changed_ == &command;
}

GCommandRef GNupFilter::HandleCommand(GCommandRef command) {
  changed_ = nullptr;
  if (!command) {
    return command;
  }
  switch (command->IsA()) {
    case classid::kGDocumentStart:
      return DocumentStart(command);
    case classid::kGPageStart:
      return PageStart(command);
    case classid::kGPageEnd:
      return PageEnd(command);
    case classid::kGDocumentEnd:
      return DocumentEnd(command);
    default:
      return PassOn(command);
  }
}

GCommandRef GNupFilter::DocumentStart(const GCommandRef& command) {
  ResetForDocument();
  GState* bundle = command->GetGraphicBundle();
  GBaseObject* settings = bundle != nullptr ? bundle->FindByKey(key::kNupGroup) : nullptr;
  if (settings == nullptr) {
    Disable();
    return command;
  }
  pages_per_sheet_ = static_cast<std::int16_t>(
      NumberOf(settings->FindByKey(key::kPagesPerSheet), pages_per_sheet_));
  page_order_ =
      static_cast<std::int16_t>(NumberOf(settings->FindByKey(key::kPageOrder), page_order_));
  border_ = static_cast<std::uint32_t>(NumberOf(settings->FindByKey(key::kNupFrames), 0));
  Enable();
  page_counter_ = 0;
  const auto* media = dynamic_cast<const GMedia*>(bundle->FindByKey(key::kSelectedMedia));
  // One page per sheet, and settings that lay out no grid, leave the document as it is.
  if (pages_per_sheet_ <= 1 || page_order_ < 0 || page_order_ > 3 || media == nullptr) {
    Disable();
    return command;
  }
  sheet_media_ = *media;
  document_orientation_ = ReduceAngle(NumberOf(bundle->FindByKey(key::kOrientation), 0));
  paper_width_ = media->GetSize()[0];
  paper_height_ = media->GetSize()[1];
  printable_width_ = media->GetPrintableSize()[0];
  printable_height_ = media->GetPrintableSize()[1];
  // The margins grow to the unprintable border.
  if (paper_width_ - left_margin_ - right_margin_ > printable_width_) {
    left_margin_ = right_margin_ = static_cast<std::int16_t>((paper_width_ - printable_width_) / 2);
  }
  if (paper_height_ - top_margin_ - bottom_margin_ > printable_height_) {
    top_margin_ = bottom_margin_ =
        static_cast<std::int16_t>((paper_height_ - printable_height_) / 2);
  }
  if (!ChooseGrid() || !LayOutCells()) {
    cells_.clear();
    Disable();
    return command;
  }
  // Turning the sheet swaps long-edge and short-edge binding.
  if (sheet_orientation_ != document_orientation_) {
    std::unique_ptr<GBaseObject> duplex(bundle->RemoveByKey(key::kDuplex));
    if (duplex != nullptr) {
      if (auto* value = dynamic_cast<GValueAttribute*>(duplex.get()); value && value->GetValue() != 0) {
        value->SetValue(value->GetValue() == 1 ? 2 : 1);
      }
      bundle->SetAttribute(duplex.release());
      changed_ = command.Get();
    }
  }
  return PassOn(command);
}

GCommandRef GNupFilter::PageStart(const GCommandRef& command) {
  GCountedPtr bundle(command->ReleaseGraphicBundle());
  if (!bundle) {
    bundle = GCountedPtr(new (std::nothrow) GState(key::kPageGroup));
  }
  auto* state = static_cast<GState*>(bundle.Get());
  page_orientation_ = document_orientation_;
  page_media_ = sheet_media_;
  if (state != nullptr) {
    if (std::unique_ptr<GBaseObject> orientation(state->RemoveByKey(key::kOrientation));
        orientation != nullptr) {
      page_orientation_ = ReduceAngle(NumberOf(orientation.get(), page_orientation_));
    }
    if (std::unique_ptr<GBaseObject> media(state->RemoveByKey(key::kSelectedMedia));
        media != nullptr) {
      if (const auto* page_media = dynamic_cast<const GMedia*>(media.get())) {
        page_media_ = *page_media;
      }
    }
  }
  const std::size_t index =
      cells_.empty() ? 0 : static_cast<std::size_t>(page_counter_ % pages_per_sheet_);
  const GNupCell cell = index < cells_.size() ? cells_[index] : GNupCell();
  const std::int32_t rotation = document_orientation_ == 0 || document_orientation_ == 180
                                    ? page_orientation_
                                    : page_orientation_ - 90;
  const GNupCell page(0,
                      GPoint{page_media_.GetPrintableOrigin()[0],
                             page_media_.GetPrintableOrigin()[1]},
                      GPoint{page_media_.GetSize()[0], page_media_.GetSize()[1]},
                      static_cast<std::int16_t>(rotation));
  transform_ = CellTransform(cell, page);

  GCommandRef staying = command;
  if (index == 0) {
    if (state != nullptr) {
      state->SetAttribute(new (std::nothrow) GValueAttribute(
          static_cast<std::uint16_t>(sheet_orientation_), key::kOrientation));
      state->SetAttribute(new (std::nothrow) GMedia(sheet_media_));
    }
    command->MakeUnique();
  } else {
    staying = GCommandRef(new (std::nothrow) GNullCommand(0));
  }
  if (state != nullptr) {
    std::unique_ptr<GBaseObject> old(state->RemoveByClassId(classid::kGTransformAttribute));
  }
  auto* list = new (std::nothrow) GCommandComposite;
  if (list == nullptr || !staying) {
    delete list;
    return command;
  }
  staying->SetGraphicBundle(state);
  list->Add(staying.Get());
  auto* placement = new (std::nothrow) GGraphicBundle;
  if (placement != nullptr) {
    placement->SetAttribute(new (std::nothrow) GTransformAttribute(transform_));
  }
  GCommandRef held(list);
  if (auto* carrier = new (std::nothrow) GNullCommand(placement, 0)) {
    list->Add(carrier);
  } else {
    delete placement;
  }
  return held;
}

GCommand* GNupFilter::FrameCommand(const GNupCell& cell) const {
  auto* bundle = new (std::nothrow) GGraphicBundle;
  if (bundle == nullptr) {
    return nullptr;
  }
  bundle->SetAttribute(new (std::nothrow) GTransformAttribute);
  bundle->SetClip(new (std::nothrow) GClipToPage(key::kBundleClip));
  bundle->SetFillMode(new (std::nothrow) GFillMode(0));
  bundle->SetRasterOperation(new (std::nothrow) GRasterOperation(kFrameRasterOperation, 0));
  bundle->SetBrush(new (std::nothrow) GNoBrush);
  if (border_ == 0) {
    bundle->SetPen(new (std::nothrow) GNoPen);
    auto* null = new (std::nothrow) GNullCommand(bundle, 0);
    if (null == nullptr) {
      delete bundle;
    }
    return null;
  }
  auto* colour = new (std::nothrow) GRGBColor(0, 0, 0, 255);
  auto* paint = colour != nullptr ? new (std::nothrow) GColorPaint(colour) : nullptr;
  if (paint == nullptr) {
    delete colour;
  }
  bundle->SetPen(new (std::nothrow) GPen(kFramePenWidth, paint));
  const GPoint origin = cell.GetOrigin();
  const GPoint size = cell.GetSize();
  const GRect bounds{static_cast<std::int16_t>(origin.x - 2), static_cast<std::int16_t>(origin.y - 2),
                     static_cast<std::int16_t>(origin.x + size.x + 2),
                     static_cast<std::int16_t>(origin.y + size.y + 2)};
  auto* frame = new (std::nothrow) GRectangleGraphic(bounds, bundle, 0);
  if (frame == nullptr) {
    delete bundle;
  }
  return frame;
}

GCommandRef GNupFilter::PageEnd(const GCommandRef& command) {
  auto* list = new (std::nothrow) GCommandComposite;
  if (list == nullptr) {
    return command;
  }
  GCommandRef held(list);
  const std::size_t index =
      cells_.empty() ? 0 : static_cast<std::size_t>(page_counter_ % pages_per_sheet_);
  if (index < cells_.size()) {
    if (GCommand* frame = FrameCommand(cells_[index])) {
      list->Add(frame);
    }
  }
  ++page_counter_;
  if (page_counter_ >= pages_per_sheet_) {
    page_counter_ = 0;
    list->Add(command.Get());
  } else {
    GCountedPtr bundle(command->ReleaseGraphicBundle());
    if (auto* null = new (std::nothrow) GNullCommand(static_cast<GState*>(bundle.Get()), 0)) {
      list->Add(null);
    }
  }
  return held;
}

GCommandRef GNupFilter::DocumentEnd(const GCommandRef& command) {
  if (page_counter_ == 0) {
    return PassOn(command);
  }
  auto* list = new (std::nothrow) GCommandComposite;
  if (list == nullptr) {
    return command;
  }
  GCommandRef held(list);
  if (auto* page_end = new (std::nothrow) GPageEnd(0)) {
    list->Add(page_end);
  }
  command->MakeUnique();
  list->Add(command.Get());
  return held;
}

GCommandRef GNupFilter::PassOn(const GCommandRef& command) {
  GState* bundle = command->GetGraphicBundle();
  if (bundle == nullptr) {
    return command;
  }
  std::unique_ptr<GBaseObject> found(bundle->RemoveByClassId(classid::kGTransformAttribute));
  if (const auto* transform = dynamic_cast<const GTransformAttribute*>(found.get())) {
    bundle->SetAttribute(new (std::nothrow) GTransformAttribute(Concatenate(*transform, transform_)));
    changed_ = command.Get();
  }
  return command;
}

// ---------------------------------------------------------------------------------------------
// Stored form

std::uint32_t GNupFilter::StoredByteCount() const {
  const vel::StoredSizeScope scope(this);
  return GPeripheral::StoredByteCount() + 40 + RWTotalStoredSize(&page_media_) +
         RWTotalStoredSize(&sheet_media_);
}

template <typename Carrier>
void GNupFilter::Save(Carrier& carrier) const {
  const vel::SaveScope scope(this);
  GPeripheral::SaveContents(carrier);
  vel::WriteClassVersion(carrier, kClassVersionWord);
  vel::WriteField(carrier, left_margin_);
  vel::WriteField(carrier, right_margin_);
  vel::WriteField(carrier, top_margin_);
  vel::WriteField(carrier, bottom_margin_);
  vel::WriteField(carrier, vertical_gutter_);
  vel::WriteField(carrier, horizontal_gutter_);
  vel::WriteField(carrier, pages_per_sheet_);
  vel::WriteField(carrier, page_order_);
  vel::WriteField(carrier, sheet_width_);
  vel::WriteField(carrier, sheet_height_);
  vel::WriteField(carrier, printable_width_);
  vel::WriteField(carrier, printable_height_);
  vel::WriteField(carrier, document_orientation_);
  vel::WriteField(carrier, page_orientation_);
  vel::WriteField(carrier, border_);
  carrier << static_cast<const RWCollectable*>(&page_media_);
  carrier << static_cast<const RWCollectable*>(&sheet_media_);
}

void GNupFilter::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GNupFilter::SaveContents(RWBinaryFile& file) const {
  Save(file);
}

template <typename Carrier>
void GNupFilter::Restore(Carrier& carrier) {
  const vel::RestoreScope scope(this, carrier);
  GPeripheral::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier, kClassVersionWord)) {
    return;
  }
  std::int16_t margins[4] = {0, 0, 0, 0};
  std::int32_t gutters[2] = {0, 0};
  std::int16_t fields[8] = {0, 0, 0, 0, 0, 0, 0, 0};
  std::uint32_t border = 0;
  bool good = true;
  for (auto& margin : margins) {
    good = good && vel::ReadField(carrier, margin);
  }
  for (auto& gutter : gutters) {
    good = good && vel::ReadField(carrier, gutter);
  }
  for (auto& field : fields) {
    good = good && vel::ReadField(carrier, field);
  }
  good = good && vel::ReadField(carrier, border);
  if (!good) {
    vel::FailCarrier(carrier);
    return;
  }
  // The media records fill the members themselves (a record read into a temporary would leave
  // the read table naming it).
  if (carrier >> static_cast<RWCollectable&>(page_media_) != &page_media_ ||
      !vel::CarrierGood(carrier) ||
      carrier >> static_cast<RWCollectable&>(sheet_media_) != &sheet_media_ ||
      !vel::CarrierGood(carrier)) {
    vel::FailCarrier(carrier);
    return;
  }
  left_margin_ = margins[0], right_margin_ = margins[1];
  top_margin_ = margins[2], bottom_margin_ = margins[3];
  vertical_gutter_ = gutters[0], horizontal_gutter_ = gutters[1];
  pages_per_sheet_ = fields[0], page_order_ = fields[1];
  sheet_width_ = fields[2], sheet_height_ = fields[3];
  printable_width_ = fields[4], printable_height_ = fields[5];
  document_orientation_ = fields[6], page_orientation_ = fields[7];
  border_ = border;
  scale_x_ = scale_y_ = 0;
  page_counter_ = rows_ = columns_ = sheet_orientation_ = 0;
  transform_ = GTransformAttribute();
}

void GNupFilter::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GNupFilter::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}
