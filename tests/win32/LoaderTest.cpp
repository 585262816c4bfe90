// The module loader of the Win32 stand-in over virtual modules and a module shared library.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/CallLog.h"
#include "platform/spooler/PrinterStore.h"
#include "platform/win32/loader.h"
#include "platform/win32/profile.h"
#include "platform/win32/text.h"
#include "platform/win32/winreg.h"
#include "platform/win32/winspool.h"

namespace {

using vel::platform::VirtualModule;

struct EntryCall {
  HINSTANCE module;
  DWORD reason;
};
std::vector<EntryCall> entry_calls;
BOOL attach_answer = TRUE;

BOOL RecordingEntry(HINSTANCE module, DWORD reason, LPVOID reserved) {
  EXPECT_EQ(reserved, nullptr);
  entry_calls.push_back({module, reason});
  return reason == DLL_PROCESS_ATTACH ? attach_answer : TRUE;
}

int Answer42() {
  return 42;
}

class Win32LoaderTest : public testing::Test {
 protected:
  void SetUp() override {
    entry_calls.clear();
    attach_answer = TRUE;
    VirtualModule hook;
    hook.path = u"C:\\WINNT\\System32\\qzkeys32.dll";
    hook.entry = RecordingEntry;
    hook.Export("JobStart", &Answer42);
    vel::platform::RegisterVirtualModule(hook);
  }
  void TearDown() override {
    vel::platform::ResetLoaderFixture();
    vel::platform::ClearFailures();
  }
};

TEST_F(Win32LoaderTest, CountsLoadsAndCallsTheEntryOnFirstLoadAndLastFree) {
  HMODULE first = LoadLibraryW(u"qzkeys32.dll");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(LoadLibraryW(u"QZKEYS32"), first);  // ".dll" optional, case ignored
  EXPECT_EQ(LoadLibraryW(u"c:\\winnt\\system32\\QZKEYS32.DLL"), first);  // by its own path
  EXPECT_EQ(LoadLibraryW(u"C:/WINNT/System32/qzkeys32.dll"), first);
  EXPECT_EQ(vel::platform::ModuleLoadCount(first), 4);
  ASSERT_EQ(entry_calls.size(), 1u);
  EXPECT_EQ(entry_calls[0].module, first);
  EXPECT_EQ(entry_calls[0].reason, DLL_PROCESS_ATTACH);
  EXPECT_EQ(GetModuleHandleW(u"qzkeys32.dll"), first);
  EXPECT_EQ(vel::platform::ModuleLoadCount(first), 4);  // GetModuleHandleW does not count

  EXPECT_TRUE(FreeLibrary(first));
  EXPECT_TRUE(FreeLibrary(first));
  EXPECT_TRUE(FreeLibrary(first));
  EXPECT_EQ(entry_calls.size(), 1u);
  EXPECT_TRUE(FreeLibrary(first));
  ASSERT_EQ(entry_calls.size(), 2u);
  EXPECT_EQ(entry_calls[1].module, first);
  EXPECT_EQ(entry_calls[1].reason, DLL_PROCESS_DETACH);
  EXPECT_EQ(vel::platform::ModuleLoadCount(first), 0);
  SetLastError(0);
  EXPECT_FALSE(FreeLibrary(first));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(GetModuleHandleW(u"qzkeys32.dll"), nullptr);
}

TEST_F(Win32LoaderTest, RefusedAttachDetachesAndUnloads) {
  attach_answer = FALSE;
  SetLastError(0);
  EXPECT_EQ(LoadLibraryW(u"qzkeys32.dll"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_DLL_INIT_FAILED);
  ASSERT_EQ(entry_calls.size(), 2u);
  EXPECT_EQ(entry_calls[0].reason, DLL_PROCESS_ATTACH);
  EXPECT_EQ(entry_calls[1].reason, DLL_PROCESS_DETACH);
  EXPECT_EQ(entry_calls[0].module, entry_calls[1].module);
  EXPECT_EQ(GetModuleHandleW(u"qzkeys32.dll"), nullptr);
  // A later load starts afresh.
  attach_answer = TRUE;
  HMODULE module = LoadLibraryW(u"qzkeys32.dll");
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(vel::platform::ModuleLoadCount(module), 1);
  EXPECT_TRUE(FreeLibrary(module));
}

TEST_F(Win32LoaderTest, MissingModulesAndExports) {
  SetLastError(0);
  EXPECT_EQ(LoadLibraryW(u"nosuch.dll"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  vel::platform::FailModuleLoad(u"QZKEYS32.DLL");
  EXPECT_EQ(LoadLibraryW(u"qzkeys32"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  vel::platform::ResetLoaderFixture();
  SetUp();

  HMODULE module = LoadLibraryW(u"qzkeys32");
  ASSERT_NE(module, nullptr);
  auto job_start = reinterpret_cast<int (*)()>(GetProcAddress(module, "JobStart"));
  ASSERT_NE(job_start, nullptr);
  EXPECT_EQ(job_start(), 42);
  SetLastError(0);
  EXPECT_EQ(GetProcAddress(module, "jobstart"), nullptr);  // exact names
  EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
  EXPECT_TRUE(FreeLibrary(module));
}

TEST_F(Win32LoaderTest, ForcedFailuresAreLogged) {
  vel::platform::ClearCallLog();
  vel::platform::FailCalls("LoadLibraryW", 0, 1);
  EXPECT_EQ(LoadLibraryW(u"qzkeys32.dll"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_TRUE(entry_calls.empty());
  const auto log = vel::platform::CallLogSnapshot();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "LoadLibraryW(qzkeys32.dll) = null error 8");
}

TEST_F(Win32LoaderTest, ModuleFileNameIsTheWindowsPathCutAtTheBuffer) {
  HMODULE module = LoadLibraryW(u"qzkeys32");
  ASSERT_NE(module, nullptr);
  WCHAR path[64];
  const std::u16string full = u"C:\\WINNT\\System32\\qzkeys32.dll";
  EXPECT_EQ(GetModuleFileNameW(module, path, 64), full.size());
  EXPECT_EQ(std::u16string(path), full);
  WCHAR short_path[8];
  SetLastError(0);
  EXPECT_EQ(GetModuleFileNameW(module, short_path, 8), 8u);
  EXPECT_EQ(std::u16string(short_path), full.substr(0, 7));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);

  vel::platform::SetProcessImagePath(u"C:\\tools\\host.exe");
  EXPECT_EQ(GetModuleFileNameW(nullptr, path, 64), 17u);
  EXPECT_EQ(std::u16string(path), u"C:\\tools\\host.exe");
  EXPECT_EQ(GetModuleHandleW(nullptr), GetModuleHandleW(nullptr));
  EXPECT_NE(GetModuleHandleW(nullptr), nullptr);
  EXPECT_TRUE(FreeLibrary(module));
}

TEST_F(Win32LoaderTest, SharedLibraryFromTheModuleFolder) {
  vel::platform::SetModuleFolder(VEL_TEST_MODULE_DIR, u"C:\\drivers");
  HMODULE module = LoadLibraryW(u"VEL_WIN32_TEST_MODULE.DLL");
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(LoadLibraryW(u"C:\\drivers\\vel_win32_test_module.dll"), module);
  auto attach_calls = reinterpret_cast<int (*)()>(GetProcAddress(module, "TestModuleAttachCalls"));
  auto own_handle =
      reinterpret_cast<HINSTANCE (*)()>(GetProcAddress(module, "TestModuleOwnHandle"));
  ASSERT_NE(attach_calls, nullptr);
  ASSERT_NE(own_handle, nullptr);
  EXPECT_EQ(attach_calls(), 1);
  EXPECT_EQ(own_handle(), module);
  // The module reaches the host's platform: its last error is the host's.
  auto set_last_error =
      reinterpret_cast<void (*)(DWORD)>(GetProcAddress(module, "TestModuleSetLastError"));
  ASSERT_NE(set_last_error, nullptr);
  set_last_error(4321);
  EXPECT_EQ(GetLastError(), 4321u);
  // And its printers: a value written in the module is in the host's store.
  vel::platform::spooler::ResetStore();
  vel::platform::spooler::PrinterRecord record;
  record.name = u"QZ 6400";
  ASSERT_TRUE(vel::platform::spooler::PutPrinter(record));
  std::u16string printer_name = u"QZ 6400";
  PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE printer = nullptr;
  ASSERT_TRUE(OpenPrinterW(printer_name.data(), &printer, &defaults));
  auto write_data =
      reinterpret_cast<DWORD (*)(HANDLE)>(GetProcAddress(module, "TestModuleWritePrinterData"));
  ASSERT_NE(write_data, nullptr);
  EXPECT_EQ(write_data(printer), ERROR_SUCCESS);
  EXPECT_EQ(GetLastError(), 1234u);
  std::u16string value_name = u"RegWriteTest";
  DWORD type = 0;
  DWORD value = 0;
  DWORD needed = 0;
  EXPECT_EQ(GetPrinterDataW(printer, value_name.data(), &type, reinterpret_cast<LPBYTE>(&value), 4,
                            &needed),
            ERROR_SUCCESS);
  EXPECT_EQ(value, 1u);
  EXPECT_TRUE(ClosePrinter(printer));
  vel::platform::spooler::ResetStore();
  // Only the module's own exports, not what it reaches through its dependencies.
  EXPECT_EQ(GetProcAddress(module, "malloc"), nullptr);
  EXPECT_EQ(GetProcAddress(module, "Entry"), nullptr);  // not exported

  WCHAR path[64];
  GetModuleFileNameW(module, path, 64);
  EXPECT_EQ(std::u16string(path), u"C:\\drivers\\VEL_WIN32_TEST_MODULE.DLL");
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_EQ(vel::platform::ModuleLoadCount(module), 0);
}

}  // namespace

namespace {

std::atomic<int> attaches{0};
std::atomic<int> detaches{0};

BOOL CountingEntry(HINSTANCE, DWORD reason, LPVOID) {
  (reason == DLL_PROCESS_ATTACH ? attaches : detaches).fetch_add(1);
  return TRUE;
}

// Loads, frees, resource and registry reads from eight threads at once.
TEST(Win32LoaderThreadsTest, LoadFreeAndReadFromManyThreads) {
  VirtualModule module;
  module.path = u"C:\\WINNT\\System32\\shared.dll";
  module.entry = CountingEntry;
  vel::platform::RegisterVirtualModule(module);
  HMODULE pinned = LoadLibraryW(u"shared.dll");
  ASSERT_NE(pinned, nullptr);
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&failures] {
      for (int round = 0; round < 100; ++round) {
        HMODULE handle = LoadLibraryW(u"SHARED");
        WCHAR path[64];
        HKEY key = nullptr;
        if (handle == nullptr || GetModuleFileNameW(handle, path, 64) == 0 ||
            RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SYSTEM\\CurrentControlSet\\Control\\ProductOptions",
                          0, KEY_READ, &key) != 0 ||
            RegCloseKey(key) != 0 || GetProfileIntA("intl", "iCountry", 0) != 1 ||
            !FreeLibrary(handle)) {
          failures.fetch_add(1);
        }
      }
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(vel::platform::ModuleLoadCount(pinned), 1);
  EXPECT_TRUE(FreeLibrary(pinned));
  EXPECT_EQ(attaches.load(), 1);
  EXPECT_EQ(detaches.load(), 1);
  vel::platform::ResetLoaderFixture();
}

}  // namespace
