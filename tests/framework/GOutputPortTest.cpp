// The output channel: job states, its own PJL framing, the quoted-name check, short writes; and
// the memory and file sinks that later tests write jobs into.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "framework/output/GOutputPort.h"
#include "framework/output/PJLText.h"
#include "tests/support/FwOutputSinks.h"
#include "tests/support/ScopedLocale.h"
#include "tests/support/TempDir.h"

namespace vel::test {
namespace {

const std::string kUel = "\x1b%-12345X";

std::string Text(const Bytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

struct FramingCase {
  const char* name;
  std::u16string job_name;
  std::int32_t framing;
  std::string start;  // bytes JobStart writes
  std::string end;    // bytes JobEnd writes
};

TEST(GOutputPortTest, FramingOfAJob) {
  const FramingCase cases[] = {
      {"framing off", u"abc", 0, "", ""},
      {"abc", u"abc", 1, kUel + "@PJL JOB NAME=\"abc\"\r\n",
       kUel + "@PJL EOJ NAME=\"abc\"\r\n" + kUel},
      {"empty name", u"", 1, kUel + "@PJL JOB NAME=\"\"\r\n",
       kUel + "@PJL EOJ NAME=\"\"\r\n" + kUel},
      {"name with a quote", u"a\"b", 1, kUel + "@PJL JOB NAME=\"\"\r\n",
       kUel + "@PJL EOJ NAME=\"\"\r\n" + kUel},
      {"name with a control byte",
       u"a\x01"
       "b",
       1, kUel + "@PJL JOB NAME=\"\"\r\n", kUel + "@PJL EOJ NAME=\"\"\r\n" + kUel},
      {"name with a line feed", u"a\nb", 1, kUel + "@PJL JOB NAME=\"\"\r\n",
       kUel + "@PJL EOJ NAME=\"\"\r\n" + kUel},
      {"name with a tab", u"a\tb", 1, kUel + "@PJL JOB NAME=\"a\tb\"\r\n",
       kUel + "@PJL EOJ NAME=\"a\tb\"\r\n" + kUel},
  };
  for (const FramingCase& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryOutputPort port;
    EXPECT_EQ(port.JobStart(RWWString(c.job_name.c_str()), c.framing), 0);
    EXPECT_TRUE(port.IsOpen());
    EXPECT_FALSE(port.IsClosed());
    EXPECT_EQ(Text(port.bytes()), c.start);
    const std::size_t start_writes = port.writes().size();
    EXPECT_EQ(start_writes, c.start.empty() ? 0u : 1u);  // one write, or none
    EXPECT_EQ(port.JobEnd(), 0);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(port.IsClosed());
    EXPECT_EQ(Text(port.bytes()), c.start + c.end);
    EXPECT_EQ(port.writes().size() - start_writes, c.end.empty() ? 0u : 1u);
  }
  MemoryOutputPort port;
  ASSERT_EQ(port.JobStart(RWWString(u"abc"), 1), 0);
  EXPECT_EQ(port.bytes().size(), 30u);  // UEL 9, "@PJL " 5, "JOB NAME=\"" 10, abc, quote, CR LF
  EXPECT_EQ(port.GetJobName(), RWCString("abc"));
}

TEST(GOutputPortTest, StatesRefuseWhatTheyDoNotAllow) {
  MemoryOutputPort port(RWWString(u"LPT1:"));
  EXPECT_TRUE(port.GetName() == RWWString(u"LPT1:"));
  EXPECT_EQ(port.GetCount(), 0u);
  EXPECT_EQ(port.JobEnd(), 1);  // no job open
  ASSERT_EQ(port.JobStart(RWWString(u"first"), 1), 0);
  EXPECT_EQ(port.JobStart(RWWString(u"second"), 1), 1);
  EXPECT_EQ(port.GetJobName(), RWCString("first"));
  ASSERT_EQ(port.JobEnd(), 0);
  EXPECT_NE(Text(port.bytes()).find("EOJ NAME=\"first\""), std::string::npos);

  // Close on an idle channel writes nothing; closed refuses a job.
  MemoryOutputPort idle;
  EXPECT_EQ(idle.Close(), 0);
  EXPECT_TRUE(idle.bytes().empty());
  EXPECT_TRUE(idle.IsClosed());
  EXPECT_EQ(idle.JobStart(RWWString(u"x"), 0), 1);
  EXPECT_FALSE(idle.IsOpen());

  // Close of an open framed job writes its end first.
  MemoryOutputPort open;
  ASSERT_EQ(open.JobStart(RWWString(u"j"), 1), 0);
  EXPECT_EQ(open.Close(), 0);
  EXPECT_EQ(Text(open.bytes()),
            kUel + "@PJL JOB NAME=\"j\"\r\n" + kUel + "@PJL EOJ NAME=\"j\"\r\n" + kUel);
  EXPECT_EQ(open.JobStart(RWWString(u"j"), 1), 1);
}

TEST(GOutputPortTest, ShortFramingWritesAnswerOneAndTheStateMovesOn) {
  MemoryOutputPort port;
  port.FailFromByte(10);
  EXPECT_EQ(port.JobStart(RWWString(u"abc"), 1), 1);
  EXPECT_TRUE(port.IsOpen());  // the job is open all the same
  EXPECT_EQ(port.bytes().size(), 10u);
  ASSERT_EQ(port.writes().size(), 1u);
  EXPECT_EQ(port.writes()[0].length, 30u);
  EXPECT_EQ(port.writes()[0].status, 5);
  EXPECT_EQ(port.JobEnd(), 1);
  EXPECT_FALSE(port.IsOpen());  // idle after a short end too
  EXPECT_EQ(port.bytes().size(), 10u);

  // A device that refuses everything: Close still closes and answers 0.
  MemoryOutputPort refusing;
  refusing.FailEveryWrite();
  EXPECT_EQ(refusing.JobStart(RWWString(u"abc"), 1), 1);
  EXPECT_EQ(refusing.Close(), 0);
  EXPECT_TRUE(refusing.IsClosed());
  EXPECT_TRUE(refusing.bytes().empty());
}

TEST(GOutputPortTest, NonAsciiNameIsNarrowedByTheLocale) {
  ScopedLocale utf8({"C.UTF-8", "C.utf8", "en_US.UTF-8"});
  if (!utf8.Active()) {
    GTEST_SKIP() << "no UTF-8 locale";
  }
  MemoryOutputPort port;
  ASSERT_EQ(port.JobStart(RWWString(u"Gr\u00fc\u00dfe"), 1), 0);
  EXPECT_EQ(Text(port.bytes()), kUel +
                                    "@PJL JOB NAME=\"Gr\xc3\xbc\xc3\x9f"
                                    "e\"\r\n");
}

TEST(GOutputPortTest, WriteStringPassesTheDeviceStatusOn) {
  MemoryOutputPort port;
  std::uint32_t written = 99;
  EXPECT_EQ(port.WriteString(RWCString("hello"), &written), 0);
  EXPECT_EQ(written, 5u);
  port.NoDevice();
  written = 99;
  EXPECT_EQ(port.WriteString(RWCString("x"), &written), 1);
  EXPECT_EQ(written, 0u);
  port.FailEveryWrite();
  EXPECT_EQ(port.WriteString(RWCString("x"), &written), 5);
  EXPECT_EQ(written, 0u);
  port.Reset();
  EXPECT_EQ(port.WriteString(RWCString("!"), &written), 0);
  EXPECT_EQ(Text(port.bytes()), "hello!");
  ASSERT_EQ(port.writes().size(), 4u);
  EXPECT_EQ(port.writes()[1].status, 1);
  EXPECT_EQ(port.writes()[2].status, 5);
}

TEST(GOutputPortTest, MemorySinkSwitches) {
  MemoryOutputPort port;
  EXPECT_TRUE(port.IsUsable());
  port.SetUsable(false);
  EXPECT_FALSE(port.IsUsable());
  port.SetCount(123456);
  EXPECT_EQ(port.GetCount(), 123456u);
  EXPECT_TRUE(port.IsClosed());
  EXPECT_TRUE(port.IsClosed());
  EXPECT_EQ(port.closed_polls(), 2);
  // Failing from byte 6 over writes of 4: the first is whole, the second keeps 2, the third none.
  port.FailFromByte(6);
  std::uint32_t written = 0;
  EXPECT_EQ(port.WriteRaw("abcd", 4, &written), 0);
  EXPECT_EQ(written, 4u);
  EXPECT_EQ(port.WriteRaw("efgh", 4, &written), 5);
  EXPECT_EQ(written, 2u);
  EXPECT_EQ(port.WriteRaw("ijkl", 4, &written), 5);
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(Text(port.bytes()), "abcdef");
}

TEST(GOutputPortTest, FileSinkWritesAFile) {
  const TempDir dir;
  const std::string path = dir.File("job.prn");
  {
    FileOutputPort port(path);
    EXPECT_TRUE(port.IsUsable());
    ASSERT_EQ(port.JobStart(RWWString(u"file"), 1), 0);
    std::uint32_t written = 0;
    EXPECT_EQ(port.WriteString(RWCString("data"), &written), 0);
    EXPECT_EQ(port.Close(), 0);
    EXPECT_FALSE(port.IsUsable());
  }
  std::ifstream in(path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text,
            kUel + "@PJL JOB NAME=\"file\"\r\ndata" + kUel + "@PJL EOJ NAME=\"file\"\r\n" + kUel);

  FileOutputPort nowhere(dir.File("no/such/folder/job.prn"));
  EXPECT_FALSE(nowhere.IsUsable());
  std::uint32_t written = 7;
  EXPECT_EQ(nowhere.WriteString(RWCString("x"), &written), 1);
  EXPECT_EQ(written, 0u);
}

TEST(PJLTextTest, QuotedValues) {
  EXPECT_TRUE(IsPJLQuotable(RWCString("")));
  EXPECT_TRUE(IsPJLQuotable(RWCString("Report 2024.doc")));
  EXPECT_TRUE(IsPJLQuotable(RWCString("a\tb")));
  EXPECT_TRUE(IsPJLQuotable(RWCString("\xe9t\xe9")));  // bytes of 128 and above pass
  EXPECT_FALSE(IsPJLQuotable(RWCString("a\"b")));
  EXPECT_FALSE(IsPJLQuotable(RWCString("a\rb")));
  EXPECT_FALSE(IsPJLQuotable(RWCString("\x1b")));
  EXPECT_FALSE(IsPJLQuotable(RWCString("\x1f")));
  EXPECT_EQ(PJLQuotedValue(RWCString("ok")), RWCString("ok"));
  EXPECT_EQ(PJLQuotedValue(RWCString("n\"o")), RWCString(""));
}

}  // namespace
}  // namespace vel::test
