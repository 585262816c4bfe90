// What the UI writes through the Win32 spooler calls (DEVMODE, printer data, added forms) persists
// in the store's state folder and reads back byte for byte; and the calls are safe on many threads.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/spooler/PrinterStore.h"
#include "platform/win32/winspool.h"
#include "tests/support/TempDir.h"
#include "tests/win32/probe/StateProbe.h"

namespace {

namespace spooler = vel::platform::spooler;

std::vector<BYTE> ReadPrinter(HANDLE printer) {
  DWORD needed = 0;
  GetPrinterW(printer, 2, nullptr, 0, &needed);
  std::vector<BYTE> buffer(needed);
  EXPECT_TRUE(GetPrinterW(printer, 2, buffer.data(), needed, &needed));
  const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
  if (info->pDevMode == nullptr) {
    return {};
  }
  const auto* bytes = reinterpret_cast<const BYTE*>(info->pDevMode);
  return std::vector<BYTE>(bytes, bytes + info->pDevMode->dmSize + info->pDevMode->dmDriverExtra);
}

std::vector<BYTE> ReadData(HANDLE printer, const char16_t* name, DWORD* type) {
  std::u16string value = name;
  DWORD needed = 0;
  if (GetPrinterDataW(printer, value.data(), type, nullptr, 0, &needed) == ERROR_FILE_NOT_FOUND) {
    return {0xEE};
  }
  std::vector<BYTE> bytes(needed);
  EXPECT_EQ(GetPrinterDataW(printer, value.data(), type, bytes.data(), needed, &needed), 0u);
  return bytes;
}

std::vector<BYTE> ReadForms(HANDLE printer) {
  DWORD needed = 0;
  DWORD count = 0;
  EnumFormsW(printer, 1, nullptr, 0, &needed, &count);
  std::vector<BYTE> buffer(needed);
  EXPECT_TRUE(EnumFormsW(printer, 1, buffer.data(), needed, &needed, &count));
  // The records' values, without the pointers (which differ by buffer).
  std::vector<BYTE> values;
  const auto* forms = reinterpret_cast<const FORM_INFO_1W*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) {
    const auto* name = reinterpret_cast<const BYTE*>(forms[i].pName);
    values.insert(values.end(), name,
                  name + std::char_traits<char16_t>::length(forms[i].pName) * 2);
    const auto* numbers = reinterpret_cast<const BYTE*>(&forms[i].Size);
    values.insert(values.end(), numbers, numbers + sizeof(SIZEL) + sizeof(RECTL));
    values.push_back(static_cast<BYTE>(forms[i].Flags));
  }
  return values;
}

HANDLE OpenAdmin(const char16_t* name) {
  std::u16string text = name;
  PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE handle = nullptr;
  EXPECT_TRUE(OpenPrinterW(text.data(), &handle, &defaults));
  return handle;
}

TEST(Win32SpoolerStateTest, ALaterOpeningOfTheStateFolderReadsEverythingBack) {
  vel::test::TempDir folder;
  spooler::OpenStore(folder.Path().string());
  spooler::PrinterRecord record;
  record.name = u"QZ 6400";
  record.driver_name = u"QZ Lumavert 6400";
  record.port_name = u"LPT1:";
  record.config_file = u"C:\\WINNT\\System32\\spool\\drivers\\w32x86\\2\\velui.dll";
  ASSERT_TRUE(spooler::PutPrinter(record));

  HANDLE printer = OpenAdmin(u"QZ 6400");
  std::vector<BYTE> devmode(2884);
  for (std::size_t i = 0; i < devmode.size(); ++i) {
    devmode[i] = static_cast<BYTE>(i * 31 + 5);
  }
  DEVMODEW header{};
  std::memcpy(&header, devmode.data(), sizeof header);
  header.dmSize = 220;
  header.dmDriverExtra = 2664;
  std::memcpy(devmode.data(), &header, sizeof header);
  DWORD needed = 0;
  GetPrinterW(printer, 2, nullptr, 0, &needed);
  std::vector<BYTE> buffer(needed);
  ASSERT_TRUE(GetPrinterW(printer, 2, buffer.data(), needed, &needed));
  reinterpret_cast<PRINTER_INFO_2W*>(buffer.data())->pDevMode =
      reinterpret_cast<DEVMODEW*>(devmode.data());
  ASSERT_TRUE(SetPrinterW(printer, 2, buffer.data(), 0));

  // Printer data as the UI writes it: a number, a string without its NUL, chunked binary parts
  // with an empty last chunk.
  DWORD count = 2;
  std::u16string names[] = {u"365", u"365:0", u"365:1", u"TempDirectoryLocation"};
  std::vector<BYTE> chunk(248);
  for (std::size_t i = 0; i < chunk.size(); ++i) {
    chunk[i] = static_cast<BYTE>(255 - i);
  }
  std::u16string text = u"C:\\Temp";
  ASSERT_EQ(
      SetPrinterDataW(printer, names[0].data(), REG_DWORD, reinterpret_cast<LPBYTE>(&count), 4),
      0u);
  ASSERT_EQ(SetPrinterDataW(printer, names[1].data(), REG_BINARY, chunk.data(), 248), 0u);
  ASSERT_EQ(SetPrinterDataW(printer, names[2].data(), REG_BINARY, nullptr, 0), 0u);
  ASSERT_EQ(SetPrinterDataW(printer, names[3].data(), REG_SZ, reinterpret_cast<LPBYTE>(text.data()),
                            static_cast<DWORD>(text.size() * 2)),
            0u);
  std::u16string form_name = u"Custom Paper 1";
  FORM_INFO_1W form{FORM_USER, form_name.data(), {123456, 234567}, {0, 0, 123456, 234567}};
  ASSERT_TRUE(AddFormW(printer, 1, reinterpret_cast<LPBYTE>(&form)));

  const std::vector<BYTE> devmode_before = ReadPrinter(printer);
  const std::vector<BYTE> forms_before = ReadForms(printer);
  std::vector<std::vector<BYTE>> data_before;
  std::vector<DWORD> types_before;
  for (const std::u16string& name : names) {
    DWORD type = 0;
    data_before.push_back(ReadData(printer, name.c_str(), &type));
    types_before.push_back(type);
  }
  ASSERT_TRUE(ClosePrinter(printer));

  // Regenerates the printer store's fuzz seed from what this test wrote.
  if (const char* seed = std::getenv("VEL_STORE_SEED_OUT")) {
    std::ofstream out(seed, std::ios::binary);
    out << spooler::SavePrintersText() << '\0' << spooler::SaveFormsText();
  }

  // A fresh store over the same folder, as a later process opens it.
  spooler::ResetStore();
  const spooler::LoadReport report = spooler::OpenStore(folder.Path().string());
  EXPECT_TRUE(report.problems.empty());
  printer = OpenAdmin(u"qz 6400");
  EXPECT_EQ(ReadPrinter(printer), devmode_before);
  EXPECT_EQ(ReadPrinter(printer), devmode);
  EXPECT_EQ(ReadForms(printer), forms_before);
  for (std::size_t i = 0; i < std::size(names); ++i) {
    DWORD type = 0;
    EXPECT_EQ(ReadData(printer, names[i].c_str(), &type), data_before[i]);
    EXPECT_EQ(type, types_before[i]);
  }
  ASSERT_TRUE(ClosePrinter(printer));
  spooler::ResetStore();
}

TEST(Win32SpoolerThreadsTest, HandlesAndPrinterDataOfTwoPrinters) {
  spooler::ResetStore();
  for (const char16_t* name : {u"First", u"Second"}) {
    spooler::PrinterRecord record;
    record.name = name;
    ASSERT_TRUE(spooler::PutPrinter(record));
  }
  constexpr int kThreads = 8;
  constexpr int kRounds = 200;
  std::vector<std::thread> threads;
  std::vector<int> failures(kThreads, 0);
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &failures] {
      const char16_t* printer_name = t % 2 == 0 ? u"First" : u"Second";
      std::u16string value_name = u"Thread" + std::u16string(1, static_cast<char16_t>(u'0' + t));
      for (int round = 0; round < kRounds; ++round) {
        HANDLE printer = OpenAdmin(printer_name);
        DWORD value = static_cast<DWORD>(round);
        if (printer == nullptr || SetPrinterDataW(printer, value_name.data(), REG_DWORD,
                                                  reinterpret_cast<LPBYTE>(&value), 4) != 0) {
          ++failures[t];
        }
        DWORD type = 0;
        DWORD read = 0;
        DWORD needed = 0;
        if (GetPrinterDataW(printer, value_name.data(), &type, reinterpret_cast<LPBYTE>(&read), 4,
                            &needed) != 0 ||
            read != value || !ClosePrinter(printer)) {
          ++failures[t];
        }
      }
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(failures[t], 0) << "thread " << t;
  }
  // Each printer holds the values of its own four threads only.
  EXPECT_EQ(spooler::DumpPrinterData(u"First").size(), 4u);
  EXPECT_EQ(spooler::DumpPrinterData(u"Second").size(), 4u);
  spooler::ResetStore();
}

}  // namespace

namespace {

// Runs the probe program; its standard output.
std::string RunProbe(const std::string& mode, const std::string& folder, int* status) {
  const std::string command = std::string(VEL_STATE_PROBE) + " " + mode + " '" + folder + "'";
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    *status = -1;
    return output;
  }
  char chunk[4096];
  std::size_t count = 0;
  while ((count = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) {
    output.append(chunk, count);
  }
  *status = pclose(pipe);
  return output;
}

TEST(Win32SpoolerStateTest, AnotherProcessReadsWhatOneProcessWrote) {
  vel::test::TempDir folder;
  int status = -1;
  RunProbe("write", folder.Path().string(), &status);
  ASSERT_EQ(status, 0);
  const std::string dump = RunProbe("dump", folder.Path().string(), &status);
  ASSERT_EQ(status, 0);

  // What this process reads from the folder, and what it wrote itself into a folder of its own.
  spooler::OpenStore(folder.Path().string());
  EXPECT_EQ(vel::test::DumpProbeState(), dump);
  vel::test::TempDir own;
  spooler::OpenStore(own.Path().string());
  ASSERT_TRUE(vel::test::WriteProbeState());
  EXPECT_EQ(vel::test::DumpProbeState(), dump);
  EXPECT_NE(dump.find("devmode 01"), std::string::npos);
  EXPECT_NE(dump.find("data 0 1 51007500"), std::string::npos);  // "Qu..." without a NUL
  EXPECT_NE(dump.find("data 2 "), std::string::npos);            // the missing value
  spooler::ResetStore();
}

}  // namespace
