// The file space manager: the new file's image, rounding, the free list and its ring of records,
// the older record format, and corrupt or bad input refused without damage.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "rw/RWFileSpaceManager.h"
#include "tests/support/ByteMatch.h"
#include "tests/support/RwDiskFileCheck.h"
#include "tests/support/RwRecordingErrorHook.h"
#include "tests/support/TempDir.h"

namespace {

using vel::test::Bytes;
using vel::test::BytesEqual;
using vel::test::CheckFileSpace;
using vel::test::FileImage;
using vel::test::HexBytes;
using vel::test::RecordingErrorHook;
using vel::test::SpaceLayout;
using vel::test::TempDir;

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

// Fields of a current-format record at `record`.
constexpr std::size_t kCount = 260;
constexpr std::size_t kNext = 264;
std::size_t ExtentOffset(int i) {
  return 4 + 4 * i;
}
std::size_t ExtentSize(int i) {
  return 132 + 4 * i;
}

// The layout of a new file; regenerate by creating a manager on an empty file.
Bytes NewFileImage() {
  Bytes image = HexBytes(R"(
      FF FF FF FF   # start offset: none yet
      18 01 00 00   # end of space: 280
      0C 01 00 00   # record size: 268
      35 12 00 00   # anchor record at 12: magic 0x1235, 2 bytes not interpreted
  )");
  image.insert(image.end(), 256, 0);  // 32 extent offsets, 32 extent sizes
  const Bytes tail = HexBytes(R"(
      00 00 00 00   # extents in use: 0
      0C 00 00 00   # next record: the anchor itself
  )");
  image.insert(image.end(), tail.begin(), tail.end());
  return image;
}

TEST(RWFileSpaceManagerTest, NewFileIsHeaderAndEmptyAnchorThenFirstBlockBecomesStart) {
  TempDir dir;
  RWFileSpaceManager manager(dir.File("space.bin").c_str());
  ASSERT_TRUE(manager.HasFreeList());
  EXPECT_STREQ(manager.GetMode(), "wb+");
  EXPECT_TRUE(BytesEqual(NewFileImage(), Image(manager)));
  EXPECT_EQ(manager.GetStart(), -1);
  EXPECT_EQ(RWFileSpaceManager::FirstRecordOffset(), 12);

  EXPECT_EQ(manager.Allocate(28), 284);
  EXPECT_EQ(manager.GetStart(), 284);
  EXPECT_EQ(manager.EndOfSpace(), 312);
  const Bytes image = Image(manager);
  ASSERT_EQ(image.size(), 284u);
  EXPECT_EQ(WordAt(image, 0), 284u);   // start
  EXPECT_EQ(WordAt(image, 4), 312u);   // end of space
  EXPECT_EQ(WordAt(image, 280), 32u);  // size word of the block
  EXPECT_TRUE(CheckFileSpace(image));

  // The start block is never freed; neither is -1.
  manager.Deallocate(284);
  manager.Deallocate(-1);
  EXPECT_TRUE(BytesEqual(image, Image(manager)));
}

TEST(RWFileSpaceManagerTest, RequestsRoundToBlocksWithTheirSizeWord) {
  TempDir dir;
  RWFileSpaceManager manager(dir.File("space.bin").c_str());
  struct Case {
    std::uint32_t request;
    std::uint32_t gross;
  };
  const Case cases[] = {{0, 4}, {1, 8}, {4, 8}, {5, 12}, {8, 12}, {9, 16}, {264, 268}};
  for (const Case& c : cases) {
    const std::int32_t end = manager.EndOfSpace();
    const std::int32_t offset = manager.Allocate(c.request);
    EXPECT_EQ(offset, end + 4) << c.request;
    EXPECT_EQ(manager.EndOfSpace(), end + static_cast<std::int32_t>(c.gross)) << c.request;
    EXPECT_EQ(WordAt(Image(manager), end), c.gross) << c.request;
  }
  EXPECT_TRUE(CheckFileSpace(Image(manager)));
}

TEST(RWFileSpaceManagerTest, RequestsBeyondThirtyTwoBitSpaceAreRefused) {
  TempDir dir;
  RWFileSpaceManager manager(dir.File("space.bin").c_str());
  ASSERT_EQ(manager.Allocate(28), 284);
  const Bytes before = Image(manager);
  RecordingErrorHook hook;
  // The largest request that still rounds in 32 bits, and the first that would wrap to 0.
  EXPECT_EQ(manager.Allocate(0xFFFFFFF8u), -1);
  EXPECT_EQ(manager.Allocate(0xFFFFFFF9u), -1);
  EXPECT_EQ(manager.Allocate(0xFFFFFFFFu), -1);
  EXPECT_EQ(hook.Tags(), (std::vector<std::string>{"[WRITEERR]", "[WRITEERR]", "[WRITEERR]"}));
  EXPECT_TRUE(BytesEqual(before, Image(manager)));
  // Refusing a request does not stop the manager.
  EXPECT_EQ(manager.Allocate(28), 316);
}

TEST(RWFileSpaceManagerTest, FreedSpaceMergesAndIsReused) {
  TempDir dir;
  RWFileSpaceManager manager(dir.File("space.bin").c_str());
  std::vector<std::int32_t> block;
  for (int i = 0; i < 8; ++i) {
    block.push_back(manager.Allocate(28));  // blocks of 32 at 280, 312, ...
  }
  const std::int32_t end = manager.EndOfSpace();
  ASSERT_EQ(end, 280 + 8 * 32);

  // The last block shrinks the end instead of entering the list.
  manager.Deallocate(block[7]);
  EXPECT_EQ(manager.EndOfSpace(), end - 32);
  SpaceLayout layout;
  ASSERT_TRUE(CheckFileSpace(Image(manager), &layout));
  EXPECT_TRUE(layout.free.empty());

  // Neighbours merge: 2 and 4 apart, then 3 joins them into one extent of 96.
  manager.Deallocate(block[2]);
  manager.Deallocate(block[4]);
  ASSERT_TRUE(CheckFileSpace(Image(manager), &layout));
  EXPECT_EQ(layout.free, (std::map<std::int32_t, std::uint32_t>{{344, 32}, {408, 32}}));
  manager.Deallocate(block[3]);
  ASSERT_TRUE(CheckFileSpace(Image(manager), &layout));
  EXPECT_EQ(layout.free, (std::map<std::int32_t, std::uint32_t>{{344, 96}}));

  // A block in front of an extent joins it from below.
  manager.Deallocate(block[1]);
  ASSERT_TRUE(CheckFileSpace(Image(manager), &layout));
  EXPECT_EQ(layout.free, (std::map<std::int32_t, std::uint32_t>{{312, 128}}));

  // First fit: 60 bytes (gross 64) come from the front of the extent, which keeps the rest.
  EXPECT_EQ(manager.Allocate(60), 316);
  ASSERT_TRUE(CheckFileSpace(Image(manager), &layout));
  EXPECT_EQ(layout.free, (std::map<std::int32_t, std::uint32_t>{{376, 64}}));
  // A remainder below 8 goes with the block: 56 (gross 60) takes all 64, and the size word
  // says so.
  EXPECT_EQ(manager.Allocate(56), 380);
  const Bytes image = Image(manager);
  EXPECT_EQ(WordAt(image, 376), 64u);
  ASSERT_TRUE(CheckFileSpace(image, &layout));
  EXPECT_TRUE(layout.free.empty());
}

// Allocates `count` blocks of 28 bytes (gross 32).
std::vector<std::int32_t> AllocateBlocks(RWFileSpaceManager& manager, int count) {
  std::vector<std::int32_t> blocks;
  for (int i = 0; i < count; ++i) {
    blocks.push_back(manager.Allocate(28));
  }
  return blocks;
}

TEST(RWFileSpaceManagerTest, ThirtyThirdExtentMakesASecondRecordThatGoesWhenEmptied) {
  TempDir dir;
  RWFileSpaceManager manager(dir.File("space.bin").c_str());
  const std::vector<std::int32_t> blocks = AllocateBlocks(manager, 67);
  ASSERT_EQ(manager.EndOfSpace(), 280 + 67 * 32);
  for (int i = 1; i <= 63; i += 2) {
    manager.Deallocate(blocks[i]);
  }
  SpaceLayout layout;
  ASSERT_TRUE(CheckFileSpace(Image(manager), &layout));
  EXPECT_EQ(layout.records, std::vector<std::int32_t>{12});
  EXPECT_EQ(layout.free.size(), 32u);

  // The 33rd separate extent: a new record of exactly 268 bytes at the end, after the anchor.
  manager.Deallocate(blocks[65]);
  const std::int32_t record = 280 + 67 * 32;
  EXPECT_EQ(manager.EndOfSpace(), record + 268);
  Bytes image = Image(manager);
  ASSERT_TRUE(CheckFileSpace(image, &layout));
  EXPECT_EQ(layout.records, (std::vector<std::int32_t>{12, record}));
  EXPECT_EQ(layout.free.size(), 33u);
  EXPECT_EQ(WordAt(image, 12 + kNext), static_cast<std::uint32_t>(record));
  EXPECT_EQ(WordAt(image, record) & 0xFFFF, 0x1235u);
  EXPECT_EQ(WordAt(image, record + ExtentOffset(0)), static_cast<std::uint32_t>(blocks[65] - 4));
  EXPECT_EQ(WordAt(image, record + ExtentSize(0)), 32u);
  EXPECT_EQ(WordAt(image, record + kCount), 1u);
  EXPECT_EQ(WordAt(image, record + kNext), 12u);

  // Using its only extent empties the record: it is unlinked and its 268 bytes freed (here by
  // moving the end of space back down).
  EXPECT_EQ(manager.Allocate(28), blocks[65]);
  EXPECT_EQ(manager.EndOfSpace(), record);
  image = Image(manager);
  ASSERT_TRUE(CheckFileSpace(image, &layout));
  EXPECT_EQ(layout.records, std::vector<std::int32_t>{12});
  EXPECT_EQ(WordAt(image, 12 + kNext), 12u);
}

TEST(RWFileSpaceManagerTest, EmptiedAnchorTakesOverItsSuccessorWhoseSpaceNeedsANewRecord) {
  TempDir dir;
  RWFileSpaceManager manager(dir.File("space.bin").c_str());
  ASSERT_EQ(manager.Allocate(28), 284);
  // 32 blocks of 32 and 32 blocks of 8, each kept apart from the next by a 4-byte block.
  std::vector<std::int32_t> large;
  std::vector<std::int32_t> small;
  for (int i = 0; i < 32; ++i) {
    large.push_back(manager.Allocate(28));
    ASSERT_GT(manager.Allocate(0), 0);
  }
  for (int i = 0; i < 32; ++i) {
    small.push_back(manager.Allocate(4));
    ASSERT_GT(manager.Allocate(0), 0);
  }
  ASSERT_GT(manager.Allocate(0), 0);
  for (const std::int32_t block : large) {
    manager.Deallocate(block);  // fills the anchor
  }
  // The first small block needs a second record, taken at the end; the others join it.
  const std::int32_t successor = manager.EndOfSpace();
  for (const std::int32_t block : small) {
    manager.Deallocate(block);
  }
  // A block behind the second record, so that freeing the record cannot move the end.
  ASSERT_GT(manager.Allocate(100), 0);
  SpaceLayout layout;
  ASSERT_TRUE(CheckFileSpace(Image(manager), &layout));
  ASSERT_EQ(layout.records, (std::vector<std::int32_t>{12, successor}));
  ASSERT_EQ(layout.free.size(), 64u);

  // Taking all 32 large extents empties the anchor. It takes over its successor's table; the
  // successor's 268 bytes then find no room in the (full) ring, so freeing them makes a new
  // record through a nested allocation.
  const std::int32_t end = manager.EndOfSpace();
  for (const std::int32_t block : large) {
    EXPECT_EQ(manager.Allocate(28), block);
  }
  ASSERT_TRUE(CheckFileSpace(Image(manager), &layout));
  EXPECT_EQ(layout.records, (std::vector<std::int32_t>{12, end}));
  EXPECT_EQ(manager.EndOfSpace(), end + 268);
  EXPECT_EQ(layout.free.size(), 33u);
  EXPECT_EQ(layout.free.at(successor), 268u);

  // The freed record's space is exactly one record: a request of 264 takes it whole, and the
  // record that held it goes in turn.
  EXPECT_EQ(manager.Allocate(264), successor + 4);
  ASSERT_TRUE(CheckFileSpace(Image(manager), &layout));
  EXPECT_EQ(layout.records, std::vector<std::int32_t>{12});
  EXPECT_EQ(manager.EndOfSpace(), end);
  EXPECT_EQ(layout.free.size(), 32u);
}

// A record written over a block larger than one record would lose the difference when the
// record is freed by its size (its magic overwrote the block's size word): records take space
// only where it is exactly one record or leaves a usable remainder.
TEST(RWFileSpaceManagerTest, RecordSpaceIsExactlyOneRecordSoFreeingItLosesNothing) {
  TempDir dir;
  RWFileSpaceManager manager(dir.File("space.bin").c_str());
  ASSERT_EQ(manager.Allocate(28), 284);
  std::vector<std::int32_t> blocks;
  for (int i = 0; i < 31; ++i) {
    blocks.push_back(manager.Allocate(28));
    ASSERT_GT(manager.Allocate(0), 0);
  }
  blocks.push_back(manager.Allocate(268));  // a block of 272: one record and 4 bytes
  ASSERT_GT(manager.Allocate(0), 0);
  const std::int32_t last = manager.Allocate(28);
  ASSERT_GT(manager.Allocate(0), 0);
  for (const std::int32_t block : blocks) {
    manager.Deallocate(block);
  }
  const std::int32_t end = manager.EndOfSpace();
  manager.Deallocate(last);  // the 33rd extent: a new record, not in the extent of 272
  SpaceLayout layout;
  ASSERT_TRUE(CheckFileSpace(Image(manager), &layout));
  EXPECT_EQ(layout.records, (std::vector<std::int32_t>{12, end}));
  EXPECT_EQ(layout.free.at(blocks.back() - 4), 272u);

  EXPECT_EQ(manager.Allocate(28), last);  // empties and frees the new record
  ASSERT_TRUE(CheckFileSpace(Image(manager), &layout));
  EXPECT_EQ(layout.records, std::vector<std::int32_t>{12});
  EXPECT_EQ(manager.EndOfSpace(), end);
}

// A file of the older format: header, a 92-byte anchor with two free extents, and five blocks.
Bytes OlderFormatImage() {
  Bytes image = HexBytes(R"(
      6C 00 00 00   # start offset 108
      10 01 00 00   # end of space 272
      5C 00 00 00   # record size 92
      34 12 00 00   # anchor at 12: magic 0x1234
      88 00 00 00  C8 00 00 00                   # extent offsets 136, 200
      00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00
      00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00
      20 00 00 00  28 00 00 00                   # extent sizes 32, 40
      00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00
      00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00
      02 00 00 00   # extents in use
      0C 00 00 00   # next: the anchor
  )");
  image.resize(272, 0);
  PutWord(image, 104, 32);  // the start block
  PutWord(image, 136, 32);  // free
  PutWord(image, 168, 32);
  PutWord(image, 200, 40);  // free
  PutWord(image, 240, 32);
  return image;
}

TEST(RWFileSpaceManagerTest, OlderFormatFileReopensAndGrowsInThatFormat) {
  TempDir dir;
  const std::string name = dir.File("old.bin");
  WriteImage(name, OlderFormatImage());
  ASSERT_TRUE(CheckFileSpace(FileImage(name)));

  RWFileSpaceManager manager(name.c_str());
  ASSERT_TRUE(manager.HasFreeList());
  EXPECT_EQ(manager.RecordSize(), 92);
  EXPECT_EQ(manager.GetStart(), 108);
  EXPECT_EQ(manager.EndOfSpace(), 272);
  EXPECT_EQ(manager.Allocate(32), 204);  // first fit: the extent of 40, taken whole
  EXPECT_EQ(manager.Allocate(24), 140);  // the extent of 32 (gross 28 leaves 4: taken whole)

  // Eleven separate extents: the eleventh needs a second record of 92 bytes.
  const std::vector<std::int32_t> blocks = AllocateBlocks(manager, 23);
  for (int i = 0; i < 22; i += 2) {
    manager.Deallocate(blocks[i]);
  }
  const Bytes image = Image(manager);
  SpaceLayout layout;
  ASSERT_TRUE(CheckFileSpace(image, &layout));
  EXPECT_EQ(layout.record_size, 92);
  ASSERT_EQ(layout.records.size(), 2u);
  const std::int32_t record = layout.records[1];
  EXPECT_EQ(record, 272 + 23 * 32);
  EXPECT_EQ(manager.EndOfSpace(), record + 92);
  EXPECT_EQ(WordAt(image, record) & 0xFFFF, 0x1234u);
  EXPECT_EQ(WordAt(image, record + 84), 1u);   // count
  EXPECT_EQ(WordAt(image, record + 88), 12u);  // next
  EXPECT_EQ(WordAt(image, 12 + 88), static_cast<std::uint32_t>(record));
}

// A file with a full anchor (32 extents of 32) and a second record at 2424 holding one extent.
Bytes TwoRecordImage(const TempDir& dir) {
  const std::string name = dir.File("two-records.bin");
  {
    RWFileSpaceManager manager(name.c_str());
    const std::vector<std::int32_t> blocks = AllocateBlocks(manager, 67);
    for (int i = 1; i <= 65; i += 2) {
      manager.Deallocate(blocks[i]);
    }
  }
  return FileImage(name);
}

TEST(RWFileSpaceManagerTest, CorruptFreeListStopsTheManagerWithoutWriting) {
  TempDir dir;
  const Bytes sound = TwoRecordImage(dir);
  ASSERT_TRUE(CheckFileSpace(sound));
  constexpr std::size_t kSecond = 2424;
  ASSERT_EQ(WordAt(sound, 12 + kNext), kSecond);

  struct Case {
    const char* what;
    std::size_t at;
    std::uint32_t value;
    const char* text;  // the first error raised
  };
  const Case cases[] = {
      {"record size 100", 8, 100, "[FLIST] Free list size error: expected 268, got 100"},
      {"end below the anchor", 4, 100, "[READERR] Read error"},
      {"start beyond the end", 0, 9000, "[READERR] Read error"},
      {"anchor magic", 12, 0x1236, "[MAGIC] Bad magic number: 4662 (should be 4661)"},
      {"anchor count 33", 12 + kCount, 33, "[FLIST] Free list size error: expected 32, got 33"},
      {"anchor count -1", 12 + kCount, 0xFFFFFFFF,
       "[FLIST] Free list size error: expected 32, got -1"},
      {"anchor next inside the header", 12 + kNext, 100, "[READERR] Read error"},
      {"anchor next beyond the end", 12 + kNext, 0x7FFFFFF0, "[READERR] Read error"},
      {"extent in the header", 12 + ExtentOffset(0), 0, "[READERR] Read error"},
      {"extent size not a multiple of 4", 12 + ExtentSize(3), 30, "[READERR] Read error"},
      {"extent size 0", 12 + ExtentSize(3), 0, "[READERR] Read error"},
      {"extents out of order", 12 + ExtentOffset(5), 300, "[READERR] Read error"},
      {"extent beyond the end", 12 + ExtentSize(31), 0x10000, "[READERR] Read error"},
      // Found while walking the ring for a request that the anchor cannot serve.
      {"second record count 99", kSecond + kCount, 99,
       "[FLIST] Free list size error: expected 32, got 99"},
      {"second record magic", kSecond, 0x1234, "[MAGIC] Bad magic number: 4660 (should be 4661)"},
      {"ring that loops past the anchor", kSecond + kNext, kSecond, "[READERR] Read error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes corrupt = sound;
    PutWord(corrupt, c.at, c.value);
    if (c.at == 12) {
      corrupt[14] = corrupt[15] = 0;  // the magic is 16 bits; keep the 2 bytes behind it
    }
    const std::string name = dir.File("corrupt.bin");
    WriteImage(name, corrupt);
    RecordingErrorHook hook;
    {
      RWFileSpaceManager manager(name.c_str());
      EXPECT_EQ(manager.Allocate(100), -1);
      EXPECT_EQ(manager.Allocate(28), -1);
      manager.Deallocate(288);
      EXPECT_FALSE(manager.HasFreeList());
    }
    ASSERT_GE(hook.Count(), 1u);
    EXPECT_EQ(hook.Texts()[0], c.text);
    EXPECT_TRUE(BytesEqual(corrupt, FileImage(name)));
  }
}

TEST(RWFileSpaceManagerTest, BadBlocksAreRefusedAndTheManagerCarriesOn) {
  TempDir dir;
  RWFileSpaceManager manager(dir.File("space.bin").c_str());
  const std::vector<std::int32_t> blocks = AllocateBlocks(manager, 5);  // 284 ... 412
  manager.Deallocate(blocks[1]);
  const std::int32_t end = manager.EndOfSpace();

  auto set_size_word = [&](std::int32_t block, std::uint32_t size) {
    ASSERT_TRUE(manager.SeekTo(block - 4));
    ASSERT_TRUE(manager.Write(size));
  };
  struct Case {
    const char* what;
    std::int32_t offset;
    std::uint32_t size_word;  // written at offset - 4 first; 0 leaves it
  };
  const Case cases[] = {
      {"double free", blocks[1], 0},
      {"size word 0", blocks[2], 0xFFFFFFFF},
      {"size word 2", blocks[2], 2},
      {"size word not a multiple of 4", blocks[2], 30},
      {"size word beyond the end", blocks[2], 0x1000},
      {"reaches into a free extent", blocks[0] + 16, 32},
      {"offset inside the header", 20, 0},
      {"offset beyond the end", end + 100, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.size_word == 0xFFFFFFFF) {
      set_size_word(c.offset, 0);
    } else if (c.size_word != 0) {
      set_size_word(c.offset, c.size_word);
    }
    const Bytes before = Image(manager);
    RecordingErrorHook hook;
    manager.Deallocate(c.offset);
    EXPECT_EQ(hook.Tags(), std::vector<std::string>{"[READERR]"});
    EXPECT_TRUE(BytesEqual(before, Image(manager)));
    EXPECT_TRUE(manager.HasFreeList());
  }
  set_size_word(blocks[2], 32);
  ASSERT_TRUE(CheckFileSpace(Image(manager)));
  EXPECT_EQ(manager.Allocate(28), blocks[1]);
}

TEST(RWFileSpaceManagerTest, FilesThatCannotBeOpenedOrWrittenGiveNoSpace) {
  TempDir dir;
  {
    RWFileSpaceManager missing(dir.File("no/such/dir/space.bin").c_str());
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_FALSE(missing.HasFreeList());
    EXPECT_EQ(missing.GetStart(), -1);
    EXPECT_EQ(missing.Allocate(28), -1);
    missing.Deallocate(284);
  }
  const std::string name = dir.File("space.bin");
  { RWFileSpaceManager create(name.c_str()); }
  const Bytes before = FileImage(name);
  RecordingErrorHook hook;
  {
    RWFileSpaceManager read_only(name.c_str(), "rb");
    ASSERT_TRUE(read_only.HasFreeList());
    EXPECT_EQ(read_only.Allocate(28), -1);
    EXPECT_FALSE(read_only.HasFreeList());  // the header may no longer match the file
    EXPECT_EQ(read_only.Allocate(28), -1);
  }
  EXPECT_EQ(hook.Tags(), std::vector<std::string>{"[WRITEERR]"});
  EXPECT_TRUE(BytesEqual(before, FileImage(name)));
}

// Random allocations and frees against a set of live blocks, reopening now and then: after every
// step each byte of the space is in exactly one live block, free extent or record.
TEST(RWFileSpaceManagerTest, RandomAllocationsKeepEveryByteAccountedFor) {
  TempDir dir;
  const std::string name = dir.File("random.bin");
  std::mt19937 random(20240611);
  auto manager = std::make_unique<RWFileSpaceManager>(name.c_str());
  std::map<std::int32_t, std::uint32_t> live;  // block offset -> request
  const std::int32_t start = manager->Allocate(40);
  std::size_t most_records = 0;
  for (int step = 0; step < 3000; ++step) {
    const bool allocate = live.size() < 150 || random() % 100 < 48;
    if (allocate) {
      const std::uint32_t request = random() % 10 == 0 ? random() % 600 : random() % 40;
      const std::int32_t offset = manager->Allocate(request);
      ASSERT_GT(offset, 0);
      ASSERT_TRUE(live.emplace(offset - 4, request).second) << "handed out twice: " << offset;
    } else {
      auto it = live.begin();
      std::advance(it, random() % live.size());
      manager->Deallocate(it->first + 4);
      live.erase(it);
    }
    if (step % 500 == 499) {
      manager.reset();
      manager = std::make_unique<RWFileSpaceManager>(name.c_str());
      ASSERT_EQ(manager->GetStart(), start);
    }
    SpaceLayout layout;
    ASSERT_TRUE(CheckFileSpace(Image(*manager), &layout)) << "step " << step;
    ASSERT_EQ(layout.used.size(), live.size() + 1) << "step " << step;
    for (const auto& [block, request] : live) {
      auto used = layout.used.find(block);
      ASSERT_NE(used, layout.used.end()) << "step " << step;
      const std::uint32_t gross = (request + 7) & ~3u;
      ASSERT_TRUE(used->second == gross || used->second == gross + 4) << "step " << step;
    }
    most_records = std::max(most_records, layout.records.size());
  }
  EXPECT_GE(most_records, 2u);  // the ring grew beyond the anchor on the way
}

}  // namespace
