// Reader of dialog templates (the platform's DLGTEMPLATE, not the extended form), from a module's
// resources or from memory. Templates come from modules and are untrusted: the reader checks every
// length against the bytes it was given and fails soft with a message that names the byte offset.
//
// Layout (all values little-endian; texts are null-terminated UTF-16):
//   OFFSET SIZE DESCRIPTION
//   0      4    style (DS_SETFONT 0x40 adds the font fields)
//   4      4    extended style
//   8      2    item count
//   10     2    x, in dialog units
//   12     2    y
//   14     2    width
//   16     2    height
//   18     ...  menu: 0x0000 none, 0xFFFF then an ordinal, or a text
//          ...  class: the same forms (none: the dialog class)
//          ...  title: a text
//          ...  with DS_SETFONT: point size (2), face name (text)
//   Items, each starting at a multiple of 4 bytes from the template's start:
//   0      4    style
//   4      4    extended style
//   8      2    x, y, width, height (2 each)
//   16     2    id
//   18     ...  class: 0xFFFF then an atom (0x80 Button, 0x81 Edit, 0x82 Static, 0x83 ListBox,
//               0x84 ScrollBar, 0x85 ComboBox), or a class name
//          ...  title: 0xFFFF then a resource ordinal (an icon of SS_ICON statics), or a text
//          ...  creation data: a byte count that includes its own 2 bytes (0: none), the data
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vel::platform::user {

// A field that holds either an ordinal or a text; neither when absent.
struct NameOrOrdinal {
  bool present = false;
  bool is_ordinal = false;
  int ordinal = 0;
  std::u16string text;
};

struct DialogItemInfo {
  std::uint32_t style = 0;
  std::uint32_t ex_style = 0;
  std::int16_t x = 0;
  std::int16_t y = 0;
  std::int16_t cx = 0;
  std::int16_t cy = 0;
  int id = 0;
  NameOrOrdinal window_class;
  NameOrOrdinal title;
  std::vector<std::uint8_t> creation_data;  // without its byte count
};

struct DialogTemplateInfo {
  std::uint32_t style = 0;
  std::uint32_t ex_style = 0;
  std::int16_t x = 0;
  std::int16_t y = 0;
  std::int16_t cx = 0;
  std::int16_t cy = 0;
  NameOrOrdinal menu;
  NameOrOrdinal window_class;
  std::u16string title;
  int point_size = 0;
  std::u16string font;
  std::vector<DialogItemInfo> items;
};

// Reads a template of `size` bytes. On failure `error` names the byte offset and the fault.
bool ReadDialogTemplate(const std::uint8_t* data,
                        std::size_t size,
                        DialogTemplateInfo& info,
                        std::string& error);

}  // namespace vel::platform::user
