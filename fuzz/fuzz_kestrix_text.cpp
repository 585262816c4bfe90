// Font bytes from outside, printed as text through the PCL XL back end: the bytes (after byte 0)
// are a font file read by the memory reader, and a one-page job prints 64-code texts in it, in
// character set 16 and as glyph ids (set 1). Byte 0 picks the face's flags (outlines or bitmaps),
// whether it is vertical and its character range. The job must pass the PCL XL checker: no
// SetFont of a font never defined, no character of one, every download well formed.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "framework/output/GKestrix.h"
#include "framework/output/GTextEscapements.h"
#include "framework/output/GTextString.h"
#include "framework/output/fonts/GTTFontPool.h"
#include "tests/support/FwJobHarness.h"
#include "tests/support/FwMemoryFontReader.h"
#include "tests/support/FwTestTrueTypeFont.h"
#include "tests/support/PclXlChecker.h"

namespace {

void Print(GKestrix& kestrix, GFont& font, std::uint32_t kind, std::uint16_t first) {
  std::vector<std::uint16_t> codes(64);
  std::vector<std::int16_t> advances(64, 20);
  for (std::uint16_t i = 0; i < 64; ++i) {
    codes[i] = static_cast<std::uint16_t>(first + i * 3);
  }
  const GTextString text(GCharacterBuffer::CopyOf(GCharacterBuffer(codes.data(), 64)), 64, 2, kind);
  GTextEscapements escapements(GCharacterBuffer::CopyOf(GCharacterBuffer(advances.data(), 64)),
                               GCharacterBuffer(), 64);
  (void)kestrix.PrintText(font, text, &escapements, 100, 200);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) {
    return 0;
  }
  // A pool of its own for each input, so that no reader outlives it.
  GTTFontPool::SetInstance(new vel::test::TestFontPool);
  const std::uint8_t mode = data[0];
  const vel::test::TestTrueType source{"input", std::vector<std::uint8_t>(data + 1, data + size)};
  GFontFaceRecord face;
  face.char_set = 16;
  face.first_char = 0x20;
  face.last_char = (mode & 4) != 0 ? 0xFFFF : 0x7F;
  face.size = 40;
  face.name = "Fuzz";
  face.vertical = (mode & 2) != 0 ? 1 : 0;
  GFontInstanceRecord instance;
  instance.flags = (mode & 1) != 0 ? GFontInstanceRecord::kBitmapDownload
                                   : GFontInstanceRecord::kOutlineDownload;
  vel::test::Bytes bytes;
  {
    auto* implementation = new FwTestTrueTypeFontImp(source.Source(), face, instance, nullptr);
    FwTestFont font(implementation, nullptr);
    vel::test::JobHarness harness;
    (void)harness.StartDocument();
    (void)harness.StartPage({0, {}, {}, vel::test::MakeTestMedia(2, 5100, 6600)});
    Print(*harness.Kestrix(), font, 16, 0x20);
    Print(*harness.Kestrix(), font, 1, 0);
    Print(*harness.Kestrix(), font, 16, 0x41);
    (void)harness.EndPage();
    (void)harness.EndDocument();
    bytes = harness.LastJob().bytes;
  }
  GTTFontPool::DestroyInstance();
  const vel::test::XlCheckResult result = vel::test::PclXlChecker().Check(bytes);
  if (result.ErrorCount() != 0) {
    std::fprintf(stderr, "%s\n", result.Report().c_str());
    std::abort();
  }
  return 0;
}
