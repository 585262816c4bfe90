// Resource calls of the Win32 stand-in over tables that the tests write.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "platform/win32/loader.h"
#include "platform/win32/resources.h"
#include "platform/win32/text.h"

namespace {

using vel::platform::ResourceId;
using vel::platform::VirtualModule;

// An RT_STRING block: 16 strings, each a 16-bit length and its characters.
std::vector<std::uint8_t> StringBlock(const std::array<std::u16string, 16>& strings) {
  std::vector<std::uint8_t> bytes;
  for (const std::u16string& s : strings) {
    bytes.push_back(static_cast<std::uint8_t>(s.size()));
    bytes.push_back(static_cast<std::uint8_t>(s.size() >> 8));
    for (char16_t c : s) {
      bytes.push_back(static_cast<std::uint8_t>(c));
      bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
  }
  return bytes;
}

VirtualModule::Resource Resource(ResourceId type,
                                 ResourceId name,
                                 std::uint16_t language,
                                 std::vector<std::uint8_t> bytes) {
  VirtualModule::Resource resource;
  resource.type = type;
  resource.name = name;
  resource.language = language;
  resource.bytes = std::move(bytes);
  return resource;
}

class Win32ResourcesTest : public testing::Test {
 protected:
  void SetUp() override {
    // Block 751 holds ids 12000..12015.
    std::array<std::u16string, 16> strings;
    for (int i = 0; i < 16; ++i) {
      strings[i] = u"String " + vel::platform::WidenAnsi(std::to_string(12000 + i));
    }
    strings[1] = u"Invalid DEVMODE structure";
    strings[7] = u"";
    VirtualModule module;
    module.path = u"C:\\drivers\\velres.dll";
    module.resources.push_back(
        Resource({vel::platform::kRtString, nullptr}, {751, nullptr}, 1033, StringBlock(strings)));
    module.resources.push_back(
        Resource({vel::platform::kRtDialog, nullptr}, {1000, nullptr}, 1031, {0xDE}));
    module.resources.push_back(
        Resource({vel::platform::kRtDialog, nullptr}, {1000, nullptr}, 1033, {0xEE, 0xEE}));
    module.resources.push_back(
        Resource({vel::platform::kRtDialog, nullptr}, {2000, nullptr}, 0, {0x0A, 0x0B, 0x0C}));
    module.resources.push_back(Resource({0, u"Pictures"}, {0, u"Printer"}, 1033, {1, 2, 3, 4}));
    // A damaged block: the second string claims more characters than remain.
    module.resources.push_back(Resource({vel::platform::kRtString, nullptr}, {800, nullptr}, 1033,
                                        {1, 0, 'x', 0, 0x40, 0, 'y', 0}));
    vel::platform::RegisterVirtualModule(module);
    module_ = LoadLibraryW(u"velres");
    ASSERT_NE(module_, nullptr);
  }
  void TearDown() override {
    FreeLibrary(module_);
    vel::platform::ResetLoaderFixture();
  }

  HMODULE module_ = nullptr;
};

TEST_F(Win32ResourcesTest, LoadStringReadsEveryEntryOfABlock) {
  WCHAR buffer[64];
  for (UINT id = 12000; id < 12016; ++id) {
    const int length = LoadStringW(module_, id, buffer, 64);
    if (id == 12001) {
      EXPECT_EQ(std::u16string(buffer), u"Invalid DEVMODE structure");
    } else if (id == 12007) {
      EXPECT_EQ(length, 0);
      EXPECT_EQ(buffer[0], 0);
    } else {
      EXPECT_EQ(std::u16string(buffer), u"String " + vel::platform::WidenAnsi(std::to_string(id)));
    }
    EXPECT_EQ(length, lstrlenW(buffer)) << id;
  }
}

TEST_F(Win32ResourcesTest, LoadStringTruncatesMissesAndHandsOutPointers) {
  WCHAR buffer[8] = {u'?'};
  EXPECT_EQ(LoadStringW(module_, 12001, buffer, 8), 7);
  EXPECT_EQ(std::u16string(buffer), u"Invalid");
  EXPECT_EQ(LoadStringW(module_, 12001, buffer, 1), 0);
  EXPECT_EQ(buffer[0], 0);

  buffer[0] = u'?';
  SetLastError(0);
  EXPECT_EQ(LoadStringW(module_, 5100, buffer, 8), 0);  // no such block
  EXPECT_EQ(buffer[0], 0);
  EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);

  const WCHAR* text = nullptr;
  EXPECT_EQ(LoadStringW(module_, 12001, reinterpret_cast<LPWSTR>(&text), 0), 25);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(std::u16string(text, 25), u"Invalid DEVMODE structure");

  // A damaged block answers what lies before the damage and nothing after it.
  EXPECT_EQ(LoadStringW(module_, 12784, buffer, 8), 1);
  EXPECT_EQ(std::u16string(buffer), u"x");
  EXPECT_EQ(LoadStringW(module_, 12785, buffer, 8), 0);
  EXPECT_EQ(LoadStringW(module_, 12790, buffer, 8), 0);
}

TEST_F(Win32ResourcesTest, FindResourcePrefersEnglishThenNeutral) {
  HRSRC dialog = FindResourceW(module_, MAKEINTRESOURCEW(1000), RT_DIALOG);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(SizeofResource(module_, dialog), 2u);
  auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(module_, dialog)));
  EXPECT_EQ(bytes[0], 0xEE);

  HRSRC german = FindResourceExW(module_, RT_DIALOG, MAKEINTRESOURCEW(1000), 1031);
  ASSERT_NE(german, nullptr);
  EXPECT_EQ(SizeofResource(module_, german), 1u);
  SetLastError(0);
  EXPECT_EQ(FindResourceExW(module_, RT_DIALOG, MAKEINTRESOURCEW(1000), 1036), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_RESOURCE_LANG_NOT_FOUND);

  HRSRC neutral = FindResourceW(module_, MAKEINTRESOURCEW(2000), RT_DIALOG);
  ASSERT_NE(neutral, nullptr);
  EXPECT_EQ(SizeofResource(module_, neutral), 3u);
  EXPECT_EQ(FindResourceW(module_, u"#2000", RT_DIALOG), neutral);
}

TEST_F(Win32ResourcesTest, StringNamesAndMisses) {
  HRSRC picture = FindResourceW(module_, u"printer", u"PICTURES");
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(SizeofResource(module_, picture), 4u);

  struct Case {
    LPCWSTR name;
    LPCWSTR type;
    DWORD error;
  } cases[] = {
      {MAKEINTRESOURCEW(3000), RT_DIALOG, ERROR_RESOURCE_NAME_NOT_FOUND},
      {MAKEINTRESOURCEW(1000), RT_BITMAP, ERROR_RESOURCE_TYPE_NOT_FOUND},
      {u"Scanner", u"Pictures", ERROR_RESOURCE_NAME_NOT_FOUND},
      {u"#abc", RT_DIALOG, ERROR_RESOURCE_NAME_NOT_FOUND},
  };
  for (const Case& c : cases) {
    SetLastError(0);
    EXPECT_EQ(FindResourceW(module_, c.name, c.type), nullptr);
    EXPECT_EQ(GetLastError(), c.error);
  }
  SetLastError(0);
  EXPECT_EQ(FindResourceW(reinterpret_cast<HMODULE>(&cases), MAKEINTRESOURCEW(1000), RT_DIALOG),
            nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(Win32ResourcesTest, SharedLibraryTable) {
  vel::platform::SetModuleFolder(VEL_TEST_MODULE_DIR, u"C:\\drivers");
  HMODULE library = LoadLibraryW(u"vel_win32_test_module");
  ASSERT_NE(library, nullptr);
  WCHAR buffer[16];
  EXPECT_EQ(LoadStringW(library, 1, buffer, 16), 6);
  EXPECT_EQ(std::u16string(buffer), u"Tray 1");
  EXPECT_EQ(LoadStringW(library, 0, buffer, 16), 0);
  HRSRC blob = FindResourceW(library, u"BLOB", u"custom");
  ASSERT_NE(blob, nullptr);
  EXPECT_EQ(SizeofResource(library, blob), 4u);
  EXPECT_TRUE(FreeLibrary(library));
}

}  // namespace
