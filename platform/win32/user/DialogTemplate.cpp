// Reader of dialog templates.
#include "platform/win32/user/DialogTemplate.h"

namespace vel::platform::user {
namespace {

constexpr std::uint32_t kSetFont = 0x40;
constexpr std::size_t kHeaderSize = 18;

class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::size_t offset() const { return offset_; }
  const std::string& error() const { return error_; }
  bool failed() const { return !error_.empty(); }

  void Fail(std::size_t at, const std::string& what) {
    if (error_.empty()) {
      error_ = "byte " + std::to_string(at) + ": " + what;
    }
  }

  bool Need(std::size_t count, const char* what) {
    if (failed()) {
      return false;
    }
    if (count > size_ - offset_) {
      Fail(offset_, std::string(what) + " runs past the end of the template (" +
                        std::to_string(size_) + " bytes)");
      return false;
    }
    return true;
  }

  std::uint16_t U16(const char* what) {
    if (!Need(2, what)) {
      return 0;
    }
    const std::uint16_t value =
        static_cast<std::uint16_t>(data_[offset_] | (data_[offset_ + 1] << 8));
    offset_ += 2;
    return value;
  }

  std::uint32_t U32(const char* what) {
    const std::uint32_t low = U16(what);
    const std::uint32_t high = U16(what);
    return low | (high << 16);
  }

  std::u16string Text(const char* what) {
    std::u16string text;
    const std::size_t start = offset_;
    while (!failed()) {
      if (size_ - offset_ < 2) {
        Fail(start, std::string(what) + " has no terminating null before the end");
        break;
      }
      const std::uint16_t c = U16(what);
      if (c == 0) {
        break;
      }
      text += static_cast<char16_t>(c);
    }
    return text;
  }

  // menu and class: 0x0000 none, 0xFFFF plus an ordinal, or a text.
  NameOrOrdinal Field(const char* what, bool zero_is_none) {
    NameOrOrdinal field;
    if (!Need(2, what)) {
      return field;
    }
    const std::uint16_t first =
        static_cast<std::uint16_t>(data_[offset_] | (data_[offset_ + 1] << 8));
    if (first == 0xFFFF) {
      offset_ += 2;
      field.present = true;
      field.is_ordinal = true;
      field.ordinal = U16(what);
      return field;
    }
    if (first == 0 && zero_is_none) {
      offset_ += 2;
      return field;
    }
    field.present = true;
    field.text = Text(what);
    return field;
  }

  void AlignTo(std::size_t alignment) {
    const std::size_t aligned = (offset_ + alignment - 1) / alignment * alignment;
    if (aligned > size_) {
      Fail(offset_, "padding runs past the end of the template");
      return;
    }
    offset_ = aligned;
  }

  void Bytes(std::size_t count, std::vector<std::uint8_t>& out, const char* what) {
    if (!Need(count, what)) {
      return;
    }
    out.assign(data_ + offset_, data_ + offset_ + count);
    offset_ += count;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t offset_ = 0;
  std::string error_;
};

}  // namespace

bool ReadDialogTemplate(const std::uint8_t* data,
                        std::size_t size,
                        DialogTemplateInfo& info,
                        std::string& error) {
  info = DialogTemplateInfo{};
  if (data == nullptr || size < kHeaderSize) {
    error = "byte 0: a dialog template needs " + std::to_string(kHeaderSize) + " bytes, " +
            std::to_string(data == nullptr ? 0 : size) + " given";
    return false;
  }
  Reader reader(data, size);
  if (data[0] == 1 && data[1] == 0 && data[2] == 0xFF && data[3] == 0xFF) {
    error = "byte 0: an extended dialog template (DLGTEMPLATEEX), which is not read";
    return false;
  }
  info.style = reader.U32("style");
  info.ex_style = reader.U32("extended style");
  const std::uint16_t count = reader.U16("item count");
  info.x = static_cast<std::int16_t>(reader.U16("x"));
  info.y = static_cast<std::int16_t>(reader.U16("y"));
  info.cx = static_cast<std::int16_t>(reader.U16("width"));
  info.cy = static_cast<std::int16_t>(reader.U16("height"));
  info.menu = reader.Field("menu", true);
  info.window_class = reader.Field("class", true);
  info.title = reader.Text("title");
  if ((info.style & kSetFont) != 0) {
    info.point_size = reader.U16("point size");
    info.font = reader.Text("font name");
  }
  // Each item takes at least 24 bytes: the count cannot exceed what remains.
  if (!reader.failed() && count > (size - reader.offset()) / 24 + 1) {
    reader.Fail(8,
                std::to_string(count) + " items cannot fit in " + std::to_string(size) + " bytes");
  }
  info.items.reserve(reader.failed() ? 0 : count);
  for (std::uint16_t i = 0; i < count && !reader.failed(); ++i) {
    reader.AlignTo(4);
    DialogItemInfo item;
    item.style = reader.U32("item style");
    item.ex_style = reader.U32("item extended style");
    item.x = static_cast<std::int16_t>(reader.U16("item x"));
    item.y = static_cast<std::int16_t>(reader.U16("item y"));
    item.cx = static_cast<std::int16_t>(reader.U16("item width"));
    item.cy = static_cast<std::int16_t>(reader.U16("item height"));
    item.id = reader.U16("item id");
    item.window_class = reader.Field("item class", false);
    item.title = reader.Field("item title", false);
    const std::size_t at = reader.offset();
    const std::uint16_t extra = reader.U16("creation data size");
    if (extra == 1) {
      reader.Fail(at, "creation data size 1 is shorter than its own count");
    } else if (extra >= 2) {
      reader.Bytes(extra - 2u, item.creation_data, "creation data");
    }
    if (!reader.failed() && !item.window_class.is_ordinal && item.window_class.text.empty()) {
      reader.Fail(at, "item " + std::to_string(i + 1) + " has an empty class name");
    }
    info.items.push_back(std::move(item));
  }
  if (reader.failed()) {
    error = reader.error();
    info.items.clear();
    return false;
  }
  return true;
}

}  // namespace vel::platform::user
