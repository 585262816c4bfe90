// Text jobs of the PCL XL back end on several threads at once: they share the process's font pool
// and one TrueType font file (one reader, its lock and its caches), and each job's bytes equal
// those of the same job run alone.
#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "framework/output/GKestrix.h"
#include "framework/output/GTextEscapements.h"
#include "framework/output/GTextString.h"
#include "tests/framework/fonts/FontTestFixture.h"
#include "tests/support/FreeTypeFace.h"
#include "tests/support/FwJobHarness.h"
#include "tests/support/FwTestTrueTypeFont.h"

namespace vel::test {
namespace {

class GKestrixTextThreadsTest : public FontTest {};

// A page of 40 lines of 80 characters of the font, each job with its own font over the shared
// file; `offset` shifts the characters, so that jobs ask the reader for different glyphs.
Bytes TextJob(const TestTrueType& source, std::uint16_t offset) {
  std::unique_ptr<FwTestFont> font(
      MakeTrueTypeFont(source, FaceRecordOf(source.path, 50, 16),
                       InstanceRecord(GFontInstanceRecord::kOutlineDownload)));
  JobHarness harness;
  EXPECT_EQ(harness.StartDocument(), 0);
  EXPECT_EQ(harness.StartPage({0, {}, {}, MakeTestMedia(2, 5100, 6600)}), 0);
  for (std::uint16_t line = 0; line < 40; ++line) {
    std::vector<std::uint16_t> chars(80);
    std::vector<std::int16_t> advances(80, 25);
    for (std::uint16_t i = 0; i < 80; ++i) {
      chars[i] = static_cast<std::uint16_t>(0x21 + (offset + line * 7 + i) % 0x5E);
    }
    const GTextString text(GCharacterBuffer::CopyOf(GCharacterBuffer(chars.data(), 80)), 80, 2, 16);
    GTextEscapements escapements(GCharacterBuffer::CopyOf(GCharacterBuffer(advances.data(), 80)),
                                 GCharacterBuffer(), 80);
    EXPECT_EQ(harness.Kestrix()->PrintText(*font, text, &escapements, 100,
                                           static_cast<std::int16_t>(200 + 60 * line)),
              0);
  }
  EXPECT_EQ(harness.EndPage(), 0);
  EXPECT_EQ(harness.EndDocument(), 0);
  return harness.LastJob().bytes;
}

TEST_F(GKestrixTextThreadsTest, FourJobsShareThePoolAndTheFontAndPrintAsAlone) {
  const TestTrueType source{kDejaVuSans.path, ReadFontFile(kDejaVuSans.path)};
  ASSERT_FALSE(source.image.empty());
  std::vector<Bytes> alone;
  for (std::uint16_t job = 0; job < 4; ++job) {
    alone.push_back(TextJob(source, static_cast<std::uint16_t>(job * 11)));
  }
  std::vector<Bytes> together(4);
  std::vector<std::thread> threads;
  for (std::uint16_t job = 0; job < 4; ++job) {
    threads.emplace_back(
        [&, job] { together[job] = TextJob(source, static_cast<std::uint16_t>(job * 11)); });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  for (std::size_t job = 0; job < 4; ++job) {
    EXPECT_FALSE(alone[job].empty());
    EXPECT_EQ(together[job], alone[job]) << "job " << job;
  }
}

}  // namespace
}  // namespace vel::test
