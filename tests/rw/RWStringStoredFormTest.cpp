// Stored forms of narrow and wide strings: golden bytes, round trips on every carrier, and corrupt
// or short stored data that must leave the string unchanged and the stream failed.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "rw/RWBinaryFile.h"
#include "rw/RWBinaryStream.h"
#include "rw/RWByteOrderStream.h"
#include "rw/RWCString.h"
#include "rw/RWPortableStream.h"
#include "rw/RWWString.h"
#include "tests/support/ByteMatch.h"
#include "tests/support/FailingAllocation.h"
#include "tests/support/RwRecordingErrorHook.h"
#include "tests/support/StreamBuffers.h"
#include "tests/support/TempDir.h"

namespace {

using vel::test::Bytes;
using vel::test::BytesEqual;
using vel::test::HexBytes;
using vel::test::TempDir;

std::string Text(const RWCString& s) {
  return std::string(s.Data(), s.Length());
}
std::u16string Text(const RWWString& s) {
  return std::u16string(s.Data(), s.Length());
}

std::string AsString(const Bytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// Binary streams of version 0, on which narrow strings travel as plain character arrays.
class Version0OutStream : public RWBinaryOutStream {
 public:
  explicit Version0OutStream(std::ostream& out) : RWBinaryOutStream(out) { version_ = 0; }
};
class Version0InStream : public RWBinaryInStream {
 public:
  explicit Version0InStream(std::istream& in) : RWBinaryInStream(in) { version_ = 0; }
};

// One way of carrying values: a writer and a reader over standard streams.
struct Carrier {
  const char* name;
  std::function<std::unique_ptr<RWVirtualOutStream>(std::ostream&)> writer;
  std::function<std::unique_ptr<RWVirtualInStream>(std::istream&)> reader;
};

template <typename Out, typename In>
Carrier MakeCarrier(const char* name) {
  return Carrier{name, [](std::ostream& out) { return std::make_unique<Out>(out); },
                 [](std::istream& in) { return std::make_unique<In>(in); }};
}

template <int kOrder>
Carrier ByteOrderCarrier(const char* name) {
  return Carrier{
      name, [](std::ostream& out) { return std::make_unique<RWByteOrderOutStream>(out, kOrder); },
      [](std::istream& in) { return std::make_unique<RWByteOrderInStream>(in); }};
}

const Carrier kCarriers[] = {
    MakeCarrier<RWBinaryOutStream, RWBinaryInStream>("Binary"),
    MakeCarrier<Version0OutStream, Version0InStream>("BinaryVersion0"),
    MakeCarrier<RWPortableOutStream, RWPortableInStream>("Portable"),
    ByteOrderCarrier<0>("ByteOrderLittle"),
    ByteOrderCarrier<1>("ByteOrderBig"),
};

std::vector<RWCString> NarrowSamples() {
  std::string every_byte;
  for (int b = 0; b < 256; ++b) {
    every_byte.push_back(static_cast<char>(b));
  }
  std::string long_text;
  for (int i = 0; i < 10000; ++i) {  // several read chunks
    long_text.push_back(static_cast<char>('a' + i % 26));
  }
  return {RWCString(),
          RWCString("a"),
          RWCString("ab"),
          RWCString("quote \" brace { } backslash \\ tab \t newline \n"),
          RWCString("a\0b", 3),
          RWCString(every_byte.data(), every_byte.size()),
          RWCString(long_text.data(), long_text.size())};
}

std::vector<RWWString> WideSamples() {
  std::u16string every_kind;
  for (char16_t c : {0x0000, 0x0001, 0x007F, 0x0080, 0x00FF, 0x0100, 0x20AC, 0xD800, 0xFFFF}) {
    every_kind.push_back(c);
  }
  return {RWWString(),
          RWWString(u"a"),
          RWWString(u"ab"),
          RWWString(u"abc"),
          RWWString(every_kind.data(), every_kind.size()),
          RWWString(u'\u20ac', 5000)};
}

class StringStoredFormTest : public ::testing::TestWithParam<Carrier> {
 protected:
  // Writes with the carrier's writer (its header, if any, then what save writes, then a marker
  // when asked), and answers the bytes.
  template <typename Save>
  std::string Write(Save save, bool marker = true) {
    std::ostringstream out;
    {
      auto writer = GetParam().writer(out);
      save(*writer);
      if (marker) {
        writer->Put(0x5A5A5A5A);
      }
      EXPECT_TRUE(writer->Good());
    }
    return out.str();
  }
};

TEST_P(StringStoredFormTest, EveryStringRoundTrips) {
  const std::vector<RWCString> narrow = NarrowSamples();
  const std::vector<RWWString> wide = WideSamples();
  const std::string bytes = Write([&](RWVirtualOutStream& out) {
    for (const RWCString& s : narrow) {
      out << s;
    }
    for (const RWWString& s : wide) {
      out << s;
    }
  });

  std::istringstream in(bytes);
  auto reader = GetParam().reader(in);
  for (const RWCString& expected : narrow) {
    RWCString restored("previous");
    RWCString other = restored;
    *reader >> restored;
    ASSERT_TRUE(reader->Good()) << expected.Length();
    EXPECT_EQ(Text(restored), Text(expected));
    EXPECT_EQ(restored.Data()[restored.Length()], '\0');
    EXPECT_EQ(Text(other), "previous");
  }
  for (const RWWString& expected : wide) {
    RWWString restored(u"previous");
    *reader >> restored;
    ASSERT_TRUE(reader->Good()) << expected.Length();
    EXPECT_EQ(Text(restored), Text(expected));
    EXPECT_EQ(restored.Data()[restored.Length()], 0);
  }
  unsigned int marker = 0;
  reader->Get(marker);
  EXPECT_EQ(marker, 0x5A5A5A5Au);
}

TEST_P(StringStoredFormTest, RestoreIntoAnUnsharedBlockThatFitsKeepsIt) {
  const std::string bytes = Write([](RWVirtualOutStream& out) { out << RWCString("ab"); });
  std::istringstream in(bytes);
  auto reader = GetParam().reader(in);
  RWCString target(RWCapacity{64});
  target = "old text";
  const char* block = target.Data();
  *reader >> target;
  EXPECT_EQ(Text(target), "ab");
  EXPECT_EQ(target.Data(), block);
  EXPECT_EQ(target.Capacity(), 64u);
}

TEST_P(StringStoredFormTest, TruncatedDataLeavesTheStringUnchangedAndTheStreamFailed) {
  const auto narrow_only = [](RWVirtualOutStream& out) { out << RWCString("some characters"); };
  const auto both = [&](RWVirtualOutStream& out) {
    narrow_only(out);
    out << RWWString(u"some wide characters");
  };
  const std::size_t header = Write([](RWVirtualOutStream&) {}, false).size();
  const std::size_t wide_start = Write(narrow_only, false).size();
  const std::string whole = Write(both, false);
  // Every cut after the header: inside the narrow string, then inside the wide one.
  for (std::size_t cut = header; cut < whole.size(); ++cut) {
    std::istringstream in(whole.substr(0, cut));
    auto reader = GetParam().reader(in);
    RWCString narrow("keep");
    const char* narrow_block = narrow.Data();
    RWWString wide(u"keep");
    *reader >> narrow;
    if (cut >= wide_start) {
      ASSERT_TRUE(reader->Good()) << cut;
      EXPECT_EQ(Text(narrow), "some characters");
      *reader >> wide;
      EXPECT_EQ(Text(wide), u"keep") << cut;
    } else {
      EXPECT_EQ(Text(narrow), "keep") << cut;
      EXPECT_EQ(narrow.Data(), narrow_block);
    }
    EXPECT_TRUE(reader->Fail()) << cut;
  }
}

INSTANTIATE_TEST_SUITE_P(Carriers,
                         StringStoredFormTest,
                         ::testing::ValuesIn(kCarriers),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(StringStoredFormGolden, EveryFormat) {
  // Regenerate by hand from the layouts: Put(unsigned int) of the length, then for a narrow string
  // the counted string (its own length, then the bytes; quoted text in the portable format), for
  // a wide one the characters as unsigned shorts. The byte-order streams start with their header.
  const struct {
    const char* name;
    std::function<std::unique_ptr<RWVirtualOutStream>(std::ostream&)> writer;
    const char* narrow;  // "ab"
    const char* wide;    // u"a\u20ac"
  } cases[] = {
      {"binary", [](std::ostream& out) { return std::make_unique<RWBinaryOutStream>(out); },
       "02 00 00 00  02 00 00 00  61 62", "02 00 00 00  61 00  AC 20"},
      {"binary version 0",
       [](std::ostream& out) { return std::make_unique<Version0OutStream>(out); },
       "02 00 00 00  61 62", "02 00 00 00  61 00  AC 20"},
      {"portable", [](std::ostream& out) { return std::make_unique<RWPortableOutStream>(out); },
       "32 0A  22 61 62 22",                // 2 LF "ab"
       "32 0A  39 37 0A  38 33 36 34 0A"},  // 2 LF 97 LF 8364 LF
      {"byte order, big-endian",
       [](std::ostream& out) { return std::make_unique<RWByteOrderOutStream>(out, 1); },
       "65 73 01 01 02 04 04 02 04  00 00 00 02  00 00 00 02  61 62",
       "65 73 01 01 02 04 04 02 04  00 00 00 02  00 61  20 AC"},
  };
  for (const auto& c : cases) {
    std::ostringstream narrow;
    *c.writer(narrow) << RWCString("ab");
    EXPECT_TRUE(BytesEqual(HexBytes(c.narrow), vel::test::AsBytes(narrow.str()))) << c.name;
    std::ostringstream wide;
    *c.writer(wide) << RWWString(u"a\u20ac");
    EXPECT_TRUE(BytesEqual(HexBytes(c.wide), vel::test::AsBytes(wide.str()))) << c.name;
  }
}

// Corrupt text in the portable format.
TEST(StringStoredFormCorrupt, PortableText) {
  vel::test::RecordingErrorHook hook;  // a missing quote raises [SYNSTREAM]
  for (const char* text :
       {"5\n\"abc\"", "2\n\"abcde\"", "4294967295\n\"ab\"", "x\n\"ab\"", "2\nab", "2\n\"a"}) {
    std::istringstream in(text);
    RWPortableInStream reader(in);
    RWCString target("keep");
    reader >> target;
    EXPECT_EQ(Text(target), "keep") << text;
    EXPECT_TRUE(reader.Fail()) << text;
  }
  for (const char* text : {"3\n97\n98\n", "4294967295\n97\n", "2\n97\nx\n"}) {
    std::istringstream in(text);
    RWPortableInStream reader(in);
    RWWString target(u"keep");
    reader >> target;
    EXPECT_EQ(Text(target), u"keep") << text;
    EXPECT_TRUE(reader.Fail()) << text;
  }
}

// Corrupt stored lengths and mismatched counted strings, as they stand on the binary stream.
TEST(StringStoredFormCorrupt, NarrowLengthsThatCannotBeSatisfied) {
  const struct {
    const char* name;
    const char* bytes;
  } cases[] = {
      {"length cut off", "01 00 00"},
      {"length FFFFFFFF", "FF FF FF FF  02 00 00 00 61 62"},
      {"length above the cap", "01 00 00 01  01 00 00 01  61"},
      {"large length, little data", "FF FF FF 00  02 00 00 00 61 62"},
      {"characters cut off", "05 00 00 00  05 00 00 00  61 62 63"},
      {"inner length shorter", "05 00 00 00  03 00 00 00  61 62 63 64 65 66 67 68"},
      {"inner length longer", "02 00 00 00  05 00 00 00  61 62 63 64 65"},
      {"inner length missing", "02 00 00 00  02 00"},
  };
  for (const auto& c : cases) {
    std::istringstream in(AsString(HexBytes(c.bytes)));
    RWBinaryInStream reader(in);
    RWCString target("keep");
    RWCString other = target;
    reader >> target;
    EXPECT_EQ(Text(target), "keep") << c.name;
    EXPECT_EQ(target.Data(), other.Data()) << c.name;
    EXPECT_TRUE(reader.Fail()) << c.name;
  }
  // The same lengths on a version 0 stream, which reads the characters in pieces.
  for (const char* bytes : {"FF FF FF FF 61 62", "FF FF FF 00 61 62", "05 00 00 00 61 62"}) {
    std::istringstream in(AsString(HexBytes(bytes)));
    Version0InStream reader(in);
    RWCString target("keep");
    reader >> target;
    EXPECT_EQ(Text(target), "keep") << bytes;
    EXPECT_TRUE(reader.Fail()) << bytes;
  }
}

TEST(StringStoredFormCorrupt, WideLengthsThatCannotBeSatisfied) {
  for (const char* bytes : {"01 00 00", "FF FF FF FF  61 00", "01 00 00 01  61 00",
                            "FF FF FF 00  61 00", "03 00 00 00  61 00 62 00 63"}) {
    std::istringstream in(AsString(HexBytes(bytes)));
    RWBinaryInStream reader(in);
    RWWString target(u"keep");
    const char16_t* block = target.Data();
    reader >> target;
    EXPECT_EQ(Text(target), u"keep") << bytes;
    EXPECT_EQ(target.Data(), block) << bytes;
    EXPECT_TRUE(reader.Fail()) << bytes;
  }
}

TEST(StringStoredFormCorrupt, RefusedMemoryLeavesTheStringUnchangedAndTheStreamFailed) {
  vel::test::RecordingErrorHook hook;
  std::ostringstream out;
  {
    RWBinaryOutStream writer(out);
    writer << RWCString("narrow text") << RWWString(u"wide text");
  }
  const std::size_t narrow_size = 4 + 4 + 11;
  for (const bool wide : {false, true}) {
    std::istringstream in(wide ? out.str().substr(narrow_size) : out.str());
    RWBinaryInStream reader(in);
    RWCString narrow("keep");
    RWWString wide_target(u"keep");
    {
      vel::test::FailingAllocation refuse(0, -1);
      if (wide) {
        reader >> wide_target;
      } else {
        reader >> narrow;
      }
    }
    EXPECT_EQ(Text(narrow), "keep");
    EXPECT_EQ(Text(wide_target), u"keep");
    EXPECT_TRUE(reader.Fail());
  }
  EXPECT_EQ(hook.Tags(), (std::vector<std::string>{"[NOMEM]", "[NOMEM]"}));
}

TEST(StringStoredFormCorrupt, ReadsFromABufferThatHandsOutPieces) {
  std::ostringstream out;
  {
    RWBinaryOutStream writer(out);
    writer << RWCString(std::string(9000, 'n').c_str()) << RWWString(u'w', 9000);
  }
  const Bytes bytes = vel::test::AsBytes(out.str());
  vel::test::PieceInBuffer pieces(bytes, 7);
  RWBinaryInStream reader(&pieces);
  RWCString narrow;
  RWWString wide;
  reader >> narrow >> wide;
  EXPECT_TRUE(reader.Good());
  EXPECT_EQ(Text(narrow), std::string(9000, 'n'));
  EXPECT_EQ(Text(wide), std::u16string(9000, u'w'));
}

class StringBinaryFileTest : public ::testing::Test {
 protected:
  std::string WriteFile(const Bytes& bytes) {
    const std::string name = dir_.File("strings.bin");
    std::ofstream(name, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return name;
  }
  Bytes ReadFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  TempDir dir_;
};

TEST_F(StringBinaryFileTest, GoldenBytesAndRoundTrips) {
  const std::string name = dir_.File("golden.bin");
  {
    RWBinaryFile file(name.c_str(), "wb+");
    ASSERT_TRUE(RWCString("ab").SaveOn(file));
    ASSERT_TRUE(RWWString(u"a\u20ac").SaveOn(file));
    ASSERT_TRUE(RWCString().SaveOn(file));
  }
  // Regenerate by hand: 4-byte length, then the characters (wide ones two bytes each).
  EXPECT_TRUE(BytesEqual(HexBytes("02 00 00 00  61 62"
                                  "02 00 00 00  61 00 AC 20"
                                  "00 00 00 00"),
                         ReadFile(name)));

  const std::vector<RWCString> narrow = NarrowSamples();
  const std::vector<RWWString> wide = WideSamples();
  {
    RWBinaryFile file(name.c_str(), "wb+");
    for (const RWCString& s : narrow) {
      ASSERT_TRUE(s.SaveOn(file));
    }
    for (const RWWString& s : wide) {
      ASSERT_TRUE(s.SaveOn(file));
    }
  }
  RWBinaryFile file(name.c_str(), "rb");
  for (const RWCString& expected : narrow) {
    RWCString restored("previous");
    ASSERT_TRUE(restored.RestoreFrom(file));
    EXPECT_EQ(Text(restored), Text(expected));
    EXPECT_EQ(restored.Data()[restored.Length()], '\0');
  }
  for (const RWWString& expected : wide) {
    RWWString restored(u"previous");
    ASSERT_TRUE(restored.RestoreFrom(file));
    EXPECT_EQ(Text(restored), Text(expected));
  }
  char extra = 0;
  EXPECT_FALSE(file.Read(extra));
}

TEST_F(StringBinaryFileTest, CorruptLengthsLeaveTheStringUnchanged) {
  const struct {
    const char* name;
    const char* bytes;
  } cases[] = {
      {"no length", ""},
      {"length cut off", "01 00"},
      {"length FFFFFFFF", "FF FF FF FF  61 62"},
      {"length above the cap", "01 00 00 01  61 62"},
      {"more than the file holds", "FF FF FF 00  61 62"},
      {"characters cut off", "03 00 00 00  61 62"},
  };
  for (const auto& c : cases) {
    const std::string name = WriteFile(HexBytes(c.bytes));
    {
      RWBinaryFile file(name.c_str(), "rb");
      RWCString narrow("keep");
      EXPECT_FALSE(narrow.RestoreFrom(file)) << c.name;
      EXPECT_EQ(Text(narrow), "keep") << c.name;
    }
    RWBinaryFile file(name.c_str(), "rb");
    RWWString wide(u"keep");
    EXPECT_FALSE(wide.RestoreFrom(file)) << c.name;
    EXPECT_EQ(Text(wide), u"keep") << c.name;
  }

  // A stored length of 0 gives the empty string with its terminator in place.
  const std::string name = WriteFile(HexBytes("00 00 00 00"));
  RWBinaryFile file(name.c_str(), "rb");
  RWCString empty("not empty");
  ASSERT_TRUE(empty.RestoreFrom(file));
  EXPECT_EQ(empty.Length(), 0u);
  EXPECT_EQ(empty.Data()[0], '\0');
}

}  // namespace
