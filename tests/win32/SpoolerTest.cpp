// Win32 spooler calls over the printer store: handles and access, the size protocol of the
// packed records, printer data and forms.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/CallLog.h"
#include "platform/spooler/PrinterStore.h"
#include "platform/win32/text.h"
#include "platform/win32/winspool.h"

namespace {

namespace spooler = vel::platform::spooler;

// A DEVMODE of the driver's size: the 220-byte public part and 2664 bytes of private data.
std::vector<BYTE> DriverDevMode(BYTE seed) {
  std::vector<BYTE> bytes(2884);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<BYTE>(seed + i * 7);
  }
  DEVMODEW header{};
  std::memcpy(&header, bytes.data(), sizeof header);
  header.dmSize = 220;
  header.dmDriverExtra = 2664;
  std::memcpy(bytes.data(), &header, sizeof header);
  return bytes;
}

class Win32SpoolerTest : public testing::Test {
 protected:
  void SetUp() override {
    spooler::ResetStore();
    spooler::PrinterRecord printer;
    printer.name = u"QZ 6400";
    printer.driver_name = u"QZ Lumavert 6400";
    printer.port_name = u"LPT1:";
    printer.attributes = 0x40;
    printer.driver_path = u"C:\\WINNT\\System32\\spool\\drivers\\w32x86\\2\\velgr.dll";
    printer.data_file = u"C:\\WINNT\\System32\\spool\\drivers\\w32x86\\2\\vel6400.gdd";
    printer.config_file = u"C:\\WINNT\\System32\\spool\\drivers\\w32x86\\2\\velui.dll";
    ASSERT_TRUE(spooler::PutPrinter(printer));
    printer.name = u"Other";
    printer.port_name = u"LPT2:";
    ASSERT_TRUE(spooler::PutPrinter(printer));
  }
  void TearDown() override {
    for (HANDLE handle : opened_) {
      ClosePrinter(handle);
    }
    spooler::ResetStore();
    vel::platform::ClearFailures();
  }

  HANDLE Open(const std::u16string& name, ACCESS_MASK access) {
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, access};
    std::u16string copy = name;
    HANDLE handle = nullptr;
    EXPECT_TRUE(OpenPrinterW(copy.data(), &handle, access != 0 ? &defaults : nullptr));
    opened_.push_back(handle);
    return handle;
  }

  std::vector<HANDLE> opened_;
};

TEST_F(Win32SpoolerTest, OpenGrantsAccessByRole) {
  struct Case {
    const char16_t* name;
    ACCESS_MASK access;  // 0: no defaults
    bool administrator;
    bool opens;
    DWORD error;
  } cases[] = {
      {u"QZ 6400", 0, true, true, 0},
      {u"qz 6400", PRINTER_ALL_ACCESS, true, true, 0},
      {u"QZ 6400", PRINTER_ALL_ACCESS, false, false, ERROR_ACCESS_DENIED},
      {u"QZ 6400", PRINTER_ACCESS_ADMINISTER, false, false, ERROR_ACCESS_DENIED},
      {u"QZ 6400", PRINTER_ACCESS_USE, false, true, 0},
      {u"Nobody", 0, true, false, ERROR_INVALID_PRINTER_NAME},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(vel::platform::LogText(c.name));
    spooler::SetUserIsAdministrator(c.administrator);
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, c.access};
    std::u16string name = c.name;
    HANDLE handle = reinterpret_cast<HANDLE>(1);
    SetLastError(0);
    EXPECT_EQ(OpenPrinterW(name.data(), &handle, c.access != 0 ? &defaults : nullptr), c.opens);
    if (c.opens) {
      EXPECT_EQ(*spooler::HandleAccess(handle), c.access != 0 ? c.access : PRINTER_ACCESS_USE);
      EXPECT_TRUE(ClosePrinter(handle));
      EXPECT_FALSE(ClosePrinter(handle));
      EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    } else {
      EXPECT_EQ(handle, nullptr);
      EXPECT_EQ(GetLastError(), c.error);
    }
  }
}

TEST_F(Win32SpoolerTest, GetPrinterPacksTheRecordIntoTheBuffer) {
  ASSERT_TRUE(spooler::SetPrinterDevMode(u"QZ 6400", DriverDevMode(3)));
  HANDLE printer = Open(u"QZ 6400", 0);
  DWORD needed = 0;
  SetLastError(0);
  EXPECT_FALSE(GetPrinterW(printer, 2, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  ASSERT_GT(needed, sizeof(PRINTER_INFO_2W) + 2884);
  std::vector<BYTE> buffer(needed);
  DWORD again = 0;
  EXPECT_FALSE(GetPrinterW(printer, 2, buffer.data(), needed - 1, &again));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(again, needed);
  ASSERT_TRUE(GetPrinterW(printer, 2, buffer.data(), needed, &again));

  const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
  auto inside = [&](const void* p, std::size_t bytes) {
    const auto* at = static_cast<const BYTE*>(p);
    return at >= buffer.data() + sizeof(PRINTER_INFO_2W) && at + bytes <= buffer.data() + needed;
  };
  EXPECT_EQ(std::u16string(info->pPrinterName), u"QZ 6400");
  EXPECT_EQ(std::u16string(info->pDriverName), u"QZ Lumavert 6400");
  EXPECT_EQ(std::u16string(info->pPortName), u"LPT1:");
  EXPECT_EQ(info->pServerName, nullptr);
  EXPECT_EQ(info->Attributes, 0x40u);
  EXPECT_TRUE(inside(info->pPrinterName, 16));
  EXPECT_TRUE(inside(info->pPortName, 12));
  ASSERT_NE(info->pDevMode, nullptr);
  EXPECT_TRUE(inside(info->pDevMode, 2884));
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(info->pDevMode) % alignof(DEVMODEW), 0u);
  const std::vector<BYTE> expected = DriverDevMode(3);
  EXPECT_EQ(std::memcmp(info->pDevMode, expected.data(), 2884), 0);

  EXPECT_FALSE(GetPrinterW(printer, 1, buffer.data(), needed, &again));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_LEVEL);
}

TEST_F(Win32SpoolerTest, SetPrinterStoresTheDevModeByteForByte) {
  HANDLE user = Open(u"QZ 6400", PRINTER_ACCESS_USE);
  HANDLE admin = Open(u"QZ 6400", PRINTER_ALL_ACCESS);
  DWORD needed = 0;
  GetPrinterW(admin, 2, nullptr, 0, &needed);
  std::vector<BYTE> buffer(needed);
  ASSERT_TRUE(GetPrinterW(admin, 2, buffer.data(), needed, &needed));
  auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data());
  EXPECT_EQ(info->pDevMode, nullptr);
  std::vector<BYTE> devmode = DriverDevMode(9);
  devmode.resize(3000, 0xAB);  // bytes past dmSize + dmDriverExtra are not the record's
  info->pDevMode = reinterpret_cast<DEVMODEW*>(devmode.data());

  SetLastError(0);
  EXPECT_FALSE(SetPrinterW(user, 2, buffer.data(), 0));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  ASSERT_TRUE(SetPrinterW(admin, 2, buffer.data(), 0));

  GetPrinterW(user, 2, nullptr, 0, &needed);
  std::vector<BYTE> read(needed);
  ASSERT_TRUE(GetPrinterW(user, 2, read.data(), needed, &needed));
  const auto* stored = reinterpret_cast<const PRINTER_INFO_2W*>(read.data());
  ASSERT_NE(stored->pDevMode, nullptr);
  EXPECT_EQ(std::vector<BYTE>(reinterpret_cast<const BYTE*>(stored->pDevMode),
                              reinterpret_cast<const BYTE*>(stored->pDevMode) + 2884),
            std::vector<BYTE>(devmode.begin(), devmode.begin() + 2884));
  EXPECT_EQ(spooler::GetPrinter(u"QZ 6400")->devmode.size(), 2884u);

  // A record whose dmSize does not reach its own size fields is refused; the stored one stays.
  DEVMODEW runt{};
  runt.dmSize = 10;
  info->pDevMode = &runt;
  EXPECT_FALSE(SetPrinterW(admin, 2, buffer.data(), 0));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(spooler::GetPrinter(u"QZ 6400")->devmode.size(), 2884u);
}

TEST_F(Win32SpoolerTest, DriverRecordWithPaths) {
  HANDLE printer = Open(u"QZ 6400", 0);
  DWORD needed = 0;
  EXPECT_FALSE(GetPrinterDriverW(printer, nullptr, 2, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  std::vector<BYTE> buffer(needed);
  ASSERT_TRUE(GetPrinterDriverW(printer, nullptr, 2, buffer.data(), needed, &needed));
  const auto* info = reinterpret_cast<const DRIVER_INFO_2W*>(buffer.data());
  EXPECT_EQ(info->cVersion, 2u);
  EXPECT_EQ(std::u16string(info->pName), u"QZ Lumavert 6400");
  EXPECT_EQ(std::u16string(info->pDataFile),
            u"C:\\WINNT\\System32\\spool\\drivers\\w32x86\\2\\vel6400.gdd");
  EXPECT_EQ(std::u16string(info->pConfigFile),
            u"C:\\WINNT\\System32\\spool\\drivers\\w32x86\\2\\velui.dll");
}

TEST_F(Win32SpoolerTest, PrinterDataProtocol) {
  HANDLE admin = Open(u"QZ 6400", PRINTER_ALL_ACCESS);
  HANDLE user = Open(u"QZ 6400", 0);
  DWORD number = 365;
  std::u16string name = u"Settings";
  ASSERT_EQ(SetPrinterDataW(admin, name.data(), REG_DWORD, reinterpret_cast<LPBYTE>(&number), 4),
            0u);
  std::u16string empty_name = u"Empty";
  ASSERT_EQ(SetPrinterDataW(admin, empty_name.data(), REG_BINARY, nullptr, 0), 0u);
  EXPECT_EQ(SetPrinterDataW(user, name.data(), REG_DWORD, reinterpret_cast<LPBYTE>(&number), 4),
            ERROR_ACCESS_DENIED);

  struct Case {
    const char16_t* value;
    bool with_buffer;
    DWORD size;
    DWORD result;
    DWORD type;
    DWORD needed;
  } cases[] = {
      {u"settings", true, 4, ERROR_SUCCESS, REG_DWORD, 4},
      {u"Settings", true, 3, ERROR_MORE_DATA, REG_DWORD, 4},
      {u"Settings", false, 0, ERROR_MORE_DATA, REG_DWORD, 4},  // the size probe
      {u"Missing", true, 4, ERROR_FILE_NOT_FOUND, 77, 77},
      {u"Empty", false, 0, ERROR_SUCCESS, REG_BINARY, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(vel::platform::LogText(c.value));
    std::u16string value = c.value;
    DWORD type = 77;
    DWORD needed = 77;
    DWORD data = 0;
    EXPECT_EQ(
        GetPrinterDataW(user, value.data(), &type,
                        c.with_buffer ? reinterpret_cast<LPBYTE>(&data) : nullptr, c.size, &needed),
        c.result);
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(needed, c.needed);
    if (c.result == ERROR_SUCCESS && c.with_buffer) {
      EXPECT_EQ(data, 365u);
    }
  }
  DWORD type = 0;
  DWORD needed = 0;
  EXPECT_EQ(GetPrinterDataW(nullptr, name.data(), &type, nullptr, 0, &needed),
            ERROR_INVALID_HANDLE);
}

TEST_F(Win32SpoolerTest, OnePrintersDataIsInvisibleToAnothersHandles) {
  HANDLE first = Open(u"QZ 6400", PRINTER_ALL_ACCESS);
  HANDLE second = Open(u"Other", PRINTER_ALL_ACCESS);
  std::u16string name = u"365";
  BYTE bytes[3] = {1, 2, 3};
  ASSERT_EQ(SetPrinterDataW(first, name.data(), REG_BINARY, bytes, 3), 0u);
  DWORD type = 0;
  DWORD needed = 0;
  EXPECT_EQ(GetPrinterDataW(second, name.data(), &type, nullptr, 0, &needed), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(GetPrinterDataW(first, name.data(), &type, nullptr, 0, &needed), ERROR_MORE_DATA);
  EXPECT_EQ(needed, 3u);
}

TEST_F(Win32SpoolerTest, FormsInPaperCodeOrderWithTheirSizeProtocol) {
  HANDLE printer = Open(u"QZ 6400", 0);
  DWORD needed = 0;
  DWORD count = 0;
  EXPECT_FALSE(EnumFormsW(printer, 1, nullptr, 0, &needed, &count));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  std::vector<BYTE> buffer(needed);
  ASSERT_TRUE(EnumFormsW(printer, 1, buffer.data(), needed, &needed, &count));
  ASSERT_EQ(count, static_cast<DWORD>(spooler::kBuiltinFormCount));
  const auto* forms = reinterpret_cast<const FORM_INFO_1W*>(buffer.data());
  struct Expected {
    int paper_code;
    const char16_t* name;
    LONG cx, cy;
  } expected[] = {{1, u"Letter", 215900, 279400},
                  {5, u"Legal", 215900, 355600},
                  {7, u"Executive", 184150, 266700},
                  {9, u"A4", 210000, 297000}};
  for (const Expected& e : expected) {
    const FORM_INFO_1W& form = forms[e.paper_code - 1];
    EXPECT_EQ(std::u16string(form.pName), e.name);
    EXPECT_EQ(form.Flags, FORM_BUILTIN);
    EXPECT_EQ(form.Size.cx, e.cx);
    EXPECT_EQ(form.Size.cy, e.cy);
  }

  std::u16string a4 = u"a4";
  EXPECT_FALSE(GetFormW(printer, a4.data(), 1, nullptr, 0, &needed));
  std::vector<BYTE> one(needed);
  ASSERT_TRUE(GetFormW(printer, a4.data(), 1, one.data(), needed, &needed));
  EXPECT_EQ(std::u16string(reinterpret_cast<const FORM_INFO_1W*>(one.data())->pName), u"A4");
  std::u16string missing = u"Poster";
  EXPECT_FALSE(GetFormW(printer, missing.data(), 1, one.data(), needed, &needed));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_FORM_NAME);
}

TEST_F(Win32SpoolerTest, AddedFormsRulesAndIndexes) {
  HANDLE printer = Open(u"QZ 6400", 0);
  auto add = [&](const char16_t* name, LONG cx, LONG cy) {
    std::u16string text = name;
    FORM_INFO_1W form{FORM_USER, text.data(), {cx, cy}, {0, 0, cx, cy}};
    return AddFormW(printer, 1, reinterpret_cast<LPBYTE>(&form));
  };
  auto index_of = [&](const char16_t* name) {
    int index = -1;
    spooler::GetForm(name, &index);
    return index;
  };
  ASSERT_TRUE(add(u"Custom 1", 100000, 150000));
  ASSERT_TRUE(add(u"Custom 2", 110000, 160000));
  ASSERT_TRUE(add(u"Custom 3", 120000, 170000));
  EXPECT_EQ(index_of(u"Custom 3"), spooler::kBuiltinFormCount + 2);

  std::u16string letter = u"Letter";
  std::u16string custom1 = u"CUSTOM 1";
  std::u16string poster = u"Poster";
  FORM_INFO_1W changed{FORM_USER, custom1.data(), {1, 2}, {0, 0, 1, 2}};
  FORM_INFO_1W letter_form{FORM_USER, letter.data(), {1, 2}, {0, 0, 1, 2}};
  EXPECT_FALSE(add(u"LETTER", 1, 1));  // names compare ignoring case
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
  EXPECT_FALSE(SetFormW(printer, letter.data(), 1, reinterpret_cast<LPBYTE>(&letter_form)));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(DeleteFormW(printer, letter.data()));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(DeleteFormW(printer, poster.data()));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_FORM_NAME);

  EXPECT_TRUE(SetFormW(printer, custom1.data(), 1, reinterpret_cast<LPBYTE>(&changed)));
  EXPECT_EQ(spooler::GetForm(u"Custom 1")->size.cx, 1);
  EXPECT_TRUE(DeleteFormW(printer, custom1.data()));
  EXPECT_EQ(index_of(u"Custom 2"), spooler::kBuiltinFormCount);  // shifted down
  EXPECT_EQ(index_of(u"Custom 3"), spooler::kBuiltinFormCount + 1);

  spooler::SetFormLimit(2);
  EXPECT_FALSE(add(u"Custom 4", 1, 1));
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_QUOTA);
}

TEST_F(Win32SpoolerTest, ForcedFailuresAnswerTheFailureResult) {
  HANDLE printer = Open(u"QZ 6400", PRINTER_ALL_ACCESS);
  vel::platform::FailCalls("GetPrinterDataW", 0, 1);
  vel::platform::FailCalls("EnumFormsW", 0, 1);
  vel::platform::FailCalls("OpenPrinterW", 0, 1);
  std::u16string name = u"x";
  DWORD type = 0;
  DWORD needed = 0;
  EXPECT_EQ(GetPrinterDataW(printer, name.data(), &type, nullptr, 0, &needed),
            ERROR_FILE_NOT_FOUND);
  DWORD count = 0;
  EXPECT_FALSE(EnumFormsW(printer, 1, nullptr, 0, &needed, &count));
  EXPECT_EQ(GetLastError(), ERROR_GEN_FAILURE);
  std::u16string printer_name = u"QZ 6400";
  HANDLE other = nullptr;
  EXPECT_FALSE(OpenPrinterW(printer_name.data(), &other, nullptr));
  const auto log = vel::platform::CallLogSnapshot();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "OpenPrinterW(QZ 6400, 0x8) = FALSE error 8");
}

}  // namespace
