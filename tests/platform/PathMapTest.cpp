// The mapping of Windows and NT names to host paths.
#include "platform/PathMap.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/TempDir.h"

namespace vel::platform {
namespace {

class PathMapTest : public ::testing::Test {
 protected:
  void SetUp() override { SetPlatformRoot(root_.Path().string()); }
  std::string Root() const { return root_.Path().string(); }

  test::TempDir root_;
};

TEST_F(PathMapTest, MapsEachFormOfName) {
  struct Case {
    const char* name;
    const char* expected;  // below the root; "" for no mapping; starting with '/' for as-is
  };
  const Case cases[] = {
      {"\\SystemRoot\\System32\\Spool\\Printers", "/C/WINNT/System32/Spool/Printers"},
      {"\\??\\D:\\data\\file.bin", "/D/data/file.bin"},
      {"\\DosDevices\\c:\\x", "/C/x"},
      {"e:\\temp\\a.txt", "/E/temp/a.txt"},
      {"C:/mixed\\slashes", "/C/mixed/slashes"},
      {"\\temp\\b", "/C/temp/b"},
      {"relative\\name", "/relative/name"},
      {"C:\\a\\..\\..\\..\\etc\\passwd", "/C/etc/passwd"},
      {"C:\\.\\a\\.\\b", "/C/a/b"},
      {"/var/tmp/x", "/var/tmp/x"},
      {"", ""},
      {"\\Device\\Harddisk0\\x", ""},
      {"\\\\server\\share\\x", ""},
      {"\\??\\nodrive", ""},
  };
  for (const Case& c : cases) {
    std::string expected = c.expected[0] == 0     ? std::string()
                           : c.name[0] == '/'     ? std::string(c.expected)
                                                  : Root() + c.expected;
    EXPECT_EQ(MapPlatformPath(std::string_view(c.name)), expected) << c.name;
  }
}

TEST_F(PathMapTest, WideNamesMapLikeNarrowOnes) {
  EXPECT_EQ(MapPlatformPath(std::u16string_view(u"\\??\\C:\\Temp\\\u00e9t\u00e9.txt")),
            Root() + "/C/Temp/\xc3\xa9t\xc3\xa9.txt");
}

TEST_F(PathMapTest, FallsBackToEntriesThatDifferInCaseOnly) {
  std::filesystem::create_directories(root_.Path() / "C" / "WinNT" / "system32");
  std::ofstream(root_.Path() / "C" / "WinNT" / "system32" / "Data.BIN") << "x";
  // Exact components are taken as they are; others find their entry ignoring case; a missing
  // tail keeps the given spelling.
  EXPECT_EQ(MapPlatformPath(std::string_view("\\SystemRoot\\SYSTEM32\\data.bin")),
            Root() + "/C/WinNT/system32/Data.BIN");
  EXPECT_EQ(MapPlatformPath(std::string_view("c:\\winnt\\System32\\New\\File")),
            Root() + "/C/WinNT/system32/New/File");
}

TEST_F(PathMapTest, AnExactEntryWinsOverOneThatDiffersInCase) {
  std::filesystem::create_directories(root_.Path() / "C" / "dir");
  std::filesystem::create_directories(root_.Path() / "C" / "DIR");
  EXPECT_EQ(MapPlatformPath(std::string_view("C:\\DIR")), Root() + "/C/DIR");
  EXPECT_EQ(MapPlatformPath(std::string_view("C:\\dir")), Root() + "/C/dir");
}

}  // namespace
}  // namespace vel::platform
