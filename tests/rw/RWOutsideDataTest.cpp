// Corrupt data from outside the process (stream headers, stream text, record files) is reported
// and fails soft: even the UI flavour's default hook, which ends the process for the library's
// own errors, does not end it for bad input.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "rw/RWByteOrderStream.h"
#include "rw/RWDiskBTree.h"
#include "rw/RWFileSpaceManager.h"
#include "rw/RWPortableStream.h"
#include "tests/support/RwDiskFileCheck.h"
#include "tests/support/TempDir.h"

namespace {

void WriteFile(const std::string& name, const std::string& bytes) {
  std::FILE* file = std::fopen(name.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

void WriteFile(const std::string& name, const vel::test::Bytes& bytes) {
  WriteFile(name, std::string(bytes.begin(), bytes.end()));
}

void PutWord(vel::test::Bytes& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) {
    bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
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

// Every entry point of the file space manager that reads the file, given a corrupt or truncated
// one under the default hook.
TEST(RWOutsideDataDeathTest, CorruptSpaceFilesDoNotEndTheProcess) {
  vel::test::TempDir dir;
  const std::string short_header = dir.File("short.rec");
  WriteFile(short_header, std::string("\xFF\xFF\xFF\xFF\x18", 5));
  EXPECT_EXIT(
      {
        RWFileSpaceManager manager(short_header.c_str());
        std::exit(!manager.HasFreeList() && manager.Allocate(16) == -1 ? 0 : 2);
      },
      ::testing::ExitedWithCode(0), "");

  // A full anchor and a second record at the end of space, then the file cut inside that record.
  const std::string cut = dir.File("cut.rec");
  std::int32_t last = -1;
  {
    RWFileSpaceManager manager(cut.c_str());
    std::vector<std::int32_t> blocks;
    for (int i = 0; i < 67; ++i) {
      blocks.push_back(manager.Allocate(28));
    }
    for (int i = 1; i <= 65; i += 2) {
      ASSERT_TRUE(manager.Deallocate(blocks[i]));
    }
    ASSERT_EQ(manager.EndOfSpace(), 2424 + 268);
    last = blocks[66];
  }
  vel::test::Bytes image = vel::test::FileImage(cut);
  image.resize(2500);
  WriteFile(cut, image);
  EXPECT_EXIT(
      {
        RWFileSpaceManager manager(cut.c_str());
        std::exit(manager.HasFreeList() && manager.Allocate(4000) == -1 ? 0 : 2);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(
      {
        RWFileSpaceManager manager(cut.c_str());
        std::exit(manager.HasFreeList() && !manager.Deallocate(last) ? 0 : 2);
      },
      ::testing::ExitedWithCode(0), "");

  // A block that overlaps a free extent by its size word, and one whose size word is corrupt (the
  // first block is the file's start block, which is never freed).
  const std::string words = dir.File("words.rec");
  std::int32_t blocks[4] = {};
  {
    RWFileSpaceManager manager(words.c_str());
    for (std::int32_t& block : blocks) {
      block = manager.Allocate(28);
    }
    ASSERT_TRUE(manager.Deallocate(blocks[2]));
  }
  image = vel::test::FileImage(words);
  PutWord(image, static_cast<std::size_t>(blocks[1] - 4), 64);
  PutWord(image, static_cast<std::size_t>(blocks[3] - 4), 30);
  WriteFile(words, image);
  EXPECT_EXIT(
      {
        RWFileSpaceManager manager(words.c_str());
        std::exit(!manager.Deallocate(blocks[1]) && !manager.Deallocate(blocks[3]) ? 0 : 2);
      },
      ::testing::ExitedWithCode(0), "");

  // An end of space near the 32-bit limit, so that no block fits behind it.
  const std::string high = dir.File("high.rec");
  { RWFileSpaceManager manager(high.c_str()); }
  image = vel::test::FileImage(high);
  PutWord(image, 4, 0x7FFFFFF0);
  WriteFile(high, image);
  EXPECT_EXIT(
      {
        RWFileSpaceManager manager(high.c_str());
        std::exit(manager.Allocate(64) == -1 ? 0 : 2);
      },
      ::testing::ExitedWithCode(0), "");
}

// Node blocks whose size words are corrupt: removing every key frees them through the space
// manager, which refuses them; the tree finishes each removal and then stops.
TEST(RWOutsideDataDeathTest, TreeWhoseNodeBlocksCannotBeFreedDoesNotEndTheProcess) {
  vel::test::TempDir dir;
  const std::string name = dir.File("tree.rec");
  constexpr int kKeys = 30;
  auto key = [](int i) { return std::to_string(1000 + i); };
  {
    RWFileSpaceManager manager(name.c_str());
    RWDiskBTree tree(&manager, 10, false, 16, false, -1, false, 2, 2);
    for (int i = 0; i < kKeys; ++i) {
      ASSERT_TRUE(tree.InsertKeyAndValue(key(i).c_str(), i));
    }
  }
  vel::test::Bytes image = vel::test::FileImage(name);
  vel::test::SpaceLayout layout;
  ASSERT_TRUE(vel::test::CheckFileSpace(image, &layout));
  vel::test::TreeContents contents;
  ASSERT_TRUE(vel::test::CheckDiskBTree(image, layout, layout.start, true, kKeys, &contents));
  ASSERT_GT(contents.nodes.size(), 3u);
  for (const auto& node : contents.nodes) {
    PutWord(image, static_cast<std::size_t>(node.first - 4), 0x7FFFFFF0);
  }
  WriteFile(name, image);
  EXPECT_EXIT(
      {
        RWFileSpaceManager manager(name.c_str());
        RWDiskBTree tree(&manager);
        int removed = 0;
        for (int i = 0; i < kKeys; ++i) {
          removed += tree.RemoveKeyAndValue(key(i).c_str(), nullptr, nullptr) ? 1 : 0;
        }
        std::exit(removed > 0 && !tree.IsUsable() ? 0 : 2);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
