// The engine's printer calls over the printer store.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/engine/winddi.h"
#include "tests/platform/EngineTestFixture.h"

namespace vel::platform::engine {
namespace {

class EnginePrintersTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    spooler::PrinterRecord printer;
    printer.name = u"Laser 1";
    printer.driver_name = u"Model 4000";
    printer.port_name = u"LPT1:";
    printer.data_file = u"C:\\drivers\\model.dat";
    printer.attributes = 0x40;
    printer.devmode.assign(2884, 0x5A);
    const BYTE sizes[] = {220, 0, 0x68, 0x0A};  // dmSize 220, dmDriverExtra 2664
    std::memcpy(printer.devmode.data() + 68, sizes, 4);
    ASSERT_TRUE(spooler::PutPrinter(printer));
    handle_ = spooler::OpenPrinterHandle(u"Laser 1", 8);
    ASSERT_NE(handle_, nullptr);
  }
  void TearDown() override {
    spooler::ClosePrinterHandle(handle_);
    EngineTest::TearDown();
  }

  HANDLE handle_ = nullptr;
};

bool Inside(const void* pointer, std::size_t size, const std::vector<BYTE>& buffer) {
  auto* at = static_cast<const BYTE*>(pointer);
  return at >= buffer.data() && at + size <= buffer.data() + buffer.size();
}

TEST_F(EnginePrintersTest, GetPrinterPacksTheRecordWithItsStringsAndDevMode) {
  DWORD needed = 0;
  EXPECT_FALSE(EngGetPrinter(handle_, 2, nullptr, 0, &needed));
  EXPECT_EQ(EngGetLastError(), ERROR_INSUFFICIENT_BUFFER);
  ASSERT_GT(needed, sizeof(PRINTER_INFO_2W) + 2884);
  std::vector<BYTE> buffer(needed - 1);
  DWORD again = 0;
  EXPECT_FALSE(EngGetPrinter(handle_, 2, buffer.data(), needed - 1, &again));
  EXPECT_EQ(again, needed);
  buffer.assign(needed, 0xEE);
  ASSERT_TRUE(EngGetPrinter(handle_, 2, buffer.data(), needed, &again));
  const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
  const struct {
    LPWSTR text;
    const char16_t* expected;
  } strings[] = {{info->pPrinterName, u"Laser 1"},
                 {info->pDriverName, u"Model 4000"},
                 {info->pPortName, u"LPT1:"}};
  for (const auto& s : strings) {
    ASSERT_NE(s.text, nullptr);
    std::u16string text(s.text);
    EXPECT_EQ(text, s.expected);
    EXPECT_TRUE(Inside(s.text, (text.size() + 1) * 2, buffer));
  }
  EXPECT_EQ(info->pServerName, nullptr);
  EXPECT_EQ(info->pComment, nullptr);
  EXPECT_EQ(info->Attributes, 0x40u);
  ASSERT_NE(info->pDevMode, nullptr);
  EXPECT_TRUE(Inside(info->pDevMode, 2884, buffer));
  EXPECT_EQ(reinterpret_cast<const BYTE*>(info->pDevMode)[2883], 0x5A);

  EXPECT_FALSE(EngGetPrinter(handle_, 1, buffer.data(), needed, &again));
  EXPECT_EQ(EngGetLastError(), ERROR_INVALID_LEVEL);
  EXPECT_FALSE(EngGetPrinter(reinterpret_cast<HANDLE>(0x1234), 2, buffer.data(), needed, &again));
  EXPECT_EQ(EngGetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(EnginePrintersTest, PrinterDataFollowsTheSizeProbeProtocol) {
  std::u16string number = u"Count";
  std::u16string text = u"Name";
  std::u16string empty = u"Empty";
  std::u16string absent = u"Absent";
  DWORD value = 7;
  ASSERT_EQ(EngSetPrinterData(handle_, number.data(), REG_DWORD, reinterpret_cast<LPBYTE>(&value), 4),
            0u);
  std::u16string characters = u"abc";
  ASSERT_EQ(EngSetPrinterData(handle_, text.data(), REG_SZ,
                              reinterpret_cast<LPBYTE>(characters.data()), 6),
            0u);
  ASSERT_EQ(EngSetPrinterData(handle_, empty.data(), REG_SZ, nullptr, 0), 0u);

  struct Case {
    std::u16string* name;
    DWORD buffer_size;
    bool null_buffer;
    DWORD result;
    DWORD type;
    DWORD needed;
  };
  const Case cases[] = {
      {&number, 4, false, ERROR_SUCCESS, REG_DWORD, 4},
      {&number, 0, true, ERROR_MORE_DATA, REG_DWORD, 4},  // the probe
      {&number, 3, false, ERROR_MORE_DATA, REG_DWORD, 4},
      {&text, 0, true, ERROR_MORE_DATA, REG_SZ, 6},
      {&text, 64, false, ERROR_SUCCESS, REG_SZ, 6},
      {&empty, 0, true, ERROR_SUCCESS, REG_SZ, 0},
      {&absent, 0, true, ERROR_FILE_NOT_FOUND, 99, 99},
  };
  for (const Case& c : cases) {
    BYTE buffer[64] = {};
    DWORD type = 99;
    DWORD needed = 99;
    EXPECT_EQ(EngGetPrinterData(handle_, c.name->data(), &type, c.null_buffer ? nullptr : buffer,
                                c.buffer_size, &needed),
              c.result)
        << c.needed;
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(needed, c.needed);
  }

  spooler::SetStoreReadOnly(true);
  EXPECT_EQ(EngSetPrinterData(handle_, number.data(), REG_DWORD, reinterpret_cast<LPBYTE>(&value), 4),
            ERROR_ACCESS_DENIED);
  spooler::SetStoreReadOnly(false);
}

TEST_F(EnginePrintersTest, FormsComeInPaperCodeOrderWithTheSameProbe) {
  ASSERT_EQ(spooler::AddForm({u"Custom", FORM_USER, {100000, 150000}, {0, 0, 100000, 150000}}),
            0u);
  DWORD needed = 0;
  DWORD returned = 99;
  EXPECT_FALSE(EngEnumForms(handle_, 1, nullptr, 0, &needed, &returned));
  EXPECT_EQ(EngGetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(returned, 0u);
  std::vector<BYTE> buffer(needed);
  ASSERT_TRUE(EngEnumForms(handle_, 1, buffer.data(), needed, &needed, &returned));
  ASSERT_EQ(returned, 119u);
  const auto* forms = reinterpret_cast<const FORM_INFO_1W*>(buffer.data());
  EXPECT_EQ(std::u16string(forms[0].pName), u"Letter");
  EXPECT_EQ(forms[0].Flags, FORM_BUILTIN);
  EXPECT_EQ(forms[8].Size.cx, 210000);  // paper code 9, A4
  EXPECT_EQ(std::u16string(forms[118].pName), u"Custom");
  EXPECT_EQ(forms[118].Flags, FORM_USER);
  for (DWORD i = 0; i < returned; ++i) {
    EXPECT_TRUE(Inside(forms[i].pName, (std::u16string(forms[i].pName).size() + 1) * 2, buffer));
  }

  std::u16string a4 = u"a4";
  EXPECT_FALSE(EngGetForm(handle_, a4.data(), 1, nullptr, 0, &needed));
  EXPECT_EQ(EngGetLastError(), ERROR_INSUFFICIENT_BUFFER);
  buffer.assign(needed, 0);
  ASSERT_TRUE(EngGetForm(handle_, a4.data(), 1, buffer.data(), needed, &needed));
  const auto* form = reinterpret_cast<const FORM_INFO_1W*>(buffer.data());
  EXPECT_EQ(std::u16string(form->pName), u"A4");
  EXPECT_EQ(form->ImageableArea.bottom, 297000);
  std::u16string missing = u"Missing";
  EXPECT_FALSE(EngGetForm(handle_, missing.data(), 1, buffer.data(), needed, &needed));
  EXPECT_EQ(EngGetLastError(), ERROR_INVALID_FORM_NAME);
}

TEST_F(EnginePrintersTest, TheDataFileNameBelongsToTheBoundDevice) {
  auto* hdev = reinterpret_cast<HDEV>(0x1000);
  EXPECT_EQ(EngGetPrinterDataFileName(hdev), nullptr);
  BindDevice(hdev, handle_);
  LPWSTR name = EngGetPrinterDataFileName(hdev);
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(std::u16string(name), u"C:\\drivers\\model.dat");
  UnbindDevice(hdev);
  EXPECT_EQ(EngGetPrinterDataFileName(hdev), nullptr);
}

TEST_F(EnginePrintersTest, WritePrinterAppendsAndHonoursBothSwitches) {
  DWORD written = 99;
  char bytes[] = "abcdefgh";
  EXPECT_TRUE(EngWritePrinter(handle_, bytes, 0, &written));
  EXPECT_EQ(written, 0u);
  EXPECT_TRUE(EngWritePrinter(handle_, bytes, 3, &written));
  EXPECT_EQ(written, 3u);
  FailCalls("EngWritePrinter", 0, 1);
  EXPECT_FALSE(EngWritePrinter(handle_, bytes, 3, &written));
  EXPECT_EQ(written, 0u);
  spooler::SetShortWriteAfter(5);
  EXPECT_TRUE(EngWritePrinter(handle_, bytes + 3, 5, &written));
  EXPECT_EQ(written, 2u);  // TRUE with fewer bytes
  EXPECT_EQ(spooler::OutputBytes(handle_), (std::vector<BYTE>{'a', 'b', 'c', 'd', 'e'}));

  spooler::SetShortWriteAfter(-1);
  HANDLE to_file = spooler::OpenPrinterHandle(u"laser 1", 8);
  const std::string path = (root_.Path() / "job.prn").string();
  ASSERT_TRUE(spooler::SetOutputFile(to_file, path));
  EXPECT_TRUE(EngWritePrinter(to_file, bytes, 8, &written));
  spooler::ClosePrinterHandle(to_file);
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "abcdefgh");
  EXPECT_FALSE(EngWritePrinter(to_file, bytes, 1, &written));
  EXPECT_EQ(EngGetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(CallLogSnapshot().back(), "EngWritePrinter(1) = FALSE, 6");
}

}  // namespace
}  // namespace vel::platform::engine
