// The binary file: opening modes, typed values in their stored widths, strings, seeking, errors.
#include "rw/RWBinaryFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/ByteMatch.h"
#include "tests/support/TempDir.h"

namespace {

using vel::test::Bytes;
using vel::test::BytesEqual;
using vel::test::HexBytes;
using vel::test::TempDir;

Bytes FileBytes(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(RWBinaryFileTest, NullModeCreatesThenReopens) {
  TempDir dir;
  const std::string name = dir.File("f.bin");
  {
    RWBinaryFile file(name.c_str());
    ASSERT_TRUE(file.IsOpen());
    EXPECT_STREQ(file.GetMode(), "wb+");
    EXPECT_TRUE(file.IsEmpty());
    EXPECT_TRUE(file.Exists());
    EXPECT_TRUE(file.Write(7));
  }
  RWBinaryFile again(name.c_str());
  EXPECT_STREQ(again.GetMode(), "rb+");
  EXPECT_FALSE(again.IsEmpty());

  RWBinaryFile missing(dir.File("no/such/dir").c_str(), "rb");
  EXPECT_FALSE(missing.IsOpen());
  int value = 0;
  EXPECT_FALSE(missing.Read(value));
  EXPECT_FALSE(missing.Write(value));
  EXPECT_EQ(missing.CurOffset(), -1);
  EXPECT_TRUE(missing.Error());  // a file that never opened does not look healthy
  EXPECT_FALSE(RWBinaryFile::Exists(dir.File("absent").c_str()));
}

TEST(RWBinaryFileTest, ValuesHaveFixedWidthsLeastSignificantByteFirst) {
  TempDir dir;
  const std::string name = dir.File("values.bin");
  {
    RWBinaryFile file(name.c_str());
    EXPECT_TRUE(file.Write('A'));
    EXPECT_TRUE(file.Write(static_cast<unsigned char>(0xFE)));
    EXPECT_TRUE(file.Write(static_cast<short>(-5)));
    EXPECT_TRUE(file.Write(static_cast<unsigned short>(0x1234)));
    EXPECT_TRUE(file.Write(-2));
    EXPECT_TRUE(file.Write(0x8888u));
    EXPECT_TRUE(file.Write(-3L));                 // a long is stored in 4 bytes
    EXPECT_TRUE(file.Write(0xCAFEBABEUL));
    EXPECT_TRUE(file.Write(1.0f));
    EXPECT_TRUE(file.Write(-2.0));
    const short shorts[] = {1, -1};
    EXPECT_TRUE(file.Write(shorts, 2));
    EXPECT_TRUE(file.WriteString("ab"));
    EXPECT_TRUE(file.WriteString(""));
  }
  EXPECT_TRUE(BytesEqual(HexBytes(R"(
      41                        # char 'A'
      FE                        # unsigned char
      FB FF                     # short -5
      34 12                     # unsigned short
      FE FF FF FF               # int -2
      88 88 00 00               # unsigned int
      FD FF FF FF               # long -3
      BE BA FE CA               # unsigned long
      00 00 80 3F               # float 1.0
      00 00 00 00 00 00 00 C0   # double -2.0
      01 00 FF FF               # short[2]
      61 62 00                  # "ab"
      00                        # ""
  )"), FileBytes(name)));

  RWBinaryFile file(name.c_str());
  char c;
  unsigned char uc;
  short s;
  unsigned short us;
  int i;
  unsigned int ui;
  long l;
  unsigned long ul;
  float f;
  double d;
  short shorts[2];
  char text[8];
  EXPECT_TRUE(file.Read(c) && file.Read(uc) && file.Read(s) && file.Read(us) && file.Read(i) &&
              file.Read(ui) && file.Read(l) && file.Read(ul) && file.Read(f) && file.Read(d) &&
              file.Read(shorts, 2));
  EXPECT_EQ(c, 'A');
  EXPECT_EQ(uc, 0xFE);
  EXPECT_EQ(s, -5);
  EXPECT_EQ(us, 0x1234);
  EXPECT_EQ(i, -2);
  EXPECT_EQ(ui, 0x8888u);
  EXPECT_EQ(l, -3L);
  EXPECT_EQ(ul, 0xCAFEBABEUL);
  EXPECT_EQ(f, 1.0f);
  EXPECT_EQ(d, -2.0);
  EXPECT_EQ(shorts[1], -1);
  EXPECT_TRUE(file.ReadString(text, sizeof text));
  EXPECT_STREQ(text, "ab");
  EXPECT_TRUE(file.ReadString(text, sizeof text));
  EXPECT_STREQ(text, "");
  // At end of file: an empty string, and a failed read that sets the end-of-file indicator.
  EXPECT_TRUE(file.ReadString(text, sizeof text));
  EXPECT_STREQ(text, "");
  unsigned long past = 0;
  EXPECT_FALSE(file.Read(past));
  EXPECT_TRUE(file.Eof());
  file.ClearError();
  EXPECT_FALSE(file.Eof());
}

TEST(RWBinaryFileTest, DoublesRoundTripBitForBit) {
  TempDir dir;
  RWBinaryFile file(dir.File("d.bin").c_str());
  const double values[] = {0.0, -0.0, 1e-310, std::numeric_limits<double>::max(),
                           std::numeric_limits<double>::infinity(),
                           std::numeric_limits<double>::quiet_NaN(), 3.141592653589793};
  ASSERT_TRUE(file.Write(values, std::size(values)));
  ASSERT_TRUE(file.SeekTo(0));
  double back[std::size(values)];
  ASSERT_TRUE(file.Read(back, std::size(values)));
  EXPECT_EQ(std::memcmp(values, back, sizeof values), 0);
}

// Large arrays cross the conversion chunks; a long array keeps the stored 4-byte width.
TEST(RWBinaryFileTest, LargeArraysAndLongWidths) {
  TempDir dir;
  RWBinaryFile file(dir.File("a.bin").c_str());
  std::vector<long> longs(5000);
  for (std::size_t k = 0; k < longs.size(); ++k) {
    longs[k] = static_cast<long>(k) * (k % 2 != 0 ? -7919 : 7919);
  }
  ASSERT_TRUE(file.Write(longs.data(), longs.size()));
  EXPECT_EQ(file.CurOffset(), 20000);
  ASSERT_TRUE(file.SeekTo(0));
  std::vector<long> back(longs.size());
  ASSERT_TRUE(file.Read(back.data(), back.size()));
  EXPECT_EQ(back, longs);
  // Asking for more than the file holds is a short read.
  ASSERT_TRUE(file.SeekTo(19996));
  EXPECT_FALSE(file.Read(back.data(), 2));
  EXPECT_TRUE(file.Eof());
}

TEST(RWBinaryFileTest, ReadStringKeepsToTheCallersBuffer) {
  TempDir dir;
  RWBinaryFile file(dir.File("s.bin").c_str());
  ASSERT_TRUE(file.WriteString("a long string"));
  ASSERT_TRUE(file.WriteString("next"));
  ASSERT_TRUE(file.SeekTo(0));
  char small[5];
  std::memset(small, 'X', sizeof small);
  EXPECT_FALSE(file.ReadString(small, sizeof small));
  EXPECT_STREQ(small, "a lo");
  char rest[8];
  EXPECT_TRUE(file.ReadString(rest, sizeof rest));  // the cut string was skipped whole
  EXPECT_STREQ(rest, "next");
  EXPECT_FALSE(file.ReadString(rest, 0));
}

TEST(RWBinaryFileTest, IsEmptySeesBufferedBytesAndErase) {
  TempDir dir;
  RWBinaryFile file(dir.File("e.bin").c_str());
  ASSERT_TRUE(file.Write('x'));  // still in the stream's buffer
  EXPECT_FALSE(file.IsEmpty());
  EXPECT_TRUE(file.Erase());
  EXPECT_TRUE(file.IsOpen());
  EXPECT_STREQ(file.GetMode(), "wb+");
  EXPECT_TRUE(file.IsEmpty());
  EXPECT_TRUE(file.SeekToEnd());
  EXPECT_EQ(file.CurOffset(), 0);
}

// Users of the file seek between a read that met the end of the file and the next write; the
// write then lands where the seek put it, in both flavours.
TEST(RWBinaryFileTest, SeekBetweenAReadAtTheEndAndAWrite) {
  TempDir dir;
  const std::string name = dir.File("s.bin");
  RWBinaryFile file(name.c_str(), "wb+");
  ASSERT_TRUE(file.Write(0x11223344));
  ASSERT_TRUE(file.SeekTo(0));
  int value = 0;
  ASSERT_TRUE(file.Read(value));
  EXPECT_FALSE(file.Read(value));
  EXPECT_TRUE(file.Eof());
  ASSERT_TRUE(file.SeekToEnd());
  EXPECT_FALSE(file.Eof());
  EXPECT_TRUE(file.Write(short{0x5566}));
  EXPECT_FALSE(file.Error());
  EXPECT_EQ(file.CurOffset(), 6);
  ASSERT_TRUE(file.Flush());
  EXPECT_TRUE(BytesEqual(HexBytes("44 33 22 11 66 55"), FileBytes(name)));
}

// Scattered writes and reads through the file (offsets up to the model's end and a little beyond),
// each checked against the model; stops once the model has grown past `limit` bytes.
void WriteAndReadAtRandom(RWBinaryFile& file, Bytes& model, std::uint32_t& random,
                          std::size_t limit) {
  auto next = [&random] {
    random = random * 1103515245u + 12345u;
    return random >> 8;
  };
  for (int step = 0; step < 3000; ++step) {
    // Offsets up to 100 pages of 4 KiB, with now and then a jump beyond the end.
    const auto offset = static_cast<std::int32_t>(next() % (model.size() + 8192));
    const std::size_t count = 1 + next() % 600;
    ASSERT_TRUE(file.SeekTo(offset)) << step;
    if (next() % 3 == 0 && offset < static_cast<std::int32_t>(model.size())) {
      std::vector<unsigned char> read(count);
      const std::size_t have =
          std::min(count, model.size() - static_cast<std::size_t>(offset));
      EXPECT_EQ(file.Read(read.data(), count), have == count) << step;
      EXPECT_EQ(file.Eof(), have < count) << step;
      ASSERT_TRUE(std::equal(read.begin(), read.begin() + static_cast<std::ptrdiff_t>(have),
                             model.begin() + offset))
          << step;
      EXPECT_EQ(file.CurOffset(), offset + static_cast<std::int32_t>(have)) << step;
      continue;
    }
    std::vector<unsigned char> bytes(count);
    for (unsigned char& byte : bytes) {
      byte = static_cast<unsigned char>(next());
    }
    if (model.size() < offset + count) {
      model.resize(offset + count, 0);  // a gap reads as zeros
    }
    std::copy(bytes.begin(), bytes.end(), model.begin() + offset);
    ASSERT_TRUE(file.Write(bytes.data(), count)) << step;
    if (model.size() > limit) {
      break;
    }
  }
}

// A file opened for update keeps its pages in memory and writes them back later: scattered
// writes and reads over more pages than it holds at once (so pages make room for others), a
// write beyond the end, and a reopen must all see exactly what a plain model of the bytes says;
// so must scattered writes and reads in the reopened file, whose pages come in runs.
TEST(RWBinaryFileTest, WriteBackPagesKeepEveryByte) {
  TempDir dir;
  const std::string name = dir.File("pages.bin");
  Bytes model;
  std::uint32_t random = 12345;
  {
    RWBinaryFile file(name.c_str(), "wb+");
    ASSERT_TRUE(file.IsOpen());
    WriteAndReadAtRandom(file, model, random, 400000);
    EXPECT_FALSE(file.Error());
    ASSERT_TRUE(file.SeekToEnd());
    EXPECT_EQ(file.CurOffset(), static_cast<std::int32_t>(model.size()));
    ASSERT_TRUE(file.Flush());
    EXPECT_TRUE(BytesEqual(model, FileBytes(name)));
    // Changes after the flush reach the file when it is closed.
    ASSERT_TRUE(file.SeekTo(1));
    ASSERT_TRUE(file.Write('Z'));
    model[1] = 'Z';
  }
  EXPECT_TRUE(BytesEqual(model, FileBytes(name)));
  RWBinaryFile again(name.c_str());
  EXPECT_STREQ(again.GetMode(), "rb+");
  std::vector<unsigned char> whole(model.size());
  ASSERT_TRUE(again.Read(whole.data(), whole.size()));
  EXPECT_TRUE(std::equal(whole.begin(), whole.end(), model.begin()));
  EXPECT_FALSE(again.Read(whole.data(), 1));
  EXPECT_TRUE(again.Eof());
  again.ClearError();
  WriteAndReadAtRandom(again, model, random, model.size() + 200000);
  EXPECT_FALSE(again.Error());
  ASSERT_TRUE(again.Flush());
  EXPECT_TRUE(BytesEqual(model, FileBytes(name)));
}

// A write that the device refuses when its page goes to the file shows as the error indicator
// at the flush (as a standard stream's buffered write does).
TEST(RWBinaryFileTest, AFailedWriteBackSetsTheError) {
  RWBinaryFile full("/dev/full", "rb+");
  if (!full.IsOpen()) {
    GTEST_SKIP() << "no /dev/full to write to in this flavour";
  }
  ASSERT_TRUE(full.Write(0x12345678));
  EXPECT_FALSE(full.Flush());
  EXPECT_TRUE(full.Error());
  full.ClearError();
  EXPECT_FALSE(full.Error());
}

TEST(RWBinaryFileTest, ReadAllocatedHandsOverANewValue) {
  TempDir dir;
  RWBinaryFile file(dir.File("p.bin").c_str());
  ASSERT_TRUE(file.Write(static_cast<short>(42)));
  ASSERT_TRUE(file.SeekTo(0));
  short* value = nullptr;
  file.ReadAllocated(value);
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(*value, 42);
  delete value;
}

TEST(RWBinaryFileTest, ExistsWithWriteAccess) {
  TempDir dir;
  const std::string name = dir.File("ro.bin");
  { RWBinaryFile file(name.c_str()); }
  EXPECT_TRUE(RWBinaryFile::Exists(name.c_str(), 2));
  std::filesystem::permissions(name, std::filesystem::perms::owner_read |
                                         std::filesystem::perms::group_read);
  EXPECT_TRUE(RWBinaryFile::Exists(name.c_str(), 0));
  EXPECT_FALSE(RWBinaryFile::Exists(name.c_str(), 2));
}

}  // namespace
