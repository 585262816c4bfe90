// Corrupt data from outside the process (stream headers, stream text, record files) is reported
// and fails soft: even the UI flavour's default hook, which ends the process for the library's
// own errors, does not end it for bad input.
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "rw/RWByteOrderStream.h"
#include "rw/RWDiskBTree.h"
#include "rw/RWFileSpaceManager.h"
#include "rw/RWPortableStream.h"
#include "tests/support/TempDir.h"

namespace {

void WriteFile(const std::string& name, const std::string& bytes) {
  std::FILE* file = std::fopen(name.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

// Each case runs with the default hook in a child process that must reach exit(0).
TEST(RWOutsideDataDeathTest, BadInputDoesNotEndTheProcess) {
  EXPECT_EXIT(
      {
        std::istringstream bytes(std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09", 9));
        RWByteOrderInStream in(bytes);
        std::exit(in.Bad() != 0 ? 0 : 2);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(
      {
        std::istringstream text("x not a string");
        RWPortableInStream in(text);
        char buffer[8];
        in.GetString(buffer, sizeof buffer);
        std::exit(in.Fail() != 0 ? 0 : 2);
      },
      ::testing::ExitedWithCode(0), "");
  vel::test::TempDir dir;
  const std::string junk = dir.File("junk.rec");
  WriteFile(junk, std::string(400, '\x5A'));
  EXPECT_EXIT(
      {
        RWFileSpaceManager manager(junk.c_str());
        std::exit(!manager.HasFreeList() && manager.Allocate(16) == -1 ? 0 : 2);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(RWOutsideDataDeathTest, CorruptTreeFileDoesNotEndTheProcess) {
  vel::test::TempDir dir;
  const std::string name = dir.File("tree.rec");
  {
    RWFileSpaceManager manager(name.c_str());
    RWDiskBTree tree(&manager, 10, true);
    ASSERT_TRUE(tree.IsUsable());
  }
  // Overwrite everything after the space manager's header and first record with junk.
  std::FILE* file = std::fopen(name.c_str(), "rb+");
  ASSERT_NE(file, nullptr);
  std::fseek(file, 0, SEEK_END);
  const long size = std::ftell(file);
  ASSERT_GT(size, 284);
  std::fseek(file, 284, SEEK_SET);
  const std::string junk(static_cast<std::size_t>(size - 284), '\x7F');
  std::fwrite(junk.data(), 1, junk.size(), file);
  std::fclose(file);
  EXPECT_EXIT(
      {
        RWFileSpaceManager manager(name.c_str());
        RWDiskBTree tree(&manager);
        std::exit(tree.IsUsable() ? 2 : 0);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
