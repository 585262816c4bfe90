// Readers of the platform's binary resource forms for tests: dialog templates (the non-extended
// form), string blocks and device-independent bitmap headers. Written from the formats, apart from
// the resource compiler, so that tests check the compiler's bytes against an independent reading.
// Every read is bounds-checked; a malformed resource gives false and a message.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vel::test {

struct DecodedDialogItem {
  std::uint32_t style = 0;
  std::uint32_t ex_style = 0;
  std::int16_t x = 0, y = 0, cx = 0, cy = 0;
  std::uint16_t id = 0;
  std::uint16_t class_atom = 0;  // 0 when the class is a name
  std::u16string class_name;
  bool title_is_ordinal = false;
  std::uint16_t title_ordinal = 0;
  std::u16string title;
  std::size_t offset = 0;  // of the item in the template
};

struct DecodedDialog {
  std::uint32_t style = 0;
  std::uint32_t ex_style = 0;
  std::int16_t x = 0, y = 0, cx = 0, cy = 0;
  std::u16string caption;
  bool has_font = false;
  std::uint16_t point_size = 0;
  std::u16string face;
  std::vector<DecodedDialogItem> items;
};

bool DecodeDialogTemplate(const std::uint8_t* data,
                          std::size_t size,
                          DecodedDialog& dialog,
                          std::string& error);

// The 16 strings of one string block (missing ones empty).
bool DecodeStringBlock(const std::uint8_t* data,
                       std::size_t size,
                       std::array<std::u16string, 16>& strings,
                       std::string& error);

struct DecodedDibHeader {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint16_t bit_count = 0;
  std::uint32_t colours = 0;  // entries of the colour table
};

// `icon_image`: the header of an icon or cursor image, whose height covers the colour image and
// the 1-bit mask that follows it.
bool DecodeDibHeader(const std::uint8_t* data,
                     std::size_t size,
                     DecodedDibHeader& header,
                     std::string& error,
                     bool icon_image = false);

// UTF-16 text as UTF-8 for messages.
std::string Narrow(const std::u16string& text);

}  // namespace vel::test
