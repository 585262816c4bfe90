// The generated table, the dump and the export of pictures.
#include "tools/velrc/ResourceOutput.h"

#include <cstdio>
#include <fstream>
#include <map>

#include "tools/velrc/PictureFiles.h"

namespace vel::velrc {

namespace {

std::string NameText(const NameOrOrdinal& name) {
  return name.is_ordinal ? std::to_string(name.ordinal) : ToUtf8(name.text);
}

// A text as a C string literal's body (or for the dump): quotes, backslashes and control
// characters escaped.
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    switch (c) {
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        out += c;
    }
  }
  return out + "\"";
}

const char* AtomName(std::uint16_t atom) {
  switch (atom) {
    case 0x80:
      return "button";
    case 0x81:
      return "edit";
    case 0x82:
      return "static";
    case 0x83:
      return "list box";
    case 0x84:
      return "scroll bar";
    case 0x85:
      return "combo box";
  }
  return "atom";
}

std::uint16_t Get16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t Get32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return Get16(b, at) | (static_cast<std::uint32_t>(Get16(b, at + 2)) << 16);
}

bool WriteFile(const std::string& path,
               const std::vector<std::uint8_t>& bytes,
               std::string& error) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace

void WriteTable(std::ostream& out,
                const std::vector<CompiledResource>& resources,
                const std::string& script_name,
                const TableNames& names) {
  out << "// Resource table written by velrc from " << script_name << "; do not edit.\n";
  out << "#include <cstddef>\n\n#include \"" << names.header << "\"\n\n";
  out << "namespace " << names.name_space << " {\n\nnamespace {\n\n";
  for (std::size_t i = 0; i < resources.size(); ++i) {
    const CompiledResource& r = resources[i];
    // A narrow string literal fills an unsigned char array; one more element for its terminator.
    out << "// " << NameText(r.name) << ", type " << r.type << ", language " << r.language
        << "\nconst unsigned char kData" << i << "[" << r.bytes.size() + 1 << "] =";
    if (r.bytes.empty())
      out << " \"\"";
    char cell[8];
    for (std::size_t at = 0; at < r.bytes.size(); ++at) {
      if (at % 32 == 0)
        out << "\n    \"";
      std::snprintf(cell, sizeof cell, "\\x%02x", r.bytes[at]);
      out << cell;
      if (at % 32 == 31 || at + 1 == r.bytes.size())
        out << "\"";
    }
    out << ";\n";
    if (!r.name.is_ordinal) {
      out << "const char16_t kName" << i << "[] = {";
      for (char16_t c : r.name.text)
        out << static_cast<unsigned>(c) << ", ";
      out << "0};\n";
    }
  }
  out << "\n}  // namespace\n\n";
  out << "extern const " << names.type << " " << names.symbol << "[] = {\n";
  for (std::size_t i = 0; i < resources.size(); ++i) {
    const CompiledResource& r = resources[i];
    out << "    {{" << r.type << ", nullptr}, {" << (r.name.is_ordinal ? r.name.ordinal : 0) << ", "
        << (r.name.is_ordinal ? std::string("nullptr") : "kName" + std::to_string(i)) << "}, "
        << r.language << ", kData" << i << ", " << r.bytes.size() << "},\n";
  }
  if (resources.empty())
    out << "    {{0, nullptr}, {0, nullptr}, 0, nullptr, 0},\n";
  out << "};\n";
  out << "extern const std::size_t " << names.symbol << "Count = " << resources.size() << ";\n\n";
  out << "}  // namespace " << names.name_space << "\n";
}

void WriteDump(std::ostream& out, const ResourceScript& script) {
  for (const Dialog& d : script.dialogs) {
    out << "DIALOG " << NameText(d.name) << " " << Quoted(ToUtf8(d.caption)) << " " << d.cx << " x "
        << d.cy << " language " << d.language << "\n";
    for (const DialogItem& item : d.items) {
      out << "  " << item.id << " "
          << (item.window_class.is_ordinal ? AtomName(item.window_class.ordinal)
                                           : ToUtf8(item.window_class.text));
      if (item.title.is_ordinal) {
        out << " #" << item.title.ordinal;
      } else if (!item.title.text.empty()) {
        out << " " << Quoted(ToUtf8(item.title.text));
      }
      out << "\n";
    }
  }
  for (const StringEntry& s : script.strings) {
    out << "STRING " << s.id << " " << Quoted(ToUtf8(s.text)) << "\n";
  }
}

bool ExportPictures(const std::vector<CompiledResource>& resources,
                    const std::string& folder,
                    std::string& error) {
  std::map<std::pair<std::uint16_t, std::uint16_t>, const CompiledResource*> images;
  for (const CompiledResource& r : resources) {
    if ((r.type == kTypeIcon || r.type == kTypeCursor) && r.name.is_ordinal) {
      images[{r.type, r.name.ordinal}] = &r;
    }
  }
  std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
  for (const CompiledResource& r : resources) {
    if (r.type == kTypeBitmap) {
      if (!WriteFile(prefix + "bitmap_" + NameText(r.name) + ".bmp", WriteBitmapFile(r.bytes),
                     error)) {
        return false;
      }
      continue;
    }
    if (r.type != kTypeGroupIcon && r.type != kTypeGroupCursor)
      continue;
    bool cursor = r.type == kTypeGroupCursor;
    std::vector<IconImage> list;
    std::uint16_t count = Get16(r.bytes, 4);
    for (std::uint16_t i = 0; i < count; ++i) {
      std::size_t at = 6 + 14 * static_cast<std::size_t>(i);
      auto found = images.find({cursor ? kTypeCursor : kTypeIcon, Get16(r.bytes, at + 12)});
      if (found == images.end())
        continue;
      const std::vector<std::uint8_t>& data = found->second->bytes;
      IconImage image;
      std::size_t skip = cursor ? 4 : 0;
      // The picture's size from the image's own header (the height there covers the mask too).
      image.width = static_cast<std::uint8_t>(Get32(data, skip + 4));
      image.height = static_cast<std::uint8_t>(Get32(data, skip + 8) / 2);
      image.planes = Get16(r.bytes, at + 4);
      image.bit_count = Get16(r.bytes, at + 6);
      if (cursor) {
        image.hotspot_x = Get16(data, 0);
        image.hotspot_y = Get16(data, 2);
      } else {
        image.color_count = r.bytes[at + 2];
      }
      image.data.assign(data.begin() + static_cast<std::ptrdiff_t>(skip), data.end());
      list.push_back(std::move(image));
    }
    std::string path =
        prefix + (cursor ? "cursor_" : "icon_") + NameText(r.name) + (cursor ? ".cur" : ".ico");
    if (!WriteFile(path, WriteIconFile(list, cursor ? 2 : 1), error))
      return false;
  }
  return true;
}

}  // namespace vel::velrc
