// Data modules, the system image and its native file functions.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/engine/winddi.h"
#include "tests/platform/EngineTestFixture.h"

namespace vel::platform::engine {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

off_t FileSize(const std::filesystem::path& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 ? info.st_size : -1;
}

class EngineFilesTest : public EngineTest {
 protected:
  std::filesystem::path Host(const char* below_root) const { return root_.Path() / below_root; }
};

TEST_F(EngineFilesTest, ReadOnlyModulesMapExistingFiles) {
  WriteFile(Host("C/WINNT/System32/Data.bin"), "hello");
  WriteFile(Host("C/empty.bin"), "");
  std::u16string name = u"\\SystemRoot\\system32\\DATA.BIN";  // found ignoring case
  HANDLE module = EngLoadModule(W(name));
  ASSERT_NE(module, nullptr);
  ULONG size = 0;
  auto* view = static_cast<const char*>(EngMapModule(module, &size));
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(std::string(view, size), "hello");
  EngFreeModule(module);

  std::u16string empty = u"C:\\empty.bin";
  module = EngLoadModule(W(empty));
  ASSERT_NE(module, nullptr);
  size = 99;
  EXPECT_NE(EngMapModule(module, &size), nullptr);
  EXPECT_EQ(size, 0u);
  EngFreeModule(module);

  std::u16string missing = u"C:\\missing.bin";
  EXPECT_EQ(EngLoadModule(W(missing)), nullptr);
}

TEST_F(EngineFilesTest, ModulesForWriteTakeExactlyTheSizeAsked) {
  const std::filesystem::path file = Host("C/out/file.dat");
  std::filesystem::create_directories(file.parent_path());
  std::u16string name = u"\\??\\C:\\out\\file.dat";
  const struct {
    ULONG cj;
    off_t expected;
  } steps[] = {{4106, 4106}, {0, 4106}, {10, 10}, {5000, 5000}, {1, 1}};
  for (const auto& step : steps) {
    HANDLE module = EngLoadModuleForWrite(W(name), step.cj);
    ASSERT_NE(module, nullptr) << step.cj;
    ULONG size = 0;
    auto* view = static_cast<char*>(EngMapModule(module, &size));
    EXPECT_EQ(size, static_cast<ULONG>(step.expected));
    view[0] = 'Z';
    EngFreeModule(module);
    EXPECT_EQ(FileSize(file), step.expected) << step.cj;
  }
  EXPECT_EQ(ReadFile(file), "Z");
  // Growth fills with zeros after the kept bytes.
  HANDLE module = EngLoadModuleForWrite(W(name), 4);
  EngFreeModule(module);
  EXPECT_EQ(ReadFile(file), std::string("Z\0\0\0", 4));
}

TEST_F(EngineFilesTest, ModuleCallsFailUnderTheirSwitches) {
  std::u16string name = u"C:\\f.bin";
  FailCalls("EngLoadModuleForWrite", 0, 1);
  EXPECT_EQ(EngLoadModuleForWrite(W(name), 1), nullptr);
  HANDLE module = EngLoadModuleForWrite(W(name), 1);
  ASSERT_NE(module, nullptr);
  FailCalls("EngMapModule", 0, 1);
  ULONG size = 0;
  EXPECT_EQ(EngMapModule(module, &size), nullptr);
  EngFreeModule(module);
  EXPECT_TRUE(LedgerProblems().empty());
  HANDLE leaked = EngLoadModule(W(name));
  EXPECT_EQ(LedgerProblems(), (std::vector<std::string>{"1 module(s) never freed"}));
  EngFreeModule(leaked);
}

// The thirteen native functions, bound from the image as the render module binds them.
struct Native {
  HANDLE image = nullptr;
  PFN_ZwCreateFile create = nullptr;
  PFN_ZwClose close = nullptr;
  PFN_ZwReadFile read = nullptr;
  PFN_ZwWriteFile write = nullptr;
  PFN_ZwQueryInformationFile query = nullptr;
  PFN_ZwSetInformationFile set = nullptr;
  PFN_RtlInitUnicodeString init_unicode = nullptr;
  PFN_RtlInitAnsiString init_ansi = nullptr;
  PFN_RtlAnsiStringToUnicodeString ansi_to_unicode = nullptr;
  PFN_RtlFreeUnicodeString free_unicode = nullptr;
  PFN_RtlConvertLongToLargeInteger long_to_large = nullptr;
  PFN_RtlLargeIntegerAdd add = nullptr;
  PFN_RtlLargeIntegerSubtract subtract = nullptr;

  template <typename T>
  bool Bind(T& slot, const char* name) {
    slot = reinterpret_cast<T>(EngFindImageProcAddress(image, const_cast<char*>(name)));
    return slot != nullptr;
  }

  bool BindAll() {
    std::u16string name = u"\\SystemRoot\\System32\\NTDLL.DLL";
    image = EngLoadImage(name.data());
    if (image == nullptr) {
      return false;
    }
    return Bind(create, "ZwCreateFile") & Bind(close, "ZwClose") & Bind(read, "ZwReadFile") &
           Bind(write, "ZwWriteFile") & Bind(query, "ZwQueryInformationFile") &
           Bind(set, "ZwSetInformationFile") & Bind(init_unicode, "RtlInitUnicodeString") &
           Bind(init_ansi, "RtlInitAnsiString") &
           Bind(ansi_to_unicode, "RtlAnsiStringToUnicodeString") &
           Bind(free_unicode, "RtlFreeUnicodeString") &
           Bind(long_to_large, "RtlConvertLongToLargeInteger") & Bind(add, "RtlLargeIntegerAdd") &
           Bind(subtract, "RtlLargeIntegerSubtract");
  }

  ~Native() {
    if (image != nullptr) {
      EngUnloadImage(image);
    }
  }

  // ZwCreateFile as the native open passes it.
  NTSTATUS Open(const std::u16string& name, ACCESS_MASK access, ULONG disposition, HANDLE* file,
                ULONG options = 0x60, ULONG attributes = FILE_ATTRIBUTE_NORMAL,
                ULONG_PTR* information = nullptr) {
    UNICODE_STRING counted;
    init_unicode(&counted, name.c_str());
    OBJECT_ATTRIBUTES object{24, nullptr, &counted, OBJ_CASE_INSENSITIVE, nullptr, nullptr};
    IO_STATUS_BLOCK status{};
    NTSTATUS result = create(file, access, &object, &status, nullptr, attributes, 3, disposition,
                             options, nullptr, 0);
    if (information != nullptr) {
      *information = status.Information;
    }
    return result;
  }
};

constexpr ACCESS_MASK kReadWrite = 0xC0100000;

TEST_F(EngineFilesTest, TheImageHoldsTheThirteenFunctionsAndCanLackAny) {
  {
    Native native;
    EXPECT_TRUE(native.BindAll());
  }
  OmitImageName("RtlLargeIntegerSubtract");
  {
    Native native;
    EXPECT_FALSE(native.BindAll());
    EXPECT_NE(native.add, nullptr);
  }
  std::u16string other = u"kernel32.dll";
  EXPECT_EQ(EngLoadImage(other.data()), nullptr);
}

TEST_F(EngineFilesTest, EachDispositionKeepsItsExistenceRule) {
  Native native;
  ASSERT_TRUE(native.BindAll());
  const std::u16string existing = u"C:\\existing.txt";
  const std::u16string absent = u"C:\\absent.txt";
  const struct {
    ULONG disposition;
    NTSTATUS on_existing;
    ULONG_PTR information;
    NTSTATUS on_absent;
  } cases[] = {
      {FILE_OPEN, STATUS_SUCCESS, FILE_OPENED, STATUS_OBJECT_NAME_NOT_FOUND},
      {FILE_CREATE, STATUS_OBJECT_NAME_COLLISION, 0, STATUS_SUCCESS},
      {FILE_OPEN_IF, STATUS_SUCCESS, FILE_OPENED, STATUS_SUCCESS},
      {FILE_OVERWRITE, STATUS_SUCCESS, FILE_OVERWRITTEN, STATUS_OBJECT_NAME_NOT_FOUND},
      {FILE_OVERWRITE_IF, STATUS_SUCCESS, FILE_OVERWRITTEN, STATUS_SUCCESS},
  };
  for (const auto& c : cases) {
    WriteFile(Host("C/existing.txt"), "data");
    std::filesystem::remove(Host("C/absent.txt"));
    HANDLE file = nullptr;
    ULONG_PTR information = 99;
    EXPECT_EQ(native.Open(existing, kReadWrite, c.disposition, &file, 0x60,
                          FILE_ATTRIBUTE_NORMAL, &information),
              c.on_existing)
        << c.disposition;
    if (file != nullptr) {
      EXPECT_EQ(information, c.information) << c.disposition;
      EXPECT_EQ(FileSize(Host("C/existing.txt")), c.information == FILE_OVERWRITTEN ? 0 : 4);
      EXPECT_EQ(native.close(file), STATUS_SUCCESS);
    }
    file = nullptr;
    EXPECT_EQ(native.Open(absent, kReadWrite, c.disposition, &file, 0x60, FILE_ATTRIBUTE_NORMAL,
                          &information),
              c.on_absent)
        << c.disposition;
    EXPECT_EQ(file != nullptr, c.on_absent == STATUS_SUCCESS);
    if (file != nullptr) {
      EXPECT_EQ(information, FILE_CREATED);
      native.close(file);
    }
  }
  HANDLE file = nullptr;
  EXPECT_EQ(native.Open(u"\\Device\\Harddisk0\\x", kReadWrite, FILE_OPEN_IF, &file),
            STATUS_OBJECT_NAME_INVALID);
  EXPECT_EQ(file, nullptr);
}

TEST_F(EngineFilesTest, WritesSeeksAndReadsUpToTheEndOfFile) {
  Native native;
  ASSERT_TRUE(native.BindAll());
  HANDLE file = nullptr;
  ASSERT_EQ(native.Open(u"C:\\rw.bin", kReadWrite, FILE_OVERWRITE_IF, &file), STATUS_SUCCESS);
  IO_STATUS_BLOCK status{};
  char data[] = "0123456789";
  EXPECT_EQ(native.write(file, nullptr, nullptr, nullptr, &status, data, 10, nullptr, nullptr),
            STATUS_SUCCESS);
  EXPECT_EQ(status.Information, 10u);

  FILE_STANDARD_INFORMATION standard{};
  EXPECT_EQ(native.query(file, &status, &standard, sizeof standard, FileStandardInformation),
            STATUS_SUCCESS);
  EXPECT_EQ(standard.EndOfFile.QuadPart, 10);
  EXPECT_EQ(native.query(file, &status, &standard, 23, FileStandardInformation),
            STATUS_INFO_LENGTH_MISMATCH);
  FILE_POSITION_INFORMATION position{};
  EXPECT_EQ(native.query(file, &status, &position, 8, FilePositionInformation), STATUS_SUCCESS);
  EXPECT_EQ(position.CurrentByteOffset.QuadPart, 10);
  EXPECT_EQ(native.query(file, &status, &position, 8, 4), STATUS_INVALID_INFO_CLASS);

  position.CurrentByteOffset.QuadPart = 6;
  EXPECT_EQ(native.set(file, &status, &position, 8, FilePositionInformation), STATUS_SUCCESS);
  EXPECT_EQ(native.set(file, &status, &position, 7, FilePositionInformation),
            STATUS_INFO_LENGTH_MISMATCH);
  char buffer[8] = {};
  EXPECT_EQ(native.read(file, nullptr, nullptr, nullptr, &status, buffer, 3, nullptr, nullptr),
            STATUS_SUCCESS);
  EXPECT_EQ(std::string(buffer, status.Information), "678");
  EXPECT_EQ(native.read(file, nullptr, nullptr, nullptr, &status, buffer, 8, nullptr, nullptr),
            STATUS_SUCCESS);
  EXPECT_EQ(std::string(buffer, status.Information), "9");
  EXPECT_EQ(native.read(file, nullptr, nullptr, nullptr, &status, buffer, 8, nullptr, nullptr),
            STATUS_END_OF_FILE);
  EXPECT_EQ(status.Information, 0u);
  EXPECT_EQ(native.close(file), STATUS_SUCCESS);
  EXPECT_EQ(native.close(file), STATUS_INVALID_HANDLE);
  EXPECT_EQ(ReadFile(Host("C/rw.bin")), "0123456789");
}

TEST_F(EngineFilesTest, DeleteOnCloseAndReadOnlyCreation) {
  Native native;
  ASSERT_TRUE(native.BindAll());
  HANDLE file = nullptr;
  ASSERT_EQ(native.Open(u"C:\\temp.bin", kReadWrite | DELETE, FILE_OVERWRITE_IF, &file, 0x1060),
            STATUS_SUCCESS);
  EXPECT_TRUE(std::filesystem::exists(Host("C/temp.bin")));
  FILE_STANDARD_INFORMATION standard{};
  IO_STATUS_BLOCK status{};
  native.query(file, &status, &standard, sizeof standard, FileStandardInformation);
  EXPECT_EQ(standard.DeletePending, 1);
  native.close(file);
  EXPECT_FALSE(std::filesystem::exists(Host("C/temp.bin")));

  // A file made read-only: the opening handle writes, a later writer is refused.
  ASSERT_EQ(native.Open(u"C:\\ro.bin", kReadWrite, FILE_CREATE, &file, 0x60,
                        FILE_ATTRIBUTE_READONLY),
            STATUS_SUCCESS);
  native.close(file);
  if (::geteuid() != 0) {
    EXPECT_EQ(native.Open(u"C:\\ro.bin", kReadWrite, FILE_OPEN, &file), STATUS_ACCESS_DENIED);
  }
  EXPECT_EQ(native.Open(u"C:\\ro.bin", 0x80100000, FILE_OPEN, &file), STATUS_SUCCESS);
  native.close(file);

  // Deletion by name, as the render module's delete opens it.
  ASSERT_EQ(native.Open(u"C:\\ro.bin", 0x00110000, FILE_OPEN, &file, 0x1060), STATUS_SUCCESS);
  native.close(file);
  EXPECT_FALSE(std::filesystem::exists(Host("C/ro.bin")));
}

TEST_F(EngineFilesTest, RuntimeHelpers) {
  Native native;
  ASSERT_TRUE(native.BindAll());
  ANSI_STRING ansi;
  native.init_ansi(&ansi, "C:\\\x80.txt");
  EXPECT_EQ(ansi.Length, 8);
  UNICODE_STRING unicode{};
  ASSERT_EQ(native.ansi_to_unicode(&unicode, &ansi, 1), STATUS_SUCCESS);
  EXPECT_EQ(std::u16string(unicode.Buffer, unicode.Length / 2), u"C:\\\u20ac.txt");
  native.free_unicode(&unicode);
  EXPECT_EQ(unicode.Buffer, nullptr);
  char16_t small[4];
  UNICODE_STRING fixed{0, sizeof small, small};
  EXPECT_EQ(native.ansi_to_unicode(&fixed, &ansi, 0), STATUS_BUFFER_OVERFLOW);

  LARGE_INTEGER a = native.long_to_large(-5);
  EXPECT_EQ(a.QuadPart, -5);
  LARGE_INTEGER b;
  b.QuadPart = 0x100000000LL;
  EXPECT_EQ(native.add(a, b).QuadPart, 0xFFFFFFFBLL);
  EXPECT_EQ(native.subtract(a, b).QuadPart, -5 - 0x100000000LL);
}

}  // namespace
}  // namespace vel::platform::engine
