// Writers of the binary resource forms. All numbers are little-endian; texts are UTF-16.
#include "tools/velrc/ResourceForms.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "tools/velrc/PictureFiles.h"

namespace vel::velrc {

namespace {

class ByteWriter {
 public:
  void U8(std::uint32_t v) { bytes_.push_back(static_cast<std::uint8_t>(v)); }
  void U16(std::uint32_t v) {
    U8(v);
    U8(v >> 8);
  }
  void U32(std::uint32_t v) {
    U16(v & 0xFFFF);
    U16(v >> 16);
  }
  // A zero-terminated UTF-16 text.
  void Text(const std::u16string& text) {
    for (char16_t c : text)
      U16(c);
    U16(0);
  }
  // 0xFFFF and the ordinal, or the zero-terminated text.
  void NameOrOrdinalField(const NameOrOrdinal& n) {
    if (n.is_ordinal) {
      U16(0xFFFF);
      U16(n.ordinal);
    } else {
      Text(n.text);
    }
  }
  void Append(const std::vector<std::uint8_t>& more) {
    bytes_.insert(bytes_.end(), more.begin(), more.end());
  }
  void AlignTo4() {
    while (bytes_.size() % 4 != 0)
      U8(0);
  }
  void Patch16(std::size_t at, std::uint32_t v) {
    bytes_[at] = static_cast<std::uint8_t>(v);
    bytes_[at + 1] = static_cast<std::uint8_t>(v >> 8);
  }
  std::size_t Size() const { return bytes_.size(); }
  std::vector<std::uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<std::uint8_t> bytes_;
};

NameOrOrdinal Ordinal(std::uint16_t value) {
  NameOrOrdinal n;
  n.is_ordinal = true;
  n.ordinal = value;
  return n;
}

// Menu item flags.
constexpr std::uint16_t kMenuPopup = 0x10;
constexpr std::uint16_t kMenuEnd = 0x80;

void WriteMenuEntries(ByteWriter& w, const std::vector<MenuEntry>& entries) {
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const MenuEntry& e = entries[i];
    std::uint16_t flags = e.flags;
    if (i + 1 == entries.size())
      flags |= kMenuEnd;
    if (e.popup) {
      w.U16(flags | kMenuPopup);
      w.Text(e.text);
      WriteMenuEntries(w, e.children);
    } else {
      w.U16(flags);
      w.U16(e.id);
      w.Text(e.text);
    }
  }
}

// One node of the version block, 32-bit layout:
//   OFFSET SIZE
//     0 2 length of the node with its value and children (not the padding after the node)
//     2 2 value length: in characters with the terminator for texts, in bytes otherwise
//     4 2 type: 1 text, 0 binary
//     6 .. key, zero-terminated UTF-16; padding to 4
//       .. value; padding to 4; children, each starting on a 4-byte boundary
void WriteVersionNode(ByteWriter& w,
                      const std::u16string& key,
                      std::uint16_t value_length,
                      bool text,
                      const std::vector<std::uint8_t>& value,
                      const std::vector<VersionNode>& children);

void WriteVersionChild(ByteWriter& w, const VersionNode& node) {
  if (node.is_block) {
    WriteVersionNode(w, node.key, 0, true, {}, node.children);
  } else if (node.is_text) {
    ByteWriter value;
    value.Text(node.text);
    WriteVersionNode(w, node.key, static_cast<std::uint16_t>(node.text.size() + 1), true,
                     value.Take(), {});
  } else {
    WriteVersionNode(w, node.key, static_cast<std::uint16_t>(node.binary.size()), false,
                     node.binary, {});
  }
}

void WriteVersionNode(ByteWriter& w,
                      const std::u16string& key,
                      std::uint16_t value_length,
                      bool text,
                      const std::vector<std::uint8_t>& value,
                      const std::vector<VersionNode>& children) {
  w.AlignTo4();
  std::size_t start = w.Size();
  w.U16(0);  // length, patched below
  w.U16(value_length);
  w.U16(text ? 1 : 0);
  w.Text(key);
  w.AlignTo4();
  w.Append(value);
  for (const VersionNode& child : children) {
    w.AlignTo4();
    WriteVersionChild(w, child);
  }
  w.Patch16(start, static_cast<std::uint32_t>(w.Size() - start));
}

bool Fail(ScriptError& error, const SourcePlace& place, std::string message) {
  error.place = place;
  error.message = std::move(message);
  return false;
}

}  // namespace

//   DLGTEMPLATE  OFFSET SIZE
//     0 4 style  4 4 extended style  8 2 item count  10 2 x  12 2 y  14 2 cx  16 2 cy
//    18 .. menu (0: none), window class (0: the dialog class), caption: each 0xFFFF + ordinal or
//          a zero-terminated UTF-16 text
//       .. with DS_SETFONT: point size (2) and the face name
//   each item, starting on a 4-byte boundary:
//     0 4 style  4 4 extended style  8 2 x  10 2 y  12 2 cx  14 2 cy  16 2 id
//    18 .. class: 0xFFFF + atom (0x80 button, 0x81 edit, 0x82 static, 0x83 list box,
//          0x84 scroll bar, 0x85 combo box) or a class name; title: 0xFFFF + ordinal or a text
//       2  bytes of creation data that follow (0)
std::vector<std::uint8_t> DialogTemplate(const Dialog& dialog) {
  ByteWriter w;
  w.U32(dialog.style);
  w.U32(dialog.ex_style);
  w.U16(static_cast<std::uint32_t>(dialog.items.size()));
  w.U16(static_cast<std::uint16_t>(dialog.x));
  w.U16(static_cast<std::uint16_t>(dialog.y));
  w.U16(static_cast<std::uint16_t>(dialog.cx));
  w.U16(static_cast<std::uint16_t>(dialog.cy));
  w.U16(0);  // no menu
  w.U16(0);  // the dialog class
  w.Text(dialog.caption);
  if (dialog.has_font) {
    w.U16(dialog.point_size);
    w.Text(dialog.face);
  }
  for (const DialogItem& item : dialog.items) {
    w.AlignTo4();
    w.U32(item.style);
    w.U32(item.ex_style);
    w.U16(static_cast<std::uint16_t>(item.x));
    w.U16(static_cast<std::uint16_t>(item.y));
    w.U16(static_cast<std::uint16_t>(item.cx));
    w.U16(static_cast<std::uint16_t>(item.cy));
    w.U16(item.id);
    w.NameOrOrdinalField(item.window_class);
    w.NameOrOrdinalField(item.title);
    w.U16(0);
  }
  return w.Take();
}

//   menu template: version 0 (2), header size 0 (2), then the items in order; a pop-up holds
//   its flags (with 0x10) and text, then its own items; a command item its flags, id and text.
//   The last item of each level carries 0x80.
std::vector<std::uint8_t> MenuTemplate(const Menu& menu) {
  ByteWriter w;
  w.U16(0);
  w.U16(0);
  WriteMenuEntries(w, menu.entries);
  return w.Take();
}

//   version block: the root node "VS_VERSION_INFO" of type 0 whose value is the 52-byte fixed
//   information (at byte 40 of the block), then the script's blocks as children.
//   fixed information: signature 0xFEEF04BD, structure version 0x00010000, file version (2 x 4),
//   product version (2 x 4), flags mask, flags, OS, type, subtype, date (2 x 4, 0)
std::vector<std::uint8_t> VersionBlock(const VersionInfo& info) {
  ByteWriter fixed;
  fixed.U32(0xFEEF04BD);
  fixed.U32(0x00010000);
  fixed.U32(info.file_version_ms);
  fixed.U32(info.file_version_ls);
  fixed.U32(info.product_version_ms);
  fixed.U32(info.product_version_ls);
  fixed.U32(info.file_flags_mask);
  fixed.U32(info.file_flags);
  fixed.U32(info.file_os);
  fixed.U32(info.file_type);
  fixed.U32(info.file_subtype);
  fixed.U32(0);
  fixed.U32(0);
  ByteWriter w;
  WriteVersionNode(w, u"VS_VERSION_INFO", 52, false, fixed.Take(), info.children);
  return w.Take();
}

bool CompileResources(const ResourceScript& script,
                      std::vector<CompiledResource>& resources,
                      ScriptError& error) {
  resources.clear();
  auto add = [&](std::uint16_t type, NameOrOrdinal name, std::uint16_t language,
                 std::vector<std::uint8_t> bytes, const SourcePlace& place) {
    resources.push_back(CompiledResource{type, std::move(name), language, std::move(bytes), place});
  };
  for (const Dialog& d : script.dialogs) {
    add(kTypeDialog, d.name, d.language, DialogTemplate(d), d.place);
  }
  for (const Menu& m : script.menus)
    add(kTypeMenu, m.name, m.language, MenuTemplate(m), m.place);
  for (const VersionInfo& v : script.versions) {
    std::vector<std::uint8_t> block = VersionBlock(v);
    // Every node's length is a 16-bit field; the root's covers the whole block.
    if (block.size() > 0xFFFF) return Fail(error, v.place, "version block too long");
    add(kTypeVersion, v.name, v.language, std::move(block), v.place);
  }

  // String blocks: block b (from 1) holds ids (b - 1) x 16 to (b - 1) x 16 + 15, each as a
  // 16-bit length and that many UTF-16 characters, no terminator; a missing string has length 0.
  std::map<std::pair<std::uint16_t, std::uint16_t>, std::vector<const StringEntry*>> blocks;
  for (const StringEntry& s : script.strings) {
    auto& block = blocks[{s.language, static_cast<std::uint16_t>(s.id / 16 + 1)}];
    if (block.empty())
      block.resize(16, nullptr);
    block[s.id % 16] = &s;
  }
  for (const auto& [key, entries] : blocks) {
    ByteWriter w;
    const SourcePlace* place = nullptr;
    for (const StringEntry* e : entries) {
      if (e == nullptr) {
        w.U16(0);
        continue;
      }
      if (place == nullptr)
        place = &e->place;
      w.U16(static_cast<std::uint32_t>(e->text.size()));
      for (char16_t c : e->text)
        w.U16(c);
    }
    add(kTypeString, Ordinal(key.second), key.first, w.Take(), *place);
  }

  // Pictures. Cursor and icon images become numbered resources of their own (numbered from 1 in
  // the order met) that their group lists:
  //   group: reserved 0 (2), type 1 icon or 2 cursor (2), count (2), then 14 bytes an image:
  //     icon:   width (1), height (1), colour count (1), reserved (1)
  //     cursor: width (2), height of colour and mask images together (2)
  //     then planes (2), bits per pixel (2), bytes of the image resource (4), its number (2)
  //   a cursor image resource starts with its hot spot x and y (2 + 2) before the image.
  std::uint16_t next_icon = 1, next_cursor = 1;
  for (const PictureResource& p : script.pictures) {
    std::string message;
    if (p.type == kTypeBitmap) {
      std::vector<std::uint8_t> dib;
      if (!ReadBitmapFile(p.bytes, dib, message))
        return Fail(error, p.place, p.path + ": " + message);
      add(kTypeBitmap, p.name, p.language, std::move(dib), p.place);
      continue;
    }
    bool cursor = p.type == kTypeCursor;
    std::vector<IconImage> images;
    if (!ReadIconFile(p.bytes, cursor ? 2 : 1, images, message)) {
      return Fail(error, p.place, p.path + ": " + message);
    }
    std::uint16_t& next = cursor ? next_cursor : next_icon;
    if (images.size() > static_cast<std::size_t>(0xFFFF - next)) {
      return Fail(error, p.place, "too many images");
    }
    ByteWriter group;
    group.U16(0);
    group.U16(cursor ? 2 : 1);
    group.U16(static_cast<std::uint32_t>(images.size()));
    for (const IconImage& image : images) {
      std::uint16_t number = next++;
      ByteWriter data;
      if (cursor) {
        data.U16(image.hotspot_x);
        data.U16(image.hotspot_y);
      }
      data.Append(image.data);
      std::vector<std::uint8_t> bytes = data.Take();
      if (cursor) {
        group.U16(image.width);
        group.U16(static_cast<std::uint32_t>(image.height) * 2);
      } else {
        group.U8(image.width);
        group.U8(image.height);
        group.U8(image.color_count);
        group.U8(0);
      }
      group.U16(image.planes);
      group.U16(image.bit_count);
      group.U32(static_cast<std::uint32_t>(bytes.size()));
      group.U16(number);
      add(cursor ? kTypeCursor : kTypeIcon, Ordinal(number), p.language, std::move(bytes), p.place);
    }
    add(cursor ? kTypeGroupCursor : kTypeGroupIcon, p.name, p.language, group.Take(), p.place);
  }

  std::stable_sort(
      resources.begin(), resources.end(), [](const CompiledResource& a, const CompiledResource& b) {
        return std::make_tuple(a.type, !a.name.is_ordinal, a.name.ordinal, a.name.text,
                               a.language) <
               std::make_tuple(b.type, !b.name.is_ordinal, b.name.ordinal, b.name.text, b.language);
      });
  return true;
}

}  // namespace vel::velrc
