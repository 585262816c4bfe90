// Readers of dialog templates, string blocks and bitmap headers for tests.
#include "tests/support/ResourceDecoder.h"

namespace vel::test {

namespace {

// A little-endian reader that remembers the first overrun.
class Cursor {
 public:
  Cursor(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool Ok() const { return ok_; }
  std::size_t Offset() const { return at_; }

  std::uint16_t U16() {
    if (!Need(2))
      return 0;
    std::uint16_t v = static_cast<std::uint16_t>(data_[at_] | (data_[at_ + 1] << 8));
    at_ += 2;
    return v;
  }
  std::uint32_t U32() {
    std::uint32_t low = U16();
    return low | (static_cast<std::uint32_t>(U16()) << 16);
  }
  std::u16string Text() {
    std::u16string text;
    for (;;) {
      std::uint16_t c = U16();
      if (!ok_ || c == 0)
        return text;
      text += static_cast<char16_t>(c);
    }
  }
  // 0x0000 nothing, 0xFFFF and an ordinal, else a text.
  void NameOrOrdinal(bool& is_ordinal, std::uint16_t& ordinal, std::u16string& text) {
    if (!Need(2))
      return;
    std::uint16_t first = static_cast<std::uint16_t>(data_[at_] | (data_[at_ + 1] << 8));
    is_ordinal = first == 0xFFFF;
    if (is_ordinal) {
      at_ += 2;
      ordinal = U16();
    } else {
      text = Text();
    }
  }
  void AlignTo4() {
    std::size_t aligned = (at_ + 3) & ~std::size_t{3};
    if (aligned > size_) {
      ok_ = false;
      return;
    }
    at_ = aligned;
  }

 private:
  bool Need(std::size_t n) {
    if (!ok_ || size_ - at_ < n) {
      ok_ = false;
      return false;
    }
    return true;
  }

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
  bool ok_ = true;
};

constexpr std::uint32_t kDsSetFont = 0x40;

}  // namespace

std::string Narrow(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

bool DecodeDialogTemplate(const std::uint8_t* data,
                          std::size_t size,
                          DecodedDialog& dialog,
                          std::string& error) {
  Cursor in(data, size);
  dialog = DecodedDialog{};
  dialog.style = in.U32();
  dialog.ex_style = in.U32();
  std::uint16_t count = in.U16();
  dialog.x = static_cast<std::int16_t>(in.U16());
  dialog.y = static_cast<std::int16_t>(in.U16());
  dialog.cx = static_cast<std::int16_t>(in.U16());
  dialog.cy = static_cast<std::int16_t>(in.U16());
  bool is_ordinal = false;
  std::uint16_t ordinal = 0;
  std::u16string ignored;
  in.NameOrOrdinal(is_ordinal, ordinal, ignored);  // menu
  in.NameOrOrdinal(is_ordinal, ordinal, ignored);  // window class
  dialog.caption = in.Text();
  if (dialog.style & kDsSetFont) {
    dialog.has_font = true;
    dialog.point_size = in.U16();
    dialog.face = in.Text();
  }
  for (std::uint16_t i = 0; i < count && in.Ok(); ++i) {
    in.AlignTo4();
    DecodedDialogItem item;
    item.offset = in.Offset();
    item.style = in.U32();
    item.ex_style = in.U32();
    item.x = static_cast<std::int16_t>(in.U16());
    item.y = static_cast<std::int16_t>(in.U16());
    item.cx = static_cast<std::int16_t>(in.U16());
    item.cy = static_cast<std::int16_t>(in.U16());
    item.id = in.U16();
    bool class_is_atom = false;
    std::uint16_t atom = 0;
    in.NameOrOrdinal(class_is_atom, atom, item.class_name);
    item.class_atom = class_is_atom ? atom : 0;
    in.NameOrOrdinal(item.title_is_ordinal, item.title_ordinal, item.title);
    std::uint16_t extra = in.U16();
    if (extra != 0) {
      error = "item " + std::to_string(i) + " has creation data";
      return false;
    }
    dialog.items.push_back(std::move(item));
  }
  if (!in.Ok()) {
    error = "dialog template shorter than its contents";
    return false;
  }
  if (in.Offset() != size) {
    error = "dialog template has " + std::to_string(size - in.Offset()) + " bytes after its items";
    return false;
  }
  return true;
}

bool DecodeStringBlock(const std::uint8_t* data,
                       std::size_t size,
                       std::array<std::u16string, 16>& strings,
                       std::string& error) {
  Cursor in(data, size);
  for (std::u16string& s : strings) {
    std::uint16_t length = in.U16();
    s.clear();
    for (std::uint16_t i = 0; i < length && in.Ok(); ++i)
      s += static_cast<char16_t>(in.U16());
  }
  if (!in.Ok()) {
    error = "string block shorter than its lengths";
    return false;
  }
  if (in.Offset() != size) {
    error = "string block longer than its 16 strings";
    return false;
  }
  return true;
}

bool DecodeDibHeader(const std::uint8_t* data,
                     std::size_t size,
                     DecodedDibHeader& header,
                     std::string& error,
                     bool icon_image) {
  Cursor in(data, size);
  std::uint32_t header_size = in.U32();
  header.width = static_cast<std::int32_t>(in.U32());
  header.height = static_cast<std::int32_t>(in.U32());
  std::uint16_t planes = in.U16();
  header.bit_count = in.U16();
  std::uint32_t compression = in.U32();
  in.U32();
  in.U32();
  in.U32();
  std::uint32_t used = in.U32();
  if (!in.Ok() || header_size != 40 || planes != 1 || compression != 0) {
    error = "not a 40-byte uncompressed bitmap header";
    return false;
  }
  header.colours = used != 0 ? used : (header.bit_count <= 8 ? 1u << header.bit_count : 0);
  std::size_t stride = ((static_cast<std::size_t>(header.width) * header.bit_count + 31) / 32) * 4;
  std::size_t rows = static_cast<std::size_t>(header.height < 0 ? -header.height : header.height);
  std::size_t pixels = stride * rows;
  if (icon_image) {
    std::size_t mask_stride = ((static_cast<std::size_t>(header.width) + 31) / 32) * 4;
    pixels = (stride + mask_stride) * (rows / 2);
  }
  if (40 + header.colours * 4 + pixels > size) {
    error = "bitmap shorter than its header says";
    return false;
  }
  return true;
}

}  // namespace vel::test
