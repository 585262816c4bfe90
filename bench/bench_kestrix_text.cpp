// Text through the PCL XL back end into a memory channel.
//  - A text and graphics page (40 lines of 80 DejaVuSans characters and 200 rectangles), time and
//    bytes per page:
//    - BM_TextPage/1 and /2: the first page of a job (the font and its glyphs downloaded) and a
//      later page (the font present). The page's objects (page start and end commands, rectangles,
//      texts and their advances) are made once, before the timed region, as the render module
//      makes them; the time is their passage through the printer head's chain (page start and
//      end) and the back end (rectangles and texts).
//    - BM_TextPageMakingObjects/1 and /2: the same pages with the page commands and rectangles
//      made and destroyed inside the timed region (for information).
//    - BM_TextPageWrittenDirectly: the later page's operators written directly with the PCL XL
//      writer's functions, byte for byte the back end's later page (checked before timing).
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
#include "framework/output/pclxl/XLEncoder.h"
#include "framework/output/pclxl/XLPathOperators.h"
#include "framework/output/pclxl/XLSessionOperators.h"
#include "framework/output/pclxl/XLStateOperators.h"
#include "framework/output/pclxl/XLStream.h"
#include "framework/output/pclxl/XLTags.h"
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
  std::uint16_t WriteRaw(const void* bytes, std::uint32_t count, std::uint32_t* written) override {
    bytes_ += count;
    if (kept_ != nullptr) {
      const auto* first = static_cast<const std::uint8_t*>(bytes);
      kept_->insert(kept_->end(), first, first + count);
    }
    *written = count;
    return 0;
  }
  bool IsUsable() override { return true; }
  static inline std::uint64_t bytes_ = 0;
  // Where the bytes written are also kept, when set (outside the timed regions).
  static inline std::vector<std::uint8_t>* kept_ = nullptr;
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
  // A page whose objects are made as it goes.
  void PageMakingObjects(GFont& font, const Lines& lines) {
    Send(*head, new GPageStart(new GState(vel::key::kPageGroup), vel::key::kPageGroup));
    for (int s = 0; s < kShapes; ++s) {
      const auto x = static_cast<std::int16_t>(100 + s * 20);
      GRectangleGraphic shape({x, 5000, static_cast<std::int16_t>(x + 15), 5100}, nullptr, 0);
      benchmark::DoNotOptimize(kestrix->HandleRectangleGraphic(shape));
    }
    Texts(font, lines);
    Send(*head, new GPageEnd);
  }
  void Texts(GFont& font, const Lines& lines) {
    for (int l = 0; l < kLines; ++l) {
      benchmark::DoNotOptimize(kestrix->PrintText(font, *lines.texts[l], lines.escapements[l].get(),
                                                  100, static_cast<std::int16_t>(200 + 100 * l)));
    }
  }
};

// The page's objects other than the texts, made once and sent again unchanged: the page commands
// are held by a reference of their own, so the chain's letting go of them deletes nothing.
struct PageObjects {
  GCommandRef start{new GPageStart(new GState(vel::key::kPageGroup), vel::key::kPageGroup)};
  GCommandRef end{new GPageEnd};
  std::vector<GRectangleGraphic> shapes;
  PageObjects() {
    shapes.reserve(kShapes);
    for (int s = 0; s < kShapes; ++s) {
      const auto x = static_cast<std::int16_t>(100 + s * 20);
      shapes.emplace_back(GRect{x, 5000, static_cast<std::int16_t>(x + 15), 5100}, nullptr, 0);
    }
  }
};

void SendKept(GPeripheralComposite& head, const GCommandRef& command) {
  GCommandRef(head.ProcessCommand(command.Get())).Reset();
}

void Page(Chain& chain, GFont& font, const Lines& lines, PageObjects& objects) {
  SendKept(*chain.head, objects.start);
  for (GRectangleGraphic& shape : objects.shapes) {
    benchmark::DoNotOptimize(chain.kestrix->HandleRectangleGraphic(shape));
  }
  chain.Texts(font, lines);
  SendKept(*chain.head, objects.end);
}

const vel::test::TestTrueType& DejaVu() {
  static const vel::test::TestTrueType font{vel::test::kDejaVuSans.path,
                                            vel::test::ReadFontFile(vel::test::kDejaVuSans.path)};
  return font;
}

FwTestFont* NewFont(const vel::test::TestTrueType& source) {
  return vel::test::MakeTrueTypeFont(source, vel::test::FaceRecordOf(source.path, 50, 16),
                                     vel::test::InstanceRecord(2));
}

// The bytes of a later page, made with fresh objects or with objects sent before.
std::vector<std::uint8_t> LaterPageBytes(bool kept_objects) {
  Setting setting;
  Chain chain;
  const Lines lines;
  PageObjects objects;
  std::unique_ptr<FwTestFont> font(NewFont(DejaVu()));
  std::vector<std::uint8_t> bytes;
  chain.StartDocument();
  Page(chain, *font, lines, objects);
  MemoryPort::kept_ = &bytes;
  if (kept_objects) {
    Page(chain, *font, lines, objects);
  } else {
    chain.PageMakingObjects(*font, lines);
  }
  MemoryPort::kept_ = nullptr;
  chain.EndDocument();
  return bytes;
}

// state.range(0): 1 for the first page of a job, 2 for a later page. `making`: the page commands
// and rectangles made inside the timed region.
void TextPage(benchmark::State& state, bool making) {
  if (!making && LaterPageBytes(true) != LaterPageBytes(false)) {
    state.SkipWithError("a page sent again differs from a page of fresh objects");
    return;
  }
  Setting setting;
  Chain chain;
  const Lines lines;
  PageObjects objects;
  const bool first = state.range(0) == 1;
  std::uint64_t bytes = 0;
  std::unique_ptr<FwTestFont> font(NewFont(DejaVu()));
  chain.StartDocument();
  Page(chain, *font, lines, objects);
  for (auto _ : state) {
    if (first) {
      state.PauseTiming();
      chain.EndDocument();
      font.reset(NewFont(DejaVu()));
      chain.StartDocument();
      state.ResumeTiming();
    }
    const std::uint64_t before = MemoryPort::bytes_;
    if (making) {
      chain.PageMakingObjects(*font, lines);
    } else {
      Page(chain, *font, lines, objects);
    }
    bytes += MemoryPort::bytes_ - before;
  }
  chain.EndDocument();
  font.reset();
  state.counters["bytes/page"] =
      static_cast<double>(bytes) / static_cast<double>(state.iterations());
}

void BM_TextPage(benchmark::State& state) {
  TextPage(state, false);
}
BENCHMARK(BM_TextPage)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void BM_TextPageMakingObjects(benchmark::State& state) {
  TextPage(state, true);
}
BENCHMARK(BM_TextPageMakingObjects)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

class Counter : public GOutputFlushCallback {
 public:
  std::int32_t Flush(XLStream* /*stream*/,
                     std::uintptr_t /*user*/,
                     const std::uint8_t* buffer,
                     std::int32_t count) override {
    benchmark::DoNotOptimize(buffer);
    bytes += static_cast<std::uint64_t>(count);
    if (kept != nullptr) {
      kept->insert(kept->end(), buffer, buffer + count);
    }
    return 0;
  }
  std::uint64_t bytes = 0;
  // Where the bytes flushed are also kept, when set (outside the timed region).
  std::vector<std::uint8_t>* kept = nullptr;
};

// The later page's operators as the back end writes them: BeginPage (the orientation only: the
// media are those of the page before) and the clip mode, NewPath, RectanglePath and PaintPath for
// each shape, then for each line NewPath, SetFont before the first, SetCursor and Text, and
// EndPage with the copy count. The printer codes are those the glyph-code map gave the characters
// (from 4, in the order of first use).
struct DirectPage {
  std::vector<std::vector<std::uint16_t>> codes;
  std::vector<std::int16_t> advances = std::vector<std::int16_t>(kColumns, 25);
  DirectPage() : codes(kLines, std::vector<std::uint16_t>(kColumns)) {
    for (int l = 0; l < kLines; ++l) {
      for (int i = 0; i < kColumns; ++i) {
        codes[l][i] = static_cast<std::uint16_t>(4 + (l * 13 + i) % 0x5E);
      }
    }
  }
  void Write(XLStream* stream) const {
    static constexpr std::uint8_t kName[] = "0TTDejaVu Sans";
    XLUByte(stream, 0);
    XLWriteAttribute(stream, kXLAttrOrientation);
    XLWriteOperator(stream, kXLOpBeginPage);
    XLSetClipMode(stream, 0);
    for (int s = 0; s < kShapes; ++s) {
      const auto x = static_cast<std::int16_t>(100 + s * 20);
      XLNewPath(stream);
      XLRectanglePathSInt16(stream, x, 5000, static_cast<std::int16_t>(x + 15), 5100);
      XLPaintPath(stream);
    }
    for (int l = 0; l < kLines; ++l) {
      XLNewPath(stream);
      if (l == 0) {
        XLSetFont(stream, kName, sizeof kName - 1, 50.0F, 2);
      }
      XLSetCursorSInt16(stream, 100, static_cast<std::int16_t>(200 + 100 * l));
      XLTextXSpacingUInt16(stream, codes[l].data(), kColumns, advances.data(), kColumns);
    }
    XLEndPageCopies(stream, 1);
    XLFlushStream(stream);
  }
};

void BM_TextPageWrittenDirectly(benchmark::State& state) {
  const DirectPage page;
  Counter counter;
  XLStream* stream = XLCreateStream(8192, &counter, 0);
  std::vector<std::uint8_t> direct;
  counter.kept = &direct;
  page.Write(stream);
  counter.kept = nullptr;
  if (direct != LaterPageBytes(true)) {
    (void)XLCloseStream(stream);
    state.SkipWithError("the page written directly differs from the back end's");
    return;
  }
  const std::uint64_t before = counter.bytes;
  for (auto _ : state) {
    page.Write(stream);
  }
  (void)XLCloseStream(stream);
  state.counters["bytes/page"] =
      static_cast<double>(counter.bytes - before) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_TextPageWrittenDirectly)->Unit(benchmark::kMicrosecond);

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
