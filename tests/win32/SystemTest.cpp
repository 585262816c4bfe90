// Version probe, user name, registry and profile of the Win32 stand-in.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/CallLog.h"
#include "platform/win32/profile.h"
#include "platform/win32/sysinfo.h"
#include "platform/win32/text.h"
#include "platform/win32/winreg.h"

namespace {

class Win32SystemTest : public testing::Test {
 protected:
  void TearDown() override {
    vel::platform::ResetSystemInfo();
    vel::platform::ResetRegistry();
    vel::platform::ResetProfile();
    vel::platform::ClearFailures();
  }
};

TEST_F(Win32SystemTest, VersionProbeAnswers276AndLargerRecords) {
  // The record the probe passes first, then a record of twice that size.
  for (DWORD size : {276u, 284u, 552u}) {
    std::vector<std::uint8_t> record(size, 0xCC);
    std::memcpy(record.data(), &size, 4);
    auto* info = reinterpret_cast<OSVERSIONINFOW*>(record.data());
    ASSERT_TRUE(GetVersionExW(info)) << size;
    EXPECT_EQ(info->dwPlatformId, VER_PLATFORM_WIN32_NT);
    EXPECT_EQ(info->dwMajorVersion, 4u);
    EXPECT_EQ(info->dwMinorVersion, 0u);
    EXPECT_EQ(info->dwBuildNumber, 1381u);
    EXPECT_EQ(info->szCSDVersion[0], 0);
    if (size > 284) {
      EXPECT_EQ(record[284], 0xCC);  // nothing past the extended record
    }
  }
  OSVERSIONINFOW small{};
  small.dwOSVersionInfoSize = 148;
  SetLastError(0);
  EXPECT_FALSE(GetVersionExW(&small));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);

  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  vel::platform::FailCalls("GetVersionExW", 0, 1);
  EXPECT_FALSE(GetVersionExW(&info));
  EXPECT_TRUE(GetVersionExW(&info));

  vel::platform::SetSystemVersion({5, 1, 2600, VER_PLATFORM_WIN32_NT, u"Service Pack 2"});
  EXPECT_TRUE(GetVersionExW(&info));
  EXPECT_EQ(std::u16string(info.szCSDVersion), u"Service Pack 2");
  EXPECT_EQ(GetVersion(), 0x0A280105u);
  vel::platform::ResetSystemInfo();
  EXPECT_EQ(GetVersion(), 0x05650004u);
}

TEST_F(Win32SystemTest, UserNameSizeProtocol) {
  WCHAR name[16];
  DWORD size = 3;
  SetLastError(0);
  EXPECT_FALSE(GetUserNameW(name, &size));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(size, 5u);
  EXPECT_TRUE(GetUserNameW(name, &size));
  EXPECT_EQ(std::u16string(name), u"User");
  EXPECT_EQ(size, 5u);
}

TEST_F(Win32SystemTest, RegistryWideAndNarrowFormsReadOneTree) {
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\ProductOptions",
                          0, KEY_READ, &key),
            0);
  DWORD type = 0;
  DWORD size = 0;
  ASSERT_EQ(RegQueryValueExA(key, "producttype", nullptr, &type, nullptr, &size), 0);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(size, 6u);  // "WinNT" and its NUL, in bytes of code page 1252
  char narrow[6];
  ASSERT_EQ(
      RegQueryValueExA(key, "ProductType", nullptr, &type, reinterpret_cast<LPBYTE>(narrow), &size),
      0);
  EXPECT_STREQ(narrow, "WinNT");
  EXPECT_EQ(RegCloseKey(key), 0);

  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SYSTEM\\CurrentControlSet", 0, KEY_READ, &key), 0);
  HKEY child = nullptr;
  ASSERT_EQ(RegOpenKeyExW(key, u"control\\productoptions", 0, KEY_READ, &child), 0);
  size = 0;
  ASSERT_EQ(RegQueryValueExW(child, u"ProductType", nullptr, &type, nullptr, &size), 0);
  EXPECT_EQ(size, 12u);
  std::vector<std::uint8_t> wide(size);
  DWORD short_size = 4;
  EXPECT_EQ(RegQueryValueExW(child, u"ProductType", nullptr, &type, wide.data(), &short_size),
            static_cast<LONG>(ERROR_MORE_DATA));
  EXPECT_EQ(short_size, 12u);
  ASSERT_EQ(RegQueryValueExW(child, u"ProductType", nullptr, &type, wide.data(), &size), 0);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(wide.data())), u"WinNT");
  EXPECT_EQ(RegQueryValueExW(child, u"Missing", nullptr, &type, nullptr, &size),
            static_cast<LONG>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(RegCloseKey(child), 0);
  EXPECT_EQ(RegCloseKey(key), 0);
  EXPECT_EQ(RegCloseKey(key), static_cast<LONG>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Nothing", 0, KEY_READ, &key),
            static_cast<LONG>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(key, nullptr);
}

TEST_F(Win32SystemTest, RegistryValuesThatTestsLoad) {
  vel::platform::RegistrySetDword(u"SOFTWARE\\Quorvel\\Driver", u"Level", 7);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"software\\QUORVEL\\driver", 0, KEY_READ, &key), 0);
  DWORD value = 0;
  DWORD type = 0;
  DWORD size = 4;
  ASSERT_EQ(
      RegQueryValueExW(key, u"level", nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size), 0);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(value, 7u);
  // The narrow form answers binary values as they stand.
  size = 4;
  ASSERT_EQ(RegQueryValueExA(key, "Level", nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size),
            0);
  EXPECT_EQ(size, 4u);
  // An open key keeps its values through a reset of the tree; a new open no longer finds them.
  vel::platform::ResetRegistry();
  EXPECT_EQ(RegQueryValueExW(key, u"Level", nullptr, &type, nullptr, &size), 0);
  RegCloseKey(key);
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Quorvel", 0, KEY_READ, &key),
            static_cast<LONG>(ERROR_FILE_NOT_FOUND));
}

TEST_F(Win32SystemTest, ProfileDefaultsAndOverrides) {
  EXPECT_EQ(GetProfileIntA("intl", "iMeasure", 5), 1u);
  EXPECT_EQ(GetProfileIntA("Intl", "Locale", 0), 409u);    // "00000409" read as decimal
  EXPECT_EQ(GetProfileIntA("Intl", "sDecimal", 77), 77u);  // no number
  EXPECT_EQ(GetProfileIntA("Intl", "Missing", 12), 12u);
  char text[128];
  EXPECT_EQ(GetProfileStringA("INTL", "sLongDate", "", text, 128), 19u);
  EXPECT_STREQ(text, "dddd, MMMM dd, yyyy");
  EXPECT_EQ(GetProfileStringA("Intl", "sCountry", "", text, 6), 5u);
  EXPECT_STREQ(text, "Unite");
  EXPECT_EQ(GetProfileStringA("Intl", "sNothing", "dflt", text, 128), 4u);
  EXPECT_STREQ(text, "dflt");
  EXPECT_EQ(GetProfileStringA("Intl", "sNothing", nullptr, text, 128), 0u);
  EXPECT_STREQ(text, "");

  vel::platform::SetProfileString(u"intl", u"iMeasure", u"0");
  vel::platform::SetProfileString(u"intl", u"sDecimal", u",");
  vel::platform::SetProfileString(u"Windows", u"Device", u" -12,winspool");
  EXPECT_EQ(GetProfileIntA("Intl", "iMeasure", 1), 0u);
  EXPECT_EQ(static_cast<INT>(GetProfileIntW(u"windows", u"device", 0)), -12);
  WCHAR wide[8];
  EXPECT_EQ(GetProfileStringW(u"Intl", u"sDecimal", u".", wide, 8), 1u);
  EXPECT_EQ(std::u16string(wide), u",");
  vel::platform::ResetProfile();
  EXPECT_EQ(GetProfileStringW(u"Intl", u"sDecimal", u"", wide, 8), 1u);
  EXPECT_EQ(std::u16string(wide), u".");
  EXPECT_EQ(GetProfileIntW(u"Windows", u"Device", 3), 3u);
}

TEST_F(Win32SystemTest, ProfileListsKeysAndSections) {
  vel::platform::SetProfileString(u"Devices", u"QZ 6400", u"winspool,LPT1:");
  vel::platform::SetProfileString(u"Devices", u"Other", u"winspool,LPT2:");
  char list[64];
  const DWORD length = GetProfileStringA("devices", nullptr, "", list, 64);
  EXPECT_EQ(std::string(list, length), std::string("Other\0QZ 6400\0", 14));
  EXPECT_EQ(list[length], 0);
  EXPECT_EQ(GetProfileStringA("devices", nullptr, "", list, 8), 6u);  // cut at size - 2
  EXPECT_EQ(list[6], 0);
  EXPECT_EQ(list[7], 0);
}

}  // namespace
