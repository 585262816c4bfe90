// Dialog templates in the platform's binary layout, for tests.
#include "tests/support/DialogTemplateBuilder.h"

#include <cstring>

namespace vel::test {
namespace {

constexpr std::uint32_t kSetFont = 0x40;
constexpr std::uint32_t kChild = 0x40000000;
constexpr std::uint32_t kVisible = 0x10000000;  // items are visible unless a test hides them

void Put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
  out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

void PutText(std::vector<std::uint8_t>& out, const std::u16string& text) {
  for (char16_t c : text) {
    Put16(out, c);
  }
  Put16(out, 0);
}

}  // namespace

DialogTemplateBuilder::DialogTemplateBuilder(std::uint32_t style,
                                             std::u16string title,
                                             std::int16_t x,
                                             std::int16_t y,
                                             std::int16_t cx,
                                             std::int16_t cy)
    : style_(style), title_(std::move(title)), x_(x), y_(y), cx_(cx), cy_(cy) {}

DialogTemplateBuilder& DialogTemplateBuilder::Font(std::uint16_t point_size, std::u16string face) {
  has_font_ = true;
  point_size_ = point_size;
  face_ = std::move(face);
  return *this;
}

DialogTemplateBuilder& DialogTemplateBuilder::Item(std::uint16_t id,
                                                   std::uint16_t class_atom,
                                                   std::u16string title,
                                                   std::uint32_t style,
                                                   std::int16_t x,
                                                   std::int16_t y,
                                                   std::int16_t cx,
                                                   std::int16_t cy) {
  items_.push_back(ItemRecord{
      style | kChild | kVisible, x, y, cx, cy, id, class_atom, {}, false, 0, std::move(title), {}});
  return *this;
}

DialogTemplateBuilder& DialogTemplateBuilder::Item(std::uint16_t id,
                                                   std::u16string class_name,
                                                   std::u16string title,
                                                   std::uint32_t style,
                                                   std::int16_t x,
                                                   std::int16_t y,
                                                   std::int16_t cx,
                                                   std::int16_t cy) {
  items_.push_back(ItemRecord{style | kChild | kVisible,
                              x,
                              y,
                              cx,
                              cy,
                              id,
                              0,
                              std::move(class_name),
                              false,
                              0,
                              std::move(title),
                              {}});
  return *this;
}

DialogTemplateBuilder& DialogTemplateBuilder::ItemWithOrdinal(std::uint16_t id,
                                                              std::uint16_t class_atom,
                                                              std::uint16_t ordinal,
                                                              std::uint32_t style,
                                                              std::int16_t x,
                                                              std::int16_t y,
                                                              std::int16_t cx,
                                                              std::int16_t cy) {
  items_.push_back(ItemRecord{
      style | kChild | kVisible, x, y, cx, cy, id, class_atom, {}, true, ordinal, {}, {}});
  return *this;
}

DialogTemplateBuilder& DialogTemplateBuilder::CreationData(std::vector<std::uint8_t> data) {
  if (!items_.empty()) {
    items_.back().data = std::move(data);
  }
  return *this;
}

const std::vector<std::uint8_t>& DialogTemplateBuilder::Bytes() {
  std::vector<std::uint8_t> out;
  Put32(out, has_font_ ? (style_ | kSetFont) : style_);
  Put32(out, 0);
  Put16(out, static_cast<std::uint32_t>(items_.size()));
  Put16(out, static_cast<std::uint16_t>(x_));
  Put16(out, static_cast<std::uint16_t>(y_));
  Put16(out, static_cast<std::uint16_t>(cx_));
  Put16(out, static_cast<std::uint16_t>(cy_));
  Put16(out, 0);  // no menu
  Put16(out, 0);  // the dialog class
  PutText(out, title_);
  if (has_font_) {
    Put16(out, point_size_);
    PutText(out, face_);
  }
  for (const ItemRecord& item : items_) {
    while (out.size() % 4 != 0) {
      out.push_back(0);
    }
    Put32(out, item.style);
    Put32(out, 0);
    Put16(out, static_cast<std::uint16_t>(item.x));
    Put16(out, static_cast<std::uint16_t>(item.y));
    Put16(out, static_cast<std::uint16_t>(item.cx));
    Put16(out, static_cast<std::uint16_t>(item.cy));
    Put16(out, item.id);
    if (item.class_name.empty()) {
      Put16(out, 0xFFFF);
      Put16(out, item.atom);
    } else {
      PutText(out, item.class_name);
    }
    if (item.title_is_ordinal) {
      Put16(out, 0xFFFF);
      Put16(out, item.ordinal);
    } else {
      PutText(out, item.title);
    }
    if (item.data.empty()) {
      Put16(out, 0);
    } else {
      Put16(out, static_cast<std::uint32_t>(item.data.size() + 2));
      out.insert(out.end(), item.data.begin(), item.data.end());
    }
  }
  bytes_ = std::move(out);
  return bytes_;
}

const void* DialogTemplateBuilder::Template() {
  const std::vector<std::uint8_t>& bytes = Bytes();
  aligned_.assign((bytes.size() + 3) / 4, 0);
  std::memcpy(aligned_.data(), bytes.data(), bytes.size());
  return aligned_.data();
}

}  // namespace vel::test
