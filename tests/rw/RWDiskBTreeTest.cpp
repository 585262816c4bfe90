// The on-disk B-tree: the new tree's image, splits, rotations and merges, keys, reopening, the
// older style, corrupt files, and a randomized run against std::map with an integrity check
// after every step.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "rw/RWDiskBTree.h"
#include "rw/RWDiskBlockCache.h"
#include "rw/RWFileSpaceManager.h"
#include "tests/support/ByteMatch.h"
#include "tests/support/RwDiskFileCheck.h"
#include "tests/support/RwRecordingErrorHook.h"
#include "tests/support/TempDir.h"

namespace {

using vel::test::Bytes;
using vel::test::BytesEqual;
using vel::test::CheckDiskBTree;
using vel::test::CheckFileSpace;
using vel::test::FileImage;
using vel::test::HexBytes;
using vel::test::RecordingErrorHook;
using vel::test::SpaceLayout;
using vel::test::TempDir;
using vel::test::TreeContents;

// Record-store keys: a serial number in lower-case hexadecimal.
std::string Serial(unsigned number) {
  char text[16];
  std::snprintf(text, sizeof text, "%x", number);
  return text;
}

Bytes Image(RWFileSpaceManager& manager) {
  EXPECT_TRUE(manager.Flush());
  return FileImage(manager.GetName());
}

std::uint32_t WordAt(const Bytes& bytes, std::size_t at) {
  return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
         (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

void PutWord(Bytes& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) {
    bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
}

void WriteImage(const std::string& name, const Bytes& bytes) {
  std::FILE* file = std::fopen(name.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
  std::fclose(file);
}

// The whole file sound, the tree holding `expected` pairs (-1: the header's count), and no
// block used by anything but the tree.
::testing::AssertionResult Sound(RWFileSpaceManager& manager,
                                 std::int64_t expected = -1,
                                 TreeContents* contents = nullptr,
                                 vel::test::KeyCompare compare = nullptr) {
  const Bytes image = Image(manager);
  SpaceLayout layout;
  if (auto result = CheckFileSpace(image, &layout); !result) {
    return result;
  }
  return CheckDiskBTree(image, layout, manager.GetStart(), true, expected, contents, compare);
}

// Pairs of a tree by ApplyToKeyAndValue.
std::vector<std::pair<std::string, std::int32_t>> Pairs(RWDiskBTree& tree) {
  std::vector<std::pair<std::string, std::int32_t>> pairs;
  tree.ApplyToKeyAndValue(
      [](const char* key, std::int32_t value, void* data) {
        static_cast<std::vector<std::pair<std::string, std::int32_t>>*>(data)->emplace_back(key,
                                                                                            value);
      },
      &pairs);
  return pairs;
}

TEST(RWDiskBTreeTest, NewRecordStoreTreeSitsAtTheFileStart) {
  TempDir dir;
  RWFileSpaceManager manager(dir.File("records.bin").c_str());
  RWDiskBTree tree(&manager, 10, false, 16, false, -1, false, 10, 10);
  ASSERT_TRUE(tree.IsUsable());
  Bytes expected = HexBytes(R"(
      1C 01 00 00   # start offset 284: the tree header
      44 01 00 00   # end of space 324
      0C 01 00 00   # record size 268
      35 12 00 00   # anchor record, magic 0x1235
  )");
  expected.insert(expected.end(), 256, 0);
  const Bytes tail = HexBytes(R"(
      00 00 00 00   # no free extents
      0C 00 00 00   # next record: the anchor
      2C 00 00 00   # size word: a block of 44 bytes
      FF FF FF FF   # tree header: root none
      FF FF FF FF   # reserved
      00 02 00 00   # version 512
      00 00 00 00   # entries 0
      10 00 00 00   # key length 16
      0A 00 00 00   # order 10
      0A 00 00 00   # minimum fill 10
      FF FF FF FF   # reserved
      00 00 00 00   # reserved
      00 00 00 00   # flags: text keys
  )");
  expected.insert(expected.end(), tail.begin(), tail.end());
  EXPECT_TRUE(BytesEqual(expected, Image(manager)));
  EXPECT_EQ(tree.HeaderOffset(), 284);
  EXPECT_EQ(tree.Entries(), 0u);
  EXPECT_EQ(tree.Height(), 0u);
  EXPECT_TRUE(Sound(manager));
}

TEST(RWDiskBTreeTest, TwentyFirstKeySplitsTheRootLeaf) {
  TempDir dir;
  RWFileSpaceManager manager(dir.File("records.bin").c_str());
  RWDiskBTree tree(&manager);
  TreeContents contents;
  ASSERT_TRUE(tree.InsertKeyAndValue("k00", 0));
  EXPECT_EQ(tree.Height(), 1u);
  ASSERT_TRUE(Sound(manager, 1, &contents));
  EXPECT_EQ(WordAt(Image(manager), 284), static_cast<std::uint32_t>(contents.nodes.begin()->first));
  for (int i = 1; i < 20; ++i) {
    ASSERT_TRUE(tree.InsertKeyAndValue(("k" + std::to_string(100 + i).substr(1)).c_str(), i));
  }
  ASSERT_TRUE(Sound(manager, 20, &contents));
  EXPECT_EQ(contents.nodes.size(), 1u);
  EXPECT_EQ(contents.nodes.begin()->second, 20u);

  ASSERT_TRUE(tree.InsertKeyAndValue("k20", 20));
  EXPECT_EQ(tree.Height(), 2u);
  EXPECT_EQ(tree.Entries(), 21u);
  ASSERT_TRUE(Sound(manager, 21, &contents));
  std::vector<std::uint32_t> counts;
  for (const auto& node : contents.nodes) {
    counts.push_back(node.second);
  }
  std::sort(counts.begin(), counts.end());
  EXPECT_EQ(counts, (std::vector<std::uint32_t>{1, 10, 10}));
  EXPECT_EQ(contents.height, 2u);
  EXPECT_EQ(contents.pairs[10].first, "k10");
}

TEST(RWDiskBTreeTest, PresentAndAbsentKeysAreReported) {
  TempDir dir;
  RWFileSpaceManager manager(dir.File("records.bin").c_str());
  RWDiskBTree tree(&manager);
  ASSERT_TRUE(tree.InsertKeyAndValue("1f3", 500));
  EXPECT_FALSE(tree.InsertKeyAndValue("1f3", 600));
  EXPECT_EQ(tree.Entries(), 1u);

  std::string key = "unchanged";
  std::int32_t value = 0;
  EXPECT_FALSE(tree.FindKeyAndValue("1f4", &key, &value));
  EXPECT_EQ(value, -1);
  EXPECT_FALSE(tree.RemoveKeyAndValue("1f4", &key, &value));
  EXPECT_EQ(value, -1);
  EXPECT_FALSE(tree.ReplaceValue("1f4", 7, &value));
  EXPECT_EQ(value, -1);
  EXPECT_EQ(key, "unchanged");

  EXPECT_TRUE(tree.ReplaceValue("1f3", 501, &value));
  EXPECT_EQ(value, 500);
  EXPECT_TRUE(tree.FindKeyAndValue("1f3", &key, &value));
  EXPECT_EQ(key, "1f3");
  EXPECT_EQ(value, 501);
  EXPECT_TRUE(Sound(manager, 1));
}

TEST(RWDiskBTreeTest, UnderflowBorrowsFromARicherSiblingElseMerges) {
  TempDir dir;
  RWFileSpaceManager manager(dir.File("records.bin").c_str());
  RWDiskBTree tree(&manager);
  for (int i = 0; i < 22; ++i) {
    ASSERT_TRUE(tree.InsertKeyAndValue(("a" + std::to_string(100 + i).substr(1)).c_str(), i));
  }
  // Leaves of 10 (a00..a09) and 11 (a11..a21) under the root a10.
  TreeContents contents;
  ASSERT_TRUE(Sound(manager, 22, &contents));
  ASSERT_EQ(contents.nodes.size(), 3u);

  // The left leaf drops to 9 and borrows through the root: a10 comes down, a11 goes up.
  std::string key;
  std::int32_t value = 0;
  ASSERT_TRUE(tree.RemoveKeyAndValue("a00", &key, &value));
  EXPECT_EQ(key, "a00");
  EXPECT_EQ(value, 0);
  ASSERT_TRUE(Sound(manager, 21, &contents));
  ASSERT_EQ(contents.nodes.size(), 3u);
  std::vector<std::uint32_t> counts;
  for (const auto& node : contents.nodes) {
    counts.push_back(node.second);
  }
  std::sort(counts.begin(), counts.end());
  EXPECT_EQ(counts, (std::vector<std::uint32_t>{1, 10, 10}));

  // Again: the sibling has only 10, so the leaves merge, the root empties and goes; the freed
  // blocks are back in the free space (Sound checks that nothing leaked).
  ASSERT_TRUE(tree.RemoveKeyAndValue("a01", &key, &value));
  EXPECT_EQ(tree.Height(), 1u);
  ASSERT_TRUE(Sound(manager, 20, &contents));
  ASSERT_EQ(contents.nodes.size(), 1u);
  EXPECT_EQ(contents.nodes.begin()->second, 20u);
  EXPECT_EQ(contents.pairs.front().first, "a02");

  // Removing from an internal node swaps with the successor first.
  for (int i = 22; i < 40; ++i) {
    ASSERT_TRUE(tree.InsertKeyAndValue(("a" + std::to_string(100 + i).substr(1)).c_str(), i));
  }
  ASSERT_EQ(tree.Height(), 2u);
  ASSERT_TRUE(Sound(manager, 38, &contents));
  const std::int32_t root = static_cast<std::int32_t>(WordAt(Image(manager), 284));
  const Bytes image = Image(manager);
  const std::string separator(reinterpret_cast<const char*>(image.data() + root + 168), 3);
  ASSERT_TRUE(tree.RemoveKeyAndValue(separator.c_str(), &key, &value));
  EXPECT_EQ(key, separator);
  EXPECT_FALSE(tree.FindKeyAndValue(separator.c_str(), nullptr, nullptr));
  EXPECT_TRUE(Sound(manager, 37));
}

TEST(RWDiskBTreeTest, RemovingTheLastKeyFreesTheRoot) {
  TempDir dir;
  RWFileSpaceManager manager(dir.File("records.bin").c_str());
  RWDiskBTree tree(&manager);
  ASSERT_TRUE(tree.InsertKeyAndValue("1", 1));
  EXPECT_GT(manager.EndOfSpace(), 324);
  ASSERT_TRUE(tree.RemoveKeyAndValue("1", nullptr, nullptr));
  EXPECT_EQ(tree.Height(), 0u);
  EXPECT_EQ(WordAt(Image(manager), 284), 0xFFFFFFFFu);
  EXPECT_EQ(manager.EndOfSpace(), 324);
  EXPECT_TRUE(Sound(manager, 0));
}

TEST(RWDiskBTreeTest, HeaderWrittenForANewOrEmptiedRootStoresTheCountOfThatChange) {
  TempDir dir;
  const std::string name = dir.File("records.bin");
  RWFileSpaceManager manager(name.c_str());
  RWDiskBTree tree(&manager);
  // What a reader of the file finds in the header at 284 while the tree is open.
  const auto stored_entries = [&] { return WordAt(Image(manager), 284 + 12); };
  const auto key = [](int i) { return "a" + std::to_string(100 + i).substr(1); };

  ASSERT_TRUE(tree.InsertKeyAndValue(key(0).c_str(), 0));  // the first root
  EXPECT_EQ(stored_entries(), 1u);
  for (int i = 1; i < 21; ++i) {
    ASSERT_TRUE(tree.InsertKeyAndValue(key(i).c_str(), i));
  }
  EXPECT_EQ(tree.Height(), 2u);  // the 21st key split the root leaf
  EXPECT_EQ(stored_entries(), 21u);
  {
    RWFileSpaceManager other(name.c_str(), "rb");
    RWDiskBTree reader(&other);
    EXPECT_EQ(reader.Entries(), 21u);
  }

  // Leaves of 10 and 10: the left one drops to 9, the leaves merge and the root goes.
  ASSERT_TRUE(tree.RemoveKeyAndValue(key(0).c_str(), nullptr, nullptr));
  EXPECT_EQ(tree.Height(), 1u);
  EXPECT_EQ(stored_entries(), 20u);
  for (int i = 1; i < 21; ++i) {
    ASSERT_TRUE(tree.RemoveKeyAndValue(key(i).c_str(), nullptr, nullptr));
  }
  EXPECT_EQ(tree.Height(), 0u);
  EXPECT_EQ(stored_entries(), 0u);
  EXPECT_TRUE(Sound(manager));
}

TEST(RWDiskBTreeTest, TextKeysStopAtTheirNulAndAtTheKeyLength) {
  TempDir dir;
  RWFileSpaceManager manager(dir.File("text.bin").c_str());
  RWDiskBTree tree(&manager, 10, false, 4, false, -1, false, 2, 2);
  const char first[] = {'a', 'b', '\0', 'x'};
  const char second[] = {'a', 'b', '\0', 'y'};
  ASSERT_TRUE(tree.InsertKeyAndValue(first, 1));
  EXPECT_FALSE(tree.InsertKeyAndValue(second, 2));   // equal up to the NUL
  ASSERT_TRUE(tree.InsertKeyAndValue("abcdef", 3));  // kept as "abcd"
  std::string key;
  std::int32_t value = 0;
  EXPECT_TRUE(tree.FindKeyAndValue("abcdXY", &key, &value));
  EXPECT_EQ(key, "abcd");
  EXPECT_EQ(value, 3);
  EXPECT_TRUE(tree.FindKeyAndValue(second, &key, &value));
  EXPECT_EQ(key, "ab");
  EXPECT_EQ(value, 1);
  EXPECT_EQ(Pairs(tree),
            (std::vector<std::pair<std::string, std::int32_t>>{{"ab", 1}, {"abcd", 3}}));
  EXPECT_TRUE(Sound(manager, 2));
}

// Text keys of every length, bytes above 0x7F and shared prefixes among them, in a key length
// that is a multiple of eight and in one that is not: the tree orders them as unsigned bytes up
// to their NUL or the key length, finds each and refuses each again.
TEST(RWDiskBTreeTest, TextKeysOrderAsUnsignedBytes) {
  for (const std::uint32_t key_length : {16u, 11u}) {
    SCOPED_TRACE(key_length);
    TempDir dir;
    RWFileSpaceManager manager(dir.File("bytes.bin").c_str());
    RWDiskBTree tree(&manager, 10, false, key_length, false, -1, false, 2, 2);
    const char alphabet[] = {'\x01', 'a', '\x7f', '\x80', '\xff'};
    std::mt19937 random(99);
    std::map<std::string, std::int32_t, bool (*)(const std::string&, const std::string&)> oracle(
        [](const std::string& a, const std::string& b) {
          return std::lexicographical_compare(
              a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
                return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
              });
        });
    for (std::int32_t i = 0; i < 400; ++i) {
      std::string key(1 + random() % (key_length + 2), '\0');
      for (char& c : key) {
        c = alphabet[random() % sizeof alphabet];
      }
      const bool fresh = oracle.emplace(key.substr(0, key_length), i).second;
      ASSERT_EQ(tree.InsertKeyAndValue(key.c_str(), i), fresh) << i;
    }
    const auto pairs = Pairs(tree);
    ASSERT_EQ(pairs.size(), oracle.size());
    auto expected = oracle.begin();
    for (const auto& [key, value] : pairs) {
      EXPECT_EQ(key, expected->first);
      EXPECT_EQ(value, expected->second);
      std::int32_t found = -1;
      EXPECT_TRUE(tree.FindKeyAndValue(key.c_str(), nullptr, &found));
      EXPECT_EQ(found, expected->second);
      ++expected;
    }
    EXPECT_TRUE(Sound(manager, static_cast<std::int64_t>(oracle.size())));
  }
}

TEST(RWDiskBTreeTest, RawKeysCompareEveryByte) {
  TempDir dir;
  RWFileSpaceManager manager(dir.File("raw.bin").c_str());
  RWDiskBTree tree(&manager, 10, false, 4, true, -1, false, 2, 2);
  const char first[] = {'a', 'b', '\0', 'x'};
  const char second[] = {'a', 'b', '\0', 'y'};
  ASSERT_TRUE(tree.InsertKeyAndValue(second, 2));
  ASSERT_TRUE(tree.InsertKeyAndValue(first, 1));
  std::string key;
  std::int32_t value = 0;
  EXPECT_TRUE(tree.FindKeyAndValue(first, &key, &value));
  EXPECT_EQ(key, std::string(first, 4));
  EXPECT_EQ(value, 1);
  TreeContents contents;
  ASSERT_TRUE(Sound(manager, 2, &contents));
  EXPECT_EQ(contents.pairs.front().first, std::string(first, 4));
}

int Descending(const char* first, const char* second, std::size_t length) {
  return -std::strncmp(first, second, length);
}

TEST(RWDiskBTreeTest, WalksFollowTheComparisonFunction) {
  TempDir dir;
  RWFileSpaceManager manager(dir.File("records.bin").c_str());
  RWDiskBTree tree(&manager, 10, false, 16, false, -1, false, 2, 2);
  EXPECT_NE(tree.SetCompareFunction(Descending), nullptr);
  std::vector<unsigned> numbers(60);
  for (unsigned i = 0; i < numbers.size(); ++i) {
    numbers[i] = 1000 + i;
  }
  std::shuffle(numbers.begin(), numbers.end(), std::mt19937(7));
  for (unsigned number : numbers) {
    ASSERT_TRUE(tree.InsertKeyAndValue(Serial(number).c_str(), static_cast<std::int32_t>(number)));
  }
  const auto pairs = Pairs(tree);
  ASSERT_EQ(pairs.size(), 60u);
  EXPECT_EQ(pairs.front().first, Serial(1059));
  EXPECT_EQ(pairs.back().first, Serial(1000));
  EXPECT_TRUE(std::is_sorted(pairs.begin(), pairs.end(),
                             [](const auto& a, const auto& b) { return a.first > b.first; }));
  EXPECT_TRUE(Sound(manager, 60, nullptr, Descending));
  EXPECT_GE(tree.Height(), 3u);
  EXPECT_EQ(tree.SetCompareFunction(nullptr), Descending);
}

TEST(RWDiskBTreeTest, HeaderGeometryWinsOnReopenAndDefaultModeWritesTheCount) {
  TempDir dir;
  const std::string name = dir.File("records.bin");
  {
    RWFileSpaceManager manager(name.c_str());
    RWDiskBTree tree(&manager, 4, false, 8, true, -1, false, 3, 2);
    for (unsigned i = 0; i < 50; ++i) {
      const std::string key = Serial(0x10000000 + i);
      ASSERT_TRUE(tree.InsertKeyAndValue(key.c_str(), static_cast<std::int32_t>(i)));
    }
  }
  {
    // Opened "rb+" (the default for an existing file): the destructor writes the header.
    RWFileSpaceManager manager(name.c_str());
    ASSERT_STREQ(manager.GetMode(), "rb+");
    RWDiskBTree tree(&manager);  // asks for 16, 10, 10 and text keys: the header wins
    EXPECT_EQ(tree.KeyLength(), 8u);
    EXPECT_EQ(tree.Order(), 3u);
    EXPECT_EQ(tree.MinFill(), 2u);
    EXPECT_EQ(tree.Entries(), 50u);
    ASSERT_TRUE(Sound(manager));
    std::int32_t value = 0;
    EXPECT_TRUE(tree.FindKeyAndValue(Serial(0x10000000 + 17).c_str(), nullptr, &value));
    EXPECT_EQ(value, 17);
    // Two removals that leave the root in place: the count on disk waits for the destructor.
    ASSERT_TRUE(tree.RemoveKeyAndValue(Serial(0x10000000 + 17).c_str(), nullptr, nullptr));
    ASSERT_TRUE(tree.RemoveKeyAndValue(Serial(0x10000000 + 18).c_str(), nullptr, nullptr));
    EXPECT_TRUE(Sound(manager, 48));
  }
  {
    RWFileSpaceManager manager(name.c_str());
    EXPECT_TRUE(Sound(manager));  // the header's count equals the pairs found: 48
    RWDiskBTree tree(&manager);
    EXPECT_EQ(tree.Entries(), 48u);
  }
  // Read-only: usable for finding, and nothing is written on close.
  const Bytes before = FileImage(name);
  RecordingErrorHook hook;
  {
    RWFileSpaceManager manager(name.c_str(), "rb");
    RWDiskBTree tree(&manager);
    EXPECT_TRUE(tree.FindKeyAndValue(Serial(0x10000000 + 19).c_str(), nullptr, nullptr));
    EXPECT_EQ(tree.Entries(), 48u);
  }
  EXPECT_EQ(hook.Count(), 0u);
  EXPECT_TRUE(BytesEqual(before, FileImage(name)));
}

TEST(RWDiskBTreeTest, CreateMakesAnotherTreeFoundAgainByItsHeaderOffset) {
  TempDir dir;
  const std::string name = dir.File("two-trees.bin");
  std::int32_t second_header = -1;
  {
    RWFileSpaceManager manager(name.c_str());
    RWDiskBTree first(&manager);
    RWDiskBTree second(&manager, 10, true, 16, false, -1, false, 2, 2);
    second_header = second.HeaderOffset();
    EXPECT_NE(second_header, first.HeaderOffset());
    for (unsigned i = 0; i < 40; ++i) {
      ASSERT_TRUE(first.InsertKeyAndValue(Serial(i).c_str(), 1));
      ASSERT_TRUE(second.InsertKeyAndValue(Serial(i + 1000).c_str(), 2));
    }
  }
  RWFileSpaceManager manager(name.c_str());
  const Bytes image = Image(manager);
  SpaceLayout layout;
  ASSERT_TRUE(CheckFileSpace(image, &layout));
  ASSERT_TRUE(CheckDiskBTree(image, layout, manager.GetStart(), false));
  ASSERT_TRUE(CheckDiskBTree(image, layout, second_header, false));
  RWDiskBTree first(&manager);
  RWDiskBTree second(&manager, 10, true, 16, false, second_header, false, 10, 10);
  EXPECT_EQ(second.Order(), 2u);
  EXPECT_EQ(first.Entries(), 40u);
  EXPECT_EQ(second.Entries(), 40u);
  std::int32_t value = 0;
  EXPECT_TRUE(second.FindKeyAndValue(Serial(1005).c_str(), nullptr, &value));
  EXPECT_EQ(value, 2);
  EXPECT_FALSE(second.FindKeyAndValue(Serial(5).c_str(), nullptr, nullptr));
}

TEST(RWDiskBTreeTest, OlderStyleTreeKeepsOnlyItsRootWordAndCountsItsEntries) {
  TempDir dir;
  const std::string name = dir.File("old.bin");
  {
    RWFileSpaceManager manager(name.c_str());
    RWDiskBTree tree(&manager, 10, false, 16, false, -1, true, 3, 2);
    EXPECT_TRUE(tree.IsOldStyle());
    EXPECT_EQ(manager.GetStart(), 284);
    EXPECT_EQ(WordAt(Image(manager), 280), 8u);  // a 4-byte block for the root word
    for (unsigned i = 0; i < 30; ++i) {
      ASSERT_TRUE(tree.InsertKeyAndValue(Serial(i).c_str(), static_cast<std::int32_t>(i)));
    }
    EXPECT_EQ(tree.Entries(), 30u);
  }
  for (const bool old_style : {true, false}) {
    SCOPED_TRACE(old_style);
    // Without a version word at the start the tree is taken for one of the older style.
    RWFileSpaceManager manager(name.c_str());
    RWDiskBTree tree(&manager, 10, false, 16, false, -1, old_style, 3, 2);
    EXPECT_TRUE(tree.IsOldStyle());
    EXPECT_EQ(tree.Entries(), 30u);
    EXPECT_GE(tree.Height(), 2u);
    const auto pairs = Pairs(tree);
    ASSERT_EQ(pairs.size(), 30u);
    EXPECT_EQ(pairs.front().first, "0");
    EXPECT_EQ(pairs.back().first, "f");
    ASSERT_TRUE(tree.RemoveKeyAndValue("1d", nullptr, nullptr));
    ASSERT_TRUE(tree.InsertKeyAndValue("1d", 29));
    EXPECT_EQ(tree.Entries(), 30u);
  }
}

TEST(RWDiskBTreeTest, ClearFreesEveryNode) {
  TempDir dir;
  RWFileSpaceManager manager(dir.File("records.bin").c_str());
  RWDiskBTree tree(&manager, 10, false, 16, false, -1, false, 2, 2);
  for (unsigned i = 0; i < 200; ++i) {
    ASSERT_TRUE(tree.InsertKeyAndValue(Serial(i).c_str(), static_cast<std::int32_t>(i)));
  }
  tree.Clear();
  EXPECT_EQ(tree.Entries(), 0u);
  EXPECT_EQ(tree.Height(), 0u);
  TreeContents contents;
  ASSERT_TRUE(Sound(manager, 0, &contents));
  EXPECT_EQ(contents.header_entries, 0u);
  EXPECT_TRUE(tree.InsertKeyAndValue("again", 1));
  EXPECT_TRUE(Sound(manager, 1));
}

TEST(RWDiskBlockCacheTest, EleventhBlockReplacesTheOneLeastRecentlyTouched) {
  TempDir dir;
  const std::string name = dir.File("blocks.bin");
  RWBinaryFile file(name.c_str());
  auto fill = [&](int block, unsigned char byte) {
    const std::vector<unsigned char> bytes(8, byte);
    ASSERT_TRUE(file.SeekTo(1000 + 8 * block));
    ASSERT_TRUE(file.Write(bytes.data(), bytes.size()));
  };
  for (int block = 0; block < 11; ++block) {
    fill(block, static_cast<unsigned char>(block));
  }
  RWDiskBlockCache cache(&file, 8, 10);
  unsigned char buffer[8];
  for (int block = 0; block < 10; ++block) {
    ASSERT_TRUE(cache.Read(1000 + 8 * block, buffer));
    EXPECT_EQ(buffer[0], block);
  }
  ASSERT_TRUE(cache.Read(1000, buffer));  // block 0 touched again: block 1 is now the oldest
  for (int block = 0; block < 11; ++block) {
    fill(block, 0xEE);  // behind the cache's back
  }
  ASSERT_TRUE(cache.Read(1000 + 80, buffer));  // the 11th block
  EXPECT_EQ(buffer[0], 0xEE);
  EXPECT_EQ(cache.BlocksInUse(), 10u);
  ASSERT_TRUE(cache.Read(1000, buffer));
  EXPECT_EQ(buffer[0], 0);  // still cached
  ASSERT_TRUE(cache.Read(1000 + 16, buffer));
  EXPECT_EQ(buffer[0], 2);  // still cached
  ASSERT_TRUE(cache.Read(1000 + 8, buffer));
  EXPECT_EQ(buffer[0], 0xEE);  // block 1 was replaced and is read again

  // Writes go to the file at once.
  const unsigned char written[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  ASSERT_TRUE(cache.Write(1000 + 24, written));
  ASSERT_TRUE(file.Flush());
  const Bytes image = FileImage(name);
  EXPECT_TRUE(std::equal(written, written + 8, image.begin() + 1024));
  // Reading beyond the file fails and leaves nothing behind to be found.
  EXPECT_FALSE(cache.Read(1 << 20, buffer));
  EXPECT_FALSE(cache.Read(1 << 20, buffer));
}

TEST(RWDiskBTreeTest, CorruptTreesStopWithAReadError) {
  TempDir dir;
  const std::string sound_name = dir.File("sound.bin");
  {
    RWFileSpaceManager manager(sound_name.c_str());
    RWDiskBTree tree(&manager, 10, false, 16, false, -1, false, 2, 2);
    for (unsigned i = 0; i < 30; ++i) {
      ASSERT_TRUE(tree.InsertKeyAndValue(Serial(i).c_str(), static_cast<std::int32_t>(i)));
    }
  }
  const Bytes sound = FileImage(sound_name);
  const std::size_t header = 284;
  const std::size_t root = WordAt(sound, header);
  ASSERT_NE(WordAt(sound, root + 4), 0xFFFFFFFFu);  // the root is internal

  struct Case {
    const char* what;
    std::size_t at;
    std::uint32_t value;
  };
  const Case cases[] = {
      {"key length 0", header + 16, 0},
      {"key length 65536", header + 16, 65536},
      {"order 0", header + 20, 0},
      {"node beyond 1 MiB", header + 20, 0x1000000},
      {"minimum fill 0", header + 24, 0},
      {"minimum fill above the order", header + 24, 3},
      {"root inside the space header", header, 100},
      {"root beyond the end", header, 0x7FFFFFF0},
      {"root holds 5 keys of at most 4", root, 5},
      {"root holds 0xFFFFFFFF keys", root, 0xFFFFFFFF},
      {"child beyond the end", root + 8, 0x10000000},
      {"child is the node itself", root + 4, static_cast<std::uint32_t>(root)},
      {"last child is the node itself", root + 4 + 4 * WordAt(sound, root),
       static_cast<std::uint32_t>(root)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes corrupt = sound;
    PutWord(corrupt, c.at, c.value);
    const std::string name = dir.File("corrupt.bin");
    WriteImage(name, corrupt);
    RecordingErrorHook hook;
    {
      RWFileSpaceManager manager(name.c_str());
      RWDiskBTree tree(&manager);
      // The first operations reach the damage (the first and the last child of the root);
      // every later one is refused.
      (void)tree.FindKeyAndValue("z", nullptr, nullptr);
      (void)tree.FindKeyAndValue("0", nullptr, nullptr);
      EXPECT_FALSE(tree.IsUsable());
      EXPECT_FALSE(tree.FindKeyAndValue("1d", nullptr, nullptr));
      EXPECT_FALSE(tree.InsertKeyAndValue("100", 1));
      EXPECT_FALSE(tree.RemoveKeyAndValue("1d", nullptr, nullptr));
      EXPECT_FALSE(tree.ReplaceValue("1d", 2, nullptr));
      EXPECT_TRUE(Pairs(tree).empty());
      EXPECT_EQ(tree.Height(), 0u);
      tree.Clear();
    }
    ASSERT_GE(hook.Count(), 1u);
    EXPECT_EQ(hook.Tags()[0], "[READERR]");
    EXPECT_TRUE(BytesEqual(corrupt, FileImage(name)));
  }

  // A tree over a manager that has no free list does nothing and says nothing more.
  Bytes no_list = sound;
  PutWord(no_list, 8, 100);
  WriteImage(dir.File("no-list.bin"), no_list);
  RecordingErrorHook hook;
  RWFileSpaceManager manager(dir.File("no-list.bin").c_str());
  RWDiskBTree tree(&manager);
  EXPECT_FALSE(tree.IsUsable());
  EXPECT_FALSE(tree.FindKeyAndValue("0", nullptr, nullptr));
  EXPECT_EQ(hook.Tags(), std::vector<std::string>{"[FLIST]"});
}

// Inserts, removes, finds and replaces in random order against std::map, closing and reopening
// now and then; after every step the file is checked whole and the tree equals the map.
struct RandomCase {
  const char* name;
  std::uint32_t key_length;
  std::uint32_t order;
  std::uint32_t min_fill;
  bool raw;
  unsigned key_range;
};

void PrintTo(const RandomCase& param, std::ostream* out) {
  *out << param.name;
}

class RWDiskBTreeRandomTest : public ::testing::TestWithParam<RandomCase> {};

TEST_P(RWDiskBTreeRandomTest, StaysEqualToAMapThroughReopens) {
  const RandomCase& param = GetParam();
  TempDir dir;
  const std::string name = dir.File("random.bin");
  std::mt19937 random(1234);
  auto make_key = [&](unsigned number) {
    if (param.raw) {
      std::string key(param.key_length, '\0');
      for (std::uint32_t i = 0; i < param.key_length; ++i) {
        key[i] = static_cast<char>((number >> (8 * (i % 4))) * (i + 1));
      }
      return key;
    }
    return Serial(number * 2654435761u % param.key_range);
  };

  auto manager = std::make_unique<RWFileSpaceManager>(name.c_str());
  auto tree = std::make_unique<RWDiskBTree>(manager.get(), 10, false, param.key_length, param.raw,
                                            -1, false, param.order, param.min_fill);
  std::map<std::string, std::int32_t> oracle;
  for (int step = 0; step < 1200; ++step) {
    const std::string key = make_key(random() % param.key_range);
    const std::int32_t value = static_cast<std::int32_t>(random());
    const unsigned action = random() % 100;
    std::string found;
    std::int32_t got = 0;
    if (action < 45) {
      const bool fresh = oracle.emplace(key, value).second;
      ASSERT_EQ(tree->InsertKeyAndValue(key.c_str(), value), fresh) << "step " << step;
    } else if (action < 75) {
      auto it = oracle.find(key);
      ASSERT_EQ(tree->RemoveKeyAndValue(key.c_str(), &found, &got), it != oracle.end())
          << "step " << step;
      if (it != oracle.end()) {
        ASSERT_EQ(found, key);
        ASSERT_EQ(got, it->second);
        oracle.erase(it);
      }
    } else if (action < 90) {
      auto it = oracle.find(key);
      ASSERT_EQ(tree->FindKeyAndValue(key.c_str(), &found, &got), it != oracle.end())
          << "step " << step;
      ASSERT_EQ(got, it != oracle.end() ? it->second : -1);
    } else {
      auto it = oracle.find(key);
      ASSERT_EQ(tree->ReplaceValue(key.c_str(), value, &got), it != oracle.end())
          << "step " << step;
      if (it != oracle.end()) {
        ASSERT_EQ(got, it->second);
        it->second = value;
      }
    }
    ASSERT_EQ(tree->Entries(), oracle.size());

    if (step % 150 == 149) {
      tree.reset();
      manager.reset();
      // Closed: the header's own count must match.
      manager = std::make_unique<RWFileSpaceManager>(name.c_str());
      ASSERT_TRUE(Sound(*manager)) << "step " << step;
      tree = std::make_unique<RWDiskBTree>(manager.get());
      ASSERT_EQ(tree->Order(), param.order);
    }
    TreeContents contents;
    ASSERT_TRUE(Sound(*manager, static_cast<std::int64_t>(oracle.size()), &contents))
        << "step " << step;
    ASSERT_TRUE(std::equal(
        contents.pairs.begin(), contents.pairs.end(), oracle.begin(), oracle.end(),
        [](const auto& a, const auto& b) { return a.first == b.first && a.second == b.second; }))
        << "step " << step;
  }
  EXPECT_EQ(Pairs(*tree).size(), oracle.size());
  EXPECT_GE(tree->Height(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Geometries,
                         RWDiskBTreeRandomTest,
                         ::testing::Values(RandomCase{"RecordStore", 16, 10, 10, false, 1500},
                                           RandomCase{"SmallestOrder", 4, 1, 1, true, 400},
                                           RandomCase{"OddKeyLength", 7, 3, 2, true, 600}),
                         [](const ::testing::TestParamInfo<RandomCase>& info) {
                           return info.param.name;
                         });

}  // namespace
