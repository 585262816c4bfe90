// Writes dialog templates in the platform's binary layout (DLGTEMPLATE and its items), for tests
// of the windowing stand-in and of the pages: header, menu, class, title, font, then each item
// aligned to 4 bytes with its class atom or name, its title (text or 0xFFFF and an ordinal) and
// its creation data.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vel::test {

class DialogTemplateBuilder {
 public:
  // Class atoms of the standard controls.
  static constexpr std::uint16_t kButton = 0x80;
  static constexpr std::uint16_t kEdit = 0x81;
  static constexpr std::uint16_t kStatic = 0x82;
  static constexpr std::uint16_t kListBox = 0x83;
  static constexpr std::uint16_t kScrollBar = 0x84;
  static constexpr std::uint16_t kComboBox = 0x85;

  DialogTemplateBuilder(std::uint32_t style,
                        std::u16string title,
                        std::int16_t x,
                        std::int16_t y,
                        std::int16_t cx,
                        std::int16_t cy);

  // DS_SETFONT with a point size and face name.
  DialogTemplateBuilder& Font(std::uint16_t point_size, std::u16string face);
  // An item of a standard class (by atom).
  DialogTemplateBuilder& Item(std::uint16_t id,
                              std::uint16_t class_atom,
                              std::u16string title,
                              std::uint32_t style,
                              std::int16_t x,
                              std::int16_t y,
                              std::int16_t cx,
                              std::int16_t cy);
  // An item of a class given by name ("msctls_updown32").
  DialogTemplateBuilder& Item(std::uint16_t id,
                              std::u16string class_name,
                              std::u16string title,
                              std::uint32_t style,
                              std::int16_t x,
                              std::int16_t y,
                              std::int16_t cx,
                              std::int16_t cy);
  // An item whose title is a resource ordinal (the icon of an SS_ICON static).
  DialogTemplateBuilder& ItemWithOrdinal(std::uint16_t id,
                                         std::uint16_t class_atom,
                                         std::uint16_t ordinal,
                                         std::uint32_t style,
                                         std::int16_t x,
                                         std::int16_t y,
                                         std::int16_t cx,
                                         std::int16_t cy);
  // Creation data for the last item.
  DialogTemplateBuilder& CreationData(std::vector<std::uint8_t> data);

  // The template's bytes, and a copy kept aligned to 4 bytes for the calls that take an address.
  const std::vector<std::uint8_t>& Bytes();
  const void* Template();

 private:
  struct ItemRecord {
    std::uint32_t style;
    std::int16_t x, y, cx, cy;
    std::uint16_t id;
    std::uint16_t atom;
    std::u16string class_name;
    bool title_is_ordinal;
    std::uint16_t ordinal;
    std::u16string title;
    std::vector<std::uint8_t> data;
  };

  std::uint32_t style_;
  std::u16string title_;
  std::int16_t x_, y_, cx_, cy_;
  bool has_font_ = false;
  std::uint16_t point_size_ = 0;
  std::u16string face_;
  std::vector<ItemRecord> items_;
  std::vector<std::uint8_t> bytes_;
  std::vector<std::uint32_t> aligned_;
};

}  // namespace vel::test
