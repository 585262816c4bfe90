// The parsed form of a resource script: dialogs, string tables, picture files, menus and version
// blocks, each with the place in the script where it was written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vel::velrc {

// Resource types as the platform numbers them.
enum ResourceType : std::uint16_t {
  kTypeCursor = 1,
  kTypeBitmap = 2,
  kTypeIcon = 3,
  kTypeMenu = 4,
  kTypeDialog = 5,
  kTypeString = 6,
  kTypeGroupCursor = 12,
  kTypeGroupIcon = 14,
  kTypeVersion = 16,
};

// Where a statement stands in the script (after includes: the file that held it).
struct SourcePlace {
  std::string file;
  int line = 0;
};

// A resource name, or a class or title of a dialog item: a 16-bit ordinal or a text.
struct NameOrOrdinal {
  bool is_ordinal = false;
  std::uint16_t ordinal = 0;
  std::u16string text;
};

struct DialogItem {
  SourcePlace place;
  std::uint32_t style = 0;
  std::uint32_t ex_style = 0;
  std::int16_t x = 0, y = 0, cx = 0, cy = 0;
  std::uint16_t id = 0;
  NameOrOrdinal window_class;  // an atom 0x80-0x85 or a class name
  NameOrOrdinal title;         // a text, or an ordinal (the icon of a static icon item)
};

struct Dialog {
  SourcePlace place;
  NameOrOrdinal name;
  std::uint16_t language = 0;
  std::uint32_t style = 0;
  std::uint32_t ex_style = 0;
  std::int16_t x = 0, y = 0, cx = 0, cy = 0;
  std::u16string caption;
  bool has_font = false;
  std::uint16_t point_size = 0;
  std::u16string face;
  std::vector<DialogItem> items;
};

struct StringEntry {
  SourcePlace place;
  std::uint16_t id = 0;
  std::uint16_t language = 0;
  std::u16string text;
};

// A bitmap, cursor or icon taken from a picture file.
struct PictureResource {
  SourcePlace place;
  ResourceType type = kTypeBitmap;  // kTypeBitmap, kTypeCursor or kTypeIcon (the group's kind)
  NameOrOrdinal name;
  std::uint16_t language = 0;
  std::string path;                 // as found
  std::vector<std::uint8_t> bytes;  // the whole file
};

struct MenuEntry {
  bool popup = false;
  std::uint16_t flags = 0;  // option flags: grayed, checked, breaks
  std::uint16_t id = 0;
  std::u16string text;
  std::vector<MenuEntry> children;
};

struct Menu {
  SourcePlace place;
  NameOrOrdinal name;
  std::uint16_t language = 0;
  std::vector<MenuEntry> entries;
};

// One node of a version block: a BLOCK with children, or a VALUE with a text or with numbers.
struct VersionNode {
  std::u16string key;
  bool is_block = false;
  bool is_text = false;
  std::u16string text;
  std::vector<std::uint8_t> binary;  // little-endian words and double words
  std::vector<VersionNode> children;
};

struct VersionInfo {
  SourcePlace place;
  NameOrOrdinal name;
  std::uint16_t language = 0;
  std::uint32_t file_version_ms = 0, file_version_ls = 0;
  std::uint32_t product_version_ms = 0, product_version_ls = 0;
  std::uint32_t file_flags_mask = 0, file_flags = 0;
  std::uint32_t file_os = 0, file_type = 0, file_subtype = 0;
  std::vector<VersionNode> children;
};

struct ResourceScript {
  std::vector<Dialog> dialogs;
  std::vector<StringEntry> strings;
  std::vector<PictureResource> pictures;
  std::vector<Menu> menus;
  std::vector<VersionInfo> versions;
};

// UTF-16 text to UTF-8, for messages and the dump.
std::string ToUtf8(const std::u16string& text);

}  // namespace vel::velrc
