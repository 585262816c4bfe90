// The spooler's side of the UI functions: the printer's configuration module is loaded, its
// export called with the caller's arguments, and freed again.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "platform/CallLog.h"
#include "platform/spooler/PrinterStore.h"
#include "platform/win32/loader.h"
#include "platform/win32/spoolui.h"
#include "platform/win32/text.h"
#include "platform/win32/winspool.h"

namespace {

namespace spooler = vel::platform::spooler;

constexpr char16_t kConfigPath[] = u"C:\\WINNT\\System32\\spool\\drivers\\w32x86\\2\\velui.dll";

struct Seen {
  std::string call;
  HANDLE printer = nullptr;
  std::u16string name;
  DWORD mode = 0;
  DEVMODEW* output = nullptr;
};
std::vector<Seen> seen;
int loaded_during_call = 0;

void Record(const char* call, HANDLE printer, LPCWSTR name, DWORD mode, DEVMODEW* output) {
  HMODULE module = GetModuleHandleW(kConfigPath);
  loaded_during_call = vel::platform::ModuleLoadCount(module);
  seen.push_back({call, printer, name != nullptr ? name : u"", mode, output});
}

LONG DocumentProperties(HWND,
                        HANDLE printer,
                        LPWSTR name,
                        DEVMODEW* output,
                        DEVMODEW*,
                        DWORD mode) {
  Record("DrvDocumentProperties", printer, name, mode, output);
  return 2884;
}
LONG AdvancedProperties(HWND, HANDLE printer, LPWSTR name, DEVMODEW* output, DEVMODEW*) {
  Record("DrvAdvancedDocumentProperties", printer, name, 0, output);
  return 1;
}
BOOL Properties(HWND, HANDLE printer) {
  Record("PrinterProperties", printer, nullptr, 0, nullptr);
  return TRUE;
}
DWORD Capabilities(HANDLE printer, LPWSTR name, WORD capability, void*, DEVMODEW*) {
  Record("DrvDeviceCapabilities", printer, name, capability, nullptr);
  return capability == 18 ? 999 : 0xFFFFFFFF;
}
BOOL ConvertDevMode(LPWSTR name, DEVMODEW*, DEVMODEW* output, LONG* needed, DWORD mode) {
  Record("DrvConvertDevMode", nullptr, name, mode, output);
  *needed = 2884;
  return TRUE;
}
BOOL QueryPrint(DEVQUERYPRINT_INFO* info) {
  Record("DevQueryPrintEx", info->hPrinter, nullptr, info->Level, info->pDevMode);
  return TRUE;
}
BOOL Upgrade(DWORD level, LPBYTE info) {
  Record("DrvUpgradePrinter", nullptr,
         reinterpret_cast<DRIVER_UPGRADE_INFO_1W*>(info)->pPrinterName, level, nullptr);
  return TRUE;
}
BOOL PrinterEvent(LPWSTR name, INT event, DWORD, LPARAM) {
  Record("DrvPrinterEvent", nullptr, name, static_cast<DWORD>(event), nullptr);
  return event == 1;
}

class Win32SpoolerUiTest : public testing::Test {
 protected:
  void SetUp() override {
    seen.clear();
    spooler::ResetStore();
    spooler::PrinterRecord printer;
    printer.name = u"QZ 6400";
    printer.driver_name = u"QZ Lumavert 6400";
    printer.port_name = u"LPT1:";
    printer.config_file = kConfigPath;
    ASSERT_TRUE(spooler::PutPrinter(printer));
    vel::platform::VirtualModule module;
    module.path = kConfigPath;
    module.Export("DrvDocumentProperties", &DocumentProperties);
    module.Export("DrvAdvancedDocumentProperties", &AdvancedProperties);
    module.Export("PrinterProperties", &Properties);
    module.Export("DrvDeviceCapabilities", &Capabilities);
    module.Export("DrvConvertDevMode", &ConvertDevMode);
    module.Export("DevQueryPrintEx", &QueryPrint);
    module.Export("DrvUpgradePrinter", &Upgrade);
    module.Export("DrvPrinterEvent", &PrinterEvent);
    vel::platform::RegisterVirtualModule(module);
    std::u16string name = u"QZ 6400";
    ASSERT_TRUE(OpenPrinterW(name.data(), &printer_, nullptr));
  }
  void TearDown() override {
    ClosePrinter(printer_);
    spooler::ResetStore();
    vel::platform::ResetLoaderFixture();
  }

  HANDLE printer_ = nullptr;
};

TEST_F(Win32SpoolerUiTest, UiCallsReachTheConfigurationModule) {
  std::u16string name = u"QZ 6400";
  DEVMODEW output{};
  EXPECT_EQ(DocumentPropertiesW(nullptr, printer_, name.data(), &output, nullptr, 14), 2884);
  EXPECT_EQ(AdvancedDocumentPropertiesW(nullptr, printer_, name.data(), &output, nullptr), 1);
  EXPECT_TRUE(PrinterProperties(nullptr, printer_));
  EXPECT_EQ(DeviceCapabilitiesW(u"QZ 6400", u"LPT1:", 18, nullptr, nullptr), 999);
  EXPECT_EQ(DeviceCapabilitiesW(u"QZ 6400", u"LPT1:", 77, nullptr, nullptr), -1);
  LONG needed = 0;
  EXPECT_TRUE(vel::platform::SpoolerConvertDevMode(name.data(), nullptr, &output, &needed, 4));
  EXPECT_EQ(needed, 2884);
  DEVQUERYPRINT_INFO query{sizeof(DEVQUERYPRINT_INFO), 1, printer_, &output, nullptr, 0, 0};
  EXPECT_TRUE(vel::platform::SpoolerDevQueryPrintEx(&query));
  std::u16string old_directory = u"C:\\old";
  DRIVER_UPGRADE_INFO_1W upgrade{name.data(), old_directory.data()};
  EXPECT_TRUE(
      vel::platform::SpoolerUpgradePrinter(name.data(), 1, reinterpret_cast<LPBYTE>(&upgrade)));
  EXPECT_TRUE(vel::platform::SpoolerPrinterEvent(name.data(), 1, 0, 0));

  const char* const expected[] = {"DrvDocumentProperties", "DrvAdvancedDocumentProperties",
                                  "PrinterProperties",     "DrvDeviceCapabilities",
                                  "DrvDeviceCapabilities", "DrvConvertDevMode",
                                  "DevQueryPrintEx",       "DrvUpgradePrinter",
                                  "DrvPrinterEvent"};
  ASSERT_EQ(seen.size(), std::size(expected));
  for (std::size_t i = 0; i < seen.size(); ++i) {
    EXPECT_EQ(seen[i].call, expected[i]);
  }
  EXPECT_EQ(seen[0].printer, printer_);
  EXPECT_EQ(seen[0].mode, 14u);
  EXPECT_EQ(seen[0].output, &output);
  EXPECT_EQ(seen[0].name, u"QZ 6400");
  // DeviceCapabilitiesW opens a handle of its own for the call.
  EXPECT_NE(seen[3].printer, nullptr);
  EXPECT_NE(seen[3].printer, printer_);
  EXPECT_EQ(seen[6].printer, printer_);
  EXPECT_EQ(seen[7].name, u"QZ 6400");
  // Loaded for the call and freed after it.
  EXPECT_EQ(loaded_during_call, 1);
  EXPECT_EQ(GetModuleHandleW(kConfigPath), nullptr);

  const auto log = vel::platform::CallLogSnapshot();
  EXPECT_NE(std::find(log.begin(), log.end(), "DeviceCapabilitiesW(QZ 6400, 18) = 999"), log.end());
}

TEST_F(Win32SpoolerUiTest, MissingModuleOrExportFails) {
  std::u16string name = u"QZ 6400";
  // A null handle is opened by the device name.
  EXPECT_EQ(DocumentPropertiesW(nullptr, nullptr, name.data(), nullptr, nullptr, 0), 2884);
  EXPECT_EQ(seen.back().name, u"QZ 6400");
  EXPECT_NE(seen.back().printer, nullptr);

  vel::platform::UnregisterVirtualModule(kConfigPath);
  SetLastError(0);
  EXPECT_EQ(DocumentPropertiesW(nullptr, printer_, name.data(), nullptr, nullptr, 0), -1);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  EXPECT_FALSE(PrinterProperties(nullptr, printer_));
  EXPECT_EQ(DocumentPropertiesW(nullptr, reinterpret_cast<HANDLE>(&seen), name.data(), nullptr,
                                nullptr, 0),
            -1);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(DeviceCapabilitiesW(u"Nobody", nullptr, 18, nullptr, nullptr), -1);

  vel::platform::VirtualModule bare;
  bare.path = kConfigPath;
  vel::platform::RegisterVirtualModule(bare);
  EXPECT_FALSE(vel::platform::SpoolerPrinterEvent(name.data(), 1, 0, 0));
  EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
}

}  // namespace
