// Version information calls of the Win32 stand-in over a block written in the 32-bit layout.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/loader.h"
#include "platform/win32/text.h"
#include "platform/win32/winver.h"

namespace {

// Writes version nodes in the 32-bit layout: wLength, wValueLength, wType, the key with its NUL,
// padding to 4 bytes, the value, padding, the children; wLength is patched when the node ends.
class VersionWriter {
 public:
  std::size_t Begin(std::u16string_view key, std::uint16_t value_length, std::uint16_t type) {
    Pad();
    const std::size_t start = bytes_.size();
    U16(0);
    U16(value_length);
    U16(type);
    for (char16_t c : key) {
      U16(c);
    }
    U16(0);
    Pad();
    return start;
  }
  void End(std::size_t start) {
    const std::size_t length = bytes_.size() - start;
    bytes_[start] = static_cast<std::uint8_t>(length);
    bytes_[start + 1] = static_cast<std::uint8_t>(length >> 8);
  }
  void U16(std::uint16_t value) {
    bytes_.push_back(static_cast<std::uint8_t>(value));
    bytes_.push_back(static_cast<std::uint8_t>(value >> 8));
  }
  void U32(std::uint32_t value) {
    U16(static_cast<std::uint16_t>(value));
    U16(static_cast<std::uint16_t>(value >> 16));
  }
  void Pad() {
    while (bytes_.size() % 4 != 0) {
      bytes_.push_back(0);
    }
  }
  void String(std::u16string_view key, std::u16string_view value) {
    const std::size_t start = Begin(key, static_cast<std::uint16_t>(value.size() + 1), 1);
    for (char16_t c : value) {
      U16(c);
    }
    U16(0);
    End(start);
  }
  std::vector<std::uint8_t>& Bytes() { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

std::vector<std::uint8_t> VersionBlock() {
  VersionWriter w;
  const std::size_t root = w.Begin(u"VS_VERSION_INFO", 52, 0);
  const std::uint32_t fixed[13] = {0xFEEF04BD, 0x00010000, 0x00040001, 0x00010005, 0x00040001,
                                   0x00010005, 0x3F,       0,          0x40004,    3,
                                   1,          0,          0};
  for (std::uint32_t word : fixed) {
    w.U32(word);
  }
  const std::size_t string_info = w.Begin(u"StringFileInfo", 0, 1);
  const std::size_t table = w.Begin(u"040904B0", 0, 1);
  w.String(u"CompanyName", u"Quorvel Company");
  w.String(u"FileVersion", u"4.1.1.5");
  w.String(u"Comments", u"");
  w.End(table);
  w.End(string_info);
  const std::size_t var_info = w.Begin(u"VarFileInfo", 0, 1);
  const std::size_t translation = w.Begin(u"Translation", 4, 0);
  w.U16(0x0409);
  w.U16(0x04B0);
  w.End(translation);
  w.End(var_info);
  w.End(root);
  return w.Bytes();
}

TEST(Win32VersionInfoTest, QueriesTheFixedPartTranslationsAndStrings) {
  const std::vector<std::uint8_t> block = VersionBlock();
  std::uint32_t signature = 0;
  std::memcpy(&signature, block.data() + 40, 4);
  ASSERT_EQ(signature, VS_FFI_SIGNATURE);

  LPVOID value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), u"\\", &value, &length));
  EXPECT_EQ(length, 52u);
  EXPECT_EQ(value, block.data() + 40);
  VS_FIXEDFILEINFO fixed;
  std::memcpy(&fixed, value, sizeof fixed);
  EXPECT_EQ(fixed.dwFileVersionMS, 0x00040001u);
  EXPECT_EQ(fixed.dwFileOS, 0x40004u);

  ASSERT_TRUE(VerQueryValueW(block.data(), u"\\VarFileInfo\\Translation", &value, &length));
  EXPECT_EQ(length, 4u);
  const auto* pair = static_cast<const std::uint8_t*>(value);
  EXPECT_EQ(pair[0] | pair[1] << 8, 0x0409);
  EXPECT_EQ(pair[2] | pair[3] << 8, 0x04B0);

  ASSERT_TRUE(
      VerQueryValueW(block.data(), u"\\StringFileInfo\\040904b0\\FileVersion", &value, &length));
  EXPECT_EQ(length, 8u);  // characters with the NUL
  EXPECT_EQ(std::u16string(static_cast<const char16_t*>(value)), u"4.1.1.5");
  ASSERT_TRUE(
      VerQueryValueW(block.data(), u"\\StringFileInfo\\040904B0\\companyname", &value, &length));
  EXPECT_EQ(std::u16string(static_cast<const char16_t*>(value)), u"Quorvel Company");
  ASSERT_TRUE(
      VerQueryValueW(block.data(), u"\\StringFileInfo\\040904B0\\Comments", &value, &length));
  EXPECT_EQ(length, 1u);

  EXPECT_FALSE(
      VerQueryValueW(block.data(), u"\\StringFileInfo\\040704B0\\FileVersion", &value, &length));
  EXPECT_FALSE(
      VerQueryValueW(block.data(), u"\\StringFileInfo\\040904B0\\ProductName", &value, &length));
}

TEST(Win32VersionInfoTest, DamagedBlocksAnswerFalse) {
  const std::vector<std::uint8_t> good = VersionBlock();
  LPVOID value = nullptr;
  UINT length = 0;
  // A string node whose length runs past its table.
  std::vector<std::uint8_t> block = good;
  const std::size_t table = 92 + 36;  // StringFileInfo at 92, its key padded to 36 bytes
  ASSERT_EQ(block[table + 6], '0');
  block[table + 24] = 0xFF;  // the first string's wLength, after the table's 24-byte header
  block[table + 25] = 0x7F;
  EXPECT_FALSE(
      VerQueryValueW(block.data(), u"\\StringFileInfo\\040904B0\\FileVersion", &value, &length));
  // A root that claims less than its own header, and one whose value runs past it.
  block = good;
  block[0] = 4;
  block[1] = 0;
  EXPECT_FALSE(VerQueryValueW(block.data(), u"\\", &value, &length));
  block = good;
  block[0] = 60;
  block[1] = 0;
  EXPECT_FALSE(VerQueryValueW(block.data(), u"\\", &value, &length));
}

TEST(Win32VersionInfoTest, FileVersionInfoOfAModuleLoadedOrNot) {
  vel::platform::VirtualModule module;
  module.path = u"C:\\drivers\\velui.dll";
  vel::platform::VirtualModule::Resource version;
  version.type = {vel::platform::kRtVersion, nullptr};
  version.name = {1, nullptr};
  version.bytes = VersionBlock();
  module.resources.push_back(version);
  vel::platform::RegisterVirtualModule(module);

  DWORD handle = 7;
  const DWORD size = GetFileVersionInfoSizeW(u"C:\\drivers\\velui.dll", &handle);
  EXPECT_EQ(size, version.bytes.size());
  EXPECT_EQ(handle, 0u);
  std::vector<std::uint8_t> copy(size);
  ASSERT_TRUE(GetFileVersionInfoW(u"C:\\drivers\\velui.dll", 0, size, copy.data()));
  EXPECT_EQ(copy, version.bytes);

  HMODULE loaded = LoadLibraryW(u"velui.dll");
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(GetFileVersionInfoSizeW(u"velui", nullptr), size);
  FreeLibrary(loaded);

  SetLastError(0);
  EXPECT_EQ(GetFileVersionInfoSizeW(u"C:\\drivers\\other.dll", &handle), 0u);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  DWORD type = 99;
  EXPECT_FALSE(GetBinaryTypeW(u"C:\\drivers\\velui.dll", &type));
  vel::platform::ResetLoaderFixture();
}

TEST(Win32VersionInfoTest, LanguageNames) {
  WCHAR name[64];
  EXPECT_EQ(VerLanguageNameW(0x0409, name, 64), 23u);
  EXPECT_EQ(std::u16string(name), u"English (United States)");
  VerLanguageNameW(0x7777, name, 64);
  EXPECT_EQ(std::u16string(name), u"Language Neutral");
  EXPECT_EQ(VerLanguageNameW(0x0409, name, 8), 23u);
  EXPECT_EQ(std::u16string(name), u"English");
}

}  // namespace
