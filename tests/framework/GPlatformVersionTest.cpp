// The platform probe against the stand-in platform: platform ids, the product type, the retry and
// the short version number, and the platform family.
#include <gtest/gtest.h>

#include <vector>

#include "framework/core/GPlatformVersion.h"
#include "platform/CallLog.h"
#include "platform/win32/sysinfo.h"
#include "platform/win32/winreg.h"

namespace {

using vel::platform::SystemVersion;

const char16_t kProductOptions[] = u"SYSTEM\\CurrentControlSet\\Control\\ProductOptions";

class GPlatformVersionTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }

  static void Reset() {
    vel::platform::ClearFailures();
    vel::platform::ResetSystemInfo();
    vel::platform::ResetRegistry();
  }

  static void SetVersion(DWORD platform, DWORD major, DWORD minor, DWORD build) {
    SystemVersion version;
    version.platform = platform;
    version.major = major;
    version.minor = minor;
    version.build = build;
    vel::platform::SetSystemVersion(version);
  }

  // A record that shows whether the probe touched it.
  static GPlatformVersion Untouched() { return GPlatformVersion{99, 99, 99}; }
};

TEST_F(GPlatformVersionTest, NtWorkstationAndServer) {
  SetVersion(2, 4, 0, 1381);
  GPlatformVersion version;
  ASSERT_EQ(version.Probe(), 1);
  EXPECT_EQ(version, (GPlatformVersion{6, 0x40000, 1381}));

  vel::platform::RegistrySetString(kProductOptions, u"ProductType", u"WINNT");  // any case
  ASSERT_EQ(version.Probe(), 1);
  EXPECT_EQ(version.platform, 6u);

  vel::platform::RegistrySetString(kProductOptions, u"ProductType", u"ServerNT");
  ASSERT_EQ(version.Probe(), 1);
  EXPECT_EQ(version.platform, 7u);
  EXPECT_EQ(version.Family(), 4u);
}

TEST_F(GPlatformVersionTest, OtherPlatformIdsNeedNoProductType) {
  vel::platform::RegistryDeleteKey(kProductOptions);
  const struct {
    DWORD id;
    std::uint32_t platform;
  } cases[] = {{0, 4}, {1, 5}};
  for (const auto& c : cases) {
    SetVersion(c.id, 4, 10, 1998);
    GPlatformVersion version;
    ASSERT_EQ(version.Probe(), 1);
    EXPECT_EQ(version, (GPlatformVersion{c.platform, 0x4000A, 1998}));
  }
  SetVersion(3, 5, 0, 2195);  // an unknown platform id fails the probe
  GPlatformVersion version = Untouched();
  EXPECT_EQ(version.Probe(), 0);
  EXPECT_EQ(version, Untouched());
}

TEST_F(GPlatformVersionTest, UnreadableProductTypeFails) {
  GPlatformVersion version = Untouched();
  vel::platform::FailCalls("RegOpenKeyExA", 0, 1);
  EXPECT_EQ(version.Probe(), 0);
  vel::platform::FailCalls("RegQueryValueExA", 0, 1);
  EXPECT_EQ(version.Probe(), 0);
  vel::platform::RegistryDeleteKey(kProductOptions);
  EXPECT_EQ(version.Probe(), 0);
  EXPECT_EQ(version, Untouched());
}

TEST_F(GPlatformVersionTest, RetryKeepsTheLow16BitsOfTheBuild) {
  SetVersion(2, 5, 1, 0x12345);
  vel::platform::FailCalls("GetVersionExW", 0, 1);
  vel::platform::ClearCallLog();
  GPlatformVersion version;
  ASSERT_EQ(version.Probe(), 1);
  EXPECT_EQ(version, (GPlatformVersion{6, 0x50001, 0x2345}));
  const std::vector<std::string> log = vel::platform::CallLogSnapshot();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[0], "GetVersionExW(276) = FALSE");
  EXPECT_EQ(log[1], "GetVersionExW(552) = TRUE");
}

TEST_F(GPlatformVersionTest, ShortVersionNumberWhenBothQueriesFail) {
  SetVersion(2, 3, 51, 1057);
  vel::platform::FailCalls("GetVersionExW", 0, 2);
  GPlatformVersion version;
  ASSERT_EQ(version.Probe(), 1);
  // The stand-in's short number has the top bit clear: Windows NT, and the product type decides.
  EXPECT_EQ(version, (GPlatformVersion{6, 0x30033, 0}));
}

TEST_F(GPlatformVersionTest, UnterminatedProductTypeOf128Bytes) {
  // 128 bytes without a NUL: read whole, terminated behind them, and not "Winnt".
  std::vector<std::uint8_t> bytes(128, 'A');
  bytes[0] = 'W';
  vel::platform::RegistrySetValue(kProductOptions, u"ProductType", REG_BINARY, bytes);
  GPlatformVersion version;
  ASSERT_EQ(version.Probe(), 1);
  EXPECT_EQ(version.platform, 7u);
  // "Winnt" followed by 123 more bytes is not "Winnt" either.
  const char winnt[] = "Winnt";
  std::copy(winnt, winnt + 5, bytes.begin());
  vel::platform::RegistrySetValue(kProductOptions, u"ProductType", REG_BINARY, bytes);
  ASSERT_EQ(version.Probe(), 1);
  EXPECT_EQ(version.platform, 7u);
}

TEST(GPlatformVersionFamilyTest, FamiliesAndEquality) {
  const std::uint32_t want[] = {0, 1, 2, 2, 2, 3, 4, 4, 4, 5, 0};
  for (std::uint32_t platform = 0; platform < std::size(want); ++platform) {
    EXPECT_EQ((GPlatformVersion{platform, 0, 0}.Family()), want[platform]) << platform;
  }
  EXPECT_EQ((GPlatformVersion{0xFFFFFFFFu, 0, 0}.Family()), 0u);
  EXPECT_NE((GPlatformVersion{6, 1, 2}), (GPlatformVersion{6, 1, 3}));
}

}  // namespace
