// Files, paths and kernel-object handles of the Win32 stand-in.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/PathMap.h"
#include "platform/win32/files.h"
#include "platform/win32/loader.h"
#include "platform/win32/text.h"
#include "platform/win32/windows.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;

class Win32FilesTest : public testing::Test {
 protected:
  void SetUp() override {
    vel::platform::SetPlatformRoot(root_.Path().string());
    fs::create_directories(root_.Path() / "C" / "Temp");
  }
  void TearDown() override { vel::platform::ResetLoaderFixture(); }

  fs::path Host(const std::string& relative) const { return root_.Path() / relative; }
  void Write(const std::string& relative, const std::string& bytes) const {
    std::ofstream(Host(relative), std::ios::binary) << bytes;
  }

  vel::test::TempDir root_;
};

TEST_F(Win32FilesTest, DispositionsFollowTheirExistenceRules) {
  struct Case {
    DWORD disposition;
    bool exists;
    bool opens;
    DWORD error;
    std::uintmax_t size_after;  // of a 5-byte file, when it exists afterwards
  } cases[] = {
      {CREATE_NEW, false, true, ERROR_SUCCESS, 0},
      {CREATE_NEW, true, false, ERROR_FILE_EXISTS, 5},
      {CREATE_ALWAYS, false, true, ERROR_SUCCESS, 0},
      {CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, 0},
      {OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, 0},
      {OPEN_EXISTING, true, true, ERROR_SUCCESS, 5},
      {OPEN_ALWAYS, false, true, ERROR_SUCCESS, 0},
      {OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, 5},
      {TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND, 0},
      {TRUNCATE_EXISTING, true, true, ERROR_SUCCESS, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "disposition " << c.disposition << " exists " << c.exists);
    fs::remove(Host("C/Temp/file.bin"));
    if (c.exists) {
      Write("C/Temp/file.bin", "12345");
    }
    HANDLE file = CreateFileW(u"c:\\temp\\file.bin", GENERIC_WRITE, 0, nullptr, c.disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(GetLastError(), c.error);
    EXPECT_EQ(file != INVALID_HANDLE_VALUE, c.opens);
    if (file != INVALID_HANDLE_VALUE) {
      EXPECT_TRUE(CloseHandle(file));
    }
    const bool exists_after = fs::exists(Host("C/Temp/file.bin"));
    EXPECT_EQ(exists_after, c.exists || c.opens);
    if (exists_after) {
      EXPECT_EQ(fs::file_size(Host("C/Temp/file.bin")), c.size_after);
    }
  }
}

TEST_F(Win32FilesTest, PathsMapUnderTheRoot) {
  fs::create_directories(Host("C/WINNT/System32/spool/PRINTERS"));
  // Access 0 with CREATE_ALWAYS: the services' test whether a file can be created.
  HANDLE file = CreateFileW(u"\\SystemRoot\\System32\\Spool\\Printers\\probe.tmp", 0, 0, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_TRUE(fs::exists(Host("C/WINNT/System32/spool/PRINTERS/probe.tmp")));

  SetLastError(0);
  EXPECT_EQ(
      CreateFileW(u"C:\\NoFolder\\x.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
      INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(CreateFileW(u"C:\\Temp", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

  EXPECT_TRUE(DeleteFileW(u"\\SystemRoot\\System32\\Spool\\Printers\\PROBE.TMP"));
  EXPECT_FALSE(fs::exists(Host("C/WINNT/System32/spool/PRINTERS/probe.tmp")));
  EXPECT_FALSE(DeleteFileW(u"\\SystemRoot\\System32\\Spool\\Printers\\probe.tmp"));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(DeleteFileW(u"C:\\Temp"));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(Win32FilesTest, HandlesCloseOnceAndByKind) {
  HANDLE file =
      CreateFileW(u"C:\\Temp\\a.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  // A file is not a semaphore.
  EXPECT_EQ(WaitForSingleObject(file, 0), WAIT_FAILED);
  EXPECT_FALSE(ReleaseSemaphore(file, 1, nullptr));
  EXPECT_TRUE(CloseHandle(file));
  SetLastError(0);
  EXPECT_FALSE(CloseHandle(file));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(CloseHandle(nullptr));

  HANDLE semaphore = CreateSemaphoreW(nullptr, 1, 1, nullptr);
  ASSERT_NE(semaphore, nullptr);
  EXPECT_EQ(WaitForSingleObject(semaphore, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(semaphore, 0), 0x102u);  // WAIT_TIMEOUT
  EXPECT_TRUE(ReleaseSemaphore(semaphore, 1, nullptr));
  EXPECT_TRUE(CloseHandle(semaphore));
}

TEST_F(Win32FilesTest, OpenFileSearchesWhereTheLoaderSearches) {
  vel::platform::VirtualModule hook;
  hook.path = u"C:\\WINNT\\System32\\qzkeys32.dll";
  vel::platform::RegisterVirtualModule(hook);
  OFSTRUCT record;
  EXPECT_EQ(OpenFile("QZKEYS32.DLL", &record, OF_EXIST), 1);
  EXPECT_STREQ(record.szPathName, "C:\\WINNT\\System32\\qzkeys32.dll");
  EXPECT_EQ(record.nErrCode, 0);

  EXPECT_EQ(OpenFile("absent.dll", &record, OF_EXIST), HFILE_ERROR);
  EXPECT_EQ(record.nErrCode, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

  Write("C/Temp/data.bin", "x");
  EXPECT_EQ(OpenFile("C:\\TEMP\\data.bin", &record, OF_EXIST), 1);
  EXPECT_STREQ(record.szPathName, "C:\\TEMP\\data.bin");
}

TEST_F(Win32FilesTest, ModulesLoadByMappedPath) {
  fs::create_directories(Host("C/drivers"));
  fs::copy_file(fs::path(VEL_TEST_MODULE_DIR) /
                    (std::string("vel_win32_test_module") + vel::platform::ModuleFileSuffix()),
                Host(std::string("C/drivers/qzui") + vel::platform::ModuleFileSuffix()));
  HMODULE module = LoadLibraryW(u"C:\\DRIVERS\\QZUI.DLL");
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(LoadLibraryW(u"c:\\drivers\\qzui.dll"), module);
  EXPECT_EQ(GetModuleHandleW(u"qzui"), module);
  WCHAR path[64];
  GetModuleFileNameW(module, path, 64);
  EXPECT_EQ(std::u16string(path), u"C:\\DRIVERS\\QZUI.DLL");
  OFSTRUCT record;
  EXPECT_EQ(OpenFile("C:\\drivers\\qzui.dll", &record, OF_EXIST), 1);
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_EQ(LoadLibraryW(u"C:\\drivers\\other.dll"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
}

}  // namespace
