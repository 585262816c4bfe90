// GBitmapImp: layout, row reading and the stored form.
#include "framework/pipeline/GBitmapImp.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "framework/core/ClassVersion.h"
#include "framework/core/FrameworkIds.h"
#include "framework/core/StoredFields.h"
#include "framework/pipeline/GPaletteTable.h"
#include "rw/rwstore.h"

namespace {

// The first buffer a restore reads pixels into; it doubles up to the stored size as the bytes
// arrive, so a record that claims more than it holds costs at most twice what it holds.
constexpr std::uint32_t kFirstReadBlock = 1u << 16;

bool ReadBytes(RWVirtualInStream& stream, std::uint8_t* target, std::uint32_t n) {
  stream.Get(target, n);
  return stream.Good() != 0;
}

bool ReadBytes(RWBinaryFile& file, std::uint8_t* target, std::uint32_t n) {
  return file.Read(target, n);
}

void WriteBytes(RWVirtualOutStream& stream, const std::uint8_t* bytes, std::uint32_t n) {
  stream.Put(bytes, n);
}

void WriteBytes(RWBinaryFile& file, const std::uint8_t* bytes, std::uint32_t n) {
  (void)file.Write(bytes, n);
}

// Reads `size` bytes into a new buffer; null when the carrier runs short or memory does.
template <typename Carrier>
std::uint8_t* ReadPixels(Carrier& carrier, std::uint32_t size) {
  std::uint32_t capacity = std::min(size, kFirstReadBlock);
  auto* block = new (std::nothrow) std::uint8_t[capacity];
  if (block == nullptr) {
    return nullptr;
  }
  for (std::uint32_t done = 0; done < size;) {
    if (done == capacity) {
      const std::uint32_t grown = capacity <= size / 2 ? 2 * capacity : size;
      auto* bigger = new (std::nothrow) std::uint8_t[grown];
      if (bigger == nullptr) {
        delete[] block;
        return nullptr;
      }
      std::memcpy(bigger, block, done);
      delete[] block;
      block = bigger;
      capacity = grown;
    }
    const std::uint32_t n = capacity - done;
    if (!ReadBytes(carrier, block + done, n)) {
      delete[] block;
      return nullptr;
    }
    done += n;
  }
  return block;
}

// Widths and heights in 32 bits: a 16-bit difference can overflow.
std::int32_t Width(const GRect& rect) {
  return std::int32_t{rect.right} - rect.left;
}

std::int32_t Height(const GRect& rect) {
  return std::int32_t{rect.bottom} - rect.top;
}

bool IsKnownDepth(std::uint32_t bits_per_pixel) {
  switch (bits_per_pixel) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      return true;
    default:
      return false;
  }
}

std::uint64_t RowBytesFor(std::int64_t width, std::uint32_t bits_per_pixel) {
  return width <= 0 ? 0 : (static_cast<std::uint64_t>(width) * bits_per_pixel + 7) / 8;
}

// An alignment of 0 counts as 1.
std::uint64_t StrideFor(std::uint64_t row_bytes, std::uint8_t alignment) {
  const std::uint64_t unit = alignment == 0 ? 1 : alignment;
  return (row_bytes + unit - 1) / unit * unit;
}

GBitmapImp::Channel ChannelFromMask(std::uint32_t mask, std::uint32_t pixel_bits) {
  const std::uint32_t inside = mask & pixel_bits;
  GBitmapImp::Channel channel;
  channel.mask = mask;
  channel.shift = inside == 0 ? 0 : static_cast<std::uint8_t>(std::countr_zero(inside));
  channel.bits = static_cast<std::uint8_t>(std::popcount(inside));
  return channel;
}

}  // namespace

GBitmapImp::GBitmapImp(std::int32_t owns_data, std::uint8_t* data, std::uint32_t data_size,
                       std::uint8_t alignment, GPoint top_left, GPoint bottom_right,
                       std::uint8_t bits_per_pixel, std::uint8_t planes, std::int32_t compressed,
                       GPaletteTable* palette, std::int32_t bottom_up, std::int32_t has_masks,
                       std::uint32_t red_mask, std::uint32_t green_mask, std::uint32_t blue_mask,
                       std::uint16_t segment_step, std::uint16_t rows_per_segment,
                       std::uint32_t segment_info)
    : owns_data_(owns_data),
      data_size_(data == nullptr ? 0 : data_size),
      bounds_{top_left.x, top_left.y, bottom_right.x, bottom_right.y},
      bits_per_pixel_(bits_per_pixel),
      format_byte_(planes),
      double_working_size_(compressed),
      bottom_up_(bottom_up),
      data_(data),
      alignment_(alignment),
      palette_(palette),
      rows_per_segment_(rows_per_segment),
      segment_info_(segment_info),
      segment_step_(segment_step),
      has_masks_(has_masks) {
  const std::uint64_t row_bytes = RowBytesFor(Width(bounds_), bits_per_pixel_);
  row_bytes_ = static_cast<std::uint32_t>(row_bytes);
  stride_ = static_cast<std::uint32_t>(StrideFor(row_bytes, alignment_));
  SetUpMasks(has_masks, red_mask, green_mask, blue_mask);
}

namespace {

bool PatternFits(std::uint8_t bits_per_pixel, std::uint32_t stride, GPoint size) {
  return stride <= 255 && RowBytesFor(size.x, bits_per_pixel) <= stride;
}

}  // namespace

GBitmapImp::GBitmapImp(std::uint8_t bits_per_pixel, std::uint8_t* bits, std::uint32_t stride,
                       GPoint size)
    : GBitmapImp(0, PatternFits(bits_per_pixel, stride, size) ? bits : nullptr,
                 PatternFits(bits_per_pixel, stride, size) && size.y > 0
                     ? stride * static_cast<std::uint32_t>(size.y)
                     : 0,
                 static_cast<std::uint8_t>(std::min<std::uint32_t>(stride, 255)), GPoint{},
                 PatternFits(bits_per_pixel, stride, size) ? size : GPoint{}, bits_per_pixel, 0,
                 0, nullptr, 0, 0, 0, 0, 0, 0, 0, 0) {}

GBitmapImp::GBitmapImp(const GBitmapImp& other)
    : GBaseObject(other),
      owns_data_(1),
      bounds_(other.bounds_),
      bits_per_pixel_(other.bits_per_pixel_),
      format_byte_(other.format_byte_),
      double_working_size_(other.double_working_size_),
      bottom_up_(other.bottom_up_),
      alignment_(other.alignment_),
      rows_per_segment_(other.rows_per_segment_),
      segment_info_(other.segment_info_),
      segment_step_(other.segment_step_),
      working_size_(other.working_size_),
      working_size_known_(other.working_size_known_),
      row_bytes_(other.row_bytes_),
      stride_(other.stride_),
      has_masks_(other.has_masks_),
      red_(other.red_),
      green_(other.green_),
      blue_(other.blue_) {
  if (other.data_ != nullptr && other.data_size_ != 0) {
    data_ = new (std::nothrow) std::uint8_t[other.data_size_];
    if (data_ != nullptr) {
      std::memcpy(data_, other.data_, other.data_size_);
      data_size_ = other.data_size_;
    }
  }
  if (other.palette_ != nullptr) {
    palette_ = dynamic_cast<GPaletteTable*>(other.palette_->Clone());
  }
}

GBitmapImp& GBitmapImp::operator=(const GBitmapImp& other) {
  if (this == &other) {
    return *this;
  }
  GBitmapImp copy(other);
  FreeBuffer();
  delete palette_;
  GBaseObject::operator=(other);
  owns_data_ = 1;
  data_ = std::exchange(copy.data_, nullptr);
  data_size_ = std::exchange(copy.data_size_, 0);
  palette_ = std::exchange(copy.palette_, nullptr);
  bounds_ = other.bounds_;
  bits_per_pixel_ = other.bits_per_pixel_;
  format_byte_ = other.format_byte_;
  double_working_size_ = other.double_working_size_;
  bottom_up_ = other.bottom_up_;
  alignment_ = other.alignment_;
  rows_per_segment_ = other.rows_per_segment_;
  segment_info_ = other.segment_info_;
  segment_step_ = other.segment_step_;
  working_size_ = other.working_size_;
  working_size_known_ = other.working_size_known_;
  row_bytes_ = other.row_bytes_;
  stride_ = other.stride_;
  has_masks_ = other.has_masks_;
  red_ = other.red_;
  green_ = other.green_;
  blue_ = other.blue_;
  return *this;
}

GBitmapImp::~GBitmapImp() {
  FreeBuffer();
  delete palette_;
}

void GBitmapImp::FreeBuffer() {
  if (owns_data_ != 0) {
    delete[] data_;
  }
  data_ = nullptr;
  data_size_ = 0;
}

void GBitmapImp::SetUpMasks(std::int32_t has_masks, std::uint32_t red, std::uint32_t green,
                            std::uint32_t blue) {
  red_ = green_ = blue_ = Channel{};
  if (bits_per_pixel_ != 16 && bits_per_pixel_ != 32) {
    return;
  }
  if (has_masks != 0) {
    const std::uint32_t pixel_bits = bits_per_pixel_ == 16 ? 0xFFFFu : 0xFFFFFFFFu;
    red_ = ChannelFromMask(red, pixel_bits);
    green_ = ChannelFromMask(green, pixel_bits);
    blue_ = ChannelFromMask(blue, pixel_bits);
  } else if (bits_per_pixel_ == 16) {
    red_ = {0x7C00, 5, 10};
    green_ = {0x3E0, 5, 5};
    blue_ = {0x1F, 5, 0};
  } else {
    red_ = {0xFF0000, 8, 16};
    green_ = {0xFF00, 8, 8};
    blue_ = {0xFF, 8, 0};
  }
}

RWClassID GBitmapImp::ClassId() {
  return vel::classid::kGBitmapImp;
}

RWCollectable* GBitmapImp::Create() {
  return new (std::nothrow) GBitmapImp;
}

RWCollectable* GBitmapImp::CreateInstance() const {
  return Create();
}

RWCollectable* GBitmapImp::Clone() const {
  auto* copy = new (std::nothrow) GBitmapImp(*this);
  if (copy != nullptr && (copy->data_size_ != (data_ == nullptr ? 0 : data_size_) ||
                          (palette_ != nullptr && copy->palette_ == nullptr))) {
    delete copy;
    return nullptr;
  }
  return copy;
}

RWClassID GBitmapImp::IsA() const {
  return ClassId();
}

std::uint32_t GBitmapImp::StoredByteCount() const {
  const std::uint32_t pixels = data_ == nullptr ? 0 : data_size_;
  return GBaseObject::StoredByteCount() + 77 + RWTotalStoredSize(palette_) + pixels;
}

bool GBitmapImp::IsKindOf(RWClassID id) const {
  return id == vel::classid::kGBitmapImp || GBaseObject::IsKindOf(id);
}

bool GBitmapImp::IsSameKey(const GBaseObject* other) const {
  if (other == this) {
    return true;
  }
  if (other == nullptr || other->IsA() != IsA()) {
    return false;
  }
  const auto& that = *static_cast<const GBitmapImp*>(other);
  const auto same_channel = [](const Channel& a, const Channel& b) {
    return a.mask == b.mask && a.bits == b.bits && a.shift == b.shift;
  };
  if (data_size_ != that.data_size_ || working_size_ != that.working_size_ ||
      bounds_ != that.bounds_ || bits_per_pixel_ != that.bits_per_pixel_ ||
      format_byte_ != that.format_byte_ || double_working_size_ != that.double_working_size_ ||
      bottom_up_ != that.bottom_up_ || alignment_ != that.alignment_ ||
      rows_per_segment_ != that.rows_per_segment_ || segment_info_ != that.segment_info_ ||
      segment_step_ != that.segment_step_ || working_size_known_ != that.working_size_known_ ||
      stride_ != that.stride_ || row_bytes_ != that.row_bytes_ || has_masks_ != that.has_masks_ ||
      !same_channel(red_, that.red_) || !same_channel(green_, that.green_) ||
      !same_channel(blue_, that.blue_)) {
    return false;
  }
  if (palette_ != nullptr && that.palette_ != nullptr && !palette_->IsSameKey(that.palette_)) {
    return false;
  }
  if (data_size_ == 0) {
    return true;
  }
  if (data_ == nullptr || that.data_ == nullptr) {
    return data_ == that.data_;
  }
  return std::memcmp(data_, that.data_, data_size_) == 0;
}

std::uint8_t GBitmapImp::GetBitsPerPixel() const {
  return bits_per_pixel_ == 16 || bits_per_pixel_ == 32 ? 24 : bits_per_pixel_;
}

std::uint32_t GBitmapImp::GetRowByteCount(std::int32_t x0, std::int32_t x1) const {
  if (x1 <= x0) {
    return 0;
  }
  const std::uint64_t bytes =
      (std::uint64_t{GetBitsPerPixel()} * (std::int64_t{x1} - x0) + 7) / 8;
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(bytes, 0xFFFFFFFFu));
}

const std::uint8_t* GBitmapImp::RowAt(std::uint32_t index, std::uint64_t bytes) const {
  std::uint64_t offset = 0;
  if (segment_step_ != 0 && rows_per_segment_ != 0) {
    offset = std::uint64_t{index / rows_per_segment_} * segment_step_ * 65536 +
             std::uint64_t{index % rows_per_segment_} * stride_;
  } else {
    offset = std::uint64_t{index} * stride_;
  }
  if (data_ == nullptr || offset > data_size_ || bytes > data_size_ - offset) {
    return nullptr;
  }
  return data_ + offset;
}

std::uint32_t GBitmapImp::GetRow(std::uint8_t* destination, std::int32_t x0, std::int32_t x1,
                                 std::int32_t y, std::int32_t grey) const {
  const std::int32_t width = Width(bounds_);
  const std::int32_t rows = Height(bounds_);
  if (destination == nullptr || width <= 0 || rows <= 0 || y < 0 || y >= rows) {
    return 0;
  }
  x0 = std::clamp(x0, 0, width);
  x1 = std::clamp(x1, 0, width);
  if (x0 >= x1) {
    return 0;
  }
  const std::uint32_t count = static_cast<std::uint32_t>(x1 - x0);
  // Bottom-up images keep the last row first.
  const auto index = static_cast<std::uint32_t>(bottom_up_ != 0 ? rows - 1 - y : y);
  const std::uint32_t depth = bits_per_pixel_;
  if (!IsKnownDepth(depth)) {
    return 0;  // no pixel format to read
  }
  // Only the bytes up to the last pixel asked for are read, and they must lie in the buffer.
  const std::uint8_t* row = RowAt(index, RowBytesFor(x1, depth));
  if (row == nullptr) {
    return 0;
  }
  switch (depth) {
    case 1:
    case 4: {
      const std::uint32_t first_bit = static_cast<std::uint32_t>(x0) * depth;
      const std::uint8_t* source = row + first_bit / 8;
      const std::uint32_t shift = first_bit % 8;
      const std::uint32_t bits = count * depth;
      const std::uint32_t bytes = (bits + 7) / 8;
      const auto last_mask =
          static_cast<std::uint8_t>(bits % 8 == 0 ? 0xFF : 0xFF << (8 - bits % 8));
      if (shift == 0) {
        // The last byte is masked on its way from the source (read back from the destination,
        // it would wait for the copy's wide stores).
        std::memcpy(destination, source, bytes);
        destination[bytes - 1] = source[bytes - 1] & last_mask;
      } else {
        const auto available = static_cast<std::uint32_t>(RowBytesFor(x1, depth) - first_bit / 8);
        vel::rows::ShiftBits(source, available, shift, destination, bytes);
        destination[bytes - 1] &= last_mask;
      }
      return bytes;
    }
    case 8:
      std::memcpy(destination, row + x0, count);
      return count;
    case 24: {
      const std::uint8_t* source = row + 3 * static_cast<std::uint32_t>(x0);
      if (grey != 0) {
        vel::rows::BgrToGrey(source, count, destination);
        return count;
      }
      vel::rows::BgrToRgb(source, count, destination);
      return 3 * count;
    }
    case 16: {
      const Channel channels[3] = {red_, green_, blue_};
      return vel::rows::SplitPixels16(channels, row + 2 * static_cast<std::uint32_t>(x0), count,
                                      destination, grey != 0);
    }
    default: {
      const Channel channels[3] = {red_, green_, blue_};
      return vel::rows::SplitPixels32(channels, row + 4 * static_cast<std::uint32_t>(x0), count,
                                      destination, grey != 0);
    }
  }
}

void GBitmapImp::SplitPixel(std::uint32_t pixel, std::uint8_t& red, std::uint8_t& green,
                            std::uint8_t& blue) const {
  red = vel::rows::ScaleChannel(pixel, red_);
  green = vel::rows::ScaleChannel(pixel, green_);
  blue = vel::rows::ScaleChannel(pixel, blue_);
}

std::uint32_t GBitmapImp::GetWorkingSize() {
  if (working_size_known_ == 0) {
    const std::uint64_t size =
        double_working_size_ != 0 ? std::uint64_t{data_size_} * 2 : std::uint64_t{data_size_};
    working_size_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(size, 0xFFFFFFFFu));
    working_size_known_ = 1;
  }
  return working_size_;
}

void GBitmapImp::SetPalette(GPaletteTable* palette) {
  if (palette == palette_) {
    return;
  }
  delete palette_;
  palette_ = palette;
}

void GBitmapImp::MakeOwnCopy() {
  if (owns_data_ != 0 || data_ == nullptr) {
    return;
  }
  auto* copy = new (std::nothrow) std::uint8_t[data_size_];
  if (copy == nullptr) {
    return;
  }
  std::memcpy(copy, data_, data_size_);
  data_ = copy;
  owns_data_ = 1;
}

bool GBitmapImp::LayoutIsSound() const {
  if (bits_per_pixel_ == 0) {
    // An image without a format holds no pixels.
    return data_size_ == 0 && row_bytes_ == 0 && stride_ == 0;
  }
  if (!IsKnownDepth(bits_per_pixel_) || bounds_.right < bounds_.left ||
      bounds_.bottom < bounds_.top) {
    return false;
  }
  const std::uint64_t row_bytes = RowBytesFor(Width(bounds_), bits_per_pixel_);
  if (row_bytes_ != row_bytes || stride_ != StrideFor(row_bytes, alignment_)) {
    return false;
  }
  const auto rows = static_cast<std::uint32_t>(Height(bounds_));
  if (rows == 0 || row_bytes == 0) {
    return true;
  }
  if (segment_step_ == 0 || rows_per_segment_ == 0) {
    return std::uint64_t{rows - 1} * stride_ + row_bytes <= data_size_;
  }
  // Segmented: the last row of every segment (offsets need not grow from segment to segment).
  for (std::uint32_t first = 0; first < rows; first += rows_per_segment_) {
    const std::uint32_t last = std::min<std::uint32_t>(rows, first + rows_per_segment_) - 1;
    const std::uint64_t offset = std::uint64_t{last / rows_per_segment_} * segment_step_ * 65536 +
                                 std::uint64_t{last % rows_per_segment_} * stride_;
    if (offset + row_bytes > data_size_) {
      return false;
    }
  }
  return true;
}

template <typename Carrier>
void GBitmapImp::Restore(Carrier& carrier) {
  GBaseObject::RestoreContents(carrier);
  if (!vel::CarrierGood(carrier) || !vel::ReadClassVersion(carrier)) {
    return;
  }
  FreeBuffer();
  SetPalette(nullptr);
  std::uint32_t data_size = 0;
  const bool read =
      vel::ReadField(carrier, owns_data_) && vel::ReadField(carrier, data_size) &&
      vel::ReadField(carrier, bounds_.left) && vel::ReadField(carrier, bounds_.top) &&
      vel::ReadField(carrier, bounds_.right) && vel::ReadField(carrier, bounds_.bottom) &&
      vel::ReadField(carrier, bits_per_pixel_) && vel::ReadField(carrier, format_byte_) &&
      vel::ReadField(carrier, double_working_size_) && vel::ReadField(carrier, bottom_up_) &&
      vel::ReadField(carrier, alignment_) && vel::ReadField(carrier, rows_per_segment_) &&
      vel::ReadField(carrier, segment_info_) && vel::ReadField(carrier, segment_step_) &&
      vel::ReadField(carrier, working_size_) && vel::ReadField(carrier, working_size_known_) &&
      vel::ReadField(carrier, stride_) && vel::ReadField(carrier, row_bytes_) &&
      vel::ReadField(carrier, has_masks_) && vel::ReadField(carrier, red_.mask) &&
      vel::ReadField(carrier, red_.shift) && vel::ReadField(carrier, red_.bits) &&
      vel::ReadField(carrier, green_.mask) && vel::ReadField(carrier, green_.shift) &&
      vel::ReadField(carrier, green_.bits) && vel::ReadField(carrier, blue_.mask) &&
      vel::ReadField(carrier, blue_.shift) && vel::ReadField(carrier, blue_.bits);
  if (!read) {
    vel::FailCarrier(carrier);
    return;
  }
  // The layout is checked against the stored size before any pixel is read.
  data_size_ = data_size;
  const bool sound = LayoutIsSound();
  data_size_ = 0;
  if (!sound || red_.shift > 31 || green_.shift > 31 || blue_.shift > 31 || red_.bits > 32 ||
      green_.bits > 32 || blue_.bits > 32) {
    vel::FailCarrier(carrier);
    return;
  }
  {
    RWRestoredMember member(carrier, nullptr);
    RWCollectable* object = member.Object();
    auto* palette = dynamic_cast<GPaletteTable*>(object);
    // The image owns its palette: one read before would get two owners.
    if (!vel::CarrierGood(carrier) ||
        (object != nullptr && (palette == nullptr || !member.IsNew()))) {
      member.Keep(RWHold::kRefuses);
      vel::FailCarrier(carrier);
      return;
    }
    member.Keep(palette != nullptr ? RWHold::kOwns : RWHold::kRefuses);
    palette_ = palette;
  }
  if (data_size == 0) {
    return;
  }
  std::uint8_t* pixels = ReadPixels(carrier, data_size);
  if (pixels == nullptr) {
    vel::FailCarrier(carrier);
    return;
  }
  data_ = pixels;
  data_size_ = data_size;
  owns_data_ = 1;
}

void GBitmapImp::RestoreContents(RWVirtualInStream& stream) {
  Restore(stream);
}

void GBitmapImp::RestoreContents(RWBinaryFile& file) {
  Restore(file);
}

template <typename Carrier>
void GBitmapImp::Save(Carrier& carrier) const {
  GBaseObject::SaveContents(carrier);
  vel::WriteClassVersion(carrier);
  const std::uint32_t data_size = data_ == nullptr ? 0 : data_size_;
  vel::WriteField(carrier, owns_data_);
  vel::WriteField(carrier, data_size);
  vel::WriteField(carrier, bounds_.left);
  vel::WriteField(carrier, bounds_.top);
  vel::WriteField(carrier, bounds_.right);
  vel::WriteField(carrier, bounds_.bottom);
  vel::WriteField(carrier, bits_per_pixel_);
  vel::WriteField(carrier, format_byte_);
  vel::WriteField(carrier, double_working_size_);
  vel::WriteField(carrier, bottom_up_);
  vel::WriteField(carrier, alignment_);
  vel::WriteField(carrier, rows_per_segment_);
  vel::WriteField(carrier, segment_info_);
  vel::WriteField(carrier, segment_step_);
  vel::WriteField(carrier, working_size_);
  vel::WriteField(carrier, working_size_known_);
  vel::WriteField(carrier, stride_);
  vel::WriteField(carrier, row_bytes_);
  vel::WriteField(carrier, has_masks_);
  for (const Channel* channel : {&red_, &green_, &blue_}) {
    vel::WriteField(carrier, channel->mask);
    vel::WriteField(carrier, channel->shift);
    vel::WriteField(carrier, channel->bits);
  }
  carrier << static_cast<const RWCollectable*>(palette_);
  if (data_size != 0) {
    WriteBytes(carrier, data_, data_size);
  }
}

void GBitmapImp::SaveContents(RWVirtualOutStream& stream) const {
  Save(stream);
}

void GBitmapImp::SaveContents(RWBinaryFile& file) const {
  Save(file);
}
