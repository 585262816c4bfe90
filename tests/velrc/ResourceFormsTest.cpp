// The binary forms the compiler writes: golden bytes of a dialog template, a string block and a
// menu; the version block's layout; cursor and icon groups; pictures exported back to files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "tests/support/ByteMatch.h"
#include "tests/support/ResourceDecoder.h"
#include "tests/velrc/VelrcTestFiles.h"
#include "tools/velrc/PictureFiles.h"
#include "tools/velrc/ResourceOutput.h"

namespace vel::test {
namespace {

std::uint32_t U16At(const Bytes& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8);
}
std::uint32_t U32At(const Bytes& b, std::size_t at) {
  return U16At(b, at) | (U16At(b, at + 2) << 16);
}

TEST(VelrcForms, DialogTemplateBytes) {
  std::vector<velrc::CompiledResource> out;
  ASSERT_EQ(Compile("LANGUAGE 9, 1\n#define ID_ICON 5\n"
                    "7 DIALOG 1, 2, 30, 40\nSTYLE WS_POPUP | WS_CAPTION\nCAPTION \"Hi\"\n"
                    "FONT 8, \"A\"\nBEGIN\n"
                    "  CONTROL \"x\", 3, \"msctls_updown32\", 0x1, 4, 5, 6, 7\n"
                    "  ICON ID_ICON, -1, 9, 10\nEND\n",
                    out),
            "");
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].type, velrc::kTypeDialog);
  EXPECT_EQ(out[0].language, 1033);
  Bytes expected = HexBytes(R"(
    40 00 C0 80  00 00 00 00  02 00            # style popup|caption|setfont, ex style, 2 items
    01 00 02 00 1E 00 28 00                    # x 1, y 2, cx 30, cy 40
    00 00  00 00                               # no menu, dialog class
    48 00 69 00 00 00                          # caption "Hi"
    08 00 41 00 00 00                          # 8 point "A"
    00 00                                      # to a 4-byte boundary (offset 36)
    01 00 00 50  00 00 00 00                   # child|visible|1, ex style
    04 00 05 00 06 00 07 00  03 00             # x, y, cx, cy, id 3
    6D 00 73 00 63 00 74 00 6C 00 73 00 5F 00 75 00 70 00 64 00 6F 00 77 00 6E 00
    33 00 32 00 00 00                          # class "msctls_updown32"
    78 00 00 00  00 00                         # title "x", no creation data (ends at 92)
    03 00 00 50  00 00 00 00                   # child|visible|SS_ICON
    09 00 0A 00 00 00 00 00  FF FF             # x 9, y 10, no size, id -1
    FF FF 82 00                                # class atom static
    FF FF 05 00                                # title: icon 5
    00 00
  )");
  EXPECT_TRUE(BytesEqual(expected, out[0].bytes));
}

TEST(VelrcForms, StringBlocksHoldSixteenCountedStrings) {
  std::vector<velrc::CompiledResource> out;
  ASSERT_EQ(Compile("STRINGTABLE\nBEGIN\n  17 \"ab\"\n  16 \"\"\"q\"\"\\n\"\n  31 \"\"\n"
                    "  65535 \"z\"\nEND\n",
                    out),
            "");
  ASSERT_EQ(out.size(), 2u);
  // Ids 16-31 are block 2; 65535 is the last entry of block 4096.
  const velrc::CompiledResource* block = Find(out, velrc::kTypeString, 2);
  ASSERT_NE(block, nullptr);
  Bytes expected = HexBytes(R"(
    04 00 22 00 71 00 22 00 0A 00              # 16: "q" and a line break
    02 00 61 00 62 00                          # 17: ab
    00 00 00 00 00 00 00 00 00 00 00 00 00 00  # 18-24
    00 00 00 00 00 00 00 00 00 00 00 00 00 00  # 25-31 (31 is empty)
  )");
  EXPECT_TRUE(BytesEqual(expected, block->bytes));
  const velrc::CompiledResource* last = Find(out, velrc::kTypeString, 4096);
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(last->bytes.size(), 15u * 2 + 4);
  EXPECT_EQ(U16At(last->bytes, 30), 1u);
}

TEST(VelrcForms, MenuTemplateBytes) {
  std::vector<velrc::CompiledResource> out;
  ASSERT_EQ(Compile("App MENU\nBEGIN\n  POPUP \"&F\"\n  BEGIN\n    MENUITEM \"&O\", 11, GRAYED\n"
                    "    MENUITEM SEPARATOR\n  END\n  MENUITEM \"&H\", 12\nEND\n",
                    out),
            "");
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].name.text, u"APP");
  Bytes expected = HexBytes(R"(
    00 00 00 00                   # version 0, header size 0
    10 00 26 00 46 00 00 00       # pop-up "&F"
    01 00 0B 00 26 00 4F 00 00 00 # grayed item 11 "&O"
    80 00 00 00 00 00             # separator, last of the pop-up
    80 00 0C 00 26 00 48 00 00 00 # item 12 "&H", last of the menu
  )");
  EXPECT_TRUE(BytesEqual(expected, out[0].bytes));
}

// Walks one node of a version block and its children, checking that every length fits its parent
// and every child starts on a 4-byte boundary; collects "path=value" for text values.
void WalkVersion(const Bytes& b,
                 std::size_t at,
                 std::size_t end,
                 const std::string& path,
                 std::vector<std::string>& texts) {
  ASSERT_EQ(at % 4, 0u);
  ASSERT_LE(at + 6, end);
  std::size_t length = U16At(b, at), value_length = U16At(b, at + 2), type = U16At(b, at + 4);
  ASSERT_LE(at + length, end);
  std::size_t p = at + 6;
  std::u16string key;
  while (U16At(b, p) != 0) {
    key += static_cast<char16_t>(U16At(b, p));
    p += 2;
  }
  p = (p + 2 + 3) & ~std::size_t{3};
  std::string name = path + "/" + Narrow(key);
  if (type == 1 && value_length > 0) {
    std::u16string value;
    for (std::size_t i = 0; i + 1 < value_length; ++i)
      value += static_cast<char16_t>(U16At(b, p + 2 * i));
    EXPECT_EQ(U16At(b, p + 2 * (value_length - 1)), 0u) << "terminated";
    texts.push_back(name + "=" + Narrow(value));
    p += 2 * value_length;
  } else {
    p += value_length;
  }
  while (true) {
    p = (p + 3) & ~std::size_t{3};
    if (p >= at + length)
      break;
    WalkVersion(b, p, at + length, name, texts);
    p += U16At(b, p);
  }
}

TEST(VelrcForms, VersionBlockInTheThirtyTwoBitLayout) {
  std::vector<velrc::CompiledResource> out;
  ASSERT_EQ(Compile("1 VERSIONINFO\nFILEVERSION 4, 1, 1, 5\nPRODUCTVERSION 4, 1, 1, 5\n"
                    "FILEFLAGSMASK 0x3F\nFILEFLAGS 0\nFILEOS VOS_NT_WINDOWS32\nFILETYPE VFT_DRV\n"
                    "FILESUBTYPE VFT2_DRV_PRINTER\nBEGIN\n"
                    "  BLOCK \"StringFileInfo\"\n  BEGIN\n    BLOCK \"040904B0\"\n    BEGIN\n"
                    "      VALUE \"FileVersion\", \"4.1.1.5\"\n      VALUE \"Empty\", \"\"\n"
                    "    END\n  END\n"
                    "  BLOCK \"VarFileInfo\"\n  BEGIN\n    VALUE \"Translation\", 0x0409, 0x04B0\n"
                    "    VALUE \"Long\", 0x12345678L\n  END\nEND\n",
                    out),
            "");
  ASSERT_EQ(out.size(), 1u);
  const Bytes& b = out[0].bytes;
  EXPECT_EQ(U16At(b, 0), b.size());
  EXPECT_EQ(U16At(b, 2), 52u);  // the fixed information's size
  EXPECT_EQ(U16At(b, 4), 0u);   // binary root
  EXPECT_EQ(U32At(b, 40), 0xFEEF04BDu);
  EXPECT_EQ(U32At(b, 44), 0x00010000u);
  EXPECT_EQ(U32At(b, 48), 0x00040001u);
  EXPECT_EQ(U32At(b, 52), 0x00010005u);
  EXPECT_EQ(U32At(b, 56), 0x00040001u);
  EXPECT_EQ(U32At(b, 60), 0x00010005u);
  EXPECT_EQ(U32At(b, 64), 0x3Fu);
  EXPECT_EQ(U32At(b, 68), 0u);
  EXPECT_EQ(U32At(b, 72), 0x40004u);
  EXPECT_EQ(U32At(b, 76), 3u);
  EXPECT_EQ(U32At(b, 80), 1u);
  std::vector<std::string> texts;
  WalkVersion(b, 0, b.size(), "", texts);
  EXPECT_EQ(texts, (std::vector<std::string>{
                       "/VS_VERSION_INFO/StringFileInfo/040904B0/FileVersion=4.1.1.5",
                       "/VS_VERSION_INFO/StringFileInfo/040904B0/Empty="}));
  // The translation pair: two words; an L number is a double word.
  std::string text(b.begin(), b.end());
  std::u16string key = u"Translation";
  std::string key_bytes(reinterpret_cast<const char*>(key.data()), key.size() * 2);
  std::size_t at = text.find(key_bytes);
  ASSERT_NE(at, std::string::npos);
  std::size_t node = at - 6;
  EXPECT_EQ(U16At(b, node + 2), 4u);
  std::size_t value = (at + key_bytes.size() + 2 + 3) & ~std::size_t{3};
  EXPECT_EQ(U32At(b, value), 0x04B00409u);
  EXPECT_EQ(U16At(b, value + 4 + 2), 4u) << "the L value's length in bytes";
}

TEST(VelrcForms, CursorAndIconGroupsListTheirImages) {
  std::vector<velrc::CompiledResource> out;
  ASSERT_EQ(Compile("9 CURSOR \"cursor_11220.cur\"\n10 ICON \"icon_11413.ico\"\n"
                    "11 ICON \"icon_11414.ico\"\n",
                    out),
            "");
  const velrc::CompiledResource* cursor_group = Find(out, velrc::kTypeGroupCursor, 9);
  ASSERT_NE(cursor_group, nullptr);
  const Bytes& g = cursor_group->bytes;
  ASSERT_EQ(g.size(), 6u + 14);
  EXPECT_EQ(U16At(g, 2), 2u);
  EXPECT_EQ(U16At(g, 4), 1u);
  EXPECT_EQ(U16At(g, 6), 32u);  // width
  EXPECT_EQ(U16At(g, 8), 64u);  // height of colour and mask
  EXPECT_EQ(U16At(g, 10), 1u);  // planes
  EXPECT_EQ(U16At(g, 12), 1u);  // bits
  const velrc::CompiledResource* cursor = Find(out, velrc::kTypeCursor, U16At(g, 18));
  ASSERT_NE(cursor, nullptr);
  EXPECT_EQ(U32At(g, 14), cursor->bytes.size());
  EXPECT_EQ(U16At(cursor->bytes, 0), 5u);  // hot spot
  EXPECT_EQ(U16At(cursor->bytes, 2), 1u);
  EXPECT_EQ(U32At(cursor->bytes, 4), 40u);  // then the image's header

  std::set<std::uint32_t> numbers;
  for (std::uint16_t id : {10, 11}) {
    const velrc::CompiledResource* group = Find(out, velrc::kTypeGroupIcon, id);
    ASSERT_NE(group, nullptr);
    const Bytes& ig = group->bytes;
    ASSERT_EQ(U16At(ig, 2), 1u);
    ASSERT_EQ(U16At(ig, 4), 3u);
    const std::uint32_t kColours[3] = {2, 8, 16}, kBits[3] = {1, 4, 4};
    for (int i = 0; i < 3; ++i) {
      std::size_t e = 6 + 14 * i;
      EXPECT_EQ(ig[e], 32);
      EXPECT_EQ(ig[e + 1], 32);
      EXPECT_EQ(ig[e + 2], kColours[i]);
      EXPECT_EQ(U16At(ig, e + 6), kBits[i]);
      const velrc::CompiledResource* image = Find(out, velrc::kTypeIcon, U16At(ig, e + 12));
      ASSERT_NE(image, nullptr);
      EXPECT_EQ(U32At(ig, e + 8), image->bytes.size());
      numbers.insert(U16At(ig, e + 12));
    }
  }
  EXPECT_EQ(numbers.size(), 6u) << "every image has a number of its own";
}

TEST(VelrcForms, ExportGivesBackThePictureFiles) {
  std::vector<velrc::CompiledResource> out;
  ASSERT_EQ(Compile("1 BITMAP \"bitmap_2100.bmp\"\n2 BITMAP \"bitmap_11214.bmp\"\n"
                    "3 CURSOR \"cursor_11220.cur\"\n4 ICON \"icon_11424.ico\"\n",
                    out),
            "");
  std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("velrc_export_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  std::string error;
  ASSERT_TRUE(velrc::ExportPictures(out, folder.string(), error)) << error;
  std::map<std::string, std::string> pairs = {{"bitmap_1.bmp", "bitmap_2100.bmp"},
                                              {"bitmap_2.bmp", "bitmap_11214.bmp"},
                                              {"cursor_3.cur", "cursor_11220.cur"},
                                              {"icon_4.ico", "icon_11424.ico"}};
  for (const velart::ArtworkFile& art : velart::DrawArtwork()) {
    for (const auto& [exported, source] : pairs) {
      if (art.name != source)
        continue;
      std::ifstream in(folder / exported, std::ios::binary);
      Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      EXPECT_TRUE(BytesEqual(art.bytes, bytes)) << exported;
    }
  }
  std::filesystem::remove_all(folder);
}

TEST(VelrcForms, TableListsEveryResourceWithItsBytes) {
  std::vector<velrc::CompiledResource> out;
  ASSERT_EQ(
      Compile("STRINGTABLE\nBEGIN\n  1 \"a\"\nEND\nUI MENU\nBEGIN\n MENUITEM \"b\", 2\nEND\n", out),
      "");
  std::ostringstream text;
  velrc::WriteTable(text, out, "test.vrc", velrc::TableNames{});
  std::string table = text.str();
  EXPECT_NE(table.find("#include \"platform/win32/ModuleDescriptor.h\""), std::string::npos);
  EXPECT_NE(table.find("{{4, nullptr}, {0, kName0}, 0, kData0, 12}"), std::string::npos) << table;
  EXPECT_NE(table.find("const char16_t kName0[] = {85, 73, 0};"), std::string::npos);
  EXPECT_NE(table.find("{{6, nullptr}, {1, nullptr}, 0, kData1, 34}"), std::string::npos);
  EXPECT_NE(table.find("extern const std::size_t kResourcesCount = 2;"), std::string::npos);
}

}  // namespace
}  // namespace vel::test
