// The entry of velres, what the module exports, and its version block read through the version
// calls.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>

#include "platform/win32/loader.h"
#include "platform/win32/winver.h"
#include "resources/VelresModule.h"
#include "tests/resources/VelresTestSupport.h"
#include "tests/support/ResourceDecoder.h"

namespace vel::test {
namespace {

TEST(VelresEntry, AttachKeepsTheHandleDetachClearsItThreadsChangeNothing) {
  int marker = 0;
  HINSTANCE handle = &marker;
  EXPECT_EQ(DllInitialize(handle, 1, nullptr), TRUE);
  EXPECT_EQ(velres::g_module, handle);
  EXPECT_EQ(DllInitialize(nullptr, 2, nullptr), TRUE);
  EXPECT_EQ(velres::g_module, handle);
  EXPECT_EQ(DllInitialize(nullptr, 3, nullptr), TRUE);
  EXPECT_EQ(velres::g_module, handle);
  EXPECT_EQ(DllInitialize(handle, 0, nullptr), TRUE);
  EXPECT_EQ(velres::g_module, nullptr);
}

// The entry under the loader: two loads and two frees attach once and detach once.
TEST(VelresEntry, TwoLoadsAndTwoFreesAttachOnceAndDetachOnce) {
  vel::platform::VirtualModule module;
  module.path = u"C:\\WINNT\\System32\\velres_entry.dll";
  module.entry = &DllInitialize;
  vel::platform::RegisterVirtualModule(module);
  HMODULE first = LoadLibraryW(u"velres_entry");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(velres::g_module, first);
  EXPECT_EQ(LoadLibraryW(u"velres_entry.dll"), first);
  EXPECT_EQ(velres::g_module, first);
  EXPECT_EQ(FreeLibrary(first), TRUE);
  EXPECT_EQ(velres::g_module, first) << "no detach while a load remains";
  EXPECT_EQ(FreeLibrary(first), TRUE);
  EXPECT_EQ(velres::g_module, nullptr);
  EXPECT_EQ(vel::platform::ModuleLoadCount(first), 0);
  vel::platform::UnregisterVirtualModule(module.path);
}

TEST(VelresModule, LoadsAndExportsItsEntryAndDescriptorOnly) {
  HMODULE module = Velres();
  ASSERT_NE(module, nullptr);
  int count = vel::platform::ModuleLoadCount(module);
  EXPECT_EQ(LoadLibraryW(u"VELRES"), module);
  EXPECT_EQ(vel::platform::ModuleLoadCount(module), count + 1);
  EXPECT_EQ(FreeLibrary(module), TRUE);
  EXPECT_EQ(vel::platform::ModuleLoadCount(module), count);

  auto descriptor_function = reinterpret_cast<vel::platform::ModuleDescriptorFunction>(
      GetProcAddress(module, vel::platform::kModuleDescriptorExport));
  ASSERT_NE(descriptor_function, nullptr);
  const vel::platform::ModuleDescriptor* descriptor = descriptor_function();
  EXPECT_EQ(descriptor->version, vel::platform::kModuleDescriptorVersion);
  EXPECT_EQ(reinterpret_cast<FARPROC>(descriptor->entry), GetProcAddress(module, "DllInitialize"));
  EXPECT_GT(descriptor->resource_count, 90u);

  // The shared library defines no other symbol for others to find.
  std::string command = std::string("nm -D --defined-only ") + VELRES_DIR + "/velres.so";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::set<std::string> exported;
  char line[512];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    char type = 0;
    char name[400] = {};
    if (std::sscanf(line, "%*s %c %399s", &type, name) == 2 &&
        (type == 'T' || type == 'D' || type == 'B' || type == 'R')) {
      exported.insert(name);
    }
  }
  pclose(pipe);
  EXPECT_EQ(exported, (std::set<std::string>{"DllInitialize", "VelModuleDescriptor"}));
}

std::u16string QueryText(const std::vector<std::uint8_t>& block, const std::u16string& path) {
  LPVOID value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), path.c_str(), &value, &length) || length == 0)
    return u"";
  return std::u16string(static_cast<const char16_t*>(value), length - 1);
}

TEST(VelresVersion, BlockDecodesToTheDriversValues) {
  ASSERT_NE(Velres(), nullptr);
  DWORD handle = 1;
  DWORD size = GetFileVersionInfoSizeW(u"velres.dll", &handle);
  ASSERT_GT(size, 92u);
  std::vector<std::uint8_t> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(u"velres.dll", 0, size, block.data()));
  // The 32-bit layout: a binary root, the fixed information at byte 40.
  EXPECT_EQ(block[4] | (block[5] << 8), 0);
  std::uint32_t signature;
  std::memcpy(&signature, block.data() + 40, 4);
  EXPECT_EQ(signature, 0xFEEF04BDu);

  LPVOID value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), u"\\", &value, &length));
  ASSERT_EQ(length, 52u);
  VS_FIXEDFILEINFO fixed;
  std::memcpy(&fixed, value, sizeof fixed);
  EXPECT_EQ(fixed.dwFileVersionMS, 0x00040001u);
  EXPECT_EQ(fixed.dwFileVersionLS, 0x00010005u);
  EXPECT_EQ(fixed.dwProductVersionMS, 0x00040001u);
  EXPECT_EQ(fixed.dwProductVersionLS, 0x00010005u);
  EXPECT_EQ(fixed.dwFileFlags, 0u);
  EXPECT_EQ(fixed.dwFileOS, 0x40004u);
  EXPECT_EQ(fixed.dwFileType, 3u);
  EXPECT_EQ(fixed.dwFileSubtype, 1u);

  ASSERT_TRUE(VerQueryValueW(block.data(), u"\\VarFileInfo\\Translation", &value, &length));
  ASSERT_EQ(length, 4u);
  std::uint16_t pair[2];
  std::memcpy(pair, value, 4);
  EXPECT_EQ(pair[0], 0x0409);
  EXPECT_EQ(pair[1], 0x04B0);

  const std::pair<const char16_t*, const char16_t*> strings[] = {
      {u"CompanyName", u"Quorvel Company"},
      {u"FileDescription", u"QZ Lumavert TK Printer Driver User Interface"},
      {u"FileVersion", u"4.1.1.5"},
      {u"InternalName", u"velres"},
      {u"LegalCopyright", u"Copyright QZ 1996-1998"},
      {u"OriginalFilename", u"velres.DLL"},
      {u"ProductName", u"QZ Lumavert TK Printer Driver"},
      {u"ProductVersion", u"4.1.1.5"},
  };
  for (const auto& [key, text] : strings) {
    EXPECT_EQ(Narrow(QueryText(block, std::u16string(u"\\StringFileInfo\\040904B0\\") + key)),
              Narrow(text));
  }
}

}  // namespace
}  // namespace vel::test
