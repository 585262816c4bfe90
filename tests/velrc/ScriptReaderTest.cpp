// The script reader: faults reported with their place, the preprocessor, names and style
// expressions.
#include <gtest/gtest.h>

#include "tests/support/ResourceDecoder.h"
#include "tests/velrc/VelrcTestFiles.h"

namespace vel::test {
namespace {

struct FaultCase {
  const char* what;
  std::string script;
  std::string error;  // "file:line: message"
};

TEST(VelrcScriptReader, FaultsNameTheFileAndLine) {
  const std::vector<FaultCase> cases = {
      {"unknown statement", "LANGUAGE 9, 1\nFOO 1, 2\n", "test.vrc:2: unknown statement 'FOO'"},
      {"unknown item", "1 DIALOG 0, 0, 9, 9\nBEGIN\n  WIDGET \"a\", 1\nEND\n",
       "test.vrc:3: unknown statement 'WIDGET' in DIALOG"},
      {"unterminated string", "STRINGTABLE\nBEGIN\n  1 \"abc\nEND\n",
       "test.vrc:3: unterminated string"},
      {"string at the end of the file", "STRINGTABLE\nBEGIN\n  1 \"abc",
       "test.vrc:3: unterminated string"},
      {"bad escape", "STRINGTABLE\nBEGIN\n  1 \"a\\qb\"\nEND\n",
       "test.vrc:3: bad escape '\\q' in string"},
      {"duplicate string", "STRINGTABLE\nBEGIN\n  7 \"a\"\n  7 \"b\"\nEND\n",
       "test.vrc:4: duplicate string id 7"},
      {"duplicate string in a second table",
       "STRINGTABLE\nBEGIN\n  7 \"a\"\nEND\nSTRINGTABLE\nBEGIN\n  7 \"b\"\nEND\n",
       "test.vrc:7: duplicate string id 7"},
      {"duplicate dialog", "1 DIALOG 0, 0, 9, 9\nBEGIN\nEND\n\n1 DIALOG 0, 0, 9, 9\nBEGIN\nEND\n",
       "test.vrc:5: duplicate DIALOG id 1"},
      {"duplicate bitmap by name",
       "PIC BITMAP \"bitmap_2100.bmp\"\npic BITMAP \"bitmap_2101.bmp\"\n",
       "test.vrc:2: duplicate BITMAP id 'PIC'"},
      {"missing include", "#include \"nope.h\"\n", "test.vrc:1: cannot open include file 'nope.h'"},
      {"fault inside an include", "#include \"ids.h\"\n", "ids.h:2: unsupported directive #if"},
      {"undefined name", "1 DIALOG 0, 0, WIDTH, 9\nBEGIN\nEND\n",
       "test.vrc:1: undefined name 'WIDTH'"},
      {"macro that names itself", "#define A A + 1\n1 DIALOG 0, 0, A, 9\nBEGIN\nEND\n",
       "test.vrc:2: macros nested too deeply"},
      {"macro with parameters", "#define F(x) x\n",
       "test.vrc:1: macros with parameters are not supported"},
      {"missing END", "STRINGTABLE\nBEGIN\n  1 \"a\"\n", "test.vrc:1: STRINGTABLE without END"},
      {"coordinate out of range", "1 DIALOG 0, 0, 40000, 9\nBEGIN\nEND\n",
       "test.vrc:1: value 40000 out of range"},
      {"missing picture", "1 BITMAP \"none.bmp\"\n", "test.vrc:1: cannot open 'none.bmp'"},
      {"picture that is not one", "1 BITMAP \"junk.bmp\"\n",
       "test.vrc:1: junk.bmp: not a bitmap file"},
      {"cursor file given as an icon", "1 ICON \"cursor_11220.cur\"\n",
       "test.vrc:1: cursor_11220.cur: not an icon file"},
      {"unterminated comment", "/* no end\n\n", "test.vrc:1: unterminated comment"},
      {"text and numbers in one value", "1 VERSIONINFO\nBEGIN\n  VALUE \"k\", 1, \"a\"\nEND\n",
       "test.vrc:3: text and numbers mixed in one VALUE"},
      {"version text longer than its length field",
       "1 VERSIONINFO\nBEGIN\n  VALUE \"k\", \"" + std::string(0x4001, 'a') + "\"\nEND\n",
       "test.vrc:3: VALUE too long"},
      {"menu item without id", "M MENU\nBEGIN\n  MENUITEM \"a\"\nEND\n",
       "test.vrc:4: expected ',', found 'END'"},
  };
  std::map<std::string, std::string> files = {{"ids.h", "#define A 1\n#if A\n"},
                                              {"junk.bmp", "junk"}};
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<velrc::CompiledResource> out;
    EXPECT_EQ(Compile(c.script, out, MemoryFiles(files)), c.error);
  }
}

TEST(VelrcScriptReader, OneIdMayServeSeveralTypes) {
  std::vector<velrc::CompiledResource> out;
  ASSERT_EQ(Compile("1 DIALOG 0, 0, 9, 9\nBEGIN\nEND\n1 MENU\nBEGIN\n MENUITEM \"a\", 1\nEND\n"
                    "1 BITMAP \"bitmap_11202.bmp\"\nSTRINGTABLE\nBEGIN\n 1 \"a\"\nEND\n",
                    out),
            "");
  EXPECT_EQ(out.size(), 4u);
}

TEST(VelrcScriptReader, IncludesDefinesAndLanguage) {
  std::map<std::string, std::string> files = {
      {"ids.h",
       "// ids\n#pragma once\n#define IDD_MAIN 100 /* the main one */\n"
       "#define IDC_NAME (IDD_MAIN + 5)\n#define TEXT_STYLE SS_CENTER | NOT WS_GROUP\n"}};
  std::vector<velrc::CompiledResource> out;
  ASSERT_EQ(Compile("#include \"ids.h\"\nLANGUAGE 9, 1\n"
                    "IDD_MAIN DIALOG 0, 0, 50, 20\nBEGIN\n"
                    "  LTEXT \"a\", IDC_NAME, 0, 0, 10, 10, TEXT_STYLE\nEND\n"
                    "#undef IDD_MAIN\nIDD_MAIN MENU\nBEGIN\n MENUITEM \"a\", 1\nEND\n",
                    out, MemoryFiles(files)),
            "");
  const velrc::CompiledResource* dialog = Find(out, velrc::kTypeDialog, 100);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->language, 1033);
  DecodedDialog decoded;
  std::string error;
  ASSERT_TRUE(DecodeDialogTemplate(dialog->bytes.data(), dialog->bytes.size(), decoded, error))
      << error;
  ASSERT_EQ(decoded.items.size(), 1u);
  EXPECT_EQ(decoded.items[0].id, 105);
  EXPECT_EQ(decoded.items[0].style, 0x50000001u);  // child, visible, centred, group cleared
  // After #undef the word is a name of its own, in capitals.
  bool named_menu = false;
  for (const velrc::CompiledResource& r : out) {
    named_menu = named_menu || (r.type == velrc::kTypeMenu && r.name.text == u"IDD_MAIN");
  }
  EXPECT_TRUE(named_menu);
}

struct StyleCase {
  const char* item;
  std::uint32_t style;
};

TEST(VelrcScriptReader, ItemStylesAddToTheDefaultsAndNotRemoves) {
  const std::vector<StyleCase> cases = {
      {"PUSHBUTTON \"a\", 1, 0, 0, 1, 1", 0x50010000},
      {"PUSHBUTTON \"a\", 1, 0, 0, 1, 1, NOT WS_TABSTOP", 0x50000000},
      {"DEFPUSHBUTTON \"a\", 1, 0, 0, 1, 1", 0x50010001},
      {"AUTOCHECKBOX \"a\", 1, 0, 0, 1, 1, WS_DISABLED", 0x58010003},
      {"AUTORADIOBUTTON \"a\", 1, 0, 0, 1, 1", 0x50000009},
      {"GROUPBOX \"a\", 1, 0, 0, 1, 1", 0x50000007},
      {"RTEXT \"a\", 1, 0, 0, 1, 1", 0x50020002},
      {"EDITTEXT 1, 0, 0, 1, 1, ES_NUMBER", 0x50812000},
      {"COMBOBOX 1, 0, 0, 1, 1, CBS_DROPDOWNLIST", 0x50010003},
      {"LISTBOX 1, 0, 0, 1, 1", 0x50800001},
      {"SCROLLBAR 1, 0, 0, 1, 1, SBS_VERT", 0x50000001},
      {"CONTROL \"\", 1, \"Button\", BS_OWNERDRAW | NOT WS_VISIBLE, 0, 0, 1, 1", 0x4000000B},
      {"CONTROL \"\", 1, \"Button\", NOT WS_VISIBLE | WS_VISIBLE, 0, 0, 1, 1", 0x50000000},
      {"ICON 7, 1, 0, 0", 0x50000003},
      {"LTEXT \"a\", 1, 0, 0, 1, 1, 0x100 | (2 + 1) - 1", 0x50020102},
  };
  for (const StyleCase& c : cases) {
    SCOPED_TRACE(c.item);
    std::vector<velrc::CompiledResource> out;
    ASSERT_EQ(Compile(std::string("1 DIALOG 0, 0, 9, 9\nBEGIN\n") + c.item + "\nEND\n", out), "");
    DecodedDialog decoded;
    std::string error;
    ASSERT_TRUE(DecodeDialogTemplate(out[0].bytes.data(), out[0].bytes.size(), decoded, error));
    ASSERT_EQ(decoded.items.size(), 1u);
    EXPECT_EQ(decoded.items[0].style, c.style);
  }
}

TEST(VelrcScriptReader, StringEscapesAndUtf8) {
  std::vector<velrc::CompiledResource> out;
  ASSERT_EQ(Compile("STRINGTABLE\nBEGIN\n  1 \"a\\n\\r\\t\\\\\"\"b\"\"\"\n  2, "
                    "\"\xC3\xA9\xE2\x82\xAC\"\nEND\n",
                    out),
            "");
  std::array<std::u16string, 16> strings;
  std::string error;
  ASSERT_TRUE(DecodeStringBlock(out[0].bytes.data(), out[0].bytes.size(), strings, error));
  EXPECT_EQ(strings[1], u"a\n\r\t\\\"b\"");
  EXPECT_EQ(strings[2], u"\u00e9\u20ac");
  // A broken UTF-8 sequence is a fault, not a guess.
  EXPECT_EQ(Compile("STRINGTABLE\nBEGIN\n  1 \"\xC3\"\nEND\n", out),
            "test.vrc:3: string is not UTF-8");
}

}  // namespace
}  // namespace vel::test
