// Text through the PCL XL back end into a memory channel.
//  - A text and graphics page (40 lines of 80 DejaVuSans characters and 200 rectangles): the
//    first page of a job (the font and its glyphs downloaded) and a later page (the font present),
//    time and bytes per page, beside the later page's operators written directly with the PCL XL
//    writer's functions.
//  - Every glyph of DejaVuSans and of DroidSansFallbackFull downloaded as a TrueType font, cold (a
//    fresh font pool: the reader reads the file) and warm (the pool's reader already holds the
//    tables and glyphs), beside FreeType loading the same glyphs unscaled and unhinted.
#include <benchmark/benchmark.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/core/FrameworkIds.h"
#include "framework/core/GPeripheralComposite.h"
#include "framework/core/GProviderRegistry.h"
#include "framework/core/GState.h"
#include "framework/core/GStatusProvider.h"
#include "framework/output/GKestrix.h"
#include "framework/output/GOutputPort.h"
#include "framework/output/GPJL.h"
#include "framework/output/GTextEscapements.h"
#include "framework/output/GTextString.h"
#include "framework/output/XLFontDownload.h"
#include "framework/output/fonts/GTTFontPool.h"
#include "framework/output/fonts/GXLDownloadedFont.h"
#include "framework/output/pclxl/XLPathOperators.h"
#include "framework/output/pclxl/XLStateOperators.h"
#include "framework/output/pclxl/XLStream.h"
#include "framework/output/pclxl/XLTextOperators.h"
#include "framework/pipeline/GCommandRef.h"
#include "framework/pipeline/GDocumentCommand.h"
#include "framework/pipeline/GPageCommand.h"
#include "framework/pipeline/GRectangleGraphic.h"
#include "tests/support/FreeTypeFace.h"
#include "tests/support/FwMemoryFontReader.h"
#include "tests/support/FwTestTrueTypeFont.h"
#include "tools/veldata/DriverData.h"

namespace {

constexpr int kLines = 40;
constexpr int kColumns = 80;
constexpr int kShapes = 200;

class MemoryPort : public GOutputPort {
 public:
  MemoryPort() : GOutputPort(RWWString(u"memory")) {}
  std::uint16_t WriteRaw(const void* /*bytes*/,
                         std::uint32_t count,
                         std::uint32_t* written) override {
    bytes_ += count;
    *written = count;
    return 0;
  }
  bool IsUsable() override { return true; }
  static inline std::uint64_t bytes_ = 0;
};

class MemoryProvider : public GStatusProvider {
 public:
  GOutputPort* OpenOutputChannel(GDeviceSession*,
                                 const RWCString&,
                                 std::uint32_t,
                                 const RWWString*) override {
    return new MemoryPort;
  }
  std::uint32_t GetProviderFlags() const override { return 1; }
};

void Send(GPeripheralComposite& head, GCommand* command) {
  GCommandRef(head.ProcessCommand(GCommandRef(command).Release())).Reset();
}

// The page's text: line l holds 80 printable Latin-1 characters.
struct Lines {
  std::vector<std::unique_ptr<GTextString>> texts;
  std::vector<std::unique_ptr<GTextEscapements>> escapements;
  Lines() {
    for (int l = 0; l < kLines; ++l) {
      std::vector<std::uint16_t> chars(kColumns);
      std::vector<std::int16_t> advances(kColumns, 25);
      for (int i = 0; i < kColumns; ++i) {
        chars[i] = static_cast<std::uint16_t>(0x21 + (l * 13 + i) % 0x5E);
      }
      texts.push_back(std::make_unique<GTextString>(
          GCharacterBuffer::CopyOf(GCharacterBuffer(chars.data(), kColumns)), kColumns, 2, 16));
      escapements.push_back(std::make_unique<GTextEscapements>(
          GCharacterBuffer::CopyOf(GCharacterBuffer(advances.data(), kColumns)), GCharacterBuffer(),
          kColumns));
    }
  }
};

struct Setting {
  Setting() { GTTFontPool::SetInstance(new vel::test::TestFontPool); }
  ~Setting() { GTTFontPool::DestroyInstance(); }
};

struct Chain {
  MemoryProvider provider;
  std::unique_ptr<GPeripheralComposite> head;
  GKestrix* kestrix = nullptr;

  Chain() {
    (void)GProviderRegistry::Instance().Register(&provider, "Benchmark Text");
    kestrix = vel::data::BuildKestrix(vel::data::BuildLanguageConfiguration());
    head.reset(vel::data::BuildChain(
        nullptr, vel::data::BuildPJL(vel::data::BuildPJLConfiguration()), kestrix));
  }
  ~Chain() {
    head.reset();
    (void)GProviderRegistry::Instance().Unregister("Benchmark Text");
  }
  void StartDocument() {
    Send(*head, new GDocumentStart(RWWString(u"job"), RWWString(u"printer"), nullptr,
                                   new GState(vel::key::kDocumentGroup), 0));
  }
  void EndDocument() { Send(*head, new GDocumentEnd); }
  void Page(GFont& font, const Lines& lines) {
    Send(*head, new GPageStart(new GState(vel::key::kPageGroup), vel::key::kPageGroup));
    for (int s = 0; s < kShapes; ++s) {
      const auto x = static_cast<std::int16_t>(100 + s * 20);
      GRectangleGraphic shape({x, 5000, static_cast<std::int16_t>(x + 15), 5100}, nullptr, 0);
      benchmark::DoNotOptimize(kestrix->HandleRectangleGraphic(shape));
    }
    for (int l = 0; l < kLines; ++l) {
      benchmark::DoNotOptimize(kestrix->PrintText(font, *lines.texts[l], lines.escapements[l].get(),
                                                  100, static_cast<std::int16_t>(200 + 100 * l)));
    }
    Send(*head, new GPageEnd);
  }
};

const vel::test::TestTrueType& DejaVu() {
  static const vel::test::TestTrueType font{vel::test::kDejaVuSans.path,
                                            vel::test::ReadFontFile(vel::test::kDejaVuSans.path)};
  return font;
}

FwTestFont* NewFont(const vel::test::TestTrueType& source) {
  return vel::test::MakeTrueTypeFont(source, vel::test::FaceRecordOf(source.path, 50, 16),
                                     vel::test::InstanceRecord(2));
}

// state.range(0): 1 for the first page of a job, 2 for a later page.
void BM_TextPage(benchmark::State& state) {
  Setting setting;
  Chain chain;
  const Lines lines;
  const bool first = state.range(0) == 1;
  std::uint64_t bytes = 0;
  std::unique_ptr<FwTestFont> font(NewFont(DejaVu()));
  chain.StartDocument();
  chain.Page(*font, lines);
  for (auto _ : state) {
    if (first) {
      state.PauseTiming();
      chain.EndDocument();
      font.reset(NewFont(DejaVu()));
      chain.StartDocument();
      state.ResumeTiming();
    }
    const std::uint64_t before = MemoryPort::bytes_;
    chain.Page(*font, lines);
    bytes += MemoryPort::bytes_ - before;
  }
  chain.EndDocument();
  font.reset();
  state.counters["bytes/page"] =
      static_cast<double>(bytes) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_TextPage)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

class Counter : public GOutputFlushCallback {
 public:
  std::int32_t Flush(XLStream* /*stream*/,
                     std::uintptr_t /*user*/,
                     const std::uint8_t* buffer,
                     std::int32_t count) override {
    benchmark::DoNotOptimize(buffer);
    bytes += static_cast<std::uint64_t>(count);
    return 0;
  }
  std::uint64_t bytes = 0;
};

// The later page's operators written directly: the shapes, then SetCursor and Text for each line.
void BM_TextPageWrittenDirectly(benchmark::State& state) {
  Counter counter;
  XLStream* stream = XLCreateStream(8192, &counter, 0);
  std::vector<std::vector<std::uint16_t>> codes(kLines, std::vector<std::uint16_t>(kColumns));
  const std::vector<std::int16_t> advances(kColumns, 25);
  for (int l = 0; l < kLines; ++l) {
    for (int i = 0; i < kColumns; ++i) {
      codes[l][i] = static_cast<std::uint16_t>(3 + (l * 13 + i) % 0x5E);
    }
  }
  const std::uint8_t name[] = "0TTDejaVu Sans";
  for (auto _ : state) {
    for (int s = 0; s < kShapes; ++s) {
      const auto x = static_cast<std::int16_t>(100 + s * 20);
      XLNewPath(stream);
      XLRectanglePathSInt16(stream, x, 5000, static_cast<std::int16_t>(x + 15), 5100);
      XLPaintPath(stream);
    }
    XLNewPath(stream);
    XLSetFont(stream, name, sizeof name - 1, 50.0F, 2);
    for (int l = 0; l < kLines; ++l) {
      XLSetCursorSInt16(stream, 100, static_cast<std::int16_t>(200 + 100 * l));
      XLTextXSpacingUInt16(stream, codes[l].data(), kColumns, advances.data(), kColumns);
    }
    XLFlushStream(stream);
  }
  (void)XLCloseStream(stream);
  state.counters["bytes/page"] =
      static_cast<double>(counter.bytes) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_TextPageWrittenDirectly)->Unit(benchmark::kMillisecond);

const vel::test::TestTrueType& FontOf(int which) {
  static const vel::test::TestTrueType droid{
      vel::test::kDroidSansFallback.path,
      vel::test::ReadFontFile(vel::test::kDroidSansFallback.path)};
  return which == 0 ? DejaVu() : droid;
}

// Every glyph of the font downloaded: the header and one character per glyph id.
std::uint64_t DownloadAll(const vel::test::TestTrueType& source, XLStream* stream) {
  std::unique_ptr<FwTestFont> font(NewFont(source));
  auto* data = dynamic_cast<FwTestTrueTypeFontImp*>(font->GetImplementation());
  vel::XLTrueTypeHeader header;
  if (data == nullptr || !header.Prepare(*data, font->GetMetricBlock())) {
    return 0;
  }
  (void)header.Write(stream, "0TT", 2, 16, 16);
  GXLDownloadedFont downloaded(static_cast<GLanguagePeripheral*>(nullptr));
  std::uint32_t bytes = 0;
  for (std::uint32_t glyph = 0; glyph < header.NumGlyphs(); ++glyph) {
    if (!downloaded.HasGlyph(vel::kXLGlyphIdBase + glyph)) {
      (void)vel::XLWriteTrueTypeGlyph({stream, data, &downloaded, header.NumGlyphs(), false},
                                      static_cast<std::uint16_t>(glyph), 0xFFFF, bytes);
    }
  }
  return bytes;
}

// state.range(0): 0 DejaVuSans, 1 DroidSansFallbackFull; state.range(1): 1 warm.
void BM_FullFontDownload(benchmark::State& state) {
  const vel::test::TestTrueType& source = FontOf(static_cast<int>(state.range(0)));
  const bool warm = state.range(1) == 1;
  Counter counter;
  XLStream* stream = XLCreateStream(8192, &counter, 0);
  auto setting = std::make_unique<Setting>();
  if (warm) {
    (void)DownloadAll(source, stream);
  }
  for (auto _ : state) {
    if (!warm) {
      state.PauseTiming();
      setting.reset();
      setting = std::make_unique<Setting>();
      state.ResumeTiming();
    }
    benchmark::DoNotOptimize(DownloadAll(source, stream));
  }
  (void)XLCloseStream(stream);
  setting.reset();
}
BENCHMARK(BM_FullFontDownload)
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond);

// FreeType loading every glyph of the same font unscaled and unhinted.
void BM_FreeTypeLoadsEveryGlyph(benchmark::State& state) {
  const vel::test::TestTrueType& source = FontOf(static_cast<int>(state.range(0)));
  FT_Library library = nullptr;
  FT_Init_FreeType(&library);
  for (auto _ : state) {
    FT_Face face = nullptr;
    if (FT_New_Memory_Face(library, source.image.data(), static_cast<FT_Long>(source.image.size()),
                           0, &face) != 0) {
      state.SkipWithError("FreeType cannot open the font");
      break;
    }
    for (FT_Long glyph = 0; glyph < face->num_glyphs; ++glyph) {
      benchmark::DoNotOptimize(
          FT_Load_Glyph(face, static_cast<FT_UInt>(glyph), FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING));
    }
    FT_Done_Face(face);
  }
  FT_Done_FreeType(library);
}
BENCHMARK(BM_FreeTypeLoadsEveryGlyph)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
