// A whole job written with the PCL XL stream writer's functions, as the back end writes one, passes
// the checker; each kind of damage a back end could do to it is caught.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>

#include "framework/output/pclxl/XLEncoder.h"
#include "framework/output/pclxl/XLFontOperators.h"
#include "framework/output/pclxl/XLImageOperators.h"
#include "framework/output/pclxl/XLPathOperators.h"
#include "framework/output/pclxl/XLScanLineOperators.h"
#include "framework/output/pclxl/XLSessionOperators.h"
#include "framework/output/pclxl/XLStateOperators.h"
#include "framework/output/pclxl/XLTextOperators.h"
#include "tests/pclxl/XLTestStream.h"
#include "tests/support/PclXlChecker.h"
#include "tests/support/TempDir.h"

namespace vel::test {
namespace {

const std::uint8_t kFontName[] = {'1', 'T', 'T', 'T', 'e', 's', 't'};

// The font header of a TrueType font with 'gdir', 'head' and 'maxp', as a back end builds it.
Bytes FontHeader() {
  return HexBytes(
      "00 00 02 4E 01 00 00 05                          # descriptor: symbol set 590, 5 "
      "characters\n"
      "47 54 00 00 00 44                                # 'GT', 68 bytes\n"
      "00 01 00 00  00 03  00 20  00 01  00 10\n"
      "67 64 69 72  00 00 00 00  00 00 00 00  00 00 00 00\n"
      "68 65 61 64  00 00 00 00  00 00 00 3C  00 00 00 04\n"
      "6D 61 78 70  00 00 00 00  00 00 00 40  00 00 00 04\n"
      "00 01 00 00  00 00 50 00\n"
      "47 43 00 00 00 06  00 00 FF FF 00 00             # 'GC'\n"
      "FF FF 00 00 00 00                                # null segment\n");
}

void Character(XLStream* s, std::uint16_t code, std::uint16_t glyph_id) {
  const std::uint8_t glyph[] = {0x00, 0x01, 0x00, 0x00};
  XLReadChar(s, code, 10 + sizeof glyph);
  XLDataLength(s, 10 + sizeof glyph);
  XLRawByte(s, 1);  // format
  XLRawByte(s, 1);  // class
  XLRawUInt16BE(s, 8 + sizeof glyph);
  XLRawUInt16BE(s, 0);     // left side bearing
  XLRawUInt16BE(s, 1024);  // advance width
  XLRawUInt16BE(s, glyph_id);
  XLRawBytes(s, glyph, sizeof glyph);
}

// One page: pen, brush, a rectangle, paths in both run kinds, a raw and a run-length image, a
// pattern that the brush selects, a scan block, a downloaded font with its characters and text.
Bytes SampleSession() {
  TestStream stream(64);  // a small buffer, so writes pass through many flushes
  XLStream* s = stream.get();
  const char comment[] = " test";
  XLWriteStreamHeader(s, 2, 0, comment, sizeof comment - 1);
  XLBeginSessionErrorReport(s, 600, 600, 0, 3);
  XLOpenDataSourceDataOrg(s, 0, 1);
  XLBeginPageSource(s, 0, 2, 1);
  XLSetClipMode(s, 0);

  XLSetLineDashSolid(s, 0);
  XLSetPenWidthUInt16(s, 4);
  XLSetColorSpace(s, 1);
  XLSetBrushSourceGray(s, 128);
  XLNewPath(s);
  XLRectanglePathSInt16(s, 100, 100, 500, 300);
  XLPaintPath(s);

  XLNewPath(s);
  XLSetCursorSInt16(s, 600, 600);
  XLLineRelPath(s, 2, 3);  // 16-bit run
  XLDataLength(s, 8);
  XLRawUInt16(s, 300);
  XLRawUInt16(s, 0);
  XLRawUInt16(s, 0);
  XLRawUInt16(s, static_cast<std::uint16_t>(-300));
  XLLineRelPath(s, 3, 1);  // byte run
  XLDataLength(s, 6);
  const std::uint8_t steps[] = {10, 10, 20, 0, 0xF6, 0xF6};
  XLRawBytes(s, steps, sizeof steps);
  XLBezierRelPath(s, 3, 1);
  XLDataLength(s, 6);
  XLRawBytes(s, steps, sizeof steps);
  XLCloseSubPath(s);
  XLPaintPath(s);

  // A gray 8-bit image of 6 x 2 pixels, rows of 8 bytes: one raw block and one run-length block.
  XLSetCursorSInt16(s, 1000, 1000);
  XLBeginImage(s, 0, 2, 6, 2, 60, 20);
  XLReadImage(s, 0, 1, 0);
  const std::uint8_t row[] = {1, 2, 3, 4, 5, 6, 0, 0};
  XLEmbedBytes(s, row, sizeof row);
  XLReadImage(s, 1, 1, 1);
  const std::uint8_t packed[] = {0xFB, 0x07, 0xFF, 0x00};  // six 7s, two 0s
  XLEmbedBytes(s, packed, sizeof packed);
  XLEndImage(s);

  // A 1-bit indexed pattern of 8 x 8, selected by the brush.
  const std::uint8_t palette[] = {0xFF, 0x00};
  XLSetColorSpacePalette(s, 1, 2, palette, sizeof palette);
  XLBeginRastPattern(s, 1, 0, 8, 8, 32, 32, 1, 0);
  XLReadRastPattern(s, 0, 8, 0);
  Bytes pattern(32);
  for (std::size_t i = 0; i < pattern.size(); i += 4) {
    pattern[i] = 0xAA;
  }
  XLEmbedBytes(s, pattern.data(), static_cast<std::uint32_t>(pattern.size()));
  XLEndRastPattern(s);
  XLSetBrushSourcePattern(s, 1);

  XLBeginScan(s);
  const std::uint16_t pairs[] = {0, 8, 4, 300};
  XLScanLineRel(s, 50, 60, pairs, 2);
  XLEndScan(s);

  XLNewPath(s);
  XLBeginFontHeader(s, kFontName, sizeof kFontName, 0);
  const Bytes header = FontHeader();
  XLReadFontHeader(s, 8);
  XLEmbedBytes(s, header.data(), 8);
  XLReadFontHeader(s, static_cast<std::uint16_t>(header.size() - 8));
  XLEmbedBytes(s, header.data() + 8, static_cast<std::uint32_t>(header.size() - 8));
  XLEndFontHeader(s);
  XLBeginChar(s, kFontName, sizeof kFontName);
  Character(s, 0xFFFF, 0);
  Character(s, 'H', 3);
  Character(s, 'i', 4);
  XLEndChar(s);
  XLSetFont(s, kFontName, sizeof kFontName, 12.0f, 590);
  XLSetCursorSInt16(s, 1200, 1800);
  const std::uint8_t text[] = {'H', 'i'};
  const std::int16_t advances[] = {50, 300};
  XLTextXSpacing(s, text, 2, advances, 2);

  XLEndPageCopies(s, 1);
  XLCloseDataSource(s);
  XLEndSession(s);
  EXPECT_EQ(s->error, 0);
  return stream.Output();
}

TEST(PclXlSampleSessionTest, WriterSessionPasses) {
  const Bytes job = SampleSession();
  if (const char* seeds = std::getenv("VEL_XL_SEED_DIR")) {  // see PclXlCheckerTest.cpp
    std::ofstream(std::string(seeds) + "/sample_session", std::ios::binary)
        .write(reinterpret_cast<const char*>(job.data()), static_cast<std::streamsize>(job.size()));
  }
  const XlCheckResult result = PclXlChecker().Check(job);
  EXPECT_TRUE(result.findings.empty()) << result.Report() << DumpPclXlJob(result.job);
  ASSERT_EQ(result.job.pages.size(), 1u);
  ASSERT_EQ(result.job.rasters.size(), 2u);
  EXPECT_TRUE(BytesEqual(HexBytes("07 07 07 07 07 07 00 00"), result.job.rasters[0].rows[1]));
  EXPECT_TRUE(result.job.rasters[1].pattern);
  const XlFont* font = result.job.FindFont("1TTTest");
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->chars.size(), 3u);
  EXPECT_EQ(font->Char('i')->glyph_id, 4);
}

TEST(PclXlSampleSessionTest, WriterSessionInItsEnvelopePasses) {
  const std::string uel = "\x1b%-12345X";
  Bytes job = AsBytes(uel + "@PJL JOB NAME=\"sample\"\r\n@PJL ENTER LANGUAGE=PCLXL\r\n");
  const Bytes stream = SampleSession();
  job.insert(job.end(), stream.begin(), stream.end());
  const Bytes end = AsBytes(uel + "@PJL EOJ NAME=\"sample\"\r\n" + uel);
  job.insert(job.end(), end.begin(), end.end());
  EXPECT_TRUE(PassesPclXlCheck(job, {}, true));
}

// Each byte of the session cut off makes the job fail, never crash.
TEST(PclXlSampleSessionTest, EveryTruncationFails) {
  const Bytes job = SampleSession();
  const PclXlChecker checker;
  for (std::size_t size = 0; size < job.size(); ++size) {
    const Bytes cut(job.begin(), job.begin() + static_cast<std::ptrdiff_t>(size));
    EXPECT_GT(checker.Check(cut).ErrorCount(), 0u) << "cut at " << size;
  }
}

// The exit code of xlcheck run on a file holding `bytes`.
int RunXlcheck(const TempDir& dir, const Bytes& bytes, const std::string& args = "") {
  const std::string path = dir.File("job.prn");
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  const std::string command =
      std::string(VEL_XLCHECK) + " " + path + args + " >" + dir.File("out.txt") + " 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(PclXlSampleSessionTest, XlcheckExitCodes) {
  const TempDir dir;
  Bytes job = SampleSession();
  EXPECT_EQ(RunXlcheck(dir, job), 0);
  EXPECT_EQ(RunXlcheck(dir, job, " --dump"), 0);
  job[job.size() - 2] = 0x44;  // CloseDataSource becomes a second EndPage
  EXPECT_EQ(RunXlcheck(dir, job), 1);
  EXPECT_EQ(RunXlcheck(dir, job, " --no-such-option"), 2);
  const std::string missing =
      std::string(VEL_XLCHECK) + " " + dir.File("missing.prn") + " >/dev/null 2>&1";
  const int status = std::system(missing.c_str());
  EXPECT_EQ(WEXITSTATUS(status), 2);
}

}  // namespace
}  // namespace vel::test
